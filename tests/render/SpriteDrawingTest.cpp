// Sprites read back from the back buffer: exact scaling, flips, source rectangles, the order of
// textures and the fallback rectangle.
//
// Wine draws a mirrored image one pixel to the right and clips its last column, and is off by
// one pixel at scales 3 and 6; the program keeps the transform that is right on Windows. Flips are
// therefore checked by the order of colours inside the image, and exact scaling at 1x, 2x, 4x, 8x.
#include "RenderTestSupport.h"

#include <cstdlib>

using namespace RenderTest;

namespace {

SpriteCommand spriteCommand(const fs::path& texture, float x, float y, float w, float h) {
    SpriteCommand sprite;
    sprite.texture = texture;
    sprite.x = x;
    sprite.y = y;
    sprite.w = w;
    sprite.h = h;
    // Never a tint: every drawn image must come out in its own colours.
    sprite.color = Color{255, 0, 0};
    return sprite;
}

// A 4 × 2 image of eight colours.
const std::vector<std::uint32_t> gridColours = {0x102030, 0xF00000, 0x00F000, 0x0000F0,
                                                0xF0F000, 0x00F0F0, 0xF000F0, 0x808080};

class SpriteDrawingTest : public WindowTest {
protected:
    ScratchFolder folder;
};

} // namespace

TEST_F(SpriteDrawingTest, ScalesAnImageExactlyWithNearestNeighbour) {
    const fs::path grid = folder.write("grid.bmp", bmpBytes(4, 2, gridColours));
    struct Case {
        float zoom;
        float w; // world width of the 4-pixel-wide image
        int scale;
    };
    for (const Case c : {Case{1, 4, 1}, Case{1, 8, 2}, Case{1, 16, 4}, Case{2, 16, 8}, Case{4, 4, 4}}) {
        begin(cameraAt(0, 0, c.zoom));
        const float origin = 12.0f / c.zoom;
        renderer.drawSprites({spriteCommand(grid, origin, origin, c.w, c.w / 2)});
        const Snapshot pixels = snapshot();
        const int size = 4 * c.scale;
        int wrong = 0;
        for (int y = -1; y <= size / 2; ++y) {
            for (int x = -1; x <= size; ++x) {
                const bool inside = x >= 0 && y >= 0 && x < size && y < size / 2;
                const std::uint32_t expected =
                    inside ? gridColours[static_cast<std::size_t>(x / c.scale + 4 * (y / c.scale))] : 0;
                if (pixels.at(12 + x, 12 + y) != rgb(expected)) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << "scale " << c.scale << " at zoom " << c.zoom;
    }
}

TEST_F(SpriteDrawingTest, FlipsMirrorTheImageInPlace) {
    // Red green / blue white, drawn at 8x into 16 × 16 pixels.
    const fs::path quad = folder.write("quad.bmp", bmpBytes(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
    struct Case {
        bool flipX;
        bool flipY;
        std::uint32_t topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {false, false, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
        {true, false, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x0000FF},
        {false, true, 0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00},
        {true, true, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000},
    };
    for (const Case& c : cases) {
        begin();
        SpriteCommand sprite = spriteCommand(quad, 20, 20, 16, 16);
        sprite.flipX = c.flipX;
        sprite.flipY = c.flipY;
        renderer.drawSprites({sprite});
        const Snapshot pixels = snapshot();
        const std::string name = std::string("flipX ") + (c.flipX ? "on" : "off") + ", flipY " + (c.flipY ? "on" : "off");
        EXPECT_EQ(pixels.at(24, 24), rgb(c.topLeft)) << name;
        EXPECT_EQ(pixels.at(32, 24), rgb(c.topRight)) << name;
        EXPECT_EQ(pixels.at(24, 32), rgb(c.bottomLeft)) << name;
        EXPECT_EQ(pixels.at(32, 32), rgb(c.bottomRight)) << name;
        // The mirror covers the destination rectangle, give or take Wine's one pixel.
        const RECT ink = pixels.inkBounds(rgb(0));
        EXPECT_LE(std::abs(ink.left - 20) + std::abs(ink.top - 20), 2) << name << ": " << describe(ink);
        EXPECT_LE(std::abs(ink.right - 36) + std::abs(ink.bottom - 36), 2) << name << ": " << describe(ink);
    }
}

TEST_F(SpriteDrawingTest, ASourceRectangleTakesOneCellOfAStrip) {
    // Four 16 × 16 cells side by side, each with a left half and a right half of its own colours.
    const std::uint32_t halves[4][2] = {{0x200000, 0x400000}, {0x00C000, 0x0000C0}, {0x606000, 0x006060}, {0x600060, 0xFFFFFF}};
    std::vector<std::uint32_t> strip(64 * 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 64; ++x) strip[static_cast<std::size_t>(y * 64 + x)] = halves[x / 16][(x % 16) / 8];
    }
    const fs::path image = folder.write("strip.bmp", bmpBytes(64, 16, strip));

    for (const bool flip : {false, true}) {
        begin();
        SpriteCommand sprite = spriteCommand(image, 40, 40, 32, 32);
        sprite.hasSourceRect = true;
        sprite.sourceX = 16;
        sprite.sourceY = 0;
        sprite.sourceW = 16;
        sprite.sourceH = 16;
        sprite.flipX = flip;
        renderer.drawSprites({sprite});
        const Snapshot pixels = snapshot();
        const Rgb left = rgb(halves[1][flip ? 1 : 0]);
        const Rgb right = rgb(halves[1][flip ? 0 : 1]);
        if (!flip) {
            // Exact at 2x: the cell's halves fill the destination's halves, nothing else shows.
            EXPECT_EQ(pixels.count(left), 16 * 32);
            EXPECT_EQ(pixels.count(right), 16 * 32);
            EXPECT_TRUE(sameRect(pixels.inkBounds(rgb(0)), RECT{40, 40, 72, 72})) << describe(pixels.inkBounds(rgb(0)));
        }
        EXPECT_EQ(pixels.at(48, 56), left) << (flip ? "flipped" : "plain");
        EXPECT_EQ(pixels.at(64, 56), right) << (flip ? "flipped" : "plain");
    }
}

TEST_F(SpriteDrawingTest, LaterTexturePathsAreDrawnOnTop) {
    struct Case {
        const char* arrivesFirst;
        const char* arrivesSecond;
        const char* onTop;
    };
    const Case cases[] = {
        {"b.bmp", "a.bmp", "b.bmp"},       // arrival order does not matter
        {"a.bmp", "b.bmp", "b.bmp"},
        {"a.bmp", "B.bmp", "a.bmp"},       // upper case sorts before every lower-case letter
        {"img.bmp", "img.bmp2", "img.bmp2"}, // a proper prefix sorts first
        {"\xC3\xA9.bmp", "z.bmp", "\xC3\xA9.bmp"}, // bytes compare unsigned: 0xC3 after 'z'
        // U+1F600 after U+FF21 in UTF-8; in UTF-16 its surrogate 0xD83D would sort first.
        {"\xF0\x9F\x98\x80.bmp", "\xEF\xBC\xA1.bmp", "\xF0\x9F\x98\x80.bmp"},
    };
    std::uint32_t next = 0x203040;
    for (const Case& c : cases) {
        ScratchFolder images;
        const auto make = [&](const char* name) {
            next += 0x102030;
            return images.write(fs::u8path(name), solidBmp(next & 0xFFFFFF));
        };
        const fs::path first = make(c.arrivesFirst);
        const std::uint32_t firstColour = next & 0xFFFFFF;
        const fs::path second = make(c.arrivesSecond);
        const std::uint32_t secondColour = next & 0xFFFFFF;
        begin();
        renderer.drawSprites({spriteCommand(first, 10, 10, 20, 20), spriteCommand(second, 20, 20, 20, 20)});
        const Snapshot pixels = snapshot();
        const bool firstOnTop = std::string(c.onTop) == c.arrivesFirst;
        EXPECT_EQ(pixels.at(25, 25), rgb(firstOnTop ? firstColour : secondColour))
            << c.arrivesFirst << " then " << c.arrivesSecond;
        EXPECT_EQ(pixels.at(12, 12), rgb(firstColour));
        EXPECT_EQ(pixels.at(38, 38), rgb(secondColour));
    }
}

TEST_F(SpriteDrawingTest, AMissingTextureFallsBackToItsRectangleAndWarnsOnce) {
    const fs::path missing = folder.path / "missing.png";
    const fs::path broken = folder.write("broken.png", "not an image");
    SpriteCommand lost = spriteCommand(missing, 10.6f, 20.4f, 5, 5);
    lost.color = Color{0, 200, 100};
    SpriteCommand undecodable = spriteCommand(broken, 100, 100, 10, 10);
    undecodable.color = Color{0, 0, 200};
    // Culled, but its texture is looked up all the same.
    SpriteCommand outside = spriteCommand(folder.path / "outside.png", 1280, 0, 10, 10);

    LogCapture log;
    for (int frame = 0; frame < 2; ++frame) {
        begin();
        renderer.drawSprites({lost, undecodable, outside});
        const Snapshot pixels = snapshot();
        EXPECT_EQ(pixels.count(rgb(0x00C864)), 25);
        EXPECT_EQ(pixels.at(11, 20), rgb(0x00C864)); // the rectangle's own rounding and truncation
        EXPECT_EQ(pixels.at(15, 24), rgb(0x00C864));
        EXPECT_EQ(pixels.count(rgb(0x0000C8)), 100);
    }
    const std::string m = TarnwickEngine::pathToString(missing);
    const std::string b = TarnwickEngine::pathToString(broken);
    const std::string o = TarnwickEngine::pathToString(folder.path / "outside.png");
    // Sorted by path: broken, missing, outside.
    const std::string sorted =
        "[Warn] Texture could not be loaded: " + b + "\n[Warn] Using fallback rectangle for missing texture: " + b +
        "\n" + "[Warn] Texture not found: " + m + "\n[Warn] Using fallback rectangle for missing texture: " + m +
        "\n" + "[Warn] Texture not found: " + o + "\n[Warn] Using fallback rectangle for missing texture: " + o + "\n";
    EXPECT_EQ(log.text(), sorted);
}

TEST_F(SpriteDrawingTest, SpritesOutsideTheViewOrThePixelRangeAreNotDrawn) {
    const fs::path image = folder.write("a.bmp", solidBmp(0xFFFFFF));
    begin(cameraAt(0, 0, 1, 200, 100));
    renderer.drawSprites({spriteCommand(image, 200, 10, 10, 10), spriteCommand(image, 10, 100, 10, 10)});
    EXPECT_EQ(snapshot().inkBounds(rgb(0)).right, 0) << "touching the viewport's edges";

    begin(cameraAt(0, 0, 1, 200, 100));
    renderer.drawSprites({spriteCommand(image, 199, 10, 10, 10)});
    EXPECT_TRUE(sameRect(snapshot().inkBounds(rgb(0)), RECT{199, 10, 209, 20}));

    // Visible in a vast view, but its left edge lies beyond 32-bit pixels.
    const float huge = 3.0e9f;
    begin(cameraAt(0, 0, 1, 1e30f, 1e30f), false);
    renderer.drawSprites({spriteCommand(image, -huge, 0, huge + 512, 10)});
    EXPECT_EQ(snapshot().inkBounds(rgb(0)).right, 0) << "beyond the pixel range";
}

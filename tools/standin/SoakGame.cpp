#include "SoakGame.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace Standin {

namespace {

// The project that the soak driver writes holds these three images; the two others never exist.
constexpr const char* textures[] = {"assets/a.bmp", "assets/b.bmp", "assets/missing-1.png", "assets/c.bmp",
                                    "assets/missing-2.png"};
constexpr int textureCount = sizeof(textures) / sizeof(textures[0]);

// Two CAMERA lines, one LOG line and one line outside the protocol begin and end every frame.
constexpr int fixedLines = 4;

// One frame's command lines of each kind, and how many of them are on screen. Those that are not
// lie far to the right of the 640 by 360 view and are culled, or lie beyond the pixel range and
// are skipped before GDI is asked for anything: under Wine every drawn sprite or text costs a
// good part of a millisecond, which would make the soak a test of GDI+'s speed.
struct Mix {
    int rects, screenRects, sprites, spriteExes, texts, colliders, debugRects;
    int visibleRects, visibleScreenRects, visibleSprites, visibleSpriteExes, visibleTexts, visibleDebugRects;
};

constexpr Mix thousandLineMix{530, 100, 50, 15, 8, 200, 93, 16, 10, 6, 4, 2, 5};
static_assert(fixedLines + thousandLineMix.rects + thousandLineMix.screenRects + thousandLineMix.sprites +
                      thousandLineMix.spriteExes + thousandLineMix.texts + thousandLineMix.colliders +
                      thousandLineMix.debugRects ==
                  soakLinesPerFrame,
              "a thousand lines a frame");

// The same mix scaled to another number of lines a frame; rectangles make up the rest.
Mix scaledMix(int lines) {
    const int body = std::max(lines, fixedLines + 7) - fixedLines;
    const auto share = [&](int count) { return std::max(1, count * body / (soakLinesPerFrame - fixedLines)); };
    Mix mix = thousandLineMix;
    mix.screenRects = share(mix.screenRects);
    mix.sprites = std::max(textureCount, share(mix.sprites)); // every texture, the missing ones too
    mix.spriteExes = share(mix.spriteExes);
    mix.texts = share(mix.texts);
    mix.colliders = share(mix.colliders);
    mix.debugRects = share(mix.debugRects);
    mix.rects = body - mix.screenRects - mix.sprites - mix.spriteExes - mix.texts - mix.colliders - mix.debugRects;
    mix.visibleRects = std::min(mix.visibleRects, mix.rects);
    mix.visibleScreenRects = std::min(mix.visibleScreenRects, mix.screenRects);
    mix.visibleSprites = std::min(mix.visibleSprites, mix.sprites);
    mix.visibleSpriteExes = std::min(mix.visibleSpriteExes, mix.spriteExes);
    mix.visibleTexts = std::min(mix.visibleTexts, mix.texts);
    mix.visibleDebugRects = std::min(mix.visibleDebugRects, mix.debugRects);
    return mix;
}

class SoakGame : public Game {
public:
    explicit SoakGame(const Mix& mix) : mix(mix) {}

    void frame(const FrameInput&, std::string& out) override {
        ++frameNumber;
        const int wobble = frameNumber % 200;
        line(out, "CAMERA|%d|0\n", wobble / 2);
        line(out, "CAMERA|%d|%d|1|640|360\n", wobble / 2, wobble / 4);
        for (int i = 0; i < mix.rects; ++i) {
            if (i < mix.visibleRects) {
                line(out, "RECT|%d|200|12|12|%d|80|200\n", 40 * (i % 16) + wobble, i * 15 % 256);
            } else {
                line(out, "RECT|99999|%d|9|9|%d|0|0\n", i, i % 256);
            }
        }
        for (int i = 0; i < mix.screenRects; ++i) {
            if (i < mix.visibleScreenRects) {
                line(out, "SCREEN_RECT|%d|8|16|16|240|%d|40\n", 8 + 20 * i, i * 20 % 256);
            } else {
                line(out, "SCREEN_RECT|3e9|%d|1|1|0|0|0\n", i);
            }
        }
        for (int i = 0; i < mix.sprites; ++i) {
            const int x = i < mix.visibleSprites ? 60 * i + wobble : 99999;
            const char* texture = textures[i % textureCount];
            if (i % 2 == 0) {
                line(out, "SPRITE|%d|100|16|16|200|60|60|%s\n", x, texture);
            } else {
                line(out, "SPRITE|%d|130|16|16|200|60|60|%s|%s|false\n", x, texture, i % 4 == 1 ? "true" : "false");
            }
        }
        for (int i = 0; i < mix.spriteExes; ++i) {
            const int x = i < mix.visibleSpriteExes ? 80 * i + wobble : 99999;
            line(out, "SPRITE_EX|%d|260|16|16|60|60|200|%s|false|%s|0|0|4|4\n", x, textures[i % textureCount],
                 i % 3 == 0 ? "true" : "false");
        }
        for (int i = 0; i < mix.texts; ++i) {
            if (i < mix.visibleTexts) {
                line(out, "TEXT|%d|330|frame %d|fonts/none.ttf|12|250|250|250|true|Left\n", 10 + 200 * i, frameNumber);
            } else {
                line(out, "TEXT|3e9|0|far|fonts/none.ttf|12|250|250|250|false|Center\n");
            }
        }
        for (int i = 0; i < mix.colliders; ++i) line(out, "COLLIDER|%d|%d|300|8|8\n", i, i * 10 + wobble);
        for (int i = 0; i < mix.debugRects; ++i) {
            if (i < mix.visibleDebugRects) {
                line(out, "DEBUG_RECT|%d|60|20|20|0|255|0\n", 100 * i + wobble);
            } else {
                line(out, "DEBUG_RECT|99999|%d|2|2|0|0|0\n", i);
            }
        }
        line(out, "LOG|Info|soak frame %d\n", frameNumber);
        line(out, "soak: frame %d done\n", frameNumber);
    }

private:
    template <typename... Values>
    static void line(std::string& out, const char* format, Values... values) {
        char text[256];
        const int length = std::snprintf(text, sizeof text, format, values...);
        if (length > 0) out.append(text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
    }

    Mix mix;
    int frameNumber = 0;
};

} // namespace

// The start scene may name another number of lines a frame ("lines=100"), for short runs.
std::unique_ptr<Game> makeSoakGame(const GameSetup& setup) {
    int lines = soakLinesPerFrame;
    if (setup.startScene.rfind("lines=", 0) == 0) lines = std::atoi(setup.startScene.c_str() + 6);
    return std::make_unique<SoakGame>(lines == soakLinesPerFrame ? thousandLineMix : scaledMix(lines));
}

} // namespace Standin

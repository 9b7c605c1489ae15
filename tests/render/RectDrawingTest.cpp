// Filled rectangles and debug outlines, read back from the back buffer.
#include "RenderTestSupport.h"

#include <cstdlib>

using namespace RenderTest;

namespace {

class RectDrawingTest : public WindowTest {};

// Lengths of the runs of `colour` along a line of `length` pixels, `at(i)` giving the i-th.
template <typename PixelAt>
std::vector<int> runsAlong(int length, Rgb colour, PixelAt at) {
    std::vector<int> runs;
    int run = 0;
    for (int i = 0; i < length; ++i) {
        if (at(i) == colour) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run > 0) runs.push_back(run);
    return runs;
}

std::vector<int> runsInRow(const Snapshot& pixels, int y, Rgb colour) {
    return runsAlong(pixels.width, colour, [&](int x) { return pixels.at(x, y); });
}

std::vector<int> runsInColumn(const Snapshot& pixels, int x, Rgb colour) {
    return runsAlong(pixels.height, colour, [&](int y) { return pixels.at(x, y); });
}

} // namespace

TEST_F(RectDrawingTest, CornersFollowTheCameraAndTruncateTowardZero) {
    const Color colour{200, 100, 50};
    const float huge = 3.0e9f;
    struct Case {
        const char* name;
        bool pixelPerfect;
        Camera camera;
        RectCommand rect;
        RECT expected; // {0, 0, 0, 0}: nothing drawn
    };
    const Case cases[] = {
        {"pixel-perfect rounds the corner", true, {}, rectCommand(10.6f, 20.4f, 5, 5, colour), {11, 20, 16, 25}},
        {"otherwise the corner is truncated", false, {}, rectCommand(10.6f, 20.4f, 5, 5, colour), {10, 20, 15, 25}},
        {"far corners come from the float sums", false, {}, rectCommand(10.6f, 20.4f, 5.8f, 5.8f, colour),
         {10, 20, 16, 26}},
        {"zoom scales position and size", true, cameraAt(0, 0, 2), rectCommand(0, 0, 10, 10, colour), {0, 0, 20, 20}},
        {"camera position then zoom", true, cameraAt(10, 10, 2), rectCommand(15, 12, 10, 5, colour), {10, 4, 30, 14}},
        {"screen rectangles ignore the camera", true, cameraAt(500, 500, 3),
         rectCommand(10.9f, 10.9f, 5, 5, colour, true), {10, 10, 15, 15}},
        {"zero width fills nothing", true, {}, rectCommand(10, 10, 0, 10, colour), {0, 0, 0, 0}},
        {"touching the viewport's right edge", true, cameraAt(0, 0, 1, 200, 100), rectCommand(200, 10, 10, 10, colour),
         {0, 0, 0, 0}},
        {"half a pixel inside the right edge", true, cameraAt(0, 0, 1, 200, 100),
         rectCommand(199.5f, 10, 10, 10, colour), {200, 10, 210, 20}},
        {"touching the viewport's bottom edge", true, cameraAt(0, 0, 1, 200, 100), rectCommand(10, 100, 10, 10, colour),
         {0, 0, 0, 0}},
        {"half a pixel inside the bottom edge", true, cameraAt(0, 0, 1, 200, 100),
         rectCommand(10, 99.5f, 10, 10, colour), {10, 100, 20, 110}},
        {"overlapping the left edge", false, cameraAt(0, 0, 1, 200, 100), rectCommand(-9, 10, 10, 10, colour),
         {0, 10, 1, 20}},
        {"zoom 2 shows half the world: inside", true, cameraAt(0, 0, 2, 200, 100), rectCommand(99, 0, 1, 1, colour),
         {198, 0, 200, 2}},
        {"zoom 2 shows half the world: outside", true, cameraAt(0, 0, 2, 200, 100), rectCommand(100, 0, 1, 1, colour),
         {0, 0, 0, 0}},
        {"screen rectangles are not culled", true, cameraAt(5000, 5000, 1, 10, 10),
         rectCommand(300, 200, 20, 10, colour, true), {300, 200, 320, 210}},
        {"a corner beyond 32 bits is not drawn", true, {}, rectCommand(-huge, 0, huge + 512, 10, colour, true),
         {0, 0, 0, 0}},
        {"a world corner beyond 32 bits is not drawn", false, cameraAt(0, 0, 1, 1e30f, 1e30f),
         rectCommand(-huge, 0, huge + 512, 10, colour), {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        begin(c.camera, c.pixelPerfect);
        renderer.drawRects({c.rect});
        const Snapshot pixels = snapshot();
        const RECT ink = pixels.inkBounds(rgb(0));
        EXPECT_TRUE(sameRect(ink, c.expected)) << c.name << ": drawn at " << describe(ink);
        const int area = (c.expected.right - c.expected.left) * (c.expected.bottom - c.expected.top);
        EXPECT_EQ(pixels.count(rgb(rgbOf(colour))), area) << c.name;
    }
}

TEST_F(RectDrawingTest, WorldAndScreenRectanglesShareOnePassInListOrder) {
    begin(cameraAt(-5, -5, 1));
    renderer.drawRects({rectCommand(0, 0, 50, 50, Color{255, 0, 0}), rectCommand(30, 30, 50, 50, Color{0, 255, 0}, true),
                        rectCommand(40, 40, 10, 10, Color{0, 0, 255})});
    const Snapshot pixels = snapshot();
    EXPECT_EQ(pixels.at(10, 10), rgb(0xFF0000));
    EXPECT_EQ(pixels.at(32, 32), rgb(0x00FF00));
    EXPECT_EQ(pixels.at(46, 46), rgb(0x0000FF)); // world (40, 40) lands at screen (45, 45)
    EXPECT_EQ(pixels.at(44, 44), rgb(0x00FF00));
}

TEST_F(RectDrawingTest, DebugOutlinesAreTwoPixelsWideAndHollowAtEveryZoom) {
    const Color grey{90, 90, 90};
    const Color outline{255, 0, 255};
    for (const float zoom : {1.0f, 2.0f}) {
        renderer.beginFrame(grey);
        renderer.setCamera(cameraAt(0, 0, zoom));
        // The flag is ignored: outlines are always world-space.
        renderer.drawDebugRects({rectCommand(10, 10, 40, 30, outline, true)});
        const Snapshot pixels = snapshot();
        const int left = static_cast<int>(10 * zoom);
        const int top = static_cast<int>(10 * zoom);
        const int right = static_cast<int>(50 * zoom);
        const int bottom = static_cast<int>(40 * zoom);
        const RECT ink = pixels.inkBounds(rgb(rgbOf(grey)));
        // The pen straddles the rectangle's edges by at most a pixel.
        EXPECT_LE(std::abs(ink.left - left), 1) << "zoom " << zoom << ": " << describe(ink);
        EXPECT_LE(std::abs(ink.top - top), 1) << "zoom " << zoom << ": " << describe(ink);
        EXPECT_LE(std::abs(ink.right - right), 1) << "zoom " << zoom << ": " << describe(ink);
        EXPECT_LE(std::abs(ink.bottom - bottom), 1) << "zoom " << zoom << ": " << describe(ink);
        const Rgb pen = rgb(rgbOf(outline));
        EXPECT_EQ(runsInRow(pixels, (top + bottom) / 2, pen), (std::vector<int>{2, 2})) << "zoom " << zoom;
        EXPECT_EQ(runsInColumn(pixels, (left + right) / 2, pen), (std::vector<int>{2, 2})) << "zoom " << zoom;
        EXPECT_EQ(pixels.at((left + right) / 2, (top + bottom) / 2), rgb(rgbOf(grey))) << "the inside stays";
    }
}

TEST_F(RectDrawingTest, DebugOutlinesAreCulledLikeRectangles) {
    begin(cameraAt(0, 0, 1, 200, 100));
    renderer.drawDebugRects({rectCommand(200, 10, 20, 20, Color{255, 255, 255}),
                             rectCommand(10, 100, 20, 20, Color{255, 255, 255})});
    EXPECT_EQ(snapshot().inkBounds(rgb(0)).right, 0);
}

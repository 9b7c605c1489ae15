// The camera's zoom clamp and the strict visibility test; the transform itself is checked by the
// pixel tests of rectangles, sprites and texts.
#include "RenderTestSupport.h"

#include <cmath>
#include <limits>

using namespace RenderTest;
using TarnwickEngine::Renderer;

TEST(Camera, ZoomAtOrBelowOneHundredthBecomesOne) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float zoom;
        float expected;
    };
    for (const Case c : {Case{0.0f, 1.0f}, Case{-2.0f, 1.0f}, Case{0.01f, 1.0f}, Case{0.011f, 0.011f},
                         Case{3.0f, 3.0f}}) {
        Renderer renderer;
        renderer.setCamera(cameraAt(0, 0, c.zoom));
        renderer.setPixelPerfect(false);
        // The zoom shows through the transform: world 1 lands at screen `zoom`.
        EXPECT_FLOAT_EQ(renderer.worldToScreenX(1.0f), c.expected) << "zoom " << c.zoom;
    }
    Renderer renderer;
    renderer.setCamera(cameraAt(0, 0, nan));
    EXPECT_TRUE(std::isnan(renderer.worldToScreenX(1.0f)));
}

TEST(Camera, VisibleOnlyWhenOverlappingTheViewportStrictly) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        Camera camera;
        float x, y, w, h;
        bool visible;
    };
    const Case cases[] = {
        {cameraAt(0, 0, 1), 1280, 0, 10, 10, false},  // touches the right edge
        {cameraAt(0, 0, 1), -10, 0, 10, 10, false},   // touches the left edge
        {cameraAt(0, 0, 1), -9.5f, 0, 10, 10, true},
        {cameraAt(0, 0, 1), 0, 719.5f, 1, 1, true},
        {cameraAt(0, 0, 1), 0, 720, 1, 1, false},      // touches the bottom edge
        {cameraAt(0, 0, 1), 0, -1, 1, 1, false},       // touches the top edge
        {cameraAt(0, 0, 2), 639, 0, 1, 1, true},       // zoom 2: 640 × 360 world units
        {cameraAt(0, 0, 2), 640, 0, 1, 1, false},
        {cameraAt(0, 0, 2), 0, 359, 1, 1, true},
        {cameraAt(0, 0, 2), 0, 360, 1, 1, false},
        {cameraAt(100, 50, 1, 200, 100), 299, 149, 1, 1, true},
        {cameraAt(100, 50, 1, 200, 100), 300, 100, 1, 1, false},
        {cameraAt(100, 50, 1, 200, 100), 99, 60, 1, 1, false},
        {cameraAt(0, 0, 1), 1300, 0, 10, 10, false},   // beyond the viewport whatever the window
        {cameraAt(0, 0, 1), 10, 10, 0, 10, true},      // zero width inside the view still overlaps
        {cameraAt(0, 0, 1), nan, 0, 10, 10, false},
        {cameraAt(0, 0, 1), 0, 0, nan, 10, false},
        {cameraAt(0, 0, 1), 0, nan, 10, 10, false},
        {cameraAt(0, 0, 1), 0, 0, 10, nan, false},
    };
    for (const Case& c : cases) {
        Renderer renderer;
        renderer.setCamera(c.camera);
        EXPECT_EQ(renderer.isVisible(c.x, c.y, c.w, c.h), c.visible)
            << c.x << ", " << c.y << ", " << c.w << ", " << c.h << " at zoom " << c.camera.zoom;
    }
}

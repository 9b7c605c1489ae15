// The camera arithmetic: zoom clamp, world-to-screen transform and the strict visibility test.
#include "render/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using TarnwickEngine::Camera;
using TarnwickEngine::Renderer;

namespace {

Camera cameraAt(float x, float y, float zoom, float viewportWidth = 1280.0f, float viewportHeight = 720.0f) {
    Camera camera;
    camera.x = x;
    camera.y = y;
    camera.zoom = zoom;
    camera.viewportWidth = viewportWidth;
    camera.viewportHeight = viewportHeight;
    return camera;
}

} // namespace

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

TEST(Camera, WorldToScreenRoundsHalvesAwayFromZeroOnlyWhenPixelPerfect) {
    struct Case {
        bool pixelPerfect;
        Camera camera;
        float world;
        float screen;
    };
    const Case cases[] = {
        {true, cameraAt(0, 0, 1), 2.5f, 3.0f},   {true, cameraAt(0, 0, 1), -2.5f, -3.0f},
        {true, cameraAt(0, 0, 1), 2.4f, 2.0f},   {true, cameraAt(0, 0, 1), 0.5f, 1.0f},
        {false, cameraAt(0, 0, 1), 2.5f, 2.5f},  {true, cameraAt(10, 10, 2), 15.0f, 10.0f},
        {false, cameraAt(1, 1, 3), 1.25f, 0.75f}, {true, cameraAt(1, 1, 3), 1.25f, 1.0f},
    };
    for (const Case& c : cases) {
        Renderer renderer;
        renderer.setPixelPerfect(c.pixelPerfect);
        renderer.setCamera(c.camera);
        EXPECT_FLOAT_EQ(renderer.worldToScreenX(c.world), c.screen) << "x " << c.world;
        EXPECT_FLOAT_EQ(renderer.worldToScreenY(c.world), c.screen) << "y " << c.world;
    }
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

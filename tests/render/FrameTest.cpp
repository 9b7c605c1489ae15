// The frame: the back buffer fitted to the client area, the clear, the blit, and the release.
#include "RenderTestSupport.h"

using namespace RenderTest;

namespace {

SIZE bitmapSize(HDC dc) {
    BITMAP info{};
    ::GetObjectW(::GetCurrentObject(dc, OBJ_BITMAP), sizeof(info), &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

void resizeClient(HWND hwnd, int width, int height) {
    RECT rect{0, 0, width, height};
    ::AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    ::SetWindowPos(hwnd, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
}

class FrameTest : public WindowTest {};

} // namespace

TEST_F(FrameTest, ClearsTheWholeClientAreaToTheColour) {
    const Color background{0x12, 0x34, 0x56};
    renderer.beginFrame(background);
    const Snapshot pixels = snapshot();
    EXPECT_EQ(pixels.count(rgb(0x123456)), static_cast<int>(clientWidth * clientHeight));

    renderer.beginFrame(Color{200, 10, 0});
    EXPECT_EQ(snapshot().count(rgb(0xC80A00)), static_cast<int>(clientWidth * clientHeight));
}

TEST_F(FrameTest, KeepsTheBackBufferWhileTheSizeHoldsAndRebuildsItOnAResize) {
    renderer.beginFrame(black);
    const HDC firstDC = renderer.getMemoryDC();
    const HGDIOBJ firstBitmap = ::GetCurrentObject(firstDC, OBJ_BITMAP);
    EXPECT_EQ(bitmapSize(firstDC).cx, static_cast<LONG>(clientWidth));
    EXPECT_EQ(bitmapSize(firstDC).cy, static_cast<LONG>(clientHeight));

    renderer.beginFrame(black);
    EXPECT_EQ(renderer.getMemoryDC(), firstDC);
    EXPECT_EQ(::GetCurrentObject(renderer.getMemoryDC(), OBJ_BITMAP), firstBitmap);

    resizeClient(window.getHandle(), 520, 180);
    RECT client{};
    ::GetClientRect(window.getHandle(), &client);
    ASSERT_EQ(client.right, 520);
    ASSERT_EQ(client.bottom, 180);
    renderer.beginFrame(Color{0, 0, 255});
    const SIZE rebuilt = bitmapSize(renderer.getMemoryDC());
    EXPECT_EQ(rebuilt.cx, 520);
    EXPECT_EQ(rebuilt.cy, 180);
    // The whole new area is cleared, beyond the old width too.
    const Snapshot pixels(renderer.getMemoryDC(), 520, 180);
    EXPECT_EQ(pixels.count(rgb(0x0000FF)), 520 * 180);
}

TEST_F(FrameTest, PresentCopiesTheBackBufferToTheWindow) {
    renderer.beginFrame(Color{0, 128, 255});
    renderer.setCamera({});
    renderer.drawRects({rectCommand(10, 20, 30, 40, Color{255, 255, 0})});
    renderer.present();

    const HDC windowDC = ::GetDC(window.getHandle());
    const Snapshot shown(windowDC, static_cast<int>(clientWidth), static_cast<int>(clientHeight));
    ::ReleaseDC(window.getHandle(), windowDC);
    EXPECT_TRUE(shown == snapshot());
    EXPECT_EQ(shown.at(5, 5), rgb(0x0080FF));
    EXPECT_EQ(shown.at(10, 20), rgb(0xFFFF00));
}

TEST_F(FrameTest, ReleasingTheBackBufferLeavesNothingToDrawOrPresent) {
    renderer.beginFrame(black);
    renderer.releaseBackBuffer();
    EXPECT_EQ(renderer.getMemoryDC(), nullptr);
    // Drawing and presenting without a back buffer do nothing; the next frame builds a new one.
    renderer.drawRects({RectCommand{}});
    renderer.present();
    renderer.releaseBackBuffer();
    renderer.beginFrame(Color{1, 2, 3});
    ASSERT_NE(renderer.getMemoryDC(), nullptr);
    EXPECT_EQ(snapshot().count(rgb(0x010203)), static_cast<int>(clientWidth * clientHeight));
}

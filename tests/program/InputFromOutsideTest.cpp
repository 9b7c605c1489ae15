// Input from outside the program, as the system delivers it to the window, reaching the FRAME
// lines. The pointer is one for the whole display: these tests run with no other test's window on
// it (see tests/CMakeLists.txt).
#include "EndToEndFixture.h"

#include "support/StandinTrace.h"

#include <gtest/gtest.h>

using namespace TarnwickTest;
using std::chrono::milliseconds;

TEST_F(EndToEnd, KeysAndMouseFromOutsideArriveInTheFrameLines) {
    writeProject("");
    RunningProgram& engine = start();
    ASSERT_TRUE(framesReach(2)) << engine.err();
    const std::string first = receivedFrames(trace).front();
    EXPECT_EQ(first.substr(first.find('|', 6), 2), "||") << "no key before any input: " << first;
    EXPECT_EQ(first.back(), '|') << "no button before any input: " << first;

    // Keys and buttons as the system delivers them to the window; the mouse by moving the pointer,
    // since the window's own mouse messages follow the real pointer.
    ASSERT_TRUE(::SetWindowPos(engine.window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    ASSERT_TRUE(engine.post(WM_KEYDOWN, 65));
    ASSERT_TRUE(engine.post(WM_KEYDOWN, VK_LEFT));
    POINT origin{0, 0};
    ASSERT_TRUE(::ClientToScreen(engine.window(), &origin));
    ASSERT_TRUE(::SetCursorPos(origin.x + 412, origin.y + 300));
    ASSERT_TRUE(engine.post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(412, 300)));
    ASSERT_TRUE(engine.post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(412, 300)));
    EXPECT_TRUE(eventually([&] { return anyFrameEndsWith("|37,65|412,300|0,1"); }, milliseconds(5000)))
        << readFile(trace);

    // Alt combinations are system keys and never reach the script host. Alt+X also runs the
    // window's menu loop, which holds the X pointer grab while it runs, and Wine refuses to move
    // the pointer meanwhile: the pointer moves only once a frame has shown the button let go after
    // it, so the loop is over.
    ASSERT_TRUE(engine.post(WM_KEYUP, 65));
    ASSERT_TRUE(engine.post(WM_SYSKEYDOWN, 'X', 1 << 29));
    ASSERT_TRUE(engine.post(WM_LBUTTONUP, 0, MAKELPARAM(412, 300)));
    EXPECT_TRUE(eventually([&] { return anyFrameEndsWith("|37|412,300|1"); }, milliseconds(5000))) << readFile(trace);
    ASSERT_TRUE(::SetCursorPos(origin.x + 7, origin.y + 20));
    EXPECT_TRUE(eventually([&] { return anyFrameEndsWith("|37|7,20|1"); }, milliseconds(5000))) << readFile(trace);

    EXPECT_EQ(closeAndWait().exitCode, 0u);
}

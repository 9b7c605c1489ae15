#include "core/Input.h"
#include "render/Window.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace TarnwickEngine;
using TarnwickTest::releaseAllInput;

namespace {

// Posts a message to the window and lets the window's own pump deliver it.
void deliver(Window& window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    ASSERT_TRUE(::PostMessageW(window.getHandle(), message, wParam, lParam));
    window.pumpMessages();
}

} // namespace

TEST(Window, ClientAreaHasTheAskedSizeAndTheTitleIsDecoded) {
    Window window;
    ASSERT_TRUE(window.create(640, 360, "Caf\xC3\xA9 Demo"));
    RECT client{};
    ::GetClientRect(window.getHandle(), &client);
    EXPECT_EQ(client.right - client.left, 640);
    EXPECT_EQ(client.bottom - client.top, 360);

    wchar_t title[64] = {};
    ::GetWindowTextW(window.getHandle(), title, 64);
    EXPECT_STREQ(title, L"Caf\u00E9 Demo");
    wchar_t className[64] = {};
    ::GetClassNameW(window.getHandle(), className, 64);
    EXPECT_STREQ(className, L"TarnwickEngineWindow");
    EXPECT_TRUE(::IsWindowVisible(window.getHandle()));
}

TEST(Window, CloseOnlySetsTheFlagAndTheDestructorDestroys) {
    HWND handle = nullptr;
    {
        Window window;
        ASSERT_TRUE(window.create(320, 200, "close"));
        handle = window.getHandle();
        EXPECT_TRUE(window.pumpMessages());
        ASSERT_TRUE(::PostMessageW(handle, WM_CLOSE, 0, 0));
        EXPECT_FALSE(window.pumpMessages());
        EXPECT_TRUE(::IsWindow(handle));
        EXPECT_FALSE(window.pumpMessages()); // for good
    }
    EXPECT_FALSE(::IsWindow(handle));
}

TEST(Window, TwoWindowsShareTheClassAndKeepTheirOwnCloseFlags) {
    Window first, second;
    ASSERT_TRUE(first.create(100, 100, "one"));
    ASSERT_TRUE(second.create(100, 100, "two"));
    ASSERT_TRUE(::PostMessageW(second.getHandle(), WM_CLOSE, 0, 0));
    // Either pump drains the thread's one queue; the close lands on the window it was sent to.
    EXPECT_TRUE(first.pumpMessages());
    EXPECT_FALSE(second.pumpMessages());
    EXPECT_TRUE(first.pumpMessages());
}

TEST(Window, KeyAndMouseMessagesReachInput) {
    releaseAllInput();
    Window window;
    ASSERT_TRUE(window.create(320, 200, "input"));
    window.pumpMessages();

    deliver(window, WM_KEYDOWN, 65);
    deliver(window, WM_KEYDOWN, 37);
    EXPECT_EQ(Input::keysDownToString(), "37,65");
    deliver(window, WM_KEYUP, 65);
    EXPECT_EQ(Input::keysDownToString(), "37");

    deliver(window, WM_MOUSEMOVE, 0, MAKELPARAM(412, 300));
    EXPECT_EQ(Input::getMouseX(), 412);
    EXPECT_EQ(Input::getMouseY(), 300);
    deliver(window, WM_MOUSEMOVE, 0, static_cast<LPARAM>(0x8000FFFF));
    EXPECT_EQ(Input::getMouseX(), -1);
    EXPECT_EQ(Input::getMouseY(), -32768);

    const struct {
        UINT down, up;
        const char* list;
    } buttons[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, "0"}, {WM_RBUTTONDOWN, WM_RBUTTONUP, "1"},
                   {WM_MBUTTONDOWN, WM_MBUTTONUP, "2"}};
    for (const auto& b : buttons) {
        deliver(window, b.down);
        EXPECT_EQ(Input::mouseButtonsDownToString(), b.list);
        deliver(window, b.up);
        EXPECT_EQ(Input::mouseButtonsDownToString(), "");
    }
    releaseAllInput();
}

TEST(Window, SystemKeysDoubleClicksAndWheelAreNotRecorded) {
    releaseAllInput();
    Window window;
    ASSERT_TRUE(window.create(320, 200, "system keys"));
    deliver(window, WM_SYSKEYDOWN, VK_MENU);
    deliver(window, WM_SYSKEYDOWN, VK_F10);
    deliver(window, WM_SYSKEYDOWN, 'X');
    deliver(window, WM_LBUTTONDBLCLK);
    deliver(window, WM_RBUTTONDBLCLK);
    deliver(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(5, 5));
    deliver(window, WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1));
    EXPECT_EQ(Input::keysDownToString(), "");
    EXPECT_EQ(Input::mouseButtonsDownToString(), "");
    EXPECT_TRUE(window.pumpMessages());
    releaseAllInput();
}

// The game's one top-level Win32 window. Its procedure records input in Input and turns a close
// request into a flag; the frame loop decides what to do with it. Only the destructor destroys the
// window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace TarnwickEngine {

class Window {
public:
    Window() = default;
    ~Window();
    // The window procedure keeps this object's address, so it never moves.
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Registers the class, creates the window visible with a client area of width × height.
    bool create(std::uint32_t width, std::uint32_t height, const std::string& title);
    // Dispatches every queued message without waiting; false once a close was requested.
    bool pumpMessages();
    HWND getHandle() const { return hwnd; }

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    HWND hwnd = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool closeRequested = false;
};

} // namespace TarnwickEngine

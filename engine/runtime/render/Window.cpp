#include "render/Window.h"

#include "core/Input.h"
#include "core/Log.h"
#include "core/TextEncoding.h"

#include <cstdint>

namespace TarnwickEngine {

namespace {

constexpr wchar_t className[] = L"TarnwickEngineWindow";

void registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = Window::windowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    // No background brush: the renderer's blit covers the client area every frame. A class left
    // registered by an earlier window of this process stays in force, so the result is not needed.
    ::RegisterClassExW(&wc);
}

// The mouse words are signed: a position left of or above the client area arrives as 0xFFFF.
std::int32_t signedLowWord(LPARAM lParam) { return static_cast<std::int16_t>(lParam & 0xFFFF); }
std::int32_t signedHighWord(LPARAM lParam) { return static_cast<std::int16_t>((lParam >> 16) & 0xFFFF); }

} // namespace

Window::~Window() {
    if (hwnd) ::DestroyWindow(hwnd);
}

bool Window::create(std::uint32_t width, std::uint32_t height, const std::string& title) {
    this->width = width;
    this->height = height;
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    registerWindowClass(instance);

    RECT rect{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    ::AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    const std::wstring wideTitle = widenText(title);
    hwnd = ::CreateWindowExW(0, className, wideTitle.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                             CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                             instance, this);
    if (!hwnd) {
        Log::error("Failed to create Win32 window.");
        return false;
    }
    return true;
}

bool Window::pumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return !closeRequested;
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // Null for the few messages that arrive before WM_NCCREATE.
    auto* window = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const auto key = static_cast<std::uint32_t>(wParam);

    switch (message) {
    case WM_CLOSE:
    case WM_DESTROY:
        if (window) window->closeRequested = true;
        return 0;
    case WM_KEYDOWN: Input::setKey(key, true); return 0;
    case WM_KEYUP: Input::setKey(key, false); return 0;
    case WM_MOUSEMOVE: Input::setMousePosition(signedLowWord(lParam), signedHighWord(lParam)); return 0;
    case WM_LBUTTONDOWN: Input::setMouseButton(0, true); return 0;
    case WM_LBUTTONUP: Input::setMouseButton(0, false); return 0;
    case WM_RBUTTONDOWN: Input::setMouseButton(1, true); return 0;
    case WM_RBUTTONUP: Input::setMouseButton(1, false); return 0;
    case WM_MBUTTONDOWN: Input::setMouseButton(2, true); return 0;
    case WM_MBUTTONUP: Input::setMouseButton(2, false); return 0;
    default: return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace TarnwickEngine

// The renderer's frame (back buffer, clear, blit), the camera transform and the process-wide
// GDI+ lifetime. The drawing passes live in RectDrawing.cpp, SpriteDrawing.cpp and
// TextDrawing.cpp; the textures and the manifest in Texture.cpp and AssetManifest.cpp.
#include "render/Renderer.h"

#include "render/GdiScoped.h"
#include "render/GdiplusInclude.h"
#include "render/PlatformHooks.h"
#include "render/Window.h"

#include <cmath>
#include <cstdint>

namespace TarnwickEngine {

namespace {

// GDI+ runs once per process however many renderers use it.
std::int32_t gdiplusRefCount = 0;
ULONG_PTR gdiplusToken = 0;

void acquireGdiplus() {
    const std::int32_t previous = gdiplusRefCount;
    gdiplusRefCount = previous + 1;
    if (previous < 1) {
        Gdiplus::GdiplusStartupInput startupInput;
        startupInput.GdiplusVersion = 1;
        startupInput.DebugEventCallback = nullptr;
        startupInput.SuppressBackgroundThread = FALSE;
        startupInput.SuppressExternalCodecs = FALSE;
        platformHooks::gdiplusStartup(&gdiplusToken, &startupInput);
    }
}

void releaseGdiplus() {
    if (gdiplusRefCount <= 0) return;
    --gdiplusRefCount;
    if (gdiplusRefCount == 0 && gdiplusToken != 0) {
        platformHooks::gdiplusShutdown(gdiplusToken);
        gdiplusToken = 0;
    }
}

} // namespace

Renderer::~Renderer() {
    releaseBackBuffer();
    // Every bitmap must go while GDI+ still runs.
    textures.clear();
    if (gdiplusAcquired) releaseGdiplus();
}

bool Renderer::initialize(Window* window) {
    this->window = window;
    // A second call must not take a second acquisition that the destructor would never return.
    if (!gdiplusAcquired) {
        acquireGdiplus();
        gdiplusAcquired = true;
    }
    return true;
}

void Renderer::setProjectRoot(std::filesystem::path root) { projectRoot = std::move(root); }
void Renderer::setPixelPerfect(bool enabled) { pixelPerfect = enabled; }

void Renderer::setCamera(const Camera& camera) {
    this->camera = camera;
    // An ordered comparison: NaN passes unchanged.
    if (this->camera.zoom <= 0.01f) this->camera.zoom = 1.0f;
}

void Renderer::beginFrame(const Color& clearColor) {
    if (!window) return;
    const HWND hwnd = window->getHandle();
    RECT rect{};
    ::GetClientRect(hwnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    if (!memoryDC || width != backBufferWidth || height != backBufferHeight) {
        releaseBackBuffer();
        windowDC = ::GetDC(hwnd);
        memoryDC = ::CreateCompatibleDC(windowDC);
        backBuffer = ::CreateCompatibleBitmap(windowDC, width, height);
        previousBitmap = ::SelectObject(memoryDC, backBuffer);
        backBufferWidth = width;
        backBufferHeight = height;
    }

    const ScopedGdiObject<HBRUSH> brush(::CreateSolidBrush(toColorRef(clearColor)));
    ::FillRect(memoryDC, &rect, brush.get());
}

void Renderer::present() {
    if (windowDC && memoryDC) {
        ::BitBlt(windowDC, 0, 0, backBufferWidth, backBufferHeight, memoryDC, 0, 0, SRCCOPY);
    }
}

void Renderer::releaseBackBuffer() {
    if (memoryDC && previousBitmap) ::SelectObject(memoryDC, previousBitmap);
    if (backBuffer) ::DeleteObject(backBuffer);
    if (memoryDC) ::DeleteDC(memoryDC);
    if (windowDC && window) ::ReleaseDC(window->getHandle(), windowDC);
    windowDC = nullptr;
    memoryDC = nullptr;
    backBuffer = nullptr;
    previousBitmap = nullptr;
    backBufferWidth = 0;
    backBufferHeight = 0;
}

float Renderer::worldToScreenX(float x) const {
    const float screen = (x - camera.x) * camera.zoom;
    return pixelPerfect ? std::round(screen) : screen;
}

float Renderer::worldToScreenY(float y) const {
    const float screen = (y - camera.y) * camera.zoom;
    return pixelPerfect ? std::round(screen) : screen;
}

bool Renderer::isVisible(float x, float y, float w, float h) const {
    const float viewWidth = camera.viewportWidth / camera.zoom;
    const float viewHeight = camera.viewportHeight / camera.zoom;
    return camera.x + viewWidth > x && x + w > camera.x && camera.y + viewHeight > y && y + h > camera.y;
}

} // namespace TarnwickEngine

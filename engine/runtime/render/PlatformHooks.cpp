#include "render/PlatformHooks.h"

#include "core/Files.h"

namespace TarnwickEngine::platformHooks {

namespace {

void* gdiplusAllocate(std::size_t size) { return Gdiplus::DllExports::GdipAlloc(size); }

Gdiplus::Status gdiplusStartupCall(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input) {
    return Gdiplus::GdiplusStartup(token, input, nullptr);
}

void gdiplusShutdownCall(ULONG_PTR token) { Gdiplus::GdiplusShutdown(token); }

} // namespace

bool (*pathExists)(const std::filesystem::path& path) = &TarnwickEngine::pathExists;
void* (*allocateBitmap)(std::size_t size) = &gdiplusAllocate;
Gdiplus::Status (*gdiplusStartup)(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input) = &gdiplusStartupCall;
void (*gdiplusShutdown)(ULONG_PTR token) = &gdiplusShutdownCall;

} // namespace TarnwickEngine::platformHooks

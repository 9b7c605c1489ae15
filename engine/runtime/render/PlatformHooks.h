// Seams for the few platform calls whose failures or effects cannot be provoked or seen in the
// test environment: Wine ignores GDI+ start-up and shut-down altogether, the tests run with
// rights that no file-system status call refuses, and an allocation of a few bytes does not
// fail on demand. The program never changes them; tests swap them to reach those paths.
#pragma once

#include "render/GdiplusInclude.h"

#include <cstddef>
#include <filesystem>

namespace TarnwickEngine::platformHooks {

// Existence tests of the textures and the asset manifest (pathExists by default).
extern bool (*pathExists)(const std::filesystem::path& path);
// The storage of a texture's bitmap object (GDI+'s own allocator by default).
extern void* (*allocateBitmap)(std::size_t size);
// Process-wide start-up and shut-down of GDI+.
extern Gdiplus::Status (*gdiplusStartup)(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input);
extern void (*gdiplusShutdown)(ULONG_PTR token);

} // namespace TarnwickEngine::platformHooks

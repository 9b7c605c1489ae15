// Scoped owners for the short-lived GDI state of one drawn item: each releases what it holds on
// every way out, so the drawing code stays flat.
#pragma once

#include "core/ProjectConfig.h"

#include <windows.h>

namespace TarnwickEngine {

// GDI takes colours with red in the low byte.
inline COLORREF toColorRef(const Color& color) { return RGB(color.r, color.g, color.b); }

// A GDI object created for one item and deleted with it (brushes, pens).
template <typename Handle>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(Handle handle) : handle(handle) {}
    ~ScopedGdiObject() {
        if (handle) ::DeleteObject(handle);
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

    Handle get() const { return handle; }

private:
    Handle handle;
};

// An object selected into a device context; the displaced one is selected back on leaving.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc(dc), previous(::SelectObject(dc, object)) {}
    ~ScopedSelection() {
        if (previous) ::SelectObject(dc, previous);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};

} // namespace TarnwickEngine

// Screen positions end up as 32-bit integers (GDI corners) or near them (GDI+ layouts). An item
// whose screen coordinates are NaN or outside that range is not drawn at all: converting such a
// float to an integer is undefined, and no visible item needs one.
#pragma once

#include <windows.h>

namespace TarnwickEngine {

inline bool fitsPixelRange(float value) { return value >= -2147483648.0f && value < 2147483648.0f; }

// Corners by truncation toward zero (not rounding, not flooring); false when one does not fit.
inline bool truncateToRect(float left, float top, float right, float bottom, RECT& rect) {
    if (!fitsPixelRange(left) || !fitsPixelRange(top) || !fitsPixelRange(right) || !fitsPixelRange(bottom)) {
        return false;
    }
    rect.left = static_cast<LONG>(left);
    rect.top = static_cast<LONG>(top);
    rect.right = static_cast<LONG>(right);
    rect.bottom = static_cast<LONG>(bottom);
    return true;
}

} // namespace TarnwickEngine

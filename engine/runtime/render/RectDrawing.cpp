// Filled rectangles (world or screen space) and debug outlines, with plain GDI.
#include "render/Renderer.h"

#include "render/GdiScoped.h"
#include "render/ScreenCoordinates.h"

namespace TarnwickEngine {

namespace {

void fillRect(HDC dc, const RECT& rect, const Color& color) {
    const ScopedGdiObject<HBRUSH> brush(::CreateSolidBrush(toColorRef(color)));
    ::FillRect(dc, &rect, brush.get());
}

} // namespace

bool Renderer::worldRectToScreen(float x, float y, float w, float h, RECT& rect) const {
    if (!isVisible(x, y, w, h)) return false;
    const float sx = worldToScreenX(x);
    const float sy = worldToScreenY(y);
    // Sizes are scaled, never rounded; the far corners are truncated from the float sums.
    return truncateToRect(sx, sy, sx + w * camera.zoom, sy + h * camera.zoom, rect);
}

void Renderer::drawRect(float x, float y, float w, float h, const Color& color) {
    RECT rect;
    if (worldRectToScreen(x, y, w, h, rect)) fillRect(memoryDC, rect, color);
}

void Renderer::drawDebugRect(float x, float y, float w, float h, const Color& color) {
    RECT rect;
    if (!worldRectToScreen(x, y, w, h, rect)) return;
    // Two pixels wide on screen at every zoom; the stock hollow brush leaves the inside alone.
    const ScopedGdiObject<HPEN> pen(::CreatePen(PS_SOLID, 2, toColorRef(color)));
    const ScopedSelection penSelection(memoryDC, pen.get());
    const ScopedSelection brushSelection(memoryDC, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(memoryDC, rect.left, rect.top, rect.right, rect.bottom);
}

void Renderer::drawRects(const std::vector<RectCommand>& rects) {
    for (const RectCommand& command : rects) {
        if (!command.screenSpace) {
            drawRect(command.x, command.y, command.w, command.h, command.color);
            continue;
        }
        // Screen rectangles take their own pixels: no camera, no rounding, no culling.
        RECT rect;
        if (truncateToRect(command.x, command.y, command.x + command.w, command.y + command.h, rect)) {
            fillRect(memoryDC, rect, command.color);
        }
    }
}

void Renderer::drawDebugRects(const std::vector<RectCommand>& rects) {
    // Outlines are world-space whatever the record's flag says.
    for (const RectCommand& command : rects) drawDebugRect(command.x, command.y, command.w, command.h, command.color);
}

} // namespace TarnwickEngine

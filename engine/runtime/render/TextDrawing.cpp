// The text pass: every text in "Segoe UI" with GDI+, in an 800-pixel-wide layout box, at a world
// position under the camera or at a fixed screen position.
#include "render/Renderer.h"

#include "core/TextEncoding.h"
#include "render/GdiplusInclude.h"
#include "render/ScreenCoordinates.h"

#include <climits>
#include <cstdint>

namespace TarnwickEngine {

namespace {

constexpr float layoutWidth = 800.0f;

// widenText's result, written into storage kept from frame to frame: well-formed UTF-8 is
// decoded (so "Café" shows as Café), anything else is widened one byte per character.
void assignWideText(std::wstring& wide, const std::string& text) {
    if (decodeUtf8(text, wide)) return;
    wide.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        wide[i] = static_cast<wchar_t>(static_cast<std::int16_t>(static_cast<std::int8_t>(text[i])));
    }
}

} // namespace

void Renderer::drawTexts(const std::vector<TextCommand>& texts) {
    for (const TextCommand& text : texts) drawText(text);
}

void Renderer::drawText(const TextCommand& text) {
    Gdiplus::Graphics graphics(memoryDC);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);

    float left = text.x;
    float top = text.y;
    float emSize = text.size;
    if (!text.screenSpace) {
        left = worldToScreenX(text.x);
        top = worldToScreenY(text.y);
        emSize = text.size * camera.zoom;
    }
    // No culling: every text goes to GDI+, wherever its box lies, unless it has no position.
    if (!fitsPixelRange(left) || !fitsPixelRange(top)) return;

    const Gdiplus::FontFamily family(L"Segoe UI");
    const Gdiplus::Font font(&family, emSize, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    const Gdiplus::SolidBrush brush(Gdiplus::Color(255, text.color.r, text.color.g, text.color.b));
    Gdiplus::StringFormat format(0, 0);
    // Exact, case-sensitive words; anything else keeps the default left alignment.
    if (text.alignment == "Center") {
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
    } else if (text.alignment == "Right") {
        format.SetAlignment(Gdiplus::StringAlignmentFar);
    }
    assignWideText(wideText, text.text);
    const INT length = wideText.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<INT>(wideText.size());
    const Gdiplus::RectF box(left, top, layoutWidth, emSize * 2.0f);
    graphics.DrawString(wideText.c_str(), length, &font, box, &format, &brush);
}

} // namespace TarnwickEngine

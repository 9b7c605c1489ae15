#include "Baselines.h"

#include <cstdlib>
#include <iostream>

namespace Bench {

namespace fs = std::filesystem;
using namespace Gdiplus::DllExports;

namespace {

float number(std::string_view field) { return std::strtof(field.data(), nullptr); }
std::uint8_t channel(std::string_view field) {
    return static_cast<std::uint8_t>(std::strtol(field.data(), nullptr, 10) & 0xFF);
}
bool flag(std::string_view field) { return field == "True" || field == "true"; }

} // namespace

fs::path canonicalFromField(const fs::path& root, std::string_view field, std::wstring& wide) {
    const int length = static_cast<int>(field.size());
    const int needed = length == 0 ? 0 : ::MultiByteToWideChar(CP_ACP, 0, field.data(), length, nullptr, 0);
    wide.resize(static_cast<std::size_t>(needed));
    if (needed > 0) ::MultiByteToWideChar(CP_ACP, 0, field.data(), length, wide.data(), needed);
    fs::path path(wide);
    if (path.is_absolute()) return fs::weakly_canonical(path);
    return fs::weakly_canonical(root / path);
}

MinimalParser::MinimalParser(fs::path root, bool canonicalise) : root(std::move(root)), canonicalise(canonicalise) {}

fs::path MinimalParser::toPath(std::string_view field) {
    if (canonicalise) return canonicalFromField(root, field, wide);
    const int length = static_cast<int>(field.size());
    const int needed = length == 0 ? 0 : ::MultiByteToWideChar(CP_ACP, 0, field.data(), length, nullptr, 0);
    wide.resize(static_cast<std::size_t>(needed));
    if (needed > 0) ::MultiByteToWideChar(CP_ACP, 0, field.data(), length, wide.data(), needed);
    return fs::path(wide);
}

void MinimalParser::clear() {
    rects.clear();
    debugRects.clear();
    sprites.clear();
    texts.clear();
    colliders.clear();
}

void MinimalParser::handle(const std::string& line) {
    count = 0;
    std::size_t start = 0;
    while (start < line.size() && count < 16) {
        std::size_t end = line.find('|', start);
        if (end == std::string::npos) end = line.size();
        parts[count++] = std::string_view(line).substr(start, end - start);
        start = end + 1;
    }
    if (count == 0) return;
    const std::string_view tag = parts[0];
    const std::string_view* p = parts;
    if ((tag == "RECT" || tag == "SCREEN_RECT" || tag == "DEBUG_RECT") && count == 8) {
        const PlainRect rect{number(p[1]), number(p[2]), number(p[3]), number(p[4]),
                             channel(p[5]), channel(p[6]), channel(p[7]), tag == "SCREEN_RECT"};
        (tag == "DEBUG_RECT" ? debugRects : rects).push_back(rect);
    } else if (tag == "SPRITE" && (count == 9 || count == 11)) {
        PlainSprite sprite;
        sprite.x = number(p[1]), sprite.y = number(p[2]), sprite.w = number(p[3]), sprite.h = number(p[4]);
        sprite.r = channel(p[5]), sprite.g = channel(p[6]), sprite.b = channel(p[7]);
        sprite.texture = toPath(p[8]);
        if (count == 11) sprite.flipX = flag(p[9]), sprite.flipY = flag(p[10]);
        sprites.push_back(std::move(sprite));
    } else if (tag == "SPRITE_EX" && count == 15) {
        PlainSprite sprite;
        sprite.x = number(p[1]), sprite.y = number(p[2]), sprite.w = number(p[3]), sprite.h = number(p[4]);
        sprite.r = channel(p[5]), sprite.g = channel(p[6]), sprite.b = channel(p[7]);
        sprite.texture = toPath(p[8]);
        sprite.flipX = flag(p[9]), sprite.flipY = flag(p[10]);
        sprite.hasSourceRect = true;
        sprite.sourceX = number(p[11]), sprite.sourceY = number(p[12]), sprite.sourceW = number(p[13]);
        sprite.sourceH = number(p[14]);
        sprites.push_back(std::move(sprite));
    } else if (tag == "TEXT" && count == 11) {
        PlainText text;
        text.x = number(p[1]), text.y = number(p[2]);
        text.text.assign(p[3]);
        text.font = toPath(p[4]);
        text.size = number(p[5]);
        text.r = channel(p[6]), text.g = channel(p[7]), text.b = channel(p[8]);
        text.screenSpace = flag(p[9]);
        text.alignment.assign(p[10]);
        texts.push_back(std::move(text));
    } else if (tag == "CAMERA" && count >= 3) {
        camera[0] = number(p[1]), camera[1] = number(p[2]);
        if (count >= 6) camera[2] = number(p[3]), camera[3] = number(p[4]), camera[4] = number(p[5]);
    } else if (tag == "COLLIDER" && count == 6) {
        colliders.push_back({static_cast<std::int32_t>(std::strtol(p[1].data(), nullptr, 10)), number(p[2]),
                             number(p[3]), number(p[4]), number(p[5])});
    } else if (line == "END_FRAME") {
        frameEnded = true;
    } else if (line == "READY") {
        ready = true;
    } else if (line == "STARTED") {
        started = true;
    } else {
        std::cout << "[Info] [ScriptHost] " << line << std::endl;
    }
}

void rawDrawRects(HDC dc, const std::vector<TarnwickEngine::RectCommand>& rects) {
    for (const auto& r : rects) {
        const RECT rect{static_cast<LONG>(r.x), static_cast<LONG>(r.y), static_cast<LONG>(r.x + r.w),
                        static_cast<LONG>(r.y + r.h)};
        const HBRUSH brush = ::CreateSolidBrush(RGB(r.color.r, r.color.g, r.color.b));
        ::FillRect(dc, &rect, brush);
        ::DeleteObject(brush);
    }
}

void rawDrawDebugRects(HDC dc, const std::vector<TarnwickEngine::RectCommand>& rects) {
    for (const auto& r : rects) {
        const HPEN pen = ::CreatePen(PS_SOLID, 2, RGB(r.color.r, r.color.g, r.color.b));
        const HGDIOBJ oldPen = ::SelectObject(dc, pen);
        const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc, static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.x + r.w),
                    static_cast<int>(r.y + r.h));
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
        ::DeleteObject(pen);
    }
}

void rawDrawSprites(HDC dc, const std::vector<RawSprite>& sprites) {
    for (const RawSprite& s : sprites) {
        Gdiplus::GpGraphics* graphics = nullptr;
        GdipCreateFromHDC(dc, &graphics);
        GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeNearestNeighbor);
        GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
        Gdiplus::GraphicsState state = 0;
        GdipSaveGraphics(graphics, &state);
        if (s.flipX || s.flipY) {
            const float cx = s.x + s.w * 0.5f, cy = s.y + s.h * 0.5f;
            GdipTranslateWorldTransform(graphics, cx, cy, Gdiplus::MatrixOrderPrepend);
            GdipScaleWorldTransform(graphics, s.flipX ? -1.0f : 1.0f, s.flipY ? -1.0f : 1.0f, Gdiplus::MatrixOrderPrepend);
            GdipTranslateWorldTransform(graphics, -cx, -cy, Gdiplus::MatrixOrderPrepend);
        }
        if (s.hasSourceRect) {
            GdipDrawImageRectRect(graphics, s.bitmap, s.x, s.y, s.w, s.h, s.sourceX, s.sourceY, s.sourceW, s.sourceH,
                                  Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
        } else {
            GdipDrawImageRect(graphics, s.bitmap, s.x, s.y, s.w, s.h);
        }
        GdipRestoreGraphics(graphics, state);
        GdipDeleteGraphics(graphics);
    }
}

void rawDrawTexts(HDC dc, const std::vector<RawText>& texts) {
    for (const RawText& t : texts) {
        Gdiplus::GpGraphics* graphics = nullptr;
        GdipCreateFromHDC(dc, &graphics);
        GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintClearTypeGridFit);
        Gdiplus::GpFontFamily* family = nullptr;
        GdipCreateFontFamilyFromName(L"Segoe UI", nullptr, &family);
        Gdiplus::GpFont* font = nullptr;
        GdipCreateFont(family, t.size, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font);
        Gdiplus::GpSolidFill* brush = nullptr;
        GdipCreateSolidFill(t.color, &brush);
        Gdiplus::GpStringFormat* format = nullptr;
        GdipCreateStringFormat(0, 0, &format);
        if (t.alignment == 1) GdipSetStringFormatAlign(format, Gdiplus::StringAlignmentCenter);
        if (t.alignment == 2) GdipSetStringFormatAlign(format, Gdiplus::StringAlignmentFar);
        const Gdiplus::RectF box(t.x, t.y, 800.0f, t.size * 2.0f);
        GdipDrawString(graphics, t.text.c_str(), static_cast<INT>(t.text.size()), font, &box, format, brush);
        GdipDeleteStringFormat(format);
        GdipDeleteBrush(brush);
        GdipDeleteFont(font);
        GdipDeleteFontFamily(family);
        GdipDeleteGraphics(graphics);
    }
}

} // namespace Bench

// The baselines that the host's figures are set beside: a minimal line parser that cuts a line at
// '|' and converts its fields with strtof and strtol into plain structs, and raw loops that make
// the renderer's GDI and GDI+ calls directly. They skip what the host does for its rules
// (exact strtof semantics on slices, once-per-tag warnings, culling, caches) and keep only the
// work that the line or the picture needs.
#pragma once

#include "render/GdiplusInclude.h"
#include "scripthost/FrameCommands.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace Bench {

struct PlainRect {
    float x, y, w, h;
    std::uint8_t r, g, b;
    bool screenSpace;
};

struct PlainSprite {
    float x = 0, y = 0, w = 0, h = 0;
    std::uint8_t r = 0, g = 0, b = 0;
    std::filesystem::path texture;
    bool flipX = false, flipY = false, hasSourceRect = false;
    float sourceX = 0, sourceY = 0, sourceW = 0, sourceH = 0;
};

struct PlainText {
    float x = 0, y = 0;
    std::string text;
    std::filesystem::path font;
    float size = 0;
    std::uint8_t r = 0, g = 0, b = 0;
    bool screenSpace = false;
    std::string alignment;
};

struct PlainCollider {
    std::int32_t id;
    float x, y, w, h;
};

// Lines must be NUL-terminated after their end (a std::string is): the fields are converted in
// place, since '|' never continues a number.
class MinimalParser {
public:
    // `canonicalise`: resolve every path field anew, weakly canonically against the project folder;
    // without it a path field is only widened into a path (the host resolves each text once).
    MinimalParser(std::filesystem::path root, bool canonicalise);

    void handle(const std::string& line);
    void clear();

    std::vector<PlainRect> rects;
    std::vector<PlainRect> debugRects;
    std::vector<PlainSprite> sprites;
    std::vector<PlainText> texts;
    std::vector<PlainCollider> colliders;
    float camera[5] = {0, 0, 1, 1280, 720};
    bool ready = false, started = false, frameEnded = false;

private:
    std::filesystem::path toPath(std::string_view field);

    std::filesystem::path root;
    bool canonicalise;
    std::string_view parts[16];
    std::size_t count = 0;
    std::wstring wide;
};

// The whole of a path field's conversion as the host must do it: ANSI text widened, joined to the
// project folder when relative, made weakly canonical.
std::filesystem::path canonicalFromField(const std::filesystem::path& root, std::string_view field, std::wstring& wide);

// A sprite as a raw loop draws it: the bitmap already decoded.
struct RawSprite {
    Gdiplus::GpBitmap* bitmap = nullptr;
    float x = 0, y = 0, w = 0, h = 0;
    bool flipX = false, flipY = false, hasSourceRect = false;
    float sourceX = 0, sourceY = 0, sourceW = 0, sourceH = 0;
};

struct RawText {
    std::wstring text;
    float x = 0, y = 0, size = 0;
    Gdiplus::ARGB color = 0;
    int alignment = 0; // 0 near, 1 centre, 2 far
};

// Brush, FillRect, DeleteObject per rectangle, at the record's own pixels (the benches draw at
// camera 0, 0 and zoom 1 with whole-number coordinates, where the camera changes nothing).
void rawDrawRects(HDC dc, const std::vector<TarnwickEngine::RectCommand>& rects);
// Pen, hollow brush, selections, Rectangle, DeleteObject per outline.
void rawDrawDebugRects(HDC dc, const std::vector<TarnwickEngine::RectCommand>& rects);
// A GDI+ Graphics per sprite with the renderer's modes, save, flips, DrawImage, restore.
void rawDrawSprites(HDC dc, const std::vector<RawSprite>& sprites);
// A Graphics, font family, font, brush and string format per text, then DrawString.
void rawDrawTexts(HDC dc, const std::vector<RawText>& texts);

} // namespace Bench

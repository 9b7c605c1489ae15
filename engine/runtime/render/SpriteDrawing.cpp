// The sprite pass: sprites ordered by the UTF-8 text of their texture paths, drawn with GDI+
// (nearest neighbour, half-pixel offset, mirrored about the destination's centre), or as their
// fallback rectangle when the texture is missing.
#include "render/Renderer.h"

#include "core/Files.h"
#include "render/GdiplusInclude.h"
#include "render/ScreenCoordinates.h"

#include <algorithm>
#include <cstddef>

namespace TarnwickEngine {

namespace {

// pathToString's text, written into a string that keeps its storage from frame to frame: the
// common ASCII path costs no allocation.
void assignUtf8Key(std::string& key, const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    for (const wchar_t c : wide) {
        if (c >= 0x80) {
            key = pathToString(path);
            return;
        }
    }
    key.resize(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) key[i] = static_cast<char>(wide[i]);
}

} // namespace

// Byte-wise on unsigned values, a proper prefix first: std::string's ordering.
bool Renderer::spriteTextureLess(const SpriteOrder& a, const SpriteOrder& b) { return a.key < b.key; }

void Renderer::drawSprites(const std::vector<SpriteCommand>& sprites) {
    const std::size_t count = sprites.size();
    if (spriteOrder.size() < count) spriteOrder.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        assignUtf8Key(spriteOrder[i].key, sprites[i].texture);
        spriteOrder[i].sprite = &sprites[i];
    }
    const auto end = spriteOrder.begin() + static_cast<std::ptrdiff_t>(count);
    // Not stable: sprites with the same texture may come in any order among themselves.
    std::sort(spriteOrder.begin(), end, spriteTextureLess);
    for (auto it = spriteOrder.begin(); it != end; ++it) drawSprite(*it->sprite, it->key);
}

void Renderer::drawSprite(const SpriteCommand& sprite, const std::string& textureKey) {
    // Looked up before culling, so an image is loaded (and its warnings logged) on first use.
    // An absolute path resolves to itself, so its sort key is already its cache key.
    Texture* texture = sprite.texture.is_absolute() ? findOrLoadTexture(sprite.texture, textureKey)
                                                    : getTexture(sprite.texture);
    if (!texture->isLoaded()) {
        drawRect(sprite.x, sprite.y, sprite.w, sprite.h, sprite.color);
        return;
    }

    Gdiplus::Graphics graphics(memoryDC);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    if (!isVisible(sprite.x, sprite.y, sprite.w, sprite.h)) return;

    const float left = worldToScreenX(sprite.x);
    const float top = worldToScreenY(sprite.y);
    const float width = sprite.w * camera.zoom;
    const float height = sprite.h * camera.zoom;
    if (!fitsPixelRange(left) || !fitsPixelRange(top) || !fitsPixelRange(left + width) ||
        !fitsPixelRange(top + height)) {
        return;
    }

    const Gdiplus::GraphicsState state = graphics.Save();
    if (sprite.flipX || sprite.flipY) {
        // Mirrored about the destination's centre, so the image covers the same pixels.
        const float centerX = left + width * 0.5f;
        const float centerY = top + height * 0.5f;
        graphics.TranslateTransform(centerX, centerY, Gdiplus::MatrixOrderPrepend);
        graphics.ScaleTransform(sprite.flipX ? -1.0f : 1.0f, sprite.flipY ? -1.0f : 1.0f, Gdiplus::MatrixOrderPrepend);
        graphics.TranslateTransform(-centerX, -centerY, Gdiplus::MatrixOrderPrepend);
    }
    const Gdiplus::RectF destination(left, top, width, height);
    if (sprite.hasSourceRect) {
        graphics.DrawImage(texture->getBitmap(), destination, sprite.sourceX, sprite.sourceY, sprite.sourceW,
                           sprite.sourceH, Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
    } else {
        graphics.DrawImage(texture->getBitmap(), destination);
    }
    graphics.Restore(state);
}

} // namespace TarnwickEngine

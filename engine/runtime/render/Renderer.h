// Draws each frame's commands into a GDI back buffer fitted to the window's client area and copies
// it to the window in one blit. Rectangles are plain GDI; sprites and texts are GDI+. The renderer
// also owns the textures, cached by resolved path, and the project's asset manifest.
#pragma once

#include "core/ProjectConfig.h"
#include "render/Texture.h"
#include "scripthost/FrameCommands.h"

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace TarnwickEngine {

class Window;

class Renderer {
public:
    Renderer() = default;
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    bool initialize(Window* window);
    void setProjectRoot(std::filesystem::path root);
    void setPixelPerfect(bool enabled);
    void setCamera(const Camera& camera);

    void beginFrame(const Color& clearColor);
    void drawRects(const std::vector<RectCommand>& rects);
    void drawSprites(const std::vector<SpriteCommand>& sprites);
    void drawTexts(const std::vector<TextCommand>& texts);
    void drawDebugRects(const std::vector<RectCommand>& rects);
    void present();
    void releaseBackBuffer();

    HDC getMemoryDC() const { return memoryDC; }
    float worldToScreenX(float x) const;
    float worldToScreenY(float y) const;
    // Strict overlap of a world rectangle with the camera's viewport; NaN is never visible.
    bool isVisible(float x, float y, float w, float h) const;

    // The cached texture of a path, loaded on first use; never null, possibly not loaded.
    Texture* getTexture(const std::filesystem::path& requested);
    // The file that a requested texture path stands for (project root, asset manifest).
    std::filesystem::path resolveTexturePath(const std::filesystem::path& requested);

private:
    // A sprite of the pass with the UTF-8 text of its texture path, its sort key.
    struct SpriteOrder {
        std::string key;
        const SpriteCommand* sprite = nullptr;
    };
    static bool spriteTextureLess(const SpriteOrder& a, const SpriteOrder& b);

    void drawRect(float x, float y, float w, float h, const Color& color);
    void drawDebugRect(float x, float y, float w, float h, const Color& color);
    bool worldRectToScreen(float x, float y, float w, float h, RECT& rect) const;
    void drawSprite(const SpriteCommand& sprite, const std::string& textureKey);
    void drawText(const TextCommand& text);
    Texture* findOrLoadTexture(const std::filesystem::path& resolved, const std::string& key);
    void loadAssetManifest();

    Window* window = nullptr;
    std::filesystem::path projectRoot;
    Camera camera;
    bool pixelPerfect = true;
    std::unordered_map<std::string, std::unique_ptr<Texture>> textures;
    std::unordered_set<std::string> warnedMissingTextures;
    bool manifestLoaded = false;
    std::unordered_map<std::string, std::filesystem::path> assetManifest;
    HDC windowDC = nullptr;
    HDC memoryDC = nullptr;
    HBITMAP backBuffer = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    int backBufferWidth = 0;
    int backBufferHeight = 0;
    // This renderer's own GDI+ acquisition, so that it releases exactly what it took.
    bool gdiplusAcquired = false;
    // Kept from frame to frame so that the sprite pass and the text pass reuse their storage; the
    // sprite pointers are only meaningful during a pass.
    std::vector<SpriteOrder> spriteOrder;
    std::wstring wideText;
};

} // namespace TarnwickEngine

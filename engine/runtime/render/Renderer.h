// Draws each frame's commands into a GDI back buffer fitted to the window's client area and copies
// it to the window in one blit. Rectangles are plain GDI; sprites and texts are GDI+.
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
    bool isVisible(float x, float y, float w, float h) const;

private:
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
};

} // namespace TarnwickEngine

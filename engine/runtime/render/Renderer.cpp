// Minimal bodies until the GDI renderer lands: the camera arithmetic only, nothing is drawn.
#include "render/Renderer.h"

#include "render/Window.h"

#include <gdiplus.h>

#include <cmath>

namespace TarnwickEngine {

Texture::Texture(std::filesystem::path path) : path(std::move(path)) {}
Texture::~Texture() = default;
bool Texture::load() { return false; }

Renderer::~Renderer() { releaseBackBuffer(); }

bool Renderer::initialize(Window* window) {
    this->window = window;
    return true;
}

void Renderer::setProjectRoot(std::filesystem::path root) { projectRoot = std::move(root); }
void Renderer::setPixelPerfect(bool enabled) { pixelPerfect = enabled; }

void Renderer::setCamera(const Camera& camera) {
    this->camera = camera;
    if (this->camera.zoom <= 0.01f) this->camera.zoom = 1.0f;
}

void Renderer::beginFrame(const Color&) {}
void Renderer::drawRects(const std::vector<RectCommand>&) {}
void Renderer::drawSprites(const std::vector<SpriteCommand>&) {}
void Renderer::drawTexts(const std::vector<TextCommand>&) {}
void Renderer::drawDebugRects(const std::vector<RectCommand>&) {}
void Renderer::present() {}
void Renderer::releaseBackBuffer() {}

float Renderer::worldToScreenX(float x) const {
    const float screen = (x - camera.x) * camera.zoom;
    return pixelPerfect ? std::round(screen) : screen;
}

float Renderer::worldToScreenY(float y) const {
    const float screen = (y - camera.y) * camera.zoom;
    return pixelPerfect ? std::round(screen) : screen;
}

bool Renderer::isVisible(float x, float y, float w, float h) const {
    const float viewWidth = camera.viewportWidth / camera.zoom;
    const float viewHeight = camera.viewportHeight / camera.zoom;
    return camera.x + viewWidth > x && x + w > camera.x && camera.y + viewHeight > y && y + h > camera.y;
}

} // namespace TarnwickEngine

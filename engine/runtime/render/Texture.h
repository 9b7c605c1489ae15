// One image file decoded into a GDI+ bitmap on first use. Owned by the renderer's cache; must be
// destroyed while GDI+ still runs.
#pragma once

#include <filesystem>
#include <memory>

namespace Gdiplus {
class Bitmap;
}

namespace TarnwickEngine {

class Texture {
public:
    explicit Texture(std::filesystem::path path);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Decodes the file; logs and returns false when it is missing or not an image.
    bool load();
    bool isLoaded() const { return loaded; }
    Gdiplus::Bitmap* getBitmap() const { return bitmap.get(); }

private:
    std::filesystem::path path;
    bool loaded = false;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
};

} // namespace TarnwickEngine

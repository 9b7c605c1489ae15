// Textures: image files decoded by GDI+ on first use and cached by the renderer under the UTF-8
// text of their resolved path, failures included, for the renderer's lifetime.
#include "render/Texture.h"

#include "core/Files.h"
#include "core/Log.h"
#include "core/TextEncoding.h"
#include "render/GdiplusInclude.h"
#include "render/PlatformHooks.h"
#include "render/Renderer.h"

#include <exception>
#include <new>
#include <system_error>

namespace TarnwickEngine {

namespace fs = std::filesystem;

namespace {

// A file whose existence cannot be established (the test itself fails) counts as missing.
bool textureFileExists(const fs::path& path) {
    try {
        return platformHooks::pathExists(path);
    } catch (const std::exception&) {
        return false;
    }
}

// The manifest's keys are 8-bit text with forward slashes. A path with no form in the narrow code
// page cannot equal any of them.
bool manifestLookupKey(const fs::path& requested, std::string& key) {
    std::wstring generic = requested.native();
    for (wchar_t& c : generic) {
        if (c == L'\\') c = L'/';
    }
    try {
        key = narrowFromPath(fs::path(std::move(generic)));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

Texture::Texture(fs::path path) : path(std::move(path)) {}

Texture::~Texture() = default;

bool Texture::load() {
    if (loaded) return true;
    if (!textureFileExists(path)) {
        Log::warn("Texture not found: " + pathToString(path));
        return false;
    }
    bitmap.reset();
    // GDI+'s operator new may return null, which a new-expression is not allowed to see; the
    // storage is taken explicitly and the object built into it, and deleting it frees it there.
    if (void* storage = platformHooks::allocateBitmap(sizeof(Gdiplus::Bitmap))) {
        bitmap.reset(::new (storage) Gdiplus::Bitmap(path.c_str(), FALSE));
        if (bitmap->GetLastStatus() == Gdiplus::Ok) {
            loaded = true;
            return true;
        }
    }
    Log::warn("Texture could not be loaded: " + pathToString(path));
    bitmap.reset();
    return false;
}

Texture* Renderer::getTexture(const fs::path& requested) {
    const fs::path resolved = resolveTexturePath(requested);
    return findOrLoadTexture(resolved, pathToString(resolved));
}

Texture* Renderer::findOrLoadTexture(const fs::path& resolved, const std::string& key) {
    const auto found = textures.find(key);
    if (found != textures.end()) return found->second.get();

    auto texture = std::make_unique<Texture>(resolved);
    if (!texture->load() && warnedMissingTextures.insert(key).second) {
        Log::warn("Using fallback rectangle for missing texture: " + key);
    }
    Texture* result = texture.get();
    textures.emplace(key, std::move(texture));
    return result;
}

fs::path Renderer::resolveTexturePath(const fs::path& requested) {
    if (requested.is_absolute()) return requested;
    if (projectRoot.empty()) {
        std::error_code error;
        return fs::current_path(error) / requested;
    }
    loadAssetManifest();
    std::string key;
    if (!assetManifest.empty() && manifestLookupKey(requested, key)) {
        const auto entry = assetManifest.find(key);
        if (entry != assetManifest.end()) {
            fs::path imported = projectRoot / entry->second;
            // An imported copy whose existence cannot be established is still taken: its load
            // then reports the texture missing rather than quietly showing the source image.
            try {
                if (platformHooks::pathExists(imported)) return imported;
            } catch (const std::exception&) {
                return imported;
            }
        }
    }
    return projectRoot / requested;
}

} // namespace TarnwickEngine

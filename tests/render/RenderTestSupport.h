// Helpers of the renderer's tests: a captured log, a scratch folder, small BMP files, a real
// window with an initialised renderer, and a copy of the back buffer's pixels to look at.
#pragma once

#include "support/BmpFile.h"
#include "core/Files.h"
#include "render/GdiplusInclude.h"
#include "render/Renderer.h"
#include "render/Window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace RenderTest {

namespace fs = std::filesystem;
using TarnwickEngine::Camera;
using TarnwickEngine::Color;
using TarnwickEngine::RectCommand;
using TarnwickEngine::SpriteCommand;
using TarnwickEngine::TextCommand;

inline Camera cameraAt(float x, float y, float zoom, float viewportWidth = 1280.0f, float viewportHeight = 720.0f) {
    Camera camera;
    camera.x = x;
    camera.y = y;
    camera.zoom = zoom;
    camera.viewportWidth = viewportWidth;
    camera.viewportHeight = viewportHeight;
    return camera;
}

inline RectCommand rectCommand(float x, float y, float w, float h, Color color, bool screenSpace = false) {
    RectCommand rect;
    rect.x = x;
    rect.y = y;
    rect.w = w;
    rect.h = h;
    rect.color = color;
    rect.screenSpace = screenSpace;
    return rect;
}

// Everything Log::info and Log::warn write while it lives.
class LogCapture {
public:
    LogCapture() : previous(std::cout.rdbuf(stream.rdbuf())) {}
    ~LogCapture() { std::cout.rdbuf(previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string text() const { return stream.str(); }
    void clear() { stream.str({}); }

private:
    std::ostringstream stream;
    std::streambuf* previous;
};

// A fresh folder under the temporary directory, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        static int made = 0;
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::temp_directory_path() / ("tarnwick-render-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                            test->name() + "-" + std::to_string(++made));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes a file below the folder (creating its folders) and returns its full path.
    fs::path write(const fs::path& relative, const std::string& bytes) const {
        const fs::path file = path / relative;
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out << bytes;
        return file;
    }

    fs::path path;
};

using TarnwickTest::bmpBytes;

inline std::string solidBmp(std::uint32_t rgb, int width = 4, int height = 4) { return bmpBytes(width, height, rgb); }

inline std::uint32_t rgbOf(const Color& color) {
    return (std::uint32_t{color.r} << 16) | (std::uint32_t{color.g} << 8) | color.b;
}

// A pixel value as 0xRRGGBB that prints as #rrggbb in failure messages.
struct Rgb {
    std::uint32_t value = 0;
    friend bool operator==(Rgb a, Rgb b) { return a.value == b.value; }
    friend bool operator!=(Rgb a, Rgb b) { return a.value != b.value; }
    friend std::ostream& operator<<(std::ostream& out, Rgb rgb) {
        return out << '#' << std::hex << std::setw(6) << std::setfill('0') << rgb.value << std::dec;
    }
};

inline Rgb rgb(std::uint32_t value) { return Rgb{value}; }

// A copy of a device context's pixels, taken through a 32-bit DIB section.
class Snapshot {
public:
    Snapshot(HDC source, int width, int height) : width(width), height(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const HDC dc = ::CreateCompatibleDC(source);
        const HBITMAP dib = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ previous = ::SelectObject(dc, dib);
        ::BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
        ::GdiFlush();
        const auto* words = static_cast<const std::uint32_t*>(bits);
        if (words) pixels.assign(words, words + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        ::SelectObject(dc, previous);
        ::DeleteObject(dib);
        ::DeleteDC(dc);
    }

    Rgb at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height || pixels.empty()) return Rgb{0xFFFFFFFFu};
        return Rgb{pixels[static_cast<std::size_t>(y * width + x)] & 0xFFFFFFu};
    }

    // The smallest rectangle holding every pixel that differs from `background`; empty when none.
    RECT inkBounds(Rgb background) const {
        RECT bounds{width, height, 0, 0};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (at(x, y) == background) continue;
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
        }
        if (bounds.right == 0) return RECT{0, 0, 0, 0};
        return bounds;
    }

    int count(Rgb colour) const {
        int n = 0;
        for (const std::uint32_t p : pixels) n += (p & 0xFFFFFFu) == colour.value ? 1 : 0;
        return n;
    }

    bool operator==(const Snapshot& other) const { return pixels == other.pixels; }

    int width;
    int height;

private:
    std::vector<std::uint32_t> pixels;
};

inline std::string describe(const RECT& r) {
    return "{" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + "}";
}

inline bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A real window of the asked client size with an initialised renderer drawing into it.
class WindowTest : public ::testing::Test {
protected:
    static constexpr Color black{0, 0, 0};

    void SetUp() override {
        ASSERT_TRUE(window.create(clientWidth, clientHeight, "renderer test"));
        renderer.initialize(&window);
    }

    // Starts a frame on black with the given camera.
    void begin(const TarnwickEngine::Camera& camera = {}, bool pixelPerfect = true) {
        renderer.setPixelPerfect(pixelPerfect);
        renderer.beginFrame(black);
        renderer.setCamera(camera);
    }

    Snapshot snapshot() const { return Snapshot(renderer.getMemoryDC(), clientWidth, clientHeight); }

    std::uint32_t clientWidth = 400;
    std::uint32_t clientHeight = 300;
    // The window outlives the renderer, as in the application.
    TarnwickEngine::Window window;
    TarnwickEngine::Renderer renderer;
};

} // namespace RenderTest

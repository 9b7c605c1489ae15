// One render pass of many items into the renderer's back buffer, beside a raw loop that makes the
// same GDI and GDI+ calls directly: 1,000 rectangles, 1,000 sprites of one texture, 1,000 sprites
// of 50 textures, 100 texts; and the frame's clear and blit.
#include "BenchSupport.h"
#include "Baselines.h"

#include "core/Files.h"
#include "core/TextEncoding.h"
#include "render/Renderer.h"
#include "render/Window.h"
#include "support/TempDir.h"

#include <functional>
#include <stdexcept>

using namespace Bench;
using namespace TarnwickEngine;
namespace fs = std::filesystem;

namespace {

constexpr int windowWidth = 960;
constexpr int windowHeight = 540;
constexpr int imageSize = 32;

// Seconds per pass of each contender, round by round. They take turns pass by pass, and who goes first
// alternates, so neither always follows the other's blit or the same spell of a noisy machine.
std::vector<std::vector<double>> timePasses(const std::vector<std::function<void()>>& passes, int rounds) {
    for (const auto& pass : passes) pass(); // warm-up: textures decoded, storage grown
    std::vector<std::vector<double>> samples(passes.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < passes.size(); ++k) {
            const std::size_t i = round % 2 == 0 ? k : passes.size() - 1 - k;
            const auto start = Clock::now();
            passes[i]();
            samples[i].push_back(secondsSince(start));
        }
    }
    return samples;
}

void report(const std::string& item, const std::vector<std::vector<double>>& samples, const std::string& note) {
    row("render " + item, durationText(median(samples[0])), durationText(median(samples[1])),
        fixed(pairedRatio(samples[0], samples[1]), 2), note);
}

// Items on a grid inside the view, so none is culled.
void gridPosition(int i, float& x, float& y) {
    x = static_cast<float>((i * 37) % (windowWidth - imageSize));
    y = static_cast<float>((i * 53) % (windowHeight - imageSize));
}

} // namespace

int main() {
    TarnwickTest::TempDir folder;
    const fs::path root = resolvePath(fs::current_path(), folder.path());
    std::vector<fs::path> images;
    for (int i = 0; i < 50; ++i) {
        const std::uint32_t rgb = 0x203040u + static_cast<std::uint32_t>(i) * 0x030507u;
        char name[32];
        std::snprintf(name, sizeof(name), "art/image%02d.bmp", i);
        // As the line parser hands them on: absolute and weakly canonical.
        images.push_back(resolvePath(root, folder.write(name, framedBmp(imageSize, imageSize, rgb))));
    }

    Window window;
    if (!window.create(windowWidth, windowHeight, "bench")) throw std::runtime_error("no window (no display?)");
    Renderer renderer;
    renderer.initialize(&window);
    renderer.setProjectRoot(root);
    renderer.setPixelPerfect(true);
    Camera camera;
    camera.viewportWidth = windowWidth;
    camera.viewportHeight = windowHeight;
    renderer.beginFrame(Color{20, 24, 32});
    renderer.setCamera(camera);
    const HDC dc = renderer.getMemoryDC();
    // The raw loop's own hold on the window's device context, as the renderer keeps its own.
    const HDC windowDC = ::GetDC(window.getHandle());

    std::vector<RectCommand> rects(1000);
    for (int i = 0; i < 1000; ++i) {
        RectCommand& r = rects[static_cast<std::size_t>(i)];
        gridPosition(i, r.x, r.y);
        r.w = 24;
        r.h = 18;
        r.color = Color{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(i * 7)};
    }

    // The raw loop's own bitmaps, decoded from the same files.
    std::vector<Gdiplus::GpBitmap*> bitmaps;
    for (const fs::path& image : images) {
        Gdiplus::GpBitmap* bitmap = nullptr;
        Gdiplus::DllExports::GdipCreateBitmapFromFile(image.c_str(), &bitmap);
        bitmaps.push_back(bitmap);
    }
    const auto spriteScene = [&](int textures, std::vector<SpriteCommand>& sprites, std::vector<RawSprite>& raw) {
        for (int i = 0; i < 1000; ++i) {
            SpriteCommand s;
            gridPosition(i, s.x, s.y);
            s.w = s.h = imageSize;
            s.texture = images[static_cast<std::size_t>(i % textures)];
            RawSprite r;
            r.bitmap = bitmaps[static_cast<std::size_t>(i % textures)];
            r.x = s.x, r.y = s.y, r.w = s.w, r.h = s.h;
            sprites.push_back(std::move(s));
            raw.push_back(r);
        }
    };
    std::vector<SpriteCommand> oneTexture, fiftyTextures;
    std::vector<RawSprite> rawOne, rawFifty;
    spriteScene(1, oneTexture, rawOne);
    spriteScene(50, fiftyTextures, rawFifty);

    std::vector<TextCommand> texts(100);
    std::vector<RawText> rawTexts(100);
    const char* alignments[] = {"Left", "Center", "Right"};
    for (int i = 0; i < 100; ++i) {
        TextCommand& t = texts[static_cast<std::size_t>(i)];
        gridPosition(i, t.x, t.y);
        t.text = "Score: " + std::to_string(1000 + i * 17) + " coins";
        t.size = 17;
        t.color = Color{235, 235, static_cast<std::uint8_t>(i)};
        t.screenSpace = i % 2 == 0;
        t.alignment = alignments[i % 3];
        RawText& r = rawTexts[static_cast<std::size_t>(i)];
        r.text = widenText(t.text);
        r.x = t.x, r.y = t.y, r.size = t.size;
        r.color = 0xFF000000u | (235u << 16) | (235u << 8) | static_cast<std::uint32_t>(t.color.b);
        r.alignment = i % 3;
    }

    section("Render passes into the back buffer (" + std::to_string(windowWidth) + "x" + std::to_string(windowHeight) +
            "; median per pass)");
    report("1,000 rectangles",
           timePasses({[&] { renderer.drawRects(rects); }, [&] { rawDrawRects(dc, rects); }}, 41),
           "design: a brush made and deleted per rectangle");
    report("1,000 sprites, one texture",
           timePasses({[&] { renderer.drawSprites(oneTexture); }, [&] { rawDrawSprites(dc, rawOne); }}, 9),
           "design: a GDI+ Graphics per sprite; 32x32 24-bit BMP at 1:1");
    report("1,000 sprites, 50 textures",
           timePasses({[&] { renderer.drawSprites(fiftyTextures); }, [&] { rawDrawSprites(dc, rawFifty); }}, 9),
           "host sorts by path; raw loop draws in arrival order");
    report("100 texts", timePasses({[&] { renderer.drawTexts(texts); }, [&] { rawDrawTexts(dc, rawTexts); }}, 21),
           "design: Graphics, font family, font, brush, format per text");
    report("clear + present",
           timePasses({[&] {
                           renderer.beginFrame(Color{20, 24, 32});
                           renderer.present();
                       },
                       [&] {
                           RECT rect{};
                           ::GetClientRect(window.getHandle(), &rect);
                           const HBRUSH brush = ::CreateSolidBrush(RGB(20, 24, 32));
                           ::FillRect(dc, &rect, brush);
                           ::DeleteObject(brush);
                           ::BitBlt(windowDC, 0, 0, windowWidth, windowHeight, dc, 0, 0, SRCCOPY);
                       }},
                      41),
           "GetClientRect, a brush, FillRect, BitBlt to the window");

    // The sample's own art: 16x16 32-bit PNGs drawn four times larger, flipped now and then.
    const fs::path player = resolvePath(fs::current_path(), fs::path(TARNWICK_SOURCE_DIR) / "samples" / "BasicGame" /
                                                                 "assets" / "3-actors" / "player.png");
    Gdiplus::GpBitmap* playerBitmap = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromFile(player.c_str(), &playerBitmap);
    std::vector<SpriteCommand> sampleSprites;
    std::vector<RawSprite> rawSample;
    for (int i = 0; i < 200; ++i) {
        SpriteCommand s;
        gridPosition(i, s.x, s.y);
        s.w = s.h = 64;
        s.texture = player;
        s.flipX = i % 4 == 0;
        RawSprite r;
        r.bitmap = playerBitmap;
        r.x = s.x, r.y = s.y, r.w = s.w, r.h = s.h, r.flipX = s.flipX;
        sampleSprites.push_back(std::move(s));
        rawSample.push_back(r);
    }
    report("200 sprites, sample's 16x16 PNG at 4x",
           timePasses({[&] { renderer.drawSprites(sampleSprites); }, [&] { rawDrawSprites(dc, rawSample); }}, 7),
           "32-bit ARGB scaled: Wine's slow case; a quarter flipped");
    Gdiplus::DllExports::GdipDisposeImage(playerBitmap);

    for (Gdiplus::GpBitmap* bitmap : bitmaps) Gdiplus::DllExports::GdipDisposeImage(bitmap);
    ::ReleaseDC(window.getHandle(), windowDC);
    return 0;
}

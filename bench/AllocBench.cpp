// Heap allocations per steady-state pass of the frame loop, split by where they happen. The loop
// is the program's own (window, renderer, the bridge with the stand-in playing the sample game),
// driven step by step as Application::runFrame drives it so that each step can be told apart; the
// bridge's wait is replayed with its own members (flushUnsentInput, cutLines, handleLine) one line
// at a time, so every line is charged to its tag. Beside each step: the allocations of its
// baseline (the minimal parser on the same lines, the raw GDI loops on the same records).
#include "BenchSupport.h"
#include "Baselines.h"
#include "CountingAllocator.h"

#include "core/Files.h"
#include "core/FrameClock.h"
#include "core/FramePacing.h"
#include "core/Input.h"
#include "core/TextEncoding.h"
#include "render/Renderer.h"
#include "render/Window.h"
#include "scripthost/ScriptHostImpl.h"
#include "support/TempDir.h"

#include <map>
#include <stdexcept>

using namespace Bench;
using namespace TarnwickEngine;
using AllocCount::Scope;
namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds frameTimeout{500};
constexpr int targetFps = 60; // the sample's
const Color background{0x1b, 0x23, 0x30};

// A step of the pass, the phase of its baseline (if it has one) and what the design says of it;
// for lines with a path, also the phase of a baseline that resolves the path on every line.
struct Step {
    const char* name;
    const char* baseline;
    const char* note;
    const char* resolving = nullptr;
    int id = 0;
    int baselineId = 0;
    int resolvingId = 0;
};

enum StepIndex {
    LoopStep, PumpMessages, FrameLineBuilt, FrameLineWritten, Pumping,
    LineRect, LineScreenRect, LineSprite, LineSpriteEx, LineText, LineCamera, LineCollider, LineDebugRect, LineLog,
    LineError, LineEndFrame, LineOther,
    RenderBegin, RenderRects, RenderSprites, RenderTexts, RenderDebug, RenderPresent, WholeExchange, StepCount
};

Step steps[StepCount] = {
    {"loop: clock, clamp, limiter", nullptr, ""},
    {"loop: window messages", nullptr, ""},
    {"FRAME line: lists emptied, line built", nullptr, "the lists keep their storage"},
    {"FRAME line: written", nullptr, ""},
    {"wait: flush, read, cut lines", nullptr, "pendingOutput keeps its storage"},
    {"handleLine RECT", "baseline RECT", ""},
    {"handleLine SCREEN_RECT", "baseline SCREEN_RECT", ""},
    {"handleLine SPRITE", "baseline SPRITE",
     "design: the record owns a copy of its text's remembered path, one block per long part", "resolving SPRITE"},
    {"handleLine SPRITE_EX", "baseline SPRITE_EX", "design: as SPRITE", "resolving SPRITE_EX"},
    {"handleLine TEXT", "baseline TEXT", "design: as SPRITE for the font path, and its text past 15 bytes",
     "resolving TEXT"},
    {"handleLine CAMERA", "baseline CAMERA", ""},
    {"handleLine COLLIDER", "baseline COLLIDER", ""},
    {"handleLine DEBUG_RECT", "baseline DEBUG_RECT", ""},
    {"handleLine LOG", "baseline LOG", ""},
    {"handleLine ERROR", "baseline ERROR", ""},
    {"handleLine END_FRAME", "baseline END_FRAME", ""},
    {"handleLine other lines", "baseline other lines", ""},
    {"render: beginFrame, setCamera", "baseline render: clear", ""},
    {"render: rectangles", "baseline render: rectangles", ""},
    {"render: sprites", "baseline render: sprites", "GDI+ objects come from GDI+'s own heap (not counted)"},
    {"render: texts", "baseline render: texts", "GDI+ objects come from GDI+'s own heap (not counted)"},
    {"render: debug outlines", "baseline render: debug outlines", ""},
    {"render: present", nullptr, ""},
    {"ScriptHost::Impl::frame, whole (cross-check)", nullptr, "the real wait, in passes of its own"},
};

struct Tag {
    std::string_view start;
    bool wholeLine;
    StepIndex step;
};

const Tag tags[] = {
    {"RECT|", false, LineRect},         {"SCREEN_RECT|", false, LineScreenRect}, {"SPRITE|", false, LineSprite},
    {"SPRITE_EX|", false, LineSpriteEx}, {"TEXT|", false, LineText},             {"CAMERA|", false, LineCamera},
    {"COLLIDER|", false, LineCollider}, {"DEBUG_RECT|", false, LineDebugRect},   {"LOG|", false, LineLog},
    {"ERROR|", false, LineError},       {"END_FRAME", true, LineEndFrame},
};

StepIndex stepOf(std::string_view line) {
    for (const Tag& tag : tags) {
        if (tag.wholeLine ? line == tag.start : line.substr(0, tag.start.size()) == tag.start) return tag.step;
    }
    return LineOther;
}

class FrameLoop {
public:
    FrameLoop(const fs::path& root, const ScriptHostConfig& config) : baseline(root, false), resolving(root, true) {
        if (!window.create(960, 540, "bench")) throw std::runtime_error("no window (no display?)");
        renderer.initialize(&window);
        renderer.setProjectRoot(root);
        renderer.setPixelPerfect(true);
        {
            const SilencedConsole silence;
            if (!impl.start(config)) throw std::runtime_error("the bridge could not start the stand-in");
            impl.startScripts();
        }
        clock.reset();
        recorded.resize(1024);
        for (std::string& line : recorded) line.reserve(256);
    }

    ~FrameLoop() {
        for (auto& entry : bitmaps) Gdiplus::DllExports::GdipDisposeImage(entry.second);
    }

    FrameLoop(const FrameLoop&) = delete;
    FrameLoop& operator=(const FrameLoop&) = delete;

    // One pass as Application::runFrame makes it, with the window's messages pumped first.
    void pass(bool decomposed, bool withBaseline) {
        {
            const Scope scope(steps[PumpMessages].id);
            window.pumpMessages();
        }
        std::chrono::steady_clock::time_point frameStart;
        float dt = 0;
        {
            const Scope scope(steps[LoopStep].id);
            frameStart = std::chrono::steady_clock::now();
            dt = clampTimeStep(clock.tick(), 0.05f);
        }
        recordedCount = 0;
        if (decomposed) {
            exchange(dt);
        } else {
            const Scope scope(steps[WholeExchange].id);
            impl.frame(dt);
        }
        const FrameCommands& commands = impl.commands();
        draw(commands);
        {
            const Scope scope(steps[LoopStep].id);
            waitForFrameEnd(frameStart, targetFps);
        }
        if (withBaseline) runBaselines(commands);
    }

    std::uint64_t lines[StepCount] = {};

private:
    void draw(const FrameCommands& commands) {
        {
            const Scope scope(steps[RenderBegin].id);
            renderer.beginFrame(background);
            renderer.setCamera(commands.camera);
        }
        {
            const Scope scope(steps[RenderRects].id);
            renderer.drawRects(commands.rects);
        }
        {
            const Scope scope(steps[RenderSprites].id);
            renderer.drawSprites(commands.sprites);
        }
        {
            const Scope scope(steps[RenderTexts].id);
            renderer.drawTexts(commands.texts);
        }
        {
            const Scope scope(steps[RenderDebug].id);
            renderer.drawDebugRects(commands.debugRects);
        }
        {
            const Scope scope(steps[RenderPresent].id);
            renderer.present();
        }
    }

    // ScriptHost::Impl::frame, step by step.
    void exchange(float dt) {
        {
            const Scope scope(steps[FrameLineBuilt].id);
            impl.frameCommands.rects.clear();
            impl.frameCommands.sprites.clear();
            impl.frameCommands.texts.clear();
            impl.frameCommands.debugRects.clear();
            impl.colliders.clear();
            impl.frameEnded = false;
            formatFrameLine(impl.frameLine, dt);
        }
        {
            const Scope scope(steps[FrameLineWritten].id);
            impl.writeLine(impl.frameLine);
        }
        const auto deadline = std::chrono::steady_clock::now() + frameTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            {
                const Scope scope(steps[Pumping].id);
                impl.flushUnsentInput();
            }
            pump();
            if (impl.frameEnded) return;
            ::Sleep(1);
        }
        pump();
    }

    void pump() {
        for (;;) {
            DWORD available = 0;
            if (!::PeekNamedPipe(impl.stdOutRead, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
            char buffer[512];
            DWORD read = 0;
            if (!::ReadFile(impl.stdOutRead, buffer, sizeof(buffer), &read, nullptr) || read == 0) return;
            feed(std::string_view(buffer, read));
        }
    }

    // The chunk goes into pendingOutput line by line, and each complete line is cut and handled
    // under its tag's step.
    void feed(std::string_view chunk) {
        while (!chunk.empty()) {
            const std::size_t newline = chunk.find('\n');
            const std::size_t scanFrom = impl.pendingOutput.size();
            {
                const Scope scope(steps[Pumping].id);
                impl.pendingOutput.append(chunk.substr(0, newline == std::string_view::npos ? chunk.size() : newline + 1));
            }
            if (newline == std::string_view::npos) return;
            chunk.remove_prefix(newline + 1);
            std::string_view line(impl.pendingOutput.data(), impl.pendingOutput.size() - 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            const StepIndex step = stepOf(line);
            ++lines[step];
            if (recordedCount < recorded.size()) recorded[recordedCount++].assign(line);
            const Scope scope(steps[step].id);
            impl.cutLines(scanFrom);
        }
    }

    // The same lines through the minimal parser, and the same records through the raw loops.
    void runBaselines(const FrameCommands& commands) {
        baseline.clear();
        resolving.clear();
        for (std::size_t i = 0; i < recordedCount; ++i) {
            const Step& step = steps[stepOf(recorded[i])];
            {
                const Scope scope(step.baselineId);
                baseline.handle(recorded[i]);
            }
            if (step.resolving) {
                const Scope scope(step.resolvingId);
                resolving.handle(recorded[i]);
            }
        }
        // Their inputs are made outside the count: the raw loops start from decoded bitmaps and wide texts.
        rawSprites.clear();
        for (const SpriteCommand& s : commands.sprites) {
            Gdiplus::GpBitmap*& bitmap = bitmaps[s.texture.native()];
            if (!bitmap) Gdiplus::DllExports::GdipCreateBitmapFromFile(s.texture.c_str(), &bitmap);
            if (!bitmap) continue;
            RawSprite raw;
            raw.bitmap = bitmap;
            raw.x = s.x - commands.camera.x, raw.y = s.y - commands.camera.y, raw.w = s.w, raw.h = s.h;
            raw.flipX = s.flipX, raw.flipY = s.flipY, raw.hasSourceRect = s.hasSourceRect;
            raw.sourceX = s.sourceX, raw.sourceY = s.sourceY, raw.sourceW = s.sourceW, raw.sourceH = s.sourceH;
            rawSprites.push_back(raw);
        }
        rawTexts.resize(commands.texts.size());
        for (std::size_t i = 0; i < commands.texts.size(); ++i) {
            const TextCommand& t = commands.texts[i];
            rawTexts[i].text = widenText(t.text);
            rawTexts[i].x = t.x, rawTexts[i].y = t.y, rawTexts[i].size = t.size;
            rawTexts[i].color = 0xFF000000u | (std::uint32_t{t.color.r} << 16) | (std::uint32_t{t.color.g} << 8) | t.color.b;
            rawTexts[i].alignment = t.alignment == "Center" ? 1 : t.alignment == "Right" ? 2 : 0;
        }
        const HDC dc = renderer.getMemoryDC();
        {
            const Scope scope(steps[RenderBegin].baselineId);
            RECT rect{};
            ::GetClientRect(window.getHandle(), &rect);
            const HBRUSH brush = ::CreateSolidBrush(RGB(background.r, background.g, background.b));
            ::FillRect(dc, &rect, brush);
            ::DeleteObject(brush);
        }
        {
            const Scope scope(steps[RenderRects].baselineId);
            rawDrawRects(dc, commands.rects);
        }
        {
            const Scope scope(steps[RenderSprites].baselineId);
            rawDrawSprites(dc, rawSprites);
        }
        {
            const Scope scope(steps[RenderTexts].baselineId);
            rawDrawTexts(dc, rawTexts);
        }
        {
            const Scope scope(steps[RenderDebug].baselineId);
            rawDrawDebugRects(dc, commands.debugRects);
        }
    }

    Window window;
    Renderer renderer;
    FrameClock clock;
    ScriptHost::Impl impl;
    MinimalParser baseline;  // widens a path field into a path, as the host's memory gives it
    MinimalParser resolving; // resolves it weakly canonically on every line
    std::vector<std::string> recorded;
    std::size_t recordedCount = 0;
    std::map<std::wstring, Gdiplus::GpBitmap*> bitmaps;
    std::vector<RawSprite> rawSprites;
    std::vector<RawText> rawTexts;
};

// Whole numbers as such, others with one decimal.
std::string perPass(std::uint64_t total, int passes) {
    const double value = static_cast<double>(total) / passes;
    return fixed(value, total % static_cast<std::uint64_t>(passes) == 0 ? 0 : 1);
}

std::string bytesPerPass(std::uint64_t total, int passes) {
    const double value = static_cast<double>(total) / passes;
    return value >= 1024.0 ? fixed(value / 1024.0, 1) + " KiB" : fixed(value, 0) + " B";
}

} // namespace

int main() {
    useStandin();
    for (Step& step : steps) {
        step.id = AllocCount::phase(step.name);
        step.baselineId = step.baseline ? AllocCount::phase(step.baseline) : 0;
        step.resolvingId = step.resolving ? AllocCount::phase(step.resolving) : 0;
    }
    const fs::path root = resolvePath(fs::current_path(), fs::path(TARNWICK_SOURCE_DIR) / "samples" / "BasicGame");
    TarnwickTest::TempDir folder;
    ScriptHostConfig config;
    config.projectRoot = root;
    config.scriptHostPath = folder.write("ScriptHost/TarnwickEngine.ScriptHost.dll", "");
    config.assemblyPath = folder.write("bin/Game.dll", "");
    config.mainClass = "BasicGame.Game";
    config.startScene = "Meadow";

    // Keys that the sample game does not react to, so the picture holds still while the FRAME
    // line carries a key list longer than a short string holds in place.
    for (const std::uint32_t key : {16u, 17u, 18u, 112u, 113u, 114u, 115u}) Input::setKey(key, true);
    Input::setMousePosition(412, 300);

    FrameLoop loop(root, config);
    constexpr int warmUp = 40, passes = 100;
    for (int i = 0; i < warmUp; ++i) loop.pass(true, true);
    AllocCount::reset();
    for (auto& count : loop.lines) count = 0;
    for (int i = 0; i < passes; ++i) loop.pass(true, true);

    std::uint64_t stepCounts[StepCount], stepBytes[StepCount], baseCounts[StepCount], resolvingCounts[StepCount];
    for (int i = 0; i < StepCount; ++i) {
        stepCounts[i] = AllocCount::allocations(steps[i].id);
        stepBytes[i] = AllocCount::bytes(steps[i].id);
        baseCounts[i] = steps[i].baseline ? AllocCount::allocations(steps[i].baselineId) : 0;
        resolvingCounts[i] = steps[i].resolving ? AllocCount::allocations(steps[i].resolvingId) : 0;
    }
    std::uint64_t lines[StepCount];
    for (int i = 0; i < StepCount; ++i) lines[i] = loop.lines[i];

    for (int i = 0; i < warmUp; ++i) loop.pass(false, false);
    AllocCount::reset();
    for (int i = 0; i < passes; ++i) loop.pass(false, false);
    stepCounts[WholeExchange] = AllocCount::allocations(steps[WholeExchange].id);
    stepBytes[WholeExchange] = AllocCount::bytes(steps[WholeExchange].id);

    section("Heap allocations per steady-state pass of the frame loop (operator new; sample game; " +
            std::to_string(passes) + " passes)");
    std::uint64_t total = 0, exchangeTotal = 0;
    for (int i = 0; i < StepCount; ++i) {
        if (i == WholeExchange) continue;
        total += stepCounts[i];
        if (i >= FrameLineBuilt && i <= LineOther) exchangeTotal += stepCounts[i];
        const bool isLine = i >= LineRect && i <= LineOther;
        if (isLine && lines[i] == 0) continue;
        std::string item = steps[i].name;
        if (isLine) item += ", " + perPass(lines[i], passes) + " per pass";
        const std::string host =
            stepCounts[i] == 0 ? "0" : perPass(stepCounts[i], passes) + " (" + bytesPerPass(stepBytes[i], passes) + ")";
        const std::string base = steps[i].baseline ? perPass(baseCounts[i], passes) : "-";
        row("allocations " + item, host, base, steps[i].baseline ? ratioText(double(stepCounts[i]), double(baseCounts[i])) : "-",
            steps[i].note);
        if (steps[i].resolving) {
            row("  resolving on every line instead", perPass(stepCounts[i], passes), perPass(resolvingCounts[i], passes),
                ratioText(double(stepCounts[i]), double(resolvingCounts[i])),
                "baseline: the minimal parser with weakly_canonical per line");
        }
    }
    row("allocations: whole pass", perPass(total, passes), "-", "-", "sum of the steps above");
    row("allocations: " + std::string(steps[WholeExchange].name), perPass(stepCounts[WholeExchange], passes),
        perPass(exchangeTotal, passes), ratioText(double(stepCounts[WholeExchange]), double(exchangeTotal)),
        "beside: the exchange's steps above, summed");
    return 0;
}

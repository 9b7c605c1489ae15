// How long each pass of the real program's frame loop lasts: with the frame limiter on, with it
// off, and with a script host that never ends a frame. The figures are the time steps the program
// hands the stand-in script host, read from the stand-in's trace; the project's large maxDeltaTime
// keeps them unclamped, so each is the length of the pass before it. These are sleep-based waits,
// and a busy machine stretches them (see the platform notes), so the tests hold them only to what
// load cannot move: lower bounds, and the fastest pass below the floor of a fault. How close to
// their targets the passes end belongs here, each figure beside a baseline that does the same wait
// in the bench itself, half of its passes right before the program's run and half right after it.
#include "BenchSupport.h"

#include "core/Files.h"
#include "core/FramePacing.h"
#include "scripthost/ScriptHostImpl.h"
#include "support/ProcessRunner.h"
#include "support/StandinTrace.h"
#include "support/TempDir.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <stdexcept>

using namespace Bench;
namespace fs = std::filesystem;
using std::chrono::milliseconds;

namespace {

using Seconds = std::chrono::duration<double>;

// One run of the real program: its project's settings, the stand-in's behaviour and the passes kept.
struct Run {
    std::string settings;      // ",\n  \"key\": value"..., after the name, main class and maxDeltaTime
    std::wstring misbehaviour; // TARNWICK_STANDIN; empty: well behaved
    std::size_t warmUp;        // passes dropped first: Wine and the window are still settling
    std::size_t passes;
};

struct Measured {
    std::vector<double> host;
    std::vector<double> baseline;
};

// Waits for `count` FRAME lines in the trace; false when the program ends or time runs out first.
bool framesReach(TarnwickTest::RunningProgram& program, const fs::path& trace, std::size_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (TarnwickTest::receivedFrames(trace).size() < count) {
        if (!program.running() || Clock::now() > deadline) return false;
        // Its output is read as it comes, so a full pipe never holds the program up.
        program.out();
        program.err();
        // Looks 20 ms apart keep the bench's own work small beside the passes it measures.
        ::Sleep(20);
    }
    return true;
}

// The pass lengths of the real program after the warm-up, on a project folder written for the run.
std::vector<double> programPasses(const Run& run) {
    TarnwickTest::TempDir folder;
    const std::string json =
        "{\n  \"name\": \"Pacing\",\n  \"mainClass\": \"Game.Main\",\n  \"maxDeltaTime\": 10" + run.settings + "\n}\n";
    const fs::path project = folder.write("Game/project.json", json).parent_path();
    const fs::path trace = folder.path() / "trace.txt";
    TarnwickTest::ProcessOptions options;
    options.environment = {{L"DOTNET_ROOT", TarnwickTest::standinFolder().native()},
                           {L"TARNWICK_STANDIN_TRACE", trace.native()},
                           {L"TARNWICK_STANDIN", run.misbehaviour}};
    TarnwickTest::RunningProgram program(TarnwickTest::buildDirectory() / "TarnwickEngine.exe",
                                         {L"--project", project.native()}, options);
    const std::size_t wanted = run.warmUp + run.passes;
    if (!framesReach(program, trace, wanted)) {
        throw std::runtime_error("the program gave fewer than " + std::to_string(wanted) + " passes: " + program.err());
    }
    if (!program.post(WM_CLOSE)) throw std::runtime_error("the program's window has gone");
    const TarnwickTest::ProcessResult result = program.wait(milliseconds(10000));
    if (result.timedOut || result.exitCode != 0) {
        throw std::runtime_error("the program did not close cleanly: " + result.err);
    }
    // Read again now that the stand-in has gone: a line read while it was being written could have
    // been cut short.
    const std::vector<double> steps = TarnwickTest::receivedTimeSteps(trace);
    return std::vector<double>(steps.begin() + static_cast<std::ptrdiff_t>(run.warmUp),
                               steps.begin() + static_cast<std::ptrdiff_t>(wanted));
}

// `count` passes of `pass`, each timed from the end of the one before, as the frame clock times them.
template <typename Pass>
std::vector<double> timedPasses(std::size_t count, Pass&& pass) {
    std::vector<double> lengths;
    auto passStart = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        pass(passStart);
        const auto now = Clock::now();
        lengths.push_back(Seconds(now - passStart).count());
        passStart = now;
    }
    return lengths;
}

// The baseline's passes split around the program's run, so both meet the machine as it was then.
template <typename Baseline>
Measured aroundTheProgram(const Run& run, Baseline&& baseline) {
    Measured measured;
    const std::size_t before = run.passes / 2;
    measured.baseline = baseline(before);
    measured.host = programPasses(run);
    const std::vector<double> after = baseline(run.passes - before);
    measured.baseline.insert(measured.baseline.end(), after.begin(), after.end());
    return measured;
}

// The bridge's wait for an answer that never comes, with no child and so no pipe to read: its
// Sleep(1) polls to the frame's deadline.
void pollToDeadline(milliseconds timeout) {
    TarnwickEngine::ScriptHost::Impl idle;
    idle.waitFor("END_FRAME", timeout);
}

// The bridge alone, started as the program starts it, with the stand-in's empty game answering
// each FRAME at once and tracing as in the program's runs: the part of a pass that is not drawing,
// presenting, the message pump or the limiter.
class BridgeAlone {
public:
    BridgeAlone() {
        TarnwickEngine::ScriptHostConfig config;
        config.projectRoot = folder.path();
        config.scriptHostPath = folder.write("ScriptHost/TarnwickEngine.ScriptHost.dll", "");
        config.assemblyPath = folder.write("bin/Game.dll", "");
        config.mainClass = "Game.Main";
        const std::string trace = TarnwickEngine::pathToString(folder.path() / "trace.txt");
        TarnwickTest::setEnvironment("TARNWICK_STANDIN_TRACE", trace.c_str());
        const bool started = host.start(config);
        TarnwickTest::setEnvironment("TARNWICK_STANDIN_TRACE", nullptr);
        if (!started) throw std::runtime_error("the bridge could not start the stand-in");
        host.startScripts();
        for (int i = 0; i < 20; ++i) host.frame(1.0f / 60.0f);
    }

    std::vector<double> passes(std::size_t count) {
        return timedPasses(count, [this](Clock::time_point) { host.frame(1.0f / 60.0f); });
    }

private:
    // The bridge's log lines go nowhere while it lives.
    SilencedConsole silence;
    TarnwickTest::TempDir folder;
    TarnwickEngine::ScriptHost host;
};

void medianRow(const std::string& item, const Measured& measured, const std::string& note) {
    const double host = median(measured.host), baseline = median(measured.baseline);
    row(item + ": median pass", durationText(host), durationText(baseline), ratioText(host, baseline), note);
}

void limiterOn() {
    const Run run{",\n  \"targetFps\": 60", L"", 10, 120};
    const Measured measured = aroundTheProgram(run, [](std::size_t count) {
        // The program's own limiter, with nothing else in the pass.
        return timedPasses(count, [](Clock::time_point passStart) { TarnwickEngine::waitForFrameEnd(passStart, 60); });
    });
    medianRow("frame limiter on, target 60", measured,
              "baseline: the limiter's 1 ms sleeps and yields alone, in the bench; the tests hold each pass "
              "to the target and the fastest below twice it");
    const double host = percentile(measured.host, 0.99), baseline = percentile(measured.baseline, 0.99);
    row("frame limiter on, target 60: 99th percentile", durationText(host), durationText(baseline),
        ratioText(host, baseline), std::to_string(run.passes) + " passes each");
}

void limiterOff() {
    const Run run{",\n  \"targetFps\": 20,\n  \"enableFrameLimiter\": false", L"", 30, 600};
    BridgeAlone bridge;
    const Measured measured = aroundTheProgram(run, [&](std::size_t count) { return bridge.passes(count); });
    medianRow("frame limiter off", measured,
              "baseline: the bridge's FRAME exchange alone, the stand-in answering at once; " +
                  std::to_string(run.passes) + " passes; the tests hold only the fastest pass below 1/60 s");
}

void neverEndingFrames() {
    const Run run{"", L"no-end-frame", 3, 12};
    const Measured measured = aroundTheProgram(run, [](std::size_t count) {
        return timedPasses(count, [](Clock::time_point) { pollToDeadline(milliseconds(500)); });
    });
    medianRow("script host that never ends a frame", measured,
              "baseline: the bridge's own wait with no child, Sleep(1) polls to a 500 ms deadline; " + std::to_string(run.passes) +
                  " passes; the tests hold each pass to 500 ms and the fastest below 650 ms");
}

} // namespace

int main() {
    try {
        useStandin();
        section("Frame pacing of the real program (time step of each pass)");
        limiterOn();
        limiterOff();
        neverEndingFrames();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_pacing: %s\n", error.what());
        return 1;
    }
    return 0;
}

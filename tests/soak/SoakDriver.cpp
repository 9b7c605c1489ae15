// The soak test: runs the real program (build/TarnwickEngine.exe) on a generated project with the
// frame limiter off, against the stand-in script host playing "Soak.Game" (a thousand mixed lines
// a frame), and watches the program from outside at the checkpoint frames: from the second
// checkpoint on (the first ends the warm-up), kernel handles, GDI and USER objects must show no
// leak (LeakVerdict.h) and private memory must stay within its tolerance. Then it closes the
// window as a user would and checks the exit code, that the script host is gone, and what the
// console showed. With --misbehave the script host also answers late now and then,
// floods the pipe, sends bursts of extra lines and garbles every answer.
//
//   soak [--frames N] [--lines L] [--checkpoints A,B,...] [--misbehave] [--standin BEHAVIOURS]
//        [--private-tolerance-kib K] [--stall-seconds S]
//
// Exit code 0 when every check holds, 1 when one fails, 2 for a bad command line.
#include "LeakVerdict.h"
#include "ProcessGauges.h"

#include "standin/Progress.h"
#include "core/Files.h"
#include "support/BmpFile.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using TarnwickSoak::Gauge;
using TarnwickSoak::GaugeReading;

struct Options {
    long frames = 100000;
    int lines = 1000; // a frame's lines from the script host
    std::vector<long> checkpoints;
    bool misbehave = false;
    std::string standin; // empty: chosen from --misbehave and the frame count
    // Every list and buffer of the frame path keeps its storage from frame to frame, so after the
    // first checkpoint private memory moves only with the heap's own bookkeeping; one leaked
    // 16-byte record a frame would add 1.4 MiB between frames 10,000 and 100,000.
    long long privateToleranceKiB = 512;
    int stallSeconds = 60;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const bool hasValue = i + 1 < argc;
        if (name == "--frames" && hasValue) {
            options.frames = std::strtol(argv[++i], nullptr, 10);
        } else if (name == "--lines" && hasValue) {
            options.lines = std::atoi(argv[++i]);
        } else if (name == "--checkpoints" && hasValue) {
            std::istringstream list(argv[++i]);
            std::string item;
            while (std::getline(list, item, ',')) options.checkpoints.push_back(std::strtol(item.c_str(), nullptr, 10));
        } else if (name == "--misbehave") {
            options.misbehave = true;
        } else if (name == "--standin" && hasValue) {
            options.standin = argv[++i];
        } else if (name == "--private-tolerance-kib" && hasValue) {
            options.privateToleranceKiB = std::strtoll(argv[++i], nullptr, 10);
        } else if (name == "--stall-seconds" && hasValue) {
            options.stallSeconds = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    if (options.checkpoints.empty()) {
        options.checkpoints = {options.frames / 100, options.frames / 10, options.frames / 10 * 4, options.frames / 10 * 7,
                               options.frames};
    }
    std::sort(options.checkpoints.begin(), options.checkpoints.end());
    return options.frames > 0 && options.lines > 0 && options.checkpoints.size() >= 3 && options.checkpoints.front() > 0 &&
           options.checkpoints.back() <= options.frames;
}

// The misbehaviours keep the same shape at any length: about twenty late answers, fifty floods
// past the line bound and a hundred bursts of twenty thousand lines over the run. The periods are
// one past a round share, so none falls on a checkpoint: a reading taken while a flood or a burst
// is in flight would measure the misbehaviour, not a leak.
std::string misbehaviourFor(long frames) {
    const long late = std::max(frames / 20, 50L) + 1, flood = std::max(frames / 50, 20L) + 1,
               burst = std::max(frames / 100, 10L) + 1;
    return "garble,late-every=" + std::to_string(late) + ":700,flood-every=" + std::to_string(flood) +
           ":1200000,burst-every=" + std::to_string(burst) + ":20000";
}

// The start scene tells the soak game how many lines to send a frame.
void writeProject(const TarnwickTest::TempDir& folder, int lines) {
    folder.write("Soak/project.json", "{\n"
                                      "  \"name\": \"Soak\",\n"
                                      "  \"mainClass\": \"Soak.Game\",\n"
                                      "  \"startScene\": \"lines=" + std::to_string(lines) + "\",\n"
                                      "  \"width\": 640,\n"
                                      "  \"height\": 360,\n"
                                      "  \"title\": \"Soak\",\n"
                                      "  \"enableFrameLimiter\": false,\n"
                                      "  \"maxDeltaTime\": 10\n"
                                      "}\n");
    folder.write("Soak/assets/a.bmp", TarnwickTest::bmpBytes(4, 4, 0xDC2828));
    folder.write("Soak/assets/b.bmp", TarnwickTest::bmpBytes(4, 4, 0x28DC28));
    folder.write("Soak/assets/c.bmp", TarnwickTest::bmpBytes(4, 4, 0x2828DC));
}

std::size_t countOccurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
    return count;
}

std::string grouped(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), ",");
    return (value < 0 ? "-" : "") + digits;
}

class Checks {
public:
    void expect(bool holds, const std::string& what) {
        std::printf("  %-4s %s\n", holds ? "ok" : "FAIL", what.c_str());
        failures += holds ? 0 : 1;
    }
    int failed() const { return failures; }

private:
    int failures = 0;
};

// The smallest of a few readings taken 10 ms apart: an object that the program holds only for a
// moment (one of a frame still being drawn, a file being probed, Wine's own) is no leak, while a
// leaked one raises every reading.
GaugeReading settledGauges(HANDLE process, DWORD processId) {
    GaugeReading least = TarnwickSoak::readGauges(process, processId);
    for (int i = 1; i < 5; ++i) {
        ::Sleep(10);
        const GaugeReading reading = TarnwickSoak::readGauges(process, processId);
        least.handles.value = std::min(least.handles.value, reading.handles.value);
        least.gdiObjects.value = std::min(least.gdiObjects.value, reading.gdiObjects.value);
        least.userObjects.value = std::min(least.userObjects.value, reading.userObjects.value);
        least.privateBytes.value = std::min(least.privateBytes.value, reading.privateBytes.value);
    }
    return least;
}

struct Sample {
    long checkpoint = 0;
    long frames = 0;
    double seconds = 0;
    GaugeReading gauges;
    bool afterTheHold = false; // the reading outlasted the stand-in's hold, try after try
};

void printSample(const Sample& sample, const Sample* previous) {
    const double rate = previous ? (sample.frames - previous->frames) / std::max(sample.seconds - previous->seconds, 1e-9)
                                 : sample.frames / std::max(sample.seconds, 1e-9);
    std::printf("%9ld %9.1f %9.0f %9lld %9lld %9lld %14s%s\n", sample.checkpoint, sample.seconds, rate,
                sample.gauges.handles.value, sample.gauges.gdiObjects.value, sample.gauges.userObjects.value,
                grouped(sample.gauges.privateBytes.value / 1024).c_str(),
                sample.afterTheHold ? "  (read after the hold ended)" : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: soak [--frames N] [--lines L] [--checkpoints A,B,...] [--misbehave] [--standin BEHAVIOURS] "
                             "[--private-tolerance-kib K] [--stall-seconds S]\n");
        return 2;
    }
    if (options.misbehave && options.standin.empty()) options.standin = misbehaviourFor(options.frames);

    const TarnwickTest::TempDir folder;
    writeProject(folder, options.lines);

    // The stand-in keeps its process id and frame count here.
    const std::string progressName = "TarnwickSoakProgress-" + std::to_string(::GetCurrentProcessId());
    HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Standin::Progress),
                                          progressName.c_str());
    auto* progress = static_cast<Standin::Progress*>(
        mapping ? ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Standin::Progress)) : nullptr);
    if (!progress) {
        std::fprintf(stderr, "soak: cannot create the progress mapping\n");
        return 1;
    }

    std::printf("soak: %s frames of %s lines, frame limiter off, script host %s\n", grouped(options.frames).c_str(),
                grouped(options.lines).c_str(), options.standin.empty() ? "well behaved" : ("misbehaving: " + options.standin).c_str());
    std::fflush(stdout);

    TarnwickTest::ProcessOptions processOptions;
    processOptions.environment = {
        {L"DOTNET_ROOT", TarnwickTest::standinFolder().native()},
        {L"TARNWICK_STANDIN", std::wstring(options.standin.begin(), options.standin.end())},
        {L"TARNWICK_STANDIN_PROGRESS", std::wstring(progressName.begin(), progressName.end())},
    };
    const auto started = std::chrono::steady_clock::now();
    const auto secondsSinceStart = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    TarnwickTest::RunningProgram engine(TarnwickTest::buildDirectory() / "TarnwickEngine.exe",
                                        {L"--project", (folder.path() / "Soak").native()}, processOptions);
    HANDLE watched = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE, engine.processId());

    Checks checks;
    std::vector<Sample> samples;
    bool stalled = false, ended = false;
    long lastFrames = 0;
    auto lastAdvance = std::chrono::steady_clock::now();
    std::size_t next = 0;
    // Readings are taken while the stand-in holds back its answer to the frame after a checkpoint:
    // the program then waits for END_FRAME with no frame half drawn, so a brush or font that lives
    // only while a frame is drawn is never counted. After a late answer the program runs a frame
    // behind the stand-in and still draws one when the hold begins, so the readings start a little
    // later. A reading that outlasts the hold is taken again a frame later; after a few tries it is
    // kept and marked, since a program that leaks fast makes every reading slow and must still get
    // its verdict.
    constexpr int triesPerCheckpoint = 3;
    int tries = 0;
    std::printf("%9s %9s %9s %9s %9s %9s %14s\n", "frame", "seconds", "frames/s", "handles", "GDI", "USER", "private KiB");
    ::InterlockedExchange(&progress->holdFrame, options.checkpoints[0] + 1);
    while (next < options.checkpoints.size()) {
        const long frames = progress->framesAnswered;
        const long held = progress->holding;
        if (held != 0 && held == progress->holdFrame) {
            ::Sleep(100);
            Sample sample{options.checkpoints[next], frames, secondsSinceStart(), settledGauges(watched, engine.processId())};
            sample.afterTheHold = progress->holding != held;
            if (sample.afterTheHold && ++tries < triesPerCheckpoint) {
                ::InterlockedExchange(&progress->holdFrame, held + 2);
                continue;
            }
            tries = 0;
            printSample(sample, samples.empty() ? nullptr : &samples.back());
            samples.push_back(sample);
            ++next;
            ::InterlockedExchange(&progress->holdFrame, next < options.checkpoints.size() ? options.checkpoints[next] + 1 : 0);
            continue;
        }
        if (held == 0 && frames > progress->holdFrame && progress->holdFrame != 0) {
            // The hold came and went between two looks: ask again a frame later.
            ::InterlockedExchange(&progress->holdFrame, frames + 2);
        }
        if (frames != lastFrames) {
            lastFrames = frames;
            lastAdvance = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastAdvance > std::chrono::seconds(options.stallSeconds)) {
            stalled = true;
            break;
        }
        if (!engine.running()) {
            ended = true;
            break;
        }
        engine.out();
        engine.err();
        ::Sleep(2);
    }

    std::printf("checks:\n");
    checks.expect(!ended, "the program ran until the last checkpoint");
    checks.expect(!stalled, "the frames never stood still for " + std::to_string(options.stallSeconds) + " s");

    if (samples.size() == options.checkpoints.size()) {
        const GaugeReading& first = samples.front().gauges;
        std::printf("  gauges: handles from %s, GDI objects from %s, USER objects from %s, private bytes from %s\n",
                    first.handles.source, first.gdiObjects.source, first.userObjects.source, first.privateBytes.source);
        std::printf("  the documented calls answered: GetProcessHandleCount %lu, GetGuiResources GDI %lu and USER %lu "
                    "(last error %lu), PrivateUsage %llu\n",
                    first.handleCountAnswer, first.gdiAnswer, first.userAnswer, first.guiResourcesError,
                    static_cast<unsigned long long>(first.privateUsageAnswer));
        // The first checkpoint ends the warm-up; the counts are judged from the second on.
        const Sample& from = samples[1];
        const Sample& to = samples.back();
        const auto judge = [&](Gauge GaugeReading::*gauge, const char* name) {
            std::vector<long long> counts;
            std::string shown;
            for (std::size_t i = 1; i < samples.size(); ++i) {
                counts.push_back((samples[i].gauges.*gauge).value);
                shown += (shown.empty() ? "" : ", ") + std::to_string(counts.back());
            }
            checks.expect(TarnwickSoak::countShowsNoLeak(counts), std::string(name) + " from frame " +
                                                                      std::to_string(from.checkpoint) + " to " +
                                                                      std::to_string(to.checkpoint) + ", no leak: " + shown);
        };
        judge(&GaugeReading::handles, "handles");
        judge(&GaugeReading::gdiObjects, "GDI objects");
        judge(&GaugeReading::userObjects, "USER objects");
        const long long growth = to.gauges.privateBytes.value - from.gauges.privateBytes.value;
        checks.expect(from.gauges.privateBytes.value > 0 && growth <= options.privateToleranceKiB * 1024,
                      "private bytes grew by " + grouped(growth / 1024) + " KiB from frame " +
                          std::to_string(from.checkpoint) + " to " + std::to_string(to.checkpoint) + " (at most " +
                          grouped(options.privateToleranceKiB) + " KiB)");
    }

    // Closing as a user would: the window procedure records WM_CLOSE and the loop ends.
    const DWORD scriptHost = static_cast<DWORD>(progress->processId);
    const HWND window = engine.window();
    checks.expect(window && ::PostMessageW(window, WM_CLOSE, 0, 0), "WM_CLOSE posted to the program's window");
    const TarnwickTest::ProcessResult result = engine.wait(milliseconds(20000));
    checks.expect(!result.timedOut && result.exitCode == 0,
                  "the program exited with code 0" +
                      (result.timedOut ? std::string(" (it did not end within 20 s)") : " (code " + std::to_string(result.exitCode) + ")"));
    if (result.exitCode != 0 && !result.err.empty()) std::printf("  the program's error output:\n%s", result.err.c_str());
    checks.expect(scriptHost != 0 && TarnwickTest::processEnds(scriptHost, milliseconds(5000)),
                  "the script host process (id " + std::to_string(scriptHost) + ") has ended");

    // The console: every frame's LOG line and foreign line arrived; what went wrong was reported
    // the way the host reports it, and nothing else was.
    const long answered = progress->framesAnswered;
    const std::size_t logLines = countOccurrences(result.out, "[Info] soak frame ");
    const std::size_t foreignLines = countOccurrences(result.out, "[Info] [ScriptHost] soak: frame ");
    checks.expect(logLines + 2 >= static_cast<std::size_t>(answered) && logLines <= static_cast<std::size_t>(answered),
                  "LOG lines shown: " + std::to_string(logLines) + " for " + std::to_string(answered) + " answers");
    checks.expect(foreignLines == logLines, "lines outside the protocol shown: " + std::to_string(foreignLines));
    const std::size_t warnings = countOccurrences(result.out, "[Warn] ");
    const std::size_t textureWarnings = countOccurrences(result.out, "[Warn] Texture not found: ") +
                                        countOccurrences(result.out, "[Warn] Using fallback rectangle for missing texture: ");
    if (options.standin.empty()) {
        checks.expect(textureWarnings == 4 && warnings == 4,
                      "warnings: the two missing textures, twice each, and nothing else (" + std::to_string(warnings) + ")");
        checks.expect(result.err.empty(), "no error line (" + std::to_string(countOccurrences(result.err, "\n")) + ")");
    } else {
        const std::size_t overlong = countOccurrences(result.out, "[Warn] Dropped a script host line longer than 1 MiB.");
        const std::size_t badLines = countOccurrences(result.out, "[Warn] Dropped a script host line with a bad number or path");
        const std::size_t garbledWarnings = countOccurrences(result.out, "[Warn] garbled warning");
        std::printf("  console: %zu warnings: %zu over-long lines, %zu bad-line kinds, %zu texture, %zu LOG|Warn; "
                    "%zu error lines\n",
                    warnings, overlong, badLines, textureWarnings, garbledWarnings, countOccurrences(result.err, "\n"));
        if (options.standin.find("garble") != std::string::npos) {
            checks.expect(badLines == 8, "one bad-line warning for each of the eight command tags");
            checks.expect(countOccurrences(result.err, "[Error] garbled|error") == countOccurrences(result.err, "[Error] garbled error") &&
                              countOccurrences(result.err, "[Error] garbled error") + 2 >= static_cast<std::size_t>(answered),
                          "every garbled answer's two error lines were shown");
        }
        if (options.standin.find("flood-every") != std::string::npos) {
            checks.expect(overlong >= 1, "over-long lines were dropped with a warning");
        }
    }
    std::printf("soak: %s after %.1f s\n", checks.failed() == 0 ? "PASS" : "FAIL", secondsSinceStart());
    ::UnmapViewOfFile(progress);
    ::CloseHandle(mapping);
    if (watched) ::CloseHandle(watched);
    return checks.failed() == 0 ? 0 : 1;
}

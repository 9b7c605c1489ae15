// The FRAME exchange with the stand-in script host answering at once, beside a raw ping-pong: the
// same child started the same way, the same bytes written to the same kind of pipes, and the same
// poll (peek, read what is there, look for END_FRAME, sleep 1 ms) without any of the bridge.
#include "BenchSupport.h"
#include "Baselines.h"

#include "core/Files.h"
#include "scripthost/ScriptHostImpl.h"
#include "support/TempDir.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

using namespace Bench;
using TarnwickEngine::FrameCommands;
using TarnwickEngine::ScriptHost;
namespace fs = std::filesystem;

namespace {

constexpr float timeStep = 1.0f / 60.0f;

// The child on pipes made as the bridge makes them (the write end PIPE_NOWAIT), spoken to directly.
class RawPingPong {
public:
    explicit RawPingPong(const TarnwickEngine::ScriptHostConfig& config) {
        SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr;
        ::CreatePipe(&childIn, &inWrite, &security, 0);
        ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
        DWORD noWait = PIPE_NOWAIT;
        ::SetNamedPipeHandleState(inWrite, &noWait, nullptr, nullptr);
        ::CreatePipe(&outRead, &childOut, &security, 0);
        ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
        std::wstring command = TarnwickEngine::buildCommandLine(TarnwickEngine::findDotnetHost(), config);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childIn;
        startup.hStdOutput = childOut;
        startup.hStdError = childOut;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                              config.projectRoot.c_str(), &startup, &info)) {
            throw std::runtime_error("could not start the stand-in");
        }
        ::CloseHandle(childIn);
        ::CloseHandle(childOut);
        ::CloseHandle(info.hThread);
        process = info.hProcess;
        pending.reserve(1 << 16);
        if (!waitFor("READY\n", 5000)) throw std::runtime_error("the stand-in sent no READY");
        send("START\n");
        if (!waitFor("STARTED\n", 5000)) throw std::runtime_error("the stand-in sent no STARTED");
    }

    ~RawPingPong() {
        send("SHUTDOWN\n");
        ::CloseHandle(inWrite);
        ::CloseHandle(outRead);
        ::WaitForSingleObject(process, 300);
        DWORD code = 0;
        if (::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE) ::TerminateProcess(process, 0);
        ::CloseHandle(process);
    }

    RawPingPong(const RawPingPong&) = delete;
    RawPingPong& operator=(const RawPingPong&) = delete;

    void send(const std::string& bytes) {
        DWORD written = 0;
        ::WriteFile(inWrite, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

    // Polls until a whole line `word` (with its '\n') has come; counts the polls.
    bool waitFor(const char* word, DWORD timeoutMs) {
        const std::string_view expected(word);
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            ++polls;
            drain();
            if (parser) {
                if (parseLines()) return true;
                if (!busyPoll) ::Sleep(1);
                continue;
            }
            const std::size_t at = findLine(expected);
            if (at != std::string::npos) {
                pending.erase(0, at + expected.size());
                return true;
            }
            if (!busyPoll) ::Sleep(1);
        }
        return false;
    }

    std::uint64_t polls = 0;
    // When set, every complete line goes through it as it arrives, and its END_FRAME ends a wait.
    MinimalParser* parser = nullptr;
    // The bridge reads at most 512 bytes at a time; the raw side can read more to show what that costs.
    std::size_t readSize = 512;
    // Polls again at once instead of sleeping 1 ms, to show what the sleep costs.
    bool busyPoll = false;

private:
    bool parseLines() {
        std::size_t start = 0;
        for (std::size_t newline; (newline = pending.find('\n', start)) != std::string::npos; start = newline + 1) {
            std::size_t end = newline;
            if (end > start && pending[end - 1] == '\r') --end;
            line.assign(pending, start, end - start);
            parser->handle(line);
        }
        pending.erase(0, start);
        return parser->frameEnded;
    }

    void drain() {
        for (;;) {
            DWORD available = 0;
            if (!::PeekNamedPipe(outRead, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
            DWORD read = 0;
            if (!::ReadFile(outRead, buffer.data(), static_cast<DWORD>(readSize), &read, nullptr) || read == 0) return;
            pending.append(buffer.data(), read);
        }
    }

    std::size_t findLine(std::string_view line) const {
        std::size_t at = pending.find(line);
        while (at != std::string::npos && at > 0 && pending[at - 1] != '\n') at = pending.find(line, at + 1);
        return at;
    }

    HANDLE inWrite = nullptr;
    HANDLE outRead = nullptr;
    HANDLE process = nullptr;
    std::string pending;
    std::string line;
    std::vector<char> buffer = std::vector<char>(65536);
};

struct Samples {
    std::vector<double> seconds;
    std::vector<double> polls;
};

// With `parse`, the raw side also runs a second way, parsing every line with the minimal parser and
// resolving every path weakly canonically, to show what resolving each text once saves.
void runScenario(const std::string& title, const fs::path& projectRoot, const std::string& mainClass, int frames,
                 bool parse, std::string answerNote) {
    TarnwickTest::TempDir folder;
    TarnwickEngine::ScriptHostConfig config;
    config.projectRoot = projectRoot;
    config.scriptHostPath = folder.write("ScriptHost/TarnwickEngine.ScriptHost.dll", "");
    config.assemblyPath = folder.write("bin/Game.dll", "");
    config.mainClass = mainClass;

    ScriptHost::Impl impl;
    {
        const SilencedConsole silence;
        if (!impl.start(config)) throw std::runtime_error("the bridge could not start the stand-in");
        impl.startScripts();
    }
    RawPingPong raw(config);

    std::string frameLine;
    TarnwickEngine::formatFrameLine(frameLine, timeStep);
    const std::string rawLine = frameLine + "\n";

    MinimalParser parser(projectRoot, true);
    double answerLines = 0;
    Samples host, base, bare, bigReads, busy;
    const auto hostFrame = [&](bool keep) {
        const std::uint64_t before = impl.waitPolls;
        const auto start = Clock::now();
        impl.frame(timeStep);
        const double seconds = secondsSince(start);
        if (!keep) return;
        const FrameCommands& c = impl.commands();
        // Every record is one line; the camera and END_FRAME are one each.
        answerLines += static_cast<double>(c.rects.size() + c.sprites.size() + c.texts.size() + c.debugRects.size() +
                                           impl.colliders.size() + 2);
        host.seconds.push_back(seconds);
        host.polls.push_back(static_cast<double>(impl.waitPolls - before));
    };
    const auto rawFrame = [&](bool keep, bool parsing, std::size_t readSize = 512, bool busyPoll = false) {
        raw.readSize = readSize;
        raw.busyPoll = busyPoll;
        const std::uint64_t before = raw.polls;
        const auto start = Clock::now();
        if (parsing) {
            parser.clear();
            parser.frameEnded = false;
        }
        raw.parser = parsing ? &parser : nullptr;
        raw.send(rawLine);
        raw.waitFor("END_FRAME\n", 500);
        const double seconds = secondsSince(start);
        if (!keep) return;
        Samples& samples = busyPoll ? busy : parsing || !parse ? base : readSize == 512 ? bare : bigReads;
        samples.seconds.push_back(seconds);
        samples.polls.push_back(static_cast<double>(raw.polls - before));
    };

    const SilencedConsole silence;
    for (int i = 0; i < 20; ++i) {
        hostFrame(false);
        rawFrame(false, parse);
    }
    // Blocks of frames in turn, so all meet the same spells of a noisy machine.
    constexpr int block = 25;
    for (int done = 0; done < frames; done += block) {
        for (int i = 0; i < block; ++i) hostFrame(true);
        for (int i = 0; i < block; ++i) rawFrame(true, parse);
        if (parse) {
            for (int i = 0; i < block; ++i) rawFrame(true, false);
            for (int i = 0; i < block; ++i) rawFrame(true, false, 65536);
        } else {
            for (int i = 0; i < block; ++i) rawFrame(true, false, 512, true);
        }
    }
    // With parsing, the host is set beside the raw ping-pong of the same bytes; the raw side that
    // parses as well, resolving every path anew, gets a row of its own.
    const Samples& pingPong = parse ? bare : base;
    if (parse) {
        answerNote = fixed(answerLines / static_cast<double>(host.seconds.size()), 0) + " lines; " + answerNote;
    }
    const auto meanPolls = [](const Samples& samples) {
        double sum = 0;
        for (double p : samples.polls) sum += p;
        return sum / static_cast<double>(samples.polls.size());
    };
    const double hostPolls = meanPolls(host), rawPolls = meanPolls(pingPong);

    const double hostMedian = median(host.seconds), rawMedian = median(pingPong.seconds);
    const double hostP99 = percentile(host.seconds, 0.99), rawP99 = percentile(pingPong.seconds, 0.99);
    row("FRAME exchange, " + title + ": median", durationText(hostMedian), durationText(rawMedian),
        ratioText(hostMedian, rawMedian), answerNote);
    row("FRAME exchange, " + title + ": 99th percentile", durationText(hostP99), durationText(rawP99),
        ratioText(hostP99, rawP99), std::to_string(host.seconds.size()) + " frames each");
    row("FRAME exchange, " + title + ": polls per frame", fixed(hostPolls, 2), fixed(rawPolls, 2),
        ratioText(hostPolls, rawPolls), "mean; each poll that finds no answer sleeps 1 ms");
    if (!parse) {
        const double sleeping = median(base.seconds), spinning = median(busy.seconds);
        row("  design cost: raw ping-pong, 1 ms poll vs busy poll", durationText(sleeping), durationText(spinning),
            ratioText(sleeping, spinning), "design: a wait sleeps 1 ms between polls instead of spinning or blocking");
    }
    if (parse) {
        const double parsing = median(base.seconds);
        row("  raw side parsing too, resolving every path anew", durationText(hostMedian), durationText(parsing),
            ratioText(hostMedian, parsing),
            "baseline: the minimal parser on each line, weakly_canonical per path; the host resolves each text once");
        const double small = median(bare.seconds), large = median(bigReads.seconds);
        row("  design cost: raw ping-pong, 512-byte vs 64 KiB reads", durationText(small), durationText(large),
            ratioText(small, large),
            "design: the bridge reads at most 512 bytes at a time; each ReadFile is a server round trip under Wine");
    }
}

double sleepOneMillisecond() {
    std::vector<double> samples;
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        ::Sleep(1);
        samples.push_back(secondsSince(start));
    }
    return median(samples);
}

} // namespace

int main() {
    useStandin();
    section("FRAME exchange with the stand-in answering at once (per frame)");
    const double sleep = sleepOneMillisecond();
    TarnwickTest::TempDir project;
    const fs::path idleRoot = TarnwickEngine::resolvePath(fs::current_path(), project.path());
    runScenario("empty answer", idleRoot, "Bench.Idle", 1000, false,
                "design: 1 ms poll; Sleep(1) lasts " + durationText(sleep) + " here; answer is END_FRAME alone");
    const fs::path sample = TarnwickEngine::resolvePath(fs::current_path(), fs::path(TARNWICK_SOURCE_DIR) / "samples" / "BasicGame");
    runScenario("sample game's answer", sample, "BasicGame.Game", 300, true,
                "baseline: the raw ping-pong of the same bytes, unparsed");
    return 0;
}

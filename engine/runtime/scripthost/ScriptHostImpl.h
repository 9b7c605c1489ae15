// The inside of the script host bridge: ScriptHost::Impl and the helpers its sources share. Only the
// bridge's own sources and its tests include this header; the rest of the program sees the facade.
//
// The members are spread over small sources: ScriptHost.cpp (facade, fail, handles),
// ProcessStart.cpp (finding dotnet, the command line, the start), LineTransport.cpp (pipes and
// waits), FrameExchange.cpp (START, FRAME, SHUTDOWN) and LineParsing.cpp (the child's lines).
#pragma once

#include "core/ProjectConfig.h"
#include "scripthost/CollisionTracker.h"
#include "scripthost/FrameCommands.h"
#include "scripthost/PathResolutionMemo.h"
#include "scripthost/ScriptHost.h"

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace TarnwickEngine {

struct ScriptHost::Impl {
    Impl() = default;
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // Start and failure.
    bool start(const ScriptHostConfig& config);
    bool fail(const std::string& message);
    const FrameCommands& commands() const { return frameCommands; }

    // Transport.
    void writeLine(const std::string& line);
    bool flushUnsentInput();
    // Reads what the child has written, up to maxPumpBytes, and hands on every complete line as
    // each read brings it. Once `stopAt` has passed it stops after the batch of reads in hand, so a
    // flood cannot hold a wait long past its time-out (each read is a server round trip under Wine).
    void pumpOutput(std::chrono::steady_clock::time_point stopAt = std::chrono::steady_clock::time_point::max());
    // Reads and drops what the child has written, handing nothing on, with no byte limit but the
    // same look at `stopAt`: the shutdown's way of keeping a child that is still writing from
    // blocking before it reads SHUTDOWN. Returns the bytes dropped.
    std::size_t discardOutput(std::chrono::steady_clock::time_point stopAt);
    // Hands every complete line in pendingOutput to handleLine (or to `take`, which tests use to
    // see exactly what is handed on), then removes them all at once. Bytes before `scanFrom` hold
    // no '\n'.
    void cutLines(std::size_t scanFrom);
    template <typename Take> void cutLines(std::size_t scanFrom, Take&& take);
    void waitFor(const std::string& expected, std::chrono::milliseconds timeout);

    // Exchanges.
    void startScripts();
    void frame(float deltaTime);
    void shutdown();
    void sendShutdownWhileWaiting();

    // The child's lines. A line is a slice of the received bytes, without its line end.
    void handleLine(std::string_view line);
    void handleLog(std::string_view line);
    void parseRect(std::string_view line);
    void parseScreenRect(std::string_view line);
    void parseSprite(std::string_view line);
    void parseSpriteEx(std::string_view line);
    void parseText(std::string_view line);
    void parseCamera(std::string_view line);
    void parseCollider(std::string_view line);
    void parseDebugRect(std::string_view line);

    HANDLE processHandle = nullptr;
    HANDLE threadHandle = nullptr;
    HANDLE stdInWrite = nullptr; // PIPE_NOWAIT: a write never waits for the child
    HANDLE stdOutRead = nullptr;
    std::filesystem::path projectRoot;
    std::string pendingOutput; // received bytes after the last '\n'; at most maxLineBytes between reads
    FrameCommands frameCommands;
    std::vector<Collider> colliders;
    CollisionTracker collisionTracker;
    bool ready = false;
    bool started = false;
    bool frameEnded = false;

    // What keeps a misbehaving child from hurting the host:
    std::string unsentInput;     // the rest of a line that the input pipe took only in part
    bool discardingLine = false; // inside an over-long line, skipping up to its '\n'
    std::uint32_t warnedTags = 0; // one bit per command tag whose bad line has been warned about

    // Each path field's text resolves once per project folder; a new start begins afresh.
    PathResolutionMemo resolvedPaths;

    // Buffers reused from line to line and frame to frame, so the per-frame path does not allocate.
    std::vector<std::string_view> parts;
    std::string outgoing;
    std::string frameLine;
    std::string logText; // a log line's message as Log takes it

    // Pumps made by the waits, counted for tests and benches; nothing in the program reads it.
    std::uint64_t waitPolls = 0;

private:
    bool readPath(std::string_view field, std::filesystem::path& out);
    void rejectLine(std::uint32_t tagBit, std::string_view line);
    void parseRectInto(std::string_view line, std::uint32_t tagBit, std::vector<RectCommand>& list,
                       bool screenSpace);
};

// Every received line is bounded, and so is pendingOutput (the bound and one read): a longer line
// is dropped with a warning.
constexpr std::size_t maxLineBytes = std::size_t(1) << 20;
// One pump reads at most this much, so a child that writes without pause cannot stall a wait.
constexpr std::size_t maxPumpBytes = std::size_t(1) << 20;
// A pump looks at the clock after every this many reads.
constexpr int readsBetweenClockChecks = 32;
// The most one read takes: a pump's, and one of the shutdown's discard, which is as large as a
// default pipe buffer (4096 bytes under Wine), so that one read empties a full pipe.
constexpr std::size_t pumpReadBytes = 512;
constexpr std::size_t discardReadBytes = 4096;

// The one warning about a received line longer than maxLineBytes.
void warnOverlongLine();

// Lines are cut by offset, so a pump costs time in proportion to what it read, however many lines
// it held.
template <typename Take> void ScriptHost::Impl::cutLines(std::size_t scanFrom, Take&& take) {
    std::size_t lineStart = 0;
    std::size_t newline = pendingOutput.find('\n', scanFrom);
    while (newline != std::string::npos) {
        if (discardingLine) {
            discardingLine = false; // this '\n' ends the over-long line
        } else if (newline - lineStart > maxLineBytes) {
            warnOverlongLine();
        } else {
            std::size_t end = newline;
            if (end > lineStart && pendingOutput[end - 1] == '\r') --end;
            take(std::string_view(pendingOutput.data() + lineStart, end - lineStart));
        }
        lineStart = newline + 1;
        newline = pendingOutput.find('\n', lineStart);
    }
    if (discardingLine) {
        lineStart = pendingOutput.size();
    } else if (pendingOutput.size() - lineStart > maxLineBytes) {
        warnOverlongLine();
        discardingLine = true;
        lineStart = pendingOutput.size();
    }
    pendingOutput.erase(0, lineStart);
}

// Closes a handle that is open and nulls it, so no handle is ever closed twice.
void closeHandleIfOpen(HANDLE& handle);

// DOTNET_ROOT\dotnet.exe, then USERPROFILE\.dotnet\dotnet.exe, then the bare "dotnet" for the
// system's own search. `exists` tests a candidate; one whose test throws counts as absent.
std::filesystem::path findDotnetHost();
std::filesystem::path findDotnetHost(bool (*exists)(const std::filesystem::path&));

// The child's command line: the nine values, each quoted so that CommandLineToArgvW and the C
// runtime read back exactly that value.
std::wstring buildCommandLine(const std::filesystem::path& dotnetHost, const ScriptHostConfig& config);
void appendQuotedArgument(std::wstring& commandLine, const std::wstring& value);

// "FRAME|" time step "|" keys "|" x "," y "|" buttons, from the current Input state; `out` is reused.
void formatFrameLine(std::string& out, float deltaTime);

// Cuts `text` at every `delimiter` as std::getline does: no field for an empty text or after a
// final delimiter. `fields` is cleared first; its views point into `text`.
void splitInto(std::string_view text, char delimiter, std::vector<std::string_view>& fields);
std::vector<std::string> split(const std::string& text, char delimiter);

} // namespace TarnwickEngine

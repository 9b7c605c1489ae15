// The line transport: lines to the child's input, lines cut from its output, and the polling wait.
#include "scripthost/ScriptHostImpl.h"

#include "core/Log.h"

namespace TarnwickEngine {

namespace {

// The write end is in PIPE_NOWAIT mode, so this never waits. What it can do (Wine and Windows
// alike): take everything, take nothing when the pipe lacks room, or take only part when a reader
// is waiting with a smaller request than the rest can fill. False when the pipe is broken.
bool writeSome(HANDLE pipe, const std::string& bytes, std::size_t& written) {
    DWORD count = 0;
    const BOOL ok = ::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr);
    written = count;
    return ok != FALSE;
}

// Reads `pipe` while a peek reports data, into `buffer`, and gives each chunk to `take`. Stops when
// the pipe is empty or broken, after `limit` bytes, or once `stopAt` has passed, which it looks at
// every readsBetweenClockChecks reads (each read is a server round trip under Wine). Returns the
// bytes read.
template <typename Take>
std::size_t readAvailable(HANDLE pipe, char* buffer, DWORD size, std::size_t limit,
                          std::chrono::steady_clock::time_point stopAt, Take&& take) {
    std::size_t taken = 0;
    for (int reads = 1; taken < limit; ++reads) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) break;
        DWORD read = 0;
        // The peek has reported data, so this read does not wait.
        if (!::ReadFile(pipe, buffer, size, &read, nullptr) || read == 0) break;
        take(buffer, read);
        taken += read;
        if (reads % readsBetweenClockChecks == 0 && std::chrono::steady_clock::now() >= stopAt) break;
    }
    return taken;
}

} // namespace

// A line goes out whole or not at all: a line the pipe does not take is dropped, and a line it
// took only in part is finished (flushUnsentInput) before any later line may start.
void ScriptHost::Impl::writeLine(const std::string& line) {
    if (!stdInWrite) return;
    if (line.size() >= MAXDWORD) return;
    if (!flushUnsentInput()) return;
    outgoing.assign(line);
    outgoing += '\n';
    std::size_t written = 0;
    if (!writeSome(stdInWrite, outgoing, written)) return;
    if (written > 0 && written < outgoing.size()) unsentInput.assign(outgoing, written, std::string::npos);
}

// True when nothing of an earlier line is left to send.
bool ScriptHost::Impl::flushUnsentInput() {
    if (unsentInput.empty()) return true;
    std::size_t written = 0;
    if (!writeSome(stdInWrite, unsentInput, written)) {
        // The child is gone; the rest can never be delivered.
        unsentInput.clear();
        return true;
    }
    unsentInput.erase(0, written);
    return unsentInput.empty();
}

// Lines are cut after every read, so a line past the bound is dropped by the read that takes it
// there, and pendingOutput never needs more than the bound and one read, however a busy machine
// splits the child's bytes into pumps.
void ScriptHost::Impl::pumpOutput(std::chrono::steady_clock::time_point stopAt) {
    if (!stdOutRead) return;
    char buffer[pumpReadBytes];
    readAvailable(stdOutRead, buffer, sizeof(buffer), maxPumpBytes, stopAt, [this](const char* bytes, DWORD count) {
        const std::size_t scanFrom = pendingOutput.size();
        pendingOutput.append(bytes, count);
        cutLines(scanFrom);
    });
}

std::size_t ScriptHost::Impl::discardOutput(std::chrono::steady_clock::time_point stopAt) {
    if (!stdOutRead) return 0;
    char buffer[discardReadBytes];
    return readAvailable(stdOutRead, buffer, sizeof(buffer), SIZE_MAX, stopAt, [](const char*, DWORD) {});
}

void warnOverlongLine() { Log::warn("Dropped a script host line longer than 1 MiB."); }

void ScriptHost::Impl::cutLines(std::size_t scanFrom) {
    cutLines(scanFrom, [this](std::string_view line) { handleLine(line); });
}

void ScriptHost::Impl::waitFor(const std::string& expected, std::chrono::milliseconds timeout) {
    const bool* flag = nullptr;
    if (expected == "READY") {
        flag = &ready;
    } else if (expected == "STARTED") {
        flag = &started;
    } else if (expected == "END_FRAME") {
        flag = &frameEnded;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        // The rest of a line that went out in part reaches the child as soon as it reads again.
        flushUnsentInput();
        ++waitPolls;
        pumpOutput(deadline);
        if (flag && *flag) return;
        ::Sleep(1);
    }
    // One last look for an answer that has just come; a flood gets one batch of reads here.
    ++waitPolls;
    pumpOutput(deadline);
}

} // namespace TarnwickEngine

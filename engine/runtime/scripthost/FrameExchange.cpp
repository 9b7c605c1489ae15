// The host's half of the exchanges: START and the wait for STARTED, one FRAME per frame and the
// wait for END_FRAME, and SHUTDOWN with the end of the child.
#include "scripthost/ScriptHostImpl.h"

#include "core/Input.h"

#include <charconv>
#include <cstdio>

namespace TarnwickEngine {

namespace {

constexpr std::chrono::milliseconds startedTimeout{5000};
constexpr std::chrono::milliseconds frameTimeout{500};
constexpr std::chrono::milliseconds shutdownTimeout{300};

void appendInteger(std::string& out, std::int32_t value) {
    char text[16];
    const auto result = std::to_chars(text, text + sizeof(text), value);
    out.append(text, result.ptr);
}

} // namespace

// The time step is written as an output stream writes a float by default: six significant digits
// by the "%g" rule, which is what snprintf gives for the float widened to double.
void formatFrameLine(std::string& out, float deltaTime) {
    char step[32];
    std::snprintf(step, sizeof(step), "%g", static_cast<double>(deltaTime));
    out.assign("FRAME|");
    out += step;
    out += '|';
    Input::appendKeysDown(out);
    out += '|';
    appendInteger(out, Input::getMouseX());
    out += ',';
    appendInteger(out, Input::getMouseY());
    out += '|';
    Input::appendMouseButtonsDown(out);
}

void ScriptHost::Impl::startScripts() {
    writeLine("START");
    waitFor("STARTED", startedTimeout);
}

// A FRAME line carries no number: an answer that misses its wait is read by the next frame's wait,
// after that frame has emptied the lists, and its END_FRAME ends that wait early.
void ScriptHost::Impl::frame(float deltaTime) {
    frameCommands.rects.clear();
    frameCommands.sprites.clear();
    frameCommands.texts.clear();
    frameCommands.debugRects.clear();
    colliders.clear();
    frameEnded = false;
    formatFrameLine(frameLine, deltaTime);
    writeLine(frameLine);
    waitFor("END_FRAME", frameTimeout);
}

void ScriptHost::Impl::shutdown() {
    if (processHandle) {
        sendShutdownWhileWaiting();
        // A child that exited with 259 itself looks alive; its termination then fails harmlessly.
        DWORD exitCode = 0;
        if (::GetExitCodeProcess(processHandle, &exitCode) && exitCode == STILL_ACTIVE) {
            ::TerminateProcess(processHandle, 0);
        }
    }
    // The input pipe first, so the child sees the end of its input.
    closeHandleIfOpen(stdInWrite);
    closeHandleIfOpen(stdOutRead);
    closeHandleIfOpen(threadHandle);
    closeHandleIfOpen(processHandle);
    unsentInput.clear();
}

// SHUTDOWN must reach the child whole, even when the pipe is full or still owes the rest of an
// earlier line: it is queued behind that rest, and the queue is sent as the pipe makes room, every
// millisecond of the child's time to end. A child may also still be writing (a frame's answer, LOG
// lines) into an output pipe that nobody reads any more; blocked in that write it would never read
// SHUTDOWN, so what it writes is read and dropped at every poll. The wait ends the moment the child
// does, or when its time is up, however much it writes.
void ScriptHost::Impl::sendShutdownWhileWaiting() {
    if (stdInWrite) unsentInput += "SHUTDOWN\n";
    const auto deadline = std::chrono::steady_clock::now() + shutdownTimeout;
    for (;;) {
        flushUnsentInput();
        // While the child has more to say, the next poll follows at once.
        const bool childWrote = discardOutput(deadline) > 0;
        if (std::chrono::steady_clock::now() >= deadline) return;
        if (::WaitForSingleObject(processHandle, childWrote ? 0 : 1) != WAIT_TIMEOUT) return;
    }
}

} // namespace TarnwickEngine

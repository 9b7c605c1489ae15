// The one object through which the application drives the script host child process. Everything
// but the facade lives in ScriptHost::Impl, which only the bridge's own sources see.
#pragma once

#include "core/ProjectConfig.h"
#include "scripthost/FrameCommands.h"

#include <memory>

namespace TarnwickEngine {

class ScriptHost {
public:
    ScriptHost();
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // Starts the child and waits for its READY line; false after the reason has been logged.
    bool start(const ScriptHostConfig& config);
    // START, then a wait of up to 5 s for STARTED; a time-out is silent.
    void startScripts();
    // One FRAME exchange: the command lists are emptied and refilled from the child's answer.
    void frame(float deltaTime);
    const FrameCommands& commands() const;
    // SHUTDOWN, a wait of up to 300 ms, termination if needed, every handle closed. Repeatable.
    void shutdown();

    struct Impl;

private:
    std::unique_ptr<Impl> impl;
};

} // namespace TarnwickEngine

// Minimal bodies until the bridge to the child process lands: no child is started.
#include "scripthost/ScriptHost.h"

#include "core/Log.h"

namespace TarnwickEngine {

struct ScriptHost::Impl {
    FrameCommands frameCommands;
};

ScriptHost::ScriptHost() : impl(std::make_unique<Impl>()) {}
ScriptHost::~ScriptHost() { shutdown(); }

bool ScriptHost::start(const ScriptHostConfig&) {
    Log::error("Could not start .NET script host. Make sure dotnet is available on PATH.");
    return false;
}

void ScriptHost::startScripts() {}
void ScriptHost::frame(float) {}
const FrameCommands& ScriptHost::commands() const { return impl->frameCommands; }
void ScriptHost::shutdown() {}

} // namespace TarnwickEngine

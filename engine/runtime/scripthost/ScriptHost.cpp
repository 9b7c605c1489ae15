// The facade, which forwards to its Impl, and the Impl's lifetime and failure path.
#include "scripthost/ScriptHostImpl.h"

#include "core/Log.h"

namespace TarnwickEngine {

ScriptHost::ScriptHost() : impl(std::make_unique<Impl>()) {}

ScriptHost::~ScriptHost() { shutdown(); }

bool ScriptHost::start(const ScriptHostConfig& config) { return impl->start(config); }
void ScriptHost::startScripts() { impl->startScripts(); }
void ScriptHost::frame(float deltaTime) { impl->frame(deltaTime); }
const FrameCommands& ScriptHost::commands() const { return impl->commands(); }

void ScriptHost::shutdown() {
    if (impl) impl->shutdown();
}

ScriptHost::Impl::~Impl() { shutdown(); }

bool ScriptHost::Impl::fail(const std::string& message) {
    Log::error(message);
    shutdown();
    return false;
}

void closeHandleIfOpen(HANDLE& handle) {
    if (!handle) return;
    ::CloseHandle(handle);
    handle = nullptr;
}

} // namespace TarnwickEngine

// Application::findScriptHost: where the engine's script-host assembly lies.
#include "core/Application.h"

#include "core/Files.h"
#include "core/Log.h"

#include <windows.h>

namespace TarnwickEngine {

namespace fs = std::filesystem;

namespace {

constexpr const char* scriptHostFile = "TarnwickEngine.ScriptHost.dll";
constexpr const char* buildOutput = "engine/csharp/ScriptHost/bin/Debug/net8.0";

// A candidate that cannot be examined (access denied, a malformed path) is passed over with a
// warning, so one unreadable folder does not hide a usable assembly further down the list.
bool candidateExists(const fs::path& candidate) {
    try {
        return pathExists(candidate);
    } catch (const fs::filesystem_error& error) {
        Log::warn("Could not examine script host candidate " + pathToString(candidate) + ": " + error.what());
        return false;
    }
}

} // namespace

fs::path getExecutableDirectory() {
    wchar_t buffer[260];
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, 260);
    if (length == 0) return fs::current_path();
    return fs::path(std::wstring(buffer, length)).parent_path();
}

fs::path Application::findScriptHost(const fs::path& projectRoot) {
    const fs::path current = fs::current_path();

    const fs::path candidateFromRuntime = getExecutableDirectory() / "ScriptHost" / scriptHostFile;
    if (candidateExists(candidateFromRuntime)) return fs::weakly_canonical(candidateFromRuntime);

    const fs::path file = fs::path(buildOutput) / scriptHostFile;
    const fs::path candidateFromCurrent = current / file;
    if (candidateExists(candidateFromCurrent)) return fs::weakly_canonical(candidateFromCurrent);

    const fs::path candidateFromSample = projectRoot.parent_path().parent_path() / file;
    if (candidateExists(candidateFromSample)) return fs::weakly_canonical(candidateFromSample);

    return candidateFromCurrent;
}

} // namespace TarnwickEngine

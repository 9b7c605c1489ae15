// Starting the script host: where dotnet is, the command line, the pipes, the child process and
// the wait for its READY line.
#include "scripthost/ScriptHostImpl.h"

#include "core/Files.h"
#include "core/Log.h"
#include "core/TextEncoding.h"

#include <cstdio>
#include <cstdlib>

namespace TarnwickEngine {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds readyTimeout{5000};

// A variable that is set but empty still makes a candidate ("dotnet.exe" in the current folder).
bool candidateFromVariable(const char* name, const fs::path& below, bool (*exists)(const fs::path&),
                           fs::path& candidate) {
    const char* value = std::getenv(name);
    if (!value) return false;
    try {
        candidate = pathFromNarrow(value) / below;
        return exists(candidate);
    } catch (const fs::filesystem_error&) {
        // A value that is no path in this code page, or a folder that cannot be examined: the
        // next candidate may still work, and the last one needs no test.
        return false;
    }
}

std::wstring formatFixed(float value) {
    char text[64];
    std::snprintf(text, sizeof(text), "%f", static_cast<double>(value));
    return widenBytes(text);
}

} // namespace

fs::path findDotnetHost() { return findDotnetHost(pathExists); }

fs::path findDotnetHost(bool (*exists)(const fs::path&)) {
    fs::path candidate;
    if (candidateFromVariable("DOTNET_ROOT", "dotnet.exe", exists, candidate)) return candidate;
    if (candidateFromVariable("USERPROFILE", fs::path(".dotnet") / "dotnet.exe", exists, candidate)) return candidate;
    return "dotnet";
}

// The rules of CommandLineToArgvW and the C runtime: backslashes are literal unless they precede a
// quote, so those before an escaped quote and those before the closing quote are doubled. A value
// without '"' and without a trailing '\' comes out as itself between quotes. The program name is
// read without escapes, but a path to dotnet never holds '"' nor ends in '\'.
void appendQuotedArgument(std::wstring& commandLine, const std::wstring& value) {
    commandLine += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : value) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            commandLine.append(2 * backslashes + 1, L'\\');
        } else {
            commandLine.append(backslashes, L'\\');
        }
        commandLine += c;
        backslashes = 0;
    }
    commandLine.append(2 * backslashes, L'\\');
    commandLine += L'"';
}

std::wstring buildCommandLine(const fs::path& dotnetHost, const ScriptHostConfig& config) {
    const std::wstring values[] = {
        dotnetHost.native(),
        config.scriptHostPath.native(),
        config.assemblyPath.native(),
        widenText(config.mainClass),
        config.projectRoot.native(),
        widenText(config.startScene),
        formatFixed(config.fixedDeltaTime),
        formatFixed(config.x),
        formatFixed(config.y),
    };
    std::wstring commandLine;
    for (const std::wstring& value : values) {
        if (!commandLine.empty()) commandLine += L' ';
        appendQuotedArgument(commandLine, value);
    }
    return commandLine;
}

bool ScriptHost::Impl::start(const ScriptHostConfig& config) {
    projectRoot = config.projectRoot;
    resolvedPaths.clear();

    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;

    // The child's ends belong to the start alone; every exit closes those that exist.
    HANDLE childStdInRead = nullptr;
    HANDLE childStdOutWrite = nullptr;
    const auto failStart = [&](const std::string& message) {
        closeHandleIfOpen(childStdInRead);
        closeHandleIfOpen(childStdOutWrite);
        return fail(message);
    };

    if (!::CreatePipe(&childStdInRead, &stdInWrite, &security, 0)) {
        childStdInRead = nullptr;
        stdInWrite = nullptr;
        return failStart("Could not create stdin pipe.");
    }
    // PIPE_NOWAIT only on the bridge's end: a child that stops reading cannot block the frame loop,
    // while the child's own reads still wait for data.
    DWORD noWait = PIPE_NOWAIT;
    if (!::SetHandleInformation(stdInWrite, HANDLE_FLAG_INHERIT, 0) ||
        !::SetNamedPipeHandleState(stdInWrite, &noWait, nullptr, nullptr)) {
        return failStart("Could not configure stdin pipe.");
    }
    if (!::CreatePipe(&stdOutRead, &childStdOutWrite, &security, 0)) {
        stdOutRead = nullptr;
        childStdOutWrite = nullptr;
        return failStart("Could not create stdout pipe.");
    }
    if (!::SetHandleInformation(stdOutRead, HANDLE_FLAG_INHERIT, 0)) {
        return failStart("Could not configure stdout pipe.");
    }

    const fs::path dotnetHost = findDotnetHost();
    std::wstring mutableCommand = buildCommandLine(dotnetHost, config);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childStdInRead;
    startup.hStdOutput = childStdOutWrite;
    startup.hStdError = childStdOutWrite;
    PROCESS_INFORMATION process{};

    // An empty project folder names no folder: the child then inherits ours.
    const wchar_t* currentDirectory = config.projectRoot.empty() ? nullptr : config.projectRoot.c_str();
    const BOOL created = ::CreateProcessW(nullptr, mutableCommand.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                          nullptr, currentDirectory, &startup, &process);
    closeHandleIfOpen(childStdInRead);
    closeHandleIfOpen(childStdOutWrite);
    if (!created) return failStart("Could not start .NET script host. Make sure dotnet is available on PATH.");

    processHandle = process.hProcess;
    threadHandle = process.hThread;

    waitFor("READY", readyTimeout);
    if (ready) {
        Log::info("C# script host started.");
        return true;
    }
    return failStart("Script host did not become ready.");
}

} // namespace TarnwickEngine

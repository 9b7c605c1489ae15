#include "support/ProcessRunner.h"

#include "core/Application.h"
#include "scripthost/ScriptHostImpl.h"

#include <cwchar>
#include <stdexcept>

namespace TarnwickTest {

namespace fs = std::filesystem;

namespace {

void closeIfOpen(HANDLE& handle) {
    if (handle) ::CloseHandle(handle);
    handle = nullptr;
}

// Reads what the pipe holds without waiting. False once the pipe is broken (every writer gone).
bool drainPipe(HANDLE pipe, std::string& into) {
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
        if (available == 0) return true;
        char buffer[4096];
        DWORD read = 0;
        if (!::ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr)) return false;
        into.append(buffer, read);
    }
}

std::wstring environmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& additions) {
    std::wstring block;
    if (wchar_t* current = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = current; *entry; entry += std::wcslen(entry) + 1) {
            bool replaced = false;
            for (const auto& add : additions) {
                const std::wstring prefix = add.first + L"=";
                replaced = replaced || _wcsnicmp(entry, prefix.c_str(), prefix.size()) == 0;
            }
            if (!replaced) block.append(entry).push_back(L'\0');
        }
        ::FreeEnvironmentStringsW(current);
    }
    for (const auto& add : additions) {
        if (!add.second.empty()) block.append(add.first + L"=" + add.second).push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findProcessWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    // Wine gives every program a hidden top-level IME window as well; the program's own is visible.
    if (owner != search->processId || !::IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

RunningProgram::RunningProgram(const fs::path& program, const std::vector<std::wstring>& arguments,
                               const ProcessOptions& options) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outWrite = nullptr, errWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0) || !::CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                               nullptr);

    // Quoted by the program's own rules, which its tests check against the C runtime's reading.
    std::wstring command;
    TarnwickEngine::appendQuotedArgument(command, program.native());
    for (const auto& argument : arguments) {
        command += L' ';
        TarnwickEngine::appendQuotedArgument(command, argument);
    }
    std::wstring environment = environmentBlock(options.environment);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION info{};
    started = std::chrono::steady_clock::now();
    const wchar_t* directory = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    const BOOL created = ::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                                          CREATE_UNICODE_ENVIRONMENT, environment.data(), directory, &startup, &info);
    const DWORD error = ::GetLastError();
    closeIfOpen(outWrite);
    closeIfOpen(errWrite);
    closeIfOpen(nul);
    if (!created) {
        // A program that Wine fails to start may still have said why on its way out.
        std::string said;
        drainPipe(outRead, said);
        drainPipe(errRead, said);
        closeIfOpen(outRead);
        closeIfOpen(errRead);
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(error) +
                                 (said.empty() ? std::string() : "; the program wrote: " + said));
    }
    process = info.hProcess;
    id = info.dwProcessId;
    ::CloseHandle(info.hThread);
}

RunningProgram::~RunningProgram() {
    if (running()) {
        ::TerminateProcess(process, 99);
        ::WaitForSingleObject(process, 5000);
    }
    closeIfOpen(process);
    closeIfOpen(outRead);
    closeIfOpen(errRead);
}

bool RunningProgram::running() const { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

double RunningProgram::secondsRunning() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

HWND RunningProgram::window() const {
    WindowSearch search{id, nullptr};
    ::EnumWindows(findProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool RunningProgram::post(UINT message, WPARAM wParam, LPARAM lParam) const {
    const HWND target = window();
    return target && ::PostMessageW(target, message, wParam, lParam);
}

// Polled rather than read on threads: a grandchild that inherited the pipes may keep them open
// after the program has ended, and no wait of the test may depend on it.
void RunningProgram::drain() {
    outOpen = outOpen && drainPipe(outRead, outText);
    errOpen = errOpen && drainPipe(errRead, errText);
}

const std::string& RunningProgram::out() {
    drain();
    return outText;
}

const std::string& RunningProgram::err() {
    drain();
    return errText;
}

ProcessResult RunningProgram::wait(std::chrono::milliseconds timeout) {
    ProcessResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (::WaitForSingleObject(process, 1) == WAIT_TIMEOUT) {
        drain();
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            ::TerminateProcess(process, 99);
            ::WaitForSingleObject(process, 5000);
        }
    }
    result.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    ::GetExitCodeProcess(process, &result.exitCode);
    const auto drainUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while ((outOpen || errOpen) && std::chrono::steady_clock::now() < drainUntil) {
        drain();
        ::Sleep(1);
    }
    result.out = outText;
    result.err = errText;
    return result;
}

ProcessResult runProcess(const fs::path& program, const std::vector<std::wstring>& arguments,
                         const ProcessOptions& options) {
    RunningProgram running(program, arguments, options);
    return running.wait(options.timeout);
}

fs::path buildDirectory() {
    fs::path folder = TarnwickEngine::getExecutableDirectory();
    while (!fs::exists(folder / "TarnwickEngine.exe")) {
        if (folder == folder.parent_path()) throw std::runtime_error("TarnwickEngine.exe not found above the test");
        folder = folder.parent_path();
    }
    return folder;
}

fs::path standinFolder() { return buildDirectory() / "standin"; }

void setEnvironment(const char* name, const char* value) {
    // "NAME=" removes the variable from the C runtime's copy, which getenv reads.
    const std::string assignment = std::string(name) + "=" + (value ? value : "");
    _putenv(assignment.c_str());
    ::SetEnvironmentVariableA(name, value);
}

bool processEnds(DWORD processId, std::chrono::milliseconds timeout) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return true;
    const bool ended = ::WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

} // namespace TarnwickTest

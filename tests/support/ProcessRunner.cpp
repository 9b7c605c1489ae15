#include "support/ProcessRunner.h"

#include "core/Application.h"

#include <windows.h>

#include <stdexcept>

namespace TarnwickTest {

namespace {

class Handle {
public:
    Handle() = default;
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE* out() { return &handle; }
    HANDLE get() const { return handle; }
    void close() {
        if (handle) ::CloseHandle(handle);
        handle = nullptr;
    }

private:
    HANDLE handle = nullptr;
};

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
    std::vector<std::wstring> entries;
    if (wchar_t* current = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = current; *entry; entry += wcslen(entry) + 1) {
            const std::wstring text = entry;
            bool replaced = false;
            for (const auto& add : additions) {
                replaced = replaced || _wcsnicmp(text.c_str(), (add.first + L"=").c_str(), add.first.size() + 1) == 0;
            }
            if (!replaced) entries.push_back(text);
        }
        ::FreeEnvironmentStringsW(current);
    }
    for (const auto& add : additions) {
        if (!add.second.empty()) entries.push_back(add.first + L"=" + add.second);
    }
    std::wstring block;
    for (const auto& entry : entries) block += entry + L'\0';
    block += L'\0';
    return block;
}

} // namespace

std::wstring quoteArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                         const ProcessOptions& options) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle outRead, outWrite, errRead, errWrite, nul;
    if (!::CreatePipe(outRead.out(), outWrite.out(), &inherit, 0) ||
        !::CreatePipe(errRead.out(), errWrite.out(), &inherit, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    ::SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead.get(), HANDLE_FLAG_INHERIT, 0);
    *nul.out() = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                               nullptr);

    std::wstring command = quoteArgument(program.native());
    for (const auto& argument : arguments) command += L" " + quoteArgument(argument);
    std::wstring environment = environmentBlock(options.environment);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.get();
    startup.hStdOutput = outWrite.get();
    startup.hStdError = errWrite.get();
    PROCESS_INFORMATION process{};
    const auto started = std::chrono::steady_clock::now();
    const wchar_t* directory = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                          environment.data(), directory, &startup, &process)) {
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(::GetLastError()));
    }
    Handle processHandle, threadHandle;
    *processHandle.out() = process.hProcess;
    *threadHandle.out() = process.hThread;
    outWrite.close();
    errWrite.close();
    nul.close();

    // Polled rather than read on threads: a grandchild that inherited the pipes may keep them open
    // after the program has ended, and the test must not wait for it.
    ProcessResult result;
    const auto deadline = started + options.timeout;
    bool outOpen = true, errOpen = true;
    while (::WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) {
        outOpen = outOpen && drainPipe(outRead.get(), result.out);
        errOpen = errOpen && drainPipe(errRead.get(), result.err);
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            ::TerminateProcess(process.hProcess, 99);
            ::WaitForSingleObject(process.hProcess, INFINITE);
        }
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    ::GetExitCodeProcess(process.hProcess, &result.exitCode);
    const auto drainUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while ((outOpen || errOpen) && std::chrono::steady_clock::now() < drainUntil) {
        outOpen = outOpen && drainPipe(outRead.get(), result.out);
        errOpen = errOpen && drainPipe(errRead.get(), result.err);
        ::Sleep(1);
    }
    return result;
}

std::filesystem::path buildDirectory() {
    std::filesystem::path folder = TarnwickEngine::getExecutableDirectory();
    while (!folder.empty() && !std::filesystem::exists(folder / "TarnwickEngine.exe")) {
        if (folder == folder.parent_path()) throw std::runtime_error("TarnwickEngine.exe not found above the test");
        folder = folder.parent_path();
    }
    return folder;
}

} // namespace TarnwickTest

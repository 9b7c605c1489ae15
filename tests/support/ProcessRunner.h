// Runs a program as a user would from a console: its standard output and standard error captured
// as raw bytes, its environment extended, its window reachable, and a time-out on every wait.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace TarnwickTest {

struct ProcessResult {
    unsigned long exitCode = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};
};

struct ProcessOptions {
    std::filesystem::path workingDirectory; // empty: the test's own
    // Added to the test's environment; an empty value removes the variable.
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    std::chrono::milliseconds timeout{30000};
};

class RunningProgram {
public:
    // The program and its arguments are quoted by the rules the C runtime reads back.
    RunningProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                   const ProcessOptions& options = {});
    // A program still running when the test ends is terminated: tests leave nothing behind.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    DWORD processId() const { return id; }
    bool running() const;
    double secondsRunning() const;

    // The program's visible top-level window, or null while it has none.
    HWND window() const;
    // Posts to the program's window, as the system would deliver input to it; false without one.
    bool post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Everything written so far.
    const std::string& out();
    const std::string& err();

    // Waits for the program to end, terminating it (and reporting timedOut) after `timeout`.
    ProcessResult wait(std::chrono::milliseconds timeout);

private:
    void drain();

    HANDLE process = nullptr;
    HANDLE outRead = nullptr;
    HANDLE errRead = nullptr;
    DWORD id = 0;
    bool outOpen = true;
    bool errOpen = true;
    std::string outText;
    std::string errText;
    std::chrono::steady_clock::time_point started;
};

// runProcess = start, then wait with the options' time-out.
ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                         const ProcessOptions& options = {});

// build/ (the folder above build/tests/...) holds TarnwickEngine.exe.
std::filesystem::path buildDirectory();
// build/standin, where the stand-in dotnet.exe is; DOTNET_ROOT names it for the program.
std::filesystem::path standinFolder();

// Sets (or with a null value removes) a variable for the C runtime and for child processes alike.
void setEnvironment(const char* name, const char* value);

// True when no process with this id runs any more, or it ends within `timeout`.
bool processEnds(DWORD processId, std::chrono::milliseconds timeout);

} // namespace TarnwickTest

// Helpers for the script host tests: captured log lines, scratch folders, environment variables,
// and the stand-in script host with the processes it leaves behind.
#pragma once

#include "scripthost/FrameCommands.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace TarnwickTest {

// Redirects std::cout and std::cerr, where Log writes, for the object's lifetime.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string out() const { return outText.str(); }
    std::string err() const { return errText.str(); }
    // The captured lines of one stream, without their line ends.
    std::vector<std::string> outLines() const;
    std::vector<std::string> errLines() const;

private:
    std::ostringstream outText;
    std::ostringstream errText;
    std::streambuf* oldOut;
    std::streambuf* oldErr;
};

// A new empty folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return folder; }
    // Writes `bytes` to a file below the folder (creating its folders) and returns its path.
    std::filesystem::path write(const std::filesystem::path& relative, const std::string& bytes) const;

private:
    std::filesystem::path folder;
};

// Sets (or with a null value removes) a variable for the C runtime and for child processes alike.
void setEnvironment(const char* name, const char* value);

std::string readFile(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);

// The folder of build/standin/dotnet.exe, relative to this test program in build/tests.
std::filesystem::path standinFolder();

// The stand-in's process id from its trace file ("pid <id>"), or 0.
DWORD tracedProcessId(const std::filesystem::path& trace);

// True when no process with this id runs any more, or it ends within `timeout`.
bool processEnds(DWORD processId, std::chrono::milliseconds timeout);

double secondsSince(std::chrono::steady_clock::time_point start);

// One frame's records as text, list by list in arrival order, with `root` shown as "<root>":
// "rect 10,20,30,40 255,0,0; screen ...; debug ...; sprite x,y,w,h r,g,b <texture> flips 1 0
// [src x,y,w,h]; text x,y 'text' <font> size r,g,b world|screen alignment; collider id x,y,w,h".
std::string describe(const TarnwickEngine::FrameCommands& commands,
                     const std::vector<TarnwickEngine::Collider>& colliders, const std::filesystem::path& root);

} // namespace TarnwickTest

#include "TestSupport.h"

#include "core/Application.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>

namespace TarnwickTest {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
}

} // namespace

LogCapture::LogCapture() : oldOut(std::cout.rdbuf(outText.rdbuf())), oldErr(std::cerr.rdbuf(errText.rdbuf())) {}

LogCapture::~LogCapture() {
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
}

std::vector<std::string> LogCapture::outLines() const { return linesOf(out()); }
std::vector<std::string> LogCapture::errLines() const { return linesOf(err()); }

ScratchFolder::ScratchFolder() {
    static int counter = 0;
    folder = fs::temp_directory_path() /
             ("tarnwick-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter));
    fs::create_directories(folder);
    folder = fs::canonical(folder);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

fs::path ScratchFolder::write(const fs::path& relative, const std::string& bytes) const {
    const fs::path file = folder / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

void setEnvironment(const char* name, const char* value) {
    // "NAME=" removes the variable from the C runtime's copy, which getenv reads.
    const std::string assignment = std::string(name) + "=" + (value ? value : "");
    _putenv(assignment.c_str());
    ::SetEnvironmentVariableA(name, value);
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> readLines(const fs::path& path) { return linesOf(readFile(path)); }

fs::path standinFolder() {
    return fs::weakly_canonical(TarnwickEngine::getExecutableDirectory() / ".." / "standin");
}

DWORD tracedProcessId(const fs::path& trace) {
    for (const std::string& line : readLines(trace)) {
        if (line.compare(0, 4, "pid ") == 0) return static_cast<DWORD>(std::strtoul(line.c_str() + 4, nullptr, 10));
    }
    return 0;
}

bool processEnds(DWORD processId, std::chrono::milliseconds timeout) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return true;
    const DWORD result = ::WaitForSingleObject(process, static_cast<DWORD>(timeout.count()));
    ::CloseHandle(process);
    return result == WAIT_OBJECT_0;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace TarnwickTest

#include "support/StandinTrace.h"

#include "support/TempDir.h"

#include <cstdlib>

namespace TarnwickTest {

DWORD tracedProcessId(const std::filesystem::path& trace) {
    for (const std::string& line : readLines(trace)) {
        if (line.rfind("pid ", 0) == 0) return static_cast<DWORD>(std::strtoul(line.c_str() + 4, nullptr, 10));
    }
    return 0;
}

std::vector<std::string> receivedFrames(const std::filesystem::path& trace) {
    std::vector<std::string> frames;
    for (const std::string& line : readLines(trace)) {
        if (line.rfind("recv FRAME|", 0) == 0) frames.push_back(line.substr(5));
    }
    return frames;
}

std::vector<double> receivedTimeSteps(const std::filesystem::path& trace) {
    std::vector<double> steps;
    for (const std::string& frame : receivedFrames(trace)) steps.push_back(std::strtod(frame.c_str() + 6, nullptr));
    return steps;
}

} // namespace TarnwickTest

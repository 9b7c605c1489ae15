// Reading the trace that the stand-in script host writes when TARNWICK_STANDIN_TRACE names a file:
// "pid <id>", "recv <line>" for every line it received, "send <word>" for every handshake word it
// sent, "reading again" when a pause in its reading ends, and "exit <code>".
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace TarnwickTest {

// The stand-in's process id, or 0 before it has written it.
DWORD tracedProcessId(const std::filesystem::path& trace);

// The FRAME lines the stand-in received, in order.
std::vector<std::string> receivedFrames(const std::filesystem::path& trace);

// The time step of each FRAME line the stand-in received, in order. With a large maxDeltaTime in
// the project, each is the length of the program's pass before it.
std::vector<double> receivedTimeSteps(const std::filesystem::path& trace);

} // namespace TarnwickTest

// Helpers for the script host tests: captured log lines, scratch folders, environment variables,
// and the stand-in script host with the processes it leaves behind.
#pragma once

#include "scripthost/FrameCommands.h"
#include "support/LogCapture.h"
#include "support/ProcessRunner.h"
#include "support/StandinTrace.h"
#include "support/TempDir.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace TarnwickTest {

double secondsSince(std::chrono::steady_clock::time_point start);

// One frame's records as text, list by list in arrival order, with `root` shown as "<root>":
// "rect 10,20,30,40 255,0,0; screen ...; debug ...; sprite x,y,w,h r,g,b <texture> flips 1 0
// [src x,y,w,h]; text x,y 'text' <font> size r,g,b world|screen alignment; collider id x,y,w,h".
std::string describe(const TarnwickEngine::FrameCommands& commands,
                     const std::vector<TarnwickEngine::Collider>& colliders, const std::filesystem::path& root);

} // namespace TarnwickTest

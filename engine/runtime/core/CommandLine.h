// The program's command line: "--project <dir or project.json>", "--preview", or a bare project path.
#pragma once

#include <filesystem>

namespace TarnwickEngine {

struct CommandLine {
    std::filesystem::path projectPath = "samples/BasicGame";
    bool preview = false;
};

// Reads argv[1..argc-1] left to right; the last project path given wins. Unknown "--" options and a
// trailing "--project" are ignored. Arguments become paths through the ANSI code page.
CommandLine parseCommandLine(int argc, const char* const* argv);

// "[Info] Preview mode enabled for project: " + the path as given, on standard output.
void logPreviewLine(const std::filesystem::path& projectPath);

} // namespace TarnwickEngine

// Runs a program as a user would from a console, with its standard output and standard error
// captured as raw bytes, and waits for it with a time-out.
#pragma once

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
    std::vector<std::pair<std::wstring, std::wstring>> environment; // added to (or replacing) ours
    std::chrono::milliseconds timeout{30000};
};

// The program and its arguments are quoted by the rules the C runtime reads back.
ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                         const ProcessOptions& options = {});

std::wstring quoteArgument(const std::wstring& argument);

// build/ (the folder above build/tests/...) holds TarnwickEngine.exe.
std::filesystem::path buildDirectory();

} // namespace TarnwickTest

// The fixture of the end-to-end tests: a project folder, the real program started on it with the
// stand-in script host, and the stand-in's trace of what it received.
#pragma once

#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace TarnwickTest {

// Polls `condition` every 5 ms until it holds (true) or `timeout` has passed (false).
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Of a frame loop's time steps: the median, and the fastest. A busy machine lengthens some passes
// and leaves others alone, so the fastest pass shows what the program itself holds a pass to: a wait
// it adds to every pass shows in the fastest one too.
double median(std::vector<double> steps);
double fastest(const std::vector<double>& steps);

class EndToEnd : public ::testing::Test {
protected:
    // Writes Game/project.json with a name, the main class and `settings` (",\n  \"key\": value"...).
    void writeProject(const std::string& settings);
    // Starts the program on the project, the stand-in told to behave as `misbehaviour` says.
    RunningProgram& start(const std::string& misbehaviour = "");

    std::size_t frames() const;
    bool framesReach(std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(20000));
    // The time steps of the later two thirds of the frames, once `count` frames have come (the first
    // passes run while Wine is still warming up). With a large maxDeltaTime in the project each time
    // step is the loop's real pass length, as the program measured it.
    std::vector<double> laterTimeSteps(std::size_t count);
    bool anyFrameEndsWith(const std::string& tail) const;
    ProcessResult closeAndWait();

    TempDir folder;
    std::filesystem::path project = folder.path() / "Game";
    std::filesystem::path trace = folder.path() / "trace.txt";
    std::unique_ptr<RunningProgram> program;
};

} // namespace TarnwickTest

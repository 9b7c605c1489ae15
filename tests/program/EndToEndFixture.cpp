#include "EndToEndFixture.h"

#include "core/TextEncoding.h"

#include "support/StandinTrace.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace TarnwickTest {

using std::chrono::milliseconds;

bool eventually(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

void EndToEnd::writeProject(const std::string& settings) {
    folder.write("Game/project.json", "{\n  \"name\": \"End To End\",\n  \"mainClass\": \"Game.Main\"" + settings + "\n}\n");
}

RunningProgram& EndToEnd::start(const std::string& misbehaviour) {
    ProcessOptions options;
    options.environment = {{L"DOTNET_ROOT", standinFolder().native()},
                           {L"TARNWICK_STANDIN_TRACE", trace.native()},
                           {L"TARNWICK_STANDIN", TarnwickEngine::widenText(misbehaviour)}};
    program = std::make_unique<RunningProgram>(buildDirectory() / "TarnwickEngine.exe",
                                               std::vector<std::wstring>{L"--project", project.native()}, options);
    return *program;
}

std::size_t EndToEnd::frames() const { return receivedFrames(trace).size(); }

bool EndToEnd::framesReach(std::size_t count, milliseconds timeout) {
    return eventually([&] { return frames() >= count; }, timeout);
}

double median(std::vector<double> steps) {
    if (steps.empty()) return 0.0;
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
    return steps[steps.size() / 2];
}

double fastest(const std::vector<double>& steps) {
    return steps.empty() ? 0.0 : *std::min_element(steps.begin(), steps.end());
}

std::vector<double> EndToEnd::laterTimeSteps(std::size_t count) {
    EXPECT_TRUE(framesReach(count, milliseconds(30000)));
    std::vector<double> steps = receivedTimeSteps(trace);
    steps.erase(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(std::max<std::size_t>(2, steps.size() / 3)));
    return steps;
}

bool EndToEnd::anyFrameEndsWith(const std::string& tail) const {
    for (const std::string& frame : receivedFrames(trace)) {
        if (frame.size() >= tail.size() && frame.compare(frame.size() - tail.size(), tail.size(), tail) == 0) return true;
    }
    return false;
}

ProcessResult EndToEnd::closeAndWait() {
    EXPECT_TRUE(program->post(WM_CLOSE));
    return program->wait(milliseconds(10000));
}

} // namespace TarnwickTest

// The whole program with the stand-in script host, run as a user would run it: the window, the
// frame loop, input from outside, closing, and a misbehaving script host. These open the window.
#include "EndToEndFixture.h"

#include "core/Files.h"

#include "support/StandinTrace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace TarnwickTest;
using TarnwickEngine::pathToString;
namespace fs = std::filesystem;
using std::chrono::milliseconds;

namespace {

std::size_t position(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<std::size_t>(std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
                                        return line.rfind(prefix, 0) == 0;
                                    }) - lines.begin());
}

} // namespace

TEST_F(EndToEnd, ClosingTheWindowShutsTheScriptHostDownAndExitsWithZero) {
    writeProject("");
    start("echo-args");
    ASSERT_TRUE(framesReach(3)) << program->err();
    const ProcessResult result = closeAndWait();
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.err, "");

    const std::vector<std::string> lines = readLines(trace);
    const std::size_t ready = position(lines, "send READY"), begin = position(lines, "recv START"),
                      started = position(lines, "send STARTED"), frame = position(lines, "recv FRAME|"),
                      shutdown = position(lines, "recv SHUTDOWN"), exit = position(lines, "exit 0");
    EXPECT_LT(ready, begin);
    EXPECT_LT(begin, started);
    EXPECT_LT(started, frame);
    EXPECT_LT(frame, shutdown);
    EXPECT_LT(shutdown, exit);
    EXPECT_LT(exit, lines.size()) << readFile(trace);
    EXPECT_TRUE(processEnds(tracedProcessId(trace), milliseconds(3000)));

    // The nine values for a project with default settings, as the child's command line held them.
    const std::string head = "[Info] commandLine=\"" + pathToString(standinFolder() / "dotnet.exe") + "\" \"";
    const std::string tail = "\"Game.Main\" \"" + pathToString(project) + "\" \"\" \"0.016667\" \"0.000000\" \"0.000000\"\r\n";
    const std::size_t line = result.out.find(head);
    ASSERT_NE(line, std::string::npos) << result.out;
    const std::size_t end = result.out.find('\n', line) + 1;
    EXPECT_EQ(result.out.substr(end - tail.size(), tail.size()), tail) << result.out;
    EXPECT_NE(result.out.find("[Info] argc=9\r\n"), std::string::npos);
    EXPECT_NE(result.out.find("[Info] C# script host started.\r\n"), std::string::npos);
    EXPECT_NE(result.out.find("[Info] Running project: End To End\r\n"), std::string::npos);
}

TEST_F(EndToEnd, ScriptHostThatNeverBecomesReadyEndsTheProgramWithOne) {
    writeProject("");
    RunningProgram& engine = start("no-ready");
    const std::string error = "[Error] Script host did not become ready.\r\n";
    // The five-second wait begins when the script host has been started: after the program's own
    // start, which on a busy machine can take seconds, and before the script host's first sign of
    // life, its process id in the trace.
    ASSERT_TRUE(eventually([&] { return tracedProcessId(trace) != 0; }, milliseconds(15000)));
    const auto scriptHostStarted = std::chrono::steady_clock::now();
    ASSERT_TRUE(eventually([&] { return engine.err().find(error) != std::string::npos; }, milliseconds(15000)));
    EXPECT_GE(engine.secondsRunning(), 5.0);
    EXPECT_LT(std::chrono::steady_clock::now() - scriptHostStarted, milliseconds(6000));
    const ProcessResult result = engine.wait(milliseconds(10000));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err, error);
    EXPECT_TRUE(processEnds(tracedProcessId(trace), milliseconds(3000)));
}

TEST_F(EndToEnd, ScriptHostThatExitsBeforeReadyEndsTheProgramWithOne) {
    writeProject("");
    const ProcessResult result = start("exit-before-ready").wait(milliseconds(15000));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err, "[Error] Script host did not become ready.\r\n");
}

// A limiter that waits too little makes most passes shorter than the target; one that waits twice
// the target makes every pass at least that long, however idle the machine. How close to the target
// a pass ends is the machine's to say: scripts/bench shows it.
TEST_F(EndToEnd, FrameLimiterHoldsEachPassToTheTarget) {
    writeProject(",\n  \"targetFps\": 20,\n  \"maxDeltaTime\": 10");
    start();
    const std::vector<double> steps = laterTimeSteps(45);
    ASSERT_FALSE(steps.empty());
    std::printf("limiter on, target 20: median pass %.2f ms, fastest %.2f ms\n", median(steps) * 1000,
                fastest(steps) * 1000);
    EXPECT_GE(median(steps), 1.0 / 20 - 1e-4);
    EXPECT_LT(fastest(steps), 2.0 / 20);
    EXPECT_EQ(closeAndWait().exitCode, 0u);
}

TEST_F(EndToEnd, WithoutTheLimiterTheLoopRunsAsFastAsTheScriptHostAnswers) {
    writeProject(",\n  \"targetFps\": 20,\n  \"enableFrameLimiter\": false,\n  \"maxDeltaTime\": 10");
    start();
    const std::vector<double> steps = laterTimeSteps(300);
    ASSERT_FALSE(steps.empty());
    std::printf("limiter off: median pass %.2f ms, fastest %.2f ms\n", median(steps) * 1000, fastest(steps) * 1000);
    // Each pass still waits for the answer, polled every millisecond or so. A limiter left on would
    // hold every pass to 50 ms, and one at the usual 60 frames a second to 16.7 ms.
    EXPECT_LT(fastest(steps), 1.0 / 60);
    EXPECT_EQ(closeAndWait().exitCode, 0u);
}

// Every pass waits out the 500 ms of its FRAME exchange; one whose time-out were longer would make
// every pass longer, the fastest included.
TEST_F(EndToEnd, ALateScriptHostMakesHalfSecondFramesAndTheWindowStillCloses) {
    writeProject(",\n  \"maxDeltaTime\": 10");
    start("no-end-frame");
    const std::vector<double> steps = laterTimeSteps(8);
    ASSERT_FALSE(steps.empty());
    std::printf("script host that never ends a frame: median pass %.0f ms, fastest %.0f ms\n", median(steps) * 1000,
                fastest(steps) * 1000);
    EXPECT_GT(fastest(steps), 0.49);
    EXPECT_LT(fastest(steps), 0.65);

    // The close is seen at the start of the next pass, however long the passes are: no FRAME line
    // goes out after the one of the pass the close found in progress.
    const HWND window = program->window();
    ASSERT_NE(window, nullptr);
    const std::size_t framesBeforeTheClose = frames();
    ASSERT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
    const ProcessResult result = program->wait(milliseconds(10000));
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_LE(frames(), framesBeforeTheClose + 1) << readFile(trace);
    EXPECT_TRUE(processEnds(tracedProcessId(trace), milliseconds(3000)));
}

// Frames shorter than 0.05 s never meet the clamp. With the default maxDeltaTime, each half-second
// pass of a late script host is handed on as 0.05 s, from the second frame on (the first follows
// the start-up).
TEST_F(EndToEnd, ALateScriptHostIsHandedTimeStepsClampedToTheDefaultMaximum) {
    writeProject("");
    start("no-end-frame");
    ASSERT_TRUE(framesReach(5)) << program->err();
    const std::vector<std::string> frames = receivedFrames(trace);
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i].substr(0, 11), "FRAME|0.05|") << i;
    EXPECT_EQ(closeAndWait().exitCode, 0u);
}

TEST_F(EndToEnd, AScriptHostThatIgnoresShutdownIsTerminated) {
    writeProject("");
    start("ignore-shutdown");
    ASSERT_TRUE(framesReach(2));
    const ProcessResult result = closeAndWait();
    EXPECT_EQ(result.exitCode, 0u);
    const DWORD child = tracedProcessId(trace);
    ASSERT_NE(child, 0u);
    EXPECT_TRUE(processEnds(child, milliseconds(2000)));
    EXPECT_EQ(readLines(trace).back(), "recv SHUTDOWN");
}

// The sample game as shipped: every picture it names loads, it logs its greeting, and it plays.
TEST(SampleGame, RunsWithoutAWarningAndClosesCleanly) {
    TempDir folder;
    const fs::path trace = folder.path() / "trace.txt";
    ProcessOptions options;
    options.environment = {{L"DOTNET_ROOT", standinFolder().native()}, {L"TARNWICK_STANDIN_TRACE", trace.native()}};
    // Wine shows the Linux file system as drive Z:.
    const fs::path sample = fs::path("Z:" TARNWICK_SOURCE_DIR) / "samples" / "BasicGame";
    RunningProgram engine(buildDirectory() / "TarnwickEngine.exe", {sample.native()}, options);
    ASSERT_TRUE(eventually([&] { return receivedFrames(trace).size() >= 30; }, milliseconds(20000))) << engine.err();
    ASSERT_TRUE(engine.post(WM_KEYDOWN, VK_LEFT));
    ASSERT_TRUE(eventually([&] { return receivedFrames(trace).back().find("|37|") != std::string::npos; }, milliseconds(5000)));
    ASSERT_TRUE(engine.post(WM_CLOSE));
    const ProcessResult result = engine.wait(milliseconds(10000));
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.find("[Warn]"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("[Info] BasicGame started"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("[Info] Running project: BasicGame\r\n"), std::string::npos) << result.out;
}

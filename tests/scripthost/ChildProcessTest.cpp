// The bridge against real child processes: the stand-in script host, told by its environment how
// to behave (tools/standin/main.cpp lists the behaviours).
#include "TestSupport.h"

#include "core/Files.h"
#include "core/TextEncoding.h"
#include "scripthost/ScriptHostImpl.h"

#include "support/StandinTrace.h"
#include "support/SystemTimes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace TarnwickEngine;
using namespace TarnwickTest;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string utf8(const std::wstring& wide) { return pathToString(fs::path(wide)); }

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A shutdown that ends with its child, as seen from outside: it returns before its 300 ms are up,
// or within a third of them after the child ended (by the end time the system recorded). One that
// runs on to its 300 ms whatever the child does fails both when the child ended within the first
// two thirds. A busy machine can end the child late, or let the waiting host see the end late, but
// the host's wait is what has to be late by a third of the 300 ms for a sound shutdown to fail.
struct ShutdownTimes {
    double seconds = 0;
    double afterTheChildEnded = 0;
    bool endedWithTheChild() const { return seconds < 0.3 || afterTheChildEnded < 0.1; }
};

std::ostream& operator<<(std::ostream& out, const ShutdownTimes& times) {
    return out << "the shutdown took " << times.seconds << " s, " << times.afterTheChildEnded
               << " s of them after the child had ended";
}

class ChildProcess : public ::testing::Test {
protected:
    void SetUp() override {
        setEnvironment("DOTNET_ROOT", pathToString(standinFolder()).c_str());
        setEnvironment("TARNWICK_STANDIN", nullptr);
        setEnvironment("TARNWICK_STANDIN_ANSWERS", nullptr);
        tracePath = folder.path() / "trace.txt";
        setEnvironment("TARNWICK_STANDIN_TRACE", pathToString(tracePath).c_str());
        config.projectRoot = folder.path();
        config.scriptHostPath = folder.write("ScriptHost/TarnwickEngine.ScriptHost.dll", "");
        config.assemblyPath = folder.write("bin/Game.dll", "");
        config.mainClass = "Game.Main";
    }

    void TearDown() override {
        impl.shutdown();
        closeHandleIfOpen(watch);
    }

    void behave(const char* behaviour) { setEnvironment("TARNWICK_STANDIN", behaviour); }

    // Canned output: before READY, before STARTED, then the answers to FRAME 1, 2, ...
    void answer(const std::vector<std::string>& pieces) {
        std::string bytes;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0) bytes += '\0';
            bytes += pieces[i];
        }
        const fs::path file = folder.write("answers.bin", bytes);
        setEnvironment("TARNWICK_STANDIN_ANSWERS", pathToString(file).c_str());
    }

    // Starts the child and keeps a handle of our own on it, to watch it after the bridge has let go.
    bool start() {
        const bool started = impl.start(config);
        if (started) {
            ::DuplicateHandle(::GetCurrentProcess(), impl.processHandle, ::GetCurrentProcess(), &watch, 0, FALSE,
                              DUPLICATE_SAME_ACCESS);
        }
        return started;
    }

    double timedFrame(float deltaTime = 1.0f / 60.0f) {
        const auto begin = Clock::now();
        impl.frame(deltaTime);
        return secondsSince(begin);
    }

    // True when the frame's wait ended at the answer's END_FRAME, not at its time-out. That the
    // wait returns at the poll that finds it, the transport's own tests count.
    bool frameEndsByItsAnswer() {
        impl.frame(1.0f / 60.0f);
        return impl.frameEnded;
    }

    bool allHandlesClosed() const {
        return !impl.processHandle && !impl.threadHandle && !impl.stdInWrite && !impl.stdOutRead;
    }

    // 400 frames while the child reads nothing but answers each at once: more than twice the FRAME
    // lines its input pipe holds.
    struct FullPipeFrames {
        int answered = 0;               // frames that ended by their answer
        double fastestOnceFull = 1e9;   // seconds, of the frames after the first 200
    };
    FullPipeFrames framesIntoAFullPipe() {
        FullPipeFrames frames;
        for (int i = 0; i < 400; ++i) {
            const auto begin = Clock::now();
            frames.answered += frameEndsByItsAnswer() ? 1 : 0;
            if (i >= 200) frames.fastestOnceFull = std::min(frames.fastestOnceFull, secondsSince(begin));
        }
        return frames;
    }

    DWORD childExitCode() const {
        EXPECT_EQ(::WaitForSingleObject(watch, 5000), WAIT_OBJECT_0);
        DWORD code = 12345;
        ::GetExitCodeProcess(watch, &code);
        return code;
    }

    ShutdownTimes timedShutdown() {
        const std::int64_t begin = systemTimeNow();
        impl.shutdown();
        const std::int64_t returned = systemTimeNow();
        EXPECT_EQ(::WaitForSingleObject(watch, 5000), WAIT_OBJECT_0);
        ShutdownTimes times;
        times.seconds = static_cast<double>(returned - begin) / 1e7;
        times.afterTheChildEnded = static_cast<double>(returned - processEndTime(watch)) / 1e7;
        return times;
    }

    // Members are destroyed in reverse: the child ends before its folder is removed.
    TempDir folder;
    fs::path tracePath;
    ScriptHostConfig config;
    ScriptHost::Impl impl;
    HANDLE watch = nullptr;
};

} // namespace

// Quotes, trailing backslashes, a drive root, UTF-8, and bytes that are not UTF-8 (widened one by
// one), as CommandLineToArgvW and the C runtime read them back.
TEST_F(ChildProcess, HostileValuesReachTheChildUnchanged) {
    behave("echo-args");
    config.projectRoot = folder.path().root_path();
    config.mainClass = "Spiel.Gr\xC3\xB6\xC3\x9F" "e\" \"--inject\\";
    config.startScene = "a\\\\\"b c\\\xE9";
    config.fixedDeltaTime = 0.05f;
    config.x = -12.5f;
    config.y = 1e6f;
    LogCapture log;
    ASSERT_TRUE(start());
    const std::string expected[] = {
        pathToString(standinFolder() / "dotnet.exe"), pathToString(config.scriptHostPath),
        pathToString(config.assemblyPath),            config.mainClass,
        pathToString(config.projectRoot),             utf8(widenBytes(config.startScene)),
        "0.050000",                                   "-12.500000",
        "1000000.000000",
    };
    const auto out = log.outLines();
    EXPECT_TRUE(contains(out, "[Info] argc=9")) << log.out();
    EXPECT_TRUE(contains(out, "[Info] crtArgc=9"));
    for (int i = 0; i < 9; ++i) {
        EXPECT_TRUE(contains(out, "[Info] arg" + std::to_string(i) + "=" + expected[i])) << i << log.out();
        EXPECT_TRUE(contains(out, "[Info] crtArg" + std::to_string(i) + "=" + expected[i])) << i;
    }
    EXPECT_TRUE(contains(out, "[Info] cwd=" + pathToString(config.projectRoot)));
    EXPECT_EQ(out.back(), "[Info] C# script host started.");
}

class StartWithoutReady : public ChildProcess, public ::testing::WithParamInterface<const char*> {};

TEST_P(StartWithoutReady, FailsAfterFiveSecondsAndLeavesNoChild) {
    behave(GetParam());
    LogCapture log;
    const auto begin = Clock::now();
    EXPECT_FALSE(start());
    const double seconds = secondsSince(begin);
    EXPECT_GE(seconds, 4.9);
    EXPECT_LT(seconds, 8.0);
    EXPECT_EQ(log.errLines(), std::vector<std::string>{"[Error] Script host did not become ready."});
    EXPECT_TRUE(allHandlesClosed());
    const DWORD childId = tracedProcessId(tracePath);
    ASSERT_NE(childId, 0u);
    EXPECT_TRUE(processEnds(childId, std::chrono::milliseconds(3000)));
}

INSTANTIATE_TEST_SUITE_P(Behaviours, StartWithoutReady, ::testing::Values("no-ready", "exit-before-ready"),
                         [](const auto& info) { return std::string(info.param[0] == 'n' ? "Silent" : "Exited"); });

TEST_F(ChildProcess, StartWithoutDotnetFailsAtOnce) {
    const std::string empty = pathToString(folder.path());
    setEnvironment("DOTNET_ROOT", empty.c_str());
    setEnvironment("USERPROFILE", empty.c_str());
    LogCapture log;
    const auto begin = Clock::now();
    EXPECT_FALSE(start());
    EXPECT_LT(secondsSince(begin), 3.0);
    EXPECT_EQ(log.errLines(),
              std::vector<std::string>{"[Error] Could not start .NET script host. Make sure dotnet is available on PATH."});
    EXPECT_TRUE(allHandlesClosed());
}

TEST_F(ChildProcess, MissingStartedDelaysTheLoopByFiveSeconds) {
    behave("no-started");
    ASSERT_TRUE(start());
    const auto begin = Clock::now();
    impl.startScripts();
    const double seconds = secondsSince(begin);
    EXPECT_GE(seconds, 4.9);
    EXPECT_LT(seconds, 7.0);
    EXPECT_FALSE(impl.started);
    EXPECT_TRUE(frameEndsByItsAnswer());
}

TEST_F(ChildProcess, FramesCollectTheirOwnLines) {
    std::string debugRects;
    for (int i = 0; i < 300; ++i) debugRects += "DEBUG_RECT|" + std::to_string(i) + "|0|1|1|0|0|0\n";
    const std::string longText(1500, 'w');
    answer({
        "LOG|Info|early\nCAMERA|5|6|2|640|360\nRECT|1|1|1|1|1|1|1\n",
        "SPRITE|1|1|1|1|1|1|1|a.png\n",
        "RECT|10|20|30|40|255|0|0\r\nTEXT|0|0|" + longText + "|f.ttf|12|1|2|3|false|Right\r\r\n" + debugRects +
            "END_FRAME\r\n",
        "CAMERA|7|8\nRECT|2|2|2|2|0|0|0\nEND_FRAME\nRECT|7|7|",
        "7|7|0|0|0\nEND_FRAME\n",
    });
    LogCapture log;
    ASSERT_TRUE(start());
    const auto out = log.outLines();
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[out.size() - 2], "[Info] early");
    impl.startScripts();
    ASSERT_TRUE(impl.started);

    // The camera sent during start-up holds; the records sent then are gone.
    std::string expected = "rect 10,20,30,40 255,0,0";
    for (int i = 0; i < 300; ++i) expected += "; debug " + std::to_string(i) + ",0,1,1 0,0,0";
    expected += "; text 0,0 '" + longText + "' <root>\\f.ttf 12 1,2,3 world Right\r";
    const FrameCommands& frame = impl.commands();
    const auto frameText = [&] { return describe(frame, impl.colliders, config.projectRoot); };
    EXPECT_TRUE(frameEndsByItsAnswer());
    EXPECT_EQ(frameText(), expected);
    EXPECT_EQ(frame.camera.x, 5.0f);
    EXPECT_EQ(frame.camera.zoom, 2.0f);

    // A line begun in one answer and ended in the next counts for the frame that completes it.
    EXPECT_TRUE(frameEndsByItsAnswer());
    EXPECT_EQ(frameText(), "rect 2,2,2,2 0,0,0");
    EXPECT_EQ(frame.camera.x, 7.0f);
    EXPECT_EQ(frame.camera.y, 8.0f);
    EXPECT_EQ(frame.camera.zoom, 2.0f);
    EXPECT_TRUE(frameEndsByItsAnswer());
    EXPECT_EQ(frameText(), "rect 7,7,7,7 0,0,0");
    EXPECT_TRUE(frameEndsByItsAnswer());
    EXPECT_EQ(frameText(), "");
    EXPECT_EQ(frame.camera.x, 7.0f);
    EXPECT_EQ(frame.camera.viewportWidth, 640.0f);
}

TEST_F(ChildProcess, LateAnswerCountsForTheNextFrame) {
    behave("late=1:700");
    answer({"", "", "RECT|1|0|0|0|0|0|0\nEND_FRAME\n", "RECT|2|0|0|0|0|0|0\nEND_FRAME\n"});
    ASSERT_TRUE(start());
    impl.startScripts();

    EXPECT_GE(timedFrame(), 0.49);
    EXPECT_TRUE(impl.commands().rects.empty());
    EXPECT_FALSE(impl.frameEnded);

    // The late END_FRAME ends this frame's wait.
    EXPECT_TRUE(frameEndsByItsAnswer());
    ASSERT_FALSE(impl.commands().rects.empty());
    EXPECT_EQ(impl.commands().rects[0].x, 1.0f);
}

struct ShutdownCase {
    const char* behaviour;
    DWORD exitCode;
    double minimumSeconds;
};

class Shutdown : public ChildProcess, public ::testing::WithParamInterface<ShutdownCase> {};

TEST_P(Shutdown, EndsTheChildAndClosesEveryHandleOnce) {
    behave(GetParam().behaviour);
    ASSERT_TRUE(start());
    impl.startScripts();
    impl.frame(0.01f);
    auto begin = Clock::now();
    impl.shutdown();
    const double seconds = secondsSince(begin);
    EXPECT_GE(seconds, GetParam().minimumSeconds);
    EXPECT_LT(seconds, 3.0);
    EXPECT_TRUE(allHandlesClosed());
    EXPECT_EQ(childExitCode(), GetParam().exitCode);
    EXPECT_TRUE(contains(readLines(tracePath), "recv SHUTDOWN"));

    begin = Clock::now();
    impl.shutdown();
    EXPECT_LT(secondsSince(begin), 0.1);
    EXPECT_TRUE(impl.ready);
}

INSTANTIATE_TEST_SUITE_P(Behaviours, Shutdown,
                         ::testing::Values(ShutdownCase{"", 0, 0.0}, ShutdownCase{"ignore-shutdown", 0, 0.29},
                                           ShutdownCase{"exit-259", STILL_ACTIVE, 0.0}),
                         [](const auto& info) {
                             const std::string behaviour = info.param.behaviour;
                             return behaviour.empty() ? std::string("Obeyed")
                                                      : behaviour[0] == 'i' ? std::string("Ignored")
                                                                            : std::string("ExitedWith259");
                         });

TEST_F(ChildProcess, ChildThatStopsReadingNeverBlocksTheHost) {
    behave("stop-reading");
    ASSERT_TRUE(start());
    impl.startScripts();
    // A write that waited for room would make every frame into the full pipe wait; a busy machine
    // slows some frames, never all of them. A write that blocked for good would never return.
    const FullPipeFrames frames = framesIntoAFullPipe();
    EXPECT_EQ(frames.answered, 400);
    EXPECT_LT(frames.fastestOnceFull, 0.05) << "a tenth of the frame's time-out";
    const std::string probe(64, 'x');
    DWORD written = 1;
    ::WriteFile(impl.stdInWrite, probe.data(), static_cast<DWORD>(probe.size()), &written, nullptr);
    EXPECT_EQ(written, 0u) << "the child's input pipe should be full";

    // SHUTDOWN never gets in, so the child has its 300 ms and is then terminated.
    const auto shutdownBegin = Clock::now();
    impl.shutdown();
    EXPECT_GE(secondsSince(shutdownBegin), 0.29);
    EXPECT_LT(secondsSince(shutdownBegin), 1.0);
    EXPECT_EQ(::WaitForSingleObject(watch, 3000), WAIT_OBJECT_0);
    const auto lines = readLines(tracePath);
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("exit", 0) == 0; }))
        << "the child should have been terminated: " << lines.back();
}

struct ReadingAgainCase {
    const char* name;
    int resumeAfterMilliseconds;
    std::string unsentRest; // the rest of an earlier line that the pipe took only in part
};

void PrintTo(const ReadingAgainCase& c, std::ostream* out) { *out << c.name; }

class ShutdownIntoAFullPipe : public ChildProcess, public ::testing::WithParamInterface<ReadingAgainCase> {};

// Sets an event at a given moment, from a thread started beforehand, so that what it takes to
// start a thread on a busy machine falls outside the time being measured. The event is set at the
// latest when the setter is finished or destroyed.
class EventSetter {
public:
    explicit EventSetter(HANDLE event)
        : thread([this, event] {
              while (!armed.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
              std::this_thread::sleep_until(at);
              ::SetEvent(event);
          }) {}
    ~EventSetter() { finish(); }
    EventSetter(const EventSetter&) = delete;
    EventSetter& operator=(const EventSetter&) = delete;

    void setAt(Clock::time_point when) {
        if (armed.load()) return;
        at = when;
        armed = true;
    }
    void finish() {
        setAt(Clock::now());
        if (thread.joinable()) thread.join();
    }

private:
    std::atomic<bool> armed{false};
    Clock::time_point at;
    std::thread thread;
};

// The child's input pipe is full to the last byte when the shutdown begins, and the child reads
// again a moment later: SHUTDOWN reaches it whole, after the rest of any line the pipe still owed,
// the child ends by itself, and the shutdown ends with it.
TEST_P(ShutdownIntoAFullPipe, ReachesAChildThatReadsAgainWhole) {
    const std::wstring eventName = L"TarnwickResume" + std::to_wstring(::GetCurrentProcessId());
    HANDLE resume = ::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_NE(resume, nullptr);
    behave(("stop-reading-until=" + utf8(eventName)).c_str());
    EventSetter resumer(resume);
    ASSERT_TRUE(start());
    impl.startScripts();
    // A few long lines fill the pipe, so that the child, once it reads again, has little to read
    // before SHUTDOWN; then one byte at a time into whatever room they left, until not one more fits.
    for (int i = 0; i < 6; ++i) impl.writeLine("FILL|" + std::string(1018, 'f'));
    for (int i = 0; i < 32; ++i) impl.writeLine("");
    const char probe = '\n';
    DWORD written = 1;
    ::WriteFile(impl.stdInWrite, &probe, 1, &written, nullptr);
    ASSERT_EQ(written, 0u) << "the child's input pipe should be full to the last byte";
    impl.unsentInput = GetParam().unsentRest;

    resumer.setAt(Clock::now() + std::chrono::milliseconds(GetParam().resumeAfterMilliseconds));
    const ShutdownTimes times = timedShutdown();
    resumer.finish();
    ::CloseHandle(resume);

    EXPECT_TRUE(times.endedWithTheChild()) << times;
    EXPECT_EQ(childExitCode(), 0u);
    EXPECT_TRUE(allHandlesClosed());
    std::vector<std::string> expectedTail = {"recv SHUTDOWN", "exit 0"};
    if (!GetParam().unsentRest.empty()) {
        const std::string& rest = GetParam().unsentRest;
        expectedTail.insert(expectedTail.begin(), "recv " + rest.substr(0, rest.size() - 1));
    }
    const auto lines = readLines(tracePath);
    ASSERT_GE(lines.size(), expectedTail.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(expectedTail.size()), lines.end()),
              expectedTail);
    EXPECT_TRUE(contains(lines, "reading again"));
}

INSTANTIATE_TEST_SUITE_P(Cases, ShutdownIntoAFullPipe,
                         ::testing::Values(ReadingAgainCase{"ReadingAtOnce", 10, ""},
                                           ReadingAgainCase{"ReadingLate", 150, ""},
                                           ReadingAgainCase{"OwingARest", 10, "PARTLY|sent line\n"},
                                           ReadingAgainCase{"OwingARestReadingLate", 150, "PARTLY|sent line\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WritingAtCloseCase {
    const char* name;
    int queuedFrames;
    int linesPerAnswer; // extra rectangle lines of 24 bytes in every answer
};

void PrintTo(const WritingAtCloseCase& c, std::ostream* out) { *out << c.name; }

class ShutdownWhileTheChildWrites : public ChildProcess, public ::testing::WithParamInterface<WritingAtCloseCase> {
protected:
    // Bytes waiting in the child's output pipe once they have stopped growing for 100 ms.
    DWORD settledOutput() {
        DWORD last = MAXDWORD;
        for (;;) {
            DWORD available = 0;
            ::PeekNamedPipe(impl.stdOutRead, nullptr, 0, nullptr, &available, nullptr);
            if (available == last) return available;
            last = available;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
};

// FRAME lines wait unread in the child's input, and its output pipe is full when the shutdown
// begins: the child is blocked writing its answer, and answers each FRAME still queued before it
// reads SHUTDOWN. Its output is read and dropped meanwhile, so it ends by itself.
TEST_P(ShutdownWhileTheChildWrites, DropsItsOutputUntilItEndsByItself) {
    behave(("burst-every=1:" + std::to_string(GetParam().linesPerAnswer)).c_str());
    ASSERT_TRUE(start());
    impl.startScripts();
    const int queued = GetParam().queuedFrames;
    for (int i = 0; i < queued; ++i) impl.writeLine("FRAME|0.0166667||0,0|");
    EXPECT_GE(settledOutput(), 4096u) << "the child's output pipe should be full";
    const std::size_t readBeforeShutdown = receivedFrames(tracePath).size();
    ASSERT_LT(readBeforeShutdown, static_cast<std::size_t>(queued)) << "the child should be blocked in a write";

    const ShutdownTimes times = timedShutdown();
    EXPECT_TRUE(times.endedWithTheChild()) << times;
    EXPECT_EQ(childExitCode(), 0u);
    EXPECT_TRUE(allHandlesClosed());
    EXPECT_EQ(receivedFrames(tracePath).size(), static_cast<std::size_t>(queued));
    const auto lines = readLines(tracePath);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), (std::vector<std::string>{"recv SHUTDOWN", "exit 0"}));
    EXPECT_TRUE(impl.commands().rects.empty()) << "what the shutdown reads is dropped, not handled";
}

// A few answers of about 1 KiB, two pipefuls; and about 150 KiB, many pipefuls, in answers of
// about 10 KiB. The host reads a long answer out of the pipe while the child waits in its write, so
// the child has few frames of its own to get through in the shutdown's 300 ms, however busy the
// machine; 150 answers of 1 KiB made it wake up over a hundred times in them.
INSTANTIATE_TEST_SUITE_P(Cases, ShutdownWhileTheChildWrites,
                         ::testing::Values(WritingAtCloseCase{"FewAnswersOwed", 8, 43},
                                           WritingAtCloseCase{"ManyPipefulsOwed", 15, 430}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChildProcess, LinesReachTheChildWholeOrNotAtAll) {
    behave("pause-reading=1500");
    ASSERT_TRUE(start());
    impl.startScripts();
    std::vector<std::string> sent;
    for (int i = 0; i < 300; ++i) {
        sent.push_back("LINE|" + std::to_string(i) + "|" + std::string(static_cast<std::size_t>(i % 37) * 3, 'p'));
        impl.writeLine(sent.back());
    }
    impl.waitFor("NOTHING", std::chrono::milliseconds(2500));
    impl.shutdown();
    EXPECT_EQ(childExitCode(), 0u);

    std::vector<std::string> received;
    for (const std::string& line : readLines(tracePath)) {
        if (line.rfind("recv LINE|", 0) == 0) received.push_back(line.substr(5));
    }
    ASSERT_FALSE(received.empty());
    EXPECT_LT(received.size(), sent.size()) << "some lines should not have fit";
    std::size_t next = 0;
    for (const std::string& line : received) {
        const auto found = std::find(sent.begin() + static_cast<std::ptrdiff_t>(next), sent.end(), line);
        ASSERT_NE(found, sent.end()) << "not a whole line sent, or out of order: " << line;
        next = static_cast<std::size_t>(found - sent.begin()) + 1;
    }
    EXPECT_EQ(readLines(tracePath).back(), "exit 0");
}

TEST_F(ChildProcess, LineLongerThanThePipeBufferArrivesWhole) {
    ASSERT_TRUE(start());
    impl.startScripts();
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the child waits in its read again
    const std::string longLine = "LONG|" + std::string(9000, 'z');
    impl.writeLine(longLine);
    impl.waitFor("NOTHING", std::chrono::milliseconds(500));
    impl.writeLine("AFTER");
    impl.shutdown();
    EXPECT_EQ(childExitCode(), 0u);
    std::vector<std::string> received;
    for (const std::string& line : readLines(tracePath)) {
        if (line.rfind("recv ", 0) == 0) received.push_back(line.substr(5));
    }
    EXPECT_EQ(received, (std::vector<std::string>{"START", longLine, "AFTER", "SHUTDOWN"}));
}

TEST_F(ChildProcess, FloodingChildCannotStallTheHost) {
    behave("flood");
    ASSERT_TRUE(start());
    impl.startScripts();
    LogCapture log;
    // However slowly the reads go, each frame keeps its time-out until the line passes the bound: it
    // waits the time-out out, and reads one batch past it at most, which the transport's tests count.
    for (int i = 0; i < 30 && log.outLines().empty(); ++i) {
        EXPECT_GE(timedFrame(), 0.49);
        EXPECT_FALSE(impl.frameEnded);
        EXPECT_LE(impl.pendingOutput.size(), maxLineBytes);
    }
    timedFrame();
    EXPECT_EQ(log.outLines(), std::vector<std::string>{"[Warn] Dropped a script host line longer than 1 MiB."});

    // The shutdown reads what the child writes, and a child that never stops writing is still
    // terminated once its 300 ms are over: the discard stops one batch of reads after them.
    const auto begin = Clock::now();
    impl.shutdown();
    EXPECT_GE(secondsSince(begin), 0.29);
    EXPECT_EQ(::WaitForSingleObject(watch, 3000), WAIT_OBJECT_0);
    const auto lines = readLines(tracePath);
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("exit", 0) == 0; }))
        << "the child should have been terminated: " << lines.back();
}

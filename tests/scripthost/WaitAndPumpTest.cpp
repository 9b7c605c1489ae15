// The transport's waits and pumps against a pipe of the test's own, counted rather than timed: how
// many polls a wait makes once its answer is there, and how much a pump reads once its time is up.
// Counts hold however busy the machine is; the child process tests see the same with a real child.
#include "TestSupport.h"

#include "scripthost/ScriptHostImpl.h"
#include "support/Pipe.h"

#include <gtest/gtest.h>

#include <thread>

using namespace TarnwickEngine;
using TarnwickTest::LogCapture;
using TarnwickTest::Pipe;
using Clock = std::chrono::steady_clock;

namespace {

// The bridge reading a pipe that a thread of the test keeps full, as a child that writes without
// pause would: bytes with no line end, so every byte read stays pending.
class Flood {
public:
    explicit Flood(ScriptHost::Impl& impl) : impl(impl) {
        impl.stdOutRead = pipe.giveReadEnd();
        writer = std::thread([this] { pipe.put(std::string(std::size_t(4) << 20, 'x')); });
        // The pumps below must find the flood already there; a pipe still empty would end them at once.
        const auto giveUp = Clock::now() + std::chrono::seconds(20);
        DWORD available = 0;
        while (available < 4096 && Clock::now() < giveUp) {
            ::PeekNamedPipe(impl.stdOutRead, nullptr, 0, nullptr, &available, nullptr);
            ::Sleep(1);
        }
    }
    // Closing the read end ends the writer's write.
    ~Flood() {
        closeHandleIfOpen(impl.stdOutRead);
        writer.join();
    }
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;

private:
    ScriptHost::Impl& impl;
    Pipe pipe;
    std::thread writer;
};

const Clock::time_point timeIsUp = Clock::time_point::min();

} // namespace

TEST(Wait, EndsAtThePollThatFindsItsAnswer) {
    Pipe pipe;
    ScriptHost::Impl impl;
    impl.stdOutRead = pipe.giveReadEnd();
    LogCapture log;

    ASSERT_TRUE(pipe.put("READY\n"));
    impl.waitFor("READY", std::chrono::milliseconds(5000));
    EXPECT_TRUE(impl.ready);
    EXPECT_EQ(impl.waitPolls, 1u);

    ASSERT_TRUE(pipe.put("STARTED\n"));
    impl.startScripts();
    EXPECT_TRUE(impl.started);
    EXPECT_EQ(impl.waitPolls, 2u);

    ASSERT_TRUE(pipe.put("RECT|1|2|3|4|5|6|7\nEND_FRAME\n"));
    impl.frame(0.01f);
    EXPECT_TRUE(impl.frameEnded);
    EXPECT_EQ(impl.commands().rects.size(), 1u);
    EXPECT_EQ(impl.waitPolls, 3u);
}

// A frame with no END_FRAME waits out its 500 ms; the END_FRAME that comes after it ends the next
// frame's wait at that frame's first poll.
TEST(Wait, ALateEndFrameEndsTheNextFramesWaitAtOnce) {
    Pipe pipe;
    ScriptHost::Impl impl;
    impl.stdOutRead = pipe.giveReadEnd();

    ASSERT_TRUE(pipe.put("RECT|1|2|3|4|5|6|7\n"));
    const auto begin = Clock::now();
    impl.frame(0.01f);
    EXPECT_GE(Clock::now() - begin, std::chrono::milliseconds(500));
    EXPECT_FALSE(impl.frameEnded);
    EXPECT_EQ(impl.commands().rects.size(), 1u);

    ASSERT_TRUE(pipe.put("END_FRAME\n"));
    const std::uint64_t before = impl.waitPolls;
    impl.frame(0.01f);
    EXPECT_TRUE(impl.frameEnded);
    EXPECT_TRUE(impl.commands().rects.empty());
    EXPECT_EQ(impl.waitPolls - before, 1u);
}

// Once its time is up a pump looks at the clock every readsBetweenClockChecks reads, so a child
// that never stops writing holds a wait past its time-out by one batch of reads at most.
TEST(Pump, StopsOneBatchOfReadsAfterItsTimeIsUp) {
    ScriptHost::Impl impl;
    const Flood flood(impl);
    impl.pumpOutput(timeIsUp);
    EXPECT_GT(impl.pendingOutput.size(), 0u);
    EXPECT_LE(impl.pendingOutput.size(), readsBetweenClockChecks * pumpReadBytes);
}

// The line bound holds read by read: a pending line is dropped by the read that takes it past
// maxLineBytes, so the received bytes never need more storage than the bound and one read, however
// many bytes a pump takes in one go.
TEST(Pump, ALineIsDroppedByTheReadThatTakesItPastTheBound) {
    Pipe pipe;
    ScriptHost::Impl impl;
    impl.stdOutRead = pipe.giveReadEnd();
    LogCapture log;
    impl.pendingOutput.reserve(maxLineBytes + pumpReadBytes);
    const std::size_t storage = impl.pendingOutput.capacity();
    // A long line that earlier pumps have left pending, 100 bytes short of the bound.
    impl.pendingOutput.assign(maxLineBytes - 100, 'x');
    // Several reads' worth, yet less than a pipe buffer, so the put does not wait for a reader.
    ASSERT_TRUE(pipe.put(std::string(6 * pumpReadBytes, 'x') + "\nREADY\n"));
    impl.pumpOutput();
    EXPECT_TRUE(impl.ready);
    EXPECT_TRUE(impl.pendingOutput.empty());
    EXPECT_EQ(impl.pendingOutput.capacity(), storage);
    EXPECT_EQ(log.outLines(), std::vector<std::string>{"[Warn] Dropped a script host line longer than 1 MiB."});
}

TEST(Pump, TheShutdownsDiscardStopsOneBatchOfReadsAfterItsTimeIsUp) {
    ScriptHost::Impl impl;
    const Flood flood(impl);
    const std::size_t dropped = impl.discardOutput(timeIsUp);
    EXPECT_GT(dropped, 0u);
    EXPECT_LE(dropped, readsBetweenClockChecks * discardReadBytes);
    EXPECT_TRUE(impl.pendingOutput.empty());
}

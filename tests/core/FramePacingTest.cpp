#include "core/FrameClock.h"
#include "core/FramePacing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace TarnwickEngine;
using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

namespace {

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The float a tick returns is within a few nanoseconds of the exact count.
constexpr double tickRounding = 1e-6;

// A clock that moves only when the limiter sleeps or yields, by as much as a machine of the test's
// choosing would let it: what the limiter does is then exact, however busy the real machine is.
class ScriptedClock final : public LimiterClock {
public:
    explicit ScriptedClock(Clock::duration sleepLasts, Clock::duration yieldLasts = microseconds(250))
        : sleepLasts(sleepLasts), yieldLasts(yieldLasts) {}

    Clock::time_point now() override {
        ++reads;
        return time;
    }
    void sleepOneMillisecond() override {
        ++sleeps;
        time += sleepLasts;
    }
    void yield() override {
        ++yields;
        time += yieldLasts;
    }

    Clock::time_point time{milliseconds(1000)};
    int reads = 0;
    int sleeps = 0;
    int yields = 0;

private:
    Clock::duration sleepLasts;
    Clock::duration yieldLasts;
};

} // namespace

// Each span the clock measures lies between what the test's own readings around it allow, so the
// check holds however long the machine keeps the test waiting between them.
TEST(FrameClock, MeasuresSecondsSinceTheLastResetOrTick) {
    FrameClock clock;
    // Without a reset the first tick measures from the clock's epoch.
    const auto beforeEpochTick = Clock::now();
    const float sinceEpoch = clock.tick();
    const auto afterEpochTick = Clock::now();
    EXPECT_GE(sinceEpoch, secondsBetween(Clock::time_point{}, beforeEpochTick) * (1 - 1e-6));
    EXPECT_LE(sinceEpoch, secondsBetween(Clock::time_point{}, afterEpochTick) * (1 + 1e-6));

    const auto beforeReset = Clock::now();
    clock.reset();
    const auto afterReset = Clock::now();
    std::this_thread::sleep_for(milliseconds(20));
    const auto beforeFirst = Clock::now();
    const float first = clock.tick();
    const auto afterFirst = Clock::now();
    EXPECT_GE(first, 0.02 - tickRounding);
    EXPECT_GE(first, secondsBetween(afterReset, beforeFirst) - tickRounding);
    EXPECT_LE(first, secondsBetween(beforeReset, afterFirst) + tickRounding);

    // A tick starts the next span: one that measured from the reset again would take in the sleep.
    const auto beforeSecond = Clock::now();
    const float second = clock.tick();
    const auto afterSecond = Clock::now();
    EXPECT_GE(second, 0.0f);
    EXPECT_GE(second, secondsBetween(afterFirst, beforeSecond) - tickRounding);
    EXPECT_LE(second, secondsBetween(beforeFirst, afterSecond) + tickRounding);
}

TEST(FramePacing, TimeStepIsClampedToZeroAndTheMaximum) {
    const struct {
        float dt, maxDeltaTime, expected;
    } cases[] = {
        {0.01f, 0.05f, 0.01f}, {0.2f, 0.05f, 0.05f}, {-0.01f, 0.05f, 0.0f},
        {0.01f, 0.0f, 0.0f},   {0.01f, -1.0f, 0.0f}, {0.0f, -1.0f, 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clampTimeStep(c.dt, c.maxDeltaTime), c.expected) << c.dt << " with maximum " << c.maxDeltaTime;
    }
}

TEST(FramePacing, LimiterSleepsWhileMoreThanTwoMillisecondsRemainThenYields) {
    const float target = 1.0f / 240.0f; // 4.1667 ms
    EXPECT_EQ(nextLimiterStep(target, 0), LimiterStep::Sleep);
    EXPECT_EQ(nextLimiterStep(target, 2000000), LimiterStep::Sleep);   // 2.17 ms remain
    EXPECT_EQ(nextLimiterStep(target, 2166667), LimiterStep::Yield);   // exactly about 2 ms remain
    EXPECT_EQ(nextLimiterStep(target, 4000000), LimiterStep::Yield);
    EXPECT_EQ(nextLimiterStep(target, 4166667), LimiterStep::Done);
    EXPECT_EQ(nextLimiterStep(target, 9000000), LimiterStep::Done);
    EXPECT_EQ(nextLimiterStep(0.004f, 2000001), LimiterStep::Yield);  // just under 2 ms remain
}

TEST(FramePacing, WaitEndsAtTheFirstReadingAtOrPastTheTarget) {
    // 50 frames a second: 20 ms. Sleeps of exactly 1 ms reach 18 ms, where 2 ms remain; yields of
    // 0.25 ms take it to 20 ms, and the limiter stops there. Each turn reads the clock twice.
    ScriptedClock exact(milliseconds(1));
    const Clock::time_point start = exact.time;
    waitForFrameEnd(start, 50, exact);
    EXPECT_EQ(exact.time - start, milliseconds(20));
    EXPECT_EQ(exact.sleeps, 18);
    EXPECT_EQ(exact.yields, 8);
    EXPECT_EQ(exact.reads, 2 * (18 + 8) + 1);

    // A busy machine's sleeps last longer: the limiter sleeps fewer times and still ends at the first
    // reading past the target, late only by what the last sleep overran.
    ScriptedClock busy(milliseconds(7));
    waitForFrameEnd(busy.time, 50, busy);
    EXPECT_EQ(busy.time - start, milliseconds(21));
    EXPECT_EQ(busy.sleeps, 3);
    EXPECT_EQ(busy.yields, 0);
}

TEST(FramePacing, PassThatTookLongerOrNoPositiveRateDoesNotWait) {
    ScriptedClock clock(milliseconds(1));
    waitForFrameEnd(clock.time - milliseconds(50), 50, clock);
    waitForFrameEnd(clock.time - milliseconds(20), 50, clock);
    EXPECT_EQ(clock.reads, 2);
    waitForFrameEnd(clock.time, 0, clock);
    waitForFrameEnd(clock.time, -5, clock);
    EXPECT_EQ(clock.reads, 2);
    EXPECT_EQ(clock.sleeps + clock.yields, 0);
}

// The program's own clock, sleep and yield: the wait lasts at least the target. The upper bound is
// far above anything a busy machine adds to one 1 ms sleep; it is there for a wait that sleeps
// seconds where it means milliseconds.
TEST(FramePacing, WaitHoldsThePassToTheTargetFrameTime) {
    const auto start = Clock::now();
    waitForFrameEnd(start, 50); // 20 ms
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(20));
    EXPECT_LT(elapsed, milliseconds(200));
}

#include "core/FrameClock.h"
#include "core/FramePacing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>

using namespace TarnwickEngine;
using Clock = std::chrono::steady_clock;

TEST(FrameClock, MeasuresSecondsSinceTheLastResetOrTick) {
    FrameClock clock;
    // Without a reset the first tick measures from the clock's epoch.
    const float sinceEpoch = clock.tick();
    const float expected = std::chrono::duration<float>(Clock::now().time_since_epoch()).count();
    EXPECT_NEAR(sinceEpoch, expected, expected * 1e-3f + 1.0f);

    clock.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const float first = clock.tick();
    EXPECT_GE(first, 0.019f);
    EXPECT_LT(first, 0.5f);
    const float second = clock.tick();
    EXPECT_GE(second, 0.0f);
    EXPECT_LT(second, first);
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

TEST(FramePacing, WaitHoldsThePassToTheTargetFrameTime) {
    const auto start = Clock::now();
    waitForFrameEnd(start, 50); // 20 ms
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(20));
    EXPECT_LT(elapsed, std::chrono::milliseconds(200));

    // A pass that already took longer does not wait, and a frame rate of 0 or less means no limit.
    const auto late = Clock::now() - std::chrono::milliseconds(50);
    const auto before = Clock::now();
    waitForFrameEnd(late, 50);
    waitForFrameEnd(before, 0);
    waitForFrameEnd(before, -5);
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(15));
}

// The soak's leak verdict on counts as the short soak reads them, at frames 1000, 1250, 1500, 1750
// and 2000 (the first checkpoint, 200, is warm-up and not judged).
#include "soak/LeakVerdict.h"

#include <gtest/gtest.h>

#include <vector>

using TarnwickSoak::countShowsNoLeak;

namespace {

const std::vector<long> judgedFrames = {1000, 1250, 1500, 1750, 2000};

// The count at each judged frame of a program that holds `base` objects and leaks one every
// `period` frames from its start.
std::vector<long long> leakingEvery(long period, long long base = 65) {
    std::vector<long long> counts;
    for (long frame : judgedFrames) counts.push_back(base + frame / period);
    return counts;
}

} // namespace

TEST(LeakVerdict, AFlatCountOrOneStepPasses) {
    EXPECT_TRUE(countShowsNoLeak({65, 65, 65, 65, 65}));
    // One object made once, in any interval, and a few made together.
    EXPECT_TRUE(countShowsNoLeak({65, 66, 66, 66, 66}));
    EXPECT_TRUE(countShowsNoLeak({65, 65, 65, 65, 66}));
    EXPECT_TRUE(countShowsNoLeak({51, 51, 54, 54, 54}));
    // Objects let go are no leak.
    EXPECT_TRUE(countShowsNoLeak({66, 65, 65, 65, 65}));
    EXPECT_TRUE(countShowsNoLeak({66, 65, 66, 66, 66}));
}

TEST(LeakVerdict, ALeakOfOneObjectAFrameOrAHundredFramesFails) {
    EXPECT_FALSE(countShowsNoLeak(leakingEvery(1)));
    EXPECT_FALSE(countShowsNoLeak(leakingEvery(100)));
    // Slower leaks that still rise in more than one interval of the short run.
    EXPECT_FALSE(countShowsNoLeak(leakingEvery(250)));
    EXPECT_FALSE(countShowsNoLeak(leakingEvery(500)));
}

TEST(LeakVerdict, AStepNeedsTwoStillIntervalsBesideIt) {
    // Too few readings to tell a step from a climb: any rise fails.
    EXPECT_FALSE(countShowsNoLeak({65, 66}));
    EXPECT_FALSE(countShowsNoLeak({65, 66, 66}));
    EXPECT_TRUE(countShowsNoLeak({65, 65, 65}));
    EXPECT_TRUE(countShowsNoLeak({65, 66, 66, 66}));
    // A step, a drop and a step again is two rises.
    EXPECT_FALSE(countShowsNoLeak({65, 66, 65, 66, 66, 66}));
}

TEST(LeakVerdict, ACountThatCouldNotBeReadFails) {
    EXPECT_FALSE(countShowsNoLeak({65, 65, -1, 65, 65}));
    EXPECT_FALSE(countShowsNoLeak({-1, -1, -1, -1, -1}));
}

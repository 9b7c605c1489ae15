// The frame loop's pacing: the clamp of each time step and the frame limiter that holds a pass
// to the target frame time with 1 ms sleeps and, for the last 2 ms, yields.
#pragma once

#include <chrono>
#include <cstdint>

namespace TarnwickEngine {

// dt limited to [0, maxDeltaTime]. A negative maxDeltaTime gives 0: the step never goes negative.
float clampTimeStep(float dt, float maxDeltaTime);

enum class LimiterStep { Done, Sleep, Yield };

// What the limiter does next, `elapsedNanoseconds` after the pass began. The comparisons are made
// in float nanoseconds against targetFrameTime × 1e9.
LimiterStep nextLimiterStep(float targetFrameTime, std::int64_t elapsedNanoseconds);

// The clock the limiter reads and its two ways of letting time pass. The program's is the steady
// clock with the standard sleep and yield; a test's can move only when the limiter waits, so what
// the limiter does is seen exactly, however busy the machine.
class LimiterClock {
public:
    virtual ~LimiterClock() = default;
    virtual std::chrono::steady_clock::time_point now() = 0;
    virtual void sleepOneMillisecond() = 0;
    virtual void yield() = 0;
};

// Waits until 1 / targetFps seconds have passed since frameStart. Does nothing when targetFps is
// not positive.
void waitForFrameEnd(std::chrono::steady_clock::time_point frameStart, std::int32_t targetFps);
void waitForFrameEnd(std::chrono::steady_clock::time_point frameStart, std::int32_t targetFps, LimiterClock& clock);

} // namespace TarnwickEngine

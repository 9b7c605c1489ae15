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

// Waits until 1 / targetFps seconds have passed since frameStart. Does nothing when targetFps is
// not positive.
void waitForFrameEnd(std::chrono::steady_clock::time_point frameStart, std::int32_t targetFps);

} // namespace TarnwickEngine

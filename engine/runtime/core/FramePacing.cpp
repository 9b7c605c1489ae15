#include "core/FramePacing.h"

#include <thread>

namespace TarnwickEngine {

namespace {

std::int64_t nanosecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

float clampTimeStep(float dt, float maxDeltaTime) {
    if (dt > maxDeltaTime) dt = maxDeltaTime;
    if (dt < 0.0f) dt = 0.0f;
    return dt;
}

LimiterStep nextLimiterStep(float targetFrameTime, std::int64_t elapsedNanoseconds) {
    const float target = targetFrameTime * 1e9f;
    const float remaining = target - static_cast<float>(elapsedNanoseconds);
    if (remaining <= 0.0f) return LimiterStep::Done;
    return remaining > 2000000.0f ? LimiterStep::Sleep : LimiterStep::Yield;
}

void waitForFrameEnd(std::chrono::steady_clock::time_point frameStart, std::int32_t targetFps) {
    if (targetFps <= 0) return;
    const float targetFrameTime = 1.0f / static_cast<float>(targetFps);
    for (;;) {
        if (static_cast<float>(nanosecondsSince(frameStart)) >= targetFrameTime * 1e9f) return;
        // The clock is read again for the remaining time, as a separate turn of the loop would.
        switch (nextLimiterStep(targetFrameTime, nanosecondsSince(frameStart))) {
        case LimiterStep::Done: return;
        case LimiterStep::Sleep: std::this_thread::sleep_for(std::chrono::milliseconds(1)); break;
        case LimiterStep::Yield: std::this_thread::yield(); break;
        }
    }
}

} // namespace TarnwickEngine

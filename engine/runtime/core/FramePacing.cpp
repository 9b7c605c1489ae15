#include "core/FramePacing.h"

#include <thread>

namespace TarnwickEngine {

namespace {

class SteadyLimiterClock final : public LimiterClock {
public:
    std::chrono::steady_clock::time_point now() override { return std::chrono::steady_clock::now(); }
    void sleepOneMillisecond() override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
    void yield() override { std::this_thread::yield(); }
};

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
    SteadyLimiterClock clock;
    waitForFrameEnd(frameStart, targetFps, clock);
}

void waitForFrameEnd(std::chrono::steady_clock::time_point frameStart, std::int32_t targetFps, LimiterClock& clock) {
    if (targetFps <= 0) return;
    const float targetFrameTime = 1.0f / static_cast<float>(targetFps);
    const auto nanosecondsSinceStart = [&] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(clock.now() - frameStart).count();
    };
    for (;;) {
        if (static_cast<float>(nanosecondsSinceStart()) >= targetFrameTime * 1e9f) return;
        // The clock is read again for the remaining time, as a separate turn of the loop would.
        switch (nextLimiterStep(targetFrameTime, nanosecondsSinceStart())) {
        case LimiterStep::Done: return;
        case LimiterStep::Sleep: clock.sleepOneMillisecond(); break;
        case LimiterStep::Yield: clock.yield(); break;
        }
    }
}

} // namespace TarnwickEngine

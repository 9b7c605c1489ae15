// Measures the time between two frames on the steady clock.
#pragma once

#include <chrono>

namespace TarnwickEngine {

class FrameClock {
public:
    void reset();
    // Seconds since the last reset or tick, unclamped.
    float tick();

private:
    std::chrono::steady_clock::time_point lastTime{};
    float delta = 0.0f;
};

} // namespace TarnwickEngine

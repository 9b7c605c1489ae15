#include "core/FrameClock.h"

namespace TarnwickEngine {

void FrameClock::reset() {
    lastTime = std::chrono::steady_clock::now();
    delta = 0.0f;
}

float FrameClock::tick() {
    const auto now = std::chrono::steady_clock::now();
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now - lastTime).count();
    delta = static_cast<float>(nanoseconds) / 1000000000.0f;
    lastTime = now;
    return delta;
}

} // namespace TarnwickEngine

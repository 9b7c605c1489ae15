// The processor time the calling thread has used: what a piece of work costs the program itself,
// which a busy machine does not lengthen the way it lengthens the time on the clock. Windows (and
// Wine) count it in steps of about 10 ms.
#pragma once

#include <windows.h>

#include <cstdint>

namespace TarnwickTest {

inline double threadProcessorSeconds() {
    FILETIME creation{}, exit{}, kernel{}, user{};
    ::GetThreadTimes(::GetCurrentThread(), &creation, &exit, &kernel, &user);
    const auto value = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

} // namespace TarnwickTest

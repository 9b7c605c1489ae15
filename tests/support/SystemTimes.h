// Times the system records, which a busy machine does not stretch the way it stretches what a
// test measures on the clock: the processor time a thread has used, and the moment a process
// ended, whenever a waiting thread gets to see it.
#pragma once

#include <windows.h>

#include <cstdint>

namespace TarnwickTest {

// A FILETIME as one count of 100 ns units.
inline std::int64_t fileTimeValue(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// The processor time the calling thread has used, in seconds: what a piece of work costs the
// program itself. Windows (and Wine) count it in steps of about 10 ms.
inline double threadProcessorSeconds() {
    FILETIME creation{}, exit{}, kernel{}, user{};
    ::GetThreadTimes(::GetCurrentThread(), &creation, &exit, &kernel, &user);
    return static_cast<double>(fileTimeValue(kernel) + fileTimeValue(user)) / 1e7;
}

// The system's time now, and the time it recorded for the end of a process that has ended (0 when
// it cannot be read), both in 100 ns units.
inline std::int64_t systemTimeNow() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    return fileTimeValue(now);
}

inline std::int64_t processEndTime(HANDLE process) {
    FILETIME creation{}, end{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &creation, &end, &kernel, &user)) return 0;
    return fileTimeValue(end);
}

} // namespace TarnwickTest

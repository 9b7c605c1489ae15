// What the soak test watches in the program from outside: its kernel handles, its GDI and USER
// objects and its private memory. Windows answers each through one documented call; Wine 8
// answers those calls with 0, so each gauge has a second way in that Wine does support, and every
// reading says which way it was taken.
#pragma once

#include <windows.h>

#include <string>

namespace TarnwickSoak {

struct Gauge {
    long long value = -1; // -1: could not be read at all
    const char* source = "";
};

struct GaugeReading {
    Gauge handles;
    Gauge gdiObjects;
    Gauge userObjects;
    Gauge privateBytes;
    // What the documented calls answered, for the report on the platform.
    DWORD handleCountAnswer = 0;
    DWORD gdiAnswer = 0;
    DWORD userAnswer = 0;
    DWORD guiResourcesError = 0;
    SIZE_T privateUsageAnswer = 0;
};

// `process` needs PROCESS_QUERY_INFORMATION, PROCESS_VM_READ and PROCESS_DUP_HANDLE.
GaugeReading readGauges(HANDLE process, DWORD processId);

} // namespace TarnwickSoak

#include "ProcessGauges.h"

#include <psapi.h>

#include <cstdint>
#include <vector>

namespace TarnwickSoak {

namespace {

// ntdll's process query, looked up at run time: the import libraries do not all declare it, and
// nothing else in the test needs ntdll.
using QueryInformationProcess = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

template <typename Function>
Function ntdllFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

// A run of this many handle values that name nothing ends the count. The program's handles lie
// close together: the widest hole seen between two of them under the misbehaving soak was two
// values.
constexpr int handleValuesPastTheLast = 64;
// A process holds at most 2^24 handles, at multiples of 4.
constexpr ULONG_PTR handleValueLimit = ULONG_PTR(4) << 24;

// Counts handles by asking for each handle value in turn (4, 8, 12, ...) until a long run of values
// names nothing: Wine hands out the lowest free value, so a process's handles lie close together
// and a leaked one fills a hole or lengthens the run. Not the system handle list
// (NtQuerySystemInformation with SystemExtendedHandleInformation): Wine 8's server walks every
// process's handle table for it with an unsigned index, and crashes on the empty table of a
// program started from the shell that has only just connected, which ctest does all the time
// beside the soak tests. Asking for one handle of one process walks nothing.
long long countHandlesByValue(HANDLE process) {
    long long count = 0;
    int misses = 0;
    for (ULONG_PTR value = 4; misses < handleValuesPastTheLast && value < handleValueLimit; value += 4) {
        HANDLE copy = nullptr;
        if (::DuplicateHandle(process, reinterpret_cast<HANDLE>(value), ::GetCurrentProcess(), &copy, 0, FALSE,
                              DUPLICATE_SAME_ACCESS)) {
            ::CloseHandle(copy);
        } else if (::GetLastError() == ERROR_INVALID_HANDLE) {
            ++misses;
            continue;
        } else if (::GetLastError() == ERROR_ACCESS_DENIED) {
            return -1; // `process` lacks PROCESS_DUP_HANDLE
        }
        // A handle that exists but may not be copied still counts.
        ++count;
        misses = 0;
    }
    return count;
}

// Wine keeps each process's GDI objects in a table of its own that the process environment
// block points to (GdiSharedHandleTable, offset 0xF8 on x64); an entry in use has a type.
struct GdiTableEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
constexpr std::size_t gdiTableEntries = 0x10000;
constexpr std::size_t gdiTableBlock = 0x1000;
constexpr std::size_t pebGdiTableOffset = 0xF8;

struct BasicInformation {
    LONG exitStatus;
    PVOID pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR parentProcessId;
};

long long countGdiTableEntries(HANDLE process) {
    const auto query = ntdllFunction<QueryInformationProcess>("NtQueryInformationProcess");
    if (!query) return -1;
    BasicInformation basic{};
    ULONG length = 0;
    if (query(process, 0, &basic, sizeof(basic), &length) != 0 || !basic.pebBaseAddress) return -1;
    std::uint64_t table = 0;
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, static_cast<char*>(basic.pebBaseAddress) + pebGdiTableOffset, &table,
                             sizeof(table), &read) ||
        table == 0) {
        return -1;
    }
    // Entries are handed out from the bottom up and one never used is all zeros, so the table is
    // read a block at a time up to the first block that holds no entry ever used: a few reads
    // instead of the whole 1.5 MiB, which matters in the short hold of a reading.
    std::vector<GdiTableEntry> entries(gdiTableBlock);
    long long used = 0;
    for (std::size_t first = 0; first < gdiTableEntries; first += gdiTableBlock) {
        const auto address = static_cast<std::uintptr_t>(table) + first * sizeof(GdiTableEntry);
        if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(address), entries.data(),
                                 entries.size() * sizeof(GdiTableEntry), &read)) {
            return -1;
        }
        bool everUsed = false;
        for (const GdiTableEntry& entry : entries) {
            if (entry.type != 0) ++used;
            everUsed = everUsed || entry.unique != 0;
        }
        if (!everUsed) break;
    }
    return used;
}

struct WindowCount {
    DWORD processId;
    long long count;
};

BOOL CALLBACK countChildWindow(HWND window, LPARAM context) {
    (void)window;
    ++reinterpret_cast<WindowCount*>(context)->count;
    return TRUE;
}

BOOL CALLBACK countTopLevelWindow(HWND window, LPARAM context) {
    auto* windows = reinterpret_cast<WindowCount*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != windows->processId) return TRUE;
    ++windows->count;
    ::EnumChildWindows(window, countChildWindow, context);
    return TRUE;
}

// Windows are the USER objects that can be seen from outside; Wine's server keeps the rest.
long long countWindows(DWORD processId) {
    WindowCount windows{processId, 0};
    ::EnumWindows(countTopLevelWindow, reinterpret_cast<LPARAM>(&windows));
    return windows.count;
}

} // namespace

GaugeReading readGauges(HANDLE process, DWORD processId) {
    GaugeReading reading;

    DWORD handles = 0;
    const BOOL handlesAnswered = ::GetProcessHandleCount(process, &handles);
    reading.handleCountAnswer = handles;
    if (handlesAnswered && handles > 0) {
        reading.handles = {static_cast<long long>(handles), "GetProcessHandleCount"};
    } else {
        reading.handles = {countHandlesByValue(process), "handle values"};
    }

    // A process with a window always has GDI and USER objects, so 0 means "not answered".
    ::SetLastError(0);
    const DWORD gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
    reading.gdiAnswer = gdi;
    reading.guiResourcesError = ::GetLastError();
    if (gdi > 0) {
        reading.gdiObjects = {static_cast<long long>(gdi), "GetGuiResources"};
    } else {
        reading.gdiObjects = {countGdiTableEntries(process), "GDI handle table"};
    }
    const DWORD user = ::GetGuiResources(process, GR_USEROBJECTS);
    reading.userAnswer = user;
    if (user > 0) {
        reading.userObjects = {static_cast<long long>(user), "GetGuiResources"};
    } else {
        reading.userObjects = {countWindows(processId), "windows"};
    }

    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
        reading.privateUsageAnswer = memory.PrivateUsage;
        // Wine leaves PrivateUsage 0; its PagefileUsage follows the private memory in use.
        if (memory.PrivateUsage > 0) {
            reading.privateBytes = {static_cast<long long>(memory.PrivateUsage), "PrivateUsage"};
        } else {
            reading.privateBytes = {static_cast<long long>(memory.PagefileUsage), "PagefileUsage"};
        }
    }
    return reading;
}

} // namespace TarnwickSoak

#include "ProcessGauges.h"

#include <psapi.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace TarnwickSoak {

namespace {

// ntdll's process and system queries, looked up at run time: the import libraries do not all
// declare them, and nothing else in the test needs ntdll.
using QuerySystemInformation = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryInformationProcess = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

template <typename Function>
Function ntdllFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

constexpr ULONG systemExtendedHandleInformation = 64;
constexpr LONG statusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

// Every handle of every process, as the system handle list gives it; Wine keeps it in its server.
long long countHandlesInSystemList(DWORD processId) {
    const auto query = ntdllFunction<QuerySystemInformation>("NtQuerySystemInformation");
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 20);
    ULONG needed = 0;
    LONG status = 0;
    while ((status = query(systemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &needed)) == statusInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return -1;
    ULONG_PTR count = 0;
    std::memcpy(&count, buffer.data(), sizeof(count));
    const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
    long long mine = 0;
    for (ULONG_PTR i = 0; i < count; ++i) {
        if (entries[i].processId == processId) ++mine;
    }
    return mine;
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
    std::vector<GdiTableEntry> entries(gdiTableEntries);
    if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(table)), entries.data(),
                             entries.size() * sizeof(GdiTableEntry), &read)) {
        return -1;
    }
    long long used = 0;
    for (const GdiTableEntry& entry : entries) {
        if (entry.type != 0) ++used;
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
        reading.handles = {countHandlesInSystemList(processId), "system handle list"};
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

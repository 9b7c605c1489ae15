// Counts the program's C++ heap allocations by phase: the global operator new and delete are
// replaced in the executable that links CountingAllocator.cpp (bench_alloc only), and every
// allocation is charged to the phase that is current when it happens. GDI+ objects come from
// GDI+'s own heap and are not counted.
#pragma once

#include <cstdint>

namespace AllocCount {

constexpr int maxPhases = 64;

// The id of the phase with this name, registered on first use (without allocating). Phase 0,
// "uncounted", is current outside every scope.
int phase(const char* name);
const char* name(int id);
int phaseCount();

std::uint64_t allocations(int id);
std::uint64_t bytes(int id);
void reset();

// Makes a phase current for its lifetime.
class Scope {
public:
    explicit Scope(int id);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    int previous;
};

} // namespace AllocCount

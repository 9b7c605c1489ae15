#include "CountingAllocator.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>

namespace AllocCount {

namespace {

// One thread runs the benches; plain counters do.
const char* names[maxPhases] = {"uncounted"};
std::uint64_t counts[maxPhases] = {};
std::uint64_t sizes[maxPhases] = {};
int registered = 1;
int current = 0;

void* allocate(std::size_t size) {
    ++counts[current];
    sizes[current] += size;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    ++counts[current];
    sizes[current] += size;
    if (void* memory = _aligned_malloc(size == 0 ? 1 : size, static_cast<std::size_t>(alignment))) return memory;
    throw std::bad_alloc();
}

} // namespace

int phase(const char* name) {
    for (int i = 0; i < registered; ++i) {
        if (std::strcmp(names[i], name) == 0) return i;
    }
    if (registered == maxPhases) std::abort();
    names[registered] = name;
    return registered++;
}

const char* name(int id) { return names[id]; }
int phaseCount() { return registered; }
std::uint64_t allocations(int id) { return counts[id]; }
std::uint64_t bytes(int id) { return sizes[id]; }

void reset() {
    for (int i = 0; i < maxPhases; ++i) counts[i] = sizes[i] = 0;
}

Scope::Scope(int id) : previous(current) { current = id; }
Scope::~Scope() { current = previous; }

} // namespace AllocCount

void* operator new(std::size_t size) { return AllocCount::allocate(size); }
void* operator new[](std::size_t size) { return AllocCount::allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return AllocCount::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return AllocCount::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment) { return AllocCount::allocateAligned(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return AllocCount::allocateAligned(size, alignment); }

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { _aligned_free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { _aligned_free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { _aligned_free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { _aligned_free(memory); }

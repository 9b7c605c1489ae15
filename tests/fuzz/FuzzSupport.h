// What the fuzz tests share: the run's length and seed, a seeded random source, the console
// capture, and bytes shown readably in failure messages.
//
// The tests run quickly with a fixed seed. TARNWICK_FUZZ=long makes the long run (a million
// protocol lines and a hundred thousand project files, scripts/fuzz), and TARNWICK_FUZZ_SEED
// replays another seed.
#pragma once

#include "support/SystemTimes.h"

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace TarnwickFuzz {

// The most processor time that one line, one pump, one project file or one manifest may take: far
// above what any of them needs, far below what a hang or a reading quadratic in the size would cost.
// Processor time, not the clock: a busy machine stretches the clock but not the work.
constexpr double hangProcessorSeconds = 2.0;
// Reading the processor time is a call to the system, so the line-by-line run looks once per block.
constexpr std::size_t linesPerHangCheck = 100;

bool longRun();
std::uint64_t seed();
// `quick` in the tests' own run, `full` in the long one.
std::size_t cases(std::size_t quick, std::size_t full);

class Random {
public:
    explicit Random(std::uint64_t seed) : engine(seed) {}

    // 0 <= value < bound (bound > 0).
    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(engine() % bound); }
    bool chance(double probability) { return static_cast<double>(engine() % 1000000) < probability * 1000000.0; }
    char byte() { return static_cast<char>(engine() & 0xFF); }
    template <typename T>
    const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }

private:
    std::mt19937_64 engine;
};

// The bytes with everything outside printable ASCII escaped, cut after `limit` bytes.
std::string shown(std::string_view bytes, std::size_t limit = 400);

// Where the program's log goes (std::cout and std::cerr), taken over for the object's lifetime.
class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    // What was written since the last take, emptied.
    std::string takeOut();
    std::string takeErr();

private:
    std::ostringstream out;
    std::ostringstream err;
    std::streambuf* oldOut;
    std::streambuf* oldErr;
};

} // namespace TarnwickFuzz

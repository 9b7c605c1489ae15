// What every bench shares: the clock, medians and percentiles, the rows of the one table that
// scripts/bench prints, a silenced console, scratch files and the stand-in script host.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <streambuf>
#include <string>
#include <vector>

namespace Bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The value below which `fraction` of the samples lie (nearest rank); 0.5 is the median.
double percentile(std::vector<double> samples, double fraction);
inline double median(const std::vector<double>& samples) { return percentile(samples, 0.5); }
// The median of host[i] / baseline[i]: each pair was measured back to back, so a slow spell of the
// machine mostly cancels out of its ratio.
double pairedRatio(const std::vector<double>& host, const std::vector<double>& baseline);

// One row of the table: the measured item, the host's figure, the baseline's figure, the ratio of
// the host's cost to the baseline's (1.00: the same cost; above 1: the host costs more) and a note.
// scripts/bench collects the rows of every bench; anything else on standard output is ignored.
void row(const std::string& item, const std::string& host, const std::string& baseline, const std::string& ratio,
         const std::string& note = "");
// A heading row that groups the rows after it.
void section(const std::string& title);

std::string fixed(double value, int decimals);
std::string ratioText(double hostCost, double baselineCost);
std::string rateText(double perSecond);        // "1.23 M/s", "456 k/s"
std::string durationText(double seconds);      // "12.3 us", "1.23 ms"
std::string percentText(double share);         // 0.874 -> "87%"

// Swallows whatever is written to it, as fast as a stream can: Log's console lines in the benches
// go here, so a measurement never waits for Wine's console.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// Sends std::cout and std::cerr to a NullBuffer while it lives.
class SilencedConsole {
public:
    SilencedConsole();
    ~SilencedConsole();
    SilencedConsole(const SilencedConsole&) = delete;
    SilencedConsole& operator=(const SilencedConsole&) = delete;

private:
    NullBuffer sink;
    std::streambuf* oldOut;
    std::streambuf* oldErr;
};

// A 24-bit BMP of one colour with a darker border, so a drawn image is not a flat fill.
std::string framedBmp(int width, int height, std::uint32_t rgb);


// Points DOTNET_ROOT at build/standin, so the bridge starts the stand-in script host, and clears
// the variables that make the stand-in misbehave.
void useStandin();

} // namespace Bench

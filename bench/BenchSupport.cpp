#include "BenchSupport.h"
#include "support/BmpFile.h"

#include "core/Files.h"
#include "support/ProcessRunner.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace Bench {

double percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) return 0.0;
    std::sort(samples.begin(), samples.end());
    const double rank = std::ceil(fraction * static_cast<double>(samples.size()));
    const std::size_t index = rank < 1.0 ? 0 : static_cast<std::size_t>(rank) - 1;
    return samples[std::min(index, samples.size() - 1)];
}

double pairedRatio(const std::vector<double>& host, const std::vector<double>& baseline) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < host.size() && i < baseline.size(); ++i) {
        if (baseline[i] > 0.0) ratios.push_back(host[i] / baseline[i]);
    }
    return median(ratios);
}

void row(const std::string& item, const std::string& host, const std::string& baseline, const std::string& ratio,
         const std::string& note) {
    // Written with printf and flushed at once: std::cout may be silenced while a bench measures.
    std::printf("ROW\t%s\t%s\t%s\t%s\t%s\n", item.c_str(), host.c_str(), baseline.c_str(), ratio.c_str(), note.c_str());
    std::fflush(stdout);
}

void section(const std::string& title) {
    std::printf("SECTION\t%s\n", title.c_str());
    std::fflush(stdout);
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    return text;
}

std::string ratioText(double hostCost, double baselineCost) {
    if (!(baselineCost > 0.0)) return "-";
    return fixed(hostCost / baselineCost, 2);
}

std::string rateText(double perSecond) {
    if (perSecond >= 1e6) return fixed(perSecond / 1e6, 2) + " M/s";
    if (perSecond >= 1e3) return fixed(perSecond / 1e3, 1) + " k/s";
    return fixed(perSecond, 0) + " /s";
}

std::string durationText(double seconds) {
    if (seconds >= 1.0) return fixed(seconds, 2) + " s";
    if (seconds >= 1e-3) return fixed(seconds * 1e3, 2) + " ms";
    if (seconds >= 1e-6) return fixed(seconds * 1e6, 1) + " us";
    return fixed(seconds * 1e9, 0) + " ns";
}

std::string percentText(double share) { return fixed(share * 100.0, 0) + "%"; }

SilencedConsole::SilencedConsole() : oldOut(std::cout.rdbuf(&sink)), oldErr(std::cerr.rdbuf(&sink)) {}

SilencedConsole::~SilencedConsole() {
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
}

std::string framedBmp(int width, int height, std::uint32_t rgb) {
    const std::uint32_t border = (rgb >> 1) & 0x7F7F7F;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height), rgb);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (x == 0 || y == 0 || x == width - 1 || y == height - 1) pixels[static_cast<std::size_t>(y * width + x)] = border;
        }
    }
    return TarnwickTest::bmpBytes(width, height, pixels);
}

void useStandin() {
    TarnwickTest::setEnvironment("DOTNET_ROOT", TarnwickEngine::pathToString(TarnwickTest::standinFolder()).c_str());
    TarnwickTest::setEnvironment("TARNWICK_STANDIN", nullptr);
    TarnwickTest::setEnvironment("TARNWICK_STANDIN_ANSWERS", nullptr);
    TarnwickTest::setEnvironment("TARNWICK_STANDIN_TRACE", nullptr);
}

} // namespace Bench

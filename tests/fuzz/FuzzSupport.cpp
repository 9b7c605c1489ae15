#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

namespace TarnwickFuzz {

namespace {

constexpr std::uint64_t fixedSeed = 20261209;

std::string take(std::ostringstream& stream) {
    std::string text = stream.str();
    stream.str(std::string());
    return text;
}

} // namespace

bool longRun() {
    const char* value = std::getenv("TARNWICK_FUZZ");
    return value && std::string(value) == "long";
}

std::uint64_t seed() {
    const char* value = std::getenv("TARNWICK_FUZZ_SEED");
    return value && *value ? std::strtoull(value, nullptr, 10) : fixedSeed;
}

std::size_t cases(std::size_t quick, std::size_t full) { return longRun() ? full : quick; }

std::string shown(std::string_view bytes, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    if (bytes.size() > limit) text += "...(" + std::to_string(bytes.size()) + " bytes)";
    return text;
}

ConsoleCapture::ConsoleCapture() : oldOut(std::cout.rdbuf(out.rdbuf())), oldErr(std::cerr.rdbuf(err.rdbuf())) {}

ConsoleCapture::~ConsoleCapture() {
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
}

std::string ConsoleCapture::takeOut() { return take(out); }
std::string ConsoleCapture::takeErr() { return take(err); }

} // namespace TarnwickFuzz

#include "core/ProjectFileReaders.h"

#include "core/DecimalText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace TarnwickEngine {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The white space of the C locale, which is what "\s" matches in a std::regex over char.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::size_t skipSpaces(const std::string& text, std::size_t at) {
    while (at < text.size() && isSpace(text[at])) ++at;
    return at;
}

std::size_t skipDigits(const std::string& text, std::size_t at) {
    while (at < text.size() && isDigit(text[at])) ++at;
    return at;
}

// Where the value of one occurrence of "key" would begin: after the closing quote of the name,
// white space, the colon and white space. npos when this occurrence has no colon there.
std::size_t valueStart(const std::string& json, std::size_t afterName) {
    std::size_t at = skipSpaces(json, afterName);
    if (at >= json.size() || json[at] != ':') return std::string::npos;
    return skipSpaces(json, at + 1);
}

struct Capture {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Tries every occurrence of "key" from the left; the first whose value `matchValue` accepts wins.
// `matchValue(json, at, capture)` returns true and fills the capture when a value of its form
// starts at `at`.
template <typename ValueMatcher>
bool findMember(const std::string& json, const std::string& key, ValueMatcher matchValue, Capture& capture) {
    const std::string name = "\"" + key + "\"";
    for (std::size_t at = json.find(name); at != std::string::npos; at = json.find(name, at + 1)) {
        const std::size_t value = valueStart(json, at + name.size());
        if (value != std::string::npos && matchValue(json, value, capture)) return true;
    }
    return false;
}

bool matchString(const std::string& json, std::size_t at, Capture& capture) {
    if (at >= json.size() || json[at] != '"') return false;
    const std::size_t close = json.find('"', at + 1);
    if (close == std::string::npos) return false;
    capture = {at + 1, close};
    return true;
}

bool matchDigits(const std::string& json, std::size_t at, Capture& capture) {
    const std::size_t end = skipDigits(json, at);
    if (end == at) return false;
    capture = {at, end};
    return true;
}

bool matchDecimal(const std::string& json, std::size_t at, Capture& capture) {
    std::size_t end = at;
    if (end < json.size() && json[end] == '-') ++end;
    const std::size_t digitsEnd = skipDigits(json, end);
    if (digitsEnd == end) return false;
    end = digitsEnd;
    if (end + 1 < json.size() && json[end] == '.' && isDigit(json[end + 1])) end = skipDigits(json, end + 1);
    capture = {at, end};
    return true;
}

bool startsWithAt(const std::string& text, std::size_t at, const char* word) {
    return text.compare(at, std::char_traits<char>::length(word), word) == 0;
}

bool matchBool(const std::string& json, std::size_t at, Capture& capture) {
    if (startsWithAt(json, at, "true")) { capture = {at, at + 4}; return true; }
    if (startsWithAt(json, at, "false")) { capture = {at, at + 5}; return true; }
    return false;
}

std::uint32_t toUnsigned32(const std::string& json, const Capture& digits) {
    std::uint64_t value = 0;
    for (std::size_t i = digits.begin; i < digits.end; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(json[i] - '0');
        if (value > 0xFFFFFFFFull) throw std::out_of_range("stoul argument out of range");
    }
    return static_cast<std::uint32_t>(value);
}

float toFloat(const std::string& json, const Capture& number) {
    const std::string text = json.substr(number.begin, number.end - number.begin);
    errno = 0;
    const float value = boundedStrtof(text.c_str(), nullptr);
    // Only overflow is an error: a value too small for a float rounds towards zero like any other.
    if (errno == ERANGE && std::isinf(value)) throw std::out_of_range("stof argument out of range");
    return value;
}

} // namespace

std::string readJsonString(const std::string& json, const std::string& key, const std::string& defaultValue) {
    Capture capture;
    if (!findMember(json, key, matchString, capture)) return defaultValue;
    return json.substr(capture.begin, capture.end - capture.begin);
}

std::int32_t readJsonInt(const std::string& json, const std::string& key, std::int32_t defaultValue) {
    Capture capture;
    if (!findMember(json, key, matchDigits, capture)) return defaultValue;
    return static_cast<std::int32_t>(toUnsigned32(json, capture));
}

float readJsonFloat(const std::string& json, const std::string& key, float defaultValue) {
    Capture capture;
    if (!findMember(json, key, matchDecimal, capture)) return defaultValue;
    return toFloat(json, capture);
}

bool readJsonBool(const std::string& json, const std::string& key, bool defaultValue) {
    Capture capture;
    if (!findMember(json, key, matchBool, capture)) return defaultValue;
    return capture.end - capture.begin == 4;
}

Color parseColor(const std::string& text, Color fallback) {
    if (text.size() != 7 || text[0] != '#') return fallback;
    try {
        // std::stoul in base 16 on each pair: white space, a sign (a minus negates), then hex
        // digits up to the first other character; no digit at all throws.
        const auto channel = [&text](std::size_t at) {
            return static_cast<std::uint8_t>(std::stoul(text.substr(at, 2), nullptr, 16) & 0xFF);
        };
        const std::uint8_t r = channel(1);
        const std::uint8_t g = channel(3);
        const std::uint8_t b = channel(5);
        return Color{r, g, b};
    } catch (...) {
        return fallback;
    }
}

} // namespace TarnwickEngine

#include "core/DecimalText.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace TarnwickEngine {

namespace {

// A float's rounding boundaries have at most 112 significant digits, so the first 800 digits
// followed by a 1 that stands for any nonzero digit after them (a sticky digit) round exactly
// as the whole digit string does.
constexpr std::size_t keptDigits = 800;
// Decimal exponents are saturated here: far past the float range, and no arithmetic overflow.
constexpr long long exponentLimit = 100000000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The significant digits of a decimal number, from its first nonzero digit on.
struct Digits {
    std::string kept;
    bool sticky = false;       // a nonzero digit after the kept ones
    std::size_t count = 0;     // every digit seen, leading zeros included
    std::size_t firstNonzero = std::string::npos;

    void take(char digit) {
        if (firstNonzero == std::string::npos && digit != '0') firstNonzero = count;
        if (firstNonzero != std::string::npos) {
            if (kept.size() < keptDigits) {
                kept += digit;
            } else if (digit != '0') {
                sticky = true;
            }
        }
        ++count;
    }
};

} // namespace

float boundedStrtof(const char* text, char** end) {
    // strtof's decimal form: white space, a sign, digits with at most one '.' and at least one
    // digit in all, then an exponent when a digit follows its 'e' and sign. The other forms
    // (hexadecimal, infinity, NaN, no number at all) strtof reads quickly itself.
    const char* at = text;
    while (isSpace(*at)) ++at;
    const bool negative = *at == '-';
    if (*at == '-' || *at == '+') ++at;
    if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X')) return std::strtof(text, end);

    Digits digits;
    for (; isDigit(*at); ++at) digits.take(*at);
    const std::size_t integerDigits = digits.count;
    if (*at == '.') {
        const char* fraction = at + 1;
        for (; isDigit(*fraction); ++fraction) digits.take(*fraction);
        if (digits.count > 0) at = fraction;
    }
    if (digits.count <= strtofQuickDigits) return std::strtof(text, end);

    long long exponent = 0;
    if (*at == 'e' || *at == 'E') {
        const char* power = at + 1;
        const bool negativePower = *power == '-';
        if (*power == '-' || *power == '+') ++power;
        if (isDigit(*power)) {
            for (; isDigit(*power); ++power) exponent = std::min(exponent * 10 + (*power - '0'), exponentLimit);
            if (negativePower) exponent = -exponent;
            at = power;
        }
    }

    std::string shortened = negative ? "-" : "";
    if (digits.firstNonzero == std::string::npos) {
        shortened += '0';
    } else {
        // d.ddd...e(power of ten of the first significant digit)
        const long long leading = static_cast<long long>(std::min<std::size_t>(integerDigits, exponentLimit)) -
                                  static_cast<long long>(std::min<std::size_t>(digits.firstNonzero, exponentLimit)) - 1;
        shortened += digits.kept[0];
        shortened += '.';
        shortened.append(digits.kept, 1, std::string::npos);
        if (digits.sticky) shortened += '1';
        shortened += 'e';
        shortened += std::to_string(std::clamp(leading + exponent, -2 * exponentLimit, 2 * exponentLimit));
    }
    const float value = std::strtof(shortened.c_str(), nullptr);
    if (end) *end = const_cast<char*>(at);
    return value;
}

} // namespace TarnwickEngine

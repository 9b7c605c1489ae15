// strtof without its worst case. The C runtime's strtof (mingw-w64's gdtoa) takes time that grows
// with the square of the number of significant digits it is given: a field of a million digits
// takes over half a minute, long enough for one script host line to freeze the frame loop, and
// beyond about 200,000 integer digits it even gives infinity for a finite value.
#pragma once

#include <cstddef>

namespace TarnwickEngine {

// Up to this many digits strtof is quick: a caller that knows its text is no longer may call
// std::strtof itself and skip the look at the digits.
constexpr std::size_t strtofQuickDigits = 1000;

// What std::strtof(text, end) gives, value, end and errno alike, in time linear in the text: a
// decimal number with more significant digits than any float needs is first shortened to one
// that rounds to the same float. `end` may be null.
float boundedStrtof(const char* text, char** end);

} // namespace TarnwickEngine

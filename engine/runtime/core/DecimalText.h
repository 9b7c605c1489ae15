// strtof without its worst case. The C runtime's strtof (mingw-w64's gdtoa) takes time that grows
// with the square of the number of significant digits it is given: a field of a million digits
// takes over half a minute, long enough for one script host line to freeze the frame loop, and
// beyond about 200,000 integer digits it even gives infinity for a finite value.
#pragma once

namespace TarnwickEngine {

// What std::strtof(text, end) gives, value, end and errno alike, in time linear in the text: a
// decimal number with more significant digits than any float needs is first shortened to one
// that rounds to the same float. `end` may be null.
float boundedStrtof(const char* text, char** end);

} // namespace TarnwickEngine

// Random script host lines for the fuzz tests: well-formed commands of every kind with fields
// from a vocabulary of awkward spellings (signs, blanks, exponents, hexadecimal, inf and nan,
// out-of-range values, odd paths), wrong part counts, whole-line words with something added,
// log lines, lines outside the protocol, and any of these mutated byte by byte (NUL, '\r', '|',
// bytes above 127). A line never holds '\n'.
#pragma once

#include "FuzzSupport.h"

#include <string>

namespace TarnwickFuzz {

class LineGenerator {
public:
    explicit LineGenerator(Random& random) : random(random) {}

    std::string next();

    // Bytes of every kind, '\n' included when `newlines` is true.
    std::string junk(std::size_t length, bool newlines);

private:
    std::string command();
    std::string word();
    std::string logLine();
    std::string foreign();
    void mutate(std::string& line);

    std::string floatField();
    std::string intField();
    std::string flagField();
    std::string pathField();
    std::string textField();

    Random& random;
};

} // namespace TarnwickFuzz

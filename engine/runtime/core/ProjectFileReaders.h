// Readers that take one setting out of the text of "project.json" without parsing it as a
// document: the first occurrence of "key" followed by optional white space, ':', optional white
// space and a value of the reader's form counts, at any depth; occurrences whose value has another
// form are passed over. No escapes are decoded. Used only by Application::loadProject.
//
// They are hand-written matchers, not std::regex: libstdc++'s regex recurses per character and
// overflows the stack on long values, and a project file must never be able to crash the program.
#pragma once

#include "core/ProjectConfig.h"

#include <cstdint>
#include <string>

namespace TarnwickEngine {

// "key": "text" -> the bytes between the quotes (line breaks included, no escapes decoded).
std::string readJsonString(const std::string& json, const std::string& key, const std::string& defaultValue);

// "key": digits -> the digits as an unsigned 32-bit number, returned by its bit pattern.
// Throws std::out_of_range("stoul argument out of range") above 4294967295.
std::int32_t readJsonInt(const std::string& json, const std::string& key, std::int32_t defaultValue);

// "key": -?digits(.digits)? -> the nearest float; an exponent is not part of the form.
// Throws std::out_of_range("stof argument out of range") beyond the float range.
float readJsonFloat(const std::string& json, const std::string& key, float defaultValue);

// "key": true|false (lower case; whatever follows the word is not examined).
bool readJsonBool(const std::string& json, const std::string& key, bool defaultValue);

// "#rrggbb" -> the colour; any other shape, or a pair that does not read as hexadecimal, gives
// `fallback` whole.
Color parseColor(const std::string& text, Color fallback);

} // namespace TarnwickEngine

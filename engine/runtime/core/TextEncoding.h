// Conversions between the program's 8-bit text (project files, script lines, the command line)
// and the wide text of Windows paths and window text. Every conversion is explicit because the
// C++ libraries disagree: libstdc++ on mingw widens bytes 1:1 in path(std::string) and always
// gives UTF-8 from path.string(), while MSVC uses the ANSI code page for both.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace TarnwickEngine {

// 8-bit text in the ANSI code page (the process's, which Windows 10 and 11 can make UTF-8) to a
// path. Throws std::filesystem::filesystem_error when a byte has no meaning in the code page.
std::filesystem::path pathFromNarrow(std::string_view text);

// A path to 8-bit text in the ANSI code page. Throws std::filesystem::filesystem_error when a
// character has no exact form in the code page (no best-fit substitutes are accepted).
std::string narrowFromPath(const std::filesystem::path& path);

// A path's wide text as UTF-8. Throws std::filesystem::filesystem_error on ill-formed UTF-16
// (an unpaired surrogate).
std::string utf8FromPath(const std::filesystem::path& path);

// One wide character per byte, by sign extension: ASCII is unchanged, 0x80..0xFF become
// U+FF80..U+FFFF.
std::wstring widenBytes(const std::string& text);

// Text shown to the user or handed to another program: well-formed UTF-8 is decoded as UTF-8,
// anything else is widened byte by byte (widenBytes). ASCII is unchanged either way.
std::wstring widenText(const std::string& text);

// Strict UTF-8 decoding (no overlong forms, no surrogates, nothing above U+10FFFF) into UTF-16.
// Returns false and leaves `out` unspecified when the text is not well-formed UTF-8.
bool decodeUtf8(const std::string& text, std::wstring& out);

} // namespace TarnwickEngine

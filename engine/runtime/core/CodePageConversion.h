// The conversions behind pathFromNarrow and narrowFromPath for a code page that the caller names,
// so that the rules of every ANSI code page, UTF-8 (65001) among them, can be exercised on a
// machine whose own code page is another. The program itself always passes ::GetACP().
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace TarnwickEngine {

// The signature of ::WideCharToMultiByte, which tests may replace with a stricter model of it.
using WideToMultiByteFunction = int(WINAPI*)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);

// 8-bit text in `codePage` to a path. Throws std::filesystem::filesystem_error when the text is
// not valid in the code page (for UTF-8: any ill-formed sequence).
std::filesystem::path pathFromCodePage(UINT codePage, std::string_view text);

// A path to 8-bit text in `codePage`. Throws std::filesystem::filesystem_error when a character
// has no exact form there: no best-fit substitute and no default character count as a result, and
// for UTF-8 an unpaired surrogate fails.
std::string codePageFromPath(UINT codePage, const std::filesystem::path& path,
                             WideToMultiByteFunction convert = &::WideCharToMultiByte);

} // namespace TarnwickEngine

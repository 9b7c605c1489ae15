#include "core/TextEncoding.h"

#include "core/CodePageConversion.h"

#include <windows.h>

#include <cstdint>
#include <system_error>

namespace TarnwickEngine {

namespace {

[[noreturn]] void throwConversionError() {
    throw std::filesystem::filesystem_error("Cannot convert character sequence",
                                            std::make_error_code(std::errc::illegal_byte_sequence));
}

int continuationCount(unsigned char lead, std::uint32_t& codePoint) {
    if (lead < 0x80) { codePoint = lead; return 0; }
    if (lead >= 0xC2 && lead <= 0xDF) { codePoint = lead & 0x1F; return 1; }
    if (lead >= 0xE0 && lead <= 0xEF) { codePoint = lead & 0x0F; return 2; }
    if (lead >= 0xF0 && lead <= 0xF4) { codePoint = lead & 0x07; return 3; }
    return -1;
}

void appendUtf16(std::uint32_t codePoint, std::wstring& out) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<wchar_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF)));
}

void appendUtf8(std::uint32_t codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

} // namespace

bool decodeUtf8(const std::string& text, std::wstring& out) {
    out.clear();
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::uint32_t codePoint = 0;
        const int extra = continuationCount(static_cast<unsigned char>(text[i]), codePoint);
        if (extra < 0 || text.size() - i - 1 < static_cast<std::size_t>(extra)) return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (c & 0x3F);
        }
        // Overlong three- and four-byte forms, surrogates and values past U+10FFFF.
        if ((extra == 2 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))) ||
            (extra == 3 && (codePoint < 0x10000 || codePoint > 0x10FFFF))) {
            return false;
        }
        appendUtf16(codePoint, out);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::wstring widenBytes(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text) {
        wide.push_back(static_cast<wchar_t>(static_cast<std::int16_t>(static_cast<std::int8_t>(c))));
    }
    return wide;
}

std::wstring widenText(const std::string& text) {
    std::wstring wide;
    if (decodeUtf8(text, wide)) return wide;
    return widenBytes(text);
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    std::string text;
    text.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        std::uint32_t unit = static_cast<std::uint16_t>(wide[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const std::uint32_t low = i + 1 < wide.size() ? static_cast<std::uint16_t>(wide[i + 1]) : 0;
            if (low < 0xDC00 || low > 0xDFFF) throwConversionError();
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            throwConversionError();
        }
        appendUtf8(unit, text);
    }
    return text;
}

std::filesystem::path pathFromCodePage(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    // MB_ERR_INVALID_CHARS is one of the two flags that UTF-8 allows, so one call serves all.
    const int needed = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed <= 0) throwConversionError();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), needed);
    return std::filesystem::path(std::move(wide));
}

// Windows refuses UTF-8 conversions that ask for best-fit control or a default character
// (ERROR_INVALID_FLAGS, ERROR_INVALID_PARAMETER): there UTF-8 has WC_ERR_INVALID_CHARS, and an
// unpaired surrogate, the one thing UTF-8 cannot hold, fails the call. Every other code page
// refuses best-fit substitutes and reports a default character in its place.
std::string codePageFromPath(UINT codePage, const std::filesystem::path& path, WideToMultiByteFunction convert) {
    const std::wstring& wide = path.native();
    if (wide.empty()) return {};
    const int length = static_cast<int>(wide.size());
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const reportDefault = utf8 ? nullptr : &usedDefault;
    const int needed = convert(codePage, flags, wide.data(), length, nullptr, 0, nullptr, reportDefault);
    if (needed <= 0 || usedDefault) throwConversionError();
    std::string text(static_cast<std::size_t>(needed), '\0');
    convert(codePage, flags, wide.data(), length, text.data(), needed, nullptr, reportDefault);
    return text;
}

std::filesystem::path pathFromNarrow(std::string_view text) { return pathFromCodePage(::GetACP(), text); }

std::string narrowFromPath(const std::filesystem::path& path) { return codePageFromPath(::GetACP(), path); }

} // namespace TarnwickEngine

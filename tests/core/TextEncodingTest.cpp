#include "core/CodePageConversion.h"
#include "core/TextEncoding.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

using namespace TarnwickEngine;

TEST(TextEncoding, AsciiIsUnchangedByBothWidenings) {
    EXPECT_EQ(widenText("Hello, world"), L"Hello, world");
    EXPECT_EQ(widenBytes("Hello, world"), L"Hello, world");
    EXPECT_EQ(widenText(""), L"");
}

TEST(TextEncoding, WellFormedUtf8IsDecoded) {
    EXPECT_EQ(widenText("Caf\xC3\xA9"), L"Caf\u00E9");
    EXPECT_EQ(widenText("\xE2\x82\xAC 5"), L"\u20AC 5");
    // A character beyond the basic plane becomes a surrogate pair.
    EXPECT_EQ(widenText("\xF0\x9F\x99\x82"), std::wstring({wchar_t(0xD83D), wchar_t(0xDE42)}));
}

TEST(TextEncoding, AnythingElseIsWidenedByteByByteWithSignExtension) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"lone Latin-1 byte", "Caf\xE9"},
        {"truncated sequence", "ab\xC3"},
        {"overlong slash", "\xC0\xAF"},
        {"overlong three-byte form", "\xE0\x80\xAF"},
        {"encoded surrogate", "\xED\xA0\x80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
        {"stray continuation byte", "\x80x"},
    };
    for (const auto& c : cases) {
        std::wstring expected;
        for (const unsigned char byte : c.bytes) {
            expected.push_back(byte < 0x80 ? wchar_t(byte) : wchar_t(0xFF00 | byte));
        }
        EXPECT_EQ(widenText(c.bytes), expected) << c.what;
        EXPECT_EQ(widenBytes(c.bytes), expected) << c.what;
    }
    // The byte-wise form never decodes, even well-formed UTF-8.
    EXPECT_EQ(widenBytes("\xC3\xA9"), std::wstring({wchar_t(0xFFC3), wchar_t(0xFFA9)}));
}

TEST(TextEncoding, PathsBecomeUtf8AndIllFormedUtf16Fails) {
    EXPECT_EQ(utf8FromPath(std::filesystem::path(L"C:\\Spiele\\Caf\u00E9")), "C:\\Spiele\\Caf\xC3\xA9");
    EXPECT_EQ(utf8FromPath(std::filesystem::path(std::wstring({L'a', wchar_t(0xD83D), wchar_t(0xDE42)}))),
              "a\xF0\x9F\x99\x82");
    const std::filesystem::path loneHigh(std::wstring({L'a', wchar_t(0xD800), L'b'}));
    const std::filesystem::path loneLow(std::wstring({wchar_t(0xDC00)}));
    EXPECT_THROW(utf8FromPath(loneHigh), std::filesystem::filesystem_error);
    EXPECT_THROW(utf8FromPath(loneLow), std::filesystem::filesystem_error);
}

TEST(TextEncoding, NarrowTextGoesThroughTheAnsiCodePage) {
    // Code page 1252 here: 0x80 is the euro sign, not U+0080 as a byte-wise widening would give.
    ASSERT_EQ(::GetACP(), 1252u);
    EXPECT_EQ(pathFromNarrow("Caf\xE9\x80").native(), L"Caf\u00E9\u20AC");
    EXPECT_EQ(narrowFromPath(std::filesystem::path(L"Caf\u00E9\u20AC")), "Caf\xE9\x80");
    EXPECT_TRUE(pathFromNarrow("").empty());
    // A character the code page cannot hold has no best-fit substitute.
    EXPECT_THROW(narrowFromPath(std::filesystem::path(L"\u4E2D")), std::filesystem::filesystem_error);
    EXPECT_THROW(narrowFromPath(std::filesystem::path(L"\u0100")), std::filesystem::filesystem_error);
}

namespace {

// Wine converts UTF-8 whatever flags and default-character pointers it is given; Windows refuses
// both. This applies Windows' rule before converting, so that a test here sees what Windows would.
int WINAPI windowsUtf8Rules(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR narrow, int narrowLength,
                            LPCCH defaultChar, LPBOOL usedDefault) {
    if (codePage == CP_UTF8 && (flags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) != 0) {
        ::SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    if (codePage == CP_UTF8 && (defaultChar || usedDefault)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return ::WideCharToMultiByte(codePage, flags, wide, wideLength, narrow, narrowLength, defaultChar, usedDefault);
}

const std::wstring loneSurrogate = std::wstring(L"Spiel") + wchar_t(0xD800);

} // namespace

// A project folder's name becomes the default project name through the ANSI code page, which may
// be 1252 or, on Windows 10 and 11 with the UTF-8 setting, 65001.
TEST(TextEncoding, FolderNamesBecomeNarrowTextInEitherKindOfCodePage) {
    const struct {
        UINT codePage;
        std::wstring name;
        const char* narrow; // null: the code page cannot represent the name
    } cases[] = {
        {1252, L"Caf\u00E9\u20AC", "Caf\xE9\x80"},
        {1252, L"\u4E2D\u6587", nullptr},
        {1252, L"\u0100", nullptr},
        {1252, loneSurrogate, nullptr},
        {CP_UTF8, L"Caf\u00E9\u20AC", "Caf\xC3\xA9\xE2\x82\xAC"},
        {CP_UTF8, L"\u4E2D\u6587", "\xE4\xB8\xAD\xE6\x96\x87"},
        {CP_UTF8, std::wstring({wchar_t(0xD83D), wchar_t(0xDE42)}), "\xF0\x9F\x99\x82"},
        {CP_UTF8, loneSurrogate, nullptr},
        {CP_UTF8, std::wstring({wchar_t(0xDC00), L'x'}), nullptr},
    };
    for (const auto& c : cases) {
        const std::filesystem::path path(c.name);
        if (c.narrow) {
            EXPECT_EQ(codePageFromPath(c.codePage, path, windowsUtf8Rules), c.narrow) << c.codePage;
            EXPECT_EQ(codePageFromPath(c.codePage, path), c.narrow) << c.codePage;
        } else {
            EXPECT_THROW(codePageFromPath(c.codePage, path, windowsUtf8Rules), std::filesystem::filesystem_error)
                << c.codePage;
            EXPECT_THROW(codePageFromPath(c.codePage, path), std::filesystem::filesystem_error) << c.codePage;
        }
    }
    EXPECT_EQ(codePageFromPath(CP_UTF8, std::filesystem::path(), windowsUtf8Rules), "");
}

TEST(TextEncoding, NarrowTextBecomesAPathInEitherKindOfCodePage) {
    const struct {
        UINT codePage;
        std::string narrow;
        const wchar_t* wide; // null: the text is not valid in the code page
    } cases[] = {
        {1252, "Caf\xE9\x80", L"Caf\u00E9\u20AC"},
        {1252, "Caf\xC3\xA9", L"Caf\u00C3\u00A9"},
        {CP_UTF8, "Caf\xC3\xA9\xE2\x82\xAC", L"Caf\u00E9\u20AC"},
        {CP_UTF8, "Caf\xE9", nullptr},
        {CP_UTF8, "\xED\xA0\x80", nullptr}, // an encoded surrogate
        {CP_UTF8, "\xC0\xAF", nullptr},     // an overlong slash
    };
    for (const auto& c : cases) {
        if (c.wide) {
            EXPECT_EQ(pathFromCodePage(c.codePage, c.narrow).native(), c.wide) << c.codePage << " " << c.narrow;
        } else {
            EXPECT_THROW(pathFromCodePage(c.codePage, c.narrow), std::filesystem::filesystem_error) << c.narrow;
        }
    }
}

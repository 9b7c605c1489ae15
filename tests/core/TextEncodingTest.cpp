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

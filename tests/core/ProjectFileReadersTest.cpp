#include "core/ProjectFileReaders.h"
#include "support/SystemTimes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

using namespace TarnwickEngine;

namespace {

template <typename T>
struct ReaderCase {
    const char* what;
    std::string json;
    T expected;
};

std::string outOfRangeText(const std::function<void()>& read) {
    try {
        read();
    } catch (const std::out_of_range& error) {
        return error.what();
    }
    return "no exception";
}

} // namespace

TEST(ReadJsonString, FindsTheFirstOccurrenceWhoseValueIsAString) {
    const ReaderCase<std::string> cases[] = {
        {"top level", R"({"name": "Demo"})", "Demo"},
        {"no white space", R"({"name":"Demo"})", "Demo"},
        {"line breaks and tabs around the colon", "{\"name\"\r\n\t :\n \"Demo\"}", "Demo"},
        {"empty value is a value", R"({"name": ""})", ""},
        {"nested occurrence first wins", R"({"items": [{"name": "inner"}], "name": "outer"})", "inner"},
        {"number value passed over", R"({"name": 5, "x": {"name": "later"}})", "later"},
        {"escapes are not decoded", R"({"name": "a\nb"})", "a\\nb"},
        {"escaped quote ends the value", R"({"name": "say \"hi\""})", "say \\"},
        {"line break inside the value", "{\"name\": \"two\nlines\"}", "two\nlines"},
        {"comment before the colon spoils it", R"({"name" /*c*/ : "x", "name": "y"})", "y"},
        {"key case must match", R"({"Name": "x"})", "default"},
        {"missing", R"({"title": "x"})", "default"},
        {"unterminated value", R"({"name": "open)", "default"},
        {"key is matched with its quotes", R"({"names": "x", "myname": "y"})", "default"},
        {"escaped occurrence is not the key", R"({"note": "the \"name\" key", "name": "real"})", "real"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readJsonString(c.json, "name", "default"), c.expected) << c.what;
    }
}

TEST(ReadJsonString, LongValuesLoadWithoutExhaustingTheStack) {
    const std::string title(200000, 't');
    std::string json = "{\n  \"padding\": \"" + std::string(800000, ' ') + "\",\n";
    json += "  \"title\": \"" + title + "\",\n  \"mainClass\": \"Game\"\n}\n";
    ASSERT_GT(json.size(), 1000000u);
    EXPECT_EQ(readJsonString(json, "title", "default"), title);
    EXPECT_EQ(readJsonString(json, "mainClass", ""), "Game");
}

TEST(ReadJsonInt, ReadsUnsignedDigitsAs32BitPatterns) {
    const ReaderCase<std::int32_t> cases[] = {
        {"plain", R"({"width": 800})", 800},
        {"quoted is a string", R"({"width": "800"})", -7},
        {"minus sign is not part of the form", R"({"width": -5})", -7},
        {"fraction ignored", R"({"width": 12.9})", 12},
        {"leading zeros", R"({"width": 007})", 7},
        {"largest unsigned is -1", R"({"width": 4294967295})", -1},
        {"2^31 wraps", R"({"width": 2147483648})", -2147483647 - 1},
        {"many leading zeros", "{\"width\": " + std::string(5000, '0') + "42}", 42},
        {"first occurrence with digits wins", R"({"window": {"width": 800}, "width": 1024})", 800},
        {"string first, nested number later", R"({"width": "wide", "inner": {"width": 640}})", 640},
        {"missing", R"({})", -7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readJsonInt(c.json, "width", -7), c.expected) << c.what;
    }
}

TEST(ReadJsonInt, NumbersAbove32BitsFailWithTheConversionText) {
    for (const std::string& digits : {std::string("4294967296"), std::string("99999999999999999999999"), std::string(300, '9')}) {
        const std::string json = "{\"width\": " + digits + "}";
        EXPECT_EQ(outOfRangeText([&] { readJsonInt(json, "width", 0); }), "stoul argument out of range") << digits;
    }
}

TEST(ReadJsonFloat, ReadsSignedDecimalsWithoutExponent) {
    const ReaderCase<float> cases[] = {
        {"negative fraction", R"({"x": -12.5})", -12.5f},
        {"integer", R"({"x": 3})", 3.0f},
        {"exponent is not read", R"({"x": 1e-3})", 1.0f},
        {"5e-2 reads as 5", R"({"x": 5e-2})", 5.0f},
        {"leading point is no number", R"({"x": .5})", 9.0f},
        {"plus sign is no number", R"({"x": +1})", 9.0f},
        {"trailing point", R"({"x": 2.})", 2.0f},
        {"nearest float", R"({"x": 0.05})", 0.05f},
        {"key must match exactly", R"({"index": 1, "X": 2, "xs": 3})", 9.0f},
        {"tiny values round instead of failing", "{\"x\": 0." + std::string(60, '0') + "1}", 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readJsonFloat(c.json, "x", 9.0f), c.expected) << c.what;
    }
    const float negativeZero = readJsonFloat(R"({"x": -0})", "x", 9.0f);
    EXPECT_EQ(negativeZero, 0.0f);
    EXPECT_TRUE(std::signbit(negativeZero));
}

TEST(ReadJsonFloat, MagnitudesBeyondFloatFailWithTheConversionText) {
    const std::string json = "{\"x\": 1" + std::string(39, '0') + "}";
    EXPECT_EQ(outOfRangeText([&] { readJsonFloat(json, "x", 0.0f); }), "stof argument out of range");
    const std::string negative = "{\"x\": -1" + std::string(39, '0') + "}";
    EXPECT_EQ(outOfRangeText([&] { readJsonFloat(negative, "x", 0.0f); }), "stof argument out of range");
    EXPECT_EQ(readJsonFloat(R"({"x": 340000000000000000000000000000000000000})", "x", 0.0f), 3.4e38f);
}

// A value of a few hundred thousand digits once held the start-up for seconds (strtof's time
// grows with the square of the digits).
TEST(ReadJsonFloat, LongValuesAreReadAtOnce) {
    const std::string json = "{\"x\": 0." + std::string(400000, '1') + "}";
    const double start = TarnwickTest::threadProcessorSeconds();
    const float value = readJsonFloat(json, "x", 9.0f);
    EXPECT_LT(TarnwickTest::threadProcessorSeconds() - start, 2.0);
    EXPECT_EQ(value, std::strtof("0.11111111111111111111", nullptr));
}

TEST(ReadJsonBool, ReadsOnlyLowerCaseWords) {
    const ReaderCase<bool> cases[] = {
        {"true", R"({"on": true})", true},
        {"false", R"({"on": false})", false},
        {"anything may follow", R"({"on": falsehood})", false},
        {"capitalised", R"({"on": True})", true},
        {"upper case", R"({"on": FALSE})", true},
        {"quoted", R"({"on": "false"})", true},
        {"digit", R"({"on": 0})", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readJsonBool(c.json, "on", true), c.expected) << c.what;
    }
    EXPECT_FALSE(readJsonBool(R"({"on": 1, "x": {"on": false}})", "on", true));
}

TEST(ParseColor, ReadsHashAndSixHexDigits) {
    const Color fallback{1, 2, 3};
    const ReaderCase<Color> cases[] = {
        {"lower case", "#12141a", Color{18, 20, 26}},
        {"upper case", "#12141A", Color{18, 20, 26}},
        {"red", "#ff0000", Color{255, 0, 0}},
        {"no hash", "1214 1a", fallback},
        {"six characters", "#12141", fallback},
        {"eight characters", "#12141a ", fallback},
        {"short form", "#fff", fallback},
        {"empty", "", fallback},
        {"word", "red", fallback},
        {"first pair not hex discards all", "#zz1122", fallback},
        {"last pair not hex discards all", "#1122zz", fallback},
        {"second digit not hex", "#1g2h3i", Color{1, 2, 3}},
        {"minus one negates", "#-10000", Color{255, 0, 0}},
        {"leading blank skipped", "# f0000", Color{15, 0, 0}},
        {"plus sign", "#+f0000", Color{15, 0, 0}},
        {"lone minus is no number", "#-z0000", fallback},
    };
    for (const auto& c : cases) {
        const Color color = parseColor(c.json, fallback);
        EXPECT_EQ(color, c.expected) << c.what << ": got " << int(color.r) << "," << int(color.g) << ","
                                     << int(color.b);
    }
}

// The readers must find exactly what a std::regex search with the readers' patterns finds. On
// short texts the regex engine is safe to run, so it serves as the reference.
TEST(ProjectFileReaders, AgreeWithTheRegularExpressionsOnRandomShortTexts) {
    // Texts of one to three members with noise between them: spacing, a missing colon, values of
    // every form and of none, stray quotes.
    const std::vector<std::string> spaces = {"", " ", "\t", "\r\n", "\v\f"};
    const std::vector<std::string> values = {"\"v\"", "\"\"", "12", "007", "-3.5", "3.", "-0", "true",
                                             "false", "falsy", "x", "\"open", "\"a\nb\"", ".5"};
    const std::vector<std::string> separators = {",", " ", "{", "\"", "", "\"key"};
    const std::regex stringPattern("\"key\"\\s*:\\s*\"([^\"]*)\"");
    const std::regex intPattern("\"key\"\\s*:\\s*([0-9]+)");
    const std::regex floatPattern("\"key\"\\s*:\\s*(-?[0-9]+(?:\\.[0-9]+)?)");
    const std::regex boolPattern("\"key\"\\s*:\\s*(true|false)");
    std::mt19937 random(20261209);
    const auto pick = [&random](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    std::uniform_int_distribution<int> members(1, 3);
    std::uniform_int_distribution<int> percent(0, 99);

    int matches = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string json;
        for (int n = members(random); n > 0; --n) {
            json += pick(separators) + "\"key\"" + pick(spaces);
            if (percent(random) < 85) json += ":";
            json += pick(spaces) + pick(values);
        }
        std::smatch match;

        const std::string expectedString = std::regex_search(json, match, stringPattern) ? match[1].str() : "?";
        EXPECT_EQ(readJsonString(json, "key", "?"), expectedString) << json;

        const bool hasInt = std::regex_search(json, match, intPattern);
        const int expectedInt = hasInt ? static_cast<int>(std::stoul(match[1].str())) : -1;
        EXPECT_EQ(readJsonInt(json, "key", -1), expectedInt) << json;

        const bool hasFloat = std::regex_search(json, match, floatPattern);
        const float expectedFloat = hasFloat ? std::stof(match[1].str()) : -1.5f;
        EXPECT_EQ(readJsonFloat(json, "key", -1.5f), expectedFloat) << json;

        const bool hasBool = std::regex_search(json, match, boolPattern);
        EXPECT_EQ(readJsonBool(json, "key", true), hasBool ? match[1].str() == "true" : true) << json;

        matches += (expectedString != "?") + hasInt + hasFloat + hasBool;
    }
    // The texts are built so that every form is found often enough to mean something.
    EXPECT_GT(matches, 4000);
}

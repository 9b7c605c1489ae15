#include "core/DecimalText.h"
#include "support/SystemTimes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

using TarnwickEngine::boundedStrtof;

namespace {

struct Reading {
    float value = 0;
    std::size_t consumed = 0;
    bool rangeError = false;
};

Reading bounded(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const float value = boundedStrtof(text.c_str(), &end);
    return {value, static_cast<std::size_t>(end - text.c_str()), errno == ERANGE};
}

Reading library(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text.c_str(), &end);
    return {value, static_cast<std::size_t>(end - text.c_str()), errno == ERANGE};
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

// The processor time the work cost, which load beside the tests does not lengthen.
double secondsFor(const std::function<void()>& work) {
    const double start = TarnwickTest::threadProcessorSeconds();
    work();
    return TarnwickTest::threadProcessorSeconds() - start;
}

} // namespace

TEST(BoundedStrtof, ReadsWhatStrtofReads) {
    const std::string texts[] = {"0", "-0", "12.5", " \t\v\f\r\n7", "+3", "12px", "1,5", "1e3", "1e", "1e+", "1e-3x",
                                 "-2.5E+2", ".5", "5.", ".", "-.", "", "abc", "0x1p4", "0X1.8p1", "0x", "inf", "-INFINITY",
                                 "nan", "nan(12)", "1e39", "-1e39", "3.4028235e38", "3.5e38", "1e-40", "1e-50",
                                 "00000000000000012", "1." + std::string(900, '0') + "1", std::string(999, '9')};
    for (const std::string& text : texts) {
        const Reading expected = library(text), got = bounded(text);
        EXPECT_TRUE(sameBits(got.value, expected.value)) << text;
        EXPECT_EQ(got.consumed, expected.consumed) << text;
        EXPECT_EQ(got.rangeError, expected.rangeError) << text;
    }
}

TEST(BoundedStrtof, LongNumbersRoundAsTheirWholeDigitStringDoes) {
    // 1 + 2^-24 lies halfway between 1 and the next float: exactly there it rounds to even (1),
    // and any nonzero digit after it, however far, rounds it up.
    const std::string halfway = "1.000000059604644775390625";
    EXPECT_EQ(bounded(halfway + std::string(5000, '0')).value, 1.0f);
    EXPECT_EQ(bounded(halfway + std::string(5000, '0') + "1").value, std::nextafter(1.0f, 2.0f));
    EXPECT_EQ(bounded("-" + halfway + std::string(5000, '0') + "1e1").value, -std::nextafter(1.0f, 2.0f) * 10.0f);

    // Lengths at which strtof is still quick: the same value, end and range report.
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        std::string text = i % 3 == 0 ? "-" : "";
        const std::size_t integers = random() % 1500, fractions = 1001 + random() % 2000;
        for (std::size_t k = 0; k < integers; ++k) text += static_cast<char>('0' + (k < 1480 ? 0 : random() % 10));
        text += '.';
        for (std::size_t k = 0; k < fractions; ++k) text += static_cast<char>('0' + random() % 10);
        if (i % 4 == 0) text += "e" + std::to_string(static_cast<int>(random() % 80) - 40);
        text += "tail";
        const Reading expected = library(text), got = bounded(text);
        ASSERT_TRUE(sameBits(got.value, expected.value)) << i;
        ASSERT_EQ(got.consumed, expected.consumed) << i;
        ASSERT_EQ(got.rangeError, expected.rangeError) << i;
    }
}

TEST(BoundedStrtof, AMillionDigitsTakeNoTimeAtAll) {
    // The C runtime's strtof needs over half a minute for this one under Wine.
    const std::string text = "0." + std::string(1000000, '1') + "|";
    Reading got;
    EXPECT_LT(secondsFor([&] { got = bounded(text); }), 2.0);
    EXPECT_EQ(got.value, std::strtof("0.11111111111111111111", nullptr));
    EXPECT_EQ(got.consumed, text.size() - 1);
    EXPECT_FALSE(got.rangeError);
}

TEST(BoundedStrtof, ManyIntegerDigitsWithANegativeExponentStayFinite) {
    // mingw-w64's strtof gives infinity here, though the value is about 0.111.
    const std::string text = std::string(200000, '1') + "e-200000";
    const Reading got = bounded(text);
    EXPECT_EQ(got.value, std::strtof("0.11111111111111111111", nullptr));
    EXPECT_EQ(got.consumed, text.size());
    EXPECT_FALSE(got.rangeError);
    EXPECT_EQ(bounded("0." + std::string(2000000, '0') + "1").value, 0.0f);
    EXPECT_TRUE(std::isinf(bounded("1" + std::string(2000, '0')).value));
    EXPECT_TRUE(bounded("1" + std::string(2000, '0')).rangeError);
    EXPECT_TRUE(std::signbit(bounded("-" + std::string(3000, '0')).value));
}

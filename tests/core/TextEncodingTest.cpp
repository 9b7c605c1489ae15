#include "core/TextEncoding.h"

#include <gtest/gtest.h>

using namespace TarnwickEngine;

TEST(TextEncoding, AsciiIsUnchangedByBothWidenings) {
    EXPECT_EQ(widenText("Hello, world"), L"Hello, world");
    EXPECT_EQ(widenBytes("Hello, world"), L"Hello, world");
}

#include "core/Log.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace TarnwickEngine;
using TarnwickTest::LogCapture;

TEST(Log, InfoAndWarnGoToStandardOutputErrorToStandardError) {
    LogCapture log;
    Log::info("loaded");
    Log::error("broken");
    Log::warn("odd");
    Log::info("");
    EXPECT_EQ(log.out(), "[Info] loaded\n[Warn] odd\n[Info] \n");
    EXPECT_EQ(log.err(), "[Error] broken\n");
}

TEST(Log, MessagesAreWrittenAsGiven) {
    LogCapture log;
    Log::warn("two\nlines | and  spaces ");
    EXPECT_EQ(log.outLines(), (std::vector<std::string>{"[Warn] two", "lines | and  spaces "}));
}

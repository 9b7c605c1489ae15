// How received bytes become lines, without a child: the bytes go straight into pendingOutput, as a
// pump would append them.
#include "TestSupport.h"

#include "scripthost/ScriptHostImpl.h"

#include <gtest/gtest.h>

using namespace TarnwickEngine;
using TarnwickTest::LogCapture;

namespace {

using Lines = std::vector<std::string>;

// Appends `bytes` as a pump would and returns the lines handed on, exactly as handed on.
Lines receive(ScriptHost::Impl& impl, const std::string& bytes) {
    const std::size_t scanFrom = impl.pendingOutput.size();
    impl.pendingOutput += bytes;
    Lines lines;
    impl.cutLines(scanFrom, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

} // namespace

TEST(LineCutting, LinesAreHandedOnWholeWhereverTheChunksEnd) {
    ScriptHost::Impl impl;
    EXPECT_EQ(receive(impl, "ab"), Lines{});
    EXPECT_EQ(receive(impl, "c\nde"), Lines{"abc"});
    EXPECT_EQ(receive(impl, "f\ng\nh\ni"), (Lines{"def", "g", "h"}));
    EXPECT_EQ(impl.pendingOutput, "i");
}

TEST(LineCutting, OneCarriageReturnBeforeTheLineEndIsDropped) {
    ScriptHost::Impl impl;
    // A bare '\n' and a bare "\r\n" each hand on one empty line.
    EXPECT_EQ(receive(impl, "a\r\nb\r\r\nc\rd\n\n\r\ne\r"), (Lines{"a", "b\r", "c\rd", "", ""}));
    EXPECT_EQ(receive(impl, "\n"), Lines{"e"});
    EXPECT_EQ(impl.pendingOutput, "");
}

TEST(LineCutting, EmptyLinesReachTheDispatcherWhichIgnoresThem) {
    ScriptHost::Impl impl;
    LogCapture log;
    impl.pendingOutput = "\n\r\nREADY\n";
    impl.cutLines(0);
    EXPECT_TRUE(impl.ready);
    EXPECT_EQ(impl.pendingOutput, "");
    EXPECT_EQ(log.out() + log.err(), "");
}

TEST(LineCutting, LineUpToTheBoundIsKept) {
    ScriptHost::Impl impl;
    LogCapture log;
    const std::string longest(maxLineBytes, 'y');
    EXPECT_EQ(receive(impl, longest.substr(0, 1000)), Lines{});
    EXPECT_EQ(receive(impl, longest.substr(1000)), Lines{});
    EXPECT_EQ(impl.pendingOutput.size(), maxLineBytes);
    EXPECT_EQ(receive(impl, "\n"), Lines{longest});
    EXPECT_EQ(log.out().find("[Warn]"), std::string::npos);
}

TEST(LineCutting, PartialLinePastTheBoundIsDiscardedUpToItsEnd) {
    ScriptHost::Impl impl;
    LogCapture log;
    EXPECT_EQ(receive(impl, "before\n" + std::string(maxLineBytes, 'x')), Lines{"before"});
    EXPECT_EQ(receive(impl, "x"), Lines{});
    EXPECT_EQ(impl.pendingOutput, "");
    EXPECT_EQ(receive(impl, std::string(3 * maxLineBytes, 'x')), Lines{});
    EXPECT_EQ(impl.pendingOutput, "");
    EXPECT_EQ(receive(impl, "xx\nafter\npartial"), Lines{"after"});
    EXPECT_EQ(impl.pendingOutput, "partial");
    const auto out = log.outLines();
    EXPECT_EQ(std::count(out.begin(), out.end(), "[Warn] Dropped a script host line longer than 1 MiB."), 1);
}

TEST(LineCutting, CompleteLinePastTheBoundIsDiscardedToo) {
    ScriptHost::Impl impl;
    LogCapture log;
    EXPECT_EQ(receive(impl, std::string(maxLineBytes + 1, 'x') + "\nafter\n"), Lines{"after"});
    EXPECT_NE(log.out().find("[Warn] Dropped a script host line longer than 1 MiB."), std::string::npos);
}

// A line's last field is read on its own: the bytes after it in the received text belong to the
// next line, even where they could continue a number.
TEST(LineCutting, LastFieldEndsAtTheLineEnd) {
    ScriptHost::Impl impl;
    impl.frameCommands.camera = Camera{1, 2, 3, 4, 5};
    LogCapture log;
    impl.pendingOutput = "RECT|1|2|3|4|5|6| \r\n7\nCOLLIDER|1|2|3|4| \n5\nCAMERA|10|\t\n20\nRECT|1|2|3|4|5|6|7\n";
    impl.cutLines(0);
    EXPECT_EQ(TarnwickTest::describe(impl.frameCommands, impl.colliders, {}), "rect 1,2,3,4 5,6,7");
    EXPECT_EQ(impl.frameCommands.camera.x, 1.0f);
    // The bad lines are warned about; the bytes after them come out as lines of their own.
    Lines foreign;
    for (const std::string& line : log.outLines()) {
        if (line.rfind("[Info] ", 0) == 0) foreign.push_back(line);
    }
    EXPECT_EQ(foreign, (Lines{"[Info] [ScriptHost] 7", "[Info] [ScriptHost] 5", "[Info] [ScriptHost] 20"}));
}

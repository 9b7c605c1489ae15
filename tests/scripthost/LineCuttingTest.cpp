// How received bytes become lines, without a child: the bytes go straight into pendingOutput, as a
// pump would append them.
#include "TestSupport.h"

#include "scripthost/ScriptHostImpl.h"

#include <gtest/gtest.h>

using namespace TarnwickEngine;
using TarnwickTest::LogCapture;

namespace {

void receive(ScriptHost::Impl& impl, const std::string& bytes) {
    const std::size_t scanFrom = impl.pendingOutput.size();
    impl.pendingOutput += bytes;
    impl.cutLines(scanFrom);
}

// Lines outside the protocol come back as "[Info] [ScriptHost] <line>", which shows each line's
// exact bytes.
std::vector<std::string> handledLines(const LogCapture& log) {
    std::vector<std::string> lines;
    for (const std::string& line : log.outLines()) {
        const std::string prefix = "[Info] [ScriptHost] ";
        if (line.rfind(prefix, 0) == 0) lines.push_back(line.substr(prefix.size()));
    }
    return lines;
}

} // namespace

TEST(LineCutting, LinesAreHandedOnWholeWhereverTheChunksEnd) {
    ScriptHost::Impl impl;
    LogCapture log;
    receive(impl, "ab");
    EXPECT_EQ(handledLines(log).size(), 0u);
    receive(impl, "c\nde");
    receive(impl, "f\ng\nh\ni");
    EXPECT_EQ(handledLines(log), (std::vector<std::string>{"abc", "def", "g", "h"}));
    EXPECT_EQ(impl.pendingOutput, "i");
}

TEST(LineCutting, OneCarriageReturnBeforeTheLineEndIsDropped) {
    ScriptHost::Impl impl;
    LogCapture log;
    receive(impl, "a\r\nb\r\r\nc\rd\n\n\r\ne\r");
    receive(impl, "\n");
    EXPECT_EQ(handledLines(log), (std::vector<std::string>{"a", "b\r", "c\rd", "e"}));
    EXPECT_EQ(impl.pendingOutput, "");
}

TEST(LineCutting, LineUpToTheBoundIsKept) {
    ScriptHost::Impl impl;
    LogCapture log;
    const std::string longest(maxLineBytes, 'y');
    receive(impl, longest.substr(0, 1000));
    receive(impl, longest.substr(1000));
    EXPECT_EQ(impl.pendingOutput.size(), maxLineBytes);
    receive(impl, "\n");
    const auto lines = handledLines(log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], longest);
    EXPECT_EQ(log.out().find("[Warn]"), std::string::npos);
}

TEST(LineCutting, PartialLinePastTheBoundIsDiscardedUpToItsEnd) {
    ScriptHost::Impl impl;
    LogCapture log;
    receive(impl, "before\n" + std::string(maxLineBytes, 'x'));
    receive(impl, "x");
    EXPECT_EQ(impl.pendingOutput, "");
    receive(impl, std::string(3 * maxLineBytes, 'x'));
    EXPECT_EQ(impl.pendingOutput, "");
    receive(impl, "xx\nafter\npartial");
    EXPECT_EQ(handledLines(log), (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(impl.pendingOutput, "partial");
    const auto out = log.outLines();
    EXPECT_EQ(std::count(out.begin(), out.end(), "[Warn] Dropped a script host line longer than 1 MiB."), 1);
}

TEST(LineCutting, CompleteLinePastTheBoundIsDiscardedToo) {
    ScriptHost::Impl impl;
    LogCapture log;
    receive(impl, std::string(maxLineBytes + 1, 'x') + "\nafter\n");
    EXPECT_EQ(handledLines(log), (std::vector<std::string>{"after"}));
    EXPECT_NE(log.out().find("[Warn] Dropped a script host line longer than 1 MiB."), std::string::npos);
}

// A line's last field is read on its own: the bytes after it in the received text belong to the
// next line, even where they could continue a number.
TEST(LineCutting, LastFieldEndsAtTheLineEnd) {
    ScriptHost::Impl impl;
    impl.frameCommands.camera = Camera{1, 2, 3, 4, 5};
    LogCapture log;
    receive(impl, "RECT|1|2|3|4|5|6| \r\n7\nCOLLIDER|1|2|3|4| \n5\nCAMERA|10|\t\n20\nRECT|1|2|3|4|5|6|7\n");
    EXPECT_EQ(TarnwickTest::describe(impl.frameCommands, impl.colliders, {}), "rect 1,2,3,4 5,6,7");
    EXPECT_EQ(impl.frameCommands.camera.x, 1.0f);
    EXPECT_EQ(handledLines(log), (std::vector<std::string>{"7", "5", "20"}));
}

// The child's lines as handleLine sees them: dispatch, part counts, field reading, bad lines.
#include "TestSupport.h"

#include "scripthost/ScriptHostImpl.h"
#include "support/SystemTimes.h"

#include <gtest/gtest.h>

using namespace TarnwickEngine;
using TarnwickTest::LogCapture;
using TarnwickTest::TempDir;

namespace {

using Strings = std::vector<std::string>;

struct Handled {
    std::string records, out, err;
};

Handled handle(const std::vector<std::string>& lines, const std::filesystem::path& root = {}) {
    ScriptHost::Impl impl;
    impl.projectRoot = root;
    LogCapture log;
    for (const std::string& line : lines) impl.handleLine(line);
    return {TarnwickTest::describe(impl.frameCommands, impl.colliders, root), log.out(), log.err()};
}

std::string cameraText(const Camera& c) {
    std::ostringstream text;
    text << c.x << "," << c.y << " " << c.zoom << " " << c.viewportWidth << "x" << c.viewportHeight;
    return text.str();
}

} // namespace

TEST(Split, CutsLikeGetline) {
    const struct {
        std::string text;
        Strings fields;
    } cases[] = {
        {"", {}},           {"abc", {"abc"}},        {"|abc", {"", "abc"}}, {"a||b", {"a", "", "b"}},
        {"a|b|", {"a", "b"}}, {"a|b||", {"a", "b", ""}}, {"|", {""}},          {" a | b ", {" a ", " b "}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.text, '|'), c.fields) << c.text;
}

TEST(HandleLine, HandshakeWordsSetOnlyTheirFlag) {
    ScriptHost::Impl impl;
    impl.handleLine("STARTED");
    EXPECT_TRUE(impl.started && !impl.ready && !impl.frameEnded);
    impl.handleLine("END_FRAME");
    impl.handleLine("READY");
    impl.handleLine("READY");
    EXPECT_TRUE(impl.ready && impl.frameEnded);
}

TEST(HandleLine, LogErrorAndForeignLinesGoToTheConsole) {
    const struct {
        std::string line, out, err;
    } cases[] = {
        {"LOG|Info|hello", "[Info] hello\n", ""},
        {"LOG|Warn|careful", "[Warn] careful\n", ""},
        {"LOG|Error|broken", "", "[Error] broken\n"},
        {"LOG|warn|lower case", "[Info] lower case\n", ""},
        {"LOG||no level", "[Info] no level\n", ""},
        {"LOG|Info|a|b||c", "[Info] a|b||c\n", ""},
        {"LOG|Info", "", ""},
        {"ERROR|it|failed", "", "[Error] it|failed\n"},
        {"ERROR|", "", "[Error] \n"},
        {"", "", ""},
        {"hello", "[Info] [ScriptHost] hello\n", ""},
        {"READY ", "[Info] [ScriptHost] READY \n", ""},
        {"ready", "[Info] [ScriptHost] ready\n", ""},
        {"END_FRAME\r", "[Info] [ScriptHost] END_FRAME\r\n", ""},
        {"LOG", "[Info] [ScriptHost] LOG\n", ""},
        {"rect|1|2|3|4|5|6|7", "[Info] [ScriptHost] rect|1|2|3|4|5|6|7\n", ""},
        {"SPRITES|1", "[Info] [ScriptHost] SPRITES|1\n", ""},
    };
    for (const auto& c : cases) {
        const Handled handled = handle({c.line});
        EXPECT_EQ(handled.out, c.out) << c.line;
        EXPECT_EQ(handled.err, c.err) << c.line;
        EXPECT_EQ(handled.records, "") << c.line;
    }
}

// Lines with the wrong number of parts are dropped without a word; the right ones become records.
TEST(HandleLine, CommandLinesBecomeRecords) {
    const struct {
        std::string line, records;
    } cases[] = {
        {"RECT|10|20|30|40|255|0|0", "rect 10,20,30,40 255,0,0"},
        {"RECT|1|2|3|4|5|6|7|", "rect 1,2,3,4 5,6,7"},
        {"RECT|1|2|3|4|5|6|7||", ""},
        {"RECT|1|2|3|4|5|6", ""},
        {"SCREEN_RECT|1.5|-2|3e2|0x10|256|-1|300", "screen 1.5,-2,300,16 0,255,44"},
        {"SCREEN_RECT|1|2|3|4|5|6|7|8", ""},
        {"DEBUG_RECT|5|6|7|8|1|2|3", "debug 5,6,7,8 1,2,3"},
        {"DEBUG_RECT|1|2|3|4|5|6", ""},
        {"RECT| 12px|+5|1,5|.5e|-0|+7| 9x", "rect 12,5,1,0.5 0,7,9"},
        {"RECT|-0x1p3|inf|3.4e38|1e-50|0|0|0", "rect -8,inf,3.4e+38,0 0,0,0"},
        {"RECT|1e-40|nan|0|0|0|0|0", "rect 9.99995e-41,nan,0,0 0,0,0"}, // only overflow is out of range
        {"SPRITE|1|2|3|4|5|6|7|img/a.png", "sprite 1,2,3,4 5,6,7 <root>\\img\\a.png flips 0 0"},
        {"SPRITE|1|2|3|4|5|6|7|img/../c.png|True|false", "sprite 1,2,3,4 5,6,7 <root>\\c.png flips 1 0"},
        {"SPRITE|1|2|3|4|5|6|7|", ""},
        {"SPRITE|1|2|3|4|5|6|7|a.png|true", ""},
        {"SPRITE|1|2|3|4|5|6|7|a.png|true|false|x", ""},
        {"SPRITE_EX|1|2|3|4|5|6|7|a.png|true|True|16|32|8|4",
         "sprite 1,2,3,4 5,6,7 <root>\\a.png flips 1 1 src 16,32,8,4"},
        {"SPRITE_EX|1|2|3|4|5|6|7|a.png|true|false|0|0|8", ""},
        {"SPRITE_EX|1|2|3|4|5|6|7|a.png|true|false|0|0|8|8|9", ""},
        {"TEXT|3|4| Score: 10 |fonts/f.ttf|18.5|9|8|7|true|Center",
         "text 3,4 ' Score: 10 ' <root>\\fonts\\f.ttf 18.5 9,8,7 screen Center"},
        {"TEXT|1|2||f.ttf|24|1|2|3|false|Left", "text 1,2 '' <root>\\f.ttf 24 1,2,3 world Left"},
        {"TEXT|1|2|a|b|f.ttf|24|1|2|3|false|Left", ""},
        {"TEXT|1|2|hi|f.ttf|24|1|2|3|false|", ""},
        {"COLLIDER|-7|1|2|3|4", "collider -7 1,2,3,4"},
        {"COLLIDER|1|2|3|4", ""},
        {"COLLIDER|1|2|3|4|5|6", ""},
    };
    TempDir root;
    for (const auto& c : cases) {
        const Handled handled = handle({c.line}, root.path());
        EXPECT_EQ(handled.records, c.records) << c.line;
        EXPECT_EQ(handled.out + handled.err, "") << c.line;
    }
}

TEST(HandleLine, FlagsAreTrueOnlyForTwoSpellings) {
    const struct {
        std::string field;
        bool value;
    } cases[] = {{"True", true}, {"true", true}, {"TRUE", false}, {"1", false},
                 {"yes", false}, {" true", false}, {"true ", false}, {"", false}};
    for (const auto& c : cases) {
        const std::string flag = c.value ? "1" : "0";
        const std::string records = handle({"SPRITE|1|1|1|1|0|0|0|a.png|" + c.field + "|true"}).records;
        EXPECT_EQ(records.substr(records.find("flips")), "flips " + flag + " 1") << c.field;
    }
}

TEST(HandleLine, CameraTakesTheFieldsItsPartCountAllows) {
    const struct {
        std::string line, camera;
    } cases[] = {
        {"CAMERA|10", "1,2 3 4x5"},
        {"CAMERA|10|20", "10,20 3 4x5"},
        {"CAMERA|10|20|2|640", "10,20 3 4x5"},
        {"CAMERA|10|20|2|640|360", "10,20 2 640x360"},
        {"CAMERA|10|20|2|640|360|junk", "10,20 2 640x360"},
        {"CAMERA|10|20|0|640|360", "10,20 0 640x360"},
    };
    for (const auto& c : cases) {
        ScriptHost::Impl impl;
        impl.frameCommands.camera = Camera{1, 2, 3, 4, 5};
        impl.handleLine(c.line);
        EXPECT_EQ(cameraText(impl.frameCommands.camera), c.camera) << c.line;
    }
}

// A bad number drops the whole line (a camera keeps every field) with one warning naming it.
TEST(HandleLine, BadNumbersDropTheWholeLine) {
    const std::string lines[] = {
        "RECT|x|2|3|4|5|6|7",
        "RECT|1|2|3|4|5|6||",
        "RECT|1| |3|4|5|6|7",
        "RECT|1|2|3|4|-|6|7",
        "RECT|1e39|2|3|4|5|6|7",
        "RECT|1|2|3|4|5|6|4294967296",
        "SCREEN_RECT|1|2|3|4|5|x|7",
        "DEBUG_RECT|1|2|3|4|5|6|x",
        "SPRITE|1|2|3|4|5|6|x|a.png",
        "SPRITE_EX|1|2|3|4|5|6|7|a.png|true|true|0|0|8|x",
        "TEXT|1|2|hi|f.ttf|big|1|2|3|false|Left",
        "COLLIDER|2147483648|1|2|3|4",
        "COLLIDER|1|2|3|4|-3.5e39",
        "CAMERA|10|y",
        "CAMERA||20|2|640|360",
        "CAMERA|10|20|2|640|oops",
    };
    for (const std::string& line : lines) {
        ScriptHost::Impl impl;
        impl.frameCommands.camera = Camera{1, 2, 3, 4, 5};
        LogCapture log;
        impl.handleLine(line);
        EXPECT_EQ(TarnwickTest::describe(impl.frameCommands, impl.colliders, {}), "") << line;
        EXPECT_EQ(cameraText(impl.frameCommands.camera), "1,2 3 4x5") << line;
        const auto warnings = log.outLines();
        ASSERT_EQ(warnings.size(), 1u) << line;
        EXPECT_EQ(warnings[0].rfind("[Warn] ", 0), 0u) << line;
        EXPECT_NE(warnings[0].find(line), std::string::npos) << line;
    }
}

TEST(HandleLine, BadLinesWarnOncePerTagShowingTheLinesStart) {
    ScriptHost::Impl impl;
    LogCapture log;
    impl.handleLine("RECT|x|2|3|4|5|6|" + std::string(100000, '7'));
    for (int i = 0; i < 3; ++i) {
        impl.handleLine("RECT|bad|2|3|4|5|6|7");
        impl.handleLine("RECT|1|2|3|4|5|6|7");
        impl.handleLine("DEBUG_RECT|bad|2|3|4|5|6|7");
    }
    EXPECT_EQ(impl.frameCommands.rects.size(), 3u);
    const auto warnings = log.outLines();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("RECT|x|2|3|4|5|6|777"), std::string::npos);
    EXPECT_LT(warnings[0].size(), 400u);
    EXPECT_NE(warnings[1].find("DEBUG_RECT|bad|2|3|4|5|6|7"), std::string::npos);
}

// A number of a million digits once held the frame loop for over half a minute (strtof's time
// grows with the square of the digits). Counted in processor time, which a busy machine does not
// stretch.
TEST(HandleLine, ANumberOfAMillionDigitsIsReadAtOnce) {
    ScriptHost::Impl impl;
    LogCapture log;
    const std::string line = "RECT|0." + std::string(1000000, '1') + "|2|3|4|5|6|7";
    const double start = TarnwickTest::threadProcessorSeconds();
    impl.handleLine(line);
    EXPECT_LT(TarnwickTest::threadProcessorSeconds() - start, 2.0);
    ASSERT_EQ(impl.frameCommands.rects.size(), 1u);
    EXPECT_EQ(impl.frameCommands.rects[0].x, std::strtof("0.11111111111111111111", nullptr));
    EXPECT_EQ(impl.frameCommands.rects[0].y, 2.0f);
}

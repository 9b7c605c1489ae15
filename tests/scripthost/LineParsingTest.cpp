// The child's lines as handleLine sees them: dispatch, part counts, field reading, bad lines.
#include "TestSupport.h"

#include "core/Files.h"
#include "scripthost/ScriptHostImpl.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

using namespace TarnwickEngine;
using TarnwickTest::LogCapture;
using TarnwickTest::ScratchFolder;

namespace {

using Strings = std::vector<std::string>;

std::size_t recordCount(const ScriptHost::Impl& impl) {
    const FrameCommands& c = impl.frameCommands;
    return c.rects.size() + c.sprites.size() + c.texts.size() + c.debugRects.size() + impl.colliders.size();
}

bool sameCamera(const Camera& a, const Camera& b) {
    return a.x == b.x && a.y == b.y && a.zoom == b.zoom && a.viewportWidth == b.viewportWidth &&
           a.viewportHeight == b.viewportHeight;
}

} // namespace

TEST(Split, CutsLikeGetline) {
    const struct {
        std::string text;
        Strings fields;
    } cases[] = {
        {"", {}},
        {"abc", {"abc"}},
        {"|abc", {"", "abc"}},
        {"a||b", {"a", "", "b"}},
        {"a|b|", {"a", "b"}},
        {"a|b||", {"a", "b", ""}},
        {"|", {""}},
        {"||", {"", ""}},
        {" a | b ", {" a ", " b "}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.text, '|'), c.fields) << c.text;
}

TEST(HandleLine, HandshakeWordsSetOnlyTheirFlag) {
    ScriptHost::Impl impl;
    impl.handleLine("STARTED");
    EXPECT_TRUE(impl.started);
    EXPECT_FALSE(impl.ready);
    EXPECT_FALSE(impl.frameEnded);
    impl.handleLine("END_FRAME");
    impl.handleLine("READY");
    impl.handleLine("READY");
    EXPECT_TRUE(impl.ready);
    EXPECT_TRUE(impl.frameEnded);
}

TEST(HandleLine, LinesOutsideTheProtocolAreLoggedWithTheirPrefix) {
    const std::string lines[] = {"hello", "READY ", "ready", "END_FRAME\r", "LOG", "ERROR", "RECT", "rect|1|2|3|4|5|6|7",
                                 "SPRITES|1"};
    for (const std::string& line : lines) {
        ScriptHost::Impl impl;
        LogCapture log;
        impl.handleLine(line);
        EXPECT_EQ(log.out(), "[Info] [ScriptHost] " + line + "\n");
        EXPECT_EQ(log.err(), "");
        EXPECT_FALSE(impl.ready || impl.started || impl.frameEnded) << line;
        EXPECT_EQ(recordCount(impl), 0u) << line;
    }
}

TEST(HandleLine, EmptyLineDoesNothing) {
    ScriptHost::Impl impl;
    LogCapture log;
    impl.handleLine("");
    EXPECT_EQ(log.out() + log.err(), "");
}

TEST(HandleLine, LogAndErrorLinesGoToTheirLevel) {
    const struct {
        std::string line, out, err;
    } cases[] = {
        {"LOG|Info|hello", "[Info] hello\n", ""},
        {"LOG|Warn|careful", "[Warn] careful\n", ""},
        {"LOG|Error|broken", "", "[Error] broken\n"},
        {"LOG|warn|lower case", "[Info] lower case\n", ""},
        {"LOG||no level", "[Info] no level\n", ""},
        {"LOG|Info|a|b||c", "[Info] a|b||c\n", ""},
        {"LOG|Warn|", "[Warn] \n", ""},
        {"LOG|Info", "", ""},
        {"LOG|", "", ""},
        {"ERROR|it|failed", "", "[Error] it|failed\n"},
        {"ERROR|", "", "[Error] \n"},
    };
    for (const auto& c : cases) {
        ScriptHost::Impl impl;
        LogCapture log;
        impl.handleLine(c.line);
        EXPECT_EQ(log.out(), c.out) << c.line;
        EXPECT_EQ(log.err(), c.err) << c.line;
    }
}

TEST(HandleLine, CommandsAcceptOnlyTheirPartCounts) {
    enum List { rects, debugRects, sprites, texts, colliders };
    const struct {
        std::string line;
        List list;
        std::size_t count;
    } cases[] = {
        {"RECT|1|2|3|4|5|6|7", rects, 1},
        {"RECT|1|2|3|4|5|6|7|", rects, 1},
        {"RECT|1|2|3|4|5|6|7||", rects, 0},
        {"RECT|1|2|3|4|5|6", rects, 0},
        {"SCREEN_RECT|1|2|3|4|5|6|7", rects, 1},
        {"SCREEN_RECT|1|2|3|4|5|6|7|8", rects, 0},
        {"DEBUG_RECT|1|2|3|4|5|6|7", debugRects, 1},
        {"DEBUG_RECT|1|2|3|4|5|6", debugRects, 0},
        {"SPRITE|1|2|3|4|5|6|7|a.png", sprites, 1},
        {"SPRITE|1|2|3|4|5|6|7|", sprites, 0},
        {"SPRITE|1|2|3|4|5|6|7|a.png|true", sprites, 0},
        {"SPRITE|1|2|3|4|5|6|7|a.png|true|false", sprites, 1},
        {"SPRITE|1|2|3|4|5|6|7|a.png|true|false|x", sprites, 0},
        {"SPRITE_EX|1|2|3|4|5|6|7|a.png|true|false|0|0|8|8", sprites, 1},
        {"SPRITE_EX|1|2|3|4|5|6|7|a.png|true|false|0|0|8", sprites, 0},
        {"SPRITE_EX|1|2|3|4|5|6|7|a.png|true|false|0|0|8|8|9", sprites, 0},
        {"TEXT|1|2|hi|font.ttf|24|1|2|3|false|Left", texts, 1},
        {"TEXT|1|2||font.ttf|24|1|2|3|false|Left", texts, 1},
        {"TEXT|1|2|a|b|font.ttf|24|1|2|3|false|Left", texts, 0},
        {"TEXT|1|2|hi|font.ttf|24|1|2|3|false|", texts, 0},
        {"COLLIDER|1|2|3|4|5", colliders, 1},
        {"COLLIDER|1|2|3|4", colliders, 0},
        {"COLLIDER|1|2|3|4|5|6", colliders, 0},
    };
    ScratchFolder root;
    for (const auto& c : cases) {
        ScriptHost::Impl impl;
        impl.projectRoot = root.path();
        LogCapture log;
        impl.handleLine(c.line);
        const std::size_t counts[] = {impl.frameCommands.rects.size(), impl.frameCommands.debugRects.size(),
                                      impl.frameCommands.sprites.size(), impl.frameCommands.texts.size(),
                                      impl.colliders.size()};
        EXPECT_EQ(counts[c.list], c.count) << c.line;
        EXPECT_EQ(recordCount(impl), c.count) << c.line;
        EXPECT_EQ(log.out() + log.err(), "") << c.line;
    }
}

TEST(HandleLine, RectanglesCarryTheirFieldsAndList) {
    ScriptHost::Impl impl;
    impl.handleLine("RECT|10|20|30|40|255|0|0");
    impl.handleLine("SCREEN_RECT|1.5|-2|3e2|0x10|256|-1|300");
    impl.handleLine("DEBUG_RECT|5|6|7|8|1|2|3");
    const auto& rects = impl.frameCommands.rects;
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].x, 10.0f);
    EXPECT_EQ(rects[0].y, 20.0f);
    EXPECT_EQ(rects[0].w, 30.0f);
    EXPECT_EQ(rects[0].h, 40.0f);
    EXPECT_EQ(rects[0].color, (Color{255, 0, 0}));
    EXPECT_FALSE(rects[0].screenSpace);
    EXPECT_EQ(rects[1].x, 1.5f);
    EXPECT_EQ(rects[1].y, -2.0f);
    EXPECT_EQ(rects[1].w, 300.0f);
    EXPECT_EQ(rects[1].h, 16.0f);
    EXPECT_EQ(rects[1].color, (Color{0, 255, 44}));
    EXPECT_TRUE(rects[1].screenSpace);
    ASSERT_EQ(impl.frameCommands.debugRects.size(), 1u);
    EXPECT_EQ(impl.frameCommands.debugRects[0].color, (Color{1, 2, 3}));
    EXPECT_FALSE(impl.frameCommands.debugRects[0].screenSpace);
}

TEST(HandleLine, FloatFieldsAreReadFromTheirStart) {
    const struct {
        std::string field;
        float value;
    } cases[] = {
        {" 12px", 12.0f}, {"+5", 5.0f}, {"1,5", 1.0f}, {"1e", 1.0f}, {".5", 0.5f}, {"-0x1p3", -8.0f},
        {"inf", INFINITY}, {"3.4e38", 3.4e38f},
    };
    for (const auto& c : cases) {
        ScriptHost::Impl impl;
        impl.handleLine("RECT|" + c.field + "|0|0|0|0|0|0");
        ASSERT_EQ(impl.frameCommands.rects.size(), 1u) << c.field;
        EXPECT_EQ(impl.frameCommands.rects[0].x, c.value) << c.field;
    }
    ScriptHost::Impl impl;
    impl.handleLine("RECT|nan|1e-40|1e-50|0|0|0|0");
    ASSERT_EQ(impl.frameCommands.rects.size(), 1u);
    EXPECT_TRUE(std::isnan(impl.frameCommands.rects[0].x));
    // Below the smallest normal float: kept as strtof gives it, not dropped.
    EXPECT_GT(impl.frameCommands.rects[0].y, 0.0f);
    EXPECT_LT(impl.frameCommands.rects[0].y, FLT_MIN);
    EXPECT_EQ(impl.frameCommands.rects[0].w, 0.0f);
}

TEST(HandleLine, SpritesResolveTexturesAndReadFlagsAndSourceRectangles) {
    ScratchFolder root;
    ScriptHost::Impl impl;
    impl.projectRoot = root.path();
    const std::string absolute = pathToString(root.path() / "abs" / "b.png");
    impl.handleLine("SPRITE|1|2|3|4|5|6|7|img/a.png");
    impl.handleLine("SPRITE|1|2|3|4|5|6|7|" + absolute + "|True|false");
    impl.handleLine("SPRITE_EX|1|2|3|4|5|6|7|img/../c.png|true|True|16|32|8|4");
    const auto& sprites = impl.frameCommands.sprites;
    ASSERT_EQ(sprites.size(), 3u);
    EXPECT_EQ(sprites[0].texture, root.path() / "img" / "a.png");
    EXPECT_EQ(sprites[0].color, (Color{5, 6, 7}));
    EXPECT_FALSE(sprites[0].flipX || sprites[0].flipY || sprites[0].hasSourceRect);
    EXPECT_EQ(sprites[1].texture, root.path() / "abs" / "b.png");
    EXPECT_TRUE(sprites[1].flipX);
    EXPECT_FALSE(sprites[1].flipY);
    EXPECT_EQ(sprites[2].texture, root.path() / "c.png");
    EXPECT_TRUE(sprites[2].flipX && sprites[2].flipY && sprites[2].hasSourceRect);
    EXPECT_EQ(sprites[2].sourceX, 16.0f);
    EXPECT_EQ(sprites[2].sourceY, 32.0f);
    EXPECT_EQ(sprites[2].sourceW, 8.0f);
    EXPECT_EQ(sprites[2].sourceH, 4.0f);
}

TEST(HandleLine, FlagsAreTrueOnlyForTwoSpellings) {
    const struct {
        std::string field;
        bool value;
    } cases[] = {{"True", true}, {"true", true}, {"TRUE", false}, {"1", false},
                 {"yes", false}, {" true", false}, {"true ", false}, {"", false}};
    for (const auto& c : cases) {
        ScriptHost::Impl impl;
        impl.handleLine("SPRITE|1|2|3|4|5|6|7|a.png|" + c.field + "|" + c.field + "|");
        impl.handleLine("SPRITE|1|2|3|4|5|6|7|a.png|" + c.field + "|True");
        ASSERT_EQ(impl.frameCommands.sprites.size(), 2u) << c.field;
        EXPECT_EQ(impl.frameCommands.sprites[0].flipX, c.value) << c.field;
        EXPECT_EQ(impl.frameCommands.sprites[0].flipY, c.value) << c.field;
        EXPECT_EQ(impl.frameCommands.sprites[1].flipX, c.value) << c.field;
    }
}

TEST(HandleLine, TextsAndCollidersCarryTheirFields) {
    ScratchFolder root;
    ScriptHost::Impl impl;
    impl.projectRoot = root.path();
    impl.handleLine("TEXT|3|4| Score: 10 |fonts/f.ttf|18.5|9|8|7|true|Center");
    impl.handleLine("COLLIDER|-7|1|2|3|4");
    ASSERT_EQ(impl.frameCommands.texts.size(), 1u);
    const TextCommand& text = impl.frameCommands.texts[0];
    EXPECT_EQ(text.x, 3.0f);
    EXPECT_EQ(text.y, 4.0f);
    EXPECT_EQ(text.text, " Score: 10 ");
    EXPECT_EQ(text.font, root.path() / "fonts" / "f.ttf");
    EXPECT_EQ(text.size, 18.5f);
    EXPECT_EQ(text.color, (Color{9, 8, 7}));
    EXPECT_TRUE(text.screenSpace);
    EXPECT_EQ(text.alignment, "Center");
    ASSERT_EQ(impl.colliders.size(), 1u);
    EXPECT_EQ(impl.colliders[0].id, -7);
    EXPECT_EQ(impl.colliders[0].x, 1.0f);
    EXPECT_EQ(impl.colliders[0].h, 4.0f);
}

TEST(HandleLine, CameraTakesTheFieldsItsPartCountAllows) {
    const Camera start{1, 2, 3, 4, 5};
    const struct {
        std::string line;
        Camera expected;
    } cases[] = {
        {"CAMERA|10", start},
        {"CAMERA|10|20", {10, 20, 3, 4, 5}},
        {"CAMERA|10|20|", {10, 20, 3, 4, 5}},
        {"CAMERA|10|20|2", {10, 20, 3, 4, 5}},
        {"CAMERA|10|20|2|640", {10, 20, 3, 4, 5}},
        {"CAMERA|10|20|2|640|360", {10, 20, 2, 640, 360}},
        {"CAMERA|10|20|2|640|360|junk", {10, 20, 2, 640, 360}},
        {"CAMERA|10|20|0|640|360", {10, 20, 0, 640, 360}},
    };
    for (const auto& c : cases) {
        ScriptHost::Impl impl;
        impl.frameCommands.camera = start;
        LogCapture log;
        impl.handleLine(c.line);
        EXPECT_TRUE(sameCamera(impl.frameCommands.camera, c.expected)) << c.line;
        EXPECT_EQ(log.out(), "") << c.line;
    }
}

TEST(HandleLine, BadNumbersDropTheWholeLine) {
    const std::string lines[] = {
        "RECT|x|2|3|4|5|6|7",       "RECT|1|2|3|4|5|6||",      "RECT|1| |3|4|5|6|7",
        "RECT|1|2|3|4|-|6|7",       "RECT|1e39|2|3|4|5|6|7",   "RECT|1|2|3|4|5|6|4294967296",
        "SCREEN_RECT|1|2|3|4|5|x|7", "DEBUG_RECT|1|2|3|4|5|6|x", "SPRITE|1|2|3|4|5|6|x|a.png",
        "SPRITE_EX|1|2|3|4|5|6|7|a.png|true|true|0|0|8|x", "TEXT|1|2|hi|f.ttf|big|1|2|3|false|Left",
        "COLLIDER|2147483648|1|2|3|4", "COLLIDER|1|2|3|4|-3.5e39",
    };
    for (const std::string& line : lines) {
        ScriptHost::Impl impl;
        LogCapture log;
        impl.handleLine(line);
        EXPECT_EQ(recordCount(impl), 0u) << line;
        const auto warnings = log.outLines();
        ASSERT_EQ(warnings.size(), 1u) << line;
        EXPECT_EQ(warnings[0].rfind("[Warn] ", 0), 0u) << line;
        EXPECT_NE(warnings[0].find(line), std::string::npos) << line;
    }
}

TEST(HandleLine, BadCameraChangesNoField) {
    const std::string lines[] = {"CAMERA|10|y", "CAMERA|10|20|2|640|oops", "CAMERA||20|2|640|360",
                                 "CAMERA|10|20|1e40|640|360"};
    for (const std::string& line : lines) {
        ScriptHost::Impl impl;
        impl.frameCommands.camera = Camera{1, 2, 3, 4, 5};
        LogCapture log;
        impl.handleLine(line);
        EXPECT_TRUE(sameCamera(impl.frameCommands.camera, Camera{1, 2, 3, 4, 5})) << line;
        EXPECT_EQ(log.outLines().size(), 1u) << line;
    }
}

TEST(HandleLine, BadLinesWarnOncePerTagAndLeaveGoodLinesAlone) {
    ScriptHost::Impl impl;
    LogCapture log;
    for (int i = 0; i < 3; ++i) {
        impl.handleLine("RECT|bad|2|3|4|5|6|7");
        impl.handleLine("RECT|1|2|3|4|5|6|7");
        impl.handleLine("DEBUG_RECT|bad|2|3|4|5|6|7");
        impl.handleLine("CAMERA|bad|0");
    }
    EXPECT_EQ(impl.frameCommands.rects.size(), 3u);
    EXPECT_EQ(impl.frameCommands.debugRects.size(), 0u);
    const auto warnings = log.outLines();
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_NE(warnings[0].find("RECT|bad"), std::string::npos);
    EXPECT_NE(warnings[1].find("DEBUG_RECT|bad"), std::string::npos);
    EXPECT_NE(warnings[2].find("CAMERA|bad"), std::string::npos);
}

TEST(HandleLine, WarningShowsOnlyTheStartOfALongBadLine) {
    ScriptHost::Impl impl;
    LogCapture log;
    impl.handleLine("RECT|x|2|3|4|5|6|" + std::string(100000, '7'));
    const auto warnings = log.outLines();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_LT(warnings[0].size(), 400u);
    EXPECT_NE(warnings[0].find("RECT|x|2|3|4|5|6|777"), std::string::npos);
}

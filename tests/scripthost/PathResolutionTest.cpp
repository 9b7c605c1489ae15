// Path fields resolved once per text: the records stay exactly those of a fresh resolution, and
// the memory of past resolutions stays bounded and belongs to one project folder.
#include "TestSupport.h"

#include "core/Files.h"
#include "core/TextEncoding.h"
#include "scripthost/ScriptHostImpl.h"

#include <gtest/gtest.h>

using namespace TarnwickEngine;
using TarnwickTest::LogCapture;
using TarnwickTest::TempDir;
namespace fs = std::filesystem;

namespace {

fs::path freshResolution(const fs::path& root, const std::string& text) {
    return resolvePath(root, pathFromNarrow(text));
}

} // namespace

TEST(PathResolution, RepeatedTextsGiveTheRecordsOfAFreshResolution) {
    TempDir folder;
    folder.write("img/a.png", "");
    folder.write("Caf\u00E9/b.png", "");
    const fs::path root = folder.path();
    const std::string texts[] = {
        "img/a.png",
        narrowFromPath(root / "img" / "a.png"), // absolute
        "img/../img/./a.png",
        "../outside/x.png",
        "missing/none.png",
        "",
        "Caf\xE9/b.png",   // non-ASCII in the ANSI code page, existing
        "Caf\xE9/\xE9.png", // and missing
        "IMG/A.PNG",
    };
    ScriptHost::Impl impl;
    impl.projectRoot = root;
    LogCapture log;
    for (int round = 0; round < 3; ++round) {
        for (const std::string& text : texts) {
            impl.frameCommands.sprites.clear();
            impl.frameCommands.texts.clear();
            impl.handleLine("SPRITE|1|2|3|4|5|6|7|" + text + "|false|false");
            impl.handleLine("SPRITE_EX|1|2|3|4|5|6|7|" + text + "|false|false|0|0|1|1");
            impl.handleLine("TEXT|1|2|t|" + text + "|12|1|2|3|false|Left");
            const fs::path expected = freshResolution(root, text);
            ASSERT_EQ(impl.frameCommands.sprites.size(), 2u) << text;
            ASSERT_EQ(impl.frameCommands.texts.size(), 1u) << text;
            EXPECT_EQ(impl.frameCommands.sprites[0].texture.native(), expected.native()) << round << " " << text;
            EXPECT_EQ(impl.frameCommands.sprites[1].texture.native(), expected.native()) << round << " " << text;
            EXPECT_EQ(impl.frameCommands.texts[0].font.native(), expected.native()) << round << " " << text;
        }
    }
    EXPECT_EQ(log.out() + log.err(), "");
    EXPECT_EQ(impl.resolvedPaths.size(), std::size(texts));
}

TEST(PathResolution, TextsThatFailAreDroppedEveryTimeAndNotKept) {
    // Nothing fails to resolve under Wine (it refuses no access to its root user), so the failure
    // is made: every text that starts with "denied" is refused as an inaccessible folder would be.
    static int attempts;
    attempts = 0;
    const PathResolver denying = [](const fs::path& root, std::string_view text) {
        if (text.rfind("denied", 0) != 0) return resolvePathField(root, text);
        ++attempts;
        throw fs::filesystem_error("weakly_canonical", root / fs::path(text),
                                   std::make_error_code(std::errc::permission_denied));
    };
    TempDir folder;
    ScriptHost::Impl impl;
    impl.projectRoot = folder.path();
    impl.resolvedPaths = PathResolutionMemo(denying);
    LogCapture log;
    for (int round = 0; round < 3; ++round) {
        impl.handleLine("SPRITE|1|2|3|4|5|6|7|denied/a.png");
        impl.handleLine("TEXT|1|2|t|denied/f.ttf|12|1|2|3|false|Left");
        impl.handleLine("SPRITE|1|2|3|4|5|6|7|allowed/a.png");
    }
    EXPECT_EQ(attempts, 6) << "each failing text is tried anew";
    EXPECT_EQ(impl.frameCommands.sprites.size(), 3u);
    EXPECT_TRUE(impl.frameCommands.texts.empty());
    EXPECT_EQ(impl.resolvedPaths.size(), 1u);
    // One warning per tag, as for any bad line.
    const auto warnings = log.outLines();
    ASSERT_EQ(warnings.size(), 2u) << log.out();
    EXPECT_NE(warnings[0].find("SPRITE|1|2|3|4|5|6|7|denied/a.png"), std::string::npos);
    EXPECT_NE(warnings[1].find("TEXT|1|2|t|denied/f.ttf"), std::string::npos);
}

TEST(PathResolution, AnotherProjectFolderResolvesAfresh) {
    TempDir first, second;
    PathResolutionMemo memo;
    fs::path out;
    ASSERT_TRUE(memo.resolve(first.path(), "a.png", out));
    EXPECT_EQ(out.native(), freshResolution(first.path(), "a.png").native());
    ASSERT_TRUE(memo.resolve(second.path(), "a.png", out));
    EXPECT_EQ(out.native(), freshResolution(second.path(), "a.png").native());
    EXPECT_EQ(memo.size(), 1u);
}

TEST(PathResolution, ANewStartForgetsThePreviousRun) {
    TempDir folder;
    ScriptHost::Impl impl;
    impl.projectRoot = folder.path();
    impl.handleLine("SPRITE|1|2|3|4|5|6|7|a.png");
    ASSERT_EQ(impl.resolvedPaths.size(), 1u);
    ScriptHostConfig config; // no script host is found with this; the start fails after its reset
    config.projectRoot = folder.path();
    TarnwickTest::setEnvironment("DOTNET_ROOT", pathToString(folder.path()).c_str());
    TarnwickTest::setEnvironment("USERPROFILE", pathToString(folder.path()).c_str());
    const LogCapture log;
    EXPECT_FALSE(impl.start(config));
    EXPECT_EQ(impl.resolvedPaths.size(), 0u);
}

// A child that sends a new text on every line, short or very long, leaves a bounded memory.
TEST(PathResolution, TheMemoryStaysBounded) {
    TempDir folder;
    PathResolutionMemo memo;
    fs::path out;
    const int texts = static_cast<int>(PathResolutionMemo::maxEntries) + 100;
    for (int i = 0; i < texts; ++i) {
        const std::string text = "frame" + std::to_string(i) + ".png";
        ASSERT_TRUE(memo.resolve(folder.path(), text, out));
        ASSERT_LE(memo.size(), PathResolutionMemo::maxEntries);
        if (i % 1000 == 0) {
            ASSERT_EQ(out.native(), freshResolution(folder.path(), text).native());
        }
    }
    EXPECT_EQ(memo.size(), 100u) << "emptied once, when full";

    memo.clear();
    const std::string longName = std::string(200, 'n') + "/";
    std::string longText;
    while (longText.size() < 40000) longText += longName;
    // At least the text and its wide resolution, which holds the text.
    const std::size_t entryBytes = longText.size() * (1 + sizeof(wchar_t));
    std::size_t largest = 0;
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(memo.resolve(folder.path(), longText + std::to_string(i), out));
        largest = std::max(largest, memo.size());
    }
    EXPECT_LE(largest * entryBytes, PathResolutionMemo::maxBytes);
    EXPECT_LT(largest, std::size_t(100));
}

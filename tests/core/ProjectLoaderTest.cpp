#include "core/Application.h"
#include "core/Files.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace TarnwickEngine;
using TarnwickTest::CurrentDirectoryGuard;
using TarnwickTest::TempDir;
namespace fs = std::filesystem;

namespace {

struct LoadResult {
    bool ok = false;
    ProjectConfig config;
    std::string errors;
};

LoadResult load(const fs::path& projectPath) {
    LoadResult result;
    Application application;
    testing::internal::CaptureStderr();
    result.ok = application.loadProject(projectPath, result.config);
    result.errors = testing::internal::GetCapturedStderr();
    return result;
}

LoadResult loadText(const TempDir& dir, const std::string& json) {
    dir.write("Game/project.json", json);
    return load(dir.path() / "Game");
}

// The capture reads standard error back in text mode, so the line ends in "\n" here.
std::string errorLine(const std::string& message) { return "[Error] " + message + "\n"; }

} // namespace

TEST(LoadProject, OnlyMainClassGivesEveryDefault) {
    TempDir dir;
    const LoadResult result = loadText(dir, R"({"mainClass": "Game.Main"})");
    ASSERT_TRUE(result.ok) << result.errors;
    const ProjectConfig& c = result.config;
    EXPECT_EQ(result.errors, "");
    EXPECT_EQ(c.name, "Game");
    EXPECT_EQ(c.projectRoot, dir.path() / "Game");
    EXPECT_EQ(c.mainAssemblyPath, dir.path() / "Game");
    EXPECT_EQ(c.mainClass, "Game.Main");
    EXPECT_EQ(c.startScene, "");
    EXPECT_EQ(c.window.width, 1280);
    EXPECT_EQ(c.window.height, 720);
    EXPECT_EQ(c.window.title, "TarnwickEngine");
    EXPECT_EQ(c.backgroundColor, (Color{0x12, 0x14, 0x1a}));
    EXPECT_TRUE(c.pixelPerfect);
    EXPECT_EQ(c.targetFps, 240);
    EXPECT_TRUE(c.enableFrameLimiter);
    EXPECT_EQ(c.maxDeltaTime, 0.05f);
    EXPECT_EQ(c.fixedDeltaTime, 1.0f / 60.0f);
    EXPECT_EQ(c.x, 0.0f);
    EXPECT_EQ(c.y, 0.0f);
}

TEST(LoadProject, EveryKeyIsRead) {
    TempDir dir;
    dir.makeDir("Game/bin");
    const LoadResult result = loadText(dir, R"({
        "name": "Demo", "mainClass": "Demo.Main", "startScene": "Level1",
        "mainAssembly": "bin/../bin/Demo.dll",
        "window": {"width": 800, "height": 600, "title": "Demo Title"},
        "backgroundColor": "#ff0000", "pixelPerfect": false, "targetFps": 60,
        "enableFrameLimiter": false, "maxDeltaTime": 0.1, "fixedPhysicsFps": 30, "x": -2.5, "y": 7
    })");
    ASSERT_TRUE(result.ok) << result.errors;
    const ProjectConfig& c = result.config;
    EXPECT_EQ(c.name, "Demo");
    EXPECT_EQ(c.startScene, "Level1");
    EXPECT_EQ(c.mainAssemblyPath, dir.path() / "Game" / "bin" / "Demo.dll");
    EXPECT_EQ(c.window.width, 800);
    EXPECT_EQ(c.window.height, 600);
    EXPECT_EQ(c.window.title, "Demo Title");
    EXPECT_EQ(c.backgroundColor, (Color{255, 0, 0}));
    EXPECT_FALSE(c.pixelPerfect);
    EXPECT_EQ(c.targetFps, 60);
    EXPECT_FALSE(c.enableFrameLimiter);
    EXPECT_EQ(c.maxDeltaTime, 0.1f);
    EXPECT_EQ(c.fixedDeltaTime, 1.0f / 30.0f);
    EXPECT_EQ(c.x, -2.5f);
    EXPECT_EQ(c.y, 7.0f);
}

TEST(LoadProject, FixedTimeStepRules) {
    const struct {
        const char* json;
        float expected;
    } cases[] = {
        {R"("fixedPhysicsFps": 30, "fixedDeltaTime": 0.5)", 1.0f / 30.0f},
        {R"("fixedPhysicsFps": 0, "fixedDeltaTime": 0.02)", 0.02f},
        {R"("fixedPhysicsFps": 0)", 1.0f / 60.0f},
        {R"("fixedPhysicsFps": -30, "fixedDeltaTime": 0.02)", 1.0f / 60.0f},
        {R"("fixedDeltaTime": 0.02)", 1.0f / 60.0f},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const LoadResult result = loadText(dir, std::string(R"({"mainClass": "M", )") + c.json + "}");
        ASSERT_TRUE(result.ok) << result.errors;
        EXPECT_EQ(result.config.fixedDeltaTime, c.expected) << c.json;
    }
}

TEST(LoadProject, ValuesOfTheWrongFormKeepTheirDefaults) {
    TempDir dir;
    const LoadResult result = loadText(dir, R"({"mainClass": "M", "width": "800", "maxDeltaTime": .05,
        "backgroundColor": "#fff", "pixelPerfect": "false", "targetFps": -1})");
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.config.window.width, 1280);
    EXPECT_EQ(result.config.maxDeltaTime, 0.05f);
    EXPECT_EQ(result.config.backgroundColor, (Color{0x12, 0x14, 0x1a}));
    EXPECT_TRUE(result.config.pixelPerfect);
    EXPECT_EQ(result.config.targetFps, 240);

    const LoadResult exponent = loadText(dir, R"({"mainClass": "M", "maxDeltaTime": 5e-2})");
    EXPECT_EQ(exponent.config.maxDeltaTime, 5.0f);
}

TEST(LoadProject, FailuresLogExactlyOneErrorLine) {
    TempDir dir;
    const struct {
        const char* what;
        std::string json;
        std::string message;
    } cases[] = {
        {"no main class", R"({"name": "x"})", "project.json must define mainClass."},
        {"empty main class", R"({"mainClass": ""})", "project.json must define mainClass."},
        {"numeric main class", R"({"mainClass": 5})", "project.json must define mainClass."},
        {"width beyond 32 bits", R"({"mainClass": "M", "width": 4294967296})", "stoul argument out of range"},
        {"float beyond range", "{\"mainClass\": \"M\", \"x\": 1" + std::string(39, '0') + "}",
         "stof argument out of range"},
        {"range error reported before missing main class", R"({"height": 99999999999})",
         "stoul argument out of range"},
    };
    for (const auto& c : cases) {
        const LoadResult result = loadText(dir, c.json);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.errors, errorLine(c.message)) << c.what;
    }
}

TEST(LoadProject, MissingProjectFileNamesThePathItTried) {
    TempDir dir;
    dir.makeDir("Empty");
    const LoadResult empty = load(dir.path() / "Empty");
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.errors, errorLine("Could not open file: " + pathToString(dir.path() / "Empty" / "project.json")));

    const fs::path file = dir.write("file.txt", "x");
    EXPECT_EQ(load(file).errors, errorLine("Could not open file: " + pathToString(file / "project.json")));

    // A relative folder that does not exist stays relative, in normal form with backslashes.
    CurrentDirectoryGuard guard(dir.path());
    EXPECT_EQ(load("games/./demo/../demo").errors, errorLine("Could not open file: games\\demo\\project.json"));
}

TEST(LoadProject, EmptyProjectPathReadsTheCurrentDirectory) {
    TempDir dir;
    dir.write("project.json", R"({"mainClass": "M", "mainAssembly": "Game.dll"})");
    CurrentDirectoryGuard guard(dir.path());
    const LoadResult result = load("");
    ASSERT_TRUE(result.ok) << result.errors;
    EXPECT_TRUE(result.config.projectRoot.empty());
    EXPECT_EQ(result.config.name, "");
    EXPECT_EQ(result.config.mainAssemblyPath, "Game.dll");
}

TEST(LoadProject, AbsoluteAssemblyIsOnlyMadeCanonical) {
    TempDir dir;
    const fs::path elsewhere = dir.makeDir("elsewhere");
    const std::string assembly = pathToString(elsewhere / ".." / "elsewhere" / "G.dll");
    std::string escaped;
    for (char c : assembly) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    // Escapes are not decoded, so the doubled backslashes stay doubled in the path; the path
    // parser then treats each pair as one separator.
    const LoadResult result = loadText(dir, R"({"mainClass": "M", "mainAssembly": ")" + escaped + "\"}");
    ASSERT_TRUE(result.ok) << result.errors;
    EXPECT_EQ(result.config.mainAssemblyPath, elsewhere / "G.dll");
}

TEST(LoadProject, LongTitleInAMegabyteFileLoads) {
    TempDir dir;
    const std::string title(200000, 'T');
    std::string json = "{\n  \"mainClass\": \"Game.Main\",\n  \"notes\": \"" + std::string(820000, 'n') + "\",\n";
    json += "  \"window\": {\"title\": \"" + title + "\", \"width\": 640}\n}\n";
    ASSERT_GE(json.size(), 1000000u);
    const LoadResult result = loadText(dir, json);
    ASSERT_TRUE(result.ok) << result.errors;
    EXPECT_EQ(result.config.window.title, title);
    EXPECT_EQ(result.config.window.width, 640);
}

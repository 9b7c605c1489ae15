// The program run as a user would run it, for the start-up paths that end before the script host:
// the exact console lines and the exit code.
#include "core/Files.h"

#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace TarnwickTest;
using TarnwickEngine::pathToString;
namespace fs = std::filesystem;

namespace {

ProcessResult runEngine(const std::vector<std::wstring>& arguments, const fs::path& workingDirectory = {},
                        const fs::path& engine = buildDirectory() / "TarnwickEngine.exe") {
    ProcessOptions options;
    options.workingDirectory = workingDirectory;
    options.timeout = std::chrono::milliseconds(20000);
    return runProcess(engine, arguments, options);
}

} // namespace

TEST(StartupFailure, MissingProjectFile) {
    TempDir dir;
    const ProcessResult result = runEngine({(dir.path() / "NoSuchGame").native()});
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.out, "");
    // Standard error is a text-mode stream: the line ends in CR LF.
    EXPECT_EQ(result.err, "[Error] Could not open file: " + pathToString(dir.path() / "NoSuchGame" / "project.json") +
                              "\r\n");
}

TEST(StartupFailure, PreviewLineComesFirstAndOnlyOnce) {
    TempDir dir;
    const ProcessResult result = runEngine({L"--preview", L"--preview", L"games/./x"}, dir.path());
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.out, "[Info] Preview mode enabled for project: games/./x\r\n");
    EXPECT_EQ(result.err, "[Error] Could not open file: games\\x\\project.json\r\n");
}

TEST(StartupFailure, ProjectFileErrors) {
    TempDir dir;
    const struct {
        const char* json;
        const char* message;
    } cases[] = {
        {R"({"name": "NoMain"})", "project.json must define mainClass."},
        {R"({"mainClass": "Game.Main", "width": 4294967296})", "stoul argument out of range"},
    };
    for (const auto& c : cases) {
        dir.write("Game/project.json", c.json);
        const ProcessResult result = runEngine({L"--project", (dir.path() / "Game" / "project.json").native()});
        EXPECT_EQ(result.exitCode, 1u) << c.json;
        EXPECT_EQ(result.err, std::string("[Error] ") + c.message + "\r\n") << c.json;
        EXPECT_EQ(result.out, "") << c.json;
    }
}

// These open the window first, so they need the display.
TEST(StartupFailureWithWindow, ScriptHostNotFoundNamesTheCurrentDirectoryCandidate) {
    TempDir dir;
    // A copy of the program in a folder of its own has no script host beside it.
    const fs::path engine = dir.path() / "bin" / "TarnwickEngine.exe";
    fs::create_directories(engine.parent_path());
    fs::copy_file(buildDirectory() / "TarnwickEngine.exe", engine);
    dir.write("work/Game/project.json", R"({"mainClass": "Game.Main"})");

    const ProcessResult result = runEngine({L"Game"}, dir.path() / "work", engine);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err, "[Error] Script host was not found: " + pathToString(dir.path() / "work") +
                              "\\engine/csharp/ScriptHost/bin/Debug/net8.0\\TarnwickEngine.ScriptHost.dll\r\n");
}

TEST(StartupFailureWithWindow, GameAssemblyNotFound) {
    TempDir dir;
    const fs::path engine = dir.path() / "bin" / "TarnwickEngine.exe";
    fs::create_directories(engine.parent_path());
    fs::copy_file(buildDirectory() / "TarnwickEngine.exe", engine);
    dir.write("bin/ScriptHost/TarnwickEngine.ScriptHost.dll", "x");
    dir.write("Game/project.json", R"({"mainClass": "Game.Main", "mainAssembly": "bin/Game.dll"})");

    const ProcessResult result = runEngine({(dir.path() / "Game").native()}, dir.path(), engine);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err,
              "[Error] Game assembly was not found: " + pathToString(dir.path() / "Game" / "bin" / "Game.dll") + "\r\n");
}

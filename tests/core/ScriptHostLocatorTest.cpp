#include "core/Application.h"
#include "core/Files.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>

using namespace TarnwickEngine;
using TarnwickTest::CurrentDirectoryGuard;
using TarnwickTest::TempDir;
namespace fs = std::filesystem;

namespace {

const fs::path buildOutput = "engine/csharp/ScriptHost/bin/Debug/net8.0/TarnwickEngine.ScriptHost.dll";

// The copy beside this test executable; removed again when the object goes out of scope.
class AssemblyBesideExecutable {
public:
    AssemblyBesideExecutable() : folder(getExecutableDirectory() / "ScriptHost") {
        fs::create_directories(folder);
        std::ofstream(folder / "TarnwickEngine.ScriptHost.dll") << "x";
    }
    ~AssemblyBesideExecutable() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    fs::path file() const { return folder / "TarnwickEngine.ScriptHost.dll"; }

private:
    fs::path folder;
};

} // namespace

TEST(ExecutableDirectory, IsTheFolderOfTheRunningProgram) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(getExecutableDirectory(), fs::path(buffer).parent_path());
    EXPECT_TRUE(fs::exists(getExecutableDirectory() / "locator_tests.exe"));
}

TEST(FindScriptHost, TheCopyBesideTheExecutableComesFirst) {
    TempDir dir;
    dir.write(buildOutput, "x");
    CurrentDirectoryGuard guard(dir.path());
    AssemblyBesideExecutable beside;
    Application application;
    EXPECT_EQ(application.findScriptHost(dir.path() / "samples" / "Game"), fs::weakly_canonical(beside.file()));
}

TEST(FindScriptHost, BuildOutputBelowTheCurrentDirectoryIsCanonical) {
    TempDir dir;
    dir.write(buildOutput, "x");
    CurrentDirectoryGuard guard(dir.path());
    Application application;
    const fs::path found = application.findScriptHost(dir.path() / "samples" / "Game");
    EXPECT_EQ(found.native(), (dir.path() / fs::path(buildOutput).make_preferred()).native());
}

TEST(FindScriptHost, BuildOutputTwoLevelsAboveTheProject) {
    TempDir engine;
    TempDir elsewhere;
    engine.write(buildOutput, "x");
    CurrentDirectoryGuard guard(elsewhere.path());
    Application application;
    const fs::path found = application.findScriptHost(engine.path() / "samples" / "BasicGame");
    EXPECT_EQ(found.native(), (engine.path() / fs::path(buildOutput).make_preferred()).native());
}

TEST(FindScriptHost, AFolderOfThatNameCounts) {
    TempDir engine;
    TempDir elsewhere;
    engine.makeDir(buildOutput);
    CurrentDirectoryGuard guard(elsewhere.path());
    Application application;
    EXPECT_EQ(application.findScriptHost(engine.path() / "samples" / "BasicGame"),
              fs::path(engine.path() / buildOutput).make_preferred());
}

TEST(FindScriptHost, NothingFoundGivesTheCurrentDirectoryCandidateAsBuilt) {
    TempDir dir;
    CurrentDirectoryGuard guard(dir.path());
    Application application;
    const fs::path found = application.findScriptHost(dir.path() / "samples" / "Game");
    // Not normalised: the relative part keeps its forward slashes.
    EXPECT_EQ(found.native(), dir.path().native() + L"\\engine/csharp/ScriptHost/bin/Debug/net8.0\\"
                                                    L"TarnwickEngine.ScriptHost.dll");
    EXPECT_FALSE(pathExists(found));
}

TEST(FindScriptHost, AtADriveRootTheParentOfTheRootIsTheRoot) {
    // Wine's C: drive is the test prefix's own folder, so a file at its root harms nothing.
    const fs::path root = "C:\\";
    const fs::path file = root / fs::path(buildOutput).make_preferred();
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
    TempDir elsewhere;
    CurrentDirectoryGuard guard(elsewhere.path());
    Application application;
    const fs::path atRoot = application.findScriptHost("C:\\");
    const fs::path oneBelow = application.findScriptHost("C:\\Game");
    std::error_code ignored;
    fs::remove_all(root / "engine", ignored);
    EXPECT_EQ(atRoot, file);
    EXPECT_EQ(oneBelow, file);
}

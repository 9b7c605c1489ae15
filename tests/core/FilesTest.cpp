#include "core/Files.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace TarnwickEngine;
using TarnwickTest::TempDir;
namespace fs = std::filesystem;

TEST(PathExists, AnyKindOfEntryCountsAndMissingPartsDoNot) {
    TempDir dir;
    const fs::path file = dir.write("file.txt", "x");
    EXPECT_TRUE(pathExists(file));
    EXPECT_TRUE(pathExists(dir.path()));
    EXPECT_FALSE(pathExists(dir.path() / "missing.txt"));
    EXPECT_FALSE(pathExists(dir.path() / "missing" / "deeper.txt"));
    EXPECT_FALSE(pathExists(file / "below-a-file"));
}

TEST(ReadTextFile, ReturnsEveryByteAsStored) {
    TempDir dir;
    const std::string bytes("\xEF\xBB\xBF{\r\n\"a\": 1\r\n}\0tail\x1A\r", 22);
    EXPECT_EQ(readTextFile(dir.write("crlf.json", bytes)), bytes);
    EXPECT_EQ(readTextFile(dir.write("empty.json", "")), "");
}

TEST(ReadTextFile, FailsWithTheFilesUtf8PathWhenItCannotBeOpened) {
    TempDir dir;
    const fs::path missing = dir.path() / L"caf\u00E9" / "project.json";
    const fs::path folder = dir.makeDir("folder");
    for (const fs::path& path : {missing, folder}) {
        try {
            readTextFile(path);
            ADD_FAILURE() << "no exception for " << pathToString(path);
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Could not open file: " + pathToString(path));
        }
    }
    EXPECT_NE(pathToString(missing).find("caf\xC3\xA9"), std::string::npos);
}

TEST(ResolvePath, MakesPathsAbsoluteAndWeaklyCanonical) {
    TempDir dir;
    dir.makeDir("assets");
    const fs::path base = dir.path();
    const fs::path elsewhere = dir.makeDir("elsewhere");

    EXPECT_EQ(resolvePath(base, "a/../b"), base / "b");
    EXPECT_EQ(resolvePath(base, "assets/./missing.png"), base / "assets" / "missing.png");
    EXPECT_EQ(resolvePath(base, elsewhere / ".." / "x.png"), base / "x.png");
    EXPECT_EQ(resolvePath(fs::path("Q:\\nowhere"), elsewhere), elsewhere);
    EXPECT_TRUE(resolvePath(base, "missing/deeper/file.png").is_absolute());
}

TEST(ResolvePath, EmptyPathGivesTheBaseItself) {
    TempDir dir;
    EXPECT_EQ(resolvePath(dir.path(), "").native(), dir.path().native());
}

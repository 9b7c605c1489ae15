// What the host gives the child: the FRAME line, the command line and the dotnet it starts. The
// child process tests check what the child reads back from the command line.
#include "TestSupport.h"

#include "core/Files.h"
#include "core/Input.h"
#include "scripthost/ScriptHostImpl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace TarnwickEngine;
using TarnwickTest::TempDir;
using TarnwickTest::setEnvironment;
namespace fs = std::filesystem;

namespace {

std::string frameLine(float deltaTime) {
    std::string line = "stale text";
    formatFrameLine(line, deltaTime);
    return line;
}

ScriptHostConfig defaultConfig() {
    ScriptHostConfig config;
    config.projectRoot = L"C:\\games\\Basic";
    config.scriptHostPath = L"C:\\engine\\ScriptHost\\TarnwickEngine.ScriptHost.dll";
    config.assemblyPath = L"C:\\games\\Basic\\bin\\Game.dll";
    config.mainClass = "Game.Main";
    return config;
}

} // namespace

TEST(FrameLine, TimeStepHasSixSignificantDigits) {
    const struct {
        float step;
        const char* text;
    } cases[] = {
        {1.0f / 60.0f, "0.0166667"}, {1.0f / 144.0f, "0.00694444"}, {1.0f / 240.0f, "0.00416667"},
        {0.05f, "0.05"},             {0.001f, "0.001"},             {0.0f, "0"},
        {0.000095f, "9.5e-05"},      {123456.0f, "123456"},         {1234567.0f, "1.23457e+06"},
    };
    for (const auto& c : cases) EXPECT_EQ(frameLine(c.step), std::string("FRAME|") + c.text + "||0,0|");
}

TEST(FrameLine, TimeStepIsWrittenAsAnOutputStreamWritesIt) {
    std::mt19937 random(12345);
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t bits = random();
        float value;
        std::memcpy(&value, &bits, sizeof(value));
        if (std::isnan(value)) continue;
        std::ostringstream stream;
        stream << value;
        EXPECT_EQ(frameLine(value), "FRAME|" + stream.str() + "||0,0|") << bits;
    }
}

TEST(FrameLine, CarriesTheInputState) {
    Input::setKey(65, true);
    Input::setKey(37, true);
    Input::setMousePosition(-5, 300);
    Input::setMouseButton(2, true);
    Input::setMouseButton(0, true);
    EXPECT_EQ(frameLine(0.05f), "FRAME|0.05|37,65|-5,300|0,2");
    Input::setKey(65, false);
    Input::setKey(37, false);
    Input::setMousePosition(0, 0);
    Input::setMouseButton(2, false);
    Input::setMouseButton(0, false);
}

TEST(CommandLine, DefaultsGiveNineQuotedArguments) {
    EXPECT_EQ(buildCommandLine(L"C:\\dotnet\\dotnet.exe", defaultConfig()),
              L"\"C:\\dotnet\\dotnet.exe\" \"C:\\engine\\ScriptHost\\TarnwickEngine.ScriptHost.dll\" "
              L"\"C:\\games\\Basic\\bin\\Game.dll\" \"Game.Main\" \"C:\\games\\Basic\" \"\" \"0.016667\" "
              L"\"0.000000\" \"0.000000\"");
}

TEST(CommandLine, QuotingEscapesOnlyWhatWouldChangeTheValue) {
    const struct {
        std::wstring value, quoted;
    } cases[] = {
        {L"plain", L"\"plain\""},
        {L"", L"\"\""},
        {L"two words", L"\"two words\""},
        {L"a\\b\\\\c", L"\"a\\b\\\\c\""},
        {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
        {L"C:\\", L"\"C:\\\\\""},
        {L"x\\\"y", L"\"x\\\\\\\"y\""},
        {L"end\\\\", L"\"end\\\\\\\\\""},
    };
    for (const auto& c : cases) {
        std::wstring quoted;
        appendQuotedArgument(quoted, c.value);
        EXPECT_EQ(quoted, c.quoted);
    }
}

class DotnetHost : public ::testing::Test {
protected:
    void SetUp() override {
        dotnetRoot = pathToString(folder.path() / "root");
        profile = pathToString(folder.path() / "profile");
        fs::create_directories(folder.path() / "root");
        fs::create_directories(folder.path() / "profile");
        setEnvironment("DOTNET_ROOT", dotnetRoot.c_str());
        setEnvironment("USERPROFILE", profile.c_str());
    }

    TempDir folder;
    std::string dotnetRoot;
    std::string profile;
};

TEST_F(DotnetHost, CandidatesAreTriedInOrder) {
    EXPECT_EQ(findDotnetHost(), fs::path("dotnet"));
    folder.write("profile/.dotnet/dotnet.exe", "");
    EXPECT_EQ(findDotnetHost(), folder.path() / "profile" / ".dotnet" / "dotnet.exe");
    folder.write("root/dotnet.exe", "");
    EXPECT_EQ(findDotnetHost(), folder.path() / "root" / "dotnet.exe");
}

TEST_F(DotnetHost, UnsetVariablesLeaveTheBareName) {
    folder.write("root/dotnet.exe", "");
    setEnvironment("DOTNET_ROOT", nullptr);
    setEnvironment("USERPROFILE", nullptr);
    EXPECT_EQ(findDotnetHost(), fs::path("dotnet"));
}

TEST_F(DotnetHost, CandidateWhoseTestThrowsCountsAsAbsent) {
    folder.write("root/dotnet.exe", "");
    folder.write("profile/.dotnet/dotnet.exe", "");
    const auto failOnRoot = [](const fs::path& candidate) -> bool {
        if (candidate.parent_path().filename() == "root") {
            throw fs::filesystem_error("exists", candidate, std::make_error_code(std::errc::permission_denied));
        }
        return pathExists(candidate);
    };
    EXPECT_EQ(findDotnetHost(failOnRoot), folder.path() / "profile" / ".dotnet" / "dotnet.exe");
}

#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace TarnwickEngine;

namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "TarnwickEngine.exe");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

} // namespace

TEST(CommandLine, ProjectPathForms) {
    const struct {
        std::vector<const char*> arguments;
        std::filesystem::path expected;
    } cases[] = {
        {{}, "samples/BasicGame"},
        {{"--project", "games/demo/project.json"}, "games/demo"},
        {{"--project", "games/demo"}, "games/demo"},
        {{"--project", "project.json"}, ""},
        {{"--project", "games/demo/Project.JSON"}, "games/demo/Project.JSON"},
        {{"--project", "--preview"}, "--preview"},
        {{"--project", ""}, ""},
        {{"x", "--project"}, "x"},
        {{"a", "b"}, "b"},
        {{"--project", "a", "b"}, "b"},
        {{"b", "--project", "a"}, "a"},
        {{""}, ""},
        {{"-x"}, "-x"},
        {{"--verbose", "--project=a", "--"}, "samples/BasicGame"},
    };
    for (const auto& c : cases) {
        const CommandLine result = parse(c.arguments);
        EXPECT_EQ(result.projectPath.native(), c.expected.native()) << c.arguments.size() << " arguments";
    }
}

TEST(CommandLine, PreviewFlag) {
    EXPECT_FALSE(parse({"x"}).preview);
    EXPECT_FALSE(parse({"--project", "--preview"}).preview);
    const CommandLine twice = parse({"--preview", "--preview", "x"});
    EXPECT_TRUE(twice.preview);
    EXPECT_EQ(twice.projectPath, "x");
    EXPECT_TRUE(parse({"x", "--preview"}).preview);
}

TEST(CommandLine, NarrowArgumentsUseTheAnsiCodePage) {
    EXPECT_EQ(parse({"Caf\xE9"}).projectPath.native(), L"Caf\u00E9");
    EXPECT_EQ(parse({"--project", "\x80/project.json"}).projectPath.native(), L"\u20AC");
}

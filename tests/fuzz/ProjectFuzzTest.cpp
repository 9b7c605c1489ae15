// Random and mutated "project.json" texts through Application::loadProject, held against a
// reading of the same text with the documented patterns run by std::regex (only for short texts:
// libstdc++'s regex recurses per character and overflows the stack on long ones). Nothing may
// escape, a failed load logs exactly one error line and a good one none, and every field must be
// what the patterns and conversions give, in their order, up to the first failure.
#include "FuzzSupport.h"

#include "core/Application.h"
#include "core/Files.h"
#include "core/TextEncoding.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <stdexcept>

using namespace TarnwickFuzz;
using namespace TarnwickEngine;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t regexTextLimit = 1500;

// The readers' patterns, exactly as documented, searched with std::regex.
// Each pattern is compiled once: compiling is most of std::regex's cost.
bool search(const std::string& json, const std::string& key, const char* suffix, std::string& capture) {
    static std::map<std::string, std::regex> compiled;
    const std::string pattern = "\"" + key + suffix;
    auto expression = compiled.find(pattern);
    if (expression == compiled.end()) expression = compiled.emplace(pattern, std::regex(pattern)).first;
    std::smatch match;
    if (!std::regex_search(json, match, expression->second)) return false;
    capture = match[1].str();
    return true;
}

std::string readString(const std::string& json, const std::string& key, const std::string& fallback) {
    std::string value;
    return search(json, key, "\"\\s*:\\s*\"([^\"]*)\"", value) ? value : fallback;
}

std::int32_t readInt(const std::string& json, const std::string& key, std::int32_t fallback) {
    std::string digits;
    if (!search(json, key, "\"\\s*:\\s*([0-9]+)", digits)) return fallback;
    const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
    const std::string significant = digits.substr(first);
    if (significant.size() > 10 || (significant.size() == 10 && significant > "4294967295")) {
        throw std::out_of_range("stoul argument out of range");
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(std::strtoull(digits.c_str(), nullptr, 10)));
}

float readFloat(const std::string& json, const std::string& key, float fallback) {
    std::string number;
    if (!search(json, key, "\"\\s*:\\s*(-?[0-9]+(?:\\.[0-9]+)?)", number)) return fallback;
    errno = 0;
    const float value = std::strtof(number.c_str(), nullptr);
    if (errno == ERANGE && std::isinf(value)) throw std::out_of_range("stof argument out of range");
    return value;
}

bool readBool(const std::string& json, const std::string& key, bool fallback) {
    std::string word;
    return search(json, key, "\"\\s*:\\s*(true|false)", word) ? word == "true" : fallback;
}

Color colorOf(const std::string& text, Color fallback) {
    if (text.size() != 7 || text[0] != '#') return fallback;
    try {
        const unsigned long r = std::stoul(text.substr(1, 2), nullptr, 16);
        const unsigned long g = std::stoul(text.substr(3, 2), nullptr, 16);
        const unsigned long b = std::stoul(text.substr(5, 2), nullptr, 16);
        return Color{static_cast<std::uint8_t>(r & 0xFF), static_cast<std::uint8_t>(g & 0xFF),
                     static_cast<std::uint8_t>(b & 0xFF)};
    } catch (...) {
        return fallback;
    }
}

// The load step by step; the message of the first failure, or empty.
std::string referenceLoad(const std::string& json, const fs::path& root, const std::string& folderName, ProjectConfig& c) {
    try {
        c.name = readString(json, "name", folderName);
        c.projectRoot = root;
        c.mainClass = readString(json, "mainClass", "");
        c.startScene = readString(json, "startScene", "");
        c.mainAssemblyPath = resolvePath(root, pathFromNarrow(readString(json, "mainAssembly", "")));
        c.window.width = readInt(json, "width", c.window.width);
        c.window.height = readInt(json, "height", c.window.height);
        c.window.title = readString(json, "title", c.window.title);
        c.backgroundColor = colorOf(readString(json, "backgroundColor", "#12141a"), c.backgroundColor);
        c.pixelPerfect = readBool(json, "pixelPerfect", c.pixelPerfect);
        c.targetFps = readInt(json, "targetFps", c.targetFps);
        c.enableFrameLimiter = readBool(json, "enableFrameLimiter", c.enableFrameLimiter);
        c.maxDeltaTime = readFloat(json, "maxDeltaTime", c.maxDeltaTime);
        const std::int32_t fps = readInt(json, "fixedPhysicsFps", 60);
        c.fixedDeltaTime = fps > 0 ? 1.0f / static_cast<float>(fps) : readFloat(json, "fixedDeltaTime", c.fixedDeltaTime);
        c.x = readFloat(json, "x", 0.0f);
        c.y = readFloat(json, "y", 0.0f);
    } catch (const std::exception& error) {
        return error.what();
    }
    return c.mainClass.empty() ? "project.json must define mainClass." : "";
}

std::string bits(float value) {
    char text[48];
    std::snprintf(text, sizeof text, "%a", static_cast<double>(value));
    return text;
}

std::string describe(const ProjectConfig& c) {
    return "name '" + shown(c.name, 1 << 30) + "' root <" + shown(pathToString(c.projectRoot)) + "> assembly <" +
           shown(pathToString(c.mainAssemblyPath)) + "> class '" + shown(c.mainClass, 1 << 30) + "' scene '" +
           shown(c.startScene, 1 << 30) + "' window " + std::to_string(c.window.width) + "x" +
           std::to_string(c.window.height) + " '" + shown(c.window.title, 1 << 30) + "' colour " +
           std::to_string(c.backgroundColor.r) + "," + std::to_string(c.backgroundColor.g) + "," +
           std::to_string(c.backgroundColor.b) + " pixelPerfect " + std::to_string(c.pixelPerfect) + " fps " +
           std::to_string(c.targetFps) + " limiter " + std::to_string(c.enableFrameLimiter) + " maxDelta " +
           bits(c.maxDeltaTime) + " fixedDelta " + bits(c.fixedDeltaTime) + " x " + bits(c.x) + " y " + bits(c.y);
}

const std::vector<std::string> keys = {"name",       "mainClass",     "startScene",      "mainAssembly",
                                       "width",      "height",        "title",           "backgroundColor",
                                       "pixelPerfect", "targetFps",   "enableFrameLimiter", "maxDeltaTime",
                                       "fixedPhysicsFps", "fixedDeltaTime", "x",          "y",
                                       "window",     "Width",         "xs",              "index"};

const std::vector<std::string> values = {
    "\"Game.Main\"", "\"\"", "\"#ff0000\"", "\"#12141a\"", "\"#fff\"", "\"#GG0000\"", "\"#-10000\"", "\"# f1g2h\"",
    "\"red\"", "\"a\\\"b\"", "\"line\nbreak\"", "\"Caf\xc3\xa9\"", "\"\xff\xfe\"", "\"game.dll\"", "\"../up/game.dll\"",
    "\"C:\\\\abs\\\\game.dll\"", "\"\\\\\\\\?\\\\C:\\\\x\"", "0", "800", "-5", "12.9", "007", "4294967295", "4294967296",
    "2147483648", "99999999999999999999", "-12.5", "-0", "1e-3", "5e-2", ".5", "+1", "2.", "0.05", "10",
    "1000000000000000000000000000000000000000", "340282356779733661637539395458142568448", "0.0000000000000000000000000000000000000000001",
    "true", "false", "True", "\"true\"", "1", "null", "[1, 2]", "{\"width\": 640}", "{}", "{\"name\": \"inner\"}"};

const std::vector<std::string> spaces = {"", " ", "  ", "\n", "\r\n", "\t", "\v", "\f", " \n\t"};

std::string randomProject(Random& random) {
    std::string text = "{";
    const std::size_t members = random.below(14);
    for (std::size_t m = 0; m < members; ++m) {
        if (m > 0) text += ",";
        text += random.pick(spaces) + "\"" + random.pick(keys) + "\"" + random.pick(spaces) + ":" + random.pick(spaces);
        text += random.pick(values);
    }
    if (random.chance(0.8)) text += ", \"mainClass\": \"Game.Main\"";
    return text + random.pick(spaces) + "}";
}

const std::vector<std::string> bases = {
    "{\n  \"name\": \"BasicGame\",\n  \"mainClass\": \"BasicGame.Game\",\n  \"startScene\": \"Meadow\",\n"
    "  \"window\": {\n    \"width\": 960,\n    \"height\": 540,\n    \"title\": \"TarnwickEngine \xe2\x80\x94 Basic Game\"\n  },\n"
    "  \"backgroundColor\": \"#1b2330\",\n  \"pixelPerfect\": true,\n  \"targetFps\": 60,\n"
    "  \"enableFrameLimiter\": true,\n  \"fixedPhysicsFps\": 60\n}\n",
    "{\"mainClass\":\"A.B\",\"mainAssembly\":\"bin/Game.dll\",\"maxDeltaTime\":0.1,\"fixedPhysicsFps\":0,"
    "\"fixedDeltaTime\":0.02,\"x\":-12.5,\"y\":3,\"width\":640,\"height\":480,\"title\":\"T\"}",
    "{ \"mainClass\" : \"M\" }"};

void mutate(Random& random, std::string& text) {
    static const std::vector<std::string> tokens = {"\"", ":", "0", "9", "-", ".", "true", "false", "#", "\\", "{", "}",
                                                    ",", " ", "\n", std::string(1, '\0'), "\xff", "\"mainClass\"",
                                                    "\"width\"", "\"x\"", "e5"};
    const std::size_t edits = 1 + random.below(6);
    for (std::size_t e = 0; e < edits; ++e) {
        const std::size_t at = random.below(text.size() + 1);
        switch (random.below(5)) {
            case 0: text.insert(at, random.pick(tokens)); break;
            case 1: text.erase(at, random.below(6)); break;
            case 2:
                if (at < text.size()) text[at] = random.byte();
                break;
            case 3: text.insert(at, text.substr(random.below(text.size() + 1), random.below(30))); break;
            default: text.resize(at); break;
        }
    }
}

// Texts far past what std::regex can take: long values, long digit runs, long runs of white space.
std::string longProject(Random& random) {
    const std::size_t length = 10000 + random.below(200000);
    switch (random.below(4)) {
        case 0: return "{\"mainClass\": \"" + std::string(length, 'c') + "\"}";
        case 1: return "{\"mainClass\": \"M\", \"width\": " + std::string(length, '7') + "}";
        case 2: return "{\"mainClass\":" + std::string(length, ' ') + "\"M\", \"x\": 0." + std::string(length, '1') + "}";
        default: {
            std::string text = "{\"mainClass\": \"M\"";
            while (text.size() < length) text += ", \"k" + std::to_string(text.size()) + "\": \"" + std::string(random.below(500), 'v') + "\"";
            return text + ", \"title\": \"" + std::string(length, 't') + "\"}";
        }
    }
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::size_t countLines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

} // namespace

TEST(ProjectFuzz, EveryProjectFileLoadsAsThePatternsRead) {
    const TarnwickTest::TempDir folder;
    const fs::path project = folder.makeDir("Proj");
    const fs::path root = fs::weakly_canonical(project);
    Random random(seed() + 3);
    Application application;
    ConsoleCapture console;

    const std::size_t total = cases(2000, 100000);
    std::size_t loaded = 0, failed = 0, compared = 0;
    int failures = 0;
    const auto started = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < total && failures < 5; ++i) {
        std::string json;
        const std::size_t kind = random.below(100);
        if (kind < 45) {
            json = randomProject(random);
        } else if (kind < 97) {
            json = random.pick(bases);
            mutate(random, json);
        } else {
            json = longProject(random);
        }
        writeFile(project / "project.json", json);

        ProjectConfig config;
        bool ok = false;
        const double loadStart = TarnwickTest::threadProcessorSeconds();
        try {
            ok = application.loadProject(project, config);
        } catch (...) {
            ADD_FAILURE() << "case " << i << ": an exception escaped for " << shown(json, 2000);
            ++failures;
            continue;
        }
        const double loadSeconds = TarnwickTest::threadProcessorSeconds() - loadStart;
        if (loadSeconds >= hangProcessorSeconds) {
            ADD_FAILURE() << "case " << i << ": the load took " << loadSeconds << " s of processor time for " << shown(json, 200);
            ++failures;
        }
        const std::string out = console.takeOut(), err = console.takeErr();
        ok ? ++loaded : ++failed;
        if (!out.empty() || countLines(err) != (ok ? 0u : 1u) || (!ok && err.rfind("[Error] ", 0) != 0)) {
            ADD_FAILURE() << "case " << i << ": " << (ok ? "loaded" : "failed") << " with the log '" << shown(out + err)
                          << "' for " << shown(json, 2000);
            ++failures;
            continue;
        }
        if (json.size() > regexTextLimit) continue;
        ++compared;
        ProjectConfig expected;
        const std::string error = referenceLoad(json, root, "Proj", expected);
        const std::string got = std::string(ok ? "ok" : "failed") + " " + describe(config) + "\nlog " + shown(err);
        const std::string want = std::string(error.empty() ? "ok" : "failed") + " " + describe(expected) + "\nlog " +
                                 shown(error.empty() ? "" : "[Error] " + error + "\n");
        if (got != want) {
            ADD_FAILURE() << "case " << i << ": " << shown(json, 2000) << "\nloadProject:\n" << got << "\npatterns:\n" << want;
            ++failures;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("project files: %zu (seed %llu), %zu loaded, %zu failed with one error line, %zu compared with the "
                "patterns, %.1f s\n",
                total, static_cast<unsigned long long>(seed() + 3), loaded, failed, compared, seconds);
}

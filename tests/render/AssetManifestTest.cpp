// The manifest's entry scanner: a table of the pattern's edge cases, a comparison with std::regex
// on many small texts, and inputs far too long for a backtracking engine.
#include "render/AssetManifest.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <utility>
#include <vector>

using TarnwickEngine::ManifestEntry;
using TarnwickEngine::ManifestEntryScanner;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The pattern exactly as the manifest format defines it.
const char* const entryPattern =
    R"re(\{[^\{\}]*"path"\s*:\s*"([^"]+)"[^\{\}]*"importedPath"\s*:\s*"([^"]+)"[^\{\}]*\})re";

struct Found {
    std::size_t begin;
    std::size_t end;
    std::string path;
    std::string importedPath;
    bool operator==(const Found& o) const {
        return begin == o.begin && end == o.end && path == o.path && importedPath == o.importedPath;
    }
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
    return out << "[" << f.begin << ", " << f.end << ") \"" << f.path << "\" -> \"" << f.importedPath << "\"";
}

std::vector<Found> scan(const std::string& text) {
    std::vector<Found> found;
    ManifestEntryScanner scanner(text);
    ManifestEntry entry;
    while (scanner.next(entry)) {
        found.push_back({entry.begin, entry.end, std::string(entry.path), std::string(entry.importedPath)});
    }
    return found;
}

std::vector<Found> scanWithRegex(const std::string& text) {
    static const std::regex pattern(entryPattern);
    std::vector<Found> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        const auto begin = static_cast<std::size_t>(m.position(0));
        found.push_back({begin, begin + static_cast<std::size_t>(m.length(0)), m.str(1), m.str(2)});
    }
    return found;
}

Pairs pairsOf(const std::vector<Found>& found) {
    Pairs pairs;
    for (const Found& f : found) pairs.emplace_back(f.path, f.importedPath);
    return pairs;
}

} // namespace

TEST(AssetManifestScanner, EdgeCasesOfThePattern) {
    struct Case {
        const char* name;
        std::string text;
        Pairs expected;
    };
    const std::vector<Case> cases = {
        {"plain entry", R"({"path": "a.png", "importedPath": "b.png"})", {{"a.png", "b.png"}}},
        {"other members and line breaks",
         "[\n  {\n    \"id\": 3,\n    \"path\"\n      :\n  \"img/a.png\",\n    \"size\": 12,\n"
         "    \"importedPath\":\"imported/a.png\",\n    \"hash\": \"x\"\n  }\n]",
         {{"img/a.png", "imported/a.png"}}},
        {"successive entries", R"([{"path":"a","importedPath":"1"},{"path":"b","importedPath":"2"}])",
         {{"a", "1"}, {"b", "2"}}},
        {"importedPath before path", R"({"importedPath": "b", "path": "a"})", {}},
        {"empty path value", R"({"path": "", "importedPath": "b"})", {}},
        {"empty imported value", R"({"path": "a", "importedPath": ""})", {}},
        {"keys are case-sensitive", R"({"Path": "a", "importedpath": "b"})", {}},
        {"no colon", R"({"path" "a", "importedPath": "b"})", {}},
        {"unterminated object", R"({"path": "a", "importedPath": "b")", {}},
        {"inner object of an outer one", R"({"assets": {"path": "a", "importedPath": "b"}, "n": 1})", {{"a", "b"}}},
        {"an object holding an object is no entry", R"({"path": "a", "sub": {"x": 1}, "importedPath": "b"})", {}},
        {"the last path key wins", R"({"path": "a", "path": "b", "importedPath": "c"})", {{"b", "c"}}},
        {"the last importedPath key wins", R"({"path": "a", "importedPath": "b", "importedPath": "c"})",
         {{"a", "c"}}},
        {"a last path key without a tail gives way", R"({"path": "a", "importedPath": "b", "path": "c"})",
         {{"a", "b"}}},
        {"a later brace rescues the leftmost failure", R"({"path": "a" {"path": "b", "importedPath": "c"})",
         {{"b", "c"}}},
        {"values may hold braces", R"({"path": "a{b}", "importedPath": "c}"})", {{"a{b}", "c}"}}},
        {"a path value may span objects", R"({"path": "a}{", "importedPath": "b"})", {{"a}{", "b"}}},
        {"the tail must close before the next opening brace", R"({"path": "a", "importedPath": "b", "x": {}})", {}},
        {"an escaped quote ends the value", R"({"path": "a\"b", "importedPath": "c"})", {{"a\\", "c"}}},
        {"escaped backslashes stay pairs", R"({"path": "img\\a.png", "importedPath": "x\\y.png"})",
         {{"img\\\\a.png", "x\\\\y.png"}}},
        {"white space around the colon", "{\"path\" \t\r\n:\f\v \"a\", \"importedPath\"\n:\n\"b\"}", {{"a", "b"}}},
        {"no separator needed before a key", R"({x"path":"a"y"importedPath":"b"z})", {{"a", "b"}}},
        {"a value's closing quote is not the next key's", R"({"path":"a"importedPath":"b"})", {}},
        {"the key may begin in the previous value", R"({"path":"path":"x","importedPath":"y"})", {{"x", "y"}}},
        {"a match resumes after its end", R"({"path":"a","importedPath":"{"} {"path":"b","importedPath":"c"}})",
         {{"a", "{"}, {"b", "c"}}},
        {"nothing at all", "", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pairsOf(scan(c.text)), c.expected) << c.name << ": " << c.text;
        // The table itself is checked against the pattern engine on these short texts.
        EXPECT_EQ(pairsOf(scanWithRegex(c.text)), c.expected) << "regex, " << c.name;
    }
}

TEST(AssetManifestScanner, AgreesWithTheRegularExpressionOnRandomTexts) {
    // Objects of members and of fragments that exercise every element of the pattern: keys
    // without values, stray quotes and braces, values holding braces, bytes that are not white
    // space. About a fifth of the texts hold at least one entry.
    const std::vector<std::string> members = {
        "\"path\":\"a\"", "\"path\" : \"p\"", "\"path\":\"a\"", "\"path\":\"c\"", "\"importedPath\":\"b\"",
        "\"importedPath\":\"d\"", "\"importedPath\":\"e\"", "\"importedPath\":\"b\"", "\"importedPath\" :\n\"i\"",
        "\"path\":\"\"", "\"path\":\"", "\"importedPath\":\"", "\"path\"", "\"importedPath\"", "\"", ":", ",", " ",
        "x", "\\", "{", "}", "\"path\":\"{\"", "\"importedPath\":\"}\"", "\xA0", std::string(1, '\0')};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> memberIndex(0, members.size() - 1);
    std::uniform_int_distribution<int> objectCount(1, 4);
    std::uniform_int_distribution<int> memberCount(1, 5);
    std::uniform_int_distribution<int> percent(0, 99);
    int withEntries = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int object = objectCount(random); object > 0; --object) {
            if (percent(random) < 85) text += "{";
            for (int member = memberCount(random); member > 0; --member) text += members[memberIndex(random)];
            if (percent(random) < 85) text += "}";
        }
        const auto expected = scanWithRegex(text);
        ASSERT_EQ(scan(text), expected) << "text: " << text;
        withEntries += expected.empty() ? 0 : 1;
    }
    EXPECT_GT(withEntries, 2000);
}

TEST(AssetManifestScanner, WhiteSpaceIsExactlyTheRegularExpressionsClass) {
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const std::string text = std::string("{\"path\"") + c + ":" + c + "\"a\",\"importedPath\":\"b\"}";
        EXPECT_EQ(scan(text), scanWithRegex(text)) << "byte " << byte;
    }
}

TEST(AssetManifestScanner, LongAndHostileTextsNeedNoBacktrackingStack) {
    // One value of a megabyte: a recursive matcher runs out of stack long before its end.
    const std::string longValue(1 << 20, 'v');
    const std::string oneLong = "{\"path\": \"" + longValue + "\", \"importedPath\": \"b\"}";
    EXPECT_EQ(pairsOf(scan(oneLong)), (Pairs{{longValue, "b"}}));

    // Many entries.
    std::string many = "[";
    for (int i = 0; i < 200000; ++i) many += "{\"path\":\"p" + std::to_string(i) + "\",\"importedPath\":\"i\"},";
    many += "]";
    const auto found = scan(many);
    ASSERT_EQ(found.size(), 200000u);
    EXPECT_EQ(found.back().path, "p199999");

    // A million "path" members in one object with no importedPath: every key fails, and a scan
    // that re-reads the object for each of them would not finish.
    std::string hostile = "{";
    for (int i = 0; i < 1000000; ++i) hostile += "\"path\":\"a\" ";
    hostile += "\"x\": 1} {\"path\":\"last\",\"importedPath\":\"ok\"}";
    EXPECT_EQ(pairsOf(scan(hostile)), (Pairs{{"last", "ok"}}));

    // A million braces, each the start of a failed match.
    const std::string braces = std::string(1000000, '{') + "\"path\":\"a\",\"importedPath\":\"b\"}";
    EXPECT_EQ(pairsOf(scan(braces)), (Pairs{{"a", "b"}}));
}

// Random and mutated asset manifests: the entry scanner held against the documented regular
// expression run by std::regex (on short texts, which it can take), and the renderer's reading of
// the file held against the entries that the expression finds, first entry for a path winning.
// Long manifests must be read without a crash and in time proportional to their size.
#include "FuzzSupport.h"

#include "core/Files.h"
#include "core/TextEncoding.h"
#include "render/AssetManifest.h"
#include "render/Renderer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>

using namespace TarnwickFuzz;
using namespace TarnwickEngine;
namespace fs = std::filesystem;

namespace {

struct Entry {
    std::size_t begin, end;
    std::string path, importedPath;
    bool operator==(const Entry& other) const {
        return begin == other.begin && end == other.end && path == other.path && importedPath == other.importedPath;
    }
};

std::string describe(const std::vector<Entry>& entries) {
    std::string text;
    for (const Entry& e : entries) {
        text += std::to_string(e.begin) + "-" + std::to_string(e.end) + " '" + shown(e.path) + "' -> '" +
                shown(e.importedPath) + "'\n";
    }
    return text;
}

std::vector<Entry> byExpression(const std::string& text) {
    static const std::regex entry(R"re(\{[^\{\}]*"path"\s*:\s*"([^"]+)"[^\{\}]*"importedPath"\s*:\s*"([^"]+)"[^\{\}]*\})re");
    std::vector<Entry> entries;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), entry); match != std::sregex_iterator(); ++match) {
        const std::size_t begin = static_cast<std::size_t>(match->position(0));
        entries.push_back({begin, begin + static_cast<std::size_t>(match->length(0)), (*match)[1].str(), (*match)[2].str()});
    }
    return entries;
}

std::vector<Entry> byScanner(const std::string& text) {
    std::vector<Entry> entries;
    ManifestEntryScanner scanner(text);
    ManifestEntry entry;
    while (scanner.next(entry)) {
        entries.push_back({entry.begin, entry.end, std::string(entry.path), std::string(entry.importedPath)});
    }
    return entries;
}

const std::vector<std::string> tokens = {
    "{", "}", "{", "}", "\"path\"", "\"path\"", "\"importedPath\"", "\"importedPath\"", ":", ":", " ", "\n", "\t",
    "\r\n", ",", "\"a/b.png\"", "\"c.png\"", "\"imp/0.png\"", "\"\"", "\"x\\\"y\"", "\"", "[", "]", "\"Path\"",
    "\"importedpath\"", "\"other\"", "1", "null", "\"{\"", "\"}\"", "\"p\\\\q\"", "\"\xc3\xa9\"", std::string(1, '\0')};

std::string randomManifest(Random& random) {
    std::string text;
    const std::size_t count = 1 + random.below(60);
    for (std::size_t i = 0; i < count; ++i) text += random.chance(0.05) ? std::string(1, random.byte()) : random.pick(tokens);
    return text;
}

std::string wellFormedManifest(Random& random, const std::vector<std::string>& paths, const std::vector<std::string>& imports) {
    std::string text = "{\n  \"assets\": [\n";
    const std::size_t count = random.below(6);
    for (std::size_t i = 0; i < count; ++i) {
        text += "    {\"id\": " + std::to_string(i) + ", \"path\": \"" + random.pick(paths) + "\",\n     \"importedPath\": \"" +
                random.pick(imports) + "\", \"kind\": \"image\"}";
        text += i + 1 < count ? ",\n" : "\n";
    }
    return text + "  ]\n}\n";
}

void mutate(Random& random, std::string& text) {
    const std::size_t edits = 1 + random.below(4);
    for (std::size_t e = 0; e < edits; ++e) {
        const std::size_t at = random.below(text.size() + 1);
        switch (random.below(4)) {
            case 0: text.insert(at, random.pick(tokens)); break;
            case 1: text.erase(at, random.below(8)); break;
            case 2:
                if (at < text.size()) text[at] = random.byte();
                break;
            default: text.insert(at, text.substr(random.below(text.size() + 1), random.below(40))); break;
        }
    }
}

const std::vector<std::string> sourcePaths = {"a/b.png", "c.png", "sprites/hero.png", "x", "d/e/f.bmp", "a/b.png"};
const std::vector<std::string> importedPaths = {"imp/0.png", "imp/1.png", "imp/2.png", "imp\\1.png", "missing.png", "imp/0.png"};

} // namespace

TEST(ManifestFuzz, TheScannerFindsWhatTheExpressionFinds) {
    Random random(seed() + 4);
    const std::size_t total = cases(5000, 100000);
    std::size_t entries = 0;
    int failures = 0;
    const auto started = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < total && failures < 5; ++i) {
        std::string text = random.chance(0.5) ? randomManifest(random) : wellFormedManifest(random, sourcePaths, importedPaths);
        if (random.chance(0.6)) mutate(random, text);
        if (text.size() > 1500) continue; // std::regex would overflow its stack
        const std::vector<Entry> expected = byExpression(text);
        const std::vector<Entry> got = byScanner(text);
        entries += expected.size();
        if (!(got == expected)) {
            ADD_FAILURE() << "manifest " << i << ": " << shown(text, 2000) << "\nscanner:\n" << describe(got)
                          << "expression:\n" << describe(expected);
            ++failures;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("manifests: %zu (seed %llu), %zu entries, %.1f s\n", total, static_cast<unsigned long long>(seed() + 4),
                entries, seconds);
}

TEST(ManifestFuzz, LongManifestsAreScannedInTimeProportionalToTheirSize) {
    Random random(seed() + 5);
    const std::size_t total = cases(6, 200);
    for (std::size_t i = 0; i < total; ++i) {
        // Megabytes of bits that start entries and never finish them, and some that do.
        std::string text;
        while (text.size() < 2000000) {
            switch (random.below(4)) {
                case 0: text += "{\"path\": \"" + std::string(random.below(3000), 'p') + "\" "; break;
                case 1: text += "\"importedPath\": \"i\" "; break;
                case 2: text += wellFormedManifest(random, sourcePaths, importedPaths); break;
                default: text += randomManifest(random); break;
            }
        }
        const double start = TarnwickTest::threadProcessorSeconds();
        const std::size_t found = byScanner(text).size();
        EXPECT_LT(TarnwickTest::threadProcessorSeconds() - start, hangProcessorSeconds)
            << "manifest " << i << " of " << text.size() << " bytes, " << found << " entries";
    }
}

TEST(ManifestFuzz, TheRendererMapsEachPathToItsFirstImportedFile) {
    const TarnwickTest::TempDir folder;
    const fs::path root = fs::weakly_canonical(folder.makeDir("Game"));
    for (int k = 0; k < 3; ++k) folder.write("Game/imp/" + std::to_string(k) + ".png", "not an image");
    Random random(seed() + 6);
    const std::size_t total = cases(150, 5000);
    int failures = 0;
    for (std::size_t i = 0; i < total && failures < 5; ++i) {
        std::string text = wellFormedManifest(random, sourcePaths, importedPaths);
        if (random.chance(0.5)) mutate(random, text);
        if (text.size() > 1500) continue;
        {
            std::ofstream file(root / ".tarnwick" / "asset_manifest.json", std::ios::binary | std::ios::trunc);
            if (!file) fs::create_directories(root / ".tarnwick");
        }
        std::ofstream(root / ".tarnwick" / "asset_manifest.json", std::ios::binary | std::ios::trunc) << text;

        std::map<std::string, std::string> firstImport;
        for (const Entry& entry : byExpression(text)) firstImport.emplace(entry.path, entry.importedPath);
        Renderer renderer;
        renderer.setProjectRoot(root);
        ConsoleCapture console;
        for (const std::string& requested : sourcePaths) {
            fs::path expected = root / requested;
            const auto entry = firstImport.find(requested);
            if (entry != firstImport.end() && pathExists(root / pathFromNarrow(entry->second))) {
                expected = root / pathFromNarrow(entry->second);
            }
            const fs::path got = renderer.resolveTexturePath(requested);
            if (got.native() != expected.native()) {
                ADD_FAILURE() << "manifest " << i << ", " << requested << ": " << pathToString(got) << " instead of "
                              << pathToString(expected) << "\n" << shown(text, 2000);
                ++failures;
            }
        }
        EXPECT_EQ(console.takeOut() + console.takeErr(), "") << shown(text, 2000);
    }
    std::printf("manifests read by the renderer: %zu\n", total);
}

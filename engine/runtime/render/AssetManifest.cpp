// The asset manifest: its entry scanner and the renderer's one reading of the file.
//
// How the scanner mirrors the backtracking matcher. A match starts at a '{'. The first [^{}]*
// takes every character up to the next brace and gives them back one at a time, so the "path"
// key tried first is the last one before that brace. Everything from the key to its value's
// closing quote is forced: white space, a colon, white space, a quote, and the value, which runs
// to the next quote (a shorter run would need a quote inside it). The second [^{}]* does the same
// for "importedPath" within the brace-free run after that quote, and the tail [^{}]*\} can only
// end at the next brace, which must be '}'. So a key position either completes a match or not,
// independently of where the match starts, and the match is decided by the last good "path" key
// before the first brace after '{', which in turn takes the last good "importedPath" key before
// the first brace after its value. The scanner finds the good keys once, from left to right.
#include "render/AssetManifest.h"

#include "core/Files.h"
#include "core/Log.h"
#include "core/TextEncoding.h"
#include "render/PlatformHooks.h"
#include "render/Renderer.h"

#include <algorithm>
#include <exception>
#include <iterator>

namespace TarnwickEngine {

namespace {

constexpr std::string_view pathKey = "\"path\"";
constexpr std::string_view importedPathKey = "\"importedPath\"";
constexpr std::string_view braces = "{}";

// The regular expression's \s: the C locale's white space.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The first brace at or after a position, or the text's size. Asked with positions that never
// decrease, it reads each character once.
class BraceFinder {
public:
    explicit BraceFinder(std::string_view text) : text(text) {}

    std::size_t operator()(std::size_t from) {
        if (!(searched && from >= lastFrom && from <= result)) {
            result = std::min(text.find_first_of(braces, from), text.size());
            searched = true;
        }
        lastFrom = from;
        return result;
    }

private:
    std::string_view text;
    bool searched = false;
    std::size_t lastFrom = 0;
    std::size_t result = 0;
};

// `\s*:\s*"([^"]+)"` from `at`, just after a key. On success: the value and the position after
// its closing quote.
bool readMemberValue(std::string_view text, std::size_t at, std::string_view& value, std::size_t& after) {
    const std::size_t size = text.size();
    while (at < size && isSpace(text[at])) ++at;
    if (at >= size || text[at] != ':') return false;
    ++at;
    while (at < size && isSpace(text[at])) ++at;
    if (at >= size || text[at] != '"') return false;
    const std::size_t begin = at + 1;
    const std::size_t close = text.find('"', begin);
    if (close == std::string_view::npos || close == begin) return false;
    value = text.substr(begin, close - begin);
    after = close + 1;
    return true;
}

} // namespace

ManifestEntryScanner::ManifestEntryScanner(std::string_view text) : text(text) {
    // Keys are found one after the other; consecutive good keys have values that follow one
    // another, so both the value reads and the brace searches move forward only.
    BraceFinder tailBrace(text);
    for (std::size_t key = text.find(importedPathKey); key != std::string_view::npos;
         key = text.find(importedPathKey, key + 1)) {
        ImportedMember member;
        std::size_t after = 0;
        if (!readMemberValue(text, key + importedPathKey.size(), member.value, after)) continue;
        const std::size_t brace = tailBrace(after);
        if (brace == text.size() || text[brace] != '}') continue;
        member.key = key;
        member.end = brace + 1;
        importedMembers.push_back(member);
    }

    BraceFinder runEnd(text);
    for (std::size_t key = text.find(pathKey); key != std::string_view::npos; key = text.find(pathKey, key + 1)) {
        PathMember member;
        std::size_t after = 0;
        if (!readMemberValue(text, key + pathKey.size(), member.value, after)) continue;
        // The last good "importedPath" key in [after, next brace).
        const std::size_t limit = runEnd(after);
        const auto bound = std::lower_bound(importedMembers.begin(), importedMembers.end(), limit,
                                            [](const ImportedMember& m, std::size_t at) { return m.key < at; });
        if (bound == importedMembers.begin() || std::prev(bound)->key < after) continue;
        member.key = key;
        member.imported = static_cast<std::size_t>(std::prev(bound) - importedMembers.begin());
        pathMembers.push_back(member);
    }
}

bool ManifestEntryScanner::next(ManifestEntry& entry) {
    const auto keyBefore = [](const PathMember& m, std::size_t at) { return m.key < at; };
    while (position < text.size()) {
        const std::size_t open = text.find('{', position);
        if (open == std::string_view::npos) break;
        const std::size_t limit = std::min(text.find_first_of(braces, open + 1), text.size());
        const auto first = std::lower_bound(pathMembers.begin(), pathMembers.end(), open + 1, keyBefore);
        const auto last = std::lower_bound(first, pathMembers.end(), limit, keyBefore);
        if (first == last) {
            position = open + 1;
            continue;
        }
        const PathMember& path = *std::prev(last);
        const ImportedMember& imported = importedMembers[path.imported];
        entry.begin = open;
        entry.end = imported.end;
        entry.path = path.value;
        entry.importedPath = imported.value;
        position = imported.end;
        return true;
    }
    position = text.size();
    return false;
}

void Renderer::loadAssetManifest() {
    if (manifestLoaded) return;
    // Whatever this reading finds is final for the renderer's lifetime.
    manifestLoaded = true;
    if (projectRoot.empty()) return;
    try {
        const std::filesystem::path manifest = projectRoot / ".tarnwick" / "asset_manifest.json";
        if (!platformHooks::pathExists(manifest)) return;
        const std::string json = readTextFile(manifest);
        ManifestEntryScanner scanner(json);
        ManifestEntry entry;
        while (scanner.next(entry)) {
            std::filesystem::path imported = pathFromNarrow(entry.importedPath);
            // The first entry for a source path wins.
            assetManifest.try_emplace(std::string(entry.path), std::move(imported));
        }
    } catch (...) {
        Log::warn("Could not read asset manifest.");
    }
}

} // namespace TarnwickEngine

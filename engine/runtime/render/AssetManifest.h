// The entries of a project's asset manifest ".tarnwick/asset_manifest.json", which maps a source
// image "path" to its "importedPath". The file is not parsed as JSON: an entry is any match of
//
//   \{[^{}]*"path"\s*:\s*"([^"]+)"[^{}]*"importedPath"\s*:\s*"([^"]+)"[^{}]*\}
//
// taken the way an ECMAScript regular expression iterator takes them: the leftmost match, the
// search resuming at its end. Within one object the greedy runs make the last "path" member win
// that still has an "importedPath" member after it, and the last such "importedPath" member.
// Values are verbatim: no escape is decoded, and a value may hold braces and line breaks.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace TarnwickEngine {

struct ManifestEntry {
    std::size_t begin = 0; // the opening brace
    std::size_t end = 0;   // one past the closing brace
    std::string_view path;
    std::string_view importedPath;
};

// Finds the entries one after the other in time linear in the text (save a binary search per
// key), without recursion: std::regex overflows the stack on long matches, and a manifest is a
// file that anyone may write. The text must outlive the scanner and its entries.
class ManifestEntryScanner {
public:
    explicit ManifestEntryScanner(std::string_view text);

    // The next entry after the previous one; false when there is none.
    bool next(ManifestEntry& entry);

private:
    // A complete `"importedPath" : "value" ... }` tail.
    struct ImportedMember {
        std::size_t key = 0;
        std::string_view value;
        std::size_t end = 0;
    };
    // A `"path" : "value"` member followed by an ImportedMember before the next brace.
    struct PathMember {
        std::size_t key = 0;
        std::string_view value;
        std::size_t imported = 0; // index in importedMembers
    };

    std::string_view text;
    std::vector<ImportedMember> importedMembers;
    std::vector<PathMember> pathMembers;
    std::size_t position = 0;
};

} // namespace TarnwickEngine

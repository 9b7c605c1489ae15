// What the path fields of the child's lines resolved to, kept so that a text is resolved once.
//
// A path field is resolved weakly canonically against the project folder, a walk of the file
// system that costs tens of microseconds under Wine and gives the same answer frame after frame
// for the same text. The memo reuses that answer. The one thing that can then differ from
// resolving anew is a file or folder created, renamed or re-linked while the program runs: the
// text keeps its first resolution, just as a texture that failed to load stays failed for the
// rest of the run. A text that fails to resolve is not kept, so it fails (and is dropped) anew.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace TarnwickEngine {

// How a text is resolved when the memo does not know it: resolvePath of the text taken as a path
// in the ANSI code page. Throws std::filesystem::filesystem_error when it cannot be resolved.
using PathResolver = std::filesystem::path (*)(const std::filesystem::path& root, std::string_view text);
std::filesystem::path resolvePathField(const std::filesystem::path& root, std::string_view text);

class PathResolutionMemo {
public:
    explicit PathResolutionMemo(PathResolver resolver = &resolvePathField) : resolver(resolver) {}

    // `text` (8-bit, in the ANSI code page) resolved against `root` as resolvePath does, into
    // `out`. False when it cannot be resolved; `out` is then unchanged. A root other than the one
    // the memo holds answers for empties it first.
    bool resolve(const std::filesystem::path& root, std::string_view text, std::filesystem::path& out);
    void clear();
    std::size_t size() const { return entries.size(); }

    // A child that sends a new text on every line cannot make the memo grow past these: it is
    // emptied when either would be passed.
    static constexpr std::size_t maxEntries = 4096;
    static constexpr std::size_t maxBytes = std::size_t(8) << 20;

private:
    PathResolver resolver;
    std::unordered_map<std::string, std::filesystem::path> entries;
    std::filesystem::path::string_type root; // the root the entries were resolved against
    std::size_t bytes = 0;                   // the texts' and the resolved paths' bytes
    std::string key;                         // reused, so a lookup does not allocate
};

} // namespace TarnwickEngine

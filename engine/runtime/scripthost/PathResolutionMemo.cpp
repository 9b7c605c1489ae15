#include "scripthost/PathResolutionMemo.h"

#include "core/Files.h"
#include "core/TextEncoding.h"

namespace TarnwickEngine {

std::filesystem::path resolvePathField(const std::filesystem::path& root, std::string_view text) {
    return resolvePath(root, pathFromNarrow(text));
}

bool PathResolutionMemo::resolve(const std::filesystem::path& base, std::string_view text,
                                 std::filesystem::path& out) {
    if (base.native() != root) {
        clear();
        root = base.native();
    }
    key.assign(text);
    const auto known = entries.find(key);
    if (known != entries.end()) {
        out = known->second;
        return true;
    }
    std::filesystem::path resolved;
    try {
        resolved = resolver(base, text);
    } catch (const std::filesystem::filesystem_error&) {
        return false;
    }
    const std::size_t entryBytes = key.size() + resolved.native().size() * sizeof(wchar_t);
    if (entries.size() >= maxEntries || bytes + entryBytes > maxBytes) clear();
    bytes += entryBytes;
    out = entries.emplace(key, std::move(resolved)).first->second;
    return true;
}

void PathResolutionMemo::clear() {
    entries.clear();
    bytes = 0;
}

} // namespace TarnwickEngine

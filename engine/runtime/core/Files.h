// File and path helpers shared by every subsystem. They report failures by exception only.
#pragma once

#include <filesystem>
#include <string>

namespace TarnwickEngine {

// True when anything (file, directory, other) is at the path. A missing path or a missing parent
// directory gives false; any other file-system error throws std::filesystem::filesystem_error.
bool pathExists(const std::filesystem::path& path);

// The whole file as raw bytes. Throws std::runtime_error("Could not open file: " + UTF-8 path).
std::string readTextFile(const std::filesystem::path& path);

// `path` made absolute against `base` (unless it is absolute already) in weakly canonical form.
std::filesystem::path resolvePath(const std::filesystem::path& base, const std::filesystem::path& path);

// The path as UTF-8 text, for messages, cache keys and sort keys.
std::string pathToString(const std::filesystem::path& path);

} // namespace TarnwickEngine

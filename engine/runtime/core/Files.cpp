#include "core/Files.h"

#include "core/TextEncoding.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace TarnwickEngine {

namespace fs = std::filesystem;

bool pathExists(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!error) return status.type() != fs::file_type::not_found;
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) return false;
    throw fs::filesystem_error("exists", path, error);
}

std::string readTextFile(const fs::path& path) {
    // Binary mode keeps every byte; the C runtime opens with a deny-none share mode, so other
    // programs may go on reading and writing the file meanwhile.
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) throw std::runtime_error("Could not open file: " + pathToString(path));
    std::ostringstream stream;
    stream << file.rdbuf();
    return stream.str();
}

fs::path resolvePath(const fs::path& base, const fs::path& path) {
    if (path.is_absolute()) return fs::weakly_canonical(path);
    return fs::weakly_canonical(base / path);
}

std::string pathToString(const fs::path& path) { return utf8FromPath(path); }

} // namespace TarnwickEngine

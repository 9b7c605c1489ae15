#include "support/TempDir.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace TarnwickTest {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const std::wstring name = L"tarnwick-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(counter++);
        std::error_code error;
        if (fs::create_directory(base / name, error)) {
            // Canonical, so tests can compare it with the canonical paths the program produces.
            root = fs::canonical(base / name);
            return;
        }
        if (error) throw fs::filesystem_error("create temporary folder", base / name, error);
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

fs::path TempDir::write(const fs::path& relative, const std::string& bytes) const {
    const fs::path file = root / relative;
    fs::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!stream) throw std::runtime_error("could not write a test file");
    return file;
}

fs::path TempDir::makeDir(const fs::path& relative) const {
    fs::create_directories(root / relative);
    return root / relative;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> readLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream stream(readFile(path));
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
}

CurrentDirectoryGuard::CurrentDirectoryGuard(const fs::path& newCurrent) : previous(fs::current_path()) {
    fs::current_path(newCurrent);
}

CurrentDirectoryGuard::~CurrentDirectoryGuard() {
    std::error_code ignored;
    fs::current_path(previous, ignored);
}

} // namespace TarnwickTest

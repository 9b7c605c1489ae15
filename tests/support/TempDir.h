// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes out of scope; and small helpers to fill it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace TarnwickTest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return root; }
    // Writes `bytes` to `relative` below the folder, creating its parent folders.
    std::filesystem::path write(const std::filesystem::path& relative, const std::string& bytes) const;
    std::filesystem::path makeDir(const std::filesystem::path& relative) const;

private:
    std::filesystem::path root;
};

// The whole file as bytes (empty when it cannot be read), and its lines without line ends.
std::string readFile(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);

// Restores the current directory when it goes out of scope.
class CurrentDirectoryGuard {
public:
    explicit CurrentDirectoryGuard(const std::filesystem::path& newCurrent);
    ~CurrentDirectoryGuard();
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::filesystem::path previous;
};

} // namespace TarnwickTest

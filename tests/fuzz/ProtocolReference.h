// A plain reading of what the script host sends, written from the protocol's rules rather than
// from the bridge's code, for the fuzz tests to hold the bridge against: bytes are cut into lines
// at '\n' with one '\r' before it dropped, lines longer than 1 MiB are dropped with a warning,
// lines are dispatched by their whole-line word or tag, cut into parts with std::getline, and
// their fields read as strtof and strtol read numbers. A line with a bad number or a path that
// cannot be resolved is dropped whole, with one warning per tag in a run.
#pragma once

#include "scripthost/FrameCommands.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace TarnwickFuzz {

struct Records {
    bool ready = false;
    bool started = false;
    bool frameEnded = false;
    TarnwickEngine::FrameCommands commands;
    std::vector<TarnwickEngine::Collider> colliders;
};

class ReferenceReader {
public:
    explicit ReferenceReader(std::filesystem::path projectRoot) : root(std::move(projectRoot)) {}

    // One complete line, without its line end.
    void line(const std::string& text);
    // Bytes as they come from the pipe, cut anywhere.
    void bytes(const std::string& chunk);
    // The end of the bytes: an unfinished line past the bound has been warned about by now.
    void endOfBytes();
    // The unfinished line that the bridge must still hold.
    std::string pending() const { return partial.size() > lineBound ? std::string() : partial; }

    Records records;
    std::string out; // what the log must have written to standard output since the last take
    std::string err;

    static constexpr std::size_t lineBound = std::size_t(1) << 20;

private:
    void record(const std::vector<std::string>& parts, const std::string& tag, const std::string& text);
    bool path(const std::string& field, std::filesystem::path& resolved);
    void warnBadLine(const std::string& tag, const std::string& text);

    std::filesystem::path root;
    std::set<std::string> warnedTags;
    std::string partial;
    bool partialWarned = false;
};

// One record, list or frame described exactly: floats in hexadecimal, paths and texts escaped.
std::string describe(const Records& records);
std::string describeCamera(const TarnwickEngine::Camera& camera);
std::string describeLists(const TarnwickEngine::FrameCommands& commands,
                          const std::vector<TarnwickEngine::Collider>& colliders, std::size_t fromRects = 0,
                          std::size_t fromSprites = 0, std::size_t fromTexts = 0, std::size_t fromDebugRects = 0,
                          std::size_t fromColliders = 0);

} // namespace TarnwickFuzz

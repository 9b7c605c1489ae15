// The settings of a game project, read from its "project.json", and the share of them that the
// script host child process is started with.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace TarnwickEngine {

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

inline bool operator==(const Color& a, const Color& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
inline bool operator!=(const Color& a, const Color& b) { return !(a == b); }

struct WindowConfig {
    std::int32_t width = 1280;
    std::int32_t height = 720;
    std::string title = "TarnwickEngine";
};

struct ProjectConfig {
    std::string name;
    std::filesystem::path projectRoot;
    std::filesystem::path mainAssemblyPath;
    std::string mainClass;
    std::string startScene;
    WindowConfig window;
    Color backgroundColor{0x12, 0x14, 0x1a};
    bool pixelPerfect = true;
    std::int32_t targetFps = 240;
    bool enableFrameLimiter = true;
    float maxDeltaTime = 0.05f;
    float fixedDeltaTime = 1.0f / 60.0f;
    float x = 0.0f;
    float y = 0.0f;
};

struct ScriptHostConfig {
    std::filesystem::path projectRoot;
    std::filesystem::path assemblyPath;
    std::filesystem::path scriptHostPath;
    std::string mainClass;
    std::string startScene;
    float fixedDeltaTime = 1.0f / 60.0f;
    float x = 0.0f;
    float y = 0.0f;
};

} // namespace TarnwickEngine

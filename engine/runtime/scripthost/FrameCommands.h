// The records of one frame's output of the script host: the camera, the draw commands that the
// renderer draws, and the colliders that the game logic reports.
#pragma once

#include "core/ProjectConfig.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace TarnwickEngine {

struct Camera {
    float x = 0.0f;
    float y = 0.0f;
    float zoom = 1.0f;             // screen pixels per world unit
    float viewportWidth = 1280.0f; // used to cull, never to scale the view to the window
    float viewportHeight = 720.0f;
};

// A filled rectangle (in `rects`) or an outline (in `debugRects`, always world space).
struct RectCommand {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
    Color color;
    bool screenSpace = false;
};

struct SpriteCommand {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
    Color color;                   // the fallback rectangle's colour; never tints the image
    std::filesystem::path texture; // already resolved against the project directory
    bool flipX = false;
    bool flipY = false;
    bool hasSourceRect = false;
    float sourceX = 0.0f;
    float sourceY = 0.0f;
    float sourceW = 0.0f;
    float sourceH = 0.0f;
};

struct TextCommand {
    float x = 0.0f;
    float y = 0.0f;
    std::string text;
    std::filesystem::path font; // resolved, but texts are drawn in one fixed family
    float size = 24.0f;
    Color color;
    bool screenSpace = false;
    std::string alignment = "Left";
};

struct Collider {
    std::int32_t id = 0;
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
};

struct FrameCommands {
    Camera camera; // kept across frames: it holds the last values that CAMERA lines set
    std::vector<RectCommand> rects;
    std::vector<SpriteCommand> sprites;
    std::vector<TextCommand> texts;
    std::vector<RectCommand> debugRects;
};

} // namespace TarnwickEngine

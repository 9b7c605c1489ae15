// The game logic that the stand-in runs, chosen by the main class as the real script host would
// load it from the game's assembly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Standin {

// What the script host is started with (its arguments after the two assemblies).
struct GameSetup {
    std::string mainClass;
    std::string projectDirectory;
    std::string startScene;
    float fixedDeltaTime = 1.0f / 60.0f;
    float x = 0.0f;
    float y = 0.0f;
};

// One FRAME line: FRAME|time step|keys|x,y|buttons.
struct FrameInput {
    float deltaTime = 0.0f;
    std::string keys;
    std::int32_t mouseX = 0;
    std::int32_t mouseY = 0;
    std::string buttons;
};

class Game {
public:
    virtual ~Game() = default;
    // Lines sent after START, before STARTED; each ends in '\n'.
    virtual void start(std::string& out) { (void)out; }
    // The frame's lines, each ending in '\n'; the caller adds END_FRAME.
    virtual void frame(const FrameInput& input, std::string& out) = 0;
};

// The game for a main class; any class without logic of its own gets one that draws nothing.
std::unique_ptr<Game> makeGame(const GameSetup& setup);

FrameInput parseFrameLine(const std::string& line);

} // namespace Standin

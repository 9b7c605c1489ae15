// The keyboard and mouse state of the game window: written by the window procedure as messages
// arrive, read once per frame to build the FRAME line. It keeps no event queue: a key pressed and
// released between two frames is never seen.
#pragma once

#include <cstdint>
#include <string>

namespace TarnwickEngine {

class Input {
public:
    static void setKey(std::uint32_t key, bool down);
    static void setMouseButton(std::uint32_t button, bool down);
    static void setMousePosition(std::int32_t x, std::int32_t y);

    static bool isKeyDown(std::uint32_t key);
    static std::int32_t getMouseX();
    static std::int32_t getMouseY();

    // Ascending indices of the flags that are set, separated by ',' ("37,65"); empty when none.
    static std::string keysDownToString();
    static std::string mouseButtonsDownToString();
    // The same lists appended to `out`, so a line built every frame reuses its storage.
    static void appendKeysDown(std::string& out);
    static void appendMouseButtonsDown(std::string& out);

private:
    static constexpr std::uint32_t keyCount = 256;
    static constexpr std::uint32_t mouseButtonCount = 8;

    static bool keys[keyCount];
    static bool mouseButtons[mouseButtonCount];
    static std::int32_t mouseX;
    static std::int32_t mouseY;
};

} // namespace TarnwickEngine

#include "core/Input.h"

namespace TarnwickEngine {

bool Input::keys[Input::keyCount] = {};
bool Input::mouseButtons[Input::mouseButtonCount] = {};
std::int32_t Input::mouseX = 0;
std::int32_t Input::mouseY = 0;

namespace {

std::string listSetFlags(const bool* flags, std::uint32_t count) {
    std::string text;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!flags[i]) continue;
        if (!text.empty()) text += ',';
        text += std::to_string(i);
    }
    return text;
}

} // namespace

void Input::setKey(std::uint32_t key, bool down) {
    if (key < keyCount) keys[key] = down;
}

void Input::setMouseButton(std::uint32_t button, bool down) {
    if (button < mouseButtonCount) mouseButtons[button] = down;
}

void Input::setMousePosition(std::int32_t x, std::int32_t y) {
    mouseX = x;
    mouseY = y;
}

bool Input::isKeyDown(std::uint32_t key) { return key < keyCount && keys[key]; }

std::int32_t Input::getMouseX() { return mouseX; }
std::int32_t Input::getMouseY() { return mouseY; }

std::string Input::keysDownToString() { return listSetFlags(keys, keyCount); }
std::string Input::mouseButtonsDownToString() { return listSetFlags(mouseButtons, mouseButtonCount); }

} // namespace TarnwickEngine

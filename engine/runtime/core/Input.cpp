#include "core/Input.h"

#include <charconv>

namespace TarnwickEngine {

bool Input::keys[Input::keyCount] = {};
bool Input::mouseButtons[Input::mouseButtonCount] = {};
std::int32_t Input::mouseX = 0;
std::int32_t Input::mouseY = 0;

namespace {

void appendSetFlags(std::string& out, const bool* flags, std::uint32_t count) {
    bool first = true;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!flags[i]) continue;
        if (!first) out += ',';
        first = false;
        char digits[4];
        const auto written = std::to_chars(digits, digits + sizeof(digits), i);
        out.append(digits, written.ptr);
    }
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

std::string Input::keysDownToString() {
    std::string text;
    appendKeysDown(text);
    return text;
}

std::string Input::mouseButtonsDownToString() {
    std::string text;
    appendMouseButtonsDown(text);
    return text;
}

void Input::appendKeysDown(std::string& out) { appendSetFlags(out, keys, keyCount); }
void Input::appendMouseButtonsDown(std::string& out) { appendSetFlags(out, mouseButtons, mouseButtonCount); }

} // namespace TarnwickEngine

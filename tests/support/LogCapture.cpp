#include "support/LogCapture.h"

#include "core/Input.h"

#include <iostream>

namespace TarnwickTest {

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
}

} // namespace

LogCapture::LogCapture() : oldOut(std::cout.rdbuf(outText.rdbuf())), oldErr(std::cerr.rdbuf(errText.rdbuf())) {}

LogCapture::~LogCapture() {
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
}

std::vector<std::string> LogCapture::outLines() const { return linesOf(out()); }
std::vector<std::string> LogCapture::errLines() const { return linesOf(err()); }

void releaseAllInput() {
    using TarnwickEngine::Input;
    for (std::uint32_t key = 0; key < 256; ++key) Input::setKey(key, false);
    for (std::uint32_t button = 0; button < 8; ++button) Input::setMouseButton(button, false);
    Input::setMousePosition(0, 0);
}

} // namespace TarnwickTest

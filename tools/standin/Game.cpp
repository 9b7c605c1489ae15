#include "Game.h"

#include "BasicGame.h"
#include "SoakGame.h"

#include <cstdlib>

namespace Standin {

namespace {

class EmptyGame : public Game {
public:
    void frame(const FrameInput&, std::string&) override {}
};

// The next '|'-separated field of `line` from `position` on.
std::string nextField(const std::string& line, std::size_t& position) {
    const std::size_t end = line.find('|', position);
    std::string field = line.substr(position, end == std::string::npos ? std::string::npos : end - position);
    position = end == std::string::npos ? line.size() : end + 1;
    return field;
}

} // namespace

std::unique_ptr<Game> makeGame(const GameSetup& setup) {
    if (setup.mainClass == "BasicGame.Game") return makeBasicGame(setup);
    if (setup.mainClass == "Soak.Game") return makeSoakGame(setup);
    return std::make_unique<EmptyGame>();
}

FrameInput parseFrameLine(const std::string& line) {
    FrameInput input;
    std::size_t position = 0;
    nextField(line, position); // FRAME
    input.deltaTime = std::strtof(nextField(line, position).c_str(), nullptr);
    input.keys = nextField(line, position);
    const std::string mouse = nextField(line, position);
    char* afterX = nullptr;
    input.mouseX = static_cast<std::int32_t>(std::strtol(mouse.c_str(), &afterX, 10));
    if (*afterX == ',') input.mouseY = static_cast<std::int32_t>(std::strtol(afterX + 1, nullptr, 10));
    input.buttons = nextField(line, position);
    return input;
}

} // namespace Standin

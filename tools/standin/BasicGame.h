// The sample game of samples/BasicGame, chosen by its main class "BasicGame.Game".
#pragma once

#include "Game.h"

namespace Standin {

std::unique_ptr<Game> makeBasicGame(const GameSetup& setup);

} // namespace Standin

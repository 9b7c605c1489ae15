// The soak test's game (main class "Soak.Game"): a thousand mixed command lines a frame, most of
// them for items that the host culls or draws cheaply, so that a long run measures the host's
// endurance rather than GDI+'s drawing speed.
#pragma once

#include "Game.h"

namespace Standin {

// Lines the soak game sends in every frame's answer, END_FRAME not counted, unless the start
// scene asks for another number ("lines=100").
constexpr int soakLinesPerFrame = 1000;

std::unique_ptr<Game> makeSoakGame(const GameSetup& setup);

} // namespace Standin

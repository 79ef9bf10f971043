// One Multiplayer turn: the opponent's last turn replayed, the caller's
// move, the month's production, and the game file handed to the opponent
// (or, when the war is over, moved to the completed games).
#pragma once

#include <memory>

#include "game/multiplayer/gamestate.h"

// The caller's game to play: none waiting (a short erased message), the one
// waiting, or the one chosen from a list. nullptr for none.
std::unique_ptr<TPvPGameState> SelectGameToPlay();
// P of the Multiplayer menu.
void PlayPvPTurn();

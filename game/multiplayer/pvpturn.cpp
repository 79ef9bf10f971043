#include "game/multiplayer/pvpturn.h"

std::unique_ptr<TPvPGameState> SelectGameToPlay() { return nullptr; }
void PlayPvPTurn() {}

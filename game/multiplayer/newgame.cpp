#include "game/multiplayer/newgame.h"

void CreateNewPvPGame() {}
void JoinPvPGame() {}
std::string FormatTimeAgo(TDateTime) { return std::string(); }

// Starting a Multiplayer game: a caller creates one and waits (C), another
// joins it (J), which seats the second kingdom and starts the war.
#pragma once

#include <string>

#include "doorkit/platform.h"

// C of the Multiplayer menu: asks title and ruler name, writes a new game
// waiting for an opponent.
void CreateNewPvPGame();
// J of the Multiplayer menu: lists the open games of other callers and
// seats the caller in the one chosen.
void JoinPvPGame();
// "just now", "1 minute ago", "5 hours ago", "2 days ago".
std::string FormatTimeAgo(TDateTime ADateTime);

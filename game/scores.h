// The monthly Klassic scores ("qgs-user.dat") and the text scoreboards
// ("qgs-best.asc" this month, "qgs-last.asc" last month).
#pragma once

#include <cstdint>

void UpdateUserFile(int32_t PlayerScore, int32_t ComputerScore, bool PlayerWon);
// Types this month's (true) or last month's (false) scoreboard.
void ShowScoreboard(bool ThisMonth);

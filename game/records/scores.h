// The monthly Klassic scores and their text scoreboards, all in the game
// directory:
//   "qgs-user.dat"  this month's data: the date-time of the last update,
//                   King Computer's points, then per caller (highest score
//                   first) four lines: alias, wins, losses, points;
//   "qgs-best.asc"  this month's scoreboard as ready-made text;
//   "qgs-last.asc"  last month's scoreboard, kept as it was.
#pragma once

#include <cstdint>

// Adds one finished Klassic game of the caller (HoldAliasForWrite) to this
// month's scores and rewrites "qgs-user.dat" and "qgs-best.asc". The first
// game of a new month first moves the old month's scoreboard to
// "qgs-last.asc" and starts the month empty. The scores passed are the
// game's final ones (the loser's already zeroed). The whole update runs
// under the scores' lock, so games finished on several nodes at the same
// moment are all counted, and is one TFileChange, so a process killed half
// way leaves the three files all as they were or all updated. Never
// reports an error and never waits for a key.
void UpdateUserFile(int32_t PlayerScore, int32_t ComputerScore, bool PlayerWon);

// Types this month's (true) or last month's (false) scoreboard in colour 2,
// or says that it is missing or unreadable.
void ShowScoreboard(bool ThisMonth);

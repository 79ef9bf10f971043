// The monthly Klassic scores and their text scoreboards, all in the game
// directory:
//   "qgs-user.dat"  this month's data: the date-time of the last update,
//                   King Computer's points, then per caller (highest score
//                   first) four lines: alias, wins, losses, points;
//   "qgs-best.asc"  this month's scoreboard as ready-made text;
//   "qgs-last.asc"  last month's scoreboard, kept as it was.
#pragma once

#include <cstdint>
#include <functional>

#include "game/common/commit.h"
#include "game/common/datafile.h"
#include "game/records/gamedata.h"

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

// The scores' lock ("qgs-user.dat"'s DataFileLock, which covers the
// scoreboards and their rollover too). A change that a stopped process left
// half done is finished once it is held.
class TScoresLock {
 public:
  TScoresLock();
  bool Held() const { return lock_.Held(); }

 private:
  DataFileLock lock_;
};

// With TScoresLock held: what UpdateUserFile writes, added to AChange. A
// scores file that is there but cannot be read is left out (as it is).
void PutScores(TFileChange& AChange, int32_t PlayerScore, int32_t ComputerScore, bool PlayerWon);

// A finished Klassic game on file, all or nothing: the caller's scores
// with the scoreboards (as UpdateUserFile) and, when change is given, the
// records (as UpdateGameData, change applying the record rules), in one
// TFileChange under both locks (the scores' first), so a process killed
// half way leaves every one of those files as it was or all of them
// updated. A part whose lock cannot be taken or whose file cannot be read
// is left out, as is the records part without change (a surrender); the
// other part is still made. records is what was read from "qgs.dat" and,
// when true is returned, what was written there. Never waits for a key.
bool KeepKlassicResult(int32_t PlayerScore, int32_t ComputerScore, bool PlayerWon,
                       const std::function<void(TGameData&)>& change, TGameData& records);

// Types this month's (true) or last month's (false) scoreboard in colour 2,
// or says that it is missing or unreadable.
void ShowScoreboard(bool ThisMonth);

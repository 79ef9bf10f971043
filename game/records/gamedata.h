// The records of finished Klassic games, "qgs.dat" in the game directory:
// the shortest, the longest and the last game, each as months with the
// winner's and the loser's full names. Nine lines, one field per line in
// the record's order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "game/common/commit.h"
#include "game/common/datafile.h"

struct TGameData {
  int32_t ShortestMonths = 0;  // 0: no record yet
  std::string ShortestWinner;
  std::string ShortestLoser;
  int32_t LongestMonths = 0;  // 0: no record yet
  std::string LongestWinner;
  std::string LongestLoser;
  int32_t LastMonths = 0;  // 0: no game yet
  std::string LastWinner;
  std::string LastLoser;
};

// Fills GameData from the file; whatever is missing or unreadable stays 0
// or empty. Never reports an error.
void ReadGameData(TGameData& GameData);
// Rewrites the file atomically; write errors are ignored.
void WriteGameData(TGameData& GameData);

// The records update after a finished game, as one step that no other node
// can interleave with: locks the file, reads it, lets change apply the
// record rules to the records read, writes the result and unlocks. True
// when the new records were written; records is then what was written.
// False when nothing was written (the file is there but cannot be read, so
// it is left alone, or the write failed); records is then what was read,
// and change has not touched it. change may write to the caller's screen
// but must not wait for a key (the lock is held).
//
//   TGameData records;
//   bool written = UpdateGameData([&](TGameData& d) {
//     if (d.ShortestMonths == 0 || d.ShortestMonths >= Month) { ... }
//     ...
//   }, records);
//
// The change a finished game makes is ApplyRecordRules. Only reading the
// records (after a surrender) is a plain ReadGameData.
bool UpdateGameData(const std::function<void(TGameData&)>& change, TGameData& records);

// The records' lock ("qgs.dat"'s DataFileLock). A change that a stopped
// process left half done is finished once it is held, before anything
// reads the records.
class TGameDataLock {
 public:
  TGameDataLock();
  bool Held() const { return lock_.Held(); }

 private:
  DataFileLock lock_;
};

// With TGameDataLock held: reads the records into read, lets change apply
// the rules to a copy and adds the result to AChange, returned in changed.
// False, with nothing added, when the file is there but cannot be read.
bool PutGameData(TFileChange& AChange, const std::function<void(TGameData&)>& change,
                 TGameData& read, TGameData& changed);

// The record rules for a game of AMonths that AWinner won over ALoser (full
// names), applied to the records read: it is the shortest game when none is
// on record or it took no longer than the shortest, the longest when none is
// on record or it took no less than the longest, and always the last game.
// Says which of the first two it set.
void ApplyRecordRules(TGameData& AData, int32_t AMonths, const std::string& AWinner,
                      const std::string& ALoser, bool& AShortest, bool& ALongest);

// PvP rankings: every finished Multiplayer game is credited to both players
// in two tables in the game directory,
//   "qgs-pvp-monthly.dat"  this month's table, with a date header;
//   "qgs-pvp-alltime.dat"  the all-time table, without a header;
//   "qgs-pvp-last.dat"     last month's table, archived at the rollover.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "doorkit/platform.h"
#include "game/common/commit.h"
#include "game/common/datafile.h"

class TPlayer;

struct TPvPPlayerRecord {
  std::string Alias;  // the key, compared exactly
  std::string DisplayName;
  int32_t TotalGames = 0;
  int32_t Wins = 0;
  int32_t Losses = 0;
  int32_t TotalScore = 0;
  int32_t ShortestWinMonths = 0;  // 0 until the first win
  int32_t LongestGameMonths = 0;
  int32_t TotalMonthsPlayed = 0;
  TDateTime LastPlayed = 0;
};

class TPvPRankings {
 public:
  int32_t PlayerCount() const { return static_cast<int32_t>(FPlayers.size()); }
  // Index of the first record with this alias, or -1.
  int32_t FindPlayer(const std::string& AAlias) const;
  // Replaces the table with the file's: an optional date header, the count,
  // then ten lines a record (nine in the older layout, without
  // TotalMonthsPlayed). A missing file gives an empty table; a damaged one
  // gives the records read up to the damage. Only the records actually in
  // the file are kept, whatever the count line says.
  void LoadFromFile(const std::string& AFileName);
  // Writes atomically, always in the ten-line layout; false when it could
  // not (the old file is then left). The header line is written only when
  // ADateHeader is not empty.
  bool SaveToFile(const std::string& AFileName, const std::string& ADateHeader) const;
  // What SaveToFile writes.
  std::string ToText(const std::string& ADateHeader) const;
  // Credits one finished game to the alias, appending it when new. Sums stop
  // at the int32 limits.
  void UpdatePlayer(const std::string& AAlias, const std::string& ADisplayName, bool AWon,
                    int32_t AScore, int32_t AMonths);
  // The records in descending key order, equal keys as the exchange sort
  // leaves them (ExchangeSortOrder).
  void GetSortedByScore(std::vector<TPvPPlayerRecord>& AResult) const;
  void GetSortedByWins(std::vector<TPvPPlayerRecord>& AResult) const;
  // A copy; an empty record (LastPlayed now) outside 0..PlayerCount-1.
  TPvPPlayerRecord GetPlayer(int32_t AIndex) const;

 private:
  std::vector<TPvPPlayerRecord> FPlayers;  // in insertion order
};

// One side of a finished game as the tables credit it.
struct TRankedSide {
  std::string Alias;
  std::string Name;  // the display name
  int32_t Score = 0;
};

// The lock of both tables and the rollover (the monthly file's DataFileLock).
// A change that a stopped process left half done is finished once it is
// held, before anything reads the tables.
class TRankingsLock {
 public:
  TRankingsLock();
  bool Held() const { return lock_.Held(); }

 private:
  DataFileLock lock_;
};

// With TRankingsLock held: the new contents of both tables, one finished
// game credited (player 1 first), and the monthly rollover when it is due,
// added to AChange, so that the game and its credit are made in one step.
// A table file that exists but cannot be read is left out (as it is).
void RankGameInto(TFileChange& AChange, const TRankedSide& APlayer1, const TRankedSide& APlayer2,
                  bool APlayer1Won, int32_t AMonths);

// The order in which the rankings list entries of these keys: descending,
// and among equal keys the order left by the exchange sort
//   for i, for j > i: if key[j] > key[i], exchange entries i and j
// (which is not a stable one), found in O(n log n): the indexes of AKeys.
std::vector<size_t> ExchangeSortOrder(const std::vector<int32_t>& AKeys);

// Records a finished game in both tables: their Name is the display name and
// their Score the score credited. Player 1 is always recorded first. The
// first game of a new calendar month first moves the old monthly table to
// "qgs-pvp-last.dat" (one rename, replacing the older archive) and starts
// the month empty. The whole update, both tables and the rollover, runs
// under one lock (the monthly file's DataFileLock), so games finished on
// several nodes at once are all counted, and is made as one TFileChange, so
// a process killed half way credits the game in both tables or in neither. A table file that exists
// but cannot be read is left as it is. Never waits for a key. Lock order: a caller holding the game
// store's lock may call this (game store first, then rankings); nothing here takes the game store's
// lock.
void UpdatePvPRankings(const TPlayer& APlayer1, const std::string& APlayer1Alias,
                       const TPlayer& APlayer2, const std::string& APlayer2Alias, bool APlayer1Won,
                       int32_t AMonths);
// The rankings screen of this month's table (true) or the all-time one.
void ShowPvPRankings(bool AShowMonthly);
// The lobby's royalty text: this month's leaders, or "No one yet".
std::string GetMonthlyRoyalty();

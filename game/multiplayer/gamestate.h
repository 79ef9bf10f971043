// One Multiplayer game: the in-memory form of a game file in the games
// folders. Every Multiplayer operation loads a state from its file, looks at
// or changes it, and writes it back whole.
//
// The file is plain text, one value per line (header "# QGS PvP Game State
// v1.2", GameID, GameNumber, GameType, Status, MaxPlayers, CurrentPlayers,
// the aliases and display names, CurrentTurnAlias, MonthNumber, TurnOrder,
// both kingdoms' title and ten counters, the three dates, Winner, then the
// turn log's line count and lines). Older files (v1.0 without display names
// or game number, v1.1 without game number) are read as well; only v1.2 is
// ever written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "doorkit/platform.h"

class TPlayer;

// Stored in the file as their ordinal numbers.
enum TGameType : int32_t { gtKlassic = 0, gtMultiplayer = 1 };
enum TGameStatus : int32_t {
  gsWaitingForPlayers = 0,
  gsInProgress = 1,
  gsCompleted = 2,
  gsAbandoned = 3,
};

class TPvPGameState {
 public:
  // Creation time "yyyymmddhhnnss" and Random(1000) in decimal; also part of
  // the file name, "game_" + GameID + ".dat".
  std::string GameID;
  int32_t GameNumber = 0;  // shown as "Game #3"; 0 = none
  TGameType GameType = gtKlassic;
  TGameStatus Status = gsWaitingForPlayers;
  int32_t MaxPlayers = 0;
  int32_t CurrentPlayers = 0;
  int32_t Tag = 0;           // free slot; not stored
  std::string Player1Alias;  // the creator; aliases are compared exactly
  std::string Player1DisplayName;
  std::string Player2Alias;  // the joiner; empty while waiting
  std::string Player2DisplayName;
  std::string Player3Alias;  // reserved seats, stored and read
  std::string Player4Alias;
  std::string CurrentTurnAlias;  // who moves next; empty until joined
  int32_t MonthNumber = 1;
  int32_t TurnOrder[2] = {0, 0};  // player numbers in moving order
  std::string Player1Title;
  int32_t Player1Score = 0, Player1Kastle = 0, Player1Soldiers = 0, Player1Civilians = 0,
          Player1Gronels = 0, Player1Slingards = 0, Player1Assassins = 0, Player1Guards = 0,
          Player1Gold = 0, Player1Food = 0;
  std::string Player2Title;
  int32_t Player2Score = 0, Player2Kastle = 0, Player2Soldiers = 0, Player2Civilians = 0,
          Player2Gronels = 0, Player2Slingards = 0, Player2Assassins = 0, Player2Guards = 0,
          Player2Gold = 0, Player2Food = 0;
  // The turn log left by the last player who moved.
  std::vector<std::string> LastTurnActions;
  TDateTime CreatedDate = 0;
  TDateTime LastMoveDate = 0;  // drives expiry
  TDateTime TimeoutDate = 0;   // last move + 7 days; stored, not consulted
  std::string Winner;          // display name of the winner

  // A new game: GameID from the clock and one draw, waiting, MaxPlayers 2,
  // no players, month 1, all three dates now (TimeoutDate now + 7 days).
  static std::unique_ptr<TPvPGameState> Create();
  // Create, then LoadFromFile: the same state and the same one draw, but
  // the clock is read only for what the file leaves of the new state (a
  // file that cannot be read at all, or one that ends before its dates).
  // Every listing loads every game file this way.
  static std::unique_ptr<TPvPGameState> CreateFromFile(const std::string& AFileName);

  // Writes the whole state (v1.2), replacing the file atomically. Failures
  // are swallowed by the game; the result tells tests and the save checks.
  bool SaveToFile(const std::string& AFileName) const;
  // What SaveToFile writes.
  std::string ToText() const;
  // Reads a file of any version. Never fails: whatever cannot be read keeps
  // the defaults the format gives, as if the file had ended there.
  void LoadFromFile(const std::string& AFileName);

  // Title and ten counters of APlayer into player slot 1 or 2.
  void SavePlayerToState(const TPlayer& APlayer, int32_t APlayerNumber);
  // The ten counters of slot 1 or 2 into APlayer (not the title or name).
  void LoadStateToPlayer(TPlayer& APlayer, int32_t APlayerNumber) const;
  // Player1Alias .. Player4Alias; "" for any other number.
  std::string GetPlayerAlias(int32_t APlayerNumber) const;
  // 1..4 for the first slot whose alias equals AAlias exactly; 0 if none.
  int32_t GetPlayerNumber(const std::string& AAlias) const;

 private:
  // LoadFromFile; false when the file could not be read at all (nothing
  // was changed).
  bool ReadFromFile(const std::string& AFileName);
};

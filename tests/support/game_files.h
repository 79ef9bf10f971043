// Multiplayer game files for the tests, each made in one line: the fields
// every game between two callers holds alike, the files' names and paths,
// and a kingdom's counters read back from a game.
#pragma once

#include <string>

#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/storage.h"
#include "support/engine_support.h"

// The players' part of a game; an empty p2 means nobody has joined yet.
struct TwoCallers {
  std::string p1, name1, p2, name2, turn;
};

// A Multiplayer game with those callers, by number and status, in month 1
// with the first player first. Titles, kingdoms, log and dates are the
// test's to fill in.
inline TPvPGameState TwoCallerGame(const std::string& id, int32_t number, TGameStatus status,
                                   const TwoCallers& c) {
  TPvPGameState s;
  s.GameID = id;
  s.GameNumber = number;
  s.GameType = gtMultiplayer;
  s.Status = status;
  s.MaxPlayers = 2;
  s.CurrentPlayers = c.p2.empty() ? 1 : 2;
  s.Player1Alias = c.p1;
  s.Player1DisplayName = c.name1;
  s.Player2Alias = c.p2;
  s.Player2DisplayName = c.name2;
  s.CurrentTurnAlias = c.turn;
  s.TurnOrder[0] = 1;
  s.TurnOrder[1] = 2;
  return s;
}

inline std::string GameFile(const std::string& id) { return "game_" + id + ".dat"; }
inline std::string ActiveGame(const std::string& id) { return GetActiveGamesDir() + GameFile(id); }
inline std::string CompletedGame(const std::string& id) {
  return GetCompletedGamesDir() + GameFile(id);
}

// The game in the file, as the game's own reader reads it.
inline TPvPGameState ReadGame(const std::string& path) {
  TPvPGameState s;
  s.LoadFromFile(path);
  return s;
}

// Player n's (1 or 2) counters as the game holds them.
inline Counters Kingdom(const TPvPGameState& s, int n) {
  if (n == 1)
    return {s.Player1Score,   s.Player1Kastle,    s.Player1Soldiers,  s.Player1Civilians,
            s.Player1Gronels, s.Player1Slingards, s.Player1Assassins, s.Player1Guards,
            s.Player1Gold,    s.Player1Food};
  return {s.Player2Score,   s.Player2Kastle,    s.Player2Soldiers,  s.Player2Civilians,
          s.Player2Gronels, s.Player2Slingards, s.Player2Assassins, s.Player2Guards,
          s.Player2Gold,    s.Player2Food};
}

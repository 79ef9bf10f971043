// What the benchmarks measure against: busy boards of Multiplayer games, a
// rankings table full of ties, and the plain pass that reads every game file
// once (the floor a lobby draw stands on).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>

#include "game/common/datafile.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/storage.h"

// Game ANumber of a busy board, month 5, between AFirst (who is to move) and
// a Bob when it is not waiting; dates and winner are the caller's to set.
inline TPvPGameState BoardGame(int ANumber, TGameStatus AStatus, const std::string& AFirst) {
  TPvPGameState s;
  s.GameID = std::to_string(20261209120000LL + ANumber / 1000) + std::to_string(ANumber % 1000);
  s.GameNumber = ANumber;
  s.GameType = gtMultiplayer;
  s.Status = AStatus;
  s.MaxPlayers = 2;
  s.CurrentPlayers = AStatus == gsWaitingForPlayers ? 1 : 2;
  s.Player1Alias = AFirst;
  s.Player1DisplayName = "Queen Ann";
  s.Player2Alias = AStatus == gsWaitingForPlayers ? "" : "Bob" + std::to_string(ANumber);
  s.Player2DisplayName = "King Bob";
  s.CurrentTurnAlias = AFirst;
  s.MonthNumber = 5;
  s.TurnOrder[0] = 1;
  s.TurnOrder[1] = 2;
  s.Player1Title = "Queen";
  s.Player2Title = "King";
  return s;
}

// The floor: list the folders and read every file in them whole, once.
inline size_t ReadEveryGameFile(std::initializer_list<std::string> ADirs) {
  size_t bytes = 0;
  for (const std::string& dir : ADirs) {
    for (const std::string& name : ListGameFiles(dir)) {
      std::string text;
      ReadFileText(dir + name, text);
      bytes += text.size();
    }
  }
  return bytes;
}

// A monthly rankings table of APlayers players full of ties (scores and
// wins from small ranges), stamped AStamp, each player last seen ASeen.
inline std::string RankingsTableText(int APlayers, const std::string& AStamp,
                                     const std::string& ASeen) {
  std::mt19937 draw(20261211);
  std::string t = AStamp + "\n" + std::to_string(APlayers) + "\n";
  for (int i = 0; i < APlayers; ++i) {
    const int games = 1 + static_cast<int>(draw() % 12);
    const int wins = static_cast<int>(draw() % (games + 1));
    const int score = static_cast<int>(draw() % 40) * 500;
    const std::string name = std::to_string(i);
    t += 'P';
    t += name;
    t += "\nKing P";
    t += name;
    t += '\n';
    for (int v : {games, wins, games - wins, score, wins ? 5 : 0, 9, games * 7}) {
      t += std::to_string(v);
      t += '\n';
    }
    t += ASeen;
    t += '\n';
  }
  return t;
}

// Ground for the tests of creating, joining and playing Multiplayer games on
// one node: a fake platform that lets another node act between two keys,
// the program-wide variables as the game sets them, and game files made in
// one line each.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/storage.h"
#include "game/kingdom/turnlog.h"
#include "game/common/globals.h"
#include "support/engine_support.h"
#include "support/fake_platform.h"
#include "support/game_files.h"

// A fake platform on which another node can act while the caller types.
class NodesPlatform : public FakePlatform {
 public:
  // Runs AAction just before the n-th key from now (1 = the next) is read.
  void BeforeKey(int n, std::function<void()> AAction) {
    at_ = read_ + n;
    action_ = std::move(AAction);
  }
  char ConsoleReadKey() override {
    if (++read_ == at_ && action_) {
      auto action = std::move(action_);
      action_ = nullptr;
      action();
    }
    return FakePlatform::ConsoleReadKey();
  }

 private:
  int read_ = 0;
  int at_ = -1;
  std::function<void()> action_;
};

// One kingdom as a game file holds it.
struct Realm {
  std::string title = "King";
  Counters c;
};

// The kingdoms of the worked production example: a pass leaves a known log.
inline Counters Worked() {
  return {.Kastle = 15000, .Soldiers = 3000, .Civilians = 14000, .Gold = 18000, .Food = 250000};
}

// A game file's fields of interest.
struct Game {
  std::string id = "20261201080000";
  int32_t number = 1;
  TGameStatus status = gsInProgress;
  int32_t month = 1;
  std::string p1 = "Ann", p2 = "Bob";
  std::string name1 = "Guinevere", name2 = "Mordred";
  std::string turn = "Ann";
  int32_t order0 = 1;
  Realm k1{"Queen", Worked()}, k2{"King", Worked()};
  std::vector<std::string> log{};
  double createdDaysAgo = 3;
};

inline const std::string kClear = "\x1b[2J\x1b[1;1f";
// A line editor field after its text: the colour it found, then the line end.
inline std::string FieldEnd(int attr) { return A(attr) + CRLF; }

class PlayTest : public ::testing::Test {
 protected:
  NodesPlatform fake;

  void SetUp() override {
    DoorSession.PipeWrite = false;
    DoorSession.TimeOn = fake.Now();
    Music = true;
    InitializeGameDirs();
    Config = TConfig{};
    HoldAliasForWrite = "Ann";
    CurrentTurnActions.reset();
    Player.reset();
    Computer.reset();
  }
  void TearDown() override {
    Player.reset();
    Computer.reset();
    CurrentTurnActions.reset();
  }

  TPvPGameState Make(const Game& g) {
    TPvPGameState s =
        TwoCallerGame(g.id, g.number, g.status, {g.p1, g.name1, g.p2, g.name2, g.turn});
    s.MonthNumber = g.month;
    s.TurnOrder[0] = g.order0;
    s.TurnOrder[1] = 3 - g.order0;
    TPlayer one(g.k1.title, g.name1, true), two(g.k2.title, g.name2, false);
    SetCounters(one, g.k1.c);
    SetCounters(two, g.k2.c);
    s.SavePlayerToState(one, 1);
    s.SavePlayerToState(two, 2);
    s.LastTurnActions = g.log;
    s.CreatedDate = fake.Now() - g.createdDaysAgo;
    s.LastMoveDate = fake.Now() - 1;
    s.TimeoutDate = s.LastMoveDate + 7;
    return s;
  }
  void Put(const Game& g) { ASSERT_TRUE(Make(g).SaveToFile(Active(g.id))); }

  static std::string Name(const std::string& id) { return GameFile(id); }
  static std::string Active(const std::string& id) { return ActiveGame(id); }
  static std::string Completed(const std::string& id) { return CompletedGame(id); }
  static TPvPGameState Read(const std::string& path) { return ReadGame(path); }
};

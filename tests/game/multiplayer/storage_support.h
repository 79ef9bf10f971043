// Game files for the storage tests: a folder of games set up in one line
// each, on the fake platform's clock.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/storage.h"
#include "game/common/globals.h"
#include "support/fake_platform.h"
#include "support/game_files.h"

// One game file's fields of interest.
struct G {
  std::string id;
  int32_t number = 0;
  TGameStatus status = gsInProgress;
  int32_t month = 1;
  int64_t idleSeconds = 0;  // since the last move
  std::string turn = "Ann";
  std::string p1 = "Ann", p2 = "Bob";
  std::string name1 = "Queen Ann", name2 = "King Bob";
};

class StorageTest : public ::testing::Test {
 protected:
  FakePlatform fake;

  void SetUp() override {
    InitializeGameDirs();
    Config = TConfig{};
    HoldAliasForWrite = "Ann";
  }

  TPvPGameState Make(const G& g) {
    TPvPGameState s =
        TwoCallerGame(g.id, g.number, g.status, {g.p1, g.name1, g.p2, g.name2, g.turn});
    s.MonthNumber = g.month;
    s.Player1Title = "Queen";
    s.Player2Title = "King";
    s.Player1Score = 100;
    s.Player2Score = 200;
    s.CreatedDate = fake.Now() - 30;
    s.LastMoveDate = fake.Now() - static_cast<double>(g.idleSeconds) / 86400;
    s.TimeoutDate = s.LastMoveDate + 7;
    return s;
  }
  void PutActive(const G& g) { ASSERT_TRUE(Make(g).SaveToFile(Active(g.id))); }
  void PutCompleted(const G& g) { ASSERT_TRUE(Make(g).SaveToFile(Completed(g.id))); }

  static std::string Name(const std::string& id) { return GameFile(id); }
  static std::string Active(const std::string& id) { return ActiveGame(id); }
  static std::string Completed(const std::string& id) { return CompletedGame(id); }
  static TPvPGameState Read(const std::string& path) { return ReadGame(path); }
  static std::vector<std::string> Names(const TGameList& games) {
    std::vector<std::string> names;
    for (const TGameEntry& e : games) names.push_back(e.FileName);
    return names;
  }
};

constexpr int64_t kDay = 86400;

// A scripted platform with the caller's kingdom and King Computer in place,
// and the game's program-wide state put back to its start-up values.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/globals.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/kingdom/turnlog.h"
#include "support/engine_support.h"  // Count, A, Tune
#include "support/fake_platform.h"

// Every counter of a kingdom, in the order of the battle screen.
struct TForces {
  int32_t Kastle, Soldiers, Civilians, Gronels, Slingards, Assassins, Guards, Gold, Food;
};

inline void SetForces(TPlayer& p, const TForces& f) {
  p.Kastle = f.Kastle;
  p.Soldiers = f.Soldiers;
  p.Civilians = f.Civilians;
  p.Gronels = f.Gronels;
  p.Slingards = f.Slingards;
  p.Assassins = f.Assassins;
  p.Guards = f.Guards;
  p.Gold = f.Gold;
  p.Food = f.Food;
}

class KingdomsTest : public ::testing::Test {
 protected:
  FakePlatform fake;

  KingdomsTest() {
    DoorSession.PipeWrite = false;
    Music = true;
    PlayerQuit = false;
    Wins = Losses = 0;
    HoldAliasForWrite = "Sir Tester";
    DoorDropInfo.Alias = HoldAliasForWrite;
    CurrentTurnActions.reset();
    Player = TPlayer::Create("Queen", "Tess", true);
    Computer = TPlayer::Create("King", "Computer", false);
  }

  ~KingdomsTest() override {
    Player.reset();
    Computer.reset();
    CurrentTurnActions.reset();
  }

  void StartTurnLog() { CurrentTurnActions = std::make_unique<std::vector<std::string>>(); }

  const std::vector<std::string>& TurnLog() const { return *CurrentTurnActions; }

  bool Logged(const std::string& line) const {
    return CurrentTurnActions && std::find(CurrentTurnActions->begin(), CurrentTurnActions->end(),
                                           line) != CurrentTurnActions->end();
  }
};

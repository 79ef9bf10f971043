// Thousands of random months of war between random kingdoms: whatever the
// draws, no counter goes below zero, every volley pays the attacker exactly
// for the men and kastle points it destroyed, and the victory check names
// the winner exactly when the counters say the war is won.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "support/engine_support.h"

namespace {

class WarfareRandomTest : public EngineTest {
 protected:
  std::mt19937_64 chooser{2024};  // the test's own choices; the engine draws from the fake

  int32_t Between(int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(chooser);
  }
  bool OneIn(int n) { return Between(1, n) == 1; }

  // Piles that only ever get hit, or counted, may be at their limit; those
  // that set the length of a fight stay at a playable size.
  int32_t Pile(int32_t hi) {
    if (OneIn(8)) return 0;
    if (OneIn(20)) return INT32_MAX - Between(0, 1);
    return Between(1, hi);
  }

  void RandomKingdom(TPlayer& p) {
    p.Score = OneIn(20) ? INT32_MAX : Between(0, 5000);
    p.Kastle = Pile(5000);
    p.Soldiers = OneIn(6) ? 0 : Between(1, 2500);
    p.Civilians = Pile(20000);
    p.Gronels = OneIn(6) ? 0 : Between(1, 300);
    p.Slingards = Between(0, 2);
    p.Assassins = Between(0, 3);
    p.Guards = OneIn(20) ? INT32_MAX : Between(0, 20);
    p.Gold = Pile(50000);
    p.Food = Pile(300000);
  }

  static void ExpectNoneNegative(const TPlayer& p, int step) {
    const Counters c = GetCounters(p);
    for (int32_t v : {c.Score, c.Kastle, c.Soldiers, c.Civilians, c.Gronels, c.Slingards,
                      c.Assassins, c.Guards, c.Gold, c.Food}) {
      ASSERT_GE(v, 0) << "step " << step << ": " << p.GetFullName() << " " << c;
    }
  }

  static bool WarWon(const TPlayer& attacker, const TPlayer& defender) {
    return defender.Kastle == 0 || (defender.Soldiers == 0 && attacker.Soldiers > 0);
  }
};

TEST_F(WarfareRandomTest, CountersStayInRangeAndTheVictoryCheckAgrees) {
  StartLog();
  fake.Keys(std::string(100000, ' '));
  RandomKingdom(*Player);
  RandomKingdom(*Computer);
  for (int step = 0; step < 4000; ++step) {
    // Keep beaten kingdoms for a while too: they must stay beaten safely.
    if (OneIn(4)) RandomKingdom(*Player);
    if (OneIn(4)) RandomKingdom(*Computer);
    const bool playerAttacks = OneIn(2);
    TPlayer& attacker = playerAttacks ? *Player : *Computer;
    TPlayer& defender = playerAttacks ? *Computer : *Player;
    const Counters attackerBefore = GetCounters(attacker);
    const Counters defenderBefore = GetCounters(defender);

    const int action = Between(0, 5);
    TPlayer* winner = nullptr;
    switch (action) {
      case 0: winner = attacker.SoldierAttack(&defender); break;
      case 1: winner = attacker.GronelAttack(&defender, OneIn(2)); break;
      case 2: winner = attacker.SlingardAttack(&defender, OneIn(2)); break;
      case 3:  // as the turn loop and King Computer do: only with an assassin at hand
        if (attacker.Assassins > 0) winner = attacker.Assassinate(&defender);
        break;
      case 4: attacker.Produce(); break;
      case 5: {
        static const char* const kGoods[] = {"gronels",   "guards", "assassins",
                                             "slingards", "food",   "kastle"};
        static const int32_t kPrice[] = {100, 1000, 7500, 25000, 1, 10};
        const int goods = Between(0, 5);
        // The most the treasury pays for (food: 5 sacks a gold piece).
        const int32_t most =
            goods == 4 ? Min(attacker.Gold, INT32_MAX / 5) * 5 - 4 : attacker.Gold / kPrice[goods];
        if (most > 0) attacker.LoadWagons(kGoods[goods], Between(1, Min(most, 2000)));
        break;
      }
    }

    ASSERT_NO_FATAL_FAILURE(ExpectNoneNegative(attacker, step));
    ASSERT_NO_FATAL_FAILURE(ExpectNoneNegative(defender, step));
    if (action <= 2) {
      ASSERT_EQ(winner == &attacker, WarWon(attacker, defender))
          << "step " << step << ": " << GetCounters(attacker) << " vs " << GetCounters(defender);
      ASSERT_TRUE(winner == nullptr || winner == &attacker);
    }
    if (action == 1 || action == 2) {
      // Only the defender loses; each man or kastle point is one point.
      const int64_t points = int64_t{defenderBefore.Soldiers} - defender.Soldiers +
                             defenderBefore.Kastle - defender.Kastle;
      ASSERT_EQ(attacker.Score, std::min<int64_t>(INT32_MAX, attackerBefore.Score + points))
          << "step " << step;
      ASSERT_EQ(attacker.Gronels, attackerBefore.Gronels);
      ASSERT_EQ(attacker.Slingards, attackerBefore.Slingards);
    }
    if (action == 0) {
      const int64_t killed = int64_t{defenderBefore.Soldiers} - defender.Soldiers;
      ASSERT_EQ(attacker.Score, std::min<int64_t>(INT32_MAX, attackerBefore.Score + killed))
          << "step " << step;
    }
    if (action == 3 && attackerBefore.Assassins > 0) {
      ASSERT_EQ(attacker.Assassins, attackerBefore.Assassins - 1);
      ASSERT_LE(defender.Guards, defenderBefore.Guards);
      ASSERT_TRUE(winner == nullptr || winner == &attacker);
      if (winner == nullptr) { ASSERT_EQ(attacker.Score, attackerBefore.Score); }
    }

    fake.TakeOut();
    fake.drawsAsked.clear();
    fake.sleeps.clear();
    CurrentTurnActions->clear();
  }
}

}  // namespace

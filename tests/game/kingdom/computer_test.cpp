// King Computer's choice of action for constructed kingdoms. Computer is the
// mover, Player the opponent; the choice shows in the counters, the texts
// and the turn log.
#include <gtest/gtest.h>

#include "doorkit/ansi.h"
#include "game/kingdom/kingdoms_fixture.h"

namespace {

const TForces kSteady = {15000, 3000, 15000, 250, 1, 2, 10, 18000, 250000};

class ComputerTest : public KingdomsTest {
 protected:
  ComputerTest() {
    SetForces(*Player, kSteady);
    SetForces(*Computer, kSteady);
    StartTurnLog();
  }

  // The computer's turn, with the draws and output of the set-up forgotten.
  TPlayer* Think() {
    fake.drawsAsked.clear();
    fake.TakeOut();
    return Computer->Move(1, Player.get());
  }
};

TEST_F(ComputerTest, ThinkingBannerIsSentAsGivenThenAPause) {
  SetForces(*Computer, {10000, 500, 900, 0, 0, 0, 20, 0, 100000});
  SetForces(*Player, {20000, 1000, 15000, 200, 0, 1, 20, 18000, 1000000});
  Think();
  const std::string banner = ThinkingBanner();
  EXPECT_EQ(fake.out.substr(0, banner.size()), banner);
  ASSERT_FALSE(fake.sleeps.empty());
  EXPECT_EQ(fake.sleeps.front(), 2000);
}

TEST_F(ComputerTest, AnEnemyWithoutGuardsIsAssassinatedAtOnce) {
  Player->Guards = 0;
  fake.Keys("x");
  EXPECT_EQ(Think(), Computer.get());
  ASSERT_GE(TurnLog().size(), 2u);
  EXPECT_EQ(TurnLog()[0], "Sent assassin (opponent had no guards)");
  EXPECT_EQ(TurnLog()[1], "[ACTION:assassin]");
  EXPECT_EQ(Computer->Assassins, 1);
}

TEST_F(ComputerTest, WithoutAssassinsAnUnguardedEnemyMakesHimHireThem) {
  Player->Guards = 0;
  Computer->Assassins = 0;
  Computer->Gold = 20000;
  EXPECT_EQ(Think(), nullptr);
  EXPECT_EQ(TurnLog(),
            (std::vector<std::string>{"Hired 2 assassins", "[TEXT:PURCHASE:assassins:2:15000]"}));
  // No colour of its own: the line comes straight after the banner, in cyan.
  EXPECT_NE(fake.out.find("\x1b[0;36;40m\r\n\r\n\r\nHiring 2 assassins for 15000 gold!\r\n\r\n"
                          "The draft animals strain to haul the heavy wagons to King "
                          "Computer's kastle!\r\n"),
            std::string::npos);
  EXPECT_EQ(Computer->Assassins, 2);
  EXPECT_EQ(Computer->Gold, 5000);
}

TEST_F(ComputerTest, AnEnemyWithoutAnArmyIsAttacked) {
  struct Case {
    const char* name;
    int32_t soldiers, gronels, slingards;
    const char* firstLog;
    const char* text;
  };
  const Case cases[] = {
      {"his army marches", 3000, 250, 1, "Attacked with soldiers (opponent had no army)",
       "Forces engaging!"},
      {"no army: gronels at the men", 0, 51, 2, "[ACTION:gronel_attack_men]",
       "Firing gronels at your men!"},
      {"no army, few gronels: slingards at the men", 0, 50, 2, "[ACTION:slingard_attack_men]",
       "Firing slingard at your men!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetForces(*Player, kSteady);
    Player->Soldiers = 0;
    Player->Kastle = 1000000;  // artillery cannot end the war here
    SetForces(*Computer, kSteady);
    Computer->Soldiers = c.soldiers;
    Computer->Gronels = c.gronels;
    Computer->Slingards = c.slingards;
    CurrentTurnActions->clear();
    fake.Keys("xx");
    TPlayer* winner = Think();
    EXPECT_EQ(winner, c.soldiers > 0 ? Computer.get() : nullptr);
    ASSERT_FALSE(TurnLog().empty());
    EXPECT_EQ(TurnLog()[0], c.firstLog);
    EXPECT_NE(fake.out.find(c.text), std::string::npos);
  }
}

// Opponent starving, with a small army: the siege weight puts the draft
// first, and the draft takes everyone the treasury can pay.
TEST_F(ComputerTest, SiegeDraftTakesWhatTheTreasuryCanPay) {
  struct Case {
    int32_t gold;
    int32_t drafted;
  };
  const Case cases[] = {{50000, 20000}, {5000, 3000}, {2000, 0}, {1500, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gold);
    SetForces(*Computer, {10000, 2000, 20000, 0, 0, 0, 20, c.gold, 1000000});
    SetForces(*Player, {20000, 1000, 10000, 200, 0, 1, 20, 18000, 5000});
    CurrentTurnActions->clear();
    EXPECT_EQ(Think(), nullptr);
    std::string n = std::to_string(c.drafted);
    EXPECT_EQ(TurnLog(), std::vector<std::string>{"Drafted " + n + " civilians into army"});
    EXPECT_NE(fake.out.find("Drafting " + n + " civilians into the army.\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(Computer->Civilians, 20000 - c.drafted);
    EXPECT_EQ(Computer->Soldiers, 2000 + c.drafted);
    EXPECT_TRUE(fake.drawsAsked.empty());
  }
}

TEST_F(ComputerTest, OrdinaryDraftMatchesTheEnemyArmy) {
  struct Case {
    const char* name;
    TForces own, opp;
    int32_t drafted;
  };
  const Case cases[] = {
      // 1.25 x 5249 is cut to half the civilians, less the army he has.
      {"half the civilians",
       {15000, 1750, 12500, 0, 0, 0, 20, 5000, 1000000},
       {20000, 5249, 15000, 200, 0, 1, 20, 18000, 1000000},
       4500},
      // Half the enemy army is more than 80% of his civilians: 75% then.
      {"three quarters",
       {15000, 0, 2000, 0, 0, 0, 20, 5000, 1000000},
       {20000, 10000, 15000, 200, 0, 1, 20, 18000, 1000000},
       1500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetForces(*Computer, c.own);
    SetForces(*Player, c.opp);
    CurrentTurnActions->clear();
    EXPECT_EQ(Think(), nullptr);
    EXPECT_EQ(TurnLog(), std::vector<std::string>{"Drafted " + std::to_string(c.drafted) +
                                                  " civilians into army"});
    EXPECT_EQ(Computer->Civilians, c.own.Civilians - c.drafted);
    EXPECT_EQ(Computer->Soldiers, c.own.Soldiers + c.drafted);
  }
}

TEST_F(ComputerTest, KastleReinforcementIsCappedAndHasAMinimum) {
  struct Case {
    int32_t enemyKastle;
    int32_t points;  // 0: not reinforced
  };
  const Case cases[] = {{20000, 2400}, {3400, 2100}, {3300, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.enemyKastle);
    SetForces(*Computer, {3000, 5000, 900, 0, 0, 0, 20, 24000, 1000000});
    SetForces(*Player, {c.enemyKastle, 5000, 15000, 200, 0, 1, 20, 18000, 1000000});
    CurrentTurnActions->clear();
    EXPECT_EQ(Think(), nullptr);
    if (c.points > 0) {
      std::string n = std::to_string(c.points);
      EXPECT_EQ(TurnLog(), (std::vector<std::string>{"Reinforced kastle by " + n + " points",
                                                     "[TEXT:PURCHASE:kastle:" + n + ":" +
                                                         std::to_string(c.points * 10) + "]"}));
      EXPECT_NE(fake.out.find("Kastle reinforced by " + n + " points!\r\n"), std::string::npos);
      EXPECT_EQ(Computer->Kastle, 3000 + c.points);
      EXPECT_EQ(Computer->Gold, 24000 - 10 * c.points);
    } else {
      // 1.5 x 3300 leaves room for 1950 points only: he hires assassins.
      EXPECT_EQ(Computer->Kastle, 3000);
      EXPECT_EQ(TurnLog().front(), "Hired 3 assassins");
    }
  }
}

TEST_F(ComputerTest, FoodIsBoughtOnlyBelowTwoMonths) {
  struct Case {
    int32_t food;  // a month's need is 15000 + 2 x 3000
    bool buys;
  };
  const Case cases[] = {{21000, true}, {39900, true}, {42000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.food);
    SetForces(*Computer, {15000, 3000, 15000, 250, 0, 0, 20, 18000, c.food});
    SetForces(*Player, {15000, 3000, 15000, 250, 0, 1, 20, 18000, 250000});
    CurrentTurnActions->clear();
    fake.Keys("xx");
    Think();
    if (c.buys) {
      EXPECT_EQ(TurnLog(), (std::vector<std::string>{"Bought 90000 sacks of food",
                                                     "[TEXT:PURCHASE:food:90000:18000]"}));
      EXPECT_NE(fake.out.find("Buying 90000 sacks of food for 18000 gold!"), std::string::npos);
      EXPECT_EQ(Computer->Food, c.food + 90000);
      EXPECT_EQ(Computer->Gold, 0);
    } else {
      EXPECT_EQ(Computer->Food, c.food);
      EXPECT_NE(fake.out.find("Firing gronels at your kastle!"), std::string::npos);
    }
  }
}

// The purchases and blows that the weights put first against a steady
// enemy; each line of the table is worked out by hand from the weights.
TEST_F(ComputerTest, TheWeightiestPossibleActionIsTaken) {
  struct Case {
    const char* name;
    TForces own, opp;
    std::vector<std::string> log;              // the first lines of the turn log
    const char* text;                          // shown, when not empty
    int32_t guards, gronels, slingards, gold;  // his counters afterwards
    bool wins;
  };
  const TForces opp = kSteady;
  const Case cases[] = {
      // need_guards 0.9; 18 guards cost more than his 9500 gold: 9.
      {"guards as far as the gold goes",
       {15000, 3000, 15000, 250, 1, 0, 2, 9500, 250000},
       opp,
       {"Hired 9 guards", "[TEXT:PURCHASE:guards:9:9000]"},
       "Hiring 9 guards for 9000 gold!\r\n\r\nThe draft animals strain",
       11,
       250,
       1,
       500,
       false},
      // need_weapons 0.6 without a slingard: as many as the gold buys.
      {"slingards first",
       {15000, 3000, 15000, 250, 0, 0, 20, 60000, 250000},
       opp,
       {"Bought 2 slingards", "[TEXT:PURCHASE:slingards:2:50000]"},
       "Buying 2 slingards for 50000 gold!",
       20,
       250,
       2,
       10000,
       false},
      // One slingard, too little gold for another: gronels for all of it.
      {"gronels for the gold",
       {15000, 3000, 15000, 50, 1, 0, 20, 18000, 250000},
       opp,
       {"Bought 180 gronels", "[TEXT:PURCHASE:gronels:180:18000]"},
       "Buying 180 gronels for 18000 gold!",
       20,
       230,
       1,
       0,
       false},
      // Under two months of food, only half the gold goes on gronels.
      {"gronels halved when food is short",
       {15000, 3000, 15000, 50, 1, 0, 20, 18000, 39900},
       opp,
       {"Bought 90 gronels", "[TEXT:PURCHASE:gronels:90:9000]"},
       "Buying 90 gronels for 9000 gold!",
       20,
       140,
       1,
       9000,
       false},
      // Half of 90 gronels is below 50: the slingard fires at the kastle.
      {"too few gronels to buy",
       {15000, 3000, 15000, 50, 1, 0, 20, 9000, 39900},
       opp,
       {"[ACTION:slingard_attack_kastle]"},
       "",
       20,
       50,
       1,
       9000,
       false},
      // win_soldiers 1.0: an army over 1.7 times the enemy's marches.
      {"superior army",
       {15000, 10000, 15000, 250, 1, 0, 20, 18000, 250000},
       opp,
       {"Attacked with superior army force", "[ACTION:soldier_attack]"},
       "",
       20,
       250,
       1,
       18000,
       false},
      // The enemy kastle is gone: gronels at the men, and the war is won.
      {"fallen kastle",
       {15000, 3000, 15000, 250, 1, 0, 20, 18000, 250000},
       {0, 3000, 15000, 250, 1, 2, 10, 18000, 250000},
       {"[ACTION:gronel_attack_men]"},
       "",
       20,
       250,
       1,
       18000,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetForces(*Computer, c.own);
    SetForces(*Player, c.opp);
    CurrentTurnActions->clear();
    fake.Keys("xx");
    EXPECT_EQ(Think(), c.wins ? Computer.get() : nullptr);
    ASSERT_GE(TurnLog().size(), c.log.size());
    EXPECT_EQ(std::vector<std::string>(TurnLog().begin(), TurnLog().begin() + c.log.size()), c.log);
    if (*c.text) { EXPECT_NE(fake.out.find(c.text), std::string::npos) << c.text; }
    EXPECT_EQ(Computer->Guards, c.guards);
    EXPECT_EQ(Computer->Gronels, c.gronels);
    EXPECT_EQ(Computer->Slingards, c.slingards);
    EXPECT_EQ(Computer->Gold, c.gold);
  }
}

// Nothing he may do, no artillery to fall back on: an urgent counsel.
TEST_F(ComputerTest, UrgentCounselWhenNothingCanBeDone) {
  struct Case {
    int32_t gronels;
    bool counsel;
  };
  const Case cases[] = {{0, true}, {50, true}, {51, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gronels);
    const TForces own = {10000, 500, 900, c.gronels, 0, 0, 20, 0, 100000};
    SetForces(*Computer, own);
    SetForces(*Player, {20000, 1000, 15000, 200, 0, 1, 20, 18000, 1000000});
    CurrentTurnActions->clear();
    EXPECT_EQ(Think(), nullptr);
    if (c.counsel) {
      EXPECT_EQ(TurnLog(), std::vector<std::string>{"Called urgent counsel (no action taken)"});
      const std::string counsel = AnsiTextAttr(10) + "\r\n" + AnsiTextAttr(10) +
                                  "* King Computer calls an urgent counsel with his closest "
                                  "advisors! *\r\n" +
                                  AnsiTextAttr(10);
      ASSERT_GE(fake.out.size(), counsel.size());
      EXPECT_EQ(fake.out.substr(fake.out.size() - counsel.size()), counsel);
      EXPECT_TRUE(fake.drawsAsked.empty());
      EXPECT_EQ(Computer->Civilians, own.Civilians);
      EXPECT_EQ(Computer->Soldiers, own.Soldiers);
    } else {
      ASSERT_FALSE(TurnLog().empty());
      EXPECT_EQ(TurnLog()[0], "[ACTION:gronel_attack_kastle]");
      ASSERT_FALSE(fake.drawsAsked.empty());
      EXPECT_EQ(fake.drawsAsked[0], 52);
    }
  }
}

// win_soldiers (table position 4) and win_assassins (position 6) both weigh
// 1.0, need_weapons (position 8) weighs 1.4 and cannot be bought. The
// exchange sort swaps win_soldiers out to position 8, so the assassin goes
// before the army, although win_soldiers came first in the table.
TEST_F(ComputerTest, EqualWeightsKeepTheExchangeSortOrder) {
  SetForces(*Computer, {10000, 10000, 20000, 0, 0, 2, 25, 1000, 1000000});
  SetForces(*Player, {0, 3000, 10000, 200, 0, 1, 8, 18000, 1000000});
  fake.Draws({0});  // the assassin is caught at the first guard
  EXPECT_EQ(Think(), nullptr);
  ASSERT_FALSE(TurnLog().empty());
  EXPECT_EQ(TurnLog()[0], "[ACTION:assassin]");
  EXPECT_EQ(Computer->Assassins, 1);
  EXPECT_EQ(Player->Soldiers, 3000);
}

// Counters at the edge of int32: the amounts are worked out in 64 bits and
// what he buys or moves still fits the kingdom.
TEST_F(ComputerTest, HugeCountersGiveAmountsThatFit) {
  const int32_t kMax = INT32_MAX;
  // Starving, with a treasury of 2^31 - 1: food for all the gold, in whole
  // wagons of five sacks that one delivery can count.
  SetForces(*Computer, {15000, 3000, kMax, 0, 0, 0, 20, kMax, 0});
  SetForces(*Player, {15000, 3000, 15000, 250, 0, 1, 20, 18000, 250000});
  EXPECT_EQ(Think(), nullptr);
  EXPECT_EQ(TurnLog(), (std::vector<std::string>{"Bought 2147483645 sacks of food",
                                                 "[TEXT:PURCHASE:food:2147483645:429496729]"}));
  EXPECT_EQ(Computer->Food, 2147483645);
  EXPECT_EQ(Computer->Gold, kMax - 429496729);

  // An army he cannot pay: every soldier goes home.
  SetForces(*Computer, {15000, kMax, 0, 0, 0, 0, 20, 0, 0});
  SetForces(*Player, {15000, kMax, 15000, 250, 0, 1, 20, 18000, 250000});
  CurrentTurnActions->clear();
  EXPECT_EQ(Think(), nullptr);
  EXPECT_EQ(TurnLog(), std::vector<std::string>{"Released 2147483647 soldiers from service"});
  EXPECT_EQ(Computer->Soldiers, 0);
  EXPECT_EQ(Computer->Civilians, kMax);
}

TEST_F(ComputerTest, NoTurnLogMeansNothingIsLogged) {
  CurrentTurnActions.reset();
  Player->Guards = 0;
  Computer->Assassins = 0;
  Think();
  EXPECT_EQ(CurrentTurnActions, nullptr);
  EXPECT_EQ(Computer->Assassins, 2);
}

}  // namespace

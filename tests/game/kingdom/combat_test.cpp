#include <gtest/gtest.h>

#include <climits>

#include "support/engine_support.h"

namespace {

using Lines = std::vector<std::string>;
using Draws = std::vector<int64_t>;

const std::string kCharge = "MFT32O3L16CL8FL16CL8FL64CP64CP64CP64L8F";

class CombatTest : public EngineTest {};

TEST_F(CombatTest, EachBoutDrawsItsVictimThenWhetherHeDies) {
  StartLog();
  SetCounters(*Player, {.Kastle = 100, .Soldiers = 4});
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 5});
  fake.Draws({0, 5,    // the defender is hit and dies
              0, 0,    // the defender is hit and lives
              1, 0,    // the attacker is hit and lives
              2, 9});  // the attacker is hit and dies
  fake.Keys("x");

  EXPECT_EQ(Player->SoldierAttack(Computer.get()), nullptr);
  EXPECT_EQ(fake.drawsAsked, Draws({3, 10, 3, 10, 3, 10, 3, 10}));
  EXPECT_EQ(fake.TakeOut(), CRLF + "You have 4 soldiers and King Computer has 5." + CRLF + CRLF +
                                "Forces engaging!" + CRLF + Tune(kCharge) + CRLF + A(10) + CRLF +
                                A(10) + "You lost 1 men and have 3 left!" + CRLF +
                                "King Computer lost 1 men and has 4 left!" + CRLF + CRLF + A(10) +
                                kPressAnyKey + CRLF);
  EXPECT_EQ(Player->Score, 1);
  EXPECT_EQ(Log(),
            Lines({"[ACTION:soldier_attack]", "[MUSIC:" + kCharge + "]", "[TEXT:Forces engaging!]",
                   "[RESULT:soldier_loss:1]", "[TEXT:Enemy lost 1 soldiers]"}));
}

TEST_F(CombatTest, ComputerAttackingIsSummedUpForTheCallerFirst) {
  SetCounters(*Player, {.Kastle = 100, .Soldiers = 6});
  SetCounters(*Computer, {.Score = INT32_MAX, .Kastle = 100, .Soldiers = 2});
  fake.Draws({0, 1, 2, 1});
  fake.Keys("x");

  EXPECT_EQ(Computer->SoldierAttack(Player.get()), nullptr);
  const std::string out = fake.TakeOut();
  // The opening line always names the caller's army first.
  EXPECT_NE(out.find("You have 6 soldiers and King Computer has 2."), std::string::npos);
  EXPECT_NE(out.find("You lost 1 men and have 5 left!\r\n"
                     "King Computer lost 1 men and has 1 left!\r\n"),
            std::string::npos);
  EXPECT_EQ(Computer->Score, INT32_MAX);  // a point past the top is not an overflow
}

TEST_F(CombatTest, AShoutEveryThousandBoutsSevenToALine) {
  StartLog();
  SetCounters(*Player, {.Kastle = 100, .Soldiers = 8000});
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 100000});
  fake.Keys("x");

  Player->SoldierAttack(Computer.get());
  // Bout 1000: the shout's Random(3) comes before the bout's own draws.
  ASSERT_EQ(fake.drawsAsked.size(), 2u * 8000 + 8);
  EXPECT_EQ(fake.drawsAsked[2 * 999], 3);
  EXPECT_EQ(fake.drawsAsked[2 * 999 + 1], 3);
  EXPECT_EQ(fake.drawsAsked[2 * 999 + 2], 10);

  const std::string out = fake.TakeOut();
  const std::string beat = Tune("MFO1T128L64CEB");
  size_t clashes = 0;
  for (const std::string& line : Log()) clashes += line.rfind("[CLASH:", 0) == 0;
  EXPECT_EQ(clashes, 8u);
  const size_t first = out.find(" * ");
  ASSERT_NE(first, std::string::npos);
  // Seven shouts, a line end, the eighth, a line end.
  const size_t shout = std::string(" * SMASH! *").size() + beat.size();
  EXPECT_EQ(out.substr(first + 7 * shout, 2), CRLF);
  EXPECT_EQ(out.substr(first + 7 * shout + 2 + shout, 2), CRLF);
  EXPECT_EQ(Count(out, " * "), 8u);
}

TEST_F(CombatTest, NoBoutsWithoutSoldiersOnEitherSide) {
  SetCounters(*Player, {.Kastle = 100, .Soldiers = 0});
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 5});
  fake.Keys("x");
  EXPECT_EQ(Player->SoldierAttack(Computer.get()), nullptr);
  EXPECT_TRUE(fake.drawsAsked.empty());
  EXPECT_NE(fake.TakeOut().find("You lost 0 men and have 0 left!"), std::string::npos);

  // A defender without soldiers stops the fight before the first draw, and
  // the attacker wins by the army rule.
  SetCounters(*Player, {.Kastle = 100, .Soldiers = 10});
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 0});
  fake.Keys("xy");
  EXPECT_EQ(Player->SoldierAttack(Computer.get()), Player.get());
  EXPECT_TRUE(fake.drawsAsked.empty());
  EXPECT_EQ(Player->Soldiers, 10);
}

}  // namespace

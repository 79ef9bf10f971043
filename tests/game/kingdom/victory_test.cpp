#include <gtest/gtest.h>

#include "support/engine_support.h"

namespace {

const std::string kFanfare = Tune("MFT96O4L32P32CP64CP64CP64L16EP64L32CP64L12E");
const std::string kBeat = Tune("MFO1T128L64CEB");

std::string Beats(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += kBeat;
  return s;
}

// The key ends the check with the prompt's line still open.
const std::string kClosingPause = CRLF + A(10) + kPressAnyKey + A(10);

class VictoryTest : public EngineTest {};

TEST_F(VictoryTest, CallerLevelsTheComputersKastle) {
  SetCounters(*Player, {.Soldiers = 5});
  SetCounters(*Computer, {.Kastle = 0, .Soldiers = 0});  // both rules hold: the kastle's wins
  fake.Keys("x");
  EXPECT_EQ(Player->CheckResults(Computer.get()), Player.get());
  EXPECT_EQ(fake.TakeOut(),
            A(10) + kFanfare +
                "A great cloud of dust and debris flies into the air after your final volley.\r\n"
                "King Computer, outside in his gardens, stares in disbelief and horror as his\r\n"
                "kastle disintegrates into a jagged mound of wood and stone.\r\n" +
                kClosingPause);
}

TEST_F(VictoryTest, ComputerLevelsTheCallersKastle) {
  SetCounters(*Player, {.Kastle = 0, .Soldiers = 900});
  fake.Keys("x");
  EXPECT_EQ(Computer->CheckResults(Player.get()), Computer.get());
  EXPECT_EQ(fake.TakeOut(),
            A(12) +
                "You stare in dismay as your kastle shudders, and then disintegrates\r\n"
                "into a pile of rubble. Your last vision is of a massive roof beam\r\n"
                "as it comes crashing down towards you.\r\n" +
                Beats(40) + kClosingPause);
}

TEST_F(VictoryTest, ComputerWipesOutTheCallersArmy) {
  SetCounters(*Player, {.Kastle = 100, .Soldiers = 0});
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 1});
  fake.Keys("x");
  EXPECT_EQ(Computer->CheckResults(Player.get()), Computer.get());
  EXPECT_EQ(fake.TakeOut(),
            A(12) +
                "The last of your soldiers lay slain upon the once green fields of\r\n"
                "your kingdom. Vultures are already descending. You consume a chalice\r\n"
                "of poison laced wine as you hear the guttural voices of King Computer's\r\n"
                "soldiers smashing their way through your kastle gates.\r\n" +
                Beats(40) + kClosingPause);
}

TEST_F(VictoryTest, AQueenOpponentFleesOnHerSteed) {
  Computer->Title = "Queen";
  Computer->Name = "Mab";
  SetCounters(*Player, {.Kastle = 100, .Soldiers = 1});
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 0});
  fake.Keys("x");
  EXPECT_EQ(Player->CheckResults(Computer.get()), Player.get());
  EXPECT_EQ(fake.TakeOut(),
            A(2) + kFanfare + CRLF +
                "Queen Mab's army lay in ruins upon the battle field. With noone left\r\n"
                "to defend her kingdom, she mounts a swift steed and escapes into the night.\r\n"
                "You smile in grim satisfaction at the hard-won spoils of victory!\r\n" +
                Beats(10) + kClosingPause);
}

TEST_F(VictoryTest, NoWinnerWhileAKastleAndAnArmyStand) {
  struct Case {
    int32_t attackerSoldiers, defenderKastle, defenderSoldiers;
  };
  const Case cases[] = {
      {0, 100, 0},    // both armies gone, both kastles standing
      {10, 100, 10},  // nothing decided
      {0, 1, 0},      // an attacker that lost its last man cannot win by the army rule
  };
  for (const Case& c : cases) {
    Player->Soldiers = c.attackerSoldiers;
    Computer->Kastle = c.defenderKastle;
    Computer->Soldiers = c.defenderSoldiers;
    EXPECT_EQ(Player->CheckResults(Computer.get()), nullptr);
    EXPECT_EQ(fake.TakeOut(), "");
  }
}

}  // namespace

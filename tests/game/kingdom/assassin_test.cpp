#include <gtest/gtest.h>

#include <climits>

#include "support/engine_support.h"

namespace {

using Lines = std::vector<std::string>;
using Draws = std::vector<int64_t>;

const std::string kStep = Tune("MFO1T128L64CEB");

std::string Opening(const std::string& whoPasses) {
  return CRLF + A(10) + "Attempting infiltration!" + CRLF +
         Tune("MFO1T32L8EL64DL8EL64DL8EL64DL8EP8") + CRLF + A(12) + whoPasses + CRLF + CRLF;
}

const std::string kClosingPause = CRLF + A(10) + kPressAnyKey + A(10) + CRLF;

class AssassinTest : public EngineTest {};

TEST_F(AssassinTest, CaughtAfterAKillAndAPass) {
  StartLog();
  SetCounters(*Player, {.Assassins = 2});
  SetCounters(*Computer, {.Guards = 5});
  fake.Draws({1, 3, 0});
  EXPECT_EQ(Player->Assassinate(Computer.get()), nullptr);

  EXPECT_EQ(fake.drawsAsked, Draws({5, 5, 5}));
  EXPECT_EQ(fake.TakeOut(), Opening("He has to pass 5 guards.") + A(140) + "KILLED 1" + CRLF +
                                kStep + kStep + kStep + kStep + kStep + A(4, kAfterBlink) +
                                "Passed 2!" + CRLF + kStep + A(140) + "your assassin was killed!" +
                                CRLF + Tune("MFT32L2O1L8dL4C") + CRLF);
  EXPECT_EQ(fake.sleeps, std::vector<int>({100, 100, 100, 100, 100, 50}));
  EXPECT_EQ(Player->Assassins, 1);  // spent all the same
  EXPECT_EQ(Computer->Guards, 4);   // the killed guard stays dead
  EXPECT_EQ(Player->Score, 0);      // nothing for guards passed on a failed attempt
  EXPECT_EQ(Log(), Lines({"[ACTION:assassin]", "[TEXT:Attempting infiltration!]", "[TEXT:GUARDS:5]",
                          "[TEXT:ASSASSIN_KILL:1]", "[TEXT:ASSASSIN_PASS:2]",
                          "[TEXT:The assassin was blocked by guards!]"}));
}

TEST_F(AssassinTest, TheCallersAssassinPoisonsKingComputer) {
  StartLog();
  SetCounters(*Player, {.Score = 7, .Assassins = 1});
  SetCounters(*Computer, {.Guards = 2});
  fake.Draws({2, 4});
  fake.Keys("x");
  EXPECT_EQ(Player->Assassinate(Computer.get()), Player.get());

  EXPECT_EQ(fake.TakeOut(),
            Opening("He has to pass 2 guards.") + A(4) + "Passed 1!" + CRLF + kStep + A(4) +
                "Passed 2!" + CRLF + kStep + Tune("MFT96O4L32P32CP64CP64CP64L16EP64L32CP64L12E") +
                A(10) + CRLF +
                "Stealthily, quietly, your assassin creeps into the inner chambers of King\r\n"
                "Computer and pours a small vial of colorless fluid into a goblet which sits\r\n"
                "upon King Computer's banquet table. During dinner, he suddenly clutches his\r\n"
                "throat and tumbles backward off of his seat.\r\n" +
                kClosingPause);
  EXPECT_EQ(Player->Score, 2007);
  EXPECT_EQ(Computer->Guards, 2);
  EXPECT_EQ(Log().back(), "[TEXT:The assassin was successful! You have been eliminated!]");
}

TEST_F(AssassinTest, ComputersAssassinFacingNoGuards) {
  SetCounters(*Computer, {.Score = 40, .Assassins = 1});
  SetCounters(*Player, {.Guards = 0});
  fake.Keys("x");
  EXPECT_EQ(Computer->Assassinate(Player.get()), Computer.get());
  EXPECT_TRUE(fake.drawsAsked.empty());
  EXPECT_EQ(fake.TakeOut(),
            Opening("He has to pass 0 guards.") + A(12) + CRLF +
                "You wake up, for a second, and see King Computer's assassin standing\r\n"
                "over you with a grim smile. His hand thrusts his knife into your heart.\r\n"
                "You sink into the long and everlasting sleep.\r\n" +
                Tune("MFO2T96L2P32CL3CL8CP32L3CP6E-L8DL3DL8CL3CO1L8BO2L1C") + kClosingPause);
  EXPECT_EQ(Computer->Score, 40);
  EXPECT_EQ(Computer->Assassins, 0);
}

TEST_F(AssassinTest, AQueensAssassinAndCountersAtTheirLimits) {
  Computer->Title = "Queen";
  SetCounters(*Computer, {.Score = INT32_MAX, .Assassins = INT32_MIN});
  SetCounters(*Player, {.Guards = 1});
  fake.Draws({2});
  fake.Keys("x");
  EXPECT_EQ(Computer->Assassinate(Player.get()), Computer.get());
  EXPECT_NE(fake.TakeOut().find("She has to pass 1 guards."), std::string::npos);
  EXPECT_EQ(Computer->Score, INT32_MAX);
  EXPECT_EQ(Computer->Assassins, INT32_MIN);
}

}  // namespace

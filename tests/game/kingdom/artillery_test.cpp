#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "support/engine_support.h"
#include "game/kingdom/artillery.h"

namespace {

using Lines = std::vector<std::string>;
using Draws = std::vector<int64_t>;

const std::string kBoomBeat = Tune("MFO1T128L64CEB");
const std::string kNoDamage = Tune("MFT32L2O1L8dL4C");
const std::string BOOM = "**BOOM!** " + kBoomBeat;
const std::string BANG = "**BANG!** " + kBoomBeat;

class ArtilleryTest : public EngineTest {};

TEST_F(ArtilleryTest, HitsFollowTheWeightedPickAndStopOnABeatenArmy) {
  StartLog();
  SetCounters(*Computer, {.Kastle = 3,
                          .Soldiers = 2,
                          .Civilians = 10,
                          .Gronels = 1,
                          .Slingards = 1,
                          .Assassins = 1,
                          .Guards = 1});
  // Aimed at men, the soldiers count twice: 2+3+1+1+1+1+10 + 2 = 21.
  fake.Draws({3,    // three hits from the one unit
              0,    // pick 0 of 21: the first soldier
              18,   // pick 18 of 19: past every pile into the aimed soldiers
                    // the third hit finds no army and is skipped
              1});  // the one boom the noise makes is a BOOM
  Player->DoDamage(Computer.get(), 1, true, "GRONEL");

  EXPECT_EQ(fake.drawsAsked, Draws({7, 21, 19, 2}));
  EXPECT_EQ(fake.TakeOut(), A(14) + BOOM + CRLF + CRLF + A(12) + "You killed 2 men!" + CRLF + CRLF);
  EXPECT_EQ(fake.sleeps, std::vector<int>({25}));
  EXPECT_EQ(GetCounters(*Computer), (Counters{.Kastle = 3,
                                              .Soldiers = 0,
                                              .Civilians = 10,
                                              .Gronels = 1,
                                              .Slingards = 1,
                                              .Assassins = 1,
                                              .Guards = 1}));
  EXPECT_EQ(Player->Score, 2);
  EXPECT_EQ(Log(), Lines({"[MUSIC:GRONEL_BOOMS:1]", "[TEXT:Killed 2 soldiers]"}));
}

TEST_F(ArtilleryTest, EveryRowOfTheTableAimingAtTheKastle) {
  struct Case {
    int64_t pick;
    std::string line;
    Counters after;
    int32_t score;
    std::string log;
  };
  const Counters one{.Kastle = 1,
                     .Soldiers = 1,
                     .Civilians = 1,
                     .Gronels = 1,
                     .Slingards = 1,
                     .Assassins = 1,
                     .Guards = 1};
  auto minus = [&](int32_t Counters::*field) {
    Counters c = one;
    c.*field -= 1;
    return c;
  };
  const Case cases[] = {
      {0, A(12) + "King Computer killed 1 men!", minus(&Counters::Soldiers), 1,
       "Killed 1 soldiers"},
      {1, A(10) + "King Computer destroyed 1 kastle points!", minus(&Counters::Kastle), 1,
       "Destroyed 1 kastle points"},
      {2, A(14) + "King Computer killed 1 guards!", minus(&Counters::Guards), 0, "Killed 1 guards"},
      {3, A(11) + "King Computer killed 1 assassins!", minus(&Counters::Assassins), 0,
       "Killed 1 assassins"},
      {4, A(14) + "King Computer destroyed 1 gronels!", minus(&Counters::Gronels), 0,
       "Destroyed 1 gronels"},
      {5, A(11) + "King Computer destroyed 1 slingards!", minus(&Counters::Slingards), 0,
       "Destroyed 1 slingards"},
      {6, A(15) + "King Computer killed 1 civilians!", minus(&Counters::Civilians), 0,
       "Killed 1 civilians"},
      {7, A(10) + "King Computer destroyed 1 kastle points!", minus(&Counters::Kastle), 1,
       "Destroyed 1 kastle points"},
  };
  for (const Case& c : cases) {
    StartLog();
    SetCounters(*Player, one);
    Computer->Score = 0;
    fake.Draws({1, c.pick, 0});
    fake.drawsAsked.clear();
    Computer->DoDamage(Player.get(), 1, false, "SLINGARD");
    EXPECT_EQ(fake.drawsAsked, Draws({7, 8, 2})) << c.pick;
    EXPECT_EQ(fake.TakeOut(), A(11) + BANG + CRLF + CRLF + c.line + CRLF + CRLF) << c.pick;
    EXPECT_EQ(GetCounters(*Player), c.after) << c.pick;
    EXPECT_EQ(Computer->Score, c.score) << c.pick;
    EXPECT_EQ(Log(), Lines({"[MUSIC:SLINGARD_BOOMS:1]", "[TEXT:" + c.log + "]"})) << c.pick;
  }
}

TEST_F(ArtilleryTest, NoiseBecomesBoomsSevenToALine) {
  StartLog();
  SetCounters(*Computer, {.Kastle = 1, .Soldiers = 1, .Slingards = 8});
  // Two units of four slingard hits each (100,000 noise apiece): three booms
  // after the first unit, four after the second, the remainder at the end.
  fake.Draws({4, 2, 2, 2, 2, 1, 0, 1, 4, 2, 2, 2, 2, 1, 1, 1, 1, 0});
  Player->DoDamage(Computer.get(), 2, true, "SLINGARD");
  EXPECT_EQ(fake.TakeOut(), A(14) + BOOM + BANG + BOOM + BOOM + BOOM + BOOM + BOOM + CRLF + BANG +
                                CRLF + CRLF + A(11) + "You destroyed 8 slingards!" + CRLF + CRLF);
  EXPECT_EQ(Log(), Lines({"[MUSIC:SLINGARD_BOOMS:8]", "[TEXT:Destroyed 8 slingards]"}));
}

TEST_F(ArtilleryTest, AVolleyThatHitsNothing) {
  StartLog();
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 100});
  fake.Draws({0, 0, 0});  // three units, no hits
  Player->DoDamage(Computer.get(), 3, true, "GRONEL");
  EXPECT_EQ(fake.TakeOut(), A(14) + A(142) + "No damage!" + kNoDamage + CRLF);
  EXPECT_EQ(Log(), Lines({"[TEXT:No damage!]"}));

  Computer->DoDamage(Player.get(), 0, false, "GRONEL");
  EXPECT_EQ(fake.TakeOut(), A(11, kAfterBlink) + A(139) + "No damage!" + kNoDamage + CRLF);
}

TEST_F(ArtilleryTest, TheFirstHitLandsEvenOnABeatenKingdom) {
  SetCounters(*Computer, {.Kastle = 5, .Soldiers = 0, .Civilians = 5});
  fake.Draws({6,    // six hits
              7,    // past the kastle's 5 into the civilians
              0});  // the 4 noise of one civilian still sounds a BANG
  Player->DoDamage(Computer.get(), 1, true, "GRONEL");
  EXPECT_EQ(fake.drawsAsked, Draws({7, 10, 2}));
  EXPECT_EQ(fake.TakeOut(),
            A(14) + BANG + CRLF + CRLF + A(15) + "You killed 1 civilians!" + CRLF + CRLF);
  EXPECT_EQ(Computer->Civilians, 4);
}

TEST_F(ArtilleryTest, GronelVolleyStrengthIsDrawnAfterTheAnnouncement) {
  StartLog();
  SetCounters(*Player, {.Kastle = 100, .Soldiers = 1, .Gronels = 250});
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 100});
  fake.Draws({0});
  EXPECT_EQ(Player->GronelAttack(Computer.get(), true), nullptr);
  EXPECT_EQ(fake.drawsAsked, Draws({251}));
  EXPECT_EQ(fake.TakeOut(), CRLF + A(14) + "Firing Gronels!" + CRLF +
                                Tune("MFO1L64T128BAAGGFFEEDDCP4") + CRLF + A(14) + A(142) +
                                "No damage!" + kNoDamage + CRLF);
  EXPECT_EQ(Log(), Lines({"[ACTION:gronel_attack_men]", "[TEXT:No damage!]"}));

  // The computer names the target; any number of gronels draws safely.
  struct Case {
    int32_t gronels;
    int64_t drawn;
  };
  for (const Case& c : {Case{0, 1}, Case{INT32_MAX, int64_t{INT32_MAX} + 1}, Case{-5, -4}}) {
    Computer->Gronels = c.gronels;
    fake.drawsAsked.clear();
    if (c.drawn > 0) fake.Draws({0});
    Computer->GronelAttack(Player.get(), false);
    EXPECT_EQ(fake.drawsAsked, Draws({c.drawn}));
    EXPECT_NE(fake.TakeOut().find("Firing gronels at your kastle!\r\n"), std::string::npos);
  }
}

TEST_F(ArtilleryTest, SlingardVolleyStrength) {
  StartLog();
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 1, .Slingards = 3});
  SetCounters(*Player, {});        // nothing to hit: one empty pick, then every hit is skipped
  fake.Draws({1, 1499, 0, 1, 0});  // 1500 + nothing + 1
  fake.Keys("x");                  // the kastle is gone: King Computer wins
  EXPECT_EQ(Computer->SlingardAttack(Player.get(), true), Computer.get());
  ASSERT_EQ(fake.drawsAsked.size(), 5u + 1501 + 1);
  EXPECT_EQ(Draws(fake.drawsAsked.begin(), fake.drawsAsked.begin() + 5),
            Draws({2, 1500, 2, 2, 1500}));
  EXPECT_EQ(std::count(fake.drawsAsked.begin(), fake.drawsAsked.end(), 7), 1501);
  EXPECT_NE(fake.TakeOut().find("Firing slingard at your men!\r\n"), std::string::npos);
  EXPECT_EQ(Log(), Lines({"[ACTION:slingard_attack_men]", "[MUSIC:SLINGARD_BOOMS:0]"}));
}

TEST_F(ArtilleryTest, HugePilesAreSummedWithoutOverflow) {
  const Counters full{.Kastle = INT32_MAX,
                      .Soldiers = INT32_MAX,
                      .Civilians = INT32_MAX,
                      .Gronels = INT32_MAX,
                      .Slingards = INT32_MAX,
                      .Assassins = INT32_MAX,
                      .Guards = INT32_MAX};
  SetCounters(*Computer, full);
  Player->Score = INT32_MAX;
  const int64_t total = 8 * int64_t{INT32_MAX};
  fake.Draws({1, total - 1, 0});  // the very last unit: the aimed soldiers
  Player->DoDamage(Computer.get(), 1, true, "GRONEL");
  EXPECT_EQ(fake.drawsAsked, Draws({7, total, 2}));
  EXPECT_EQ(Computer->Soldiers, INT32_MAX - 1);
  EXPECT_EQ(Player->Score, INT32_MAX);
}

// Every draw at its highest value, without recording them.
class HighestDrawPlatform : public FakePlatform {
 public:
  int64_t Random(int64_t n) override { return n > 0 ? n - 1 : 0; }
};

TEST(SlingardStrengthTest, IsCappedAtTheLargestCounter) {
  HighestDrawPlatform fake;
  EXPECT_EQ(DrawSlingardStrength(3), 4500);
  EXPECT_EQ(DrawSlingardStrength(2000000), INT32_MAX);  // 3,000,000,000 drawn
  EXPECT_EQ(DrawSlingardStrength(-1), 0);
}

}  // namespace

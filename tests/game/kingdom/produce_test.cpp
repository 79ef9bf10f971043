#include <gtest/gtest.h>

#include <climits>

#include "support/engine_support.h"

namespace {

using Lines = std::vector<std::string>;

class ProduceTest : public EngineTest {
 protected:
  // Everything up to the first report line.
  std::string Heading(int colour) {
    return CRLF + A(15) + "\x1b[255D\x1b[30C* Monthly Update *" + CRLF + CRLF + A(colour);
  }
};

TEST_F(ProduceTest, WorkedExample) {
  StartLog();
  SetCounters(
      *Player,
      {.Kastle = 15000, .Soldiers = 3000, .Civilians = 14000, .Gold = 18000, .Food = 250000});
  Player->Produce();

  EXPECT_EQ(fake.TakeOut(), Heading(2) +
                                "* 150 civilians have immigrated to your kastle.\r\n"
                                "* 14150 gold was collected in taxes!\r\n"
                                "* 3000 gold was paid to your soldiers.\r\n"
                                "* Treasury increased by 11150 gold pieces!\r\n"
                                "* 6000 sacks of food were consumed by your army.\r\n"
                                "* 14150 sacks of food were consumed by your citizens.\r\n"
                                "\r\n");
  EXPECT_EQ(
      GetCounters(*Player),
      (Counters{
          .Kastle = 15000, .Soldiers = 3000, .Civilians = 14150, .Gold = 29150, .Food = 229850}));
  EXPECT_EQ(Log(),
            Lines({"[TEXT:150 civilians immigrated]", "[TEXT:14150 gold collected in taxes]",
                   "[TEXT:3000 gold paid to soldiers]", "[TEXT:Treasury increased by 11150 gold]",
                   "[TEXT:6000 sacks of food consumed by army]",
                   "[TEXT:14150 sacks of food consumed by citizens]"}));
  EXPECT_TRUE(fake.drawsAsked.empty());
}

TEST_F(ProduceTest, ShortagesOfGoldAndFoodForTheComputer) {
  StartLog();
  // No kastle worth immigrating to, an empty treasury and one sack of food.
  SetCounters(*Computer, {.Kastle = 99, .Soldiers = 40, .Civilians = 30, .Gold = 0, .Food = 1});
  Computer->Produce();

  // 30 taxed, 30 of the 40 paid, nobody fed: the army starves, then all but
  // one citizen.
  EXPECT_EQ(
      fake.TakeOut(),
      Heading(3) + "* 30 gold was collected in taxes!\r\n" + A(140) +
          "* 10 of King Computer's men defected from not being paid!!\r\n" + A(11, kAfterBlink) +
          "* 30 gold was paid to King Computer's soldiers.\r\n" + A(140) +
          "* 30 of King Computer's soldiers have starved to death!!\r\n" + A(11, kAfterBlink) +
          "* 0 sacks of food were consumed by King Computer's army.\r\n" + A(140) +
          "* 29 of King Computer's citizens have starved to death!!\r\n" + A(11, kAfterBlink) +
          "* 1 sacks of food were consumed by King Computer's citizens.\r\n\r\n");
  EXPECT_EQ(GetCounters(*Computer),
            (Counters{.Kastle = 99, .Soldiers = 0, .Civilians = 1, .Gold = 0, .Food = 0}));
  EXPECT_EQ(Log(), Lines({"[TEXT:30 gold collected in taxes]", "[TEXT:30 gold paid to soldiers]",
                          "[TEXT:0 sacks of food consumed by army]",
                          "[TEXT:1 sacks of food consumed by citizens]"}));
}

TEST_F(ProduceTest, EveryUnpaidSoldierDefectsFromAnEmptyTreasury) {
  SetCounters(*Player, {.Soldiers = 7, .Gold = 0, .Food = 100});
  Player->Produce();
  EXPECT_EQ(fake.TakeOut(), Heading(2) + A(140) +
                                "* 7 of your men defected from not being paid!!\r\n" +
                                A(10, kAfterBlink) + "* 0 gold was paid to your soldiers.\r\n\r\n");
  EXPECT_EQ(Player->Soldiers, 0);
}

TEST_F(ProduceTest, TreasuryLineFollowsTheNetChange) {
  struct Case {
    Counters in;
    std::string treasuryLine;  // empty: none
  };
  const Case cases[] = {
      {{.Civilians = 500, .Gold = 0, .Food = 10000}, "* Treasury increased by 500 gold pieces!"},
      {{.Soldiers = 500, .Civilians = 500, .Gold = 0, .Food = 10000}, ""},
      {{.Soldiers = 800, .Civilians = 500, .Gold = 1000, .Food = 10000},
       "* Treasury DECREASED by 300 gold pieces!"},
  };
  for (const Case& c : cases) {
    SetCounters(*Player, c.in);
    Player->Produce();
    std::string out = fake.TakeOut();
    EXPECT_EQ(Count(out, "Treasury"), c.treasuryLine.empty() ? 0u : 1u) << out;
    if (!c.treasuryLine.empty()) { EXPECT_NE(out.find(c.treasuryLine + CRLF), std::string::npos); }
  }
}

TEST_F(ProduceTest, NoCiviliansStillLogsTheTaxLine) {
  StartLog();
  SetCounters(*Player, {.Gold = 5, .Food = 5});
  Player->Produce();
  EXPECT_EQ(fake.TakeOut(), Heading(2) + CRLF);
  EXPECT_EQ(Log(), Lines({"[TEXT:0 gold collected in taxes]"}));
}

TEST_F(ProduceTest, CountersAtTheirLimitsStayInRange) {
  SetCounters(*Player, {.Kastle = INT32_MAX,
                        .Soldiers = INT32_MAX,
                        .Civilians = INT32_MAX,
                        .Gold = INT32_MAX,
                        .Food = INT32_MAX});
  Player->Produce();
  std::string out = fake.TakeOut();
  // Taxes and immigration saturate; the army is paid, then fed half the food.
  EXPECT_NE(out.find("* 21474836 civilians have immigrated"), std::string::npos);
  EXPECT_NE(out.find("* 1073741824 of your soldiers have starved"), std::string::npos);
  EXPECT_NE(out.find("* 2147483646 sacks of food were consumed by your army."), std::string::npos);
  EXPECT_EQ(Player->Soldiers, 1073741823);
  EXPECT_EQ(Player->Gold, 0);
  EXPECT_EQ(Player->Food, 0);
  EXPECT_EQ(Player->Civilians, 1);
}

TEST_F(ProduceTest, DebtsFromADamagedFileNeverMakeCountersNegative) {
  SetCounters(*Player, {.Soldiers = 50, .Civilians = 0, .Gold = INT32_MIN, .Food = INT32_MIN});
  Player->Produce();
  std::string out = fake.TakeOut();
  EXPECT_NE(out.find("* 50 of your men defected"), std::string::npos);
  EXPECT_EQ(Player->Soldiers, 0);
  EXPECT_EQ(Player->Gold, INT32_MIN);
  EXPECT_EQ(Player->Food, INT32_MIN);

  SetCounters(*Player, {.Soldiers = 50, .Civilians = 10, .Gold = 100, .Food = -7});
  Player->Produce();
  EXPECT_EQ(Player->Soldiers, 0);
  EXPECT_EQ(Player->Civilians, 0);
  EXPECT_EQ(Player->Food, -7);
}

}  // namespace

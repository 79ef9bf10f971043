#include <gtest/gtest.h>

#include <climits>

#include "support/engine_support.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kWagon = Tune("MFT80O5L64FP64CFP64F");
const std::string kAbortHint =
    CRLF + A(78) + "Press " + A(79) + "[ENTER]" + A(78) + " to abort." + A(14) + CRLF + CRLF;
const std::string kThanks = CRLF + A(9) + "* A real pleasure serving you sire! *" + CRLF;

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}
bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

class TradingTest : public EngineTest {};

TEST_F(TradingTest, ThreeSacksOfFoodBringFiveForOneGold) {
  StartLog();
  SetCounters(*Player, {.Soldiers = 50, .Civilians = 100, .Gold = 100, .Food = 1000});
  fake.Keys("3\r");
  EXPECT_TRUE(Player->Purchase("sacks", "food", 0.2));

  const std::string out = fake.TakeOut();
  EXPECT_TRUE(
      StartsWith(out, kAbortHint + A(4) +
                          "You have 1000 sacks of food.\r\n"
                          "This is enough to feed your population for 5 months.\r\n"
                          "You have 100 gold and can afford 500 sacks of food.\r\n"
                          "This will increase your reserves of food by 2 months.\r\n"
                          "You need 200 sacks of food per month to feed your population.\r\n" +
                          A(12) + CRLF + "Buy how many sacks? (M = MAX) -=> " + A(4) + A(11)))
      << out;
  // Five sacks make no wagon load.
  EXPECT_TRUE(EndsWith(
      out, A(3) + CRLF + "Loading your wagons sire. Thank you for your gold!" + CRLF + kThanks))
      << out;
  EXPECT_EQ(Player->Food, 1005);
  EXPECT_EQ(Player->Gold, 99);
  // The log keeps the amount asked for and its price.
  EXPECT_EQ(Log(), Lines({"[TEXT:PURCHASE:food:3:0.6]"}));
}

TEST_F(TradingTest, AnAmountAboveWhatTheGoldBuysAsksAgain) {
  StartLog();
  SetCounters(*Player, {.Gold = 250});
  fake.Keys("5\rm\r");
  EXPECT_TRUE(Player->Purchase("gronels", "gronels", 100));
  const std::string out = fake.TakeOut();
  const std::string prompt =
      A(13) + "You can afford 2 gronels." + A(11) + " Buy how many? (M = MAX) -=> ";
  EXPECT_TRUE(StartsWith(out, kAbortHint + prompt)) << out;
  EXPECT_EQ(Count(out, prompt), 2u);
  EXPECT_EQ(Player->Gronels, 2);
  EXPECT_EQ(Player->Gold, 50);
  EXPECT_EQ(Log(), Lines({"[TEXT:PURCHASE:gronels:2:200]"}));
}

TEST_F(TradingTest, NothingBoughtWithoutAPositiveAffordableAmount) {
  StartLog();
  struct Case {
    int32_t gold;
    std::string keys;
    size_t prompts;
  };
  const Case cases[] = {
      {999, "1\r\r", 2},  // cannot afford one guard: only Enter, 0 or M leave
      {999, "0\r", 1},           {999, "M\r", 1},  // M buys the maximum, here nothing
      {5000, "9999999999\r", 1},                   // more than a number holds
      {5000, "12m\r", 1},                          // an M after the digits
      {5000, "\r", 1},
  };
  for (const Case& c : cases) {
    Player->Gold = c.gold;
    Player->Guards = 3;
    fake.Keys(c.keys);
    EXPECT_FALSE(Player->Purchase("guards", "guards", 1000)) << c.keys;
    const std::string out = fake.TakeOut();
    EXPECT_EQ(Count(out, "Buy how many?"), c.prompts) << c.keys;
    EXPECT_EQ(out.find("Loading"), std::string::npos) << c.keys;
    EXPECT_EQ(Player->Gold, c.gold);
    EXPECT_EQ(Player->Guards, 3);
  }
  EXPECT_TRUE(Log().empty());
}

TEST_F(TradingTest, WagonLoadsRoundHalvesToEven) {
  struct Case {
    std::string prop;
    int32_t count;
    size_t wagons;
  };
  const Case cases[] = {
      {"gronels", 250, 2}, {"gronels", 350, 4}, {"gronels", 49, 0}, {"guards", 15, 2},
      {"assassins", 2, 2}, {"slingards", 1, 3}, {"food", 30000, 2}, {"food", 10000, 0},
      {"kastle", 1500, 2}, {"kastle", 2500, 2},
  };
  for (const Case& c : cases) {
    Player->LoadWagons(c.prop, c.count);
    EXPECT_EQ(fake.TakeOut(),
              [&] {
                std::string s;
                for (size_t i = 0; i < c.wagons; ++i) s += kWagon;
                return s;
              }())
        << c.prop << " " << c.count;
  }
}

TEST_F(TradingTest, DeliveryTakesThePriceAndAddsTheGoods) {
  struct Case {
    std::string prop;
    int32_t count;
    int32_t Counters::*field;
    int32_t delivered, paid;
  };
  const Case cases[] = {
      {"gronels", 3, &Counters::Gronels, 3, 300},
      {"guards", 3, &Counters::Guards, 3, 3000},
      {"assassins", 3, &Counters::Assassins, 3, 22500},
      {"slingards", 3, &Counters::Slingards, 3, 75000},
      {"food", 3, &Counters::Food, 5, 1},
      {"food", 10, &Counters::Food, 10, 2},
      {"kastle", 3, &Counters::Kastle, 3, 30},
  };
  for (const Case& c : cases) {
    const Counters before{.Gold = 100000};
    SetCounters(*Player, before);
    Player->LoadWagons(c.prop, c.count);
    Counters expected = before;
    expected.*c.field += c.delivered;
    expected.Gold -= c.paid;
    EXPECT_EQ(GetCounters(*Player), expected) << c.prop;
  }
  // Unknown goods change nothing and make no sound.
  SetCounters(*Player, {.Gold = 100});
  fake.TakeOut();
  Player->LoadWagons("dragons", 5);
  EXPECT_EQ(GetCounters(*Player), (Counters{.Gold = 100}));
  EXPECT_EQ(fake.TakeOut(), "");
}

TEST_F(TradingTest, CountersAtTheirLimitsStayInRange) {
  SetCounters(*Player, {.Gronels = INT32_MAX - 1, .Gold = INT32_MIN + 5});
  Player->LoadWagons("gronels", 100);
  EXPECT_EQ(Player->Gronels, INT32_MAX);
  EXPECT_EQ(Player->Gold, INT32_MIN);

  // A treasury richer than any counter: the most food one purchase offers is
  // the most a counter holds.
  Music = false;  // 107,374 wagons: keep the output small
  SetCounters(*Player, {.Civilians = 1, .Gold = INT32_MAX, .Food = 0});
  fake.Keys("M\r");
  EXPECT_TRUE(Player->Purchase("sacks", "food", 0.2));
  EXPECT_NE(fake.TakeOut().find("can afford 2147483647 sacks of food."), std::string::npos);
  EXPECT_EQ(Player->Food, INT32_MAX);
  EXPECT_EQ(Player->Gold, INT32_MAX - 429496730);  // 2,147,483,650 sacks at 5 a piece
}

}  // namespace

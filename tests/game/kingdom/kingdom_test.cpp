#include <gtest/gtest.h>

#include <climits>

#include "game/kingdom/player.h"
#include "support/fake_platform.h"

namespace {

TEST(KingdomTest, CreateDrawsTheStartingForcesInOrder) {
  FakePlatform fake;
  fake.Draws({9999, 0, 4999, 99, 1, 3, 14, 2499, 99999});
  TPlayer p("Queen", "Ann", true);
  EXPECT_EQ(fake.drawsAsked,
            (std::vector<int64_t>{10000, 3500, 5000, 100, 2, 4, 15, 2500, 100000}));
  EXPECT_EQ(p.Kastle, 22499);
  EXPECT_EQ(p.Soldiers, 1750);
  EXPECT_EQ(p.Civilians, 17499);
  EXPECT_EQ(p.Gronels, 299);
  EXPECT_EQ(p.Slingards, 1);
  EXPECT_EQ(p.Assassins, 4);
  EXPECT_EQ(p.Guards, 22);
  EXPECT_EQ(p.Gold, 19999);
  EXPECT_EQ(p.Food, 299999);
  EXPECT_EQ(p.Score, 0);
  EXPECT_EQ(p.DisplayMFood, 0.0);
  EXPECT_TRUE(p.IsPlayer);
  EXPECT_EQ(p.GetFullName(), "Queen Ann");
}

TEST(KingdomTest, Wording) {
  FakePlatform fake;
  struct Case {
    const char* title;
    bool human;
    std::vector<std::string> words;  // posessive, singular, conj, conj2, refer pos., refer sing.
  };
  const Case cases[] = {
      {"King", true, {"your", "you", "", "", "your", "you"}},
      {"Queen", true, {"your", "you", "", "", "your", "you"}},
      {"King", false, {"his", "he", "s", "es", "King Computer's", "King Computer"}},
      {"Queen", false, {"her", "she", "s", "es", "Queen Computer's", "Queen Computer"}},
      {"king", false, {"her", "she", "s", "es", "king Computer's", "king Computer"}},
  };
  for (const Case& c : cases) {
    TPlayer p(c.title, "Computer", c.human);
    std::vector<std::string> words = {p.GetPosessive(),      p.GetSingular(),
                                      p.GetConjugate(),      p.GetConjugate2(),
                                      p.GetReferPosessive(), p.GetReferSingular()};
    EXPECT_EQ(words, c.words) << c.title << " " << c.human;
  }
}

TEST(KingdomTest, PowerAndMonthsOfFood) {
  FakePlatform fake;
  TPlayer p("King", "X", true);
  struct Case {
    int32_t kastle, soldiers, civilians, food;
    int32_t power;
    std::string months;
  };
  const Case cases[] = {
      {499, 749, 100, 5, 0, "0.000 "},     // 0.05 months count as none
      {500, 750, 0, 150, 2, "0.100 "},     // exactly 0.1 stays
      {100000, 0, 0, 1000, 46, "0.000 "},  // nobody to feed; power capped
      {23000, 0, 2, 3, 46, "1.500 "},
      {0, 0, 1, 12, 0, "12.000"},
      {0, 0, 10000, 123456, 0, "12.346"},
      {0, 0, 1000, 123456, 0, "123.45"},
      {0, 0, 100, 123456, 0, "1234.5"},
      {0, 0, 10, 123456, 0, "12345"},
      {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 46, "0.333 "},
  };
  for (const Case& c : cases) {
    p.Kastle = c.kastle;
    p.Soldiers = c.soldiers;
    p.Civilians = c.civilians;
    p.Food = c.food;
    EXPECT_EQ(p.GetPower(), c.power) << c.kastle << "/" << c.soldiers;
    EXPECT_EQ(p.GetMFoodStr(), c.months) << c.food << "/" << c.civilians;
  }
}

TEST(KingdomTest, FreeRoutines) {
  EXPECT_EQ(Min(3, -4), -4);
  EXPECT_EQ(Max(3, -4), 3);
  EXPECT_EQ(Proper("tHE  black KNIGHT"), "The  Black Knight");
  EXPECT_EQ(Proper("1st knight"), "1St Knight");
  EXPECT_EQ(Proper(""), "");
  struct Case {
    int32_t n;
    const char* text;
  };
  const Case cases[] = {{1234567, "1,234,567"}, {-5000, "-5,000"}, {999, "999"},
                        {1000, "1,000"},        {0, "0"},          {INT32_MIN, "-2,147,483,648"}};
  for (const Case& c : cases) EXPECT_EQ(PrettyNumber(c.n), c.text);
}

}  // namespace

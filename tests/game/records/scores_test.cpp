#include "game/records/scores.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/globals.h"
#include "support/fake_platform.h"
#include "support/file_text.h"

namespace {

const std::string kRule(72, '-');
const std::string kColumns =
    "Rank  Name                   Games  Wins  Losses  Win %       Score\n";

class ScoresTest : public ::testing::Test, protected GameDirFiles {
 protected:
  FakePlatform fake;  // 9 December 2026, 12:00:00
  ScoresTest() { HoldAliasForWrite = "Bob"; }
  ~ScoresTest() override { HoldAliasForWrite.clear(); }

  void Play(const std::string& alias, int32_t playerScore, int32_t computerScore, bool won) {
    HoldAliasForWrite = alias;
    UpdateUserFile(playerScore, computerScore, won);
  }
};

std::string Board(const std::string& month, const std::string& rows, const std::string& totals) {
  return "* Gronels and Slingards Scoreboard for the Month of " + month + " *\n\n" + kColumns +
         kRule + "\n" + rows + kRule + "\n\n" +
         "* Gronels and Slingards Total Score for the Month of " + month + " *\n\n" + kColumns +
         kRule + "\n" + totals + kRule + "\n\n";
}

TEST_F(ScoresTest, FirstGameEverCreatesBothFiles) {
  Play("Bob", 120, 0, true);
  EXPECT_EQ(Get("qgs-user.dat"), "9-12-26 12:00:00\n0\nBob\n1\n0\n120\n");
  EXPECT_EQ(
      Get("qgs-best.asc"),
      Board("December", "  1   Bob                        1     1       0  100 %         120\n",
            "  1   All Users                  1     1       0  100 %         120\n"
            "  2   King Computer              1     0       1    0 %           0\n"));
  EXPECT_FALSE(FileExists(Path("qgs-last.asc")));
}

TEST_F(ScoresTest, RanksWithTheExchangeSortAndWritesEveryColumn) {
  // Cid and Bob tie; the exchange sort leaves Cid first, as a stable sort
  // would not. "dee" is not "Dee". The long alias widens its row.
  Put("qgs-user.dat",
      "1-12-26 08:00:00\n5000\n"
      "Ann\n0\n1\n1\n"
      "Bob\n2\n0\n2\n"
      "Cid\n1\n2\n2\n"
      "Lord Wigglesworth-Smythe III\n0\n2\n0\n"
      "dee\n0\n1\n0\n");
  Play("Dee", 3, 250, true);
  EXPECT_EQ(Get("qgs-user.dat"),
            "9-12-26 12:00:00\n5250\n"
            "Dee\n1\n0\n3\n"
            "Cid\n1\n2\n2\n"
            "Bob\n2\n0\n2\n"
            "Ann\n0\n1\n1\n"
            "dee\n0\n1\n0\n"
            "Lord Wigglesworth-Smythe III\n0\n2\n0\n");
  EXPECT_EQ(Get("qgs-best.asc"),
            Board("December",
                  "  1   Dee                        1     1       0  100 %           3\n"
                  "  2   Cid                        3     1       2   33 %           2\n"
                  "  3   Bob                        2     2       0  100 %           2\n"
                  "  4   Ann                        1     0       1    0 %           1\n"
                  "  5   dee                        1     0       1    0 %           0\n"
                  "  6   Lord Wigglesworth-Smythe III     2     0       2    0 %           0\n",
                  // King Computer leads on points
                  "  1   King Computer             10     6       4   60 %       5,250\n"
                  "  2   All Users                 10     4       6   40 %           8\n"));
}

TEST_F(ScoresTest, AddsToAnExistingCallerAndATieOfTotalsGoesToTheCallers) {
  Put("qgs-user.dat", "9-12-26\n10\nBob\n1\n0\n10\n");
  Play("Bob", 0, 5, false);
  EXPECT_EQ(Get("qgs-user.dat"), "9-12-26 12:00:00\n15\nBob\n1\n1\n10\n");
  Play("Bob", 5, 0, true);
  EXPECT_EQ(Get("qgs-user.dat"), "9-12-26 12:00:00\n15\nBob\n2\n1\n15\n");
  EXPECT_EQ(
      Get("qgs-best.asc"),
      Board("December", "  1   Bob                        3     2       1   66 %          15\n",
            "  1   All Users                  3     2       1   66 %          15\n"
            "  2   King Computer              3     1       2   33 %          15\n"));
}

TEST_F(ScoresTest, TheFirstGameOfANewMonthRollsTheScoreboardsOver) {
  Put("qgs-last.asc", "October's board\n");
  Play("Bob", 100, 0, true);
  Play("Ann", 0, 40, false);
  const std::string december = Get("qgs-best.asc");
  EXPECT_EQ(Get("qgs-last.asc"), "October's board\n");  // same month: no rollover

  fake.Advance(23LL * 86400000 - 12LL * 3600000 + 5000);  // 1 January 2027, 00:00:05
  Play("Cid", 7, 3, true);
  EXPECT_EQ(Get("qgs-last.asc"), december);
  EXPECT_EQ(Get("qgs-user.dat"), "1-1-27 00:00:05\n3\nCid\n1\n0\n7\n");
  EXPECT_EQ(
      Get("qgs-best.asc"),
      Board("January", "  1   Cid                        1     1       0  100 %           7\n",
            "  1   All Users                  1     1       0  100 %           7\n"
            "  2   King Computer              1     0       1    0 %           3\n"));

  fake.Advance(3600000);
  Play("Cid", 1, 0, true);  // still January: last month's board stays
  EXPECT_EQ(Get("qgs-last.asc"), december);
  EXPECT_EQ(Get("qgs-user.dat"), "1-1-27 01:00:05\n3\nCid\n2\n0\n8\n");
}

TEST_F(ScoresTest, WhatLineOneSaysDecidesTheRollover) {
  struct Case {
    const char* userFile;
    bool bestExists;
    bool rollsOver;
  } const cases[] = {
      {"9-12-25 12:00:00\n50\nAnn\n1\n0\n9\n", true, true},    // same month, last year
      {"30-11-26 23:59:59\n50\nAnn\n1\n0\n9\n", true, true},   // last month
      {"1-1-27\n50\nAnn\n1\n0\n9\n", true, true},              // a later month: still not this one
      {"30-11-26 23:59:59\n50\nAnn\n1\n0\n9\n", false, true},  // no board to keep
      {"December\n50\nAnn\n1\n0\n9\n", true, false},           // not a date
      {"\n50\nAnn\n1\n0\n9\n", true, false},
      {"", true, false},  // empty file
  };
  for (const Case& c : cases) {
    Put("qgs-user.dat", c.userFile);
    Put("qgs-last.asc", "older board\n");
    std::filesystem::remove(Path("qgs-best.asc"));
    if (c.bestExists) Put("qgs-best.asc", "old board\n");
    Play("Bob", 4, 2, true);
    const bool lastExists = FileExists(Path("qgs-last.asc"));
    if (c.rollsOver) {
      EXPECT_EQ(lastExists, c.bestExists) << c.userFile;
      if (lastExists) { EXPECT_EQ(Get("qgs-last.asc"), "old board\n") << c.userFile; }
    } else {
      EXPECT_EQ(Get("qgs-last.asc"), "older board\n") << c.userFile;
    }
    // Either way the month goes on from this game alone.
    EXPECT_EQ(Get("qgs-user.dat"), "9-12-26 12:00:00\n2\nBob\n1\n0\n4\n") << c.userFile;
  }
}

TEST_F(ScoresTest, ARolloverCutShortKeepsTheBoardItHadMoved) {
  // A node stopped after moving November's board to "qgs-last.asc" and
  // before rewriting the scores: the next game must not throw it away.
  const std::string november =
      Board("November", "  1   Ann                        1     1       0  100 %           9\n",
            "  1   All Users                  1     1       0  100 %           9\n"
            "  2   King Computer              1     0       1    0 %          50\n");
  Put("qgs-user.dat", "30-11-26 23:59:59\n50\nAnn\n1\n0\n9\n");
  Put("qgs-last.asc", november);
  Play("Bob", 4, 2, true);
  EXPECT_EQ(Get("qgs-last.asc"), november);
  EXPECT_EQ(Get("qgs-user.dat"), "9-12-26 12:00:00\n2\nBob\n1\n0\n4\n");

  // An older month's board left behind is stale all the same.
  Put("qgs-user.dat", "30-11-26 23:59:59\n50\nAnn\n1\n0\n9\n");
  std::filesystem::remove(Path("qgs-best.asc"));
  Put("qgs-last.asc", "* Gronels and Slingards Scoreboard for the Month of October *\n");
  Play("Bob", 4, 2, true);
  EXPECT_FALSE(FileExists(Path("qgs-last.asc")));
}

TEST_F(ScoresTest, ReadingStopsQuietlyAtABadNumber) {
  struct Case {
    const char* userFile;
    const char* after;  // the file after Bob's game of 4 points (2 for the computer)
  } const cases[] = {
      // a bad computer total counts as 0; the callers are still read
      {"9-12-26\nlots\nAnn\n1\n0\n9\n", "9-12-26 12:00:00\n2\nAnn\n1\n0\n9\nBob\n1\n0\n4\n"},
      // a bad number drops its entry and everything after it
      {"9-12-26\n50\nAnn\n1\n0\n9\nCid\n1\nx\n5\nDee\n1\n0\n1\n",
       "9-12-26 12:00:00\n52\nAnn\n1\n0\n9\nBob\n1\n0\n4\n"},
      // a last entry cut short keeps the values it has
      {"9-12-26\n50\nAnn\n1\n0\n9\nCid\n3",
       "9-12-26 12:00:00\n52\nAnn\n1\n0\n9\nBob\n1\n0\n4\nCid\n3\n0\n0\n"},
      // the rest of a number line is ignored, blank or not
      {"9-12-26\n50abc\nAnn\n1x\n0 wins\n9pts\n",
       "9-12-26 12:00:00\n52\nAnn\n1\n0\n9\nBob\n1\n0\n4\n"},
      // only the date
      {"9-12-26 01:02:03\n", "9-12-26 12:00:00\n2\nBob\n1\n0\n4\n"},
      // aliases go onto the scoreboard: their control characters are dropped
      {"9-12-26\n50\nA\x1b[5mnn\x07\n1\n0\n9\n",
       "9-12-26 12:00:00\n52\nA[5mnn\n1\n0\n9\nBob\n1\n0\n4\n"},
  };
  for (const Case& c : cases) {
    Put("qgs-user.dat", c.userFile);
    Play("Bob", 4, 2, true);
    EXPECT_EQ(Get("qgs-user.dat"), c.after) << c.userFile;
  }
}

TEST_F(ScoresTest, CountsFromTheFileNeverOverflow) {
  Put("qgs-user.dat",
      "9-12-26\n2147483600\n"
      "Bob\n2147483647\n2147483647\n2147483000\n"
      "Ann\n5\n-3\n2147483000\n");
  Play("Bob", 1000, 1000, true);
  EXPECT_EQ(Get("qgs-user.dat"),
            "9-12-26 12:00:00\n2147483647\n"
            "Bob\n2147483647\n2147483647\n2147483647\n"
            "Ann\n5\n-3\n2147483000\n");
  EXPECT_EQ(
      Get("qgs-best.asc"),
      Board("December",
            "  1   Bob                    2147483647  2147483647  2147483647   50 % 2,147,483,647\n"
            "  2   Ann                        2     5      -3  250 % 2,147,483,000\n",
            "  1   All Users              2147483647  2147483647  2147483644   50 % 2,147,483,647\n"
            "  2   King Computer          2147483647  2147483644  2147483647   49 % "
            "2,147,483,647\n"));
}

class ShowScoreboardTest : public ScoresTest {
 protected:
  std::string Attr2() {
    DoorTextAttr(2);
    return fake.TakeOut();
  }
};

TEST_F(ShowScoreboardTest, TypesTheChosenBoardLineByLine) {
  const std::string attr2 = Attr2();
  Put("qgs-best.asc", "this month\n\n  1   Bob\n");
  Put("qgs-last.asc", "last month\r\n");
  ShowScoreboard(true);
  EXPECT_EQ(fake.TakeOut(), attr2 + "this month\r\n\r\n  1   Bob\r\n");
  ShowScoreboard(false);
  EXPECT_EQ(fake.TakeOut(), attr2 + "last month\r\n");
}

TEST_F(ShowScoreboardTest, SaysWhenTheBoardIsMissingOrUnreadable) {
  const std::string attr2 = Attr2();
  ShowScoreboard(true);
  EXPECT_EQ(fake.TakeOut(), "\r\n" + attr2 + "* Scoreboard file not found *\r\n\r\n");
  Put("qgs-best.asc", "this month\n");
  ShowScoreboard(false);
  EXPECT_EQ(fake.TakeOut(), "\r\n" + attr2 + "* Scoreboard file not found *\r\n\r\n");
  std::filesystem::create_directory(Path("qgs-last.asc"));
  ShowScoreboard(false);
  EXPECT_EQ(fake.TakeOut(), attr2 + "\r\n" + attr2 + "* Error reading scoreboard file *\r\n\r\n");
}

}  // namespace

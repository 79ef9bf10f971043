#include "game/multiplayer/rankings.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <utility>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/kingdom/player.h"
#include "support/engine_support.h"  // A: the bytes of DoorTextAttr
#include "support/fake_platform.h"
#include "support/file_text.h"

namespace {

const std::string E = "\x1b[";
const std::string kNow = "9-12-26 12:00:00";  // the fake clock's start
const std::string kRule(79, '-');

class RankingsTest : public ::testing::Test, protected GameDirFiles {
 protected:
  FakePlatform fake;
  RankingsTest() { DoorSession.PipeWrite = false; }

  // Loads the text as a rankings file and gives back what saving it writes
  // (without a header).
  std::string RoundTrip(const std::string& text) {
    Put("in.dat", text);
    TPvPRankings table;
    table.LoadFromFile(Path("in.dat"));
    EXPECT_TRUE(table.SaveToFile(Path("out.dat"), ""));
    return Get("out.dat");
  }
  void Finish(const std::string& alias1, const std::string& name1, int32_t score1,
              const std::string& alias2, const std::string& name2, int32_t score2, bool player1Won,
              int32_t months) {
    TPlayer p1("King", name1, true), p2("Queen", name2, true);
    p1.Score = score1;
    p2.Score = score2;
    UpdatePvPRankings(p1, alias1, p2, alias2, player1Won, months);
  }
};

// A ten-line record: alias, name, games, wins, losses, score, shortest win,
// longest game, months played, last played.
std::string Record(const std::string& alias, const std::string& name, int games, int wins,
                   int losses, int score, int shortest, int longest, int months,
                   const std::string& last = kNow) {
  std::string text = alias + "\n" + name + "\n";
  for (int n : {games, wins, losses, score, shortest, longest, months}) {
    text += std::to_string(n) + "\n";
  }
  return text + last + "\n";
}

TEST_F(RankingsTest, FirstGameEverCreatesBothTables) {
  Finish("Ann", "Arthur", 500, "Bob", "Morgana", 0, false, 12);
  const std::string body = "2\n" + Record("Ann", "Arthur", 1, 0, 1, 500, 0, 12, 12) +
                           Record("Bob", "Morgana", 1, 1, 0, 0, 12, 12, 12);
  EXPECT_EQ(Get("qgs-pvp-monthly.dat"), kNow + "\n" + body);
  EXPECT_EQ(Get("qgs-pvp-alltime.dat"), body);
  EXPECT_FALSE(FileExists(Path("qgs-pvp-last.dat")));
}

TEST_F(RankingsTest, LaterGamesAddUpInBothTables) {
  // Ann won in 9 months before; her win in 12 keeps the shortest at 9 and
  // makes 12 the longest. "ann" is someone else; Cid is new and comes after.
  const std::string before = "2\n" + Record("Ann", "Old Name", 1, 1, 0, 40, 9, 9, 9, "1-12-26") +
                             Record("ann", "Other", 1, 0, 1, 5, 0, 9, 9, "1-12-26");
  Put("qgs-pvp-monthly.dat", "2-12-26 08:00:00\n" + before);
  Put("qgs-pvp-alltime.dat", before);
  fake.Advance(60000);
  Finish("Ann", "Arthur", 70, "Cid", "Lancelot", 3, true, 12);
  const std::string after = "3\n" +
                            Record("Ann", "Arthur", 2, 2, 0, 110, 9, 12, 21, "9-12-26 12:01:00") +
                            Record("ann", "Other", 1, 0, 1, 5, 0, 9, 9, "1-12-26") +
                            Record("Cid", "Lancelot", 1, 0, 1, 3, 0, 12, 12, "9-12-26 12:01:00");
  EXPECT_EQ(Get("qgs-pvp-monthly.dat"), "9-12-26 12:01:00\n" + after);
  EXPECT_EQ(Get("qgs-pvp-alltime.dat"), after);
}

TEST_F(RankingsTest, CountersStopAtTheInt32Limits) {
  const std::string before =
      "1\n" + Record("Ann", "A", INT_MAX, INT_MAX, 0, INT_MAX - 5, 3, 20, INT_MAX - 1);
  Put("qgs-pvp-alltime.dat", before);
  Finish("Ann", "Arthur", 100, "Bob", "B", -7, true, 10);
  EXPECT_EQ(Get("qgs-pvp-alltime.dat"),
            "2\n" + Record("Ann", "Arthur", INT_MAX, INT_MAX, 0, INT_MAX, 3, 20, INT_MAX) +
                Record("Bob", "B", 1, 0, 1, -7, 0, 10, 10));
}

TEST_F(RankingsTest, ANewMonthMovesTheOldTableToLastMonthsFile) {
  const std::string november = "30-11-26 23:59:59\n1\n" + Record("Ann", "A", 4, 3, 1, 90, 5, 9, 30);
  Put("qgs-pvp-monthly.dat", november);
  Put("qgs-pvp-last.dat", "an older archive\n");
  Put("qgs-pvp-alltime.dat", "1\n" + Record("Ann", "A", 4, 3, 1, 90, 5, 9, 30));
  Finish("Bob", "B", 8, "Ann", "A", 2, true, 6);
  EXPECT_EQ(Get("qgs-pvp-last.dat"), november);
  EXPECT_EQ(Get("qgs-pvp-monthly.dat"), kNow + "\n2\n" + Record("Bob", "B", 1, 1, 0, 8, 6, 6, 6) +
                                            Record("Ann", "A", 1, 0, 1, 2, 0, 6, 6));
  EXPECT_EQ(Get("qgs-pvp-alltime.dat"), "2\n" + Record("Ann", "A", 5, 3, 2, 92, 5, 9, 36) +
                                            Record("Bob", "B", 1, 1, 0, 8, 6, 6, 6));
}

TEST_F(RankingsTest, TheSameMonthOfAnotherYearIsANewMonthToo) {
  Put("qgs-pvp-monthly.dat", "9-12-25 12:00:00\n1\n" + Record("Ann", "A", 1, 1, 0, 9, 5, 5, 5));
  Finish("Bob", "B", 8, "Cid", "C", 2, true, 6);
  const std::string start = kNow + "\n2\nBob\n";
  EXPECT_EQ(Get("qgs-pvp-monthly.dat").substr(0, start.size()), start);
  EXPECT_TRUE(FileExists(Path("qgs-pvp-last.dat")));
}

TEST_F(RankingsTest, AMonthlyTableWithoutHeaderIsTakenAsThisMonths) {
  Put("qgs-pvp-monthly.dat", "1\n" + Record("Ann", "A", 1, 1, 0, 9, 5, 5, 5));
  Finish("Bob", "B", 8, "Ann", "A", 2, true, 6);
  EXPECT_EQ(Get("qgs-pvp-monthly.dat"), kNow + "\n2\n" + Record("Ann", "A", 2, 1, 1, 11, 5, 6, 11) +
                                            Record("Bob", "B", 1, 1, 0, 8, 6, 6, 6));
  EXPECT_FALSE(FileExists(Path("qgs-pvp-last.dat")));
}

// Damaged and older files: what a load keeps, shown by saving it again.
TEST_F(RankingsTest, LoadsEveryLayoutAndKeepsWhatADamagedFileHolds) {
  const std::string ann = Record("Ann", "A", 3, 2, 1, 50, 4, 9, 20, "8-12-26 01:38:48");
  const std::string annNineLines = "Ann\nA\n3\n2\n1\n50\n4\n9\n8-12-26 01:38:48\n";
  const std::string annOldLayout = Record("Ann", "A", 3, 2, 1, 50, 4, 9, 0, "8-12-26 01:38:48");
  const std::string bob = Record("Bob", "B", 1, 0, 1, 7, 0, 5, 5, "1-1-27");
  struct Case {
    const char* what;
    std::string file, saved;
  } cases[] = {
      {"header and ten-line records", "8-12-26 01:38:48\n2\n" + ann + bob, "2\n" + ann + bob},
      {"no header", "2\n" + ann + bob, "2\n" + ann + bob},
      {"nine-line record", "2\n" + annNineLines + bob, "2\n" + annOldLayout + bob},
      {"nine-line record dated exactly midnight", "2\nBob\nB\n1\n0\n1\n7\n0\n5\n1-1-27\n" + ann,
       "2\n" + Record("Bob", "B", 1, 0, 1, 7, 0, 5, 0, "1-1-27") + ann},
      {"empty file", "", "0\n"},
      {"count only", "8-12-26 01:38:48\n", "0\n"},
      {"count not a number", "lots\n" + ann, "0\n"},
      {"negative count", "-3\n" + ann, "0\n"},
      {"header that is no date-time", "12:xx\n" + ann, "0\n"},
      {"count of two billion", "2000000000\n" + ann + bob, "2\n" + ann + bob},
      {"count larger than the records", "3\n" + ann, "1\n" + ann},
      {"count smaller than the records", "1\n" + ann + bob, "1\n" + ann},
      {"cut after the alias", "2\n" + ann + "Bob\n",
       "2\n" + ann + Record("Bob", "", 0, 0, 0, 0, 0, 0, 0)},
      {"cut inside the numbers", "1\nBob\nB\n1\n0\n",
       "1\n" + Record("Bob", "B", 1, 0, 0, 0, 0, 0, 0)},
      {"cut before the date", "1\nBob\nB\n1\n0\n1\n7\n0\n5\n5\n",
       "1\n" + Record("Bob", "B", 1, 0, 1, 7, 0, 5, 5)},
      {"damaged number ends the load", "3\n" + ann + "Bob\nB\n1\nzero\n1\n" + ann,
       "2\n" + ann + Record("Bob", "B", 1, 0, 0, 0, 0, 0, 0)},
      {"damaged date", "1\nBob\nB\n1\n0\n1\n7\n0\n5\n5\n31-2-26 10:00:00\n",
       "1\n" + Record("Bob", "B", 1, 0, 1, 7, 0, 5, 0)},
      {"months played not a number", "1\nBob\nB\n1\n0\n1\n7\n0\n5\nfive\n1-1-27\n",
       "1\n" + Record("Bob", "B", 1, 0, 1, 7, 0, 5, 0, "1-1-27")},
      {"numbers beyond int32", "1\nBob\nB\n99999999999\n0\n1\n-99999999999\n0\n5\n5\n1-1-27\n",
       "1\n" + Record("Bob", "B", INT_MAX, 0, 1, INT_MIN, 0, 5, 5, "1-1-27")},
      {"control characters in names", "1\nB\x1b[2Job\nB\x07\n1\n0\n1\n7\n0\n5\n5\n1-1-27\n",
       "1\n" + Record("B[2Job", "B", 1, 0, 1, 7, 0, 5, 5, "1-1-27")},
      {"CRLF line ends", "1\r\nBob\r\nB\r\n1\r\n0\r\n1\r\n7\r\n0\r\n5\r\n5\r\n1-1-27\r\n",
       "1\n" + bob},
      {"CR line ends, the last line without", "1\rBob\rB\r1\r0\r1\r7\r0\r5\r5\r1-1-27",
       "1\n" + bob},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundTrip(c.file), c.saved) << c.what;
}

TEST_F(RankingsTest, MissingFileGivesAnEmptyTable) {
  TPvPRankings table;
  table.UpdatePlayer("Ann", "A", true, 1, 1);
  table.LoadFromFile(Path("nothing.dat"));
  EXPECT_EQ(table.PlayerCount(), 0);
}

TEST_F(RankingsTest, FindAndGetPlayer) {
  TPvPRankings table;
  table.UpdatePlayer("Ann", "A", true, 10, 4);
  table.UpdatePlayer("ann", "a", false, 3, 4);
  EXPECT_EQ(table.FindPlayer("Ann"), 0);
  EXPECT_EQ(table.FindPlayer("ann"), 1);
  EXPECT_EQ(table.FindPlayer("ANN"), -1);
  EXPECT_EQ(table.GetPlayer(1).DisplayName, "a");
  fake.Advance(1000);
  for (int32_t outside : {-1, 2, INT_MAX}) {
    const TPvPPlayerRecord r = table.GetPlayer(outside);
    EXPECT_EQ(r.Alias, "");
    EXPECT_EQ(r.TotalGames, 0);
    EXPECT_DOUBLE_EQ(r.LastPlayed, Now());
  }
}

std::vector<std::string> Aliases(const std::vector<TPvPPlayerRecord>& list) {
  std::vector<std::string> out;
  for (const TPvPPlayerRecord& r : list) out.push_back(r.Alias);
  return out;
}

TEST_F(RankingsTest, SortsWithTheExchangeSort) {
  // Bob and Cid tie on score: the exchange sort puts Cid first, where a
  // stable sort would keep Bob first. The same table by wins.
  TPvPRankings table;
  table.UpdatePlayer("Ann", "", false, 1, 1);
  table.UpdatePlayer("Bob", "", false, 2, 1);
  table.UpdatePlayer("Cid", "", false, 2, 1);
  table.UpdatePlayer("Dee", "", false, 3, 1);
  std::vector<TPvPPlayerRecord> sorted;
  table.GetSortedByScore(sorted);
  EXPECT_EQ(Aliases(sorted), (std::vector<std::string>{"Dee", "Cid", "Bob", "Ann"}));
  for (const char* alias : {"Bob", "Cid", "Bob", "Cid", "Dee", "Dee", "Dee"}) {
    table.UpdatePlayer(alias, "", true, 0, 1);
  }
  table.UpdatePlayer("Ann", "", true, 0, 1);
  table.GetSortedByWins(sorted);  // wins 1, 2, 2, 3
  EXPECT_EQ(Aliases(sorted), (std::vector<std::string>{"Dee", "Cid", "Bob", "Ann"}));
}

// The rankings' exchange sort as it always ran, kept here as the reference
// for the order it leaves among equal keys.
std::vector<size_t> ReferenceExchangeSort(const std::vector<int32_t>& keys) {
  std::vector<size_t> order(keys.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    for (size_t j = i + 1; j < order.size(); ++j) {
      if (keys[order[j]] > keys[order[i]]) std::swap(order[i], order[j]);
    }
  }
  return order;
}

TEST(ExchangeSortOrder, LeavesEqualKeysExactlyAsTheExchangeSortDoes) {
  // Tables full of ties, from a few distinct keys to nearly all distinct.
  std::mt19937 draw(20261211);
  for (size_t size : {0, 1, 2, 3, 5, 8, 13, 40, 100, 333}) {
    for (int32_t spread : {1, 2, 3, 5, 20, 1000}) {
      for (int seed = 0; seed < 20; ++seed) {
        std::vector<int32_t> keys(size);
        for (int32_t& k : keys) k = static_cast<int32_t>(draw() % static_cast<uint32_t>(spread));
        ASSERT_EQ(ExchangeSortOrder(keys), ReferenceExchangeSort(keys))
            << size << " entries, keys 0.." << spread - 1 << ", seed " << seed;
      }
    }
  }
  const std::vector<int32_t> extremes = {0, INT32_MIN, INT32_MAX, -1, INT32_MAX, INT32_MIN, 0, 0};
  EXPECT_EQ(ExchangeSortOrder(extremes), ReferenceExchangeSort(extremes));
  // Ascending keys: every pass exchanges all the way along.
  std::vector<int32_t> ascending;
  for (int32_t k = 0; k < 300; ++k) ascending.push_back(k / 3);
  EXPECT_EQ(ExchangeSortOrder(ascending), ReferenceExchangeSort(ascending));
}

std::string Title(const std::string& title) {
  // DoorWriteCentered: to the left edge, then right to column (80 - length) / 2.
  return A(15) + E + "255D" + E + std::to_string((80 - title.size()) / 2 - 1) + "C" + title +
         "\r\n";
}

TEST_F(RankingsTest, RankingsScreenByteForByte) {
  Put("qgs-pvp-monthly.dat",
      "8-12-26 01:38:48\n5\n" + Record("Ann", "A", 1, 0, 1, 1, 0, 7, 7) +
          Record("Bob", "B", 4, 3, 1, 2, 5, 9, 26) + Record("Cid", "C", 3, 1, 2, 2, 8, 8, 24) +
          Record("Lord Wigglesworth-Smythe III", "L", 2, 2, 0, 1234567, 3, 4, 7) +
          Record("Eve", "E", 0, 0, 0, 0, 0, 0, 0));
  ShowPvPRankings(true);
  EXPECT_EQ(
      fake.TakeOut(),
      E + "2J" + E + "1;1f" + "\r\n" + Title("* PvP Rankings for December *") + A(10) +
          "Rank  Player                 Games  Wins  Losses  Win %  Avg Months    Score\r\n" +
          kRule + "\r\n" +
          "  1   Lord Wigglesworth-Smythe III     2     2       0  100 %        3     1,234,567\r\n"
          "  2   Cid                        3     1       2   33 %        8             2\r\n"
          "  3   Bob                        4     3       1   75 %        6             2\r\n"
          "  4   Ann                        1     0       1    0 %        7             1\r\n"
          "  5   Eve                        0     0       0    0 %        0             0\r\n" +
          kRule + "\r\n\r\n");
}

TEST_F(RankingsTest, RankingsScreenWithoutGames) {
  ShowPvPRankings(false);
  EXPECT_EQ(fake.TakeOut(), E + "2J" + E + "1;1f" + "\r\n" + Title("* All-Time PvP Rankings *") +
                                A(14) + "No PvP games have been completed yet.\r\n\r\n");
}

TEST_F(RankingsTest, MonthlyScreenShowsTheFileUnderThisMonthsName) {
  // November's table, before December's first game: shown as it is.
  Put("qgs-pvp-monthly.dat", "30-11-26 10:00:00\n1\n" + Record("Ann", "A", 1, 1, 0, 5, 2, 2, 2));
  ShowPvPRankings(true);
  const std::string out = fake.TakeOut();
  EXPECT_NE(out.find("* PvP Rankings for December *"), std::string::npos);
  EXPECT_NE(out.find("  1   Ann "), std::string::npos);
  EXPECT_FALSE(FileExists(Path("qgs-pvp-last.dat")));
}

TEST_F(RankingsTest, MonthlyRoyalty) {
  struct Case {
    const char* what;
    std::string file;  // "" for no file
    std::string royalty;
  } cases[] = {
      {"no file", "", "No one yet"},
      {"no players", kNow + "\n0\n", "No one yet"},
      {"most wins has the best percentage too",
       "2\n" + Record("Ann", "", 4, 3, 1, 0, 0, 0, 0) + Record("Bob", "", 3, 1, 2, 0, 0, 0, 0),
       "Ann"},
      {"most wins, best percentage elsewhere",
       "2\n" + Record("Ann", "", 10, 4, 6, 0, 0, 0, 0) + Record("Bob", "", 3, 3, 0, 0, 0, 0, 0),
       "Ann (wins) / Bob (%)"},
      {"nobody has played 3 games",
       "2\n" + Record("Ann", "", 2, 1, 1, 0, 0, 0, 0) + Record("Bob", "", 2, 2, 0, 0, 0, 0, 0),
       "Bob (wins) / No one yet (%)"},
      {"nobody has won", "1\n" + Record("Ann", "", 5, 0, 5, 0, 0, 0, 0), "No one yet"},
      // Equal percentages: the first in wins order keeps the title.
      {"equal percentages",
       "2\n" + Record("Ann", "", 4, 2, 2, 0, 0, 0, 0) + Record("Bob", "", 6, 3, 3, 0, 0, 0, 0),
       "Bob"},
  };
  for (const Case& c : cases) {
    DeleteFile(Path("qgs-pvp-monthly.dat"));
    if (!c.file.empty()) Put("qgs-pvp-monthly.dat", c.file);
    EXPECT_EQ(GetMonthlyRoyalty(), c.royalty) << c.what;
  }
}

}  // namespace

#include "game/records/gamedata.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "game/common/datafile.h"
#include "support/fake_platform.h"
#include "support/file_text.h"

namespace {

class GameDataTest : public ::testing::Test {
 protected:
  FakePlatform fake;
  std::string path = fake.gameDir + "qgs.dat";

  static TGameData Read() {
    TGameData d;
    d.LastMonths = 99;  // must be cleared
    d.LastWinner = "stale";
    ReadGameData(d);
    return d;
  }
};

const char* const kFullFile =
    "7\nKing Arthur\nKing Computer\n"
    "31\nQueen Maud\nKing Computer\n"
    "12\nKing Computer\nQueen Maud\n";

TEST_F(GameDataTest, WritesNineLinesInFieldOrder) {
  TGameData d{7,  "King Arthur",   "King Computer", 31, "Queen Maud", "King Computer",
              12, "King Computer", "Queen Maud"};
  WriteGameData(d);
  EXPECT_EQ(TextOf(path), kFullFile);
  EXPECT_FALSE(FileExists(path + ".lock"));  // a lone write takes no lock
}

TEST_F(GameDataTest, ReadsWhatItWrote) {
  PutText(path, kFullFile);
  TGameData d = Read();
  EXPECT_EQ(d.ShortestMonths, 7);
  EXPECT_EQ(d.ShortestWinner, "King Arthur");  // blanks kept
  EXPECT_EQ(d.ShortestLoser, "King Computer");
  EXPECT_EQ(d.LongestMonths, 31);
  EXPECT_EQ(d.LongestWinner, "Queen Maud");
  EXPECT_EQ(d.LongestLoser, "King Computer");
  EXPECT_EQ(d.LastMonths, 12);
  EXPECT_EQ(d.LastWinner, "King Computer");
  EXPECT_EQ(d.LastLoser, "Queen Maud");
}

TEST_F(GameDataTest, ReadingStopsQuietlyAtTheEndOrAtABadNumber) {
  struct Case {
    const char* file;
    int32_t shortest, longest, last;
    const char *shortestWinner, *longestLoser, *lastLoser;
  } const cases[] = {
      // short files: what is there is read, the rest stays empty
      {"7\nKing Arthur\nKing Computer\n", 7, 0, 0, "King Arthur", "", ""},
      {"7\nKing Arthur\nKing Computer\n31\nQueen Maud", 7, 31, 0, "King Arthur", "", ""},
      {"", 0, 0, 0, "", "", ""},
      // a first line that is no number leaves every record empty
      {"seven\nKing Arthur\nKing Computer\n31\nQ\nK\n12\nK\nQ\n", 0, 0, 0, "", "", ""},
      {"\nKing Arthur\n", 0, 0, 0, "", "", ""},
      // a bad number further on keeps what came before it
      {"7\nA B\nC D\nlots\nQ\nK\n12\nK\nQ\n", 7, 0, 0, "A B", "", ""},
      // leading blanks and trailing words on number lines; CRLF line ends
      {"  7 months\r\nA B\r\nC D\r\n\t31\r\nQ\r\nK K\r\n12\r\nK\r\nQ Q\r\n", 7, 31, 12, "A B",
       "K K", "Q Q"},
      // the rest of a number line is ignored even without a blank
      {"12abc\nA\nB\n4x\nC\nD\n-\nE\nF\n", 12, 4, 0, "A", "D", ""},
      // a huge number is clamped, not wrapped
      {"99999999999\nA\nB\n", INT32_MAX, 0, 0, "A", "", ""},
  };
  for (const Case& c : cases) {
    PutText(path, c.file);
    TGameData d = Read();
    EXPECT_EQ(d.ShortestMonths, c.shortest) << c.file;
    EXPECT_EQ(d.LongestMonths, c.longest) << c.file;
    EXPECT_EQ(d.LastMonths, c.last) << c.file;
    EXPECT_EQ(d.ShortestWinner, c.shortestWinner) << c.file;
    EXPECT_EQ(d.LongestLoser, c.longestLoser) << c.file;
    EXPECT_EQ(d.LastLoser, c.lastLoser) << c.file;
  }
}

TEST_F(GameDataTest, NamesLoseTheirControlCharacters) {
  // The names are shown after every game; none may drive the terminal.
  PutText(path, "7\nKing \x1b[2JArthur\x07\nKing Computer\x7f\n");
  TGameData d = Read();
  EXPECT_EQ(d.ShortestWinner, "King [2JArthur");
  EXPECT_EQ(d.ShortestLoser, "King Computer");
}

TEST_F(GameDataTest, AMissingFileReadsAsNoRecords) {
  TGameData d = Read();
  EXPECT_EQ(d.ShortestMonths, 0);
  EXPECT_EQ(d.LastMonths, 0);
  EXPECT_EQ(d.LastWinner, "");
  EXPECT_FALSE(FileExists(path));
}

TEST_F(GameDataTest, UpdateChangesWhatIsOnFileAndReturnsTheResult) {
  PutText(path, kFullFile);
  int calls = 0;
  TGameData result;
  EXPECT_TRUE(UpdateGameData(
      [&](TGameData& d) {
        ++calls;
        EXPECT_EQ(d.LongestMonths, 31);  // the change sees the file's records
        d.LastMonths = 3;
        d.LastWinner = "Sir Bob";
        d.LastLoser = "King Computer";
      },
      result));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(result.ShortestMonths, 7);
  EXPECT_EQ(result.LastWinner, "Sir Bob");
  EXPECT_EQ(TextOf(path),
            "7\nKing Arthur\nKing Computer\n"
            "31\nQueen Maud\nKing Computer\n"
            "3\nSir Bob\nKing Computer\n");
}

TEST_F(GameDataTest, UnreadableRecordsAreLeftAloneAndTheUpdateSaysSo) {
  // A folder in the file's place opens but cannot be read.
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  TGameData result;
  result.LastMonths = 99;
  EXPECT_FALSE(UpdateGameData([](TGameData& d) { d.LastMonths = 3; }, result));
  EXPECT_EQ(result.LastMonths, 0);  // what could be read: nothing
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(GameDataTest, TheFirstGameOnAFreshSystemFillsAllThreeRecords) {
  TGameData result;
  UpdateGameData(
      [](TGameData& d) {
        EXPECT_EQ(d.ShortestMonths, 0);
        d = TGameData{12, "Sir Bob", "King Computer", 12, "Sir Bob", "King Computer",
                      12, "Sir Bob", "King Computer"};
      },
      result);
  EXPECT_EQ(TextOf(path),
            "12\nSir Bob\nKing Computer\n12\nSir Bob\nKing Computer\n"
            "12\nSir Bob\nKing Computer\n");
}

TEST(RecordRules, ATieSetsTheRecordAndEveryGameIsTheLast) {
  const TGameData onFile{7,  "King Arthur",   "King Computer", 31, "Queen Maud", "King Computer",
                         12, "King Computer", "Queen Maud"};
  struct Case {
    TGameData before;
    int32_t months;
    bool shortest, longest;
  } const cases[] = {
      {TGameData{}, 12, true, true},  // nothing on record yet
      {onFile, 7, true, false},       // as short as the shortest
      {onFile, 31, false, true},      // as long as the longest
      {onFile, 12, false, false},    {onFile, 1, true, false}, {onFile, 40, false, true},
  };
  for (const Case& c : cases) {
    TGameData d = c.before;
    bool shortest = !c.shortest, longest = !c.longest;
    ApplyRecordRules(d, c.months, "Sir Bob", "King Computer", shortest, longest);
    SCOPED_TRACE(c.months);
    EXPECT_EQ(shortest, c.shortest);
    EXPECT_EQ(longest, c.longest);
    EXPECT_EQ(d.ShortestMonths, c.shortest ? c.months : c.before.ShortestMonths);
    EXPECT_EQ(d.ShortestWinner, c.shortest ? "Sir Bob" : c.before.ShortestWinner);
    EXPECT_EQ(d.LongestMonths, c.longest ? c.months : c.before.LongestMonths);
    EXPECT_EQ(d.LongestLoser, c.longest ? "King Computer" : c.before.LongestLoser);
    EXPECT_EQ(d.LastMonths, c.months);
    EXPECT_EQ(d.LastWinner, "Sir Bob");
    EXPECT_EQ(d.LastLoser, "King Computer");
  }
}

}  // namespace

// Whole Klassic games against King Computer, played in-process with
// scripted keys and draws: the set-up draws fix both kingdoms and who moves
// first, and assassins that pass every guard end the games.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "doorkit/ansi.h"
#include "game/kingdom/klassic.h"
#include "game/kingdom/kingdoms_fixture.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Shows(const std::string& out, const std::string& text) {
  return out.find(text) != std::string::npos;
}

class KlassicTest : public KingdomsTest {
 protected:
  // The draws of a kingdom's starting forces that give exactly f.
  void DrawsFor(const TForces& f) {
    for (int64_t v :
         {f.Kastle - 12500, f.Soldiers - 1750, f.Civilians - 12500, f.Gronels - 200,
          f.Slingards - 0, f.Assassins - 1, f.Guards - 8, f.Gold - 17500, f.Food - 200000}) {
      fake.Draws({v});
    }
  }

  // King Computer's forces, the caller's, who moves first (0: the caller).
  void StartWith(const TForces& computer, const TForces& caller, int firstMover) {
    fake.drawsAsked.clear();
    DrawsFor(computer);
    DrawsFor(caller);
    fake.Draws({firstMover});
  }

  // Every guard of n passed (a draw of 2 is "passed").
  void AssassinPasses(int guards) {
    for (int i = 0; i < guards; ++i) fake.Draws({2});
  }

  std::string Game(const std::string& keys) {
    fake.TakeOut();
    fake.Keys(keys);
    PlayGame();
    return fake.TakeOut();
  }

  std::string Records() { return ReadFile(fake.gameDir + "qgs.dat"); }
};

const TForces kWeakGuard = {15000, 3000, 14000, 250, 0, 1, 8, 18000, 250000};
const TForces kStrongGuard = {15000, 3000, 14000, 250, 0, 2, 22, 18000, 250000};

TEST_F(KlassicTest, ASessionOfWinLossSurrenderAndALongerWin) {
  // 1. The caller moves first and her assassin gets past all 8 guards.
  StartWith(kWeakGuard, kStrongGuard, 0);
  AssassinPasses(8);
  std::string out = Game("Axxx");
  EXPECT_EQ(std::vector<int64_t>(fake.drawsAsked.begin(), fake.drawsAsked.begin() + 19),
            (std::vector<int64_t>{10000, 3500, 5000, 100, 2, 4, 15, 2500, 100000, 10000, 3500, 5000,
                                  100, 2, 4, 15, 2500, 100000, 2}));
  EXPECT_EQ(Wins, 1);
  EXPECT_EQ(Losses, 0);
  EXPECT_EQ(Computer, nullptr);
  EXPECT_TRUE(Shows(out, "Hail to the new Queen of the empire!"));
  EXPECT_TRUE(Shows(out, "King Computer got 0 points and you got 8000 points for this game."));
  EXPECT_TRUE(Shows(out, "This is the shortest game to date!!!!"));
  EXPECT_TRUE(Shows(out, "This is the longest game to date!!!!"));
  EXPECT_TRUE(Shows(out, "It took you 1 months to beat King Computer this game."));
  EXPECT_TRUE(Shows(out, "The last game lasted 1 months won by Queen Tess vs. King Computer."));
  EXPECT_TRUE(Shows(out, "The longest game was 1 months won by Queen Tess vs. King Computer."));
  EXPECT_TRUE(Shows(out, "The shortest game was 1 months won by Queen Tess vs. King Computer."));
  EXPECT_TRUE(Shows(out, "You won 1 games and King Computer won 0 games this session."));
  EXPECT_EQ(Records(),
            "1\nQueen Tess\nKing Computer\n1\nQueen Tess\nKing Computer\n"
            "1\nQueen Tess\nKing Computer\n");
  fake.Keys("zY");
  EXPECT_TRUE(PlayAgain());

  // 2. King Computer moves first; his assassin gets past her 8 guards. An
  //    equal game takes both records.
  StartWith({15000, 3000, 14000, 250, 0, 1, 20, 18000, 250000},
            {15000, 3000, 14000, 250, 0, 2, 8, 18000, 250000}, 1);
  AssassinPasses(8);
  out = Game("xxx");
  EXPECT_EQ(Losses, 1);
  EXPECT_TRUE(Shows(out, "*  King Computer's Turn  *"));
  EXPECT_FALSE(Shows(out, "*  Your Turn  *            "));
  EXPECT_FALSE(Shows(out, "Hail to the new"));
  EXPECT_TRUE(Shows(out, "King Computer got 8000 points and you got 0 points for this game."));
  EXPECT_TRUE(Shows(out, "This is the shortest game to date!!!!"));
  EXPECT_TRUE(Shows(out, "This is the longest game to date!!!!"));
  EXPECT_TRUE(Shows(out, "It took King Computer 1 months to beat you this game."));
  EXPECT_EQ(Records(),
            "1\nKing Computer\nQueen Tess\n1\nKing Computer\nQueen Tess\n"
            "1\nKing Computer\nQueen Tess\n");
  fake.Keys("y");
  EXPECT_TRUE(PlayAgain());

  // 3. She surrenders at once: a loss that leaves the records alone.
  StartWith(kWeakGuard, kStrongGuard, 0);
  out = Game("QYxx");
  EXPECT_EQ(Losses, 2);
  EXPECT_TRUE(Shows(out,
                    "King Computer got 0 points and you got 0 points for this game."
                    "\r\n\r\n"));
  EXPECT_TRUE(Shows(out, "\x1b[255D" + std::string(19, ' ')));
  EXPECT_FALSE(Shows(out, "game to date!!!!"));
  EXPECT_TRUE(Shows(out, "It took King Computer 1 months to beat you this game."));
  EXPECT_TRUE(Shows(out, "The last game lasted 1 months won by King Computer vs. Queen Tess."));
  EXPECT_TRUE(Shows(out, "You won 1 games and King Computer won 2 games this session."));
  EXPECT_EQ(Records(),
            "1\nKing Computer\nQueen Tess\n1\nKing Computer\nQueen Tess\n"
            "1\nKing Computer\nQueen Tess\n");
  fake.Keys("Y");
  EXPECT_TRUE(PlayAgain());

  // 4. She passes; outnumbered, King Computer drafts (no draws); in month 2
  //    her assassin gets past his 8 guards. A new longest game only.
  StartWith({15000, 1750, 12500, 250, 0, 1, 8, 18000, 250000},
            {15000, 5249, 14000, 250, 0, 2, 22, 18000, 250000}, 0);
  AssassinPasses(8);
  out = Game("PYxxAxxx");
  EXPECT_TRUE(Shows(out, "Drafting 4500 civilians into the army."));
  EXPECT_TRUE(Shows(out, "*  Month # 2  *"));
  EXPECT_EQ(Wins, 2);
  EXPECT_FALSE(Shows(out, "This is the shortest game to date!!!!"));
  EXPECT_TRUE(Shows(out, "This is the longest game to date!!!!"));
  EXPECT_TRUE(Shows(out, "It took you 2 months to beat King Computer this game."));
  EXPECT_TRUE(Shows(out, "The longest game was 2 months won by Queen Tess vs. King Computer."));
  EXPECT_TRUE(Shows(out, "The shortest game was 1 months won by King Computer vs. Queen Tess."));
  EXPECT_TRUE(Shows(out, "You won 2 games and King Computer won 2 games this session."));
  EXPECT_EQ(Records(),
            "1\nKing Computer\nQueen Tess\n2\nQueen Tess\nKing Computer\n"
            "2\nQueen Tess\nKing Computer\n");
  fake.Keys("N");
  EXPECT_FALSE(PlayAgain());

  // The month's scores: her 2 wins, 2 losses and 16,000 points; his 8,000.
  std::vector<std::string> user;
  std::istringstream lines(ReadFile(fake.gameDir + "qgs-user.dat"));
  for (std::string line; std::getline(lines, line);) user.push_back(line);
  ASSERT_EQ(user.size(), 6u);
  EXPECT_EQ(user[0].substr(0, 8), "9-12-26 ");
  EXPECT_EQ(std::vector<std::string>(user.begin() + 1, user.end()),
            (std::vector<std::string>{"8000", "Sir Tester", "2", "2", "16000"}));
  std::string board = ReadFile(fake.gameDir + "qgs-best.asc");
  EXPECT_TRUE(Shows(board, "* Gronels and Slingards Scoreboard for the Month of December *"));
  EXPECT_TRUE(Shows(board, "  1   Sir Tester                 4     2       2   50 %      16,000"));
  EXPECT_TRUE(Shows(board,
                    "  1   All Users                  4     2       2   50 %      16,000\n"
                    "  2   King Computer              4     2       2   50 %       8,000"));
  // The scoreboard was shown at the end of the game.
  EXPECT_TRUE(Shows(out, "  1   Sir Tester                 4     2       2   50 %      16,000"));
}

// This month's board as ShowScoreboard types it.
std::string Board(const std::string& file) {
  std::string shown = A(2);
  std::istringstream lines(file);
  for (std::string line; std::getline(lines, line);) shown += line + "\r\n";
  return shown;
}

// From the score line to the session tally: colours, pauses and the order
// of the records, for a win, a loss and a surrender.
TEST_F(KlassicTest, TheCloseOfEachKindOfGame) {
  Music = false;
  const std::string pause = A(10) + "*[ Press any Key ]*" + A(10);
  const std::string herWin = " months won by Queen Tess vs. King Computer.\r\n";
  const std::string hisWin = " months won by King Computer vs. Queen Tess.\r\n";

  StartWith(kWeakGuard, kStrongGuard, 0);
  AssassinPasses(8);
  std::string out = Game("Axxx");
  EXPECT_TRUE(Shows(
      out, "\r\n" + A(138) + "Hail to the new Queen of the empire!\r\n" + A(10, kAfterBlink)));
  std::string close =
      A(15) + "King Computer got 0 points and you got 8000 points for this game.\r\n\r\n" + pause +
      "\r\n" + A(2) + Board(ReadFile(fake.gameDir + "qgs-best.asc")) + pause + "\r\n" + "\r\n" +
      A(142) + "This is the shortest game to date!!!!\r\n\r\n" + "\r\n" + A(142) +
      "This is the longest game to date!!!!\r\n\r\n" + "\r\n" + A(15, kAfterBlink) +
      "It took you 1 months to beat King Computer this game.\r\n" + "The last game lasted 1" +
      herWin + "\r\n" + A(3) + "The longest game was 1" + herWin + "The shortest game was 1" +
      herWin + "\r\n" + A(13) + "You won 1 games and King Computer won 0 games this session.\r\n";
  ASSERT_GE(out.size(), close.size());
  EXPECT_EQ(out.substr(out.size() - close.size()), close);

  // King Computer wins in play: the board in colour 3 first; an equal game
  // takes both records.
  StartWith({15000, 3000, 14000, 250, 0, 1, 20, 18000, 250000},
            {15000, 3000, 14000, 250, 0, 2, 8, 18000, 250000}, 1);
  AssassinPasses(8);
  out = Game("xxx");
  close = A(15) + "King Computer got 8000 points and you got 0 points for this game.\r\n\r\n" +
          pause + "\r\n" + A(3) + Board(ReadFile(fake.gameDir + "qgs-best.asc")) + pause + "\r\n" +
          "\r\n" + A(142) + "This is the shortest game to date!!!!\r\n\r\n" + "\r\n" + A(142) +
          "This is the longest game to date!!!!\r\n\r\n" + "\r\n" + A(15, kAfterBlink) +
          "It took King Computer 1 months to beat you this game.\r\n" + "The last game lasted 1" +
          hisWin + "\r\n" + A(3) + "The longest game was 1" + hisWin + "The shortest game was 1" +
          hisWin + "\r\n" + A(13) +
          "You won 1 games and King Computer won 1 games this session.\r\n";
  ASSERT_GE(out.size(), close.size());
  EXPECT_EQ(out.substr(out.size() - close.size()), close);

  // A surrender: the prompt blanked out, the board in colour 2, no records.
  StartWith(kWeakGuard, kStrongGuard, 0);
  out = Game("QYxx");
  close = "QUIT!? (You Lose) Are you SURE? -=> Y\r\n" + std::string("\r\n") + A(15) +
          "King Computer got 0 points and you got 0 points for this game.\r\n\r\n" + pause +
          AnsiGotoX(0) + std::string(19, ' ') + A(2) +
          Board(ReadFile(fake.gameDir + "qgs-best.asc")) + pause + "\r\n" + "\r\n" + A(15) +
          "It took King Computer 1 months to beat you this game.\r\n" + "The last game lasted 1" +
          hisWin + "\r\n" + A(3) + "The longest game was 1" + hisWin + "The shortest game was 1" +
          hisWin + "\r\n" + A(13) +
          "You won 1 games and King Computer won 2 games this session.\r\n";
  ASSERT_GE(out.size(), close.size());
  EXPECT_EQ(out.substr(out.size() - close.size()), close);
}

TEST_F(KlassicTest, StoredRecordsDecideTheAnnouncements) {
  std::ofstream(fake.gameDir + "qgs.dat")
      << "2\nKing Arthur\nKing Computer\n10\nQueen Maud\nKing Computer\n5\nA\nB\n";
  StartWith(kWeakGuard, kStrongGuard, 0);
  AssassinPasses(8);
  std::string out = Game("Axxx");
  EXPECT_TRUE(Shows(out, "This is the shortest game to date!!!!"));
  EXPECT_FALSE(Shows(out, "This is the longest game to date!!!!"));
  EXPECT_TRUE(Shows(out, "The longest game was 10 months won by Queen Maud vs. King Computer."));
  EXPECT_EQ(Records(),
            "1\nQueen Tess\nKing Computer\n10\nQueen Maud\nKing Computer\n"
            "1\nQueen Tess\nKing Computer\n");
}

TEST_F(KlassicTest, RecordsThatCannotBeWrittenAreNeitherAnnouncedNorShown) {
  // A folder in the records file's place: it cannot be read, so it is left
  // alone, and this game sets no record.
  ASSERT_TRUE(std::filesystem::create_directory(fake.gameDir + "qgs.dat"));
  StartWith(kWeakGuard, kStrongGuard, 0);
  AssassinPasses(8);
  std::string out = Game("Axxx");
  EXPECT_TRUE(Shows(out, "It took you 1 months to beat King Computer this game.\r\n\r\n" + A(3) +
                             "\r\n" + A(13) + "You won 1 games"));
  EXPECT_FALSE(Shows(out, "game to date!!!!"));
  EXPECT_FALSE(Shows(out, "game lasted"));
  EXPECT_FALSE(Shows(out, "game was"));
  EXPECT_TRUE(std::filesystem::is_directory(fake.gameDir + "qgs.dat"));
}

TEST_F(KlassicTest, PlayAgainWaitsForYesOrNo) {
  fake.Keys("x\rqn");
  EXPECT_FALSE(PlayAgain());
  EXPECT_EQ(Count(fake.out, "Play again? [Y/N] -=> "), 4u);
}

}  // namespace

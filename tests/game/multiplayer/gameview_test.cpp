#include "game/multiplayer/gameview.h"

#include <gtest/gtest.h>

#include "doorkit/door.h"
#include "game/common/textutil.h"
#include "storage_support.h"
#include "support/engine_support.h"

namespace {

const std::string E = "\x1b[";
const std::string kClear = E + "2J" + E + "1;1f";
const std::string kPrompt = "View which game? (Enter game number or [ENTER] to cancel): ";
const std::string V = "\xBA";

std::string Blocks(int n) { return std::string(static_cast<size_t>(n), '\xFE'); }
std::string Edge(char l, char m, char r) {
  return l + std::string(26, '\xCD') + m + std::string(26, '\xCD') + r + "\r\n";
}

// The two power bars, ending in the owner's colour.
std::string AnnBar(int colour) {
  return A(12) + Blocks(10) + A(14) + Blocks(10) + A(10) + Blocks(6) + A(colour) +
         std::string(20, ' ');
}
std::string BobBar(int colour) {
  return A(12) + "\x1b[5m" + Blocks(4) + "\x1b[25m" + A(colour) + std::string(42, ' ');
}

class GameViewTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    DoorSession.PipeWrite = false;
  }

  // Game #12, Ann (player 1) against Bob in month 6, Ann to move; Ann has
  // power 26, Bob power 4.
  TPvPGameState Game() {
    TPvPGameState s =
        Make({.id = "20261209110000123", .number = 12, .month = 6, .name1 = "Ann", .name2 = "Bob"});
    s.Player1Kastle = 12000;
    s.Player1Soldiers = 1500;
    s.Player1Civilians = 1000;
    s.Player1Food = 10000;
    s.Player1Gold = 1234567;
    s.Player2Kastle = 2000;
    s.Player2Civilians = 3;
    s.LastTurnActions = {"[ACTION:soldier_attack]", "[DETAIL:500 soldiers]",
                         "Bob drafted 50 soldiers", "[TEXT:* Monthly Update *]", "Too late"};
    return s;
  }
  void Put(const TPvPGameState& s) { ASSERT_TRUE(s.SaveToFile(Active(s.GameID))); }

  // V with these keys after it; the output from the board on.
  std::string View(const std::string& keys) {
    fake.Keys(keys);
    ViewGameStatus();
    const std::string out = fake.TakeOut();
    return out.substr(out.rfind(kClear));
  }
};

TEST_F(GameViewTest, PlayerOneSeesTheBoardAndTheirTurn) {
  Put(Game());
  const std::string annBar = AnnBar(2), bobBar = BobBar(3);
  auto row = [](const char* label, const std::string& left, const std::string& right) {
    return V + std::string(label) + left + " " + V + label + right + " " + V + "\r\n";
  };
  const std::string expected =
      kClear + "\r\n" + A(12) + "*  Month # 6  *            " + A(15) + "*  Game Status View  *" +
      "\r\n\r\n" + A(2) + Edge('\xC9', '\xCB', '\xBB') + V + "  " + Format("%-24s", "Queen Ann") +
      V + "  " + Format("%-24s", "King Bob") + V + "\r\n" + Edge('\xCC', '\xCA', '\xB9') + V +
      " You: " + annBar + A(2) + " " + V + "\r\n" + V + " Them:" + bobBar + A(2) + " " + V +
      "\r\n" + Edge('\xCC', '\xCB', '\xB9') + row("  Score..........: ", "100   ", "200   ") +
      row("  Kastle Points..: ", "12000 ", "2000  ") +
      row("  Soldiers.......: ", "1500  ", "0     ") +
      row("  Civilians......: ", "1000  ", "3     ") +
      row("  Gronels........: ", "0     ", "0     ") +
      row("  Slingards......: ", "0     ", "0     ") +
      row("  Assassins......: ", "0     ", "0     ") +
      row("  Guards.........: ", "0     ", "0     ") +
      row("  Gold...........: ", "1234567", "0     ") +
      row("  Months of Food.: ", "2.500 ", "0.000 ") + Edge('\xC8', '\xCA', '\xBC') + "\r\n" +
      A(10) + "Press any key to see game status..." + "\r\n\r\n" + A(15) + "GAME STATUS:\r\n\r\n" +
      A(10) + A(142) + "Status: In Progress - YOUR TURN\r\n" + A(10, kAfterBlink) + "\r\n" + A(14) +
      "Last Move by Bob" + A(10) + ":\r\n" + A(11) +
      "  Soldier attack, Bob drafted 50 soldiers\r\n" + "\r\n" + A(10) + "Press any key...";
  EXPECT_EQ(View("12\r  "), expected);
}

TEST_F(GameViewTest, LongNamesAreCutToTheirCellsOnScreenOnly) {
  TPvPGameState s = Game();
  s.Player1DisplayName = std::string(35, 'A');
  s.Player2DisplayName = std::string(35, 'B');
  Put(s);
  const std::string out = View("12\r  ");
  EXPECT_NE(out.find(Edge('\xC9', '\xCB', '\xBB') + V + "  Queen " + std::string(18, 'A') + V +
                     "  King " + std::string(19, 'B') + V + "\r\n" + Edge('\xCC', '\xCA', '\xB9')),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Last Move by " + std::string(35, 'B')), std::string::npos);
  EXPECT_EQ(Read(Active(s.GameID)).Player1DisplayName, std::string(35, 'A'));
}

TEST_F(GameViewTest, PlayerTwoIsOnTheLeftAndASpectatorSeesPlayerOneThere) {
  Put(Game());
  struct Case {
    const char* caller;
    std::string left, right;  // names
    std::string you, them;    // the bars, each in its owner's colour: 2 human, 3 not
  };
  const Case cases[] = {
      {"Bob", "King Bob", "Queen Ann", BobBar(2), AnnBar(3)},
      {"Cy", "Queen Ann", "King Bob", AnnBar(3), BobBar(3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caller);
    HoldAliasForWrite = c.caller;
    const std::string out = View("12\r  ");
    const std::string board = V + "  " + Format("%-24s", c.left.c_str()) + V + "  " +
                              Format("%-24s", c.right.c_str()) + V + "\r\n" +
                              Edge('\xCC', '\xCA', '\xB9') + V + " You: " + c.you + A(2) + " " + V +
                              "\r\n" + V + " Them:" + c.them + A(2) + " " + V + "\r\n";
    EXPECT_NE(out.find(board), std::string::npos);
    EXPECT_NE(out.find(A(10) + "Status: In Progress - Waiting for Ann\r\n"), std::string::npos);
    EXPECT_EQ(out.find("YOUR TURN"), std::string::npos);
  }
}

TEST_F(GameViewTest, StatusWinnerAndLastMove) {
  struct Case {
    const char* name;
    TGameStatus status;
    std::string winner;
    std::vector<std::string> log;
    std::string tail;  // from the status line to the end
  };
  const std::string key = "\r\n" + A(10) + "Press any key...";
  const Case cases[] = {
      {"waiting, no log",
       gsWaitingForPlayers,
       "",
       {},
       A(14) + "Status: Waiting for players to join\r\n" + A(10) + key},
      {"won by player 2, only production",
       gsCompleted,
       "Bob",
       {"[TEXT:* Monthly Update *]", "[RESULT:produce:x]", "", "The Monthly Update is in"},
       A(11) + "Status: COMPLETED\r\n" + A(10) + A(14) + "Winner: " + A(11) + "Bob (King)\r\n" +
           A(10) + "\r\n" + A(14) + "Last Move by Bob" + A(10) + ":\r\n" + A(11) +
           "  Turn completed\r\n" + key},
      {"won by player 2, the loser surrendered",
       gsCompleted,
       "Bob",
       {"QUIT - Surrendered the game"},
       A(11) + "Status: COMPLETED\r\n" + A(10) + A(14) + "Winner: " + A(11) + "Bob (King)\r\n" +
           A(10) + "\r\n" + A(14) + "Last Move by Ann" + A(10) + ":\r\n" + A(11) +
           "  QUIT - Surrendered the game\r\n" + key},
      {"abandoned, four lines at most",
       gsAbandoned,
       "",
       {"[ACTION:gronel_attack]", "[ACTION:slingard_attack]", "[ACTION:draft]",
        "[ACTION:assassinate]", "[ACTION:soldier_attack]"},
       A(12) + "Status: Abandoned\r\n" + A(10) + "\r\n" + A(14) + "Last Move by Bob" + A(10) +
           ":\r\n" + A(11) + "  Gronel attack, Slingard attack, Assassination attempt\r\n" + key},
      {"control characters planted in the log are dropped",
       gsAbandoned,
       "",
       {"Bob\x1b[2J cleared\x07 the\x0e\x7fscreen"},
       A(12) + "Status: Abandoned\r\n" + A(10) + "\r\n" + A(14) + "Last Move by Bob" + A(10) +
           ":\r\n" + A(11) + "  Bob[2J cleared thescreen\r\n" + key},
      {"plain lines up to 60 characters",
       gsInProgress,
       "",
       {std::string(58, 'a'), "more"},
       A(10) + A(142) + "Status: In Progress - YOUR TURN\r\n" + A(10, kAfterBlink) + "\r\n" +
           A(14) + "Last Move by Bob" + A(10) + ":\r\n" + A(11) + "  " + std::string(58, 'a') +
           "\r\n" + key},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPvPGameState s = Game();
    s.Status = c.status;
    s.Winner = c.winner;
    s.LastTurnActions = c.log;
    Put(s);
    const std::string out = View("12\r  ");
    const std::string head = "GAME STATUS:\r\n\r\n";
    EXPECT_EQ(out.substr(out.find(head) + head.size()), c.tail);
  }
}

TEST_F(GameViewTest, ThePromptTakesFourDigits) {
  TPvPGameState s = Game();
  s.GameNumber = 1234;
  Put(s);
  struct Case {
    const char* keys;
    std::string echo;
    std::string after;  // what follows the prompt's line
  };
  const Case cases[] = {
      {"12345\r  ", "1234", kClear},  // the fifth digit is refused
      {"77\r ", "77", "\r\n" + A(12) + "Game #77 not found.\r\n\r\nPress any key..."},
      {"\r", "", ""},
      {"0\r", "0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    fake.Keys(c.keys);
    ViewGameStatus();
    std::string out = fake.TakeOut();
    const std::string line =
        A(14) + kPrompt + A(10) + A(14) + "    " + E + "4D" + c.echo + A(10) + "\r\n";
    const size_t at = out.find(line);
    ASSERT_NE(at, std::string::npos);
    const std::string rest = out.substr(at + line.size());
    EXPECT_EQ(rest.substr(0, c.after.size()), c.after);
    if (c.after.empty()) { EXPECT_EQ(rest, ""); }
  }
  // #1234 was shown.
  fake.Keys("1234\r  ");
  ViewGameStatus();
  EXPECT_NE(fake.TakeOut().find("YOUR TURN"), std::string::npos);
}

}  // namespace

#include <gtest/gtest.h>
#include <unistd.h>

#include "doorkit/ansiwrite.h"
#include "doorkit/crt2.h"
#include "doorkit/door.h"
#include "game/common/globals.h"
#include "game/common/gamedir.h"
#include "game/shell/mainmenu.h"
#include "game/common/music.h"
#include "game/common/textutil.h"
#include "game/kingdom/player.h"
#include "support/engine_support.h"  // A: the bytes of DoorTextAttr
#include "support/fake_platform.h"
#include "support/file_text.h"
#include "support/screen_support.h"

namespace {

const std::string E = "\x1b[";

class MainMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DoorSession.PipeWrite = false;
    Music = true;
    Config = TConfig{};
  }
  FakePlatform fake;
};

TEST_F(MainMenuTest, DrawsTheFramedMenuByteForByte) {
  fake.Keys("k");
  EXPECT_EQ(ShowMainMenu(), 'K');
  const std::string top = "  \xC9" + std::string(42, '\xCD') + "\xBB\r\n";
  const std::string mid = "  \xCC" + std::string(42, '\xCD') + "\xB9\r\n";
  const std::string bottom = "  \xC8" + std::string(42, '\xCD') + "\xBC\r\n";
  const std::string empty = "  \xBA" + std::string(42, ' ') + "\xBA\r\n";
  auto item = [](int colour, const std::string& text) {
    return A(2) + "  \xBA" + A(colour) + text + A(2) + "\xBA\r\n";
  };
  std::string expected = E + "2J" + E + "1;1f" + "\r\n" + A(2) + top + "  \xBA" + A(10) +
                         "    VEREVAR & URUZODEDO 25 - MAIN MENU    " + A(2) + "\xBA\r\n" + mid +
                         empty + item(14, "  [K] Klassic Mode (vs Computer)          ") +
                         item(11, "  [M] Multiplayer (Player vs Player)      ") +
                         item(10, "  [R] Rankings & Statistics               ") +
                         item(3, "  [H] Help & Instructions                 ") +
                         item(12, "  [Q] Quit to BBS                         ") + empty + bottom +
                         "\r\n" + A(14) + "  Select option: " + "K\r\n";
  EXPECT_EQ(fake.TakeOut(), expected);
}

TEST_F(MainMenuTest, LandsOnTheLocalScreenCellForCell) {
  // The local screen sees the bytes as the door writes them, in step with
  // the colour the door tracks.
  fake.terminal = false;
  fake.onStdout = [](std::string_view bytes) { AnsiWrite(std::string(bytes)); };
  fake.Keys("k");
  ShowMainMenu();
  fake.onStdout = nullptr;

  TScreenBuffer want = BlankScreen();
  const std::string edge(42, '\xCD');
  auto boxed = [&](int y, uint8_t colour, const std::string& text) {
    Paint(want, 1, y, 2, "  \xBA");
    Paint(want, 4, y, colour, text);
    Paint(want, 46, y, 2, "\xBA");
  };
  Paint(want, 1, 2, 2, "  \xC9" + edge + "\xBB");
  boxed(3, 10, "    VEREVAR & URUZODEDO 25 - MAIN MENU    ");
  Paint(want, 1, 4, 2, "  \xCC" + edge + "\xB9");
  boxed(5, 2, std::string(42, ' '));
  boxed(6, 14, "  [K] Klassic Mode (vs Computer)          ");
  boxed(7, 11, "  [M] Multiplayer (Player vs Player)      ");
  boxed(8, 10, "  [R] Rankings & Statistics               ");
  boxed(9, 3, "  [H] Help & Instructions                 ");
  boxed(10, 12, "  [Q] Quit to BBS                         ");
  boxed(11, 2, std::string(42, ' '));
  Paint(want, 1, 12, 2, "  \xC8" + edge + "\xBC");
  Paint(want, 1, 14, 14, "  Select option: K");
  EXPECT_EQ(ScreenDiff(want), "");
  EXPECT_EQ(WhereXYAbs(), 0 + 14 * 256);
}

TEST_F(MainMenuTest, GameDirIsTheExecutablesFolder) {
  EXPECT_EQ(GetGameDir(), fake.gameDir);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::string here = std::string(cwd) == "/" ? "/" : std::string(cwd) + "/";
  const struct {
    const char* exe;
    std::string dir;
  } cases[] = {
      {"/qgs", "/"},  // the root keeps its "/"
      {"/usr/games/qgs", "/usr/games/"},
      {"//qgs", "//"},
      {"qgs", here},  // no folder part: the working directory
  };
  for (const auto& c : cases) {
    fake.executablePath = c.exe;
    EXPECT_EQ(GetGameDir(), c.dir) << c.exe;
  }
}

// Runs the whole program in local mode with the given keys after the login
// (Enter), the introduction (Enter) and the sound question (N).
std::string RunProgram(FakePlatform& fake, const std::string& keys) {
  fake.Keys("\r\rn" + keys);
  char arg0[] = "/usr/games/qgs";
  char* argv[] = {arg0, nullptr};
  EXPECT_EQ(QgsMain(1, argv), 0);
  return fake.TakeOut();
}

TEST_F(MainMenuTest, QuitSaysGoodbyeWithTheConfiguredBbsName) {
  PutText(fake.gameDir + "qgs.cfg", "Ann\nDragon's Lair BBS\n");
  std::string out = RunProgram(fake, "xq");
  EXPECT_TRUE(fake.rawMode);
  EXPECT_EQ(HoldAliasForWrite, "SYSOP");
  EXPECT_FALSE(Music);
  std::string goodbye = "Q\r\n\r\n\r\n" + A(6) + "Returning to Dragon's Lair BBS...\r\n";
  EXPECT_EQ(out.substr(out.size() - goodbye.size()), goodbye);
  ASSERT_FALSE(fake.sleeps.empty());
  EXPECT_EQ(fake.sleeps.back(), 2000);
  // x is no menu key: the menu is drawn once more.
  size_t first = out.find("MAIN MENU");
  EXPECT_NE(out.find("MAIN MENU", first + 1), std::string::npos);
}

TEST_F(MainMenuTest, QuitTakesTheCallerOffTheOnlineList) {
  PutText(fake.gameDir + "qgs-online.dat", "Ann\n9-12-26 11:59:00\nSYSOP\n9-12-26 11:59:30\n");
  RunProgram(fake, "q");
  EXPECT_EQ(TextOf(fake.gameDir + "qgs-online.dat"), "Ann\n9-12-26 11:59:00\n");
}

TEST_F(MainMenuTest, HelpScreen) {
  std::string out = RunProgram(fake, "h q");
  size_t help = out.find("* HELP & INSTRUCTIONS *");
  ASSERT_NE(help, std::string::npos);
  // Centred as a 25-character text: column 27.
  EXPECT_EQ(out.substr(help - 13, 13), E + "255D" + E + "26C  ");
  for (const char* line :
       {"Klassic Mode: Battle King Computer to destroy his kastle, defeat\r\n",
        "              Games are turn-based and async.\r\n",
        "  - Send assassins to eliminate your opponent\r\n\r\nPress any key..."}) {
    EXPECT_NE(out.find(line, help), std::string::npos) << line;
  }
}

TEST_F(MainMenuTest, RankingsShowThisMonthsBoardThenWaitForAKey) {
  PutText(fake.gameDir + "qgs-best.asc", "THIS MONTH\n");
  PutText(fake.gameDir + "qgs-last.asc", "LAST MONTH\n");
  std::string out = RunProgram(fake, "r q");
  const std::string board =
      "R\r\n" + E + "2J" + E + "1;1f" + A(10) + A(2) + "THIS MONTH\r\n\r\nPress any key...";
  size_t at = out.find(board);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(out.find("LAST MONTH"), std::string::npos);
  // The key after the pause is no menu choice: the menu comes back.
  EXPECT_NE(out.find("MAIN MENU", at), std::string::npos);
}

TEST_F(MainMenuTest, KlassicSetsUpTheKingdomAndFreesItAfterwards) {
  // Both kingdoms' forces drawn at their least, then the caller moves first:
  // she surrenders, answers the two pauses and declines another game.
  for (int i = 0; i < 19; ++i) fake.Draws({0});
  std::string out = RunProgram(fake,
                               "kqgrey  wolf\ry"
                               "QYxx"
                               "n"
                               "q");
  EXPECT_NE(out.find("\"Queen Grey  Wolf\" Is this OK? [y/N] -=> "), std::string::npos);
  EXPECT_NE(out.find("Play again? [Y/N] -=> "), std::string::npos);
  EXPECT_EQ(Player, nullptr);
  EXPECT_EQ(Computer, nullptr);
}

TEST_F(MainMenuTest, MultiplayerMenuKeys) {
  // x redraws; R asks which table (A all-time, anything else this month's);
  // W lists who is online; V asks for a game; Q goes back to the main menu.
  std::string out = RunProgram(fake,
                               "m"
                               "x"
                               "ra "
                               "rz "
                               "w "
                               "v\r"
                               "q"
                               "q");
  const std::string prompt = "*  C,J,P,V,R,W,Q -=> ";
  // One lobby for each menu drawn, and one more for V's own.
  EXPECT_EQ(Count(out, " Royalty - "), 7u);
  EXPECT_EQ(Count(out, prompt), 6u);
  const std::string ask = A(10) + "Show [M] Monthly or [A] All-Time rankings? ";
  size_t at = out.find(prompt + "R\r\n\r\n" + ask + "A\r\n");
  ASSERT_NE(at, std::string::npos);
  const size_t allTime = out.find("* All-Time PvP Rankings *", at);
  const size_t monthly = out.find("* PvP Rankings for December *", at);
  ASSERT_NE(allTime, std::string::npos);
  ASSERT_NE(monthly, std::string::npos);
  EXPECT_LT(allTime, monthly);
  EXPECT_NE(out.find(ask + "Z\r\n", allTime), std::string::npos);
  EXPECT_NE(out.find("\r\nPress any key...", monthly), std::string::npos);
  // W marks the caller online first.
  at = out.find("* Who is Online in G&S *");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(out.find(Format("%-30s Active now", "SYSOP"), at), std::string::npos);
  EXPECT_NE(out.find("View which game? (Enter game number or [ENTER] to cancel): "),
            std::string::npos);
  at = out.find(prompt + "Q\r\n");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(out.find("MAIN MENU", at), std::string::npos);
}

}  // namespace

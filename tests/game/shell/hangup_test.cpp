// A caller who hangs up at any prompt of the program, or in the middle of
// a pause: the whole program runs on a socket session of the fake
// platform, the scripted keys lead it to the place, and the caller hangs up
// the moment that place is on the screen. The process must end within two
// seconds, with exit code 0, every shared file whole and no lock held.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/storage.h"
#include "game/shell/mainmenu.h"
#include "support/fake_platform.h"
#include "support/lock_probe.h"

namespace {

namespace fs = std::filesystem;

// The screen text without escape sequences, for messages.
std::string Visible(const std::string& bytes) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\x1b') {
      size_t end = bytes.find_first_of("ABCDEFGHJKSTfmnsuhlM", i + 1);
      if (end == std::string::npos) break;
      i = end;
      if (bytes[end] == 'M') {  // music runs to byte 14
        size_t stop = bytes.find('\x0e', end);
        if (stop != std::string::npos) i = stop;
      }
      continue;
    }
    if (bytes[i] != '\r') text += bytes[i];
  }
  return text;
}

// A game between Ann (the caller) and Bob in the active folder.
TPvPGameState Game(const std::string& id, int32_t number, TGameStatus status) {
  TPvPGameState g;
  g.GameID = id;
  g.GameNumber = number;
  g.GameType = gtMultiplayer;
  g.Status = status;
  g.MaxPlayers = 2;
  g.CurrentPlayers = status == gsWaitingForPlayers ? 1 : 2;
  g.Player1Alias = "Bob";
  g.Player1DisplayName = "Bob";
  g.Player1Title = "King";
  if (status != gsWaitingForPlayers) {
    g.Player2Alias = "Ann";
    g.Player2DisplayName = "Ann";
    g.Player2Title = "Queen";
    g.CurrentTurnAlias = "Ann";
  }
  g.MonthNumber = 2;
  g.TurnOrder[0] = 1;
  g.TurnOrder[1] = 2;
  for (int32_t* c : {&g.Player1Kastle, &g.Player2Kastle}) *c = 1000;
  for (int32_t* c : {&g.Player1Soldiers, &g.Player2Soldiers}) *c = 500;
  for (int32_t* c : {&g.Player1Civilians, &g.Player2Civilians}) *c = 2000;
  for (int32_t* c : {&g.Player1Gold, &g.Player2Gold}) *c = 50000;
  for (int32_t* c : {&g.Player1Food, &g.Player2Food}) *c = 90000;
  g.Player1Gronels = g.Player2Gronels = 20;
  g.CreatedDate = Now() - 1;
  g.LastMoveDate = Now() - 0.1;
  g.TimeoutDate = g.LastMoveDate + 7;
  return g;
}

// Bob's open game #1; Ann's turns in games #2, whose log replays Bob's
// volley of gronels, and #3.
void Games() {
  InitializeGameDirs();
  Game("20261209110000001", 1, gsWaitingForPlayers)
      .SaveToFile(GetActiveGamesDir() + "game_20261209110000001.dat");
  TPvPGameState turn = Game("20261209110000002", 2, gsInProgress);
  turn.LastTurnActions = {
      "[ACTION:gronel_attack_men]",  "[MUSIC:GRONEL_BOOMS:6]",        "[CLASH:Huzzah]",
      "[CLASH:For the King]",        "[TEXT:Enemy lost 12 soldiers]", "[TEXT:* Monthly Update *]",
      "[TEXT:Food eaten: 900 sacks]"};
  turn.SaveToFile(GetActiveGamesDir() + "game_20261209110000002.dat");
  Game("20261209110000003", 3, gsInProgress)
      .SaveToFile(GetActiveGamesDir() + "game_20261209110000003.dat");
}

// What the caller answers to what the screen shows, in order.
using Script = std::vector<std::pair<std::string, std::string>>;

Script operator+(Script a, const Script& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Stop {
  const char* where;
  Script answers;
  std::string hangUpAt;  // the caller hangs up once this is on the screen
  bool games = false;    // with the games above
};

const Script kMenu = {{"] to continue. -=> ", "\r"}, {"[Y/N] -=> ", "N"}};
const Script kKlassic = kMenu + Script{{"Select option: ", "K"},
                                       {"King or a [Q] Queen? -=> ", "K"},
                                       {"known by sire? -=> ", "\r"},
                                       {"Is this OK? [y/N] -=> ", "Y"}};
const std::string kCommand = "or ? for Help -=> ";
// The start of the Thinking banner (its letters come in colours of their own).
const std::string kThinking = std::string(22, ' ') + "* ";
const Script kMulti = kMenu + Script{{"Select option: ", "M"}};
const std::string kMultiMenu = "C,J,P,V,R,W,Q -=> ";
const Script kTurn = kMulti + Script{{kMultiMenu, "P"}, {"or [ENTER] to cancel: ", "1\r"}};

const Stop kStops[] = {
    {"the introduction's pause", {}, "] to continue. -=> "},
    {"the sound question", {{"] to continue. -=> ", "\r"}}, "[Y/N] -=> "},
    {"the main menu", kMenu, "Select option: "},
    {"the help screen's pause", kMenu + Script{{"Select option: ", "H"}}, "Press any key..."},
    {"the scoreboard's pause", kMenu + Script{{"Select option: ", "R"}}, "Press any key..."},
    {"the King or Queen question", kMenu + Script{{"Select option: ", "K"}},
     "King or a [Q] Queen? -=> "},
    {"the line editor, half a name typed",
     kMenu + Script{{"Select option: ", "K"}, {"King or a [Q] Queen? -=> ", "KArt"}},
     "known by sire? -=> "},
    {"the name confirmation",
     kMenu + Script{{"Select option: ", "K"}, {"Queen? -=> ", "K"}, {"sire? -=> ", "\r"}},
     "Is this OK? [y/N] -=> "},
    {"the turn's command prompt", kKlassic, kCommand},
    {"the trading post", kKlassic + Script{{kCommand, "T"}}, "Total Gold: "},
    {"the trading post's amount", kKlassic + Script{{kCommand, "T"}, {"Total Gold: ", "B"}},
     "Buy how many? (M = MAX) -=> "},
    {"the draft dialogue", kKlassic + Script{{kCommand, "D"}}, "into the army? [0 - "},
    {"the battle pause after an attack", kKlassic + Script{{kCommand, "S"}}, "*[ Press any Key ]*"},
    {"King Computer's thinking",
     kKlassic + Script{{kCommand, "P"}, {"(Y/N): ", "Y"}, {"Press any Key ]*", " "}}, kThinking},
    {"the play-again question",
     kKlassic + Script{{kCommand, "Q"},
                       {"Are you SURE? -=> ", "Y"},
                       {"Press any Key ]*", " "},
                       {"Press any Key ]*", " "}},
     "Play again? [Y/N] -=> "},
    {"the Multiplayer menu", kMulti, kMultiMenu, true},
    {"creating a game: the ruler's title", kMulti + Script{{kMultiMenu, "C"}},
     "King or a [Q] Queen? -=> ", true},
    {"the join prompt", kMulti + Script{{kMultiMenu, "J"}}, "or [ENTER] to cancel: ", true},
    {"the view prompt", kMulti + Script{{kMultiMenu, "V"}}, "or [ENTER] to cancel): ", true},
    {"the view's first pause", kMulti + Script{{kMultiMenu, "V"}, {"to cancel): ", "2\r"}},
     "Press any key to see game status...", true},
    {"the rankings question", kMulti + Script{{kMultiMenu, "R"}}, "All-Time rankings? ", true},
    {"the who-is-online pause", kMulti + Script{{kMultiMenu, "W"}}, "Press any key...", true},
    {"the game choice of a turn", kMulti + Script{{kMultiMenu, "P"}},
     "or [ENTER] to cancel: ", true},
    {"the playback's thinking", kTurn, kThinking, true},
    {"the playback's booms", kTurn, "**B", true},
    {"the playback's clashes", kTurn, "Huzzah", true},
    {"the pause after the playback", kTurn, "Food eaten", true},
    {"a PvP turn's command prompt", kTurn + Script{{"Food eaten", ""}, {"Press any Key ]*", " "}},
     kCommand, true},
};

void WriteDoor32(const std::string& dir) {
  std::ofstream(dir + "DOOR32.SYS", std::ios::binary)
      << "2\r\n9\r\n38400\r\nTest BBS\r\n0\r\nAnn Real\r\nAnn\r\n100\r\n60\r\n1\r\n1\r\n";
}

TEST(HangUp, AtEveryPromptTheProcessEndsWithinTwoSeconds) {
  for (const Stop& stop : kStops) {
    SCOPED_TRACE(stop.where);
    FakePlatform fake;
    WriteDoor32(fake.gameDir);
    if (stop.games) Games();
    for (const auto& [shown, keys] : stop.answers) fake.Answer(shown, keys);
    fake.HangUpWhenShown(stop.hangUpAt);
    std::string drop = "-D" + fake.gameDir + "DOOR32.SYS";
    char name[] = "qgs";
    char* argv[] = {name, drop.data()};
    int code = -1;
    try {
      QgsMain(2, argv);
      ADD_FAILURE() << "the program went on to the end";
    } catch (const DoorExit& e) { code = e.code; }
    EXPECT_EQ(code, 0);
    const std::string screen = Visible(fake.socketOut);
    if (fake.hangUpMs < 0) {
      ADD_FAILURE() << "never shown; the screen ends:\n"
                    << screen.substr(screen.size() - std::min<size_t>(600, screen.size()));
      continue;
    }
    EXPECT_LE(fake.nowMs - fake.hangUpMs, 2000);
    EXPECT_NE(fake.out.find("Caller Dropped Carrier"), std::string::npos);

    // Every file whole, no temporary file left, every lock free.
    for (const auto& entry : fs::recursive_directory_iterator(fake.gameDir)) {
      if (!entry.is_regular_file()) continue;
      const std::string path = entry.path().string();
      EXPECT_EQ(path.find(".tmp."), std::string::npos) << path;
      if (entry.path().extension() == ".lock") {
        EXPECT_TRUE(LockFileIsFree(path)) << path << " is still locked";
        continue;
      }
      std::string text;
      EXPECT_TRUE(ReadFileText(path, text)) << path;
      EXPECT_TRUE(text.empty() || text.back() == '\n') << path << " ends mid-line";
    }
  }
}

// What a move decided is on file before the first pause that shows it: a
// caller who hangs up there cannot play the move again with new draws.
struct Decided {
  const char* what;
  Script answers;
  std::function<void()> setUp;  // after the games are written
  std::function<void(const std::string& dir)> check;
};

TPvPGameState Reread(const std::string& path) {
  TPvPGameState g;
  g.LoadFromFile(path);
  return g;
}

const std::string kSecond = "game_20261209110000002.dat";
const Script kAtCommand = kTurn + Script{{"Food eaten", ""}, {"Press any Key ]*", " "}};

void ExpectHandedToBob(const std::string&) {
  const TPvPGameState g = Reread(GetActiveGamesDir() + kSecond);
  EXPECT_EQ(g.CurrentTurnAlias, "Bob");
  EXPECT_EQ(g.MonthNumber, 3);
  // The month's production is in the saved log too.
  EXPECT_NE(
      std::find(g.LastTurnActions.begin(), g.LastTurnActions.end(), "[TEXT:* Monthly Update *]"),
      g.LastTurnActions.end());
}

TEST(HangUp, WhatAMoveDecidedIsSavedBeforeItsFirstPause) {
  const Decided cases[] = {
      {"a Klassic surrender", kKlassic + Script{{kCommand, "Q"}, {"Are you SURE? -=> ", "Y"}},
       nullptr,
       [](const std::string& dir) {
         std::vector<std::string> lines;
         ASSERT_TRUE(ReadFileLines(dir + "qgs-user.dat", lines));
         ASSERT_EQ(lines.size(), 6u);
         EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
                   (std::vector<std::string>{"Ann", "0", "1", "0"}));
       }},
      {"a passed turn", kAtCommand + Script{{kCommand, "P"}, {"(Y/N): ", "Y"}}, nullptr,
       ExpectHandedToBob},
      {"a battle, at the pause after it", kAtCommand + Script{{kCommand, "S"}}, nullptr,
       [](const std::string& dir) {
         ExpectHandedToBob(dir);
         EXPECT_LT(Reread(GetActiveGamesDir() + kSecond).Player2Soldiers, 500);
       }},
      {"an assassin that wins the war", kAtCommand + Script{{kCommand, "A"}},
       [] {
         TPvPGameState g = Reread(GetActiveGamesDir() + kSecond);
         g.Player2Assassins = 1;  // and Bob has no guards
         ASSERT_TRUE(g.SaveToFile(GetActiveGamesDir() + kSecond));
       },
       [](const std::string& dir) {
         EXPECT_FALSE(FileExists(GetActiveGamesDir() + kSecond));
         EXPECT_EQ(Reread(GetCompletedGamesDir() + kSecond).Status, gsCompleted);
         for (const char* table : {"qgs-pvp-monthly.dat", "qgs-pvp-alltime.dat"}) {
           std::string text;
           ASSERT_TRUE(ReadFileText(dir + table, text)) << table;
           EXPECT_NE(text.find("\nAnn\n"), std::string::npos) << table;
           EXPECT_NE(text.find("\nBob\n"), std::string::npos) << table;
         }
       }},
  };
  for (const Decided& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    WriteDoor32(fake.gameDir);
    Games();
    if (c.setUp) c.setUp();
    for (const auto& [shown, keys] : c.answers) fake.Answer(shown, keys);
    fake.HangUpWhenShown("Press any Key ]*");
    std::string drop = "-D" + fake.gameDir + "DOOR32.SYS";
    char name[] = "qgs";
    char* argv[] = {name, drop.data()};
    try {
      QgsMain(2, argv);
      ADD_FAILURE() << "the program went on to the end";
    } catch (const DoorExit&) {}
    ASSERT_GE(fake.hangUpMs, 0) << Visible(fake.socketOut);
    c.check(fake.gameDir);
  }
}

}  // namespace

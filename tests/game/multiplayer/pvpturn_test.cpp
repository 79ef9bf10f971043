#include "game/multiplayer/pvpturn.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "game/common/datafile.h"
#include "game/multiplayer/rankings.h"
#include "game/common/gamedir.h"
#include "play_support.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kPressAnyKeyMenu = "Press any key...";
const std::string kErased =
    A(12) + "No games waiting for your turn.\r" + std::string(31, ' ') + "\r";

// The worked example's production, logged.
const Lines kProduced = {"[TEXT:150 civilians immigrated]",
                         "[TEXT:14150 gold collected in taxes]",
                         "[TEXT:3000 gold paid to soldiers]",
                         "[TEXT:Treasury increased by 11150 gold]",
                         "[TEXT:6000 sacks of food consumed by army]",
                         "[TEXT:14150 sacks of food consumed by citizens]"};
// The worked example's kingdom after its production.
Counters Produced() {
  Counters c = Worked();
  c.Civilians = 14150;
  c.Gold = 29150;
  c.Food = 229850;
  return c;
}

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string After(const std::string& out, const std::string& what) {
  const size_t at = out.rfind(what);
  return at == std::string::npos ? "<" + what + " not shown>" : out.substr(at + what.size());
}

class PvPTurnTest : public PlayTest {
 protected:
  TPvPRankings Rankings(const char* file) {
    TPvPRankings r;
    r.LoadFromFile(GetGameDir() + file);
    return r;
  }
};

TEST_F(PvPTurnTest, NoGameWaitingIsAShortErasedMessage) {
  Put({.id = "1", .turn = "Bob"});
  Put({.id = "2", .status = gsWaitingForPlayers, .p2 = "", .turn = ""});
  Put({.id = "3", .p1 = "Bob", .p2 = "Cid", .turn = "Ann"});  // not Ann's game
  EXPECT_EQ(SelectGameToPlay(), nullptr);
  EXPECT_EQ(fake.TakeOut(), kErased);
  EXPECT_EQ(fake.sleeps, (std::vector<int>{1500}));

  // P shows the same and nothing more.
  fake.Keys("z");
  PlayPvPTurn();
  EXPECT_EQ(fake.TakeOut(), kErased);
  EXPECT_TRUE(fake.ConsoleKeyPressed());
}

TEST_F(PvPTurnTest, TheOneGameWaitingIsTakenWithoutAsking) {
  Put({.id = "1", .turn = "Bob"});
  Put({.id = "2", .number = 7, .p1 = "Bob", .p2 = "Ann", .turn = "Ann"});
  std::unique_ptr<TPvPGameState> game = SelectGameToPlay();
  ASSERT_TRUE(game);
  EXPECT_EQ(game->GameNumber, 7);
  EXPECT_EQ(fake.out, "");
}

TEST_F(PvPTurnTest, SeveralGamesAreChosenFromAList) {
  Put({.id = "1", .number = 3, .month = 4, .turn = "Ann"});
  Put({.id = "2", .number = 5, .turn = "Bob"});
  Put({.id = "3",
       .number = 12,
       .month = 1,
       .p1 = "Cid",
       .p2 = "Ann",
       .name1 = "Galahad",
       .turn = "Ann"});
  const std::string screen = kClear + CRLF + A(15) + "  SELECT GAME TO PLAY" + CRLF + CRLF + A(10) +
                             "[1] Game #3 vs Mordred - Month 4" + CRLF +
                             "[2] Game #12 vs Galahad - Month 1" + CRLF + CRLF + A(14) +
                             "Select game [1-2] or [ENTER] to cancel: ";
  struct Case {
    const char* typed;
    int32_t number;  // 0: none
  };
  for (const Case& c :
       {Case{"2\r", 12}, Case{"01\r", 3}, Case{"\r", 0}, Case{"0\r", 0}, Case{"3\r", 0}}) {
    SCOPED_TRACE(c.typed);
    fake.Keys(c.typed);
    std::unique_ptr<TPvPGameState> game = SelectGameToPlay();
    EXPECT_EQ(game ? game->GameNumber : 0, c.number);
    const std::string out = fake.TakeOut();
    EXPECT_EQ(out.substr(0, screen.size()), screen);
    EXPECT_EQ(out.substr(out.size() - FieldEnd(14).size()), FieldEnd(14));
  }
}

// A whole turn: the opponent's turn replayed, a pass, the production, and
// the game handed to the opponent.
TEST_F(PvPTurnTest, APassedTurnIsReplayedProducedAndHandedOver) {
  Put({.id = "g",
       .month = 3,
       .log = {"Passed turn (no action)", "", "[TEXT:* Monthly Update *]", "",
               "[TEXT:150 civilians immigrated]"}});
  fake.Keys(
      "x"
      "PY"
      "a"
      "b");
  PlayPvPTurn();
  const std::string out = fake.TakeOut();

  // The replay comes first, then the caller's battle screen.
  const std::string replay =
      kClear + CRLF + ThinkingBanner() + A(10) + "Passed turn (no action)" + CRLF;
  EXPECT_EQ(out.substr(0, replay.size()), replay);
  EXPECT_EQ(Count(out, A(10) + "* 150 civilians immigrated" + CRLF + CRLF + A(10) + kPressAnyKey +
                           CRLF + kClear),
            1u);
  EXPECT_LT(out.find("*  Your Turn  *"), out.find("Are you sure you want to pass"));
  EXPECT_LT(out.find("Queen Guinevere"), out.find("King Mordred"));

  EXPECT_EQ(After(out, "Are you sure you want to pass this turn? (Y/N): "),
            "Y" + CRLF + CRLF + A(2) + "You sit on your throne and ponder the war." + CRLF + CRLF +
                CRLF + A(15) + "\x1b[255D\x1b[30C* Monthly Update *" + CRLF + CRLF + A(2) +
                "* 150 civilians have immigrated to your kastle.\r\n"
                "* 14150 gold was collected in taxes!\r\n"
                "* 3000 gold was paid to your soldiers.\r\n"
                "* Treasury increased by 11150 gold pieces!\r\n"
                "* 6000 sacks of food were consumed by your army.\r\n"
                "* 14150 sacks of food were consumed by your citizens.\r\n"
                "\r\n" +
                A(10) + kPressAnyKey + A(10) + CRLF + CRLF + A(10) +
                "Turn completed! It is now Bob's turn." + CRLF + CRLF + kPressAnyKeyMenu);
  EXPECT_FALSE(fake.ConsoleKeyPressed());

  const TPvPGameState game = Read(Active("g"));
  EXPECT_EQ(game.Status, gsInProgress);
  EXPECT_EQ(game.CurrentTurnAlias, "Bob");
  EXPECT_EQ(game.MonthNumber, 3);
  EXPECT_EQ(Kingdom(game, 1), Produced());
  EXPECT_EQ(Kingdom(game, 2), Worked());
  EXPECT_EQ(game.Player1Title, "Queen");
  EXPECT_EQ(game.LastTurnActions,
            Join({"Passed turn (no action)", "", "[TEXT:* Monthly Update *]", ""}, kProduced));
  EXPECT_NEAR(game.LastMoveDate, fake.Now(), 1.0 / 86400);
  EXPECT_NEAR(game.TimeoutDate, game.LastMoveDate + 7, 1.0 / 86400);
  EXPECT_FALSE(Player);
  EXPECT_FALSE(Computer);
}

TEST_F(PvPTurnTest, TheMonthAdvancesWhenTheTurnReturnsToTheFirstMover) {
  struct Case {
    int32_t order0;
    const char* mover;
    int32_t monthAfter;
    const char* next;
  };
  const Case cases[] = {
      {1, "Ann", 1, "Bob"},
      {1, "Bob", 2, "Ann"},
      {2, "Bob", 1, "Ann"},  // the joiner moves first
      {2, "Ann", 2, "Bob"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mover) + " of order " + std::to_string(c.order0));
    HoldAliasForWrite = c.mover;
    Put({.id = "g", .month = 1, .turn = c.mover, .order0 = c.order0});
    fake.Keys(
        "PY"
        "a"
        "b");
    PlayPvPTurn();
    const std::string out = fake.TakeOut();
    // No log to replay: the turn starts with the battle screen.
    EXPECT_EQ(out.find(ThinkingBanner()), std::string::npos);
    EXPECT_EQ(out.substr(0, kClear.size()), kClear);
    const bool annMoved = std::string(c.mover) == "Ann";
    EXPECT_EQ(out.find("Queen Guinevere") < out.find("King Mordred"), annMoved);

    const TPvPGameState game = Read(Active("g"));
    EXPECT_EQ(game.CurrentTurnAlias, c.next);
    EXPECT_EQ(game.MonthNumber, c.monthAfter);
    EXPECT_EQ(Kingdom(game, annMoved ? 1 : 2), Produced());
    EXPECT_EQ(Kingdom(game, annMoved ? 2 : 1), Worked());
  }
}

// A turn that ends the war: no monthly marker, the game in "completed",
// both players ranked with player 1 first whoever moved.
TEST_F(PvPTurnTest, AWinningTurnCompletesTheGameAndRanksBothPlayers) {
  struct Case {
    const char* name;
    const char* mover;
    std::string keys;
    Counters annBefore, bobBefore;
    std::string ending;
    const char* winner;
    Lines log;
  };
  Counters assassin = Worked(), unguarded = Worked();
  assassin.Assassins = 1;
  unguarded.Guards = 0;
  const Case cases[] = {
      {"Bob surrenders",
       "Bob",
       "QY",
       Worked(),
       Worked(),
       A(12) + "DEFEAT! Ann has conquered your kingdom!" + CRLF + CRLF + A(14) +
           "Game lasted 5 months." + CRLF + "King Mordred scored 0 points." + CRLF +
           "Queen Guinevere scored 0 points." + CRLF,
       "Guinevere",
       {"QUIT - Surrendered the game"}},
      {"Ann's assassin meets no guard",
       "Ann",
       "Aa",
       assassin,
       unguarded,
       A(138) + "VICTORY! You have defeated Bob!" + CRLF + CRLF + A(14, kAfterBlink) +
           "Game lasted 5 months." + CRLF + "Queen Guinevere scored 0 points." + CRLF +
           "King Mordred scored 0 points." + CRLF,
       "Guinevere",
       {"Sent assassin", "[ACTION:assassin]", "[TEXT:Attempting infiltration!]", "[TEXT:GUARDS:0]",
        "[TEXT:The assassin was successful! You have been eliminated!]"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(fake.gameDir);
    std::filesystem::create_directories(fake.gameDir);
    InitializeGameDirs();
    HoldAliasForWrite = c.mover;
    Put({.id = "g",
         .number = 2,
         .month = 5,
         .turn = c.mover,
         .k1 = {"Queen", c.annBefore},
         .k2 = {"King", c.bobBefore},
         .log = {"Passed turn (no action)"}});
    fake.Keys("x" + c.keys + "b");
    PlayPvPTurn();
    const std::string out = fake.TakeOut();
    // The ending follows the battle screen drawn afresh after the move.
    EXPECT_GT(out.rfind(c.ending), out.rfind("*  Month # 5  *"));
    EXPECT_EQ(After(out, c.ending), CRLF + kPressAnyKeyMenu);
    EXPECT_FALSE(fake.ConsoleKeyPressed());

    EXPECT_FALSE(FileExists(Active("g")));
    const TPvPGameState game = Read(Completed("g"));
    EXPECT_EQ(game.Status, gsCompleted);
    EXPECT_EQ(game.Winner, c.winner);
    EXPECT_EQ(game.LastTurnActions, c.log);
    EXPECT_EQ(game.MonthNumber, 5);
    EXPECT_EQ(game.CurrentTurnAlias, c.mover);
    EXPECT_NEAR(game.LastMoveDate, fake.Now(), 1.0 / 86400);
    for (const char* alias : {"Ann", "Bob"}) {
      HoldAliasForWrite = alias;
      EXPECT_TRUE(GetMyActiveGames().empty()) << alias;
    }

    for (const char* file : {"qgs-pvp-monthly.dat", "qgs-pvp-alltime.dat"}) {
      SCOPED_TRACE(file);
      const TPvPRankings table = Rankings(file);
      ASSERT_EQ(table.PlayerCount(), 2);
      const TPvPPlayerRecord ann = table.GetPlayer(0), bob = table.GetPlayer(1);
      EXPECT_EQ(ann.Alias, "Ann");
      EXPECT_EQ(ann.DisplayName, "Guinevere");
      EXPECT_EQ(ann.Wins, 1);
      EXPECT_EQ(ann.ShortestWinMonths, 5);
      EXPECT_EQ(bob.Alias, "Bob");
      EXPECT_EQ(bob.Losses, 1);
      EXPECT_EQ(bob.LongestGameMonths, 5);
    }
  }
}

// Another node changes the game while the caller plays: the turn is not
// written over what it did, and the caller is told why.
TEST_F(PvPTurnTest, ATurnOvertakenMeanwhileIsNotSaved) {
  struct Case {
    const char* name;
    std::string keys;
    std::function<void()> meanwhile;
    std::string tail;
    bool active;  // where the game is left
  };
  const std::string active = Active("g");
  auto expire = [&] {
    TPvPGameState s = Read(active);
    s.Status = gsAbandoned;
    ASSERT_TRUE(s.SaveToFile(Completed("g")));
    std::filesystem::remove(active);
  };
  auto playElsewhere = [&] {
    TPvPGameState s = Read(active);
    s.CurrentTurnAlias = "Bob";
    s.Player1Gold = 1;
    ASSERT_TRUE(s.SaveToFile(active));
  };
  const std::string notSaved = "Error: Could not save turn, ";
  const Case cases[] = {
      {"expired", "PYa", expire,
       CRLF + A(12) + notSaved + "the game has ended or expired!" + CRLF + CRLF, false},
      {"played on another node", "PYa", playElsewhere,
       CRLF + A(12) + notSaved + "it was already played!" + CRLF + CRLF, true},
      {"expired before the winning move", "QY", expire,
       "Queen Guinevere scored 0 points." + CRLF + "King Mordred scored 0 points." + CRLF + A(12) +
           notSaved + "the game has ended or expired!" + CRLF + CRLF,
       false},
      {"won on another node", "QY", playElsewhere,
       "King Mordred scored 0 points." + CRLF + A(12) + notSaved + "it was already played!" + CRLF +
           CRLF,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(Completed("g"));
    Put({.id = "g", .month = 4});
    fake.BeforeKey(2, c.meanwhile);  // the Y of the confirmation
    fake.Keys(c.keys + "b");
    PlayPvPTurn();
    const std::string out = fake.TakeOut();
    EXPECT_EQ(
        out.substr(out.size() - std::min(out.size(), c.tail.size() + kPressAnyKeyMenu.size())),
        c.tail + kPressAnyKeyMenu);
    EXPECT_FALSE(fake.ConsoleKeyPressed());
    EXPECT_EQ(FileExists(active), c.active);
    const TPvPGameState left = Read(c.active ? active : Completed("g"));
    EXPECT_EQ(left.Status, c.active ? gsInProgress : gsAbandoned);
    EXPECT_EQ(left.Player1Gold, c.active ? 1 : Worked().Gold);
    EXPECT_TRUE(left.LastTurnActions.empty());
    EXPECT_FALSE(FileExists(GetGameDir() + "qgs-pvp-monthly.dat"));
  }
}

// A store lock that cannot be taken when the turn is saved: the caller is
// told why, in the line the other failures use, and the game stays as it
// was. A folder in the lock file's place refuses it as a share without
// locks would.
TEST_F(PvPTurnTest, ATurnWhoseLockIsRefusedSaysSo) {
  const std::string lockFile = GetGameDir() + "games/store.lock";
  for (const char* keys : {"PYa", "QY"}) {  // a turn handed over, a winning one
    SCOPED_TRACE(keys);
    Put({.id = "g", .month = 4});
    const std::string before = Read(Active("g")).ToText();
    fake.BeforeKey(2, [&] { std::filesystem::create_directory(lockFile); });
    fake.Keys(std::string(keys) + "b");
    PlayPvPTurn();
    std::filesystem::remove(lockFile);
    const std::string out = fake.TakeOut();
    const std::string line = A(12) +
                             "Error: Could not save turn, the game could not be locked (Is a "
                             "directory)!" +
                             CRLF + CRLF + kPressAnyKeyMenu;
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), line.size())), line);
    EXPECT_EQ(Read(Active("g")).ToText(), before);
    EXPECT_FALSE(FileExists(Completed("g")));
  }
}

// The game chosen is looked up by its whole file name: game ...12 must not
// be taken for game ...123. And a game played meanwhile on another node
// (the same caller on two nodes) is not played again.
TEST_F(PvPTurnTest, TheChosenGameIsFoundAgainByItsWholeName) {
  struct Case {
    const char* name;
    std::function<void()> meanwhile;
    std::string shown;
  };
  const std::string chosen = Active("2026120912000012");
  const Case cases[] = {
      {"gone", [&] { std::filesystem::remove(chosen); }, "Error: Could not find game file!"},
      {"played",
       [&] {
         TPvPGameState s = Read(chosen);
         s.CurrentTurnAlias = "Bob";
         ASSERT_TRUE(s.SaveToFile(chosen));
       },
       A(12) + "Error: This turn was already played!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put({.id = "2026120912000012", .number = 1, .log = {"Passed turn (no action)"}});
    Put({.id = "20261209120000123", .number = 2, .log = {"Passed turn (no action)"}});
    fake.BeforeKey(2, c.meanwhile);  // the Enter of the choice
    fake.Keys("1\rb");
    PlayPvPTurn();
    EXPECT_EQ(After(fake.TakeOut(), FieldEnd(14)), c.shown + CRLF + kPressAnyKeyMenu);
    EXPECT_FALSE(fake.ConsoleKeyPressed());
    const TPvPGameState other = Read(Active("20261209120000123"));
    EXPECT_EQ(other.CurrentTurnAlias, "Ann");
    EXPECT_EQ(other.LastTurnActions, Lines{"Passed turn (no action)"});
    EXPECT_FALSE(Player);
  }
}

}  // namespace

// Every multi-file change of the program, stopped at each of its steps in
// turn: the in-memory file system lets the process die right after its nth
// mutating step (a temporary file written, flushed or renamed, a rename, a
// removal). Then a fresh process starts on what is on the disk, and
// whatever moment the first one died at:
//   - every file parses whole;
//   - every game is in exactly one folder, with every turn that was saved;
//   - every finished game is credited once in each rankings table, or not
//     at all while it is still in "active", and the scores hold the game
//     once or not at all, with their scoreboards of the same month;
//   - no lock is left held.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/commit.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/gamedir.h"
#include "game/common/globals.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/rankings.h"
#include "game/multiplayer/storage.h"
#include "game/records/gamedata.h"
#include "game/records/scores.h"
#include "game/shell/tidy.h"
#include "support/fake_files.h"
#include "support/fake_platform.h"

namespace {

const std::string kWaiting = "game_20261209110000001.dat";
const std::string kPlaying = "game_20261209110000002.dat";
const std::string kStale = "game_20261209110000003.dat";  // month 5: a forfeit
const std::string kYoung = "game_20261209110000004.dat";  // month 2: abandoned
const std::string kOld = "game_20261201110000005.dat";    // completed long ago
const std::string kMonthly = "qgs-pvp-monthly.dat";
const std::string kAllTime = "qgs-pvp-alltime.dat";

TPvPGameState Game(const std::string& file, TGameStatus status, int32_t month, double idleDays) {
  TPvPGameState g;
  g.GameID = file.substr(5, file.size() - 9);
  g.GameNumber = g.GameID.back() - '0';
  g.GameType = gtMultiplayer;
  g.Status = status;
  g.MaxPlayers = 2;
  g.CurrentPlayers = status == gsWaitingForPlayers ? 1 : 2;
  g.Player1Alias = g.Player1DisplayName = "Bob";
  g.Player1Title = "King";
  if (status != gsWaitingForPlayers) {
    g.Player2Alias = g.Player2DisplayName = "Ann";
    g.Player2Title = "Queen";
    g.CurrentTurnAlias = "Ann";
  }
  g.MonthNumber = month;
  g.TurnOrder[0] = 1;
  g.TurnOrder[1] = 2;
  g.Player1Kastle = g.Player2Kastle = 1000;
  g.Player1Soldiers = g.Player2Soldiers = 500;
  g.Player1Score = 11;
  g.Player2Score = 22;
  g.LastTurnActions = {"[TEXT:turn of month " + std::to_string(month) + "]"};
  g.CreatedDate = Now() - idleDays - 1;
  g.LastMoveDate = Now() - idleDays;
  g.TimeoutDate = g.LastMoveDate + 7;
  return g;
}

int32_t Credits(const std::string& table, const std::string& alias) {
  TPvPRankings r;
  r.LoadFromFile(GetGameDir() + table);
  const int32_t i = r.FindPlayer(alias);
  return i < 0 ? 0 : r.GetPlayer(i).TotalGames;
}

// The disk every change starts from: the games above, Ann and Bob credited
// once in last month's tables (so the next game rolls the monthly one
// over), and last month's Klassic scores and scoreboard.
void SetUpDisk() {
  InitializeGameDirs();
  const std::string active = GetActiveGamesDir();
  ASSERT_TRUE(Game(kWaiting, gsWaitingForPlayers, 1, 0.1).SaveToFile(active + kWaiting));
  ASSERT_TRUE(Game(kPlaying, gsInProgress, 6, 0.1).SaveToFile(active + kPlaying));
  ASSERT_TRUE(Game(kStale, gsInProgress, 5, 4).SaveToFile(active + kStale));
  ASSERT_TRUE(Game(kYoung, gsInProgress, 2, 4).SaveToFile(active + kYoung));
  TPvPGameState old = Game(kOld, gsCompleted, 7, 9);
  ASSERT_TRUE(old.SaveToFile(GetCompletedGamesDir() + kOld));

  TPvPRankings tables;
  tables.UpdatePlayer("Bob", "Bob", true, 5, 4);
  tables.UpdatePlayer("Ann", "Ann", false, 3, 4);
  ASSERT_TRUE(tables.SaveToFile(GetGameDir() + kMonthly, DateTimeToStr(Now() - 40)));
  ASSERT_TRUE(tables.SaveToFile(GetGameDir() + kAllTime, ""));

  ASSERT_TRUE(WriteFileAtomic(GetGameDir() + "qgs-user.dat",
                              DateTimeToStr(Now() - 40) + "\n7\nAnn\n1\n0\n10\n"));
  ASSERT_TRUE(WriteFileAtomic(GetGameDir() + "qgs-best.asc", "last month's board\n"));
}

// Where a game is: "active", "completed", "both" or "none".
std::string Where(const std::string& file) {
  const bool a = FileExists(GetActiveGamesDir() + file);
  const bool c = FileExists(GetCompletedGamesDir() + file);
  return a && c ? "both" : a ? "active" : c ? "completed" : "none";
}

TPvPGameState Read(const std::string& path) {
  TPvPGameState g;
  g.LoadFromFile(path);
  return g;
}

// Every game file parses whole (its last line, the turn log, is there).
void ExpectGamesWhole() {
  for (const std::string& dir : {GetActiveGamesDir(), GetCompletedGamesDir()}) {
    for (const std::string& name : ListGameFiles(dir)) {
      const TPvPGameState g = Read(dir + name);
      EXPECT_FALSE(g.GameID.empty()) << name;
      EXPECT_FALSE(g.LastTurnActions.empty()) << name;
    }
  }
}

// A finished game in "completed" is credited once more than before in both
// tables; one still in "active" not at all.
void ExpectCreditedOnceIfCompleted(const std::string& file) {
  const std::string where = Where(file);
  ASSERT_TRUE(where == "active" || where == "completed") << file << " is in " << where;
  // The monthly table rolls over as the game is credited: this month's
  // credit stands alone, last month's goes to "qgs-pvp-last.dat".
  const int32_t allTime = where == "completed" ? 2 : 1;
  for (const char* alias : {"Ann", "Bob"}) {
    EXPECT_EQ(Credits(kMonthly, alias), 1) << alias << ", " << file << " in " << where;
    EXPECT_EQ(Credits(kAllTime, alias), allTime) << alias << ", " << file << " in " << where;
  }
  const bool rolled = FileExists(GetGameDir() + "qgs-pvp-last.dat");
  EXPECT_EQ(rolled, where == "completed");
  if (where == "completed") { EXPECT_EQ(Credits("qgs-pvp-last.dat", "Ann"), 1); }
}

void ExpectForfeitAndAbandon() {
  ExpectCreditedOnceIfCompleted(kStale);
  const std::string young = Where(kYoung);
  EXPECT_TRUE(young == "active" || young == "completed") << young;
  const std::string old = Where(kOld);
  EXPECT_TRUE(old == "completed" || old == "none") << old;
  EXPECT_EQ(Where(kPlaying), "active");
}

// The scores hold Ann's 40-point win once, in the new month with its board
// and last month's board moved (took), or are last month's as they were.
void ExpectScoresTookTheGameOrNot(bool& took) {
  std::vector<std::string> user;
  ASSERT_TRUE(ReadFileLines(GetGameDir() + "qgs-user.dat", user));
  std::string best, last;
  ASSERT_TRUE(ReadFileText(GetGameDir() + "qgs-best.asc", best));
  const bool hasLast = ReadFileText(GetGameDir() + "qgs-last.asc", last);
  TDateTime stamp;
  ASSERT_TRUE(TryStrToDateTime(user[0], stamp));
  took = MonthOf(stamp) == MonthOf(Now());
  if (took) {
    EXPECT_EQ(std::vector<std::string>(user.begin() + 1, user.end()),
              (std::vector<std::string>{"0", "Ann", "1", "0", "40"}));
    EXPECT_NE(best.find(std::string("Month of ") + MonthName(MonthOf(Now()))), std::string::npos);
    EXPECT_TRUE(hasLast);
    EXPECT_EQ(last, "last month's board\n");
  } else {
    EXPECT_EQ(best, "last month's board\n");
    EXPECT_FALSE(hasLast);
  }
}

struct Change {
  const char* name;
  std::function<void()> run;
  std::function<void()> check;  // after a fresh process has started
};

TTurnStart PlayingStart() { return TTurnStart::Of(Read(GetActiveGamesDir() + kPlaying)); }

const Change kChanges[] = {
    {"create",
     [] {
       std::unique_ptr<TPvPGameState> g = TPvPGameState::Create();
       g->Player1Alias = "Cid";
       g->LastTurnActions = {"[TEXT:new]"};
       CreateGameFile(*g);
     },
     [] { EXPECT_LE(ListGameFiles(GetActiveGamesDir()).size(), 5u); }},
    {"join",
     [] {
       HoldAliasForWrite = "Ann";
       TPlayer kingdom("Queen", "Ann", true);
       TPvPGameState joined;
       JoinGameFile(kWaiting, kingdom, joined);
     },
     [] {
       const TPvPGameState g = Read(GetActiveGamesDir() + kWaiting);
       EXPECT_TRUE(g.Status == gsWaitingForPlayers ||
                   (g.Status == gsInProgress && g.Player2Alias == "Ann"));
     }},
    {"save a turn",
     [] {
       TPvPGameState turn = Read(GetActiveGamesDir() + kPlaying);
       const TTurnStart start = TTurnStart::Of(turn);
       turn.CurrentTurnAlias = "Bob";
       turn.LastTurnActions = {"[TEXT:the new turn]"};
       SaveTurn(kPlaying, start, turn);
     },
     [] {
       const TPvPGameState g = Read(GetActiveGamesDir() + kPlaying);
       EXPECT_TRUE((g.CurrentTurnAlias == "Ann" &&
                    g.LastTurnActions == std::vector<std::string>{"[TEXT:turn of month 6]"}) ||
                   (g.CurrentTurnAlias == "Bob" &&
                    g.LastTurnActions == std::vector<std::string>{"[TEXT:the new turn]"}));
     }},
    {"winning turn",
     [] {
       const TTurnStart start = PlayingStart();
       TPvPGameState won = Read(GetActiveGamesDir() + kPlaying);
       won.Status = gsCompleted;
       won.Winner = "Ann";
       won.LastTurnActions = {"[TEXT:the winning turn]"};
       SaveWinningTurn(kPlaying, start, won, false);
     },
     [] {
       ExpectCreditedOnceIfCompleted(kPlaying);
       const std::string where = Where(kPlaying);
       const TPvPGameState g =
           Read((where == "completed" ? GetCompletedGamesDir() : GetActiveGamesDir()) + kPlaying);
       EXPECT_EQ(g.Status == gsCompleted, where == "completed");
     }},
    {"expiry pass with a forfeit and an abandonment",
     [] {
       Config.DaysUntilExpire = 3;
       CleanupExpiredGames();
     },
     ExpectForfeitAndAbandon},
    {"lobby's expiry pass",
     [] {
       Config.DaysUntilExpire = 3;
       CleanupAndScanGames();
     },
     ExpectForfeitAndAbandon},
    {"both rankings tables with the monthly rollover",
     [] {
       TPlayer one("King", "Bob", true), two("Queen", "Ann", false);
       UpdatePvPRankings(one, "Bob", two, "Ann", true, 6);
     },
     [] {
       const int32_t all = Credits(kAllTime, "Ann");
       EXPECT_TRUE(all == 1 || all == 2) << all;
       EXPECT_EQ(Credits(kMonthly, "Ann"), 1);
       EXPECT_EQ(Credits(kMonthly, "Bob"), Credits(kMonthly, "Ann"));
       EXPECT_EQ(Credits(kAllTime, "Bob"), all);
       EXPECT_EQ(FileExists(GetGameDir() + "qgs-pvp-last.dat"), all == 2);
     }},
    {"the online list",
     [] {
       HoldAliasForWrite = "Ann";
       UpdatePlayerOnlineStatus();
     },
     [] {
       std::string text;
       if (ReadFileText(GetOnlineFile(), text)) {
         EXPECT_TRUE(text.empty() || text.back() == '\n');
       }
     }},
    {"Klassic records",
     [] {
       TGameData records;
       UpdateGameData(
           [](TGameData& d) {
             bool s, l;
             ApplyRecordRules(d, 9, "Queen Ann", "King Computer", s, l);
           },
           records);
     },
     [] {
       std::vector<std::string> lines;
       if (ReadFileLines(GetGameDir() + "qgs.dat", lines)) { EXPECT_EQ(lines.size(), 9u); }
     }},
    {"Klassic scores with the scoreboard rollover",
     [] {
       HoldAliasForWrite = "Ann";
       UpdateUserFile(40, 0, true);
     },
     [] {
       bool took = false;
       ExpectScoresTookTheGameOrNot(took);
     }},
    {"Klassic result: scores, scoreboard rollover and records in one change",
     [] {
       HoldAliasForWrite = "Ann";
       TGameData records;
       KeepKlassicResult(
           40, 0, true,
           [](TGameData& d) {
             bool s, l;
             ApplyRecordRules(d, 9, "Queen Ann", "King Computer", s, l);
           },
           records);
     },
     [] {
       bool took = false;
       ExpectScoresTookTheGameOrNot(took);
       std::vector<std::string> lines;
       const bool recorded = ReadFileLines(GetGameDir() + "qgs.dat", lines);
       EXPECT_EQ(recorded, took);
       if (recorded) {
         EXPECT_EQ(lines,
                   (std::vector<std::string>{"9", "Queen Ann", "King Computer", "9", "Queen Ann",
                                             "King Computer", "9", "Queen Ann", "King Computer"}));
       }
     }},
};

// The steps a change takes, run whole on a fresh disk.
int64_t StepsOf(const Change& change) {
  FakePlatform env;
  FakeFileSystem files;
  files.AddFolder(env.gameDir);
  SetUpDisk();
  const int64_t before = files.steps;
  change.run();
  EXPECT_TRUE(files.HeldLocks().empty()) << change.name;
  return files.steps - before;
}

TEST(CrashSteps, EveryChangeStoppedAtEveryStepIsWholeAfterAFreshStart) {
  for (const Change& change : kChanges) {
    const int64_t steps = StepsOf(change);
    std::cout << "[ steps    ] " << change.name << ": " << steps << "\n";
    EXPECT_GT(steps, 0) << change.name;
    for (int64_t k = 1; k <= steps; ++k) {
      SCOPED_TRACE(std::string(change.name) + ", died after step " + std::to_string(k));
      FakePlatform env;
      FakeFileSystem files;
      files.AddFolder(env.gameDir);
      SetUpDisk();
      const int64_t before = files.steps;
      files.DieAfterStep(before + k);
      bool died = false;
      try {
        change.run();
      } catch (const ProcessDied&) { died = true; }
      EXPECT_TRUE(died) << files.stepLog.back();
      files.NewProcess();
      TidyGameDir();  // what a process does as it starts
      EXPECT_FALSE(FileExists(ChangeRecordPath()));
      ExpectGamesWhole();
      change.check();
      EXPECT_TRUE(files.HeldLocks().empty());
    }
  }
}

}  // namespace

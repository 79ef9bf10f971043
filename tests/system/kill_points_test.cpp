// The built qgs stopped between every two steps of the expiry pass. A stale
// Multiplayer game (idle for longer than qgs.cfg's days until expiry, past
// month 3, so it is closed with a forfeit and ranked) waits in the game
// directory beside both rankings tables. A caller enters the Multiplayer
// menu under tools/kill_after.cpp, which SIGKILLs it right after its Nth
// rename or unlink; then a second caller, without the shim, enters the menu
// too. For N = 1, 2, ... until a caller is no longer killed, the game must
// end up in "completed" once, credited once in each table, with every file
// whole, no change record left and no lock held.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/rankings.h"
#include "game/multiplayer/storage.h"
#include "support/door32_caller.h"
#include "support/game_files.h"
#include "support/lock_probe.h"

namespace {

namespace fs = std::filesystem;

const std::string kGameId = "20261201120000123";
const std::string kGameFile = "game_" + kGameId + ".dat";
// More than enough: the pass takes about a dozen renames and unlinks.
constexpr int kMostKillPoints = 200;

// Into the Multiplayer menu (which runs the expiry pass) and out again.
bool EnterMultiplayerAndLeave(Door32Caller& caller) {
  return caller.Answer("] to continue. -=> ", "\r") && caller.Answer("[Y/N] -=> ", "N") &&
         caller.Answer("Select option: ", "M") && caller.Answer("C,J,P,V,R,W,Q -=> ", "Q") &&
         caller.Answer("Select option: ", "Q") && caller.Await("Returning to ");
}

std::string Text(const fs::path& path) {
  std::string text;
  ReadFileText(path.string(), text);
  return text;
}
void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

struct Past {
  std::string Alias;
  int32_t Games, Wins, Score;
};

// A table's text crediting these past games (the rankings' own writer).
std::string TableText(const std::vector<Past>& players, const std::string& header) {
  TPvPRankings table;
  for (const Past& p : players) {
    for (int32_t g = 0; g < p.Games; ++g)
      table.UpdatePlayer(p.Alias, p.Alias, g < p.Wins, g == 0 ? p.Score : 0, 7);
  }
  return table.ToText(header);
}

// The game directory before the caller: the stale game, the tables (the
// monthly one of last month when newMonth, so the forfeit also archives
// it), a qgs.cfg with 3 days until expiry.
void MakeFixture(const fs::path& dir, const fs::path& binary, bool newMonth) {
  fs::create_directories(dir / "games" / "active");
  fs::create_directories(dir / "games" / "completed");
  fs::create_hard_link(binary, dir / "qgs");
  Write(dir / "qgs.cfg", "Sysop\nKill BBS\n10\n3\n");

  // Beta is due and forfeits: Alpha wins.
  TPvPGameState s = TwoCallerGame(kGameId, 4, gsInProgress,
                                  {"Alpha", "Alpha the Bold", "Beta", "Beta the Slow", "Beta"});
  s.MonthNumber = 6;
  s.Player1Title = "King";
  s.Player2Title = "Queen";
  s.Player1Score = 1200;
  s.Player2Score = 800;
  s.Player1Kastle = s.Player2Kastle = 100;
  s.Player1Soldiers = s.Player2Soldiers = 50;
  s.Player1Civilians = s.Player2Civilians = 500;
  s.Player1Gold = s.Player2Gold = 1000;
  s.Player1Food = s.Player2Food = 1000;
  s.LastTurnActions = {"[TEXT:Alpha passed]"};
  s.CreatedDate = Now() - 9;
  s.LastMoveDate = Now() - 5;  // stale, and not yet old enough to delete
  s.TimeoutDate = s.LastMoveDate + 7;
  Write(dir / "games" / "active" / kGameFile, s.ToText());

  Write(dir / "qgs-pvp-monthly.dat",
        TableText({{"Gamma", 2, 1, 300}, {"Alpha", 3, 2, 900}, {"Beta", 1, 0, 50}},
                  DateTimeToStr(newMonth ? Now() - 40 : Now())));
  Write(dir / "qgs-pvp-alltime.dat",
        TableText({{"Alpha", 10, 6, 5000}, {"Beta", 8, 3, 2000}, {"Gamma", 4, 2, 700}}, ""));
}

// What a table must hold after the forfeit: Alpha and Beta credited once
// (Alpha the winner) over what before held, Gamma as it was, the text whole.
void ExpectCreditedOnce(const fs::path& path, const std::string& before, bool monthly) {
  SCOPED_TRACE(path.filename().string());
  TPvPRankings old, now;
  old.LoadFromFile(before);
  now.LoadFromFile(path.string());
  const std::string text = Text(path);
  const std::string header = monthly ? text.substr(0, text.find('\n')) : std::string();
  EXPECT_EQ(now.ToText(header), text) << "not read back whole";
  ASSERT_EQ(now.PlayerCount(), std::max(old.PlayerCount(), 2));
  for (const std::string alias : {"Alpha", "Beta", "Gamma"}) {
    if (old.FindPlayer(alias) < 0 && alias == "Gamma") continue;
    const TPvPPlayerRecord a = old.GetPlayer(old.FindPlayer(alias));
    const TPvPPlayerRecord b = now.GetPlayer(now.FindPlayer(alias));
    const int32_t games = alias == "Gamma" ? 0 : 1;
    const int32_t wins = alias == "Alpha" ? 1 : 0;
    EXPECT_EQ(b.TotalGames, a.TotalGames + games) << alias;
    EXPECT_EQ(b.Wins, a.Wins + wins) << alias;
    EXPECT_EQ(b.Losses, a.Losses + games - wins) << alias;
  }
}

// Every name under dir, recursively, relative to it.
std::vector<std::string> AllNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    names.push_back(fs::relative(e.path(), dir).string());
  return names;
}

void CheckAfterBoth(const fs::path& dir, const fs::path& fixture, bool newMonth) {
  // The game: in "completed" once, as the forfeit closed it, and not active.
  EXPECT_TRUE(ListGameFiles((dir / "games" / "active").string() + "/").empty());
  const std::vector<std::string> completed =
      ListGameFiles((dir / "games" / "completed").string() + "/");
  ASSERT_EQ(completed, std::vector<std::string>{kGameFile});
  const fs::path gamePath = dir / "games" / "completed" / kGameFile;
  TPvPGameState game;
  game.LoadFromFile(gamePath.string());
  EXPECT_EQ(game.ToText(), Text(gamePath)) << "game file not read back whole";
  EXPECT_EQ(game.GameID, kGameId);
  EXPECT_EQ(game.Status, gsCompleted);
  EXPECT_EQ(game.Winner, "Alpha the Bold");
  EXPECT_EQ(game.MonthNumber, 6);

  // A new month starts the monthly table afresh, last month's archived as
  // it was.
  const fs::path monthlyBefore = fixture / (newMonth ? "none" : "qgs-pvp-monthly.dat");
  ExpectCreditedOnce(dir / "qgs-pvp-monthly.dat", monthlyBefore.string(), true);
  ExpectCreditedOnce(dir / "qgs-pvp-alltime.dat", (fixture / "qgs-pvp-alltime.dat").string(),
                     false);
  if (newMonth) {
    EXPECT_EQ(Text(dir / "qgs-pvp-last.dat"), Text(fixture / "qgs-pvp-monthly.dat"));
  } else {
    EXPECT_FALSE(fs::exists(dir / "qgs-pvp-last.dat"));
  }

  // The online list: whole records (an alias line and a date line each).
  const std::vector<std::string> online = SplitLines(Text(dir / "qgs-online.dat"));
  EXPECT_EQ(online.size() % 2, 0u);
  for (size_t i = 0; i + 1 < online.size(); i += 2) {
    TDateTime when = 0;
    EXPECT_FALSE(online[i].empty());
    EXPECT_TRUE(TryStrToDateTime(online[i + 1], when)) << online[i + 1];
  }

  // Nothing half done or left over: no change record (nor a damaged one
  // set aside), no temporary file, every lock free.
  for (const std::string& name : AllNames(dir)) {
    EXPECT_TRUE(name != "qgs-commit.dat" && name != "qgs-commit.dat.damaged") << name;
    EXPECT_EQ(name.find(".tmp."), std::string::npos) << name;
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".lock") == 0) {
      EXPECT_TRUE(LockFileIsFree((dir / name).string())) << name;
    }
  }
}

// For N = 1, 2, ...: a caller killed after its Nth rename or unlink, then
// a second caller, then the checks. killPoints: the number of calls of the
// run that was not cut.
void KillAtEveryPoint(bool newMonth, int& killPoints) {
  char tmpl[] = "/tmp/qgs-kill-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path root = tmpl;
  fs::copy_file(QGS_BINARY, root / "qgs");
  const fs::path fixture = root / "fixture";
  MakeFixture(fixture, root / "qgs", newMonth);

  killPoints = -1;
  std::string calls;  // the uncut run's calls, as the game directory names them
  for (int n = 1; n <= kMostKillPoints && killPoints < 0; ++n) {
    SCOPED_TRACE("killed after call " + std::to_string(n));
    const fs::path dir = root / ("run" + std::to_string(n));
    fs::copy(fixture, dir, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    bool killed = false;
    {
      Door32Caller first(
          dir, "Caller", "Caller", 1,
          {std::string("LD_PRELOAD=") + QGS_KILL_SHIM, "QGS_KILL_AFTER=" + std::to_string(n),
           "QGS_KILL_LOG=" + (root / "calls").string()});
      const bool finished = EnterMultiplayerAndLeave(first);
      const int status = first.Wait();
      killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
      ASSERT_TRUE(killed || (finished && WIFEXITED(status) && WEXITSTATUS(status) == 0))
          << "status " << status << "\n"
          << first.Screen();
    }
    if (!killed) {
      killPoints = n - 1;
      calls = Text(root / "calls");
      const std::string prefix = dir.string() + "/";
      for (size_t at; (at = calls.find(prefix)) != std::string::npos;)
        calls.erase(at, prefix.size());
    }
    fs::remove(root / "calls");
    {
      Door32Caller second(dir, "Second", "Second", 2);
      ASSERT_TRUE(EnterMultiplayerAndLeave(second)) << second.Screen();
      const int status = second.Wait();
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    CheckAfterBoth(dir, fixture, newMonth);
    if (::testing::Test::HasFailure()) {
      std::cerr << "qgs.log:\n" << Text(dir / "qgs.log");
      break;
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::cout << "kill points: " << killPoints << "\n" << calls;

  std::error_code ec;
  if (!::testing::Test::HasFailure()) fs::remove_all(root, ec);
}

TEST(KillPoints, ExpiryPassKilledAfterAnyRenameOrUnlinkCreditsTheForfeitOnce) {
  int killPoints = 0;
  KillAtEveryPoint(false, killPoints);
  EXPECT_GT(killPoints, 0);
}

TEST(KillPoints, TheSameInANewMonthArchivesLastMonthsTableOnce) {
  int killPoints = 0;
  KillAtEveryPoint(true, killPoints);
  EXPECT_GT(killPoints, 0);
}

}  // namespace

// Nodes killed in the middle of their writes. Forked writer processes run
// the game's own update code on every kind of shared file (the Klassic
// records and scores, the scoreboards, game files through their whole life,
// the expiry pass, the rankings, the online list) over one game directory,
// and are killed with SIGKILL a few hundred times: at moments drawn from a
// seeded generator, or, for most of them, right after a number of file
// renames and deletions drawn from it (the moments between two steps of one
// update, which a kill in time rarely hits, as the writes' fsync takes most
// of the time). Afterwards every file must read back whole, as one of
// the states its writers left (never torn), every game must be in exactly
// one of the two folders, no finished update may be lost, and a new process
// must be able to take every lock at once.
//
// The kills fall at real moments, so which updates were made varies from
// run to run; what is checked holds for every schedule.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "game/common/commit.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/rankings.h"
#include "game/multiplayer/storage.h"
#include "game/records/gamedata.h"
#include "game/records/scores.h"
#include "game/shell/config.h"
#include "game/common/globals.h"
#include "support/fake_platform.h"
#include "support/lock_probe.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kHourMs = 3600LL * 1000;
constexpr int64_t kDayMs = 24 * kHourMs;

// ---- what the writers tell the parent --------------------------------------

enum Kind { kKlassic, kRankings, kOnline, kGames, kExpiry, kKinds };
// The writers running at once, by kind.
const Kind kCrew[] = {kKlassic, kKlassic, kRankings, kOnline, kGames, kGames, kExpiry};

// The lives of a games writer's games.
enum GameType { kPlayedToWin, kStale, kAncient, kGameTypes };
enum Stage { kCreated, kJoined, kWon };
constexpr int kGameNotes = 120;

struct GameNote {
  char id[32];
  int32_t type;
  std::atomic<int32_t> stage;
  std::atomic<int32_t> turns;  // turns saved
};

// One writer process's life, in memory shared with the parent. Everything a
// writer notes it notes after the update it describes has returned.
struct Life {
  std::atomic<int32_t> kind;
  std::atomic<uint32_t> done;  // updates finished
  std::atomic<uint32_t> inOp;  // 1 from the start of an update until it is noted
  std::atomic<int32_t> games;  // GameNotes filled
  int32_t killAfterSteps;      // 0: killed in time only
  GameNote game[kGameNotes];
};

Life* lives = nullptr;

// ---- kills between file steps -----------------------------------------------
// The test binary's own rename and unlink stand in for the C library's (the
// game calls no others to change the files). In a writer armed with a count,
// the count-th of them kills the writer as soon as it is made.
int stepsLeft = 0;  // 0: not armed (the parent and every other test)

void AfterStep() {
  if (stepsLeft > 0 && --stepsLeft == 0) raise(SIGKILL);
}

}  // namespace

extern "C" int rename(const char* from, const char* to) noexcept {
  static const auto real =
      reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "rename"));
  const int result = real(from, to);
  AfterStep();
  return result;
}

extern "C" int unlink(const char* path) noexcept {
  static const auto real = reinterpret_cast<int (*)(const char*)>(dlsym(RTLD_NEXT, "unlink"));
  const int result = real(path);
  AfterStep();
  return result;
}

namespace {

// Brackets one update: the parent knows that a writer killed outside it had
// finished and noted every update it began.
template <typename Update>
void Op(Life& life, Update update) {
  life.inOp = 1;
  update();
  ++life.done;
  life.inOp = 0;
}

std::string Alias(char kind, int id, const char* suffix = "") {
  return std::string(1, kind) + std::to_string(id) + suffix;
}

// ---- the writers' updates, all functions of the writer and the update's
// ---- number, so that the parent can tell what any number of them adds up to

struct KlassicGame {
  bool won;
  int32_t playerScore, computerScore, months;
};
KlassicGame KlassicOp(uint32_t i) {
  const bool won = i % 3 != 0;
  return {won, won ? static_cast<int32_t>(100 + i) : 0, won ? 0 : static_cast<int32_t>(50 + i),
          static_cast<int32_t>(5 + i % 17)};
}

struct RankedGame {
  bool firstWon;
  int32_t firstScore, secondScore, months;
};
RankedGame RankedOp(uint32_t i) {
  return {i % 2 == 0, static_cast<int32_t>(10 + i), static_cast<int32_t>(20 + i),
          static_cast<int32_t>(3 + i % 5)};
}

// Online updates cycle through: mark active, expire, mark active, leave.
bool OnlineAfter(uint32_t updates) { return updates != 0 && updates % 4 != 0; }

// ---- the writers (each runs until it is killed) ---------------------------

[[noreturn]] void KlassicWriter(FakePlatform& fake, Life& life, int id) {
  HoldAliasForWrite = Alias('K', id);
  fake.nowMs = 0;
  for (uint32_t i = 0;; ++i) {
    const KlassicGame g = KlassicOp(i);
    const std::string caller = "King " + HoldAliasForWrite, computer = "King Computer";
    const std::string& winner = g.won ? caller : computer;
    const std::string& loser = g.won ? computer : caller;
    TGameData records;
    Op(life, [&] {
      bool shortest, longest;
      UpdateGameData(
          [&](TGameData& d) { ApplyRecordRules(d, g.months, winner, loser, shortest, longest); },
          records);
      UpdateUserFile(g.playerScore, g.computerScore, g.won);
    });
  }
}

[[noreturn]] void RankingsWriter(FakePlatform& fake, Life& life, int id) {
  fake.nowMs = 0;
  TPlayer first("King", Alias('R', id, "a"), true), second("Queen", Alias('R', id, "b"), false);
  for (uint32_t i = 0;; ++i) {
    const RankedGame g = RankedOp(i);
    first.Score = g.firstScore;
    second.Score = g.secondScore;
    Op(life,
       [&] { UpdatePvPRankings(first, first.Name, second, second.Name, g.firstWon, g.months); });
  }
}

[[noreturn]] void OnlineWriter(FakePlatform& fake, Life& life, int id) {
  HoldAliasForWrite = Alias('O', id);
  fake.nowMs = 0;  // every online writer on one clock: nobody expires anybody
  for (uint32_t i = 0;; ++i) {
    Op(life, [&] {
      switch (i % 4) {
        case 1: CleanupExpiredOnlinePlayers(); break;
        case 3: RemovePlayerFromOnline(); break;
        default: UpdatePlayerOnlineStatus(); break;
      }
    });
  }
}

// Creates, joins and plays games as two callers: G<id>a creates, G<id>b
// joins. Games played to a win are played now; stale ones three days ago,
// so that the expiry pass closes them (forfeited from month 4, abandoned
// before); ancient ones ten days ago, so that the pass removes them
// altogether. The kingdoms' counters are left alone but for player 1's
// score, which counts the turns saved.
[[noreturn]] void GamesWriter(FakePlatform& fake, Life& life, int id) {
  const std::string a = Alias('G', id, "a"), b = Alias('G', id, "b");
  TPlayer kingdomB("King", b, false);
  for (int g = 0;; ++g) {
    if (g >= kGameNotes) pause();  // no room left to note games: wait for the kill
    const int type = g % kGameTypes;
    const int64_t ago = type == kStale ? 3 * kDayMs : type == kAncient ? 10 * kDayMs : 0;
    fake.nowMs = id * 200000LL + g * 10000LL - ago;

    HoldAliasForWrite = a;
    std::unique_ptr<TPvPGameState> game = TPvPGameState::Create();
    game->GameType = gtMultiplayer;
    game->MaxPlayers = 2;
    game->CurrentPlayers = 1;
    game->TurnOrder[0] = 1 + g % 2;
    game->TurnOrder[1] = 2 - g % 2;
    game->Player1Alias = a;
    game->Player1DisplayName = a;
    game->Player1Title = "Queen";
    bool created = false;
    Op(life, [&] { created = CreateGameFile(*game); });
    if (!created) continue;
    GameNote& note = life.game[g];
    std::snprintf(note.id, sizeof note.id, "%s", game->GameID.c_str());
    note.type = type;
    note.stage = kCreated;
    note.turns = 0;
    life.games = g + 1;
    const std::string file = GameFileName(*game);

    HoldAliasForWrite = b;
    TPvPGameState joined;
    bool ok = false;
    Op(life, [&] { ok = JoinGameFile(file, kingdomB, joined); });
    if (!ok) continue;
    note.stage = kJoined;

    const int turns = type == kPlayedToWin ? 7 : type == kStale ? 8 : 0;
    for (int t = 0; ok && t < turns; ++t) {
      fake.Advance(1000);
      TPvPGameState turn = joined;
      const TTurnStart start = TTurnStart::Of(turn);
      turn.Player1Score = t + 1;
      turn.LastTurnActions = {"[TEXT:turn " + std::to_string(t + 1) + "]"};
      turn.CurrentTurnAlias = turn.CurrentTurnAlias == a ? b : a;
      if (turn.CurrentTurnAlias == turn.GetPlayerAlias(turn.TurnOrder[0])) ++turn.MonthNumber;
      turn.LastMoveDate = Now();
      turn.TimeoutDate = turn.LastMoveDate + 7;
      Op(life, [&] { ok = SaveTurn(file, start, turn) == tsSaved; });
      if (!ok) break;
      note.turns = t + 1;
      joined = turn;
    }
    if (!ok || type != kPlayedToWin) continue;

    fake.Advance(1000);
    TPvPGameState won = joined;
    won.Status = gsCompleted;
    won.Winner = a;
    won.LastMoveDate = Now();
    Op(life, [&] { ok = SaveWinningTurn(file, TTurnStart::Of(joined), won, true) == tsSaved; });
    if (ok) note.stage = kWon;
  }
}

// The expiry pass over and over, with the listings read between.
[[noreturn]] void ExpiryWriter(FakePlatform& fake, Life& life, int) {
  HoldAliasForWrite = "Sysop";
  Config.DaysUntilExpire = 2;
  fake.nowMs = 12 * kHourMs;
  for (bool lobby = false;; lobby = !lobby) {
    Op(life, [&] {
      if (lobby)
        CleanupAndScanGames();  // as the lobby draws
      else
        CleanupExpiredGames();  // as the Multiplayer menu is entered
    });
    GetOpenGames();
    GetNextAvailableGameNumber();
  }
}

[[noreturn]] void RunWriter(FakePlatform& fake, Life& life, int id) {
  fake.Seed(7000 + id);
  stepsLeft = life.killAfterSteps;
  try {
    switch (life.kind.load()) {
      case kKlassic: KlassicWriter(fake, life, id);
      case kRankings: RankingsWriter(fake, life, id);
      case kOnline: OnlineWriter(fake, life, id);
      case kGames: GamesWriter(fake, life, id);
      default: ExpiryWriter(fake, life, id);
    }
  } catch (...) {}
  _exit(3);  // never back into the test runner; no destructors either
}

// ---- strict readers: a file either parses whole or the test fails ----------

std::vector<std::string> WholeLines(const std::string& path) {
  std::string text;
  EXPECT_TRUE(ReadFileText(path, text)) << path;
  EXPECT_TRUE(text.empty() || text.back() == '\n') << path << " ends mid-line";
  return SplitLines(text);
}

int32_t Int(const std::string& line, const std::string& what) {
  int32_t value = 0;
  EXPECT_TRUE(ParseIntLine(line, value) && line == std::to_string(value))
      << what << ": \"" << line << "\"";
  return value;
}

void Date(const std::string& line, const std::string& what) {
  TDateTime value;
  EXPECT_TRUE(TryStrToDateTime(line, value)) << what << ": \"" << line << "\"";
}

// Each life's id, by its alias: "K12" and "G7a" give 12 and 7.
int IdOf(const std::string& alias) { return std::atoi(alias.c_str() + 1); }

// ---- the parent ------------------------------------------------------------

class CrashSafety : public ::testing::Test {
 protected:
  FakePlatform fake;
  int lifeCount = 0;
  int maxLives = 0;
  int kills = 0;
  int killsInOp[kKinds] = {};

  void SetUp() override {
    InitializeGameDirs();
    const char* env = std::getenv("QGS_CRASH_KILLS");
    killTarget = env ? std::max(1, std::atoi(env)) : 300;
    maxLives = killTarget + 16;
    void* shared = mmap(nullptr, sizeof(Life) * static_cast<size_t>(maxLives),
                        PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    lives = new (shared) Life[maxLives];
  }
  void TearDown() override {
    if (lives) munmap(lives, sizeof(Life) * static_cast<size_t>(maxLives));
    lives = nullptr;
  }

  int killTarget = 0;

  std::mt19937 rng{20261209};
  int stepKills = 0;

  pid_t Spawn(Kind kind) {
    const int id = lifeCount++;
    lives[id].kind = kind;
    lives[id].killAfterSteps = rng() % 3 ? static_cast<int32_t>(1 + rng() % 16) : 0;
    const pid_t pid = fork();
    if (pid == 0) RunWriter(fake, lives[id], id);
    return pid;
  }

  void Reaped(int status, int id) {
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "writer " << id << " ended on its own";
    ++kills;
    if (lives[id].inOp) ++killsInOp[lives[id].kind];
  }

  void Kill(pid_t pid, int id) {
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    Reaped(status, id);
  }

  // Runs the crew, killing writers (or letting the armed ones kill
  // themselves) and starting others in their place, until killTarget
  // writers have been killed.
  void RunAndKill() {
    struct Running {
      pid_t pid;
      int id;
    };
    std::vector<Running> crew;
    for (Kind kind : kCrew) {
      const int id = lifeCount;
      crew.push_back({Spawn(kind), id});
    }
    for (const Running& r : crew) ASSERT_GT(r.pid, 0);
    auto replace = [&](Running& r) {
      const int id = lifeCount;
      r = {Spawn(static_cast<Kind>(lives[r.id].kind.load())), id};
      ASSERT_GT(r.pid, 0);
    };
    while (kills + static_cast<int>(crew.size()) < killTarget) {
      const timespec pause{0, static_cast<long>(rng() % 12000) * 1000};  // up to 12 ms
      nanosleep(&pause, nullptr);
      for (Running& r : crew) {
        int status = 0;
        if (waitpid(r.pid, &status, WNOHANG) != r.pid) continue;
        Reaped(status, r.id);
        ++stepKills;
        replace(r);
      }
      Running& victim = crew[rng() % crew.size()];
      Kill(victim.pid, victim.id);
      replace(victim);
    }
    const timespec pause{0, 5000000};
    nanosleep(&pause, nullptr);
    for (const Running& r : crew) Kill(r.pid, r.id);
  }

  // The updates a life may have made: exactly those it noted, or one more
  // when it was killed inside an update.
  bool Allows(int id, uint32_t updates) const {
    const Life& l = lives[id];
    return updates == l.done || (l.inOp && updates == l.done + 1);
  }
  std::string Path(const std::string& name) const { return fake.gameDir + name; }
};

TEST_F(CrashSafety, KilledWritersLeaveEveryFileWholeAndLoseNothingFinished) {
  RunAndKill();
  // The last writer killed may have been half way through a change of
  // several files; the next node to start finishes it before reading them.
  FinishLeftoverChange();
  uint32_t updates[kKinds] = {};
  for (int id = 0; id < lifeCount; ++id) updates[lives[id].kind] += lives[id].done;
  for (int kind = 0; kind < kKinds; ++kind) {
    EXPECT_GT(updates[kind], 0u) << "writers of kind " << kind << " got nothing done";
  }

  // Klassic records: nine lines, each record a whole game's.
  {
    SCOPED_TRACE("qgs.dat");
    const std::vector<std::string> d = WholeLines(Path("qgs.dat"));
    ASSERT_EQ(d.size(), 9u);
    int32_t months[3];
    for (int r = 0; r < 3; ++r) {
      months[r] = Int(d[static_cast<size_t>(r * 3)], "months");
      const std::string& winner = d[static_cast<size_t>(r * 3 + 1)];
      const std::string& loser = d[static_cast<size_t>(r * 3 + 2)];
      EXPECT_TRUE((winner == "King Computer") != (loser == "King Computer")) << winner << loser;
      EXPECT_GE(months[r], 5);
      EXPECT_LE(months[r], 21);
    }
    EXPECT_LE(months[0], months[2]);
    EXPECT_LE(months[2], months[1]);
  }

  // Scores: every caller's line is the sum of a whole number of its games,
  // and King Computer's total the sum of exactly those games.
  std::map<std::string, uint32_t> klassicGames;
  {
    SCOPED_TRACE("qgs-user.dat");
    const std::vector<std::string> u = WholeLines(Path("qgs-user.dat"));
    ASSERT_GE(u.size(), 2u);
    ASSERT_EQ((u.size() - 2) % 4, 0u);
    Date(u[0], "stamp");
    int64_t computerTotal = 0;
    for (size_t at = 2; at < u.size(); at += 4) {
      const std::string& alias = u[at];
      ASSERT_EQ(alias[0], 'K');
      const int32_t wins = Int(u[at + 1], alias), losses = Int(u[at + 2], alias);
      const uint32_t games = static_cast<uint32_t>(wins + losses);
      EXPECT_TRUE(Allows(IdOf(alias), games))
          << alias << " has " << games << " games of " << lives[IdOf(alias)].done;
      EXPECT_TRUE(klassicGames.emplace(alias, games).second) << alias << " twice";
      int64_t score = 0, won = 0;
      for (uint32_t i = 0; i < games; ++i) {
        score += KlassicOp(i).playerScore;
        computerTotal += KlassicOp(i).computerScore;
        won += KlassicOp(i).won;
      }
      EXPECT_EQ(wins, won) << alias;
      EXPECT_EQ(Int(u[at + 3], alias), score) << alias;
    }
    EXPECT_EQ(Int(u[1], "computer total"), computerTotal);
    for (int id = 0; id < lifeCount; ++id) {
      if (lives[id].kind == kKlassic && lives[id].done > 0) {
        EXPECT_TRUE(klassicGames.count(Alias('K', id))) << "K" << id << "'s games were lost";
      }
    }
  }

  // The scoreboard: whole, and behind the scores by no more than the one
  // game of each writer killed between its two writes.
  {
    SCOPED_TRACE("qgs-best.asc");
    const std::vector<std::string> b = WholeLines(Path("qgs-best.asc"));
    ASSERT_GE(b.size(), 14u);
    EXPECT_EQ(b[0], "* Gronels and Slingards Scoreboard for the Month of December *");
    const size_t rows = b.size() - 14;
    EXPECT_EQ(b[4 + rows], std::string(72, '-'));
    EXPECT_EQ(b[b.size() - 2], std::string(72, '-'));
    auto number = [](std::string text) {
      text.erase(std::remove(text.begin(), text.end(), ','), text.end());
      return std::atoll(text.c_str());
    };
    int64_t total = 0;
    int behind = 0;
    for (size_t r = 0; r < rows; ++r) {
      char alias[64], score[32];
      int rank, games, wins, losses, percent;
      ASSERT_EQ(std::sscanf(b[4 + r].c_str(), "%d %63s %d %d %d %d %% %31s", &rank, alias, &games,
                            &wins, &losses, &percent, score),
                7)
          << b[4 + r];
      EXPECT_EQ(rank, static_cast<int>(r + 1));
      EXPECT_EQ(games, wins + losses);
      const uint32_t inScores = klassicGames.count(alias) ? klassicGames[alias] : 0;
      EXPECT_TRUE(static_cast<uint32_t>(games) == inScores ||
                  static_cast<uint32_t>(games) + 1 == inScores)
          << alias;
      behind += static_cast<uint32_t>(games) != inScores;
      total += number(score);
    }
    // Behind by the games of writers killed between the two writes, in a row.
    EXPECT_LE(behind, killsInOp[kKlassic]);
    const std::string& users =
        b[10 + rows].find("All Users") != std::string::npos ? b[10 + rows] : b[11 + rows];
    ASSERT_NE(users.find("All Users"), std::string::npos);
    EXPECT_EQ(number(users.substr(users.find_last_of(' ') + 1)), total);
  }

  // Rankings written straight: every R pair holds a whole number of its
  // games in each table, the all-time table never ahead of the monthly one.
  std::map<std::string, int32_t> rankedAllTime, rankedMonthly;
  for (const char* file : {"qgs-pvp-monthly.dat", "qgs-pvp-alltime.dat"}) {
    SCOPED_TRACE(file);
    const bool monthly = file[8] == 'm';
    const std::vector<std::string> r = WholeLines(Path(file));
    const size_t head = monthly ? 1 : 0;
    ASSERT_GT(r.size(), head);
    if (monthly) Date(r[0], "header");
    const int32_t count = Int(r[head], "count");
    ASSERT_EQ(r.size(), head + 1 + 10 * static_cast<size_t>(count));
    for (int32_t p = 0; p < count; ++p) {
      const size_t at = head + 1 + 10 * static_cast<size_t>(p);
      const std::string& alias = r[at];
      EXPECT_EQ(r[at + 1], alias);  // every writer names its kingdoms after their aliases
      int32_t n[7];
      for (int f = 0; f < 7; ++f) n[f] = Int(r[at + 2 + static_cast<size_t>(f)], alias);
      Date(r[at + 9], alias);
      const int32_t games = n[0], wins = n[1], losses = n[2], score = n[3], months = n[6];
      EXPECT_EQ(games, wins + losses) << alias;
      (monthly ? rankedMonthly : rankedAllTime)[alias] = games;
      if (alias[0] != 'R') continue;
      const bool first = alias.back() == 'a';
      EXPECT_TRUE(Allows(IdOf(alias), static_cast<uint32_t>(games))) << alias;
      int64_t wantScore = 0, wantWins = 0, wantMonths = 0;
      for (int32_t i = 0; i < games; ++i) {
        const RankedGame g = RankedOp(static_cast<uint32_t>(i));
        wantScore += first ? g.firstScore : g.secondScore;
        wantWins += g.firstWon == first;
        wantMonths += g.months;
      }
      EXPECT_EQ(score, wantScore) << alias;
      EXPECT_EQ(wins, wantWins) << alias;
      EXPECT_EQ(months, wantMonths) << alias;
    }
  }
  for (const auto& [alias, games] : rankedAllTime) {
    EXPECT_GE(rankedMonthly[alias], games) << alias;
  }
  for (int id = 0; id < lifeCount; ++id) {
    if (lives[id].kind != kRankings || lives[id].done == 0) continue;
    for (const char* side : {"a", "b"}) {
      EXPECT_TRUE(rankedMonthly.count(Alias('R', id, side))) << "R" << id << side << " lost";
      EXPECT_TRUE(rankedAllTime.count(Alias('R', id, side))) << "R" << id << side << " lost";
    }
  }

  // The online list: two whole lines an entry, each caller once, and there
  // exactly when its updates say so.
  {
    SCOPED_TRACE("qgs-online.dat");
    const std::vector<std::string> o = WholeLines(Path("qgs-online.dat"));
    ASSERT_EQ(o.size() % 2, 0u);
    std::set<std::string> online;
    for (size_t at = 0; at < o.size(); at += 2) {
      ASSERT_EQ(o[at][0], 'O') << o[at];
      Date(o[at + 1], o[at]);
      EXPECT_TRUE(online.insert(o[at]).second) << o[at] << " twice";
    }
    for (int id = 0; id < lifeCount; ++id) {
      const Life& l = lives[id];
      if (l.kind != kOnline) continue;
      const bool there = online.count(Alias('O', id)) > 0;
      EXPECT_TRUE(there == OnlineAfter(l.done) || (l.inOp && there == OnlineAfter(l.done + 1)))
          << "O" << id << " after " << l.done << " updates";
    }
  }

  // Game files: each whole, in one folder only, with every turn that was
  // saved; the rankings credit no game that is not completed.
  struct Found {
    bool active;
    TGameStatus status;
    int32_t turns;
    std::string p1, p2, winner;
  };
  std::map<std::string, Found> found;  // by GameID
  int finishedInActive = 0;
  std::map<std::string, int32_t> completedGamesOf;
  for (const bool active : {true, false}) {
    const std::string dir = active ? GetActiveGamesDir() : GetCompletedGamesDir();
    for (const std::string& name : ListGameFiles(dir)) {
      SCOPED_TRACE(dir + name);
      const std::vector<std::string> g = WholeLines(dir + name);
      ASSERT_GE(g.size(), 44u);
      EXPECT_EQ(g[0], "# QGS PvP Game State v1.2");
      for (size_t line : {2, 3, 4, 5, 6, 14, 15, 16})
        Int(g[line], "line " + std::to_string(line + 1));
      for (size_t line = 18; line < 28; ++line) Int(g[line], "counter");
      for (size_t line = 29; line < 39; ++line) Int(g[line], "counter");
      for (size_t line : {39, 40, 41}) Date(g[line], "date");
      ASSERT_EQ(g.size(), 44u + static_cast<size_t>(Int(g[43], "log lines")));
      EXPECT_EQ(name, "game_" + g[1] + ".dat");
      const auto status = static_cast<TGameStatus>(Int(g[4], "status"));
      const bool finished = status == gsCompleted || status == gsAbandoned;
      if (active)
        finishedInActive += finished;
      else
        EXPECT_TRUE(finished) << "an unfinished game in completed";
      EXPECT_TRUE(
          found.emplace(g[1], Found{active, status, Int(g[18], "turns"), g[7], g[9], g[42]}).second)
          << g[1] << " is in both folders";
      if (!active && status == gsCompleted) {
        ++completedGamesOf[g[7]];
        ++completedGamesOf[g[9]];
      }
    }
  }
  // A finished game left in "active" is a move its node did not finish:
  // one at most for every kill inside a games update or an expiry pass.
  const int gameKills = killsInOp[kGames] + killsInOp[kExpiry];
  EXPECT_LE(finishedInActive, gameKills);

  size_t noted = 0;
  for (int id = 0; id < lifeCount; ++id) {
    const Life& l = lives[id];
    if (l.kind != kGames) continue;
    for (int g = 0; g < l.games; ++g) {
      const GameNote& note = l.game[g];
      if (note.id[0] == '\0') continue;  // never created
      ++noted;
      const bool latest = g == l.games - 1;
      SCOPED_TRACE("G" + std::to_string(id) + " game " + note.id);
      auto it = found.find(note.id);
      if (it == found.end()) {
        // Only a game that the expiry pass closed ten days on may be gone.
        EXPECT_EQ(note.type, kAncient) << "a game was lost";
        continue;
      }
      const Found& f = it->second;
      EXPECT_EQ(f.p1, Alias('G', id, "a"));
      if (note.stage >= kJoined) { EXPECT_EQ(f.p2, Alias('G', id, "b")); }
      EXPECT_GE(f.turns, note.turns) << "a saved turn was lost";
      EXPECT_LE(f.turns, note.turns + (latest && l.inOp ? 1 : 0));
      if (note.stage == kWon) {
        EXPECT_FALSE(f.active);
        EXPECT_EQ(f.status, gsCompleted);
        EXPECT_EQ(f.winner, Alias('G', id, "a"));
      }
    }
  }
  // Games created but not yet noted when their writer was killed.
  EXPECT_LE(found.size(), noted + static_cast<size_t>(killsInOp[kGames]));

  // No game credited that is not in "completed" as completed; one lost at
  // most for every kill between a game's move and its rankings.
  int uncredited = 0;
  for (const auto* table : {&rankedAllTime, &rankedMonthly}) {
    for (const auto& [alias, games] : *table) {
      if (alias[0] != 'G') continue;
      EXPECT_LE(games, completedGamesOf[alias]) << alias << " credited twice";
    }
  }
  for (const auto& [alias, games] : completedGamesOf) {
    uncredited += games - rankedAllTime[alias];
  }
  EXPECT_LE(uncredited, 2 * gameKills);

  // No lock is left held: a new process takes every one of them at once.
  std::vector<std::string> locks;
  for (const auto& entry : fs::recursive_directory_iterator(fake.gameDir)) {
    if (entry.path().extension() == ".lock") locks.push_back(entry.path());
  }
  EXPECT_GE(locks.size(), 5u);
  const pid_t checker = fork();
  if (checker == 0) {
    int taken = 0;
    for (const std::string& lock : locks) { taken += LockFileIsFree(lock); }
    _exit(taken == static_cast<int>(locks.size()) ? 0 : 1);
  }
  int status = 1;
  waitpid(checker, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a lock is still held";

  // The next expiry pass finishes the moves cut short.
  Config.DaysUntilExpire = 30;
  fake.nowMs = 12 * kHourMs;
  CleanupExpiredGames();
  for (const std::string& name : ListGameFiles(GetActiveGamesDir())) {
    TPvPGameState s;
    s.LoadFromFile(GetActiveGamesDir() + name);
    EXPECT_TRUE(s.Status == gsWaitingForPlayers || s.Status == gsInProgress) << name;
  }

  int leftovers = 0;
  for (const auto& entry : fs::recursive_directory_iterator(fake.gameDir)) {
    leftovers += entry.path().filename().string().find(".tmp.") != std::string::npos;
  }
  int inOp = 0;
  for (int n : killsInOp) inOp += n;
  std::printf(
      "[ crash    ] %d writers killed (%d after a file step), %d inside an update; %u Klassic "
      "games, %u rankings, "
      "%u online, %u game and %u expiry updates; %zu games; %d finished moves cut short; "
      "%d temporary files left\n",
      kills, stepKills, inOp, updates[kKlassic], updates[kRankings], updates[kOnline],
      updates[kGames], updates[kExpiry], found.size(), finishedInActive, leftovers);
}

}  // namespace

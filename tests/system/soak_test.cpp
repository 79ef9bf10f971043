// Thirty-two callers at once on one game directory, each on its own node:
// the built qgs, handed one end of a socket pair through a DOOR32.SYS, the
// caller played by a thread on the other end. Eight callers play Klassic
// games against King Computer; twelve create Multiplayer games and twelve
// join them, and each pair plays turns until the creator gives up. Between
// turns they look at the lobby, the online list, the rankings and the game
// views. Afterwards nothing may be lost: every Klassic game is in the
// scores, every Multiplayer game is completed with all its turns, both
// ranking tables hold every player's game, nobody is left on the online
// list, every file is whole and no lock is held.
//
// Real time throughout (the game's pauses included); bounded by a deadline.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "game/common/datafile.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/rankings.h"
#include "support/lock_probe.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kKlassicCallers = 8;
constexpr int kGames = 12;  // each with a creator and a joiner
constexpr int kCallers = kKlassicCallers + 2 * kGames;
constexpr int kKlassicGamesEach = 3;
constexpr int kCreatorTurns = 3;  // the creator gives up at its next turn
// Time for the whole soak, and for any one screen to come.
constexpr auto kDeadline = std::chrono::minutes(4);
constexpr int kScreenMs = 60000;

const std::string kCommand = "or ? for Help -=> ";
const std::string kMultiMenu = "C,J,P,V,R,W,Q -=> ";
const std::string kPause = "*[ Press any Key ]*";
const std::string kPressAnyKey = "Press any key...";

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One node: the qgs process and the caller's end of its connection.
class Caller {
 public:
  Caller(const fs::path& dir, int node) : node_(node), alias_("Node" + std::to_string(node)) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) throw Failure("socketpair");
    fd_ = sv[0];
    const fs::path nodeDir = dir / "nodes" / std::to_string(node);
    fs::create_directories(nodeDir);
    const fs::path drop = nodeDir / "DOOR32.SYS";
    std::ofstream(drop, std::ios::binary) << "2\r\n"
                                          << sv[1] << "\r\n38400\r\nSoak BBS\r\n"
                                          << node << "\r\nCaller " << node << "\r\n"
                                          << alias_ << "\r\n100\r\n60\r\n1\r\n"
                                          << node << "\r\n";
    const std::string program = (dir / "qgs").string();
    const std::string dropArg = "-D" + drop.string();
    const std::string console = (nodeDir / "console.log").string();
    pid_ = fork();
    if (pid_ < 0) throw Failure("fork");
    if (pid_ == 0) {
      fcntl(sv[1], F_SETFD, 0);
      const int in = open("/dev/null", O_RDONLY);
      const int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(in, 0);
      dup2(out, 1);
      dup2(out, 2);
      char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(dropArg.c_str()),
                      nullptr};
      execv(program.c_str(), argv);
      _exit(127);
    }
    close(sv[1]);
  }
  ~Caller() {
    if (fd_ >= 0) close(fd_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  const std::string& Alias() const { return alias_; }
  int Node() const { return node_; }

  // Waits for the first of the texts to come after what was matched last;
  // its index. Throws when none comes in time or the connection ends.
  size_t Await(const std::vector<std::string>& texts) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kScreenMs);
    for (;;) {
      size_t best = std::string::npos, which = 0;
      for (size_t i = 0; i < texts.size(); ++i) {
        const size_t at = screen_.find(texts[i], mark_);
        if (at < best) best = at, which = i;
      }
      if (best != std::string::npos) {
        mark_ = best + texts[which].size();
        return which;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) throw Failure(alias_ + " waited in vain for \"" + texts[0] + "\"" + Tail());
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(std::min<long>(left, 1000))) <= 0) continue;
      char buf[4096];
      const ssize_t n = recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) throw Failure(alias_ + " lost the connection" + Tail());
      screen_.append(buf, static_cast<size_t>(n));
    }
  }
  void Type(const std::string& keys) { send(fd_, keys.data(), keys.size(), MSG_NOSIGNAL); }
  // Waits for the text, then types the keys.
  void Answer(const std::string& text, const std::string& keys) {
    Await({text});
    if (!keys.empty()) Type(keys);
  }
  // The text between the last match and the next occurrence of `until`.
  std::string Read(const std::string& until) {
    const size_t from = mark_;
    Await({until});
    return screen_.substr(from, mark_ - until.size() - from);
  }

  // The exit status once the process has ended on its own.
  int AwaitExit() {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    for (;;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      if (Clock::now() >= deadline) throw Failure(alias_ + " did not end" + Tail());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

 private:
  std::string Tail() const {
    std::string tail = screen_.substr(screen_.size() - std::min<size_t>(400, screen_.size()));
    for (char& c : tail) {
      if (c == '\x1b') c = '^';
    }
    return "; the screen ends: " + tail;
  }

  int node_;
  std::string alias_;
  int fd_ = -1;
  pid_t pid_ = -1;
  std::string screen_;
  size_t mark_ = 0;
};

// What the callers did, for the checks afterwards.
struct Tally {
  std::mutex lock;
  std::map<std::string, int> klassicGames;  // by alias
  std::map<std::string, int> turns;         // turns saved, by alias
  std::vector<std::string> failures;
  std::atomic<int> onlineSeen{0};  // online lists that showed their caller
};

void ToMainMenu(Caller& c) {
  c.Answer("] to continue. -=> ", "\r");
  c.Answer("[Y/N] -=> ", "N");  // no sound: fewer pauses
}

void Leave(Caller& c) {
  c.Answer("Select option: ", "Q");
  c.Await({"Returning to "});
}

void PlayKlassic(Caller& c, Tally& tally) {
  ToMainMenu(c);
  c.Answer("Select option: ", "K");
  c.Answer("Queen? -=> ", c.Node() % 2 ? "K" : "Q");
  c.Answer("sire? -=> ", "\r");
  c.Answer("[y/N] -=> ", "Y");
  for (int game = 0; game < kKlassicGamesEach; ++game) {
    bool surrendered = false;
    for (;;) {
      const size_t seen = c.Await({kCommand, kPause, "Play again? [Y/N] -=> "});
      if (seen == 0) {
        if (surrendered) throw Failure(c.Alias() + ": the game went on after surrendering");
        c.Type("Q");
        c.Answer("Are you SURE? -=> ", "Y");
        surrendered = true;
      } else if (seen == 1) {
        c.Type(" ");
      } else {
        c.Type(game + 1 < kKlassicGamesEach ? "Y" : "N");
        break;
      }
    }
    std::lock_guard<std::mutex> hold(tally.lock);
    ++tally.klassicGames[c.Alias()];
  }
  c.Answer("Select option: ", "R");  // this month's scoreboard
  c.Answer(kPressAnyKey, " ");
  Leave(c);
}

// The Multiplayer menu until the caller's game is over: turns when it is
// theirs, a look at something else while it is not.
void PlayTurns(Caller& c, Tally& tally, bool creator) {
  int turns = 0, looks = 0;
  for (;;) {
    c.Await({"You are currently active in "});
    const std::string active = c.Read(" games.");
    if (active == "0") break;
    c.Await({kMultiMenu});
    switch (looks++ % 5) {
      case 1:
        c.Type("W");
        if (c.Read(kPressAnyKey).find(c.Alias()) != std::string::npos) ++tally.onlineSeen;
        c.Type(" ");
        continue;
      case 2:
        c.Type("R");
        c.Answer("All-Time rankings? ", looks % 2 ? "M" : "A");
        c.Answer(kPressAnyKey, " ");
        continue;
      case 3:
        c.Type("V");
        c.Answer("to cancel): ", "1\r");
        if (c.Await({"Press any key to see game status...", kPressAnyKey}) == 0) {
          c.Type(" ");
          c.Answer(kPressAnyKey, " ");
        } else {
          c.Type(" ");
        }
        continue;
      default: break;
    }
    c.Type("P");
    size_t seen = c.Await({"No games waiting for your turn.", kPause, kCommand});
    if (seen == 0) continue;
    if (seen == 1) {  // the opponent's turn played back
      c.Type(" ");
      c.Await({kCommand});
    }
    if (creator && turns == kCreatorTurns) {
      c.Type("Q");
      c.Answer("Are you SURE? -=> ", "Y");
      c.Answer(kPressAnyKey, " ");
      continue;
    }
    c.Type("P");
    c.Answer("(Y/N): ", "Y");
    c.Answer(kPause, " ");
    c.Await({"Turn completed!"});
    c.Answer(kPressAnyKey, " ");
    ++turns;
    std::lock_guard<std::mutex> hold(tally.lock);
    ++tally.turns[c.Alias()];
  }
  c.Answer(kMultiMenu, "Q");
}

void CreateGame(Caller& c, Tally& tally) {
  ToMainMenu(c);
  c.Answer("Select option: ", "M");
  c.Answer(kMultiMenu, "C");
  c.Answer("Queen? -=> ", "K");
  c.Answer("sire? -=> ", "\r");
  c.Await({"created successfully!"});
  c.Answer(kPressAnyKey, " ");
  PlayTurns(c, tally, true);
  Leave(c);
}

void JoinGame(Caller& c, Tally& tally) {
  ToMainMenu(c);
  c.Answer("Select option: ", "M");
  for (bool joined = false; !joined;) {
    c.Answer(kMultiMenu, "J");
    if (c.Await({"or [ENTER] to cancel: ", "No open games available."}) == 1) {
      c.Answer(kPressAnyKey, " ");
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      continue;
    }
    c.Type("1\r");
    c.Answer("Queen? -=> ", "Q");
    c.Answer("sire? -=> ", "\r");
    joined = c.Await({"Successfully joined game!", "Sorry, "}) == 0;
    c.Answer(kPressAnyKey, " ");
  }
  PlayTurns(c, tally, false);
  Leave(c);
}

std::vector<std::string> Lines(const fs::path& path) {
  std::string text;
  EXPECT_TRUE(ReadFileText(path.string(), text)) << path;
  EXPECT_TRUE(text.empty() || text.back() == '\n') << path << " ends mid-line";
  return SplitLines(text);
}

TEST(Soak, ThirtyTwoCallersAtOnceLoseNothing) {
  char tmpl[] = "/tmp/qgs-soak-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  fs::copy_file(QGS_BINARY, dir / "qgs");
  const auto start = Clock::now();

  Tally tally;
  {
    // Every node starts before any caller thread does (no fork among threads).
    std::vector<std::unique_ptr<Caller>> callers;
    for (int node = 1; node <= kCallers; ++node) {
      callers.push_back(std::make_unique<Caller>(dir, node));
    }
    std::vector<std::thread> threads;
    for (auto& caller : callers) {
      threads.emplace_back([&tally, &c = *caller] {
        try {
          const int n = c.Node();
          if (n <= kKlassicCallers)
            PlayKlassic(c, tally);
          else if ((n - kKlassicCallers) % 2)
            CreateGame(c, tally);
          else
            JoinGame(c, tally);
          const int status = c.AwaitExit();
          if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            throw Failure(c.Alias() + " ended with status " + std::to_string(status));
          }
        } catch (const std::exception& e) {
          std::lock_guard<std::mutex> hold(tally.lock);
          tally.failures.push_back(e.what());
        }
      });
    }
    for (std::thread& t : threads) t.join();
  }
  for (const std::string& failure : tally.failures) ADD_FAILURE() << failure;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start);
  EXPECT_LT(seconds, kDeadline);

  // Scores: every Klassic game, each a surrender.
  {
    const std::vector<std::string> u = Lines(dir / "qgs-user.dat");
    ASSERT_GE(u.size(), 2u);
    ASSERT_EQ((u.size() - 2) % 4, 0u);
    std::map<std::string, int> losses;
    for (size_t at = 2; at + 3 < u.size(); at += 4) {
      EXPECT_EQ(u[at + 1], "0") << u[at];
      losses[u[at]] = std::atoi(u[at + 2].c_str());
    }
    EXPECT_EQ(losses, tally.klassicGames);
  }

  // Games: every one completed, the creator having given up, with every
  // turn played in it.
  int completed = 0;
  std::vector<std::string> creators, joiners;
  for (const bool active : {true, false}) {
    const fs::path folder = dir / "games" / (active ? "active" : "completed");
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() != ".dat") continue;
      SCOPED_TRACE(entry.path().string());
      EXPECT_FALSE(active) << "a game was left unfinished";
      TPvPGameState g;
      g.LoadFromFile(entry.path().string());
      EXPECT_EQ(g.Status, gsCompleted);
      EXPECT_EQ(g.Winner, g.Player2DisplayName);
      const int turns = tally.turns[g.Player1Alias] + tally.turns[g.Player2Alias];
      EXPECT_EQ(tally.turns[g.Player1Alias], kCreatorTurns);
      EXPECT_EQ(g.MonthNumber, 1 + turns / 2);
      creators.push_back(g.Player1Alias);
      joiners.push_back(g.Player2Alias);
      ++completed;
    }
  }
  EXPECT_EQ(completed, kGames);

  // Rankings: both tables hold every player's one game.
  for (const char* file : {"qgs-pvp-monthly.dat", "qgs-pvp-alltime.dat"}) {
    SCOPED_TRACE(file);
    Lines(dir / file);
    TPvPRankings table;
    table.LoadFromFile((dir / file).string());
    EXPECT_EQ(table.PlayerCount(), 2 * kGames);
    for (const std::vector<std::string>* side : {&creators, &joiners}) {
      for (const std::string& alias : *side) {
        const int32_t at = table.FindPlayer(alias);
        ASSERT_GE(at, 0) << alias;
        const TPvPPlayerRecord r = table.GetPlayer(at);
        EXPECT_EQ(r.TotalGames, 1) << alias;
        EXPECT_EQ(r.Wins, side == &joiners ? 1 : 0) << alias;
      }
    }
  }

  // Everybody seen online, and nobody left there after leaving.
  EXPECT_GT(tally.onlineSeen.load(), 0);
  EXPECT_TRUE(Lines(dir / "qgs-online.dat").empty());

  // Every data file whole, no temporary file left, every lock free.
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const fs::path& path = entry.path();
    EXPECT_EQ(path.filename().string().find(".tmp."), std::string::npos) << path;
    if (path.extension() == ".lock") {
      EXPECT_TRUE(LockFileIsFree(path)) << path << " is still locked";
    } else if (path.extension() == ".dat" || path.extension() == ".asc") {
      Lines(path);
    }
  }
  std::printf(
      "[ soak     ] %d callers in %lld s: %d Klassic games, %d Multiplayer games, %d turns\n",
      kCallers, static_cast<long long>(seconds.count()), kKlassicCallers * kKlassicGamesEach,
      completed, [&] {
        int n = 0;
        for (const auto& [alias, t] : tally.turns) n += t;
        return n;
      }());
  if (!HasFailure()) fs::remove_all(dir);
}

}  // namespace

// Two callers on two nodes play a whole Multiplayer game with the built qgs:
// two processes over one game directory, each on a terminal of its own,
// either at the local console (a DOOR32.SYS per node names the caller) or
// as Telnet callers of bbshost through Debian's telnet client. One caller
// creates the game, the other joins; they play turns until the war is over,
// each seeing the other's last turn replayed. The game file is read after
// every turn; at the end the completed game, both ranking tables, both
// callers' lobbies, the rankings screen and the game view are checked.
//
// The draws are real, so the moves are chosen to end the war whatever they
// give: a volley of gronels at the men, a purchase, an assassin and, when
// the assassin is caught, the second mover's surrender. The first mover
// wins either way; the test reads who that is from the join screen.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/rankings.h"
#include "game/multiplayer/storage.h"
#include "support/engine_support.h"
#include "support/game_files.h"
#include "support/pty_session.h"

namespace fs = std::filesystem;

namespace {

const std::string kMenu = "C,J,P,V,R,W,Q -=> ";
const std::string kCommand = "or ? for Help -=> ";
const std::string kPause = "*[ Press any Key ]*";
const std::string kAnyKey = "Press any key...";
const std::string kMarker = "[TEXT:* Monthly Update *]";

::testing::AssertionResult Shows(const std::string& screen, const std::string& text) {
  if (screen.find(text) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << text << "\" is not on the screen:\n" << screen;
}

// The one game file in a folder, read by the game's own reader.
::testing::AssertionResult OnlyGame(const std::string& dir, TPvPGameState& game) {
  const std::vector<std::string> files = ListGameFiles(dir);
  if (files.size() != 1)
    return ::testing::AssertionFailure() << files.size() << " game files in " << dir;
  game.LoadFromFile(dir + files[0]);
  return ::testing::AssertionSuccess();
}

// The lines of the log before the monthly marker (the move), and after it.
std::vector<std::string> MovePart(const std::vector<std::string>& log) {
  return {log.begin(), std::find(log.begin(), log.end(), kMarker)};
}
std::vector<std::string> ProductionPart(const std::vector<std::string>& log) {
  auto marker = std::find(log.begin(), log.end(), kMarker);
  return marker == log.end() ? std::vector<std::string>{}
                             : std::vector<std::string>{marker + 1, log.end()};
}

// What the defender lost by the logged move: artillery losses and the guards
// an assassin killed.
Counters LossesIn(const std::vector<std::string>& move) {
  Counters lost;
  static const std::regex kLoss(R"(\[TEXT:(Killed|Destroyed) (\d+) (.+)\])");
  static const std::regex kGuardKilled(R"(\[TEXT:ASSASSIN_KILL:(\d+)\])");
  std::smatch m;
  for (const std::string& line : move) {
    if (std::regex_match(line, m, kGuardKilled)) {
      lost.Guards = std::max(lost.Guards, std::stoi(m[1]));
    } else if (std::regex_match(line, m, kLoss)) {
      const int n = std::stoi(m[2]);
      const std::string unit = m[3];
      int32_t* pile = unit == "soldiers"        ? &lost.Soldiers
                      : unit == "kastle points" ? &lost.Kastle
                      : unit == "guards"        ? &lost.Guards
                      : unit == "assassins"     ? &lost.Assassins
                      : unit == "gronels"       ? &lost.Gronels
                      : unit == "slingards"     ? &lost.Slingards
                      : unit == "civilians"     ? &lost.Civilians
                                                : nullptr;
      if (pile) *pile += n;
    }
  }
  return lost;
}

Counters Minus(Counters c, const Counters& lost) {
  c.Kastle -= lost.Kastle;
  c.Soldiers -= lost.Soldiers;
  c.Civilians -= lost.Civilians;
  c.Gronels -= lost.Gronels;
  c.Slingards -= lost.Slingards;
  c.Assassins -= lost.Assassins;
  c.Guards -= lost.Guards;
  return c;
}

// The lines the opponent's replay must show for a logged turn: the move's
// announcements and losses, the marker, and every production line as a
// bullet.
std::vector<std::string> ReplayOf(const std::vector<std::string>& log) {
  std::vector<std::string> shown;
  static const std::regex kLoss(R"(\[TEXT:(Killed|Destroyed) (\d+) (.+)\])");
  static const std::regex kPurchase(R"(\[TEXT:PURCHASE:gronels:(\d+):(\d+)\])");
  static const std::regex kGuards(R"(\[TEXT:GUARDS:(\d+)\])");
  std::smatch m;
  for (const std::string& line : MovePart(log)) {
    if (line == "[ACTION:gronel_attack_men]") {
      shown.push_back("Firing gronels at your men!");
    } else if (line == "[ACTION:assassin]") {
      shown.push_back("Attempting infiltration!");
    } else if (line == "[TEXT:The assassin was blocked by guards!]") {
      shown.push_back("His assassin was killed!");
    } else if (std::regex_match(line, m, kGuards)) {
      shown.push_back("He has to pass " + m[1].str() + " guards.");
    } else if (std::regex_match(line, m, kPurchase)) {
      shown.push_back("Buying " + m[1].str() + " gronels for " + m[2].str() + " gold!");
      shown.push_back("The draft animals strain to haul the heavy wagons to his kastle!");
    } else if (std::regex_match(line, m, kLoss)) {
      const std::string unit = m[3] == "soldiers" ? "men" : m[3].str();
      shown.push_back("He " + std::string(m[1] == "Killed" ? "killed " : "destroyed ") +
                      m[2].str() + " " + unit + "!");
    }
  }
  shown.push_back("* Monthly Update *");
  for (const std::string& line : ProductionPart(log)) {
    if (line.rfind("[TEXT:", 0) == 0) shown.push_back("* " + line.substr(6, line.size() - 7));
  }
  return shown;
}

// A caller: the alias the BBS knows, and the kingdom they choose.
struct Node {
  Node(std::string a, char t, std::string r) : alias(std::move(a)), title(t), ruler(std::move(r)) {}

  std::string alias;
  char title;  // the key at the King-or-Queen prompt
  std::string ruler;
  int number = 0;  // player number in the game, once seated
  bool sawReplay = false;
  std::unique_ptr<PtySession> tty;

  std::string TitleWord() const { return title == 'Q' ? "Queen" : "King"; }
};

enum class Act { GronelsAtMen, BuyGronels, Assassin, Surrender };

// bbshost listening on a free loopback port, its log in a file. Stopped
// (with the doors it runs) when the object goes.
class Host {
 public:
  Host(const fs::path& door, const fs::path& nodes, const fs::path& log) : log_(log) {
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      FILE* out = freopen(log.c_str(), "w", stdout);
      if (!out) _exit(126);
      dup2(fileno(stdout), 2);
      execl(QGS_BBSHOST, QGS_BBSHOST, "--port", "0", "--dir", nodes.c_str(), "--door", door.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  // SIGTERM: bbshost ends the doors it runs, then itself.
  ~Host() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      usleep(30000);
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The port from the log's first line; 0 if it has not come within 5 s.
  int Port() const {
    static const std::regex kListening(R"(listening on 127\.0\.0\.1:(\d+))");
    for (int i = 0; i < 100; ++i) {
      std::smatch m;
      const std::string log = Log();
      if (std::regex_search(log, m, kListening)) return std::stoi(m[1]);
      usleep(50000);
    }
    return 0;
  }

 private:
  fs::path log_;
  pid_t pid_ = -1;
};

class TwoNodes : public ::testing::Test {
 protected:
  fs::path root, gameDir, exe;
  Node ann{"Ann Archer", 'Q', "Morgana"};
  Node bob{"bob", 'K', "Bertram"};

  void SetUp() override {
    char tmpl[] = "/tmp/qgs-nodes-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    gameDir = root / "door";
    fs::create_directories(gameDir);
    exe = gameDir / "qgs";  // a copy: the game directory is the program's own folder
    fs::copy_file(QGS_BINARY, exe);
  }
  void TearDown() override {
    ann.tty.reset();
    bob.tty.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  std::string Active() const { return (gameDir / "games" / "active").string() + "/"; }
  std::string Completed() const { return (gameDir / "games" / "completed").string() + "/"; }

  // ---- the two ways in ----

  // The local console of node `node`, the caller named by its DOOR32.SYS
  // (connection type 0: local, no login screen). Started from the node's
  // folder, as a BBS would.
  void StartAtConsole(Node& n, int node) {
    const fs::path dir = root / ("node" + std::to_string(node));
    fs::create_directories(dir);
    std::ofstream(dir / "DOOR32.SYS") << "0\r\n-1\r\n38400\r\nTest BBS\r\n"
                                      << node << "\r\n"
                                      << n.alias << "\r\n"
                                      << n.alias << "\r\n100\r\n60\r\n1\r\n"
                                      << node << "\r\n";
    n.tty = std::make_unique<PtySession>(
        std::vector<std::string>{exe.string(), "-D" + (dir / "DOOR32.SYS").string()}, dir);
  }

  void CallByTelnet(Node& n, const std::string& telnet, int port) {
    n.tty = std::make_unique<PtySession>(
        std::vector<std::string>{telnet, "127.0.0.1", std::to_string(port)}, root,
        std::vector<std::string>{"TERM=ansi"});
    Answer(n, "Your name (alias): ", n.alias + "\r");
  }

  // ---- screens ----

  void See(Node& n, const std::string& text) {
    ASSERT_TRUE(n.tty->Expect(text))
        << n.alias << " never saw \"" << text << "\"; the screen ends with:\n"
        << n.tty->Tail();
  }
  void Answer(Node& n, const std::string& prompt, const std::string& keys) {
    ASSERT_NO_FATAL_FAILURE(See(n, prompt));
    n.tty->Type(keys);
  }
  // Everything from now up to text.
  void Capture(Node& n, const std::string& text, std::string& screen) {
    const size_t from = n.tty->Mark();
    ASSERT_NO_FATAL_FAILURE(See(n, text));
    screen = n.tty->TextFrom(from);
  }
  // Enter at the Multiplayer menu draws lobby and menu again.
  void Lobby(Node& n, std::string& screen) {
    n.tty->Type("\r");
    ASSERT_NO_FATAL_FAILURE(Capture(n, kMenu, screen));
  }

  void EnterMultiplayer(Node& n, std::string& lobby) {
    ASSERT_NO_FATAL_FAILURE(Answer(n, "to continue. -=> ", "\r"));
    ASSERT_NO_FATAL_FAILURE(Answer(n, "[Y/N] -=> ", "y"));
    ASSERT_NO_FATAL_FAILURE(Answer(n, "Select option: ", "m"));
    ASSERT_NO_FATAL_FAILURE(Capture(n, kMenu, lobby));
  }

  void ChooseKingdom(Node& n) {
    ASSERT_NO_FATAL_FAILURE(Answer(n, "[K] King or a [Q] Queen? -=> ", std::string(1, n.title)));
    // Ctrl-Y clears the alias offered as the name.
    ASSERT_NO_FATAL_FAILURE(
        Answer(n, "What name shall you be known by sire? -=> ", "\x19" + n.ruler + "\r"));
  }

  // ---- the game ----

  void Create(Node& n) {
    n.tty->Type("c");
    ASSERT_NO_FATAL_FAILURE(ChooseKingdom(n));
    ASSERT_NO_FATAL_FAILURE(See(n, "Game 1 created successfully!"));
    ASSERT_NO_FATAL_FAILURE(Answer(n, kAnyKey, " "));
    ASSERT_NO_FATAL_FAILURE(See(n, kMenu));

    TPvPGameState g;
    ASSERT_TRUE(OnlyGame(Active(), g));
    EXPECT_EQ(g.Status, gsWaitingForPlayers);
    EXPECT_EQ(g.GameNumber, 1);
    EXPECT_EQ(g.CurrentPlayers, 1);
    EXPECT_EQ(g.Player1Alias, n.alias);
    EXPECT_EQ(g.Player1DisplayName, n.ruler);
    EXPECT_EQ(g.Player1Title, n.TitleWord());
    EXPECT_EQ(g.Player2Alias, "");
    EXPECT_EQ(g.CurrentTurnAlias, "");
    EXPECT_TRUE(g.LastTurnActions.empty());
    n.number = 1;
  }

  void Join(Node& n, const Node& creator, std::string& firstTurn) {
    std::string lobby;
    ASSERT_NO_FATAL_FAILURE(Lobby(n, lobby));
    EXPECT_TRUE(Shows(lobby, "Games needing more players  : 1\n"));
    EXPECT_TRUE(Shows(lobby, "You are involved in games   : (none)\n"));
    EXPECT_TRUE(Shows(lobby, "[W] Who is Online  (You are not alone)\n"));

    n.tty->Type("j");
    ASSERT_NO_FATAL_FAILURE(See(n, "[1] " + creator.alias + " (Created just now)"));
    ASSERT_NO_FATAL_FAILURE(Answer(n, "Select game to join [1-1] or [ENTER] to cancel: ", "1\r"));
    ASSERT_NO_FATAL_FAILURE(ChooseKingdom(n));
    ASSERT_NO_FATAL_FAILURE(See(n, "Successfully joined game!"));
    ASSERT_NO_FATAL_FAILURE(See(n, "Opponent: " + creator.alias + "\n"));
    ASSERT_NO_FATAL_FAILURE(See(n, "First turn: "));
    ASSERT_NO_FATAL_FAILURE(Capture(n, "\n", firstTurn));
    firstTurn.pop_back();
    ASSERT_NO_FATAL_FAILURE(Answer(n, kAnyKey, " "));
    ASSERT_NO_FATAL_FAILURE(See(n, kMenu));

    TPvPGameState g;
    ASSERT_TRUE(OnlyGame(Active(), g));
    EXPECT_EQ(g.Status, gsInProgress);
    EXPECT_EQ(g.CurrentPlayers, 2);
    EXPECT_EQ(g.Player1Alias, creator.alias);
    EXPECT_EQ(g.Player2Alias, n.alias);
    EXPECT_EQ(g.Player2DisplayName, n.ruler);
    EXPECT_EQ(g.Player2Title, n.TitleWord());
    EXPECT_EQ(g.MonthNumber, 1);
    EXPECT_EQ(g.CurrentTurnAlias, firstTurn);
    EXPECT_EQ(g.CurrentTurnAlias, g.GetPlayerAlias(g.TurnOrder[0]));
    n.number = 2;
  }

  void Do(Node& n, Act act) {
    switch (act) {
      case Act::GronelsAtMen:
        n.tty->Type("f");
        ASSERT_NO_FATAL_FAILURE(Answer(n, "[M/K] -=> ", "m"));
        break;
      case Act::BuyGronels:
        n.tty->Type("t");
        ASSERT_NO_FATAL_FAILURE(See(n, "Total Gold: "));
        ASSERT_NO_FATAL_FAILURE(Answer(n, " -=> ", "b"));
        ASSERT_NO_FATAL_FAILURE(Answer(n, "Buy how many? (M = MAX) -=> ", "10\r"));
        break;
      case Act::Assassin: n.tty->Type("a"); break;
      case Act::Surrender:
        n.tty->Type("q");
        ASSERT_NO_FATAL_FAILURE(Answer(n, "Are you SURE? -=> ", "y"));
        break;
    }
  }

  // Answers the battle pauses until one of `ends` comes; its index.
  void PlayOn(Node& n, const std::vector<std::string>& ends, size_t& which) {
    std::vector<std::string> texts = ends;
    texts.push_back(kPause);
    for (int pause = 0; pause < 8; ++pause) {
      const int i = n.tty->ExpectAny(texts);
      ASSERT_GE(i, 0) << n.alias << " saw none of the turn's ends; the screen ends with:\n"
                      << n.tty->Tail();
      if (static_cast<size_t>(i) < ends.size()) {
        which = static_cast<size_t>(i);
        return;
      }
      n.tty->Type(" ");
    }
    FAIL() << "no end of the turn after 8 pauses:\n" << n.tty->Tail();
  }

  // One turn of `mover`, from the lobby to the menu again. `over` tells
  // whether it ended the war, and `moverWon` who won it.
  void Turn(int turn, Node& mover, Node& other, Act act, bool& over, bool& moverWon) {
    TPvPGameState before;
    ASSERT_TRUE(OnlyGame(Active(), before));
    ASSERT_EQ(before.CurrentTurnAlias, mover.alias);
    std::string lobby;
    ASSERT_NO_FATAL_FAILURE(Lobby(mover, lobby));
    EXPECT_TRUE(Shows(lobby, "It is your turn in games    : 1\n"));

    mover.tty->Type("p");
    if (before.LastTurnActions.empty()) {
      std::string screen;
      ASSERT_NO_FATAL_FAILURE(Capture(mover, kCommand, screen));
      EXPECT_EQ(screen.find("Thinking"), std::string::npos) << "a replay of no turn:\n" << screen;
    } else {
      std::string replay;
      ASSERT_NO_FATAL_FAILURE(See(mover, "* Thinking *"));
      ASSERT_NO_FATAL_FAILURE(Capture(mover, kPause, replay));
      for (const std::string& line : ReplayOf(before.LastTurnActions))
        EXPECT_TRUE(Shows(replay, line + "\n")) << "turn " << turn;
      mover.sawReplay = true;
      mover.tty->Type(" ");
      ASSERT_NO_FATAL_FAILURE(See(mover, kCommand));
    }

    ASSERT_NO_FATAL_FAILURE(Do(mover, act));
    size_t end = 0;
    ASSERT_NO_FATAL_FAILURE(PlayOn(mover,
                                   {"Turn completed! It is now " + other.alias + "'s turn.",
                                    "VICTORY! You have defeated " + other.alias + "!",
                                    "DEFEAT! " + other.alias + " has conquered your kingdom!"},
                                   end));
    std::string ending;
    ASSERT_NO_FATAL_FAILURE(Capture(mover, kAnyKey, ending));
    mover.tty->Type(" ");
    ASSERT_NO_FATAL_FAILURE(See(mover, kMenu));
    over = end != 0;
    moverWon = end == 1;
    if (over) {
      EXPECT_TRUE(Shows(ending, "Game lasted " + std::to_string(before.MonthNumber) + " months."));
      return;
    }

    TPvPGameState after;
    ASSERT_TRUE(OnlyGame(Active(), after));
    EXPECT_EQ(after.Status, gsInProgress);
    EXPECT_EQ(after.CurrentTurnAlias, other.alias);
    EXPECT_EQ(after.MonthNumber, 1 + turn / 2) << "turn " << turn;  // both have moved: a month
    const std::vector<std::string>& log = after.LastTurnActions;
    auto marker = std::find(log.begin(), log.end(), kMarker);
    ASSERT_NE(marker, log.end()) << "no monthly marker in the log of turn " << turn;
    EXPECT_TRUE(marker != log.begin() && *(marker - 1) == "" && marker + 1 != log.end() &&
                *(marker + 1) == "");
    EXPECT_FALSE(ProductionPart(log).empty());

    // The opponent's stores as written back: exactly what the move took.
    const std::vector<std::string> move = MovePart(log);
    const Counters lost = LossesIn(move);
    EXPECT_EQ(Kingdom(after, other.number), Minus(Kingdom(before, other.number), lost))
        << "turn " << turn;
    const Counters mine = Kingdom(before, mover.number), now = Kingdom(after, mover.number);
    auto logged = [&](const std::string& line) {
      return std::find(move.begin(), move.end(), line) != move.end();
    };
    switch (act) {
      case Act::GronelsAtMen:
        EXPECT_TRUE(logged("[ACTION:gronel_attack_men]"));
        EXPECT_EQ(now.Score, mine.Score + lost.Soldiers + lost.Kastle);
        EXPECT_EQ(now.Gronels, mine.Gronels);
        break;
      case Act::BuyGronels:
        EXPECT_TRUE(logged("[TEXT:PURCHASE:gronels:10:1000]"));
        EXPECT_EQ(now.Gronels, mine.Gronels + 10);
        break;
      case Act::Assassin:
        EXPECT_TRUE(logged("[ACTION:assassin]"));
        EXPECT_TRUE(
            logged("[TEXT:GUARDS:" + std::to_string(Kingdom(before, other.number).Guards) + "]"));
        EXPECT_TRUE(logged("[TEXT:The assassin was blocked by guards!]"));
        EXPECT_EQ(now.Assassins, mine.Assassins - 1);
        break;
      case Act::Surrender: ADD_FAILURE() << "a surrender that did not end the war"; break;
    }
  }

  // Creates, joins and plays the game to its end; then checks what it left.
  void PlayWholeGame() {
    std::string lobby;
    ASSERT_NO_FATAL_FAILURE(EnterMultiplayer(ann, lobby));
    for (const char* label : {"Games in progress           : ", "Games needing more players  : ",
                              "You are involved in games   : ", "Completed games             : "})
      EXPECT_TRUE(Shows(lobby, std::string(label) + "(none)\n"));
    ASSERT_NO_FATAL_FAILURE(EnterMultiplayer(bob, lobby));

    ASSERT_NO_FATAL_FAILURE(Create(ann));
    std::string firstTurn;
    ASSERT_NO_FATAL_FAILURE(Join(bob, ann, firstTurn));
    ASSERT_TRUE(firstTurn == ann.alias || firstTurn == bob.alias) << firstTurn;
    Node& first = firstTurn == ann.alias ? ann : bob;
    Node& second = firstTurn == ann.alias ? bob : ann;

    // Not the second mover's turn yet: the short message, erased.
    second.tty->Type("p");
    ASSERT_NO_FATAL_FAILURE(See(second, "No games waiting for your turn."));
    ASSERT_NO_FATAL_FAILURE(See(second, kMenu));

    const Act plan[] = {Act::GronelsAtMen, Act::BuyGronels, Act::Assassin, Act::Surrender};
    bool over = false, moverWon = false;
    int turns = 0;
    Node* winner = nullptr;
    for (Act act : plan) {
      ++turns;
      Node& mover = turns % 2 == 1 ? first : second;
      Node& other = turns % 2 == 1 ? second : first;
      ASSERT_NO_FATAL_FAILURE(Turn(turns, mover, other, act, over, moverWon));
      if (over) {
        winner = moverWon ? &mover : &other;
        break;
      }
    }
    ASSERT_TRUE(over) << "the war went on after " << turns << " turns";
    ASSERT_EQ(winner, &first);
    Node& loser = second;
    EXPECT_TRUE(first.sawReplay && second.sawReplay);
    const int32_t months = 1 + (turns - 1) / 2;

    // The game: out of "active", in "completed".
    EXPECT_TRUE(ListGameFiles(Active()).empty());
    TPvPGameState done;
    ASSERT_TRUE(OnlyGame(Completed(), done));
    EXPECT_EQ(done.Status, gsCompleted);
    EXPECT_EQ(done.Winner, winner->ruler);
    EXPECT_EQ(done.MonthNumber, months);
    EXPECT_EQ(std::find(done.LastTurnActions.begin(), done.LastTurnActions.end(), kMarker),
              done.LastTurnActions.end());

    // Both ranking tables hold both players, the creator first.
    for (const char* file : {"qgs-pvp-monthly.dat", "qgs-pvp-alltime.dat"}) {
      SCOPED_TRACE(file);
      TPvPRankings table;
      table.LoadFromFile((gameDir / file).string());
      ASSERT_EQ(table.PlayerCount(), 2);
      EXPECT_EQ(table.FindPlayer(ann.alias), 0);
      for (const Node* n : {winner, &loser}) {
        const TPvPPlayerRecord r = table.GetPlayer(table.FindPlayer(n->alias));
        const bool won = n == winner;
        EXPECT_EQ(r.DisplayName, n->ruler);
        EXPECT_EQ(r.TotalGames, 1);
        EXPECT_EQ(r.Wins, won ? 1 : 0);
        EXPECT_EQ(r.Losses, won ? 0 : 1);
        EXPECT_EQ(r.TotalScore, Kingdom(done, n->number).Score);
        EXPECT_EQ(r.ShortestWinMonths, won ? months : 0);
        EXPECT_EQ(r.LongestGameMonths, months);
      }
    }

    // The lobbies: completed for both, eliminated for the loser.
    for (Node* n : {winner, &loser}) {
      SCOPED_TRACE(n->alias);
      ASSERT_NO_FATAL_FAILURE(Lobby(*n, lobby));
      EXPECT_TRUE(Shows(lobby, "Games in progress           : (none)\n"));
      EXPECT_TRUE(Shows(lobby, "You are involved in games   : 1\n"));
      EXPECT_TRUE(Shows(lobby, "You are active in games     : (none)\n"));
      EXPECT_TRUE(Shows(lobby, "Completed games             : 1\n"));
      EXPECT_TRUE(Shows(lobby, std::string("You are eliminated in games : ") +
                                   (n == &loser ? "1" : "(none)") + "\n"));
      EXPECT_TRUE(Shows(lobby, " Royalty - " + winner->alias + " (wins) / No one yet (%)\n"));
    }

    // The loser looks at the all-time rankings and at the finished game.
    std::string screen;
    loser.tty->Type("r");
    ASSERT_NO_FATAL_FAILURE(Answer(loser, "Show [M] Monthly or [A] All-Time rankings? ", "a"));
    ASSERT_NO_FATAL_FAILURE(Capture(loser, kAnyKey, screen));
    EXPECT_TRUE(Shows(screen, "* All-Time PvP Rankings *"));
    for (const Node* n : {winner, &loser})
      EXPECT_TRUE(Shows(screen, n->alias + std::string(22 - n->alias.size(), ' ') + "     1     " +
                                    (n == winner ? "1       0  100" : "0       1    0") + " %"));
    loser.tty->Type(" ");
    ASSERT_NO_FATAL_FAILURE(See(loser, kMenu));
    loser.tty->Type("v");
    ASSERT_NO_FATAL_FAILURE(
        Answer(loser, "View which game? (Enter game number or [ENTER] to cancel): ", "1\r"));
    ASSERT_NO_FATAL_FAILURE(Answer(loser, "Press any key to see game status...", " "));
    ASSERT_NO_FATAL_FAILURE(Capture(loser, kAnyKey, screen));
    EXPECT_TRUE(Shows(screen, "Status: COMPLETED\n"));
    EXPECT_TRUE(Shows(screen, "Winner: " + winner->ruler + " (" + winner->TitleWord() + ")\n"));
    // The last turn was the winner's, or the loser's surrender.
    const Node& lastMover = turns == 4 ? loser : *winner;
    EXPECT_TRUE(Shows(screen, "Last Move by " + lastMover.ruler + ":\n"));
    loser.tty->Type(" ");
    ASSERT_NO_FATAL_FAILURE(See(loser, kMenu));
  }

  // Q at both menus: the goodbye, and the caller off the online list.
  void Leave(Node& n) {
    n.tty->Type("q");
    ASSERT_NO_FATAL_FAILURE(Answer(n, "Select option: ", "q"));
    ASSERT_NO_FATAL_FAILURE(See(n, "Returning to the BBS..."));
  }
};

TEST_F(TwoNodes, PlayAWholeGameAtTwoLocalConsoles) {
  StartAtConsole(ann, 1);
  StartAtConsole(bob, 2);
  ASSERT_NO_FATAL_FAILURE(PlayWholeGame());
  for (Node* n : {&ann, &bob}) ASSERT_NO_FATAL_FAILURE(Leave(*n));
  for (Node* n : {&ann, &bob}) {
    const int status = n->tty->WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << n->alias << ": " << status;
  }
  std::ifstream online(gameDir / "qgs-online.dat");
  std::stringstream s;
  s << online.rdbuf();
  EXPECT_EQ(s.str().find(ann.alias), std::string::npos) << s.str();
  EXPECT_EQ(s.str().find(bob.alias), std::string::npos) << s.str();
  // The nodes' folders, where the doors started, hold only the drop files.
  for (const char* node : {"node1", "node2"}) {
    auto entries = std::distance(fs::directory_iterator(root / node), fs::directory_iterator());
    EXPECT_EQ(entries, 1) << node;
  }
}

// Needs Debian's telnet client (tools/telnet_mp_check.sh installs it).
TEST_F(TwoNodes, PlayAWholeGameAsTwoTelnetCallersOfTheBbsHost) {
  const std::string telnet = "/usr/bin/telnet";
  if (access(telnet.c_str(), X_OK) != 0) GTEST_SKIP() << "no telnet client";
  Host host(exe, root / "nodes", root / "bbshost.log");
  const int port = host.Port();
  ASSERT_GT(port, 0) << host.Log();
  ASSERT_NO_FATAL_FAILURE(CallByTelnet(ann, telnet, port));
  ASSERT_NO_FATAL_FAILURE(CallByTelnet(bob, telnet, port));
  ASSERT_NO_FATAL_FAILURE(PlayWholeGame()) << host.Log();
  for (Node* n : {&ann, &bob}) ASSERT_NO_FATAL_FAILURE(Leave(*n));
  for (Node* n : {&ann, &bob}) {
    ASSERT_NO_FATAL_FAILURE(See(*n, "Back at the BBS. Goodbye!"));
    EXPECT_NE(n->tty->WaitForExit(), -1) << n->alias << "'s telnet did not end";
  }
  const std::string log = host.Log();
  for (int node : {1, 2})
    EXPECT_TRUE(Shows(log, "node " + std::to_string(node) + ": door ended with exit code 0"));
}

}  // namespace

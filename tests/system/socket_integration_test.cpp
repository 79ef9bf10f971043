// The built qgs as a BBS runs it: a child process handed one end of a
// connected socket pair, on its command line or in a DOOR32.SYS. The test
// plays the caller on the other end and hangs up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include "support/game_files.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kAnnouncements("\xff\xfb\x00\xff\xfb\x01", 6);

// One qgs child in a folder of its own (its game directory), with its
// local console captured in console.log. The child never outlives the test.
class Door {
 public:
  // "{fd}" in an argument stands for the handle; "{dir}" for the folder.
  // `prepare` (the folder, the handle) runs before the door starts. With
  // `onStdio` the handle is the door's standard input and output instead,
  // as a BBS that wires the caller to standard I/O does.
  explicit Door(std::vector<std::string> args,
                const std::function<void(const fs::path&, int)>& prepare = {}, bool onStdio = false)
      : onStdio_(onStdio) {
    char tmpl[] = "/tmp/qgs-door-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    fs::copy_file(QGS_BINARY, dir_ / "qgs");
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
      throw std::runtime_error("socketpair failed");
    }
    caller_ = sv[0];
    for (std::string& a : args) {
      Replace(a, "{fd}", std::to_string(sv[1]));
      Replace(a, "{dir}", dir_.string());
    }
    if (prepare) prepare(dir_, sv[1]);
    Start(args, sv[1]);
    close(sv[1]);
  }

  ~Door() {
    if (caller_ >= 0) close(caller_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  const fs::path& Dir() const { return dir_; }
  const std::string& Screen() const { return screen_; }

  // Reads what the door sends until `text` has arrived (or 5 s have passed).
  bool ReadUntil(const std::string& text) {
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (screen_.find(text, mark_) == std::string::npos) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd p{caller_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      ssize_t n = recv(caller_, buf, sizeof buf, 0);
      if (n <= 0) return false;
      screen_.append(buf, static_cast<size_t>(n));
    }
    mark_ = screen_.find(text, mark_) + text.size();
    return true;
  }

  void Type(const std::string& keys) { send(caller_, keys.data(), keys.size(), MSG_NOSIGNAL); }

  void HangUp() {
    close(caller_);
    caller_ = -1;
  }

  // The exit status once the child has ended, or nothing after `ms`.
  std::optional<int> WaitForExit(int ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      if (Clock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // User plus system CPU time of the child so far, in clock ticks.
  long CpuTicks() const {
    std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {  // field 3 is the state
      if (i == 14) utime = std::stol(field);
      if (i == 15) {
        stime = std::stol(field);
        break;
      }
    }
    return utime + stime;
  }

  std::string Console() const {
    std::ifstream in(dir_ / "console.log", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }

 private:
  static void Replace(std::string& s, const std::string& from, const std::string& to) {
    size_t at = s.find(from);
    if (at != std::string::npos) s.replace(at, from.size(), to);
  }

  void Start(const std::vector<std::string>& args, int handle) {
    std::string program = (dir_ / "qgs").string();
    std::string console = (dir_ / "console.log").string();
    std::vector<char*> argv{program.data()};
    std::vector<std::string> copies = args;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      // The handle is the one thing the door inherits besides its console.
      fcntl(handle, F_SETFD, 0);
      int in = onStdio_ ? handle : open("/dev/null", O_RDONLY);
      int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(in, 0);
      dup2(onStdio_ ? handle : out, 1);
      dup2(out, 2);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }

  fs::path dir_;
  bool onStdio_ = false;
  int caller_ = -1;
  pid_t pid_ = -1;
  std::string screen_;
  size_t mark_ = 0;
};

// A DOOR32.SYS for caller Tess Ter ("Tester") on the handle, with ANSI.
void WriteDoor32(const fs::path& dir, int handle) {
  std::ofstream(dir / "DOOR32.SYS", std::ios::binary)
      << "2\r\n"
      << handle << "\r\n38400\r\nTest BBS\r\n1\r\nTess Ter\r\nTester\r\n"
      << "10\r\n60\r\n1\r\n2\r\n";
}

// Hangs up and expects the door to end on its own, quickly and cleanly.
void HangUpAndExpectCleanEnd(Door& door) {
  auto start = Clock::now();
  door.HangUp();
  std::optional<int> status = door.WaitForExit(2000);
  ASSERT_TRUE(status.has_value()) << "the door was still running 2 s after the hang-up";
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
  EXPECT_LT(took.count(), 2000);
  EXPECT_NE(door.Console().find("Caller Dropped Carrier."), std::string::npos) << door.Console();
}

TEST(SocketIntegration, SessionOnAHandlePlaysAndEndsWhenTheCallerHangsUp) {
  Door door({"-N1", "-S{fd}"});
  ASSERT_TRUE(door.ReadUntil("to continue. -=> ")) << door.Screen();
  EXPECT_EQ(door.Screen().substr(0, 6), kAnnouncements);
  EXPECT_NE(door.Screen().find("Welcome to Gronels and Slingards"), std::string::npos);
  // A client answers the announcements and presses Enter as telnet does.
  door.Type(std::string("\xff\xfd\x00\xff\xfd\x01\r", 7));
  door.Type(std::string(1, '\0'));
  ASSERT_TRUE(door.ReadUntil("[Y/N] -=> ")) << door.Screen();
  door.Type("n");
  ASSERT_TRUE(door.ReadUntil("Select option: ")) << door.Screen();
  EXPECT_NE(door.Screen().find("MAIN MENU"), std::string::npos);

  // Waiting for a key costs next to nothing.
  long before = door.CpuTicks();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_LT(door.CpuTicks() - before, 10) << "an idle session keeps the processor busy";

  // Nothing of the caller's screen went to the local console.
  EXPECT_EQ(door.Console().find("MAIN MENU"), std::string::npos);
  HangUpAndExpectCleanEnd(door);
}

TEST(SocketIntegration, Door32WithUtf8OutputPlaysAndEndsWhenTheCallerHangsUp) {
  Door door({"-D{dir}/DOOR32.SYS", "-U"}, WriteDoor32);
  ASSERT_TRUE(door.ReadUntil("to continue. -=> ")) << door.Screen();
  EXPECT_NE(door.Screen().find("Welcome to Gronels and Slingards Tess!"), std::string::npos);
  door.Type("\r\n");
  ASSERT_TRUE(door.ReadUntil("[Y/N] -=> ")) << door.Screen();
  door.Type("y");  // sound wanted, but a UTF-8 terminal gets none
  ASSERT_TRUE(door.ReadUntil("Select option: ")) << door.Screen();
  const std::string& screen = door.Screen();
  EXPECT_NE(screen.find("\xe2\x95\x94"), std::string::npos);  // the menu's top-left corner
  EXPECT_EQ(screen.find('\xc9'), std::string::npos);          // not as code page 437
  EXPECT_EQ(screen.find("\x1b[M"), std::string::npos);        // no music
  HangUpAndExpectCleanEnd(door);
}

// The screen from `from` on with its colour and cursor sequences left out.
std::string PlainText(const std::string& screen, size_t from) {
  std::string text;
  for (size_t i = from; i < screen.size(); ++i) {
    if (screen[i] == '\x1b' && i + 1 < screen.size() && screen[i + 1] == '[') {
      i += 2;
      while (i < screen.size() && !std::isalpha(static_cast<unsigned char>(screen[i]))) ++i;
      continue;
    }
    text += screen[i];
  }
  return text;
}

TEST(SocketIntegration, CursorAndFunctionKeysDoNothingAtAnyMenu) {
  Door door({"-D{dir}/DOOR32.SYS"}, WriteDoor32);
  ASSERT_TRUE(door.ReadUntil("to continue. -=> ")) << door.Screen();
  door.Type("\r");
  // Up, Down, Right, Left, the same in application mode, F1 both ways,
  // PgUp, PgDn, Home, End, Insert.
  const std::string keys =
      "\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOB\x1bOP\x1b[11~\x1b[5~\x1b[6~\x1b[H\x1b[F\x1b[2~";
  const struct {
    const char* prompt;
    const char* typed;
    const char* echo;  // nothing: a pause, where any key goes on
  } steps[] = {
      {"[Y/N] -=> ", "n", "N\r\n"},
      {"Select option: ", "m", "M\r\n"},
      {"C,J,P,V,R,W,Q -=> ", "c", "C\r\n"},
      {"Queen? -=> ", "q", "Q\r\n"},
      {"known by sire? -=> ", "\x19wolf\r", "wolf"},
      {"Press any key...", " ", nullptr},
      {"C,J,P,V,R,W,Q -=> ", "q", "Q\r\n"},
      {"Select option: ", "k", "K\r\n"},
      {"Queen? -=> ", "k", "K\r\n"},
      {"known by sire? -=> ", "wolf\r", "wolf"},
      {"Is this OK? [y/N] -=> ", "n", "N\r\n"},
  };
  for (const auto& step : steps) {
    ASSERT_TRUE(door.ReadUntil(step.prompt)) << door.Screen();
    if (!step.echo) {
      door.Type(step.typed);
      continue;
    }
    const size_t at = door.Screen().size();
    door.Type(keys + step.typed);
    ASSERT_TRUE(door.ReadUntil(step.echo)) << step.prompt << PlainText(door.Screen(), at);
    const std::string after = PlainText(door.Screen(), at);
    // The line editor draws its field (blank, or the default name) first.
    const bool field = std::string(step.echo) == "wolf";
    const size_t text = field ? after.find_last_of(' ', after.find("wolf")) + 1 : 0;
    EXPECT_EQ(after.substr(text, std::string(step.echo).size()), step.echo) << step.prompt;
  }
  // No asks the question again; the caller leaves there.
  ASSERT_TRUE(door.ReadUntil("Queen? -=> ")) << door.Screen();
  EXPECT_NE(door.Screen().find("Game 1 created successfully!"), std::string::npos);
  EXPECT_NE(door.Screen().find("\"King Wolf\" Is this OK?"), std::string::npos);
  HangUpAndExpectCleanEnd(door);
}

// Now as the game's files keep dates: local days since 30 December 1899.
double LocalNowAsDateTime() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return 25569.0 + static_cast<double>(now + local.tm_gmtoff) / 86400.0;
}

TEST(SocketIntegration, YourTurnBlinksAndWhatFollowsItDoesNot) {
  auto prepare = [](const fs::path& dir, int handle) {
    WriteDoor32(dir, handle);
    TPvPGameState game =
        TwoCallerGame("7", 7, gsInProgress, {"Tester", "Tess", "Bob", "Bob", "Tester"});
    game.CreatedDate = game.LastMoveDate = LocalNowAsDateTime();
    game.TimeoutDate = game.LastMoveDate + 7;
    fs::create_directories(dir / "games" / "active");
    fs::create_directories(dir / "games" / "completed");
    std::ofstream(dir / "games" / "active" / GameFile("7"), std::ios::binary) << game.ToText();
  };
  Door door({"-D{dir}/DOOR32.SYS"}, prepare);
  const std::string blinkingYellow = "\x1b[1;33m\x1b[40m\x1b[5m";
  const std::string steadyGreen = "\x1b[1;32m\x1b[40m\x1b[25m";
  ASSERT_TRUE(door.ReadUntil("to continue. -=> ")) << door.Screen();
  door.Type("\r");
  ASSERT_TRUE(door.ReadUntil("[Y/N] -=> ")) << door.Screen();
  door.Type("n");
  ASSERT_TRUE(door.ReadUntil("Select option: ")) << door.Screen();
  door.Type("m");
  ASSERT_TRUE(door.ReadUntil("C,J,P,V,R,W,Q -=> ")) << door.Screen();
  EXPECT_NE(door.Screen().find("It is your turn in games    : " + blinkingYellow + "7\r\n" +
                               steadyGreen + "You are active in games     : "),
            std::string::npos)
      << door.Screen();
  door.Type("v");
  ASSERT_TRUE(door.ReadUntil("to cancel): ")) << door.Screen();
  door.Type("7\r");
  ASSERT_TRUE(door.ReadUntil("Press any key to see game status...")) << door.Screen();
  door.Type(" ");
  ASSERT_TRUE(door.ReadUntil("Press any key...")) << door.Screen();
  EXPECT_NE(door.Screen().find(blinkingYellow + "Status: In Progress - YOUR TURN\r\n" +
                               steadyGreen + "\r\n"),
            std::string::npos)
      << door.Screen();
  HangUpAndExpectCleanEnd(door);
}

TEST(SocketIntegration, StandardIoSessionEndsWhenItsInputCloses) {
  // A handle that is not a number: the session runs on standard I/O, which
  // here is the caller's end of the pair. Its wait for a key has no time
  // limit, so the end of input must end it rather than wake it for ever.
  Door door({"-N1", "-Sabc"}, {}, true);
  ASSERT_TRUE(door.ReadUntil("to continue. -=> ")) << door.Screen();
  door.Type("\r");
  ASSERT_TRUE(door.ReadUntil("[Y/N] -=> ")) << door.Screen();
  door.Type("n");
  ASSERT_TRUE(door.ReadUntil("Select option: ")) << door.Screen();
  door.HangUp();
  std::optional<int> status = door.WaitForExit(2000);
  ASSERT_TRUE(status.has_value()) << "the door was still running 2 s after its input closed";
  EXPECT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace

// The built qgs in local mode on a real terminal (a pseudo-terminal): the
// console goes to single keys without echo while it runs, and back to the
// state it had however the program ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class TerminalSession {
 public:
  TerminalSession() {
    char tmpl[] = "/tmp/qgs-tty-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    fs::copy_file(QGS_BINARY, dir_ / "qgs");
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    slaveName_ = ptsname(master_);
    slave_ = open(slaveName_.c_str(), O_RDWR | O_NOCTTY);  // to read its modes
    canonicalAtStart_ = Canonical();                       // before the program can change them
    pid_ = fork();
    if (pid_ == 0) {
      setsid();
      int tty = open(slaveName_.c_str(), O_RDWR);
      dup2(tty, 0);
      dup2(tty, 1);
      dup2(tty, 2);
      std::string exe = (dir_ / "qgs").string();
      execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }

  ~TerminalSession() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(slave_);
    close(master_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Reads the screen until text appears; false after 5 s without it.
  bool WaitFor(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (screen_.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Drain(100);
    }
    return true;
  }

  void Type(const std::string& keys) { (void)!write(master_, keys.data(), keys.size()); }
  void Signal(int sig) { kill(pid_, sig); }

  bool CanonicalAtStart() const { return canonicalAtStart_; }
  bool Canonical() const {
    termios t{};
    tcgetattr(slave_, &t);
    return (t.c_lflag & ICANON) && (t.c_lflag & ECHO);
  }

  // The program's wait status once it has ended (within 5 s), or -1.
  int Wait() {
    for (int i = 0; i < 50; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      Drain(100);
    }
    return -1;
  }

 private:
  // Reads whatever the program has written within ms milliseconds.
  void Drain(int ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, ms) > 0) {
      char buf[4096];
      ssize_t n = read(master_, buf, sizeof buf);
      if (n > 0) screen_.append(buf, static_cast<size_t>(n));
    }
  }

  fs::path dir_;
  std::string slaveName_;
  std::string screen_;
  int master_ = -1, slave_ = -1;
  pid_t pid_ = -1;
  bool canonicalAtStart_ = false;
};

TEST(ConsoleTerminalTest, RawWhileRunningAndRestoredOnQuit) {
  TerminalSession tty;
  ASSERT_TRUE(tty.CanonicalAtStart());
  ASSERT_TRUE(tty.WaitFor("Name or handle"));
  EXPECT_FALSE(tty.Canonical());
  tty.Type("\r");
  ASSERT_TRUE(tty.WaitFor("to continue. -=> "));
  tty.Type("\r");
  ASSERT_TRUE(tty.WaitFor("[Y/N] -=> "));
  tty.Type("n");
  ASSERT_TRUE(tty.WaitFor("Select option: "));
  tty.Type("q");
  int status = tty.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(tty.Canonical());
}

TEST(ConsoleTerminalTest, RestoredWhenASignalEndsIt) {
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
    TerminalSession tty;
    ASSERT_TRUE(tty.WaitFor("Name or handle")) << sig;
    ASSERT_FALSE(tty.Canonical()) << sig;
    tty.Signal(sig);
    int status = tty.Wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << sig;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_TRUE(tty.Canonical()) << sig;
  }
}

}  // namespace

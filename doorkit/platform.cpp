#include "doorkit/platform.h"

#include "doorkit/consolekeys.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr double kUnixEpochDays = 25569.0;  // 1 January 1970 as a TDateTime

// ---- exit procedures -------------------------------------------------------

std::vector<void (*)()>& ExitProcs() {
  static std::vector<void (*)()> procs;
  return procs;
}

// ---- console ---------------------------------------------------------------

struct ConsoleState {
  bool saved = false;
  bool raw = false;
  termios original{};
};
ConsoleState g_console;

void RestoreConsole() {
  if (g_console.raw) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_console.original);
    g_console.raw = false;
  }
}

void (*g_heldOutputSender)() = nullptr;

// Set while a fatal signal ends the process: writes then take what the
// other end accepts at once, so that a caller who stopped reading cannot
// keep the process from dying.
volatile sig_atomic_t g_dying = 0;

void OnFatalSignal(int sig) {
  // Only async-signal-safe work here: send what the screen still holds, put
  // the terminal back, then die with the signal's default action so the
  // parent sees why.
  g_dying = 1;
  if (g_heldOutputSender) g_heldOutputSender();
  RestoreConsole();
  signal(sig, SIG_DFL);
  raise(sig);
}

bool Writable(int fd) {
  pollfd p{fd, POLLOUT, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & POLLOUT);
}

void WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    if (g_dying && !Writable(fd)) return;
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // output errors are not reported
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

class RealPlatform final : public Platform {
 public:
  RealPlatform() {
    Randomize();
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) signal(sig, OnFatalSignal);
  }

  void StdoutWrite(std::string_view bytes) override { WriteAll(STDOUT_FILENO, bytes); }

  bool StdoutIsTerminal() override { return isatty(STDOUT_FILENO) == 1; }

  bool StdoutIsUtf8Terminal() override {
    if (!isatty(STDOUT_FILENO)) return false;
    const char* value = nullptr;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* v = std::getenv(name);
      if (v && *v) {
        value = v;
        break;
      }
    }
    if (!value) return false;
    std::string s(value);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s.find("utf-8") != std::string::npos || s.find("utf8") != std::string::npos;
  }

  void ConsoleRawMode(bool on) override {
    if (!isatty(STDIN_FILENO)) return;
    if (!on) {
      RestoreConsole();
      return;
    }
    if (g_console.raw) return;
    if (!g_console.saved) {
      if (tcgetattr(STDIN_FILENO, &g_console.original) != 0) return;
      g_console.saved = true;
      AddExitProc(RestoreConsole);
    }
    termios raw = g_console.original;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) g_console.raw = true;
  }

  bool ConsoleKeyPressed() override {
    if (keys_.HasKey()) return true;
    if (keys_.Fill(ReadStdinByte, 0)) return true;
    return keys_.Ended();  // ConsoleReadKey reports the hang-up
  }

  char ConsoleReadKey() override {
    if (!keys_.Fill(ReadStdinByte, -1)) {
      // Standard input has ended: the caller hung up. Nothing can be read
      // any more, so the session ends here as after a lost carrier.
      Exit(0);
    }
    return keys_.TakeKey();
  }

  bool SocketIsOpen(int fd) override {
    struct stat st {};
    return fd >= 0 && fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
  }

  bool SocketSetBlocking(int fd) override {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    return fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
  }

  bool SocketReadable(int fd) override { return PollFd(fd, 0); }

  long SocketRecv(int fd, char* buf, size_t len) override {
    for (;;) {
      ssize_t n = recv(fd, buf, len, 0);
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  }

  long SocketSend(int fd, const char* buf, size_t len) override {
    for (;;) {
      ssize_t n = send(fd, buf, len, MSG_NOSIGNAL | (g_dying ? MSG_DONTWAIT : 0));
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  }

  void SocketShutdown(int fd) override { shutdown(fd, SHUT_RDWR); }
  void SocketClose(int fd) override { close(fd); }

  void WaitForInput(int fd, int timeoutMs) override {
    if (fd < 0) {
      if (keys_.Pending() || keys_.Ended()) return;
      fd = STDIN_FILENO;
    }
    PollFd(fd, timeoutMs < 0 ? -1 : timeoutMs);
  }

  TDateTime Now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    time_t secs = ts.tv_sec;
    tm local{};
    localtime_r(&secs, &local);
    double localSecs = static_cast<double>(secs + local.tm_gmtoff) + ts.tv_nsec / 1e9;
    return kUnixEpochDays + localSecs / 86400.0;
  }

  void SleepMs(int ms) override {
    if (ms <= 0) return;
    timespec req{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&req, &req) != 0 && errno == EINTR) {}
  }

  void Randomize() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    rng_.seed(static_cast<uint64_t>(ts.tv_sec) * 1000000007ULL ^ static_cast<uint64_t>(ts.tv_nsec) ^
              (static_cast<uint64_t>(getpid()) << 32));
  }

  int64_t Random(int64_t n) override {
    if (n <= 0) return 0;
    return std::uniform_int_distribution<int64_t>(0, n - 1)(rng_);
  }

  // Read once: every data file's path starts with the program's folder, so
  // a lobby draw would otherwise ask the kernel a dozen times. (The answer
  // cannot change while the program runs; a binary replaced under it only
  // gains a " (deleted)" after its name.)
  std::string ExecutablePath() override {
    if (exePath_.empty()) {
      char buf[4096];
      ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
      if (n > 0) exePath_.assign(buf, static_cast<size_t>(n));
    }
    return exePath_;
  }

  [[noreturn]] void Exit(int code) override {
    RunExitProcs();
    std::fflush(nullptr);
    std::_Exit(code);
  }

 private:
  static bool PollFd(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
      int r = poll(&p, 1, timeoutMs);
      if (r < 0 && errno == EINTR) continue;
      return r > 0;
    }
  }

  // One byte of standard input within timeoutMs (< 0: as long as it takes).
  static int ReadStdinByte(int timeoutMs) {
    if (timeoutMs >= 0 && !PollFd(STDIN_FILENO, timeoutMs)) return TConsoleKeyDecoder::kNoByte;
    unsigned char c;
    for (;;) {
      ssize_t n = read(STDIN_FILENO, &c, 1);
      if (n == 1) return c;
      if (n < 0 && errno == EINTR) continue;
      return TConsoleKeyDecoder::kEndOfInput;  // the caller is gone
    }
  }

  std::mt19937_64 rng_;
  TConsoleKeyDecoder keys_;
  std::string exePath_;  // empty until read
};

RealPlatform& Real() {
  static RealPlatform real;
  return real;
}

Platform* g_env = nullptr;

}  // namespace

Platform& Env() { return g_env ? *g_env : Real(); }
void SetEnv(Platform* p) { g_env = p; }

int64_t SecondsBetween(TDateTime a, TDateTime b) {
  // A small allowance keeps a whole second computed from fractional days
  // from landing just below the integer.
  return static_cast<int64_t>(std::fabs(a - b) * 86400.0 + 1e-4);
}

void AddExitProc(void (*proc)()) { ExitProcs().push_back(proc); }

void RunExitProcs() {
  auto& procs = ExitProcs();
  while (!procs.empty()) {  // last installed runs first
    auto proc = procs.back();
    procs.pop_back();
    proc();
  }
  if (g_heldOutputSender) g_heldOutputSender();
}

void SetHeldOutputSender(void (*send)()) { g_heldOutputSender = send; }

void ClearExitProcs() { ExitProcs().clear(); }

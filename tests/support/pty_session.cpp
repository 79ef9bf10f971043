#include "support/pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

using Clock = std::chrono::steady_clock;

PtySession::PtySession(const std::vector<std::string>& argv, const std::filesystem::path& cwd,
                       const std::vector<std::string>& env) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  const std::string slave = ptsname(master_);
  winsize size{};
  size.ws_row = 25;
  size.ws_col = 80;
  ioctl(master_, TIOCSWINSZ, &size);

  std::vector<std::string> args = argv;
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    setsid();
    int tty = open(slave.c_str(), O_RDWR);  // becomes the controlling terminal
    if (tty < 0) _exit(126);
    dup2(tty, 0);
    dup2(tty, 1);
    dup2(tty, 2);
    if (tty > 2) close(tty);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> raw;
    for (std::string& a : args) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(raw[0], raw.data());
    _exit(127);
  }
}

PtySession::~PtySession() {
  if (pid_ > 0) {
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

void PtySession::Type(const std::string& keys) {
  size_t done = 0;
  while (done < keys.size()) {
    ssize_t n = write(master_, keys.data() + done, keys.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

bool PtySession::Pump(int ms) {
  if (closed_) return false;
  pollfd p{master_, POLLIN, 0};
  int r = poll(&p, 1, ms);
  if (r < 0 && errno == EINTR) return true;
  if (r <= 0) return true;
  char buf[4096];
  ssize_t n = read(master_, buf, sizeof buf);
  if (n < 0 && errno == EINTR) return true;
  if (n <= 0) {  // EIO: every program on the terminal has closed it
    closed_ = true;
    return false;
  }
  for (ssize_t i = 0; i < n; ++i) AddText(buf[i]);
  return true;
}

// ESC [ parameters final-byte is a control sequence; ESC [ M opens ANSI
// music, which runs to the byte 14. Both leave no text.
void PtySession::AddText(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  switch (state_) {
    case kPlain:
      if (b == 27) {
        state_ = kEscape;
      } else if (b != '\r') {
        text_ += c;
      }
      break;
    case kEscape: state_ = b == '[' ? kCsiStart : kPlain; break;
    case kCsiStart:
      if (b == 'M') {
        state_ = kMusic;
        break;
      }
      state_ = kCsi;
      [[fallthrough]];
    case kCsi:
      if (b >= 0x40 && b <= 0x7E) state_ = kPlain;
      break;
    case kMusic:
      if (b == 14) state_ = kPlain;
      break;
  }
}

int PtySession::ExpectAny(const std::vector<std::string>& texts,
                          std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int found = -1;
    size_t at = std::string::npos;
    for (size_t i = 0; i < texts.size(); ++i) {
      size_t pos = text_.find(texts[i], mark_);
      if (pos < at) {
        at = pos;
        found = static_cast<int>(i);
      }
    }
    if (found >= 0) {
      mark_ = at + texts[static_cast<size_t>(found)].size();
      return found;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return -1;
    if (!Pump(static_cast<int>(std::min<int64_t>(left.count(), 200)))) return -1;
  }
}

bool PtySession::Expect(const std::string& text, std::chrono::milliseconds timeout) {
  return ExpectAny({text}, timeout) == 0;
}

std::string PtySession::Tail(size_t n) const {
  return text_.size() > n ? text_.substr(text_.size() - n) : text_;
}

int PtySession::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (pid_ > 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return status;
    }
    if (Clock::now() > deadline) return -1;
    if (!Pump(50)) usleep(20000);
  }
  return -1;
}

// bbshost: a tiny stand-in for a BBS, to play the door with any Telnet
// client. It listens on a loopback port, and for each caller it does what a
// BBS does before it runs a door: negotiates character mode, asks the
// caller's name, writes a DOOR32.SYS into the caller's node folder and
// starts the door with the connected socket as an inherited handle. When
// the door ends, the caller is back at the "BBS", which says goodbye.
//
//   bbshost [options] [-- extra door arguments]
//
// Every caller runs in a session process of its own (its own process
// group), which waits for the door and reports how it ended and how soon
// after the caller hung up.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

#ifndef QGS_BINARY
#define QGS_BINARY "qgs"
#endif

struct Options {
  int port = 2323;
  std::string door = QGS_BINARY;
  std::string dir;  // node folders; default under the temp folder
  std::string alias;
  bool switches = false;  // -N -S on the command line instead of a DOOR32.SYS
  bool once = false;
  int minutes = 60;
  std::vector<std::string> doorArgs;
};

void Usage() {
  std::printf(
      "Usage: bbshost [options] [-- extra door arguments]\n"
      "  --port N      listen on 127.0.0.1:N (default 2323; 0 picks a free port)\n"
      "  --door PATH   the door to run (default: the qgs built with this tool)\n"
      "  --dir DIR     where the node folders go (default: $TMPDIR/qgs-bbshost)\n"
      "  --alias NAME  do not ask callers their name: everyone is NAME\n"
      "  --switches    start the door as \"DOOR -N<node> -S<handle>\"\n"
      "                (default: \"DOOR -D<node folder>/DOOR32.SYS\")\n"
      "  --minutes N   time left written to the drop file (default 60)\n"
      "  --once        serve one caller, then exit with the door's exit code\n"
      "Example: bbshost --port 2323 -- -U     then: telnet 127.0.0.1 2323\n");
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--") {
      for (++i; i < argc; ++i) o.doorArgs.push_back(argv[i]);
    } else if (a == "--port" && value(v)) {
      o.port = std::atoi(v.c_str());
    } else if (a == "--door" && value(v)) {
      o.door = v;
    } else if (a == "--dir" && value(v)) {
      o.dir = v;
    } else if (a == "--alias" && value(v)) {
      o.alias = v;
    } else if (a == "--minutes" && value(v)) {
      o.minutes = std::atoi(v.c_str());
    } else if (a == "--switches") {
      o.switches = true;
    } else if (a == "--once") {
      o.once = true;
    } else {
      return false;
    }
  }
  if (o.dir.empty()) o.dir = (fs::temp_directory_path() / "qgs-bbshost").string();
  o.door = fs::absolute(o.door).string();
  return o.port >= 0 && o.port <= 65535;
}

// ---- the log ----------------------------------------------------------------

double MonotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char stamp[16];
  strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
  std::printf("[bbshost %s] ", stamp);
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
}

// ---- talking to the caller before the door runs ---------------------------

constexpr unsigned char kIac = 255, kWill = 251, kDont = 254, kSb = 250, kSe = 240;
constexpr unsigned char kEcho = 1, kSuppressGoAhead = 3;

void SendAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// Keys from a Telnet stream, with the client's commands taken out.
class TelnetKeys {
 public:
  explicit TelnetKeys(int fd) : fd_(fd) {}

  // The next key, or -1 when the caller has gone; waits at most timeoutMs
  // (-1: for ever) and gives -2 when nothing came.
  int Next(int timeoutMs) {
    for (;;) {
      while (at_ < buffer_.size()) {
        int key = Take(static_cast<unsigned char>(buffer_[at_++]));
        if (key >= 0) return key;
      }
      pollfd p{fd_, POLLIN, 0};
      int r = poll(&p, 1, timeoutMs);
      if (r < 0 && errno == EINTR) continue;
      if (r == 0) return -2;
      char chunk[512];
      ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return -1;
      buffer_.assign(chunk, static_cast<size_t>(n));
      at_ = 0;
    }
  }

 private:
  int Take(unsigned char b) {
    switch (state_) {
      case 0:  // data
        if (b == kIac) {
          state_ = 1;
          return -3;
        }
        return b;
      case 1:  // after IAC
        state_ = b >= kWill && b <= kDont ? 2 : b == kSb ? 3 : 0;
        return b == kIac ? kIac : -3;
      case 2:  // the option of WILL/WONT/DO/DONT
        state_ = 0;
        return -3;
      case 3:  // inside a subnegotiation
        if (b == kIac) state_ = 4;
        return -3;
      default:  // IAC inside a subnegotiation
        state_ = b == kSe ? 0 : 3;
        return -3;
    }
  }

  int fd_;
  std::string buffer_;
  size_t at_ = 0;
  int state_ = 0;
};

// Asks for the caller's name; empty when they hang up.
std::string AskName(int fd) {
  TelnetKeys keys(fd);
  for (;;) {
    SendAll(fd, "\r\nYour name (alias): ");
    std::string name;
    for (;;) {
      int k = keys.Next(-1);
      if (k < 0) return {};
      if (k == '\r' || k == '\n') break;
      if ((k == 8 || k == 127) && !name.empty()) {
        name.pop_back();
        SendAll(fd, "\b \b");
      } else if (k >= 32 && k < 127 && name.size() < 30) {
        name += static_cast<char>(k);
        SendAll(fd, std::string(1, static_cast<char>(k)));
      }
    }
    // The rest of that Enter (LF or NUL) and any late answers to our
    // negotiation are not the door's first key.
    while (keys.Next(100) >= 0) {}
    size_t first = name.find_first_not_of(' ');
    if (first != std::string::npos)
      return name.substr(first, name.find_last_not_of(' ') - first + 1);
  }
}

// ---- running the door ---------------------------------------------------------

std::string WriteDoor32(const Options& o, const fs::path& nodeDir, int handle, int node,
                        const std::string& name) {
  fs::path path = nodeDir / "DOOR32.SYS";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  // The BBS writes the file as DOS BBSes do, with CR LF line ends.
  const char* eol = "\r\n";
  out << 2 << eol                  // telnet
      << handle << eol             // the socket handle
      << 38400 << eol              // baud
      << "QGS bbshost 1.0" << eol  // BBS software
      << node << eol               // user record number
      << name << eol               // real name
      << name << eol               // alias
      << 100 << eol                // security level
      << o.minutes << eol          // minutes left
      << 1 << eol                  // ANSI
      << node << eol;              // node
  return path.string();
}

// Starts the door with `handle` open across exec; its local console goes to
// console.log in the node folder.
pid_t StartDoor(const Options& o, const fs::path& nodeDir, int handle, int node,
                const std::string& name) {
  std::vector<std::string> args{o.door};
  if (o.switches) {
    args.push_back("-N" + std::to_string(node));
    args.push_back("-S" + std::to_string(handle));
  } else {
    args.push_back("-D" + WriteDoor32(o, nodeDir, handle, node, name));
  }
  args.insert(args.end(), o.doorArgs.begin(), o.doorArgs.end());
  std::string command;
  for (const std::string& a : args) command += (command.empty() ? "" : " ") + a;
  Log("node %d: %s starts %s", node, name.c_str(), command.c_str());

  std::string console = (nodeDir / "console.log").string();
  pid_t pid = fork();
  if (pid != 0) return pid;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int in = open("/dev/null", O_RDONLY);
  int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in >= 0) dup2(in, 0);
  if (out >= 0) {
    dup2(out, 1);
    dup2(out, 2);
  }
  // Only the three standard handles and the connection go to the door.
  if (in > 2) close(in);
  if (out > 2) close(out);
  fcntl(handle, F_SETFD, 0);  // the door inherits the connection
  signal(SIGPIPE, SIG_DFL);
  execv(argv[0], argv.data());
  std::perror("exec");
  _exit(127);
}

std::string DescribeStatus(int status) {
  if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("signal ") + strsignal(WTERMSIG(status));
  return "status " + std::to_string(status);
}

// Waits for the door, noting when the caller hangs up (without reading
// anything: the connection is the door's).
int WaitForDoor(pid_t door, int client, int node) {
  double hungUpAt = 0;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(door, &status, WNOHANG);
    if (r == door) {
      double now = MonotonicSeconds();
      if (hungUpAt > 0) {
        Log("node %d: door ended with %s, %.2f s after the caller hung up", node,
            DescribeStatus(status).c_str(), now - hungUpAt);
      } else {
        Log("node %d: door ended with %s", node, DescribeStatus(status).c_str());
      }
      return status;
    }
    if (r < 0 && errno != EINTR) return 0;
    if (hungUpAt > 0) {
      usleep(20000);  // a closed connection would wake poll at once
      continue;
    }
    pollfd p{client, POLLRDHUP, 0};
    if (poll(&p, 1, 20) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) {
      hungUpAt = MonotonicSeconds();
      Log("node %d: caller hung up", node);
    }
  }
}

// One caller, from connect to goodbye. Runs in its own process; returns its
// exit code (the door's, or 1 when the door did not run).
int ServeCaller(const Options& o, int client, int node) {
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  // Character at a time with the server echoing, as a BBS sets it up.
  SendAll(client, std::string{static_cast<char>(kIac), static_cast<char>(kWill),
                              static_cast<char>(kEcho), static_cast<char>(kIac),
                              static_cast<char>(kWill), static_cast<char>(kSuppressGoAhead)});
  SendAll(client,
          "\x1b[0m\x1b[2J\x1b[1;1HQGS BBS host simulator - node " + std::to_string(node) + "\r\n");
  std::string name = o.alias.empty() ? AskName(client) : o.alias;
  if (name.empty()) {
    Log("node %d: caller left before logging in", node);
    return 1;
  }
  fs::path nodeDir = fs::path(o.dir) / ("node" + std::to_string(node));
  std::error_code ec;
  fs::create_directories(nodeDir, ec);
  SendAll(client, "\r\nWelcome, " + name + ". Starting the door...\r\n");

  pid_t door = StartDoor(o, nodeDir, client, node, name);
  if (door < 0) {
    Log("node %d: fork failed: %s", node, std::strerror(errno));
    return 1;
  }
  int status = WaitForDoor(door, client, node);
  SendAll(client, "\x1b[0m\r\nBack at the BBS. Goodbye!\r\n");
  shutdown(client, SHUT_RDWR);
  close(client);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// ---- the listener ---------------------------------------------------------------

volatile sig_atomic_t g_stop = 0;
void OnStop(int) { g_stop = 1; }

int Listen(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int BoundPort(int fd) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  return ntohs(addr.sin_port);
}

int LowestFreeNode(const std::map<pid_t, int>& sessions) {
  for (int node = 1;; ++node) {
    bool used = false;
    for (const auto& [pid, n] : sessions) used = used || n == node;
    if (!used) return node;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    Usage();
    return 2;
  }
  if (access(o.door.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "bbshost: cannot run the door %s\n", o.door.c_str());
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  struct sigaction stop {};
  stop.sa_handler = OnStop;  // no SA_RESTART: the waits below notice at once
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);

  int listener = Listen(o.port);
  if (listener < 0) {
    std::fprintf(stderr, "bbshost: cannot listen on 127.0.0.1:%d: %s\n", o.port,
                 std::strerror(errno));
    return 2;
  }
  Log("listening on 127.0.0.1:%d (node folders in %s)", BoundPort(listener), o.dir.c_str());

  std::map<pid_t, int> sessions;  // session process -> node
  int lastCode = 0;
  bool served = false;
  while (!g_stop) {
    int status = 0;
    for (pid_t pid; (pid = waitpid(-1, &status, WNOHANG)) > 0;) {
      sessions.erase(pid);
      lastCode = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
    }
    if (o.once && served && sessions.empty()) break;
    pollfd p{listener, POLLIN, 0};
    if (o.once && served) p.fd = -1;  // one caller only
    if (poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN)) continue;
    int client = accept(listener, nullptr, nullptr);  // no CLOEXEC: the door inherits it
    if (client < 0) continue;
    int node = LowestFreeNode(sessions);
    Log("node %d: caller connected", node);
    pid_t session = fork();
    if (session == 0) {
      setpgid(0, 0);
      close(listener);
      _exit(ServeCaller(o, client, node));
    }
    close(client);
    if (session > 0) {
      setpgid(session, session);
      sessions[session] = node;
      served = true;
    }
  }
  for (const auto& [pid, node] : sessions) kill(-pid, SIGTERM);
  for (const auto& entry : sessions) waitpid(entry.first, nullptr, 0);
  close(listener);
  return o.once ? lastCode : 0;
}

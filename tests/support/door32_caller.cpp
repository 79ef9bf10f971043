#include "support/door32_caller.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

Door32Caller::Door32Caller(const fs::path& dir, const std::string& realName,
                           const std::string& alias, int node, std::vector<std::string> env) {
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
    throw std::runtime_error("socketpair");
  fd_ = sv[0];
  const fs::path nodeDir = dir / ("node" + std::to_string(node));
  fs::create_directory(nodeDir);
  const fs::path drop = nodeDir / "DOOR32.SYS";
  std::ofstream(drop, std::ios::binary) << "2\r\n"
                                        << sv[1] << "\r\n38400\r\nTest BBS\r\n"
                                        << node << "\r\n"
                                        << realName << "\r\n"
                                        << alias << "\r\n100\r\n60\r\n1\r\n"
                                        << node << "\r\n";
  const std::string program = (dir / "qgs").string();
  const std::string dropArg = "-D" + drop.string();
  // A sanitized build checks that its runtime comes first; a shim does not
  // mind.
  env.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    fcntl(sv[1], F_SETFD, 0);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(dropArg.c_str()),
                    nullptr};
    execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
  close(sv[1]);
}

Door32Caller::~Door32Caller() {
  close(fd_);
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool Door32Caller::Await(const std::string& text) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  for (;;) {
    const size_t at = screen_.find(text, mark_);
    if (at != std::string::npos) {
      mark_ = at + text.size();
      return true;
    }
    if (Clock::now() > deadline) return false;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 1000) <= 0) continue;
    char buf[4096];
    const ssize_t n = recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) return false;
    screen_.append(buf, static_cast<size_t>(n));
  }
}

void Door32Caller::Type(const std::string& keys) {
  send(fd_, keys.data(), keys.size(), MSG_NOSIGNAL);
}

bool Door32Caller::Answer(const std::string& text, const std::string& keys) {
  if (!Await(text)) return false;
  Type(keys);
  return true;
}

int Door32Caller::Wait() {
  shutdown(fd_, SHUT_RDWR);
  int status = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) kill(pid_, SIGKILL);
    usleep(10 * 1000);
  }
  pid_ = -1;
  return status;
}

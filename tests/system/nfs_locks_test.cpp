// The built qgs with flock behaving as on an NFS client (tools/nfs_flock.cpp,
// loaded with LD_PRELOAD): there an exclusive flock needs a descriptor open
// for writing. Twelve callers create a Multiplayer game at the same moment;
// every lock must be taken, and the games numbered 1 to 12.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "game/common/datafile.h"
#include "game/multiplayer/gamestate.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kCallers = 12;

// One node: qgs on one end of a socket pair, named by a DOOR32.SYS.
class Node {
 public:
  Node(const fs::path& dir, const std::string& program, int node) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
      throw std::runtime_error("socketpair");
    fd_ = sv[0];
    const fs::path nodeDir = dir / ("node" + std::to_string(node));
    fs::create_directory(nodeDir);
    const fs::path drop = nodeDir / "DOOR32.SYS";
    std::ofstream(drop, std::ios::binary)
        << "2\r\n"
        << sv[1] << "\r\n38400\r\nNFS BBS\r\n"
        << node << "\r\nCaller " << node << "\r\nNode" << node << "\r\n100\r\n60\r\n1\r\n"
        << node << "\r\n";
    const std::string dropArg = "-D" + drop.string();
    const std::string preload = std::string("LD_PRELOAD=") + QGS_NFS_SHIM;
    const std::string shimLog = "QGS_NFS_SHIM_LOG=" + (dir / "shim.log").string();
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      fcntl(sv[1], F_SETFD, 0);
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      // A sanitized build checks that its runtime comes first; the shim
      // does not mind.
      char asan[] = "ASAN_OPTIONS=verify_asan_link_order=0";
      char* envp[] = {const_cast<char*>(preload.c_str()), const_cast<char*>(shimLog.c_str()), asan,
                      nullptr};
      char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(dropArg.c_str()),
                      nullptr};
      execve(program.c_str(), argv, envp);
      _exit(127);
    }
    close(sv[1]);
  }
  ~Node() {
    close(fd_);
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }

  // Waits for text after the last match; false when it does not come.
  bool Await(const std::string& text) {
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
  void Type(const std::string& keys) { send(fd_, keys.data(), keys.size(), MSG_NOSIGNAL); }
  bool Answer(const std::string& text, const std::string& keys) {
    if (!Await(text)) return false;
    Type(keys);
    return true;
  }

 private:
  int fd_ = -1;
  pid_t pid_ = -1;
  std::string screen_;
  size_t mark_ = 0;
};

TEST(NfsLocks, TwelveCreatesAtOnceTakeEveryLockAndNumberOneToTwelve) {
  char tmpl[] = "/tmp/qgs-nfs-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  // QGS_NFS_TEST_BINARY runs the check against another build of qgs.
  const char* other = std::getenv("QGS_NFS_TEST_BINARY");
  fs::copy_file(other && *other ? other : QGS_BINARY, dir / "qgs");
  {
    std::vector<std::unique_ptr<Node>> nodes;
    for (int n = 1; n <= kCallers; ++n)
      nodes.push_back(std::make_unique<Node>(dir, (dir / "qgs").string(), n));
    // Every caller up to the last question of a create ...
    for (auto& node : nodes) {
      ASSERT_TRUE(node->Answer("] to continue. -=> ", "\r"));
      ASSERT_TRUE(node->Answer("[Y/N] -=> ", "N"));
      ASSERT_TRUE(node->Answer("Select option: ", "M"));
      ASSERT_TRUE(node->Answer("C,J,P,V,R,W,Q -=> ", "C"));
      ASSERT_TRUE(node->Answer("Queen? -=> ", "K"));
      ASSERT_TRUE(node->Await("sire? -=> "));
    }
    // ... then all of them answer it at once.
    for (auto& node : nodes) node->Type("\r");
    for (auto& node : nodes) {
      ASSERT_TRUE(node->Await("created successfully!"));
      ASSERT_TRUE(node->Answer("Press any key...", " "));
      ASSERT_TRUE(node->Answer("C,J,P,V,R,W,Q -=> ", "Q"));
      ASSERT_TRUE(node->Answer("Select option: ", "Q"));
      ASSERT_TRUE(node->Await("Returning to "));
    }
  }

  std::multiset<int> numbers;
  for (const auto& entry : fs::directory_iterator(dir / "games" / "active")) {
    if (entry.path().extension() != ".dat") continue;
    std::unique_ptr<TPvPGameState> state = TPvPGameState::Create();
    state->LoadFromFile(entry.path().string());
    numbers.insert(state->GameNumber);
  }
  std::multiset<int> expected;
  for (int n = 1; n <= kCallers; ++n) expected.insert(n);
  EXPECT_EQ(numbers, expected);

  // No lock refused: none in the shim's count, none in the sysop's log.
  std::string shimLog, sysopLog;
  ReadFileText((dir / "shim.log").string(), shimLog);
  size_t refused = 0;
  for (const std::string& line : SplitLines(shimLog))
    refused += line.find(" -1 ") != std::string::npos;
  EXPECT_EQ(refused, 0u) << shimLog.substr(0, 400);
  EXPECT_FALSE(ReadFileText((dir / "qgs.log").string(), sysopLog)) << sysopLog;

  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace

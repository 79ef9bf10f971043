// The built qgs with flock behaving as on an NFS client (tools/nfs_flock.cpp,
// loaded with LD_PRELOAD): there an exclusive flock needs a descriptor open
// for writing. Twelve callers create a Multiplayer game at the same moment;
// every lock must be taken, and the games numbered 1 to 12.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "game/common/datafile.h"
#include "game/multiplayer/gamestate.h"
#include "support/door32_caller.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCallers = 12;

// Node n under the shim, which logs every lock call to dir/"shim.log".
std::unique_ptr<Door32Caller> Node(const fs::path& dir, int n) {
  return std::make_unique<Door32Caller>(
      dir, "Caller " + std::to_string(n), "Node" + std::to_string(n), n,
      std::vector<std::string>{std::string("LD_PRELOAD=") + QGS_NFS_SHIM,
                               "QGS_NFS_SHIM_LOG=" + (dir / "shim.log").string()});
}

TEST(NfsLocks, TwelveCreatesAtOnceTakeEveryLockAndNumberOneToTwelve) {
  char tmpl[] = "/tmp/qgs-nfs-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  // QGS_NFS_TEST_BINARY runs the check against another build of qgs.
  const char* other = std::getenv("QGS_NFS_TEST_BINARY");
  fs::copy_file(other && *other ? other : QGS_BINARY, dir / "qgs");
  {
    std::vector<std::unique_ptr<Door32Caller>> nodes;
    for (int n = 1; n <= kCallers; ++n) nodes.push_back(Node(dir, n));
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

// Several nodes creating games at the same moment: each child process is a
// node with its own copy of the fake platform, all pointed at one game
// directory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/multiplayer/storage.h"
#include "game/common/globals.h"
#include "support/fake_platform.h"
#include "support/nodes.h"

namespace {

constexpr int kNodes = 6;
constexpr int kGamesPerNode = 12;

void CreateGames(FakePlatform& fake, int node) {
  fake.Seed(1000 + node);
  HoldAliasForWrite = "Node " + std::to_string(node);
  for (int game = 0; game < kGamesPerNode; ++game) {
    fake.Advance(1000);  // a new second: a new GameID stamp
    std::unique_ptr<TPvPGameState> state = TPvPGameState::Create();
    state->Player1Alias = HoldAliasForWrite;
    if (!CreateGameFile(*state)) throw std::runtime_error("not written");
  }
}

TEST(StorageNodes, GamesCreatedOnManyNodesAtOnceGetTheirOwnNumbers) {
  FakePlatform fake;
  InitializeGameDirs();
  std::vector<pid_t> nodes = StartNodesAtOnce(kNodes, [&](int node) { CreateGames(fake, node); });
  ASSERT_EQ(nodes.size(), static_cast<size_t>(kNodes));
  for (pid_t pid : nodes) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "node " << pid;
  }

  std::vector<int32_t> numbers;
  const std::vector<std::string> files = ListGameFiles(GetActiveGamesDir());
  for (const std::string& name : files) {
    numbers.push_back(LoadGameState(GetActiveGamesDir() + name)->GameNumber);
  }
  ASSERT_EQ(files.size(), static_cast<size_t>(kNodes * kGamesPerNode));
  std::sort(numbers.begin(), numbers.end());
  std::vector<int32_t> want(kNodes * kGamesPerNode);
  for (size_t i = 0; i < want.size(); ++i) want[i] = static_cast<int32_t>(i + 1);
  EXPECT_EQ(numbers, want);
}

}  // namespace

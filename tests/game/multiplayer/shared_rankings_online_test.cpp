// Several nodes finishing PvP games and coming and going at the same moment:
// each child process is a node with its own copy of the fake platform, all
// pointed at one game directory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "game/common/datafile.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/rankings.h"
#include "game/common/globals.h"
#include "support/fake_platform.h"
#include "support/nodes.h"

namespace {

constexpr int kNodes = 6;
constexpr int kGamesPerNode = 12;

std::string NodeAlias(int node) { return "Node " + std::to_string(node); }
std::string VisitAlias(int node, int visit) {
  return "Visitor " + std::to_string(node) + "-" + std::to_string(visit);
}

// One node's session: every game is won by the node's own player against
// the one rival that all nodes share, and a visitor comes online for each
// game; every other visitor leaves again.
void RunNode(int node) {
  TPlayer mine("King", "Mine", true), rival("Queen", "Rival", true);
  mine.Score = 10;
  rival.Score = 1;
  for (int game = 0; game < kGamesPerNode; ++game) {
    UpdatePvPRankings(mine, NodeAlias(node), rival, "Rival", true, 3);
    HoldAliasForWrite = VisitAlias(node, game);
    UpdatePlayerOnlineStatus();
    if (game % 2 == 1) RemovePlayerFromOnline();
  }
}

// Forks the nodes; they all start at once.
std::vector<pid_t> StartNodes() { return StartNodesAtOnce(kNodes, RunNode); }

TEST(SharedRankingsAndOnline, NoGameAndNoOnlineEntryIsLost) {
  FakePlatform fake;
  std::vector<pid_t> nodes = StartNodes();
  ASSERT_EQ(nodes.size(), static_cast<size_t>(kNodes));
  for (pid_t pid : nodes) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "node " << pid;
  }

  for (const char* file : {"qgs-pvp-monthly.dat", "qgs-pvp-alltime.dat"}) {
    TPvPRankings table;
    table.LoadFromFile(fake.gameDir + file);
    ASSERT_EQ(table.PlayerCount(), kNodes + 1) << file;
    EXPECT_EQ(table.GetPlayer(table.FindPlayer("Rival")).Losses, kNodes * kGamesPerNode) << file;
    for (int node = 0; node < kNodes; ++node) {
      const TPvPPlayerRecord r = table.GetPlayer(table.FindPlayer(NodeAlias(node)));
      EXPECT_EQ(r.Wins, kGamesPerNode) << file << " " << r.Alias;
      EXPECT_EQ(r.TotalScore, 10 * kGamesPerNode) << file << " " << r.Alias;
    }
  }

  LoadOnlinePlayers();
  std::set<std::string> online;
  for (const TOnlinePlayer& p : OnlinePlayers) online.insert(p.Alias);
  std::set<std::string> expected;
  for (int node = 0; node < kNodes; ++node) {
    for (int visit = 0; visit < kGamesPerNode; visit += 2) expected.insert(VisitAlias(node, visit));
  }
  EXPECT_EQ(online, expected);
  EXPECT_EQ(OnlinePlayers.size(), expected.size());  // no entry twice
  EXPECT_FALSE(FileExists(fake.gameDir + "qgs-pvp-last.dat"));
}

}  // namespace

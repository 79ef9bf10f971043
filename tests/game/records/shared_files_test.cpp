// Several nodes finishing games at the same moment: each child process is a
// node with its own copy of the fake platform, all pointed at one game
// directory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/records/gamedata.h"
#include "game/common/globals.h"
#include "game/records/scores.h"
#include "support/fake_platform.h"
#include "support/nodes.h"

namespace {

constexpr int kNodes = 6;
constexpr int kGamesPerNode = 15;
constexpr int kLossesPerNode = 5;  // every third game, from the first

// One node's session: its games, each recorded as the game loop does.
void PlayNode(int node) {
  HoldAliasForWrite = "Node " + std::to_string(node);
  for (int game = 0; game < kGamesPerNode; ++game) {
    const bool won = game % 3 != 0;
    UpdateUserFile(won ? 10 : 0, won ? 0 : 7, won);
    TGameData records;
    UpdateGameData(
        [&](TGameData& d) {
          d.LastMonths += 1;  // counts the games
          d.LastWinner = HoldAliasForWrite;
          d.LastLoser = "King Computer";
        },
        records);
  }
}

// Forks the nodes; they all start at once.
std::vector<pid_t> StartNodes() { return StartNodesAtOnce(kNodes, PlayNode); }

// A file seen while the nodes write must still be a whole one: false when
// one is seen cut short.
bool FilesLookWhole(const std::string& dir) {
  std::string text;
  if (ReadFileText(dir + "qgs-best.asc", text) &&
      (text.rfind("* Gronels and Slingards Scoreboard", 0) != 0 || text.size() < 2 ||
       text.compare(text.size() - 2, 2, "\n\n") != 0)) {
    return false;
  }
  std::vector<std::string> lines;
  TDateTime stamp;
  if (ReadFileLines(dir + "qgs-user.dat", lines) &&
      (lines.empty() || !TryStrToDateTime(lines[0], stamp) || lines.size() % 4 != 2)) {
    return false;
  }
  return !ReadFileLines(dir + "qgs.dat", lines) || lines.size() == 9;
}

TEST(SharedFiles, GamesFinishedOnManyNodesAtOnceAreAllCounted) {
  FakePlatform fake;
  std::vector<pid_t> nodes = StartNodes();
  ASSERT_EQ(nodes.size(), static_cast<size_t>(kNodes));

  int running = kNodes, looks = 0, torn = 0;
  while (running > 0) {
    ++looks;
    if (!FilesLookWhole(fake.gameDir)) ++torn;
    int status = 0;
    pid_t done = waitpid(-1, &status, WNOHANG);
    if (done > 0) {
      --running;
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "node " << done;
    }
  }

  EXPECT_EQ(torn, 0) << "of " << looks << " looks";

  TGameData records;
  ReadGameData(records);
  EXPECT_EQ(records.LastMonths, kNodes * kGamesPerNode);

  std::vector<std::string> lines;
  ASSERT_TRUE(ReadFileLines(fake.gameDir + "qgs-user.dat", lines));
  ASSERT_EQ(lines.size(), 2u + 4 * kNodes);
  EXPECT_EQ(lines[1], std::to_string(7 * kLossesPerNode * kNodes));  // the computer's points
  std::vector<std::string> aliases;
  for (size_t i = 2; i < lines.size(); i += 4) {
    aliases.push_back(lines[i]);
    EXPECT_EQ(lines[i + 1], std::to_string(kGamesPerNode - kLossesPerNode)) << lines[i];
    EXPECT_EQ(lines[i + 2], std::to_string(kLossesPerNode)) << lines[i];
    EXPECT_EQ(lines[i + 3], std::to_string(10 * (kGamesPerNode - kLossesPerNode))) << lines[i];
  }
  std::sort(aliases.begin(), aliases.end());
  EXPECT_EQ(std::unique(aliases.begin(), aliases.end()), aliases.end());

  // Only the data files and their lock files remain (the change record's
  // lock among them): no temporary file, no change record.
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(fake.gameDir)) {
    names.push_back(e.path().filename());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"qgs-best.asc", "qgs-commit.dat.lock", "qgs-user.dat",
                                             "qgs-user.dat.lock", "qgs.dat", "qgs.dat.lock"}));
}

}  // namespace

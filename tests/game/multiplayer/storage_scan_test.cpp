// The lobby's scan: the expiry pass and the games it leaves, each file read
// once, against the expiry pass followed by a fresh scan.
#include <gtest/gtest.h>

#include <filesystem>

#include "game/common/datafile.h"
#include "storage_support.h"

namespace {

namespace fs = std::filesystem;

class StorageScanTest : public StorageTest {
 protected:
  // Both folders and the rankings files as a lobby draw finds them: games
  // to forfeit, abandon, keep and delete.
  void Lay() {
    fs::remove_all(fake.gameDir + "games");
    for (const char* f : {"qgs-pvp-monthly.dat", "qgs-pvp-alltime.dat"})
      fs::remove(fake.gameDir + f);
    InitializeGameDirs();
    PutActive({.id = "forfeit", .number = 4, .month = 5, .idleSeconds = 4 * kDay});
    PutActive({.id = "abandon", .number = 2, .month = 2, .idleSeconds = 4 * kDay});
    PutActive({.id = "running", .number = 1, .month = 9, .idleSeconds = kDay, .turn = "Bob"});
    PutActive({.id = "waiting", .number = 3, .status = gsWaitingForPlayers, .p2 = ""});
    PutCompleted({.id = "old", .number = 5, .status = gsCompleted, .idleSeconds = 15 * kDay / 2});
    PutCompleted({.id = "young", .number = 6, .status = gsCompleted, .idleSeconds = kDay});
  }

  // The whole file a state would be saved as.
  std::string Text(const TPvPGameState& AState) {
    const std::string path = fake.gameDir + "state.txt";
    AState.SaveToFile(path);
    std::string text;
    ReadFileText(path, text);
    return text;
  }

  struct Outcome {
    std::vector<int64_t> draws;
    std::vector<std::string> active, completed;  // names, then the states' texts
    std::string rankings;
  };
  Outcome Of(const TGameScan& scan) {
    Outcome o;
    o.draws = fake.drawsAsked;
    for (const TGameEntry& e : scan.Active) o.active.push_back(e.FileName + "\n" + Text(*e.State));
    for (const TGameEntry& e : scan.Completed) {
      o.completed.push_back(e.FileName + "\n" + Text(*e.State));
    }
    ReadFileText(fake.gameDir + "qgs-pvp-alltime.dat", o.rankings);
    o.active.push_back("folder:" + std::to_string(ListGameFiles(GetActiveGamesDir()).size()));
    o.completed.push_back("folder:" + std::to_string(ListGameFiles(GetCompletedGamesDir()).size()));
    return o;
  }
};

TEST_F(StorageScanTest, OnePassShowsAndDrawsWhatTheExpiryPassAndAFreshScanWould) {
  Config.DaysUntilExpire = 3;
  Lay();
  fake.Seed(7);
  fake.drawsAsked.clear();
  CleanupExpiredGames();
  const Outcome twoPasses = Of(ScanAllGames());

  Lay();
  fake.Seed(7);
  fake.drawsAsked.clear();
  const Outcome onePass = Of(CleanupAndScanGames());

  EXPECT_EQ(onePass.draws, twoPasses.draws);
  EXPECT_EQ(onePass.active, twoPasses.active);
  EXPECT_EQ(onePass.completed, twoPasses.completed);
  EXPECT_EQ(onePass.rankings, twoPasses.rankings);
  // What the pass did: two games left "active", the forfeit ranked, the
  // week-old game deleted.
  ASSERT_EQ(onePass.active.size(), 3u);
  EXPECT_EQ(onePass.active[0].substr(0, 16), "game_running.dat");
  ASSERT_EQ(onePass.completed.size(), 4u);
  EXPECT_NE(onePass.completed[1].find("game_forfeit.dat\n"), std::string::npos);
  EXPECT_NE(onePass.rankings.find("Bob"), std::string::npos);
}

TEST_F(StorageScanTest, AGameThatCannotBeMovedIsListedAsItsFileHoldsIt) {
  Config.DaysUntilExpire = 3;
  PutActive({.id = "stuck", .month = 2, .idleSeconds = 4 * kDay});
  // Something in the way of its name in "completed".
  fs::create_directory(Completed("stuck"));
  TGameScan scan = CleanupAndScanGames();
  ASSERT_EQ(scan.Active.size(), 1u);
  EXPECT_EQ(scan.Active[0].State->Status, gsInProgress);
  EXPECT_EQ(Read(Active("stuck")).Status, gsInProgress);
}

}  // namespace

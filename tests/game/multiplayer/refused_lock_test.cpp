// A lock that cannot be taken (a share without working locks) is an error:
// nothing is changed, the caller is told, the sysop's log says why, and
// what is on disk still reads.
#include <cerrno>

#include "game/multiplayer/online.h"
#include "game/multiplayer/storage_support.h"
#include "support/fake_files.h"

namespace {

class RefusedLockTest : public StorageTest {
 protected:
  RefusedLockTest() { files.AddFolder(fake.gameDir); }
  FakeFileSystem files;

  std::string Log() { return files.GetOr(fake.gameDir + "qgs.log"); }
};

TEST_F(RefusedLockTest, NoChangeIsMadeWithoutTheLockAndTheGamesStillRead) {
  TPvPGameState game =
      Make({"20261209120000"
            "1",
            0});
  ASSERT_TRUE(CreateGameFile(game));
  const std::string path = GetActiveGamesDir() + GameFileName(game);
  const std::string before = files.Get(path);
  UpdatePlayerOnlineStatus();
  const std::string onlineBefore = files.Get(GetOnlineFile());

  for (int err : {EBADF, ENOLCK}) {
    files.FailAlways(FakeFileSystem::Op::Lock, err);
    const int64_t steps = files.steps;
    TPvPGameState another =
        Make({"20261209120000"
              "2",
              0, gsWaitingForPlayers});
    EXPECT_FALSE(CreateGameFile(another));
    TPvPGameState moved = game;
    moved.MonthNumber = 2;
    EXPECT_EQ(SaveTurn(GameFileName(game), TTurnStart::Of(game), moved), tsLockRefused);
    EXPECT_EQ(SaveWinningTurn(GameFileName(game), TTurnStart::Of(game), moved, true),
              tsLockRefused);
    fake.Advance(60000);
    UpdatePlayerOnlineStatus();
    CleanupExpiredGames();
    // The only steps taken are the sysop's log lines.
    for (size_t i = static_cast<size_t>(steps); i < files.stepLog.size(); ++i) {
      EXPECT_EQ(files.stepLog[i], "append " + files.Normal(fake.gameDir + "qgs.log"));
    }
    EXPECT_EQ(files.Get(path), before);
    EXPECT_EQ(files.Get(GetOnlineFile()), onlineBefore);
    const TGameScan scan = CleanupAndScanGames();
    ASSERT_EQ(scan.Active.size(), 1u);
    EXPECT_EQ(scan.Active[0].State->GameID, game.GameID);
    EXPECT_TRUE(files.HeldLocks().empty());
    files.ClearFaults();
  }
  const std::string log = Log();
  EXPECT_NE(log.find("Could not lock " + fake.gameDir + "games/store.lock: Bad file descriptor\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("qgs-online.dat.lock: No locks available\n"), std::string::npos) << log;
}

}  // namespace

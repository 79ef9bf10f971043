// A write that fails (disk full, an I/O error at the write, the fsync or
// the rename) leaves every data file as it was and is in the sysop's log;
// a game file's failure is what the caller is told.
#include <cerrno>
#include <functional>

#include "game/kingdom/player.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/rankings.h"
#include "game/multiplayer/storage_support.h"
#include "game/records/gamedata.h"
#include "game/records/scores.h"
#include "support/fake_files.h"

namespace {

using Op = FakeFileSystem::Op;

class FailedWriteTest : public StorageTest {
 protected:
  FailedWriteTest() { files.AddFolder(fake.gameDir); }
  FakeFileSystem files;
};

TEST_F(FailedWriteTest, EveryKindOfFileStaysWholeAndTheFailureIsLogged) {
  TPvPGameState game =
      Make({"20261209120000"
            "1",
            1});
  ASSERT_TRUE(CreateGameFile(game));
  const std::string gamePath = GetActiveGamesDir() + GameFileName(game);
  std::unique_ptr<TPlayer> one = TPlayer::Create("Queen", "Ann", true);
  std::unique_ptr<TPlayer> two = TPlayer::Create("King", "Bob", false);
  TGameData records;

  struct Kind {
    const char* name;
    std::vector<std::string> files;  // relative to the game directory
    std::function<bool()> change;    // false when the caller is told it failed
  } const kinds[] = {
      {"game file",
       {"games/active/" + GameFileName(game)},
       [&] {
         TPvPGameState moved = game;
         ++moved.MonthNumber;
         if (SaveTurn(GameFileName(game), TTurnStart::Of(game), moved) != tsSaved) return false;
         game = moved;
         return true;
       }},
      {"new game",
       {},
       [&] {
         TPvPGameState another =
             Make({"20261209120000"
                   "2",
                   0, gsWaitingForPlayers});
         return CreateGameFile(another);
       }},
      {"records",
       {"qgs.dat"},
       [&] { return UpdateGameData([](TGameData& d) { d.LastMonths = 9; }, records); }},
      {"scores",
       {"qgs-user.dat", "qgs-best.asc"},
       [&] {
         UpdateUserFile(50, 10, true);
         return true;
       }},
      {"rankings",
       {"qgs-pvp-monthly.dat", "qgs-pvp-alltime.dat"},
       [&] {
         UpdatePvPRankings(*one, "Ann", *two, "Bob", true, 5);
         return true;
       }},
      {"online list",
       {"qgs-online.dat"},
       [&] {
         fake.Advance(60000);
         UpdatePlayerOnlineStatus();
         return true;
       }},
  };
  // Every file there before the failures, once.
  for (const Kind& kind : kinds) ASSERT_TRUE(kind.change()) << kind.name;

  for (Op op : {Op::Write, Op::Fsync, Op::Rename}) {
    for (const Kind& kind : kinds) {
      std::vector<std::string> before;
      for (const std::string& f : kind.files) before.push_back(files.Get(fake.gameDir + f));
      const std::string logBefore = files.GetOr(fake.gameDir + "qgs.log");
      const size_t gamesBefore = files.FilePaths(GetActiveGamesDir()).size();
      files.FailAlways(op, op == Op::Write ? ENOSPC : EIO);
      const bool told = !kind.change();
      files.ClearFaults();
      for (size_t i = 0; i < kind.files.size(); ++i) {
        EXPECT_EQ(files.Get(fake.gameDir + kind.files[i]), before[i]) << kind.name;
      }
      EXPECT_EQ(files.FilePaths(GetActiveGamesDir()).size(), gamesBefore) << kind.name;
      EXPECT_TRUE(files.TempFiles().empty()) << kind.name;
      const std::string log = files.GetOr(fake.gameDir + "qgs.log").substr(logBefore.size());
      EXPECT_NE(
          log.find(op == Op::Write ? ": No space left on device\n" : ": Input/output error\n"),
          std::string::npos)
          << kind.name << ": " << log;
      if (std::string(kind.name) == "game file" || std::string(kind.name) == "new game") {
        EXPECT_TRUE(told) << kind.name;
      }
    }
  }
}

}  // namespace

// A finished Klassic game's scores and records written as one change: a
// failure of either file's write keeps both as they were; a lock that is
// refused, or a surrender, leaves only its own part out.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "game/common/datafile.h"
#include "game/common/globals.h"
#include "game/records/gamedata.h"
#include "game/records/scores.h"
#include "support/fake_files.h"
#include "support/fake_platform.h"

namespace {

const char* const kOldRecords =
    "7\nKing Arthur\nKing Computer\n31\nQueen Maud\nKing Computer\n12\nKing Computer\nQueen "
    "Maud\n";

class KlassicResultTest : public ::testing::Test {
 protected:
  FakePlatform env;
  FakeFileSystem files;

  void SetUp() override {
    files.AddFolder(env.gameDir);
    files.Put(env.gameDir + "qgs.dat", kOldRecords);
    HoldAliasForWrite = "Ann";
  }
  std::string Scores() const {
    return files.IsFile(env.gameDir + "qgs-user.dat") ? files.Get(env.gameDir + "qgs-user.dat")
                                                      : std::string();
  }
  // A 9-month win of Queen Ann over King Computer; rules applied or not.
  bool Keep(bool surrendered, TGameData& records) {
    std::function<void(TGameData&)> rules;
    if (!surrendered) {
      rules = [](TGameData& d) {
        bool s, l;
        ApplyRecordRules(d, 9, "Queen Ann", "King Computer", s, l);
      };
    }
    return KeepKlassicResult(40, 0, true, rules, records);
  }
};

TEST_F(KlassicResultTest, ScoresAndRecordsAreWrittenTogether) {
  TGameData records;
  EXPECT_TRUE(Keep(false, records));
  EXPECT_EQ(records.LastMonths, 9);
  EXPECT_EQ(records.LastWinner, "Queen Ann");
  EXPECT_EQ(records.ShortestMonths, 7);  // not beaten
  EXPECT_EQ(files.Get(env.gameDir + "qgs.dat"),
            "7\nKing Arthur\nKing Computer\n31\nQueen Maud\nKing Computer\n9\nQueen Ann\nKing "
            "Computer\n");
  EXPECT_NE(Scores().find("\nAnn\n1\n0\n40\n"), std::string::npos) << Scores();
  EXPECT_TRUE(files.IsFile(env.gameDir + "qgs-best.asc"));
  EXPECT_TRUE(files.HeldLocks().empty());
}

TEST_F(KlassicResultTest, AFailedWriteOfEitherFileLeavesBothAsTheyWere) {
  // Temporary files are written scores, scoreboard, records, then the
  // change record.
  for (int nth : {1, 2, 3, 4}) {
    SCOPED_TRACE("write " + std::to_string(nth) + " fails");
    files.Put(env.gameDir + "qgs.dat", kOldRecords);
    files.Fail(FakeFileSystem::Op::Write, ENOSPC, nth);
    TGameData records;
    EXPECT_FALSE(Keep(false, records));
    EXPECT_EQ(records.LastMonths, 12);  // what is on file
    EXPECT_EQ(files.Get(env.gameDir + "qgs.dat"), kOldRecords);
    EXPECT_EQ(Scores(), "");
    EXPECT_FALSE(files.IsFile(env.gameDir + "qgs-best.asc"));
    EXPECT_TRUE(files.TempFiles().empty());
    files.ClearFaults();
  }
}

TEST_F(KlassicResultTest, ARefusedLockOrASurrenderLeavesOnlyItsOwnPartOut) {
  {
    SCOPED_TRACE("records' lock refused");  // the second lock taken
    files.Fail(FakeFileSystem::Op::Lock, ENOLCK, 2);
    TGameData records;
    EXPECT_FALSE(Keep(false, records));
    EXPECT_EQ(records.LastMonths, 12);
    EXPECT_EQ(files.Get(env.gameDir + "qgs.dat"), kOldRecords);
    EXPECT_NE(Scores().find("\nAnn\n1\n0\n40\n"), std::string::npos) << Scores();
  }
  {
    SCOPED_TRACE("scores' lock refused");
    files.Fail(FakeFileSystem::Op::Lock, ENOLCK, 1);
    TGameData records;
    EXPECT_TRUE(Keep(false, records));
    EXPECT_EQ(records.LastWinner, "Queen Ann");
    EXPECT_NE(Scores().find("\nAnn\n1\n0\n40\n"), std::string::npos);  // still one game
    EXPECT_EQ(Scores().find("\nAnn\n2\n"), std::string::npos) << Scores();
  }
  {
    SCOPED_TRACE("surrender");
    const std::string recordsBefore = files.Get(env.gameDir + "qgs.dat");
    TGameData records;
    EXPECT_FALSE(Keep(true, records));
    EXPECT_EQ(records.LastWinner, "Queen Ann");  // read, as on file
    EXPECT_EQ(files.Get(env.gameDir + "qgs.dat"), recordsBefore);
    EXPECT_NE(Scores().find("\nAnn\n2\n0\n80\n"), std::string::npos) << Scores();
  }
  EXPECT_TRUE(files.HeldLocks().empty());
}

}  // namespace

// What killed processes leave in the game directory: temporary files of
// writes cut short, and a change record that does not read whole. Both are
// cleared by whoever comes next, without touching a data file they do not
// own, and the sysop's log says what was done.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "game/common/commit.h"
#include "game/common/sysoplog.h"
#include "game/multiplayer/storage.h"
#include "game/shell/tidy.h"
#include "support/fake_files.h"
#include "support/fake_platform.h"

namespace {

using Op = FakeFileSystem::Op;
constexpr int64_t kMinuteMs = 60 * 1000;
const std::string kNoFile = "(no file)";

class LeftoversTest : public ::testing::Test {
 protected:
  LeftoversTest() {
    files.AddFolder(fake.gameDir);
    InitializeGameDirs();
  }
  std::string Path(const std::string& name) const { return fake.gameDir + name; }
  std::string Log() const { return files.GetOr(Path("qgs.log")); }
  std::string Text(const std::string& name) const { return files.GetOr(Path(name), kNoFile); }

  FakePlatform fake{"/bbs/qgs/"};
  FakeFileSystem files;
};

// Where temporary files are looked for, by whom, and which names there are
// this program's.
struct Place {
  const char* name;
  std::string folder;  // under the game directory
  std::function<void()> run;
  std::vector<std::string> ours;   // temporary files of its data files
  std::vector<std::string> alike;  // named nearly so, but not its own
};

std::vector<Place> Places() {
  const std::vector<std::string> gameAlike = {"notes.txt.tmp.abcdef",   "game_1.dat.tmp.abcde",
                                              "game_1.dat.tmp.abcdefg", "game_1.dat.tmp.ab_def",
                                              "game_1.dat.tmp.",        "game_1.dat.bak",
                                              "game_1.txt.tmp.abcdef"};
  const std::vector<std::string> gameOurs = {"game_202612091100001.dat.tmp.aB3dE6",
                                             "game_7.dat.tmp.000001",
                                             "game_202612091100002.dat.tmp.commit"};
  return {
      {"start-up, game directory",
       "",
       TidyGameDir,
       {"qgs.dat.tmp.a1B2c3", "qgs-user.dat.tmp.000001", "qgs-best.asc.tmp.Zz9999",
        "qgs-last.asc.tmp.q1w2e3", "qgs-pvp-monthly.dat.tmp.abcdef",
        "qgs-pvp-alltime.dat.tmp.ABCDEF", "qgs-pvp-last.dat.tmp.123456",
        "qgs-online.dat.tmp.x1y2z3", "qgs-commit.dat.tmp.aaaaaa", "qgs.dat.tmp.commit",
        "qgs-user.dat.tmp.commit.tmp.b2c3d4"},
       {"qgs.dat.tmp.12345", "qgs.dat.tmp.1234567", "qgs.dat.tmp.ab-def", "qgs.dat.tmp.",
        "qgs.dat.tmp", "qgs.dat.bak", "xqgs.dat.tmp.abcdef", "qgs.cfg.tmp.abcdef",
        "qgs.log.tmp.abcdef", "notes.txt.tmp.abcdef", "game_202612091100001.dat.tmp.abcdef",
        "qgs.dat", "qgs-user.dat"}},
      {"expiry pass, active games", "games/active/", CleanupExpiredGames, gameOurs, gameAlike},
      {"expiry pass, completed games", "games/completed/", CleanupExpiredGames, gameOurs,
       gameAlike},
  };
}

// Another temporary file of the same file: the last six characters changed
// (to one of their own for each i).
std::string Younger(const std::string& name, size_t i) {
  return name.substr(0, name.size() - 6) + "Yng" + std::to_string(100 + i);
}

TEST_F(LeftoversTest, TemporaryFilesOlderThanAnHourGoTheYoungerAndTheLookalikesStay) {
  for (const Place& place : Places()) {
    SCOPED_TRACE(place.name);
    const std::string dir = Path(place.folder);
    for (const std::string& name : place.ours) files.Put(dir + name, "cut short");
    for (const std::string& name : place.alike) files.Put(dir + name, "kept");
    files.AddFolder(dir + "game_3.dat.tmp.folder");  // named so, but a folder
    fake.Advance(2 * kMinuteMs);
    for (size_t i = 0; i < place.ours.size(); ++i) {
      files.Put(dir + Younger(place.ours[i], i), "being written");
    }
    fake.Advance(59 * kMinuteMs);  // 61 and 59 minutes old

    place.run();

    for (size_t i = 0; i < place.ours.size(); ++i) {
      const std::string& name = place.ours[i];
      EXPECT_FALSE(files.IsFile(dir + name)) << name;
      EXPECT_TRUE(files.IsFile(dir + Younger(name, i))) << Younger(name, i);
      files.Remove(dir + Younger(name, i));
    }
    for (const std::string& name : place.alike) EXPECT_TRUE(files.IsFile(dir + name)) << name;
    EXPECT_TRUE(files.IsFolder(dir + "game_3.dat.tmp.folder"));
    EXPECT_TRUE(files.HeldLocks().empty());
    EXPECT_EQ(Log(), "");
  }
}

// Every temporary file belongs to the holder of its file's lock: without the
// lock none is touched, and a removal that fails is not passed over in
// silence either.
TEST_F(LeftoversTest, WithoutTheLockOrWhenTheRemovalFailsTheFilesStayAndTheLogSaysWhy) {
  struct Fault {
    Op op;
    int err;
    const char* message;
  } const faults[] = {{Op::Lock, ENOLCK, "No locks available"},
                      {Op::Unlink, EACCES, "Permission denied"}};
  for (const Place& place : Places()) {
    for (const Fault& fault : faults) {
      SCOPED_TRACE(std::string(place.name) + ", " + fault.message);
      const std::string dir = Path(place.folder);
      const std::string before = Log();
      for (const std::string& name : place.ours) files.Put(dir + name, "cut short");
      fake.Advance(61 * kMinuteMs);
      files.FailAlways(fault.op, fault.err);
      place.run();
      files.ClearFaults();
      for (const std::string& name : place.ours) EXPECT_TRUE(files.IsFile(dir + name)) << name;
      EXPECT_NE(Log().substr(before.size()).find(fault.message), std::string::npos) << Log();
      EXPECT_TRUE(files.HeldLocks().empty());
    }
  }
}

// A temporary file that a change record still names is the change itself:
// the change is finished, however old the file.
TEST_F(LeftoversTest, AnOldTemporaryFileOfAChangeLeftHalfDoneIsFinishedNotRemoved) {
  files.Put(Path("qgs-pvp-monthly.dat"), "old table\n");
  files.Put(Path("qgs-pvp-monthly.dat.tmp.commit"), "new table\n");
  files.Put(Path("qgs-commit.dat"),
            "# QGS change\nput\nqgs-pvp-monthly.dat.tmp.commit\nqgs-pvp-monthly.dat\nend\n");
  fake.Advance(3 * 60 * kMinuteMs);
  TidyGameDir();
  EXPECT_EQ(Text("qgs-pvp-monthly.dat"), "new table\n");
  EXPECT_FALSE(files.IsFile(Path("qgs-commit.dat")));
  EXPECT_TRUE(files.TempFiles().empty());
}

// Records are renamed into place whole, so one that does not read whole was
// damaged from outside: nothing it names may be replayed.
TEST(Leftovers, ADamagedChangeRecordIsSetAsideAndLoggedAndTheDataFilesStayAsTheyWere) {
  const std::string header = "# QGS change\n";
  const std::string put = "put\nqgs.dat.tmp.commit\nqgs.dat\n";
  struct Damaged {
    const char* why;
    std::string text;
  } const records[] = {
      {"empty", ""},
      {"cut before its end", header + put},
      {"a step cut short", header + "put\nqgs.dat.tmp.commit\nend\n"},
      {"another header", "# QGS Change\n" + put + "end\n"},
      {"an unknown step", header + "move\nqgs.dat.tmp.commit\nqgs.dat\nend\n"},
      {"not text", std::string("\x01\xff\0\x1b[2J", 7)},
      {"a step that names no file", header + "put\nqgs.dat.tmp.commit\n\nend\n"},
      {"a removal outside the game directory", header + "remove\n../outside.dat\nend\n"},
      {"an absolute path", header + "remove\n/bbs/outside.dat\nend\n"},
      {"the game directory itself", header + "remove\n.\nend\n"},
      {"a folder", header + "put\nqgs.dat.tmp.commit\nqgs.dat\nremove\ngames\nend\n"},
      {"a put from a file that is no change's", header + "put\nqgs-online.dat\nqgs.dat\nend\n"},
  };
  // Found as a process starts, or by the next change of any file.
  const std::pair<const char*, std::function<void()>> finders[] = {
      {"at start-up", TidyGameDir},
      {"by the next change", [] {}},
  };
  for (const Damaged& record : records) {
    for (const auto& [when, find] : finders) {
      SCOPED_TRACE(std::string(record.why) + ", " + when);
      FakePlatform fake("/bbs/qgs/");
      FakeFileSystem files;
      files.AddFolder(fake.gameDir + "games");
      const std::string dir = fake.gameDir;
      const std::vector<std::pair<std::string, std::string>> disk = {
          {dir + "qgs.dat", "old records\n"},
          {dir + "qgs.dat.tmp.commit", "new records\n"},
          {dir + "qgs-online.dat", "Ann\n9-12-26 11:58:00\n"},
          {"/bbs/outside.dat", "not the game's\n"},
      };
      for (const auto& [path, contents] : disk) files.Put(path, contents);
      files.Put(dir + "qgs-commit.dat", record.text);

      find();
      TFileChange change;
      change.Put(dir + "qgs-user.dat", "next change\n");
      EXPECT_TRUE(change.Commit());

      for (const auto& [path, contents] : disk)
        EXPECT_EQ(files.GetOr(path, kNoFile), contents) << path;
      EXPECT_EQ(files.GetOr(dir + "qgs-user.dat", kNoFile), "next change\n");
      EXPECT_FALSE(files.IsFile(dir + "qgs-commit.dat"));
      EXPECT_EQ(files.GetOr(dir + "qgs-commit.dat.damaged", kNoFile), record.text);
      EXPECT_EQ(
          files.GetOr(dir + "qgs.log", kNoFile),
          SysopLogLine("Damaged change record set aside as " + dir + "qgs-commit.dat.damaged", "") +
              "\n");
      EXPECT_TRUE(files.HeldLocks().empty());
    }
  }
}

TEST_F(LeftoversTest, ADamagedRecordThatCannotBeSetAsideStopsTheNextChangeUntilItIs) {
  const std::string damaged = "# QGS change\nput\nqgs.dat.tmp.commit\n";
  files.Put(Path("qgs.dat"), "old records\n");
  files.Put(Path("qgs-commit.dat"), damaged);
  files.Fail(Op::Rename, EACCES);
  TidyGameDir();
  EXPECT_EQ(Text("qgs-commit.dat"), damaged);
  EXPECT_NE(Log().find("Permission denied"), std::string::npos) << Log();

  // Written over, the record would be lost to the sysop; once it can be set
  // aside the change goes ahead.
  files.Fail(Op::Rename, EACCES, 2);  // the first is the change's own temporary file
  TFileChange refused;
  refused.Put(Path("qgs.dat"), "refused\n");
  EXPECT_FALSE(refused.Commit());
  EXPECT_EQ(Text("qgs.dat"), "old records\n");
  EXPECT_EQ(Text("qgs-commit.dat"), damaged);

  TFileChange next;
  next.Put(Path("qgs.dat"), "next\n");
  EXPECT_TRUE(next.Commit());
  EXPECT_EQ(Text("qgs.dat"), "next\n");
  EXPECT_EQ(Text("qgs-commit.dat.damaged"), damaged);
  EXPECT_TRUE(files.TempFiles().empty());
}

// A whole record that cannot be finished now (an I/O error) is still the
// change of a process that died: the next change must not write its own
// record over it, or that change would stay half done for good.
TEST_F(LeftoversTest, AChangeLeftHalfDoneThatCannotBeFinishedYetIsNotWrittenOver) {
  // The dying process had renamed the monthly table into place.
  files.Put(Path("qgs-pvp-monthly.dat"), "monthly credited\n");
  files.Put(Path("qgs-pvp-alltime.dat"), "all-time before\n");
  files.Put(Path("qgs-pvp-alltime.dat.tmp.commit"), "all-time credited\n");
  const std::string record =
      "# QGS change\nput\nqgs-pvp-monthly.dat.tmp.commit\nqgs-pvp-monthly.dat\n"
      "put\nqgs-pvp-alltime.dat.tmp.commit\nqgs-pvp-alltime.dat\nend\n";
  files.Put(Path("qgs-commit.dat"), record);

  files.Fail(Op::Rename, EIO, 2);  // the first is the new change's own temporary file
  TFileChange change;
  change.Put(Path("qgs.dat"), "records\n");
  EXPECT_FALSE(change.Commit());
  EXPECT_EQ(Text("qgs-commit.dat"), record);
  EXPECT_EQ(Text("qgs-pvp-alltime.dat"), "all-time before\n");
  EXPECT_FALSE(files.IsFile(Path("qgs.dat")));
  EXPECT_NE(Log().find("Input/output error"), std::string::npos) << Log();

  EXPECT_TRUE(change.Commit());
  EXPECT_EQ(Text("qgs-pvp-monthly.dat"), "monthly credited\n");
  EXPECT_EQ(Text("qgs-pvp-alltime.dat"), "all-time credited\n");
  EXPECT_EQ(Text("qgs.dat"), "records\n");
  EXPECT_FALSE(files.IsFile(Path("qgs-commit.dat")));
  EXPECT_TRUE(files.TempFiles().empty());
}

// The record's own lock guards the commit point: without it nothing is
// written, finished or left behind, and the log says which lock.
TEST_F(LeftoversTest, WithoutTheRecordsLockNoChangeIsMadeAndNoLeftoverIsTouched) {
  files.Put(Path("qgs.dat"), "old records\n");
  files.Put(Path("qgs-pvp-alltime.dat"), "all-time before\n");
  files.Put(Path("qgs-pvp-alltime.dat.tmp.commit"), "all-time credited\n");
  const std::string record =
      "# QGS change\nput\nqgs-pvp-alltime.dat.tmp.commit\nqgs-pvp-alltime.dat\nend\n";

  files.Fail(Op::Lock, ENOLCK);
  TFileChange change;
  change.Put(Path("qgs.dat"), "new records\n");
  EXPECT_FALSE(change.Commit());
  EXPECT_EQ(Text("qgs.dat"), "old records\n");
  EXPECT_FALSE(files.IsFile(Path("qgs-commit.dat")));
  EXPECT_NE(Log().find("qgs-commit.dat.lock"), std::string::npos) << Log();

  files.Put(Path("qgs-commit.dat"), record);
  files.Fail(Op::Lock, ENOLCK);
  FinishLeftoverChange();
  EXPECT_EQ(Text("qgs-commit.dat"), record);
  EXPECT_EQ(Text("qgs-pvp-alltime.dat"), "all-time before\n");
  FinishLeftoverChange();
  EXPECT_EQ(Text("qgs-pvp-alltime.dat"), "all-time credited\n");
  EXPECT_FALSE(files.IsFile(Path("qgs-commit.dat")));
  EXPECT_EQ(files.TempFiles(), std::vector<std::string>{});
}

}  // namespace

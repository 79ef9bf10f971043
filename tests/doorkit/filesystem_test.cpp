#include "doorkit/filesystem.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "support/fake_files.h"
#include "support/fake_platform.h"
#include "support/lock_probe.h"

namespace fs = std::filesystem;

namespace {

// The real file system, on the fake platform's temporary folder.
class RealFilesTest : public ::testing::Test {
 protected:
  FakePlatform fake;
  FileSystem& files = Files();
  std::string Path(const std::string& name) { return fake.gameDir + name; }
  std::vector<std::string> Names(const std::string& folder = "") {
    std::vector<std::string> names;
    EXPECT_EQ(files.ListFolder(Path(folder), names), 0);
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(RealFilesTest, AtomicWriteReplacesWholeKeepsPermissionsAndLeavesNoTemporaryFile) {
  const std::string path = Path("a.dat");
  const std::string bytes("one\0two\r\n", 9);
  ASSERT_EQ(files.WriteFileAtomic(path, bytes), 0);
  std::string text;
  ASSERT_EQ(files.ReadFile(path, text), 0);
  EXPECT_EQ(text, bytes);
  struct stat st {};
  const mode_t mask = umask(0);
  umask(mask);
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  ASSERT_EQ(files.WriteFileAtomic(path, "new"), 0);
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Names(), std::vector<std::string>{"a.dat"});
}

TEST_F(RealFilesTest, FailuresCarryTheirErrnoAndLeaveNothingBehind) {
  ASSERT_EQ(files.MakeFolder(Path("sub")), 0);
  std::string text = "untouched";
  std::vector<std::string> names;
  FileInfo info;
  int handle = 7;
  EXPECT_EQ(files.WriteFileAtomic(Path("missing/a.dat"), "x"), ENOENT);
  EXPECT_EQ(files.WriteFileAtomic(Path("sub"), "x"), EISDIR);  // the rename fails
  EXPECT_EQ(files.ReadFile(Path("none"), text), ENOENT);
  EXPECT_EQ(files.ReadFile(Path("sub"), text), EISDIR);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(files.Remove(Path("none")), ENOENT);
  EXPECT_EQ(files.Rename(Path("none"), Path("b")), ENOENT);
  EXPECT_EQ(files.MakeFolder(Path("sub")), EEXIST);
  EXPECT_EQ(files.ListFolder(Path("none"), names), ENOENT);
  EXPECT_EQ(files.Stat(Path("none"), info), ENOENT);
  EXPECT_EQ(info.Kind, FileKind::None);
  EXPECT_EQ(files.Append(Path("sub"), "x"), EISDIR);
  EXPECT_EQ(files.Lock(Path("missing/a.lock"), handle), ENOENT);
  EXPECT_EQ(handle, -1);
  EXPECT_EQ(Names(), std::vector<std::string>{"sub"});
  EXPECT_EQ(Names("sub"), std::vector<std::string>{});
  EXPECT_EQ(FileErrorText(ENOSPC), "No space left on device");
}

TEST_F(RealFilesTest, StatListRenameRemoveAndAppend) {
  ASSERT_EQ(files.MakeFolder(Path("games")), 0);
  ASSERT_EQ(files.Append(Path("log"), "one\n"), 0);
  ASSERT_EQ(files.Append(Path("log"), "two\n"), 0);
  std::string text;
  ASSERT_EQ(files.ReadFile(Path("log"), text), 0);
  EXPECT_EQ(text, "one\ntwo\n");
  FileInfo info;
  ASSERT_EQ(files.Stat(Path("log"), info), 0);
  EXPECT_EQ(info.Kind, FileKind::File);
  EXPECT_EQ(info.Size, 8u);
  // The time of the change in local time, as the clock gives it.
  const time_t secs = 1700000000;
  const timespec times[2] = {{secs, 0}, {secs, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Path("log").c_str(), times, 0), 0);
  ASSERT_EQ(files.Stat(Path("log"), info), 0);
  tm local{};
  localtime_r(&secs, &local);
  EXPECT_NEAR(info.Modified, 25569.0 + (secs + local.tm_gmtoff) / 86400.0, 1e-6);
  ASSERT_EQ(files.Stat(Path("games"), info), 0);
  EXPECT_EQ(info.Kind, FileKind::Folder);

  ASSERT_EQ(files.Rename(Path("log"), Path("games/log")), 0);
  EXPECT_EQ(Names("games"), std::vector<std::string>{"log"});
  ASSERT_EQ(files.Remove(Path("games/log")), 0);
  EXPECT_EQ(Names(), std::vector<std::string>{"games"});
  EXPECT_EQ(files.Remove(Path("games")), EISDIR);
}

TEST_F(RealFilesTest, ALockExcludesEveryOtherHolderUntilUnlocked) {
  const std::string lockFile = Path("store.lock");
  int first = -1;
  ASSERT_EQ(files.Lock(lockFile, first), 0);
  EXPECT_TRUE(fs::is_regular_file(lockFile));
  EXPECT_FALSE(LockFileIsFree(lockFile));  // another open in this process
  const pid_t child = fork();
  if (child == 0) _exit(LockFileIsFree(lockFile) ? 1 : 0);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0) << "another process took the lock";
  EXPECT_TRUE(LockFileIsFree(Path("other.lock")));
  files.Unlock(first);
  EXPECT_TRUE(LockFileIsFree(lockFile));
  int again = -1;
  ASSERT_EQ(files.Lock(lockFile, again), 0);
  files.Unlock(again);
}

// ---- the fake ----

using Op = FakeFileSystem::Op;

TEST(FakeFiles, EachFailedStepOfAnAtomicWriteLeavesTheOldFileWhole) {
  struct Case {
    Op op;
    int err;
    int stepsTaken;  // each step up to the fault, and the temporary file's removal
  } const cases[] = {
      {Op::Write, ENOSPC, 0},
      {Op::Fsync, EIO, 2},
      {Op::Rename, EIO, 3},
  };
  for (const Case& c : cases) {
    FakeFileSystem files;
    files.Put("/g/a.dat", "old");
    files.Fail(c.op, c.err);
    EXPECT_EQ(files.WriteFileAtomic("/g/a.dat", "new"), c.err);
    EXPECT_EQ(files.Get("/g/a.dat"), "old");
    EXPECT_EQ(files.FilePaths(), std::vector<std::string>{"/g/a.dat"});
    EXPECT_EQ(files.steps, c.stepsTaken) << files.stepLog.size();
    // The fault was for one call only.
    EXPECT_EQ(files.WriteFileAtomic("/g/a.dat", "new"), 0);
    EXPECT_EQ(files.Get("/g/a.dat"), "new");
  }
}

TEST(FakeFiles, TheNthCallFailsOnceOrEveryCallFails) {
  FakeFileSystem files;
  files.AddFolder("/g");
  files.Fail(Op::Unlink, EIO, 2);
  files.Put("/g/a", "");
  files.Put("/g/b", "");
  EXPECT_EQ(files.Remove("/g/a"), 0);
  EXPECT_EQ(files.Remove("/g/b"), EIO);
  EXPECT_EQ(files.Remove("/g/b"), 0);
  files.FailAlways(Op::Lock, ENOLCK);
  int handle = 0;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(files.Lock("/g/a.lock", handle), ENOLCK);
  EXPECT_EQ(handle, -1);
  EXPECT_TRUE(files.HeldLocks().empty());
  files.ClearFaults();
  EXPECT_EQ(files.Lock("/g/a.lock", handle), 0);
  EXPECT_EQ(files.HeldLocks(), std::vector<std::string>{"/g/a.lock"});
  int second = 0;
  EXPECT_THROW(files.Lock("/g//a.lock", second), LockDeadlock);
  files.Unlock(handle);
  EXPECT_TRUE(files.HeldLocks().empty());
}

// A death after each step of an atomic write in turn: the old file or the
// new one, a leftover temporary file as a real disk keeps it, the dead
// process's lock until a new process starts, and nothing done after death.
TEST(FakeFiles, AProcessDiesAfterTheChosenStepAndANewOneFindsTheDisk) {
  struct Case {
    int64_t step;
    std::string contents;
    size_t temps;
  } const cases[] = {{1, "old", 1}, {2, "old", 1}, {3, "new", 0}};
  for (const Case& c : cases) {
    FakeFileSystem files;
    files.Put("/g/a.dat", "old");
    int handle = -1;
    ASSERT_EQ(files.Lock("/g/a.dat.lock", handle), 0);
    files.DieAfterStep(c.step);
    EXPECT_THROW(files.WriteFileAtomic("/g/a.dat", "new"), ProcessDied);
    EXPECT_TRUE(files.Dead());
    EXPECT_EQ(files.Append("/g/log", "after death"), EIO);
    files.Unlock(handle);  // a destructor on the way out: not run by a dead process
    EXPECT_EQ(files.HeldLocks().size(), 1u);
    EXPECT_EQ(files.Get("/g/a.dat"), c.contents) << c.step;
    EXPECT_EQ(files.TempFiles().size(), c.temps) << c.step;
    EXPECT_FALSE(files.IsFile("/g/log"));

    files.NewProcess();
    EXPECT_TRUE(files.HeldLocks().empty());
    ASSERT_EQ(files.Lock("/g/a.dat.lock", handle), 0);
    EXPECT_EQ(files.WriteFileAtomic("/g/a.dat", "newer"), 0);
    EXPECT_EQ(files.Get("/g/a.dat"), "newer");
  }
}

TEST(FakeFiles, EveryMutationIsACountedStep) {
  FakeFileSystem files;
  files.AddFolder("/g");
  ASSERT_EQ(files.MakeFolder("/g/games/"), 0);
  ASSERT_EQ(files.WriteFileAtomic("/g/games/a.dat", "x"), 0);
  ASSERT_EQ(files.Rename("/g/games", "/g/old"), 0);
  ASSERT_EQ(files.Append("/g/log", "l\n"), 0);
  ASSERT_EQ(files.Remove("/g/old/a.dat"), 0);
  std::string text;
  std::vector<std::string> names;
  FileInfo info;
  int handle;
  files.ReadFile("/g/log", text);
  files.Stat("/g/log", info);
  files.Lock("/g/log.lock", handle);  // makes its file, as open(O_CREAT) does, but no step
  files.ListFolder("/g", names);
  const std::vector<std::string> expected = {
      "mkdir /g/games",
      "write /g/games/a.dat.tmp.000001",
      "fsync /g/games/a.dat.tmp.000001",
      "rename /g/games/a.dat.tmp.000001 -> /g/games/a.dat",
      "rename /g/games -> /g/old",
      "append /g/log",
      "unlink /g/old/a.dat",
  };
  EXPECT_EQ(files.stepLog, expected);
  EXPECT_EQ(files.steps, 7);
  EXPECT_EQ(names, (std::vector<std::string>{"log", "log.lock", "old"}));
}

}  // namespace

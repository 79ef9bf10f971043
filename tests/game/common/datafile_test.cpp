#include "game/common/datafile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>

#include "support/fake_files.h"
#include "support/fake_platform.h"
#include "support/lock_probe.h"

namespace fs = std::filesystem;

namespace {

class DataFileTest : public ::testing::Test {
 protected:
  FakePlatform fake;  // for its temporary folder
  std::string Path(const std::string& name) { return fake.gameDir + name; }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    // The sysop's log, where failures go, is not a leftover.
    for (const auto& e : fs::directory_iterator(fake.gameDir)) {
      if (e.path().filename() != "qgs.log") names.push_back(e.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

// True when another open of the lock file could take the lock right now.
bool LockIsFree(const std::string& path) { return LockFileIsFree(path + ".lock"); }

TEST(SplitLines, AnyLineEndEndsALineAndTheLastIsOptional) {
  using V = std::vector<std::string>;
  struct Case {
    std::string text;
    V lines;
  } const cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"\n", {""}},
      {"a\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {" x y \n", {" x y "}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(ParseIntLine, ReadsTheLeadingNumberAndClamps) {
  struct Case {
    std::string line;
    bool ok;
    int32_t value;
    bool leadingOk = ok;  // what ParseLeadingInt says, where it differs
  } const cases[] = {
      {"12", true, 12},
      {"   12", true, 12},
      {"\t-5", true, -5},
      {"+7", true, 7},
      {"12 months", true, 12},
      {"0", true, 0},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", true, INT32_MAX},
      {"99999999999999999999999", true, INT32_MAX},
      {"-99999999999999999999999", true, INT32_MIN},
      {"12abc", false, 12, true},
      {"1.5", false, 1, true},
      {"-3x", false, -3, true},
      {"", false, 0},
      {"   ", false, 0},
      {"-", false, 0},
      {"abc", false, 0},
      {"$1F", false, 0},
  };
  for (const Case& c : cases) {
    int32_t v = 4242;
    EXPECT_EQ(ParseIntLine(c.line, v), c.ok) << '"' << c.line << '"';
    EXPECT_EQ(v, c.ok ? c.value : 4242) << '"' << c.line << '"';
    v = 4242;
    EXPECT_EQ(ParseLeadingInt(c.line, v), c.leadingOk) << '"' << c.line << '"';
    EXPECT_EQ(v, c.leadingOk ? c.value : 4242) << '"' << c.line << '"';
  }
}

TEST(LineReader, ReadsInOrderThenReportsTheEnd) {
  LineReader in({"a", "b"});
  EXPECT_FALSE(in.Eof());
  EXPECT_EQ(in.ReadLine(), "a");
  EXPECT_EQ(in.ReadLine(), "b");
  EXPECT_TRUE(in.Eof());
  EXPECT_EQ(in.ReadLine(), "");
}

TEST_F(DataFileTest, WriteFileAtomicReplacesWholeAndLeavesNoTemporaryFile) {
  const std::string path = Path("data.dat");
  ASSERT_TRUE(WriteFileAtomic(path, "first\nversion\n"));
  ASSERT_TRUE(WriteFileAtomic(path, "second\n"));
  std::string text;
  ASSERT_TRUE(ReadFileText(path, text));
  EXPECT_EQ(text, "second\n");
  ASSERT_TRUE(WriteFileAtomic(path, ""));
  ASSERT_TRUE(ReadFileText(path, text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(Names(), std::vector<std::string>{"data.dat"});
}

TEST_F(DataFileTest, WriteFileAtomicKeepsAnExistingFilesPermissions) {
  const std::string path = Path("data.dat");
  const mode_t mask = umask(022);
  ASSERT_TRUE(WriteFileAtomic(path, "x"));
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);  // as if created in place
  chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomic(path, "y"));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  umask(mask);
}

TEST_F(DataFileTest, AFailedWriteLeavesTheOldFileAndNoLeftovers) {
  EXPECT_FALSE(WriteFileAtomic(Path("missing/data.dat"), "x"));
  fs::create_directory(Path("taken.dat"));  // a folder cannot be replaced by a file
  EXPECT_FALSE(WriteFileAtomic(Path("taken.dat"), "x"));
  EXPECT_TRUE(fs::is_directory(Path("taken.dat")));
  EXPECT_EQ(Names(), std::vector<std::string>{"taken.dat"});
  std::string log;
  ASSERT_TRUE(ReadFileText(Path("qgs.log"), log));
  EXPECT_NE(log.find(": Could not write " + Path("taken.dat") + ": Is a directory\n"),
            std::string::npos)
      << log;
}

TEST_F(DataFileTest, ReadingTellsMissingAndUnreadableFromContents) {
  std::vector<std::string> lines{"stale"};
  EXPECT_FALSE(FileExists(Path("none.dat")));
  EXPECT_FALSE(ReadFileLines(Path("none.dat"), lines));
  fs::create_directory(Path("folder.dat"));
  EXPECT_TRUE(FileExists(Path("folder.dat")));
  EXPECT_FALSE(ReadFileLines(Path("folder.dat"), lines));
  EXPECT_EQ(lines, std::vector<std::string>{"stale"});
  ASSERT_TRUE(WriteFileAtomic(Path("a.dat"), "1\r\ntwo words\n"));
  ASSERT_TRUE(ReadFileLines(Path("a.dat"), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"1", "two words"}));
  // Only what exists and cannot be read must be left alone by an update.
  EXPECT_TRUE(ExistsButUnreadable(Path("folder.dat")));
  EXPECT_FALSE(ExistsButUnreadable(Path("none.dat")));
  EXPECT_FALSE(ExistsButUnreadable(Path("a.dat")));
}

TEST_F(DataFileTest, RenameAndDelete) {
  ASSERT_TRUE(WriteFileAtomic(Path("a"), "A"));
  ASSERT_TRUE(WriteFileAtomic(Path("b"), "B"));
  EXPECT_TRUE(RenameFile(Path("a"), Path("b")));
  std::string text;
  ASSERT_TRUE(ReadFileText(Path("b"), text));
  EXPECT_EQ(text, "A");
  EXPECT_FALSE(RenameFile(Path("a"), Path("c")));
  EXPECT_TRUE(DeleteFile(Path("b")));
  EXPECT_TRUE(DeleteFile(Path("b")));  // already gone
  EXPECT_EQ(Names(), std::vector<std::string>{});
}

TEST_F(DataFileTest, LockIsHeldExactlyWhileTheObjectLives) {
  const std::string path = Path("shared.dat");
  EXPECT_TRUE(LockIsFree(path));
  {
    DataFileLock lock(path);
    EXPECT_TRUE(lock.Held());
    EXPECT_FALSE(LockIsFree(path));
    // Locking one file leaves the others free.
    EXPECT_TRUE(LockIsFree(Path("other.dat")));
  }
  EXPECT_TRUE(LockIsFree(path));
}

// Whether a user other than the lock file's owner, who may read it but not
// write it, gets the lock. Run as root, the try is made by "nobody" in a
// child process, since root may write any file.
bool LockedByAnotherUser(const std::string& dir, const std::string& path) {
  const std::string lockFile = path + ".lock";
  int fd = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0444);
  if (fd < 0 || fchmod(fd, 0444) != 0) return false;
  close(fd);
  if (geteuid() != 0) return DataFileLock(path).Held();
  if (chmod(dir.c_str(), 0755) != 0) return false;
  pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    if (open(lockFile.c_str(), O_RDWR | O_CLOEXEC) >= 0) _exit(3);  // still allowed to write
    DataFileLock lock(path);
    _exit(lock.Held() ? 0 : lock.Error() == EACCES ? 1 : 4);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return false;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << "status " << status;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// An exclusive lock that holds on NFS needs the lock file open for writing;
// one that cannot be written is refused, never taken in a weaker form that
// other nodes' locks would not see.
TEST_F(DataFileTest, ALockFileThatCannotBeWrittenIsRefused) {
  EXPECT_FALSE(LockedByAnotherUser(fake.gameDir, Path("shared.dat")));
}

TEST_F(DataFileTest, ALockInAMissingFolderIsRefusedWithTheReason) {
  DataFileLock lock(Path("missing/shared.dat"));
  EXPECT_FALSE(lock.Held());
  EXPECT_EQ(lock.Error(), ENOENT);
  EXPECT_EQ(LastFileError(), "No such file or directory");
}

TEST_F(DataFileTest, AFailedCallLeavesItsMessageForTheCaller) {
  FakeFileSystem files;
  files.AddFolder(fake.gameDir);
  files.Fail(FakeFileSystem::Op::Write, ENOSPC);
  EXPECT_FALSE(WriteFileAtomic(Path("a.dat"), "x"));
  EXPECT_EQ(LastFileError(), "No space left on device");
  files.Fail(FakeFileSystem::Op::Rename, EIO);
  EXPECT_FALSE(RenameFile(Path("a.dat"), Path("b.dat")));
  EXPECT_EQ(LastFileError(), "Input/output error");
  // A file already gone is what a removal wants: no failure.
  EXPECT_TRUE(DeleteFile(Path("never.dat")));
  EXPECT_EQ(LastFileError(), "Input/output error");
}

}  // namespace

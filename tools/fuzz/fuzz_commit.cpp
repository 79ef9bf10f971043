// Fuzzes the change record that a process killed half way through a change
// leaves behind. The input is "qgs-commit.dat", found beside a few data
// files, a change's temporary file and a file outside the game directory.
//  - The next process finishes it or sets it aside: no record is left, and
//    either way the sysop's log says which.
//  - Nothing outside the game directory is touched, and nothing is renamed
//    over a data file but a change's own temporary file.
//  - A record set aside is kept as it was, and the next change is made.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/common/commit.h"
#include "game/common/datafile.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::World world;
  FakeFileSystem& files = world.files;
  const std::string dir = world.fake.gameDir;
  const std::string record = fuzz::Bytes(data, size);
  // What the files hold before; the temporary file's contents are the only
  // ones a data file may take.
  const std::vector<std::pair<std::string, std::string>> disk = {
      {dir + "qgs.dat", "old records\n"},
      {dir + "qgs.dat.tmp.commit", "new records\n"},
      {dir + "qgs-online.dat", "Ann\n9-12-26 11:58:00\n"},
      {dir + "games/active/game_1.dat", "a game\n"},
      {"/outside.dat", "not the game's\n"},
  };
  for (const auto& [path, contents] : disk) files.Put(path, contents);
  files.AddFolder(dir + "games/completed");
  files.Put(ChangeRecordPath(), record);

  FinishLeftoverChange();
  fuzz::Check(!files.IsFile(ChangeRecordPath()), "the record is left");
  fuzz::Check(files.HeldLocks().empty(), "a lock is held");
  fuzz::Check(files.GetOr("/outside.dat") == "not the game's\n",
              "a file outside the game directory changed");
  const bool setAside = files.IsFile(ChangeRecordPath() + ".damaged");
  fuzz::Check(!setAside || files.Get(ChangeRecordPath() + ".damaged") == record,
              "the record set aside is not the one found");
  fuzz::Check(!files.GetOr(dir + "qgs.log").empty(), "what was done is not in the log");
  for (const std::string& path : files.FilePaths()) {
    if (path == ChangeRecordPath() + ".damaged" || path == dir + "qgs.log" ||
        (path.size() > 5 && path.compare(path.size() - 5, 5, ".lock") == 0)) {
      continue;
    }
    const std::string now = files.Get(path);
    bool known = now == "new records\n";
    for (const auto& [before, contents] : disk)
      known = known || (path == before && now == contents);
    fuzz::Check(known, "a file took contents that no change wrote");
  }

  TFileChange next;
  next.Put(dir + "qgs-user.dat", "next change\n");
  fuzz::Check(next.Commit(), "the next change is refused");
  fuzz::Check(files.GetOr(dir + "qgs-user.dat") == "next change\n", "the next change is lost");
  return 0;
}

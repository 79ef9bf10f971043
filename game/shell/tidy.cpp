#include "game/shell/tidy.h"

#include <string>

#include "game/common/commit.h"
#include "game/common/datafile.h"
#include "game/common/gamedir.h"
#include "game/multiplayer/rankings.h"

namespace {

bool IsRecords(const std::string& name) { return name == "qgs.dat"; }
bool IsScores(const std::string& name) {
  return name == "qgs-user.dat" || name == "qgs-best.asc" || name == "qgs-last.asc";
}
bool IsRankings(const std::string& name) {
  return name == "qgs-pvp-monthly.dat" || name == "qgs-pvp-alltime.dat" ||
         name == "qgs-pvp-last.dat";
}
bool IsOnline(const std::string& name) { return name == "qgs-online.dat"; }
bool IsChangeRecord(const std::string& name) { return name == "qgs-commit.dat"; }

// With the lock of path held (and any leftover change finished under it).
void RemoveUnder(const std::string& path, bool (*mine)(const std::string&)) {
  DataFileLock lock(path);
  if (!lock.Held()) return;
  FinishLeftoverChange();
  RemoveStaleTempFiles(GetGameDir(), mine);
}

}  // namespace

void TidyGameDir() {
  FinishLeftoverChange();
  const std::string dir = GetGameDir();
  if (!HasTempFiles(dir)) return;  // the usual case: no lock taken
  RemoveUnder(dir + "qgs.dat", IsRecords);
  RemoveUnder(dir + "qgs-user.dat", IsScores);
  {
    TRankingsLock lock;
    if (lock.Held()) RemoveStaleTempFiles(dir, IsRankings);
  }
  RemoveUnder(dir + "qgs-online.dat", IsOnline);
  {
    // The record's own lock: a leftover was finished above, and taking the
    // lock a second time here would wait for ever.
    DataFileLock lock(ChangeRecordPath());
    if (lock.Held()) RemoveStaleTempFiles(dir, IsChangeRecord);
  }
}

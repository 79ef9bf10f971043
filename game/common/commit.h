// Changes of several data files made all or nothing.
//
// One decision often touches several files: a finished game leaves "active"
// for "completed" and is credited in both rankings tables; a Klassic result
// rewrites the scores and the scoreboard (and, in a new month, last month's
// board). Each file is replaced atomically, but a process killed between two
// files would leave the decision split. A TFileChange makes them one step:
//
//   1. every new content is written beside its file as "<file>.tmp.commit";
//   2. the change record "qgs-commit.dat" in the game directory, naming the
//      temporary files, their files and the files to remove, is renamed into
//      place: from here on the change is made;
//   3. each temporary file is renamed over its file, the removals are done;
//   4. the record is deleted.
//
// A process that dies before step 2 has changed nothing (its temporary files
// are overwritten by the next change, or removed as stale). One that dies
// after it leaves the record; FinishLeftoverChange replays steps 3 and 4,
// which may be replayed any number of times: a temporary file that is gone
// has been renamed already, and a removal of a file that is gone is done.
//
// Locks. The record has its own lock ("qgs-commit.dat.lock"), the innermost
// of all: it is taken with the data files' own locks already held, and
// nothing waits for another lock while holding it. A file named in a
// record is only ever written by a holder of that file's lock, so a leftover
// record can only be a dead process's; whoever next takes the lock of any
// data file calls FinishLeftoverChange before reading the file, and so finds
// it finished. Paths in the record are relative to the game directory, so a
// node that mounts the directory elsewhere finishes it all the same.
#pragma once

#include <string>
#include <vector>

class TFileChange {
 public:
  // The file (a path in the game directory) gets these contents.
  void Put(const std::string& path, const std::string& contents);
  // The file goes. A file is either put or removed by one change, not both.
  void Remove(const std::string& path);
  bool Empty() const { return steps_.empty(); }

  // Makes the change, with the locks of every file it names held. False when
  // nothing was changed (a temporary file or the record could not be
  // written; LastFileError says why). True once the record is in place, even
  // when a later step failed: the change is then made by whoever finds the
  // record, and the failure is in the sysop's log.
  bool Commit();

 private:
  struct Step {
    std::string Path;
    std::string Contents;
    bool Remove = false;
  };
  std::vector<Step> steps_;
};

// Finishes a change whose process died after its record was in place, and
// logs that it did. Cheap when there is none (one look for the record).
void FinishLeftoverChange();

// The game directory + "qgs-commit.dat".
std::string ChangeRecordPath();

// Removes this program's temporary files ("<name>.tmp.XXXXXX") in folder
// (ending in "/") that are older than an hour and whose name, the ".tmp.*"
// taken off, mine accepts. The caller holds the lock of those files, and
// has called FinishLeftoverChange under it: a temporary file that a record
// still names is never removed.
void RemoveStaleTempFiles(const std::string& folder, bool (*mine)(const std::string& name));

// True when folder holds any file named like a temporary file, old or new.
bool HasTempFiles(const std::string& folder);

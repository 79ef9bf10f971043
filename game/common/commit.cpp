#include "game/common/commit.h"

#include <string_view>

#include "doorkit/filesystem.h"
#include "doorkit/platform.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/gamedir.h"
#include "game/common/sysoplog.h"

namespace {

const char* const kRecordName = "qgs-commit.dat";
const char* const kHeader = "# QGS change";
const char* const kEnd = "end";
const char* const kTempSuffix = ".tmp.commit";
constexpr int64_t kStaleTempMs = 60 * 60 * 1000;

// A path of the game directory as the record holds it, and back.
std::string Relative(const std::string& dir, const std::string& path) {
  return path.compare(0, dir.size(), dir) == 0 ? path.substr(dir.size()) : path;
}
std::string Absolute(const std::string& dir, const std::string& name) { return dir + name; }

struct RecordStep {
  bool Remove = false;
  std::string Temp;  // put only
  std::string Target;
};

std::string RecordText(const std::string& dir, const std::vector<RecordStep>& steps) {
  std::string text = std::string(kHeader) + "\n";
  for (const RecordStep& s : steps) {
    if (s.Remove) {
      text += "remove\n" + Relative(dir, s.Target) + "\n";
    } else {
      text += "put\n" + Relative(dir, s.Temp) + "\n" + Relative(dir, s.Target) + "\n";
    }
  }
  return text + kEnd + "\n";
}

// A name as this program writes it in a record: a path inside the game
// directory. Anything else (empty, absolute, or with an empty, "." or ".."
// part) comes from a damaged record and must not be renamed over or
// removed.
bool InsideName(const std::string& name) {
  if (name.empty() || name[0] == '/') return false;
  for (size_t at = 0; at <= name.size();) {
    size_t end = name.find('/', at);
    if (end == std::string::npos) end = name.size();
    const std::string_view part(name.data() + at, end - at);
    if (part.empty() || part == "." || part == "..") return false;
    at = end + 1;
  }
  return true;
}

// False when the text is not a whole record, as Commit writes one: each put
// renames a change's own temporary file over its file.
bool ParseRecord(const std::string& dir, const std::string& text, std::vector<RecordStep>& steps) {
  std::vector<std::string> lines = SplitLines(text);
  if (lines.size() < 2 || lines.front() != kHeader || lines.back() != kEnd) return false;
  for (size_t i = 1; i + 1 < lines.size();) {
    RecordStep s;
    if (lines[i] == "remove" && i + 2 < lines.size() && InsideName(lines[i + 1])) {
      s.Remove = true;
      s.Target = Absolute(dir, lines[i + 1]);
      i += 2;
    } else if (lines[i] == "put" && i + 3 < lines.size() && InsideName(lines[i + 2]) &&
               lines[i + 1] == lines[i + 2] + kTempSuffix) {
      s.Temp = Absolute(dir, lines[i + 1]);
      s.Target = Absolute(dir, lines[i + 2]);
      i += 3;
    } else {
      return false;
    }
    steps.push_back(std::move(s));
  }
  return true;
}

// Steps 3 and 4; each may have been done already by a process that died.
// Puts first, then removals: a game moved to "completed" is never in neither
// folder. False, with the record left for the next try, when a step failed;
// untouched then says whether that was before any step was done.
bool Apply(const std::string& recordPath, const std::vector<RecordStep>& steps,
           bool* untouched = nullptr) {
  if (untouched) *untouched = true;
  for (const RecordStep& s : steps) {
    if (s.Remove || !FileExists(s.Temp)) continue;
    if (!RenameFile(s.Temp, s.Target)) {
      const std::string why = LastFileError();
      if (untouched && *untouched) return false;  // the caller takes it back
      SysopLog("Could not finish a change to " + s.Target, why);
      return false;
    }
    if (untouched) *untouched = false;
  }
  for (const RecordStep& s : steps) {
    if (!s.Remove) continue;
    if (!DeleteFile(s.Target)) {
      const std::string why = LastFileError();
      if (untouched && *untouched) return false;
      SysopLog("Could not finish a change removing " + s.Target, why);
      return false;
    }
    if (untouched) *untouched = false;
  }
  if (!DeleteFile(recordPath)) {
    SysopLog("Could not remove the change record " + recordPath, LastFileError());
    return false;
  }
  return true;
}

// True when a file the record names is a folder: no change is made of
// folders, and its steps could never be done (nor the record finished).
bool NamesAFolder(const std::vector<RecordStep>& steps) {
  for (const RecordStep& s : steps) {
    for (const std::string* path : {&s.Temp, &s.Target}) {
      FileInfo info;
      if (!path->empty() && Files().Stat(*path, info) == 0 && info.Kind == FileKind::Folder) {
        return true;
      }
    }
  }
  return false;
}

// With the record's lock held.
void FinishLocked(const std::string& dir, const std::string& recordPath) {
  std::string text;
  if (!FileExists(recordPath)) return;
  if (!ReadFileText(recordPath, text)) {
    SysopLog("Could not read the change record " + recordPath, LastFileError());
    return;
  }
  std::vector<RecordStep> steps;
  if (!ParseRecord(dir, text, steps) || NamesAFolder(steps)) {
    // Records are renamed into place whole, so this one was damaged from
    // outside; replaying part of it could split what it names.
    if (RenameFile(recordPath, recordPath + ".damaged")) {
      SysopLog("Damaged change record set aside as " + recordPath + ".damaged", "");
    } else {
      SysopLog("Could not set aside the damaged change record " + recordPath, LastFileError());
    }
    return;
  }
  std::string names;
  for (const RecordStep& s : steps) names += (names.empty() ? "" : ", ") + Relative(dir, s.Target);
  if (Apply(recordPath, steps)) {
    SysopLog("Finished a change that a stopped process left half done", names);
  }
}

bool IsTempName(const std::string& name, std::string& base) {
  const size_t n = name.size();
  if (n < 11 || name.compare(n - 11, 5, ".tmp.") != 0) return false;
  for (size_t i = n - 6; i < n; ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  }
  base = name.substr(0, n - 11);
  // The temporary file of a change's own temporary file.
  std::string inner;
  if (IsTempName(base, inner)) base = inner;
  return !base.empty();
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  ListFolder(folder, names);
  return names;
}

// The file's age by its modification time, in ms; false when it is gone.
bool FileAgeMs(const std::string& path, int64_t& age) {
  FileInfo info;
  if (Files().Stat(path, info) != 0 || info.Kind != FileKind::File) return false;
  age = ElapsedMs(Now(), info.Modified);
  return true;
}

}  // namespace

std::string ChangeRecordPath() { return GetGameDir() + kRecordName; }

void TFileChange::Put(const std::string& path, const std::string& contents) {
  steps_.push_back({path, contents, false});
}

void TFileChange::Remove(const std::string& path) { steps_.push_back({path, std::string(), true}); }

bool TFileChange::Commit() {
  const std::string dir = GetGameDir();
  const std::string recordPath = dir + kRecordName;
  std::vector<RecordStep> steps;
  auto dropTemps = [&] {
    for (const RecordStep& s : steps) {
      if (!s.Remove) DeleteFile(s.Temp);
    }
  };
  // Step 1, before the record's lock: only this file's lock holder writes
  // its temporary file, and writing may take a while.
  for (const Step& step : steps_) {
    RecordStep s;
    s.Remove = step.Remove;
    s.Target = step.Path;
    if (!step.Remove) {
      s.Temp = step.Path + kTempSuffix;
      if (!WriteFileAtomic(s.Temp, step.Contents)) {
        dropTemps();
        return false;
      }
    }
    steps.push_back(std::move(s));
  }
  DataFileLock lock(recordPath);
  if (!lock.Held()) {
    // Unlocked, another node's record could be written over ours or ours
    // over a dead one's. The refusal is in the sysop's log.
    dropTemps();
    return false;
  }
  FinishLocked(dir, recordPath);
  if (FileExists(recordPath)) {
    // A leftover that could not be finished (or a damaged record that could
    // not be set aside) is still there: written over, a dead process's
    // change would stay half done for good. LastFileError still says why.
    dropTemps();
    return false;
  }
  // Step 2: the commit point.
  if (!WriteFileAtomic(recordPath, RecordText(dir, steps))) {
    dropTemps();
    return false;
  }
  bool untouched = true;
  if (Apply(recordPath, steps, &untouched) || !untouched) return true;
  // Its first step failed (something in the way of a file, say): nothing has
  // changed yet, so the change is taken back rather than left for others to
  // retry. Without its record the temporary files are mere leftovers.
  const std::string why = LastFileError();
  if (!DeleteFile(recordPath)) {
    SysopLog("Could not finish a change to " + steps.front().Target, why);
    return true;
  }
  dropTemps();
  return false;
}

void FinishLeftoverChange() {
  const std::string dir = GetGameDir();
  const std::string recordPath = dir + kRecordName;
  // A record seen before the lock may be a live change's, which is gone once
  // the lock is ours; one not seen cannot be a dead process's.
  if (!FileExists(recordPath)) return;
  DataFileLock lock(recordPath);
  if (lock.Held()) FinishLocked(dir, recordPath);  // else the next holder does
}

void RemoveStaleTempFiles(const std::string& folder, bool (*mine)(const std::string& name)) {
  if (FileExists(ChangeRecordPath())) return;  // its temporary files are still needed
  for (const std::string& name : FolderNames(folder)) {
    std::string base;
    if (!IsTempName(name, base) || !mine(base)) continue;
    int64_t age = 0;
    if (FileAgeMs(folder + name, age) && age > kStaleTempMs && !DeleteFile(folder + name)) {
      SysopLog("Could not remove the stale temporary file " + folder + name, LastFileError());
    }
  }
}

bool HasTempFiles(const std::string& folder) {
  std::string base;
  for (const std::string& name : FolderNames(folder)) {
    if (IsTempName(name, base)) return true;
  }
  return false;
}

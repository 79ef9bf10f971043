// An in-memory file system for tests: files and folders in a map, with
// faults on call and a process that can die at any mutating step.
//
//   FakeFileSystem files;                 // installed until it goes
//   files.AddFolder(env.gameDir);
//   files.Fail(FakeFileSystem::Op::Rename, ENOSPC);     // the next rename
//   files.DieAfterStep(3);                // the 3rd mutating step is the last
//   try { ... } catch (const ProcessDied&) {}
//   files.NewProcess();                   // the dead one's locks are gone
//
// Mutating steps, each counted in steps and described in stepLog: the
// write of an atomic write's temporary file, its fsync, its rename (and the
// removal of the temporary file after a failure), every rename, removal,
// folder made and append. A death comes right after the step has taken
// effect, so a temporary file written before it stays on the disk, as on a
// real one. Once dead, every call fails with EIO and changes nothing until
// NewProcess().
//
// Locks exclude each other as the real ones do; as one thread cannot wait
// for itself, a lock taken while already held throws LockDeadlock.
// Single-threaded: one test drives one process at a time.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "doorkit/filesystem.h"

// Thrown at the step a test chose: the process is dead from here on.
struct ProcessDied {
  int64_t step;
};

struct LockDeadlock : std::logic_error {
  explicit LockDeadlock(const std::string& path)
      : std::logic_error("lock taken while already held (would wait for ever): " + path) {}
};

class FakeFileSystem : public FileSystem {
 public:
  enum class Op { Write, Fsync, Rename, Unlink, Lock, Mkdir, Append, Read, List };

  // Installs itself with SetFiles; the destructor puts the real one back.
  FakeFileSystem();
  ~FakeFileSystem() override;
  FakeFileSystem(const FakeFileSystem&) = delete;
  FakeFileSystem& operator=(const FakeFileSystem&) = delete;

  // ---- the disk (none of these counts as a step or meets a fault) ----
  // A folder and every folder above it.
  void AddFolder(const std::string& path);
  // A file with its folders.
  void Put(const std::string& path, const std::string& contents);
  bool IsFile(const std::string& path) const;
  bool IsFolder(const std::string& path) const;
  // The file's contents; throws std::out_of_range when there is no file.
  std::string Get(const std::string& path) const;
  // The file's contents, or none when there is no file.
  std::string GetOr(const std::string& path, const std::string& none = "") const;
  // Every file's path (not folders), sorted, optionally under a folder.
  std::vector<std::string> FilePaths(const std::string& under = "/") const;
  // Files named like an atomic write's temporary file ("<name>.tmp.XXXXXX").
  std::vector<std::string> TempFiles() const;
  // Sets a file's modification time.
  void Touch(const std::string& path, TDateTime when);

  // ---- faults ----
  // The nth call of op from now fails with err, without effect (once).
  void Fail(Op op, int err, int nth = 1);
  // Every call of op from now fails with err.
  void FailAlways(Op op, int err);
  void ClearFaults();
  // The process dies right after mutating step n (counted from the start;
  // 0: never).
  void DieAfterStep(int64_t n) { dieAfter_ = n; }
  bool Dead() const { return dead_; }
  // A fresh process on the same disk: the dead one's locks are released,
  // the faults and the death are cleared; steps go on counting.
  void NewProcess();

  int64_t steps = 0;                 // mutating steps so far
  std::vector<std::string> stepLog;  // "write <path>", "rename <from> -> <to>", ...
  std::map<Op, int> calls;           // calls of each kind so far
  std::string workingDirectory = "/";

  // ---- locks ----
  // The lock files held now, sorted.
  std::vector<std::string> HeldLocks() const;

  // ---- FileSystem ----
  int ReadFile(const std::string& path, std::string& contents) override;
  int WriteFileAtomic(const std::string& path, std::string_view contents) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;
  int Stat(const std::string& path, FileInfo& info) override;
  int ListFolder(const std::string& path, std::vector<std::string>& names) override;
  int MakeFolder(const std::string& path) override;
  int Append(const std::string& path, std::string_view bytes) override;
  int Lock(const std::string& lockPath, int& handle) override;
  void Unlock(int handle) override;
  std::string WorkingDirectory() override { return workingDirectory; }

  // A path made absolute and plain: no "//", no "/./", no trailing "/".
  std::string Normal(const std::string& path) const;

 private:
  struct Node {
    bool folder = false;
    std::string data;
    TDateTime modified = 0;
  };
  struct Fault {
    Op op;
    int err;
    int countdown;  // 0: always
  };

  // The errno the call of op must fail with (0: none); counts the call.
  int Check(Op op);
  // Records a mutating step; dies when it is the chosen one.
  void Step(const std::string& what);
  // 0 when path's folder exists, else the errno a real call would give.
  int ParentOk(const std::string& path) const;
  const Node* Find(const std::string& path) const;
  static std::string Parent(const std::string& path);
  TDateTime Clock() const;

  std::map<std::string, Node> nodes_;  // by normal path; "/" is always there
  std::vector<Fault> faults_;
  std::map<int, std::string> locks_;  // handle -> lock file
  int nextHandle_ = 1;
  unsigned tempSerial_ = 0;
  int64_t dieAfter_ = 0;
  bool dead_ = false;
};

// The one interface through which the door layer and the game reach files,
// as doorkit/platform.h is for everything else. The real one is POSIX;
// tests install a fake that keeps files in memory and can fail or stop at
// any step (see tests/support/fake_files.h).
//
// Every call that can fail returns 0 or the errno value that says why;
// FileErrorText turns it into the system's message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "doorkit/platform.h"

enum class FileKind { None, File, Folder, Other };

struct FileInfo {
  FileKind Kind = FileKind::None;
  uint64_t Size = 0;
  TDateTime Modified = 0;  // local time
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole file. A folder is an error (EISDIR).
  virtual int ReadFile(const std::string& path, std::string& contents) = 0;

  // Replaces the file's contents atomically: a temporary file
  // "<path>.tmp.XXXXXX" in the same folder is written, flushed to the disk
  // (fsync) and renamed over path. On failure the old file is left as it
  // was and the temporary file is removed. A new file gets 0666 less the
  // umask; an existing one keeps its permissions.
  virtual int WriteFileAtomic(const std::string& path, std::string_view contents) = 0;

  // Renames from over to, replacing it atomically.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Removes a file (not a folder). ENOENT when there is none.
  virtual int Remove(const std::string& path) = 0;

  // What is there under the name; Kind None (and ENOENT) when nothing is.
  virtual int Stat(const std::string& path, FileInfo& info) = 0;
  // The names in a folder (without "." and ".."), in no particular order.
  virtual int ListFolder(const std::string& path, std::vector<std::string>& names) = 0;
  // Makes one folder (0777 less the umask). EEXIST when something is there.
  virtual int MakeFolder(const std::string& path) = 0;

  // Appends bytes to the file, creating it when missing, in one write
  // (O_APPEND): appends of several processes never mix within one call.
  virtual int Append(const std::string& path, std::string_view bytes) = 0;

  // Takes an exclusive lock on the whole of lockPath (created when missing,
  // 0666 less the umask, and left in place), waiting while another holder
  // has it. The lock holds the same on a local disk and on NFS; two locks
  // of one process on the same file exclude each other too, so a process
  // that locks a file twice at once waits for ever. handle is for Unlock.
  virtual int Lock(const std::string& lockPath, int& handle) = 0;
  virtual void Unlock(int handle) = 0;

  // The process's working directory, "" when it cannot be told.
  virtual std::string WorkingDirectory() = 0;
};

// The file system in use: the real one unless a test has installed another.
FileSystem& Files();
// Installs f (not owned); nullptr goes back to the real file system.
void SetFiles(FileSystem* f);

// The system's message for an errno value ("No space left on device").
std::string FileErrorText(int err);

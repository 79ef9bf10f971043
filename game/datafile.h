// Shared data files: every node of the BBS reads and rewrites them, so a
// rewrite is atomic (a temporary file in the same folder, then rename) and
// every read-change-write holds an advisory lock. Never hold a lock while
// waiting for a key.
#pragma once

#include <string>
#include <vector>

// Holds the advisory lock of one shared data file while it lives.
class DataFileLock {
 public:
  explicit DataFileLock(const std::string& path);
  ~DataFileLock();
  DataFileLock(const DataFileLock&) = delete;
  DataFileLock& operator=(const DataFileLock&) = delete;

 private:
  int fd_ = -1;
};

// Replaces the file's contents atomically; false when it could not.
bool WriteFileAtomic(const std::string& path, const std::string& contents);

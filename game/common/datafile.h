// Shared data files: every node of the BBS reads and rewrites the same
// files in the game directory, so
//   - a rewrite is atomic: WriteFileAtomic writes a temporary file in the
//     same folder and renames it over the old one, so a reader sees either
//     the old contents or the new, never a part;
//   - every read-change-write holds the file's DataFileLock from before the
//     read until after the write, so no node's change is lost.
// A plain read needs no lock. Never hold a lock while waiting for a key.
//
//   {
//     DataFileLock lock(path);
//     std::vector<std::string> lines;
//     ReadFileLines(path, lines);
//     ... change ...
//     WriteFileAtomic(path, text);
//   }
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Holds the advisory lock of one shared data file while it lives. The lock
// is an exclusive whole-file lock on a companion file, path + ".lock",
// created when missing and left in place; it holds across machines on NFS.
// Construction blocks until the lock is free. A lock that cannot be taken
// (a read-only folder, a file system without locks) is not held: the caller
// must then make no change, and LastFileError() (or Error()) says why; the
// refusal is in the sysop's log.
// A process must not lock the same file twice at once: the second lock
// would wait for the first forever.
class DataFileLock {
 public:
  explicit DataFileLock(const std::string& path);
  ~DataFileLock();
  DataFileLock(const DataFileLock&) = delete;
  DataFileLock& operator=(const DataFileLock&) = delete;

  bool Held() const { return handle_ >= 0; }
  // The errno value of the failed lock; 0 when held.
  int Error() const { return error_; }

 private:
  int handle_ = -1;
  int error_ = 0;
};

// The system's message of the last file call of this thread that failed
// ("No space left on device"), for a caller to show or log.
std::string LastFileError();

// Replaces the file's contents atomically; false when it could not (the old
// file is then left as it was, no temporary file remains, and the failure
// is in the sysop's log, as are those of RenameFile and DeleteFile). A new file
// gets the usual permissions (0666 less the umask); an existing one keeps
// its own.
bool WriteFileAtomic(const std::string& path, const std::string& contents);

// True when anything exists under the name (a file, or a folder that a
// reader would then fail to read).
bool FileExists(const std::string& path);
// Removes the file; true when it is gone (also when it never existed).
bool DeleteFile(const std::string& path);
// Renames from over to (replacing it atomically); false when it could not.
bool RenameFile(const std::string& from, const std::string& to);
// Makes a folder; true when it is there (also when it already was).
bool MakeFolder(const std::string& path);
// The names in a folder (no "." or ".."), sorted; false when it cannot be
// read.
bool ListFolder(const std::string& path, std::vector<std::string>& names);
// Appends bytes to the file in one write, creating it when missing.
bool AppendToFile(const std::string& path, std::string_view bytes);

// The whole file; false when it cannot be opened or read.
bool ReadFileText(const std::string& path, std::string& contents);
// Splits text into lines. LF, CRLF and CR each end a line; the line end
// after the last line is optional and starts no further line.
std::vector<std::string> SplitLines(const std::string& text);
// ReadFileText and SplitLines in one.
bool ReadFileLines(const std::string& path, std::vector<std::string>& lines);
// True when something exists under the name but cannot be read: rewriting
// it from what could be read would throw away what it holds.
bool ExistsButUnreadable(const std::string& path);

// Reads a file's lines in order, as the data file readers need them.
class LineReader {
 public:
  explicit LineReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  bool Eof() const { return next_ >= lines_.size(); }
  // The next line, or "" past the end.
  std::string ReadLine() { return Eof() ? std::string() : lines_[next_++]; }

 private:
  std::vector<std::string> lines_;
  size_t next_ = 0;
};

// A text field of a data file (a name, an alias) without its control
// characters (bytes below 32, and 127). The game writes none; a damaged or
// hand-made file might, and those fields end up on callers' screens, where
// they would drive the terminal.
std::string PrintableText(std::string_view text);
// The same, in place.
void KeepPrintable(std::string& text);

// A number line of a data file: blanks or tabs, a decimal integer with an
// optional sign, then nothing or a blank and anything (ignored). A number
// beyond int32 is clamped. False when the line holds no such number.
bool ParseIntLine(std::string_view line, int32_t& value);
// A number line whose rest is ignored: blanks or tabs, a decimal integer
// with an optional sign, then anything at all ("12abc" reads as 12). A
// number beyond int32 is clamped. False when the line starts with no number.
bool ParseLeadingInt(std::string_view line, int32_t& value);

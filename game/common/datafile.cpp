#include "game/common/datafile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "doorkit/filesystem.h"
#include "game/common/sysoplog.h"
#include "game/common/textutil.h"

namespace {

thread_local std::string t_lastFileError;

// Notes a failed call's message for LastFileError; true when err is 0.
bool Note(int err) {
  if (err != 0) t_lastFileError = FileErrorText(err);
  return err == 0;
}

}  // namespace

std::string LastFileError() { return t_lastFileError; }

DataFileLock::DataFileLock(const std::string& path) {
  error_ = Files().Lock(path + ".lock", handle_);
  if (!Note(error_)) {
    handle_ = -1;
    // Every refused lock is in the sysop's log: it means a share without
    // working locks, and the change the caller wanted was not made.
    SysopLog("Could not lock " + path + ".lock", LastFileError());
  }
}

DataFileLock::~DataFileLock() {
  if (handle_ >= 0) Files().Unlock(handle_);
}

namespace {

// A failed change of a data file is in the sysop's log: the old file is
// whole, but the change the caller made is not on disk.
bool Logged(int err, const std::string& what) {
  if (Note(err)) return true;
  SysopLog(what, LastFileError());
  return false;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, const std::string& contents) {
  return Logged(Files().WriteFileAtomic(path, contents), "Could not write " + path);
}

bool FileExists(const std::string& path) {
  FileInfo info;
  return Files().Stat(path, info) == 0;
}

bool DeleteFile(const std::string& path) {
  int err = Files().Remove(path);
  return err == ENOENT || Logged(err, "Could not remove " + path);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return Logged(Files().Rename(from, to), "Could not rename " + from + " to " + to);
}

bool MakeFolder(const std::string& path) {
  int err = Files().MakeFolder(path);
  if (err == EEXIST) {
    FileInfo info;
    if (Files().Stat(path, info) == 0 && info.Kind == FileKind::Folder) return true;
  }
  return Note(err);
}

bool ListFolder(const std::string& path, std::vector<std::string>& names) {
  if (!Note(Files().ListFolder(path, names))) return false;
  std::sort(names.begin(), names.end());
  return true;
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
  return Note(Files().Append(path, bytes));
}

bool ReadFileText(const std::string& path, std::string& contents) {
  return Note(Files().ReadFile(path, contents));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

bool ReadFileLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!ReadFileText(path, text)) return false;
  lines = SplitLines(text);
  return true;
}

namespace {

// The decimal integer at the start of line (after blanks or tabs, with an
// optional sign); end is where its digits stop. False when there is none.
bool ParseIntAt(std::string_view line, int32_t& value, size_t& end) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i == line.size()) return false;
  bool negative = line[i] == '-';
  if (line[i] == '-' || line[i] == '+') ++i;
  size_t digitsStart = i;
  int64_t magnitude = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (line[i] - '0');
  }
  if (i == digitsStart) return false;
  value = ClampInt32(negative ? -magnitude : magnitude);
  end = i;
  return true;
}

bool IsControl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 32 || b == 127;
}

}  // namespace

bool ParseIntLine(std::string_view line, int32_t& value) {
  int32_t v;
  size_t end;
  if (!ParseIntAt(line, v, end)) return false;
  if (end < line.size() && line[end] != ' ' && line[end] != '\t') return false;
  value = v;
  return true;
}

bool ParseLeadingInt(std::string_view line, int32_t& value) {
  size_t end;
  return ParseIntAt(line, value, end);
}

std::string PrintableText(std::string_view text) {
  std::string out(text);
  KeepPrintable(out);
  return out;
}

void KeepPrintable(std::string& text) {
  text.erase(std::remove_if(text.begin(), text.end(), IsControl), text.end());
}

bool ExistsButUnreadable(const std::string& path) {
  std::string contents;
  return FileExists(path) && !ReadFileText(path, contents);
}

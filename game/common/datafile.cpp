#include "game/common/datafile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "game/common/textutil.h"

namespace {

// Retries a system call interrupted by a signal.
template <typename Call>
auto Retry(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

bool WriteAll(int fd, const std::string& contents) {
  const char* p = contents.data();
  size_t left = contents.size();
  while (left > 0) {
    ssize_t n = Retry([&] { return write(fd, p, left); });
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// What a new data file's permissions would be had it been created in place.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

mode_t ModeFor(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  return NewFileMode();
}

}  // namespace

DataFileLock::DataFileLock(const std::string& path) {
  // Read access is all flock needs, so a lock file that another node's user
  // created (and that this one may not write) still locks.
  fd_ = Retry([&] { return open((path + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666); });
  if (fd_ < 0) return;
  if (Retry([&] { return flock(fd_, LOCK_EX); }) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

DataFileLock::~DataFileLock() {
  if (fd_ >= 0) close(fd_);  // closing the descriptor releases the lock
}

bool WriteFileAtomic(const std::string& path, const std::string& contents) {
  // mkstemp names the temporary file uniquely, so two nodes writing at the
  // same moment never share one.
  std::string tmpl = path + ".tmp.XXXXXX";
  int fd = mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // fsync before the rename: after a crash the file is the old one or the
  // new one, never an empty one.
  bool ok = fchmod(fd, ModeFor(path)) == 0 && WriteAll(fd, contents) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(tmpl.c_str(), path.c_str()) == 0;
  if (!ok) unlink(tmpl.c_str());
  return ok;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

bool RenameFile(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}

bool ReadFileText(const std::string& path, std::string& contents) {
  int fd = Retry([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC); });
  if (fd < 0) return false;
  std::string text;
  char buf[8192];
  ssize_t n;
  while ((n = Retry([&] { return read(fd, buf, sizeof buf); })) > 0) {
    text.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  if (n < 0) return false;  // a folder, for one, opens but cannot be read
  contents = std::move(text);
  return true;
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

#include "doorkit/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr double kUnixEpochDays = 25569.0;  // 1 January 1970 as a TDateTime

// Retries a system call interrupted by a signal.
template <typename Call>
auto Retry(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

// errno after a failed call, never 0: a failure must never read as success.
int LastErrno() { return errno ? errno : EIO; }

int WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = Retry([&] { return write(fd, p, left); });
    if (n < 0) return LastErrno();
    if (n == 0) return EIO;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return 0;
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

TDateTime LocalDateTime(const timespec& ts) {
  time_t secs = ts.tv_sec;
  tm local{};
  localtime_r(&secs, &local);
  double localSecs = static_cast<double>(secs + local.tm_gmtoff) + ts.tv_nsec / 1e9;
  return kUnixEpochDays + localSecs / 86400.0;
}

class PosixFileSystem final : public FileSystem {
 public:
  int ReadFile(const std::string& path, std::string& contents) override {
    int fd = Retry([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC); });
    if (fd < 0) return LastErrno();
    std::string text;
    char buf[8192];
    ssize_t n;
    for (bool first = true; (n = Retry([&] { return read(fd, buf, sizeof buf); })) > 0;
         first = false) {
      // Most files (every game file) fit the buffer: only a bigger one is
      // worth asking its size, which costs a listing one call a file.
      struct stat st {};
      if (first && n == static_cast<ssize_t>(sizeof buf) && fstat(fd, &st) == 0 &&
          S_ISREG(st.st_mode) && st.st_size > 0) {
        text.reserve(static_cast<size_t>(st.st_size));
      }
      text.append(buf, static_cast<size_t>(n));
    }
    int err = n < 0 ? LastErrno() : 0;  // a folder, for one, opens but cannot be read
    close(fd);
    if (err == 0) contents = std::move(text);
    return err;
  }

  int WriteFileAtomic(const std::string& path, std::string_view contents) override {
    // mkstemp names the temporary file uniquely, so two nodes writing at the
    // same moment never share one.
    std::string tmpl = path + ".tmp.XXXXXX";
    int fd = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) return LastErrno();
    // fsync before the rename: after a crash the file is the old one or the
    // new one, never an empty one.
    int err = fchmod(fd, ModeFor(path)) == 0 ? 0 : LastErrno();
    if (err == 0) err = WriteAll(fd, contents);
    if (err == 0 && fsync(fd) != 0) err = LastErrno();
    if (close(fd) != 0 && err == 0) err = LastErrno();
    if (err == 0 && rename(tmpl.c_str(), path.c_str()) != 0) err = LastErrno();
    if (err != 0) unlink(tmpl.c_str());
    return err;
  }

  int Rename(const std::string& from, const std::string& to) override {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : LastErrno();
  }

  int Remove(const std::string& path) override {
    return unlink(path.c_str()) == 0 ? 0 : LastErrno();
  }

  int Stat(const std::string& path, FileInfo& info) override {
    struct stat st {};
    info = FileInfo{};
    if (stat(path.c_str(), &st) != 0) return LastErrno();
    info.Kind = S_ISREG(st.st_mode)   ? FileKind::File
                : S_ISDIR(st.st_mode) ? FileKind::Folder
                                      : FileKind::Other;
    info.Size = static_cast<uint64_t>(st.st_size);
    info.Modified = LocalDateTime(st.st_mtim);
    return 0;
  }

  int ListFolder(const std::string& path, std::vector<std::string>& names) override {
    DIR* dir = opendir(path.c_str());
    if (!dir) return LastErrno();
    names.clear();
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        names.emplace_back(entry->d_name);
      }
    }
    int err = errno;  // readdir leaves errno alone at the end, sets it on an error
    closedir(dir);
    return err;
  }

  int MakeFolder(const std::string& path) override {
    return mkdir(path.c_str(), 0777) == 0 ? 0 : LastErrno();
  }

  int Append(const std::string& path, std::string_view bytes) override {
    int fd =
        Retry([&] { return open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666); });
    if (fd < 0) return LastErrno();
    ssize_t n = Retry([&] { return write(fd, bytes.data(), bytes.size()); });
    int err = n < 0 ? LastErrno() : static_cast<size_t>(n) < bytes.size() ? EIO : 0;
    if (close(fd) != 0 && err == 0) err = LastErrno();
    return err;
  }

  int Lock(const std::string& lockPath, int& handle) override {
    handle = -1;
    // An exclusive byte-range lock needs a descriptor open for writing: on
    // NFS every lock is one, so the lock file is opened read-write always.
    int fd = Retry([&] { return open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666); });
    if (fd < 0) return LastErrno();
    // An open-file-description lock: owned by this descriptor, not by the
    // process, so it excludes other opens in the same process as flock did,
    // and it is a POSIX lock, which NFS carries to the server.
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;  // the whole file, however long
    if (Retry([&] { return fcntl(fd, F_OFD_SETLKW, &fl); }) != 0) {
      int err = LastErrno();
      close(fd);
      return err;
    }
    handle = fd;
    return 0;
  }

  void Unlock(int handle) override {
    if (handle >= 0) close(handle);  // closing the descriptor releases the lock
  }

  std::string WorkingDirectory() override {
    std::string buf(4096, '\0');
    if (!getcwd(buf.data(), buf.size())) return {};
    buf.resize(std::strlen(buf.c_str()));
    return buf;
  }
};

PosixFileSystem& Real() {
  static PosixFileSystem real;
  return real;
}

FileSystem* g_files = nullptr;

}  // namespace

FileSystem& Files() { return g_files ? *g_files : Real(); }
void SetFiles(FileSystem* f) { g_files = f; }

std::string FileErrorText(int err) {
  char buf[256];
  // The GNU strerror_r returns the message, which may not be in buf.
  return strerror_r(err, buf, sizeof buf);
}

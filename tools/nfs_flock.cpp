// LD_PRELOAD shim: flock as an NFS client does it. The Linux NFS client
// turns flock into a byte-range lock on the whole file, which the server
// keeps; an exclusive one then needs a descriptor open for writing (a
// shared one, for reading), or the call fails with EBADF. With this shim a
// program that locks with flock on a local disk meets what it would meet
// on NFS. The locks taken are open-file-description locks, so they belong
// to the open file as flock's do, and they exclude fcntl locks of other
// holders as the server's would.
//
// With QGS_NFS_SHIM_LOG naming a file, every call appends one line:
//   flock <op> <result> <errno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Log(int op, int result, int err) {
  const char* path = std::getenv("QGS_NFS_SHIM_LOG");
  if (!path || !*path) return;
  char line[96];
  const int n = std::snprintf(line, sizeof line, "flock %d %d %s\n", op, result,
                              result == 0 ? "-" : strerrorname_np(err));
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return;
  if (write(fd, line, static_cast<size_t>(n)) < 0) {}
  close(fd);
}

int Fail(int op, int err) {
  Log(op, -1, err);
  errno = err;
  return -1;
}

}  // namespace

extern "C" int flock(int fd, int op) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return Fail(op, errno);
  const int access = flags & O_ACCMODE;
  struct flock fl {};
  fl.l_whence = SEEK_SET;  // l_start 0, l_len 0: the whole file
  switch (op & ~LOCK_NB) {
    case LOCK_EX:
      if (access == O_RDONLY) return Fail(op, EBADF);
      fl.l_type = F_WRLCK;
      break;
    case LOCK_SH:
      if (access == O_WRONLY) return Fail(op, EBADF);
      fl.l_type = F_RDLCK;
      break;
    case LOCK_UN: fl.l_type = F_UNLCK; break;
    default: return Fail(op, EINVAL);
  }
  if (fcntl(fd, (op & LOCK_NB) ? F_OFD_SETLK : F_OFD_SETLKW, &fl) == 0) {
    Log(op, 0, 0);
    return 0;
  }
  const int err = errno;
  return Fail(op, err == EACCES ? EWOULDBLOCK : err);
}

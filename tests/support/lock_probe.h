// Whether a data file's lock is free, asked as another holder would: an
// open-file-description lock on the lock file, without waiting.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <string>

// True when the whole-file lock on lockFile (created when missing) could be
// taken right now; it is let go again at once.
inline bool LockFileIsFree(const std::string& lockFile) {
  const int fd = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  const bool free = fcntl(fd, F_OFD_SETLK, &fl) == 0;
  close(fd);
  return free;
}

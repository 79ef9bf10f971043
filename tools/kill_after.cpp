// LD_PRELOAD shim: the process kills itself with SIGKILL right after its
// Nth rename or unlink (renameat, renameat2 and unlinkat count too) has
// returned, N from QGS_KILL_AFTER. A multi-file change is a chain of such
// calls, so N = 1, 2, ... stops a program between every two of its steps,
// as a power cut or a killed node would, whatever the timing.
//
// Unset or 0, nothing is killed. With QGS_KILL_LOG naming a file, every
// call appends one line before the kill (if any):
//   <count> <call> <result> <path> [<new path>]
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <cstdio>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

long g_calls = 0;

long KillAfter() {
  static const long n = [] {
    const char* text = std::getenv("QGS_KILL_AFTER");
    return text && *text ? std::strtol(text, nullptr, 10) : 0L;
  }();
  return n;
}

template <typename Fn>
Fn Next(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

void Log(const char* call, int result, const char* path, const char* to) {
  const char* log = std::getenv("QGS_KILL_LOG");
  if (!log || !*log) return;
  char line[2048];
  const int n = std::snprintf(line, sizeof line, "%ld %s %d %s%s%s\n", g_calls, call, result,
                              path ? path : "?", to ? " " : "", to ? to : "");
  if (n <= 0) return;
  const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return;
  const size_t len =
      static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1;
  if (write(fd, line, len) < 0) {}
  close(fd);
}

// After each counted call: log it and, at the Nth, die on the spot.
int Counted(const char* call, int result, const char* path, const char* to) {
  const int err = errno;
  ++g_calls;
  Log(call, result, path, to);
  if (KillAfter() > 0 && g_calls == KillAfter()) kill(getpid(), SIGKILL);
  errno = err;
  return result;
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
  static auto real = Next<int (*)(const char*, const char*)>("rename");
  return Counted("rename", real(from, to), from, to);
}

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to) {
  static auto real = Next<int (*)(int, const char*, int, const char*)>("renameat");
  return Counted("renameat", real(fromDir, from, toDir, to), from, to);
}

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
  static auto real = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
  return Counted("renameat2", real(fromDir, from, toDir, to, flags), from, to);
}

extern "C" int unlink(const char* path) {
  static auto real = Next<int (*)(const char*)>("unlink");
  return Counted("unlink", real(path), path, nullptr);
}

extern "C" int unlinkat(int dir, const char* path, int flags) {
  static auto real = Next<int (*)(int, const char*, int)>("unlinkat");
  return Counted("unlinkat", real(dir, path, flags), path, nullptr);
}

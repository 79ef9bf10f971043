#include "game/common/gamedir.h"

#include <unistd.h>

#include <climits>

#include "doorkit/platform.h"

std::string GetGameDir() {
  std::string path = Env().ExecutablePath();
  size_t slash = path.find_last_of('/');
  // The folder keeps its last "/": a program at "/qgs" lives in "/".
  std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  if (dir.empty()) {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) dir = cwd;
  }
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

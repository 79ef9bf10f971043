#include "game/common/gamedir.h"

#include "doorkit/filesystem.h"
#include "doorkit/platform.h"

std::string GetGameDir() {
  std::string path = Env().ExecutablePath();
  size_t slash = path.find_last_of('/');
  // The folder keeps its last "/": a program at "/qgs" lives in "/".
  std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  if (dir.empty()) dir = Files().WorkingDirectory();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

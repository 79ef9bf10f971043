// DoorStartup with a command line written as the words after the program's
// name, as a BBS would start the door.
#pragma once

#include <string>
#include <vector>

#include "doorkit/door.h"

inline void Startup(std::vector<std::string> args) {
  args.insert(args.begin(), "qgs");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  DoorStartup(static_cast<int>(argv.size()), argv.data());
}

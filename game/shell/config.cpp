#include "game/shell/config.h"

#include <fstream>

#include "game/common/gamedir.h"
#include "game/common/textutil.h"

TConfig ReadConfig() {
  TConfig config;
  std::ifstream in(GetGameDir() + "qgs.cfg", std::ios::binary);
  if (!in) return config;
  std::string line;
  for (int n = 1; n <= 4 && std::getline(in, line); ++n) {
    line = TrimControl(line);
    if (line.empty()) continue;
    switch (n) {
      case 1: config.SysopName = line; break;
      case 2: config.BBSName = line; break;
      case 3: config.MaxGames = StrToIntDef(line, 10); break;
      case 4: config.DaysUntilExpire = StrToIntDef(line, 7); break;
    }
  }
  return config;
}

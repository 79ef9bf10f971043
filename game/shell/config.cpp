#include "game/shell/config.h"

#include "game/common/datafile.h"
#include "game/common/gamedir.h"
#include "game/common/textutil.h"

TConfig ReadConfig() {
  TConfig config;
  std::string text;
  if (!ReadFileText(GetGameDir() + "qgs.cfg", text)) return config;
  size_t start = 0;
  for (int n = 1; n <= 4 && start < text.size(); ++n) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = TrimControl(text.substr(start, end - start));
    start = end + 1;
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

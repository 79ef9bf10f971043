// Fuzzes every reader of a file that a BBS or another node may have
// written: the four drop files, the configuration, the records and the
// monthly scores (read, changed and rewritten).
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "doorkit/dropfiles.h"
#include "game/shell/config.h"
#include "game/records/gamedata.h"
#include "game/shell/globals.h"
#include "game/records/scores.h"
#include "support/fake_platform.h"

namespace {
void Put(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data),
                                              static_cast<std::streamsize>(size));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FakePlatform fake;
  const std::string& dir = fake.gameDir;
  for (const char* name : {"DOOR32.SYS", "DOOR.SYS", "DORINFO1.DEF", "INFO.1"}) {
    Put(dir + name, data, size);
  }
  ReadDoor32(dir + "DOOR32.SYS");
  ReadDoorSys(dir + "DOOR.SYS");
  ReadDorInfo(dir + "DORINFO1.DEF");
  ReadLordInfo(dir + "INFO.1");

  Put(dir + "qgs.cfg", data, size);
  ReadConfig();
  Put(dir + "qgs.dat", data, size);
  TGameData records;
  ReadGameData(records);
  Put(dir + "qgs-user.dat", data, size);
  HoldAliasForWrite = "Fuzz";
  UpdateUserFile(2147483647, 2147483647, true);
  return 0;
}

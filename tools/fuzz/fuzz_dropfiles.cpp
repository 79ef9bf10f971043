// Fuzzes the drop files as a BBS hands them over: the first byte picks the
// format (and whether -X is given), the rest is the file, read by
// DoorStartup through the reader its name chooses. Whatever the file holds,
// start-up ends in a session or a clean exit, and the caller's names come
// out free of control characters (they end up in the shared data files).
#include <string>
#include <vector>

#include "doorkit/comm.h"
#include "doorkit/door.h"
#include "fuzz_support.h"
#include "support/fake_platform.h"

namespace {

bool Clean(const std::string& s) {
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kNames[4] = {"DOOR32.SYS", "door.sys", "DORINFO1.DEF", "INFO.1"};
  fuzz::World world;
  FakePlatform& fake = world.fake;
  const std::string path = fake.gameDir + kNames[data[0] & 3];
  fuzz::Put(path, fuzz::Bytes(data + 1, size - 1));

  std::string drop = "-D" + path;
  std::vector<char*> argv = {const_cast<char*>("qgs"), drop.data()};
  std::string stdio = "-X";
  if (data[0] & 4) argv.push_back(stdio.data());
  bool ended = false;
  try {
    DoorStartup(static_cast<int>(argv.size()), argv.data());
  } catch (const DoorExit& e) {
    fuzz::Check(e.code == 0, "start-up ended with a non-zero exit code");
    ended = true;
  } catch (const ScriptExhausted&) {
    // a local session waiting at its first prompt
  }
  const TDoorDropInfo& info = DoorDropInfo;
  fuzz::Check(Clean(info.Alias) && Clean(info.RealName), "a control character in a name");
  fuzz::Check(ended || info.AliasOrRealName == (info.Alias.empty() ? info.RealName : info.Alias),
              "AliasOrRealName");
  CommClose(false);
  return 0;
}

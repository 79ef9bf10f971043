// Fuzzes the who-is-online list. The input is "qgs-online.dat".
//  - Loaded, saved and loaded again, the list saves to the same text, and
//    it never has entries the file had no lines for.
//  - Marking the caller active lists them, dated now; leaving then takes
//    exactly one of their entries out.
//  - The list screen shows it without its own control codes.
#include <algorithm>
#include <string>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/multiplayer/online.h"
#include "game/common/globals.h"
#include "fuzz_support.h"
#include "support/fake_platform.h"

namespace {

std::string SavedText() {
  SaveOnlinePlayers();
  return fuzz::Get(GetOnlineFile());
}

int64_t Entries(const std::string& alias) {
  LoadOnlinePlayers();
  return std::count_if(OnlinePlayers.begin(), OnlinePlayers.end(),
                       [&](const TOnlinePlayer& p) { return p.Alias == alias; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::World world;
  FakePlatform& fake = world.fake;
  DoorSession.PipeWrite = false;
  const std::string contents = fuzz::Bytes(data, size);
  fuzz::Put(GetOnlineFile(), contents);

  LoadOnlinePlayers();
  fuzz::Check(OnlinePlayerCount >= 0 &&
                  static_cast<size_t>(OnlinePlayerCount) <= SplitLines(contents).size() &&
                  static_cast<size_t>(OnlinePlayerCount) == OnlinePlayers.size(),
              "more entries than the file holds");
  const std::string once = SavedText();
  LoadOnlinePlayers();
  fuzz::Check(SavedText() == once, "a list saved and loaded does not save the same");

  fuzz::Put(GetOnlineFile(), contents);
  HoldAliasForWrite = OnlinePlayers.empty() || (size % 2) ? "Fuzz" : OnlinePlayers[0].Alias;
  UpdatePlayerOnlineStatus();
  fake.Keys("x");
  ShowWhoIsOnline();
  fuzz::Check(fuzz::OnlyOwnControls(fake.out), "the list's control codes reach the caller");

  // Counted after the list screen's expiry pass: a date the file held with
  // a far century is written back with two digits and may expire there.
  const int64_t mine = Entries(HoldAliasForWrite);
  fuzz::Check(mine >= 1, "the caller is not listed after their activity");
  auto me = std::find_if(OnlinePlayers.begin(), OnlinePlayers.end(),
                         [](const TOnlinePlayer& p) { return p.Alias == HoldAliasForWrite; });
  fuzz::Check(DateTimeToStr(me->LastActivity) == DateTimeToStr(Now()),
              "the caller's activity is not dated now");

  RemovePlayerFromOnline();
  fuzz::Check(Entries(HoldAliasForWrite) == mine - 1, "leaving did not take one entry out");
  return 0;
}

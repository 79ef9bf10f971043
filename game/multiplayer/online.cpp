#include "game/multiplayer/online.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"
#include "game/common/gamedir.h"
#include "game/common/globals.h"

std::vector<TOnlinePlayer> OnlinePlayers;
int32_t OnlinePlayerCount = 0;

void OnlineReset() {
  OnlinePlayers.clear();
  OnlinePlayerCount = 0;
}

namespace {

constexpr int64_t kMsPerMinute = 60000;

void CountList() { OnlinePlayerCount = ClampInt32(static_cast<int64_t>(OnlinePlayers.size())); }

void DropExpired() {
  const TDateTime cutoff = Now() - ONLINE_TIMEOUT_MINUTES / 1440.0;
  std::erase_if(OnlinePlayers, [&](const TOnlinePlayer& p) { return p.LastActivity < cutoff; });
  CountList();
}

// One change of the list: load, change, save, all under the file's lock. A
// file this node cannot read is left as it is rather than replaced by what
// little it could make of it.
void ChangeList(const std::function<void()>& change) {
  DataFileLock lock(GetOnlineFile());
  if (ExistsButUnreadable(GetOnlineFile())) return;
  LoadOnlinePlayers();
  change();
  SaveOnlinePlayers();
}

// Whole minutes since the activity, rounded to the nearest, halves to even.
// Worked out in milliseconds, so that an exact half is exact.
int64_t MinutesAgo(TDateTime then) {
  const double ms = std::clamp((Now() - then) * 86400000.0, -1e15, 1e15);
  const int64_t total = std::llround(ms);
  int64_t minutes = total / kMsPerMinute;
  int64_t rest = total % kMsPerMinute;
  if (rest < 0) {
    rest += kMsPerMinute;
    --minutes;
  }
  if (rest * 2 > kMsPerMinute || (rest * 2 == kMsPerMinute && minutes % 2 != 0)) ++minutes;
  return minutes;
}

void ShowList() {
  DoorTextAttr(10);
  DoorWriteLn("Player                         Last Activity");
  DoorWriteLn(std::string(44, '-'));
  for (const TOnlinePlayer& p : OnlinePlayers) {
    const int64_t minutes = MinutesAgo(p.LastActivity);
    DoorWriteLn(minutes < 1 ? Format("%-30s Active now", p.Alias.c_str())
                            : Format("%-30s %d minute(s) ago", p.Alias.c_str(),
                                     ClampInt32(minutes)));
  }
  DoorWriteLn(std::string(44, '-'));
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWriteLn(std::to_string(OnlinePlayerCount) + " player(s) online");
}

}  // namespace

std::string GetOnlineFile() { return GetGameDir() + "qgs-online.dat"; }

void LoadOnlinePlayers() {
  OnlinePlayers.clear();
  std::vector<std::string> lines;
  if (ReadFileLines(GetOnlineFile(), lines)) {
    LineReader in(std::move(lines));
    while (!in.Eof()) {
      TOnlinePlayer entry;
      const std::string alias = in.ReadLine();
      if (alias.empty()) continue;  // a stray blank line: the entries go on after it
      entry.Alias = PrintableText(alias);
      entry.LastActivity = Now();
      if (!in.Eof()) TryStrToDateTime(in.ReadLine(), entry.LastActivity);
      // An alias of control characters alone names nobody.
      if (!entry.Alias.empty()) OnlinePlayers.push_back(std::move(entry));
    }
  }
  CountList();
}

bool SaveOnlinePlayers() {
  std::string text;
  for (const TOnlinePlayer& p : OnlinePlayers) {
    text += p.Alias + "\n" + DateTimeToStr(p.LastActivity) + "\n";
  }
  return WriteFileAtomic(GetOnlineFile(), text);
}

void CleanupExpiredOnlinePlayers() { ChangeList(DropExpired); }

void UpdatePlayerOnlineStatus() {
  ChangeList([] {
    DropExpired();
    auto me = std::find_if(OnlinePlayers.begin(), OnlinePlayers.end(),
                           [](const TOnlinePlayer& p) { return p.Alias == HoldAliasForWrite; });
    if (me != OnlinePlayers.end()) {
      me->LastActivity = Now();
    } else {
      OnlinePlayers.push_back(TOnlinePlayer{HoldAliasForWrite, Now()});
      CountList();
    }
  });
}

void RemovePlayerFromOnline() {
  ChangeList([] {
    auto me = std::find_if(OnlinePlayers.begin(), OnlinePlayers.end(),
                           [](const TOnlinePlayer& p) { return p.Alias == HoldAliasForWrite; });
    if (me != OnlinePlayers.end()) OnlinePlayers.erase(me);
    CountList();
  });
}

void ShowWhoIsOnline() {
  CleanupExpiredOnlinePlayers();
  LoadOnlinePlayers();
  DoorClrScr();
  DoorWriteLn();
  DoorTextAttr(15);
  DoorWriteCentered("* Who is Online in G&S *");
  DoorWriteLn();
  DoorWriteLn();
  if (OnlinePlayerCount == 0) {
    DoorTextAttr(14);
    DoorWriteLn("No players currently online.");
  } else {
    ShowList();
  }
  // The lock was let go above: the key is waited for without it.
  DoorWriteLn();
  DoorTextAttr(10);
  PressAnyKey();
}

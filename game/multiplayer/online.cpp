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

namespace {

// The screen line of the last change of the list that failed, until it is
// shown. The sysop's log has the failure already (the lock and the write
// log their own).
std::string g_listFailure;

}  // namespace

void OnlineReset() {
  OnlinePlayers.clear();
  OnlinePlayerCount = 0;
  g_listFailure.clear();
}

namespace {

constexpr int64_t kMsPerMinute = 60000;

void CountList() { OnlinePlayerCount = ClampInt32(static_cast<int64_t>(OnlinePlayers.size())); }

void DropExpired() {
  const TDateTime cutoff = Now() - ONLINE_TIMEOUT_MINUTES / 1440.0;
  std::erase_if(OnlinePlayers, [&](const TOnlinePlayer& p) { return p.LastActivity < cutoff; });
  CountList();
}

// The list read from the lines of the file. A record is an alias line and
// its date line; one that cannot be read is passed over without shifting
// the records after it: a line is taken for a date line only when it reads
// as a date, and for an alias only when it does not.
void ParseList(const std::vector<std::string>& lines) {
  OnlinePlayers.clear();
  auto isDate = [&](size_t i) {
    TDateTime when;
    return i < lines.size() && TryStrToDateTime(lines[i], when);
  };
  size_t i = 0;
  while (i < lines.size()) {
    std::string alias = PrintableText(lines[i]);
    TDateTime when = 0;
    if (i + 1 < lines.size() && TryStrToDateTime(lines[i + 1], when)) {
      // A whole record; an alias of blanks or control characters names
      // nobody, and its record goes with it.
      if (!alias.empty()) OnlinePlayers.push_back(TOnlinePlayer{std::move(alias), when});
      i += 2;
      continue;
    }
    if (alias.empty() || isDate(i)) {
      ++i;  // a stray blank line, or a date whose alias was lost
      continue;
    }
    // An alias whose date is damaged or missing counts as active now. The
    // line after it was its date unless a date follows that line too: then
    // it is the next record's alias.
    OnlinePlayers.push_back(TOnlinePlayer{std::move(alias), Now()});
    i += isDate(i + 2) ? 1 : 2;
  }
  CountList();
}

// An alias the list can hold: one the loader reads back as it was written.
// A session without an alias (standard I/O with a node number alone) is
// not listed.
bool Listable(const std::string& alias) { return !alias.empty() && PrintableText(alias) == alias; }

std::string ListText() {
  std::string text;
  for (const TOnlinePlayer& p : OnlinePlayers) {
    if (!Listable(p.Alias)) continue;
    text += p.Alias + "\n" + DateTimeToStr(p.LastActivity) + "\n";
  }
  return text;
}

// One change of the list: load, change, save, all under the file's lock. A
// file this node cannot read is left as it is rather than replaced by what
// little it could make of it, and one the change leaves as it was is not
// written again.
void ListFailed(const char* what) {
  g_listFailure = std::string("Error: Could not update the online list, the file could not be ") +
                  what + " (" + LastFileError() + ")!";
}

void ChangeList(const std::function<void()>& change) {
  DataFileLock lock(GetOnlineFile());
  if (!lock.Held()) return ListFailed("locked");
  if (ExistsButUnreadable(GetOnlineFile())) return ListFailed("read");
  std::string before;
  const bool existed = ReadFileText(GetOnlineFile(), before);
  ParseList(existed ? SplitLines(before) : std::vector<std::string>());
  change();
  const std::string after = ListText();
  if (existed && after == before) return;
  if (!WriteFileAtomic(GetOnlineFile(), after)) ListFailed("written");
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
    DoorWriteLn(minutes < 1
                    ? Format("%-30s Active now", p.Alias.c_str())
                    : Format("%-30s %d minute(s) ago", p.Alias.c_str(), ClampInt32(minutes)));
  }
  DoorWriteLn(std::string(44, '-'));
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWriteLn(std::to_string(OnlinePlayerCount) + " player(s) online");
}

}  // namespace

std::string GetOnlineFile() { return GetGameDir() + "qgs-online.dat"; }

void LoadOnlinePlayers() {
  std::vector<std::string> lines;
  if (!ReadFileLines(GetOnlineFile(), lines)) lines.clear();
  ParseList(lines);
}

bool SaveOnlinePlayers() { return WriteFileAtomic(GetOnlineFile(), ListText()); }

void CleanupExpiredOnlinePlayers() { ChangeList(DropExpired); }

void UpdatePlayerOnlineStatus() {
  ChangeList([] {
    DropExpired();
    auto me = std::find_if(OnlinePlayers.begin(), OnlinePlayers.end(),
                           [](const TOnlinePlayer& p) { return p.Alias == HoldAliasForWrite; });
    if (me != OnlinePlayers.end()) {
      me->LastActivity = Now();
    } else if (Listable(HoldAliasForWrite)) {
      OnlinePlayers.push_back(TOnlinePlayer{HoldAliasForWrite, Now()});
      CountList();
    }
  });
}

bool SomeoneElseOnline() { return OnlinePlayerCount > (Listable(HoldAliasForWrite) ? 1 : 0); }

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
  ShowOnlineListFailure();
  DoorTextAttr(10);
  PressAnyKey();
}

void ShowOnlineListFailure() {
  if (g_listFailure.empty()) return;
  DoorTextAttr(12);
  DoorWriteLn(g_listFailure);
  g_listFailure.clear();
}

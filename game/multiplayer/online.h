// Who is online: "qgs-online.dat" in the game directory lists the callers
// who did something in the Multiplayer part lately, two lines an entry (the
// alias, then the date-time of the last activity), no header and no count.
// Each node refreshes its own caller's entry; entries older than
// ONLINE_TIMEOUT_MINUTES are dropped by the next expiry on any node.
//
// The operations that change the list (expiry, marking activity, leaving)
// each hold the file's DataFileLock from their read to their write, so
// changes made on several nodes at once are all kept. None waits for a key
// while holding it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doorkit/platform.h"

struct TOnlinePlayer {
  std::string Alias;
  TDateTime LastActivity = 0;
};

// The list as last loaded; OnlinePlayerCount is its length.
extern std::vector<TOnlinePlayer> OnlinePlayers;
extern int32_t OnlinePlayerCount;
// Back to the start of a session: nothing loaded.
void OnlineReset();

// Game directory + "qgs-online.dat".
std::string GetOnlineFile();
// Replaces the list with the file's entries; a missing or unreadable file
// gives an empty list. A date line that is missing or damaged reads as now;
// a record that cannot be read at all (a blank alias, a date without its
// alias) is skipped without shifting the records after it.
void LoadOnlinePlayers();
// Writes the list atomically; false when it could not (the old file is then
// left). A caller changing the list by hand holds DataFileLock on
// GetOnlineFile() from its load to this save.
bool SaveOnlinePlayers();
// Load, drop the entries idle for more than ONLINE_TIMEOUT_MINUTES, save.
void CleanupExpiredOnlinePlayers();
// Marks the caller (HoldAliasForWrite, matched exactly) active now, adding
// an entry when there is none; expired entries are dropped on the way. A
// caller without an alias is not listed (an entry needs a line of its own
// that the loader can read back). A change that leaves the file's bytes as
// they were does not rewrite it.
void UpdatePlayerOnlineStatus();
// Whether the list as last loaded holds anyone besides the caller: more
// than the caller's own entry, or anyone at all for a caller the list
// cannot hold (one without an alias).
bool SomeoneElseOnline();
// Removes the caller's entry, if any.
void RemovePlayerFromOnline();
// The list screen, ended by "Press any key..." and one key.
void ShowWhoIsOnline();
// When a change of the list failed since the last call (the lock refused,
// the file unreadable or its write failed), one line in colour 12 saying
// so, with the system's message:
//   "Error: Could not update the online list, the file could not be
//    written (No space left on device)!"
// The lobby, the list screen and the goodbye show it.
void ShowOnlineListFailure();

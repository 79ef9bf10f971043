// The program-wide variables and constants of the game.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TPlayer;

inline constexpr const char* VERSION = "25";
inline constexpr const char* UPDATED = "11/24/25";
inline constexpr int ONLINE_TIMEOUT_MINUTES = 5;

struct TConfig {
  std::string SysopName = "your Sysop";
  std::string BBSName = "the BBS";
  int32_t MaxGames = 10;
  int32_t DaysUntilExpire = 7;
};

extern TConfig Config;
// The caller's kingdom (left column of the battle screen) and King Computer
// (right column). Owned here; the Klassic session creates and frees them.
extern std::unique_ptr<TPlayer> Player;
extern std::unique_ptr<TPlayer> Computer;
extern int32_t Wins;
extern int32_t Losses;
// The caller's alias from the drop file: their identity everywhere,
// compared exactly.
extern std::string HoldAliasForWrite;
extern bool PlayerQuit;
extern char MenuChoice;
extern bool Done;
// Puts the variables above back to their start (defined with them, in the
// shell). The other rooms' program-wide variables have resets of their own:
// MusicReset, TurnLogReset, OnlineReset.
void GlobalsReset();

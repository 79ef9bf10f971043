#include "game/common/globals.h"

#include "game/kingdom/player.h"

TConfig Config;
std::unique_ptr<TPlayer> Player;
std::unique_ptr<TPlayer> Computer;
int32_t Wins = 0;
int32_t Losses = 0;
std::string HoldAliasForWrite;
bool PlayerQuit = false;
char MenuChoice = '\0';
bool Done = false;

void GlobalsReset() {
  Config = TConfig{};
  Player.reset();
  Computer.reset();
  Wins = 0;
  Losses = 0;
  HoldAliasForWrite.clear();
  PlayerQuit = false;
  MenuChoice = '\0';
  Done = false;
}

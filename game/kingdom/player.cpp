// The kingdom itself: starting forces, wording, power and supplies, and the
// small routines the battle code shares.
#include "game/kingdom/player.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "doorkit/platform.h"

TPlayer::TPlayer(const std::string& ATitle, const std::string& AName, bool AIsPlayer)
    : IsPlayer(AIsPlayer), Title(ATitle), Name(AName) {
  DrawForces();
}

std::unique_ptr<TPlayer> TPlayer::Create(const std::string& ATitle, const std::string& AName,
                                         bool AIsPlayer) {
  return std::make_unique<TPlayer>(ATitle, AName, AIsPlayer);
}

void TPlayer::DrawForces() {
  // The order of the draws is part of the game: every later draw depends on it.
  Score = 0;
  Kastle = static_cast<int32_t>(Random(10000)) + 12500;
  Soldiers = static_cast<int32_t>(Random(3500)) + 1750;
  Civilians = static_cast<int32_t>(Random(5000)) + 12500;
  Gronels = static_cast<int32_t>(Random(100)) + 200;
  Slingards = static_cast<int32_t>(Random(2));
  Assassins = static_cast<int32_t>(Random(4)) + 1;
  Guards = static_cast<int32_t>(Random(15)) + 8;
  Gold = static_cast<int32_t>(Random(2500)) + 17500;
  Food = static_cast<int32_t>(Random(100000)) + 200000;
}

std::string TPlayer::GetFullName() const { return Title + " " + Name; }

std::string TPlayer::GetPosessive() const {
  if (IsPlayer) return "your";
  return Title == "King" ? "his" : "her";
}

std::string TPlayer::GetSingular() const {
  if (IsPlayer) return "you";
  return Title == "King" ? "he" : "she";
}

std::string TPlayer::GetConjugate() const { return IsPlayer ? "" : "s"; }
std::string TPlayer::GetConjugate2() const { return IsPlayer ? "" : "es"; }

std::string TPlayer::GetReferPosessive() const {
  return IsPlayer ? GetPosessive() : GetFullName() + "'s";
}

std::string TPlayer::GetReferSingular() const { return IsPlayer ? GetSingular() : GetFullName(); }

int32_t TPlayer::GetPower() const { return Min(Kastle / 500 + Soldiers / 750, 46); }

double TPlayer::GetMFood() const {
  int64_t consumption = static_cast<int64_t>(Civilians) + 2 * static_cast<int64_t>(Soldiers);
  if (consumption == 0 || Food == 0) return 0.0;
  double months = static_cast<double>(Food) / static_cast<double>(consumption);
  return months < 0.1 ? 0.0 : months;
}

std::string TPlayer::GetMFoodStr() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%-6.3f", GetMFood());
  std::string s = std::string(buf).substr(0, 6);
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

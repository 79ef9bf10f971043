// One kingdom: the caller's, King Computer's, or either human side of a
// Multiplayer game. Every month of play reads and changes its counters, and
// every message of the war is worded through it, so that one text reads
// "you" for a human kingdom and "King Computer" for the other.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/common/textutil.h"

class TPlayer {
 public:
  bool IsPlayer = false;
  std::string Title;  // "King" or "Queen"
  std::string Name;
  int32_t Score = 0;
  int32_t Kastle = 0;  // 0: the kastle is gone
  int32_t Soldiers = 0;
  int32_t Civilians = 0;
  int32_t Gronels = 0;
  int32_t Slingards = 0;
  int32_t Assassins = 0;
  int32_t Guards = 0;
  int32_t Gold = 0;
  int32_t Food = 0;
  double DisplayMFood = 0.0;

  // A fresh kingdom with its starting forces drawn (see DrawForces).
  TPlayer(const std::string& ATitle, const std::string& AName, bool AIsPlayer);
  static std::unique_ptr<TPlayer> Create(const std::string& ATitle, const std::string& AName,
                                         bool AIsPlayer);
  // Score 0 and fresh starting forces, drawn in a fixed order.
  void DrawForces();

  // ---- wording ----
  std::string GetFullName() const;        // "King Computer"
  std::string GetPosessive() const;       // your / his / her
  std::string GetSingular() const;        // you / he / she
  std::string GetConjugate() const;       // "" / "s"
  std::string GetConjugate2() const;      // "" / "es"
  std::string GetReferPosessive() const;  // your / King Computer's
  std::string GetReferSingular() const;   // you / King Computer

  // ---- strength and supplies ----
  int32_t GetPower() const;  // 0..46 on the power bar
  double GetMFood() const;   // months of food left
  std::string GetMFoodStr() const;

  // ---- one month of play ----
  // The month's bookkeeping and its report; AShow false works out the same
  // month (turn log lines included) without a byte on the screen.
  void Produce(bool AShow = true);
  void DrawScreen(int32_t AMonth);
  void PowerBar();
  TPlayer* SoldierAttack(TPlayer* AOther);
  void DoDamage(TPlayer* AOther, int32_t ADamage, bool AMen, const std::string& AWeaponType);
  TPlayer* GronelAttack(TPlayer* AOther, bool AMen);
  TPlayer* SlingardAttack(TPlayer* AOther, bool AMen);
  TPlayer* Assassinate(TPlayer* AOther);
  bool Purchase(const std::string& AName, const std::string& APropName, double ACost);
  void LoadWagons(const std::string& APropName, int32_t ACount);
  TPlayer* CheckResults(TPlayer* AOther);
  // True when the war is won against AOther as the counters stand: its
  // kastle is gone, or its army while this side still has soldiers.
  bool Defeats(const TPlayer& AOther) const;
  // One side's whole turn: the caller's command loop, or King Computer's
  // strategy. Returns the winner when the game ended this turn.
  TPlayer* Move(int32_t AMonth, TPlayer* AOther);

 private:
  TPlayer* HumanMove(int32_t AMonth, TPlayer* AOther);
  TPlayer* ComputerMove(TPlayer* AOther);
};

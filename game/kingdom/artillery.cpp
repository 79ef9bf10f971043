// Gronel and slingard volleys. A volley's strength becomes single hits that
// land at random on everything the enemy owns, weighted by pile size with
// the aimed pile counted twice; the noise of the hits becomes booms.
#include "game/kingdom/artillery.h"

#include <array>
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "doorkit/platform.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/common/textutil.h"
#include "game/kingdom/turnlog.h"

namespace {

const int64_t kNoisePerBoom = 100000;
const int kBoomsPerLine = 7;

std::string Num(int64_t n) { return std::to_string(n); }

// The piles a hit can land on, in the order the pick walks them.
enum Pile { pSoldiers, pKastle, pGuards, pAssassins, pGronels, pSlingards, pCivilians, kPiles };

struct PileInfo {
  int32_t TPlayer::*count;
  bool scores;       // the attacker earns a point per unit lost
  int64_t noise;     // added to the boom account per hit
  uint8_t attr;      // colour of the loss line
  const char* verb;  // loss line: Who + verb + n + noun
  const char* noun;
  const char* logVerb;  // turn log: logVerb + n + logNoun
  const char* logNoun;
};

const std::array<PileInfo, kPiles> kPileInfo = {{
    {&TPlayer::Soldiers, true, 1000, 12, " killed ", " men!", "Killed ", " soldiers"},
    {&TPlayer::Kastle, true, 1000, 10, " destroyed ", " kastle points!", "Destroyed ",
     " kastle points"},
    {&TPlayer::Guards, false, 10000, 14, " killed ", " guards!", "Killed ", " guards"},
    {&TPlayer::Assassins, false, 10000, 11, " killed ", " assassins!", "Killed ", " assassins"},
    {&TPlayer::Gronels, false, 1000, 14, " destroyed ", " gronels!", "Destroyed ", " gronels"},
    {&TPlayer::Slingards, false, 100000, 11, " destroyed ", " slingards!", "Destroyed ",
     " slingards"},
    {&TPlayer::Civilians, false, 4, 15, " killed ", " civilians!", "Killed ", " civilians"},
}};

struct Volley {
  TPlayer& attacker;
  TPlayer& defender;
  Pile aimed;
  std::array<int64_t, kPiles> losses{};
  int64_t noise = 0;
  int64_t booms = 0;
  bool noDamage = true;

  // Every pile once, the aimed one twice. Counters may hold anything a game
  // file held, so the sum is taken in 64 bits.
  int64_t Targets() const {
    int64_t total = defender.*kPileInfo[aimed].count;
    for (const PileInfo& p : kPileInfo) total += defender.*p.count;
    return total;
  }

  bool Beaten() const { return defender.Kastle <= 0 || defender.Soldiers <= 0; }

  void Hit(Pile pile) {
    const PileInfo& info = kPileInfo[pile];
    --(defender.*info.count);
    ++losses[pile];
    if (info.scores) attacker.Score = ClampInt32(int64_t{attacker.Score} + 1);
    noise += info.noise;
  }

  // The first hit of a volley always lands, even on a beaten kingdom.
  void OneHit() {
    int64_t targets = Targets();
    if ((Beaten() || targets <= 0) && !noDamage) return;
    noDamage = false;
    int64_t pick = Random(targets);
    // A pile takes the pick only when the pick is below its size, so no
    // pile is ever taken below zero.
    for (int row = 0; row <= kPiles; ++row) {
      const Pile pile = row < kPiles ? static_cast<Pile>(row) : aimed;
      const int64_t size = defender.*kPileInfo[pile].count;
      if (pick < size) {
        Hit(pile);
        return;
      }
      pick -= size;
    }
  }

  void Boom() {
    DoorWrite(Random(2) == 1 ? "**BOOM!** " : "**BANG!** ");
    PlayBeat(kBeat, 25);
    if (++booms % kBoomsPerLine == 0) DoorWriteLn();
    noise -= kNoisePerBoom;
  }

  void WriteLosses() const {
    const std::string who = Proper(attacker.GetReferSingular());
    for (int p = 0; p < kPiles; ++p) {
      if (losses[p] <= 0) continue;
      DoorTextAttr(kPileInfo[p].attr);
      DoorWriteLn(who + kPileInfo[p].verb + Num(losses[p]) + kPileInfo[p].noun);
    }
  }

  void LogLosses(const std::string& weaponType) const {
    if (!noDamage) {
      if (weaponType == "GRONEL" || weaponType == "SLINGARD")
        LogMusic(weaponType + "_BOOMS:" + Num(booms));
    } else {
      LogText("No damage!");
    }
    for (int p = 0; p < kPiles; ++p) {
      if (losses[p] > 0) LogText(kPileInfo[p].logVerb + Num(losses[p]) + kPileInfo[p].logNoun);
    }
  }
};

void Announce(const TPlayer& attacker, bool men, const char* humanLine, const char* computerLine,
              const char* tune) {
  DoorWriteLn();
  DoorTextAttr(14);
  if (attacker.IsPlayer) {
    DoorWriteLn(humanLine);
  } else {
    DoorWriteLn(std::string(computerLine) + (men ? "men!" : "kastle!"));
  }
  PlayMusic(tune);
  DoorWriteLn();
}

}  // namespace

int32_t DrawSlingardStrength(int32_t slingards) {
  int64_t strength = 0;
  for (int32_t i = 0; i < slingards; ++i) {
    if (Random(2) == 1) strength += Random(1500) + 1;
  }
  return ClampInt32(strength);
}

void TPlayer::DoDamage(TPlayer* AOther, int32_t ADamage, bool AMen,
                       const std::string& AWeaponType) {
  Volley v{*this, *AOther, AMen ? pSoldiers : pKastle};
  DoorTextAttr(IsPlayer ? 14 : 11);
  for (int32_t unit = 0; unit < ADamage; ++unit) {
    const int64_t hits = Random(7);
    for (int64_t j = 0; j < hits; ++j) v.OneHit();
    while (v.noise > kNoisePerBoom) v.Boom();
  }
  if (v.noise > 0) v.Boom();  // the remainder always sounds
  if (v.booms % kBoomsPerLine != 0) DoorWriteLn();
  if (v.booms > 0) DoorWriteLn();

  if (v.noDamage) {
    DoorTextAttr(IsPlayer ? 142 : 139);
    DoorWrite("No damage!");
    PlayMusic(kNoDamageTune);
  }
  v.WriteLosses();
  v.LogLosses(AWeaponType);
  DoorWriteLn();
}

TPlayer* TPlayer::GronelAttack(TPlayer* AOther, bool AMen) {
  LogTurnAction(AMen ? "gronel_attack_men" : "gronel_attack_kastle", "");
  Announce(*this, AMen, "Firing Gronels!", "Firing gronels at your ", kGronelVolley);
  const int32_t strength = ClampInt32(Random(int64_t{Gronels} + 1));
  DoDamage(AOther, strength, AMen, "GRONEL");
  return CheckResults(AOther);
}

TPlayer* TPlayer::SlingardAttack(TPlayer* AOther, bool AMen) {
  const int32_t strength = DrawSlingardStrength(Slingards);
  LogTurnAction(AMen ? "slingard_attack_men" : "slingard_attack_kastle", "");
  Announce(*this, AMen, "Firing Slingard!", "Firing slingard at your ", kSlingardVolley);
  DoDamage(AOther, strength, AMen, "SLINGARD");
  return CheckResults(AOther);
}

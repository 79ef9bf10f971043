// Sending an assassin: it must get past every guard of the enemy ruler, one
// at a time, and is caught at each with chance 1 in 5. Getting past them
// all kills the ruler and wins the war outright.
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "doorkit/platform.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"
#include "game/kingdom/settle.h"
#include "game/kingdom/turnlog.h"

namespace {

const int64_t kPointsPerGuard = 1000;

std::string Num(int64_t n) { return std::to_string(n); }

void TellHumanAssassinsWork(const TPlayer& attacker, const TPlayer& victim) {
  PlayMusic(kFanfare);
  DoorTextAttr(10);
  DoorWriteLn();
  DoorWriteLn("Stealthily, quietly, " + attacker.GetPosessive() +
              " assassin creeps into the inner chambers of " + victim.Title);
  DoorWriteLn(victim.Name + " and pours a small vial of colorless fluid into a goblet which sits");
  DoorWriteLn("upon " + victim.GetReferPosessive() + " banquet table. During dinner, " +
              victim.GetSingular() + " suddenly clutch" + victim.GetConjugate2() + " " +
              victim.GetPosessive());
  DoorWriteLn("throat and tumble" + victim.GetConjugate() + " backward off of " +
              victim.GetPosessive() + " seat.");
}

void TellComputersAssassinsWork(const TPlayer& attacker, const TPlayer& victim) {
  DoorTextAttr(12);
  DoorWriteLn();
  DoorWriteLn(Proper(victim.GetSingular()) + " wake" + victim.GetConjugate() +
              " up, for a second, and see" + victim.GetConjugate() + " " +
              attacker.GetReferPosessive() + " assassin standing");
  DoorWriteLn("over " + victim.GetSingular() +
              " with a grim smile. His hand thrusts his knife into " + victim.GetReferPosessive() +
              " heart.");
  DoorWriteLn(Proper(victim.GetSingular()) + " sink" + victim.GetConjugate() +
              " into the long and everlasting sleep.");
  PlayMusic(kDirge);
}

}  // namespace

TPlayer* TPlayer::Assassinate(TPlayer* AOther) {
  Assassins = ClampInt32(int64_t{Assassins} - 1);  // spent whatever the outcome
  LogTurnAction("assassin", "");

  DoorWriteLn();
  DoorTextAttr(10);
  DoorWriteLn("Attempting infiltration!");
  LogText("Attempting infiltration!");
  PlayMusic(kInfiltrationTune);
  DoorWriteLn();
  DoorTextAttr(12);
  const std::string who = IsPlayer ? "He" : Proper(GetSingular());
  DoorWriteLn(who + " has to pass " + Num(AOther->Guards) + " guards.");
  LogText("GUARDS:" + Num(AOther->Guards));
  DoorWriteLn();

  int64_t passed = 0, killed = 0;
  const int32_t initialGuards = AOther->Guards;
  while (passed < initialGuards) {
    switch (Random(5)) {
      case 0:
        DoorTextAttr(140);
        DoorWriteLn(GetReferPosessive() + " assassin was killed!");
        LogText("The assassin was blocked by guards!");
        SettleMove(nullptr);
        PlayMusic(kNoDamageTune);
        DoorWriteLn();
        return nullptr;
      case 1:
        DoorTextAttr(140);
        ++killed;
        DoorWriteLn("KILLED " + Num(killed));
        LogText("ASSASSIN_KILL:" + Num(killed));
        ++passed;  // a killed guard counts as passed
        --AOther->Guards;
        for (int beat = 0; beat < 5; ++beat) PlayBeat(kBeat, 100);
        break;
      default:
        DoorTextAttr(4);
        ++passed;
        DoorWriteLn("Passed " + Num(passed) + "!");
        LogText("ASSASSIN_PASS:" + Num(passed));
        PlayBeat(kBeat, 50);
        break;
    }
  }

  Score = ClampInt32(Score + passed * kPointsPerGuard);
  LogText("The assassin was successful! You have been eliminated!");
  SettleMove(this);  // before the tale's music and its pause
  if (IsPlayer) {
    TellHumanAssassinsWork(*this, *AOther);
  } else {
    TellComputersAssassinsWork(*this, *AOther);
  }

  DoorWriteLn();
  PressAnyKeyPause();
  DoorWriteLn();
  return this;
}

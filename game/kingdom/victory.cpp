// After an attack: has it won the war? A kingdom loses when its kastle is
// gone, or when its army is gone while the attacker still has soldiers.
// Each ending is told for a human loser and for a computer loser.
#include <string>

#include "doorkit/door.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/common/prompts.h"
#include "game/kingdom/settle.h"

namespace {

void Beats(int count) {
  for (int i = 0; i < count; ++i) PlayBeat(kBeat, 0);
}

void TellKastleFallen(const TPlayer& winner, const TPlayer& loser) {
  if (loser.IsPlayer) {
    DoorTextAttr(12);
    DoorWriteLn(Proper(loser.GetSingular()) + " stare" + loser.GetConjugate() + " in dismay as " +
                loser.GetPosessive() + " kastle shudders, and then disintegrates");
    DoorWriteLn("into a pile of rubble. " + Proper(loser.GetPosessive()) +
                " last vision is of a massive roof beam");
    DoorWriteLn("as it comes crashing down towards " + loser.GetSingular() + ".");
    Beats(40);
  } else {
    DoorTextAttr(10);
    PlayMusic(kFanfare);
    DoorWriteLn("A great cloud of dust and debris flies into the air after " +
                winner.GetPosessive() + " final volley.");
    DoorWriteLn(loser.GetFullName() + ", outside in " + loser.GetPosessive() + " gardens, stare" +
                loser.GetConjugate() + " in disbelief and horror as " + loser.GetPosessive());
    DoorWriteLn("kastle disintegrates into a jagged mound of wood and stone.");
  }
}

void TellArmyFallen(const TPlayer& winner, const TPlayer& loser) {
  if (loser.IsPlayer) {
    DoorTextAttr(12);
    DoorWriteLn("The last of " + loser.GetPosessive() +
                " soldiers lay slain upon the once green fields of");
    DoorWriteLn(loser.GetPosessive() + " kingdom. Vultures are already descending. " +
                Proper(loser.GetSingular()) + " consume" + loser.GetConjugate() + " a chalice");
    DoorWriteLn("of poison laced wine as " + loser.GetSingular() + " hear" + loser.GetConjugate() +
                " the guttural voices of " + winner.GetFullName() + "'s");
    DoorWriteLn("soldiers smashing their way through " + loser.GetPosessive() + " kastle gates.");
    Beats(40);
  } else {
    DoorTextAttr(2);
    PlayMusic(kFanfare);
    DoorWriteLn();
    DoorWriteLn(loser.GetReferPosessive() +
                " army lay in ruins upon the battle field. With noone left");
    DoorWriteLn("to defend " + loser.GetPosessive() + " kingdom, " + loser.GetSingular() +
                " mounts a swift steed and escape" + loser.GetConjugate() + " into the night.");
    DoorWriteLn(Proper(winner.GetSingular()) + " smile" + winner.GetConjugate() +
                " in grim satisfaction at the hard-won spoils of victory!");
    Beats(10);
  }
}

}  // namespace

bool TPlayer::Defeats(const TPlayer& AOther) const {
  // Counters at or below zero count as gone: a damaged game file may hold
  // negative ones.
  return AOther.Kastle <= 0 || (AOther.Soldiers <= 0 && Soldiers > 0);
}

TPlayer* TPlayer::CheckResults(TPlayer* AOther) {
  if (!Defeats(*AOther)) return nullptr;
  SettleMove(this);  // before the tale's music and its pause
  if (AOther->Kastle <= 0) {
    TellKastleFallen(*this, *AOther);
  } else {
    TellArmyFallen(*this, *AOther);
  }
  DoorWriteLn();
  // The line stays open after the key: whoever announces the end of the
  // game starts with its own line end.
  PressAnyKeyPause();
  return this;
}

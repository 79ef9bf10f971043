// The army's attack: the attacker's soldiers meet the defender's one bout
// at a time, each bout killing at most one man.
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "doorkit/platform.h"
#include "game/common/globals.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/common/textutil.h"
#include "game/kingdom/settle.h"
#include "game/kingdom/turnlog.h"

namespace {

const int kBoutsPerShout = 1000;
const int kShoutsPerLine = 7;

std::string Num(int64_t n) { return std::to_string(n); }

void Shout(int64_t& shouts) {
  static const char* const kShouts[] = {"SMASH!", "CLASH!", "CRASH!"};
  const std::string shout = kShouts[Random(3)];
  DoorWrite(" * " + shout + " *");
  PlayBeat(kBeat, 0);
  LogLine("[CLASH:" + shout + "]");
  if (++shouts % kShoutsPerLine == 0) DoorWriteLn();
}

// The human side's line always comes first.
void WriteSummary(const TPlayer& human, int64_t humanLost, const TPlayer& other,
                  int64_t otherLost) {
  DoorWriteLn("You lost " + Num(humanLost) + " men and have " + Num(human.Soldiers) + " left!");
  DoorWriteLn(other.GetFullName() + " lost " + Num(otherLost) + " men and has " +
              Num(other.Soldiers) + " left!");
}

}  // namespace

TPlayer* TPlayer::SoldierAttack(TPlayer* AOther) {
  LogTurnAction("soldier_attack", "");
  LogMusic(kChargeTune);
  LogText("Forces engaging!");

  DoorWriteLn();
  DoorWriteLn("You have " + Num(Player->Soldiers) + " soldiers and " + Computer->GetFullName() +
              " has " + Num(Computer->Soldiers) + ".");
  DoorWriteLn();
  DoorWriteLn("Forces engaging!");
  PlayMusic(kChargeTune);
  DoorWriteLn();
  DoorTextAttr(10);

  int64_t thisLost = 0, othLost = 0, shouts = 0;
  const int32_t origSoldiers = Soldiers;
  // At most one attacker dies per bout, so bounding the bouts by the
  // starting strength keeps the attacker's army from going below zero.
  for (int64_t bout = 1; bout <= origSoldiers; ++bout) {
    if (AOther->Soldiers <= 0) break;
    if (bout % kBoutsPerShout == 0) Shout(shouts);
    if (Random(3) == 0) {
      if (Random(10) > 0) {
        ++othLost;
        --AOther->Soldiers;
        Score = ClampInt32(int64_t{Score} + 1);
      }
    } else if (Random(10) > 0) {
      ++thisLost;
      --Soldiers;
    }
  }

  if (shouts % kShoutsPerLine != 0) DoorWriteLn();
  DoorWriteLn();
  DoorTextAttr(10);

  // Worded for the defender, who watches the replay: the result is their
  // own loss, the enemy is the attacker.
  LogTurnResult("soldier_loss", Num(othLost));
  LogText("Enemy lost " + Num(thisLost) + " soldiers");

  if (IsPlayer) {
    WriteSummary(*this, thisLost, *AOther, othLost);
  } else {
    WriteSummary(*AOther, othLost, *this, thisLost);
  }

  DoorWriteLn();
  SettleMove(Defeats(*AOther) ? this : nullptr);
  DoorTextAttr(10);
  DoorWrite("*[ Press any Key ]*");
  DoorReadKey();
  DoorWriteLn();
  return CheckResults(AOther);
}

// End-of-month bookkeeping: immigration, taxes, the soldiers' pay and the
// food eaten, with the report shown to the caller and the turn log lines.
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "game/kingdom/player.h"
#include "game/common/textutil.h"
#include "game/kingdom/turnlog.h"

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

}  // namespace

void TPlayer::Produce() {
  // A shortage line is shown blinking; the lines after it stay bright.
  const uint8_t reportColour = IsPlayer ? 2 : 3;
  const uint8_t afterShortageColour = IsPlayer ? 10 : 11;
  const std::string owner = GetReferPosessive();

  DoorWriteLn();
  DoorTextAttr(15);
  DoorWriteCentered("* Monthly Update *");
  DoorWriteLn();
  DoorWriteLn();
  DoorTextAttr(reportColour);

  // What cannot be paid or fed leaves: count drops to what can be kept,
  // with a blinking line for the rest.
  auto shortage = [&](int32_t& count, int32_t canKeep, const char* whatHappened) {
    if (count <= canKeep) return;
    DoorTextAttr(140);
    DoorWriteLn("* " + Num(int64_t{count} - canKeep) + " of " + owner + whatHappened);
    count = canKeep;
    DoorTextAttr(afterShortageColour);
  };

  int64_t immigrants = Kastle / 100;
  if (immigrants > 0) {
    DoorWriteLn("* " + Num(immigrants) + " civilians have immigrated to " + owner + " kastle.");
    Civilians = ClampInt32(int64_t{Civilians} + immigrants);
    LogText(Num(immigrants) + " civilians immigrated");
  }

  if (Civilians > 0) DoorWriteLn("* " + Num(Civilians) + " gold was collected in taxes!");
  LogText(Num(Civilians) + " gold collected in taxes");
  Gold = ClampInt32(int64_t{Gold} + Civilians);
  int64_t treasuryChange = Civilians;

  if (Soldiers > 0) {
    // Unpaid soldiers leave; a treasury in debt (only a damaged game file
    // holds one) pays nobody rather than making the army negative.
    shortage(Soldiers, Max(Gold, 0), " men defected from not being paid!!");
    DoorWriteLn("* " + Num(Soldiers) + " gold was paid to " + owner + " soldiers.");
    Gold -= Soldiers;
    LogText(Num(Soldiers) + " gold paid to soldiers");
    treasuryChange -= Soldiers;
  }

  if (treasuryChange >= 1) {
    DoorWriteLn("* Treasury increased by " + Num(treasuryChange) + " gold pieces!");
    LogText("Treasury increased by " + Num(treasuryChange) + " gold");
  } else if (treasuryChange < 0) {
    DoorWriteLn("* Treasury DECREASED by " + Num(-treasuryChange) + " gold pieces!");
  }

  if (Soldiers > 0) {
    shortage(Soldiers, Max(Food, 0) / 2, " soldiers have starved to death!!");  // two sacks each
    const int64_t armyMeal = 2 * int64_t{Soldiers};
    DoorWriteLn("* " + Num(armyMeal) + " sacks of food were consumed by " + owner + " army.");
    Food = ClampInt32(Food - armyMeal);
    LogText(Num(armyMeal) + " sacks of food consumed by army");
  }

  if (Civilians > 0) {
    shortage(Civilians, Max(Food, 0), " citizens have starved to death!!");
    DoorWriteLn("* " + Num(Civilians) + " sacks of food were consumed by " + owner + " citizens.");
    Food -= Civilians;
    LogText(Num(Civilians) + " sacks of food consumed by citizens");
  }

  DoorWriteLn();
}

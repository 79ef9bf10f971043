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

// The report's screen output, or none: a silent run works out the month
// (and its turn log lines) without showing it.
struct Report {
  bool show;
  void Attr(uint8_t colour) const {
    if (show) DoorTextAttr(colour);
  }
  void Line(const std::string& text = std::string()) const {
    if (show) DoorWriteLn(text);
  }
  void Centered(const std::string& text) const {
    if (show) DoorWriteCentered(text);
  }
};

}  // namespace

void TPlayer::Produce(bool AShow) {
  const Report out{AShow};
  // A shortage line is shown blinking; the lines after it stay bright.
  const uint8_t reportColour = IsPlayer ? 2 : 3;
  const uint8_t afterShortageColour = IsPlayer ? 10 : 11;
  const std::string owner = GetReferPosessive();

  out.Line();
  out.Attr(15);
  out.Centered("* Monthly Update *");
  out.Line();
  out.Line();
  out.Attr(reportColour);

  // What cannot be paid or fed leaves: count drops to what can be kept,
  // with a blinking line for the rest.
  auto shortage = [&](int32_t& count, int32_t canKeep, const char* whatHappened) {
    if (count <= canKeep) return;
    out.Attr(140);
    out.Line("* " + Num(int64_t{count} - canKeep) + " of " + owner + whatHappened);
    count = canKeep;
    out.Attr(afterShortageColour);
  };

  int64_t immigrants = Kastle / 100;
  if (immigrants > 0) {
    out.Line("* " + Num(immigrants) + " civilians have immigrated to " + owner + " kastle.");
    Civilians = ClampInt32(int64_t{Civilians} + immigrants);
    LogText(Num(immigrants) + " civilians immigrated");
  }

  if (Civilians > 0) out.Line("* " + Num(Civilians) + " gold was collected in taxes!");
  LogText(Num(Civilians) + " gold collected in taxes");
  Gold = ClampInt32(int64_t{Gold} + Civilians);
  int64_t treasuryChange = Civilians;

  if (Soldiers > 0) {
    // Unpaid soldiers leave; a treasury in debt (only a damaged game file
    // holds one) pays nobody rather than making the army negative.
    shortage(Soldiers, Max(Gold, 0), " men defected from not being paid!!");
    out.Line("* " + Num(Soldiers) + " gold was paid to " + owner + " soldiers.");
    Gold -= Soldiers;
    LogText(Num(Soldiers) + " gold paid to soldiers");
    treasuryChange -= Soldiers;
  }

  if (treasuryChange >= 1) {
    out.Line("* Treasury increased by " + Num(treasuryChange) + " gold pieces!");
    LogText("Treasury increased by " + Num(treasuryChange) + " gold");
  } else if (treasuryChange < 0) {
    out.Line("* Treasury DECREASED by " + Num(-treasuryChange) + " gold pieces!");
  }

  if (Soldiers > 0) {
    shortage(Soldiers, Max(Food, 0) / 2, " soldiers have starved to death!!");  // two sacks each
    const int64_t armyMeal = 2 * int64_t{Soldiers};
    out.Line("* " + Num(armyMeal) + " sacks of food were consumed by " + owner + " army.");
    Food = ClampInt32(Food - armyMeal);
    LogText(Num(armyMeal) + " sacks of food consumed by army");
  }

  if (Civilians > 0) {
    shortage(Civilians, Max(Food, 0), " citizens have starved to death!!");
    out.Line("* " + Num(Civilians) + " sacks of food were consumed by " + owner + " citizens.");
    Food -= Civilians;
    LogText(Num(Civilians) + " sacks of food consumed by citizens");
  }

  out.Line();
}

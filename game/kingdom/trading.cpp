// The trading post: the caller's purchase dialogue, and the delivery of
// goods already paid for (used by King Computer directly).
#include <cmath>
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"
#include "game/kingdom/turnlog.h"

namespace {

const int64_t kSacksPerGold = 5;

std::string Num(int64_t n) { return std::to_string(n); }

// Whole units the gold buys, never below 0 nor above what a counter holds.
int32_t AffordableUnits(int32_t gold, double cost) {
  const double units = std::trunc(static_cast<double>(gold) / cost);
  if (!(units > 0)) return 0;  // also a NaN quotient
  return units >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(units);
}

// The shortest general form of a gold total: "1200", "0.6".
std::string GoldTotalText(double total) { return Format("%.15g", total); }

void WriteFoodAdvice(const TPlayer& buyer, int32_t affordable) {
  const int64_t consumption = int64_t{buyer.Civilians} + 2 * int64_t{buyer.Soldiers};
  const auto months = static_cast<int64_t>(buyer.GetMFood());
  DoorTextAttr(4);
  DoorWriteLn("You have " + Num(buyer.Food) + " sacks of food.");
  DoorWriteLn("This is enough to feed your population for " + Num(months) + " months.");
  DoorWriteLn("You have " + Num(buyer.Gold) + " gold and can afford " + Num(affordable) +
              " sacks of food.");
  if (consumption > 0) {
    DoorWriteLn("This will increase your reserves of food by " + Num(affordable / consumption) +
                " months.");
  }
  DoorWriteLn("You need " + Num(consumption) + " sacks of food per month to feed your population.");
  DoorTextAttr(12);
  DoorWriteLn();
  DoorWrite("Buy how many sacks? (M = MAX) -=> ");
  DoorTextAttr(4);
}

// Empty: nothing; M: all the gold buys; digits: that many, or nothing when
// the number does not fit.
int32_t ParseAmount(const std::string& answer, int32_t affordable) {
  if (answer.empty()) return 0;
  if (answer[0] == 'M' || answer[0] == 'm') return affordable;
  return StrToIntDef(answer, 0);
}

// Food is sold by the five sacks: a part-lot is rounded up to a full one.
int64_t WholeFoodLots(int64_t sacks) {
  const int64_t partLot = sacks % kSacksPerGold;
  if (partLot > 0) return sacks + kSacksPerGold - partLot;
  return sacks - partLot;
}

void Deliver(int32_t& counter, int64_t amount) { counter = ClampInt32(counter + amount); }
void Pay(int32_t& gold, int64_t price) { gold = ClampInt32(gold - price); }

}  // namespace

bool TPlayer::Purchase(const std::string& AName, const std::string& APropName, double ACost) {
  const int32_t affordable = AffordableUnits(Gold, ACost);
  ShowAbortHint(14);
  DoorWriteLn();

  int32_t amount;
  do {
    if (APropName == "food") {
      WriteFoodAdvice(*this, affordable);
    } else {
      DoorTextAttr(13);
      DoorWrite("You can afford " + Num(affordable) + " " + AName + ".");
      DoorTextAttr(11);
      DoorWrite(" Buy how many? (M = MAX) -=> ");
    }
    amount = ParseAmount(DoorInput("", "0123456789Mm", '\0', 10, 10, 11), affordable);
  } while (amount > 0 && amount > affordable);

  if (amount <= 0) return false;
  DoorTextAttr(3);
  DoorWriteLn();
  DoorWriteLn("Loading your wagons sire. Thank you for your gold!");
  // The amount asked for, before any rounding up by the delivery.
  LogText("PURCHASE:" + APropName + ":" + Num(amount) + ":" + GoldTotalText(ACost * amount));
  LoadWagons(APropName, amount);
  DoorWriteLn();
  DoorTextAttr(9);
  DoorWriteLn("* A real pleasure serving you sire! *");
  return true;
}

void TPlayer::LoadWagons(const std::string& APropName, int32_t ACount) {
  int64_t count = ACount;
  double unitsPerWagon;
  if (APropName == "gronels") {
    Pay(Gold, 100 * count);
    Deliver(Gronels, count);
    unitsPerWagon = 0.01;
  } else if (APropName == "guards") {
    Pay(Gold, 1000 * count);
    Deliver(Guards, count);
    unitsPerWagon = 0.1;
  } else if (APropName == "assassins") {
    Pay(Gold, 7500 * count);
    Deliver(Assassins, count);
    unitsPerWagon = 1.0;
  } else if (APropName == "slingards") {
    Pay(Gold, 25000 * count);
    Deliver(Slingards, count);
    unitsPerWagon = 3.0;
  } else if (APropName == "food") {
    count = WholeFoodLots(count);
    Pay(Gold, count / kSacksPerGold);
    Deliver(Food, count);
    unitsPerWagon = 0.00005;
  } else if (APropName == "kastle") {
    Pay(Gold, 10 * count);
    Deliver(Kastle, count);
    unitsPerWagon = 0.001;
  } else {
    return;
  }
  // Half a wagon goes to the even neighbour (the default rounding mode).
  const auto loads =
      static_cast<int64_t>(std::nearbyint(static_cast<double>(count) * unitsPerWagon));
  for (int64_t load = 0; load < loads; ++load) PlayMusic(kWagonSound);
}

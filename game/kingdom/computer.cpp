// King Computer's face of a turn. A few situations call for an immediate
// blow; otherwise fourteen considerations are weighed, sorted from most to
// least pressing, and the first one whose own conditions allow an action is
// carried out. Nothing carries over from one turn to the next.
//
// The counters of a kingdom may hold any int32 values, so every sum,
// product and amount below is worked out in 64 bits, and the comparisons
// with factors such as 0.66 are made in floating point on the counters, as
// the weights themselves are.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "game/common/music.h"
#include "game/common/thinking.h"
#include "game/kingdom/player.h"
#include "game/common/textutil.h"
#include "game/kingdom/turnlog.h"

namespace {

struct TWeightRec {
  std::string Name;
  double Weight = 0.0;
};

// Positions in the table before it is sorted.
enum TConsideration {
  cLossSoldiers,
  cLossKastle,
  cLossGuards,
  cLossFood,
  cWinSoldiers,
  cWinKastle,
  cWinAssassins,
  cNeedAssassins,
  cNeedWeapons,
  cNeedFood,
  cNeedSoldiers,
  cNeedGuards,
  cNeedKastle,
  cNeedRelease,
  cConsiderations
};

using TWeightTable = std::array<TWeightRec, cConsiderations>;

TWeightTable FreshTable() {
  return {{{"loss_soldiers"},
           {"loss_kastle"},
           {"loss_guards"},
           {"loss_food"},
           {"win_soldiers"},
           {"win_kastle"},
           {"win_assassins"},
           {"need_assassins"},
           {"need_weapons"},
           {"need_food"},
           {"need_soldiers"},
           {"need_guards"},
           {"need_kastle"},
           {"need_release"}}};
}

std::string Str(int64_t n) { return std::to_string(n); }

double D(int64_t n) { return static_cast<double>(n); }

// Trunc of a product of a counter and a factor; the result fits easily in
// 64 bits for any int32 counter.
int64_t Trunc(double x) { return static_cast<int64_t>(std::trunc(x)); }

// Highest weight first. The exchange order decides between equal weights.
void SortByWeight(TWeightTable& table) {
  for (size_t i = 0; i + 1 < table.size(); ++i) {
    for (size_t j = i + 1; j < table.size(); ++j) {
      if (table[j].Weight > table[i].Weight) std::swap(table[i], table[j]);
    }
  }
}

// One computer turn: the two kingdoms and the result of the action taken.
class TStrategy {
 public:
  TStrategy(TPlayer& own, TPlayer& opp) : own_(own), opp_(opp) {}

  TPlayer* Play() {
    ShowThinkingBanner();
    TWeightTable table = FreshTable();
    if (ScoreAndStrike(table)) return struck_;
    SortByWeight(table);
    for (const TWeightRec& entry : table) {
      if (TryEntry(entry)) return struck_;
    }
    return Fallback();
  }

 private:
  TPlayer& own_;
  TPlayer& opp_;
  TPlayer* struck_ = nullptr;  // the result of the action taken

  // Carries out an action; its result is the turn's result.
  bool Act(TPlayer* result) {
    struck_ = result;
    return true;
  }

  std::string WagonLine() const {
    return "The draft animals strain to haul the heavy wagons to " + own_.GetReferPosessive() +
           " kastle!";
  }

  // Fires at the enemy's men when artillery is at hand.
  bool FireAtMenIfArmed() {
    if (own_.Gronels > 50) return Act(own_.GronelAttack(&opp_, true));
    if (own_.Slingards > 1) return Act(own_.SlingardAttack(&opp_, true));
    return false;
  }

  // Fills the weights; true when a situation called for an immediate blow.
  bool ScoreAndStrike(TWeightTable& w) {
    if (ScoreAssassins(w) || ScoreArmies(w)) return true;
    ScoreHome(w);
    if (ScoreEnemyKastle(w)) return true;
    ScoreArtilleryAndSiege(w);
    ScoreRelease(w);
    return false;
  }

  // The enemy ruler's guard, and the danger to his own kastle.
  bool ScoreAssassins(TWeightTable& w) {
    const bool hasAssassins = own_.Assassins > 0;
    const int32_t guards = opp_.Guards;
    if (guards <= 0) {
      if (hasAssassins) {
        LogLine("Sent assassin (opponent had no guards)");
        return Act(own_.Assassinate(&opp_));
      }
      w[cNeedAssassins].Weight = 0.8;
    }
    if (guards < 15) {
      if (hasAssassins) {
        w[cWinAssassins].Weight += guards <= 5 ? 0.9 : guards <= 10 ? 0.7 : 0.4;
      } else if (guards <= 8) {
        w[cNeedAssassins].Weight += 0.6;
      }
    }
    if (own_.Kastle < 7000) {
      const double shortfall = 1 - D(own_.Kastle) / 7000;
      if (!hasAssassins) {
        w[cNeedAssassins].Weight += shortfall * 0.6;
      } else if (guards <= 15) {
        w[cWinAssassins].Weight += shortfall * 0.8;
      }
    }
    return false;
  }

  // The two armies. An enemy without one is attacked at once if possible.
  bool ScoreArmies(TWeightTable& w) {
    const int64_t own = own_.Soldiers, opp = opp_.Soldiers;
    if (opp <= 0) {
      if (own > 0) {
        LogLine("Attacked with soldiers (opponent had no army)");
        return Act(own_.SoldierAttack(&opp_));
      }
      w[cNeedSoldiers].Weight = 1.0;
      if (FireAtMenIfArmed()) return true;
      w[cNeedWeapons].Weight = 1.0;
    } else {
      // The first term is negative whenever its condition holds.
      if (D(opp) < 0.66 * D(own)) w[cWinSoldiers].Weight += 1 - D(own) / D(opp);
      if (D(opp) < 0.33 * D(own)) w[cWinSoldiers].Weight = 1.0;
    }
    if (own <= 0) {
      w[cLossSoldiers].Weight = 1.0;
      return false;
    }
    double& need = w[cNeedSoldiers].Weight;
    if (D(own) < 0.66 * D(opp)) need += 1 - D(opp) / D(own);  // negative, too
    if (own < 3000) {
      need += 1 - D(own) / 3000;
      if (need > 1.0) need = 1.0;
    }
    if (D(own) < 0.5 * D(opp)) w[cLossSoldiers].Weight = 1.0;
    return false;
  }

  // His own kastle, food and guards.
  void ScoreHome(TWeightTable& w) {
    if (own_.Kastle == 0) {
      w[cLossKastle].Weight = 1.0;
    } else if (own_.Kastle < 6000) {
      w[cNeedKastle].Weight += 1 - D(own_.Kastle) / 6000;
    }
    const double months = own_.GetMFood();
    if (months < 0.5) {
      w[cLossFood].Weight = 2.0;
    } else if (months < 1.5) {
      w[cLossFood].Weight = 1.5;
    } else if (months < 2.0) {
      w[cNeedFood].Weight += 0.25;
    }
    if (own_.Guards <= 0) {
      w[cLossGuards].Weight = 1.0;
    } else if (own_.Guards < 20) {
      w[cNeedGuards].Weight += 1 - own_.Guards * 0.05;
    }
  }

  // A fallen enemy kastle is followed by fire at the men.
  bool ScoreEnemyKastle(TWeightTable& w) {
    if (opp_.Kastle == 0) {
      if (FireAtMenIfArmed()) return true;
      w[cNeedWeapons].Weight = 1.0;
    } else if (opp_.Kastle < 10000) {
      w[cWinKastle].Weight += 1 - opp_.Kastle * 0.0001;
    }
    return false;
  }

  void ScoreArtilleryAndSiege(TWeightTable& w) {
    if (w[cNeedWeapons].Weight == 0.0) w[cNeedWeapons].Weight = 0.2;
    if (own_.Slingards < 3) w[cNeedWeapons].Weight += 0.4;
    if (w[cWinKastle].Weight == 0.0) w[cWinKastle].Weight = 0.05;
    if (own_.Slingards > 0) w[cWinKastle].Weight += 0.3;
    if (opp_.Guards <= 10 && own_.Assassins > 0) w[cWinAssassins].Weight += 0.3;
    // A starving enemy with a small army is besieged: this replaces the
    // army's weight so far.
    const double oppMonths = opp_.GetMFood();
    if (oppMonths < 0.9 && own_.GetMFood() > 2.0 &&
        3 * static_cast<int64_t>(opp_.Soldiers) < OwnPeople()) {
      w[cNeedSoldiers].Weight = 1 - oppMonths / 3;
    }
  }

  // More soldiers than the kingdom can pay, or far more than needed.
  void ScoreRelease(TWeightTable& w) {
    const int64_t soldiers = own_.Soldiers;
    if (static_cast<int64_t>(own_.Civilians) + own_.Gold - soldiers <= 0) {
      w[cNeedRelease].Weight = 1.0;
    } else if (D(soldiers) > 1.66 * D(opp_.Soldiers)) {
      w[cNeedRelease].Weight = own_.Civilians <= own_.Soldiers ? 0.75 : 0.1;
    }
  }

  int64_t OwnPeople() const { return static_cast<int64_t>(own_.Civilians) + own_.Soldiers; }

  bool TryEntry(const TWeightRec& entry) {
    const std::string& n = entry.Name;
    if (n == "loss_soldiers" || n == "need_soldiers") return Draft();
    if (n == "loss_kastle" || n == "need_kastle") return ReinforceKastle();
    if (n == "loss_guards" || n == "need_guards") return HireGuards();
    if (n == "loss_food" || n == "need_food") return entry.Weight != 0.0 && BuyFood();
    if (n == "win_soldiers") return ArmyOrArtilleryAttack();
    if (n == "win_kastle") return ArtilleryAtKastle();
    if (n == "win_assassins") return SendAssassin();
    if (n == "need_assassins") return HireAssassins();
    if (n == "need_weapons") return BuyWeapons();
    if (n == "need_release") return ReleaseSoldiers();
    return false;
  }

  bool Draft() {
    const int64_t civilians = own_.Civilians, soldiers = own_.Soldiers;
    if (civilians <= 1000) return false;
    int64_t amount = Trunc(D(opp_.Soldiers) * 1.25);
    if (opp_.GetMFood() < 0.9 && 3 * static_cast<int64_t>(opp_.Soldiers) < OwnPeople()) {
      // Besieging: everyone the treasury can pay goes to the walls.
      amount = civilians;
      if (own_.Gold < civilians + soldiers) amount = std::max<int64_t>(0, own_.Gold - soldiers);
    } else {
      if (civilians / 2 < amount) amount = civilians / 2;
      if (amount < Trunc(D(opp_.Soldiers) * 0.5)) amount = Trunc(D(opp_.Soldiers) * 0.5);
      amount -= soldiers;
      if (amount > Trunc(D(civilians) * 0.8)) amount = Trunc(D(civilians) * 0.75);
      if (amount < 1000) return false;
    }
    LogLine("Drafted " + Str(amount) + " civilians into army");
    DoorWriteLn("Drafting " + Str(amount) + " civilians into the army.");
    DoorWriteLn();
    own_.Civilians = ClampInt32(civilians - amount);
    own_.Soldiers = ClampInt32(soldiers + amount);
    for (int i = 0; i < 4; ++i) PlayMusic(kDraftTune);
    return Act(nullptr);
  }

  bool ReinforceKastle() {
    const int64_t kastle = own_.Kastle;
    if (kastle >= 6000) return false;
    int64_t amount = own_.Gold / 10;
    if (D(amount + kastle) > 1.5 * D(opp_.Kastle)) amount = Trunc(1.5 * D(opp_.Kastle) - D(kastle));
    if (amount < 2000) return false;
    LogLine("Reinforced kastle by " + Str(amount) + " points");
    LogText("PURCHASE:kastle:" + Str(amount) + ":" + Str(amount * 10));
    DoorWriteLn("Kastle reinforced by " + Str(amount) + " points!");
    own_.LoadWagons("kastle", ClampInt32(amount));
    return Act(nullptr);
  }

  // The common close of a purchase: the log, the buying line, the wagons.
  bool Buy(const std::string& logLine, const std::string& propName, int64_t amount, int64_t gold,
           const std::string& buyingLine) {
    LogLine(logLine);
    LogText("PURCHASE:" + propName + ":" + Str(amount) + ":" + Str(gold));
    DoorWriteLn(buyingLine);
    DoorWriteLn();
    DoorWriteLn(WagonLine());
    own_.LoadWagons(propName, ClampInt32(amount));
    return Act(nullptr);
  }

  bool HireGuards() {
    int64_t amount = 20 - static_cast<int64_t>(own_.Guards);
    if (amount * 1000 > own_.Gold) amount = own_.Gold / 1000;
    if (amount < 5) return false;
    return Buy("Hired " + Str(amount) + " guards", "guards", amount, amount * 1000,
               "Hiring " + Str(amount) + " guards for " + Str(amount * 1000) + " gold!");
  }

  bool BuyFood() {
    // Ten months of consumption, less what is in store.
    int64_t amount = (OwnPeople() + own_.Soldiers) * 10 - own_.Food;
    if (5 * static_cast<int64_t>(own_.Gold) < amount) amount = 5 * static_cast<int64_t>(own_.Gold);
    if (amount < 100) return false;
    // Whole wagons of five sacks, within what one delivery can count.
    amount = std::min<int64_t>(amount, INT32_MAX / 5 * 5);
    return Buy("Bought " + Str(amount) + " sacks of food", "food", amount, amount / 5,
               "Buying " + Str(amount) + " sacks of food for " + Str(amount / 5) + " gold!");
  }

  bool ArmyOrArtilleryAttack() {
    if (D(own_.Soldiers) > 1.7 * D(opp_.Soldiers)) {
      LogLine("Attacked with superior army force");
      return Act(own_.SoldierAttack(&opp_));
    }
    if (own_.Slingards > 0) return Act(own_.SlingardAttack(&opp_, true));
    if (own_.Gronels > 100) return Act(own_.GronelAttack(&opp_, true));
    return false;
  }

  bool ArtilleryAtKastle() {
    if (own_.Slingards > 0) return Act(own_.SlingardAttack(&opp_, false));
    if (own_.Gronels > 100) return Act(own_.GronelAttack(&opp_, false));
    return false;
  }

  bool SendAssassin() {
    if (own_.Assassins <= 0) return false;
    if (opp_.Guards >= 15 && own_.Kastle >= 7000) return false;
    if (own_.Kastle < 2000 && opp_.Guards > 20) return false;
    return Act(own_.Assassinate(&opp_));
  }

  bool HireAssassins() {
    int64_t amount = 4 - static_cast<int64_t>(own_.Assassins);
    if (amount * 7500 > own_.Gold) amount = own_.Gold / 7500;
    if (amount < 1) return false;
    return Buy("Hired " + Str(amount) + " assassins", "assassins", amount, amount * 7500,
               "Hiring " + Str(amount) + " assassins for " + Str(amount * 7500) + " gold!");
  }

  bool BuySlingards(const std::string& logLine, int64_t amount) {
    return Buy(logLine, "slingards", amount, amount * 25000,
               "Buying " + Str(amount) + " slingards for " + Str(amount * 25000) + " gold!");
  }

  bool BuyWeapons() {
    const int64_t gold = own_.Gold;
    if (own_.Slingards < 3 && gold >= 25000) {
      int64_t amount = std::min<int64_t>(gold / 25000, 3);
      return BuySlingards("Bought " + Str(amount) + " slingards", amount);
    }
    if (own_.Slingards >= 3 && gold >= 40000) {
      int64_t amount = std::min<int64_t>((gold - 15000) / 25000, 2);
      if (amount >= 1) return BuySlingards("Bought " + Str(amount) + " more slingards", amount);
    }
    if (own_.Gronels < 100 && own_.Slingards >= 1 && gold >= 5000) {
      int64_t amount = gold / 100;
      if (own_.GetMFood() < 2.0) amount /= 2;
      if (amount < 50) return false;
      return Buy("Bought " + Str(amount) + " gronels", "gronels", amount, amount * 100,
                 "Buying " + Str(amount) + " gronels for " + Str(amount * 100) + " gold!");
    }
    return false;
  }

  bool ReleaseSoldiers() {
    const int64_t civilians = own_.Civilians, soldiers = own_.Soldiers;
    const int64_t upkeep = civilians + own_.Gold;
    int64_t amount = 0;
    if (upkeep - soldiers <= 0) {
      amount = soldiers - upkeep;
    } else if (D(soldiers) > 1.66 * D(opp_.Soldiers)) {
      amount = Trunc(D(soldiers) - 1.66 * D(opp_.Soldiers));
    }
    if (civilians / 10 > amount) return false;
    if (soldiers < amount) amount = soldiers / 2;
    if (amount < 1) return false;
    LogLine("Released " + Str(amount) + " soldiers from service");
    DoorWriteLn("Retiring " + Str(amount) + " soldiers from service.");
    own_.Soldiers = ClampInt32(soldiers - amount);
    own_.Civilians = ClampInt32(civilians + amount);
    PlayMusic(kFanfare);
    return Act(nullptr);
  }

  TPlayer* Fallback() {
    if (own_.Slingards > 0) {
      bool men = opp_.Kastle <= 2000 && opp_.Soldiers > 1000;
      return own_.SlingardAttack(&opp_, men);
    }
    if (own_.Gronels > 50) return own_.GronelAttack(&opp_, opp_.Kastle <= 2000);
    DoorTextAttr(10);
    DoorWriteLn();
    DoorTextAttr(10);
    DoorWriteLn("* King Computer calls an urgent counsel with his closest advisors! *");
    DoorTextAttr(10);
    LogLine("Called urgent counsel (no action taken)");
    return nullptr;
  }
};

}  // namespace

TPlayer* TPlayer::ComputerMove(TPlayer* AOther) { return TStrategy(*this, *AOther).Play(); }

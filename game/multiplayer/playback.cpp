// The replay of the opponent's turn. Each log line is told by its kind
// (see turnlog.h); the first rule that fits a line decides what it shows.
#include "game/multiplayer/playback.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "doorkit/door.h"
#include "doorkit/platform.h"
#include "game/common/music.h"
#include "game/common/textutil.h"
#include "game/common/thinking.h"
#include "game/multiplayer/gamestate.h"

namespace {

const int kBoomsPerLine = 7;

bool StartsWith(const std::string& s, std::string_view prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool Contains(const std::string& s, std::string_view what) {
  return s.find(what) != std::string::npos;
}

// Logged texts are shown as they are, less any control characters: the
// game never logs one, and a game file must not drive the terminal.
std::string Printable(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 32 && b != 127) out += c;
  }
  return out;
}

// The word after a fixed-length lead-in ("Killed 12 soldiers" from the 8th
// character): up to the next blank, or to the end.
std::string NumberWord(const std::string& text, size_t start) {
  if (start >= text.size()) return {};
  const size_t blank = text.find(' ', start);
  return text.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
}

double RoundHalfEven(double x) {
  const double below = std::floor(x);
  const double rest = x - below;
  if (rest < 0.5) return below;
  if (rest > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1;
}

struct TItem {
  const char* Name;
  double Price;     // gold per unit
  double Rate;      // wagons per unit
  bool AtLeastOne;  // a small load still makes one wagon
};

const TItem kItems[] = {
    {"gronels", 100, 0.01, true},     {"guards", 1000, 0.1, true},  {"assassins", 7500, 1.0, false},
    {"slingards", 25000, 3.0, false}, {"food", 0.2, 0.00005, true}, {"kastle", 10, 0.001, true},
};

const TItem* FindItem(const std::string& name) {
  for (const TItem& item : kItems) {
    if (name == item.Name) return &item;
  }
  return nullptr;
}

class TPlayback {
 public:
  void Line(const std::string& line) {
    if (Contains(line, "Monthly Update")) {
      MonthlyMarker();
    } else if (StartsWith(line, "[MUSIC:")) {
      MusicLine(Printable(LogLineContent(line, 7)));
    } else if (StartsWith(line, "[ACTION:")) {
      Action(LogLineContent(line, 8));
    } else if (StartsWith(line, "[TEXT:")) {
      Text(Printable(LogLineContent(line, 6)));
    } else if (StartsWith(line, "[CLASH:")) {
      Clash(Printable(LogLineContent(line, 7)));
    } else if (!line.empty() && line[0] != '[') {
      DoorTextAttr(10);
      DoorWriteLn((inMonthlyUpdate_ ? "* " : "") + Printable(line));
    }
    // Empty lines, details, results and unknown kinds show nothing.
  }

 private:
  bool inMonthlyUpdate_ = false;
  int32_t boomsLeft_ = PLAYBACK_MAX_BOOMS;
  int64_t wagonsLeft_ = PLAYBACK_MAX_WAGONS;

  // The production report follows; from here on texts are bullets.
  void MonthlyMarker() {
    inMonthlyUpdate_ = true;
    DoorTextAttr(15);
    DoorWriteLn();
    DoorWriteCentered("* Monthly Update *");
    DoorWriteLn();
    DoorTextAttr(11);
  }

  void MusicLine(const std::string& code) {
    int32_t count;
    if (code == "GRONEL_BOOMS") {
      count = 3 + static_cast<int32_t>(Random(5));
    } else if (StartsWith(code, "GRONEL_BOOMS:")) {
      count = StrToIntDef(code.substr(13), 5);
    } else if (code == "SLINGARD_BOOMS") {
      count = 5 + static_cast<int32_t>(Random(6));
    } else if (StartsWith(code, "SLINGARD_BOOMS:")) {
      count = StrToIntDef(code.substr(15), 7);
    } else {
      PlayMusic(code);
      return;
    }
    Explosions(count);
  }

  void Explosions(int32_t count) {
    count = std::min(count, boomsLeft_);
    if (count > 0) boomsLeft_ -= count;
    for (int32_t j = 1; j <= count; ++j) {
      DoorWrite(Random(2) == 0 ? "**BANG!** " : "**BOOM!** ");
      PlayBeat(kBeat, 0);
      if (j % kBoomsPerLine == 0) DoorWriteLn();
    }
    if (count % kBoomsPerLine != 0) DoorWriteLn();
    DoorWriteLn();
  }

  void Action(const std::string& name) {
    const bool gronels = name == "gronel_attack_men" || name == "gronel_attack_kastle";
    const bool slingards = name == "slingard_attack_men" || name == "slingard_attack_kastle";
    DoorTextAttr(14);
    if (name == "soldier_attack") {
      DoorWriteLn("Attacking with soldiers!");
    } else if (name == "gronel_attack_men") {
      DoorWriteLn("Firing gronels at your men!");
    } else if (name == "gronel_attack_kastle") {
      DoorWriteLn("Firing gronels at your kastle!");
    } else if (name == "slingard_attack_men") {
      DoorWriteLn("Firing slingard at your men!");
    } else if (name == "slingard_attack_kastle") {
      DoorWriteLn("Firing slingard at your kastle!");
    } else if (name == "assassin") {
      DoorWriteLn();
      DoorTextAttr(10);
      DoorWriteLn("Attempting infiltration!");
      PlayMusic(kInfiltrationTune);
      DoorWriteLn();
    }
    if (gronels) PlayMusic(kGronelVolley);
    if (slingards) PlayMusic(kSlingardVolley);
    DoorWriteLn();
  }

  void Text(const std::string& text) {
    if (inMonthlyUpdate_) {
      DoorTextAttr(10);
      DoorWriteLn("* " + text);
    } else if (StartsWith(text, "PURCHASE:")) {
      Purchase(text.substr(9));
    } else if (StartsWith(text, "GUARDS:")) {
      DoorTextAttr(12);
      DoorWriteLn("He has to pass " + text.substr(7) + " guards.");
      DoorWriteLn();
    } else if (StartsWith(text, "ASSASSIN_KILL:")) {
      DoorTextAttr(140);
      DoorWriteLn("KILLED " + text.substr(14));
      for (int beat = 0; beat < 5; ++beat) PlayBeat(kBeat, 100);
    } else if (StartsWith(text, "ASSASSIN_PASS:")) {
      DoorTextAttr(4);
      DoorWriteLn("Passed " + text.substr(14) + "!");
      PlayBeat(kBeat, 50);
    } else if (StartsWith(text, "Killed")) {
      Killed(text, NumberWord(text, 7));
    } else if (StartsWith(text, "Destroyed")) {
      Destroyed(text, NumberWord(text, 10));
    } else if (StartsWith(text, "No damage")) {
      DoorTextAttr(139);
      DoorWriteLn("No damage!");
      PlayMusic(kNoDamageTune);
    } else if (StartsWith(text, "The assassin was successful!")) {
      DoorTextAttr(12);
      DoorWriteLn();
      DoorWriteLn("You wake up, for a second, and see his assassin standing");
      DoorWriteLn("over you with a grim smile. His hand thrusts his knife into your heart.");
      DoorWriteLn("You sink into the long and everlasting sleep.");
      PlayMusic(kDirge);
      DoorWriteLn();
    } else if (StartsWith(text, "The assassin was blocked by guards!")) {
      DoorTextAttr(140);
      DoorWriteLn("His assassin was killed!");
      PlayMusic(kNoDamageTune);
      DoorWriteLn();
    } else if (Contains(text, "Attempting infiltration!")) {
      // The action line has shown it.
    } else {
      DoorTextAttr(10);
      DoorWriteLn(text);
    }
  }

  // "item:amount:gold"; without both colons the line shows nothing.
  void Purchase(const std::string& rest) {
    const size_t first = rest.find(':');
    if (first == std::string::npos) return;
    const size_t second = rest.find(':', first + 1);
    if (second == std::string::npos) return;
    const std::string item = rest.substr(0, first);
    const std::string amount = rest.substr(first + 1, second - first - 1);
    const std::string gold = rest.substr(second + 1);

    DoorTextAttr(14);
    if (item == "gronels") {
      DoorWriteLn("Buying " + amount + " gronels for " + gold + " gold!");
    } else if (item == "guards") {
      DoorWriteLn("Hiring " + amount + " guards for " + gold + " gold!");
    } else if (item == "assassins") {
      DoorWriteLn("Hiring " + amount + " assassins for " + gold + " gold!");
    } else if (item == "slingards") {
      DoorWriteLn("Buying " + amount + " slingards for " + gold + " gold!");
    } else if (item == "food") {
      DoorWriteLn("Buying " + amount + " sacks of food for " + gold + " gold!");
    } else if (item == "kastle") {
      DoorWriteLn("Kastle reinforced by " + amount + " points for " + gold + " gold!");
    }
    DoorWriteLn();
    DoorTextAttr(10);
    DoorWriteLn("The draft animals strain to haul the heavy wagons to his kastle!");
    const int64_t wagons = std::min(PurchaseWagons(item, StrToIntDef(amount, 1)), wagonsLeft_);
    wagonsLeft_ -= wagons;
    for (int64_t w = 0; w < wagons; ++w) PlayMusic(kWagonSound);
    DoorWriteLn();
  }

  void Killed(const std::string& text, const std::string& n) {
    if (Contains(text, "soldiers")) {
      DoorTextAttr(12);
      DoorWriteLn("He killed " + n + " men!");
    } else if (Contains(text, "guards")) {
      DoorTextAttr(14);
      DoorWriteLn("He killed " + n + " guards!");
    } else if (Contains(text, "assassins")) {
      DoorTextAttr(11);
      DoorWriteLn("He killed " + n + " assassins!");
    } else if (Contains(text, "civilians")) {
      DoorTextAttr(15);
      DoorWriteLn("He killed " + n + " civilians!");
    }
  }

  void Destroyed(const std::string& text, const std::string& n) {
    if (Contains(text, "kastle points")) {
      DoorTextAttr(10);
      DoorWriteLn("He destroyed " + n + " kastle points!");
    } else if (Contains(text, "gronels")) {
      DoorTextAttr(14);
      DoorWriteLn("He destroyed " + n + " gronels!");
    } else if (Contains(text, "slingards")) {
      DoorTextAttr(11);
      DoorWriteLn("He destroyed " + n + " slingards!");
    }
  }

  // A shout of the soldiers' battle, kept on the line with the next.
  void Clash(const std::string& shout) {
    DoorTextAttr(10);
    DoorWrite(" * " + shout + " * ");
    PlayBeat(kBeat, 0);
    Delay(100);
  }
};

}  // namespace

int32_t MaxPurchaseAmount(const std::string& AItem) {
  const TItem* item = FindItem(AItem);
  if (!item) return 0;
  const double units = std::floor(static_cast<double>(INT32_MAX) / item->Price);
  return units >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(units);
}

int64_t PurchaseWagons(const std::string& AItem, int32_t AAmount) {
  const TItem* item = FindItem(AItem);
  if (!item) return 0;
  const int32_t amount = std::min(AAmount, MaxPurchaseAmount(AItem));
  auto wagons = static_cast<int64_t>(RoundHalfEven(static_cast<double>(amount) * item->Rate));
  if (item->AtLeastOne) wagons = std::max<int64_t>(wagons, 1);
  return std::max<int64_t>(wagons, 0);
}

std::string LogLineContent(const std::string& ALine, size_t APrefixLength) {
  if (ALine.size() <= APrefixLength) return {};
  std::string content = ALine.substr(APrefixLength, ALine.size() - APrefixLength - 1);
  if (!content.empty() && content.back() == ']') content.pop_back();
  return content;
}

void PlaybackOpponentTurn(TPvPGameState& AGameState, const std::string& /*AOpponentAlias*/) {
  if (AGameState.LastTurnActions.empty()) return;

  DoorClrScr();
  DoorWriteLn();
  ShowThinkingBanner();

  TPlayback playback;
  for (const std::string& line : AGameState.LastTurnActions) playback.Line(line);

  DoorWriteLn();
  DoorTextAttr(10);
  DoorWrite("*[ Press any Key ]*");
  DoorReadKey();
  DoorWriteLn();
  AGameState.LastTurnActions.clear();
}

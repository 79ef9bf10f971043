// Shared ground for the war engine's tests: a fake platform, the two
// program-wide kingdoms set to chosen counters, and builders for the exact
// bytes the door layer sends.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "doorkit/door.h"
#include "game/common/globals.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/kingdom/turnlog.h"
#include "support/fake_platform.h"

struct Counters {
  int32_t Score = 0, Kastle = 0, Soldiers = 0, Civilians = 0, Gronels = 0, Slingards = 0,
          Assassins = 0, Guards = 0, Gold = 0, Food = 0;
};

inline void SetCounters(TPlayer& p, const Counters& c) {
  p.Score = c.Score;
  p.Kastle = c.Kastle;
  p.Soldiers = c.Soldiers;
  p.Civilians = c.Civilians;
  p.Gronels = c.Gronels;
  p.Slingards = c.Slingards;
  p.Assassins = c.Assassins;
  p.Guards = c.Guards;
  p.Gold = c.Gold;
  p.Food = c.Food;
}

inline Counters GetCounters(const TPlayer& p) {
  return {p.Score,     p.Kastle,    p.Soldiers, p.Civilians, p.Gronels,
          p.Slingards, p.Assassins, p.Guards,   p.Gold,      p.Food};
}

inline bool operator==(const Counters& a, const Counters& b) {
  return a.Score == b.Score && a.Kastle == b.Kastle && a.Soldiers == b.Soldiers &&
         a.Civilians == b.Civilians && a.Gronels == b.Gronels && a.Slingards == b.Slingards &&
         a.Assassins == b.Assassins && a.Guards == b.Guards && a.Gold == b.Gold && a.Food == b.Food;
}

inline std::ostream& operator<<(std::ostream& os, const Counters& c) {
  return os << "{score " << c.Score << ", kastle " << c.Kastle << ", soldiers " << c.Soldiers
            << ", civilians " << c.Civilians << ", gronels " << c.Gronels << ", slingards "
            << c.Slingards << ", assassins " << c.Assassins << ", guards " << c.Guards << ", gold "
            << c.Gold << ", food " << c.Food << "}";
}

// ---- expected bytes ----

inline const std::string CRLF = "\r\n";

// What DoorTextAttr(a) sends: a dark foreground resets with "0;" and
// re-sends the background, a bright one sets bold; the blink bit turns
// blinking on after the colours, and the first attribute without it after
// a blinking one (afterBlink) turns blinking off.
inline std::string A(int a, bool afterBlink = false) {
  static const int ansi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  const int fg = a & 15, bg = (a >> 4) & 7;
  const std::string back = "\x1b[4" + std::to_string(ansi[bg]) + "m";
  std::string sent = fg < 8 ? "\x1b[0;3" + std::to_string(ansi[fg]) + "m" + back + back
                            : "\x1b[1;3" + std::to_string(ansi[fg - 8]) + "m" + back;
  if (a & 0x80) {
    sent += "\x1b[5m";
  } else if (afterBlink) {
    sent += "\x1b[25m";
  }
  return sent;
}
inline constexpr bool kAfterBlink = true;

// A game tune ("MF...") as the terminal receives it.
inline std::string Tune(const std::string& tune) { return "\x1b[M" + tune.substr(1) + "\x0e"; }

inline const std::string kPressAnyKey = "*[ Press any Key ]*";

// The Thinking banner line with its two empty lines (the 2000 ms pause
// falls between the line and them).
inline std::string ThinkingBanner() {
  const std::string e = "\x1b[";
  return e + "0;36;40;1m" + std::string(22, ' ') + "* " + e + "0;31;40;5;1mT" + e +
         "0;32;40;5;1mh" + e + "0;33;40;5;1mi" + e + "0;34;40;5;1mn" + e + "0;35;40;5;1mk" + e +
         "0;36;40;5;1mi" + e + "0;37;40;5;1mn" + e + "0;33;40;5;1mg" + e + "0;36;40;1m *" + e +
         "0;36;40m\r\n\r\n\r\n";
}

// Counts the non-overlapping occurrences of what in text.
inline size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
    ++n;
  return n;
}

class EngineTest : public ::testing::Test {
 protected:
  FakePlatform fake;

  void SetUp() override {
    DoorSession.PipeWrite = false;  // as the game runs
    Music = true;
    CurrentTurnActions.reset();
    Player = TPlayer::Create("King", "Arthur", true);
    Computer = TPlayer::Create("King", "Computer", false);
    fake.drawsAsked.clear();
  }

  void TearDown() override {
    Player.reset();
    Computer.reset();
    CurrentTurnActions.reset();
    Music = true;
  }

  void StartLog() { CurrentTurnActions = std::make_unique<std::vector<std::string>>(); }
  std::vector<std::string> Log() const {
    return CurrentTurnActions ? *CurrentTurnActions : std::vector<std::string>{};
  }
};

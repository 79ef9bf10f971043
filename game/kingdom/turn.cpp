// One side's turn, and the caller's face of it: the command prompt with its
// informational commands, and the dialogues that end the turn.
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "game/common/globals.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/common/prompts.h"
#include "game/records/scores.h"
#include "game/common/textutil.h"
#include "game/kingdom/turnlog.h"

namespace {

const char* const kPrompt = "*  A,C,D,F,K,P,Q,R,S,T,Z,$ or ? for Help -=> ";

const char* const kHelpLines[] = {
    "A - Send Assassin",
    "C - Toggle Color ON/OFF",
    "D - Draft Civilians",
    "F - Fire Gronel",
    "K - Fire Slingard",
    "P - Pass Your Turn",
    "Q - Quit (You Lose)",
    "R - Release Troops from Service",
    "S - Soldiers vs. Soldiers",
    "T - Visit Trading Post",
    "Z - Toggle Sound ON/OFF",
    "$ - Show Scoreboard",
    "[ENTER] - Redraw Main Screen",
};

void ShowTimeAndPrompt() {
  int32_t remaining = DoorSecondsLeft();
  DoorTextAttr(11);
  DoorWrite("Time:");
  DoorTextAttr(10);
  DoorWrite(Format(" %d:%02d  ", remaining / 60, remaining % 60));
  DoorTextAttr(14);
  DoorWrite(kPrompt);
  DoorTextAttr(10);
}

void ShowHelpList() {
  DoorTextAttr(2);
  DoorWriteLn();
  for (const char* line : kHelpLines) DoorWriteLn(line);
  DoorWriteLn();
}

// The hint before a dialogue: a line end and one empty line after it.
void ShowDialogueHint() {
  ShowAbortHint(10);
  DoorWriteLn();
}

void ShowRefusal(const std::string& text) {
  DoorWriteLn();
  DoorTextAttr(138);
  DoorWriteLn(text);
  DoorWriteLn();
}

// An empty, non-numeric or too long answer counts as 0.
int32_t ReadCount() { return StrToIntDef(DoorInput("", "0123456789", '\0', 10, 10, 31), 0); }

std::string ForcesLine(const TPlayer& p) {
  return std::to_string(p.Civilians) + " civilians and " + std::to_string(p.Soldiers) + " soldiers";
}

// Moves n people from civilians to soldiers (negative n: the other way);
// a kingdom may hold any counts, so the sums are kept in range.
void Enlist(TPlayer& p, int64_t n) {
  p.Civilians = ClampInt32(static_cast<int64_t>(p.Civilians) - n);
  p.Soldiers = ClampInt32(static_cast<int64_t>(p.Soldiers) + n);
}

bool DraftDialogue(TPlayer& p) {
  ShowDialogueHint();
  DoorWriteLn("You have " + ForcesLine(p) + ".");
  DoorWrite("Draft how many civilians into the army? [0 - " + std::to_string(p.Civilians) +
            "] -=> ");
  int32_t n = ReadCount();
  DoorWriteLn();
  if (n <= 0 || n > p.Civilians) return false;
  Enlist(p, n);
  LogLine("Drafted " + std::to_string(n) + " civilians");
  DoorWriteLn("Done. You now have " + ForcesLine(p));
  for (int i = 0; i < 4; ++i) PlayMusic(kDraftTune);
  return true;
}

bool ReleaseDialogue(TPlayer& p) {
  ShowDialogueHint();
  DoorWriteLn("You have " + ForcesLine(p) + ".");
  DoorWrite("Send how many soldiers home? -=> ");
  int32_t n = ReadCount();
  DoorWriteLn();
  if (n <= 0 || n > p.Soldiers) return false;
  Enlist(p, -static_cast<int64_t>(n));
  LogLine("Released " + std::to_string(n) + " soldiers");
  DoorWriteLn("Done. You now have " + ForcesLine(p));
  PlayMusic(kFanfare);
  return true;
}

// Y answers the question; any other key is an empty line and a no.
bool Confirmed(const std::string& question) {
  DoorWriteLn();
  DoorTextAttr(2);
  DoorWrite(question);
  if (ReadEchoedKey() == 'Y') return true;
  DoorWriteLn();
  return false;
}

void ToggleSound() {
  DoorWriteLn();
  Music = !Music;
  if (Music) {
    DoorWriteLn("Sounds ON");
    PlayMusic(kFanfare);
  } else {
    DoorWriteLn("Sounds OFF");
  }
  DoorWriteLn();
}

void ScoreboardChoice() {
  DoorWriteLn();
  DoorTextAttr(10);
  DoorWrite("Show which [T] this months or [L] last months scoreboard? -=> ");
  DoorTextAttr(10);
  ShowScoreboard(ReadEchoedKey() != 'L');
  DoorWriteLn();
  PressAnyKeyPause();
  DoorWriteLn();
}

void ShowTradingMenu() {
  static const char* const kLines[] = {
      "[L] - Leave the Trading Post",
      "[B] - Buy Gronels @ 100 Gold Each",
      "[G] - Hire Guards @ 1000 Gold Each",
      "[A] - Hire Assasins @ 7500 Gold Each",
      "[K] - Buy Slingards @ 25000 Gold Each",
      "[F] - Buy Sacks of Food @ 5 Per Each Gold",
      "[R] - Raise Fortifications @ 10 Gold per Point",
  };
  DoorWriteLn();
  DoorTextAttr(6);
  for (const char* line : kLines) DoorWriteLn(line);
  DoorWriteLn();
}

struct TGoods {
  char Key;
  const char* Name;
  const char* PropName;
  double Cost;
};

const TGoods kGoods[] = {
    {'B', "gronels", "gronels", 100.0},
    {'G', "guards", "guards", 1000.0},
    {'A', "assassins", "assassins", 7500.0},
    {'K', "slingards", "slingards", 25000.0},
    {'F', "sacks", "food", 0.2},
    {'R', "fortification points", "kastle", 10.0},
};

// True when something was bought; L leaves without buying.
bool TradingPost(TPlayer& p) {
  DoorWriteLn();
  DoorWriteLn();
  DoorTextAttr(10);
  DoorWriteLn(" * Welcome to the Trading Post sire! *");
  for (;;) {
    ShowTradingMenu();
    DoorTextAttr(10);
    DoorWrite("Total Gold: " + std::to_string(p.Gold) + " -=> ");
    DoorTextAttr(10);
    char key = ReadEchoedKey();
    if (key == 'L') return false;
    for (const TGoods& goods : kGoods) {
      if (goods.Key == key && p.Purchase(goods.Name, goods.PropName, goods.Cost)) return true;
    }
  }
}

}  // namespace

TPlayer* TPlayer::Move(int32_t AMonth, TPlayer* AOther) {
  return IsPlayer ? HumanMove(AMonth, AOther) : ComputerMove(AOther);
}

TPlayer* TPlayer::HumanMove(int32_t AMonth, TPlayer* AOther) {
  for (;;) {
    ShowTimeAndPrompt();
    char key = ReadEchoedKey();
    switch (key) {
      case '?': ShowHelpList(); break;
      case '\r':
        DrawScreen(AMonth);
        DoorWriteLn();
        break;
      case 'C':
        DoorWriteLn();
        DoorWriteLn("Color toggling not supported in this version.");
        DoorWriteLn();
        break;
      case 'A':
        if (Assassins <= 0) {
          ShowRefusal("You don't have any assassins!");
          break;
        }
        LogLine("Sent assassin");
        return Assassinate(AOther);
      case 'D':
        if (DraftDialogue(*this)) return nullptr;
        break;
      case 'R':
        if (ReleaseDialogue(*this)) return nullptr;
        break;
      case 'F':
      case 'K': {
        bool gronels = key == 'F';
        if ((gronels ? Gronels : Slingards) <= 0) {
          ShowRefusal(gronels ? "You don't have any gronels!!" : "You don't have any slingards!!");
          break;
        }
        ShowDialogueHint();
        DoorTextAttr(2);
        DoorWrite("Fire at the [M] Men or the [K] Kastle? [M/K] -=> ");
        char target = ReadEchoedKey();
        if (target == 'M' || target == 'K') {
          bool men = target == 'M';
          return gronels ? GronelAttack(AOther, men) : SlingardAttack(AOther, men);
        }
        DoorWriteLn();
        break;
      }
      case 'P':
        if (Confirmed("Are you sure you want to pass this turn? (Y/N): ")) {
          DoorWriteLn();
          DoorTextAttr(2);
          DoorWriteLn("You sit on your throne and ponder the war.");
          DoorWriteLn();
          LogLine("Passed turn (no action)");
          return nullptr;
        }
        break;
      case 'Q':
        if (Confirmed("QUIT!? (You Lose) Are you SURE? -=> ")) {
          PlayerQuit = true;
          LogLine(SURRENDER_LOG_LINE);
          return AOther;
        }
        break;
      case 'S': LogLine("Attacked with army"); return SoldierAttack(AOther);
      case 'T':
        if (TradingPost(*this)) return nullptr;
        break;
      case 'Z': ToggleSound(); break;
      case '$': ScoreboardChoice(); break;
      default: break;
    }
  }
}

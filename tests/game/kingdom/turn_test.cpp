// The caller's turn: the command prompt, its dialogues and what each path
// leaves behind.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "doorkit/ansi.h"
#include "game/kingdom/kingdoms_fixture.h"

namespace {

const TForces kCaller = {15000, 3000, 14000, 250, 1, 2, 10, 18000, 250000};
const TForces kEnemy = {15000, 100000, 15000, 250, 1, 2, 10, 18000, 250000};
const std::string kPrompt = "*  A,C,D,F,K,P,Q,R,S,T,Z,$ or ? for Help -=> ";

class TurnTest : public KingdomsTest {
 protected:
  TurnTest() {
    SetForces(*Player, kCaller);
    SetForces(*Computer, kEnemy);
    DoorSession.TimeOn = fake.Now();
    StartTurnLog();
  }

  TPlayer* PlayTurn(const std::string& keys) {
    fake.Keys(keys);
    fake.TakeOut();
    return Player->Move(3, Computer.get());
  }
};

struct TurnCase {
  const char* name;
  std::function<void(TPlayer&)> setup;
  std::string keys;
  bool surrendered;
  int prompts;  // times the command prompt was shown
  std::vector<std::string> log;
  std::vector<std::string> texts;  // shown, in this order
  TForces after;
};

TForces With(std::function<void(TForces&)> change) {
  TForces f = kCaller;
  change(f);
  return f;
}

const std::string kPassed = "You sit on your throne and ponder the war.";

TEST_F(TurnTest, CommandsAndDialogues) {
  const TurnCase cases[] = {
      {"Enter redraws, then a pass",
       nullptr,
       "\rPY",
       false,
       2,
       {"Passed turn (no action)"},
       {"*  Your Turn  *", "*  Month # 3  *", "Are you sure you want to pass this turn? (Y/N): Y",
        kPassed},
       kCaller},
      {"pass refused, then granted",
       nullptr,
       "PNPY",
       false,
       2,
       {"Passed turn (no action)"},
       {kPassed},
       kCaller},
      {"draft exactly all",
       nullptr,
       "D14000\r",
       false,
       1,
       {"Drafted 14000 civilians"},
       {"You have 14000 civilians and 3000 soldiers.",
        "Draft how many civilians into the army? [0 - 14000] -=> ",
        "Done. You now have 0 civilians and 17000 soldiers"},
       With([](TForces& f) { f.Civilians = 0, f.Soldiers = 17000; })},
      {"draft 0", nullptr, "D0\rPY", false, 2, {"Passed turn (no action)"}, {kPassed}, kCaller},
      {"draft one too many",
       nullptr,
       "D14001\rPY",
       false,
       2,
       {"Passed turn (no action)"},
       {kPassed},
       kCaller},
      {"draft aborted by Enter",
       nullptr,
       "D\rPY",
       false,
       2,
       {"Passed turn (no action)"},
       {"Press ", "[ENTER]", " to abort.", kPassed},
       kCaller},
      {"draft beyond int32 counts as 0",
       nullptr,
       "D9999999999\rPY",
       false,
       2,
       {"Passed turn (no action)"},
       {kPassed},
       kCaller},
      {"draft into a full army keeps the count in range",
       [](TPlayer& p) { p.Soldiers = INT32_MAX; },
       "D5\r",
       false,
       1,
       {"Drafted 5 civilians"},
       {"Done. You now have 13995 civilians and 2147483647 soldiers"},
       With([](TForces& f) { f.Civilians = 13995, f.Soldiers = INT32_MAX; })},
      {"release all",
       nullptr,
       "R3000\r",
       false,
       1,
       {"Released 3000 soldiers"},
       {"Send how many soldiers home? -=> ", "Done. You now have 17000 civilians and 0 soldiers"},
       With([](TForces& f) { f.Civilians = 17000, f.Soldiers = 0; })},
      {"release one too many",
       nullptr,
       "R3001\rPY",
       false,
       2,
       {"Passed turn (no action)"},
       {kPassed},
       kCaller},
      {"lower-case keys",
       nullptr,
       "d5\r",
       false,
       1,
       {"Drafted 5 civilians"},
       {},
       With([](TForces& f) { f.Civilians = 13995, f.Soldiers = 3005; })},
      {"surrender refused",
       nullptr,
       "QNpy",
       false,
       2,
       {"Passed turn (no action)"},
       {"QUIT!? (You Lose) Are you SURE? -=> N"},
       kCaller},
      {"surrender", nullptr, "qy", true, 1, {"QUIT - Surrendered the game"}, {}, kCaller},
      {"no assassins",
       [](TPlayer& p) { p.Assassins = 0; },
       "APY",
       false,
       2,
       {"Passed turn (no action)"},
       {"You don't have any assassins!", kPassed},
       With([](TForces& f) { f.Assassins = 0; })},
      {"no gronels",
       [](TPlayer& p) { p.Gronels = 0; },
       "FPY",
       false,
       2,
       {"Passed turn (no action)"},
       {"You don't have any gronels!!", kPassed},
       With([](TForces& f) { f.Gronels = 0; })},
      {"no slingards",
       [](TPlayer& p) { p.Slingards = 0; },
       "KPY",
       false,
       2,
       {"Passed turn (no action)"},
       {"You don't have any slingards!!", kPassed},
       With([](TForces& f) { f.Slingards = 0; })},
      {"fire aborted by Enter",
       nullptr,
       "F\rPY",
       false,
       2,
       {"Passed turn (no action)"},
       {"Fire at the [M] Men or the [K] Kastle? [M/K] -=> ", kPassed},
       kCaller},
      {"gronels at the men",
       nullptr,
       "fm",
       false,
       1,
       {"[ACTION:gronel_attack_men]"},
       {"Firing Gronels!"},
       kCaller},
      {"slingards at the kastle",
       nullptr,
       "KK",
       false,
       1,
       {"[ACTION:slingard_attack_kastle]"},
       {"Firing Slingard!"},
       kCaller},
      {"help, colour, any other key",
       nullptr,
       "?CxPY",
       false,
       4,
       {"Passed turn (no action)"},
       {"A - Send Assassin\r\nC - Toggle Color ON/OFF\r\nD - Draft Civilians\r\n"
        "F - Fire Gronel\r\nK - Fire Slingard\r\nP - Pass Your Turn\r\n"
        "Q - Quit (You Lose)\r\nR - Release Troops from Service\r\n"
        "S - Soldiers vs. Soldiers\r\nT - Visit Trading Post\r\n"
        "Z - Toggle Sound ON/OFF\r\n$ - Show Scoreboard\r\n[ENTER] - Redraw Main Screen\r\n",
        "Color toggling not supported in this version.", kPassed},
       kCaller},
      {"last month's scoreboard",
       nullptr,
       "$lxPY",
       false,
       2,
       {"Passed turn (no action)"},
       {"Show which [T] this months or [L] last months scoreboard? -=> ",
        "* Scoreboard file not found *", "*[ Press any Key ]*", kPassed},
       kCaller},
      {"trading post refusal returns to its menu",
       nullptr,
       "TB999\r\rLPY",
       false,
       2,
       {"Passed turn (no action)"},
       {" * Welcome to the Trading Post sire! *", "[L] - Leave the Trading Post",
        "Total Gold: 18000 -=> ", "You can afford 180 gronels.", "You can afford 180 gronels.",
        "[L] - Leave the Trading Post", "Total Gold: 18000 -=> ", kPassed},
       kCaller},
      {"a purchase ends the turn",
       nullptr,
       "TxB10\r",
       false,
       1,
       {"[TEXT:PURCHASE:gronels:10:1000]"},
       {"* A real pleasure serving you sire! *"},
       With([](TForces& f) { f.Gronels = 260, f.Gold = 17000; })},
  };
  for (const TurnCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetForces(*Player, kCaller);
    if (c.setup) c.setup(*Player);
    PlayerQuit = false;
    CurrentTurnActions->clear();
    TPlayer* winner = PlayTurn(c.keys);
    EXPECT_EQ(winner, c.surrendered ? Computer.get() : nullptr);
    EXPECT_EQ(PlayerQuit, c.surrendered);
    EXPECT_EQ(Count(fake.out, kPrompt), static_cast<size_t>(c.prompts));
    if (!c.log.empty()) {
      ASSERT_FALSE(TurnLog().empty());
      EXPECT_EQ(TurnLog().front(), c.log.front());
    }
    size_t at = 0;
    for (const std::string& text : c.texts) {
      size_t found = fake.out.find(text, at);
      EXPECT_NE(found, std::string::npos) << text;
      if (found != std::string::npos) at = found + text.size();
    }
    const TPlayer& p = *Player;
    EXPECT_EQ(p.Civilians, c.after.Civilians);
    EXPECT_EQ(p.Soldiers, c.after.Soldiers);
    EXPECT_EQ(p.Gronels, c.after.Gronels);
    EXPECT_EQ(p.Gold, c.after.Gold);
  }
}

// The dialogues byte for byte: colours, empty lines and echoes.
TEST_F(TurnTest, DialoguesByteForByte) {
  Music = false;
  DoorDropInfo.MaxSeconds = 725;
  std::ofstream(fake.gameDir + "qgs-best.asc") << "BOARD\n";
  auto promptAfter = [](bool afterBlink) {
    return A(11, afterBlink) + "Time:" + A(10) + " 12:05  " + A(14) + kPrompt + A(10);
  };
  const std::string prompt = promptAfter(false);
  const std::string pass = "P\r\n\r\n" + A(2) +
                           "Are you sure you want to pass this turn? (Y/N): " + "Y\r\n\r\n" + A(2) +
                           kPassed + "\r\n\r\n";
  const std::string abortHint =
      "\r\n" + A(78) + "Press " + A(79) + "[ENTER]" + A(78) + " to abort." + A(10) + "\r\n\r\n";
  const std::string tradingMenu =
      "\r\n" + A(6) + "[L] - Leave the Trading Post\r\n[B] - Buy Gronels @ 100 Gold Each\r\n" +
      "[G] - Hire Guards @ 1000 Gold Each\r\n[A] - Hire Assasins @ 7500 Gold Each\r\n" +
      "[K] - Buy Slingards @ 25000 Gold Each\r\n" +
      "[F] - Buy Sacks of Food @ 5 Per Each Gold\r\n" +
      "[R] - Raise Fortifications @ 10 Gold per Point\r\n\r\n" + A(10) + "Total Gold: 18000 -=> " +
      A(10);
  const struct {
    const char* name;
    std::function<void(TPlayer&)> setup;
    std::string keys, shown;
  } cases[] = {
      {"pass", nullptr, "PY", prompt + pass},
      {"pass declined", nullptr, "PnPY",
       prompt + "P\r\n\r\n" + A(2) + "Are you sure you want to pass this turn? (Y/N): N\r\n" +
           "\r\n" + prompt + pass},
      {"surrender declined", nullptr, "QxPY",
       prompt + "Q\r\n\r\n" + A(2) + "QUIT!? (You Lose) Are you SURE? -=> X\r\n\r\n" + prompt +
           pass},
      {"fire dialogue left", nullptr, "FxPY",
       prompt + "F\r\n" + abortHint + A(2) +
           "Fire at the [M] Men or the [K] Kastle? [M/K] -=> X\r\n\r\n" + prompt + pass},
      {"no assassins", [](TPlayer& p) { p.Assassins = 0; }, "APY",
       prompt + "A\r\n\r\n" + A(138) + "You don't have any assassins!\r\n\r\n" +
           promptAfter(kAfterBlink) + pass},
      {"colour", nullptr, "CPY",
       prompt + "C\r\n\r\nColor toggling not supported in this version.\r\n\r\n" + prompt + pass},
      {"trading post left", nullptr, "TxLPY",
       prompt + "T\r\n\r\n\r\n" + A(10) + " * Welcome to the Trading Post sire! *\r\n" +
           tradingMenu + "X\r\n" + tradingMenu + "L\r\n" + prompt + pass},
      {"this month's scoreboard", nullptr, "$tzPY",
       prompt + "$\r\n\r\n" + A(10) +
           "Show which [T] this months or [L] last months scoreboard? -=> " + A(10) + "T\r\n" +
           A(2) + "BOARD\r\n\r\n" + A(10) + "*[ Press any Key ]*" + A(10) + "\r\n" + prompt + pass},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetForces(*Player, kCaller);
    if (c.setup) c.setup(*Player);
    PlayTurn(c.keys);
    EXPECT_EQ(fake.out, c.shown);
  }
}

// The number dialogues around the input field: the field ends its own line,
// then an empty line comes before the outcome.
TEST_F(TurnTest, DraftAndReleaseAroundTheInputField) {
  Music = false;
  DoorDropInfo.MaxSeconds = 725;
  const std::string prompt = A(11) + "Time:" + A(10) + " 12:05  " + A(14) + kPrompt + A(10);
  const std::string abortHint =
      "\r\n" + A(78) + "Press " + A(79) + "[ENTER]" + A(78) + " to abort." + A(10) + "\r\n\r\n";
  const struct {
    std::string keys, before, after;
  } cases[] = {
      {"D5\r",
       prompt + "D\r\n" + abortHint + "You have 14000 civilians and 3000 soldiers.\r\n" +
           "Draft how many civilians into the army? [0 - 14000] -=> ",
       A(10) + "\r\n\r\nDone. You now have 13995 civilians and 3005 soldiers\r\n"},
      {"R7\r",
       prompt + "R\r\n" + abortHint + "You have 14000 civilians and 3000 soldiers.\r\n" +
           "Send how many soldiers home? -=> ",
       A(10) + "\r\n\r\nDone. You now have 14007 civilians and 2993 soldiers\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    SetForces(*Player, kCaller);
    PlayTurn(c.keys);
    EXPECT_EQ(fake.out.substr(0, c.before.size()), c.before);
    ASSERT_GE(fake.out.size(), c.after.size());
    EXPECT_EQ(fake.out.substr(fake.out.size() - c.after.size()), c.after);
  }
}

TEST_F(TurnTest, AssassinAndArmyAreLoggedBeforeTheyAct) {
  fake.Draws({0});  // caught at the first guard
  EXPECT_EQ(PlayTurn("A"), nullptr);
  EXPECT_EQ(std::vector<std::string>(TurnLog().begin(), TurnLog().begin() + 2),
            (std::vector<std::string>{"Sent assassin", "[ACTION:assassin]"}));
  EXPECT_EQ(Player->Assassins, 1);

  CurrentTurnActions->clear();
  EXPECT_EQ(PlayTurn("Sx"), nullptr);
  EXPECT_EQ(std::vector<std::string>(TurnLog().begin(), TurnLog().begin() + 2),
            (std::vector<std::string>{"Attacked with army", "[ACTION:soldier_attack]"}));
}

TEST_F(TurnTest, TimeLeftShowsMinutesAndTwoDigitSeconds) {
  for (int32_t seconds : {725, 59}) {
    DoorDropInfo.MaxSeconds = seconds;
    DoorSession.TimeOn = fake.Now();
    PlayTurn("PY");
    std::string shown = seconds == 725 ? " 12:05  " : " 0:59  ";
    EXPECT_NE(fake.out.find("Time:"), std::string::npos);
    EXPECT_NE(fake.out.find(shown), std::string::npos) << shown;
  }
}

TEST_F(TurnTest, SoundToggledTwiceIsBackOnAndPlaysOnlyWhenSwitchedOn) {
  PlayTurn("ZzPY");
  EXPECT_TRUE(Music);
  size_t off = fake.out.find("Sounds OFF\r\n");
  size_t on = fake.out.find("Sounds ON\r\n");
  ASSERT_NE(off, std::string::npos);
  ASSERT_NE(on, std::string::npos);
  EXPECT_LT(off, on);
  const std::string fanfare = "MFT96O4L32P32CP64CP64CP64L16EP64L32CP64L12E";
  EXPECT_EQ(Count(fake.out, fanfare), 1u);
  EXPECT_GT(fake.out.find(fanfare), on);
}

TEST_F(TurnTest, WithoutATurnLogNothingIsLogged) {
  CurrentTurnActions.reset();
  PlayTurn("D5\r");
  EXPECT_EQ(CurrentTurnActions, nullptr);
  EXPECT_EQ(Player->Soldiers, 3005);
}

}  // namespace

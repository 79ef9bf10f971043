#include <gtest/gtest.h>

#include "doorkit/ansiwrite.h"
#include "support/engine_support.h"
#include "support/screen_support.h"

namespace {

// Code page 437 box characters and the bar block.
const std::string V = "\xBA";
const std::string H26(26, '\xCD');
const std::string kTop = "\xC9" + H26 + "\xCB" + H26 + "\xBB" + CRLF;
const std::string kUnderNames = "\xCC" + H26 + "\xCA" + H26 + "\xB9" + CRLF;
const std::string kOverCounters = "\xCC" + H26 + "\xCB" + H26 + "\xB9" + CRLF;
const std::string kBottom = "\xC8" + H26 + "\xCA" + H26 + "\xBC" + CRLF;
const std::string kBlinkOn = "\x1b[5m", kBlinkOff = "\x1b[25m";

std::string Blocks(int n) { return std::string(static_cast<size_t>(n), '\xFE'); }
std::string Blanks(int n) { return std::string(static_cast<size_t>(n), ' '); }

std::string Row(const std::string& label, const std::string& left, const std::string& right) {
  return V + label + left + " " + V + label + right + " " + V + CRLF;
}

class BattleScreenTest : public EngineTest {};

TEST_F(BattleScreenTest, HumanMoverWithFullAndEmptiestBars) {
  // Power 46 (a kastle of 23,000 alone fills the bar) against power 0 with
  // a kastle still standing; a seven-digit treasury widens its row.
  SetCounters(*Player, {.Score = 12,
                        .Kastle = 23000,
                        .Soldiers = 0,
                        .Civilians = 12345,
                        .Gronels = 250,
                        .Slingards = 1,
                        .Assassins = 3,
                        .Guards = 10,
                        .Gold = 18000,
                        .Food = 250000});
  SetCounters(*Computer, {.Kastle = 100, .Soldiers = 0, .Gold = 1234567});
  Player->DrawScreen(3);

  const std::string expected =
      "\x1b[2J\x1b[1;1f" + CRLF + A(143) + "*  Your Turn  *            " + A(12, kAfterBlink) +
      "*  Month # 3  *" + A(4) + CRLF + CRLF + A(2) + kTop + V + "  King Arthur             " + V +
      "  King Computer           " + V + CRLF + kUnderNames + V + " You: " + A(12) + Blocks(10) +
      A(14) + Blocks(10) + A(10) + Blocks(26) + A(2) + A(2) + " " + V + CRLF + V +
      " Him: " + A(12) + kBlinkOn + Blocks(1) + kBlinkOff + A(3) + Blanks(45) + A(2) + " " + V +
      CRLF + kOverCounters + Row("  Score..........: ", "12    ", "0     ") +
      Row("  Kastle Points..: ", "23000 ", "100   ") +
      Row("  Soldiers.......: ", "0     ", "0     ") +
      Row("  Civilians......: ", "12345 ", "0     ") +
      Row("  Gronels........: ", "250   ", "0     ") +
      Row("  Slingards......: ", "1     ", "0     ") +
      Row("  Assassins......: ", "3     ", "0     ") +
      Row("  Guards.........: ", "10    ", "0     ") +
      Row("  Gold...........: ", "18000 ", "1234567") +
      Row("  Months of Food.: ", "20.251", "0.000 ") + kBottom;
  EXPECT_EQ(fake.TakeOut(), expected);
}

TEST_F(BattleScreenTest, ANameIsCutToItsCellAndTheFrameHolds) {
  const struct {
    std::string title, name, cell;  // cell: the 24 columns shown
  } cases[] = {
      {"Queen", std::string(35, 'W'), "Queen " + std::string(18, 'W')},
      {"King", std::string(19, 'x'), "King " + std::string(19, 'x')},  // exactly fills it
      {"King", "Arthur", "King Arthur             "},
  };
  for (const auto& c : cases) {
    Player->Title = c.title;
    Player->Name = c.name;
    fake.TakeOut();
    Player->DrawScreen(1);
    const std::string out = fake.TakeOut();
    const std::string names = V + "  " + c.cell + V + "  King Computer           " + V + CRLF;
    EXPECT_NE(out.find(kTop + names + kUnderNames), std::string::npos) << c.name;
    EXPECT_EQ(Player->GetFullName(), c.title + " " + c.name);  // the kingdom keeps it whole
  }
}

TEST_F(BattleScreenTest, BoardLandsOnTheLocalScreenCellForCell) {
  SetCounters(*Player,
              {.Score = 12, .Kastle = 23000, .Civilians = 12345, .Gold = 18000, .Food = 250000});
  SetCounters(*Computer, {.Kastle = 100, .Gold = 1234567});
  // The local screen sees the bytes as the door writes them, in step with
  // the colour the door tracks.
  fake.terminal = false;
  fake.onStdout = [](std::string_view bytes) { AnsiWrite(std::string(bytes)); };
  Player->DrawScreen(3);
  fake.onStdout = nullptr;

  TScreenBuffer want = BlankScreen();
  Paint(want, 1, 2, 143, "*  Your Turn  *            ");
  Paint(want, 28, 2, 12, "*  Month # 3  *");
  auto line = [](const std::string& bytesOfRow) {
    return bytesOfRow.substr(0, bytesOfRow.size() - 2);
  };
  Paint(want, 1, 4, 2, line(kTop));
  Paint(want, 1, 5, 2, V + "  King Arthur             " + V + "  King Computer           " + V);
  Paint(want, 1, 6, 2, line(kUnderNames));
  Paint(want, 1, 7, 2, V + " You: ");
  Paint(want, 8, 7, 12, Blocks(10));
  Paint(want, 18, 7, 14, Blocks(10));
  Paint(want, 28, 7, 10, Blocks(26));
  Paint(want, 54, 7, 2, " " + V);
  Paint(want, 1, 8, 2, V + " Him: ");
  Paint(want, 8, 8, 12 | 0x80, Blocks(1));  // the weak kingdom's block blinks
  Paint(want, 9, 8, 3, Blanks(45));
  Paint(want, 54, 8, 2, " " + V);
  Paint(want, 1, 9, 2, line(kOverCounters));
  const std::pair<std::string, std::string> counters[] = {
      {"12    ", "0     "},  {"23000 ", "100   "}, {"0     ", "0     "}, {"12345 ", "0     "},
      {"0     ", "0     "},  {"0     ", "0     "}, {"0     ", "0     "}, {"0     ", "0     "},
      {"18000 ", "1234567"}, {"20.251", "0.000 "}};
  const char* labels[] = {
      "  Score..........: ", "  Kastle Points..: ", "  Soldiers.......: ", "  Civilians......: ",
      "  Gronels........: ", "  Slingards......: ", "  Assassins......: ", "  Guards.........: ",
      "  Gold...........: ", "  Months of Food.: "};
  for (int i = 0; i < 10; ++i)
    Paint(want, 1, 10 + i, 2, line(Row(labels[i], counters[i].first, counters[i].second)));
  Paint(want, 1, 20, 2, line(kBottom));
  EXPECT_EQ(ScreenDiff(want), "");
  EXPECT_EQ(WhereXYAbs(), 0 + 20 * 256);
}

TEST_F(BattleScreenTest, ComputerMoverInMonthSeven) {
  // Power 10 (still blinking) against power 11 (steady red, one yellow).
  SetCounters(*Player, {.Kastle = 5000, .Soldiers = 0, .Gold = 1234567});
  SetCounters(*Computer, {.Kastle = 5500, .Soldiers = 0});
  Computer->DrawScreen(7);

  const std::string expected =
      "\x1b[2J\x1b[1;1f" + CRLF + A(12) + "*  Month # 7  *            " + A(15) +
      "*  King Computer's Turn  *" + A(7) + CRLF + CRLF + A(3) + kTop + V +
      "  King Arthur             " + V + "  King Computer           " + V + CRLF + kUnderNames + V +
      " You: " + A(12) + kBlinkOn + Blocks(10) + kBlinkOff + A(2) + Blanks(36) + A(3) + " " + V +
      CRLF + V + " Him: " + A(12) + Blocks(10) + A(14) + Blocks(1) + A(3) + Blanks(35) + A(3) +
      " " + V + CRLF + kOverCounters + Row("  Score..........: ", "0     ", "0     ") +
      Row("  Kastle Points..: ", "5000  ", "5500  ") +
      Row("  Soldiers.......: ", "0     ", "0     ") +
      Row("  Civilians......: ", "0     ", "0     ") +
      Row("  Gronels........: ", "0     ", "0     ") +
      Row("  Slingards......: ", "0     ", "0     ") +
      Row("  Assassins......: ", "0     ", "0     ") +
      Row("  Guards.........: ", "0     ", "0     ") +
      Row("  Gold...........: ", "1234567", "0     ") +
      Row("  Months of Food.: ", "0.000 ", "0.000 ") + kBottom;
  EXPECT_EQ(fake.TakeOut(), expected);
}

TEST_F(BattleScreenTest, PowerBarShapes) {
  struct Case {
    bool human;
    int32_t kastle, soldiers;
    std::string bar;
  };
  const Case cases[] = {
      // No kastle: blank in the owner's colour, however big the army.
      {true, 0, 30000, A(2) + Blanks(46)},
      {false, 0, 30000, A(3) + Blanks(46)},
      {false, 499, 749, A(12) + kBlinkOn + Blocks(1) + kBlinkOff + A(3) + Blanks(45)},
      {true, 4000, 1500, A(12) + kBlinkOn + Blocks(10) + kBlinkOff + A(2) + Blanks(36)},
      {true, 5000, 750, A(12) + Blocks(10) + A(14) + Blocks(1) + A(2) + Blanks(35)},
      {true, 10000, 750,
       A(12) + Blocks(10) + A(14) + Blocks(10) + A(10) + Blocks(1) + A(2) + Blanks(25)},
      {false, 100000, 0, A(12) + Blocks(10) + A(14) + Blocks(10) + A(10) + Blocks(26) + A(3)},
  };
  for (const Case& c : cases) {
    TPlayer& p = c.human ? *Player : *Computer;
    p.Kastle = c.kastle;
    p.Soldiers = c.soldiers;
    p.PowerBar();
    EXPECT_EQ(fake.TakeOut(), c.bar) << "kastle " << c.kastle << ", soldiers " << c.soldiers;
  }
}

}  // namespace

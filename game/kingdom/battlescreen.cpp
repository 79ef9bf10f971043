// The month's status board: whose turn, the month, both rulers, their power
// bars and their counters side by side. The board always shows the
// program-wide Player (left) and Computer (right); the mover only picks the
// heading and the box colour.
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "game/common/globals.h"
#include "game/kingdom/player.h"
#include "game/kingdom/board.h"
#include "game/common/textutil.h"

namespace {

// Code page 437 box drawing.
const char kTopLeft = '\xC9', kTopRight = '\xBB', kBottomLeft = '\xC8', kBottomRight = '\xBC';
const char kHorizontal = '\xCD', kVertical = '\xBA';
const char kTeeDown = '\xCB', kTeeUp = '\xCA', kTeeRight = '\xCC', kTeeLeft = '\xB9';
const char kBarBlock = '\xFE';
const int kFieldWidth = 26;
const int kBarWidth = 46;

std::string Edge(char left, char middle, char right) {
  const std::string field(kFieldWidth, kHorizontal);
  return std::string(1, left) + field + middle + field + right;
}

// A ruler's full name in its 24 columns: a longer one (a 35-letter name
// after "Queen ") is cut there, so the frame stays in line.
std::string NameCell(const TPlayer& p) {
  return Format("%-24s", p.GetFullName().substr(0, kFieldWidth - 2).c_str());
}

std::string Blocks(int n) { return std::string(static_cast<size_t>(n < 0 ? 0 : n), kBarBlock); }

uint8_t OwnerColour(const TPlayer& p) { return p.IsPlayer ? 2 : 3; }

void WriteHeading(const TPlayer& mover, int32_t month) {
  const std::string monthLabel = "*  Month # " + std::to_string(month) + "  *";
  if (mover.IsPlayer) {
    DoorTextAttr(143);
    DoorWrite("*  Your Turn  *            ");
    DoorTextAttr(12);
    DoorWrite(monthLabel);
    DoorTextAttr(4);
  } else {
    DoorTextAttr(12);
    DoorWrite(Format("%-27s", monthLabel.c_str()));
    DoorTextAttr(15);
    DoorWrite("*  " + mover.GetFullName() + "'s Turn  *");
    DoorTextAttr(7);
  }
  DoorWriteLn();
  DoorWriteLn();
}

void WriteBarRow(const char* label, TPlayer& kingdom, uint8_t boxColour) {
  DoorWrite(std::string(1, kVertical) + label);
  kingdom.PowerBar();
  DoorTextAttr(boxColour);
  DoorWriteLn(std::string(" ") + kVertical);
}

void WriteCounterRow(const char* label, const std::string& left, const std::string& right) {
  const std::string bar(1, kVertical);
  DoorWriteLn(bar + label + left + " " + bar + label + right + " " + bar);
}

void WriteCounterRow(const char* label, int32_t left, int32_t right) {
  WriteCounterRow(label, Format("%-6d", left), Format("%-6d", right));
}

}  // namespace

void DrawForcesBoard(TPlayer& ALeft, TPlayer& ARight, const char* ARightLabel, uint8_t ABoxColour) {
  DoorTextAttr(ABoxColour);
  DoorWriteLn(Edge(kTopLeft, kTeeDown, kTopRight));
  DoorWriteLn(std::string(1, kVertical) + "  " + NameCell(ALeft) + kVertical + "  " +
              NameCell(ARight) + kVertical);
  DoorWriteLn(Edge(kTeeRight, kTeeUp, kTeeLeft));
  WriteBarRow(" You: ", ALeft, ABoxColour);
  WriteBarRow(ARightLabel, ARight, ABoxColour);
  DoorWriteLn(Edge(kTeeRight, kTeeDown, kTeeLeft));

  WriteCounterRow("  Score..........: ", ALeft.Score, ARight.Score);
  WriteCounterRow("  Kastle Points..: ", ALeft.Kastle, ARight.Kastle);
  WriteCounterRow("  Soldiers.......: ", ALeft.Soldiers, ARight.Soldiers);
  WriteCounterRow("  Civilians......: ", ALeft.Civilians, ARight.Civilians);
  WriteCounterRow("  Gronels........: ", ALeft.Gronels, ARight.Gronels);
  WriteCounterRow("  Slingards......: ", ALeft.Slingards, ARight.Slingards);
  WriteCounterRow("  Assassins......: ", ALeft.Assassins, ARight.Assassins);
  WriteCounterRow("  Guards.........: ", ALeft.Guards, ARight.Guards);
  WriteCounterRow("  Gold...........: ", ALeft.Gold, ARight.Gold);
  WriteCounterRow("  Months of Food.: ", Format("%-6s", ALeft.GetMFoodStr().c_str()),
                  Format("%-6s", ARight.GetMFoodStr().c_str()));
  DoorWriteLn(Edge(kBottomLeft, kTeeUp, kBottomRight));
}

void TPlayer::DrawScreen(int32_t AMonth) {
  TPlayer& you = *Player;
  TPlayer& him = *Computer;
  const uint8_t boxColour = IsPlayer ? 2 : 3;

  DoorClrScr();
  DoorWriteLn();
  WriteHeading(*this, AMonth);

  DrawForcesBoard(you, him, " Him: ", boxColour);
}

void TPlayer::PowerBar() {
  const uint8_t ownerColour = OwnerColour(*this);
  // A kingdom without a kastle shows an empty bar, whatever its army.
  if (Kastle <= 0) {
    DoorTextAttr(ownerColour);
    DoorWrite(std::string(kBarWidth, ' '));
    return;
  }
  const int32_t power = GetPower();
  const bool weak = power < 11;
  DoorTextAttr(12);
  if (weak) DoorWrite("\x1b[5m");
  DoorWrite(Blocks(Max(1, Min(power, 10))));
  if (weak) DoorWrite("\x1b[25m");
  if (power > 10) {
    DoorTextAttr(14);
    DoorWrite(Blocks(Min(power - 10, 10)));
  }
  if (power > 20) {
    DoorTextAttr(10);
    DoorWrite(Blocks(power - 20));
  }
  DoorTextAttr(ownerColour);
  DoorWrite(std::string(static_cast<size_t>(kBarWidth - Max(1, power)), ' '));
}

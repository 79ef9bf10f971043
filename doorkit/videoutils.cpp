#include "doorkit/videoutils.h"

#include <cstddef>

#include "doorkit/consoledraw.h"

void FastWrite(const std::string& line, int x, int y, uint8_t attr) {
  if (x < 1 || x > ScreenSizeX() || y < 1 || y > ScreenSizeY()) return;
  size_t room = static_cast<size_t>(ScreenSizeX() + 1 - x);
  if (y == ScreenSizeY()) --room;  // never the bottom-right cell
  if (line.size() < room) room = line.size();
  for (size_t i = 0; i < room; ++i) ConsolePutCell(x + static_cast<int>(i), y, {line[i], attr});
  ConsoleDraw(true);
}

char GetCharAt(int x, int y) { return ConsoleCell(x, y).Ch; }
uint8_t GetAttrAt(int x, int y) { return ConsoleCell(x, y).Attr; }

void SetCharAt(char ch, int x, int y) {
  if (x < 1 || x > ScreenSizeX() || y < 1 || y > ScreenSizeY()) return;
  ConsolePutCell(x, y, {ch, ConsoleCell(x, y).Attr});
  ConsoleDraw(true);
}

void SetAttrAt(uint8_t attr, int x, int y) {
  if (x < 1 || x > ScreenSizeX() || y < 1 || y > ScreenSizeY()) return;
  ConsolePutCell(x, y, {ConsoleCell(x, y).Ch, attr});
  ConsoleDraw(true);
}

void ScreenSave(TScreenBuffer& buffer) {
  for (int y = 1; y <= ScreenSizeY(); ++y)
    for (int x = 1; x <= ScreenSizeX(); ++x)
      buffer[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)] = ConsoleCell(x, y);
}

void ScreenRestore(const TScreenBuffer& buffer) {
  for (int y = 1; y <= ScreenSizeY(); ++y)
    for (int x = 1; x <= ScreenSizeX(); ++x)
      ConsolePutCell(x, y, buffer[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)]);
  ConsoleDraw(true);  // one pass for the whole screen
}

uint16_t WhereXYAbs() {
  return static_cast<uint16_t>((ConsoleAbsX() - 1) + (ConsoleAbsY() - 1) * 256);
}

void GotoXYAbs(uint16_t xy) {
  const TConsoleWindow w = ConsoleGetWindow();
  ConsoleGotoXY((xy & 0xFF) + 1 - w.Left + 1, (xy >> 8) + 1 - w.Top + 1);
  ConsoleDraw(false);
}

void CursorHide() { ConsoleCursorVisible(false); }
void CursorShow() { ConsoleCursorVisible(true); }

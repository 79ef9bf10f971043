#include "doorkit/videoutils.h"

#include "doorkit/ansi.h"
#include "doorkit/cp437.h"
#include "doorkit/crt2.h"
#include "doorkit/door.h"

void FastWrite(const std::string& line, int x, int y, uint8_t attr) {
  if (x < 1 || x > ScreenSizeX() || y < 1 || y > ScreenSizeY()) return;
  size_t room = static_cast<size_t>(ScreenSizeX() + 1 - x);
  if (y == ScreenSizeY()) --room;  // never the bottom-right cell
  std::string text = line.substr(0, room);
  if (Env().StdoutIsUtf8Terminal()) text = Cp437ToUtf8(text);
  // ESC 7 / ESC 8 keep the cursor; the tracked colour is put back after.
  LocalConsoleWrite("\x1b" "7" + AnsiGotoXY(static_cast<uint8_t>(x), static_cast<uint8_t>(y)) +
                    AnsiTextAttr(attr) + text + AnsiTextAttr(GetTextAttr()) + "\x1b" "8");
}

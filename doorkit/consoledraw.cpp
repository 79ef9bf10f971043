#include "doorkit/consoledraw.h"

#include <string>

#include "doorkit/ansi.h"
#include "doorkit/cp437.h"
#include "doorkit/crt2.h"
#include "doorkit/outbuf.h"
#include "doorkit/platform.h"
#include "doorkit/screencells.h"

namespace {

// The terminal's colour for attr; prev is the colour it is in (-1: unknown).
std::string Sgr(int attr, int prev) {
  std::string s;
  if (prev >= 0 && (prev & 0x80) && !(attr & 0x80)) s += "\x1b[0m";
  s += AnsiTextAttr(static_cast<uint8_t>(attr));
  if (attr & 0x80) s += "\x1b[5m";
  return s;
}

}  // namespace

void ConsoleDraw(bool keepCursor) {
  const bool moved = ConsoleTakeMoved();
  if (!Env().StdoutIsTerminal()) {
    ConsoleForgetChanges();
    return;
  }
  const bool utf8 = Env().StdoutIsUtf8Terminal();
  std::string out;
  int colour = -1;
  for (int y = 1; y <= kScreenRows; ++y) {
    bool inRun = false;
    for (int x = 1; x <= kScreenColumns; ++x) {
      if (!ConsoleTakeChange(x, y)) {
        inRun = false;
        continue;
      }
      if (!inRun) out += AnsiGotoXY(static_cast<uint8_t>(x), static_cast<uint8_t>(y));
      inRun = true;
      const TCharInfo cell = ConsoleCell(x, y);
      if (cell.Attr != colour) out += Sgr(cell.Attr, colour);
      colour = cell.Attr;
      out += Cp437Glyph(cell.Ch, utf8);
    }
  }
  if (!out.empty()) {
    if (colour & 0x80) out += "\x1b[0m";
    out += AnsiTextAttr(GetTextAttr());
  }
  if (keepCursor) {
    if (!out.empty()) out = std::string(1, '\x1b') + '7' + out + '\x1b' + '8';
  } else if (!out.empty() || moved) {
    out += AnsiGotoXY(static_cast<uint8_t>(ConsoleAbsX()), static_cast<uint8_t>(ConsoleAbsY()));
  }
  if (!out.empty()) {
    OutBufFlush();  // after what the session has written before it
    Env().StdoutWrite(out);
  }
}

// Fuzzes the local ANSI interpreter: the input, optionally inside a console
// window its first bytes choose, is cut into writes at positions they choose
// and rendered on the local screen's cells. After every write the cursor
// must be inside the window, and the cells drawn on the (fake) terminal must
// agree with the model; the sanitizers catch writes outside the 80 x 25
// cells and overflows on the parameters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "doorkit/ansi.h"
#include "doorkit/ansiwrite.h"
#include "doorkit/screencells.h"
#include "doorkit/videoutils.h"
#include "support/fake_platform.h"
#include "support/screen_support.h"

namespace {

bool Agrees(const TinyTerminal& term) {
  for (int y = 1; y <= kScreenRows; ++y)
    for (int x = 1; x <= kScreenColumns; ++x) {
      TCharInfo cell = ConsoleCell(x, y);
      auto b = static_cast<unsigned char>(cell.Ch);
      if (b < 0x20 || b == 0x7F) cell.Ch = ' ';  // drawn as blanks on a code page 437 terminal
      if (!(term.cells[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)] == cell))
        return false;
    }
  return term.x == ConsoleAbsX() && term.y == ConsoleAbsY();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  FakePlatform fake;
  const uint8_t flags = data[0];
  if (flags & 1)
    ConsoleWindow(1 + data[1] % 80, 1 + data[2] % 25, 1 + data[3] % 80, 1 + data[4] % 25);
  const size_t cuts = (flags >> 1) % 8;
  const std::string bytes(reinterpret_cast<const char*>(data + 5), size - 5);
  // The terminal starts from what the model holds (blank, cursor at the
  // window's corner): put it there first.
  TinyTerminal term;
  term.x = ConsoleAbsX();
  term.y = ConsoleAbsY();
  size_t at = 0;
  for (size_t i = 0; i <= cuts && at < bytes.size(); ++i) {
    size_t len = i == cuts ? bytes.size() - at
                           : 1 + static_cast<size_t>(static_cast<unsigned char>(bytes[at])) % 32;
    if (len > bytes.size() - at) len = bytes.size() - at;
    AnsiWrite(bytes.substr(at, len));
    at += len;
    const TConsoleWindow w = ConsoleGetWindow();
    if (ConsoleAbsX() < w.Left || ConsoleAbsX() > w.Right || ConsoleAbsY() < w.Top ||
        ConsoleAbsY() > w.Bottom)
      std::abort();
    term.Feed(fake.TakeOut());
    if (!Agrees(term)) std::abort();
  }
  if (flags & 0x80) {  // and back: a saved screen restores whole
    TScreenBuffer saved;
    ScreenSave(saved);
    AnsiWrite("\x1b[0m\x1b[2J");
    ScreenRestore(saved);
    TScreenBuffer again;
    ScreenSave(again);
    if (!(saved == again)) std::abort();
  }
  return 0;
}

#include "doorkit/screencells.h"

#include <algorithm>
#include <string>

#include "doorkit/outbuf.h"
#include "doorkit/platform.h"

namespace {

struct Console {
  TScreenBuffer cells{};
  std::array<std::array<bool, kScreenColumns>, kScreenRows> dirty{};
  TConsoleWindow window;
  int x = 1, y = 1;  // absolute, always inside the window
  uint8_t attr = 7;
  bool cursorVisible = true;
  bool moved = false;  // the cursor moved since the last draw
};

Console g;

bool OnScreen(int x, int y) { return x >= 1 && x <= kScreenColumns && y >= 1 && y <= kScreenRows; }

TCharInfo& Cell(int x, int y) {
  return g.cells[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)];
}

void Put(int x, int y, TCharInfo cell) {
  Cell(x, y) = cell;
  g.dirty[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)] = true;
}

void MoveTo(int x, int y) {
  if (x != g.x || y != g.y) g.moved = true;
  g.x = x;
  g.y = y;
}

// Blanks columns left..right of row y in the console's colour.
void BlankRow(int y, int left, int right) {
  for (int x = left; x <= right; ++x) Put(x, y, {' ', g.attr});
}

void CopyRow(int from, int to) {
  for (int x = g.window.Left; x <= g.window.Right; ++x) Put(x, to, Cell(x, from));
}

// Moves rows top..bottom of the window up (n > 0) or down (n < 0) by |n|,
// blanking the rows left behind. |n| is at most the number of rows.
void Shift(int top, int bottom, int n) {
  const TConsoleWindow& w = g.window;
  if (n > 0) {
    for (int row = top; row + n <= bottom; ++row) CopyRow(row + n, row);
    for (int row = std::max(top, bottom - n + 1); row <= bottom; ++row)
      BlankRow(row, w.Left, w.Right);
  } else if (n < 0) {
    n = -n;
    for (int row = bottom; row - n >= top; --row) CopyRow(row - n, row);
    for (int row = top; row <= std::min(bottom, top + n - 1); ++row) BlankRow(row, w.Left, w.Right);
  }
}

void LineFeed() {
  if (g.y < g.window.Bottom) {
    MoveTo(g.x, g.y + 1);
  } else {
    Shift(g.window.Top, g.window.Bottom, 1);
  }
}

}  // namespace

void ConsoleReset() { g = Console{}; }

TCharInfo ConsoleCell(int x, int y) { return OnScreen(x, y) ? Cell(x, y) : TCharInfo{}; }

void ConsolePutCell(int x, int y, TCharInfo cell) {
  if (OnScreen(x, y)) Put(x, y, cell);
}

uint8_t ConsoleTextAttr() { return g.attr; }
void ConsoleSetTextAttr(uint8_t attr) { g.attr = attr; }

void ConsoleWindow(int x1, int y1, int x2, int y2) {
  if (x1 < 1 || x1 > x2 || x2 > kScreenColumns || y1 < 1 || y1 > y2 || y2 > kScreenRows) return;
  g.window = {x1, y1, x2, y2};
  MoveTo(x1, y1);
}

TConsoleWindow ConsoleGetWindow() { return g.window; }

int ConsoleWhereX() { return g.x - g.window.Left + 1; }
int ConsoleWhereY() { return g.y - g.window.Top + 1; }
int ConsoleAbsX() { return g.x; }
int ConsoleAbsY() { return g.y; }

void ConsoleGotoXY(int x, int y) {
  const TConsoleWindow& w = g.window;
  x = std::clamp(x, 1, w.Right - w.Left + 1);
  y = std::clamp(y, 1, w.Bottom - w.Top + 1);
  MoveTo(w.Left + x - 1, w.Top + y - 1);
}

void ConsoleWrite(std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '\a': break;
      case '\b':
        if (g.x > g.window.Left) MoveTo(g.x - 1, g.y);
        break;
      case '\n': LineFeed(); break;
      case '\r': MoveTo(g.window.Left, g.y); break;
      default:
        Put(g.x, g.y, {c, g.attr});
        if (g.x < g.window.Right) {
          MoveTo(g.x + 1, g.y);
        } else {
          MoveTo(g.window.Left, g.y);
          LineFeed();
        }
    }
  }
}

void ConsoleClrScr() {
  for (int row = g.window.Top; row <= g.window.Bottom; ++row)
    BlankRow(row, g.window.Left, g.window.Right);
  MoveTo(g.window.Left, g.window.Top);
}

void ConsoleClrEol() { BlankRow(g.y, g.x, g.window.Right); }

void ConsoleInsLines(int64_t n) {
  if (n < 1) return;
  n = std::min<int64_t>(n, g.window.Bottom - g.y + 1);
  Shift(g.y, g.window.Bottom, -static_cast<int>(n));
}

void ConsoleDelLines(int64_t n) {
  if (n < 1) return;
  n = std::min<int64_t>(n, g.window.Bottom - g.y + 1);
  Shift(g.y, g.window.Bottom, static_cast<int>(n));
}

void ConsoleCursorVisible(bool visible) {
  g.cursorVisible = visible;
  if (Env().StdoutIsTerminal()) {
    OutBufFlush();  // after what the session has written before it
    Env().StdoutWrite(visible ? "\x1b[?25h" : "\x1b[?25l");
  }
}

bool ConsoleCursorIsVisible() { return g.cursorVisible; }

bool ConsoleTakeChange(int x, int y) {
  if (!OnScreen(x, y)) return false;
  bool& dirty = g.dirty[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)];
  const bool changed = dirty;
  dirty = false;
  return changed;
}

bool ConsoleTakeMoved() {
  const bool moved = g.moved;
  g.moved = false;
  return moved;
}

void ConsoleForgetChanges() { g.dirty = {}; }

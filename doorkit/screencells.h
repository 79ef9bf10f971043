// The local console as 80 x 25 cells of character and attribute. A Linux
// terminal cannot be read back, so this model is the screen that the local
// drawing tools (ansiwrite's AnsiWrite, videoutils) read and change.
// Columns and rows count from 1; positions in the console window are
// relative to its top-left corner, as in a text-mode console library.
//
// The model changes only when one of those tools is called; the session's
// own output (DoorWrite) never touches it. ConsoleDraw (consoledraw.h) puts
// the changed cells on standard output when that is a terminal, so that the
// sysop's terminal and the model agree cell for cell.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

struct TCharInfo {
  char Ch = ' ';
  uint8_t Attr = 7;
  bool operator==(const TCharInfo&) const = default;
};

inline constexpr int kScreenColumns = 80;
inline constexpr int kScreenRows = 25;

// The whole screen, buffer[row - 1][column - 1] (4000 bytes).
using TScreenBuffer = std::array<std::array<TCharInfo, kScreenColumns>, kScreenRows>;

struct TConsoleWindow {
  int Left = 1, Top = 1, Right = kScreenColumns, Bottom = kScreenRows;
  bool operator==(const TConsoleWindow&) const = default;
};

// Blank cells in attribute 7, cursor at 1, 1 and shown, full-screen window,
// attribute 7, nothing pending to draw. Draws nothing.
void ConsoleReset();

// Cells by absolute position; reads outside the screen give a blank in 7,
// writes outside it are ignored.
TCharInfo ConsoleCell(int x, int y);
void ConsolePutCell(int x, int y, TCharInfo cell);

// The colour that ConsoleWrite, the clears and the line operations use.
uint8_t ConsoleTextAttr();
void ConsoleSetTextAttr(uint8_t attr);

// Ignored unless 1 <= x1 <= x2 <= 80 and 1 <= y1 <= y2 <= 25; moves the
// cursor to the window's top-left corner.
void ConsoleWindow(int x1, int y1, int x2, int y2);
TConsoleWindow ConsoleGetWindow();

// The cursor relative to the window, and absolute.
int ConsoleWhereX();
int ConsoleWhereY();
void ConsoleGotoXY(int x, int y);  // clamped into the window
int ConsoleAbsX();
int ConsoleAbsY();

// Writes text at the cursor in the console's colour. CR goes to the
// window's first column, LF one row down, BS one column left (not past
// the window's edge), BEL is dropped; every other byte is a character.
// Writing into the window's last column wraps to the next row, and moving
// below the window's last row scrolls the window up one row.
void ConsoleWrite(std::string_view text);
// Blank the window and go to its top-left corner.
void ConsoleClrScr();
// Blank from the cursor to the window's right edge.
void ConsoleClrEol();
// Insert or delete n rows at the cursor's row, inside the window.
void ConsoleInsLines(int64_t n);
void ConsoleDelLines(int64_t n);

void ConsoleCursorVisible(bool visible);
bool ConsoleCursorIsVisible();

// What changed since the last draw (ConsoleDraw, consoledraw.h): whether
// the cell at x, y changed, or the cursor moved, each forgotten once asked;
// ConsoleForgetChanges forgets every changed cell at once.
bool ConsoleTakeChange(int x, int y);
bool ConsoleTakeMoved();
void ConsoleForgetChanges();

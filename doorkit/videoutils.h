// Drawing on the local console (the sysop's screen), independent of what is
// sent to the caller: 80 x 25 cells (see screencells.h), columns and rows
// counted from 1. Each operation leaves the cursor, the colour and the
// console window as they were, except the cursor operations themselves.
#pragma once

#include <cstdint>
#include <string>

#include "doorkit/screencells.h"

inline constexpr int ScreenSizeX() { return kScreenColumns; }
inline constexpr int ScreenSizeY() { return kScreenRows; }

// Writes line at column x, row y in attr. Ignored outside the screen; cut at
// the right edge, and on the last row one cell short of it, so the screen
// never scrolls. Control bytes are stored as characters, not acted on.
void FastWrite(const std::string& line, int x, int y, uint8_t attr);

// A blank and 7 outside the screen.
char GetCharAt(int x, int y);
uint8_t GetAttrAt(int x, int y);
// Change one cell's character (keeping its attribute) or its attribute
// (keeping its character); ignored outside the screen.
void SetCharAt(char ch, int x, int y);
void SetAttrAt(uint8_t attr, int x, int y);

void ScreenSave(TScreenBuffer& buffer);
// Puts every cell of the buffer back, the bottom-right one included.
void ScreenRestore(const TScreenBuffer& buffer);

// The cursor as (column - 1) + (row - 1) * 256, absolute.
uint16_t WhereXYAbs();
// Moves the cursor there (kept inside the console window).
void GotoXYAbs(uint16_t xy);
void CursorHide();
void CursorShow();

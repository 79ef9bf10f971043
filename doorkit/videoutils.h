// Drawing on the local console (the sysop's screen), independent of what is
// sent to the caller: 80 x 25 cells, columns and rows counted from 1.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int ScreenSizeX() { return 80; }
inline constexpr int ScreenSizeY() { return 25; }

// Writes line at column x, row y in attr, leaving the cursor and colour as
// they were. Ignored outside the screen; cut at the right edge, and on the
// last row one cell short of it, so the screen never scrolls.
void FastWrite(const std::string& line, int x, int y, uint8_t attr);

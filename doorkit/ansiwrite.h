// The local ANSI interpreter: renders text with embedded ANSI sequences on
// the local console's cells (screencells.h), and draws the result on
// standard output when that is a terminal. The parser state lives on between calls, so a sequence
// split over two writes still works.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TAnsiParserState { None = 0, HaveEscape = 1, HaveBracket = 2 };

extern TAnsiParserState AnsiParserState;
extern std::string AnsiBuffer;           // digits of the parameter being read
extern std::vector<int32_t> AnsiParams;  // [0] is a placeholder; parameters from [1]
extern uint8_t AnsiAttr;                 // saved by the conceal code (8)
extern int32_t AnsiXY;                   // saved by "s": column + row * 256

// A sequence keeps at most this many parameters; later ones are dropped.
inline constexpr size_t kAnsiMaxParams = 1024;

void AnsiWrite(const std::string& text);
void AnsiWriteLn(const std::string& text);
// Back to the start-up state: no sequence under way, AnsiAttr 7, AnsiXY 1, 1.
void AnsiResetParser();

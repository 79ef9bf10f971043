// ANSI escape sequence builders. Numbers are decimal without padding; every
// call returns its full sequence (nothing is suppressed when unchanged).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// PC colour 0..7 to ANSI colour digit (its own inverse).
extern const uint8_t AnsiColours[8];

std::string AnsiClrScr();
std::string AnsiClrEol();
std::string AnsiCursorUp(uint8_t n);
std::string AnsiCursorDown(uint8_t n);
std::string AnsiCursorRight(uint8_t n);
std::string AnsiCursorLeft(uint8_t n);
std::string AnsiCursorSave();
std::string AnsiCursorRestore();
std::string AnsiGotoXY(uint8_t x, uint8_t y);
std::string AnsiGotoX(uint8_t x);
std::string AnsiGotoY(uint8_t y);
std::string AnsiTextBackground(uint8_t c);
// Dark colours reset with "0;" and re-send the tracked background.
std::string AnsiTextColour(uint8_t c);
std::string AnsiTextAttr(uint8_t a);
std::string AnsiBlink(bool on);

// ---- the local interpreter -------------------------------------------------
// Renders text with embedded ANSI sequences on the local console's cells
// (screencells.h), and draws the result on standard output when that is a
// terminal. The parser state lives on between calls, so a sequence split
// over two writes still works.

enum class TAnsiParserState { None = 0, HaveEscape = 1, HaveBracket = 2 };

extern TAnsiParserState AnsiParserState;
extern std::string AnsiBuffer;          // digits of the parameter being read
extern std::vector<int32_t> AnsiParams;  // [0] is a placeholder; parameters from [1]
extern uint8_t AnsiAttr;                // saved by the conceal code (8)
extern int32_t AnsiXY;                  // saved by "s": column + row * 256

// A sequence keeps at most this many parameters; later ones are dropped.
inline constexpr size_t kAnsiMaxParams = 1024;

void AnsiWrite(const std::string& text);
void AnsiWriteLn(const std::string& text);
// Back to the start-up state: no sequence under way, AnsiAttr 7, AnsiXY 1, 1.
void AnsiResetParser();

// ANSI escape sequence builders. Numbers are decimal without padding; every
// call returns its full sequence (nothing is suppressed when unchanged).
#pragma once

#include <cstdint>
#include <string>

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

#include "doorkit/ansi.h"

#include <algorithm>
#include <climits>

#include "doorkit/crt2.h"

const uint8_t AnsiColours[8] = {0, 4, 2, 6, 1, 5, 3, 7};

namespace {
const std::string kEsc = "\x1b[";
std::string Num(int n) { return std::to_string(n); }
}  // namespace

std::string AnsiClrScr() { return kEsc + "2J" + AnsiGotoXY(1, 1); }
std::string AnsiClrEol() { return kEsc + "K"; }
std::string AnsiCursorUp(uint8_t n) { return kEsc + Num(n) + "A"; }
std::string AnsiCursorDown(uint8_t n) { return kEsc + Num(n) + "B"; }
std::string AnsiCursorRight(uint8_t n) { return kEsc + Num(n) + "C"; }
std::string AnsiCursorLeft(uint8_t n) { return kEsc + Num(n) + "D"; }
std::string AnsiCursorSave() { return kEsc + "s"; }
std::string AnsiCursorRestore() { return kEsc + "u"; }
std::string AnsiGotoXY(uint8_t x, uint8_t y) { return kEsc + Num(y) + ";" + Num(x) + "f"; }

std::string AnsiGotoX(uint8_t x) {
  std::string s = AnsiCursorLeft(255);
  if (x > 1) s += AnsiCursorRight(static_cast<uint8_t>(x - 1));
  return s;
}

std::string AnsiGotoY(uint8_t y) {
  std::string s = AnsiCursorUp(255);
  if (y > 1) s += AnsiCursorDown(static_cast<uint8_t>(y - 1));
  return s;
}

std::string AnsiTextBackground(uint8_t c) { return kEsc + Num(40 + AnsiColours[c % 8]) + "m"; }

std::string AnsiTextColour(uint8_t c) {
  c %= 16;
  if (c < 8) {
    return kEsc + "0;" + Num(30 + AnsiColours[c]) + "m" +
           AnsiTextBackground(static_cast<uint8_t>(GetTextAttr() >> 4));
  }
  return kEsc + "1;" + Num(30 + AnsiColours[c - 8]) + "m";
}

std::string AnsiTextAttr(uint8_t a) {
  return AnsiTextColour(a & 15) + AnsiTextBackground(static_cast<uint8_t>(a >> 4));
}

std::string AnsiBlink(bool on) {
  if (on) return kEsc + "5m";
  uint8_t a = GetTextAttr();
  return kEsc + "0m" + AnsiTextBackground(static_cast<uint8_t>(a >> 4)) + AnsiTextColour(a & 15);
}

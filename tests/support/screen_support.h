// Expected screens for the local console's cells, and a small terminal that
// renders what the console draws on standard output, to check that the two
// agree.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "doorkit/screencells.h"
#include "doorkit/videoutils.h"

inline TScreenBuffer BlankScreen(uint8_t attr = 7) {
  TScreenBuffer s;
  for (auto& row : s) row.fill({' ', attr});
  return s;
}

// text at column x, row y in attr (no wrapping: the test says where).
inline void Paint(TScreenBuffer& s, int x, int y, uint8_t attr, std::string_view text) {
  for (char c : text) s[static_cast<size_t>(y - 1)][static_cast<size_t>(x++ - 1)] = {c, attr};
}

inline TScreenBuffer CurrentScreen() {
  TScreenBuffer s;
  ScreenSave(s);
  return s;
}

inline std::string Cell(const TCharInfo& c) {
  char ch[8];
  std::snprintf(ch, sizeof ch, "%02X", static_cast<unsigned char>(c.Ch));
  return "'" + std::string(1, c.Ch >= 32 && c.Ch < 127 ? c.Ch : '?') + "'/" + ch + " attr " +
         std::to_string(c.Attr);
}

// "" when the screens agree, else the first few differing cells.
inline std::string ScreenDiff(const TScreenBuffer& want, const TScreenBuffer& got) {
  std::string out;
  int shown = 0;
  for (int y = 1; y <= kScreenRows; ++y)
    for (int x = 1; x <= kScreenColumns; ++x) {
      const TCharInfo& w = want[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)];
      const TCharInfo& g = got[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)];
      if (w == g) continue;
      if (shown++ < 6)
        out += "(" + std::to_string(x) + "," + std::to_string(y) + ") want " + Cell(w) + ", got " +
               Cell(g) + "\n";
    }
  if (shown > 6) out += "... " + std::to_string(shown) + " cells differ\n";
  return out;
}

inline std::string ScreenDiff(const TScreenBuffer& want) {
  return ScreenDiff(want, CurrentScreen());
}

// An 80 x 25 terminal as common emulators behave: absolute moves (CSI f/H),
// SGR 0, 1, 5, 30..37, 40..47, ESC 7 / ESC 8 saving cursor and colour, and
// a deferred wrap at the last column (writing it does not scroll). Enough
// for what the local console draws; anything else is ignored.
struct TinyTerminal {
  TScreenBuffer cells = BlankScreen();
  int x = 1, y = 1;
  uint8_t attr = 7;
  bool pendingWrap = false;
  int savedX = 1, savedY = 1;
  uint8_t savedAttr = 7;

  void Feed(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
      char c = bytes[i];
      if (c == '\x1b' && i + 1 < bytes.size()) {
        char next = bytes[++i];
        if (next == '7') {
          savedX = x, savedY = y, savedAttr = attr;
        } else if (next == '8') {
          x = savedX, y = savedY, attr = savedAttr, pendingWrap = false;
        } else if (next == '[') {
          std::string params;
          while (i + 1 < bytes.size() && !std::isalpha(static_cast<unsigned char>(bytes[i + 1])))
            params += bytes[++i];
          if (i + 1 < bytes.size()) Csi(params, bytes[++i]);
        }
        continue;
      }
      if (pendingWrap) {
        pendingWrap = false;
        x = 1;
        if (y < kScreenRows) {
          ++y;
        } else {
          for (int r = 1; r < kScreenRows; ++r)
            cells[static_cast<size_t>(r - 1)] = cells[static_cast<size_t>(r)];
          cells[kScreenRows - 1].fill({' ', attr});
        }
      }
      cells[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)] = {c, attr};
      if (x == kScreenColumns) {
        pendingWrap = true;
      } else {
        ++x;
      }
    }
  }

  void Csi(const std::string& params, char final) {
    std::vector<int> p;
    if (params.empty() || params[0] != '?') {
      int v = 0;
      for (char c : params) {
        if (c == ';') {
          p.push_back(v);
          v = 0;
        } else {
          v = v * 10 + (c - '0');
        }
      }
      p.push_back(v);
    }
    if (final == 'f' || final == 'H') {
      y = p.size() > 0 && p[0] > 0 ? p[0] : 1;
      x = p.size() > 1 && p[1] > 0 ? p[1] : 1;
      pendingWrap = false;
    } else if (final == 'm') {
      static const uint8_t pc[8] = {0, 4, 2, 6, 1, 5, 3, 7};
      for (int v : p) {
        if (v == 0)
          attr = 7;
        else if (v == 1)
          attr |= 8;
        else if (v == 5)
          attr |= 0x80;
        else if (v >= 30 && v <= 37)
          attr = static_cast<uint8_t>((attr & 0xF8) | pc[v - 30]);
        else if (v >= 40 && v <= 47)
          attr = static_cast<uint8_t>((attr & 0x8F) | (pc[v - 40] << 4));
      }
    }
  }
};

#include "doorkit/ansiwrite.h"

#include <algorithm>
#include <climits>

#include "doorkit/ansi.h"
#include "doorkit/consoledraw.h"
#include "doorkit/crt2.h"
#include "doorkit/screencells.h"

TAnsiParserState AnsiParserState = TAnsiParserState::None;
std::string AnsiBuffer;
std::vector<int32_t> AnsiParams{0};
uint8_t AnsiAttr = 7;
int32_t AnsiXY = 257;

void AnsiResetParser() {
  AnsiParserState = TAnsiParserState::None;
  AnsiBuffer.clear();
  AnsiParams.assign(1, 0);
  AnsiAttr = 7;
  AnsiXY = 257;
}

namespace {

// More digits than int32 holds saturate; the buffer stops growing there.
constexpr size_t kMaxDigits = 11;

void PushParam() {
  int64_t value = 0;
  if (AnsiBuffer.size() >= kMaxDigits) {
    value = INT32_MAX;
  } else {
    for (char c : AnsiBuffer) value = value * 10 + (c - '0');
    if (value > INT32_MAX) value = INT32_MAX;
  }
  AnsiBuffer.clear();
  if (AnsiParams.size() <= kAnsiMaxParams) AnsiParams.push_back(static_cast<int32_t>(value));
}

int32_t Param(size_t i) { return i < AnsiParams.size() ? AnsiParams[i] : 0; }

// Intensity and normal video (0, 1, 22) touch only the local console's
// colour. Every other code works from crt2's tracked attribute, the one the
// door last set, and sets it (and with it the console's colour): so a 1 in
// front of 31 does not make the red bright, while a bright tracked
// foreground stays bright. Text the door itself writes is in step with the
// tracked attribute, so its colours land as it meant them.
void AnsiColour(int32_t p) {
  const uint8_t a = GetTextAttr();
  auto both = [](int v) { SetTextAttr(static_cast<uint8_t>(v)); };
  switch (p) {
    case 0: ConsoleSetTextAttr(7); return;
    case 1: ConsoleSetTextAttr(static_cast<uint8_t>(ConsoleTextAttr() | 8)); return;
    case 22: ConsoleSetTextAttr(static_cast<uint8_t>(ConsoleTextAttr() & ~8)); return;
    case 5:
    case 6: both(a | 0x80); return;
    case 7:
    case 27: both(((a & 7) << 4) | ((a >> 4) & 7)); return;
    case 8:
      AnsiAttr = a;
      both(0);
      return;
    case 25: both(a & 0x7F); return;
    case 28: both(AnsiAttr); return;
    default: break;
  }
  if (p >= 30 && p <= 37) {
    const int bright = (a & 15) > 7 ? 8 : 0;
    both((a & 0xF0) | (AnsiColours[p - 30] + bright));
  } else if (p >= 40 && p <= 47) {
    both((a & 0x8F) | (AnsiColours[p - 40] << 4));
  }
}

void AnsiCommand(char c) {
  if (c < 'A' || c > 'u') return;
  const int64_t n = std::max<int32_t>(Param(1), 1);
  const TConsoleWindow w = ConsoleGetWindow();
  const int64_t width = w.Right - w.Left + 1, height = w.Bottom - w.Top + 1;
  const int64_t x = ConsoleWhereX(), y = ConsoleWhereY();
  auto go = [](int64_t nx, int64_t ny) {
    ConsoleGotoXY(static_cast<int>(nx), static_cast<int>(ny));
  };
  switch (c) {
    case 'A': go(x, std::max<int64_t>(1, y - n)); break;
    case 'B': go(x, std::min(height, y + n)); break;
    case 'C': go(std::min(width, x + n), y); break;
    case 'D': go(std::max<int64_t>(1, x - n), y); break;
    case 'E': go(1, std::min(height, y + n)); break;
    case 'F': go(1, std::max<int64_t>(1, y - n)); break;
    case 'G':
      if (n <= width) go(n, y);
      break;
    case 'H':
    case 'f':
      go(std::clamp<int64_t>(Param(2), 1, width), std::clamp<int64_t>(Param(1), 1, height));
      break;
    case 'J':
      if (Param(1) == 2) ConsoleClrScr();
      break;
    case 'K':
      if (Param(1) == 0) ConsoleClrEol();
      break;
    case 'L': ConsoleInsLines(n); break;
    case 'M': ConsoleDelLines(n); break;
    case 'h':
      if (Param(1) == 25) ConsoleCursorVisible(true);
      break;
    case 'l':
      if (Param(1) == 25) ConsoleCursorVisible(false);
      break;
    case 'm':
      for (size_t i = 1; i < AnsiParams.size(); ++i) AnsiColour(AnsiParams[i]);
      break;
    case 's': AnsiXY = static_cast<int32_t>(x + y * 256); break;
    case 'u': go(AnsiXY % 256, AnsiXY / 256); break;
    default: break;  // S, T, n and the rest
  }
}

}  // namespace

void AnsiWrite(const std::string& text) {
  std::string pending;
  for (char c : text) {
    switch (AnsiParserState) {
      case TAnsiParserState::None:
        if (c == '\x1b') {
          ConsoleWrite(pending);
          pending.clear();
          AnsiParserState = TAnsiParserState::HaveEscape;
        } else {
          pending += c;
        }
        break;
      case TAnsiParserState::HaveEscape:
        if (c == '[') {
          AnsiBuffer.clear();
          AnsiParams.assign(1, 0);
          AnsiParserState = TAnsiParserState::HaveBracket;
        } else {
          AnsiParserState = TAnsiParserState::None;
        }
        break;
      case TAnsiParserState::HaveBracket:
        if (c == ' ' || c == '<' || c == '=' || c == '>' || c == '?') break;
        if (c >= '0' && c <= '9') {
          if (AnsiBuffer == "0") AnsiBuffer.clear();  // leading zeros count for nothing
          if (AnsiBuffer.size() < kMaxDigits) AnsiBuffer += c;
        } else if (c == ';') {
          PushParam();
        } else {
          PushParam();
          AnsiCommand(c);
          AnsiParserState = TAnsiParserState::None;
        }
        break;
    }
  }
  ConsoleWrite(pending);
  ConsoleDraw(false);
}

void AnsiWriteLn(const std::string& text) { AnsiWrite(text + "\r\n"); }

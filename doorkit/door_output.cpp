// Everything sent to the caller: DoorWrite with its colour codes, and the
// line, cursor and colour operations built on it.
#include <cerrno>
#include <cstring>

#include "doorkit/AnsiMusicMini.h"
#include "doorkit/ansi.h"
#include "doorkit/comm.h"
#include "doorkit/cp437.h"
#include "doorkit/crt2.h"
#include "doorkit/door.h"
#include "doorkit/outbuf.h"
#include "doorkit/door_parts.h"
#include "doorkit/filesystem.h"
#include "doorkit/stringutils.h"

bool DisplayingSixel = false;
TDoorCharset DoorCharset = csCP437;

namespace {

// Whether the caller's terminal was last told to blink. The colour
// sequences cannot carry the blink bit, and a bright foreground's "1;"
// leaves blinking on, so DoorTextAttr switches it on and off by itself.
bool BlinkSent = false;

const char* const kBlinkOn = "\x1b[5m";
const char* const kBlinkOff = "\x1b[25m";

}  // namespace

void DoorOutputReset() {
  DisplayingSixel = false;
  DoorCharset = csCP437;
  BlinkSent = false;
}

void DoorSend(const std::string& bytes) {
  const std::string& out = DoorCharset == csUTF8 ? Cp437ToUtf8(StripAnsiMusic(bytes)) : bytes;
  if (out.empty()) return;
  // Held until the program next waits (doorkit/outbuf.h).
  if (Stdio) {
    OutBufStdout(out);
  } else {
    OutBufSocket(out);
  }
}

namespace {

// One backtick code (grave accent + c) acted on; see WriteTicks.
void DoTickCode(char c) {
  static const std::string kColours = "1234567890!@#$%*";
  static const uint8_t kColourOf[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0};
  size_t at = kColours.find(c);
  if (at != std::string::npos) {
    DoorTextColourAndBlink(kColourOf[at], false);
    return;
  }
  switch (c) {
    case 'b': DoorTextColourAndBlink(4, true); break;
    case 'y': DoorTextColourAndBlink(14, true); break;
    case 'c':
      DoorTextAttr(7);
      DoorClrScr();
      DoorWrite("\r\n\r\n");
      break;
    case 'd': DoorWrite("\b"); break;
    case 'x': DoorWrite(" "); break;
    case '\\': DoorWrite("\r\n"); break;
    case 'l': Delay(500); break;
    case 'w': Delay(100); break;
    case 'k':
      DoorWrite("`r0  `2<`0MORE`2>");
      DoorReadKey();
      DoorWrite(std::string(8, '\b') + std::string(8, ' ') + std::string(8, '\b'));
      break;
    case '|':
      for (char spin : std::string("|\\-/|\\-/|")) DoorWrite(std::string(1, spin) + "`w`d");
      DoorWrite(" `d");
      break;
    default: break;  // unknown codes vanish
  }
}

// Writes text piecewise, acting on the backtick codes between the pieces.
void WriteTicks(std::string text) {
  while (!text.empty()) {
    if (text[0] != '`') {
      size_t tick = text.find('`');
      if (tick == std::string::npos) {
        DoorWrite(text);
        return;
      }
      DoorWrite(text.substr(0, tick));
      text.erase(0, tick);
    }
    while (!text.empty() && text[0] == '`') {
      if (text.size() == 1) {
        text.clear();
        break;
      }
      char code = text[1];
      if (code == 'r' && text.size() >= 3) {
        char bg = text[2];
        if (bg >= '0' && bg <= '7') DoorTextBackground(static_cast<uint8_t>(bg - '0'));
        text.erase(0, 3);
      } else {
        text.erase(0, 2);
        DoTickCode(code);
      }
    }
  }
}

}  // namespace

void DoorWrite(const std::string& text) {
  std::string out = text;
  if (DoorSession.PipeWrite && !DisplayingSixel && out.size() >= 3 &&
      out.find('|') != std::string::npos) {
    out = PipeToAnsi(out);
  }
  if (DoorSession.TickWrite && !DisplayingSixel && out.size() >= 2 &&
      out.find('`') != std::string::npos) {
    WriteTicks(out);
    return;
  }
  DoorSend(out);
}

void DoorWriteLn() { DoorWrite("\r\n"); }
void DoorWriteLn(const std::string& text) { DoorWrite(text + "\r\n"); }

void DoorWriteCentered(const std::string& text) {
  int len = static_cast<int>(DoorSession.TickWrite ? TickStrip(text).size() : text.size());
  int column = (80 - len) / 2;
  DoorGotoX(static_cast<uint8_t>(column & 0xFF));
  DoorWrite(text);
}

void DoorClrScr() { DoorWrite(AnsiClrScr()); }
void DoorGotoX(uint8_t x) { DoorWrite(AnsiGotoX(x)); }
void DoorGotoY(uint8_t y) { DoorWrite(AnsiGotoY(y)); }
void DoorGotoXY(uint8_t x, uint8_t y) { DoorWrite(AnsiGotoXY(x, y)); }
void DoorCursorUp(uint8_t n) { DoorWrite(AnsiCursorUp(n)); }
void DoorCursorDown(uint8_t n) { DoorWrite(AnsiCursorDown(n)); }
void DoorCursorLeft(uint8_t n) { DoorWrite(AnsiCursorLeft(n)); }
void DoorCursorRight(uint8_t n) { DoorWrite(AnsiCursorRight(n)); }
void DoorCursorSave() { DoorWrite(AnsiCursorSave()); }
void DoorCursorRestore() { DoorWrite(AnsiCursorRestore()); }

void DoorTextAttr(uint8_t a) {
  SetTextAttr(a);
  std::string sequence = AnsiTextAttr(a);
  const bool blink = (a & 0x80) != 0;
  if (blink) {
    sequence += kBlinkOn;
  } else if (BlinkSent) {
    sequence += kBlinkOff;
  }
  BlinkSent = blink;
  DoorWrite(sequence);
}

void DoorTextColour(uint8_t c) {
  SetTextColour(c);
  DoorWrite(AnsiTextColour(c));
}

void DoorTextBackground(uint8_t c) {
  SetTextBackground(c);
  DoorWrite(AnsiTextBackground(c));
}

void DoorTextColourAndBlink(uint8_t c, bool blink) {
  SetTextColour(c);
  DoorWrite(AnsiTextColour(c));
  DoorWrite(AnsiBlink(blink));
  BlinkSent = blink;  // blink off is a full reset (ESC [0m)
}

void DoorDisplayFile(const std::string& name) {
  std::string text;
  int err = Files().ReadFile(name, text);
  if (err != 0) {
    DoorWriteLn("Error reading \"" + name + "\": " + FileErrorText(err));
    DoorWriteLn("Hit a key to continue");
    DoorReadKey();
    return;
  }
  // One line per LF (a CR before it belongs to the line end); a last line
  // ends the output without a line end.
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!first) DoorWriteLn();
    DoorWrite(line);
    first = false;
  }
}

void DoorDisplaySixel(const std::string& name) {
  DisplayingSixel = true;
  DoorDisplayFile(name);
  DisplayingSixel = false;
}

void EmitAnsiMusicSequence(const std::string& seq) { DoorWrite(AnsiMusicSequence(seq)); }

// Keys from the caller: single keys (with the remote terminal's cursor-key
// sequences turned into PC extended keys), the line editor and the lightbar.
#include <algorithm>
#include <cctype>
#include <climits>

#include "doorkit/comm.h"
#include "doorkit/crt2.h"
#include "doorkit/door.h"
#include "doorkit/outbuf.h"

namespace {

std::string Printable(char from, char to, const std::string& except = "") {
  std::string s;
  for (int c = from; c <= to; ++c) {
    if (except.find(static_cast<char>(c)) == std::string::npos) s += static_cast<char>(c);
  }
  return s;
}

// Blocks until input may be waiting or until the next periodic check that
// can act, whichever comes first. An idle caller thus costs a wake-up at
// each warning and at the end, not one a second; a local or standard-I/O
// session, which has no checks, sleeps until a key comes.
void WaitForInput() {
  int timeoutMs = DoorEventsWaitMs();
  if (!Stdio && !CommCarrier()) {
    // The caller is gone and a dead socket polls readable at once: sleep
    // until the check that ends the session instead of spinning.
    Delay(timeoutMs < 0 ? 60000 : timeoutMs);
  } else {
    Env().WaitForInput(Stdio ? -1 : CommHandle(), timeoutMs);
  }
  DoorEventsCatchUp();
}

// Up to ten steps of up to 50 ms for the next byte of an escape sequence.
bool AwaitSequenceByte() {
  for (int step = 0; step < 10; ++step) {
    if (CommCharAvail()) return true;
    Env().WaitForInput(CommHandle(), 50);
  }
  return CommCharAvail();
}

// One key from the socket, or false while an escape sequence is swallowed.
// The four cursor keys (ESC [ A..D, or ESC O A..D from a terminal in
// application mode) become extended keys; every other sequence (Home, End,
// the page keys, function keys, keys with modifiers) is dropped whole, so
// none of its bytes can reach a menu as a typed letter or digit.
bool ReadSocketKey(char& ch) {
  ch = CommReadChar();
  DoorLastKey.Extended = false;
  if (ch != 27) return true;
  if (!AwaitSequenceByte()) return true;  // a plain ESC
  const char intro = CommPeekChar();
  if (intro != '[' && intro != 'O') return true;  // ESC; the byte starts the next key
  CommReadChar();
  if (!AwaitSequenceByte()) return false;
  auto next = [] { return static_cast<unsigned char>(CommPeekChar()); };
  static const std::string kFinal = "ABCD", kScan = "HPMK";
  const size_t at = kFinal.find(static_cast<char>(next()));
  if (at != std::string::npos) {
    CommReadChar();
    ch = kScan[at];
    DoorLastKey.Extended = true;
    return true;
  }
  // Parameter and intermediate bytes (0x20..0x3F), then the final byte. A
  // control byte cannot belong to the sequence: it is left as the next key.
  while (next() >= 0x20 && next() <= 0x3F) {
    CommReadChar();
    if (!AwaitSequenceByte()) return false;
  }
  if (next() >= 0x20) CommReadChar();
  return false;
}

}  // namespace

const std::string DOOR_INPUT_CHARS_ALL = Printable(' ', '~');
const std::string DOOR_INPUT_CHARS_ALPHA = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string DOOR_INPUT_CHARS_NUMERIC = "0123456789";
const std::string DOOR_INPUT_CHARS_FILENAME = Printable(' ', '~', "`/*?<>|\"");

bool DoorKeyPressed() {
  OutBufFlush();  // the screen is complete once the program asks for a key
  DoorDoEvents();
  return Stdio ? Env().ConsoleKeyPressed() : CommCharAvail();
}

char DoorReadKey() {
  char ch = '\0';
  DoorLastKey.Location = lkNone;
  while (DoorLastKey.Location == lkNone) {
    while (!DoorKeyPressed()) WaitForInput();
    if (Stdio) {
      ch = Env().ConsoleReadKey();
      DoorLastKey.Extended = (ch == '\0');
      if (DoorLastKey.Extended) ch = Env().ConsoleReadKey();
      DoorLastKey.Location = lkUser;
    } else if (ReadSocketKey(ch)) {
      DoorLastKey.Location = lkUser;
    }
  }
  DoorLastKey.Ch = ch;
  DoorLastKey.Time = Now();
  return ch;
}

namespace {

struct LineEditor {
  std::string s;
  int x = 0;  // characters drawn since the field's left edge
  char password;
  size_t visible;

  std::string Shown(const std::string& text) const {
    return password ? std::string(text.size(), password) : text;
  }

  void Redraw() {
    if (x > 0) DoorCursorLeft(static_cast<uint8_t>(x));
    if (s.size() < visible) {
      size_t pad = visible - s.size();
      DoorWrite(Shown(s) + std::string(pad, ' '));
      DoorCursorLeft(static_cast<uint8_t>(pad));
      x = static_cast<int>(s.size());
    } else {
      DoorWrite(Shown(s.substr(s.size() - visible)));
      x = static_cast<int>(visible);
    }
  }
};

}  // namespace

std::string DoorInput(const std::string& ADefaultText, const std::string& AAllowedCharacters,
                      char APasswordCharacter, uint8_t AVisibleLength, uint8_t AMaxLength,
                      uint8_t AAttr) {
  std::string defaultText = ADefaultText.substr(0, AMaxLength);
  LineEditor ed{defaultText, 0, APasswordCharacter, AVisibleLength};
  uint8_t savedAttr = GetTextAttr();
  DoorTextAttr(AAttr);
  ed.Redraw();
  char key;
  do {
    key = DoorReadKey();
    // An extended key is never text, nor an edit or an end of the field.
    if (DoorLastKey.Extended) key = '\0';
    // Many terminals and Telnet clients send DEL for the backspace key.
    if (key == 127) key = '\b';
    if (key == '\b' && !ed.s.empty()) {
      ed.s.pop_back();
      if (ed.s.size() < ed.visible) {
        DoorWrite("\b \b");
        --ed.x;
      } else {
        ed.Redraw();
      }
    } else if (key == 25 && !ed.s.empty()) {
      ed.s.clear();
      ed.Redraw();
    } else if (key != '\0' && AAllowedCharacters.find(key) != std::string::npos &&
               ed.s.size() < AMaxLength) {
      ed.s += key;
      if (ed.s.size() <= ed.visible) {
        DoorWrite(std::string(1, APasswordCharacter ? APasswordCharacter : key));
        ++ed.x;
      } else {
        ed.Redraw();
      }
    }
  } while (key != 27 && key != '\r');
  DoorTextAttr(savedAttr);
  DoorWriteLn();
  return key == 27 ? defaultText : ed.s;
}

namespace {

void DrawLiteBarItem(int32_t i, bool highlighted) {
  DoorCursorRestore();
  if (i > 0) DoorCursorDown(static_cast<uint8_t>(i));
  if (highlighted) DoorTextBackground(1);
  DoorWrite(DoorLiteBarOptions[static_cast<size_t>(i)]);
  DoorTextAttr(15);
}

}  // namespace

bool DoorLiteBar(int32_t APageSize) {
  bool result = true;
  DoorTextAttr(15);
  DoorCursorSave();
  int32_t count = static_cast<int32_t>(
      std::min<size_t>(DoorLiteBarOptions.size(), static_cast<size_t>(INT32_MAX)));
  // An index left from an earlier menu is brought onto one of the items
  // shown now, so that it never points past the end of the options.
  const int32_t shown = std::min(count, APageSize);
  DoorLiteBarIndex = shown > 0 ? std::clamp(DoorLiteBarIndex, 0, shown - 1) : 0;
  for (int32_t i = 0; i < count && i < APageSize; ++i) DrawLiteBarItem(i, i == DoorLiteBarIndex);
  for (;;) {
    char key = static_cast<char>(std::toupper(static_cast<unsigned char>(DoorReadKey())));
    if (key == '\r') break;
    if (key == 'Q') {
      result = false;
      break;
    }
    int step = 0;
    if (std::string("26MP").find(key) != std::string::npos && DoorLiteBarIndex < APageSize - 1 &&
        DoorLiteBarIndex < count - 1) {
      step = 1;
    } else if (std::string("48HK").find(key) != std::string::npos && DoorLiteBarIndex >= 1) {
      step = -1;
    }
    if (step != 0) {
      DrawLiteBarItem(DoorLiteBarIndex, false);
      DoorLiteBarIndex += step;
      DrawLiteBarItem(DoorLiteBarIndex, true);
    }
  }
  DoorCursorRestore();
  return result;
}

// Fuzzes the colour codes of DoorWrite: pipe codes ("|1F") and backtick
// codes ("`2", "`r1", "`k" ...). The first byte picks the codes in force,
// standard output or the socket, and the writer (DoorWrite, DoorWriteLn,
// DoorWriteCentered); the rest is the text. Whatever it holds:
//  - with pipe codes on (alone), no pipe code is left in what is sent;
//  - with backtick codes on, no grave accent is left (a text of a single
//    grave accent is below the codes' length and goes out as it is);
//  - the paging prompt reads one key, the pauses only move the clock;
//  - on the socket, every byte 255 goes out doubled.
#include <algorithm>
#include <string>

#include "doorkit/comm.h"
#include "doorkit/door.h"
#include "doorkit/stringutils.h"
#include "fuzz_support.h"
#include "support/fake_platform.h"

namespace {

bool Hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool HasPipeCode(const std::string& s) {
  for (size_t i = 0; i + 2 < s.size(); ++i) {
    if (s[i] == '|' && Hex(s[i + 1]) && Hex(s[i + 2])) return true;
  }
  return false;
}

// The socket's bytes with the Telnet escaping undone; false when a 255
// went out alone.
bool Unescape(const std::string& sent, std::string& out) {
  for (size_t i = 0; i < sent.size(); ++i) {
    out += sent[i];
    if (static_cast<unsigned char>(sent[i]) == 255) {
      if (i + 1 >= sent.size() || static_cast<unsigned char>(sent[i + 1]) != 255) return false;
      ++i;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  FakePlatform fake;
  const uint8_t flags = data[0];
  const std::string text = fuzz::Bytes(data + 1, size - 1);
  DoorSession.PipeWrite = flags & 1;
  DoorSession.TickWrite = flags & 2;
  const bool socket = flags & 4;
  if (socket) {
    Stdio = false;
    CommOpen(5);
    fake.TakeOut();  // the Telnet announcements
    fake.socketOut.clear();
  }
  // One key for every paging prompt the text could hold, and one more.
  const std::string keys(static_cast<size_t>(std::count(text.begin(), text.end(), 'k')) + 1, 'k');
  if (socket) {
    fake.SocketChunk(keys);
  } else {
    fake.Keys(keys);
  }
  try {
    switch ((flags >> 3) % 3) {
      case 0: DoorWrite(text); break;
      case 1: DoorWriteLn(text); break;
      case 2: DoorWriteCentered(text); break;
    }
  } catch (const ScriptExhausted&) {
    fuzz::Fail("the paging prompts read more keys than there were prompts");
  }

  std::string out = fake.out;
  if (socket) {
    std::string plain;
    fuzz::Check(Unescape(fake.socketOut, plain), "a byte 255 sent undoubled");
    out = plain;
    CommClose(false);
  }
  // (Backtick codes are acted on after the pipe codes, so with both on, a
  // "|" and two hex digits may meet in the output across a vanished code.)
  if (DoorSession.PipeWrite && !DoorSession.TickWrite)
    fuzz::Check(!HasPipeCode(out), "a pipe code was sent as text");
  if (DoorSession.TickWrite && text != "`") {
    fuzz::Check(out.find('`') == std::string::npos, "a backtick code was sent as text");
  }
  return 0;
}

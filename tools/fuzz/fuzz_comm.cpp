// Fuzzes what a caller sends over Telnet, from the socket to the prompts.
// The first four bytes choose the run, the rest are the caller's bytes,
// cut into receives at positions they choose, each arriving some time after
// the one before (so escape sequences complete in time or are given up),
// with a hang-up after the last. Bits 3-4 of the first byte pick the
// reader, called over and over until the hang-up ends the session:
//   0, 3  DoorReadKey: never an LF (every Enter is one CR), extended keys
//         only the four cursor keys, never more keys than bytes sent
//   1     DoorInput with lengths and character set from bytes 1-3: the
//         answer fits the field and holds only allowed characters past
//         what is left of the default
//   2     DoorLiteBar over three items: the bar stays on an item
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "doorkit/comm.h"
#include "doorkit/door.h"
#include "fuzz_support.h"
#include "support/fake_platform.h"

namespace {

void ReadKeys(size_t sent) {
  size_t keys = 0;
  for (;;) {
    const char k = DoorReadKey();
    ++keys;
    fuzz::Check(k != '\n', "an LF read as a key");
    fuzz::Check(!DoorLastKey.Extended || std::string("HPMK").find(k) != std::string::npos,
                "an extended key other than a cursor key");
    fuzz::Check(keys <= sent, "more keys than bytes sent");
  }
}

void ReadLines(uint8_t a, uint8_t b, uint8_t c) {
  static const std::string* const kSets[4] = {&DOOR_INPUT_CHARS_ALL, &DOOR_INPUT_CHARS_ALPHA,
                                              &DOOR_INPUT_CHARS_NUMERIC,
                                              &DOOR_INPUT_CHARS_FILENAME};
  const std::string& allowed = *kSets[c & 3];
  const char password = (c & 4) ? '*' : '\0';
  const auto visible = static_cast<uint8_t>(1 + a % 40);
  const auto max = static_cast<uint8_t>(b % 64);
  const std::string defaultText = (c & 8) ? "SYSOP of the BBS|`" : "";
  const std::string cut = defaultText.substr(0, max);
  for (;;) {
    const std::string answer = DoorInput(defaultText, allowed, password, visible, max, 0x1F);
    fuzz::Check(answer.size() <= max, "an answer longer than the field");
    size_t kept = 0;
    while (kept < answer.size() && kept < cut.size() && answer[kept] == cut[kept]) ++kept;
    for (size_t i = kept; i < answer.size(); ++i) {
      fuzz::Check(allowed.find(answer[i]) != std::string::npos, "a character not allowed");
    }
  }
}

void ChooseItems(uint8_t a) {
  DoorLiteBarOptions = {"Klassic", "Multiplayer", "Quit"};
  const int32_t page = 1 + a % 4;
  for (;;) {
    DoorLiteBar(page);
    fuzz::Check(DoorLiteBarIndex >= 0 && DoorLiteBarIndex < 3 && DoorLiteBarIndex < page,
                "the lightbar left its items");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  fuzz::World world;
  FakePlatform& fake = world.fake;
  fake.maxIdleMs = 60 * 1000;
  const uint8_t flags = data[0];
  const size_t cuts = flags % 8;
  const std::string bytes = fuzz::Bytes(data + 4, size - 4);
  size_t at = 0;
  int64_t when = 0;
  for (size_t i = 0; i < cuts && at < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[at]);
    const size_t len = 1 + b % 16;
    fake.SocketChunk(bytes.substr(at, len), when);
    when += (b >> 4) * 40;  // 0 to 600 ms later
    at += len;
  }
  if (at < bytes.size()) fake.SocketChunk(bytes.substr(at), when);
  fake.HangUp(when);
  Stdio = false;
  CommOpen(5);
  DoorSession.Events = true;
  DoorSession.TimeOn = DoorLastKey.Time = Now();
  try {
    switch ((flags >> 3) & 3) {
      case 0:
      case 3: ReadKeys(bytes.size()); break;
      case 1: ReadLines(data[1], data[2], data[3]); break;
      case 2: ChooseItems(data[1]); break;
    }
  } catch (const DoorExit& e) {
    fuzz::Check(e.code == 0, "the session ended with a non-zero exit code");
  }
  CommClose(false);
  return 0;
}

#include "doorkit/crt2.h"

#include "doorkit/screencells.h"

namespace {
// The local console starts in 7 (see screencells), so that is the start.
constexpr uint8_t kStartAttr = 7;
uint8_t g_attr = kStartAttr;
}  // namespace

uint8_t GetTextAttr() { return g_attr; }

void Crt2Reset() { g_attr = kStartAttr; }

void SetTextAttr(uint8_t a) {
  g_attr = a;
  ConsoleSetTextAttr(a);
}

void SetTextColour(uint8_t c) {
  ConsoleSetTextAttr(static_cast<uint8_t>((c & 0x8F) | (ConsoleTextAttr() & 0x70)));
  g_attr = static_cast<uint8_t>((c & 0x8F) | (g_attr & 0x70));
}

void SetTextBackground(uint8_t c) {
  ConsoleSetTextAttr(static_cast<uint8_t>((ConsoleTextAttr() & 0x8F) | ((c << 4) & 0x70)));
  g_attr = static_cast<uint8_t>((g_attr & 0x8F) | ((c << 4) & 0x70));
}

#include "doorkit/crt2.h"

namespace {
uint8_t g_attr = 7;  // no local console attribute to inherit: grey on black
}

uint8_t GetTextAttr() { return g_attr; }
void SetTextAttr(uint8_t a) { g_attr = a; }
void SetTextColour(uint8_t c) { g_attr = static_cast<uint8_t>((c & 0x8F) | (g_attr & 0x70)); }
void SetTextBackground(uint8_t c) {
  g_attr = static_cast<uint8_t>((g_attr & 0x8F) | ((c << 4) & 0x70));
}

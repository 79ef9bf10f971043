// The text attribute the caller's terminal is in: low nibble foreground
// 0..15, bits 4..6 background 0..7, bit 7 blink (PC palette). Each setter
// also sets the local console's colour (screencells) the same way.
#pragma once

#include <cstdint>

uint8_t GetTextAttr();
void SetTextAttr(uint8_t a);
// Foreground c (its blink bit 0x80 kept); background unchanged.
void SetTextColour(uint8_t c);
// Background c (0..7); foreground and blink unchanged.
void SetTextBackground(uint8_t c);
// Back to the start, 7 (grey on black), as the local console starts (its
// own reset is ConsoleReset).
void Crt2Reset();

// The game's small prompt conventions, shared by every screen.
#pragma once

#include <cstdint>
#include <string>

// A one-key answer: read, upper-cased and echoed with a line end.
char ReadEchoedKey();
// "Art thou a [K] King or a [Q] Queen?" until K or Q: "King" or "Queen".
std::string AskRulerTitle();
// The battle pause: "*[ Press any Key ]*" in light green, then one key.
// The line is left open; each caller ends it (or not) as its screen needs.
void PressAnyKeyPause();
// The menu pause: "Press any key..." in the current colour, then one key.
// The line is left open.
void PressAnyKey();
// "Press [ENTER] to abort." in white and yellow on red, then colourAfter
// and a line end.
void ShowAbortHint(uint8_t colourAfter);

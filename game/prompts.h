// The game's small prompt conventions, shared by every screen.
#pragma once

#include <cstdint>

// A one-key answer: read, upper-cased and echoed with a line end.
char ReadEchoedKey();
// "Press [ENTER] to abort." in white and yellow on red, then colourAfter
// and a line end.
void ShowAbortHint(uint8_t colourAfter);

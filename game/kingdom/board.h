// The two kingdoms' forces side by side in a double-lined box: names, power
// bars and counters. The battle screen and the Multiplayer game view both
// draw it under their own heading.
#pragma once

#include <cstdint>

class TPlayer;

// ALeft is labelled " You: "; ARightLabel names the right-hand bar (six
// characters). The box is drawn in ABoxColour.
void DrawForcesBoard(TPlayer& ALeft, TPlayer& ARight, const char* ARightLabel, uint8_t ABoxColour);

#include "game/klassic.h"

// The Klassic game loop arrives with King Computer; until then K sets up the
// caller's kingdom and returns to the main menu.
void PlayGame() {}
bool PlayAgain() { return false; }

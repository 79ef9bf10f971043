// The caller's welcome and the setting up of their kingdom.
#pragma once

// Greets the caller, explains the game and asks about sound (sets Music).
void ShowIntro();
// Asks King or Queen and the ruler's name until confirmed; creates Player.
void SetupPlayerKingdom();

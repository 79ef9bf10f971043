// V of the Multiplayer menu: one game in detail, its status board, its
// state and a summary of the last move.
#pragma once

#include <cstdint>

class TPlayer;

// Draws the lobby, asks for a game number and shows that game.
void ViewGameStatus();
// The status board of a game: AYou on the left, AThem on the right.
void DisplayPvPGameScreen(TPlayer& AYou, TPlayer& AThem, int32_t AMonth);

// Klassic mode: whole games against King Computer.
#pragma once

// Plays one game to its end, with the records, scores and session tally.
void PlayGame();
// "Play again? [Y/N]" until Y or N; true for Y.
bool PlayAgain();

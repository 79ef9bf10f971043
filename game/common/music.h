// Sound effects: every tune goes out as ANSI music while Music is on; with
// it off, a short silent pause keeps the pacing.
#pragma once

#include <string>

extern bool Music;

void PlayMusic(const std::string& tune);
// PlayMusic, then a pause: ms with music on, a fixed 150 ms with it off.
void PlayBeat(const std::string& tune, int ms);

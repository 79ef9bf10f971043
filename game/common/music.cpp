#include "game/common/music.h"

#include "doorkit/door.h"

bool Music = true;

void MusicReset() { Music = true; }

void PlayMusic(const std::string& tune) {
  if (Music) {
    EmitAnsiMusicSequence(tune);
  } else {
    Delay(static_cast<int>(tune.size() / 10) + 15);
  }
}

void PlayBeat(const std::string& tune, int ms) {
  PlayMusic(tune);
  if (!Music) {
    Delay(150);
  } else if (ms > 0) {
    Delay(ms);
  }
}

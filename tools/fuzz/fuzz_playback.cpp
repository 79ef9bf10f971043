// Fuzzes the replay of a turn log: the input, split into lines, is a game's
// LastTurnActions, played back to the fake console. The closing pause has
// its key scripted, so a replay that waits for more than that one key, or
// for ever, shows up as a failure.
#include <cstddef>
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "game/common/music.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/playback.h"
#include "support/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FakePlatform fake;
  DoorSession.PipeWrite = false;
  Music = size % 2 == 0;  // both the sound and the silent pacing
  TPvPGameState game;
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\n') {
      game.LastTurnActions.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) game.LastTurnActions.push_back(line);
  const bool any = !game.LastTurnActions.empty();

  fake.Keys("x");
  PlaybackOpponentTurn(game, "Rival");
  if (!game.LastTurnActions.empty()) __builtin_trap();
  if (any == fake.ConsoleKeyPressed()) __builtin_trap();  // exactly one key read, if any
  return 0;
}

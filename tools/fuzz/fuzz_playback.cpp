// Fuzzes the replay of a turn: the input, split into lines, is the turn log
// of a game file, which is loaded and played back to the fake console, with
// the sound (even sizes) or the silent pacing (odd ones). Whatever the log
// holds, the replay ends, reads exactly its one closing key (none for an
// empty log), clears the log and sends nothing the log could use to drive
// the caller's terminal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "doorkit/door.h"
#include "game/common/music.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/playback.h"
#include "game/multiplayer/storage.h"
#include "fuzz_support.h"
#include "support/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::World world;
  FakePlatform& fake = world.fake;
  DoorSession.PipeWrite = false;
  Music = size % 2 == 0;
  TPvPGameState game;
  game.GameID = "202612091100001";
  game.GameNumber = 1;
  game.GameType = gtMultiplayer;
  game.Status = gsInProgress;
  game.Player1Alias = game.Player1DisplayName = "Arthur";
  game.Player2Alias = game.Player2DisplayName = "Mordred";
  game.CurrentTurnAlias = "Arthur";
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\n' || c == '\r') {
      game.LastTurnActions.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) game.LastTurnActions.push_back(line);
  const std::string path = fake.gameDir + "game_202612091100001.dat";
  game.SaveToFile(path);
  std::unique_ptr<TPvPGameState> loaded = LoadGameState(path);
  fuzz::Check(loaded->LastTurnActions == game.LastTurnActions, "the log did not travel whole");
  const bool any = !loaded->LastTurnActions.empty();

  fake.Keys("x");
  PlaybackOpponentTurn(*loaded, "Mordred");
  fuzz::Check(loaded->LastTurnActions.empty(), "the log was not cleared");
  fuzz::Check(any != fake.ConsoleKeyPressed(), "not exactly one key read");
  fuzz::Check(fuzz::OnlyOwnControls(fake.out), "the log's control codes reach the caller");
  return 0;
}

#include "game/scores.h"

#include "doorkit/door.h"

// The scoreboards arrive with the records; until then there is none.
void UpdateUserFile(int32_t, int32_t, bool) {}

void ShowScoreboard(bool) {
  DoorWriteLn();
  DoorTextAttr(2);
  DoorWriteLn("* Scoreboard file not found *");
  DoorWriteLn();
}

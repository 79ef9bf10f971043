// Fuzzes the Multiplayer game files. The first byte picks who the caller is
// and what they do (bit 2: which game the view asks for); the rest is a
// game file in games/active (and, with bit 3 set, a second copy as well,
// so that listings hold two games).
//  - The file is loaded, saved and loaded again: the state comes back the
//    same, field by field (dates as their text).
//  - The listings, the next game number, the lobby, the game view and the
//    join list read it; the caller then plays their turn in it with a
//    scripted command, through the replay of the log, the war engine with
//    the file's counters, and the save; the expiry pass runs last.
//  - The game is then in "active" or in "completed", never in both, and
//    nothing sent to the caller carries the file's own control codes.
#include <filesystem>
#include <string>

#include "doorkit/door.h"
#include "game/common/datetime.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/gameview.h"
#include "game/multiplayer/lobby.h"
#include "game/multiplayer/newgame.h"
#include "game/multiplayer/pvpturn.h"
#include "game/multiplayer/storage.h"
#include "game/kingdom/turnlog.h"
#include "game/common/globals.h"
#include "fuzz_support.h"
#include "support/fake_platform.h"

namespace {

void CheckRoundTrip(const TPvPGameState& a, const std::string& scratch) {
  a.SaveToFile(scratch);
  TPvPGameState b;
  b.LoadFromFile(scratch);
  auto check = [](bool ok, const char* field) {
    if (!ok) fuzz::Fail(field);
  };
  // A load cut short keeps empty display names; a whole file fills them in.
  const std::string name1 = a.Player1DisplayName.empty() ? a.Player1Alias : a.Player1DisplayName;
  const std::string name2 = a.Player2DisplayName.empty() ? a.Player2Alias : a.Player2DisplayName;
  check(a.GameID == b.GameID, "round trip: GameID");
  check(a.GameNumber == b.GameNumber, "round trip: GameNumber");
  check(a.GameType == b.GameType && a.Status == b.Status, "round trip: type or status");
  check(a.MaxPlayers == b.MaxPlayers && a.CurrentPlayers == b.CurrentPlayers,
        "round trip: players");
  check(a.Player1Alias == b.Player1Alias && name1 == b.Player1DisplayName &&
            a.Player2Alias == b.Player2Alias && name2 == b.Player2DisplayName &&
            a.Player3Alias == b.Player3Alias && a.Player4Alias == b.Player4Alias,
        "round trip: aliases and names");
  check(a.CurrentTurnAlias == b.CurrentTurnAlias && a.MonthNumber == b.MonthNumber &&
            a.TurnOrder[0] == b.TurnOrder[0] && a.TurnOrder[1] == b.TurnOrder[1],
        "round trip: turn");
  check(a.Player1Title == b.Player1Title && a.Player2Title == b.Player2Title, "round trip: titles");
  for (int slot = 1; slot <= 2; ++slot) {
    TPlayer x("King", "", false), y("King", "", false);
    a.LoadStateToPlayer(x, slot);
    b.LoadStateToPlayer(y, slot);
    check(x.Score == y.Score && x.Kastle == y.Kastle && x.Soldiers == y.Soldiers &&
              x.Civilians == y.Civilians && x.Gronels == y.Gronels && x.Slingards == y.Slingards &&
              x.Assassins == y.Assassins && x.Guards == y.Guards && x.Gold == y.Gold &&
              x.Food == y.Food,
          "round trip: counters");
  }
  check(DateTimeToStr(a.CreatedDate) == DateTimeToStr(b.CreatedDate) &&
            DateTimeToStr(a.LastMoveDate) == DateTimeToStr(b.LastMoveDate) &&
            DateTimeToStr(a.TimeoutDate) == DateTimeToStr(b.TimeoutDate),
        "round trip: dates");
  check(a.Winner == b.Winner, "round trip: winner");
  check(a.LastTurnActions == b.LastTurnActions, "round trip: turn log");
}

// Where a game file may be: "active", "completed", or both (a fault).
int Places(const std::string& name) {
  return (std::filesystem::exists(GetActiveGamesDir() + name) ? 1 : 0) +
         (std::filesystem::exists(GetCompletedGamesDir() + name) ? 2 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  FakePlatform fake;
  DoorSession.PipeWrite = false;
  CurrentTurnActions.reset();
  InitializeGameDirs();
  const uint8_t flags = data[0];
  const std::string file = fuzz::Bytes(data + 1, size - 1);
  const std::string first = "game_202612091100001.dat", second = "game_202612091100002.dat";
  fuzz::Put(GetActiveGamesDir() + first, file);
  if (flags & 8) fuzz::Put(GetActiveGamesDir() + second, file);

  TPvPGameState loaded;
  loaded.LoadFromFile(GetActiveGamesDir() + first);
  const TDateTime lastMove = LoadGameState(GetActiveGamesDir() + first)->LastMoveDate;
  CheckRoundTrip(loaded, fake.gameDir + "scratch.dat");

  switch (flags & 3) {
    case 0: HoldAliasForWrite = loaded.CurrentTurnAlias; break;
    case 1: HoldAliasForWrite = loaded.Player1Alias; break;
    case 2: HoldAliasForWrite = loaded.Player2Alias; break;
    case 3: HoldAliasForWrite = "Nobody"; break;
  }
  fuzz::Check(GetNextAvailableGameNumber() >= 1, "a game number below 1");
  for (const TGameEntry& e : GetOpenGames()) {
    fuzz::Check(
        e.State->Status == gsWaitingForPlayers && e.State->Player1Alias != HoldAliasForWrite,
        "an open game that is not open to the caller");
  }
  GetMyActiveGames();

  // The lobby and its menu, one game's view, the join list (cancelled);
  // then a turn with one of the commands.
  fake.Keys("x");
  try {
    ShowMultiplayerMenu();
  } catch (const ScriptExhausted&) {}
  fake.Keys((flags & 4) ? "2\r  " : "1\r  ");
  try {
    ViewGameStatus();
  } catch (const ScriptExhausted&) {}
  static const char* const kCommands[16] = {"P",  "S",    "A",    "FM",      "FK", "KM",
                                            "KK", "D5\r", "R5\r", "T1\r5\r", "QY", "?",
                                            "\r", "$",    "Z",    "TG9\r"};
  fake.Keys("\r");
  try {
    JoinPvPGame();
  } catch (const ScriptExhausted&) {}
  fake.Keys(std::string(" ") + kCommands[(flags >> 4) & 15]);
  for (int i = 0; i < 20; ++i) fake.Keys(" \r");
  try {
    PlayPvPTurn();
  } catch (const ScriptExhausted&) {
    // a command that wants more than the script holds
  }
  fuzz::Check(fuzz::OnlyOwnControls(fake.out), "the file's control codes reach the caller");
  // The lobby's expiry pass closes a game idle for a week and, its last move
  // being a week old, deletes it from "completed" at once; any other game
  // is still there.
  const bool stale = (Now() - lastMove) * 86400.0 >= Config.DaysUntilExpire * 86400.0 - 1.0;
  fuzz::Check(Places(first) == 1 || Places(first) == 2 || (stale && Places(first) == 0),
              "the game is lost or in both folders");

  CleanupExpiredGames();
  fuzz::Check(Places(first) != 3 && Places(second) != 3, "a game in both folders");
  return 0;
}

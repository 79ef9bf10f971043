#include "game/multiplayer/newgame.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/storage.h"
#include "game/common/globals.h"

namespace {

const char* const kNameLetters = "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM ";
constexpr int kNameLength = 35;

void Heading(const std::string& title) {
  UpdatePlayerOnlineStatus();
  DoorClrScr();
  DoorWriteLn();
  DoorTextAttr(15);
  DoorWriteLn(title);
  DoorWriteLn();
}

// False, after saying so, when the caller already takes part in as many
// waiting or running games as the board allows.
bool WithinGameLimit() {
  const int32_t games = CountMyActiveGames();
  if (Config.MaxGames > games) return true;
  DoorTextAttr(12);
  DoorWriteLn("You are already in " + std::to_string(games) + " games.");
  DoorWriteLn("Maximum allowed is " + std::to_string(Config.MaxGames) + ".");
  DoorWriteLn();
  PressAnyKey();
  return false;
}

std::string ReadRulerName() {
  return Proper(TrimBlanks(
      DoorInput(Proper(HoldAliasForWrite), kNameLetters, '\0', kNameLength, kNameLength, 2)));
}

// Asks King or Queen and the ruler's name; the new kingdom becomes Player.
void SetUpKingdom(bool creating) {
  const std::string title = AskRulerTitle();

  const char* const prompt = "What name shall you be known by sire? -=> ";
  DoorTextAttr(10);
  DoorWrite(prompt);
  DoorTextAttr(2);
  std::string name = ReadRulerName();
  while (name.empty()) {
    DoorWriteLn();
    DoorTextAttr(12);
    DoorWriteLn("You must enter a name!");
    if (creating) DoorWriteLn();
    DoorTextAttr(10);
    DoorWrite(prompt);
    DoorTextAttr(2);
    name = ReadRulerName();
  }
  DoorWriteLn();
  Player = TPlayer::Create(title, name, true);
}

// A number typed at a list prompt: 1..count, or 0 for none.
int32_t ReadListChoice(int32_t count) {
  int32_t choice = 0;
  if (!TryStrToInt32(DoorInput("", "0123456789", '\0', 3, 3, 14), choice)) return 0;
  return choice >= 1 && choice <= count ? choice : 0;
}

// Why a join was refused, worked out from the file as it is now.
std::string JoinRefusal(const std::string& AFileName) {
  const std::string path = GetActiveGamesDir() + AFileName;
  if (!FileExists(path)) return "Sorry, that game is no longer available!";
  TPvPGameState now;
  now.LoadFromFile(path);
  if (now.Status != gsWaitingForPlayers) return "Sorry, another player joined that game first!";
  return "Error: Could not write game file!";
}

}  // namespace

void CreateNewPvPGame() {
  Heading("  CREATE NEW MULTIPLAYER GAME");
  if (!WithinGameLimit()) return;
  Player.reset();
  SetUpKingdom(true);

  std::unique_ptr<TPvPGameState> game = TPvPGameState::Create();
  game->GameType = gtMultiplayer;
  game->Status = gsWaitingForPlayers;
  game->MaxPlayers = 2;
  game->CurrentPlayers = 1;
  game->MonthNumber = 1;
  if (Random(2) == 0) {
    game->TurnOrder[0] = 1;
    game->TurnOrder[1] = 2;
  } else {
    game->TurnOrder[0] = 2;
    game->TurnOrder[1] = 1;
  }
  game->Player1Alias = HoldAliasForWrite;
  game->Player1DisplayName = Player->Name;
  game->SavePlayerToState(*Player, 1);
  // The number is allocated together with the write, under the store lock.
  if (!CreateGameFile(*game)) {
    DoorWriteLn();
    DoorTextAttr(12);
    DoorWriteLn("Error: Could not create game file!");
    DoorWriteLn();
    PressAnyKey();
    return;
  }

  DoorWriteLn();
  DoorTextAttr(10);
  DoorWriteLn("Game " + std::to_string(game->GameNumber) + " created successfully!");
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWriteLn("Status: Waiting for opponent...");
  DoorWriteLn();
  DoorTextAttr(11);
  DoorWriteLn("Other players can now join this game from the multiplayer menu.");
  DoorWriteLn();
  PressAnyKey();
}

void JoinPvPGame() {
  Heading("  OPEN GAMES WAITING FOR OPPONENT");
  if (!WithinGameLimit()) return;

  TGameList open = GetOpenGames();
  if (open.empty()) {
    DoorTextAttr(14);
    DoorWriteLn("No open games available. Create a new game!");
    DoorWriteLn();
    PressAnyKey();
    return;
  }

  DoorTextAttr(10);
  for (size_t i = 0; i < open.size(); ++i) {
    const TPvPGameState& game = *open[i].State;
    DoorWriteLn(Format("[%d] %s (Created %s)", static_cast<int>(i + 1), game.Player1Alias.c_str(),
                       FormatTimeAgo(game.CreatedDate).c_str()));
  }
  const int32_t count = static_cast<int32_t>(open.size());
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWrite("Select game to join [1-" + std::to_string(count) + "] or [ENTER] to cancel: ");
  const int32_t choice = ReadListChoice(count);
  if (choice == 0) return;

  Player.reset();
  DoorWriteLn();
  SetUpKingdom(false);

  // The game is read again under the store lock: another caller may have
  // joined it (or the expiry pass removed it) while this one was typing.
  const std::string& fileName = open[choice - 1].FileName;
  TPvPGameState joined = *open[choice - 1].State;
  if (!JoinGameFile(fileName, *Player, joined)) {
    Player.reset();  // the kingdom was made for this game only
    DoorWriteLn();
    DoorTextAttr(12);
    DoorWriteLn(JoinRefusal(fileName));
    DoorWriteLn();
    open.clear();
    PressAnyKey();
    return;
  }

  DoorWriteLn();
  DoorTextAttr(10);
  DoorWriteLn("Successfully joined game!");
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWriteLn("Opponent: " + joined.Player1Alias);
  DoorWriteLn("First turn: " + joined.CurrentTurnAlias);
  DoorWriteLn();
  open.clear();
  PressAnyKey();
}

std::string FormatTimeAgo(TDateTime ADateTime) {
  // Whole milliseconds, so that exactly one minute (hour, day) ago is not
  // lost to float noise; a time ahead of the clock (another node's clock
  // running fast) counts as just now.
  const int64_t elapsed = std::max<int64_t>(0, ElapsedMs(Now(), ADateTime));
  constexpr int64_t kMinute = 60000, kHour = 60 * kMinute, kDay = 24 * kHour;
  auto plural = [](int64_t n, const char* unit) {
    return std::to_string(n) + " " + unit + (n == 1 ? "" : "s") + " ago";
  };
  if (elapsed < kHour) {
    const int64_t minutes = elapsed / kMinute;
    return minutes == 0 ? "just now" : plural(minutes, "minute");
  }
  if (elapsed < kDay) return plural(elapsed / kHour, "hour");
  return plural(elapsed / kDay, "day");
}

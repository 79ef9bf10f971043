#include "game/multiplayer/gameview.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"
#include "game/kingdom/board.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/lobby.h"
#include "game/multiplayer/online.h"
#include "game/kingdom/turnlog.h"
#include "game/common/globals.h"

namespace {

const uint8_t kBoxColour = 2;
// The longest game number the prompt takes.
const uint8_t kNumberDigits = 4;

// The game of that number: the first in "active", else the first in
// "completed", as the lobby read them.
const TPvPGameState* FindGame(const TGameScan& AGames, int32_t ANumber) {
  // Looking the number up in the folders would read each file up to the
  // game: one state, and so one draw, each.
  for (const TGameList* folder : {&AGames.Active, &AGames.Completed}) {
    for (const TGameEntry& e : *folder) {
      Random(1000);
      if (e.State->GameNumber == ANumber) return e.State.get();
    }
  }
  return nullptr;
}

std::unique_ptr<TPlayer> Kingdom(const TPvPGameState& AGame, int32_t ASlot, bool AHuman) {
  const bool one = ASlot == 1;
  std::unique_ptr<TPlayer> kingdom =
      TPlayer::Create(one ? AGame.Player1Title : AGame.Player2Title,
                      one ? AGame.Player1DisplayName : AGame.Player2DisplayName, AHuman);
  AGame.LoadStateToPlayer(*kingdom, ASlot);
  return kingdom;
}

void WriteStatus(const TPvPGameState& AGame) {
  uint8_t attr = 10;
  std::string text;
  switch (AGame.Status) {
    case gsWaitingForPlayers:
      attr = 14;
      text = "Waiting for players to join";
      break;
    case gsInProgress:
      if (AGame.CurrentTurnAlias == HoldAliasForWrite) {
        DoorTextAttr(10);
        attr = 142;
        text = "In Progress - YOUR TURN";
      } else {
        text = "In Progress - Waiting for " + AGame.CurrentTurnAlias;
      }
      break;
    case gsCompleted:
      attr = 11;
      text = "COMPLETED";
      break;
    case gsAbandoned:
      attr = 12;
      text = "Abandoned";
      break;
  }
  DoorTextAttr(attr);
  DoorWriteLn("Status: " + text);
  DoorTextAttr(10);
}

// "Soldier attack, Gronel attack" and the like from the first lines of the
// turn log; "Turn completed" when they name nothing.
std::string SummaryOf(const std::vector<std::string>& ALog) {
  std::string summary;
  const size_t lines = std::min<size_t>(ALog.size(), 4);
  for (size_t i = 0; i < lines; ++i) {
    const std::string& line = ALog[i];
    auto has = [&](const char* what) { return line.find(what) != std::string::npos; };
    if (line.starts_with("[ACTION:")) {
      if (has("soldier_attack"))
        summary += "Soldier attack, ";
      else if (has("gronel_attack"))
        summary += "Gronel attack, ";
      else if (has("slingard_attack"))
        summary += "Slingard attack, ";
      else if (has("assassin"))
        summary += "Assassination attempt, ";
    } else if (line.starts_with("[") || line.empty() || has("Monthly Update")) {
      continue;
    } else if (summary.size() < 60) {
      // A log line is shown as text, never as terminal commands.
      summary += PrintableText(line) + ", ";
    }
  }
  if (summary.size() > 2) summary.resize(summary.size() - 2);
  return summary.empty() ? "Turn completed" : summary;
}

void ShowGame(const TPvPGameState& AGame) {
  const int32_t me = AGame.Player1Alias == HoldAliasForWrite   ? 1
                     : AGame.Player2Alias == HoldAliasForWrite ? 2
                                                               : 0;
  std::unique_ptr<TPlayer> one = Kingdom(AGame, 1, me == 1);
  std::unique_ptr<TPlayer> two = Kingdom(AGame, 2, me == 2);
  if (me == 2)
    DisplayPvPGameScreen(*two, *one, AGame.MonthNumber);
  else
    DisplayPvPGameScreen(*one, *two, AGame.MonthNumber);

  DoorWriteLn();
  DoorTextAttr(10);
  DoorWrite("Press any key to see game status...");
  DoorReadKey();
  DoorWriteLn();
  DoorWriteLn();
  DoorTextAttr(15);
  DoorWriteLn("GAME STATUS:");
  DoorWriteLn();
  WriteStatus(AGame);

  const bool winnerIsOne = AGame.Winner == AGame.Player1DisplayName;
  const std::string& winnerName = winnerIsOne ? AGame.Player1DisplayName : AGame.Player2DisplayName;
  if (AGame.Status == gsCompleted) {
    DoorTextAttr(14);
    DoorWrite("Winner: ");
    DoorTextAttr(11);
    DoorWriteLn(winnerName + " (" + (winnerIsOne ? AGame.Player1Title : AGame.Player2Title) + ")");
    DoorTextAttr(10);
  }

  if (!AGame.LastTurnActions.empty()) {
    // A finished game's log is its winner's last turn, or the loser's
    // surrender.
    const std::vector<std::string>& log = AGame.LastTurnActions;
    const bool surrendered = std::find(log.begin(), log.end(), SURRENDER_LOG_LINE) != log.end();
    const std::string& loserName =
        winnerIsOne ? AGame.Player2DisplayName : AGame.Player1DisplayName;
    const std::string& mover = AGame.Status == gsCompleted ? (surrendered ? loserName : winnerName)
                               : AGame.CurrentTurnAlias == AGame.Player1Alias
                                   ? AGame.Player2DisplayName
                                   : AGame.Player1DisplayName;
    DoorWriteLn();
    DoorTextAttr(14);
    DoorWrite("Last Move by " + mover);
    DoorTextAttr(10);
    DoorWriteLn(":");
    DoorTextAttr(11);
    DoorWriteLn("  " + SummaryOf(AGame.LastTurnActions));
  }
  DoorWriteLn();
  DoorTextAttr(10);
  PressAnyKey();
}

}  // namespace

void ViewGameStatus() {
  UpdatePlayerOnlineStatus();
  const TGameLists lobby = ShowGameLobby();
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWrite("View which game? (Enter game number or [ENTER] to cancel): ");
  DoorTextAttr(10);
  const std::string typed = DoorInput("", "0123456789", '\0', 4, kNumberDigits, 14);
  const int32_t number = StrToIntDef(typed, 0);
  if (number == 0) return;

  // The lobby has just read every game: the number is looked up there.
  const TPvPGameState* game = FindGame(lobby.Games, number);
  if (!game) {
    DoorWriteLn();
    DoorTextAttr(12);
    DoorWriteLn("Game #" + std::to_string(number) + " not found.");
    DoorWriteLn();
    PressAnyKey();
    return;
  }
  ShowGame(*game);
}

void DisplayPvPGameScreen(TPlayer& AYou, TPlayer& AThem, int32_t AMonth) {
  DoorClrScr();
  DoorWriteLn();
  DoorTextAttr(12);
  DoorWrite("*  Month # " + std::to_string(AMonth) + "  *            ");
  DoorTextAttr(15);
  DoorWrite("*  Game Status View  *");
  DoorWriteLn();
  DoorWriteLn();

  DrawForcesBoard(AYou, AThem, " Them:", kBoxColour);
}

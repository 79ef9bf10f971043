#include "game/multiplayer/pvpturn.h"

#include <cstdint>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/playback.h"
#include "game/multiplayer/rankings.h"
#include "game/multiplayer/storage.h"
#include "game/kingdom/settle.h"
#include "game/kingdom/turnlog.h"
#include "game/common/globals.h"

namespace {

int32_t OpponentNumber(int32_t ACallerNumber) { return ACallerNumber == 1 ? 2 : 1; }

// The other player's ruler name, or their alias when they have none.
std::string OpponentName(const TPvPGameState& AGame) {
  const bool callerIsOne = AGame.GetPlayerNumber(HoldAliasForWrite) == 1;
  const std::string& name = callerIsOne ? AGame.Player2DisplayName : AGame.Player1DisplayName;
  return name.empty() ? (callerIsOne ? AGame.Player2Alias : AGame.Player1Alias) : name;
}

// The game's file in "active", matched by its whole name; "" when there is
// none (expired or finished by another node since the listing).
std::string FindGameFile(const std::string& AGameID) {
  const std::string wanted = "game_" + AGameID + ".dat";
  for (const std::string& name : ListGameFiles(GetActiveGamesDir())) {
    if (name == wanted) return name;
  }
  return std::string();
}

// AWhy: the system's message of the failure.
std::string SaveFailure(TTurnSave AResult, const std::string& AWhy) {
  switch (AResult) {
    case tsGameGone: return "Error: Could not save turn, the game has ended or expired!";
    case tsTurnTaken: return "Error: Could not save turn, it was already played!";
    case tsLockRefused:
      return "Error: Could not save turn, the game could not be locked (" + AWhy + ")!";
    default: return "Error: Could not save turn, the game file could not be written!";
  }
}

void ShowSaveFailure(TTurnSave AResult, const std::string& AWhy) {
  DoorTextAttr(12);
  DoorWriteLn(SaveFailure(AResult, AWhy));
}

// The two kingdoms of a turn, as Player and Computer while it lasts.
struct TTurnKingdoms {
  TPlayer* Caller;
  TPlayer* Opponent;
  int32_t CallerNumber;
  int32_t OpponentNumber;

  TTurnKingdoms(const TPvPGameState& AGame, int32_t ACallerNumber)
      : CallerNumber(ACallerNumber), OpponentNumber(::OpponentNumber(ACallerNumber)) {
    const bool one = CallerNumber == 1;
    Player = TPlayer::Create(one ? AGame.Player1Title : AGame.Player2Title,
                             one ? AGame.Player1DisplayName : AGame.Player2DisplayName, true);
    AGame.LoadStateToPlayer(*Player, CallerNumber);
    Computer = TPlayer::Create(one ? AGame.Player2Title : AGame.Player1Title,
                               one ? AGame.Player2DisplayName : AGame.Player1DisplayName, false);
    AGame.LoadStateToPlayer(*Computer, OpponentNumber);
    Caller = Player.get();
    Opponent = Computer.get();
  }
  ~TTurnKingdoms() {
    Player.reset();
    Computer.reset();
  }
  TTurnKingdoms(const TTurnKingdoms&) = delete;
  TTurnKingdoms& operator=(const TTurnKingdoms&) = delete;

  void SaveTo(TPvPGameState& AGame) const {
    AGame.SavePlayerToState(*Caller, CallerNumber);
    AGame.SavePlayerToState(*Opponent, OpponentNumber);
  }
};

// What the caller's move decided, saved the moment it was settled.
struct TSettled {
  TPvPGameState Game;  // as saved
  TTurnSave Saved = tsWriteFailed;
  std::string Why;  // the system's message when the save failed
};

// The war goes on: the game as the turn hands it over, the month's
// production worked out (silently, on a copy: it draws nothing, so the
// report shown later is the same) and the turn log completed.
TPvPGameState HandedOver(const TPvPGameState& AGame, const TTurnKingdoms& AKingdoms) {
  TPvPGameState game = AGame;
  std::vector<std::string>& log = *CurrentTurnActions;
  const std::vector<std::string> moveLines = log;
  game.LastTurnActions.insert(game.LastTurnActions.end(), moveLines.begin(), moveLines.end());
  game.LastTurnActions.insert(game.LastTurnActions.end(), {"", "[TEXT:* Monthly Update *]", ""});
  TPlayer caller = *AKingdoms.Caller;
  log.clear();
  caller.Produce(false);
  game.LastTurnActions.insert(game.LastTurnActions.end(), log.begin(), log.end());
  log = moveLines;

  game.SavePlayerToState(caller, AKingdoms.CallerNumber);
  game.SavePlayerToState(*AKingdoms.Opponent, AKingdoms.OpponentNumber);
  game.CurrentTurnAlias =
      game.CurrentTurnAlias == game.Player1Alias ? game.Player2Alias : game.Player1Alias;
  if (game.CurrentTurnAlias == game.GetPlayerAlias(game.TurnOrder[0]) &&
      game.MonthNumber < INT32_MAX) {
    ++game.MonthNumber;
  }
  game.LastMoveDate = Now();
  game.TimeoutDate = game.LastMoveDate + 7;
  return game;
}

// The war is over: the game as it goes to "completed".
TPvPGameState Finished(const TPvPGameState& AGame, const TTurnKingdoms& AKingdoms,
                       TPlayer* AWinner) {
  TPvPGameState game = AGame;
  game.LastTurnActions = *CurrentTurnActions;
  game.Status = gsCompleted;
  game.Winner = AWinner->Name;
  AKingdoms.SaveTo(game);
  game.LastMoveDate = Now();
  return game;
}

// Saves what the move decided: the turn handed over, or the finished game
// moved to "completed" and ranked. No key is awaited in here.
TSettled SaveSettled(const TPvPGameState& AGame, const TTurnKingdoms& AKingdoms, TPlayer* AWinner,
                     const std::string& AFileName, const TTurnStart& AStart) {
  TSettled settled;
  if (AWinner) {
    settled.Game = Finished(AGame, AKingdoms, AWinner);
    const bool callerWon = AWinner == AKingdoms.Caller;
    settled.Saved = SaveWinningTurn(AFileName, AStart, settled.Game,
                                    callerWon == (AKingdoms.CallerNumber == 1));
  } else {
    settled.Game = HandedOver(AGame, AKingdoms);
    settled.Saved = SaveTurn(AFileName, AStart, settled.Game);
  }
  // Taken now: the pauses before the failure is shown make calls of their own.
  if (settled.Saved != tsSaved) settled.Why = LastFileError();
  return settled;
}

// The war goes on: the month's production shown, then what the save said.
void FinishTurn(const TTurnKingdoms& AKingdoms, const TSettled& ASettled) {
  AKingdoms.Caller->Produce();
  PressAnyKeyPause();
  DoorWriteLn();

  DoorWriteLn();
  if (ASettled.Saved == tsSaved) {
    DoorTextAttr(10);
    DoorWriteLn("Turn completed! It is now " + ASettled.Game.CurrentTurnAlias + "'s turn.");
  } else {
    ShowSaveFailure(ASettled.Saved, ASettled.Why);
  }
  DoorWriteLn();
}

// The war is over: the result, then what the save said.
void FinishGame(const TTurnKingdoms& AKingdoms, TPlayer* AWinner, const TSettled& ASettled) {
  const TPvPGameState& game = ASettled.Game;
  const std::string opponentAlias = game.GetPlayerAlias(AKingdoms.OpponentNumber);
  const bool callerWon = AWinner == AKingdoms.Caller;
  AKingdoms.Caller->DrawScreen(game.MonthNumber);
  DoorWriteLn();
  if (callerWon) {
    DoorTextAttr(138);
    DoorWriteLn("VICTORY! You have defeated " + opponentAlias + "!");
  } else {
    DoorTextAttr(12);
    DoorWriteLn("DEFEAT! " + opponentAlias + " has conquered your kingdom!");
  }
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWriteLn("Game lasted " + std::to_string(game.MonthNumber) + " months.");
  DoorWriteLn(AKingdoms.Caller->GetFullName() + " scored " +
              std::to_string(AKingdoms.Caller->Score) + " points.");
  DoorWriteLn(AKingdoms.Opponent->GetFullName() + " scored " +
              std::to_string(AKingdoms.Opponent->Score) + " points.");
  if (ASettled.Saved != tsSaved) ShowSaveFailure(ASettled.Saved, ASettled.Why);
  DoorWriteLn();
}

}  // namespace

std::unique_ptr<TPvPGameState> SelectGameToPlay() {
  std::vector<std::unique_ptr<TPvPGameState>> mine;
  for (TGameEntry& entry : GetMyActiveGames()) {
    if (entry.State->Status == gsInProgress && entry.State->CurrentTurnAlias == HoldAliasForWrite)
      mine.push_back(std::move(entry.State));
  }

  if (mine.empty()) {
    DoorTextAttr(12);
    DoorWrite("No games waiting for your turn.");
    Delay(1500);
    DoorWrite("\r" + std::string(31, ' ') + "\r");
    return nullptr;
  }
  if (mine.size() == 1) return std::move(mine.front());

  DoorClrScr();
  DoorWriteLn();
  DoorTextAttr(15);
  DoorWriteLn("  SELECT GAME TO PLAY");
  DoorWriteLn();
  DoorTextAttr(10);
  for (size_t i = 0; i < mine.size(); ++i) {
    const TPvPGameState& game = *mine[i];
    DoorWriteLn(Format("[%d] Game #%d vs %s - Month %d", static_cast<int>(i + 1), game.GameNumber,
                       OpponentName(game).c_str(), game.MonthNumber));
  }
  const int32_t count = static_cast<int32_t>(mine.size());
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWrite("Select game [1-" + std::to_string(count) + "] or [ENTER] to cancel: ");
  int32_t choice = 0;
  if (!TryStrToInt32(DoorInput("", "0123456789", '\0', 3, 3, 14), choice) || choice < 1 ||
      choice > count) {
    return nullptr;
  }
  return std::move(mine[choice - 1]);
}

void PlayPvPTurn() {
  UpdatePlayerOnlineStatus();
  std::string gameID;
  {
    std::unique_ptr<TPvPGameState> chosen = SelectGameToPlay();
    if (!chosen) return;
    gameID = chosen->GameID;
  }

  const std::string fileName = FindGameFile(gameID);
  if (fileName.empty()) {
    DoorWriteLn("Error: Could not find game file!");
    PressAnyKey();
    return;
  }

  TPvPGameState game;
  game.LoadFromFile(GetActiveGamesDir() + fileName);
  const int32_t callerNumber = game.GetPlayerNumber(HoldAliasForWrite);
  // Read again since the listing: the same caller on another node may have
  // played this turn in the meantime.
  if (game.Status != gsInProgress || game.CurrentTurnAlias != HoldAliasForWrite ||
      (callerNumber != 1 && callerNumber != 2)) {
    DoorTextAttr(12);
    DoorWriteLn("Error: This turn was already played!");
    PressAnyKey();
    return;
  }
  const TTurnStart start = TTurnStart::Of(game);

  {
    TTurnKingdoms kingdoms(game, callerNumber);
    PlaybackOpponentTurn(game, game.GetPlayerAlias(kingdoms.OpponentNumber));
    game.LastTurnActions.clear();

    if (!CurrentTurnActions) CurrentTurnActions = std::make_unique<std::vector<std::string>>();
    CurrentTurnActions->clear();

    kingdoms.Caller->DrawScreen(game.MonthNumber);
    DoorWriteLn();
    // Saved as soon as the move's outcome is drawn, before any pause shows it.
    TSettled settled;
    TSettleHook hook(
        [&](TPlayer* decided) { settled = SaveSettled(game, kingdoms, decided, fileName, start); });
    TPlayer* winner = kingdoms.Caller->Move(game.MonthNumber, kingdoms.Opponent);
    hook.Settle(winner);
    if (winner) {
      FinishGame(kingdoms, winner, settled);
    } else {
      FinishTurn(kingdoms, settled);
    }
  }
  PressAnyKey();
}

#include "game/multiplayer/pvpturn.h"

#include <cstdint>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/playback.h"
#include "game/multiplayer/rankings.h"
#include "game/multiplayer/storage.h"
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

std::string SaveFailure(TTurnSave AResult) {
  switch (AResult) {
    case tsGameGone: return "Error: Could not save turn, the game has ended or expired!";
    case tsTurnTaken: return "Error: Could not save turn, it was already played!";
    default: return "Error: Could not save turn, the game file could not be written!";
  }
}

void ShowSaveFailure(TTurnSave AResult) {
  DoorTextAttr(12);
  DoorWriteLn(SaveFailure(AResult));
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

void AppendLog(std::vector<std::string>& ATo) {
  ATo.insert(ATo.end(), CurrentTurnActions->begin(), CurrentTurnActions->end());
  CurrentTurnActions->clear();
}

// The war goes on: the month's production, then the turn handed over.
void FinishTurn(TPvPGameState& AGame, const TTurnKingdoms& AKingdoms, const std::string& AFileName,
                const TTurnStart& AStart) {
  AppendLog(AGame.LastTurnActions);
  AGame.LastTurnActions.insert(AGame.LastTurnActions.end(), {"", "[TEXT:* Monthly Update *]", ""});
  AKingdoms.Caller->Produce();
  AppendLog(AGame.LastTurnActions);
  PressAnyKeyPause();
  DoorWriteLn();

  AKingdoms.SaveTo(AGame);
  AGame.CurrentTurnAlias =
      AGame.CurrentTurnAlias == AGame.Player1Alias ? AGame.Player2Alias : AGame.Player1Alias;
  if (AGame.CurrentTurnAlias == AGame.GetPlayerAlias(AGame.TurnOrder[0]) &&
      AGame.MonthNumber < INT32_MAX) {
    ++AGame.MonthNumber;
  }
  AGame.LastMoveDate = Now();
  AGame.TimeoutDate = AGame.LastMoveDate + 7;

  const TTurnSave saved = SaveTurn(AFileName, AStart, AGame);
  DoorWriteLn();
  if (saved == tsSaved) {
    DoorTextAttr(10);
    DoorWriteLn("Turn completed! It is now " + AGame.CurrentTurnAlias + "'s turn.");
  } else {
    ShowSaveFailure(saved);
  }
  DoorWriteLn();
}

// The war is over: the game goes to "completed" and both players are ranked.
void FinishGame(TPvPGameState& AGame, const TTurnKingdoms& AKingdoms, TPlayer* AWinner,
                const std::string& AFileName, const TTurnStart& AStart) {
  AGame.LastTurnActions = *CurrentTurnActions;
  AGame.Status = gsCompleted;
  AGame.Winner = AWinner->Name;

  const std::string opponentAlias = AGame.GetPlayerAlias(AKingdoms.OpponentNumber);
  const bool callerWon = AWinner == AKingdoms.Caller;
  AKingdoms.Caller->DrawScreen(AGame.MonthNumber);
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
  DoorWriteLn("Game lasted " + std::to_string(AGame.MonthNumber) + " months.");
  DoorWriteLn(AKingdoms.Caller->GetFullName() + " scored " +
              std::to_string(AKingdoms.Caller->Score) + " points.");
  DoorWriteLn(AKingdoms.Opponent->GetFullName() + " scored " +
              std::to_string(AKingdoms.Opponent->Score) + " points.");

  AKingdoms.SaveTo(AGame);
  AGame.LastMoveDate = Now();
  const TTurnSave saved = SaveWinningTurn(AFileName, AStart, AGame);
  if (saved != tsSaved) ShowSaveFailure(saved);
  DoorWriteLn();
  if (saved != tsSaved) return;

  if (AKingdoms.CallerNumber == 1) {
    UpdatePvPRankings(*AKingdoms.Caller, AGame.Player1Alias, *AKingdoms.Opponent,
                      AGame.Player2Alias, callerWon, AGame.MonthNumber);
  } else {
    UpdatePvPRankings(*AKingdoms.Opponent, AGame.Player1Alias, *AKingdoms.Caller,
                      AGame.Player2Alias, !callerWon, AGame.MonthNumber);
  }
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
    TPlayer* winner = kingdoms.Caller->Move(game.MonthNumber, kingdoms.Opponent);
    if (winner) {
      FinishGame(game, kingdoms, winner, fileName, start);
    } else {
      FinishTurn(game, kingdoms, fileName, start);
    }
  }
  PressAnyKey();
}

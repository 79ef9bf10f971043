#include "game/multiplayer/storage.h"

#include <algorithm>
#include <map>

#include "game/common/commit.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/rankings.h"
#include "game/common/gamedir.h"
#include "game/common/globals.h"

namespace {

// How long a finished game stays in "completed" and holds its number.
constexpr int64_t kKeepCompletedMs = 7 * kMsPerDay;
// A game file counts as the GameID's 14-digit stamp and a number 0..999.
constexpr size_t kStampLength = 14;

std::string GamesDir() { return GetGameDir() + "games/"; }

// The store lock (see the header).
class StoreLock {
 public:
  StoreLock() : lock_(GamesDir() + "store") {
    if (lock_.Held()) FinishLeftoverChange();
  }
  bool Held() const { return lock_.Held(); }

 private:
  DataFileLock lock_;
};

bool IsDatName(const char* name) {
  const size_t n = std::char_traits<char>::length(name);
  return n >= 4 && std::char_traits<char>::compare(name + n - 4, ".dat", 4) == 0;
}

bool IsCallers(const TPvPGameState& s) {
  return s.Player1Alias == HoldAliasForWrite || s.Player2Alias == HoldAliasForWrite;
}

bool IsActive(const TPvPGameState& s) {
  return s.Status == gsWaitingForPlayers || s.Status == gsInProgress;
}

// Every active game's state that keep() accepts, in directory order.
template <typename Keep>
TGameList ScanActive(Keep keep) {
  TGameList games;
  const std::string dir = GetActiveGamesDir();
  for (const std::string& name : ListGameFiles(dir)) {
    std::unique_ptr<TPvPGameState> state = LoadGameState(dir + name);
    if (keep(*state)) games.push_back({name, std::move(state)});
  }
  return games;
}

// The lowest number from 1 up that is not among used.
int32_t LowestFree(std::vector<int32_t>& used) {
  std::sort(used.begin(), used.end());
  int64_t next = 1;
  for (int32_t n : used) {
    if (n > next) break;
    if (n == next) ++next;
  }
  return static_cast<int32_t>(std::min<int64_t>(next, INT32_MAX));
}

bool IsFinished(const TPvPGameState& s) {
  return s.Status == gsCompleted || s.Status == gsAbandoned;
}

// The player due to move forfeits: the other one wins.
std::string ForfeitWinnerAlias(const TPvPGameState& AState) {
  return AState.CurrentTurnAlias == AState.Player1Alias ? AState.Player2Alias : AState.Player1Alias;
}

void Forfeit(TPvPGameState& AState) {
  AState.Status = gsCompleted;
  const bool player2Won = AState.CurrentTurnAlias == AState.Player1Alias;
  const std::string& name = player2Won ? AState.Player2DisplayName : AState.Player1DisplayName;
  AState.Winner = name.empty() ? ForfeitWinnerAlias(AState) : name;
}

TRankedSide Side(const std::string& AAlias, const TPlayer& APlayer) {
  return {AAlias, APlayer.Name, APlayer.Score};
}

// Moves a game from "active" to "completed" with its final state and, when
// ARank, credits it in both rankings tables: one TFileChange, so the game
// is in exactly one folder and credited once whenever the process stops.
// False, with nothing changed, when it cannot be done.
bool MoveToCompleted(const std::string& AFileName, const TPvPGameState& AState, bool ARank,
                     const TRankedSide& APlayer1, const TRankedSide& APlayer2, bool APlayer1Won) {
  TFileChange change;
  change.Put(GetCompletedGamesDir() + AFileName, AState.ToText());
  change.Remove(GetActiveGamesDir() + AFileName);
  if (!ARank) return change.Commit();
  TRankingsLock lock;
  if (!lock.Held()) return false;
  RankGameInto(change, APlayer1, APlayer2, APlayer1Won, AState.MonthNumber);
  return change.Commit();
}

// A stale game closed: abandoned, or forfeited and ranked.
bool CloseGame(const std::string& AFileName, const TPvPGameState& AState, bool AForfeit) {
  if (!AForfeit) return MoveToCompleted(AFileName, AState, false, {}, {}, false);
  // The kingdoms are made as the rankings always made them, draws and all,
  // so that later draws fall as they did.
  std::unique_ptr<TPlayer> one =
      TPlayer::Create(AState.Player1Title, AState.Player1DisplayName, true);
  std::unique_ptr<TPlayer> two =
      TPlayer::Create(AState.Player2Title, AState.Player2DisplayName, false);
  AState.LoadStateToPlayer(*one, 1);
  AState.LoadStateToPlayer(*two, 2);
  return MoveToCompleted(AFileName, AState, true, Side(AState.Player1Alias, *one),
                         Side(AState.Player2Alias, *two),
                         ForfeitWinnerAlias(AState) == AState.Player1Alias);
}

// Step 1 of the expiry pass: closes the stale active games. Returns the
// states it moved to "completed", by file name. The games left in "active"
// go to ARemaining, when given, as their files hold them.
std::map<std::string, std::unique_ptr<TPvPGameState>> CloseStaleGames(TDateTime ANow,
                                                                      TGameList* ARemaining) {
  std::map<std::string, std::unique_ptr<TPvPGameState>> moved;
  const int64_t expireMs = static_cast<int64_t>(Config.DaysUntilExpire) * kMsPerDay;
  const std::string dir = GetActiveGamesDir();
  for (const std::string& name : ListGameFiles(dir)) {
    std::unique_ptr<TPvPGameState> state = LoadGameState(dir + name);
    if (IsFinished(*state)) {
      // A move to "completed" that its node did not live to finish.
      if (RenameFile(dir + name, GetCompletedGamesDir() + name)) {
        moved[name] = std::move(state);
      } else if (ARemaining) {
        ARemaining->push_back({name, std::move(state)});
      }
      continue;
    }
    if (ElapsedMs(ANow, state->LastMoveDate) < expireMs) {
      if (ARemaining) ARemaining->push_back({name, std::move(state)});
      continue;
    }
    std::unique_ptr<TPvPGameState> asRead;
    if (ARemaining) asRead = std::make_unique<TPvPGameState>(*state);
    const bool forfeit = state->MonthNumber >= 4;
    if (forfeit)
      Forfeit(*state);
    else
      state->Status = gsAbandoned;
    // A game that cannot be moved stays where it is, unranked, for the
    // next pass to try again.
    if (!CloseGame(name, *state, forfeit)) {
      if (ARemaining) ARemaining->push_back({name, std::move(asRead)});
      continue;
    }
    moved[name] = std::move(state);
  }
  return moved;
}

// Step 2: deletes the completed games whose last move is 7 days old. The
// games step 1 has just written are judged by the states it wrote. The
// games left in "completed" go to ARemaining, when given.
void DeleteOldGames(TDateTime ANow, std::map<std::string, std::unique_ptr<TPvPGameState>>& AMoved,
                    TGameList* ARemaining) {
  const std::string dir = GetCompletedGamesDir();
  for (const std::string& name : ListGameFiles(dir)) {
    std::unique_ptr<TPvPGameState> state;
    auto known = AMoved.find(name);
    if (known != AMoved.end()) {
      // Not read again, but it costs the one draw every state made does,
      // so that later draws fall as they would after a reading.
      Random(1000);
      state = std::move(known->second);
    } else {
      state = LoadGameState(dir + name);
    }
    const bool old = ElapsedMs(ANow, state->LastMoveDate) >= kKeepCompletedMs;
    if (old && DeleteFile(dir + name)) continue;
    if (ARemaining) ARemaining->push_back({name, std::move(state)});
  }
}

bool IsGameFileName(const std::string& AName) { return IsDatName(AName.c_str()); }

// The temporary files of game files that killed writers left, with the
// store lock held.
void RemoveStaleGameTemps() {
  RemoveStaleTempFiles(GetActiveGamesDir(), IsGameFileName);
  RemoveStaleTempFiles(GetCompletedGamesDir(), IsGameFileName);
}

// Every game of one folder, in directory order.
TGameList ScanFolder(const std::string& ADir) {
  TGameList games;
  for (const std::string& name : ListGameFiles(ADir)) {
    games.push_back({name, LoadGameState(ADir + name)});
  }
  return games;
}

// The file under the store lock, read without a draw. False when it is not
// there (or cannot be read at all).
bool Reread(const std::string& APath, TPvPGameState& AState) {
  if (!FileExists(APath)) return false;
  AState.LoadFromFile(APath);
  return !AState.GameID.empty();
}

TTurnSave CheckTurn(const std::string& APath, const TTurnStart& AStart) {
  TPvPGameState current;
  if (!Reread(APath, current)) return tsGameGone;
  if (current.GameID != AStart.GameID || current.Status != gsInProgress ||
      current.CurrentTurnAlias != AStart.CurrentTurnAlias ||
      current.MonthNumber != AStart.MonthNumber) {
    return tsTurnTaken;
  }
  return tsSaved;
}

// GameID with its trailing number moved on by AStep (mod 1000); "" when
// the GameID is not of the form the game creates.
std::string NextGameID(const std::string& AGameID, int AStep) {
  if (AGameID.size() <= kStampLength || AGameID.size() > kStampLength + 3) return std::string();
  int number = 0;
  for (size_t i = kStampLength; i < AGameID.size(); ++i) {
    if (AGameID[i] < '0' || AGameID[i] > '9') return std::string();
    number = number * 10 + (AGameID[i] - '0');
  }
  return AGameID.substr(0, kStampLength) + std::to_string((number + AStep) % 1000);
}

}  // namespace

void InitializeGameDirs() {
  for (const std::string& dir : {GamesDir(), GetActiveGamesDir(), GetCompletedGamesDir()}) {
    MakeFolder(dir);
  }
}

std::string GetActiveGamesDir() { return GamesDir() + "active/"; }
std::string GetCompletedGamesDir() { return GamesDir() + "completed/"; }

std::string GameFileName(const TPvPGameState& AState) { return "game_" + AState.GameID + ".dat"; }

std::vector<std::string> ListGameFiles(const std::string& ADir) {
  std::vector<std::string> names;
  if (!ListFolder(ADir, names)) return {};
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& name) { return !IsDatName(name.c_str()); }),
              names.end());
  return names;
}

std::unique_ptr<TPvPGameState> LoadGameState(const std::string& APath) {
  return TPvPGameState::CreateFromFile(APath);
}

int32_t GetNextAvailableGameNumber() {
  std::vector<int32_t> used;
  const TDateTime now = Now();
  const std::string active = GetActiveGamesDir();
  for (const std::string& name : ListGameFiles(active)) {
    const int32_t number = LoadGameState(active + name)->GameNumber;
    if (number > 0) used.push_back(number);
  }
  const std::string completed = GetCompletedGamesDir();
  for (const std::string& name : ListGameFiles(completed)) {
    std::unique_ptr<TPvPGameState> state = LoadGameState(completed + name);
    if (ElapsedMs(now, state->LastMoveDate) < kKeepCompletedMs && state->GameNumber > 0) {
      used.push_back(state->GameNumber);
    }
  }
  return LowestFree(used);
}

TGameList GetMyActiveGames() {
  return ScanActive([](const TPvPGameState& s) { return IsCallers(s) && IsActive(s); });
}

int32_t CountMyActiveGames() { return static_cast<int32_t>(GetMyActiveGames().size()); }

TGameList GetOpenGames() {
  return ScanActive([](const TPvPGameState& s) {
    return s.Status == gsWaitingForPlayers && s.Player1Alias != HoldAliasForWrite;
  });
}

void CleanupExpiredGames() {
  StoreLock lock;
  if (!lock.Held()) return;
  RemoveStaleGameTemps();
  const TDateTime now = Now();
  auto moved = CloseStaleGames(now, nullptr);
  DeleteOldGames(now, moved, nullptr);
}

TGameScan ScanAllGames() {
  TGameScan scan;
  scan.Active = ScanFolder(GetActiveGamesDir());
  scan.Completed = ScanFolder(GetCompletedGamesDir());
  return scan;
}

TGameScan CleanupAndScanGames() {
  TGameScan scan;
  {
    StoreLock lock;
    if (lock.Held()) {
      RemoveStaleGameTemps();
      const TDateTime now = Now();
      auto moved = CloseStaleGames(now, &scan.Active);
      DeleteOldGames(now, moved, &scan.Completed);
    } else {
      // Without the lock nothing is changed, but the games still read.
      scan = ScanAllGames();
    }
  }
  // The states a second scan would have made, one draw each, so that later
  // draws fall as they would after the expiry pass and a fresh scan.
  for (size_t i = 0; i < scan.Active.size() + scan.Completed.size(); ++i) Random(1000);
  return scan;
}

bool CreateGameFile(TPvPGameState& AState) {
  StoreLock lock;
  if (!lock.Held()) return false;
  AState.GameNumber = GetNextAvailableGameNumber();
  const std::string dir = GetActiveGamesDir();
  const std::string firstID = AState.GameID;
  for (int step = 1; FileExists(dir + GameFileName(AState)); ++step) {
    if (step >= 1000) return false;
    AState.GameID = NextGameID(firstID, step);
    if (AState.GameID.empty()) {
      AState.GameID = firstID;
      return false;
    }
  }
  return AState.SaveToFile(dir + GameFileName(AState));
}

bool JoinGameFile(const std::string& AFileName, const TPlayer& AKingdom, TPvPGameState& AJoined) {
  StoreLock lock;
  if (!lock.Held()) return false;
  const std::string path = GetActiveGamesDir() + AFileName;
  // Read over the listed state: a field the file cannot give (a damaged
  // date) keeps the value the listing showed instead of a blank state's,
  // which the expiry pass would take for a game of 1899.
  // The GameID goes, so that a file that cannot be opened at all is not
  // joined from the listing alone.
  TPvPGameState game = AJoined;
  game.GameID.clear();
  if (!Reread(path, game)) return false;
  if (game.Status != gsWaitingForPlayers || game.Player1Alias == HoldAliasForWrite) return false;
  game.Player2Alias = HoldAliasForWrite;
  game.Player2DisplayName = AKingdom.Name;
  game.SavePlayerToState(AKingdom, 2);
  game.CurrentPlayers = 2;
  game.Status = gsInProgress;
  game.CurrentTurnAlias = game.TurnOrder[0] == 1 ? game.Player1Alias : game.Player2Alias;
  if (!game.SaveToFile(path)) return false;
  AJoined = std::move(game);
  return true;
}

TTurnStart TTurnStart::Of(const TPvPGameState& AState) {
  return {AState.GameID, AState.CurrentTurnAlias, AState.MonthNumber};
}

TTurnSave SaveTurn(const std::string& AFileName, const TTurnStart& AStart,
                   const TPvPGameState& AState) {
  StoreLock lock;
  if (!lock.Held()) return tsLockRefused;
  const std::string path = GetActiveGamesDir() + AFileName;
  const TTurnSave check = CheckTurn(path, AStart);
  if (check != tsSaved) return check;
  return AState.SaveToFile(path) ? tsSaved : tsWriteFailed;
}

TTurnSave SaveWinningTurn(const std::string& AFileName, const TTurnStart& AStart,
                          const TPvPGameState& AState, bool APlayer1Won) {
  StoreLock lock;
  if (!lock.Held()) return tsLockRefused;
  const TTurnSave check = CheckTurn(GetActiveGamesDir() + AFileName, AStart);
  if (check != tsSaved) return check;
  const TRankedSide one{AState.Player1Alias, AState.Player1DisplayName, AState.Player1Score};
  const TRankedSide two{AState.Player2Alias, AState.Player2DisplayName, AState.Player2Score};
  return MoveToCompleted(AFileName, AState, true, one, two, APlayer1Won) ? tsSaved : tsWriteFailed;
}

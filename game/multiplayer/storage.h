// The games folders: where Multiplayer game files live, how they are
// numbered and listed, and how stale games are closed and removed.
//
//   games/active/     games waiting for an opponent or in progress
//   games/completed/  finished or abandoned games, kept for about a week
//
// both under the game directory. A game's file is "game_" + GameID + ".dat"
// and keeps its name for its whole life, the move to "completed" included.
// Every listing is a fresh scan of "*.dat" names in directory order, which
// here means sorted by name (bytewise): the same folder always lists the
// same way on every node, so a number picked from one listing names the same
// game in the next.
//
// The store lock. Every node scans, writes, moves and deletes the same
// files, so each change that depends on what a file held is made under one
// advisory lock for the whole store ("games/store.lock"): allocating a game
// number together with writing the new game, joining, saving a turn and the
// expiry pass. Plain listings take no lock: every write is atomic, so a scan
// sees each file whole, old or new. Lock order: the store lock first, then a
// data file's own lock (the expiry pass updates the rankings while it holds
// the store lock); never the other way round. No key is ever awaited under
// the store lock.
//
// Loading a game file makes a new state as TPvPGameState::Create does, so
// every file a scan reads costs one Random(1000) draw; the re-checks made under
// the store lock read into a plain state and draw nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/multiplayer/gamestate.h"

class TPlayer;

// One game of a listing: its file name (no folder) and its loaded state.
struct TGameEntry {
  std::string FileName;
  std::unique_ptr<TPvPGameState> State;
};
// In directory order.
using TGameList = std::vector<TGameEntry>;

// Creates games, games/active and games/completed where missing; failures
// are not reported. Called once at start-up.
void InitializeGameDirs();
// Game directory + "games/active/" and + "games/completed/".
std::string GetActiveGamesDir();
std::string GetCompletedGamesDir();

// "game_" + GameID + ".dat".
std::string GameFileName(const TPvPGameState& AState);
// The "*.dat" names of a folder in directory order; empty when it cannot be
// read.
std::vector<std::string> ListGameFiles(const std::string& ADir);
// A new state loaded from the file (TPvPGameState::CreateFromFile).
std::unique_ptr<TPvPGameState> LoadGameState(const std::string& APath);

// The lowest number from 1 up that no active game and no game completed
// less than 7 days ago holds.
int32_t GetNextAvailableGameNumber();
// The caller's (HoldAliasForWrite's) games that wait for an opponent or are
// in progress.
TGameList GetMyActiveGames();
int32_t CountMyActiveGames();
// Games that wait for an opponent, created by anyone but the caller.
TGameList GetOpenGames();
// Moves every active game idle for Config.DaysUntilExpire days or more to
// "completed": abandoned before month 4, otherwise completed with the
// player due to move forfeiting (both rankings tables are updated). Then
// deletes every completed game whose last move is 7 days old or more. A
// finished game still in "active" (a move to "completed" cut short when its
// node stopped) is moved on as it is, unranked.
void CleanupExpiredGames();

// Every game file of both folders, each read once, in directory order.
struct TGameScan {
  TGameList Active;
  TGameList Completed;
};
// A plain scan of "active" and "completed".
TGameScan ScanAllGames();
// CleanupExpiredGames, then the games left in both folders, as the files
// hold them, without reading any file a second time: what the expiry pass
// read is kept. The random draws are those of the expiry pass followed by
// ScanAllGames.
TGameScan CleanupAndScanGames();

// Writes a new game into "active" with the next free game number, both
// under the store lock, so that games created at the same moment on
// different nodes get different numbers. Sets AState.GameNumber; should the
// file name be taken already, the GameID's trailing number is moved on to
// the next free one. False when the file could not be written.
bool CreateGameFile(TPvPGameState& AState);

// Seats the caller (HoldAliasForWrite) with AKingdom as player 2 in the
// open game AFileName of "active". On entry AJoined is the game as it was
// listed. Under the store lock the file is read again over it (so a field
// the file cannot give keeps the listed value, as the listing showed it) and
// joined only if it still waits for an opponent that is not its creator;
// then AJoined holds the state as written. False when another node
// was first, the game is gone, or the file could not be written.
bool JoinGameFile(const std::string& AFileName, const TPlayer& AKingdom, TPvPGameState& AJoined);

// What a turn started from: the game file must still show the same game,
// month and mover when the turn is saved.
struct TTurnStart {
  std::string GameID;
  std::string CurrentTurnAlias;  // the caller
  int32_t MonthNumber = 0;
  static TTurnStart Of(const TPvPGameState& AState);
};
enum TTurnSave {
  tsSaved,
  tsGameGone,     // no longer in "active" (expired by another node, say)
  tsTurnTaken,    // the file moved on: another node played this turn
  tsWriteFailed,  // nothing was changed
  tsLockRefused,  // the store lock could not be taken: nothing was changed
};
// Writes a finished turn back to AFileName in "active" if the file there is
// still in progress as the turn found it (see TTurnStart).
TTurnSave SaveTurn(const std::string& AFileName, const TTurnStart& AStart,
                   const TPvPGameState& AState);
// The same re-check, then the winning turn's state goes to "completed", the
// active file is deleted and both players are credited in both rankings
// tables (APlayer1Won says who won), all in one TFileChange: whenever the
// process stops, the game is in one folder and credited once, or still in
// "active" and not credited.
TTurnSave SaveWinningTurn(const std::string& AFileName, const TTurnStart& AStart,
                          const TPvPGameState& AState, bool APlayer1Won);

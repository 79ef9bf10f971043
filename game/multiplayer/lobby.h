// The Multiplayer menu and the lobby above it: every game sorted into seven
// lists of game numbers (all games by state, then the caller's own), the
// month's royalty, and the menu keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/multiplayer/storage.h"

// One entry of a lobby list: the game number as decimal text, and the game.
struct TGameNumberEntry {
  std::string Text;
  const TPvPGameState* State = nullptr;  // owned by the TGameLists
};
using TGameNumberList = std::vector<TGameNumberEntry>;

struct TGameLists {
  TGameScan Games;                 // the states the lists point at
  TGameNumberList InProgress;      // every running game
  TGameNumberList NeedPlayers;     // every game waiting for an opponent
  TGameNumberList YourGames;       // the caller's waiting, running and recently finished games
  TGameNumberList YourTurn;        // running games where the caller moves next
  TGameNumberList YourActive;      // the caller's waiting and running games
  TGameNumberList YourEliminated;  // the caller's recently finished games not won
  TGameNumberList Completed;       // games finished at most 7 whole days ago
};

// Sorts the games of AGames into the seven lists, each by number.
TGameLists GetGameLists(TGameScan AGames);
// The same from a fresh scan of both folders.
TGameLists GetGameLists();
// By the entries' values as integers; an entry that is not a number counts
// as 999999.
void SortGamesByNumber(TGameNumberList& AList);
// The label, then the entries separated by blanks, wrapped so that no line
// holds more than 48 characters of entries; later lines are indented by the
// label's length. "(none)" for an empty list.
void WriteWrappedGameList(uint8_t ALabelColour, uint8_t AListColour, const std::string& ALabel,
                          const TGameNumberList& AList, bool ABlinking);
// Runs the expiry pass and draws the lobby from the games it read, which
// are returned with their lists.
TGameLists ShowGameLobby();
// The same from the games of an expiry pass that has just run
// (CleanupAndScanGames): the pass is not run again, but its draws are made.
TGameLists ShowGameLobby(TGameScan AJustCleaned);
// Marks the caller online, draws the lobby and the menu under it, and
// returns the key pressed, upper-cased.
char ShowMultiplayerMenu();
char ShowMultiplayerMenu(TGameScan AJustCleaned);

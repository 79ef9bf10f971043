#include "game/multiplayer/lobby.h"

#include <algorithm>
#include <utility>

#include "doorkit/door.h"
#include "game/common/datetime.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/rankings.h"
#include "game/common/globals.h"

namespace {

constexpr int32_t kNotANumber = 999999;
constexpr size_t kListWidth = 48;
// A finished game is listed while no more than 7 whole days have passed
// since its last move.
constexpr int64_t kListCompletedMs = 8 * kMsPerDay;

int32_t ValueOf(const std::string& AText) {
  int32_t value = 0;
  return TryStrToInt32(AText, value) ? value : kNotANumber;
}

void Add(TGameNumberList& AList, const TPvPGameState& AState) {
  AList.push_back({std::to_string(AState.GameNumber), &AState});
}

void ListActive(TGameLists& ALists, const TPvPGameState& s) {
  const std::string& me = HoldAliasForWrite;
  if (s.Status == gsWaitingForPlayers) {
    Add(ALists.NeedPlayers, s);
    if (s.Player1Alias == me) {
      Add(ALists.YourGames, s);
      Add(ALists.YourActive, s);
    }
  } else if (s.Status == gsInProgress) {
    Add(ALists.InProgress, s);
    if (s.Player1Alias == me || s.Player2Alias == me) {
      Add(ALists.YourGames, s);
      Add(ALists.YourActive, s);
      if (s.CurrentTurnAlias == me) Add(ALists.YourTurn, s);
    }
  }
}

void ListCompleted(TGameLists& ALists, const TPvPGameState& s, TDateTime ANow) {
  if (ElapsedMs(ANow, s.LastMoveDate) >= kListCompletedMs) return;
  Add(ALists.Completed, s);
  const std::string& me = HoldAliasForWrite;
  const std::string* mine = s.Player1Alias == me   ? &s.Player1DisplayName
                            : s.Player2Alias == me ? &s.Player2DisplayName
                                                   : nullptr;
  if (!mine) return;
  Add(ALists.YourGames, s);
  if (s.Winner != *mine) Add(ALists.YourEliminated, s);
}

}  // namespace

TGameLists GetGameLists(TGameScan AGames) {
  TGameLists lists;
  lists.Games = std::move(AGames);
  const TDateTime now = Now();
  for (const TGameEntry& e : lists.Games.Active) ListActive(lists, *e.State);
  for (const TGameEntry& e : lists.Games.Completed) ListCompleted(lists, *e.State, now);
  for (TGameNumberList* list :
       {&lists.InProgress, &lists.NeedPlayers, &lists.YourGames, &lists.YourTurn, &lists.YourActive,
        &lists.YourEliminated, &lists.Completed}) {
    SortGamesByNumber(*list);
  }
  return lists;
}

TGameLists GetGameLists() { return GetGameLists(ScanAllGames()); }

void SortGamesByNumber(TGameNumberList& AList) {
  // Each text is read as a number once, not at every comparison; the
  // position breaks ties, so equal numbers keep their order.
  std::vector<std::pair<int32_t, size_t>> keys;
  keys.reserve(AList.size());
  for (size_t i = 0; i < AList.size(); ++i) keys.emplace_back(ValueOf(AList[i].Text), i);
  std::sort(keys.begin(), keys.end());
  TGameNumberList sorted;
  sorted.reserve(AList.size());
  for (const auto& key : keys) sorted.push_back(std::move(AList[key.second]));
  AList = std::move(sorted);
}

void WriteWrappedGameList(uint8_t ALabelColour, uint8_t AListColour, const std::string& ALabel,
                          const TGameNumberList& AList, bool ABlinking) {
  const uint8_t listAttr = static_cast<uint8_t>(ABlinking ? AListColour | 128 : AListColour);
  DoorTextAttr(ALabelColour);
  DoorWrite(ALabel);
  DoorTextAttr(listAttr);
  if (AList.empty()) {
    DoorWriteLn("(none)");
    return;
  }
  const std::string indent(ALabel.size(), ' ');
  std::string line;
  for (const TGameNumberEntry& entry : AList) {
    if (!line.empty() && line.size() + entry.Text.size() + 1 > kListWidth) {
      DoorWriteLn(line);
      DoorWrite(indent);
      line = entry.Text;
    } else {
      if (!line.empty()) line += ' ';
      line += entry.Text;
    }
  }
  if (!line.empty()) DoorWriteLn(line);
}

TGameLists ShowGameLobby() { return ShowGameLobby(CleanupAndScanGames()); }

TGameLists ShowGameLobby(TGameScan AJustCleaned) {
  TGameLists lists = GetGameLists(std::move(AJustCleaned));

  DoorClrScr();
  DoorWriteLn();
  DoorTextAttr(13);
  const std::string royalty = GetMonthlyRoyalty();
  DoorWrite(std::string(MonthName(MonthOf(Now()))) + " Royalty - ");
  DoorTextAttr(15);
  DoorWriteLn(royalty);
  DoorWriteLn();

  struct Row {
    const char* label;
    const TGameNumberList& list;
    uint8_t colour;
    bool blinking;
  };
  const Row rows[] = {
      {"Games in progress           : ", lists.InProgress, 14, false},
      {"Games needing more players  : ", lists.NeedPlayers, 14, false},
      {"You are involved in games   : ", lists.YourGames, 11, false},
      {"It is your turn in games    : ", lists.YourTurn, 14, true},
      {"You are active in games     : ", lists.YourActive, 11, false},
      {"You are eliminated in games : ", lists.YourEliminated, 12, false},
      {"Completed games             : ", lists.Completed, 13, false},
  };
  for (const Row& row : rows)
    WriteWrappedGameList(10, row.colour, row.label, row.list, row.blinking);

  DoorWriteLn();
  DoorTextAttr(14);
  DoorWriteLn("You are currently active in " + std::to_string(lists.YourActive.size()) +
              " games.  You may join up to " + std::to_string(Config.MaxGames) + ".");
  ShowOnlineListFailure();
  return lists;
}

namespace {

// The menu under the lobby; the key pressed, upper-cased.
char DrawMenu() {
  DoorWriteLn();
  struct Item {
    uint8_t attr;
    const char* text;
  };
  static const Item kBefore[] = {
      {14, "  [C] Create New Game                    "},
      {11, "  [J] Join Open Game                     "},
      {10, "  [P] Play Your Turn (Press ENTER to Refresh Game Status)"},
      {13, "  [V] View Detailed Game Info            "},
      {9, "  [R] PvP Rankings (Monthly/All-Time)    "},
  };
  for (const Item& item : kBefore) {
    DoorTextAttr(item.attr);
    DoorWriteLn(std::string("  ") + item.text);
  }
  DoorTextAttr(3);
  DoorWrite("    [W] Who is Online");
  // The list as the caller's own entry was refreshed for this draw (the
  // one rewrite of the list a draw makes, expiry included).
  if (SomeoneElseOnline()) {
    DoorTextAttr(15);
    DoorWrite("  (You are not alone)");
  }
  DoorWriteLn();
  DoorTextAttr(12);
  DoorWriteLn("    [Q] Quit to Main Menu                  ");

  DoorTextAttr(15);
  DoorWriteLn();
  // Standard I/O sessions run no time-up check, so the time left can go
  // below zero there: it shows as 0:00 rather than as "-1:-30".
  const int32_t left = std::max<int32_t>(DoorSecondsLeft(), 0);
  DoorTextAttr(11);
  DoorWrite("Time:");
  DoorTextAttr(10);
  DoorWrite(Format(" %d:%02d  ", left / 60, left % 60));
  DoorTextAttr(14);
  DoorWrite("*  C,J,P,V,R,W,Q -=> ");
  return ReadEchoedKey();
}

}  // namespace

char ShowMultiplayerMenu() {
  UpdatePlayerOnlineStatus();
  ShowGameLobby();
  return DrawMenu();
}

char ShowMultiplayerMenu(TGameScan AJustCleaned) {
  UpdatePlayerOnlineStatus();
  // The expiry pass the lobby would run again here reads each file once:
  // one state, and so one draw, each.
  for (size_t i = 0; i < AJustCleaned.Active.size() + AJustCleaned.Completed.size(); ++i) {
    Random(1000);
  }
  ShowGameLobby(std::move(AJustCleaned));
  return DrawMenu();
}

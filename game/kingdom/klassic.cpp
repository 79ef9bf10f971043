// Klassic mode: the caller's kingdom against King Computer, month by month,
// then the result, the monthly scores, the game records and the tally of
// the session.
#include "game/kingdom/klassic.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "doorkit/door.h"
#include "game/records/gamedata.h"
#include "game/common/globals.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/kingdom/settle.h"
#include "game/common/prompts.h"
#include "game/records/scores.h"
#include "game/common/textutil.h"

namespace {

void Increment(int32_t& counter) {
  if (counter < INT32_MAX) ++counter;
}

// What a finished game left on file, written the moment it was decided.
struct TKept {
  bool Written = false;  // the records file took this game
  bool Shortest = false;
  bool Longest = false;
  TGameData Records;  // as written, or as on file
};

struct TOutcome {
  TPlayer* Winner = nullptr;
  TPlayer* Loser = nullptr;
  int32_t Months = 1;
  bool Surrendered = false;
  TKept Kept;
  bool CallerWon() const { return Winner == Player.get(); }
};

// The scores (the loser's zeroed) and the records of a decided game, as one
// change of the files. A surrendered game leaves the records as they were.
TKept KeepResult(TPlayer* AWinner, int32_t AMonths, bool ASurrendered) {
  TPlayer* loser = AWinner == Player.get() ? Computer.get() : Player.get();
  const bool callerWon = AWinner == Player.get();
  TKept kept;
  std::function<void(TGameData&)> rules;
  if (!ASurrendered) {
    rules = [&](TGameData& d) {
      ApplyRecordRules(d, AMonths, AWinner->GetFullName(), loser->GetFullName(), kept.Shortest,
                       kept.Longest);
    };
  }
  kept.Written = KeepKlassicResult(callerWon ? Player->Score : 0, callerWon ? 0 : Computer->Score,
                                   callerWon, rules, kept.Records);
  return kept;
}

// Months of play until one side's move wins the war. The result is on file
// before the first pause that shows it.
TOutcome PlayMonths() {
  TOutcome game;
  TPlayer* order[2] = {Player.get(), Computer.get()};
  if (Random(2) == 1) std::swap(order[0], order[1]);
  int turn = 0;
  while (!game.Winner) {
    TPlayer* mover = order[turn];
    mover->DrawScreen(game.Months);
    DoorWriteLn();
    {
      TSettleHook hook([&](TPlayer* winner) {
        if (winner) game.Kept = KeepResult(winner, game.Months, PlayerQuit);
      });
      game.Winner = mover->Move(game.Months, order[1 - turn]);
      hook.Settle(game.Winner);
    }
    if (game.Winner) break;
    mover->Produce();
    PressAnyKeyPause();
    turn = 1 - turn;
    if (turn == 0) Increment(game.Months);
  }
  game.Loser = game.CallerWon() ? Computer.get() : Player.get();
  game.Surrendered = PlayerQuit;
  return game;
}

void ShowScoreLine() {
  DoorWriteLn(Computer->GetFullName() + " got " + std::to_string(Computer->Score) +
              " points and you got " + std::to_string(Player->Score) + " points for this game.");
}

void AnnounceSurrender() {
  Increment(Losses);
  Player->Score = 0;
  DoorWriteLn();
  DoorTextAttr(15);
  ShowScoreLine();
  DoorWriteLn();
  PressAnyKeyPause();
  DoorGotoX(0);
  DoorWrite(std::string(19, ' '));
}

void AnnounceVictory(TOutcome& game) {
  if (game.CallerWon()) {
    for (int i = 0; i < 5; ++i) PlayBeat(kBeat, 0);
    Increment(Wins);
    DoorWriteLn();
    DoorTextAttr(138);
    DoorWriteLn("Hail to the new " + game.Winner->Title + " of the empire!");
    DoorTextAttr(10);
    PlayMusic(kFanfare);
  } else {
    Increment(Losses);
  }
  DoorWriteLn();
  game.Winner->DrawScreen(game.Months);
  DoorWriteLn();
  DoorTextAttr(15);
  game.Loser->Score = 0;
  ShowScoreLine();
  DoorWriteLn();
  PressAnyKeyPause();
  DoorWriteLn();
}

void ShowMonthlyScores(const TOutcome& game) {
  DoorTextAttr(game.CallerWon() || game.Surrendered ? 2 : 3);
  ShowScoreboard(true);
  PressAnyKeyPause();
  DoorWriteLn();
}

void AnnounceRecord(const std::string& text) {
  DoorWriteLn();
  DoorTextAttr(142);
  DoorWriteLn(text);
  DoorWriteLn();
}

// The records after the game, with its new ones announced.
TGameData KeptRecords(const TOutcome& game) {
  // Only a record that reached the file is announced. When nothing could be
  // written, the records shown are the ones on file.
  if (game.Kept.Written && game.Kept.Shortest)
    AnnounceRecord("This is the shortest game to date!!!!");
  if (game.Kept.Written && game.Kept.Longest)
    AnnounceRecord("This is the longest game to date!!!!");
  return game.Kept.Records;
}

std::string RecordLine(const std::string& lead, int32_t months, const std::string& winner,
                       const std::string& loser) {
  return lead + std::to_string(months) + " months won by " + winner + " vs. " + loser + ".";
}

void ShowRecords(const TOutcome& game, const TGameData& data) {
  DoorWriteLn();
  DoorTextAttr(15);
  DoorWriteLn("It took " + game.Winner->GetReferSingular() + " " + std::to_string(game.Months) +
              " months to beat " + game.Loser->GetReferSingular() + " this game.");
  if (data.LastMonths > 0) {
    DoorWriteLn(
        RecordLine("The last game lasted ", data.LastMonths, data.LastWinner, data.LastLoser));
  }
  DoorWriteLn();
  DoorTextAttr(3);
  if (data.LongestMonths > 0) {
    DoorWriteLn(RecordLine("The longest game was ", data.LongestMonths, data.LongestWinner,
                           data.LongestLoser));
  }
  if (data.ShortestMonths > 0) {
    DoorWriteLn(RecordLine("The shortest game was ", data.ShortestMonths, data.ShortestWinner,
                           data.ShortestLoser));
  }
}

void ShowSessionTally() {
  DoorWriteLn();
  DoorTextAttr(13);
  DoorWriteLn(Proper(Player->GetReferSingular()) + " won " + std::to_string(Wins) + " games and " +
              Computer->GetReferSingular() + " won " + std::to_string(Losses) +
              " games this session.");
}

}  // namespace

void PlayGame() {
  if (!Player) return;
  PlayerQuit = false;
  // The order of these draws is part of the game: King Computer's forces,
  // the caller's, then who moves first.
  Computer = TPlayer::Create("King", "Computer", false);
  Player->DrawForces();

  TOutcome game = PlayMonths();
  if (game.Surrendered) {
    AnnounceSurrender();
  } else {
    AnnounceVictory(game);
  }
  ShowMonthlyScores(game);
  ShowRecords(game, KeptRecords(game));
  ShowSessionTally();
  Computer.reset();
}

bool PlayAgain() {
  char key;
  do {
    DoorWriteLn();
    DoorTextAttr(14);
    DoorWrite("Play again? [Y/N] -=> ");
    DoorTextAttr(14);
    key = ReadEchoedKey();
  } while (key != 'Y' && key != 'N');
  return key == 'Y';
}

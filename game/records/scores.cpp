#include "game/records/scores.h"

#include <string>
#include <utility>
#include <vector>

#include "doorkit/door.h"
#include "game/common/commit.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/globals.h"
#include "game/common/gamedir.h"
#include "game/common/textutil.h"

namespace {

struct TUserData {
  std::string Alias;
  int32_t Wins = 0;
  int32_t Losses = 0;
  int32_t Score = 0;
};

// This month's scores as "qgs-user.dat" holds them.
struct MonthScores {
  int32_t ComputerTotal = 0;
  std::vector<TUserData> UserList;
};

const char* const kColumns = "Rank  Name                   Games  Wins  Losses  Win %       Score";
const std::string kRule(72, '-');

std::string UserFilePath() { return GetGameDir() + "qgs-user.dat"; }
std::string ThisMonthBoardPath() { return GetGameDir() + "qgs-best.asc"; }
std::string LastMonthBoardPath() { return GetGameDir() + "qgs-last.asc"; }

std::string BoardTitle(const std::string& monthName) {
  return "* Gronels and Slingards Scoreboard for the Month of " + monthName + " *";
}

// True when the file is the scoreboard of that month (by its title line).
bool IsBoardOf(const std::string& path, int month) {
  std::vector<std::string> lines;
  return ReadFileLines(path, lines) && !lines.empty() && lines[0] == BoardTitle(MonthName(month));
}

// The old month's scoreboard (of oldMonth) becomes last month's; without
// one, an older "last month" would be stale, so it goes. The move is part of
// the change that writes the new month's first scores, so a reader finds
// either the old month's files or the new month's, never a month without a
// board.
void RollOverScoreboards(int oldMonth, TFileChange& change) {
  std::string board;
  if (ReadFileText(ThisMonthBoardPath(), board)) {
    change.Put(LastMonthBoardPath(), board);
  } else if (!FileExists(ThisMonthBoardPath()) && !IsBoardOf(LastMonthBoardPath(), oldMonth)) {
    change.Remove(LastMonthBoardPath());
  }
}

// Reads the entries after the computer's total. A number line that is not a
// number ends the reading; the entry it belongs to is dropped.
void ReadEntries(LineReader& in, std::vector<TUserData>& list) {
  while (!in.Eof()) {
    TUserData user;
    user.Alias = PrintableText(in.ReadLine());
    for (int32_t* field : {&user.Wins, &user.Losses, &user.Score}) {
      if (in.Eof()) break;
      if (!ParseLeadingInt(in.ReadLine(), *field)) return;
    }
    list.push_back(std::move(user));
  }
}

// This month's scores from the file. A file stamped with another month
// starts the month afresh (rolling the scoreboards over); a missing, empty
// or unreadable one gives what could be read, without a rollover.
MonthScores LoadMonthScores(int year, int month, TFileChange& change) {
  MonthScores scores;
  std::vector<std::string> lines;
  if (!ReadFileLines(UserFilePath(), lines) || lines.empty()) return scores;
  LineReader in(std::move(lines));
  TDateTime stamp;
  if (!TryStrToDateTime(in.ReadLine(), stamp, year)) return scores;
  if (YearOf(stamp) != year || MonthOf(stamp) != month) {
    RollOverScoreboards(MonthOf(stamp), change);
    return scores;
  }
  int32_t total;
  if (!in.Eof() && ParseLeadingInt(in.ReadLine(), total)) scores.ComputerTotal = total;
  ReadEntries(in, scores.UserList);
  return scores;
}

void AddGame(std::vector<TUserData>& list, const std::string& alias, int32_t score, bool won) {
  TUserData* entry = nullptr;
  for (TUserData& user : list) {
    if (user.Alias == alias) {
      entry = &user;
      break;
    }
  }
  if (!entry) {
    list.push_back(TUserData{alias, 0, 0, 0});
    entry = &list.back();
  }
  int32_t& count = won ? entry->Wins : entry->Losses;
  count = ClampInt32(static_cast<int64_t>(count) + 1);
  entry->Score = ClampInt32(static_cast<int64_t>(entry->Score) + score);
}

// Highest score first. The order of equal scores is the one this exchange
// sort leaves, which the scoreboards have always shown; a stable sort would
// differ.
void RankByScore(std::vector<TUserData>& list) {
  for (size_t i = 0; i + 1 < list.size(); ++i) {
    for (size_t j = i + 1; j < list.size(); ++j) {
      if (list[j].Score > list[i].Score) std::swap(list[i], list[j]);
    }
  }
}

struct Totals {
  int64_t PlayerTotal = 0;     // all callers' points
  int64_t ComputerWins = 0;    // all callers' losses
  int64_t ComputerLosses = 0;  // all callers' wins
};

Totals SumUp(const std::vector<TUserData>& list) {
  Totals t;
  for (const TUserData& user : list) {
    t.PlayerTotal += user.Score;
    t.ComputerWins += user.Losses;
    t.ComputerLosses += user.Wins;
  }
  return t;
}

std::string UserFileText(TDateTime now, const MonthScores& scores) {
  std::string text = DateTimeToStr(now) + "\n" + std::to_string(scores.ComputerTotal) + "\n";
  for (const TUserData& user : scores.UserList) {
    text += user.Alias + "\n" + std::to_string(user.Wins) + "\n" + std::to_string(user.Losses) +
            "\n" + std::to_string(user.Score) + "\n";
  }
  return text;
}

// One scoreboard row. Counts may be anything a file held, so the sums and
// the percentage are worked out in 64 bits and shown clamped.
std::string Row(int rank, const std::string& name, int64_t wins, int64_t losses, int64_t score) {
  const int64_t games = wins + losses;
  const int64_t percent = games == 0 ? 0 : wins * 100 / games;
  return Format("%3d   %-22s %5d  %4d  %6d  %3d %% %11s\n", rank, name.c_str(), ClampInt32(games),
                ClampInt32(wins), ClampInt32(losses), ClampInt32(percent),
                PrettyNumber(ClampInt32(score)).c_str());
}

std::string ScoreboardText(const std::string& monthName, const MonthScores& scores) {
  const Totals t = SumUp(scores.UserList);
  const std::string header = std::string(kColumns) + "\n" + kRule + "\n";
  std::string text = BoardTitle(monthName) + "\n\n";
  text += header;
  int rank = 0;
  for (const TUserData& user : scores.UserList) {
    text += Row(++rank, user.Alias, user.Wins, user.Losses, user.Score);
  }
  text += kRule + "\n\n";
  text += "* Gronels and Slingards Total Score for the Month of " + monthName + " *\n\n";
  text += header;
  const bool usersLead = scores.ComputerTotal <= t.PlayerTotal;  // a tie goes to the callers
  std::string users =
      Row(usersLead ? 1 : 2, "All Users", t.ComputerLosses, t.ComputerWins, t.PlayerTotal);
  std::string computer = Row(usersLead ? 2 : 1, "King Computer", t.ComputerWins, t.ComputerLosses,
                             scores.ComputerTotal);
  text += usersLead ? users + computer : computer + users;
  text += kRule + "\n\n";
  return text;
}

void ShowScoreboardMessage(const char* message) {
  DoorWriteLn();
  DoorTextAttr(2);
  DoorWriteLn(message);
  DoorWriteLn();
}

}  // namespace

TScoresLock::TScoresLock() : lock_(UserFilePath()) {
  if (lock_.Held()) FinishLeftoverChange();
}

void PutScores(TFileChange& AChange, int32_t PlayerScore, int32_t ComputerScore, bool PlayerWon) {
  // A scores file this node cannot read (another user's, say) is left as it
  // is rather than replaced by this one game.
  if (ExistsButUnreadable(UserFilePath())) return;
  const TDateTime now = Now();
  int year, month, day;
  DecodeDate(now, year, month, day);

  MonthScores scores = LoadMonthScores(year, month, AChange);
  AddGame(scores.UserList, HoldAliasForWrite, PlayerScore, PlayerWon);
  scores.ComputerTotal = ClampInt32(static_cast<int64_t>(scores.ComputerTotal) + ComputerScore);
  RankByScore(scores.UserList);

  AChange.Put(UserFilePath(), UserFileText(now, scores));
  AChange.Put(ThisMonthBoardPath(), ScoreboardText(MonthName(month), scores));
}

void UpdateUserFile(int32_t PlayerScore, int32_t ComputerScore, bool PlayerWon) {
  // The scoreboards are only ever written here, so the scores' lock covers
  // them (and the rollover) too.
  TScoresLock lock;
  if (!lock.Held()) return;
  TFileChange change;
  PutScores(change, PlayerScore, ComputerScore, PlayerWon);
  if (!change.Empty()) change.Commit();
}

bool KeepKlassicResult(int32_t PlayerScore, int32_t ComputerScore, bool PlayerWon,
                       const std::function<void(TGameData&)>& change, TGameData& records) {
  TFileChange both;
  TScoresLock scoresLock;
  if (scoresLock.Held()) PutScores(both, PlayerScore, ComputerScore, PlayerWon);
  if (!change) {
    ReadGameData(records);
    if (!both.Empty()) both.Commit();
    return false;
  }
  TGameDataLock recordsLock;
  TGameData changed;
  bool putRecords = false;
  if (recordsLock.Held()) {
    putRecords = PutGameData(both, change, records, changed);
  } else {
    ReadGameData(records);
  }
  if (both.Empty() || !both.Commit() || !putRecords) return false;
  records = changed;
  return true;
}

void ShowScoreboard(bool ThisMonth) {
  const std::string path = ThisMonth ? ThisMonthBoardPath() : LastMonthBoardPath();
  std::vector<std::string> lines;
  if (ReadFileLines(path, lines)) {
    DoorTextAttr(2);
    for (const std::string& line : lines) DoorWriteLn(line);
  } else if (!FileExists(path)) {
    ShowScoreboardMessage("* Scoreboard file not found *");
  } else {
    DoorTextAttr(2);
    ShowScoreboardMessage("* Error reading scoreboard file *");
  }
}

#include "game/multiplayer/rankings.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/textutil.h"
#include "game/kingdom/player.h"
#include "game/common/gamedir.h"

namespace {

const char* const kMonthlyFile = "qgs-pvp-monthly.dat";
const char* const kAllTimeFile = "qgs-pvp-alltime.dat";
const char* const kLastMonthFile = "qgs-pvp-last.dat";
const char* const kNoOneYet = "No one yet";

const char* const kColumns =
    "Rank  Player                 Games  Wins  Losses  Win %  Avg Months    Score";
const std::string kRule(79, '-');

int32_t NumberOrZero(const std::string& line) {
  int32_t value = 0;
  return ParseIntLine(line, value) ? value : 0;
}

int32_t AddClamped(int32_t a, int64_t b) { return ClampInt32(static_cast<int64_t>(a) + b); }

// The count line, after the optional date header. A first line with none of
// the date characters is the count itself; so is a first line that has one
// but does not read as a date-time (a negative count, say).
int32_t ReadCount(LineReader& in) {
  const std::string first = in.ReadLine();
  TDateTime stamp;
  if (first.find_first_of("/-:") != std::string::npos && TryStrToDateTime(first, stamp)) {
    return in.Eof() ? 0 : NumberOrZero(in.ReadLine());
  }
  return NumberOrZero(first);
}

// The ninth line of a record is a date-time in the older layout. A date at
// exactly midnight has no ":" ("1-1-27"), so a line that reads as one counts
// too; otherwise such a record would take the next record's alias for its
// date and every later record would be read one line off.
bool IsOlderLayoutDate(const std::string& line) {
  TDateTime value;
  return line.find_first_of("/:") != std::string::npos || TryStrToDateTime(line, value);
}

// Reads one record from where the reader stands. A record cut short by the
// end of the file keeps what it has (TotalMonthsPlayed 0, LastPlayed now).
// False when a number line is damaged: the load ends with this record.
bool ReadRecord(LineReader& in, TPvPPlayerRecord& r) {
  r.Alias = PrintableText(in.ReadLine());
  r.DisplayName = PrintableText(in.ReadLine());
  r.LastPlayed = Now();
  for (int32_t* field : {&r.TotalGames, &r.Wins, &r.Losses, &r.TotalScore, &r.ShortestWinMonths,
                         &r.LongestGameMonths}) {
    if (in.Eof()) return true;
    if (!ParseIntLine(in.ReadLine(), *field)) return false;
  }
  if (in.Eof()) return true;
  const std::string line = in.ReadLine();
  bool dateRead = true;
  if (IsOlderLayoutDate(line)) {
    dateRead = TryStrToDateTime(line, r.LastPlayed);
  } else {
    r.TotalMonthsPlayed = NumberOrZero(line);
    if (!in.Eof()) dateRead = TryStrToDateTime(in.ReadLine(), r.LastPlayed);
  }
  if (!dateRead) {
    r.TotalMonthsPlayed = 0;
    r.LastPlayed = Now();
  }
  return true;
}

// Descending by key. Equal keys are never exchanged with each other, but
// exchanges with larger entries move them about; that order is what the
// rankings have always shown, and a stable sort would differ.
void ExchangeSort(std::vector<TPvPPlayerRecord>& list, int32_t TPvPPlayerRecord::*key) {
  for (size_t i = 0; i + 1 < list.size(); ++i) {
    for (size_t j = i + 1; j < list.size(); ++j) {
      if (list[j].*key > list[i].*key) std::swap(list[i], list[j]);
    }
  }
}

// Wins as a whole percentage of games, 0 without games. The counts may be
// anything a file held, so the product is taken in 64 bits.
int32_t WinPercent(const TPvPPlayerRecord& r) {
  return r.TotalGames == 0 ? 0 : ClampInt32(static_cast<int64_t>(r.Wins) * 100 / r.TotalGames);
}

int32_t AverageMonths(const TPvPPlayerRecord& r) {
  return r.TotalGames == 0 ? 0 : ClampInt32(static_cast<int64_t>(r.TotalMonthsPlayed) / r.TotalGames);
}

// This month's table. A table stamped with another month is moved to last
// month's file in one rename (replacing the older archive), and the month
// starts empty; a table without a date header is taken as this month's.
void LoadThisMonth(const std::string& monthlyPath, const std::string& lastPath, int year,
                   int month, TPvPRankings& monthly) {
  std::vector<std::string> lines;
  if (!ReadFileLines(monthlyPath, lines)) return;
  TDateTime stamp;
  if (!lines.empty() && TryStrToDateTime(lines[0], stamp, year) &&
      (YearOf(stamp) != year || MonthOf(stamp) != month)) {
    RenameFile(monthlyPath, lastPath);
    return;
  }
  monthly.LoadFromFile(monthlyPath);
}

void RecordGame(TPvPRankings& table, const TPlayer& APlayer1, const std::string& APlayer1Alias,
                const TPlayer& APlayer2, const std::string& APlayer2Alias, bool APlayer1Won,
                int32_t AMonths) {
  table.UpdatePlayer(APlayer1Alias, APlayer1.Name, APlayer1Won, APlayer1.Score, AMonths);
  table.UpdatePlayer(APlayer2Alias, APlayer2.Name, !APlayer1Won, APlayer2.Score, AMonths);
}

}  // namespace

int32_t TPvPRankings::FindPlayer(const std::string& AAlias) const {
  for (size_t i = 0; i < FPlayers.size(); ++i) {
    if (FPlayers[i].Alias == AAlias) return static_cast<int32_t>(i);
  }
  return -1;
}

void TPvPRankings::LoadFromFile(const std::string& AFileName) {
  FPlayers.clear();
  std::vector<std::string> lines;
  if (!ReadFileLines(AFileName, lines) || lines.empty()) return;
  LineReader in(std::move(lines));
  const int32_t count = ReadCount(in);
  // The count bounds the records read, and the end of the file bounds them
  // too: a damaged count costs nothing.
  for (int32_t i = 0; i < count && !in.Eof(); ++i) {
    TPvPPlayerRecord record;
    const bool whole = ReadRecord(in, record);
    FPlayers.push_back(std::move(record));
    if (!whole) return;
  }
}

bool TPvPRankings::SaveToFile(const std::string& AFileName, const std::string& ADateHeader) const {
  std::string text;
  if (!ADateHeader.empty()) text += ADateHeader + "\n";
  text += std::to_string(FPlayers.size()) + "\n";
  for (const TPvPPlayerRecord& r : FPlayers) {
    text += r.Alias + "\n" + r.DisplayName + "\n";
    for (int32_t n : {r.TotalGames, r.Wins, r.Losses, r.TotalScore, r.ShortestWinMonths,
                      r.LongestGameMonths, r.TotalMonthsPlayed}) {
      text += std::to_string(n) + "\n";
    }
    text += DateTimeToStr(r.LastPlayed) + "\n";
  }
  return WriteFileAtomic(AFileName, text);
}

void TPvPRankings::UpdatePlayer(const std::string& AAlias, const std::string& ADisplayName,
                                bool AWon, int32_t AScore, int32_t AMonths) {
  int32_t index = FindPlayer(AAlias);
  if (index < 0) {
    FPlayers.push_back(TPvPPlayerRecord{});
    FPlayers.back().Alias = AAlias;
    index = PlayerCount() - 1;
  }
  TPvPPlayerRecord& r = FPlayers[static_cast<size_t>(index)];
  r.DisplayName = ADisplayName;
  r.TotalGames = AddClamped(r.TotalGames, 1);
  if (AWon) {
    r.Wins = AddClamped(r.Wins, 1);
  } else {
    r.Losses = AddClamped(r.Losses, 1);
  }
  r.TotalScore = AddClamped(r.TotalScore, AScore);
  r.LastPlayed = Now();
  if (AWon && (r.ShortestWinMonths == 0 || r.ShortestWinMonths > AMonths)) {
    r.ShortestWinMonths = AMonths;
  }
  if (r.LongestGameMonths < AMonths) r.LongestGameMonths = AMonths;
  r.TotalMonthsPlayed = AddClamped(r.TotalMonthsPlayed, AMonths);
}

void TPvPRankings::GetSortedByScore(std::vector<TPvPPlayerRecord>& AResult) const {
  AResult = FPlayers;
  ExchangeSort(AResult, &TPvPPlayerRecord::TotalScore);
}

void TPvPRankings::GetSortedByWins(std::vector<TPvPPlayerRecord>& AResult) const {
  AResult = FPlayers;
  ExchangeSort(AResult, &TPvPPlayerRecord::Wins);
}

TPvPPlayerRecord TPvPRankings::GetPlayer(int32_t AIndex) const {
  if (AIndex >= 0 && AIndex < PlayerCount()) return FPlayers[static_cast<size_t>(AIndex)];
  TPvPPlayerRecord empty;
  empty.LastPlayed = Now();
  return empty;
}

void UpdatePvPRankings(const TPlayer& APlayer1, const std::string& APlayer1Alias,
                       const TPlayer& APlayer2, const std::string& APlayer2Alias,
                       bool APlayer1Won, int32_t AMonths) {
  const std::string dir = GetGameDir();
  const std::string monthlyPath = dir + kMonthlyFile;
  const std::string allTimePath = dir + kAllTimeFile;
  // One lock for both tables and the rollover.
  DataFileLock lock(monthlyPath);
  const TDateTime now = Now();
  int year, month, day;
  DecodeDate(now, year, month, day);

  // A table this node cannot read (another user's, say) is left as it is
  // rather than replaced by this one game.
  if (!ExistsButUnreadable(monthlyPath)) {
    TPvPRankings monthly;
    LoadThisMonth(monthlyPath, dir + kLastMonthFile, year, month, monthly);
    RecordGame(monthly, APlayer1, APlayer1Alias, APlayer2, APlayer2Alias, APlayer1Won, AMonths);
    monthly.SaveToFile(monthlyPath, DateTimeToStr(now));
  }
  if (!ExistsButUnreadable(allTimePath)) {
    TPvPRankings allTime;
    allTime.LoadFromFile(allTimePath);
    RecordGame(allTime, APlayer1, APlayer1Alias, APlayer2, APlayer2Alias, APlayer1Won, AMonths);
    allTime.SaveToFile(allTimePath, "");
  }
}

void ShowPvPRankings(bool AShowMonthly) {
  DoorClrScr();
  DoorWriteLn();
  const std::string title =
      AShowMonthly ? std::string("* PvP Rankings for ") + MonthName(MonthOf(Now())) + " *"
                   : std::string("* All-Time PvP Rankings *");
  DoorTextAttr(15);
  DoorWriteCentered(title);
  DoorWriteLn();

  // The file as it is: early in a new month, before its first game, the
  // monthly screen still shows last month's table.
  TPvPRankings rankings;
  rankings.LoadFromFile(GetGameDir() + (AShowMonthly ? kMonthlyFile : kAllTimeFile));
  if (rankings.PlayerCount() == 0) {
    DoorTextAttr(14);
    DoorWriteLn("No PvP games have been completed yet.");
    DoorWriteLn();
    return;
  }
  std::vector<TPvPPlayerRecord> sorted;
  rankings.GetSortedByScore(sorted);
  DoorTextAttr(10);
  DoorWriteLn(kColumns);
  DoorWriteLn(kRule);
  int rank = 0;
  for (const TPvPPlayerRecord& r : sorted) {
    DoorWriteLn(Format("%3d   %-22s %5d  %4d  %6d  %3d %%      %3d   %11s", ++rank, r.Alias.c_str(),
                       r.TotalGames, r.Wins, r.Losses, WinPercent(r), AverageMonths(r),
                       PrettyNumber(r.TotalScore).c_str()));
  }
  DoorWriteLn(kRule);
  DoorWriteLn();
}

std::string GetMonthlyRoyalty() {
  const std::string path = GetGameDir() + kMonthlyFile;
  if (!FileExists(path)) return kNoOneYet;
  TPvPRankings rankings;
  rankings.LoadFromFile(path);
  if (rankings.PlayerCount() == 0) return kNoOneYet;

  std::vector<TPvPPlayerRecord> sorted;
  rankings.GetSortedByWins(sorted);
  const std::string mostWins = sorted[0].Wins > 0 ? sorted[0].Alias : kNoOneYet;
  std::string bestWinPct = kNoOneYet;
  int32_t bestPct = 0;
  for (const TPvPPlayerRecord& r : sorted) {
    if (r.TotalGames < 3) continue;
    const int32_t pct = WinPercent(r);
    if (pct > bestPct) {
      bestPct = pct;
      bestWinPct = r.Alias;
    }
  }
  if (mostWins == kNoOneYet && bestWinPct == kNoOneYet) return kNoOneYet;
  if (mostWins == bestWinPct) return mostWins;
  return mostWins + " (wins) / " + bestWinPct + " (%)";
}

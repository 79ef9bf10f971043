#include "game/multiplayer/rankings.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
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

int32_t NumberOrZero(std::string_view line) {
  int32_t value = 0;
  return ParseIntLine(line, value) ? value : 0;
}

int32_t AddClamped(int32_t a, int64_t b) { return ClampInt32(static_cast<int64_t>(a) + b); }

// The lines of a table file's text, walked in place (LF, CR LF and CR each
// end a line; the last needs none): a big table is some hundred thousand
// lines, and a copy of each would cost more than reading them. The clock is
// read once a file, for the records that lack a date and for two-digit
// years.
class TableText {
 public:
  explicit TableText(const std::string& text) : text_(text), now_(Now()), year_(YearOf(now_)) {}
  bool Eof() const { return pos_ >= text_.size(); }
  // The next line, or "" past the end; valid while the text lives.
  std::string_view ReadLine() {
    if (Eof()) return {};
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
    const std::string_view line(text_.data() + pos_, end - pos_);
    pos_ = end + 1;
    if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return line;
  }
  bool ReadDate(std::string_view line, TDateTime& value) const {
    return TryStrToDateTime(line, value, year_);
  }
  TDateTime Time() const { return now_; }

 private:
  const std::string& text_;
  size_t pos_ = 0;
  TDateTime now_;
  int year_;
};

// The count line, after the optional date header. A first line with none of
// the date characters is the count itself; so is a first line that has one
// but does not read as a date-time (a negative count, say).
int32_t ReadCount(TableText& in) {
  const std::string_view first = in.ReadLine();
  TDateTime stamp;
  if (first.find_first_of("/-:") != std::string_view::npos && in.ReadDate(first, stamp)) {
    return in.Eof() ? 0 : NumberOrZero(in.ReadLine());
  }
  return NumberOrZero(first);
}

// The ninth line of a record is a date-time in the older layout. A date at
// exactly midnight has no ":" ("1-1-27"), so a line that reads as one counts
// too; otherwise such a record would take the next record's alias for its
// date and every later record would be read one line off.
bool IsOlderLayoutDate(const TableText& in, std::string_view line) {
  TDateTime value;
  return line.find_first_of("/:") != std::string_view::npos || in.ReadDate(line, value);
}

// Reads one record from where the reader stands. A record cut short by the
// end of the file keeps what it has (TotalMonthsPlayed 0, LastPlayed now).
// False when a number line is damaged: the load ends with this record.
bool ReadRecord(TableText& in, TPvPPlayerRecord& r) {
  r.Alias = PrintableText(in.ReadLine());
  r.DisplayName = PrintableText(in.ReadLine());
  r.LastPlayed = in.Time();
  for (int32_t* field : {&r.TotalGames, &r.Wins, &r.Losses, &r.TotalScore, &r.ShortestWinMonths,
                         &r.LongestGameMonths}) {
    if (in.Eof()) return true;
    if (!ParseIntLine(in.ReadLine(), *field)) return false;
  }
  if (in.Eof()) return true;
  const std::string_view line = in.ReadLine();
  bool dateRead = true;
  if (IsOlderLayoutDate(in, line)) {
    dateRead = in.ReadDate(line, r.LastPlayed);
  } else {
    r.TotalMonthsPlayed = NumberOrZero(line);
    if (!in.Eof()) dateRead = in.ReadDate(in.ReadLine(), r.LastPlayed);
  }
  if (!dateRead) {
    r.TotalMonthsPlayed = 0;
    r.LastPlayed = in.Time();
  }
  return true;
}

// A Fenwick tree of counts over 0..n-1.
class CountTree {
 public:
  explicit CountTree(size_t n) : tree_(n + 1, 0) {}
  void Add(size_t i, int64_t by) {
    for (++i; i < tree_.size(); i += i & (~i + 1)) tree_[i] += by;
  }
  // The sum over 0..i-1.
  int64_t Before(size_t i) const {
    int64_t sum = 0;
    for (; i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
  }
  // The smallest i whose sum over 0..i is more than k (counts 0 or 1).
  size_t Find(int64_t k) const {
    size_t at = 0;
    size_t step = 1;
    while (step * 2 < tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      if (at + step < tree_.size() && tree_[at + step] <= k) {
        at += step;
        k -= tree_[at];
      }
    }
    return at;
  }

 private:
  std::vector<int64_t> tree_;
};

void SortForRankings(const std::vector<TPvPPlayerRecord>& table, int32_t TPvPPlayerRecord::*key,
                     std::vector<TPvPPlayerRecord>& sorted) {
  std::vector<int32_t> keys;
  keys.reserve(table.size());
  for (const TPvPPlayerRecord& r : table) keys.push_back(r.*key);
  sorted.clear();
  sorted.reserve(table.size());
  for (size_t i : ExchangeSortOrder(keys)) sorted.push_back(table[i]);
}

// Wins as a whole percentage of games, 0 without games. The counts may be
// anything a file held, so the product is taken in 64 bits.
int32_t WinPercent(const TPvPPlayerRecord& r) {
  return r.TotalGames == 0 ? 0 : ClampInt32(static_cast<int64_t>(r.Wins) * 100 / r.TotalGames);
}

int32_t AverageMonths(const TPvPPlayerRecord& r) {
  return r.TotalGames == 0 ? 0
                           : ClampInt32(static_cast<int64_t>(r.TotalMonthsPlayed) / r.TotalGames);
}

// This month's table. A table stamped with another month goes to last
// month's file as it is (replacing the older archive), and the month starts
// empty; a table without a date header is taken as this month's.
void LoadThisMonth(const std::string& monthlyPath, const std::string& lastPath, int year, int month,
                   TPvPRankings& monthly, TFileChange& change) {
  std::string text;
  if (!ReadFileText(monthlyPath, text)) return;
  std::vector<std::string> lines = SplitLines(text);
  TDateTime stamp;
  if (!lines.empty() && TryStrToDateTime(lines[0], stamp, year) &&
      (YearOf(stamp) != year || MonthOf(stamp) != month)) {
    change.Put(lastPath, text);
    return;
  }
  monthly.LoadFromFile(monthlyPath);
}

void RecordGame(TPvPRankings& table, const TRankedSide& APlayer1, const TRankedSide& APlayer2,
                bool APlayer1Won, int32_t AMonths) {
  table.UpdatePlayer(APlayer1.Alias, APlayer1.Name, APlayer1Won, APlayer1.Score, AMonths);
  table.UpdatePlayer(APlayer2.Alias, APlayer2.Name, !APlayer1Won, APlayer2.Score, AMonths);
}

}  // namespace

// The exchange sort is quadratic and not stable; this gives its result
// exactly in O(n log n).
//
// Pass i puts the first of the largest keys left at place i, and every entry
// it exchanges on the way moves one step on to where the next, larger one
// stood. Seen from the entries of one key v, with only the entries of larger
// keys among them, the table reads G0 b G1 b ... b Gm: the m entries b of
// larger keys, and the runs Gj of v's between them. The b's leave first, one
// a pass, and each such pass moves the first v in front of the first b (if
// any) past the others there, and lets the v's behind that b close up:
//   Q := G0;  for j in 1..m: Q := (Q with its first entry put last) + Gj
// and the v's follow the larger keys in the order Q. Entries of smaller keys
// do not change this.
//
// Q is built on a ring: each turn moves the ring's start on by one, each run
// is appended in front of the start. The positions at which the entries go
// into the ring are worked out first, and their places in the finished ring
// then found backwards, the last one in first.
std::vector<size_t> ExchangeSortOrder(const std::vector<int32_t>& AKeys) {
  const size_t n = AKeys.size();
  std::vector<int32_t> distinct(AKeys);
  std::sort(distinct.begin(), distinct.end(), std::greater<int32_t>());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  // rank 0 is the largest key.
  std::vector<size_t> rank(n);
  std::vector<std::vector<size_t>> byRank(distinct.size());
  for (size_t i = 0; i < n; ++i) {
    rank[i] = static_cast<size_t>(
        std::lower_bound(distinct.begin(), distinct.end(), AKeys[i], std::greater<int32_t>()) -
        distinct.begin());
    byRank[rank[i]].push_back(i);
  }
  // larger[i]: how many entries before i have a larger key.
  std::vector<int64_t> larger(n);
  CountTree seen(distinct.size());
  for (size_t i = 0; i < n; ++i) {
    larger[i] = seen.Before(rank[i]);
    seen.Add(rank[i], 1);
  }

  std::vector<size_t> order;
  order.reserve(n);
  int64_t largerInAll = 0;
  for (const std::vector<size_t>& run : byRank) {
    const size_t c = run.size();
    std::vector<int64_t> at(c);  // where each entry goes into the ring
    int64_t start = 0, size = 0, turned = 0;
    for (size_t t = 0; t < c; ++t) {
      if (size > 0) start = (start + (larger[run[t]] - turned)) % size;
      turned = larger[run[t]];
      at[t] = start;
      ++size;
      ++start;
    }
    if (size > 0) start = (start + (largerInAll - turned)) % size;
    std::vector<size_t> ring(c);
    CountTree free(c);
    for (size_t t = 0; t < c; ++t) free.Add(t, 1);
    for (size_t t = c; t-- > 0;) {
      const size_t slot = free.Find(at[t]);
      ring[slot] = run[t];
      free.Add(slot, -1);
    }
    for (size_t j = 0; j < c; ++j) order.push_back(ring[(static_cast<size_t>(start) + j) % c]);
    largerInAll += static_cast<int64_t>(c);
  }
  return order;
}

int32_t TPvPRankings::FindPlayer(const std::string& AAlias) const {
  for (size_t i = 0; i < FPlayers.size(); ++i) {
    if (FPlayers[i].Alias == AAlias) return static_cast<int32_t>(i);
  }
  return -1;
}

void TPvPRankings::LoadFromFile(const std::string& AFileName) {
  FPlayers.clear();
  std::string text;
  if (!ReadFileText(AFileName, text) || text.empty()) return;
  TableText in(text);
  const int32_t count = ReadCount(in);
  // A record takes ten lines of at least two bytes each: a count beyond
  // that is no reason to reserve.
  FPlayers.reserve(std::min<size_t>(static_cast<size_t>(std::max(count, 0)), text.size() / 20 + 1));
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
  return WriteFileAtomic(AFileName, ToText(ADateHeader));
}

std::string TPvPRankings::ToText(const std::string& ADateHeader) const {
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
  return text;
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
  SortForRankings(FPlayers, &TPvPPlayerRecord::TotalScore, AResult);
}

void TPvPRankings::GetSortedByWins(std::vector<TPvPPlayerRecord>& AResult) const {
  SortForRankings(FPlayers, &TPvPPlayerRecord::Wins, AResult);
}

TPvPPlayerRecord TPvPRankings::GetPlayer(int32_t AIndex) const {
  if (AIndex >= 0 && AIndex < PlayerCount()) return FPlayers[static_cast<size_t>(AIndex)];
  TPvPPlayerRecord empty;
  empty.LastPlayed = Now();
  return empty;
}

TRankingsLock::TRankingsLock() : lock_(GetGameDir() + kMonthlyFile) {
  if (lock_.Held()) FinishLeftoverChange();
}

void RankGameInto(TFileChange& AChange, const TRankedSide& APlayer1, const TRankedSide& APlayer2,
                  bool APlayer1Won, int32_t AMonths) {
  const std::string dir = GetGameDir();
  const std::string monthlyPath = dir + kMonthlyFile;
  const std::string allTimePath = dir + kAllTimeFile;
  const TDateTime now = Now();
  int year, month, day;
  DecodeDate(now, year, month, day);

  // A table this node cannot read (another user's, say) is left as it is
  // rather than replaced by this one game.
  if (!ExistsButUnreadable(monthlyPath)) {
    TPvPRankings monthly;
    LoadThisMonth(monthlyPath, dir + kLastMonthFile, year, month, monthly, AChange);
    RecordGame(monthly, APlayer1, APlayer2, APlayer1Won, AMonths);
    AChange.Put(monthlyPath, monthly.ToText(DateTimeToStr(now)));
  }
  if (!ExistsButUnreadable(allTimePath)) {
    TPvPRankings allTime;
    allTime.LoadFromFile(allTimePath);
    RecordGame(allTime, APlayer1, APlayer2, APlayer1Won, AMonths);
    AChange.Put(allTimePath, allTime.ToText(""));
  }
}

void UpdatePvPRankings(const TPlayer& APlayer1, const std::string& APlayer1Alias,
                       const TPlayer& APlayer2, const std::string& APlayer2Alias, bool APlayer1Won,
                       int32_t AMonths) {
  TRankingsLock lock;
  if (!lock.Held()) return;
  TFileChange change;
  RankGameInto(change, {APlayer1Alias, APlayer1.Name, APlayer1.Score},
               {APlayer2Alias, APlayer2.Name, APlayer2.Score}, APlayer1Won, AMonths);
  change.Commit();
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

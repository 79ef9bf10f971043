// Fuzzes the PvP rankings tables. Bit 0 of the first byte puts the rest in
// this month's table (else in the all-time one).
//  - Loaded, saved and loaded again, a table saves to the same text: what
//    a damaged file gave is kept whole from then on. Never more records
//    than the file has lines for, and the sorted views are sorted.
//  - Both rankings screens and the lobby's royalty line show it without
//    its own control codes.
//  - A finished game is credited: both players are in both tables
//    afterwards, and a player's game count went up by one.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/rankings.h"
#include "fuzz_support.h"
#include "support/fake_platform.h"

namespace {

std::string Saved(const TPvPRankings& t, const std::string& path) {
  t.SaveToFile(path, "");
  return fuzz::Get(path);
}

// The games credited to alias in the table at path (first record, as the
// update finds it); kAbsent when not there.
constexpr int64_t kAbsent = INT64_MIN;

int64_t GamesOf(const std::string& path, const std::string& alias) {
  TPvPRankings t;
  t.LoadFromFile(path);
  const int32_t at = t.FindPlayer(alias);
  return at < 0 ? kAbsent : t.GetPlayer(at).TotalGames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fuzz::World world;
  FakePlatform& fake = world.fake;
  DoorSession.PipeWrite = false;
  const std::string monthly = fake.gameDir + "qgs-pvp-monthly.dat";
  const std::string allTime = fake.gameDir + "qgs-pvp-alltime.dat";
  const std::string contents = fuzz::Bytes(data + 1, size - 1);
  const std::string& path = (data[0] & 1) ? monthly : allTime;
  fuzz::Put(path, contents);

  TPvPRankings table;
  table.LoadFromFile(path);
  // The count line, then at least a line a record.
  const size_t lines = SplitLines(contents).size();
  fuzz::Check(table.PlayerCount() >= 0 &&
                  (table.PlayerCount() == 0 || static_cast<size_t>(table.PlayerCount()) < lines),
              "more records than the file holds");
  const std::string scratch = fake.gameDir + "scratch.dat";
  const std::string once = Saved(table, scratch);
  TPvPRankings again;
  again.LoadFromFile(scratch);
  fuzz::Check(Saved(again, scratch) == once, "a table saved and loaded does not save the same");

  std::vector<TPvPPlayerRecord> sorted;
  table.GetSortedByScore(sorted);
  for (size_t i = 1; i < sorted.size(); ++i) {
    fuzz::Check(sorted[i - 1].TotalScore >= sorted[i].TotalScore, "not sorted by score");
  }
  table.GetSortedByWins(sorted);
  for (size_t i = 1; i < sorted.size(); ++i) {
    fuzz::Check(sorted[i - 1].Wins >= sorted[i].Wins, "not sorted by wins");
  }

  ShowPvPRankings(true);
  ShowPvPRankings(false);
  fake.out += GetMonthlyRoyalty();
  fuzz::Check(fuzz::OnlyOwnControls(fake.out), "the table's control codes reach the caller");

  // A game between the table's first player (if any) and a newcomer.
  const std::string alias1 = table.PlayerCount() > 0 ? table.GetPlayer(0).Alias : "Arthur";
  const std::string alias2 = "Guinevere";
  if (alias1 == alias2) return 0;
  const int64_t before = GamesOf(allTime, alias1);
  TPlayer p1("King", "Arthur", true), p2("Queen", "Guinevere", true);
  p1.Score = 500;
  p2.Score = 0;
  UpdatePvPRankings(p1, alias1, p2, alias2, true, 9);
  for (const std::string* p : {&monthly, &allTime}) {
    fuzz::Check(GamesOf(*p, alias1) != kAbsent && GamesOf(*p, alias2) != kAbsent,
                "a player's game is lost");
  }
  const int64_t after = GamesOf(allTime, alias1);
  fuzz::Check(before == kAbsent ? after == 1 : after == std::min<int64_t>(before + 1, INT32_MAX),
              "player 1's game count did not go up by one");
  return 0;
}

// The rankings with many ranked players: the monthly rankings screen lists
// every one of them, and the royalty line over every lobby reads and sorts
// the same table. Both should grow with the table about as n log n.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/gamedir.h"
#include "game/multiplayer/rankings.h"
#include "boards.h"
#include "support/fake_platform.h"

namespace {

// A monthly table of APlayers players full of ties: scores and wins from
// small ranges.
class Table {
 public:
  explicit Table(int APlayers) {
    DoorSession.PipeWrite = false;
    const std::string t = RankingsTableText(APlayers, "9-12-26 12:00:00", "9-12-26 11:00:00");
    WriteFileAtomic(GetGameDir() + "qgs-pvp-monthly.dat", t);
  }

  FakePlatform fake;
};

void BM_MonthlyRankingsScreen(benchmark::State& state) {
  Table table(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ShowPvPRankings(true);
    benchmark::DoNotOptimize(table.fake.TakeOut());
  }
  state.SetComplexityN(state.range(0));
}

void BM_MonthlyRoyalty(benchmark::State& state) {
  Table table(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(GetMonthlyRoyalty());
  state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_MonthlyRankingsScreen)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
BENCHMARK(BM_MonthlyRoyalty)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

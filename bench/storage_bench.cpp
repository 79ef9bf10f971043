// How the games folders scale: every listing of the Multiplayer screens is a
// scan of the game files, so each operation is timed beside a plain pass
// that only reads every file once. A busy board holds thousands of games.
#include <benchmark/benchmark.h>

#include <string>

#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/storage.h"
#include "game/common/globals.h"
#include "boards.h"
#include "support/fake_platform.h"

namespace {

// A game folder of AGames games in progress, all moved recently (nothing to
// expire), on the fake platform's clock and in its temporary folder.
class GameFolder {
 public:
  explicit GameFolder(int AGames) {
    Config = TConfig{};
    HoldAliasForWrite = "Nobody";
    InitializeGameDirs();
    for (int i = 1; i <= AGames; ++i) Write(i);
  }

  FakePlatform fake;

 private:
  void Write(int ANumber) {
    TPvPGameState s = BoardGame(ANumber, ANumber % 10 == 0 ? gsWaitingForPlayers : gsInProgress,
                                "Ann" + std::to_string(ANumber));
    s.CreatedDate = fake.Now() - 3;
    s.LastMoveDate = fake.Now() - 0.5;
    s.TimeoutDate = s.LastMoveDate + 7;
    s.SaveToFile(GetActiveGamesDir() + GameFileName(s));
  }
};

void BM_PlainReadPass(benchmark::State& state) {
  GameFolder folder(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ReadEveryGameFile({GetActiveGamesDir()}));
}

void BM_GetNextAvailableGameNumber(benchmark::State& state) {
  GameFolder folder(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(GetNextAvailableGameNumber());
}

void BM_GetOpenGames(benchmark::State& state) {
  GameFolder folder(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(GetOpenGames());
}

void BM_CleanupExpiredGames(benchmark::State& state) {
  GameFolder folder(static_cast<int>(state.range(0)));
  for (auto _ : state) CleanupExpiredGames();
}

}  // namespace

BENCHMARK(BM_PlainReadPass)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetNextAvailableGameNumber)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetOpenGames)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CleanupExpiredGames)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

// How the games folders scale: every listing of the Multiplayer screens is a
// scan of the game files, so each operation is timed beside a plain pass
// that only reads every file once. A busy board holds thousands of games.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/storage.h"
#include "game/common/globals.h"
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
    TPvPGameState s;
    s.GameID = std::to_string(20261209120000LL + ANumber / 1000) + std::to_string(ANumber % 1000);
    s.GameNumber = ANumber;
    s.GameType = gtMultiplayer;
    s.Status = ANumber % 10 == 0 ? gsWaitingForPlayers : gsInProgress;
    s.MaxPlayers = 2;
    s.CurrentPlayers = s.Status == gsWaitingForPlayers ? 1 : 2;
    s.Player1Alias = "Ann" + std::to_string(ANumber);
    s.Player1DisplayName = "Queen Ann";
    s.Player2Alias = s.Status == gsWaitingForPlayers ? "" : "Bob" + std::to_string(ANumber);
    s.Player2DisplayName = "King Bob";
    s.CurrentTurnAlias = s.Player1Alias;
    s.MonthNumber = 5;
    s.TurnOrder[0] = 1;
    s.TurnOrder[1] = 2;
    s.Player1Title = "Queen";
    s.Player2Title = "King";
    s.CreatedDate = fake.Now() - 3;
    s.LastMoveDate = fake.Now() - 0.5;
    s.TimeoutDate = s.LastMoveDate + 7;
    s.SaveToFile(GetActiveGamesDir() + GameFileName(s));
  }
};

// The floor every scan stands on: list the folder, read each file whole.
size_t ReadEveryFile() {
  size_t bytes = 0;
  const std::string dir = GetActiveGamesDir();
  for (const std::string& name : ListGameFiles(dir)) {
    std::ifstream in(dir + name, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bytes += text.size();
  }
  return bytes;
}

void BM_PlainReadPass(benchmark::State& state) {
  GameFolder folder(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ReadEveryFile());
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

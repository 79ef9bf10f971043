// What drawing the lobby costs on a busy board: the expiry pass, the seven
// lists and the screen, timed beside a plain pass that reads every game file
// of both folders once. The lobby is drawn before every Multiplayer menu.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/lobby.h"
#include "game/multiplayer/storage.h"
#include "game/common/globals.h"
#include "boards.h"
#include "support/fake_platform.h"

namespace {

// AGames games on the fake platform's clock in its temporary folder: one in
// ten finished a few days ago, one in ten waiting, the rest in progress;
// the caller (Ann) plays in one game in fifty. Nothing is due to expire, so
// every draw finds the same board.
class Board {
 public:
  explicit Board(int AGames) {
    Config = TConfig{};
    HoldAliasForWrite = "Ann";
    DoorSession.PipeWrite = false;
    InitializeGameDirs();
    for (int i = 1; i <= AGames; ++i) Write(i);
  }

  FakePlatform fake;

 private:
  void Write(int ANumber) {
    const TGameStatus status = ANumber % 10 == 0   ? gsWaitingForPlayers
                               : ANumber % 10 == 5 ? gsCompleted
                                                   : gsInProgress;
    TPvPGameState s =
        BoardGame(ANumber, status, ANumber % 50 == 1 ? "Ann" : "Cy" + std::to_string(ANumber));
    s.Player1Score = 1200;
    s.Player2Score = 900;
    s.LastTurnActions = {"[ACTION:soldier_attack]", "[DETAIL:500 soldiers]",
                         "[RESULT:soldier_attack:won]", "[TEXT:* Monthly Update *]"};
    s.CreatedDate = fake.Now() - 6;
    s.LastMoveDate = fake.Now() - (s.Status == gsCompleted ? 3 : 0.5);
    s.TimeoutDate = s.LastMoveDate + 7;
    if (s.Status == gsCompleted) s.Winner = "King Bob";
    const std::string dir = s.Status == gsCompleted ? GetCompletedGamesDir() : GetActiveGamesDir();
    s.SaveToFile(dir + GameFileName(s));
  }
};

void BM_LobbyPlainReadPass(benchmark::State& state) {
  Board board(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadEveryGameFile({GetActiveGamesDir(), GetCompletedGamesDir()}));
}

// The same, loading each game's state as well.
void BM_LobbyPlainLoadPass(benchmark::State& state) {
  Board board(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ScanAllGames().Active.size());
}

// For comparison: the expiry pass and then a fresh scan for the lists, every
// file read twice.
void BM_ExpiryPassThenScan(benchmark::State& state) {
  Board board(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CleanupExpiredGames();
    benchmark::DoNotOptimize(GetGameLists().InProgress.size());
  }
}

void BM_ShowGameLobby(benchmark::State& state) {
  Board board(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ShowGameLobby();
    benchmark::DoNotOptimize(board.fake.TakeOut());
  }
}

// The two side by side: each iteration times a plain read pass and a lobby
// draw over the same files, one after the other, so that both meet the same
// state of the system (file caches, other load). On a machine whose file
// calls vary from run to run, the ratio of these sums is steadier than that
// of two benchmarks run apart.
void BM_LobbyBesideReadPass(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  Board board(static_cast<int>(state.range(0)));
  Clock::duration read{}, lobby{};
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    benchmark::DoNotOptimize(ReadEveryGameFile({GetActiveGamesDir(), GetCompletedGamesDir()}));
    const Clock::time_point t1 = Clock::now();
    ShowGameLobby();
    benchmark::DoNotOptimize(board.fake.TakeOut());
    read += t1 - t0;
    lobby += Clock::now() - t1;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["read_ms"] = std::chrono::duration<double, std::milli>(read).count() / n;
  state.counters["lobby_ms"] = std::chrono::duration<double, std::milli>(lobby).count() / n;
  state.counters["lobby_per_read"] =
      std::chrono::duration<double>(lobby).count() / std::chrono::duration<double>(read).count();
}

}  // namespace

BENCHMARK(BM_LobbyBesideReadPass)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LobbyPlainReadPass)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LobbyPlainLoadPass)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpiryPassThenScan)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowGameLobby)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

// How long the work between two keys takes: a month of each side's play,
// the battle screen, and the socket's receive path.
#include <benchmark/benchmark.h>

#include "doorkit/comm.h"
#include "doorkit/door.h"
#include "game/common/globals.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "support/fake_platform.h"

namespace {

// The two program-wide kingdoms with fresh starting forces.
struct Kingdoms {
  FakePlatform fake;
  Kingdoms() {
    DoorSession.PipeWrite = false;
    Music = true;
    Player = TPlayer::Create("King", "Arthur", true);
    Computer = TPlayer::Create("King", "Computer", false);
    fake.Keys(std::string(1 << 20, ' '));  // every "Press any Key"
  }
  ~Kingdoms() {
    Player.reset();
    Computer.reset();
  }
};

void BM_DrawScreen(benchmark::State& state) {
  Kingdoms k;
  for (auto _ : state) {
    Player->DrawScreen(7);
    benchmark::DoNotOptimize(k.fake.TakeOut());
  }
}
BENCHMARK(BM_DrawScreen);

void BM_GronelVolley(benchmark::State& state) {
  Kingdoms k;
  for (auto _ : state) {
    Player->DoDamage(Computer.get(), 300, true, "GRONEL");
    Computer->DrawForces();
    k.fake.TakeOut();
  }
}
BENCHMARK(BM_GronelVolley);

void BM_SoldierAttack(benchmark::State& state) {
  Kingdoms k;
  for (auto _ : state) {
    Player->SoldierAttack(Computer.get());
    Player->DrawForces();
    Computer->DrawForces();
    k.fake.TakeOut();
  }
}
BENCHMARK(BM_SoldierAttack);

void BM_KingComputerTurn(benchmark::State& state) {
  Kingdoms k;
  for (auto _ : state) {
    Computer->Move(1, Player.get());
    Player->DrawForces();
    Computer->DrawForces();
    k.fake.TakeOut();
  }
}
BENCHMARK(BM_KingComputerTurn);

void BM_SocketReceive(benchmark::State& state) {
  FakePlatform fake;
  std::string chunk;
  for (int i = 0; i < 64; ++i) chunk += "abc\r\n\xff\xfd\x01xyz\r\0\xff\xff";
  Stdio = false;
  CommOpen(5);
  for (auto _ : state) {
    fake.SocketChunk(chunk);
    while (CommCharAvail()) benchmark::DoNotOptimize(CommReadChar());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chunk.size()));
}
BENCHMARK(BM_SocketReceive);

}  // namespace

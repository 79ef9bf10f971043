#include "support/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "doorkit/door.h"
#include "doorkit/outbuf.h"
#include "game/common/music.h"
#include "game/multiplayer/online.h"
#include "game/kingdom/turnlog.h"
#include "game/common/globals.h"

namespace fs = std::filesystem;

FakePlatform::FakePlatform() {
  std::string tmpl = (fs::temp_directory_path() / "qgs-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  gameDir = std::string(buf.data()) + "/";
  SetEnv(this);
  ResetDoorState();
  ResetGameState();
}

FakePlatform::~FakePlatform() {
  ResetDoorState();
  ResetGameState();
  SetEnv(nullptr);
  std::error_code ec;
  fs::remove_all(gameDir, ec);
}

char FakePlatform::ConsoleReadKey() {
  if (keys_.empty()) throw ScriptExhausted();
  char c = keys_.front();
  keys_.pop_front();
  return c;
}

bool FakePlatform::SocketReadable(int) { return !chunks_.empty() && chunks_.front().atMs <= nowMs; }

long FakePlatform::SocketRecv(int, char* buf, size_t len) {
  waitsWithoutRecv_ = 0;
  if (chunks_.empty() || chunks_.front().atMs > nowMs) return -1;
  Chunk& chunk = chunks_.front();
  if (chunk.hangUp) return 0;  // stays: every later receive sees the close
  if (chunk.error) return -1;  // stays as well
  size_t n = std::min(len, chunk.bytes.size());
  std::memcpy(buf, chunk.bytes.data(), n);
  chunk.bytes.erase(0, n);
  if (chunk.bytes.empty()) chunks_.pop_front();
  return static_cast<long>(n);
}

long FakePlatform::SocketSend(int, const char* buf, size_t len) {
  if (socketClosed) return -1;
  len = std::min(len, sendLimit);
  out.append(buf, len);
  writes.emplace_back(buf, len);
  socketOut.append(buf, len);
  SeeAnswers();
  return static_cast<long>(len);
}

void FakePlatform::SeeAnswers() {
  while (!answers_.empty()) {
    const Answer_& next = answers_.front();
    const size_t at = out.find(next.marker, answersFrom_);
    if (at == std::string::npos) return;
    answersFrom_ = at + next.marker.size();
    if (next.hangUp) {
      hangUpMs = nowMs;
      HangUp(nowMs);
    } else if (!next.keys.empty()) {
      SocketChunk(next.keys, nowMs);
    }
    answers_.pop_front();
  }
}

void FakePlatform::WaitForInput(int fd, int timeoutMs) {
  ++waits;
  if (fd < 0) {
    // Console: scripted keys are there at once, or never.
    if (keys_.empty()) throw ScriptExhausted();
    return;
  }
  if (SocketReadable(fd)) {
    if (++waitsWithoutRecv_ > 1000) throw SocketSpin();
    return;
  }
  int64_t wake = timeoutMs < 0 ? INT64_MAX : nowMs + timeoutMs;
  if (!chunks_.empty() && chunks_.front().atMs < wake) wake = chunks_.front().atMs;
  if (wake == INT64_MAX) throw ScriptExhausted();  // would wait for ever
  idleMs_ += wake - nowMs;
  nowMs = wake;
  if (idleMs_ > maxIdleMs) throw ScriptExhausted();
}

TDateTime FakePlatform::Now() { return kStart + static_cast<double>(nowMs) / 86400000.0; }

void FakePlatform::SleepMs(int ms) {
  sleeps.push_back(ms);
  if (ms > 0) nowMs += ms;
}

int64_t FakePlatform::Random(int64_t n) {
  drawsAsked.push_back(n);
  if (n <= 0) return 0;  // consumes no scripted draw
  if (!draws_.empty()) {
    int64_t v = draws_.front();
    draws_.pop_front();
    if (v < 0 || v >= n) throw std::logic_error("scripted draw out of range");
    return v;
  }
  return std::uniform_int_distribution<int64_t>(0, n - 1)(rng_);
}

void FakePlatform::Exit(int code) {
  RunExitProcs();
  throw DoorExit{code};
}

void ResetDoorState() {
  DoorReset();
  // Each write reaches out as it is made, so that a test reads everything
  // sent so far; the tests of held output switch holding on.
  OutBufHold(false);
  ClearExitProcs();  // forget what an earlier test installed
}

void ResetGameState() {
  GlobalsReset();
  MusicReset();
  TurnLogReset();
  OnlineReset();
}

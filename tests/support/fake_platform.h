// A scripted platform for tests: keys and socket bytes come from queues,
// random draws from a script (then from a seeded generator), sleeps move a
// virtual clock, and every byte sent is captured. Installing it also points
// the game directory at a fresh temporary folder.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "doorkit/outbuf.h"
#include "doorkit/platform.h"

// Thrown by Exit: the session ended with this code.
struct DoorExit {
  int code;
};

// Thrown when the code under test keeps waiting for socket input that is
// already there without receiving it: it would spin for ever.
struct SocketSpin : std::runtime_error {
  SocketSpin() : std::runtime_error("waiting on a readable socket without receiving") {}
};

// Thrown when a test waits for a key that its script does not hold.
struct ScriptExhausted : std::runtime_error {
  ScriptExhausted() : std::runtime_error("the test script ran out of keys") {}
};

class FakePlatform : public Platform {
 public:
  FakePlatform();
  ~FakePlatform() override;

  // ---- scripting ----
  void Keys(const std::string& keys) { keys_.insert(keys_.end(), keys.begin(), keys.end()); }
  // One receive's worth of socket bytes, available from virtual time `at`
  // (milliseconds since the fake's start; 0 = at once).
  void SocketChunk(const std::string& bytes, int64_t atMs = 0) { chunks_.push_back({bytes, atMs}); }
  void HangUp(int64_t atMs = 0) { chunks_.push_back({std::string(), atMs, true}); }
  // A caller who answers what the screen shows: once the program has sent
  // `marker` (after the previous answer's marker), `keys` arrive (none
  // when empty: the step only waits for the marker).
  void Answer(const std::string& marker, const std::string& keys) {
    answers_.push_back({marker, keys, false});
    SeeAnswers();
  }
  // The same, but the caller hangs up instead; hangUpMs then tells when.
  void HangUpWhenShown(const std::string& marker) {
    answers_.push_back({marker, std::string(), true});
    SeeAnswers();
  }
  // From `at` on, every receive fails (a reset connection).
  void SocketError(int64_t atMs = 0) { chunks_.push_back({std::string(), atMs, false, true}); }
  void Draws(std::initializer_list<int64_t> values) {
    draws_.insert(draws_.end(), values.begin(), values.end());
  }
  void Seed(uint64_t seed) { rng_.seed(seed); }

  // ---- what happened ----
  std::string out;                  // every byte sent to stdout or the socket
  std::string socketOut;            // the socket's share of out
  std::vector<std::string> writes;  // each stdout write and socket send, in order
  std::vector<int64_t> drawsAsked;  // n of every Random(n)
  std::vector<int> sleeps;          // every SleepMs
  int64_t nowMs = 0;                // virtual time since the start
  int waits = 0;                    // WaitForInput calls
  int64_t hangUpMs = -1;            // when HangUpWhenShown's marker was sent
  bool rawMode = false;
  bool terminal = true;  // standard output is a terminal
  bool utf8Terminal = false;
  bool socketOpen = true;
  bool socketClosed = false;
  bool socketShutdown = false;
  bool socketBlocking = false;  // SocketSetBlocking was called
  size_t sendLimit = SIZE_MAX;  // most bytes one SocketSend accepts
  std::string gameDir;          // with a trailing "/"
  std::string executablePath;   // the program's own path; empty: gameDir + "qgs"
  // Sees every byte written to standard output, as it is written.
  std::function<void(std::string_view)> onStdout;
  // Virtual time a socket session may wait with nothing to read before the
  // test is stopped (guards against a test that never ends).
  int64_t maxIdleMs = 48LL * 3600 * 1000;

  void Advance(int64_t ms) { nowMs += ms; }
  // Everything sent so far, the output the door still holds included.
  std::string TakeOut() {
    OutBufFlush();
    std::string s = std::move(out);
    out.clear();
    return s;
  }

  // ---- Platform ----
  void StdoutWrite(std::string_view bytes) override {
    out.append(bytes);
    writes.emplace_back(bytes);
    SeeAnswers();
    if (onStdout) onStdout(bytes);
  }
  bool StdoutIsTerminal() override { return terminal; }
  bool StdoutIsUtf8Terminal() override { return utf8Terminal; }
  void ConsoleRawMode(bool on) override { rawMode = on; }
  bool ConsoleKeyPressed() override { return !keys_.empty(); }
  char ConsoleReadKey() override;
  bool SocketIsOpen(int) override { return socketOpen; }
  bool SocketSetBlocking(int) override {
    socketBlocking = socketOpen;
    return socketOpen;
  }
  bool SocketReadable(int) override;
  long SocketRecv(int, char* buf, size_t len) override;
  long SocketSend(int, const char* buf, size_t len) override;
  void SocketShutdown(int) override { socketShutdown = true; }
  void SocketClose(int) override { socketClosed = true; }
  void WaitForInput(int fd, int timeoutMs) override;
  TDateTime Now() override;
  void SleepMs(int ms) override;
  void Randomize() override {}
  int64_t Random(int64_t n) override;
  std::string ExecutablePath() override {
    return executablePath.empty() ? gameDir + "qgs" : executablePath;
  }
  [[noreturn]] void Exit(int code) override;

  // The virtual clock's start: 9 December 2026, 12:00:00 local.
  static constexpr TDateTime kStart = 46365.5;

 private:
  struct Chunk {
    std::string bytes;
    int64_t atMs;
    bool hangUp = false;
    bool error = false;
  };
  struct Answer_ {
    std::string marker, keys;
    bool hangUp;
  };
  void SeeAnswers();
  std::deque<Answer_> answers_;
  size_t answersFrom_ = 0;  // where the next marker is looked for
  std::deque<char> keys_;
  std::deque<Chunk> chunks_;
  std::deque<int64_t> draws_;
  std::mt19937_64 rng_{12345};
  int64_t idleMs_ = 0;
  int waitsWithoutRecv_ = 0;  // waits that returned at once since the last receive
};

// Put every program-wide variable back to its start-up value: the door
// layer's session records, hooks and transport, and the game's own; but
// the door's output is not held (see OutBufHold). A fake
// does both when it is installed and again when it goes, so no test sees
// what an earlier one left.
void ResetDoorState();
void ResetGameState();

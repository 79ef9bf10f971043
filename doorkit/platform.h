// The one interface through which the door layer and the game reach the
// system: the caller's connection, the console keyboard, the clock, sleeps,
// random draws and the end of the process. Tests install a fake (see
// tests/support/fake_platform.h) that scripts keys, socket bytes and draws,
// advances a virtual clock instead of sleeping and captures every byte sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A point in local time as fractional days since 30 December 1899, the form
// the data files and the session clocks use.
using TDateTime = double;

class Platform {
 public:
  virtual ~Platform() = default;

  // Standard output: local and standard-I/O sessions. Writes and flushes.
  virtual void StdoutWrite(std::string_view bytes) = 0;

  // True when standard output is a terminal.
  virtual bool StdoutIsTerminal() = 0;
  // True when standard output is a terminal in a UTF-8 locale.
  virtual bool StdoutIsUtf8Terminal() = 0;

  // Console keyboard on standard input. ConsoleKeyPressed never blocks.
  // ConsoleReadKey returns one key; an extended key (a cursor key) comes as
  // #0 followed, on the next call, by its scan code ('H', 'P', 'M', 'K').
  virtual bool ConsoleKeyPressed() = 0;
  virtual char ConsoleReadKey() = 0;

  // An inherited, connected socket handle.
  virtual bool SocketIsOpen(int fd) = 0;
  virtual bool SocketSetBlocking(int fd) = 0;
  // Zero-timeout readability test; true also when the peer has hung up or
  // the socket is in error, so that the following receive reports it.
  virtual bool SocketReadable(int fd) = 0;
  // Like recv(2): bytes received, 0 on an orderly close, -1 on an error.
  // A receive interrupted by a signal is retried inside.
  virtual long SocketRecv(int fd, char* buf, size_t len) = 0;
  // Like send(2) without SIGPIPE: bytes accepted or -1.
  virtual long SocketSend(int fd, const char* buf, size_t len) = 0;
  virtual void SocketShutdown(int fd) = 0;
  virtual void SocketClose(int fd) = 0;

  // Switches the console to single keys without echo (on) or back to the
  // state it had before (off). Does nothing when standard input is not a
  // terminal.
  virtual void ConsoleRawMode(bool on) = 0;

  // Blocks until input may be waiting on the socket fd (or on the console
  // when fd < 0), or until timeoutMs has passed (< 0: no limit). A hang-up
  // or an error on fd ends the wait at once, as input does.
  virtual void WaitForInput(int fd, int timeoutMs) = 0;

  virtual TDateTime Now() = 0;
  virtual void SleepMs(int ms) = 0;

  // Seeds the one generator from the clock (once, at start-up).
  virtual void Randomize() = 0;
  // Uniform draw 0..n-1 from the one generator; 0 when n <= 0.
  virtual int64_t Random(int64_t n) = 0;

  // The program's own executable path.
  virtual std::string ExecutablePath() = 0;

  // Ends the process with this exit code (after the exit procedures). The
  // test fake throws instead, so that a test observes the end and survives.
  [[noreturn]] virtual void Exit(int code) = 0;
};

// The platform in use: the real one unless a test has installed another.
Platform& Env();
// Installs p (not owned); nullptr goes back to the real platform.
void SetEnv(Platform* p);

// Shorthands for the game and the door layer.
inline int64_t Random(int64_t n) { return Env().Random(n); }
inline TDateTime Now() { return Env().Now(); }
// A pause of ms milliseconds (in doorkit/door.cpp): a plain sleep, but in
// a socket session it ends the session as soon as the caller hangs up.
void Delay(int ms);

// Whole seconds between two date-times (absolute difference, truncated).
int64_t SecondsBetween(TDateTime a, TDateTime b);

// Process-exit hooks run by the real Exit, by normal return from main and by
// the fatal signals: restoring the console, the caller's colours and so on.
// Each runs at most once per process.
void AddExitProc(void (*proc)());
// Runs the exit procedures, last added first, then sends the held output.
void RunExitProcs();
// Sends the output the door layer holds back (doorkit/outbuf.h). Called by
// RunExitProcs, and by the real platform's handler of a fatal signal
// (SIGTERM, SIGHUP, SIGINT, SIGQUIT) before the process dies of it, where
// sends take only what the connection accepts at once; so send must be
// async-signal-safe.
void SetHeldOutputSender(void (*send)());
// Forgets every exit procedure without running it.
void ClearExitProcs();

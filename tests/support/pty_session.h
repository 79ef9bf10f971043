// A program on a pseudo-terminal of its own, driven as a person at a
// terminal would: keys typed into it, its screen read as text. What it
// writes is kept as text with the ANSI sequences (colours, cursor moves,
// ANSI music) and the carriage returns taken out, which is what the
// expectations below search: lines end in "\n". The child never outlives the object.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

class PtySession {
 public:
  // Starts argv[0] (a path) in folder `cwd` with `env` added to this
  // process's environment ("NAME=value" each).
  PtySession(const std::vector<std::string>& argv, const std::filesystem::path& cwd,
             const std::vector<std::string>& env = {});
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  void Type(const std::string& keys);

  // Waits until `text` appears after the mark and moves the mark past it;
  // false when it has not come within the timeout (or the program ended
  // without writing it).
  bool Expect(const std::string& text, std::chrono::milliseconds timeout = kTimeout);
  // The same for the earliest of several texts: its index, or -1.
  int ExpectAny(const std::vector<std::string>& texts,
                std::chrono::milliseconds timeout = kTimeout);

  // The text from position `from` up to the mark.
  size_t Mark() const { return mark_; }
  std::string TextFrom(size_t from) const { return text_.substr(from, mark_ - from); }
  // The last `n` characters of the text, for failure messages.
  std::string Tail(size_t n = 1500) const;

  // The wait status once the program has ended within the timeout, or -1.
  int WaitForExit(std::chrono::milliseconds timeout = kTimeout);

  // The program's process id, for what /proc tells of it.
  pid_t Pid() const { return pid_; }

  static constexpr std::chrono::milliseconds kTimeout{10000};

 private:
  // Reads what has arrived within `ms`; false once the terminal is closed.
  bool Pump(int ms);
  void AddText(char c);

  int master_ = -1;
  pid_t pid_ = -1;
  bool closed_ = false;
  std::string text_;
  size_t mark_ = 0;
  enum { kPlain, kEscape, kCsiStart, kCsi, kMusic } state_ = kPlain;
};

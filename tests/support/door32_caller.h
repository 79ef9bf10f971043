// A caller of the built qgs as a BBS node hands it over: qgs on one end of a
// socket pair, named by a DOOR32.SYS in the node's folder, the test on the
// other end reading the screen and typing keys.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

class Door32Caller {
 public:
  // Starts dir/"qgs" as node `node` for the caller (real name, alias), with
  // the drop file in dir/"node<node>"/ and exactly the environment given
  // (a sanitized build is told that an LD_PRELOAD shim may come first).
  // The child's standard input, output and error are /dev/null.
  Door32Caller(const std::filesystem::path& dir, const std::string& realName,
               const std::string& alias, int node, std::vector<std::string> env = {});
  ~Door32Caller();
  Door32Caller(const Door32Caller&) = delete;
  Door32Caller& operator=(const Door32Caller&) = delete;

  // Waits for text after the last match; false when it does not come (the
  // process ended, or 30 s went by).
  bool Await(const std::string& text);
  void Type(const std::string& keys);
  bool Answer(const std::string& text, const std::string& keys);

  // Hangs up and returns the wait status once the process has ended (it is
  // killed after 30 s). A hang-up spares the pause before the door hands
  // the caller back.
  int Wait();
  const std::string& Screen() const { return screen_; }

 private:
  int fd_ = -1;
  pid_t pid_ = -1;
  std::string screen_;
  size_t mark_ = 0;
};

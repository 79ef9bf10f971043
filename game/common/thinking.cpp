#include "game/common/thinking.h"

#include <string>

#include "doorkit/door.h"
#include "doorkit/platform.h"

void ShowThinkingBanner() {
  const std::string esc = "\x1b";
  // One colour per letter, each blinking and bright.
  static const char* const kLetterColours[] = {"31", "32", "33", "34", "35", "36", "37", "33"};
  const std::string word = "Thinking";
  std::string banner = esc + "[0;36;40;1m" + std::string(22, ' ') + "* ";
  for (size_t i = 0; i < word.size(); ++i) {
    banner += esc + "[0;" + kLetterColours[i] + ";40;5;1m" + word[i];
  }
  banner += esc + "[0;36;40;1m" + " *" + esc + "[0;36;40m";
  DoorWrite(banner);
  DoorWriteLn();
  Delay(2000);
  DoorWriteLn();
  DoorWriteLn();
}

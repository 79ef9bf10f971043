#include "doorkit/AnsiMusicMini.h"

#include <cctype>

#include "doorkit/door.h"

std::string AnsiMusicSequence(const std::string& tune) {
  std::string body;
  bool startsWithM = !tune.empty() && (tune[0] == 'M' || tune[0] == 'm');
  auto isMode = [](char c) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c == 'B' || c == 'F' || c == 'L' || c == 'N' || c == 'S';
  };
  if (startsWithM && tune.size() >= 2 && isMode(tune[1])) {
    body = tune.substr(1);
  } else if (startsWithM) {
    body = "F" + tune.substr(1);
  } else {
    body = "F" + tune;
  }
  return "\x1b[M" + body + "\x0e";
}

void EmitAnsiMusicSequence(const std::string& seq) { DoorWrite(AnsiMusicSequence(seq)); }

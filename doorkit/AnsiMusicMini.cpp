#include "doorkit/AnsiMusicMini.h"

#include <cctype>

std::string AnsiMusicSequence(const std::string& tune) {
  auto isMode = [](char c) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c == 'B' || c == 'F' || c == 'L' || c == 'N' || c == 'S';
  };
  // The tune's own leading "M" becomes the M of the introducer; without a
  // mode letter after it, F (play in the foreground) is supplied.
  bool startsWithM = !tune.empty() && (tune[0] == 'M' || tune[0] == 'm');
  bool hasMode = startsWithM && tune.size() >= 2 && isMode(tune[1]);
  std::string seq = "\x1b[M";
  if (!hasMode) seq += 'F';
  seq.append(tune, startsWithM ? 1 : 0, std::string::npos);
  seq += '\x0e';
  return seq;
}

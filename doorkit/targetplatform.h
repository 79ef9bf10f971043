// What the binary was built for.
#pragma once

#include <string>

enum TTargetPlatform {
  tpUnknown = 0,
  tpWin32 = 1,
  tpWin64 = 2,
  tpLinux = 3,
  tpRPi = 4,
  tpMSDOS = 5
};

extern const TTargetPlatform Target;
extern const std::string TargetOSName;  // e.g. "Linux (x86-64)"
extern const std::string TargetOSTag;   // e.g. "LNX64"

#include "doorkit/targetplatform.h"

#if defined(__arm__) || defined(__aarch64__)
const TTargetPlatform Target = tpRPi;
const std::string TargetOSName = "Raspberry Pi (Linux on ARM)";
const std::string TargetOSTag = "RPI";
#elif defined(__x86_64__)
const TTargetPlatform Target = tpLinux;
const std::string TargetOSName = "Linux (x86-64)";
const std::string TargetOSTag = "LNX64";
#elif defined(__i386__)
const TTargetPlatform Target = tpLinux;
const std::string TargetOSName = "Linux (x86)";
const std::string TargetOSTag = "LNX32";
#else
const TTargetPlatform Target = tpLinux;
const std::string TargetOSName = "Linux";
const std::string TargetOSTag = "LNX";
#endif

// The session with one caller: command line, drop file or local login, the
// connection, the periodic checks and the ways a session ends.
#include "doorkit/door.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "doorkit/ansi.h"
#include "doorkit/comm.h"
#include "doorkit/dropfiles.h"
#include "doorkit/filesystem.h"
#include "doorkit/stringutils.h"
#include "doorkit/targetplatform.h"
#include "doorkit/videoutils.h"

TDoorDropInfo DoorDropInfo;
TDoorSession DoorSession;
TDoorLastKey DoorLastKey;
bool Stdio = true;
std::string DoorProgramNameAndVersion = "Dorvex v13.09.02";
std::string DoorProgramFileName = "qgs";
int32_t DoorLiteBarIndex = 0;
std::vector<std::string> DoorLiteBarOptions;

void (*DoorOnCLP)(char, const std::string&) = nullptr;
void (*DoorOnHangup)() = DefaultOnHangup;
void (*DoorOnLocalLogin)() = DefaultOnLocalLogin;
void (*DoorOnStatusBar)() = DefaultOnStatusBar;
bool (*DoorOnSysOpKey)(char) = nullptr;
void (*DoorOnTimeOut)() = DefaultOnTimeOut;
void (*DoorOnTimeOutWarning)(uint8_t) = nullptr;
void (*DoorOnTimeUp)() = DefaultOnTimeUp;
void (*DoorOnTimeUpWarning)(uint8_t) = nullptr;
void (*DoorOnUsage)() = DefaultOnUsage;

namespace {

const char* const kCrLf = "\r\n";

bool FileExists(const std::string& path) {
  FileInfo info;
  return Files().Stat(path, info) == 0 && info.Kind == FileKind::File;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// A decimal integer (an optional sign, then digits only) or the fallback.
int32_t IntOr(const std::string& s, int32_t fallback) {
  int32_t value;
  return TryStrToInt32(s, value) ? value : fallback;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ClearLocalConsole() { LocalConsoleWrite(AnsiTextAttr(7) + AnsiClrScr()); }

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Run by the process's end in socket mode: the caller's cursor ends in the
// bottom-left corner in grey, and the handle is closed.
void NewExitProc() {
  DoorTextAttr(7);
  DoorCursorDown(255);
  DoorCursorLeft(255);
  if (!Stdio) DoorClose(false);
}

struct CommandLine {
  std::string dropFile;
  bool local = true;
  int32_t node = 0;
  int32_t socket = -99;
  bool forceStdio = false;
};

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine cl;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) continue;
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(arg[1])));
    std::string value = arg.substr(2);
    switch (letter) {
      case '?': cl.local = false; break;
      case 'D':
        cl.local = false;
        cl.dropFile = value;
        break;
      case 'N': cl.node = IntOr(value, 0); break;
      case 'S':
        cl.local = false;
        cl.socket = IntOr(value, -1);
        break;
      case 'X': cl.forceStdio = true; break;
      default:
        if (DoorOnCLP) DoorOnCLP(letter, value);
        break;
    }
  }
  return cl;
}

// Reads the drop file named on the command line and settles the mode.
void ReadDropFile(const CommandLine& cl) {
  struct Reader {
    const char* name;
    void (*read)(const std::string&);
  };
  static const Reader kReaders[] = {{"DOOR32.SYS", ReadDoor32},
                                    {"DOOR.SYS", ReadDoorSys},
                                    {"DORINFO", ReadDorInfo},
                                    {"INFO.", ReadLordInfo}};
  const Reader* chosen = nullptr;
  if (FileExists(cl.dropFile)) {
    std::string upper = Upper(cl.dropFile);
    for (const Reader& r : kReaders) {
      if (upper.find(r.name) != std::string::npos) {
        chosen = &r;
        break;
      }
    }
  }
  if (!chosen) {
    DoorFatal({"  Drop File Does Not Exist Or Is Not Supported:", "  " + cl.dropFile});
  }
  chosen->read(cl.dropFile);
  switch (DoorDropInfo.ComType) {
    case 0: Stdio = true; break;
    case 1:
    case 2:
      if (cl.forceStdio || DoorDropInfo.ComNum == -1) {
        Stdio = true;
      } else if (DoorDropInfo.ComNum >= 0) {
        Stdio = false;
      } else {
        DoorFatal({"  Invalid comm number: " + std::to_string(DoorDropInfo.ComNum)});
      }
      break;
    default: break;  // keeps the current mode
  }
}

}  // namespace

void LocalConsoleWrite(const std::string& bytes) { Env().StdoutWrite(bytes); }

void Delay(int ms) {
  if (Stdio || !DoorSession.Events || ms <= 0 || !CommCarrier()) {
    Env().SleepMs(ms);
    return;
  }
  // A socket session: the pause watches the connection, so that a caller
  // who hangs up during it is let go at once, not only after the pause and
  // the next key wait (a playback or King Computer's thinking would keep
  // the node for seconds). Keys typed meanwhile stay buffered for later.
  int64_t left = ms;
  while (left > 0) {
    const TDateTime before = Now();
    Env().WaitForInput(CommHandle(), static_cast<int>(left));
    if (!CommReceive()) return;  // nothing came: the time is up
    const int64_t waited = static_cast<int64_t>(std::llround((Now() - before) * 86400000.0));
    left -= std::clamp<int64_t>(waited, 0, left);
    if (!CommCarrier()) {
      if (DoorOnHangup) DoorOnHangup();
      // A hook that lets the session go on keeps the rest of the pause.
      if (left > 0) Env().SleepMs(static_cast<int>(left));
      return;
    }
  }
}

[[noreturn]] void DoorEndSession(int waitMs) {
  // The message stays up for waitMs, whatever the connection does.
  Env().SleepMs(waitMs);
  Env().Exit(0);
  std::abort();  // not reached: Exit does not return
}

[[noreturn]] void DoorFatal(const std::vector<std::string>& lines) {
  ClearLocalConsole();
  std::string text = kCrLf;
  for (const std::string& line : lines) text += line + kCrLf;
  text += kCrLf;
  LocalConsoleWrite(text);
  DoorEndSession();
}

void DoorStartup(int argc, char** argv) {
  if (argc > 0 && argv[0]) DoorProgramFileName = BaseName(argv[0]);
  CommandLine cl = ParseCommandLine(argc, argv);

  if (cl.local) {
    DoorDropInfo.Node = cl.node;
    Stdio = true;
    if (Env().StdoutIsUtf8Terminal()) DoorCharset = csUTF8;
    Env().ConsoleRawMode(true);
    if (DoorOnLocalLogin) {
      DoorOnLocalLogin();
      DoorClrScr();
    }
  } else if (cl.socket >= 0 && cl.node > 0) {
    DoorDropInfo.ComNum = cl.socket;
    DoorDropInfo.ComType = 2;
    DoorDropInfo.Node = cl.node;
    Stdio = false;
  } else if (cl.socket == -1 && cl.node > 0) {
    DoorDropInfo.ComNum = -1;
    DoorDropInfo.ComType = 2;
    DoorDropInfo.Node = cl.node;
    Stdio = true;
  } else if (!cl.dropFile.empty()) {
    ReadDropFile(cl);
  } else {
    if (DoorOnUsage) DoorOnUsage();
    DoorEndSession(0);
  }
  if (Stdio && !cl.local) Env().ConsoleRawMode(true);

  DoorLastKey.Time = Now();
  DoorSession.TimeOn = DoorLastKey.Time;
  DoorDropInfo.RealNameOrAlias =
      DoorDropInfo.RealName.empty() ? DoorDropInfo.Alias : DoorDropInfo.RealName;
  DoorDropInfo.AliasOrRealName =
      DoorDropInfo.Alias.empty() ? DoorDropInfo.RealName : DoorDropInfo.Alias;

  if (!Stdio) {
    if (!DoorOpenComm()) DoorFatal({"  No Carrier Detected"});
    AddExitProc(NewExitProc);
    DoorSession.Events = true;
    DoorSession.EventsTime = 0;
    DoorClrScr();
  }
}

void DoorShutdown() {
  DoorClose(false);
  DoorLiteBarOptions.clear();
}

void DoorDoEvents() {
  if (!DoorSession.Events) return;
  if (SecondsBetween(Now(), DoorSession.EventsTime) < 1) return;
  if (!DoorCarrier() && DoorOnHangup) DoorOnHangup();
  if (DoorSession.DoIdleCheck) {
    int32_t idle = DoorSecondsIdle();
    if (idle > DoorSession.MaxIdle && DoorOnTimeOut) DoorOnTimeOut();
    int64_t r = static_cast<int64_t>(DoorSession.MaxIdle) - idle;
    if (r % 60 == 1 && r / 60 <= 5 && DoorOnTimeOutWarning) {
      DoorOnTimeOutWarning(static_cast<uint8_t>(r / 60));
    }
  }
  if (DoorSecondsLeft() < 1 && DoorOnTimeUp) DoorOnTimeUp();
  int32_t t = DoorSecondsLeft();
  if (t % 60 == 1 && t / 60 <= 5 && DoorOnTimeUpWarning) {
    DoorOnTimeUpWarning(static_cast<uint8_t>(t / 60));
  }
  DoorSession.EventsTime = Now();
}

namespace {

// The furthest ahead a wait for a key plans, in checks: it then runs one
// that finds nothing, as a bound on how long a jump of the wall clock can
// go unnoticed.
constexpr int64_t kMaxChecksAhead = 60;

// A countdown that has value v at the next check and one less at each check
// after it: the number of the first check (1 = the next) at which it is 301,
// 241, 181, 121, 61 or 1, the values that warn; 0 when it has passed them all.
int64_t ChecksUntilWarning(int64_t v) {
  for (int64_t r = 301; r >= 1; r -= 60) {
    if (r <= v) return v - r + 1;
  }
  return 0;
}

// The checks run on a grid: EventsTime plus whole seconds, one check a
// second, as long as the caller sends nothing. Between two checks the idle
// and the used seconds each grow by exactly one, so which check of the grid
// first finds something to do follows from the values at the next one:
// the number of that check (1 = the next), at most kMaxChecksAhead.
int64_t ChecksUntilAction() {
  constexpr double kSecond = 1.0 / 86400.0;
  const TDateTime next = DoorSession.EventsTime + kSecond;
  int64_t checks = kMaxChecksAhead;
  auto consider = [&checks](int64_t n) {
    if (n >= 1 && n < checks) checks = n;
  };
  // A hang-up hook that returns is called again at every check.
  if (!DoorCarrier() && DoorOnHangup) consider(1);
  if (DoorSession.DoIdleCheck && (DoorOnTimeOut || DoorOnTimeOutWarning)) {
    if (DoorLastKey.Time > next) {
      consider(1);  // the clock went back: no telling, check every second
    } else {
      int64_t r = static_cast<int64_t>(DoorSession.MaxIdle) - SecondsBetween(next, DoorLastKey.Time);
      if (DoorOnTimeOut) consider(std::max<int64_t>(1, r + 2));  // idle > MaxIdle
      if (DoorOnTimeOutWarning) consider(ChecksUntilWarning(r));
    }
  }
  if (DoorOnTimeUp || DoorOnTimeUpWarning) {
    if (DoorSession.TimeOn > next) {
      consider(1);
    } else {
      int64_t left = static_cast<int64_t>(DoorDropInfo.MaxSeconds) -
                     SecondsBetween(next, DoorSession.TimeOn);
      if (DoorOnTimeUp) consider(std::max<int64_t>(1, left + 1));  // left < 1
      if (DoorOnTimeUpWarning) consider(ChecksUntilWarning(left));
    }
  }
  return checks;
}

}  // namespace

int32_t DoorEventsWaitMs() {
  if (!DoorSession.Events) return -1;
  double ms = (DoorSession.EventsTime - Now()) * 86400000.0 +
              static_cast<double>(ChecksUntilAction()) * 1000.0;
  // A hair below the moment still rounds up to it: the check then finds its
  // whole second, thanks to the allowance in SecondsBetween.
  return static_cast<int32_t>(
      std::clamp(std::ceil(ms - 0.001), 1.0, static_cast<double>(kMaxChecksAhead) * 1000.0));
}

void DoorEventsCatchUp() {
  if (!DoorSession.Events) return;
  const TDateTime now = Now();
  if (now < DoorSession.EventsTime) return;  // the clock went back
  int64_t skipped = std::min(SecondsBetween(now, DoorSession.EventsTime), ChecksUntilAction() - 1);
  if (skipped >= 1) DoorSession.EventsTime += static_cast<double>(skipped) / 86400.0;
}

int32_t DoorSecondsIdle() { return ClampToInt32(SecondsBetween(Now(), DoorLastKey.Time)); }

int32_t DoorSecondsLeft() {
  return ClampToInt32(static_cast<int64_t>(DoorDropInfo.MaxSeconds) -
                      SecondsBetween(Now(), DoorSession.TimeOn));
}

bool DoorCarrier() { return Stdio || CommCarrier(); }

bool DoorOpenComm() {
  if (Stdio) return true;
  CommOpen(DoorDropInfo.ComNum);
  return CommCarrier();
}

void DoorClose(bool disconnect) {
  if (!Stdio) CommClose(disconnect);
}

bool DoorStdio() { return Stdio; }

// ---- default hooks -------------------------------------------------------

void DefaultOnHangup() {
  // The caller is gone: only the local console hears about it.
  LocalConsoleWrite(AnsiTextAttr(15) + AnsiClrScr() + kCrLf +
                    "   Caller Dropped Carrier.  Returning To BBS..." + kCrLf);
  // Nobody is left to read a pause, and the BBS waits for this node: end
  // at once.
  DoorEndSession(0);
}

namespace {
[[noreturn]] void EndWithMessage(const std::string& message) {
  DoorTextAttr(15);
  DoorClrScr();
  DoorWriteLn();
  DoorWriteLn(message);
  DoorEndSession();
}
}  // namespace

void DefaultOnTimeOut() { EndWithMessage("  Idle Time Limit Exceeded.  Returning To BBS..."); }
void DefaultOnTimeUp() { EndWithMessage("  Your Time Has Expired.  Returning To BBS..."); }

void DefaultOnLocalLogin() {
  // The login screen colours itself even when the application has switched
  // pipe codes off.
  auto write = [](const std::string& text) { DoorWrite(PipeToAnsi(text)); };
  DoorTextAttr(7);
  DoorClrScr();
  DoorWriteLn();
  DoorWriteLn();
  write("  |1F  LOCAL LOGIN - FOR NODE " + std::to_string(DoorDropInfo.Node) + "|07\r\n");
  DoorWriteLn();
  DoorWriteLn();
  write("  |09Run " + DoorProgramFileName + " /? for command-line usage help|07\r\n");
  DoorWriteLn();
  std::string name;
  do {
    write("  |0AName or handle |0F:|07 ");
    name = DoorInput("SYSOP", "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM ", '\0', 40,
                     40, 31);
  } while (name.empty());
  DoorDropInfo.RealName = name;
  DoorDropInfo.Alias = name;
}

void DefaultOnStatusBar() {
  // The sysop's status line on the local console's last row. Nothing in the
  // door layer calls it; an application that wants one does.
  const int row = ScreenSizeY();
  std::string frame(80, ' ');
  for (int column : {1, 29, 49, 63, 80}) frame[static_cast<size_t>(column - 1)] = '\xFE';
  auto padded = [](std::string s, size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
  };
  FastWrite(frame, 1, row, 0x1E);
  FastWrite(padded(DoorDropInfo.RealName, 22), 3, row, 0x1F);
  FastWrite(DoorProgramNameAndVersion, 31, row, 0x1F);
  FastWrite(padded("Idle: " + SecToMS(DoorSecondsIdle()), 11), 51, row, 0x1F);
  FastWrite("Left: " + SecToHMS(DoorSecondsLeft()), 65, row, 0x1F);
}

void DefaultOnUsage() {
  const std::string& p = DoorProgramFileName;
  const std::vector<std::string> lines = {
      "",
      " USAGE: " + p + " <PARAMETERS>",
      "",
      " Load settings from a dropfile (DOOR32.SYS, DOOR.SYS, DORINFO*.DEF or INFO.*)",
      "  -D         PATH\\FILENAME OF DROPFILE",
      " Example: " + p + " -DC:\\BBS\\NODE1\\DOOR32.SYS",
      "",
      " Pass settings on command-line",
      "  -N         NODE NUMBER",
      "  -S         SOCKET HANDLE",
      " Example: " + p + " -N1 -S1000",
      "",
      " Run in local mode",
      "  -L         LOCAL MODE",
      " Example: " + p + " -L",
      "",
      " Optional parameters",
      "  -X         DISABLE COMM ROUTINES (STDIO MODE)",
      "  -U         UTF-8 OUTPUT (NO ANSI MUSIC)",
      "",
  };
  std::string text = AnsiClrScr();
  for (const std::string& line : lines) text += line + kCrLf;
  LocalConsoleWrite(text);
}

// ---- build ------------------------------------------------------------------

std::string BuildInfo() { return "Compiled for " + TargetOSName + " (" + TargetOSTag + ")"; }
bool IsWindows() { return Target == tpWin32 || Target == tpWin64; }
bool IsLinux() { return Target == tpLinux || Target == tpRPi; }
bool IsRaspberryPi() { return Target == tpRPi; }
bool IsMSDOS() { return Target == tpMSDOS; }

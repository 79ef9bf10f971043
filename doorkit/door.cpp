// The session with one caller: command line, drop file or local login, the
// connection and the ways a session ends. The periodic checks are in
// door_events.cpp, the hooks and their default screens in door_hooks.cpp.
#include "doorkit/door.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "doorkit/ansi.h"
#include "doorkit/ansiwrite.h"
#include "doorkit/comm.h"
#include "doorkit/crt2.h"
#include "doorkit/door_parts.h"
#include "doorkit/door_dropfiles.h"
#include "doorkit/filesystem.h"
#include "doorkit/outbuf.h"
#include "doorkit/screencells.h"
#include "doorkit/stringutils.h"
#include "doorkit/targetplatform.h"

namespace {
const char* const kStartProgramNameAndVersion = "Dorvex v13.09.02";
const char* const kStartProgramFileName = "qgs";
}  // namespace

TDoorDropInfo DoorDropInfo;
TDoorSession DoorSession;
TDoorLastKey DoorLastKey;
bool Stdio = true;
std::string DoorProgramNameAndVersion = kStartProgramNameAndVersion;
std::string DoorProgramFileName = kStartProgramFileName;
int32_t DoorLiteBarIndex = 0;
std::vector<std::string> DoorLiteBarOptions;

namespace {

const char* const kCrLf = "\r\n";

bool FileExists(const std::string& path) {
  FileInfo info;
  return Files().Stat(path, info) == 0 && info.Kind == FileKind::File;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ClearLocalConsole() { LocalConsoleWrite(AnsiTextAttr(7) + AnsiClrScr()); }

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
      case 'N': cl.node = StrToIntDef(value, 0); break;
      case 'S':
        cl.local = false;
        cl.socket = StrToIntDef(value, -1);
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
    std::string upper = UpperCase(cl.dropFile);
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

void LocalConsoleWrite(const std::string& bytes) { OutBufStdout(bytes); }

void Delay(int ms) {
  OutBufFlush();  // what comes before the pause is seen during it
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
  OutBufFlush();
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

bool DoorCarrier() {
  OutBufFlush();  // a send that fails is how a hang-up shows first
  return Stdio || CommCarrier();
}

bool DoorOpenComm() {
  if (Stdio) return true;
  CommOpen(DoorDropInfo.ComNum);
  return CommCarrier();
}

void DoorClose(bool disconnect) {
  OutBufFlush();
  if (!Stdio) CommClose(disconnect);
}

bool DoorStdio() { return Stdio; }

void DoorReset() {
  DoorDropInfo = TDoorDropInfo{};
  DoorSession = TDoorSession{};
  DoorLastKey = TDoorLastKey{};
  Stdio = true;
  DoorProgramNameAndVersion = kStartProgramNameAndVersion;
  DoorProgramFileName = kStartProgramFileName;
  DoorLiteBarIndex = 0;
  DoorLiteBarOptions.clear();
  DoorHooksReset();
  DoorOutputReset();
  OutBufReset();
  CommReset();
  ConsoleReset();
  AnsiResetParser();
  Crt2Reset();
}

// ---- build ------------------------------------------------------------------

std::string BuildInfo() { return "Compiled for " + TargetOSName + " (" + TargetOSTag + ")"; }
bool IsWindows() { return Target == tpWin32 || Target == tpWin64; }
bool IsLinux() { return Target == tpLinux || Target == tpRPi; }
bool IsRaspberryPi() { return Target == tpRPi; }
bool IsMSDOS() { return Target == tpMSDOS; }

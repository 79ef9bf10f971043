// The event hooks and the screens they show unless the application assigns
// its own: the hang-up, idle and time-up endings, the local login, the
// sysop's status line and the usage screen.
#include <string>
#include <vector>

#include "doorkit/ansi.h"
#include "doorkit/door.h"
#include "doorkit/door_parts.h"
#include "doorkit/stringutils.h"
#include "doorkit/videoutils.h"

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

void DoorHooksReset() {
  DoorOnCLP = nullptr;
  DoorOnHangup = DefaultOnHangup;
  DoorOnLocalLogin = DefaultOnLocalLogin;
  DoorOnStatusBar = DefaultOnStatusBar;
  DoorOnSysOpKey = nullptr;
  DoorOnTimeOut = DefaultOnTimeOut;
  DoorOnTimeOutWarning = nullptr;
  DoorOnTimeUp = DefaultOnTimeUp;
  DoorOnTimeUpWarning = nullptr;
  DoorOnUsage = DefaultOnUsage;
}

namespace {

const char* const kCrLf = "\r\n";

[[noreturn]] void EndWithMessage(const std::string& message) {
  DoorTextAttr(15);
  DoorClrScr();
  DoorWriteLn();
  DoorWriteLn(message);
  DoorEndSession();
}

}  // namespace

void DefaultOnHangup() {
  // The caller is gone: only the local console hears about it.
  LocalConsoleWrite(AnsiTextAttr(15) + AnsiClrScr() + kCrLf +
                    "   Caller Dropped Carrier.  Returning To BBS..." + kCrLf);
  // Nobody is left to read a pause, and the BBS waits for this node: end
  // at once.
  DoorEndSession(0);
}

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
    name = DoorInput("SYSOP", "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM ", '\0', 40, 40,
                     31);
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

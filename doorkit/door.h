// The door layer at a glance: the session with one caller (who they are,
// how they are connected, how long they may stay), everything sent to them
// and every key read from them.
//
//   DoorProgramNameAndVersion = "...";  DoorSession.PipeWrite = false;
//   DoorStartup();                       // command line, drop file, login
//   DoorWriteLn("Hello");  char k = DoorReadKey();
//   DoorShutdown();
//
// All access to the system goes through Env() (doorkit/platform.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doorkit/platform.h"
// The string helpers (durations, colour codes, tokens, whole numbers, case)
// come with the door layer.
#include "doorkit/stringutils.h"

// ---- session records -------------------------------------------------------

enum TDoorEmulationType { etANSI = 0, etASCII = 1 };
enum TDoorLastKeyType { lkNone = 0, lkSysOp = 1, lkUser = 2 };

struct TDoorDropInfo {
  int32_t Access = 0;
  std::string Alias;
  std::string AliasOrRealName;
  int32_t Baud = 0;
  bool Clean = false;
  int32_t ComNum = 0;   // socket handle; -1 means standard I/O
  uint8_t ComType = 0;  // 0 local, 1 serial, 2 telnet, 3 WC5
  TDoorEmulationType Emulation = etANSI;
  bool Fairy = false;
  int32_t MaxSeconds = 3600;
  int32_t Node = 0;
  std::string RealName;
  std::string RealNameOrAlias;
  int32_t RecPos = 0;
};

struct TDoorSession {
  bool DoIdleCheck = true;
  bool Events = false;  // periodic checks active (socket sessions)
  TDateTime EventsTime = 0;
  int32_t MaxIdle = 300;
  bool PipeWrite = true;
  bool TickWrite = false;
  TDateTime TimeOn = 0;
};

struct TDoorLastKey {
  char Ch = '\0';
  bool Extended = false;
  TDoorLastKeyType Location = lkNone;
  TDateTime Time = 0;  // the idle clock
};

extern TDoorDropInfo DoorDropInfo;
extern TDoorSession DoorSession;
extern TDoorLastKey DoorLastKey;
extern bool Stdio;  // true in local and standard-I/O sessions
extern std::string DoorProgramNameAndVersion;
extern int32_t DoorLiteBarIndex;
extern std::vector<std::string> DoorLiteBarOptions;
extern bool DisplayingSixel;

// Output character set. Callers' terminals speak code page 437; a local
// console in a UTF-8 locale, or a BBS started with -U, gets UTF-8 instead,
// and then no ANSI music (such terminals cannot play it).
enum TDoorCharset { csCP437 = 0, csUTF8 = 1 };
extern TDoorCharset DoorCharset;

// ---- event hooks (nullptr = skipped) -------------------------------------

extern void (*DoorOnCLP)(char key, const std::string& value);
extern void (*DoorOnHangup)();
extern void (*DoorOnLocalLogin)();
extern void (*DoorOnStatusBar)();
extern bool (*DoorOnSysOpKey)(char key);
extern void (*DoorOnTimeOut)();
extern void (*DoorOnTimeOutWarning)(uint8_t minutes);
extern void (*DoorOnTimeUp)();
extern void (*DoorOnTimeUpWarning)(uint8_t minutes);
extern void (*DoorOnUsage)();

void DefaultOnHangup();
void DefaultOnLocalLogin();
void DefaultOnStatusBar();
void DefaultOnTimeOut();
void DefaultOnTimeUp();
void DefaultOnUsage();

// ---- session lifecycle ---------------------------------------------------

// Parses the command line, chooses the mode, reads the drop file or runs the
// local login and opens the connection. Every failure ends the process.
void DoorStartup(int argc, char** argv);
void DoorShutdown();
// The periodic checks (carrier, idle, time left), at most once a second.
void DoorDoEvents();
// How long a wait for a key may sleep: the milliseconds until the next
// periodic check that can act (a warning, a time-out, the end of the
// allowance, a hang-up to report), at most a minute; -1 when no check runs
// at all (local and standard-I/O sessions).
int32_t DoorEventsWaitMs();
// After such a sleep: counts the checks that came due meanwhile as run, up
// to the one that can act, so that the checks stay on the same whole
// seconds as when each of them runs.
void DoorEventsCatchUp();
int32_t DoorSecondsIdle();
int32_t DoorSecondsLeft();
bool DoorCarrier();
bool DoorOpenComm();
void DoorClose(bool disconnect);
bool DoorStdio();
// Every end of the session from inside the door layer goes through here:
// wait waitMs, then end the process with exit code 0 (the exit procedures
// run first). Tests observe it through the fake platform's Exit.
[[noreturn]] void DoorEndSession(int waitMs = 2500);
// A start-up failure: clears the local console, writes an empty line, the
// lines and an empty line to it (standard output, not DoorWrite), then ends.
[[noreturn]] void DoorFatal(const std::vector<std::string>& lines);
// Puts the whole door layer back to the start of a fresh process: the
// session records and the hooks above, the output character set, the
// transport, the colour and the local console. For running many sessions in
// one process (the tests do).
void DoorReset();
// Writes to the local console (standard output), bypassing DoorWrite.
void LocalConsoleWrite(const std::string& bytes);
// The program's file name without its path (for the login and usage screens).
extern std::string DoorProgramFileName;

std::string BuildInfo();
bool IsWindows();
bool IsLinux();
bool IsRaspberryPi();
bool IsMSDOS();

// ---- output ----------------------------------------------------------------

void DoorWrite(const std::string& text);
void DoorWriteLn();
void DoorWriteLn(const std::string& text);
void DoorWriteCentered(const std::string& text);
void DoorClrScr();
void DoorGotoX(uint8_t x);
void DoorGotoY(uint8_t y);
void DoorGotoXY(uint8_t x, uint8_t y);
void DoorCursorUp(uint8_t n);
void DoorCursorDown(uint8_t n);
void DoorCursorLeft(uint8_t n);
void DoorCursorRight(uint8_t n);
void DoorCursorSave();
void DoorCursorRestore();
void DoorTextAttr(uint8_t a);
void DoorTextColour(uint8_t c);
void DoorTextBackground(uint8_t c);
void DoorTextColourAndBlink(uint8_t c, bool blink);
void DoorDisplayFile(const std::string& name);
void DoorDisplaySixel(const std::string& name);
// Writes one tune of the ANSI-music play language with DoorWrite, framed
// as ESC "[M" ... SO (AnsiMusicMini).
void EmitAnsiMusicSequence(const std::string& seq);
// Sends bytes to the caller as they are (no pipe or backtick codes): the
// last step of DoorWrite, where the output character set is applied.
void DoorSend(const std::string& bytes);

// ---- input -----------------------------------------------------------------

extern const std::string DOOR_INPUT_CHARS_ALL;
extern const std::string DOOR_INPUT_CHARS_ALPHA;
extern const std::string DOOR_INPUT_CHARS_NUMERIC;
extern const std::string DOOR_INPUT_CHARS_FILENAME;

bool DoorKeyPressed();
char DoorReadKey();
std::string DoorInput(const std::string& ADefaultText, const std::string& AAllowedCharacters,
                      char APasswordCharacter, uint8_t AVisibleLength, uint8_t AMaxLength,
                      uint8_t AAttr);
bool DoorLiteBar(int32_t APageSize);

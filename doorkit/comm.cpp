// The Telnet socket transport: sends unbuffered, receives without waiting
// into a buffer, and remembers when the caller has gone.
//
// What arrives is a Telnet stream, not bare keys: the client answers our
// announcements (IAC DO ECHO ...), may start negotiations of its own and
// sends Enter as CR LF or CR NUL. The receive path keeps only the caller's
// keys, turns every Enter into one CR, and carries its state from one
// receive to the next, since TCP may cut a command or a line end anywhere.
#include "doorkit/comm.h"

#include "doorkit/platform.h"

namespace {

constexpr unsigned char kIac = 255;   // interpret as command
constexpr unsigned char kWill = 251;  // WILL, WONT, DO, DONT: 251..254
constexpr unsigned char kSb = 250;    // subnegotiation begin
constexpr unsigned char kSe = 240;    // subnegotiation end
constexpr unsigned char kTransmitBinary = 0;
constexpr unsigned char kEcho = 1;

// Where the receive path stands in the Telnet stream.
enum class TelnetState {
  Data,        // plain bytes
  Command,     // after IAC
  Option,      // after IAC WILL/WONT/DO/DONT: the option byte follows
  Sub,         // inside IAC SB ... IAC SE
  SubCommand,  // after IAC inside a subnegotiation
};

int32_t FCommNumber = -1;
bool FCarrier = true;
std::string FBuffer;  // received keys not yet consumed
TelnetState FTelnet = TelnetState::Data;

// How far the keys just taken are into one Enter. After a CR, an LF or a NUL
// belongs to the same Enter; after CR LF, so does one NUL (CR LF NUL).
enum class EnterState { None, AfterCr, AfterCrLf };
EnterState FEnter = EnterState::None;

void PutKey(char c) {
  const EnterState before = FEnter;
  FEnter = EnterState::None;
  if (before == EnterState::AfterCr && c == '\n') {
    FEnter = EnterState::AfterCrLf;
    return;
  }
  if (before != EnterState::None && c == '\0') return;
  if (c == '\r') FEnter = EnterState::AfterCr;
  FBuffer += (c == '\n') ? '\r' : c;
}

void TakeByte(unsigned char b) {
  switch (FTelnet) {
    case TelnetState::Data:
      if (b == kIac) {
        FTelnet = TelnetState::Command;
      } else {
        PutKey(static_cast<char>(b));
      }
      return;
    case TelnetState::Command:
      FTelnet = TelnetState::Data;
      if (b == kIac) {
        PutKey(static_cast<char>(kIac));  // an escaped 255 is data
      } else if (b >= kWill) {
        FTelnet = TelnetState::Option;
      } else if (b == kSb) {
        FTelnet = TelnetState::Sub;
      }
      // any other command (NOP, GA, AYT ...) stands alone and carries no key
      return;
    case TelnetState::Option: FTelnet = TelnetState::Data; return;
    case TelnetState::Sub:
      if (b == kIac) FTelnet = TelnetState::SubCommand;
      return;
    case TelnetState::SubCommand:
      if (b == kSe) {
        FTelnet = TelnetState::Data;
      } else if (b == kIac) {
        FTelnet = TelnetState::Sub;  // an escaped 255 among the parameters
      } else {
        // A subnegotiation cut short by another command: take the command,
        // so that a broken client cannot swallow every later key.
        FTelnet = TelnetState::Command;
        TakeByte(b);
      }
      return;
  }
}

// Receives what is waiting, without waiting for more.
// True when anything came: bytes, or the end of the connection.
bool ReceiveData() {
  if (FCommNumber < 0 || !FCarrier) return false;
  if (!Env().SocketReadable(FCommNumber)) return false;
  char buf[1024];
  long n = Env().SocketRecv(FCommNumber, buf, sizeof buf);
  if (n <= 0 || static_cast<size_t>(n) > sizeof buf) {
    FCarrier = false;  // the caller hung up, or the connection failed
    return true;
  }
  for (long i = 0; i < n; ++i) TakeByte(static_cast<unsigned char>(buf[i]));
  return true;
}

}  // namespace

void CommOpen(int32_t handle) {
  FBuffer.clear();
  FTelnet = TelnetState::Data;
  FEnter = EnterState::None;
  if (handle < 0 || !Env().SocketIsOpen(handle)) {
    // Not a connection at all (a wrong handle from the BBS): there is no
    // caller, and the handle is someone else's, so it is never touched.
    FCommNumber = -1;
    FCarrier = false;
    return;
  }
  FCommNumber = handle;
  FCarrier = true;
  Env().SocketSetBlocking(handle);
  const char announcements[] = {
      static_cast<char>(kIac), static_cast<char>(kWill), static_cast<char>(kTransmitBinary),
      static_cast<char>(kIac), static_cast<char>(kWill), static_cast<char>(kEcho)};
  CommWriteBlock(announcements, sizeof announcements);
}

bool CommCarrier() { return FCarrier; }
int32_t CommHandle() { return FCommNumber; }

bool CommReceive() { return ReceiveData(); }

bool CommCharAvail() {
  if (FBuffer.empty()) ReceiveData();
  return !FBuffer.empty();
}

char CommPeekChar() {
  while (FBuffer.empty()) {
    if (!FCarrier || FCommNumber < 0) return '\0';  // nothing will ever come
    Env().WaitForInput(FCommNumber, 1);
    ReceiveData();
  }
  return FBuffer.front();
}

char CommReadChar() {
  char c = CommPeekChar();
  if (!FBuffer.empty()) FBuffer.erase(0, 1);
  return c;
}

void CommWrite(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    escaped += c;
    if (static_cast<unsigned char>(c) == kIac) escaped += c;
  }
  CommWriteBlock(escaped.data(), escaped.size());
}

void CommWriteRaw(const std::string& text) { CommWriteBlock(text.data(), text.size()); }

void CommWriteBlock(const char* buffer, size_t length) {
  if (FCommNumber < 0) return;
  // A blocking send stops short only when a signal interrupts it; the rest
  // still belongs to the screen, so it is sent too.
  while (length > 0) {
    long sent = Env().SocketSend(FCommNumber, buffer, length);
    if (sent <= 0 || static_cast<size_t>(sent) > length) {
      FCarrier = false;  // the caller is gone
      return;
    }
    buffer += sent;
    length -= static_cast<size_t>(sent);
  }
}

void CommClose(bool disconnect) {
  if (FCommNumber < 0) return;
  if (disconnect) Env().SocketShutdown(FCommNumber);
  Env().SocketClose(FCommNumber);
  FCommNumber = -1;
  FCarrier = false;
}

void CommReset() {
  FCommNumber = -1;
  FCarrier = true;
  FBuffer.clear();
  FTelnet = TelnetState::Data;
  FEnter = EnterState::None;
}

void CommFlushOutBuffer() {}
void CommPurgeOutBuffer() {}
void CommSetBaud(int32_t) {}

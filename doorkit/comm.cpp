// The Telnet socket transport: sends unbuffered, receives without waiting
// into a buffer, and remembers when the caller has gone.
#include "doorkit/comm.h"

#include "doorkit/platform.h"

namespace {

int32_t FCommNumber = -1;
bool FCarrier = true;
std::string FBuffer;

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

void ReceiveData() {
  if (FCommNumber < 0 || !FCarrier) return;
  if (!Env().SocketReadable(FCommNumber)) return;
  char buf[1024];
  long n = Env().SocketRecv(FCommNumber, buf, sizeof buf);
  if (n <= 0) {
    FCarrier = false;
    return;
  }
  FBuffer.assign(buf, static_cast<size_t>(n));
  ReplaceAll(FBuffer, "\r\n", "\r");
  ReplaceAll(FBuffer, std::string("\r\0", 2), "\r");
  ReplaceAll(FBuffer, "\n", "\r");
}

}  // namespace

void CommOpen(int32_t handle) {
  FCommNumber = handle;
  FCarrier = true;
  FBuffer.clear();
  Env().SocketSetBlocking(handle);
  CommWriteRaw(std::string("\xff\xfb\x00\xff\xfb\x01", 6));
}

bool CommCarrier() { return FCarrier; }
int32_t CommHandle() { return FCommNumber; }

bool CommCharAvail() {
  if (FBuffer.empty()) ReceiveData();
  return !FBuffer.empty();
}

char CommPeekChar() {
  while (FBuffer.empty()) {
    if (!FCarrier || FCommNumber < 0) return '\0';
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
    if (c == '\xff') escaped += c;
  }
  CommWriteBlock(escaped.data(), escaped.size());
}

void CommWriteRaw(const std::string& text) { CommWriteBlock(text.data(), text.size()); }

void CommWriteBlock(const char* buffer, size_t length) {
  if (length == 0 || FCommNumber < 0) return;
  Env().SocketSend(FCommNumber, buffer, length);
}

void CommClose(bool disconnect) {
  if (FCommNumber < 0) return;
  if (disconnect) Env().SocketShutdown(FCommNumber);
  Env().SocketClose(FCommNumber);
  FCommNumber = -1;
}

void CommFlushOutBuffer() {}
void CommPurgeOutBuffer() {}
void CommSetBaud(int32_t) {}

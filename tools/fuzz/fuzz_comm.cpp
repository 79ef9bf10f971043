// Fuzzes the socket receive path and key reading: the input is cut into
// receives at the positions its first bytes choose, then read back as keys.
#include <cstddef>
#include <cstdint>
#include <string>

#include "doorkit/comm.h"
#include "doorkit/door.h"
#include "support/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  FakePlatform fake;
  fake.maxIdleMs = 60 * 1000;
  size_t cuts = data[0] % 8;
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t at = 0;
  for (size_t i = 0; i < cuts && at < bytes.size(); ++i) {
    size_t len = 1 + static_cast<size_t>(static_cast<unsigned char>(bytes[at])) % 16;
    fake.SocketChunk(bytes.substr(at, len));
    at += len;
  }
  if (at < bytes.size()) fake.SocketChunk(bytes.substr(at));
  fake.HangUp();
  Stdio = false;
  CommOpen(5);
  DoorSession.Events = true;
  try {
    for (;;) DoorReadKey();
  } catch (const DoorExit&) {
  } catch (const ScriptExhausted&) {
  }
  CommClose(false);
  return 0;
}

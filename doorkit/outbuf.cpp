#include "doorkit/outbuf.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <string>

#include "doorkit/comm.h"
#include "doorkit/platform.h"

namespace {

// A lobby of a busy board is some 80 KB; most screens are a few KB and
// leave in one write. A fixed array, so that a signal handler can send it.
constexpr size_t kCapacity = 64 * 1024;

enum Destination : int { kStdout, kSocket };

char Held[kCapacity];
// Only whole bytes are counted: a signal that comes while bytes are being
// copied in sends the ones before them.
volatile std::sig_atomic_t HeldLength = 0;
volatile std::sig_atomic_t HeldFor = kStdout;
volatile std::sig_atomic_t Sending = 0;
bool Holding = true;

void Grow(size_t by) {
  std::atomic_signal_fence(std::memory_order_seq_cst);  // the bytes before the count
  HeldLength = static_cast<std::sig_atomic_t>(static_cast<size_t>(HeldLength) + by);
}

size_t Room() { return kCapacity - static_cast<size_t>(HeldLength); }

// Makes the held bytes those of destination d.
void HoldFor(Destination d) {
  if (HeldFor != d && HeldLength > 0) OutBufFlush();
  HeldFor = d;
}

const bool kSenderSet = (SetHeldOutputSender(OutBufFlush), true);

}  // namespace

void OutBufStdout(std::string_view bytes) {
  if (Sending) {
    // Written from inside a send (a platform that reports what it sends):
    // it goes out there and then, as it comes.
    Env().StdoutWrite(bytes);
    return;
  }
  HoldFor(kStdout);
  while (!bytes.empty()) {
    if (Room() == 0) OutBufFlush();
    const size_t n = std::min(bytes.size(), Room());
    std::memcpy(Held + HeldLength, bytes.data(), n);
    Grow(n);
    bytes.remove_prefix(n);
  }
  if (!Holding) OutBufFlush();
}

void OutBufSocket(std::string_view bytes) {
  if (Sending) {
    CommWrite(std::string(bytes));
    return;
  }
  HoldFor(kSocket);
  for (size_t at = 0; at < bytes.size();) {
    // The run up to the next byte 255 goes in as it is, the 255 twice.
    size_t end = bytes.find('\xFF', at);
    if (end == std::string_view::npos) end = bytes.size();
    while (at < end) {
      if (Room() == 0) OutBufFlush();
      const size_t n = std::min(end - at, Room());
      std::memcpy(Held + HeldLength, bytes.data() + at, n);
      Grow(n);
      at += n;
    }
    if (at < bytes.size()) {
      if (Room() < 2) OutBufFlush();
      Held[HeldLength] = '\xFF';
      Held[HeldLength + 1] = '\xFF';
      Grow(2);
      ++at;
    }
  }
  if (!Holding) OutBufFlush();
}

void OutBufFlush() {
  if (Sending || HeldLength == 0) return;
  Sending = 1;
  const size_t n = static_cast<size_t>(HeldLength);
  if (HeldFor == kSocket) {
    CommWriteBlock(Held, n);
  } else {
    Env().StdoutWrite(std::string_view(Held, n));
  }
  HeldLength = 0;
  Sending = 0;
}

bool OutBufPending() { return HeldLength > 0; }

void OutBufHold(bool on) {
  Holding = on;
  if (!on) OutBufFlush();
}

void OutBufReset() {
  (void)kSenderSet;
  HeldLength = 0;
  HeldFor = kStdout;
  Sending = 0;
  Holding = true;
}

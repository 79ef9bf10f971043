#include "doorkit/consolekeys.h"

namespace {
constexpr int kEsc = 27;
}  // namespace

char TConsoleKeyDecoder::TakeKey() {
  char c = keys_.front();
  keys_.pop_front();
  return c;
}

int TConsoleKeyDecoder::NextByte(const ByteReader& read, int timeoutMs) {
  if (held_ != kNoByte) {
    int b = held_;
    held_ = kNoByte;
    return b;
  }
  return read(timeoutMs);
}

bool TConsoleKeyDecoder::Fill(const ByteReader& read, int firstTimeoutMs) {
  while (keys_.empty()) {
    if (ended_) return false;
    int b = NextByte(read, firstTimeoutMs);
    if (b == kNoByte) return false;
    if (b == kEndOfInput) {
      ended_ = true;
      return false;
    }
    Decode(b, read);
  }
  return true;
}

void TConsoleKeyDecoder::Decode(int b, const ByteReader& read) {
  if (b == 0) return;  // CR NUL from a BBS, Ctrl-@: no key at all
  const bool afterCr = lastWasCr_;
  lastWasCr_ = (b == '\r');
  if (b == '\n') {
    if (!afterCr) keys_.push_back('\r');  // CR LF is one Enter
    return;
  }
  if (b != kEsc) {
    keys_.push_back(static_cast<char>(b));
    return;
  }
  int b2 = read(kSequenceWaitMs);
  if (b2 != '[' && b2 != 'O') {
    // A key of its own; what came after it starts the next key.
    keys_.push_back(static_cast<char>(kEsc));
    held_ = b2;
    return;
  }
  int b3 = read(kSequenceWaitMs);
  static const char kFinal[] = "ABCD", kScan[] = "HPMK";
  for (int i = 0; i < 4; ++i) {
    if (b3 == kFinal[i]) {
      keys_.push_back('\0');
      keys_.push_back(kScan[i]);
      return;
    }
  }
  // Any other sequence (function keys and the like) is dropped: its
  // parameter and intermediate bytes (0x20..0x3F), then its final byte. A
  // control byte cannot belong to it: it starts the next key.
  while (b3 >= 0x20 && b3 <= 0x3F) b3 = read(kSequenceWaitMs);
  if (b3 < 0x20 && b3 != kNoByte) held_ = b3;
}

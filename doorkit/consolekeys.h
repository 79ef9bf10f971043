// Turns the bytes a terminal sends on standard input into the keys the door
// layer reads. The cursor keys' sequences (ESC [ A..D, ESC O A..D) become PC
// extended keys: #0 followed by the scan code "H", "P", "M" or "K". Every
// line end (CR, LF, CR LF) becomes one CR. A NUL byte is dropped, so that
// only the decoder's own extended keys ever start with #0. Other escape
// sequences are dropped whole.
//
// The decoder holds no file: bytes come from a reader, so the rules can be
// tried on any byte stream.
#pragma once

#include <deque>
#include <functional>

class TConsoleKeyDecoder {
 public:
  // What a reader returns besides a byte 0..255.
  static constexpr int kNoByte = -1;      // none came within the time given
  static constexpr int kEndOfInput = -2;  // input has ended for good
  // How long the rest of an escape sequence is waited for, byte by byte.
  static constexpr int kSequenceWaitMs = 50;

  // Reads one byte, waiting at most timeoutMs (< 0: as long as it takes).
  using ByteReader = std::function<int(int timeoutMs)>;

  // Decodes until a key is ready. The first byte of each key is awaited
  // for firstTimeoutMs (0 polls, < 0 blocks). False when no key is ready:
  // no byte came in time, or input has ended (see Ended).
  bool Fill(const ByteReader& read, int firstTimeoutMs);

  bool HasKey() const { return !keys_.empty(); }
  // Something is ready without reading: a key, or a byte read ahead.
  bool Pending() const { return !keys_.empty() || held_ != kNoByte; }
  bool Ended() const { return ended_; }
  // The next key; HasKey must be true.
  char TakeKey();

 private:
  int NextByte(const ByteReader& read, int timeoutMs);
  void Decode(int b, const ByteReader& read);

  std::deque<char> keys_;
  int held_ = kNoByte;  // read ahead after an ESC: it starts the next key
  bool lastWasCr_ = false;
  bool ended_ = false;
};

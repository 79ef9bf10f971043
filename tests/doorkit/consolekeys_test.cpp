#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "doorkit/consolekeys.h"

namespace {

using D = TConsoleKeyDecoder;
constexpr int kGap = 1000;  // in a script: the next wait that has a time limit runs out

// Bytes in order; a kGap entry makes the next timed wait come back empty.
// Past the end, a timed wait finds nothing and a blocking one the end of input.
struct Script {
  std::deque<int> bytes;
  std::vector<int> waits;  // timeoutMs of every read

  explicit Script(const std::string& s, std::initializer_list<size_t> gapsBefore = {}) {
    for (size_t i = 0; i <= s.size(); ++i) {
      for (size_t g : gapsBefore)
        if (g == i) bytes.push_back(kGap);
      if (i < s.size()) bytes.push_back(static_cast<unsigned char>(s[i]));
    }
  }

  D::ByteReader Reader() {
    return [this](int timeoutMs) {
      waits.push_back(timeoutMs);
      while (!bytes.empty() && bytes.front() == kGap) {
        bytes.pop_front();
        if (timeoutMs >= 0) return D::kNoByte;
      }
      if (bytes.empty()) return timeoutMs >= 0 ? D::kNoByte : D::kEndOfInput;
      int b = bytes.front();
      bytes.pop_front();
      return b;
    };
  }
};

// Every key the decoder makes of the bytes, reading as ConsoleReadKey does.
std::string Keys(Script& script) {
  D decoder;
  std::string keys;
  auto read = script.Reader();
  while (decoder.Fill(read, -1)) keys += decoder.TakeKey();
  EXPECT_TRUE(decoder.Ended());
  return keys;
}

TEST(ConsoleKeysTest, DecodesCursorKeysLineEndsAndDropsNul) {
  const std::string X = "\x1b";
  const struct {
    std::string in, keys;
  } cases[] = {
      {"ab", "ab"},
      {X + "[A" + X + "[B" + X + "[C" + X + "[D", std::string("\0H\0P\0M\0K", 8)},
      {X + "OA", std::string("\0H", 2)},
      // A raw NUL is no extended-key prefix: the key after it stays itself.
      {std::string("\0a", 2), "a"},
      {std::string("\r\0b", 3), "\rb"},
      {std::string("\0\0", 2), ""},
      {"\r\n\n\r\r", "\r\r\r\r"},  // CR LF is one Enter; LF alone is one too
      // What follows a plain ESC starts the next key, under the same rules.
      {X + "x", X + "x"},
      {X + "\n", X + "\r"},
      {X + "\r\n", X + "\r"},
      {X + X + "[A", X + std::string("\0H", 2)},
      {X + std::string("\0a", 2), X + "a"},
      {"\r" + X + "\n", "\r" + X + "\r"},
      // Other sequences go whole; a control byte inside one starts a key.
      {X + "[5~a", "a"},
      {X + "[1;5Ab", "b"},
      {X + "[\rb", "\rb"},
      {X + "[" + X + "[A", std::string("\0H", 2)},
      {X, X},  // at the end of input
  };
  for (const auto& c : cases) {
    Script script(c.in);
    EXPECT_EQ(Keys(script), c.keys) << testing::PrintToString(c.in);
  }
}

TEST(ConsoleKeysTest, AnEscapeWaitsBrieflyForTheRestOfItsSequence) {
  Script lone(
      "\x1b"
      "a",
      {1});  // "a" comes after the wait
  EXPECT_EQ(Keys(lone),
            "\x1b"
            "a");
  EXPECT_EQ(lone.waits[1], D::kSequenceWaitMs);

  Script cut(
      "\x1b["
      "a",
      {2});  // ESC [ and then nothing in time: no key
  EXPECT_EQ(Keys(cut), "a");
}

TEST(ConsoleKeysTest, PollingNeverBlocksAndKeepsWhatWasReadAhead) {
  D decoder;
  Script script("\x1b\n");
  auto read = script.Reader();
  ASSERT_TRUE(decoder.Fill(read, 0));
  EXPECT_EQ(decoder.TakeKey(), '\x1b');
  // The LF has been read with the ESC: it is a key ready without input.
  EXPECT_TRUE(decoder.Pending());
  ASSERT_TRUE(decoder.Fill(read, 0));
  EXPECT_EQ(decoder.TakeKey(), '\r');
  EXPECT_FALSE(decoder.Fill(read, 0));  // nothing more: false, not the end
  EXPECT_FALSE(decoder.Ended());
  for (int w : script.waits) EXPECT_GE(w, 0);
}

}  // namespace

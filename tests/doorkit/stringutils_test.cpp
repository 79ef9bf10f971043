#include <gtest/gtest.h>

#include "doorkit/AnsiMusicMini.h"
#include "doorkit/door.h"
#include "doorkit/stringutils.h"
#include "support/fake_platform.h"

namespace {

TEST(StringUtilsTest, Durations) {
  EXPECT_EQ(SecToDHMS(3725), "0d 1h 2m 5s");
  EXPECT_EQ(SecToDHMS(90061), "1d 1h 1m 1s");
  EXPECT_EQ(SecToHM(3725), "01:02");
  EXPECT_EQ(SecToHMS(3725), "01:02:05");
  EXPECT_EQ(SecToHMS(59), "00:00:59");
  EXPECT_EQ(SecToHMS(360000), "100:00:00");
  EXPECT_EQ(SecToMS(3725), "62:05");
  EXPECT_EQ(SecToMS(-5), "00:-5");
}

TEST(StringUtilsTest, TickStrip) {
  EXPECT_EQ(TickStrip("a`"), "a");
  EXPECT_EQ(TickStrip("`2Hi `r1there"), "Hi there");
  EXPECT_EQ(TickStrip("``x"), "x");
  EXPECT_EQ(TickStrip(""), "");
}

TEST(StringUtilsTest, Tokens) {
  TTokens t = StrToTok("a,,b", ',');
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0], "");
  EXPECT_EQ(t[1], "a");
  EXPECT_EQ(t[2], "");
  EXPECT_EQ(t[3], "b");
  EXPECT_EQ(TokToStr(t, ','), "a,,b");
  EXPECT_EQ(TokToStr(t, ';', 2), ";b");
  EXPECT_EQ(TokToStr(t, ',', 4), "");
  EXPECT_EQ(StrToTok("", ',').size(), 2u);
}

TEST(StringUtilsTest, WholeNumbersTakeInt32OrTheFallback) {
  struct Case {
    const char* text;
    int32_t expected;  // -7 is the fallback
  } const cases[] = {
      {"42", 42},
      {"+42", 42},
      {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"2147483648", -7},
      {"-2147483649", -7},
      {"99999999999999999999", -7},
      {"", -7},
      {"-", -7},
      {" 5", -7},
      {"5 ", -7},
      {"0x10", -7},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StrToIntDef(c.text, -7), c.expected) << '"' << c.text << '"';
  EXPECT_EQ(ClampInt32(int64_t{INT32_MAX} + 1), INT32_MAX);
  EXPECT_EQ(ClampInt32(int64_t{INT32_MIN} * 60), INT32_MIN);
  EXPECT_EQ(ClampInt32(-5), -5);
  EXPECT_EQ(UpperCase("door32.sys \x82\xff"), "DOOR32.SYS \x82\xff");
}

TEST(StringUtilsTest, Base64) {
  EXPECT_EQ(Base64Decode("aGVsbG8gd29ybGQ="), "hello world");
  EXPECT_EQ(Base64Decode("YQ=="), "a");
  EXPECT_EQ(Base64Decode("YWJj\r\nZGVm"), "abcdef");
}

TEST(MusicTest, Framing) {
  struct Case {
    std::string tune, body;
  };
  const Case cases[] = {
      {"MFT80O5L64FP64CFP64F", "MFT80O5L64FP64CFP64F"},
      {"MT120C", "MFT120C"},
      {"T120C", "MFT120C"},
      {"mbT1", "MbT1"},
      {"", "MF"},
      {"M", "MF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnsiMusicSequence(c.tune), "\x1b[" + c.body + "\x0e") << c.tune;
  }
}

}  // namespace

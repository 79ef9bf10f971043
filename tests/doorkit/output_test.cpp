#include <gtest/gtest.h>

#include "doorkit/ansi.h"
#include "doorkit/crt2.h"
#include "doorkit/door.h"
#include "support/fake_platform.h"

namespace {

const std::string E = "\x1b[";

class OutputTest : public ::testing::Test {
 protected:
  FakePlatform fake;
};

TEST_F(OutputTest, WorkedExamples) {
  struct Case {
    void (*op)();
    std::string bytes;
  };
  const Case cases[] = {
      {[] { DoorTextAttr(0x1F); }, E + "1;37m" + E + "44m"},
      {[] { DoorTextAttr(7); }, E + "0;37m" + E + "40m" + E + "40m"},
      {[] { DoorTextAttr(0x0E); }, E + "1;33m" + E + "40m"},
      {[] { DoorGotoX(34); }, E + "255D" + E + "33C"},
      {[] { DoorGotoX(1); }, E + "255D"},
      {[] { DoorGotoX(0); }, E + "255D"},
      {[] { DoorClrScr(); }, E + "2J" + E + "1;1f"},
  };
  for (const Case& c : cases) {
    SetTextAttr(7);
    fake.TakeOut();
    c.op();
    EXPECT_EQ(fake.TakeOut(), c.bytes);
  }
}

TEST_F(OutputTest, DarkForegroundResendsTrackedBackground) {
  DoorTextAttr(0x1F);  // background blue
  fake.TakeOut();
  DoorTextColour(4);
  EXPECT_EQ(fake.TakeOut(), E + "0;31m" + E + "44m");
  EXPECT_EQ(GetTextAttr(), 0x14);
  DoorTextBackground(2);
  EXPECT_EQ(fake.TakeOut(), E + "42m");
  EXPECT_EQ(GetTextAttr(), 0x24);
}

// The caller's terminal blinks from an attribute with bit 7 until one
// without it; the colour sequences alone cannot say either.
TEST_F(OutputTest, BlinkGoesOnWithBitSevenAndOffAtTheNextSteadyAttribute) {
  struct Step {
    void (*op)();
    std::string bytes;
  };
  const Step steps[] = {
      {[] { DoorTextAttr(14); }, E + "1;33m" + E + "40m"},
      {[] { DoorTextAttr(138); }, E + "1;32m" + E + "40m" + E + "5m"},
      {[] { DoorTextAttr(142); }, E + "1;33m" + E + "40m" + E + "5m"},  // still on: no off
      {[] { DoorTextAttr(10); }, E + "1;32m" + E + "40m" + E + "25m"},  // "1;" keeps blinking
      {[] { DoorTextAttr(10); }, E + "1;32m" + E + "40m"},              // off already
      {[] { DoorTextAttr(0x84); }, E + "0;31m" + E + "40m" + E + "40m" + E + "5m"},
      {[] { DoorTextAttr(0x17); }, E + "0;37m" + E + "44m" + E + "44m" + E + "25m"},
      // A blinking colour from a backtick code is ended the same way.
      {[] { DoorTextColourAndBlink(14, true); }, E + "1;33m" + E + "5m"},
      {[] { DoorTextAttr(14); }, E + "1;33m" + E + "40m" + E + "25m"},
  };
  for (const Step& s : steps) {
    s.op();
    EXPECT_EQ(fake.TakeOut(), s.bytes);
  }
  EXPECT_EQ(GetTextAttr(), 14);
}

TEST_F(OutputTest, PipeCodes) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"|", "|"},
      {"|0", "|0"},
      {"|zz", "|zz"},
      {"ab|1", "ab|1"},
      {"|8F", E + "1;37m" + E + "40m"},
      {"a|1Fb", "a" + E + "1;37m" + E + "44mb"},
      {"|0Cx", E + "1;31m" + E + "40mx"},
      {"|g0|07", "|g0" + E + "0;37m" + E + "40m" + E + "40m"},
  };
  for (const Case& c : cases) {
    DoorWrite(c.in);
    EXPECT_EQ(fake.TakeOut(), c.out) << c.in;
  }
  DoorSession.PipeWrite = false;  // as the game runs
  DoorWrite("Sir |0C");
  EXPECT_EQ(fake.TakeOut(), "Sir |0C");
}

TEST_F(OutputTest, BacktickCodes) {
  DoorSession.TickWrite = true;
  DoorWrite("a`");  // a trailing lone tick is dropped
  EXPECT_EQ(fake.TakeOut(), "a");
  DoorWrite("`r9x");  // unknown background: three characters removed
  EXPECT_EQ(fake.TakeOut(), "x");
  DoorWrite("`r");  // only two left: removed like any other code
  EXPECT_EQ(fake.TakeOut(), "");
  DoorWrite("a`xb`\\c`dd`Zq");
  EXPECT_EQ(fake.TakeOut(), "a b\r\nc\bdq");
  DoorWrite("`r1`%");
  EXPECT_EQ(fake.TakeOut(), E + "44m" + E + "1;37m" + E + "0m" + E + "44m" + E + "1;37m");
  fake.sleeps.clear();
  DoorWrite("`l`w");
  EXPECT_EQ(fake.sleeps, (std::vector<int>{500, 100}));
}

TEST_F(OutputTest, BacktickPagingPromptWaitsForAKey) {
  DoorSession.TickWrite = true;
  fake.Keys("x");
  DoorWrite("`k");
  std::string out = fake.TakeOut();
  EXPECT_NE(out.find("MORE"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 24),
            std::string(8, '\b') + std::string(8, ' ') + std::string(8, '\b'));
}

TEST_F(OutputTest, CentredColumns) {
  struct Case {
    size_t length;
    std::string move;
  };
  const Case cases[] = {
      {11, E + "255D" + E + "33C"},
      {0, E + "255D" + E + "39C"},
      {80, E + "255D"},
      {81, E + "255D"},
      {82, E + "255D" + E + "254C"},
  };
  for (const Case& c : cases) {
    std::string text(c.length, 'x');
    DoorWriteCentered(text);
    EXPECT_EQ(fake.TakeOut(), c.move + text) << c.length;
  }
}

TEST_F(OutputTest, DisplayFileWritesLinesAndReportsAMissingFile) {
  std::string path = fake.gameDir + "screen.ans";
  FILE* f = fopen(path.c_str(), "w");
  fputs("one\r\n\ntwo\n", f);
  fclose(f);
  DoorDisplayFile(path);
  EXPECT_EQ(fake.TakeOut(), "one\r\n\r\ntwo");

  fake.Keys(" ");
  DoorDisplayFile(fake.gameDir + "none.ans");
  EXPECT_EQ(fake.TakeOut(),
            "Error reading \"" + fake.gameDir +
                "none.ans\": No such file or directory\r\nHit a key to continue\r\n");
  EXPECT_EQ(DoorLastKey.Ch, ' ');
}

TEST_F(OutputTest, DisplayFileThatOpensButCannotBeReadSaysWhyAndWaits) {
  // A folder opens for reading, and every read of it fails.
  fake.Keys("x");
  DoorDisplayFile(fake.gameDir);
  EXPECT_EQ(fake.TakeOut(),
            "Error reading \"" + fake.gameDir + "\": Is a directory\r\nHit a key to continue\r\n");
  EXPECT_EQ(DoorLastKey.Ch, 'x');
}

TEST_F(OutputTest, Utf8CharsetTranslatesBoxCharactersAndDropsMusic) {
  DoorCharset = csUTF8;
  DoorWrite("\xC9\xCD\xBB \xFE");
  EXPECT_EQ(fake.TakeOut(), "\u2554\u2550\u2557 \u25A0");
  DoorWrite(
      "a\x1b[MFT120C\x0e"
      "b");
  EXPECT_EQ(fake.TakeOut(), "ab");
  DoorCharset = csCP437;
  DoorWrite("\xC9");
  EXPECT_EQ(fake.TakeOut(), "\xC9");
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "doorkit/ansi.h"
#include "doorkit/ansiwrite.h"
#include "doorkit/crt2.h"
#include "doorkit/screencells.h"
#include "doorkit/videoutils.h"
#include "support/fake_platform.h"
#include "support/screen_support.h"

namespace {

const std::string E = "\x1b[";

class AnsiWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { fake.terminal = false; }

  // Row y holds 80 copies of 'A' + y - 1 (A..Y) in attribute 7.
  static TScreenBuffer Lettered() {
    TScreenBuffer s = BlankScreen();
    for (int y = 1; y <= kScreenRows; ++y)
      Paint(s, 1, y, 7, std::string(kScreenColumns, static_cast<char>('A' + y - 1)));
    return s;
  }
  static void FillLettered() { ScreenRestore(Lettered()); }

  static std::pair<int, int> Cursor() { return {ConsoleAbsX(), ConsoleAbsY()}; }

  FakePlatform fake;
};

TEST_F(AnsiWriteTest, ColourCodes) {
  struct Case {
    uint8_t tracked;  // crt2's attribute (and the console's) before
    std::string codes;
    uint8_t text;   // attribute of the text written after the codes
    uint8_t after;  // crt2's attribute after
  };
  const Case cases[] = {
      {7, E + "31m", 4, 4},
      {15, E + "31m", 12, 12},    // a bright foreground stays bright
      {7, E + "1;31m", 4, 4},     // a 1 before it leaves the tracked colour dark
      {12, E + "0;32m", 10, 10},  // 0 leaves the tracked brightness
      {7, E + "1;32m" + E + "40m", 2, 2},
      {7, E + "1m", 15, 7},  // intensity alone leaves crt2 as it was
      {15, E + "22m", 7, 15},
      {0x1F, E + "m", 7, 0x1F},  // no parameter is 0: normal video
      {7, E + "44m", 0x17, 0x17},
      {7, E + "5m", 0x87, 0x87},
      {0x87, E + "25m", 7, 7},
      {7, E + "5;31m", 0x84, 0x84},  // the colour keeps the blink
      {0x1E, E + "7m", 0x61, 0x61},  // reverse loses intensity
      {0x61, E + "27m", 0x16, 0x16},
      {0x1E, E + "8m", 0, 0},
      {0x1E, E + "8m" + E + "31m" + E + "28m", 0x1E, 0x1E},
      {0x1E, E + "39;49;2;3;4;38;48;90;100;99999m", 0x1E, 0x1E},
  };
  for (const Case& c : cases) {
    ResetDoorState();
    SetTextAttr(c.tracked);
    AnsiWrite(c.codes + "x");
    EXPECT_EQ(GetCharAt(1, 1), 'x');
    EXPECT_EQ(GetAttrAt(1, 1), c.text) << "codes " << c.codes.substr(1);
    EXPECT_EQ(GetTextAttr(), c.after) << "codes " << c.codes.substr(1);
  }
}

TEST_F(AnsiWriteTest, CursorCodes) {
  struct Case {
    std::string codes;  // from column 10, row 10
    int x, y;
  };
  const Case cases[] = {
      {E + "5;20H", 20, 5},
      {E + "H", 1, 1},
      {E + ";7f", 7, 1},
      {E + "0;0f", 1, 1},
      {E + "3A", 10, 7},
      {E + "A", 10, 9},
      {E + "0A", 10, 9},
      {E + "99A", 10, 1},
      {E + "99B", 10, 25},
      {E + "5C", 15, 10},
      {E + "200C", 80, 10},
      {E + "99D", 1, 10},
      {E + "2E", 1, 12},
      {E + "2F", 1, 8},
      {E + "20G", 20, 10},
      {E + "81G", 10, 10},
      {E + "99999;99999H", 80, 25},
      {E + "2S" + E + "2T" + E + "6n", 10, 10},
      {E + "s" + E + "1;1H" + E + "u", 10, 10},
      {E + "0000000000000000000003B", 10, 13},  // leading zeros count for nothing
      {E + std::string(40, '9') + "D", 1, 10},  // saturates, no overflow
  };
  for (const Case& c : cases) {
    ResetDoorState();
    AnsiWrite(E + "10;10H" + c.codes);
    EXPECT_EQ(Cursor(), std::make_pair(c.x, c.y)) << "codes " << c.codes.substr(1);
  }
  ResetDoorState();
  AnsiWrite(E + "u");  // nothing saved yet: column 1, row 1
  EXPECT_EQ(Cursor(), std::make_pair(1, 1));
}

TEST_F(AnsiWriteTest, ClearsAndLineCodes) {
  struct Case {
    std::string codes;
    TScreenBuffer want;
  };
  auto lettered = [] { return Lettered(); };
  TScreenBuffer eol = lettered();
  Paint(eol, 10, 5, 0x17, std::string(71, ' '));
  TScreenBuffer ins = lettered(), del = lettered(), insAll = lettered();
  for (int y = 25; y >= 7; --y) ins[y - 1] = ins[y - 3];
  Paint(ins, 1, 5, 0x17, std::string(80, ' '));
  Paint(ins, 1, 6, 0x17, std::string(80, ' '));
  for (int y = 5; y <= 23; ++y) del[y - 1] = del[y + 1];
  Paint(del, 1, 24, 0x17, std::string(80, ' '));
  Paint(del, 1, 25, 0x17, std::string(80, ' '));
  for (int y = 20; y <= 25; ++y) Paint(insAll, 1, y, 0x17, std::string(80, ' '));
  const Case cases[] = {
      {E + "2J", BlankScreen(0x17)},
      {E + "J" + E + "0J" + E + "1J", lettered()},
      {E + "5;10H" + E + "K", eol},
      {E + "5;10H" + E + "0K", eol},
      {E + "5;10H" + E + "1K" + E + "2K", lettered()},
      {E + "5;1H" + E + "2L", ins},
      {E + "5;1H" + E + "2M", del},
      {E + "20;1H" + E + "99999L", insAll},
      {E + "20;1H" + E + "99999M", insAll},
  };
  for (const Case& c : cases) {
    ResetDoorState();
    FillLettered();
    SetTextAttr(0x17);  // blanks take the console's colour
    AnsiWrite(c.codes);
    EXPECT_EQ(ScreenDiff(c.want), "") << "codes " << c.codes.substr(1);
  }
  // The line codes leave the cursor where it was; 2J homes it.
  AnsiWrite(E + "7;9H" + E + "3L" + E + "2M" + E + "K");
  EXPECT_EQ(Cursor(), std::make_pair(9, 7));
  AnsiWrite(E + "2J");
  EXPECT_EQ(Cursor(), std::make_pair(1, 1));
}

TEST_F(AnsiWriteTest, WrapsAtColumn80AndScrollsAtRow25) {
  AnsiWrite(E + "1;75Habcdefgh");
  TScreenBuffer want = BlankScreen();
  Paint(want, 75, 1, 7, "abcdef");
  Paint(want, 1, 2, 7, "gh");
  EXPECT_EQ(ScreenDiff(want), "");
  EXPECT_EQ(Cursor(), std::make_pair(3, 2));

  // Filling row 25 to its last column scrolls the screen at once.
  FillLettered();
  AnsiWrite(E + "25;1H" + E + "33m" + std::string(80, 'z'));
  want = Lettered();
  for (int y = 1; y <= 23; ++y) want[y - 1] = want[y];
  Paint(want, 1, 24, 6, std::string(80, 'z'));
  Paint(want, 1, 25, 6, std::string(80, ' '));
  EXPECT_EQ(ScreenDiff(want), "");
  EXPECT_EQ(Cursor(), std::make_pair(1, 25));

  // CR LF on the last row scrolls too; BS stops at column 1; BEL is dropped.
  ResetDoorState();
  AnsiWrite(E + "25;1Hq\r\n\b\bw\a");
  want = BlankScreen();
  Paint(want, 1, 24, 7, "q");
  Paint(want, 1, 25, 7, "w");
  EXPECT_EQ(ScreenDiff(want), "");
  EXPECT_EQ(Cursor(), std::make_pair(2, 25));
}

TEST_F(AnsiWriteTest, SequencesSplitAcrossWritesAtEveryPoint) {
  const std::string stream = "ab" + E + "1;31mc" + E + "3;14Hd" + E + "5m" + E + "44me" + E + "s" +
                             E + "9;9H" + E + "2Lf" + E + "u" +
                             "\x1b"
                             "xg";
  AnsiWrite(stream);
  const TScreenBuffer whole = CurrentScreen();
  const auto cursor = Cursor();
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    ResetDoorState();
    AnsiWrite(stream.substr(0, cut));
    AnsiWrite(stream.substr(cut));
    EXPECT_EQ(ScreenDiff(whole), "") << "cut at " << cut;
    EXPECT_EQ(Cursor(), cursor) << "cut at " << cut;
  }
}

TEST_F(AnsiWriteTest, BytesThatAreNoSequence) {
  // ESC and the character after it both vanish; an unknown final character
  // ends the sequence and is dropped with it.
  AnsiWrite("a\x1bxb" + E + "5zc" + E + "? <=>3Cd");
  TScreenBuffer want = BlankScreen();
  Paint(want, 1, 1, 7, "abc");
  Paint(want, 7, 1, 7, "d");
  EXPECT_EQ(ScreenDiff(want), "");

  // A lone ESC at the end of one write swallows the first byte of the next.
  ResetDoorState();
  AnsiWrite("\x1b");
  AnsiWrite("hello");
  EXPECT_EQ(GetCharAt(1, 1), 'e');

  // A thousand parameters are all applied, in order; far more are cut off
  // without harm, and so is an endless run of digits.
  ResetDoorState();
  std::string many = E;
  for (int i = 0; i < 999; ++i) many += "1;";
  AnsiWrite(many + "34mx");
  EXPECT_EQ(GetAttrAt(1, 1), 1);
  std::string flood = E;
  for (int i = 0; i < 5000; ++i) flood += "44;";
  AnsiWrite(flood + std::string(100000, '7'));
  EXPECT_LE(AnsiBuffer.size(), 11u);
  AnsiWrite("my");
  EXPECT_EQ(GetCharAt(2, 1), 'y');
  EXPECT_EQ(GetAttrAt(2, 1), 0x11);
  EXPECT_LE(AnsiParams.size(), kAnsiMaxParams + 1);

  // Huge counts keep every move and line operation on the screen.
  ResetDoorState();
  FillLettered();
  for (const char* code :
       {"99999A", "99999B", "99999C", "99999D", "99999E", "99999F", "99999G", "99999S", "99999T",
        "99999L", "99999M", "99999J", "99999K", "99999h", "99999l", "99999;99999;99999f"}) {
    AnsiWrite(E + code + "#");
    EXPECT_GE(ConsoleAbsX(), 1);
    EXPECT_LE(ConsoleAbsX(), 80);
    EXPECT_GE(ConsoleAbsY(), 1);
    EXPECT_LE(ConsoleAbsY(), 25);
  }
}

TEST_F(AnsiWriteTest, CursorVisibility) {
  fake.terminal = true;
  AnsiWrite(E + "?25l");
  EXPECT_FALSE(ConsoleCursorIsVisible());
  EXPECT_EQ(fake.TakeOut(), E + "?25l");
  AnsiWrite(E + "?25h");
  EXPECT_TRUE(ConsoleCursorIsVisible());
  EXPECT_EQ(fake.TakeOut(), E + "?25h");
  AnsiWrite(E + "?24l" + E + "1h");
  EXPECT_TRUE(ConsoleCursorIsVisible());
}

TEST_F(AnsiWriteTest, InsideAWindow) {
  FillLettered();
  ConsoleWindow(11, 5, 20, 7);  // 10 columns, 3 rows
  SetTextAttr(0x17);
  AnsiWrite(E + "2J" + "0123456789ab" + E + "1;1H" + E + "K" + E + "3;5H\r\nxy" + E + "99;99H" + E +
            "s");
  TScreenBuffer want = Lettered();
  for (int y = 5; y <= 7; ++y) Paint(want, 11, y, 0x17, std::string(10, ' '));
  // "0123456789" filled row 1 and wrapped; "ab" went to row 2; row 1 was
  // then cleared; the CR LF on row 3 scrolled the window up one row.
  Paint(want, 11, 5, 0x17, "ab");
  Paint(want, 11, 7, 0x17, "xy");
  EXPECT_EQ(ScreenDiff(want), "");
  EXPECT_EQ(Cursor(), std::make_pair(20, 7));
  EXPECT_EQ(AnsiXY, 10 + 3 * 256);  // saved relative to the window
  EXPECT_EQ(ConsoleWhereX(), 10);
  EXPECT_EQ(ConsoleWhereY(), 3);
}

TEST_F(AnsiWriteTest, WriteLnEndsTheLine) {
  AnsiWriteLn("one");
  AnsiWriteLn(E + "1;32mtwo");
  TScreenBuffer want = BlankScreen();
  Paint(want, 1, 1, 7, "one");
  Paint(want, 1, 2, 2, "two");
  EXPECT_EQ(ScreenDiff(want), "");
  EXPECT_EQ(Cursor(), std::make_pair(1, 3));
}

}  // namespace

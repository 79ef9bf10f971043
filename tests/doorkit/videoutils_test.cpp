#include <gtest/gtest.h>

#include <utility>

#include "doorkit/ansi.h"
#include "doorkit/ansiwrite.h"
#include "doorkit/crt2.h"
#include "doorkit/door.h"
#include "doorkit/videoutils.h"
#include "support/fake_platform.h"
#include "support/screen_support.h"

namespace {

const std::string E = "\x1b[";

std::string At(int x, int y, int attr, const std::string& text) {
  return "\x1b"
         "7" +
         E + std::to_string(y) + ";" + std::to_string(x) + "f" +
         AnsiTextAttr(static_cast<uint8_t>(attr)) + text + AnsiTextAttr(GetTextAttr()) +
         "\x1b"
         "8";
}

TEST(VideoUtilsTest, FastWriteCutsAtTheEdgesAndKeepsTheColour) {
  FakePlatform fake;
  DoorTextAttr(10);
  fake.TakeOut();
  const std::string line(80, 'x');
  FastWrite(line, 1, 25, 0x1F);
  EXPECT_EQ(fake.TakeOut(), At(1, 25, 0x1F, std::string(79, 'x')));
  FastWrite(line, 75, 10, 7);
  EXPECT_EQ(fake.TakeOut(), At(75, 10, 7, std::string(6, 'x')));
  EXPECT_EQ(GetTextAttr(), 10);
  FastWrite("a", 0, 1, 7);
  FastWrite("a", 81, 1, 7);
  FastWrite("a", 1, 26, 7);
  EXPECT_EQ(fake.TakeOut(), "");
}

TEST(VideoUtilsTest, StatusLine) {
  FakePlatform fake;
  DoorDropInfo.RealName = "Ann Lee";
  DoorDropInfo.MaxSeconds = 3725;
  DoorSession.TimeOn = DoorLastKey.Time = fake.Now();
  fake.Advance(65000);
  DoorProgramNameAndVersion = "Verevar & Uruzodedo 25";
  DefaultOnStatusBar();
  std::string frame(79, ' ');
  for (int c : {1, 29, 49, 63}) frame[static_cast<size_t>(c - 1)] = '\xFE';
  EXPECT_EQ(fake.TakeOut(), At(1, 25, 0x1E, frame) + At(3, 25, 0x1F, "Ann Lee               ") +
                                At(31, 25, 0x1F, "Verevar & Uruzodedo 25") +
                                At(51, 25, 0x1F, "Idle: 01:05") +
                                At(65, 25, 0x1F, "Left: 01:01:00"));
  TScreenBuffer want = BlankScreen();
  Paint(want, 1, 25, 0x1E, frame);
  Paint(want, 3, 25, 0x1F, "Ann Lee               ");
  Paint(want, 31, 25, 0x1F, "Verevar & Uruzodedo 25");
  Paint(want, 51, 25, 0x1F, "Idle: 01:05");
  Paint(want, 65, 25, 0x1F, "Left: 01:01:00");
  EXPECT_EQ(ScreenDiff(want), "");
}

// A screen with something in every cell: row y is 80 copies of 'A' + y - 1,
// in a colour that changes with the row.
TScreenBuffer Busy() {
  TScreenBuffer s;
  for (int y = 1; y <= 25; ++y)
    Paint(s, 1, y, static_cast<uint8_t>(0x10 + y), std::string(80, static_cast<char>('A' + y - 1)));
  return s;
}

struct ConsoleState {
  int x, y;
  uint8_t console, tracked;
  TConsoleWindow window;
  bool operator==(const ConsoleState&) const = default;
};
ConsoleState State() {
  return {ConsoleAbsX(), ConsoleAbsY(), ConsoleTextAttr(), GetTextAttr(), ConsoleGetWindow()};
}

TEST(VideoUtilsTest, DirectWritesChangeOnlyTheirCells) {
  FakePlatform fake;
  fake.terminal = false;
  ScreenRestore(Busy());
  ConsoleWindow(5, 5, 30, 10);
  AnsiWrite("\x1b[3;4H\x1b[1;35m");
  const ConsoleState before = State();
  TScreenBuffer want = Busy();

  FastWrite(std::string(80, 'x'), 1, 25, 0x1F);  // 79: never the bottom-right cell
  Paint(want, 1, 25, 0x1F, std::string(79, 'x'));
  FastWrite(std::string(80, 'y'), 75, 10, 7);
  Paint(want, 75, 10, 7, "yyyyyy");
  FastWrite("a\r\nb", 1, 24, 0x4E);  // control bytes are characters, no scroll
  Paint(want, 1, 24, 0x4E, "a\r\nb");
  for (auto [x, y] : {std::pair{0, 1}, {81, 1}, {1, 0}, {1, 26}}) FastWrite("zz", x, y, 7);
  SetCharAt('#', 3, 2);
  Paint(want, 3, 2, 0x12, "#");
  SetAttrAt(0x9C, 4, 2);
  Paint(want, 4, 2, 0x9C, "B");
  SetCharAt('!', 80, 25);  // a single cell cannot scroll: written
  Paint(want, 80, 25, 0x29, "!");
  for (auto [x, y] : {std::pair{0, 1}, {81, 1}, {1, 0}, {1, 26}}) {
    SetCharAt('?', x, y);
    SetAttrAt(0, x, y);
  }
  EXPECT_EQ(ScreenDiff(want), "");
  EXPECT_TRUE(State() == before);

  struct Read {
    int x, y;
    char ch;
    uint8_t attr;
  };
  for (const Read& r : {Read{1, 1, 'A', 0x11},
                        {80, 1, 'A', 0x11},
                        {1, 2, 'B', 0x12},
                        {80, 25, '!', 0x29},
                        {0, 1, ' ', 7},
                        {0, 2, ' ', 7},
                        {81, 1, ' ', 7},
                        {1, 0, ' ', 7},
                        {1, 26, ' ', 7},
                        {-300, 7000, ' ', 7}}) {
    EXPECT_EQ(GetCharAt(r.x, r.y), r.ch) << r.x << "," << r.y;
    EXPECT_EQ(GetAttrAt(r.x, r.y), r.attr) << r.x << "," << r.y;
  }
}

TEST(VideoUtilsTest, SaveAndRestoreRoundTrip) {
  FakePlatform fake;
  fake.terminal = false;
  // A cleared screen in blue reaches the bottom-right cell too.
  AnsiWrite("\x1b[44m\x1b[2J\x1b[1;33mGold\x1b[25;70H\x1b[5mblink");
  TScreenBuffer saved;
  ScreenSave(saved);
  EXPECT_EQ(saved[24][79], (TCharInfo{' ', 0x17}));
  EXPECT_EQ(saved[0][0], (TCharInfo{'G', 0x16}));

  AnsiWrite("\x1b[0;37;40m\x1b[2Jgone");
  ConsoleWindow(2, 2, 9, 9);
  AnsiWrite("\x1b[3;3H");
  const ConsoleState before = State();
  ScreenRestore(saved);
  EXPECT_EQ(ScreenDiff(saved), "");
  EXPECT_TRUE(State() == before);

  ScreenRestore(CurrentScreen());  // an unchanged screen stays as it is
  EXPECT_EQ(ScreenDiff(saved), "");
  EXPECT_TRUE(State() == before);
}

TEST(VideoUtilsTest, AbsoluteCursor) {
  FakePlatform fake;
  GotoXYAbs(4 + 10 * 256);
  EXPECT_EQ(WhereXYAbs(), 4 + 10 * 256);
  EXPECT_EQ(fake.TakeOut(), "\x1b[11;5f");
  AnsiWrite("x");
  EXPECT_EQ(GetCharAt(5, 11), 'x');
  GotoXYAbs(0xFFFF);
  EXPECT_EQ(WhereXYAbs(), 79 + 24 * 256);
  ConsoleWindow(10, 10, 20, 12);  // kept inside the window
  GotoXYAbs(0);
  EXPECT_EQ(WhereXYAbs(), 9 + 9 * 256);
  fake.TakeOut();
  CursorHide();
  EXPECT_FALSE(ConsoleCursorIsVisible());
  CursorShow();
  EXPECT_TRUE(ConsoleCursorIsVisible());
  EXPECT_EQ(fake.TakeOut(), "\x1b[?25l\x1b[?25h");
}

TEST(VideoUtilsTest, TheTerminalShowsWhatTheCellsHold) {
  FakePlatform fake;
  TinyTerminal term;
  auto check = [&](const char* step, bool cursorToo) {
    term.Feed(fake.TakeOut());
    TScreenBuffer model = CurrentScreen();
    EXPECT_EQ(ScreenDiff(model, term.cells), "") << step;
    if (cursorToo) {
      EXPECT_EQ(term.x, ConsoleAbsX()) << step;
      EXPECT_EQ(term.y, ConsoleAbsY()) << step;
    }
  };
  AnsiWrite("\x1b[2J\x1b[1;1f\x1b[0;32m\x1b[44mgreen on blue \x1b[1;33myellow\x1b[5m blink");
  check("colours", true);
  std::string lines;
  for (int i = 0; i < 30; ++i)
    lines += "\x1b[0;3" + std::to_string(i % 8) + "mline " + std::to_string(i) + "\r\n";
  AnsiWrite(lines);
  check("scrolled", true);
  AnsiWrite("\x1b[5;1H\x1b[2L\x1b[10;1H\x1b[3M\x1b[12;70H0123456789abcdef\x1b[K");
  check("lines", true);
  FastWrite("status", 3, 25, 0x1F);
  SetAttrAt(0x8C, 1, 1);
  SetCharAt('*', 2, 1);
  check("direct writes", true);  // the cursor is put back where it was
  TScreenBuffer busy = Busy();
  busy[24][79] = {'@', 0x4F};
  ScreenRestore(busy);
  check("restore", true);
  ConsoleWindow(20, 5, 40, 8);
  AnsiWrite("\x1b[41m\x1b[2Jin a window that scrolls\r\n\r\n\r\n\r\nlast");
  check("window", true);
}

TEST(VideoUtilsTest, DrawsNothingUnlessStdoutIsATerminal) {
  FakePlatform fake;
  fake.terminal = false;
  AnsiWrite("\x1b[2J\x1b[5;5Hhello\x1b[?25l");
  FastWrite("x", 1, 1, 7);
  SetCharAt('y', 2, 1);
  SetAttrAt(0x1F, 2, 1);
  ScreenRestore(CurrentScreen());
  GotoXYAbs(0);
  CursorShow();
  EXPECT_EQ(fake.TakeOut(), "");
  EXPECT_EQ(GetCharAt(5, 5), 'h');
  EXPECT_EQ(GetCharAt(2, 1), 'y');
}

TEST(VideoUtilsTest, CellsAreDrawnAsGlyphsNeverAsControls) {
  FakePlatform fake;
  fake.utf8Terminal = true;
  FastWrite(std::string("\xC9\x01\x1b\x7f\x00", 5), 1, 1, 7);
  EXPECT_EQ(fake.TakeOut(), At(1, 1, 7, "\u2554\u263A\u2190\u2302 "));
  fake.utf8Terminal = false;
  FastWrite(std::string("\xC9\x01\x1b[2J\x00", 7), 1, 1, 7);
  EXPECT_EQ(fake.TakeOut(), At(1, 1, 7, "\xC9  [2J "));
}

}  // namespace

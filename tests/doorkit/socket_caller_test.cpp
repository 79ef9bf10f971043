// A socket session from the game's side: keys with the remote terminal's
// escape sequences, the caller hanging up, and an idle caller costing a
// wake-up only when a check can act. Virtual time throughout.
#include <gtest/gtest.h>

#include <functional>

#include "doorkit/comm.h"
#include "doorkit/door.h"
#include "support/door_startup.h"
#include "support/fake_platform.h"

namespace {

class SocketCallerTest : public ::testing::Test {
 protected:
  FakePlatform fake;

  void SetUp() override {
    Startup({"-N1", "-S9"});
    fake.TakeOut();
  }
};

TEST_F(SocketCallerTest, EscAloneIsReturnedAfterHalfASecond) {
  fake.SocketChunk("\x1b");
  EXPECT_EQ(DoorReadKey(), 27);
  EXPECT_FALSE(DoorLastKey.Extended);
  EXPECT_EQ(DoorLastKey.Location, lkUser);
  EXPECT_GE(fake.nowMs, 450);
  EXPECT_LE(fake.nowMs, 550);
}

TEST_F(SocketCallerTest, EscThenAnotherKeyGivesBothInTurn) {
  fake.SocketChunk("\x1b");
  fake.SocketChunk("x", 200);  // typed within the wait
  EXPECT_EQ(DoorReadKey(), 27);
  EXPECT_EQ(fake.nowMs, 200);  // returned as soon as the next byte came
  EXPECT_EQ(DoorReadKey(), 'x');
  EXPECT_FALSE(DoorLastKey.Extended);
}

TEST_F(SocketCallerTest, CursorKeysBecomeExtendedKeysEvenWhenCut) {
  const std::pair<char, char> keys[] = {{'A', 'H'}, {'B', 'P'}, {'C', 'M'}, {'D', 'K'}};
  for (auto [final, scan] : keys) {
    fake.SocketChunk(std::string("\x1b[") + final);
    EXPECT_EQ(DoorReadKey(), scan);
    EXPECT_TRUE(DoorLastKey.Extended);
  }
  fake.SocketChunk("\x1b", fake.nowMs);
  fake.SocketChunk("[", fake.nowMs + 100);
  fake.SocketChunk("A", fake.nowMs + 300);
  EXPECT_EQ(DoorReadKey(), 'H');
  EXPECT_TRUE(DoorLastKey.Extended);
  fake.SocketChunk("q", fake.nowMs);
  EXPECT_EQ(DoorReadKey(), 'q');
  EXPECT_FALSE(DoorLastKey.Extended);
}

TEST_F(SocketCallerTest, OtherSequencesAreSwallowedWhole) {
  // Home, End, the page keys, function keys (CSI and SS3 forms) and keys
  // with modifiers leave no byte behind that a menu could take for a
  // typed key; the next key is the one that follows them.
  const struct {
    const char* sequence;
    char next;
    bool extended;
  } cases[] = {
      {"\x1b[5~", 'z', false},    // PgUp
      {"\x1b[6~", 'z', false},    // PgDn
      {"\x1b[H", 'z', false},     // Home
      {"\x1b[4~", 'z', false},    // End
      {"\x1b[11~", 'z', false},   // F1, VT220 style
      {"\x1bOP", 'z', false},     // F1, SS3 style
      {"\x1b[1;5A", 'z', false},  // Ctrl-Up
      {"\x1bOB", 'P', true},      // Down from a terminal in application mode
      {"\x1b[1\r", '\r', false},  // a control byte ends the sequence and is kept
  };
  for (const auto& c : cases) {
    fake.SocketChunk(std::string(c.sequence) + (c.extended ? "" : "z"), fake.nowMs);
    EXPECT_EQ(DoorReadKey(), c.next) << c.sequence + 1;
    EXPECT_EQ(DoorLastKey.Extended, c.extended) << c.sequence + 1;
  }
  fake.SocketChunk("\x1b[", fake.nowMs);
  fake.SocketChunk("z", fake.nowMs + 2000);  // long after the sequence gave up
  EXPECT_EQ(DoorReadKey(), 'z');
}

TEST_F(SocketCallerTest, TelnetAnswersAreNotKeys) {
  fake.SocketChunk("\xff\xfd\x01\xff\xfd");
  fake.SocketChunk(std::string(1, '\0') + "y\r", 10);
  fake.SocketChunk("\n", 20);
  EXPECT_EQ(DoorReadKey(), 'y');
  EXPECT_EQ(DoorReadKey(), '\r');
  fake.SocketChunk("n", 30);
  EXPECT_EQ(DoorReadKey(), 'n');  // the LF did not make a second Enter
}

TEST_F(SocketCallerTest, HangUpEndsTheSessionWithinASecond) {
  fake.HangUp(3000);
  try {
    DoorReadKey();
    FAIL() << "the session went on after the caller hung up";
  } catch (const DoorExit& e) { EXPECT_EQ(e.code, 0); }
  EXPECT_GE(fake.nowMs, 3000);
  EXPECT_LE(fake.nowMs, 4100);
  EXPECT_NE(fake.out.find("   Caller Dropped Carrier.  Returning To BBS..."), std::string::npos);
  // The exit procedure restored the caller's colour and cursor, then closed.
  EXPECT_NE(fake.socketOut.find("\x1b[255B\x1b[255D"), std::string::npos);
  EXPECT_TRUE(fake.socketClosed);
  EXPECT_LT(fake.waits + static_cast<int>(fake.sleeps.size()), 30);  // no spinning
}

TEST(SocketCaller, AHangUpEndsEveryKindOfWaitWithinTwoSeconds) {
  const std::pair<const char*, std::function<void()>> waits[] = {
      {"a key", [] { DoorReadKey(); }},
      {"the line editor", [] { DoorInput("abc", DOOR_INPUT_CHARS_ALL, '\0', 20, 20, 31); }},
      {"the lightbar",
       [] {
         DoorLiteBarOptions = {"One", "Two", "Three"};
         DoorLiteBar(10);
       }},
      {"a long pause", [] { Delay(60000); }},
  };
  for (const auto& [what, wait] : waits) {
    SCOPED_TRACE(what);
    FakePlatform fake;
    Startup({"-N1", "-S9"});
    const int64_t at = fake.nowMs + 3000;
    fake.SocketChunk("x", fake.nowMs + 1000);  // a key first, for the editor to hold
    fake.HangUp(at);
    try {
      wait();
      wait();  // what a caller of the editor or the lightbar would do next
      ADD_FAILURE() << "went on after the caller hung up";
    } catch (const DoorExit& e) { EXPECT_EQ(e.code, 0); }
    EXPECT_LE(fake.nowMs - at, 2000);
    EXPECT_NE(fake.out.find("Caller Dropped Carrier"), std::string::npos);
  }
}

TEST_F(SocketCallerTest, KeysTypedDuringAPauseAreKept) {
  fake.SocketChunk("ab", 300);
  fake.SocketChunk("c", 900);
  Delay(2000);
  EXPECT_EQ(fake.nowMs, 2000);
  EXPECT_EQ(DoorReadKey(), 'a');
  EXPECT_EQ(DoorReadKey(), 'b');
  EXPECT_EQ(DoorReadKey(), 'c');
}

TEST_F(SocketCallerTest, IdleCallerSleepsUntilTheKey) {
  fake.SocketChunk("k", 20000);
  EXPECT_EQ(DoorReadKey(), 'k');
  EXPECT_EQ(fake.nowMs, 20000);
  EXPECT_LE(fake.waits, 2);
}

TEST(SocketIdleTest, IdleCallerWakesTheSessionOnlyWhenACheckCanAct) {
  struct Case {
    const char* name;
    void (*setup)(FakePlatform&);
    int maxWakes;  // a minute at most between two, and one for each check that acts
  };
  const Case cases[] = {
      {"default hooks", [](FakePlatform&) {}, 7},
      {"warning hooks",
       [](FakePlatform&) {
         DoorOnTimeOutWarning = [](uint8_t) {};
         DoorOnTimeUpWarning = [](uint8_t) {};
       },
       7 + 5},
      {"hang-up without a hook",
       [](FakePlatform& f) {
         DoorOnHangup = nullptr;
         f.HangUp(f.nowMs + 5000);
       },
       7 + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform fake;
    Startup({"-N1", "-S9"});
    fake.SocketChunk("k", 20000);
    ASSERT_EQ(DoorReadKey(), 'k');
    c.setup(fake);
    fake.waits = 0;
    fake.sleeps.clear();
    EXPECT_THROW(DoorReadKey(), DoorExit);
    EXPECT_NE(fake.socketOut.find("Idle Time Limit Exceeded"), std::string::npos);
    ASSERT_FALSE(fake.sleeps.empty());
    EXPECT_EQ(fake.sleeps.back(), 2500);
    EXPECT_EQ(fake.nowMs, 20000 + 301000 + 2500);  // the limit is 300 s
    EXPECT_LE(fake.waits + static_cast<int>(fake.sleeps.size()) - 1, c.maxWakes);
  }
}

TEST_F(SocketCallerTest, IdleLimitEndsTheSession) {
  try {
    DoorReadKey();
    FAIL();
  } catch (const DoorExit& e) { EXPECT_EQ(e.code, 0); }
  EXPECT_NE(fake.socketOut.find("  Idle Time Limit Exceeded.  Returning To BBS..."),
            std::string::npos);
  EXPECT_TRUE(fake.socketClosed);
}

}  // namespace

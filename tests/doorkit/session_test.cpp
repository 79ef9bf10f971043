#include <gtest/gtest.h>

#include <fstream>

#include "doorkit/door.h"
#include "doorkit/targetplatform.h"
#include "support/fake_platform.h"

namespace {

const std::string E = "\x1b[";

class SessionTest : public ::testing::Test {
 protected:
  // Runs DoorStartup on these arguments; returns the exit code when the
  // session ended during start-up, -1 when it started.
  int Startup(std::vector<std::string> args) {
    args.insert(args.begin(), "/bbs/doors/qgs");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    try {
      DoorStartup(static_cast<int>(args.size()), argv.data());
    } catch (const DoorExit& e) { return e.code; }
    return -1;
  }

  // Waits for keys until the session ends; returns the virtual seconds that
  // passed.
  double RunUntilExit() {
    int64_t start = fake.nowMs;
    EXPECT_THROW(DoorReadKey(), DoorExit);
    return static_cast<double>(fake.nowMs - start) / 1000.0;
  }

  FakePlatform fake;
};

TEST_F(SessionTest, LocalLoginDefaultsToSysop) {
  fake.Keys("\r");
  EXPECT_EQ(Startup({}), -1);
  EXPECT_TRUE(Stdio);
  EXPECT_FALSE(DoorSession.Events);
  EXPECT_TRUE(fake.rawMode);
  EXPECT_EQ(DoorDropInfo.Alias, "SYSOP");
  EXPECT_EQ(DoorDropInfo.RealName, "SYSOP");
  EXPECT_EQ(DoorDropInfo.AliasOrRealName, "SYSOP");
  std::string out = fake.TakeOut();
  EXPECT_NE(out.find("  " + E + "1;37m" + E + "44m  LOCAL LOGIN - FOR NODE 0" + E + "0;37m"),
            std::string::npos);
  EXPECT_NE(out.find("Run qgs /? for command-line usage help"), std::string::npos);
  EXPECT_NE(out.find("Name or handle " + E + "1;37m" + E + "40m:"), std::string::npos);
}

TEST_F(SessionTest, LocalLoginNodeAndRetryOnEmptyName) {
  fake.Keys(std::string(5, '\b') + "\r" + std::string(5, '\b') + "Ann Lee\r");
  EXPECT_EQ(Startup({"-N3", "X", "-", "-L"}), -1);
  EXPECT_EQ(DoorDropInfo.Node, 3);
  EXPECT_EQ(DoorDropInfo.Alias, "Ann Lee");
  std::string out = fake.TakeOut();
  EXPECT_NE(out.find("LOCAL LOGIN - FOR NODE 3"), std::string::npos);
  EXPECT_NE(out.find("Name or handle"), out.rfind("Name or handle"));  // asked twice
}

TEST_F(SessionTest, UsageScreen) {
  EXPECT_EQ(Startup({"-?"}), 0);
  std::string out = fake.TakeOut();
  EXPECT_NE(out.find("\r\n USAGE: qgs <PARAMETERS>\r\n\r\n"), std::string::npos);
  EXPECT_NE(out.find(" Example: qgs -DC:\\BBS\\NODE1\\DOOR32.SYS\r\n"), std::string::npos);
  EXPECT_NE(out.find("  -X         DISABLE COMM ROUTINES (STDIO MODE)\r\n"), std::string::npos);
  EXPECT_TRUE(fake.sleeps.empty() || fake.sleeps.back() == 0);
  // A socket handle without a node, and a D switch without a path, also end here.
  EXPECT_EQ(Startup({"-S1000"}), 0);
  EXPECT_EQ(Startup({"-D"}), 0);
}

TEST_F(SessionTest, MissingDropFile) {
  EXPECT_EQ(Startup({"-D/no/such/file"}), 0);
  EXPECT_EQ(fake.sleeps.back(), 2500);
  std::string out = fake.TakeOut();
  EXPECT_NE(
      out.find("\r\n  Drop File Does Not Exist Or Is Not Supported:\r\n  /no/such/file\r\n\r\n"),
      std::string::npos);
}

TEST_F(SessionTest, UnknownSwitchesReachTheHook) {
  static std::vector<std::pair<char, std::string>> seen;
  seen.clear();
  DoorOnCLP = [](char key, const std::string& value) { seen.push_back({key, value}); };
  fake.Keys("\r");
  Startup({"-qfoo", "/L"});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (std::pair<char, std::string>{'Q', "foo"}));
  EXPECT_EQ(seen[1], (std::pair<char, std::string>{'L', ""}));
}

TEST_F(SessionTest, StdioWhenTheHandleIsNotANumber) {
  EXPECT_EQ(Startup({"-N1", "-Sabc"}), -1);
  EXPECT_TRUE(Stdio);
  EXPECT_EQ(DoorDropInfo.ComNum, -1);
  EXPECT_EQ(DoorDropInfo.ComType, 2);
  EXPECT_FALSE(DoorSession.Events);
}

// ---- the periodic checks of a socket session ----

class SocketSessionTest : public SessionTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Startup({"-N1", "-S7"}), -1);
    ASSERT_FALSE(Stdio);
    ASSERT_TRUE(DoorSession.Events);
    fake.TakeOut();
  }
};

TEST_F(SocketSessionTest, IdleTimeOut) {
  DoorDropInfo.MaxSeconds = 100000;
  double waited = RunUntilExit();
  EXPECT_GE(waited, 301);
  EXPECT_LT(waited, 303 + 2.5);
  EXPECT_NE(fake.socketOut.find("\r\n  Idle Time Limit Exceeded.  Returning To BBS...\r\n"),
            std::string::npos);
  EXPECT_EQ(fake.sleeps.back(), 2500);
}

TEST_F(SocketSessionTest, TimeUp) {
  DoorDropInfo.MaxSeconds = 10;
  double waited = RunUntilExit();
  EXPECT_GE(waited, 10);
  EXPECT_LT(waited, 12 + 2.5);
  EXPECT_NE(fake.socketOut.find("  Your Time Has Expired.  Returning To BBS..."),
            std::string::npos);
}

TEST_F(SocketSessionTest, HangUpEndsTheSessionWithinASecond) {
  fake.HangUp(5000);
  double waited = RunUntilExit();
  EXPECT_LE(waited, 5 + 1 + 2.5);
  EXPECT_NE(fake.out.find("Caller Dropped Carrier.  Returning To BBS..."), std::string::npos);
  EXPECT_EQ(fake.socketOut.find("Caller Dropped Carrier"), std::string::npos);
}

std::vector<std::pair<char, int>> g_warnings;  // ('I' idle or 'T' time, minutes) with the second

TEST_F(SocketSessionTest, WarningsAtTheTabledSeconds) {
  g_warnings.clear();
  static FakePlatform* f = &fake;
  DoorOnTimeOutWarning = [](uint8_t m) {
    g_warnings.push_back({'I', m});
    g_warnings.push_back({'s', DoorSecondsIdle()});
    (void)f;
  };
  DoorOnTimeUpWarning = [](uint8_t m) {
    g_warnings.push_back({'T', m});
    g_warnings.push_back({'s', DoorSecondsLeft()});
  };
  DoorDropInfo.MaxSeconds = 400;
  DoorSession.MaxIdle = 320;
  RunUntilExit();  // the idle limit ends it at 321 s
  std::vector<std::pair<char, int>> expected = {
      // idle warnings at 301, 241, ... seconds before the limit; time-left
      // warnings at 301, 241, ... seconds left
      {'I', 5},   {'s', 19},  {'I', 4},   {'s', 79},  {'T', 5},   {'s', 301}, {'I', 3},
      {'s', 139}, {'T', 4},   {'s', 241}, {'I', 2},   {'s', 199}, {'T', 3},   {'s', 181},
      {'I', 1},   {'s', 259}, {'T', 2},   {'s', 121}, {'I', 0},   {'s', 319},
  };
  EXPECT_EQ(g_warnings, expected);
}

TEST_F(SocketSessionTest, ChecksRunAtMostOnceASecondAndIdleWaitsDoNotSpin) {
  static int checks;
  checks = 0;
  DoorOnTimeUpWarning = nullptr;
  DoorOnHangup = [] { ++checks; };  // counts the carrier checks: every run makes one
  fake.HangUp();
  DoorDropInfo.MaxSeconds = 100000;
  fake.waits = 0;
  int64_t start = fake.nowMs;
  EXPECT_THROW(DoorReadKey(), DoorExit);  // the idle limit at last
  int64_t seconds = (fake.nowMs - start) / 1000;
  EXPECT_LE(checks, seconds + 1);
  EXPECT_GE(checks, seconds - 3);
  EXPECT_LE(fake.waits, 2 * seconds + 2);  // no busy polling between checks
}

TEST_F(SocketSessionTest, ExitProcedureRestoresColourAndCursorAndCloses) {
  DoorDropInfo.MaxSeconds = 1;
  RunUntilExit();
  std::string tail = E + "0;37m" + E + "40m" + E + "40m" + E + "255B" + E + "255D";
  EXPECT_EQ(fake.socketOut.substr(fake.socketOut.size() - tail.size()), tail);
  EXPECT_TRUE(fake.socketClosed);
}

TEST(BuildInfoTest, NamesThePlatformItWasBuiltFor) {
#if defined(__x86_64__)
  EXPECT_EQ(BuildInfo(), "Compiled for Linux (x86-64) (LNX64)");
  EXPECT_FALSE(IsRaspberryPi());
#endif
  EXPECT_TRUE(IsLinux());
  EXPECT_FALSE(IsWindows());
  EXPECT_FALSE(IsMSDOS());
}

}  // namespace

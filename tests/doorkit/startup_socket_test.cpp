// DoorStartup's choice between a socket session, standard I/O and the ways
// a start can fail, from the command line and from drop files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "doorkit/comm.h"
#include "doorkit/door.h"
#include "support/door_startup.h"
#include "support/fake_platform.h"

namespace {

const std::string kAnnouncements("\xff\xfb\x00\xff\xfb\x01", 6);

// Runs a start-up that must end the process; returns the exit code.
int StartupEnds(const std::vector<std::string>& args) {
  try {
    Startup(args);
  } catch (const DoorExit& e) { return e.code; }
  ADD_FAILURE() << "the start-up did not end the process";
  return -1;
}

// A DOOR32.SYS in the fake's folder; lines joined with CR LF as BBSes write.
std::string Door32(FakePlatform& fake, const std::string& type, const std::string& handle,
                   const std::string& name = "door32.sys") {
  std::string path = fake.gameDir + name;
  std::ofstream(path, std::ios::binary) << type << "\r\n"
                                        << handle << "\r\n"
                                        << "38400\r\nBBS\r\n1\r\nReal Name\r\nAlias\r\n"
                                        << "10\r\n60\r\n1\r\n4\r\n";
  return path;
}

TEST(StartupSocket, NodeAndHandleOpenASocketSession) {
  FakePlatform fake;
  Startup({"-N1", "-S1000"});
  EXPECT_FALSE(Stdio);
  EXPECT_EQ(DoorDropInfo.ComNum, 1000);
  EXPECT_EQ(DoorDropInfo.ComType, 2);
  EXPECT_EQ(DoorDropInfo.Node, 1);
  EXPECT_EQ(CommHandle(), 1000);
  EXPECT_TRUE(DoorSession.Events);
  EXPECT_FALSE(fake.rawMode);  // the console is not the caller's
  // Announcements, then a clear screen, all on the socket; nothing local.
  EXPECT_EQ(fake.socketOut, kAnnouncements + "\x1b[2J\x1b[1;1f");
  EXPECT_EQ(fake.out, fake.socketOut);
  RunExitProcs();  // what the end of the process does
  EXPECT_TRUE(fake.socketClosed);
}

TEST(StartupSocket, ForceStdioDoesNotAffectAHandleOnTheCommandLine) {
  FakePlatform fake;
  Startup({"-X", "-N1", "-S1000"});
  EXPECT_FALSE(Stdio);
  EXPECT_EQ(CommHandle(), 1000);
}

TEST(StartupSocket, HandleThatIsNotANumberRunsOverStandardIo) {
  FakePlatform fake;
  Startup({"-N1", "-Sabc"});
  EXPECT_TRUE(Stdio);
  EXPECT_EQ(DoorDropInfo.ComNum, -1);
  EXPECT_EQ(DoorDropInfo.ComType, 2);
  EXPECT_FALSE(DoorSession.Events);
  EXPECT_EQ(fake.socketOut, "");
}

TEST(StartupSocket, Door32TelnetRunsOnItsHandleUnlessForcedToStandardIo) {
  {
    FakePlatform fake;
    Startup({"-D" + Door32(fake, "2", "1234")});
    EXPECT_FALSE(Stdio);
    EXPECT_EQ(CommHandle(), 1234);
    EXPECT_EQ(DoorDropInfo.Node, 4);
    EXPECT_EQ(DoorDropInfo.AliasOrRealName, "Alias");
    EXPECT_EQ(DoorDropInfo.RealNameOrAlias, "Real Name");
  }
  {
    FakePlatform fake;
    Startup({"-X", "-D" + Door32(fake, "2", "1234")});
    EXPECT_TRUE(Stdio);
    EXPECT_FALSE(DoorSession.Events);
    EXPECT_EQ(fake.socketOut, "");
  }
}

TEST(StartupSocket, Door32LocalRunsWithoutLoginOrChecks) {
  FakePlatform fake;
  Startup({"-D" + Door32(fake, "0", "1234")});
  EXPECT_TRUE(Stdio);
  EXPECT_FALSE(DoorSession.Events);
  EXPECT_EQ(fake.out.find("LOCAL LOGIN"), std::string::npos);
  EXPECT_EQ(DoorDropInfo.Alias, "Alias");
}

TEST(StartupSocket, DropFileNamesMatchAnywhereIgnoringCase) {
  FakePlatform fake;
  Startup({"-D" + Door32(fake, "2", "77", "Node1.DoOr32.SyS")});
  EXPECT_EQ(CommHandle(), 77);

  FakePlatform other;
  std::string path = other.gameDir + "DOOR.SYS.BAK";
  std::ofstream(path) << "COM5:\n";
  Startup({"-D" + path});
  EXPECT_EQ(DoorDropInfo.ComNum, 5);  // read as DOOR.SYS
  EXPECT_EQ(DoorDropInfo.ComType, 1);
}

TEST(StartupSocket, FailedStartsSayWhyWaitAndEndWithZero) {
  struct Case {
    const char* what;
    std::vector<std::string> args;  // "@" stands for the fake's folder
    bool notASocket;
    std::string message;
    int waitMs;
  };
  const Case cases[] = {
      {"handle without node", {"-S1000"}, false, " USAGE: qgs <PARAMETERS>", 0},
      {"node 0", {"-N0", "-S1000"}, false, " USAGE: qgs <PARAMETERS>", 0},
      {"no drop-file path", {"-D"}, false, " USAGE: qgs <PARAMETERS>", 0},
      {"help", {"/?"}, false, "  -U         UTF-8 OUTPUT (NO ANSI MUSIC)", 0},
      {"missing drop file",
       {"-D@nowhere/door32.sys"},
       false,
       "  Drop File Does Not Exist Or Is Not Supported:\r\n  ",
       2500},
      {"unknown drop file",
       {"-D@chain.txt"},
       false,
       "  Drop File Does Not Exist Or Is Not Supported:",
       2500},
      {"handle below -1", {"-D@bad/door32.sys"}, false, "  Invalid comm number: -5", 2500},
      {"handle that is not a socket",
       {"-N1", "-S1"},
       true,
       "\r\n  No Carrier Detected\r\n\r\n",
       2500},
      {"drop-file handle that is not a socket",
       {"-D@door32.sys"},
       true,
       "  No Carrier Detected",
       2500},
  };
  for (const Case& c : cases) {
    FakePlatform fake;
    fake.socketOpen = !c.notASocket;
    std::filesystem::create_directory(fake.gameDir + "bad");
    Door32(fake, "2", "-5", "bad/door32.sys");
    Door32(fake, "2", "3");
    std::ofstream(fake.gameDir + "chain.txt") << "x\n";
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      size_t at = a.find('@');
      if (at != std::string::npos) a.replace(at, 1, fake.gameDir);
    }
    EXPECT_EQ(StartupEnds(args), 0) << c.what;
    EXPECT_NE(fake.out.find(c.message), std::string::npos) << c.what << "\n" << fake.out;
    EXPECT_EQ(fake.socketOut, "") << c.what;
    EXPECT_FALSE(fake.socketClosed) << c.what;
    int waited = 0;
    for (int ms : fake.sleeps) waited += ms;
    EXPECT_EQ(waited, c.waitMs) << c.what;
  }
}

}  // namespace

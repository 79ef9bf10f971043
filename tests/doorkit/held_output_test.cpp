// Output is held and leaves in one write when the program waits, pauses,
// looks for a hang-up or ends; the bytes are those of writing at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "doorkit/comm.h"
#include "doorkit/door.h"
#include "doorkit/outbuf.h"
#include "support/door_startup.h"
#include "support/fake_platform.h"

namespace {

// Notes what had been sent when the program first blocks.
class Recording : public FakePlatform {
 public:
  Recording() { OutBufHold(true); }
  std::string atBlock;  // out when the first wait or sleep came
  bool blocked = false;

  void WaitForInput(int fd, int timeoutMs) override {
    Block();
    FakePlatform::WaitForInput(fd, timeoutMs);
  }
  void SleepMs(int ms) override {
    Block();
    FakePlatform::SleepMs(ms);
  }

 private:
  void Block() {
    if (blocked) return;
    blocked = true;
    atBlock = out;
  }
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A screen of many small writes: colours, lines, a cursor move.
void DrawScreen() {
  DoorClrScr();
  for (int row = 0; row < 20; ++row) {
    DoorTextAttr(static_cast<uint8_t>(row % 15 + 1));
    DoorWrite("row " + std::to_string(row));
    DoorGotoX(40);
    DoorWriteLn("\xFF end");  // 255 is doubled on the socket
  }
}

TEST(HeldOutput, AScreenLeavesInOneWriteWhenTheProgramWaitsForAKey) {
  for (bool socket : {false, true}) {
    SCOPED_TRACE(socket ? "socket" : "standard I/O");
    Recording fake;
    Startup(socket ? std::vector<std::string>{"-N1", "-S9"}
                   : std::vector<std::string>{"-N1", "-SSTDIO"});
    fake.TakeOut();
    fake.writes.clear();
    fake.blocked = false;
    if (socket) {
      fake.SocketChunk("k", 500);
    } else {
      fake.Keys("k");
    }
    DrawScreen();
    EXPECT_TRUE(fake.out.empty()) << "held until the program waits";
    EXPECT_EQ(DoorReadKey(), 'k');
    ASSERT_EQ(fake.writes.size(), 1u);
    const std::string& screen = fake.writes[0];
    EXPECT_EQ(screen.substr(0, 10), "\x1b[2J\x1b[1;1f");
    EXPECT_EQ(Count(screen, socket ? "\xFF\xFF end\r\n" : "\xFF end\r\n"), 20u);
    if (socket) { EXPECT_EQ(fake.atBlock, screen) << "sent before the wait"; }
  }
}

TEST(HeldOutput, NothingIsHeldBackAtAPauseAHangUpCheckAClosingOrTheEnd) {
  struct Case {
    const char* name;
    std::function<void()> act;
  };
  const Case cases[] = {
      {"a pause", [] { Delay(100); }},
      {"a key that is there already", [] { DoorReadKey(); }},
      {"a hang-up check", [] { DoorCarrier(); }},
      {"closing the connection", [] { DoorClose(false); }},
      {"the end of the session", [] { DoorEndSession(0); }},
      {"the end of the process", [] { Env().Exit(0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recording fake;
    Startup({"-N1", "-S9"});
    fake.TakeOut();
    fake.blocked = false;
    fake.SocketChunk("k");
    DoorWriteLn("before");
    try {
      c.act();
    } catch (const DoorExit&) {}
    EXPECT_NE(fake.socketOut.find("before\r\n"), std::string::npos);
    if (fake.blocked) { EXPECT_NE(fake.atBlock.find("before\r\n"), std::string::npos); }
  }
}

TEST(HeldOutput, AFullBufferIsSentAndTheBytesStayInOrder) {
  // Socket output around and past the buffer's size, with byte 255 (sent
  // twice) at every position of a cut, and local console lines between.
  FakePlatform fake;
  OutBufHold(true);
  Startup({"-N1", "-S9"});
  fake.TakeOut();
  fake.socketOut.clear();
  fake.writes.clear();
  std::string text, wanted;
  for (int i = 0; i < 300000; ++i) {
    const char c = i % 7 == 0 ? '\xFF' : static_cast<char>('a' + i % 26);
    text += c;
    wanted += c;
    if (c == '\xFF') wanted += c;
  }
  DoorWrite(text.substr(0, 100000));
  LocalConsoleWrite("local");
  DoorWrite(text.substr(100000));
  OutBufFlush();
  EXPECT_TRUE(fake.socketOut == wanted);
  const size_t at = 100000 + 100000 / 7 + 1;  // where the local line came
  ASSERT_EQ(fake.out.size(), wanted.size() + 5);
  EXPECT_EQ(fake.out.substr(at, 5), "local");
  EXPECT_TRUE(fake.out.substr(0, at) + fake.out.substr(at + 5) == wanted);
  EXPECT_LE(fake.writes.size(), 9u);  // 350 KB in 64 KB writes, and the local line
  for (const std::string& w : fake.writes) EXPECT_LE(w.size(), 64u * 1024);
}

TEST(HeldOutput, AFatalSignalSendsWhatIsHeldBeforeTheProcessDies) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The real platform, as the door runs it.
    close(pair[0]);
    SetEnv(nullptr);
    ResetDoorState();
    OutBufHold(true);
    Stdio = false;
    CommOpen(pair[1]);
    DoorWrite("held screen");
    raise(SIGTERM);
    _exit(3);  // not reached
  }
  close(pair[1]);
  std::string got;
  char buf[256];
  for (ssize_t n; (n = read(pair[0], buf, sizeof buf)) > 0;)
    got.append(buf, static_cast<size_t>(n));
  close(pair[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(got, std::string("\xFF\xFB\x00\xFF\xFB\x01", 6) + "held screen");
}

}  // namespace

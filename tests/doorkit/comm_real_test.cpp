// The socket transport on the real platform, over real sockets: what the
// system does when the caller hangs up, resets the connection or hands over
// something that is not a socket at all.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "doorkit/comm.h"
#include "doorkit/platform.h"

namespace {

const std::string kAnnouncements("\xff\xfb\x00\xff\xfb\x01", 6);

class CommRealTest : public ::testing::Test {
 protected:
  int door = -1;    // the door's end
  int caller = -1;  // the caller's end

  void SetUp() override {
    SetEnv(nullptr);
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv), 0);
    door = sv[0];
    caller = sv[1];
    timeval limit{2, 0};  // a broken test fails instead of hanging
    setsockopt(caller, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(door, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }

  void TearDown() override {
    if (CommHandle() == door) {
      CommClose(false);
    } else {
      close(door);
    }
    if (caller >= 0) close(caller);
  }

  std::string CallerReads(size_t n) {
    std::string got;
    char buf[256];
    while (got.size() < n) {
      ssize_t r = recv(caller, buf, std::min(sizeof buf, n - got.size()), 0);
      if (r <= 0) break;
      got.append(buf, static_cast<size_t>(r));
    }
    return got;
  }

  // Keys from what is already waiting on the socket.
  std::string Keys() {
    std::string keys;
    for (int polls = 0; polls < 50; ++polls) {
      if (CommCharAvail()) keys += CommReadChar();
    }
    return keys;
  }
};

TEST_F(CommRealTest, OpenMakesTheHandleBlockingAndAnnounces) {
  fcntl(door, F_SETFL, fcntl(door, F_GETFL) | O_NONBLOCK);
  CommOpen(door);
  EXPECT_EQ(fcntl(door, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_EQ(CallerReads(6), kAnnouncements);
  EXPECT_TRUE(CommCarrier());
}

TEST_F(CommRealTest, KeysArriveWithoutTheTelnetAnswers) {
  CommOpen(door);
  std::string typed(
      "\xff\xfd\x00\xff\xfd\x01"
      "ab\r",
      9);
  send(caller, typed.data(), typed.size(), 0);
  EXPECT_EQ(Keys(), "ab\r");
  send(caller, "\n\xff\xff", 3, 0);  // the rest of that Enter, then a 255
  EXPECT_EQ(Keys(), "\xff");
}

TEST_F(CommRealTest, CallerHangingUpDropsCarrier) {
  CommOpen(door);
  send(caller, "q", 1, 0);
  close(caller);
  caller = -1;
  EXPECT_EQ(Keys(), "q");
  EXPECT_FALSE(CommCarrier());
}

TEST_F(CommRealTest, WritingToACallerWhoHungUpDoesNotKillTheProcess) {
  signal(SIGPIPE, SIG_DFL);  // as in the door: nothing ignores it
  close(caller);
  caller = -1;
  CommOpen(door);
  CommWrite(std::string(100000, 'x'));
  EXPECT_FALSE(CommCarrier());  // still alive, and the caller is known gone
}

TEST_F(CommRealTest, AHandleThatIsNotASocketIsLeftAlone) {
  int pipeFds[2];
  ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK), 0);
  CommOpen(pipeFds[1]);
  EXPECT_FALSE(CommCarrier());
  CommWrite("x");
  CommClose(true);
  char c;
  EXPECT_EQ(read(pipeFds[0], &c, 1), -1);             // nothing was written
  EXPECT_EQ(fcntl(pipeFds[1], F_GETFD), FD_CLOEXEC);  // and it is still open
  close(pipeFds[0]);
  close(pipeFds[1]);
}

TEST(CommRealReset, AResetConnectionDropsCarrier) {
  SetEnv(nullptr);
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  int caller = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(connect(caller, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  int door = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  ASSERT_GE(door, 0);
  close(listener);

  CommOpen(door);
  linger abort{1, 0};  // closing with linger 0 resets the connection
  setsockopt(caller, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  close(caller);
  for (int polls = 0; polls < 1000 && CommCarrier(); ++polls) {
    CommCharAvail();
    Env().WaitForInput(door, 10);
  }
  EXPECT_FALSE(CommCarrier());
  CommClose(false);
}

int g_peerForSignal = -1;
void SendFromSignal(int) {
  if (g_peerForSignal >= 0) send(g_peerForSignal, "x", 1, MSG_NOSIGNAL);
}

TEST_F(CommRealTest, AReceiveInterruptedByASignalIsRetried) {
  struct sigaction action {};
  action.sa_handler = SendFromSignal;  // no SA_RESTART: the receive sees EINTR
  sigaction(SIGALRM, &action, nullptr);
  g_peerForSignal = caller;
  itimerval timer{{0, 0}, {0, 20000}};
  setitimer(ITIMER_REAL, &timer, nullptr);
  char c = 0;
  long n = Env().SocketRecv(door, &c, 1);  // blocks until the signal
  g_peerForSignal = -1;
  EXPECT_EQ(n, 1);
  EXPECT_EQ(c, 'x');
}

}  // namespace

// The socket transport over the scripted platform: what a Telnet client
// sends, cut into receives however TCP likes, comes out as exactly the keys
// the caller typed.
#include <gtest/gtest.h>

#include "doorkit/comm.h"
#include "support/fake_platform.h"

namespace {

const std::string kAnnouncements("\xff\xfb\x00\xff\xfb\x01", 6);

// Every key the transport hands over from the scripted receives.
std::string Keys() {
  std::string keys;
  for (int polls = 0; polls < 200; ++polls) {
    if (CommCharAvail()) keys += CommReadChar();
  }
  return keys;
}

// The keys read from these receives on a freshly opened connection.
std::string KeysFrom(const std::vector<std::string>& chunks) {
  FakePlatform fake;
  CommOpen(7);
  for (const std::string& chunk : chunks) fake.SocketChunk(chunk);
  std::string keys = Keys();
  EXPECT_TRUE(CommCarrier());
  return keys;
}

class CommTest : public ::testing::Test {
 protected:
  FakePlatform fake;

  void SetUp() override {
    CommOpen(7);
    fake.TakeOut();
  }
};

TEST_F(CommTest, OpenSwitchesToBlockingAndAnnouncesBinaryAndEcho) {
  EXPECT_TRUE(fake.socketBlocking);
  EXPECT_EQ(fake.socketOut, kAnnouncements);
  EXPECT_TRUE(CommCarrier());
  EXPECT_EQ(CommHandle(), 7);
}

TEST(CommReceive, TelnetCommandsNeverReachTheGameAsKeys) {
  struct Case {
    const char* what;
    std::vector<std::string> chunks;
    std::string keys;
  };
  const std::string iac = "\xff";
  const Case cases[] = {
      {"answers to the announcements",
       {iac + "\xfd\x01" + iac + "\xfd" + std::string(1, '\0') + "ab"},
       "ab"},
      {"the client's own offers",
       {"a" + iac + "\xfb\x18" + iac + "\xfb\x1f" + iac + "\xfc\x21" + "b"},
       "ab"},
      {"a subnegotiation",
       {"a" + iac + "\xfa\x18" + std::string(1, '\0') + "xterm" + iac + "\xf0" + "b"},
       "ab"},
      {"an escaped 255 inside a subnegotiation",
       {iac + "\xfa\x1f" + iac + iac + "x" + iac + "\xf0" + "c"},
       "c"},
      {"commands without an option",
       {"a" + iac + "\xf1" + iac + "\xf6" + iac + "\xf9" + "b"},
       "ab"},
      {"IAC IAC is one 255",
       {"a" + iac + iac + "b"},
       "a\xff"
       "b"},
      {"a subnegotiation cut short by another command",
       {iac + "\xfa\x1f\x01" + iac + "\xfd\x01" + "x"},
       "x"},
      // Cut between receives at every point.
      {"IAC | DO ECHO",
       {"a" + iac,
        "\xfd\x01"
        "b"},
       "ab"},
      {"IAC DO | ECHO",
       {"a" + iac + "\xfd",
        "\x01"
        "b"},
       "ab"},
      {"IAC | IAC",
       {"a" + iac, iac + "b"},
       "a\xff"
       "b"},
      {"IAC SB ... | ... IAC | SE",
       {iac + "\xfa\x18", std::string(1, '\0') + "vt100" + iac,
        "\xf0"
        "z"},
       "z"},
      {"only negotiation in a receive", {iac + "\xfd\x01", iac + "\xfd\x03", "k"}, "k"},
  };
  for (const Case& c : cases) EXPECT_EQ(KeysFrom(c.chunks), c.keys) << c.what;
}

TEST(CommReceive, EveryEnterIsOneCarriageReturn) {
  struct Case {
    std::vector<std::string> chunks;
    std::string keys;
  };
  const std::string nul(1, '\0');
  const Case cases[] = {
      {{"abc\r\n"}, "abc\r"},
      {{"abc\r" + nul}, "abc\r"},
      {{"abc\n"}, "abc\r"},
      {{"a\r\r\nb"}, "a\r\rb"},
      {{"\n\n"}, "\r\r"},
      {{"x" + nul + "y"}, "x" + nul + "y"},  // a NUL on its own is a key
      // Line ends fold as CR LF, then CR NUL, then a lone LF: CR LF NUL is
      // one Enter too, and a second LF or NUL is a key of its own.
      {{"a\r\n" + nul + "b"}, "a\rb"},
      {{"\r\n\n"}, "\r\r"},
      {{"\r" + nul + nul}, "\r" + nul},
      {{"\r\n" + nul + nul}, "\r" + nul},
      {{"\r" + nul + "\n"}, "\r\r"},
      {{"\n" + nul}, "\r" + nul},
      // A line end cut between two receives.
      {{"a\r", "\nb"}, "a\rb"},
      {{"a\r", nul + "b"}, "a\rb"},
      {{"a\r\n", nul + "b"}, "a\rb"},
      {{"a\r", "\r\n"}, "a\r\r"},
      {{"\r", "\xff\xfd\x01", "\n"}, "\r"},
  };
  for (const Case& c : cases) EXPECT_EQ(KeysFrom(c.chunks), c.keys);
}

TEST_F(CommTest, WriteDoublesIacWhileRawAndAnnouncementsDoNot) {
  CommWrite(
      "a\xff"
      "b");
  EXPECT_EQ(fake.TakeOut(),
            "a\xff\xff"
            "b");
  CommWriteRaw(
      "a\xff"
      "b");
  EXPECT_EQ(fake.TakeOut(),
            "a\xff"
            "b");
  CommWriteBlock("xyz", 0);
  EXPECT_EQ(fake.TakeOut(), "");
}

TEST_F(CommTest, AShortSendIsFollowedByTheRest) {
  fake.sendLimit = 3;
  CommWrite("0123456789");
  EXPECT_EQ(fake.TakeOut(), "0123456789");
  EXPECT_TRUE(CommCarrier());
}

TEST_F(CommTest, PeerCloseDropsCarrierForGood) {
  fake.SocketChunk("a");
  fake.HangUp(100);
  EXPECT_TRUE(CommCharAvail());
  EXPECT_EQ(CommReadChar(), 'a');
  EXPECT_FALSE(CommCharAvail());
  EXPECT_TRUE(CommCarrier());  // the close is not there yet
  fake.Advance(100);
  EXPECT_FALSE(CommCharAvail());
  EXPECT_FALSE(CommCarrier());
  EXPECT_EQ(CommReadChar(), '\0');  // never blocks on a dead line
}

TEST_F(CommTest, ReceiveErrorDropsCarrier) {
  fake.SocketError();
  EXPECT_FALSE(CommCharAvail());
  EXPECT_FALSE(CommCarrier());
}

TEST_F(CommTest, SendErrorDropsCarrier) {
  fake.socketClosed = true;  // sends fail from now on
  CommWrite("hello");
  EXPECT_FALSE(CommCarrier());
}

TEST_F(CommTest, CloseWithoutDisconnectOnlyCloses) {
  CommClose(false);
  EXPECT_TRUE(fake.socketClosed);
  EXPECT_FALSE(fake.socketShutdown);
  EXPECT_FALSE(CommCarrier());
}

TEST_F(CommTest, CloseWithDisconnectShutsDownFirstAndTheHandleIsThenGone) {
  CommClose(true);
  EXPECT_TRUE(fake.socketShutdown);
  EXPECT_TRUE(fake.socketClosed);
  fake.socketClosed = false;
  CommClose(true);  // a second close (the exit procedure's) does nothing
  EXPECT_FALSE(fake.socketClosed);
  CommWrite("late");
  EXPECT_EQ(fake.socketOut, kAnnouncements);
}

TEST(CommOpen, AHandleThatIsNotASocketIsNoCarrierAndIsLeftAlone) {
  FakePlatform fake;
  fake.socketOpen = false;
  CommOpen(1);
  EXPECT_FALSE(CommCarrier());
  CommWrite("x");
  CommClose(true);
  EXPECT_EQ(fake.out, "");  // nothing written to someone else's handle
  EXPECT_FALSE(fake.socketClosed);
  EXPECT_FALSE(fake.socketShutdown);
}

}  // namespace

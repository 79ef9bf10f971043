// The whole program on a socket session of the fake platform, once with
// its output held until each wait and once written as it comes: the caller
// receives the same bytes, and a screen leaves in one send.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "doorkit/outbuf.h"
#include "game/shell/mainmenu.h"
#include "support/fake_platform.h"

namespace {

const std::string kMultiMenu = "C,J,P,V,R,W,Q -=> ";
const std::string kCommand = "or ? for Help -=> ";

// Plays the main menu, a lobby redrawn by Enter, and a Klassic battle
// screen redrawn by Enter; the caller hangs up at the next command prompt.
void Play(FakePlatform& fake) {
  std::ofstream(fake.gameDir + "DOOR32.SYS", std::ios::binary)
      << "2\r\n9\r\n38400\r\nTest BBS\r\n0\r\nAnn Real\r\nAnn\r\n100\r\n60\r\n1\r\n1\r\n";
  const std::vector<std::pair<std::string, std::string>> answers = {{"] to continue. -=> ", "\r"},
                                                                    {"[Y/N] -=> ", "N"},
                                                                    {"Select option: ", "M"},
                                                                    {kMultiMenu, "\r"},
                                                                    {kMultiMenu, "Q"},
                                                                    {"Select option: ", "K"},
                                                                    {"Queen? -=> ", "K"},
                                                                    {"known by sire? -=> ", "\r"},
                                                                    {"[y/N] -=> ", "Y"},
                                                                    {kCommand, "\r"}};
  for (const auto& [shown, keys] : answers) fake.Answer(shown, keys);
  fake.HangUpWhenShown(kCommand);
  std::string drop = "-D" + fake.gameDir + "DOOR32.SYS";
  char name[] = "qgs";
  char* argv[] = {name, drop.data()};
  EXPECT_THROW(QgsMain(2, argv), DoorExit);
  EXPECT_GE(fake.hangUpMs, 0) << "the script did not reach its end";
}

// The one write that holds the n-th (0-based) screen showing `text`, from
// its clear screen to the prompt after it; -1 when that screen is split.
int WriteOfScreen(const std::vector<std::string>& writes, const std::string& text, int n,
                  const std::string& prompt) {
  int seen = 0;
  for (size_t i = 0; i < writes.size(); ++i) {
    const size_t at = writes[i].find(text);
    if (at == std::string::npos) continue;
    if (seen++ < n) continue;
    const bool whole = writes[i].rfind("\x1b[2J", at) != std::string::npos &&
                       writes[i].find(prompt, at) != std::string::npos;
    return whole ? static_cast<int>(i) : -1;
  }
  return -1;
}

TEST(ScreenWrites, TheCallerGetsTheSameBytesAndEachScreenInOneSend) {
  std::string asWritten;
  size_t writesAsWritten = 0;
  {
    FakePlatform fake;  // every write sent as it is made
    Play(fake);
    asWritten = fake.socketOut;
    writesAsWritten = fake.writes.size();
  }
  FakePlatform fake;
  OutBufHold(true);
  Play(fake);
  EXPECT_EQ(fake.socketOut, asWritten);
  EXPECT_LT(fake.writes.size() * 5, writesAsWritten);

  // The lobby redrawn by Enter, and the battle screen redrawn by Enter,
  // each from its clear screen to its prompt in one send.
  EXPECT_GE(WriteOfScreen(fake.writes, "December Royalty", 1, kMultiMenu), 0);
  EXPECT_GE(WriteOfScreen(fake.writes, "Months of Food", 1, kCommand), 0);
}

}  // namespace

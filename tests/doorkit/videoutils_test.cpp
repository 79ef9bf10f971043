#include <gtest/gtest.h>

#include "doorkit/ansi.h"
#include "doorkit/crt2.h"
#include "doorkit/door.h"
#include "doorkit/videoutils.h"
#include "support/fake_platform.h"

namespace {

const std::string E = "\x1b[";

std::string At(int x, int y, int attr, const std::string& text) {
  return "\x1b" "7" + E + std::to_string(y) + ";" + std::to_string(x) + "f" +
         AnsiTextAttr(static_cast<uint8_t>(attr)) + text + AnsiTextAttr(GetTextAttr()) + "\x1b" "8";
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
  EXPECT_EQ(fake.TakeOut(), At(1, 25, 0x1E, frame) +
                                At(3, 25, 0x1F, "Ann Lee               ") +
                                At(31, 25, 0x1F, "Verevar & Uruzodedo 25") +
                                At(51, 25, 0x1F, "Idle: 01:05") + At(65, 25, 0x1F, "Left: 01:01:00"));
}

}  // namespace

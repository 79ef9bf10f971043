#include <gtest/gtest.h>

#include "doorkit/AnsiMusicMini.h"
#include "game/common/music.h"
#include "support/fake_platform.h"

namespace {

TEST(MusicTest, PlayMusicAndBeatWithSoundOnAndOff) {
  FakePlatform fake;
  const std::string tune = "MFT64L64O5CDP32CDP32CDP16";  // 25 characters
  Music = true;
  PlayBeat(tune, 0);
  EXPECT_EQ(fake.TakeOut(), AnsiMusicSequence(tune));
  EXPECT_TRUE(fake.sleeps.empty());
  PlayBeat(tune, 25);
  EXPECT_EQ(fake.sleeps, (std::vector<int>{25}));

  Music = false;
  fake.sleeps.clear();
  fake.TakeOut();
  PlayMusic(tune);
  PlayBeat(tune, 0);
  EXPECT_EQ(fake.TakeOut(), "");
  EXPECT_EQ(fake.sleeps, (std::vector<int>{17, 17, 150}));
  Music = true;
}

}  // namespace

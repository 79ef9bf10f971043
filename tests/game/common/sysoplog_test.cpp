#include "game/common/sysoplog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/common/globals.h"
#include "support/fake_platform.h"

namespace {

TEST(SysopLogTest, OneLinePerFailureCreatedOnlyWhenNeeded) {
  FakePlatform fake;
  const std::string log = fake.gameDir + "qgs.log";
  EXPECT_FALSE(std::filesystem::exists(log));

  DoorDropInfo.Node = 3;
  DoorDropInfo.Alias = "Bob";
  int year, month, day, hour, minute, second;
  DecodeDate(Now(), year, month, day);
  DecodeTime(Now(), hour, minute, second);
  char stamp[32];
  snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
           second);

  SysopLog("Could not save the game file", "No space left on device");
  HoldAliasForWrite = "Alice\x1b[2J";  // the game's alias wins; control codes never reach the log
  SysopLog("Finished a change left half done", "");

  std::string text;
  ASSERT_TRUE(ReadFileText(log, text));
  EXPECT_EQ(text, std::string(stamp) + " node 3 \"Bob\": Could not save the game file: " +
                      "No space left on device\n" + stamp +
                      " node 3 \"Alice[2J\": Finished a change left half done\n");
}

}  // namespace

#include <gtest/gtest.h>

#include "doorkit/crt2.h"
#include "doorkit/door.h"
#include "support/engine_support.h"  // Count
#include "support/fake_platform.h"

namespace {

const std::string E = "\x1b[";
const std::string kLetters = "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM ";

class InputTest : public ::testing::Test {
 protected:
  FakePlatform fake;
};

TEST_F(InputTest, ConsoleExtendedKeysAndIdleClock) {
  fake.Keys(std::string("\0H", 2) + "a");
  fake.Advance(5000);
  EXPECT_EQ(DoorReadKey(), 'H');
  EXPECT_TRUE(DoorLastKey.Extended);
  EXPECT_EQ(DoorLastKey.Location, lkUser);
  EXPECT_EQ(DoorSecondsIdle(), 0);
  EXPECT_EQ(DoorReadKey(), 'a');
  EXPECT_FALSE(DoorLastKey.Extended);
  EXPECT_EQ(DoorLastKey.Ch, 'a');
}

TEST_F(InputTest, CharacterSets) {
  EXPECT_EQ(DOOR_INPUT_CHARS_ALL.size(), 95u);
  EXPECT_NE(DOOR_INPUT_CHARS_ALL.find('|'), std::string::npos);
  EXPECT_NE(DOOR_INPUT_CHARS_ALL.find('`'), std::string::npos);
  EXPECT_EQ(DOOR_INPUT_CHARS_ALPHA.size(), 52u);
  EXPECT_EQ(DOOR_INPUT_CHARS_NUMERIC, "0123456789");
  EXPECT_EQ(DOOR_INPUT_CHARS_FILENAME.size(), 87u);
  for (char c : std::string("`/*?<>|\"")) {
    EXPECT_EQ(DOOR_INPUT_CHARS_FILENAME.find(c), std::string::npos) << c;
  }
}

struct EditCase {
  const char* name;
  std::string defaultText;
  std::string keys;
  char password;
  uint8_t visible, max;
  std::string result;
};

TEST_F(InputTest, LineEditorResults) {
  const EditCase cases[] = {
      {"enter keeps the default", "SYSOP", "\r", 0, 40, 40, "SYSOP"},
      {"escape restores the default", "SYSOP", "xy\x1b", 0, 40, 40, "SYSOP"},
      {"typing appends", "SYSOP", "\b\bXY\r", 0, 40, 40, "SYSXY"},
      {"default cut to the maximum", "ABCDEFGH", "\x1b", 0, 10, 5, "ABCDE"},
      {"characters outside the set are ignored", "", "a1-b\r", 0, 10, 10, "ab"},
      {"nothing past the maximum", "", "abcdef\r", 0, 10, 3, "abc"},
      {"ctrl-y clears", "old", "\x19new\r", 0, 10, 10, "new"},
      {"backspace on empty is ignored", "", "\b\ba\r", 0, 10, 10, "a"},
      {"DEL erases like backspace", "abc", "\x7f\x7f\r", 0, 10, 10, "a"},
      {"password keeps the real text", "", "abc\r", '*', 10, 10, "abc"},
  };
  for (const EditCase& c : cases) {
    fake.Keys(c.keys);
    EXPECT_EQ(DoorInput(c.defaultText, kLetters, c.password, c.visible, c.max, 31), c.result)
        << c.name;
  }
}

TEST_F(InputTest, LineEditorDrawsAColouredFieldAndRestoresTheColour) {
  DoorTextAttr(10);
  fake.TakeOut();
  fake.Keys("ab\b\r");
  EXPECT_EQ(DoorInput("", kLetters, 0, 5, 10, 31), "a");
  std::string field = E + "1;37m" + E + "44m";  // attribute 31
  std::string back = E + "1;32m" + E + "40m";   // attribute 10 again
  EXPECT_EQ(fake.TakeOut(), field + "     " + E + "5D" + "a" + "b" + "\b \b" + back + "\r\n");
  EXPECT_EQ(GetTextAttr(), 10);
}

TEST_F(InputTest, LineEditorScrollsLongInputAndMasksPasswords) {
  fake.Keys("abcd\r");
  EXPECT_EQ(DoorInput("", kLetters, '*', 3, 10, 7), "abcd");
  std::string out = fake.TakeOut();
  // The fourth character redraws the field from its left edge, showing the
  // last three characters as stars.
  EXPECT_NE(out.find("***" + E + "3D***"), std::string::npos) << out;
  EXPECT_EQ(out.find('a'), std::string::npos);
}

TEST_F(InputTest, LineEditorIgnoresCursorKeys) {
  fake.Keys(std::string("a\0Hb\r", 5));
  EXPECT_EQ(DoorInput("", kLetters, 0, 10, 10, 7), "ab");
}

TEST_F(InputTest, LiteBar) {
  DoorLiteBarOptions = {"One", "Two", "Three"};
  DoorLiteBarIndex = 0;
  fake.Keys("PpP\r");  // down twice, then the bottom holds
  EXPECT_TRUE(DoorLiteBar(10));
  EXPECT_EQ(DoorLiteBarIndex, 2);
  fake.Keys("8k\r");
  EXPECT_TRUE(DoorLiteBar(10));
  EXPECT_EQ(DoorLiteBarIndex, 0);
  fake.Keys("2q");
  EXPECT_FALSE(DoorLiteBar(10));
  EXPECT_EQ(DoorLiteBarIndex, 1);
  fake.Keys("6\r");  // the page size limits the bar too
  EXPECT_TRUE(DoorLiteBar(2));
  EXPECT_EQ(DoorLiteBarIndex, 1);
}

TEST_F(InputTest, LiteBarBringsAnIndexLeftFromAnotherMenuOntoTheItems) {
  const struct {
    int32_t before, pageSize;
    const char* keys;
    int32_t after;
  } cases[] = {
      {7, 10, "\r", 1},                     // past the end of the list: the last item
      {7, 10, "8\r", 0},                    // ... from which the bar moves up as usual
      {-3, 10, "\r", 0},                    // negative: the first item
      {-3, 10, "2\r", 1}, {1, 1, "\r", 0},  // past the page: the last item shown
  };
  for (const auto& c : cases) {
    DoorLiteBarOptions = {"One", "Two"};
    DoorLiteBarIndex = c.before;
    fake.Keys(c.keys);
    EXPECT_TRUE(DoorLiteBar(c.pageSize));
    EXPECT_EQ(DoorLiteBarIndex, c.after) << c.before << " " << c.keys;
    std::string out = fake.TakeOut();
    EXPECT_EQ(Count(out, E + "44m"), std::string(c.keys).size()) << c.before << " " << c.keys;
  }
}

TEST_F(InputTest, LiteBarDrawsTheHighlightedItemOnBlue) {
  DoorLiteBarOptions = {"One", "Two"};
  DoorLiteBarIndex = 1;
  fake.Keys("\r");
  DoorLiteBar(10);
  std::string white = E + "1;37m" + E + "40m";
  EXPECT_EQ(fake.TakeOut(), white + E + "s" + E + "u" + "One" + white + E + "u" + E + "1B" + E +
                                "44m" + "Two" + white + E + "u");
}

}  // namespace

// The drop-file readers: every case is read once with LF and once with
// CR LF line ends, which must give the same result.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "doorkit/door.h"
#include "doorkit/door_dropfiles.h"
#include "support/fake_platform.h"

namespace {

using Reader = void (*)(const std::string&);

struct Case {
  const char* what;
  Reader read;
  int lineCount;                   // lines in the file
  std::map<int, std::string> set;  // line number -> content; the rest empty
  std::function<void(const TDoorDropInfo&)> check;
};

std::string FileText(const Case& c, const char* lineEnd) {
  std::string text;
  for (int n = 1; n <= c.lineCount; ++n) {
    auto it = c.set.find(n);
    text += (it == c.set.end() ? std::string() : it->second) + lineEnd;
  }
  return text;
}

void ReadEach(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    for (const char* lineEnd : {"\n", "\r\n"}) {
      FakePlatform fake;
      std::string path = fake.gameDir + "dropfile";
      std::ofstream(path, std::ios::binary) << FileText(c, lineEnd);
      c.read(path);
      SCOPED_TRACE(std::string(c.what) + (lineEnd[0] == '\r' ? " (CR LF)" : " (LF)"));
      c.check(DoorDropInfo);
    }
  }
}

TEST(DropFiles, Door32) {
  ReadEach({
      {"a telnet caller",
       ReadDoor32,
       11,
       {{1, "2"},
        {2, "1234"},
        {3, "115200"},
        {4, "Mystic"},
        {5, "1"},
        {6, "John Smith"},
        {7, "Johnny"},
        {8, "20"},
        {9, "45"},
        {10, "1"},
        {11, "3"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComType, 2);
         EXPECT_EQ(i.ComNum, 1234);
         EXPECT_EQ(i.Baud, 115200);
         EXPECT_EQ(i.RecPos, 0);
         EXPECT_EQ(i.RealName, "John Smith");
         EXPECT_EQ(i.Alias, "Johnny");
         EXPECT_EQ(i.Access, 20);
         EXPECT_EQ(i.MaxSeconds, 2700);
         EXPECT_EQ(i.Emulation, etANSI);
         EXPECT_EQ(i.Node, 3);
       }},
      {"emulation 0 is ASCII",
       ReadDoor32,
       11,
       {{10, "0"}},
       [](const TDoorDropInfo& i) { EXPECT_EQ(i.Emulation, etASCII); }},
      {"an empty emulation is ANSI",
       ReadDoor32,
       11,
       {{10, ""}},
       [](const TDoorDropInfo& i) { EXPECT_EQ(i.Emulation, etANSI); }},
      {"cut after line 3",
       ReadDoor32,
       3,
       {{1, "2"}, {2, "7"}, {3, "x"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComType, 2);
         EXPECT_EQ(i.ComNum, 7);
         EXPECT_EQ(i.Baud, 38400);
         EXPECT_EQ(i.RealName, "");
         EXPECT_EQ(i.Alias, "");
         EXPECT_EQ(i.MaxSeconds, 0);
         EXPECT_EQ(i.RecPos, 0);
         EXPECT_EQ(i.Node, 0);
       }},
      {"numbers that are not numbers",
       ReadDoor32,
       11,
       {{1, "telnet"}, {2, "abc"}, {5, "x"}, {9, "1.5"}, {11, "#2"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComType, 0);
         EXPECT_EQ(i.ComNum, -1);
         EXPECT_EQ(i.RecPos, 0);
         EXPECT_EQ(i.MaxSeconds, 0);
         EXPECT_EQ(i.Node, 0);
       }},
      {"numbers out of range",
       ReadDoor32,
       11,
       {{1, "258"}, {2, " 12 "}, {5, "-2147483648"}, {9, "2147483647"}, {11, "99999999999"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComType, 255);  // no known type, not 258 mod 256 = telnet
         EXPECT_EQ(i.ComNum, 12);
         EXPECT_EQ(i.RecPos, INT32_MIN);
         EXPECT_EQ(i.MaxSeconds, INT32_MAX);
         EXPECT_EQ(i.Node, 0);
       }},
      {"control characters in names",
       ReadDoor32,
       11,
       {{6, "Jo\x01hn\tSm\x7fith"}, {7, "\x1b[2JAl\bias"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.RealName, "JohnSmith");
         EXPECT_EQ(i.Alias, "[2JAlias");
       }},
  });
}

TEST(DropFiles, DoorSys) {
  ReadEach({
      {"a serial caller",
       ReadDoorSys,
       52,
       {{1, "COM2:"},
        {4, "5"},
        {5, "19200"},
        {10, "Jane Doe"},
        {15, "30"},
        {18, "1800"},
        {20, "gr"},
        {26, "7"},
        {36, "Janey"},
        {37, "ignored"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComNum, 2);
         EXPECT_EQ(i.ComType, 1);
         EXPECT_EQ(i.Node, 5);
         EXPECT_EQ(i.Baud, 19200);
         EXPECT_EQ(i.RealName, "Jane Doe");
         EXPECT_EQ(i.Access, 30);
         EXPECT_EQ(i.MaxSeconds, 1800);
         EXPECT_EQ(i.Emulation, etANSI);
         EXPECT_EQ(i.RecPos, 6);
         EXPECT_EQ(i.Alias, "Janey");
       }},
      {"COM0: is local",
       ReadDoorSys,
       52,
       {{1, "COM0:"}, {20, "NG"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComNum, 0);
         EXPECT_EQ(i.ComType, 0);
         EXPECT_EQ(i.Emulation, etASCII);
       }},
      {"a port without its colon",
       ReadDoorSys,
       52,
       {{1, "COM1"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComNum, 0);  // the last character is taken for the colon
         EXPECT_EQ(i.ComType, 0);
       }},
      {"cut after line 3",
       ReadDoorSys,
       3,
       {{1, "COM3:"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComNum, 3);
         EXPECT_EQ(i.MaxSeconds, 0);
         EXPECT_EQ(i.Alias, "");
         EXPECT_EQ(i.Emulation, etASCII);
       }},
      {"control characters in names",
       ReadDoorSys,
       52,
       {{10, "Ja\x07ne"},
        {36,
         "Jan\x7f"
         "ey"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.RealName, "Jane");
         EXPECT_EQ(i.Alias, "Janey");
       }},
  });
}

TEST(DropFiles, DorInfo) {
  ReadEach({
      {"a serial caller",
       ReadDorInfo,
       13,
       {{4, "COM2"},
        {5, "19200 BAUD,N,8,1"},
        {7, "JOHN"},
        {8, "DOE"},
        {10, "1"},
        {11, "50"},
        {12, "30"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComNum, 2);
         EXPECT_EQ(i.ComType, 1);
         EXPECT_EQ(i.Baud, 19200);
         EXPECT_EQ(i.Alias, "JOHN");
         EXPECT_EQ(i.RealName, "JOHN DOE");
         EXPECT_EQ(i.Emulation, etANSI);
         EXPECT_EQ(i.Access, 50);
         EXPECT_EQ(i.MaxSeconds, 1800);
         EXPECT_EQ(i.Node, 0);
       }},
      {"COM0 is local, no last name",
       ReadDorInfo,
       13,
       {{4, "COM0"}, {5, "9600"}, {7, "JOHN"}, {10, "0"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComNum, 0);
         EXPECT_EQ(i.ComType, 0);
         EXPECT_EQ(i.Baud, 9600);
         EXPECT_EQ(i.RealName, "JOHN");
         EXPECT_EQ(i.Alias, "JOHN");
         EXPECT_EQ(i.Emulation, etASCII);
       }},
      {"COM1: is local too",
       ReadDorInfo,
       13,
       {{4, "COM1:"}, {5, "fast"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComNum, 0);
         EXPECT_EQ(i.ComType, 0);
         EXPECT_EQ(i.Baud, 38400);
       }},
      {"control characters in names",
       ReadDorInfo,
       13,
       {{7, "JO\x01HN"}, {8, "D\x1bOE"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.Alias, "JOHN");
         EXPECT_EQ(i.RealName, "JOHN DOE");
       }},
  });
}

TEST(DropFiles, LordInfo) {
  ReadEach({
      {"a telnet caller",
       ReadLordInfo,
       14,
       {{1, "5"},
        {2, "3"},
        {4, "fairy yes"},
        {5, "20"},
        {6, "Zed"},
        {7, "Zoe"},
        {8, "Quinn"},
        {9, "1234"},
        {10, "57600"},
        {12, "Telnet"},
        {14, "Clean Mode On"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.RecPos, 5);
         EXPECT_EQ(i.Emulation, etANSI);
         EXPECT_TRUE(i.Fairy);
         EXPECT_EQ(i.MaxSeconds, 1200);
         EXPECT_EQ(i.Alias, "Zed");
         EXPECT_EQ(i.RealName, "Zoe Quinn");
         EXPECT_EQ(i.ComNum, 1234);
         EXPECT_EQ(i.Baud, 57600);
         EXPECT_EQ(i.ComType, 2);
         EXPECT_TRUE(i.Clean);
         EXPECT_EQ(i.Node, 0);
       }},
      {"local, no last name, ASCII",
       ReadLordInfo,
       14,
       {{2, "0"}, {4, "FAIRY NO"}, {7, "Zoe"}, {12, "local"}, {14, "CLEAN MODE OFF"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.Emulation, etASCII);
         EXPECT_FALSE(i.Fairy);
         EXPECT_EQ(i.RealName, "Zoe");
         EXPECT_EQ(i.ComType, 0);
         EXPECT_FALSE(i.Clean);
       }},
      {"WC5",
       ReadLordInfo,
       14,
       {{12, "wc5"}},
       [](const TDoorDropInfo& i) { EXPECT_EQ(i.ComType, 3); }},
      {"an unlisted kind is serial, empty graphics is ANSI",
       ReadLordInfo,
       14,
       {{12, "SSH"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComType, 1);
         EXPECT_EQ(i.Emulation, etANSI);
         EXPECT_EQ(i.Baud, 38400);
       }},
      {"control characters in names",
       ReadLordInfo,
       14,
       {{6,
         "Z\x05"
         "ed"},
        {7, "Z\x7foe"},
        {8, "\x01"}},
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.Alias, "Zed");
         EXPECT_EQ(i.RealName, "Zoe");  // a last name of nothing but control bytes is none
       }},
  });
}

// Fields that a format does not carry keep what they held before reading.
TEST(DropFiles, FieldsAReaderDoesNotSetKeepTheirValues) {
  struct Case {
    const char* what;
    Reader read;
    std::string file;
    std::function<void(const TDoorDropInfo&)> check;
  };
  const Case cases[] = {
      {"DOOR32.SYS", ReadDoor32, "2\n5\n9600\nBBS\n1\nR\nA\n1\n1\n1\n1\n",
       [](const TDoorDropInfo& i) {
         EXPECT_TRUE(i.Fairy);
         EXPECT_TRUE(i.Clean);
       }},
      {"DOOR.SYS on COM0:", ReadDoorSys, "COM0:\n",
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComType, 2);
         EXPECT_TRUE(i.Fairy);
         EXPECT_TRUE(i.Clean);
       }},
      {"DORINFO1.DEF on COM0", ReadDorInfo, "\n\n\nCOM0\n",
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.ComType, 2);
         EXPECT_EQ(i.Node, 9);
         EXPECT_EQ(i.RecPos, 5);
         EXPECT_TRUE(i.Fairy);
         EXPECT_TRUE(i.Clean);
       }},
      {"INFO.1", ReadLordInfo, "1\n",
       [](const TDoorDropInfo& i) {
         EXPECT_EQ(i.Node, 9);
         EXPECT_EQ(i.Access, 70);
       }},
  };
  for (const Case& c : cases) {
    FakePlatform fake;
    const std::string path = fake.gameDir + "dropfile";
    std::ofstream(path, std::ios::binary) << c.file;
    DoorDropInfo.ComType = 2;
    DoorDropInfo.Node = 9;
    DoorDropInfo.RecPos = 5;
    DoorDropInfo.Access = 70;
    DoorDropInfo.Fairy = true;
    DoorDropInfo.Clean = true;
    c.read(path);
    SCOPED_TRACE(c.what);
    c.check(DoorDropInfo);
  }
}

TEST(DropFiles, AFileThatCannotBeReadChangesNothing) {
  for (Reader read : {ReadDoor32, ReadDoorSys, ReadDorInfo, ReadLordInfo}) {
    FakePlatform fake;
    DoorDropInfo.Alias = "kept";
    DoorDropInfo.ComNum = 42;
    read(fake.gameDir + "missing.sys");
    read(fake.gameDir);  // a folder
    EXPECT_EQ(DoorDropInfo.Alias, "kept");
    EXPECT_EQ(DoorDropInfo.ComNum, 42);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 3600);
  }
}

}  // namespace

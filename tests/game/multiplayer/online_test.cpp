#include "game/multiplayer/online.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "doorkit/door.h"
#include "game/common/datafile.h"
#include "game/common/globals.h"
#include "game/multiplayer/lobby.h"
#include "support/engine_support.h"  // A: the bytes of DoorTextAttr
#include "support/fake_files.h"
#include "support/fake_platform.h"
#include "support/file_text.h"

namespace {

const std::string E = "\x1b[";
const std::string kRule(44, '-');

// The fake clock starts at 9-12-26 12:00:00.
class OnlineTest : public ::testing::Test {
 protected:
  FakePlatform fake;
  OnlineTest() {
    DoorSession.PipeWrite = false;
    HoldAliasForWrite = "Bob";
  }
  ~OnlineTest() override {
    HoldAliasForWrite.clear();
    OnlinePlayers.clear();
    OnlinePlayerCount = 0;
  }

  static void Put(const std::string& text) { PutText(GetOnlineFile(), text); }
  static std::string Get() { return TextOf(GetOnlineFile()); }
};

TEST_F(OnlineTest, LoadsWhatTheFileHoldsAndSavesItBack) {
  struct Case {
    const char* what;
    std::string file, saved;
  } cases[] = {
      {"two entries", "Ann\n9-12-26 11:58:00\nCid\n8-12-26\n",
       "Ann\n9-12-26 11:58:00\nCid\n8-12-26\n"},
      {"damaged date", "Ann\n31-2-26 11:58:00\nCid\n9-12-26 11:59:00\n",
       "Ann\n9-12-26 12:00:00\nCid\n9-12-26 11:59:00\n"},
      {"date missing at the end", "Ann\n9-12-26 11:58:00\nCid\n",
       "Ann\n9-12-26 11:58:00\nCid\n9-12-26 12:00:00\n"},
      {"empty lines between entries", "\nAnn\n9-12-26 11:58:00\n\n\nCid\n9-12-26 11:59:00\n\n",
       "Ann\n9-12-26 11:58:00\nCid\n9-12-26 11:59:00\n"},
      // The line after an alias is its date, even when empty; an alias
      // cannot be empty, so the line after that starts the next entry.
      {"empty date line", "Ann\n\nCid\n9-12-26 11:59:00\n",
       "Ann\n9-12-26 12:00:00\nCid\n9-12-26 11:59:00\n"},
      {"CRLF line ends", "Ann\r\n9-12-26 11:58:00\r\n", "Ann\n9-12-26 11:58:00\n"},
      // Aliases are shown on the list screen: no control codes reach it.
      {"control characters in aliases",
       "A\x1b[2Jnn\n9-12-26 11:58:00\n\x07\x7f\n9-12-26 11:58:30\nCid\n9-12-26 11:59:00\n",
       "A[2Jnn\n9-12-26 11:58:00\nCid\n9-12-26 11:59:00\n"},
      // A record that cannot be read does not shift the ones after it.
      {"blank alias before its date", "\n9-12-26 11:58:00\nCid\n9-12-26 11:59:00\n",
       "Cid\n9-12-26 11:59:00\n"},
      {"a date without its alias",
       "Ann\n9-12-26 11:58:00\n9-12-26 11:58:30\nCid\n9-12-26 11:59:00\n",
       "Ann\n9-12-26 11:58:00\nCid\n9-12-26 11:59:00\n"},
      {"an alias without its date line", "Ann\nCid\n9-12-26 11:59:00\n",
       "Ann\n9-12-26 12:00:00\nCid\n9-12-26 11:59:00\n"},
      {"empty file", "", ""},
  };
  for (const Case& c : cases) {
    Put(c.file);
    LoadOnlinePlayers();
    EXPECT_EQ(OnlinePlayerCount, static_cast<int32_t>(OnlinePlayers.size())) << c.what;
    ASSERT_TRUE(SaveOnlinePlayers());
    EXPECT_EQ(Get(), c.saved) << c.what;
  }
  DeleteFile(GetOnlineFile());
  LoadOnlinePlayers();
  EXPECT_EQ(OnlinePlayerCount, 0);
  EXPECT_TRUE(OnlinePlayers.empty());
}

TEST_F(OnlineTest, ExpiryDropsEntriesIdleForMoreThanFiveMinutes) {
  Put("Old\n9-12-26 11:54:59\nAnn\n9-12-26 11:55:01\nOlder\n8-12-26 12:00:00\n"
      "Cid\n9-12-26 11:59:00\nAhead\n9-12-26 13:00:00\n");
  CleanupExpiredOnlinePlayers();
  EXPECT_EQ(Get(), "Ann\n9-12-26 11:55:01\nCid\n9-12-26 11:59:00\nAhead\n9-12-26 13:00:00\n");
  EXPECT_EQ(OnlinePlayerCount, 3);
}

TEST_F(OnlineTest, ExpiryWritesTheFileEvenWhenNothingExpired) {
  CleanupExpiredOnlinePlayers();
  EXPECT_EQ(Get(), "");
}

TEST_F(OnlineTest, MarkingActivityRefreshesTheCallersEntryInPlace) {
  Put("Ann\n9-12-26 11:58:00\nBob\n9-12-26 11:57:00\nbob\n9-12-26 11:57:00\n"
      "Gone\n9-12-26 11:50:00\n");
  fake.Advance(30000);
  UpdatePlayerOnlineStatus();
  EXPECT_EQ(Get(), "Ann\n9-12-26 11:58:00\nBob\n9-12-26 12:00:30\nbob\n9-12-26 11:57:00\n");
  HoldAliasForWrite = "Dee";
  UpdatePlayerOnlineStatus();
  EXPECT_EQ(Get(),
            "Ann\n9-12-26 11:58:00\nBob\n9-12-26 12:00:30\nbob\n9-12-26 11:57:00\n"
            "Dee\n9-12-26 12:00:30\n");
  EXPECT_EQ(OnlinePlayerCount, 4);
}

// Standard I/O with a node number alone gives no alias. Such a caller is
// not listed: two short sessions used to leave a blank line and a date on
// file, read back as phantom players.
TEST_F(OnlineTest, ACallerWithoutAnAliasIsNotListedButSeesTheOthers) {
  Put("Ann\n9-12-26 11:58:00\n");
  HoldAliasForWrite = "";
  for (int session = 0; session < 2; ++session) {
    UpdatePlayerOnlineStatus();
    EXPECT_EQ(Get(), "Ann\n9-12-26 11:58:00\n");
    EXPECT_TRUE(SomeoneElseOnline());
    RemovePlayerFromOnline();
    fake.Advance(1000);
  }
  HoldAliasForWrite = "Ann";
  UpdatePlayerOnlineStatus();
  EXPECT_EQ(OnlinePlayerCount, 1);
  EXPECT_FALSE(SomeoneElseOnline());
  // Nothing the list cannot read back is written, whoever put it in.
  OnlinePlayers.push_back(TOnlinePlayer{"", Now()});
  OnlinePlayers.push_back(TOnlinePlayer{"Cy\nd", Now()});
  ASSERT_TRUE(SaveOnlinePlayers());
  EXPECT_EQ(Get(), "Ann\n9-12-26 12:00:02\n");
}

TEST_F(OnlineTest, LeavingRemovesOnlyTheCallersFirstEntry) {
  // Expired entries stay: leaving prunes nothing else.
  Put("Old\n9-12-26 11:00:00\nBob\n9-12-26 11:59:00\nBOB\n9-12-26 11:59:00\n"
      "Bob\n9-12-26 11:58:00\n");
  RemovePlayerFromOnline();
  EXPECT_EQ(Get(), "Old\n9-12-26 11:00:00\nBOB\n9-12-26 11:59:00\nBob\n9-12-26 11:58:00\n");
  DeleteFile(GetOnlineFile());
  RemovePlayerFromOnline();
  EXPECT_EQ(Get(), "");
}

std::string Heading() {
  const std::string title = "* Who is Online in G&S *";  // 24 characters: column 28
  return E + "2J" + E + "1;1f" + "\r\n" + A(15) + E + "255D" + E + "27C" + title + "\r\n\r\n";
}

TEST_F(OnlineTest, ListScreenByteForByte) {
  // Minutes round to the nearest, halves to even: 2:29 and 2:30 are 2, 3:30
  // is 4, 0:30 is 0 (active now) and 0:31 is 1. A damaged date reads as now;
  // an entry idle for 5:01 is gone; a long alias is not cut.
  Put("Bob\n9-12-26 11:59:40\n"
      "Ann\n9-12-26 11:57:31\n"
      "Cid\n9-12-26 11:57:30\n"
      "Dee\n9-12-26 11:56:30\n"
      "Eve\n9-12-26 11:59:30\n"
      "Fay\n9-12-26 11:59:29\n"
      "Gone\n9-12-26 11:54:59\n"
      "Lord Wigglesworth-Smythe the Third\n9-12-26 11:55:00\n"
      "Hal\nnot a date\n");
  fake.Keys("x");
  ShowWhoIsOnline();
  EXPECT_EQ(fake.TakeOut(), Heading() + A(10) + "Player                         Last Activity\r\n" +
                                kRule + "\r\n" +
                                "Bob                            Active now\r\n"
                                "Ann                            2 minute(s) ago\r\n"
                                "Cid                            2 minute(s) ago\r\n"
                                "Dee                            4 minute(s) ago\r\n"
                                "Eve                            Active now\r\n"
                                "Fay                            1 minute(s) ago\r\n"
                                "Lord Wigglesworth-Smythe the Third 5 minute(s) ago\r\n"
                                "Hal                            Active now\r\n" +
                                kRule + "\r\n\r\n" + A(14) + "8 player(s) online\r\n" + "\r\n" +
                                A(10) + "Press any key...");
  EXPECT_FALSE(DoorKeyPressed());  // the key was read
  EXPECT_EQ(Get().find("Gone"), std::string::npos);
}

TEST_F(OnlineTest, ListScreenWithNobodyOnline) {
  fake.Keys("x");
  ShowWhoIsOnline();
  EXPECT_EQ(fake.TakeOut(), Heading() + A(14) + "No players currently online.\r\n\r\n" + A(10) +
                                "Press any key...");
  EXPECT_EQ(Get(), "");  // the expiry step wrote the file
}

}  // namespace

// A change of the list that fails is told where the screen tells failures
// (the list screen, the lobby), once, with the system's message, and is in
// the sysop's log.
TEST_F(OnlineTest, AFailedChangeOfTheListIsShownOnceAndLogged) {
  using Op = FakeFileSystem::Op;
  FakeFileSystem files;
  files.AddFolder(fake.gameDir);
  struct Case {
    Op op;
    int err;
    std::string line, log;
  } const cases[] = {
      {Op::Write, ENOSPC, "written (No space left on device)",
       "Could not write " + fake.gameDir + "qgs-online.dat: No space left on device"},
      {Op::Rename, EIO, "written (Input/output error)",
       "Could not write " + fake.gameDir + "qgs-online.dat: Input/output error"},
      {Op::Lock, ENOLCK, "locked (No locks available)",
       "Could not lock " + fake.gameDir + "qgs-online.dat.lock: No locks available"},
  };
  const std::string press = A(10) + "Press any key...";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    files.FailAlways(c.op, c.err);
    fake.Keys("x");
    ShowWhoIsOnline();
    files.ClearFaults();
    const std::string error = A(12) +
                              "Error: Could not update the online list, the file could not be " +
                              c.line + "!\r\n";
    EXPECT_EQ(fake.TakeOut(),
              Heading() + A(14) + "No players currently online.\r\n\r\n" + error + press);
    EXPECT_NE(files.Get(fake.gameDir + "qgs.log").find(c.log), std::string::npos)
        << files.Get(fake.gameDir + "qgs.log");
    fake.Keys("x");
    ShowWhoIsOnline();  // written now: no line
    EXPECT_EQ(fake.TakeOut().find("Error:"), std::string::npos);
    files.Remove(GetOnlineFile());
  }
  // The lobby's own refresh of the caller's entry.
  files.FailAlways(Op::Write, ENOSPC);
  fake.Keys("q");
  ShowMultiplayerMenu();
  files.ClearFaults();
  const std::string lobby = fake.TakeOut();
  const std::string error = A(12) +
                            "Error: Could not update the online list, the file could not be "
                            "written (No space left on device)!\r\n";
  EXPECT_NE(lobby.find("You may join up to 10.\r\n" + error), std::string::npos) << lobby;
  EXPECT_EQ(lobby.find(error), lobby.rfind(error));
}

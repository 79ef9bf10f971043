#include "game/multiplayer/lobby.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "doorkit/door.h"
#include "storage_support.h"
#include "support/engine_support.h"

namespace {

const std::string E = "\x1b[";
const std::string kClear = E + "2J" + E + "1;1f";

const char* const kLabels[7] = {"Games in progress           : ", "Games needing more players  : ",
                                "You are involved in games   : ", "It is your turn in games    : ",
                                "You are active in games     : ", "You are eliminated in games : ",
                                "Completed games             : "};
const int kColours[7] = {14, 14, 11, 14 + 128, 11, 12, 13};

class LobbyTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    DoorSession.PipeWrite = false;
    DoorSession.TimeOn = fake.Now();
    DoorDropInfo.MaxSeconds = 3600;
  }

  void Put(const std::string& dir, const G& g, const std::string& winner = "") {
    TPvPGameState s = Make(g);
    s.Winner = winner;
    ASSERT_TRUE(s.SaveToFile(dir + Name(g.id)));
  }

  // The lobby's bytes, given each list's lines as the screen shows them
  // (continuation lines already indented) and the royalty text.
  static std::string Lobby(const std::string& royalty, const std::vector<std::string>& lists,
                           int active, int maxGames = 10) {
    std::string s = kClear + "\r\n" + A(13) + "December Royalty - " + A(15) + royalty + "\r\n\r\n";
    for (int i = 0; i < 7; ++i) {
      const bool afterBlink = i > 0 && (kColours[i - 1] & 128) != 0;
      s += A(10, afterBlink) + kLabels[i] + A(kColours[i]) + lists[i] + "\r\n";
    }
    return s + "\r\n" + A(14) + "You are currently active in " + std::to_string(active) +
           " games.  You may join up to " + std::to_string(maxGames) + ".\r\n";
  }
};

TEST_F(LobbyTest, AnEmptyLobbyShowsNoneInEveryList) {
  Config.MaxGames = 3;
  ShowGameLobby();
  EXPECT_EQ(fake.TakeOut(), Lobby("No one yet", std::vector<std::string>(7, "(none)"), 0, 3));
}

TEST_F(LobbyTest, ThirtyGamesWrapAtFortyEightColumnsInNumberOrder) {
  // Named so that the folder lists them out of number order (1, 10, 11, ...).
  for (int n = 1; n <= 30; ++n) {
    Put(GetActiveGamesDir(),
        {.id = "g" + std::to_string(n), .number = n, .turn = "Bob", .p1 = "Bob", .p2 = "Cy"});
  }
  ShowGameLobby();
  const std::string inProgress = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19\r\n" +
                                 std::string(30, ' ') + "20 21 22 23 24 25 26 27 28 29 30";
  std::vector<std::string> lists(7, "(none)");
  lists[0] = inProgress;
  EXPECT_EQ(fake.TakeOut(), Lobby("No one yet", lists, 0));
}

TEST_F(LobbyTest, TheCallersGamesAfterTheExpiryPass) {
  Config.DaysUntilExpire = 3;
  const std::string active = GetActiveGamesDir(), done = GetCompletedGamesDir();
  Put(active, {.id = "a", .number = 3, .status = gsWaitingForPlayers, .turn = "", .p2 = ""});
  Put(active,
      {.id = "b", .number = 7, .status = gsWaitingForPlayers, .turn = "", .p1 = "Bob", .p2 = ""});
  Put(active, {.id = "c", .number = 12, .turn = "Ann"});
  Put(active, {.id = "d",
               .number = 5,
               .turn = "Bob",
               .p1 = "Bob",
               .p2 = "Ann",
               .name1 = "King Bob",
               .name2 = "Queen Ann"});
  Put(active, {.id = "e", .number = 1, .turn = "Cy", .p1 = "ann", .p2 = "Cy"});  // not the caller
  // Finished but still in "active" (its move cut short): the pass moves it on.
  Put(active, {.id = "f", .number = 20, .status = gsCompleted});
  // Idle past the limit in month 5 with Bob to move: Bob forfeits to Ann.
  Put(active, {.id = "g", .number = 8, .month = 5, .idleSeconds = 4 * kDay, .turn = "Bob"});
  Put(done, {.id = "h", .number = 9, .status = gsCompleted, .idleSeconds = 2 * kDay}, "Queen Ann");
  Put(done,
      {.id = "i",
       .number = 2,
       .status = gsCompleted,
       .idleSeconds = kDay,
       .p1 = "Bob",
       .p2 = "Ann",
       .name1 = "King Bob",
       .name2 = "Queen Ann"},
      "King Bob");
  Put(done, {.id = "j", .number = 4, .status = gsAbandoned, .idleSeconds = 3 * kDay});
  Put(done, {.id = "k", .number = 6, .status = gsCompleted, .idleSeconds = 15 * kDay / 2});

  TGameLists lists = ShowGameLobby();
  const std::vector<std::string> shown = {"1 5 12", "3 7",    "2 3 4 5 8 9 12 20", "12",
                                          "3 5 12", "2 4 20", "2 4 8 9 20"};
  // The forfeit is ranked before the royalty is read.
  EXPECT_EQ(fake.TakeOut(), Lobby("Ann (wins) / No one yet (%)", shown, 3));
  // The lists hold the games as read, and the games are the lobby's own.
  ASSERT_EQ(lists.YourTurn.size(), 1u);
  EXPECT_EQ(lists.YourTurn[0].State->GameID, "c");
  EXPECT_EQ(lists.Games.Completed.size(), 5u);
}

TEST_F(LobbyTest, SortingGoesByValueAndCarriesTheGames) {
  const TPvPGameState a, b, c, d, e;
  TGameNumberList list = {{"10", &a}, {"x", &b}, {"9", &c}, {"-1", &d}, {"1000000", &e}};
  SortGamesByNumber(list);
  std::vector<std::string> texts;
  for (const TGameNumberEntry& entry : list) texts.push_back(entry.Text);
  // What is no number counts as 999999.
  EXPECT_EQ(texts, (std::vector<std::string>{"-1", "9", "10", "x", "1000000"}));
  EXPECT_EQ(list[1].State, &c);
  EXPECT_EQ(list[3].State, &b);
}

TEST_F(LobbyTest, ALongEntryStandsOnItsOwnLine) {
  const std::string wide(48, '7');
  WriteWrappedGameList(10, 12, "L: ", {{"1", nullptr}, {wide, nullptr}, {"2", nullptr}}, true);
  EXPECT_EQ(fake.TakeOut(), A(10) + "L: " + A(140) + "1\r\n   " + wide + "\r\n   2\r\n");
}

// The menu under the lobby, from the empty line after it.
std::string Menu(const std::string& online, const std::string& time, char key) {
  std::string s = "\r\n";
  const std::pair<int, const char*> items[] = {
      {14, "  [C] Create New Game                    "},
      {11, "  [J] Join Open Game                     "},
      {10, "  [P] Play Your Turn (Press ENTER to Refresh Game Status)"},
      {13, "  [V] View Detailed Game Info            "},
      {9, "  [R] PvP Rankings (Monthly/All-Time)    "}};
  for (auto [attr, text] : items) s += A(attr) + "  " + text + "\r\n";
  s += A(3) + "    [W] Who is Online" + online + "\r\n";
  s += A(12) + "    [Q] Quit to Main Menu                  \r\n";
  return s + A(15) + "\r\n" + A(11) + "Time:" + A(10) + " " + time + "  " + A(14) +
         "*  C,J,P,V,R,W,Q -=> " + key + "\r\n";
}

std::string AfterLobby(const std::string& out) {
  const std::string end = "You may join up to 10.\r\n";
  const size_t at = out.find(end);
  return at == std::string::npos ? out : out.substr(at + end.size());
}

TEST_F(LobbyTest, TheMenuSaysWhenSomeoneElseIsOnline) {
  struct Case {
    const char* name;
    const char* onlineFile;  // "" for none
    int32_t secondsUsed;
    std::string online, time;
  };
  const Case cases[] = {
      {"nobody else", "", 0, "", "60:00"},
      {"only an expired caller", "Bob\n9-12-26 11:54:59\n", 61, "", "58:59"},
      {"Bob a minute ago", "Bob\n9-12-26 11:59:00\n", 3599, A(15) + "  (You are not alone)",
       "0:01"},
      // Standard I/O runs no time-up check: the clock may run past the end.
      {"time run out", "", 3690, "", "0:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(fake.gameDir + "qgs-online.dat") << c.onlineFile;
    DoorSession.TimeOn = fake.Now() - c.secondsUsed / 86400.0;
    fake.Keys("v");
    EXPECT_EQ(ShowMultiplayerMenu(), 'V');
    EXPECT_EQ(AfterLobby(fake.TakeOut()), Menu(c.online, c.time, 'V'));
  }
}

// Counts the files renamed into place in a folder: every rewrite of a data
// file is a temporary file renamed over the old one, so one rename is one
// write (and one sync).
class RenameCounter {
 public:
  explicit RenameCounter(const std::string& dir) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    EXPECT_GE(fd_, 0);
    EXPECT_GE(inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO), 0);
  }
  ~RenameCounter() { close(fd_); }
  // The renames onto `name` since the last call.
  int Take(const std::string& name) {
    int count = 0;
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = read(fd_, buf, sizeof buf)) > 0;) {
      for (char* at = buf; at < buf + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(at);
        if (e->len > 0 && name == e->name) ++count;
        at += sizeof(inotify_event) + e->len;
      }
    }
    return count;
  }

 private:
  int fd_;
};

TEST_F(LobbyTest, AMenuDrawRewritesTheOnlineListOnceAndOnlyWhenItChanges) {
  std::ofstream(fake.gameDir + "qgs-online.dat")
      << "Bob\n9-12-26 11:59:00\nOld\n9-12-26 11:50:00\n";
  RenameCounter renames(fake.gameDir);
  const struct {
    const char* what;
    int64_t advanceMs;
    int writes;
    const char* file;
  } draws[] = {
      {"the caller is added and Old expires", 0, 1,
       "Bob\n9-12-26 11:59:00\nAnn\n9-12-26 12:00:00\n"},
      {"the same second again: nothing to write", 0, 0,
       "Bob\n9-12-26 11:59:00\nAnn\n9-12-26 12:00:00\n"},
      {"half a minute on: the caller's time", 30000, 1,
       "Bob\n9-12-26 11:59:00\nAnn\n9-12-26 12:00:30\n"},
      {"five minutes on: Bob expires as well", 300000, 1, "Ann\n9-12-26 12:05:30\n"},
  };
  for (const auto& d : draws) {
    SCOPED_TRACE(d.what);
    fake.Advance(d.advanceMs);
    fake.Keys("x");
    ShowMultiplayerMenu();
    EXPECT_EQ(renames.Take("qgs-online.dat"), d.writes);
    std::ifstream in(fake.gameDir + "qgs-online.dat");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), d.file);
    const bool others = std::string(d.file).find("Bob") != std::string::npos;
    EXPECT_EQ(fake.TakeOut().find("(You are not alone)") != std::string::npos, others);
  }
}

TEST_F(LobbyTest, EnteringDrawsTheFirstMenuFromTheEntrysExpiryPass) {
  Config.DaysUntilExpire = 3;
  auto lay = [&] {
    std::filesystem::remove_all(fake.gameDir + "games");
    std::filesystem::remove(fake.gameDir + "qgs-online.dat");
    InitializeGameDirs();
    Put(GetActiveGamesDir(), {.id = "a", .number = 1, .month = 5, .idleSeconds = 4 * kDay});
    Put(GetActiveGamesDir(), {.id = "b", .number = 2});
    Put(GetCompletedGamesDir(), {.id = "c", .number = 3, .status = gsCompleted}, "King Bob");
    fake.Seed(3);
    fake.drawsAsked.clear();
    fake.Keys("q");
  };
  lay();
  CleanupExpiredGames();
  ShowMultiplayerMenu();
  const std::string twoPasses = fake.TakeOut();
  const std::vector<int64_t> twoPassDraws = fake.drawsAsked;

  lay();
  ShowMultiplayerMenu(CleanupAndScanGames());
  EXPECT_EQ(fake.TakeOut(), twoPasses);
  EXPECT_EQ(fake.drawsAsked, twoPassDraws);
  EXPECT_NE(twoPasses.find("Completed games             : " + A(13) + "1 3\r\n"),
            std::string::npos);
}

}  // namespace

#include "game/multiplayer/newgame.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "game/common/datafile.h"
#include "play_support.h"

namespace {

const std::string kTitlePrompt = A(10) + "Art thou a [K] King or a [Q] Queen? -=> " + A(2);
const std::string kNamePrompt = A(10) + "What name shall you be known by sire? -=> " + A(2);
const std::string kNoName = CRLF + A(12) + "You must enter a name!" + CRLF;
const std::string kPressAnyKey = "Press any key...";

// What follows the last line editor field of a screen.
std::string AfterLastField(const std::string& out, int attr) {
  const size_t at = out.rfind(FieldEnd(attr));
  return at == std::string::npos ? out : out.substr(at + FieldEnd(attr).size());
}

std::string UpToFirst(const std::string& out, const std::string& what) {
  const size_t at = out.find(what);
  return at == std::string::npos ? out : out.substr(0, at + what.size());
}

class NewGameTest : public PlayTest {};

TEST_F(NewGameTest, CreatingAsksTitleAndNameAndWritesAWaitingGame) {
  Put({.id = "20261201080000", .status = gsWaitingForPlayers, .p1 = "Bob", .p2 = "", .turn = ""});
  // The scan of Ann's games, her kingdom's nine forces, the GameID's
  // number, the turn order, then the game-number scan.
  fake.Draws({0, 100, 200, 300, 10, 1, 2, 5, 400, 5000, 42, 1, 0});
  fake.Keys(std::string("xq") + "\x19   \r" + "\x19  guinevere of   york \r" + "k");
  CreateNewPvPGame();

  const std::string out = fake.TakeOut();
  EXPECT_EQ(UpToFirst(out, kNamePrompt), kClear + CRLF + A(15) + "  CREATE NEW MULTIPLAYER GAME" +
                                             CRLF + CRLF + kTitlePrompt + "X" + CRLF + CRLF +
                                             kTitlePrompt + "Q" + CRLF + CRLF + kNamePrompt);
  // A blank name is asked for again, after an empty line.
  EXPECT_EQ(Count(out, FieldEnd(2) + kNoName + CRLF + kNamePrompt), 1u);
  EXPECT_EQ(AfterLastField(out, 2),
            CRLF + CRLF + A(10) + "Game 2 created successfully!" + CRLF + CRLF + A(14) +
                "Status: Waiting for opponent..." + CRLF + CRLF + A(11) +
                "Other players can now join this game from the multiplayer menu." + CRLF + CRLF +
                kPressAnyKey);
  EXPECT_FALSE(fake.ConsoleKeyPressed());

  ASSERT_TRUE(Player);
  EXPECT_EQ(Player->GetFullName(), "Queen Guinevere Of   York");
  EXPECT_TRUE(Player->IsPlayer);
  const TPvPGameState game = Read(Active("2026120912000042"));
  EXPECT_EQ(game.GameID, "2026120912000042");
  EXPECT_EQ(game.GameNumber, 2);
  EXPECT_EQ(game.GameType, gtMultiplayer);
  EXPECT_EQ(game.Status, gsWaitingForPlayers);
  EXPECT_EQ(game.MaxPlayers, 2);
  EXPECT_EQ(game.CurrentPlayers, 1);
  EXPECT_EQ(game.MonthNumber, 1);
  EXPECT_EQ(game.TurnOrder[0], 2);
  EXPECT_EQ(game.TurnOrder[1], 1);
  EXPECT_EQ(game.Player1Alias, "Ann");
  EXPECT_EQ(game.Player1DisplayName, "Guinevere Of   York");
  EXPECT_EQ(game.Player1Title, "Queen");
  EXPECT_EQ(Kingdom(game, 1), (Counters{.Kastle = 12600,
                                        .Soldiers = 1950,
                                        .Civilians = 12800,
                                        .Gronels = 210,
                                        .Slingards = 1,
                                        .Assassins = 3,
                                        .Guards = 13,
                                        .Gold = 17900,
                                        .Food = 205000}));
  EXPECT_EQ(game.Player2Alias, "");
  EXPECT_EQ(game.CurrentTurnAlias, "");
  EXPECT_EQ(game.CreatedDate, fake.Now());
}

TEST_F(NewGameTest, TheFirstDrawDecidesTheTurnOrder) {
  for (int draw : {0, 1}) {
    SCOPED_TRACE(draw);
    std::filesystem::remove_all(fake.gameDir + "games");
    InitializeGameDirs();
    fake.Draws({0, 0, 0, 0, 0, 0, 0, 0, 0, 7, draw});
    fake.Keys("K\rk");  // the caller's alias as the name
    CreateNewPvPGame();
    const TPvPGameState game = Read(Active("202612091200007"));
    EXPECT_EQ(game.TurnOrder[0], draw == 0 ? 1 : 2);
    EXPECT_EQ(game.TurnOrder[1], draw == 0 ? 2 : 1);
    EXPECT_EQ(game.Player1DisplayName, "Ann");
    EXPECT_EQ(game.Player1Title, "King");
  }
}

TEST_F(NewGameTest, NeitherCreatingNorJoiningBeyondTheLimit) {
  Config.MaxGames = 2;
  Put({.id = "1", .status = gsWaitingForPlayers, .p2 = "", .turn = ""});
  Put({.id = "2", .p1 = "Bob", .p2 = "Ann", .turn = "Bob"});
  Put({.id = "3", .status = gsWaitingForPlayers, .p1 = "Cid", .p2 = "", .turn = ""});
  const std::string refusal = A(12) + "You are already in 2 games." + CRLF +
                              "Maximum allowed is 2." + CRLF + CRLF + kPressAnyKey;
  fake.Keys("xy");
  CreateNewPvPGame();
  EXPECT_EQ(fake.TakeOut(),
            kClear + CRLF + A(15) + "  CREATE NEW MULTIPLAYER GAME" + CRLF + CRLF + refusal);
  JoinPvPGame();
  EXPECT_EQ(fake.TakeOut(),
            kClear + CRLF + A(15) + "  OPEN GAMES WAITING FOR OPPONENT" + CRLF + CRLF + refusal);
  EXPECT_FALSE(fake.ConsoleKeyPressed());
  EXPECT_EQ(Read(Active("3")).Status, gsWaitingForPlayers);

  // One game fewer and both go on to their questions.
  std::filesystem::remove(Active("1"));
  fake.Keys("1\rk\rk");
  JoinPvPGame();
  EXPECT_EQ(Read(Active("3")).Player2Alias, "Ann");
}

TEST_F(NewGameTest, NoOpenGames) {
  Put({.id = "1", .status = gsWaitingForPlayers, .p2 = "", .turn = ""});  // Ann's own
  Put({.id = "2", .p1 = "Bob", .p2 = "Cid", .turn = "Bob"});
  fake.Keys("x");
  JoinPvPGame();
  EXPECT_EQ(fake.TakeOut(), kClear + CRLF + A(15) + "  OPEN GAMES WAITING FOR OPPONENT" + CRLF +
                                CRLF + A(14) + "No open games available. Create a new game!" +
                                CRLF + CRLF + kPressAnyKey);
}

class JoinTest : public NewGameTest {
 protected:
  void SetUp() override {
    NewGameTest::SetUp();
    HoldAliasForWrite = "sir ann";
    Put({.id = "20261201080000",
         .status = gsWaitingForPlayers,
         .p1 = "Bob",
         .p2 = "",
         .turn = "",
         .createdDaysAgo = 2.5 / 24});
    Put({.id = "20261201080001",
         .status = gsWaitingForPlayers,
         .p1 = "sir ann",
         .p2 = "",
         .turn = ""});
    Put({.id = "20261201080002", .p1 = "Bob", .p2 = "Cid", .turn = "Bob"});
    Put({.id = "20261201080003",
         .status = gsWaitingForPlayers,
         .p1 = "Dan",
         .p2 = "",
         .name1 = "Dagonet",
         .turn = "",
         .order0 = 2,
         .createdDaysAgo = 59.0 / 86400});
  }
  const std::string kList = kClear + CRLF + A(15) + "  OPEN GAMES WAITING FOR OPPONENT" + CRLF +
                            CRLF + A(10) + "[1] Bob (Created 2 hours ago)" + CRLF +
                            "[2] Dan (Created just now)" + CRLF + CRLF + A(14) +
                            "Select game to join [1-2] or [ENTER] to cancel: ";
};

TEST_F(JoinTest, JoiningSeatsTheCallerAndNamesTheFirstMover) {
  // Two scans of the four games, then the kingdom's forces.
  fake.Draws({0, 0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 40, 1, 3, 14, 2499, 99999});
  fake.Keys("2\rk\x19 \r\rx");
  JoinPvPGame();

  const std::string out = fake.TakeOut();
  EXPECT_EQ(UpToFirst(out, "cancel: "), kList);
  EXPECT_EQ(Count(out, FieldEnd(14) + CRLF + kTitlePrompt + "K" + CRLF + CRLF + kNamePrompt), 1u);
  // A blank name is asked for again, with no empty line before the prompt.
  EXPECT_EQ(Count(out, FieldEnd(2) + kNoName + kNamePrompt), 1u);
  EXPECT_EQ(AfterLastField(out, 2), CRLF + CRLF + A(10) + "Successfully joined game!" + CRLF +
                                        CRLF + A(14) + "Opponent: Dan" + CRLF +
                                        "First turn: sir ann" + CRLF + CRLF + kPressAnyKey);
  EXPECT_FALSE(fake.ConsoleKeyPressed());

  ASSERT_TRUE(Player);
  EXPECT_EQ(Player->GetFullName(), "King Sir Ann");
  const TPvPGameState game = Read(Active("20261201080003"));
  EXPECT_EQ(game.Status, gsInProgress);
  EXPECT_EQ(game.CurrentPlayers, 2);
  EXPECT_EQ(game.Player2Alias, "sir ann");
  EXPECT_EQ(game.Player2DisplayName, "Sir Ann");
  EXPECT_EQ(game.Player2Title, "King");
  EXPECT_EQ(Kingdom(game, 2), (Counters{.Kastle = 12510,
                                        .Soldiers = 1770,
                                        .Civilians = 12530,
                                        .Gronels = 240,
                                        .Slingards = 1,
                                        .Assassins = 4,
                                        .Guards = 22,
                                        .Gold = 19999,
                                        .Food = 299999}));
  EXPECT_EQ(game.CurrentTurnAlias, "sir ann");  // turn order (2, 1)
  EXPECT_EQ(game.MonthNumber, 1);
  EXPECT_EQ(game.LastMoveDate, fake.Now() - 1);
  EXPECT_EQ(Kingdom(game, 1), Worked());
  EXPECT_EQ(Read(Active("20261201080000")).Status, gsWaitingForPlayers);
}

TEST_F(JoinTest, NoChoiceReturnsAtOnce) {
  for (const char* typed : {"\r", "0\r", "3\r", "999\r"}) {
    SCOPED_TRACE(typed);
    Player = TPlayer::Create("King", "Kept", true);
    const TPlayer* before = Player.get();
    fake.Keys(std::string(typed) + "z");
    JoinPvPGame();
    const std::string out = fake.TakeOut();
    EXPECT_EQ(UpToFirst(out, "cancel: "), kList);
    EXPECT_EQ(AfterLastField(out, 14), "");
    EXPECT_EQ(Player.get(), before);
    ASSERT_TRUE(fake.ConsoleKeyPressed());
    DoorReadKey();
  }
  EXPECT_EQ(Read(Active("20261201080000")).Status, gsWaitingForPlayers);
  EXPECT_EQ(Read(Active("20261201080003")).Status, gsWaitingForPlayers);
}

// Another node acts while the caller answers the questions: the join reads
// the game again and writes nothing over what it finds.
TEST_F(JoinTest, AGameTakenOrGoneMeanwhileIsNotWritten) {
  struct Case {
    const char* name;
    std::function<void()> meanwhile;
    const char* message;
  };
  const std::string game = Active("20261201080000");
  const Case cases[] = {
      {"joined by another caller",
       [&] {
         TPvPGameState s = Read(game);
         s.Player2Alias = "Cid";
         s.Status = gsInProgress;
         s.CurrentTurnAlias = "Bob";
         ASSERT_TRUE(s.SaveToFile(game));
       },
       "Sorry, another player joined that game first!"},
      {"expired to the completed games",
       [&] {
         TPvPGameState s = Read(game);
         s.Status = gsAbandoned;
         ASSERT_TRUE(s.SaveToFile(Completed("20261201080000")));
         std::filesystem::remove(game);
       },
       "Sorry, that game is no longer available!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put({.id = "20261201080000",
         .status = gsWaitingForPlayers,
         .p1 = "Bob",
         .p2 = "",
         .turn = "",
         .createdDaysAgo = 2.5 / 24});
    std::filesystem::remove(Completed("20261201080000"));
    fake.BeforeKey(3, c.meanwhile);  // the King or Queen answer
    fake.Keys("1\rq\rx");
    JoinPvPGame();
    EXPECT_EQ(AfterLastField(fake.TakeOut(), 2),
              CRLF + CRLF + A(12) + c.message + CRLF + CRLF + kPressAnyKey);
    EXPECT_FALSE(fake.ConsoleKeyPressed());
    EXPECT_FALSE(Player) << "the kingdom made for the game is freed";
    if (FileExists(game)) {
      EXPECT_EQ(Read(game).Player2Alias, "Cid");
    } else {
      EXPECT_EQ(Read(Completed("20261201080000")).Player2Alias, "");
    }
  }
}

// A file whose dates cannot be read is listed with the listing's dates (the
// loader's rule); the join writes back that same game, so that the next
// expiry pass does not take it for one from 1899.
TEST_F(JoinTest, AGameWithUnreadableDatesIsJoinedAsItWasListed) {
  const std::string path = Active("20261201080003");
  std::string text;
  ASSERT_TRUE(ReadFileText(path, text));
  std::vector<std::string> lines;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
  }
  ASSERT_GT(lines.size(), 41u);
  lines[39] = "31-31-26 99:99:99";  // the creation date; the two after it go unread
  text.clear();
  for (const std::string& line : lines) text += line + "\n";
  ASSERT_TRUE(WriteFileAtomic(path, text));

  const TDateTime listed = fake.Now();
  fake.Keys("2\rq\r\rx");
  JoinPvPGame();
  const std::string out = fake.TakeOut();
  EXPECT_EQ(UpToFirst(out, "cancel: "), kList);  // "Dan (Created just now)"
  EXPECT_NE(out.find("Successfully joined game!"), std::string::npos);

  const TPvPGameState game = Read(path);
  EXPECT_EQ(game.Status, gsInProgress);
  EXPECT_EQ(game.Player2Alias, "sir ann");
  EXPECT_EQ(Kingdom(game, 1), Worked());  // what the file did hold is kept
  for (TDateTime date : {game.CreatedDate, game.LastMoveDate}) {
    EXPECT_NEAR(date, listed, 1.0 / 86400);
  }
  EXPECT_NEAR(game.TimeoutDate, listed + 7, 1.0 / 86400);
  CleanupExpiredGames();
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(Read(path).Status, gsInProgress);
}

TEST_F(NewGameTest, TimeAgo) {
  struct Case {
    int64_t secondsAgo;
    const char* text;
  };
  const Case cases[] = {
      {0, "just now"},           {59, "just now"},
      {60, "1 minute ago"},      {119, "1 minute ago"},
      {120, "2 minutes ago"},    {3599, "59 minutes ago"},
      {3600, "1 hour ago"},      {90 * 60, "1 hour ago"},
      {2 * 3600, "2 hours ago"}, {86399, "23 hours ago"},
      {86400, "1 day ago"},      {47 * 3600, "1 day ago"},
      {48 * 3600, "2 days ago"}, {400 * 86400, "400 days ago"},
      {-300, "just now"},  // a clock running ahead on another node
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatTimeAgo(fake.Now() - static_cast<double>(c.secondsAgo) / 86400), c.text)
        << c.secondsAgo;
  }
}

}  // namespace

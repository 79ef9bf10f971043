#include "game/multiplayer/gamestate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "game/common/datafile.h"
#include "game/common/datetime.h"
#include "game/kingdom/player.h"
#include "support/fake_platform.h"
#include "support/file_text.h"

namespace {

// Every stored field as text, in file order (dates to the second), so that
// a failed comparison names the field.
std::vector<std::string> Fields(const TPvPGameState& s) {
  std::vector<std::string> f = {
      "id " + s.GameID,
      "number " + std::to_string(s.GameNumber),
      "type " + std::to_string(s.GameType),
      "status " + std::to_string(s.Status),
      "max " + std::to_string(s.MaxPlayers),
      "current " + std::to_string(s.CurrentPlayers),
      "p1 " + s.Player1Alias,
      "p1name " + s.Player1DisplayName,
      "p2 " + s.Player2Alias,
      "p2name " + s.Player2DisplayName,
      "p3 " + s.Player3Alias,
      "p4 " + s.Player4Alias,
      "turn " + s.CurrentTurnAlias,
      "month " + std::to_string(s.MonthNumber),
      "order " + std::to_string(s.TurnOrder[0]) + "," + std::to_string(s.TurnOrder[1]),
      "t1 " + s.Player1Title,
      "t2 " + s.Player2Title,
  };
  for (int32_t v : {s.Player1Score,     s.Player1Kastle,    s.Player1Soldiers,  s.Player1Civilians,
                    s.Player1Gronels,   s.Player1Slingards, s.Player1Assassins, s.Player1Guards,
                    s.Player1Gold,      s.Player1Food,      s.Player2Score,     s.Player2Kastle,
                    s.Player2Soldiers,  s.Player2Civilians, s.Player2Gronels,   s.Player2Slingards,
                    s.Player2Assassins, s.Player2Guards,    s.Player2Gold,      s.Player2Food}) {
    f.push_back(std::to_string(v));
  }
  f.push_back("created " + DateTimeToStr(s.CreatedDate));
  f.push_back("moved " + DateTimeToStr(s.LastMoveDate));
  f.push_back("timeout " + DateTimeToStr(s.TimeoutDate));
  f.push_back("winner " + s.Winner);
  for (const std::string& line : s.LastTurnActions) f.push_back("log " + line);
  return f;
}

TDateTime Date(const char* text) {
  TDateTime t = 0;
  EXPECT_TRUE(TryStrToDateTime(text, t)) << text;
  return t;
}

// The body after the header and game number, shared by the fixtures.
const char* const kSeats = "Ann\nQueen Ann\nBob\nKing Bob\n\n\nBob\n";
const char* const kRest =
    "5\n2\n1\n"
    "Queen\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20\n"
    "King\n-21\n22\n23\n24\n25\n26\n27\n28\n29\n30\n"
    "8-12-26 01:24:35\n9-12-26 10:00:00\n16-12-26\n\n"
    "3\n[ACTION:soldier_attack]\n\n[TEXT:* Monthly Update *]\n";

std::string V12File() {
  return std::string("# QGS PvP Game State v1.2\n2026120801243542\n3\n1\n1\n2\n2\n") + kSeats +
         kRest;
}

TPvPGameState V12State() {
  TPvPGameState s;
  s.GameID = "2026120801243542";
  s.GameNumber = 3;
  s.GameType = gtMultiplayer;
  s.Status = gsInProgress;
  s.MaxPlayers = 2;
  s.CurrentPlayers = 2;
  s.Player1Alias = "Ann";
  s.Player1DisplayName = "Queen Ann";
  s.Player2Alias = "Bob";
  s.Player2DisplayName = "King Bob";
  s.CurrentTurnAlias = "Bob";
  s.MonthNumber = 5;
  s.TurnOrder[0] = 2;
  s.TurnOrder[1] = 1;
  s.Player1Title = "Queen";
  int32_t* p1[] = {&s.Player1Score,   &s.Player1Kastle,    &s.Player1Soldiers,  &s.Player1Civilians,
                   &s.Player1Gronels, &s.Player1Slingards, &s.Player1Assassins, &s.Player1Guards,
                   &s.Player1Gold,    &s.Player1Food};
  int32_t* p2[] = {&s.Player2Score,   &s.Player2Kastle,    &s.Player2Soldiers,  &s.Player2Civilians,
                   &s.Player2Gronels, &s.Player2Slingards, &s.Player2Assassins, &s.Player2Guards,
                   &s.Player2Gold,    &s.Player2Food};
  for (int i = 0; i < 10; ++i) {
    *p1[i] = 11 + i;
    *p2[i] = 21 + i;
  }
  s.Player2Score = -21;
  s.Player2Title = "King";
  s.CreatedDate = Date("8-12-26 01:24:35");
  s.LastMoveDate = Date("9-12-26 10:00:00");
  s.TimeoutDate = Date("16-12-26");
  s.LastTurnActions = {"[ACTION:soldier_attack]", "", "[TEXT:* Monthly Update *]"};
  return s;
}

class GameStateTest : public ::testing::Test {
 protected:
  FakePlatform fake;
  std::string path = fake.gameDir + "game_1.dat";

  // A state whose every field holds something a load must either replace
  // or, where the format says so, keep.
  static TPvPGameState Prior() {
    TPvPGameState s = V12State();
    for (std::string* t : {&s.GameID, &s.Player1Alias, &s.Player1DisplayName, &s.Player2Alias,
                           &s.Player2DisplayName, &s.Player3Alias, &s.Player4Alias,
                           &s.CurrentTurnAlias, &s.Player1Title, &s.Player2Title, &s.Winner}) {
      *t = "old";
    }
    s.GameNumber = 77;
    s.MaxPlayers = s.CurrentPlayers = s.MonthNumber = 66;
    s.TurnOrder[0] = s.TurnOrder[1] = 66;
    s.Player1Food = s.Player2Food = 66;
    s.CreatedDate = s.LastMoveDate = s.TimeoutDate = Date("1-1-26 01:01:01");
    s.LastTurnActions = {"old"};
    return s;
  }
  TPvPGameState LoadOver(const std::string& text) {
    PutText(path, text);
    TPvPGameState s = Prior();
    s.LoadFromFile(path);
    return s;
  }
};

TEST_F(GameStateTest, WritesVersion12LineByLineAndReadsItBack) {
  ASSERT_TRUE(V12State().SaveToFile(path));
  EXPECT_EQ(TextOf(path), V12File());

  TPvPGameState loaded = Prior();
  loaded.LoadFromFile(path);
  EXPECT_EQ(Fields(loaded), Fields(V12State()));
}

TEST_F(GameStateTest, RoundTripKeepsEveryFieldButTagAndDatesToTheSecond) {
  fake.Advance(1234);  // 12:00:01.234
  std::unique_ptr<TPvPGameState> made = TPvPGameState::Create();
  TPvPGameState s = V12State();
  s.GameID = made->GameID;
  s.CreatedDate = made->CreatedDate;  // milliseconds in memory, seconds on file
  s.LastMoveDate = Date("1-3-27 23:59:59");
  s.Player3Alias = "Cy";
  s.Player4Alias = "Di";
  s.GameType = gtKlassic;
  s.Status = gsAbandoned;
  s.Winner = "King Bob";
  s.Tag = 5;
  s.Player1Gold = INT32_MAX;
  s.Player2Food = INT32_MIN;
  s.LastTurnActions = {"plain line", "[RESULT:soldier_loss:4]", ""};
  ASSERT_TRUE(s.SaveToFile(path));

  TPvPGameState back;
  back.LoadFromFile(path);
  EXPECT_EQ(Fields(back), Fields(s));
  EXPECT_EQ(back.Tag, 0);
  EXPECT_NEAR(back.CreatedDate, s.CreatedDate, 1.0 / 86400);
  EXPECT_LE(back.CreatedDate, s.CreatedDate);
}

TEST_F(GameStateTest, ALineBreakInATextCannotShiftTheFieldsAfterIt) {
  TPvPGameState s = V12State();
  s.Player1DisplayName = "Queen\nAnn";
  s.LastTurnActions = {"two\r\nlines"};
  ASSERT_TRUE(s.SaveToFile(path));
  TPvPGameState back;
  back.LoadFromFile(path);
  EXPECT_EQ(back.Player1DisplayName, "Queen Ann");
  EXPECT_EQ(back.Player2Alias, "Bob");
  EXPECT_EQ(back.LastTurnActions, std::vector<std::string>{"two  lines"});
}

TEST_F(GameStateTest, NamesLoseTheirControlCharactersTheLogKeepsItsLines) {
  // Names are shown in the lists and all through a turn: a damaged file
  // must not drive the caller's terminal with them. The log's lines are the
  // replay's to judge (it drops control characters as it shows them).
  TPvPGameState s = V12State();
  for (std::string* t : {&s.Player1Alias, &s.Player1DisplayName, &s.Player2Alias,
                         &s.Player2DisplayName, &s.Player3Alias, &s.Player4Alias,
                         &s.CurrentTurnAlias, &s.Player1Title, &s.Player2Title, &s.Winner}) {
    *t = "\x1b[2J" + *t + "\x07\x7f";
  }
  s.LastTurnActions = {"[TEXT:\x1b[5mhi]"};
  ASSERT_TRUE(s.SaveToFile(path));
  TPvPGameState back;
  back.LoadFromFile(path);
  TPvPGameState want = V12State();
  for (std::string* t :
       {&want.Player1Alias, &want.Player1DisplayName, &want.Player2Alias, &want.Player2DisplayName,
        &want.Player3Alias, &want.Player4Alias, &want.CurrentTurnAlias, &want.Player1Title,
        &want.Player2Title, &want.Winner}) {
    *t = "[2J" + *t;
  }
  want.LastTurnActions = s.LastTurnActions;
  EXPECT_EQ(Fields(back), Fields(want));
}

TEST_F(GameStateTest, SaveReportsAFolderThatIsNotThere) {
  EXPECT_FALSE(V12State().SaveToFile(fake.gameDir + "missing/game_1.dat"));
}

TEST_F(GameStateTest, OlderVersionsLoadWithTheirDefaults) {
  struct Case {
    const char* name;
    std::string file;
    int32_t number;
    const char *name1, *name2;
  };
  const Case cases[] = {
      // v1.1: display names but no game number.
      {"v1.1",
       std::string("# QGS PvP Game State v1.1\n2026120801243542\n1\n1\n2\n2\n") + kSeats + kRest, 0,
       "Queen Ann", "King Bob"},
      // v1.0: no display names either; they are the aliases.
      {"v1.0",
       std::string("# QGS PvP Game State v1.0\n2026120801243542\n1\n1\n2\n2\n") +
           "Ann\nBob\n\n\nBob\n" + kRest,
       0, "Ann", "Bob"},
      // An unknown header reads as v1.0.
      {"unknown",
       std::string("# QGS PvP Game State v9\n2026120801243542\n1\n1\n2\n2\n") +
           "Ann\nBob\n\n\nBob\n" + kRest,
       0, "Ann", "Bob"},
      // v1.2 with empty display names: they fall back to the aliases.
      {"v1.2 blank names",
       std::string("# QGS PvP Game State v1.2\n2026120801243542\n3\n1\n1\n2\n2\n") +
           "Ann\n\nBob\n\n\n\nBob\n" + kRest,
       3, "Ann", "Bob"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPvPGameState s = LoadOver(c.file);
    TPvPGameState want = V12State();
    want.GameNumber = c.number;
    want.Player1DisplayName = c.name1;
    want.Player2DisplayName = c.name2;
    EXPECT_EQ(Fields(s), Fields(want));
  }
}

TEST_F(GameStateTest, UnknownHeaderTakesLineThreeAsTheGameType) {
  TPvPGameState s = LoadOver("# saved by someone\nX\n1\n3\n2\n2\nAnn\nBob\n");
  EXPECT_EQ(s.GameNumber, 0);
  EXPECT_EQ(s.GameType, gtMultiplayer);
  EXPECT_EQ(s.Status, gsAbandoned);
  EXPECT_EQ(s.Player2Alias, "Bob");
}

// Files cut short, or holding a value that cannot be read: fields up to that
// point are read, the format's end-of-file defaults apply where the file
// ends, and a bad value leaves everything after it as it was (Prior's "old"
// and 66s).
TEST_F(GameStateTest, ShortAndDamagedFilesLoadAsFarAsTheyGo) {
  const std::string head = "# QGS PvP Game State v1.2\nID\n3\n1\n1\n2\n2\n";
  const std::string seats = "Ann\nQueen Ann\nBob\nKing Bob\nCy\nDi\nBob\n";
  const std::string month = "5\n2\n1\n";
  const std::string kingdoms =
      "Queen\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20\nKing\n21\n22\n23\n24\n25\n26\n27\n28\n29\n30"
      "\n";
  using Check = std::function<void(const TPvPGameState&)>;
  const Check keptKingdoms = [](const TPvPGameState& s) {
    EXPECT_EQ(s.Player1Title, "old");
    EXPECT_EQ(s.Player1Food, 66);
    EXPECT_EQ(s.Player2Food, 66);
    EXPECT_EQ(DateTimeToStr(s.LastMoveDate), "1-1-26 01:01:01");
    EXPECT_EQ(s.Winner, "old");
  };
  struct Case {
    const char* name;
    std::string file;
    Check check;
  };
  const Case cases[] = {
      {"after the turn alias", head + seats,
       [&](const TPvPGameState& s) {
         EXPECT_EQ(s.CurrentTurnAlias, "Bob");
         EXPECT_EQ(s.Player4Alias, "Di");
         EXPECT_EQ(s.MonthNumber, 1);
         EXPECT_EQ(s.TurnOrder[0], 1);
         EXPECT_EQ(s.TurnOrder[1], 2);
         keptKingdoms(s);
         EXPECT_TRUE(s.LastTurnActions.empty());
       }},
      {"after player 1's gold", head + seats + month + kingdoms.substr(0, kingdoms.find("20\n")),
       [](const TPvPGameState& s) {
         EXPECT_EQ(s.MonthNumber, 5);
         EXPECT_EQ(s.TurnOrder[0], 2);
         EXPECT_EQ(s.Player1Title, "Queen");
         EXPECT_EQ(s.Player1Gold, 19);
         EXPECT_EQ(s.Player1Food, 66);
         EXPECT_EQ(s.Player2Title, "old");
         EXPECT_TRUE(s.LastTurnActions.empty());
       }},
      {"v1.1 after player 1's alias", "# QGS PvP Game State v1.1\nID\n1\n1\n2\n1\nAnn\n",
       [&](const TPvPGameState& s) {
         EXPECT_EQ(s.GameNumber, 0);
         EXPECT_EQ(s.CurrentPlayers, 1);
         EXPECT_EQ(s.Player1DisplayName, "Ann");
         EXPECT_EQ(s.Player2Alias, "");
         EXPECT_EQ(s.Player2DisplayName, "");
         EXPECT_EQ(s.Player3Alias, "");
         EXPECT_EQ(s.CurrentTurnAlias, "");
         EXPECT_EQ(s.MonthNumber, 1);
         keptKingdoms(s);
       }},
      {"v1.2 after the game id", "# QGS PvP Game State v1.2\nID\n",
       [](const TPvPGameState& s) {
         EXPECT_EQ(s.GameNumber, 0);
         EXPECT_EQ(s.GameType, gtKlassic);  // an empty line reads as 0
         EXPECT_EQ(s.Status, gsWaitingForPlayers);
         EXPECT_EQ(s.MaxPlayers, 66);  // no number line: the load ends here
         EXPECT_EQ(s.Player1Alias, "old");
         EXPECT_EQ(s.Player1DisplayName, "");
         EXPECT_EQ(s.MonthNumber, 66);
       }},
      {"a type that is not a number", "# QGS PvP Game State v1.2\nID\n3\nx\n1\n2\n2\n" + seats,
       [](const TPvPGameState& s) {
         EXPECT_EQ(s.GameType, gtKlassic);
         EXPECT_EQ(s.Status, gsInProgress);
         EXPECT_EQ(s.CurrentTurnAlias, "Bob");
       }},
      {"a month that is not a number", head + seats + "five\n2\n1\n" + kingdoms,
       [&](const TPvPGameState& s) {
         EXPECT_EQ(s.CurrentTurnAlias, "Bob");
         EXPECT_EQ(s.MonthNumber, 66);
         EXPECT_EQ(s.TurnOrder[0], 66);
         keptKingdoms(s);
         EXPECT_EQ(s.LastTurnActions, std::vector<std::string>{"old"});
       }},
      {"a date that does not exist",
       head + seats + month + kingdoms + "8-12-26 01:24:35\n31-2-26\n",
       [](const TPvPGameState& s) {
         EXPECT_EQ(DateTimeToStr(s.CreatedDate), "8-12-26 01:24:35");
         EXPECT_EQ(DateTimeToStr(s.LastMoveDate), "1-1-26 01:01:01");
         EXPECT_EQ(s.Winner, "old");
         EXPECT_EQ(s.LastTurnActions, std::vector<std::string>{"old"});
       }},
      {"a log count of two billion",
       head + seats + month + kingdoms + "8-12-26\n9-12-26\n16-12-26\n\n2000000000\n[TEXT:one]\n\n",
       [](const TPvPGameState& s) {
         EXPECT_EQ(s.LastTurnActions, (std::vector<std::string>{"[TEXT:one]", ""}));
         EXPECT_EQ(s.Winner, "");
       }},
      {"a negative log count",
       head + seats + month + kingdoms + "8-12-26\n9-12-26\n16-12-26\n\n-3\n[TEXT:one]\n",
       [](const TPvPGameState& s) { EXPECT_TRUE(s.LastTurnActions.empty()); }},
      {"a log count beyond int32",
       head + seats + month + kingdoms +
           "8-12-26\n9-12-26\n16-12-26\n\n99999999999999999999\n[TEXT:one]\n",
       [](const TPvPGameState& s) {
         EXPECT_EQ(s.LastTurnActions, std::vector<std::string>{"[TEXT:one]"});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(LoadOver(c.file));
  }

  TPvPGameState missing = Prior();
  missing.LoadFromFile(fake.gameDir + "no such file");
  std::vector<std::string> want = Fields(Prior());
  want[1] = "number 0";
  want[7] = "p1name ";
  want[9] = "p2name ";
  EXPECT_EQ(Fields(missing), want);
}

TEST_F(GameStateTest, CreateStampsTheClockAndOneDraw) {
  fake.Advance(((3 * 60 + 4) * 60 + 5) * 1000);  // 15:04:05
  fake.Draws({7});
  std::unique_ptr<TPvPGameState> s = TPvPGameState::Create();
  EXPECT_EQ(fake.drawsAsked, std::vector<int64_t>{1000});
  EXPECT_EQ(s->GameID, "202612091504057");
  EXPECT_EQ(s->Status, gsWaitingForPlayers);
  EXPECT_EQ(s->GameType, gtKlassic);
  EXPECT_EQ(s->MaxPlayers, 2);
  EXPECT_EQ(s->CurrentPlayers, 0);
  EXPECT_EQ(s->MonthNumber, 1);
  EXPECT_EQ(s->TurnOrder[0], 0);
  EXPECT_EQ(s->CreatedDate, fake.Now());
  EXPECT_EQ(s->LastMoveDate, fake.Now());
  EXPECT_EQ(s->TimeoutDate, fake.Now() + 7);
  EXPECT_TRUE(s->LastTurnActions.empty());
}

// Loading reads the clock only for what the file leaves of the new state,
// yet gives what Create and LoadFromFile give, with the same one draw.
TEST_F(GameStateTest, CreateFromFileIsCreateThenLoad) {
  fake.Advance(((3 * 60 + 4) * 60 + 5) * 1000);
  const std::string whole = V12File();
  const std::string dates = "8-12-26 01:24:35\n9-12-26 10:00:00\n16-12-26\n";
  const size_t datesAt = whole.find(dates);
  ASSERT_NE(datesAt, std::string::npos);
  const std::string beforeDates = whole.substr(0, datesAt);
  const struct {
    const char* name;
    const char* file;  // nullptr: no file at all
    std::string text;
  } cases[] = {
      {"whole", "game_1.dat", whole},
      {"no file", nullptr, ""},
      {"empty", "game_1.dat", ""},
      {"ends before the dates", "game_1.dat", beforeDates},
      {"ends after the first date", "game_1.dat", beforeDates + "8-12-26 01:24:35\n"},
      {"a damaged last move", "game_1.dat", beforeDates + "8-12-26 01:24:35\nnever\n"},
      {"a damaged timeout", "game_1.dat", beforeDates + "8-12-26\n9-12-26\n31-2-26\n"},
      {"v1.0", "game_1.dat", "# QGS PvP Game State v1.0\nID\n1\n1\n2\n2\nAnn\nBob\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(path.c_str());
    if (c.file) PutText(path, c.text);
    fake.drawsAsked.clear();
    fake.Draws({7, 7});
    std::unique_ptr<TPvPGameState> want = TPvPGameState::Create();
    want->LoadFromFile(path);
    std::unique_ptr<TPvPGameState> got = TPvPGameState::CreateFromFile(path);
    EXPECT_EQ(Fields(*got), Fields(*want));
    EXPECT_EQ(got->CreatedDate, want->CreatedDate);
    EXPECT_EQ(got->LastMoveDate, want->LastMoveDate);
    EXPECT_EQ(got->TimeoutDate, want->TimeoutDate);
    EXPECT_EQ(fake.drawsAsked, (std::vector<int64_t>{1000, 1000}));
  }
}

TEST_F(GameStateTest, KingdomsCopyToAndFromTheirSlots) {
  TPlayer maud("Queen", "Maud", true);
  maud.Score = 1, maud.Kastle = 2, maud.Soldiers = 3, maud.Civilians = 4, maud.Gronels = 5;
  maud.Slingards = 6, maud.Assassins = 7, maud.Guards = 8, maud.Gold = 9, maud.Food = 10;
  TPvPGameState s;
  s.SavePlayerToState(maud, 2);
  s.SavePlayerToState(maud, 3);  // no such slot: nothing
  EXPECT_EQ(s.Player2Title, "Queen");
  EXPECT_EQ(s.Player1Title, "");
  EXPECT_EQ(
      std::vector<int32_t>({s.Player2Score, s.Player2Kastle, s.Player2Soldiers, s.Player2Civilians,
                            s.Player2Gronels, s.Player2Slingards, s.Player2Assassins,
                            s.Player2Guards, s.Player2Gold, s.Player2Food}),
      std::vector<int32_t>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(s.Player1Food, 0);

  TPlayer back("King", "Bert", false);
  s.LoadStateToPlayer(back, 2);
  EXPECT_EQ(back.Title, "King");  // the title and name stay the kingdom's own
  EXPECT_EQ(back.Name, "Bert");
  EXPECT_EQ(
      std::vector<int32_t>({back.Score, back.Kastle, back.Soldiers, back.Civilians, back.Gronels,
                            back.Slingards, back.Assassins, back.Guards, back.Gold, back.Food}),
      std::vector<int32_t>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  s.LoadStateToPlayer(back, 1);
  EXPECT_EQ(back.Food, 0);
  back.Food = 44;
  s.LoadStateToPlayer(back, 0);
  EXPECT_EQ(back.Food, 44);
}

TEST_F(GameStateTest, PlayersAreFoundByExactAlias) {
  TPvPGameState s;
  s.Player1Alias = "Ann";
  s.Player2Alias = "Bob";
  s.Player3Alias = "Cy";
  s.Player4Alias = "Bob";
  EXPECT_EQ(s.GetPlayerNumber("Ann"), 1);
  EXPECT_EQ(s.GetPlayerNumber("Bob"), 2);  // the first slot that holds it
  EXPECT_EQ(s.GetPlayerNumber("Cy"), 3);
  EXPECT_EQ(s.GetPlayerNumber("ann"), 0);
  EXPECT_EQ(s.GetPlayerNumber("Dee"), 0);
  EXPECT_EQ(s.GetPlayerAlias(4), "Bob");
  EXPECT_EQ(s.GetPlayerAlias(0), "");
  EXPECT_EQ(s.GetPlayerAlias(5), "");
}

}  // namespace

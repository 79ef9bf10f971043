#include "game/multiplayer/storage.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "game/common/datafile.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/rankings.h"
#include "storage_support.h"

namespace {

TEST_F(StorageTest, FoldersLiveUnderTheGameDirectory) {
  EXPECT_EQ(GetActiveGamesDir(), fake.gameDir + "games/active/");
  EXPECT_EQ(GetCompletedGamesDir(), fake.gameDir + "games/completed/");
  EXPECT_TRUE(FileExists(GetActiveGamesDir()));
  EXPECT_TRUE(FileExists(GetCompletedGamesDir()));
  InitializeGameDirs();  // again: nothing changes, nothing fails
  EXPECT_TRUE(ListGameFiles(GetActiveGamesDir()).empty());
}

TEST_F(StorageTest, ScansListDatFilesByNameOnly) {
  for (const char* name : {"game_2.dat", "notes.txt", "game_1.dat", "game_3.dat.tmp.x1Y2z3"}) {
    ASSERT_TRUE(WriteFileAtomic(GetActiveGamesDir() + name, "x\n"));
  }
  EXPECT_EQ(ListGameFiles(GetActiveGamesDir()),
            (std::vector<std::string>{"game_1.dat", "game_2.dat"}));
  EXPECT_TRUE(ListGameFiles(fake.gameDir + "nowhere/").empty());
}

TEST_F(StorageTest, NextNumberIsTheLowestFreeOne) {
  struct Case {
    const char* name;
    std::vector<int32_t> active;
    std::vector<std::pair<int32_t, int64_t>> completed;  // number, seconds since the last move
    int32_t want;
  };
  const int64_t sixPointNine = 69 * kDay / 10;
  const Case cases[] = {
      {"no games", {}, {}, 1},
      {"1, 2 and 4", {4, 1, 2}, {}, 3},
      {"1 to 3", {3, 2, 1}, {}, 4},
      {"numberless games", {0, 0, -5}, {}, 1},
      {"completed 6.9 days ago", {1}, {{2, sixPointNine}}, 3},
      {"completed 7.0 days ago", {1}, {{2, 7 * kDay}}, 2},
      {"a damaged huge number", {INT32_MAX}, {}, 1},
      {"the same number twice", {1, 1, 2}, {}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(fake.gameDir + "games");
    InitializeGameDirs();
    int i = 0;
    for (int32_t n : c.active) PutActive({.id = "a" + std::to_string(i++), .number = n});
    for (auto [n, idle] : c.completed) {
      PutCompleted({.id = "c" + std::to_string(i++),
                    .number = n,
                    .status = gsCompleted,
                    .idleSeconds = idle});
    }
    fake.drawsAsked.clear();
    EXPECT_EQ(GetNextAvailableGameNumber(), c.want);
    // Every file read makes one state, and so one draw.
    EXPECT_EQ(fake.drawsAsked.size(), c.active.size() + c.completed.size());
  }
}

TEST_F(StorageTest, MyGamesAreMyWaitingAndRunningOnes) {
  PutActive({.id = "1", .status = gsWaitingForPlayers, .p2 = ""});
  PutActive({.id = "2", .status = gsInProgress, .p1 = "Bob", .p2 = "Ann"});
  PutActive({.id = "3", .status = gsCompleted});
  PutActive({.id = "4", .status = gsAbandoned});
  PutActive({.id = "5", .p1 = "Bob", .p2 = "Cy"});
  PutActive({.id = "6", .p1 = "ann", .p2 = "Cy"});  // another caller
  fake.drawsAsked.clear();
  TGameList mine = GetMyActiveGames();
  EXPECT_EQ(Names(mine), (std::vector<std::string>{"game_1.dat", "game_2.dat"}));
  EXPECT_EQ(mine[1].State->Player1Alias, "Bob");
  EXPECT_EQ(fake.drawsAsked.size(), 6u);
  EXPECT_EQ(CountMyActiveGames(), 2);
}

TEST_F(StorageTest, OpenGamesAreOthersWaitingOnes) {
  PutActive({.id = "1", .status = gsWaitingForPlayers, .p2 = ""});  // my own
  PutActive({.id = "2", .status = gsWaitingForPlayers, .p1 = "Bob", .p2 = ""});
  PutActive({.id = "3", .status = gsInProgress, .p1 = "Bob"});
  PutActive({.id = "4", .status = gsWaitingForPlayers, .p1 = "ANN", .p2 = ""});
  EXPECT_EQ(Names(GetOpenGames()), (std::vector<std::string>{"game_2.dat", "game_4.dat"}));
  HoldAliasForWrite = "Bob";
  EXPECT_EQ(Names(GetOpenGames()), (std::vector<std::string>{"game_1.dat", "game_4.dat"}));
}

TEST_F(StorageTest, EmptyOrMissingFoldersGiveEmptyListsAndNumberOne) {
  std::filesystem::remove_all(fake.gameDir + "games");
  EXPECT_TRUE(GetMyActiveGames().empty());
  EXPECT_TRUE(GetOpenGames().empty());
  EXPECT_EQ(GetNextAvailableGameNumber(), 1);
  CleanupExpiredGames();
}

// Where a game ends up after one expiry pass.
enum Place { kActive, kCompleted, kGone };

Place Where(const std::string& id) {
  if (FileExists(GetActiveGamesDir() + "game_" + id + ".dat")) return kActive;
  if (FileExists(GetCompletedGamesDir() + "game_" + id + ".dat")) return kCompleted;
  return kGone;
}

TEST_F(StorageTest, ExpiryAbandonsEarlyGamesAndForfeitsLaterOnes) {
  struct Case {
    const char* name;
    int32_t daysUntilExpire;
    G game;
    Place place;
    TGameStatus status;
    const char* winner;
  };
  const Case cases[] = {
      {"idle exactly the limit, month 3",
       3,
       {.id = "x", .month = 3, .idleSeconds = 3 * kDay},
       kCompleted,
       gsAbandoned,
       ""},
      {"a second short of the limit",
       3,
       {.id = "x", .month = 5, .idleSeconds = 3 * kDay - 1},
       kActive,
       gsInProgress,
       ""},
      {"month 4, player 1 to move",
       3,
       {.id = "x", .month = 4, .idleSeconds = 3 * kDay, .turn = "Ann"},
       kCompleted,
       gsCompleted,
       "King Bob"},
      {"month 4, player 2 to move",
       3,
       {.id = "x", .month = 4, .idleSeconds = 3 * kDay, .turn = "Bob"},
       kCompleted,
       gsCompleted,
       "Queen Ann"},
      {"the winner has no display name",
       3,
       {.id = "x", .month = 9, .idleSeconds = 5 * kDay, .turn = "Ann", .name2 = ""},
       kCompleted,
       gsCompleted,
       "Bob"},
      {"still waiting for an opponent",
       3,
       {.id = "x", .status = gsWaitingForPlayers, .idleSeconds = 3 * kDay, .turn = "", .p2 = ""},
       kCompleted,
       gsAbandoned,
       ""},
      // A limit of 7 days or more: moved and deleted in the one pass.
      {"seven days, month 2",
       7,
       {.id = "x", .month = 2, .idleSeconds = 7 * kDay},
       kGone,
       gsAbandoned,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutActive(c.game);
    Config.DaysUntilExpire = c.daysUntilExpire;
    const TDateTime lastMove = Read(Active("x")).LastMoveDate;

    CleanupExpiredGames();
    ASSERT_EQ(Where("x"), c.place);
    if (c.place != kGone) {
      TPvPGameState after = Read(c.place == kActive ? Active("x") : Completed("x"));
      EXPECT_EQ(after.Status, c.status);
      EXPECT_EQ(after.Winner, c.winner);
      EXPECT_EQ(after.LastMoveDate, lastMove);
    }
    DeleteFile(Active("x"));
    DeleteFile(Completed("x"));
  }
}

TEST_F(StorageTest, AForfeitIsRankedAndAnAbandonedGameIsNot) {
  Config.DaysUntilExpire = 7;
  PutActive({.id = "early", .month = 3, .idleSeconds = 9 * kDay});
  CleanupExpiredGames();
  EXPECT_FALSE(FileExists(fake.gameDir + "qgs-pvp-alltime.dat"));
  EXPECT_FALSE(FileExists(fake.gameDir + "qgs-pvp-monthly.dat"));

  // Ann was due to move: Bob wins, and the game, idle 9 days, is gone.
  PutActive({.id = "late", .month = 6, .idleSeconds = 9 * kDay, .turn = "Ann"});
  CleanupExpiredGames();
  EXPECT_EQ(Where("late"), kGone);
  for (const char* file : {"qgs-pvp-alltime.dat", "qgs-pvp-monthly.dat"}) {
    SCOPED_TRACE(file);
    TPvPRankings table;
    table.LoadFromFile(fake.gameDir + file);
    ASSERT_EQ(table.PlayerCount(), 2);
    const TPvPPlayerRecord ann = table.GetPlayer(table.FindPlayer("Ann"));
    const TPvPPlayerRecord bob = table.GetPlayer(table.FindPlayer("Bob"));
    EXPECT_EQ(ann.DisplayName, "Queen Ann");
    EXPECT_EQ(ann.Losses, 1);
    EXPECT_EQ(ann.Wins, 0);
    EXPECT_EQ(ann.TotalScore, 100);  // the stored score, not a fresh kingdom's
    EXPECT_EQ(bob.Wins, 1);
    EXPECT_EQ(bob.TotalScore, 200);
    EXPECT_EQ(bob.LongestGameMonths, 6);
  }
}

TEST_F(StorageTest, CompletedGamesAreDeletedSevenDaysAfterTheirLastMove) {
  PutCompleted({.id = "young", .status = gsCompleted, .idleSeconds = 69 * kDay / 10});
  PutCompleted({.id = "old", .status = gsCompleted, .idleSeconds = 7 * kDay});
  Config.DaysUntilExpire = 30;  // not the completed games' limit
  CleanupExpiredGames();
  EXPECT_EQ(Where("young"), kCompleted);
  EXPECT_EQ(Where("old"), kGone);
}

TEST_F(StorageTest, ExpiryReadsEachFileOnce) {
  // Draws stand for readings: one state per file looked at, the moved game
  // included, though it is not read back from "completed".
  PutActive({.id = "a", .month = 2, .idleSeconds = 8 * kDay});
  PutActive({.id = "b"});
  PutCompleted({.id = "c", .status = gsCompleted});
  fake.drawsAsked.clear();
  CleanupExpiredGames();
  EXPECT_EQ(fake.drawsAsked, std::vector<int64_t>(4, 1000));
  EXPECT_EQ(Where("a"), kGone);
  EXPECT_EQ(Where("b"), kActive);
  EXPECT_EQ(Where("c"), kCompleted);
}

TEST_F(StorageTest, CreatingAGameNumbersAndWritesIt) {
  PutActive({.id = "1", .number = 1});
  PutActive({.id = "3", .number = 3});
  std::unique_ptr<TPvPGameState> game = TPvPGameState::Create();
  game->Player1Alias = "Ann";
  ASSERT_TRUE(CreateGameFile(*game));
  EXPECT_EQ(game->GameNumber, 2);
  TPvPGameState stored = Read(GetActiveGamesDir() + GameFileName(*game));
  EXPECT_EQ(stored.GameNumber, 2);
  EXPECT_EQ(stored.Player1Alias, "Ann");
}

TEST_F(StorageTest, ACreatedGameNeverReplacesOneWithTheSameID) {
  PutActive({.id = "20261209120000999", .number = 1, .p1 = "Bob"});
  PutActive({.id = "202612091200000", .number = 2, .p1 = "Bob"});
  TPvPGameState game;
  game.GameID = "20261209120000999";  // the same second and the same draw
  game.Player1Alias = "Ann";
  ASSERT_TRUE(CreateGameFile(game));
  EXPECT_EQ(game.GameID, "202612091200001");  // 999 + 1 and + 2, wrapped
  EXPECT_EQ(Read(Active("20261209120000999")).Player1Alias, "Bob");
  EXPECT_EQ(Read(Active("202612091200001")).Player1Alias, "Ann");
}

TEST_F(StorageTest, JoiningReReadsTheGameAndTakesOnlyAWaitingOne) {
  PutActive({.id = "open", .status = gsWaitingForPlayers, .turn = "", .p1 = "Bob", .p2 = ""});
  TPlayer mine("Queen", "Ann Of Ice", true);
  mine.Gold = 1234;
  TPvPGameState joined;
  ASSERT_TRUE(JoinGameFile(Name("open"), mine, joined));
  EXPECT_EQ(joined.Status, gsInProgress);
  EXPECT_EQ(joined.CurrentTurnAlias, "Bob");  // turn order (1, 2)
  TPvPGameState stored = Read(Active("open"));
  EXPECT_EQ(stored.Player2Alias, "Ann");
  EXPECT_EQ(stored.Player2DisplayName, "Ann Of Ice");
  EXPECT_EQ(stored.Player2Title, "Queen");
  EXPECT_EQ(stored.Player2Gold, 1234);
  EXPECT_EQ(stored.CurrentPlayers, 2);

  // A second caller who listed the game before Ann joined finds it taken.
  HoldAliasForWrite = "Cy";
  TPvPGameState late;
  EXPECT_FALSE(JoinGameFile(Name("open"), mine, late));
  EXPECT_EQ(Read(Active("open")).Player2Alias, "Ann");
  // Nor can a game be joined by its creator, or once it is gone.
  PutActive({.id = "own", .status = gsWaitingForPlayers, .turn = "", .p1 = "Cy", .p2 = ""});
  EXPECT_FALSE(JoinGameFile(Name("own"), mine, late));
  EXPECT_FALSE(JoinGameFile(Name("gone"), mine, late));
  EXPECT_FALSE(FileExists(Active("gone")));
}

TEST_F(StorageTest, ATurnIsSavedOnlyOverTheGameItStartedFrom) {
  PutActive({.id = "g", .month = 5, .turn = "Ann"});
  const TPvPGameState start = Read(Active("g"));
  const TTurnStart claim = TTurnStart::Of(start);

  // Another node (a second session of Ann's, say) plays the same turn first.
  TPvPGameState first = start;
  first.CurrentTurnAlias = "Bob";
  first.Player2Score = 1;
  ASSERT_EQ(SaveTurn(Name("g"), claim, first), tsSaved);
  TPvPGameState second = start;
  second.CurrentTurnAlias = "Bob";
  second.Player2Score = 2;
  EXPECT_EQ(SaveTurn(Name("g"), claim, second), tsTurnTaken);
  EXPECT_EQ(Read(Active("g")).Player2Score, 1);
  // Nor may a turn begun in another month overwrite it.
  EXPECT_EQ(SaveTurn(Name("g"), {"g", "Bob", 4}, second), tsTurnTaken);
  EXPECT_EQ(SaveWinningTurn(Name("g"), claim, second, true), tsTurnTaken);
  EXPECT_EQ(Where("g"), kActive);
}

TEST_F(StorageTest, AGameExpiredDuringATurnIsNotWrittenBack) {
  PutActive({.id = "g", .month = 2, .idleSeconds = 2 * kDay, .turn = "Ann"});
  TPvPGameState turn = Read(Active("g"));
  const TTurnStart claim = TTurnStart::Of(turn);
  Config.DaysUntilExpire = 3;
  fake.Advance(kDay * 1000);  // the caller takes a day over the turn
  CleanupExpiredGames();      // on another node
  turn.CurrentTurnAlias = "Bob";
  turn.LastMoveDate = fake.Now();
  EXPECT_EQ(SaveTurn(Name("g"), claim, turn), tsGameGone);
  EXPECT_EQ(SaveWinningTurn(Name("g"), claim, turn, true), tsGameGone);
  EXPECT_EQ(Where("g"), kCompleted);
  EXPECT_EQ(Read(Completed("g")).Status, gsAbandoned);
}

TEST_F(StorageTest, AWinningTurnMovesTheGameToCompleted) {
  PutActive({.id = "g", .number = 4, .month = 6, .turn = "Bob"});
  TPvPGameState turn = Read(Active("g"));
  const TTurnStart claim = TTurnStart::Of(turn);
  turn.Status = gsCompleted;
  turn.Winner = "King Bob";
  ASSERT_EQ(SaveWinningTurn(Name("g"), claim, turn, true), tsSaved);
  EXPECT_EQ(Where("g"), kCompleted);
  EXPECT_EQ(Read(Completed("g")).Winner, "King Bob");
  EXPECT_TRUE(GetMyActiveGames().empty());
}

TEST_F(StorageTest, AMoveCutShortIsFinishedByTheNextExpiryPass) {
  // A node stopped after writing the final state and before the rename: the
  // game is finished but still in "active", recent and offered to nobody.
  PutActive({.id = "won", .status = gsCompleted, .month = 6, .turn = "Bob"});
  PutActive({.id = "left", .status = gsAbandoned, .month = 2});
  PutActive({.id = "going", .month = 3});
  std::string won;
  ASSERT_TRUE(ReadFileText(Active("won"), won));
  Config.DaysUntilExpire = 7;
  CleanupExpiredGames();
  EXPECT_EQ(Where("won"), kCompleted);
  EXPECT_EQ(Where("left"), kCompleted);
  EXPECT_EQ(Where("going"), kActive);
  std::string moved;
  ASSERT_TRUE(ReadFileText(Completed("won"), moved));
  EXPECT_EQ(moved, won);  // moved as it was, not rewritten
  EXPECT_FALSE(FileExists(fake.gameDir + "qgs-pvp-alltime.dat"));
}

TEST_F(StorageTest, AWinningTurnThatCannotMoveLeavesTheGameAsItWas) {
  PutActive({.id = "g", .month = 6, .turn = "Bob"});
  std::string before;
  ASSERT_TRUE(ReadFileText(Active("g"), before));
  std::filesystem::remove_all(GetCompletedGamesDir());
  ASSERT_TRUE(WriteFileAtomic(fake.gameDir + "games/completed", "not a folder\n"));
  TPvPGameState turn = Read(Active("g"));
  const TTurnStart claim = TTurnStart::Of(turn);
  turn.Status = gsCompleted;
  turn.Winner = "King Bob";
  EXPECT_EQ(SaveWinningTurn(Name("g"), claim, turn, true), tsWriteFailed);
  std::string after;
  ASSERT_TRUE(ReadFileText(Active("g"), after));
  EXPECT_EQ(after, before);
}

}  // namespace

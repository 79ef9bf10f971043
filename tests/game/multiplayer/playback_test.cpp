#include "game/multiplayer/playback.h"

#include <gtest/gtest.h>

#include "game/multiplayer/gamestate.h"
#include "support/engine_support.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kClear = "\x1b[2J\x1b[1;1f";
const std::string kBeat = Tune("MFO1T128L64CEB");
const std::string kBang = "**BANG!** " + kBeat;
const std::string kBoom = "**BOOM!** " + kBeat;
const std::string kWagon = Tune("MFT80O5L64FP64CFP64F");
const std::string kWagonLine = "The draft animals strain to haul the heavy wagons to his kastle!";
// "* Monthly Update *" centred: 18 characters from column 31.
const std::string kMarker = A(15) + CRLF + "\x1b[255D\x1b[30C* Monthly Update *" + CRLF + A(11);

std::string Times(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

class PlaybackTest : public EngineTest {
 protected:
  TPvPGameState game;

  // Plays the log and returns what it showed between the banner and the
  // closing pause, after checking that frame. After a blinking last line
  // the pause's colour ends the blinking.
  std::string Body(const Lines& lines, bool endsBlinking = false) {
    game.LastTurnActions = lines;
    fake.Keys("x");
    PlaybackOpponentTurn(game, "Rival");
    const std::string head = kClear + CRLF + ThinkingBanner();
    const std::string tail = CRLF + A(10, endsBlinking) + kPressAnyKey + CRLF;
    std::string out = fake.TakeOut();
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_GE(out.size(), head.size() + tail.size());
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), tail.size())), tail);
    EXPECT_TRUE(game.LastTurnActions.empty());
    EXPECT_FALSE(fake.ConsoleKeyPressed()) << "the closing pause reads one key";
    if (out.size() < head.size() + tail.size()) return out;
    return out.substr(head.size(), out.size() - head.size() - tail.size());
  }
};

TEST_F(PlaybackTest, AnEmptyLogShowsNothingAndWaitsForNoKey) {
  PlaybackOpponentTurn(game, "Rival");
  EXPECT_EQ(fake.out, "");
  EXPECT_TRUE(fake.sleeps.empty());
  EXPECT_TRUE(fake.drawsAsked.empty());
}

// A whole logged gronel turn, as the game writes it, byte for byte.
TEST_F(PlaybackTest, AGronelTurnIsToldInFull) {
  fake.Draws({0, 1, 1});
  const std::string body = Body({
      "[ACTION:gronel_attack_men]",
      "[MUSIC:GRONEL_BOOMS:3]",
      "[TEXT:Killed 12 soldiers]",
      "[TEXT:Destroyed 5 kastle points]",
      "[TEXT:Killed 40 civilians]",
      "",
      "[TEXT:* Monthly Update *]",
      "",
      "[TEXT:150 civilians immigrated]",
      "[TEXT:14150 gold collected in taxes]",
  });
  EXPECT_EQ(body, A(14) + "Firing gronels at your men!" + CRLF + Tune("MFO1L64T128BAAGGFFEEDDCP4") +
                      CRLF + kBang + kBoom + kBoom + CRLF + CRLF + A(12) + "He killed 12 men!" +
                      CRLF + A(10) + "He destroyed 5 kastle points!" + CRLF + A(15) +
                      "He killed 40 civilians!" + CRLF + kMarker + A(10) +
                      "* 150 civilians immigrated" + CRLF + A(10) +
                      "* 14150 gold collected in taxes" + CRLF);
  EXPECT_EQ(fake.drawsAsked, (std::vector<int64_t>{2, 2, 2}));
  EXPECT_EQ(fake.sleeps, (std::vector<int>{2000}));
}

TEST_F(PlaybackTest, ExplosionsBreakAfterEverySeventhAndEndWithOneEmptyLine) {
  for (int i = 0; i < 23; ++i) fake.Draws({0});  // every one a BANG
  EXPECT_EQ(Body({"[MUSIC:GRONEL_BOOMS:14]"}), Times(Times(kBang, 7) + CRLF, 2) + CRLF);
  EXPECT_EQ(Body({"[MUSIC:SLINGARD_BOOMS:9]"}),
            Times(kBang, 7) + CRLF + Times(kBang, 2) + CRLF + CRLF);
  EXPECT_EQ(Body({"[MUSIC:GRONEL_BOOMS:0]"}), CRLF);
}

TEST_F(PlaybackTest, ExplosionCounts) {
  struct Case {
    std::string line;
    std::vector<int64_t> draws;  // scripted before the explosions' own draws
    int booms;
    std::vector<int64_t> asked;  // draws asked before the explosions' own
  } cases[] = {
      {"[MUSIC:GRONEL_BOOMS]", {0}, 3, {5}},
      {"[MUSIC:GRONEL_BOOMS]", {4}, 7, {5}},
      {"[MUSIC:SLINGARD_BOOMS]", {5}, 10, {6}},
      {"[MUSIC:GRONEL_BOOMS:many]", {}, 5, {}},
      {"[MUSIC:GRONEL_BOOMS:]", {}, 5, {}},
      {"[MUSIC:SLINGARD_BOOMS:]", {}, 7, {}},
      {"[MUSIC:SLINGARD_BOOMS:9x]", {}, 7, {}},
      {"[MUSIC:GRONEL_BOOMS:-3]", {}, 0, {}},
      {"[MUSIC:GRONEL_BOOMS:99999999999]", {}, 5, {}},
      // No volley logs this many: the count is held at the limit.
      {"[MUSIC:GRONEL_BOOMS:2000000000]", {}, PLAYBACK_MAX_BOOMS, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    fake.drawsAsked.clear();
    for (int64_t d : c.draws) fake.Draws({d});
    const std::string body = Body({c.line});
    EXPECT_EQ(static_cast<int>(Count(body, "**BANG!** ") + Count(body, "**BOOM!** ")), c.booms);
    std::vector<int64_t> asked = c.asked;
    asked.insert(asked.end(), c.booms, 2);
    EXPECT_EQ(fake.drawsAsked, asked);
  }
}

TEST_F(PlaybackTest, HostileExplosionLinesShareOneLimit) {
  const std::string huge = "[MUSIC:SLINGARD_BOOMS:" + std::to_string(PLAYBACK_MAX_BOOMS) + "]";
  const std::string body = Body({huge, huge, huge, "[MUSIC:GRONEL_BOOMS]"});
  EXPECT_EQ(Count(body, "**BANG!** ") + Count(body, "**BOOM!** "),
            static_cast<size_t>(PLAYBACK_MAX_BOOMS));
}

TEST_F(PlaybackTest, APurchaseIsToldWithItsWagons) {
  EXPECT_EQ(Body({"[TEXT:PURCHASE:food:1000:200]"}),
            A(14) + "Buying 1000 sacks of food for 200 gold!" + CRLF + CRLF + A(10) + kWagonLine +
                CRLF + kWagon + CRLF);
}

TEST_F(PlaybackTest, PurchaseLinesAndWagonCounts) {
  struct Case {
    std::string text;
    std::string shown;  // the purchase line, or "" for none
    size_t wagons;
  } cases[] = {
      {"PURCHASE:slingards:2:50000", "Buying 2 slingards for 50000 gold!", 6},
      {"PURCHASE:gronels:250:25000", "Buying 250 gronels for 25000 gold!", 2},  // 2.5 -> 2
      {"PURCHASE:gronels:350:35000", "Buying 350 gronels for 35000 gold!", 4},  // 3.5 -> 4
      {"PURCHASE:gronels:10:1000", "Buying 10 gronels for 1000 gold!", 1},      // at least 1
      {"PURCHASE:guards:15:15000", "Hiring 15 guards for 15000 gold!", 2},      // 1.5 -> 2
      {"PURCHASE:assassins:3:22500", "Hiring 3 assassins for 22500 gold!", 3},
      {"PURCHASE:assassins:0:0", "Hiring 0 assassins for 0 gold!", 0},
      {"PURCHASE:food:3:0.6", "Buying 3 sacks of food for 0.6 gold!", 1},
      {"PURCHASE:kastle:2500:25000", "Kastle reinforced by 2500 points for 25000 gold!", 2},
      {"PURCHASE:gronels:lots:5", "Buying lots gronels for 5 gold!", 1},  // amount 1
      {"PURCHASE:slingards:x:5", "Buying x slingards for 5 gold!", 3},
      {"PURCHASE:wine:5:10", "", 0},  // no purchase line, the wagon line still
      {"PURCHASE:food:1:2:3", "Buying 1 sacks of food for 2:3 gold!", 1},
      // More than a full treasury buys: held at what one can.
      {"PURCHASE:slingards:2000000000:1", "Buying 2000000000 slingards for 1 gold!", 257697},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string body = Body({"[TEXT:" + c.text + "]"});
    const std::string line = c.shown.empty() ? "" : c.shown + CRLF;
    EXPECT_EQ(body,
              A(14) + line + CRLF + A(10) + kWagonLine + CRLF + Times(kWagon, c.wagons) + CRLF);
  }
}

TEST_F(PlaybackTest, APurchaseWithoutBothColonsShowsNothing) {
  EXPECT_EQ(Body({"[TEXT:PURCHASE:gronels:100]", "[TEXT:PURCHASE:gronels]"}), "");
}

TEST_F(PlaybackTest, HostilePurchaseLinesShareOneWagonLimit) {
  const std::string most = "[TEXT:PURCHASE:assassins:286331:1]";
  const std::string body = Body({most, most, "[TEXT:PURCHASE:gronels:1:1]"});
  EXPECT_EQ(Count(body, kWagon), static_cast<size_t>(PLAYBACK_MAX_WAGONS));
}

TEST_F(PlaybackTest, TheWagonLimitIsTheLargestPurchaseTheGameCanLog) {
  int64_t most = 0;
  for (const char* item : {"gronels", "guards", "assassins", "slingards", "food", "kastle"}) {
    most = std::max(most, PurchaseWagons(item, MaxPurchaseAmount(item)));
  }
  EXPECT_EQ(most, PLAYBACK_MAX_WAGONS);
  EXPECT_EQ(MaxPurchaseAmount("slingards"), 85899);
  EXPECT_EQ(MaxPurchaseAmount("food"), 2147483647);
  EXPECT_EQ(MaxPurchaseAmount("wine"), 0);
}

TEST_F(PlaybackTest, AnAssassinsCaughtAttemptStepByStep) {
  const std::string body = Body(
      {
          "Sent assassin",
          "[ACTION:assassin]",
          "[TEXT:Attempting infiltration!]",
          "[TEXT:GUARDS:3]",
          "[TEXT:ASSASSIN_PASS:1]",
          "[TEXT:ASSASSIN_KILL:1]",
          "[TEXT:The assassin was blocked by guards!]",
      },
      /*endsBlinking=*/true);
  EXPECT_EQ(body, A(10) + "Sent assassin" + CRLF + A(14) + CRLF + A(10) +
                      "Attempting infiltration!" + CRLF +
                      Tune("MFO1T32L8EL64DL8EL64DL8EL64DL8EP8") + CRLF + CRLF + A(12) +
                      "He has to pass 3 guards." + CRLF + CRLF + A(4) + "Passed 1!" + CRLF + kBeat +
                      A(140) + "KILLED 1" + CRLF + Times(kBeat, 5) + A(140) +
                      "His assassin was killed!" + CRLF + Tune("MFT32L2O1L8dL4C") + CRLF);
  EXPECT_EQ(fake.sleeps, (std::vector<int>{2000, 50, 100, 100, 100, 100, 100}));
}

TEST_F(PlaybackTest, ASuccessfulAssassin) {
  EXPECT_EQ(Body({"[TEXT:The assassin was successful! You have been eliminated!]"}),
            A(12) + CRLF + "You wake up, for a second, and see his assassin standing" + CRLF +
                "over you with a grim smile. His hand thrusts his knife into your heart." + CRLF +
                "You sink into the long and everlasting sleep." + CRLF +
                Tune("MFO2T96L2P32CL3CL8CP32L3CP6E-L8DL3DL8CL3CO1L8BO2L1C") + CRLF);
}

TEST_F(PlaybackTest, ActionLines) {
  const std::string gronelTune = Tune("MFO1L64T128BAAGGFFEEDDCP4");
  const std::string slingardTune = Tune("MFT76L64O2CDEFGABAGFEDCP4");
  struct Case {
    std::string name, shown;
  } cases[] = {
      {"soldier_attack", "Attacking with soldiers!" + CRLF},
      {"gronel_attack_kastle", "Firing gronels at your kastle!" + CRLF + gronelTune},
      {"slingard_attack_men", "Firing slingard at your men!" + CRLF + slingardTune},
      {"slingard_attack_kastle", "Firing slingard at your kastle!" + CRLF + slingardTune},
      {"dance", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Body({"[ACTION:" + c.name + "]"}), A(14) + c.shown + CRLF);
  }
}

TEST_F(PlaybackTest, TextLinesOfTheFight) {
  struct Case {
    std::string text, shown;
  } cases[] = {
      {"Killed 7 guards", A(14) + "He killed 7 guards!" + CRLF},
      {"Killed 3 assassins", A(11) + "He killed 3 assassins!" + CRLF},
      {"Destroyed 2 gronels", A(14) + "He destroyed 2 gronels!" + CRLF},
      {"Destroyed 1 slingards", A(11) + "He destroyed 1 slingards!" + CRLF},
      {"Killed 5 dragons", ""},
      {"Destroyed 5 walls", ""},
      {"Killed", ""},
      {"Killed soldiers", A(12) + "He killed soldiers men!" + CRLF},
      {"No damage!", A(139) + "No damage!" + CRLF + Tune("MFT32L2O1L8dL4C")},
      {"Attempting infiltration!", ""},
      {"Forces engaging!", A(10) + "Forces engaging!" + CRLF},
      {"Enemy lost 3 soldiers", A(10) + "Enemy lost 3 soldiers" + CRLF},
      {"", A(10) + CRLF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const bool blinks = c.shown.find("\x1b[5m") != std::string::npos;
    EXPECT_EQ(Body({"[TEXT:" + c.text + "]"}, blinks), c.shown);
  }
}

TEST_F(PlaybackTest, AfterTheMarkerTextsArePlainBullets) {
  EXPECT_EQ(Body({"Drafted 5 civilians", "[TEXT:GUARDS:3]", "[TEXT:* Monthly Update *]",
                  "[TEXT:GUARDS:3]", "[TEXT:Killed 2 soldiers]", "Released 4 soldiers"}),
            A(10) + "Drafted 5 civilians" + CRLF + A(12) + "He has to pass 3 guards." + CRLF +
                CRLF + kMarker + A(10) + "* GUARDS:3" + CRLF + A(10) + "* Killed 2 soldiers" +
                CRLF + A(10) + "* Released 4 soldiers" + CRLF);
}

TEST_F(PlaybackTest, ClashShoutsShareALineWithAPauseEach) {
  EXPECT_EQ(Body({"[CLASH:SMASH!]", "[CLASH:CRASH!]"}),
            A(10) + " * SMASH! * " + kBeat + A(10) + " * CRASH! * " + kBeat);
  EXPECT_EQ(fake.sleeps, (std::vector<int>{2000, 100, 100}));
}

TEST_F(PlaybackTest, OtherMusicIsPlayedAsIs) {
  EXPECT_EQ(Body({"[MUSIC:MFT32O3L16CL8F]"}), Tune("MFT32O3L16CL8F"));
}

TEST_F(PlaybackTest, SilentLines) {
  EXPECT_EQ(Body({"", "[DETAIL:at night]", "[RESULT:soldier_loss:42]", "[WEATHER:rain]", "["}), "");
}

TEST_F(PlaybackTest, ControlCharactersInALogNeverReachTheTerminal) {
  EXPECT_EQ(Body({"[TEXT:hi\x1b[2J\x0e]", "plain\x07", "[MUSIC:MF\x1b[5mC]"}),
            A(10) + "hi[2J" + CRLF + A(10) + "plain" + CRLF + Tune("MF[5mC"));
}

TEST(LogLineContent, DropsTheClosingBracketAndOneMore) {
  struct Case {
    std::string line, content;
  } cases[] = {
      {"[TEXT:abc]", "abc"}, {"[TEXT:abc]]", "abc"}, {"[TEXT:abc]]]", "abc]"},
      {"[TEXT:abc", "ab"},   {"[TEXT:]", ""},        {"[TEXT:", ""},
      {"[TE", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(LogLineContent(c.line, 6), c.content) << c.line;
}

}  // namespace

namespace {

// What the game logs is what the replay reads: a real volley's booms and
// losses come back the same, worded for the one who was hit.
TEST_F(PlaybackTest, ALoggedVolleyReplaysAsItWasFired) {
  SetCounters(*Player, {.Kastle = 15000,
                        .Soldiers = 3000,
                        .Civilians = 14000,
                        .Gronels = 40,
                        .Gold = 1000,
                        .Food = 1000});
  SetCounters(*Computer, {.Kastle = 15000,
                          .Soldiers = 3000,
                          .Civilians = 14000,
                          .Gronels = 250,
                          .Slingards = 3,
                          .Guards = 20,
                          .Gold = 1000,
                          .Food = 100000});
  fake.Seed(7);
  StartLog();
  Player->GronelAttack(Computer.get(), true);
  const std::string fired = fake.TakeOut();
  const std::string body = Body(Log());
  const size_t booms = Count(fired, "**BANG!** ") + Count(fired, "**BOOM!** ");
  ASSERT_GT(booms, 0u);
  EXPECT_EQ(Count(body, "**BANG!** ") + Count(body, "**BOOM!** "), booms);
  for (const char* loss : {" killed ", " destroyed "}) {
    size_t at = 0;
    while ((at = fired.find(std::string("You") + loss, at)) != std::string::npos) {
      const size_t end = fired.find('\r', at);
      const std::string line = fired.substr(at + 3, end - at - 3);
      EXPECT_NE(body.find("He" + line), std::string::npos) << line;
      at = end;
    }
  }
}

}  // namespace

// Cursor and other extended keys at the program's prompts: their scan codes
// are letters ("P" for Down, "K" for Left), and no prompt may take them for
// a typed answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "doorkit/door.h"
#include "game/common/globals.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/multiplayer/gamestate.h"
#include "game/multiplayer/storage.h"
#include "game/shell/mainmenu.h"
#include "support/fake_platform.h"

namespace {

// Down, Up, Right, Left, then Home, End, PgUp, PgDn, F1 and Insert as a PC
// keyboard reports them: #0 before the scan code.
const std::string kExtended = std::string("\0P\0H\0M\0K\0G\0O\0I\0Q\0;\0R", 20);

// The bytes of a whole local session whose keys are `script`, with every
// "|" replaced by `atMarks`.
std::string Session(const std::string& script, const std::string& atMarks) {
  FakePlatform fake;
  // Another caller's game waits for an opponent, so that the join has a list.
  InitializeGameDirs();
  std::unique_ptr<TPvPGameState> open = TPvPGameState::Create();
  open->GameType = gtMultiplayer;
  open->Status = gsWaitingForPlayers;
  open->MaxPlayers = 2;
  open->CurrentPlayers = 1;
  open->MonthNumber = 1;
  open->Player1Alias = "Ann";
  open->Player1DisplayName = "Guinevere";
  TPlayer ann("Queen", "Guinevere", true);
  open->SavePlayerToState(ann, 1);
  EXPECT_TRUE(CreateGameFile(*open));
  DoorSession.PipeWrite = false;
  Music = true;
  Config = TConfig{};
  for (int i = 0; i < 19; ++i) fake.Draws({0});
  std::string keys;
  for (char c : script) {
    if (c == '|') {
      keys += atMarks;
    } else {
      keys += c;
    }
  }
  fake.Keys(keys);
  char arg0[] = "/usr/games/qgs";
  char* argv[] = {arg0, nullptr};
  try {
    EXPECT_EQ(QgsMain(1, argv), 0);
  } catch (const ScriptExhausted&) {
    const std::string out = fake.TakeOut();
    ADD_FAILURE() << "the keys ran out at: " << out.substr(out.size() > 400 ? out.size() - 400 : 0);
    return out;
  }
  return fake.TakeOut();
}

TEST(ExtendedKeys, DoNothingAtAnyPromptThenTheTypedKeyActs) {
  // Each "|" stands before a prompt's answer. The screens must be byte for
  // byte those of the same session without the extended keys.
  const struct {
    const char* what;
    const char* script;
  } cases[] = {
      {"login, introduction and sound question", "|\r\r|n|q"},
      {"Klassic: King or Queen, name check, turn menu with its trading post and "
       "scoreboard choice, surrender check, play again",
       "\r\rn|k|qgrey  wolf|\r|y|t|l|$|t |?|q|y"
       "xx"
       "|n|q"},
      {"Klassic: a count at the draft dialogue",
       "\r\rnkqwolf\ry|d|1|\r"
       "xx"
       "|q|y"
       "xx"
       "|n|q"},
      {"Multiplayer: create (King or Queen, name), join, play, view, rankings, online",
       "\r\rn|m|c|q|\r |j|\r|p|v|1|\r  |r|a |w |j|1|\r|k|\r |p|q|y |q|q"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string plain = Session(c.script, "");
    const std::string withKeys = Session(c.script, kExtended);
    const auto [differs, same] =
        std::mismatch(plain.begin(), plain.end(), withKeys.begin(), withKeys.end());
    EXPECT_EQ(withKeys.size(), plain.size());
    EXPECT_TRUE(differs == plain.end())
        << "first difference after: "
        << std::string(differs - std::min<ptrdiff_t>(differs - plain.begin(), 300), differs)
        << "\nwith the keys: "
        << std::string(same, same + std::min<ptrdiff_t>(withKeys.end() - same, 200));
    // Guards the fixture: the session got past its first prompts.
    EXPECT_NE(plain.find("MAIN MENU"), std::string::npos);
  }
}

}  // namespace

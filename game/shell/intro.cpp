#include "game/shell/intro.h"

#include "doorkit/door.h"
#include "game/common/globals.h"
#include "game/common/music.h"
#include "game/kingdom/player.h"
#include "game/common/prompts.h"
#include "game/common/textutil.h"

namespace {

const char* const kLetters = "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM ";

void CentredLine(const std::string& text) {
  DoorWriteCentered(text);
  DoorWriteLn();
}

}  // namespace

void ShowIntro() {
  std::string firstName = DoorDropInfo.RealName;
  if (TrimBlanks(firstName).empty()) firstName = DoorDropInfo.Alias;
  size_t blank = firstName.find(' ');
  if (blank != std::string::npos) firstName.erase(blank);

  DoorClrScr();
  DoorTextAttr(3);
  DoorWriteLn();
  CentredLine("Welcome to Gronels and Slingards " + firstName + "!");
  CentredLine(std::string("Version ") + VERSION + " * QGS * Last Updated " + UPDATED);
  CentredLine(Format(" %s", BuildInfo().c_str()));

  DoorTextAttr(14);
  DoorWriteLn();
  DoorWriteLn("The object of Verevar & Uruzodedo is to defeat King Computer. There are 3");
  DoorWriteLn("ways to do this. You may destroy his kastle, defeat his army or have him");
  DoorWriteLn("assassinated. If this sounds easy to you " + firstName +
              ", you should be warned that");
  DoorWriteLn("King Computer is no push over!");
  DoorWriteLn();

  DoorTextAttr(15);
  DoorWriteLn("Although it may seem that the game is rigged, the odds are exactly even.");
  DoorWriteLn("A LOT of work and thousands of games have gone into making King Computer");
  DoorWriteLn("as smart as possible. It's you against him. Play carefully!!");
  DoorWriteLn();

  DoorTextAttr(10);
  DoorWriteLn("You each will recieve one point for every soldier killed, one point for every");
  DoorWriteLn("kastle point destroyed and 1,000 points for each guard passed by an assassin");
  DoorWriteLn("when successful. The loser loses their points. The scoreboard resets every");
  DoorWriteLn("month. Good Luck!");
  DoorWriteLn();

  DoorTextAttr(9);
  DoorWrite("Press [");
  DoorTextAttr(13);
  DoorWrite("ENTER");
  DoorTextAttr(9);
  DoorWrite("] to continue. -=> ");
  DoorTextAttr(13);
  DoorReadKey();

  DoorTextAttr(13);
  PlayMusic(kDraftTune);
  DoorWriteLn();

  DoorTextAttr(2);
  DoorWriteLn("If your terminal supports ANSI sound, you just heard some.");
  DoorWriteLn("If it doesnt, you just saw some weird characters.");
  DoorWriteLn();

  DoorTextAttr(10);
  DoorWrite("Do you want the ANSI sound effects? [Y/N] -=> ");
  DoorTextAttr(2);
  if (ReadEchoedKey() != 'Y') Music = false;
  PlayMusic(kFanfare);
}

void SetupPlayerKingdom() {
  std::string title, name;
  for (;;) {
    DoorWriteLn();
    title = AskRulerTitle();

    DoorTextAttr(10);
    DoorWrite("What name shall you be known by sire? -=> ");
    DoorTextAttr(2);
    std::string answer = DoorInput("", kLetters, '\0', 35, 35, 2);
    name = Proper(TrimBlanks(answer).empty() ? HoldAliasForWrite : answer);

    DoorWriteLn();
    DoorTextAttr(10);
    DoorWrite("\"" + title + " " + name + "\" Is this OK? [y/N] -=> ");
    DoorTextAttr(2);
    if (ReadEchoedKey() == 'Y') break;
  }
  Player = TPlayer::Create(title, name, true);
}

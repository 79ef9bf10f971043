#include "game/common/prompts.h"

#include <string>

#include "doorkit/door.h"
#include "game/common/textutil.h"

char ReadEchoedKey() {
  // A cursor key's scan code is a letter ("P" for Down, "K" for Left): at a
  // one-key prompt only a key the caller typed is an answer.
  char key;
  do { key = UpKey(DoorReadKey()); } while (DoorLastKey.Extended);
  DoorWriteLn(std::string(1, key));
  return key;
}

std::string AskRulerTitle() {
  char key;
  do {
    DoorTextAttr(10);
    DoorWrite("Art thou a [K] King or a [Q] Queen? -=> ");
    DoorTextAttr(2);
    key = ReadEchoedKey();
    DoorWriteLn();
  } while (key != 'K' && key != 'Q');
  return key == 'Q' ? "Queen" : "King";
}

void ShowAbortHint(uint8_t colourAfter) {
  DoorWriteLn();
  DoorTextAttr(78);
  DoorWrite("Press ");
  DoorTextAttr(79);
  DoorWrite("[ENTER]");
  DoorTextAttr(78);
  DoorWrite(" to abort.");
  DoorTextAttr(colourAfter);
  DoorWriteLn();
}

void PressAnyKey() {
  DoorWrite("Press any key...");
  DoorReadKey();
}

void PressAnyKeyPause() {
  DoorTextAttr(10);
  DoorWrite("*[ Press any Key ]*");
  DoorTextAttr(10);
  DoorReadKey();
}

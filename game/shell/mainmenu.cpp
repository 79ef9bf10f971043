#include "game/shell/mainmenu.h"

#include <optional>

#include "doorkit/door.h"
#include "game/shell/config.h"
#include "game/common/globals.h"
#include "game/shell/intro.h"
#include "game/shell/tidy.h"
#include "game/kingdom/klassic.h"
#include "game/kingdom/player.h"
#include "game/common/prompts.h"
#include "game/multiplayer/gameview.h"
#include "game/multiplayer/lobby.h"
#include "game/multiplayer/newgame.h"
#include "game/multiplayer/online.h"
#include "game/multiplayer/pvpturn.h"
#include "game/multiplayer/rankings.h"
#include "game/multiplayer/storage.h"
#include "game/records/scores.h"

namespace {

// Code page 437 double-line box characters.
const char kTopLeft = '\xC9', kTopRight = '\xBB', kBottomLeft = '\xC8', kBottomRight = '\xBC';
const char kTeeLeft = '\xCC', kTeeRight = '\xB9', kHorizontal = '\xCD', kVertical = '\xBA';
const int kMenuWidth = 42;

std::string Rule(char left, char right) {
  return "  " + std::string(1, left) + std::string(kMenuWidth, kHorizontal) + right + "\r\n";
}

std::string Framed(const std::string& text) {
  return "  " + std::string(1, kVertical) + text + kVertical + "\r\n";
}

void ShowThisMonthsBoard() {
  DoorClrScr();
  DoorTextAttr(10);
  ShowScoreboard(true);
  DoorWriteLn();
  PressAnyKey();
}

// The game's own command-line switches, handed over by the door layer.
void OnGameSwitch(char key, const std::string&) {
  if (key == 'U') DoorCharset = csUTF8;  // a BBS whose callers' terminals speak UTF-8
}

void PlayKlassic() {
  SetupPlayerKingdom();
  do { PlayGame(); } while (PlayAgain());
  Player.reset();
}

// R of the Multiplayer menu. The answer picks the table and is no menu key.
void ShowRankingsOfChoice() {
  DoorWriteLn();
  DoorTextAttr(10);
  DoorWrite("Show [M] Monthly or [A] All-Time rankings? ");
  const char key = ReadEchoedKey();
  ShowPvPRankings(key != 'A');
  DoorWriteLn();
  PressAnyKey();
}

void PlayMultiplayer() {
  // The expiry pass of entering; the first lobby is drawn from the games it
  // read rather than reading them all again.
  std::optional<TGameScan> justCleaned = CleanupAndScanGames();
  do {
    MenuChoice = justCleaned ? ShowMultiplayerMenu(std::move(*justCleaned)) : ShowMultiplayerMenu();
    justCleaned.reset();
    switch (MenuChoice) {
      case 'C': CreateNewPvPGame(); break;
      case 'J': JoinPvPGame(); break;
      case 'P': PlayPvPTurn(); break;
      case 'V': ViewGameStatus(); break;
      case 'R': ShowRankingsOfChoice(); break;
      case 'W':
        UpdatePlayerOnlineStatus();
        ShowWhoIsOnline();
        break;
      default: break;  // Q leaves; any other key (ENTER too) draws the lobby afresh
    }
  } while (MenuChoice != 'Q');
}

}  // namespace

char ShowMainMenu() {
  struct Item {
    uint8_t colour;
    const char* text;
  };
  static const Item kItems[] = {
      {14, "  [K] Klassic Mode (vs Computer)          "},
      {11, "  [M] Multiplayer (Player vs Player)      "},
      {10, "  [R] Rankings & Statistics               "},
      {3, "  [H] Help & Instructions                 "},
      {12, "  [Q] Quit to BBS                         "},
  };
  DoorClrScr();
  DoorWriteLn();
  DoorTextAttr(2);
  DoorWrite(Rule(kTopLeft, kTopRight));
  DoorWrite("  " + std::string(1, kVertical));
  DoorTextAttr(10);
  DoorWrite("    VEREVAR & URUZODEDO 25 - MAIN MENU    ");
  DoorTextAttr(2);
  DoorWrite(std::string(1, kVertical) + "\r\n");
  DoorWrite(Rule(kTeeLeft, kTeeRight));
  DoorWrite(Framed(std::string(kMenuWidth, ' ')));
  for (const Item& item : kItems) {
    DoorTextAttr(2);
    DoorWrite("  " + std::string(1, kVertical));
    DoorTextAttr(item.colour);
    DoorWrite(item.text);
    DoorTextAttr(2);
    DoorWrite(std::string(1, kVertical) + "\r\n");
  }
  DoorWrite(Framed(std::string(kMenuWidth, ' ')));
  DoorWrite(Rule(kBottomLeft, kBottomRight));
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWrite("  Select option: ");
  return ReadEchoedKey();
}

void ShowHelp() {
  DoorClrScr();
  DoorWriteLn();
  DoorTextAttr(15);
  DoorWriteCentered("  * HELP & INSTRUCTIONS *");
  DoorWriteLn();
  DoorWriteLn();
  DoorTextAttr(14);
  DoorWriteLn("Klassic Mode: Battle King Computer to destroy his kastle, defeat");
  DoorWriteLn("              his army, or assassinate him!");
  DoorWriteLn();
  DoorWriteLn("Multiplayer:  Challenge other players to strategic warfare!");
  DoorWriteLn("              Games are turn-based and async.");
  DoorWriteLn();
  DoorTextAttr(10);
  DoorWriteLn("During your turn you can:");
  DoorWriteLn("  - Draft civilians or release soldiers");
  DoorWriteLn("  - Visit the trading post to buy supplies");
  DoorWriteLn("  - Attack with soldiers, gronels, or slingards");
  DoorWriteLn("  - Send assassins to eliminate your opponent");
  DoorWriteLn();
  PressAnyKey();
}

int QgsMain(int argc, char** argv) {
  Env().Randomize();
  DoorProgramNameAndVersion = "Verevar & Uruzodedo 25";
  DoorSession.PipeWrite = false;
  DoorOnCLP = OnGameSwitch;
  DoorStartup(argc, argv);
  HoldAliasForWrite = DoorDropInfo.Alias;
  InitializeGameDirs();
  TidyGameDir();
  Config = ReadConfig();
  ShowIntro();

  Done = false;
  do {
    MenuChoice = ShowMainMenu();
    switch (MenuChoice) {
      case 'K': PlayKlassic(); break;
      case 'M': PlayMultiplayer(); break;
      case 'R': ShowThisMonthsBoard(); break;
      case 'H': ShowHelp(); break;
      case 'Q': Done = true; break;
      default: break;  // the menu is drawn again
    }
  } while (!Done);

  DoorWriteLn();
  DoorWriteLn();
  DoorTextAttr(6);
  DoorWriteLn("Returning to " + Config.BBSName + "...");
  RemovePlayerFromOnline();
  ShowOnlineListFailure();
  Delay(2000);
  DoorShutdown();
  return 0;
}

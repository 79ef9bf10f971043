// The program's spine: start-up, the main menu and its dispatch, the help
// screen and the way out.
#pragma once

#include <string>

// Draws the main menu, reads one key and returns it upper-cased.
char ShowMainMenu();
void ShowHelp();
// The main routine; returns the process's exit code.
int QgsMain(int argc, char** argv);

// The operator's settings, "qgs.cfg" in the game directory: four positional
// lines (sysop name, BBS name, games limit, days until a game expires).
#pragma once

#include "game/common/globals.h"

TConfig ReadConfig();

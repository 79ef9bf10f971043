#include "doorkit/platform.h"
#include "game/mainmenu.h"

int main(int argc, char** argv) { Env().Exit(QgsMain(argc, argv)); }

#include "doorkit/platform.h"
#include "game/shell/mainmenu.h"

int main(int argc, char** argv) { Env().Exit(QgsMain(argc, argv)); }

#include "doorkit/platform.h"
#include "game/shell/heap.h"
#include "game/shell/mainmenu.h"

int main(int argc, char** argv) {
  KeepFreedMemory();
  Env().Exit(QgsMain(argc, argv));
}

#include <malloc.h>

#include "doorkit/platform.h"
#include "game/shell/mainmenu.h"

int main(int argc, char** argv) {
  // Every lobby draw builds a state for each game file and frees them all
  // again; left to its defaults, glibc hands that memory back to the system
  // after each draw and takes page faults to get it again at the next.
  // Keeping it costs the peak of one draw (some megabytes with ten thousand
  // games) and makes a redraw on a busy board markedly quicker.
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  Env().Exit(QgsMain(argc, argv));
}

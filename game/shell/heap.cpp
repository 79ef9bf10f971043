#include "game/shell/heap.h"

#include <malloc.h>

void KeepFreedMemory() {
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
}

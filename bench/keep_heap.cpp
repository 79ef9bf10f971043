// The benchmarks run with the heap kept as the program keeps it.
#include "game/shell/heap.h"

namespace {
const bool kHeapKept = (KeepFreedMemory(), true);
}  // namespace

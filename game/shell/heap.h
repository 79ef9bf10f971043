// How the program's heap is kept between screens.
#pragma once

// Every lobby draw builds a state for each game file and frees them all
// again, and the rankings load and sort the whole table: left to its
// defaults, the allocator hands that memory back to the system after each
// draw and takes page faults to get it again at the next. This keeps it
// (and keeps big blocks on the heap rather than mapping each afresh), at the
// cost of holding the peak of one draw, some megabytes on a busy board.
// Called first thing in main.
void KeepFreedMemory();

// What the files under door.h (door, door_dropfiles, door_events,
// door_hooks, door_input, door_output) share among themselves and show
// nobody else.
#pragma once

// Each puts the program-wide state it owns back to its start; DoorReset
// calls them all.
void DoorHooksReset();
void DoorOutputReset();

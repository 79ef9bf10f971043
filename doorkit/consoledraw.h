// Puts the local console's model (screencells) on standard output: the
// cells that changed, in the caller's colours as the builders write them.
#pragma once

// When standard output is a terminal, draws every cell changed since the
// last draw and leaves the terminal in the tracked attribute of crt2. With
// keepCursor the terminal's cursor is saved and restored around the cells
// (direct writes); otherwise it is moved to the model's cursor. Changes are
// forgotten either way.
void ConsoleDraw(bool keepCursor);

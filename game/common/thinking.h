// The "Thinking" banner shown while the other side's turn is worked out or
// replayed: raw colour sequences (not pipe codes), then a 2000 ms pause.
#pragma once

// The banner line, the pause, then two empty lines.
void ShowThinkingBanner();

// Frames a tune of the ANSI-music play language as ESC "[M" ... SO, the
// sequence that music-capable BBS terminals play.
#pragma once

#include <string>

// The framed sequence for a tune ("MFT64..." becomes ESC "[MFT64..." SO).
// The door sends it with EmitAnsiMusicSequence (door.h).
std::string AnsiMusicSequence(const std::string& tune);

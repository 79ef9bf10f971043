// The output character set, in one place: code page 437 as the game writes
// it, translated to UTF-8 for terminals that expect UTF-8.
#pragma once

#include <string>
#include <string_view>

// Bytes 128..255 become their UTF-8 characters; everything else is kept.
std::string Cp437ToUtf8(std::string_view bytes);
// Removes ANSI-music sequences (ESC "[M" ... SO) from one write; a UTF-8
// terminal cannot play them and would take ESC "[M" as "delete line".
std::string StripAnsiMusic(std::string_view bytes);
// One screen cell's character as the terminal should show it: the code page
// 437 glyph, in UTF-8 when utf8 is set. Control bytes (0..31, 127) become
// their glyphs in UTF-8, and blanks otherwise, so that no cell can act on
// the terminal; NUL is a blank.
std::string Cp437Glyph(char c, bool utf8);

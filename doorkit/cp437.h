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

// Small text conversions shared by the game's readers and screens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Whole numbers (TryStrToInt32, StrToIntDef, ClampInt32) and UpperCase come
// from the door layer's string helpers.
#include "doorkit/door.h"

// Trims characters with codes below 33 (blanks and control characters) from
// both ends.
std::string TrimControl(const std::string& s);
// Trims blanks from both ends.
std::string TrimBlanks(const std::string& s);
// The same without a copy: the part of s between its leading and trailing
// blanks.
std::string_view WithoutBlanks(std::string_view s);
char UpKey(char c);
// printf into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int32_t Min(int32_t a, int32_t b);
int32_t Max(int32_t a, int32_t b);
// Capitalises each word ("tHE  black KNIGHT" -> "The  Black Knight").
std::string Proper(const std::string& S);
// "1,234,567"; "-5,000".
std::string PrettyNumber(int32_t N);

// Small string helpers of the door layer: durations, colour-code handling,
// delimited tokens, whole numbers and case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Index 0 is present and empty; the tokens are at 1..N.
using TTokens = std::vector<std::string>;

std::string SecToDHMS(int32_t s);  // "0d 1h 2m 5s"
std::string SecToHM(int32_t s);    // "01:02"
std::string SecToHMS(int32_t s);   // "01:02:05"
std::string SecToMS(int32_t s);    // "62:05"

// "|" + two hex digits (a whole attribute byte) becomes an ANSI sequence.
std::string PipeToAnsi(const std::string& text);
// Removes backtick colour codes (grave accent + one character, + two for "r").
std::string TickStrip(const std::string& text);

TTokens StrToTok(const std::string& text, char delimiter);
std::string TokToStr(const TTokens& tokens, char delimiter, int start = 1);

std::string Base64Decode(const std::string& text);

// The whole text as a decimal int32: an optional sign, then digits only.
// False (value untouched) for anything else, including out-of-range numbers.
bool TryStrToInt32(const std::string& text, int32_t& value);
// The same, or fallback.
int32_t StrToIntDef(const std::string& text, int32_t fallback);
// A 64-bit result held to int32's range.
int32_t ClampInt32(int64_t v);
// Letters a to z upper-cased; every other byte kept.
std::string UpperCase(std::string s);

// Date-times in the data files. A TDateTime (doorkit/platform.h) counts
// fractional days since 30 December 1899; the files hold it as text:
//
//   "9-12-26 14:05:09"   day and month without leading zeros, a two-digit
//                        year, a blank and a 24-hour time
//   "1-1-27"             exactly midnight: the time is left out
//
// Every data file that stores a date-time goes through this module, so the
// form is written and read back the same way everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "doorkit/platform.h"

// The calendar date of t (proleptic Gregorian). Values outside the years
// 1..9999, infinities and NaN are clamped to that range first.
void DecodeDate(TDateTime t, int& Year, int& Month, int& Day);
// The time of day of t, to the whole second (milliseconds are dropped).
void DecodeTime(TDateTime t, int& Hour, int& Minute, int& Second);
int YearOf(TDateTime t);
int MonthOf(TDateTime t);
// "January" for 1 up to "December" for 12; "" for any other number.
const char* MonthName(int Month);

inline constexpr int64_t kMsPerDay = 86400000;
// Whole milliseconds from AThen to ANow (negative when AThen is later); 0
// for NaN, and never beyond +-9e18. The files hold whole seconds, so "at
// least so many days" is decided exactly rather than by float noise.
int64_t ElapsedMs(TDateTime ANow, TDateTime AThen);

// Midnight of the date; false (value untouched) for a date that does not
// exist, such as 31 February, or a year outside 1..9999.
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& value);
// A date plus a time of day (hours 0..23, minutes and seconds 0..59).
bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second,
                       TDateTime& value);

// The full year that a two-digit year stands for: the one within 50 years
// of currentYear (from currentYear - 50 up to currentYear + 49).
int ExpandTwoDigitYear(int twoDigitYear, int currentYear);

// The data files' text form of t, as shown above.
std::string DateTimeToStr(TDateTime t);

// Reads the text form back. Blanks around the text are ignored; the time
// may be "h:n" or "h:n:s" and may be missing (midnight). A year of one or
// two digits is taken within 50 years of the current year (from Now(), or
// currentYear in the second form); a longer year is taken as written.
// False (value untouched) for anything else, including dates that do not
// exist.
bool TryStrToDateTime(std::string_view text, TDateTime& value);
bool TryStrToDateTime(std::string_view text, TDateTime& value, int currentYear);

#include "game/common/datetime.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "game/common/textutil.h"

namespace {

constexpr int64_t kUnixEpochDay = 25569;                  // 1 January 1970 as a TDateTime
constexpr TDateTime kMinDateTime = -693593.0;             // 1 January 1
constexpr TDateTime kMaxDateTime = 2958465.0 + 0.999999;  // 31 December 9999

// Whole milliseconds since 30 December 1899. Both the date and the time are
// taken from this one rounded value, so that they always agree (a time just
// short of midnight never shows as the old day at 24:00:00).
int64_t ToMilliseconds(TDateTime t) {
  if (std::isnan(t)) t = 0;
  t = std::clamp(t, kMinDateTime, kMaxDateTime);
  return std::llround(t * static_cast<double>(kMsPerDay));
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

struct CivilDate {
  int year, month, day;
};

// Days since 1 January 1970 to a Gregorian date and back (the well-known
// era-based conversion: 400-year eras of 146097 days, years starting in
// March so that the leap day comes last).
CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

int64_t DaysFromCivil(int year, int month, int day) {
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// A small cursor over the text being parsed.
class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}
  bool AtEnd() const { return pos_ == s_.size(); }
  bool Take(char c) {
    if (AtEnd() || s_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // One to maxDigits decimal digits; reports how many were read.
  bool Number(size_t maxDigits, int& value, size_t& digits) {
    value = 0;
    digits = 0;
    while (!AtEnd() && std::isdigit(static_cast<unsigned char>(s_[pos_])) && digits < maxDigits) {
      value = value * 10 + (s_[pos_++] - '0');
      ++digits;
    }
    return digits > 0 && (AtEnd() || !std::isdigit(static_cast<unsigned char>(s_[pos_])));
  }
  bool Number(size_t maxDigits, int& value) {
    size_t digits;
    return Number(maxDigits, value, digits);
  }
  bool SkipBlanks() {
    size_t start = pos_;
    while (!AtEnd() && s_[pos_] == ' ') ++pos_;
    return pos_ > start;
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

// "h:n" or "h:n:s".
bool ParseTime(Scanner& in, int& hour, int& minute, int& second) {
  second = 0;
  if (!in.Number(2, hour) || !in.Take(':') || !in.Number(2, minute)) return false;
  if (in.Take(':') && !in.Number(2, second)) return false;
  return true;
}

}  // namespace

void DecodeDate(TDateTime t, int& Year, int& Month, int& Day) {
  const CivilDate date = CivilFromDays(FloorDiv(ToMilliseconds(t), kMsPerDay) - kUnixEpochDay);
  Year = date.year;
  Month = date.month;
  Day = date.day;
}

void DecodeTime(TDateTime t, int& Hour, int& Minute, int& Second) {
  const int64_t ms = ToMilliseconds(t);
  const int64_t secondOfDay = (ms - FloorDiv(ms, kMsPerDay) * kMsPerDay) / 1000;
  Hour = static_cast<int>(secondOfDay / 3600);
  Minute = static_cast<int>(secondOfDay / 60 % 60);
  Second = static_cast<int>(secondOfDay % 60);
}

int YearOf(TDateTime t) {
  int y, m, d;
  DecodeDate(t, y, m, d);
  return y;
}

int MonthOf(TDateTime t) {
  int y, m, d;
  DecodeDate(t, y, m, d);
  return m;
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& value) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12) return false;
  if (Day < 1 || Day > DaysInMonth(Year, Month)) return false;
  value = static_cast<TDateTime>(DaysFromCivil(Year, Month, Day) + kUnixEpochDay);
  return true;
}

bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second,
                       TDateTime& value) {
  if (Hour < 0 || Hour > 23 || Minute < 0 || Minute > 59 || Second < 0 || Second > 59) {
    return false;
  }
  TDateTime date;
  if (!TryEncodeDate(Year, Month, Day, date)) return false;
  value = date + (Hour * 3600 + Minute * 60 + Second) / 86400.0;
  return true;
}

int ExpandTwoDigitYear(int twoDigitYear, int currentYear) {
  const int threshold = currentYear - 50;
  int year = threshold / 100 * 100 + twoDigitYear;
  if (year < threshold) year += 100;
  return year;
}

std::string DateTimeToStr(TDateTime t) {
  int year, month, day, hour, minute, second;
  DecodeDate(t, year, month, day);
  std::string text = Format("%d-%d-%02d", day, month, year % 100);
  const int64_t ms = ToMilliseconds(t);
  if (ms % kMsPerDay != 0) {
    DecodeTime(t, hour, minute, second);
    text += Format(" %02d:%02d:%02d", hour, minute, second);
  }
  return text;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value, int currentYear) {
  Scanner in(WithoutBlanks(text));
  int day, month, year;
  size_t yearDigits;
  if (!in.Number(2, day) || !in.Take('-') || !in.Number(2, month) || !in.Take('-') ||
      !in.Number(4, year, yearDigits)) {
    return false;
  }
  if (yearDigits <= 2) year = ExpandTwoDigitYear(year, currentYear);
  int hour = 0, minute = 0, second = 0;
  if (!in.AtEnd() && !(in.SkipBlanks() && ParseTime(in, hour, minute, second) && in.AtEnd())) {
    return false;
  }
  return TryEncodeDateTime(year, month, day, hour, minute, second, value);
}

bool TryStrToDateTime(std::string_view text, TDateTime& value) {
  return TryStrToDateTime(text, value, YearOf(Now()));
}

const char* MonthName(int Month) {
  static const char* const kNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
  return Month >= 1 && Month <= 12 ? kNames[Month - 1] : "";
}

int64_t ElapsedMs(TDateTime ANow, TDateTime AThen) {
  const double ms = (ANow - AThen) * static_cast<double>(kMsPerDay);
  if (std::isnan(ms)) return 0;
  return std::llround(std::clamp(ms, -9.0e18, 9.0e18));
}

#include "game/common/datetime.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/fake_platform.h"

namespace {

constexpr double kSecond = 1.0 / 86400.0;

TDateTime At(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0) {
  TDateTime t = -1;
  EXPECT_TRUE(TryEncodeDateTime(y, m, d, hh, nn, ss, t)) << y << "-" << m << "-" << d;
  return t;
}

TEST(DateTime, DecodesKnownDays) {
  struct Case {
    TDateTime t;
    int year, month, day;
  } const cases[] = {
      {0, 1899, 12, 30},    {1, 1899, 12, 31},         {2, 1900, 1, 1},
      {-1, 1899, 12, 29},   {25569, 1970, 1, 1},       {36586, 2000, 3, 1},
      {45351, 2024, 2, 29}, {46365.5, 2026, 12, 9},    {46365.999, 2026, 12, 9},
      {-693593, 1, 1, 1},   {2958465.5, 9999, 12, 31},
  };
  for (const Case& c : cases) {
    int y, m, d;
    DecodeDate(c.t, y, m, d);
    EXPECT_EQ(y, c.year) << c.t;
    EXPECT_EQ(m, c.month) << c.t;
    EXPECT_EQ(d, c.day) << c.t;
  }
}

TEST(DateTime, OutOfRangeValuesAreClampedNotUndefined) {
  int y, m, d;
  DecodeDate(1e300, y, m, d);
  EXPECT_EQ(y, 9999);
  DecodeDate(-1e300, y, m, d);
  EXPECT_EQ(y, 1);
  DecodeDate(std::nan(""), y, m, d);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(DateTimeToStr(INFINITY), "31-12-99 23:59:59");
}

TEST(DateTime, EncodesOnlyRealDates) {
  struct Case {
    int y, m, d;
    bool ok;
  } const cases[] = {
      {2024, 2, 29, true}, {2023, 2, 29, false}, {2000, 2, 29, true},  {1900, 2, 29, false},
      {2026, 4, 30, true}, {2026, 4, 31, false}, {2026, 12, 31, true}, {2026, 13, 1, false},
      {2026, 0, 1, false}, {2026, 1, 0, false},  {0, 1, 1, false},     {10000, 1, 1, false},
      {1, 1, 1, true},     {9999, 12, 31, true},
  };
  for (const Case& c : cases) {
    TDateTime t = 123;
    EXPECT_EQ(TryEncodeDate(c.y, c.m, c.d, t), c.ok) << c.y << "-" << c.m << "-" << c.d;
    if (!c.ok) { EXPECT_EQ(t, 123); }
  }
  TDateTime t;
  EXPECT_TRUE(TryEncodeDate(2026, 12, 9, t));
  EXPECT_EQ(t, 46365);
  EXPECT_FALSE(TryEncodeDateTime(2026, 12, 9, 24, 0, 0, t));
  EXPECT_FALSE(TryEncodeDateTime(2026, 12, 9, 0, 60, 0, t));
  EXPECT_FALSE(TryEncodeDateTime(2026, 12, 9, 0, 0, 60, t));
}

TEST(DateTime, WritesTheDataFileForm) {
  struct Case {
    TDateTime t;
    const char* text;
  } const cases[] = {
      {46365.5, "9-12-26 12:00:00"},
      {46365.0, "9-12-26"},  // exactly midnight: no time
      {46365.0 + kSecond, "9-12-26 00:00:01"},
      {At(2005, 1, 2, 3, 4, 5), "2-1-05 03:04:05"},
      {At(1999, 12, 31, 23, 59, 59), "31-12-99 23:59:59"},
      {At(2024, 2, 29, 13, 7, 0), "29-2-24 13:07:00"},
      {0, "30-12-99"},
      {46365.0 + 0.4 * kSecond, "9-12-26 00:00:00"},  // not exactly midnight
      // Milliseconds are dropped, but a value a hair before midnight is the
      // next day's midnight rather than "24:00:00".
      {46365.0 + 86399.9996 * kSecond, "10-12-26"},
      {46365.0 + 86399.7 * kSecond, "9-12-26 23:59:59"},
  };
  for (const Case& c : cases) EXPECT_EQ(DateTimeToStr(c.t), c.text) << c.t;
}

TEST(DateTime, TwoDigitYearsLandWithinFiftyYears) {
  struct Case {
    int twoDigit, current, year;
  } const cases[] = {
      {76, 2026, 1976}, {75, 2026, 2075}, {26, 2026, 2026}, {0, 2026, 2000},  {99, 2026, 1999},
      {50, 2000, 1950}, {49, 2000, 2049}, {0, 2050, 2000},  {99, 2050, 2099}, {0, 2051, 2100},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandTwoDigitYear(c.twoDigit, c.current), c.year)
        << c.twoDigit << " in " << c.current;
  }
}

TEST(DateTime, ReadsTheDataFileForm) {
  struct Case {
    const char* text;
    TDateTime expected;
  } const cases[] = {
      {"9-12-26 12:00:00", 46365.5},
      {"9-12-26", 46365.0},
      {"  9-12-26 12:00:00  ", 46365.5},
      {"09-01-26 12:00:00", At(2026, 1, 9, 12, 0, 0)},
      {"9-12-26  7:05", At(2026, 12, 9, 7, 5, 0)},
      {"9-12-26 7:5:3", At(2026, 12, 9, 7, 5, 3)},
      {"9-12-2026 12:00:00", 46365.5},  // a four-digit year as written
      {"1-1-1950", At(1950, 1, 1)},
      {"1-1-76", At(1976, 1, 1)},
      {"31-12-75", At(2075, 12, 31)},
      {"1-1-5", At(2005, 1, 1)},
      {"29-2-24 23:59:59", At(2024, 2, 29, 23, 59, 59)},
  };
  for (const Case& c : cases) {
    TDateTime t = -1;
    bool ok = TryStrToDateTime(c.text, t, 2026);
    if (c.expected < 0) {
      EXPECT_FALSE(ok) << c.text;
    } else {
      EXPECT_TRUE(ok) << c.text;
      EXPECT_NEAR(t, c.expected, 1e-9) << c.text;
    }
  }
}

TEST(DateTime, RejectsMalformedText) {
  const char* const bad[] = {
      "",
      "   ",
      "9-12",
      "9/12/26",
      "9-12-26x",
      "9--26",
      "-9-12-26",
      "a-b-c",
      "32-1-26",
      "29-2-23",
      "0-1-26",
      "1-0-26",
      "1-13-26",
      "123-1-26",
      "1-1-12345",
      "9-12-26 12",
      "9-12-26 12:",
      "9-12-26 12:00:",
      "9-12-26 24:00:00",
      "9-12-26 12:60:00",
      "9-12-26 12:00:60",
      "9-12-26 12:00:00x",
      "9-12-26 12:00:00 1",
      "9-12-26T12:00:00",
      "9-12-26\t12:00:00",
      "9 -12-26",
      "09-012-26",
      "+9-12-26",
      "9-12-26 -1:00:00",
  };
  for (const char* text : bad) {
    TDateTime t = 123;
    EXPECT_FALSE(TryStrToDateTime(text, t, 2026)) << '"' << text << '"';
    EXPECT_EQ(t, 123) << text;
  }
}

TEST(DateTime, RoundTripsToTheSecondAcrossTheWindow) {
  // Every 3 days and 7 hours and a few seconds from 1976 to 2075: the text
  // reads back to the same second, and writes out to the same text.
  const TDateTime first = At(1976, 1, 1), last = At(2075, 12, 31, 23, 59, 59);
  int checked = 0;
  for (TDateTime t = first; t <= last; t += 3 + 7.0 / 24 + 13 * kSecond) {
    const TDateTime whole = std::floor(t * 86400 + 0.5) / 86400;
    const std::string text = DateTimeToStr(whole);
    TDateTime back;
    ASSERT_TRUE(TryStrToDateTime(text, back, 2026)) << text;
    EXPECT_NEAR(back, whole, 1e-6) << text;
    EXPECT_EQ(DateTimeToStr(back), text);
    ++checked;
  }
  EXPECT_GT(checked, 10000);
}

TEST(DateTime, TheWindowFollowsThePlatformClock) {
  FakePlatform fake;  // 9 December 2026
  TDateTime t;
  ASSERT_TRUE(TryStrToDateTime("1-1-09", t));
  EXPECT_EQ(YearOf(t), 2009);
  ASSERT_TRUE(TryStrToDateTime("1-1-76", t));
  EXPECT_EQ(YearOf(t), 1976);

  fake.Advance(40LL * 365 * 86400000);  // late 2066
  ASSERT_EQ(YearOf(Now()), 2066);
  ASSERT_TRUE(TryStrToDateTime("1-1-09", t));
  EXPECT_EQ(YearOf(t), 2109);
  ASSERT_TRUE(TryStrToDateTime("1-1-16", t));
  EXPECT_EQ(YearOf(t), 2016);
  ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(Now()), t));
  EXPECT_EQ(MonthOf(t), MonthOf(Now()));
  EXPECT_EQ(YearOf(t), 2066);
}

TEST(DateTime, DecodesTheTimeOfDay) {
  int h, n, s;
  DecodeTime(At(2026, 12, 9, 23, 4, 5) + 0.4 * kSecond, h, n, s);
  EXPECT_EQ(h * 10000 + n * 100 + s, 230405);
  DecodeTime(-0.25, h, n, s);  // a quarter of a day before 30 December 1899
  EXPECT_EQ(h, 18);
}

TEST(DateTime, ElapsedMsIsExactAndBounded) {
  const TDateTime then = At(2026, 12, 1, 12, 0, 0);
  EXPECT_EQ(ElapsedMs(then + 7, then), 7 * kMsPerDay);
  EXPECT_EQ(ElapsedMs(At(2026, 12, 8, 11, 59, 59), then), 7 * kMsPerDay - 1000);
  EXPECT_EQ(ElapsedMs(then, then + 1), -kMsPerDay);
  EXPECT_EQ(ElapsedMs(std::nan(""), then), 0);
  EXPECT_EQ(ElapsedMs(1e300, 0), 9000000000000000000);
  EXPECT_EQ(ElapsedMs(-1e300, 0), -9000000000000000000);
}

TEST(DateTime, NamesTheMonths) {
  EXPECT_STREQ(MonthName(1), "January");
  EXPECT_STREQ(MonthName(9), "September");
  EXPECT_STREQ(MonthName(12), "December");
  EXPECT_STREQ(MonthName(0), "");
  EXPECT_STREQ(MonthName(13), "");
}

}  // namespace

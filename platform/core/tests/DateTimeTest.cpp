#include "platform/core/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "platform/core/Clock.h"
#include "platform/core/Exceptions.h"

namespace {

// Runs a test in a given time zone and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old, had_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

struct DateCase {
  int y, m, d;
  double value;
};

TEST(DateTime, CalendarDatesAndTheirNumbers) {
  const DateCase cases[] = {
      {1899, 12, 30, 0},   {1899, 12, 31, 1},    {1900, 1, 1, 2},      {1899, 12, 29, -1},
      {1899, 1, 1, -363},  {1800, 1, 1, -36522}, {1, 1, 1, -693593},   {9999, 12, 31, 2958465},
      {1970, 1, 1, 25569}, {2000, 2, 29, 36585}, {2005, 3, 15, 38426}, {1900, 3, 1, 61},
  };
  for (const DateCase& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.value) << c.y << "-" << c.m << "-" << c.d;
    int y, m, d;
    DecodeDate(c.value, y, m, d);
    EXPECT_EQ(std::tie(y, m, d), std::tie(c.y, c.m, c.d)) << c.value;
  }
  for (const auto& [y, m, d] : {std::tuple{2005, 2, 29},
                                {1900, 2, 29},
                                {2005, 13, 1},
                                {2005, 0, 1},
                                {2005, 4, 31},
                                {0, 1, 1},
                                {10000, 1, 1},
                                {2005, 1, 0}}) {
    TDateTime ignored;
    EXPECT_FALSE(TryEncodeDate(y, m, d, ignored)) << y << "-" << m << "-" << d;
  }
  EXPECT_THROW(EncodeDate(2005, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  int y, m, d;
  EXPECT_THROW(DecodeDate(1e12, y, m, d), EConvertError);
  EXPECT_THROW(DecodeDate(EncodeDate(9999, 12, 31) + 1, y, m, d), EConvertError);
  EXPECT_THROW(FormatDateTime("yyyy", std::nan("")), EConvertError);
}

TEST(DateTime, TimesAroundMidnightAndBeforeTheEpoch) {
  struct Case {
    double value;
    const char* text;  // yyyy-mm-dd hh:nn:ss.zzz
  };
  const Case cases[] = {
      {0, "1899-12-30 00:00:00.000"},
      {0.25, "1899-12-30 06:00:00.000"},
      {-0.25, "1899-12-30 06:00:00.000"},  // the host's quirk: the fraction counts forward
      {-1.25, "1899-12-29 06:00:00.000"},
      {-1.75, "1899-12-29 18:00:00.000"},
      {38426.99999999, "2005-03-15 23:59:59.999"},
      {38426.999999999, "2005-03-16 00:00:00.000"},  // rounds to the next midnight
      {38427 - 0.5 / 86400000, "2005-03-16 00:00:00.000"},
      {38426 + (14 * 3600 + 30 * 60 + 5) / 86400.0, "2005-03-15 14:30:05.000"},
      {-36522 - 0.5, "1800-01-01 12:00:00.000"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", c.value), c.text) << c.value;

  EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0)), -1.25);
  EXPECT_EQ(ComposeDateTime(EncodeDate(2005, 3, 15), EncodeTime(12, 0, 0, 0)), 38426.5);
  int h, n, s, ms;
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ(std::tie(h, n, s, ms), std::make_tuple(23, 59, 59, 999));
  EXPECT_EQ(DateOf(-1.25), -1);
  EXPECT_EQ(TimeOf(-1.25), 0.25);
  EXPECT_EQ(DayOfWeek(0), 7);                         // Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2005, 3, 15)), 3);   // Tuesday
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1);  // Sunday
}

TEST(DateTime, IncMonthKeepsTheDayWhereItCan) {
  const std::tuple<DateCase, int, DateCase> cases[] = {
      {{2005, 1, 31, 0}, 1, {2005, 2, 28, 0}},  {{2004, 1, 31, 0}, 1, {2004, 2, 29, 0}},
      {{2005, 3, 15, 0}, 12, {2006, 3, 15, 0}}, {{2005, 1, 15, 0}, -1, {2004, 12, 15, 0}},
      {{2005, 5, 31, 0}, -3, {2005, 2, 28, 0}},
  };
  for (const auto& [from, months, to] : cases) {
    const TDateTime start = EncodeDate(from.y, from.m, from.d) + 0.5;
    EXPECT_EQ(IncMonth(start, months), EncodeDate(to.y, to.m, to.d) + 0.5)
        << from.m << "/" << from.d << "+" << months;
  }
}

TEST(DateTime, SystemTimeInTheLocalZone) {
  ScopedTimeZone zone("America/New_York");
  // 2005-03-15 19:30:05.250 UTC is 14:30:05.250 in New York (EST).
  const std::time_t utc = 1110915005;
  const auto point = std::chrono::system_clock::from_time_t(utc) + std::chrono::milliseconds(250);
  const TDateTime local = TimePointToDateTime(point);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", local), "2005-03-15 14:30:05.250");
  EXPECT_EQ(DateTimeToTimePoint(local), point);
  EXPECT_EQ(DateTimeToTimeT(TimeTToDateTime(utc)), utc);
  // Summer time: UTC-4.
  EXPECT_EQ(FormatDateTime("hh:nn", TimeTToDateTime(1121455800)), "15:30");  // 2005-07-15 19:30 UTC
  // Before 1970 as well.
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", TimeTToDateTime(-86400)), "1969-12-30 19:00");

  FakeClock clock(point);
  ScopedClock use(clock);
  EXPECT_EQ(Now(), local);
  EXPECT_EQ(Date(), EncodeDate(2005, 3, 15));
  EXPECT_NEAR(Time(), EncodeTime(14, 30, 5, 250), 1e-9);
  ScopedTimeZone tokyo("Asia/Tokyo");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", Now()), "2005-03-16 04:30");
}

TEST(FormatDateTime, PatternsAndTokens) {
  const TDateTime afternoon = EncodeDate(2005, 3, 5) + EncodeTime(14, 7, 9, 45);
  const TDateTime morning = EncodeDate(2012, 11, 23) + EncodeTime(0, 5, 0, 0);
  const TDateTime midnight = EncodeDate(2005, 3, 5);
  const std::tuple<const char*, TDateTime, const char*> cases[] = {
      {"yyyy", afternoon, "2005"},
      {"yy", afternoon, "05"},
      {"y", afternoon, "05"},
      {"m_d_yy", afternoon, "3_5_05"},
      {"m_d_y", morning, "11_23_12"},
      {"mm-dd-yyyy hh:nn:ss", afternoon, "03-05-2005 14:07:09"},
      {"mm-dd-yyy hh:nn:ss", morning, "11-23-2012 00:05:00"},
      {"yyyymmddhhnnss", afternoon, "20050305140709"},
      {"d/m/yyyy", afternoon, "5/3/2005"},
      {"ddd, mmm d", afternoon, "Sat, Mar 5"},
      {"dddd mmmm", afternoon, "Saturday March"},
      {"ddddd", afternoon, "3/5/2005"},
      {"dddddd", afternoon, "Saturday, March 5, 2005"},
      {"t", afternoon, "2:07 PM"},
      {"tt", afternoon, "2:07:09 PM"},
      {"tt", morning, "12:05:00 AM"},
      {"c", afternoon, "3/5/2005 2:07:09 PM"},
      {"c", midnight, "3/5/2005"},
      {"", midnight, "3/5/2005"},
      {"h:mm", afternoon, "14:07"},  // m after an hour is the minute
      {"hh:mm:ss", morning, "00:05:00"},
      {"h:nn am/pm", afternoon, "2:07 pm"},
      {"h:nn AM/PM", morning, "12:05 AM"},
      {"h a/p", afternoon, "2 p"},
      {"hh ampm", morning, "12 AM"},
      {"s.zzz z", afternoon, "9.045 45"},
      {"'yyyy' yyyy \"mm\"", afternoon, "yyyy 2005 mm"},
      {"hh'h'nn", afternoon, "14h07"},
      {"'Backup' dd.mm.", afternoon, "Backup 05.03."},
      {"Backup", afternoon, "Ba3/5/2005 2:07:09 PMkup"},  // unquoted letters are tokens
  };
  for (const auto& [format, value, expected] : cases)
    EXPECT_EQ(FormatDateTime(format, value), expected) << format;
}

TEST(FormatDateTime, FollowsTheInjectedSettings) {
  FormatSettings german;
  german.DateSeparator = ".";
  german.ShortDateFormat = "dd/mm/yyyy";
  german.LongTimeFormat = "hh:nn:ss";
  const TDateTime value = EncodeDate(2005, 3, 5) + EncodeTime(14, 7, 9, 0);
  EXPECT_EQ(DateToStr(value, german), "05.03.2005");
  EXPECT_EQ(TimeToStr(value, german), "14:07:09");
  ScopedFormatSettings use(german);
  EXPECT_EQ(DateTimeToStr(value), "05.03.2005 14:07:09");
  EXPECT_EQ(StrToDate("5.3.2005"), EncodeDate(2005, 3, 5));
  // A settings pattern that refers to itself stops instead of recursing forever.
  FormatSettings loop;
  loop.ShortDateFormat = "ddddd";
  EXPECT_EQ(FormatDateTime("c", value, loop), " 2:07:09 PM");
}

TEST(StrToDate, ReadsTheShortDateFormat) {
  FakeClock clock(std::chrono::system_clock::from_time_t(1110915005));  // March 2005
  ScopedClock use(clock);
  const std::tuple<const char*, bool, DateCase> cases[] = {
      {"3/15/2005", true, {2005, 3, 15, 0}},
      {" 03/05/2005 ", true, {2005, 3, 5, 0}},
      {"3/15", true, {2005, 3, 15, 0}},
      {"3/15/05", true, {2005, 3, 15, 0}},
      {"3/15/54", true, {2054, 3, 15, 0}},
      {"3/15/55", true, {1955, 3, 15, 0}},
      {"3/15/0005", true, {5, 3, 15, 0}},
      {"2/29/2005", false, {}},
      {"15/3/2005", false, {}},
      {"3-15-2005", false, {}},
      {"3/15/2005x", false, {}},
      {"", false, {}},
      {"3//2005", false, {}},
      {"99999999999/1/1", false, {}},
  };
  for (const auto& [text, ok, date] : cases) {
    TDateTime value = -1;
    EXPECT_EQ(TryStrToDate(text, value), ok) << text;
    if (ok) {
      EXPECT_EQ(value, EncodeDate(date.y, date.m, date.d)) << text;
    }
  }
  EXPECT_THROW(StrToDate("nope"), EConvertError);
  EXPECT_EQ(StrToDateDef("nope", 7.0), 7.0);

  FormatSettings iso;
  iso.ShortDateFormat = "yyyy-MM-dd";
  iso.DateSeparator = "-";
  EXPECT_EQ(StrToDate("2005-03-15", iso), EncodeDate(2005, 3, 15));
  EXPECT_EQ(DateToStr(EncodeDate(2005, 3, 15), iso), "2005-03-15");
}

TEST(StrToTime, ReadsClockTimes) {
  const std::tuple<const char*, bool, int, int, int> cases[] = {
      {"14:30", true, 14, 30, 0},   {"2:30:05 PM", true, 14, 30, 5}, {"12:00 AM", true, 0, 0, 0},
      {"12:00 pm", true, 12, 0, 0}, {"AM 9:15", true, 9, 15, 0},     {"23:59:59", true, 23, 59, 59},
      {"24:00", false, 0, 0, 0},    {"13:00 PM", false, 0, 0, 0},    {"14", false, 0, 0, 0},
      {"14:60", false, 0, 0, 0},    {"14:30 x", false, 0, 0, 0},
  };
  for (const auto& [text, ok, h, n, s] : cases) {
    TDateTime value = -1;
    EXPECT_EQ(TryStrToTime(text, value), ok) << text;
    if (ok) {
      EXPECT_EQ(value, EncodeTime(h, n, s, 0)) << text;
    }
  }
  EXPECT_EQ(StrToDateTime("3/15/2005 2:30:05 PM"), EncodeDate(2005, 3, 15) + EncodeTime(14, 30, 5, 0));
  EXPECT_EQ(StrToDateTime("3/15/2005"), EncodeDate(2005, 3, 15));
  const TDateTime before = ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0));
  EXPECT_EQ(StrToDateTime(DateTimeToStr(before)), before);
  EXPECT_THROW(StrToTime("noon"), EConvertError);
}

}  // namespace

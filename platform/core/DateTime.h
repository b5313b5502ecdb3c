#pragma once
// TDateTime, the host's date and time value: days since 1899-12-30 00:00
// with the time of day as the fraction. Before that day the whole part counts
// back and the fraction still counts forward: -1.25 is 1899-12-29 06:00. The
// calendar is the proleptic Gregorian one, years 1 to 9999.
//
// Conversions to and from the system's time use the local time zone (TZ),
// as the host's values are local times; the current time comes from
// TheClock(), so tests set it.

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/core/Formats.h"

using TDateTime = double;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Raise EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time);
// Combines a date and a time of day the way the host does (before the epoch
// the time is subtracted).
TDateTime ComposeDateTime(TDateTime date, TDateTime time);
// The value is first rounded to the nearest millisecond.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);
// The same day a number of months on; the last day of a shorter month.
TDateTime IncMonth(TDateTime value, int months = 1);
// The date part, and the time-of-day part (always from 0 to below 1).
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// The current local date and time, date, and time of day, from TheClock().
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Local time. Times that do not exist locally (skipped by a daylight-saving
// change) come out as the system's mktime places them.
TDateTime TimePointToDateTime(std::chrono::system_clock::time_point point);
std::chrono::system_clock::time_point DateTimeToTimePoint(TDateTime value);
TDateTime TimeTToDateTime(std::time_t seconds);
std::time_t DateTimeToTimeT(TDateTime value);

// The host's date and time patterns (letters in any case):
//   d dd ddd dddd      day, two-digit day, short and long day name
//   ddddd dddddd       short and long date format
//   m mm mmm mmmm      month, two-digit, short and long name (minutes right
//                      after an hour)
//   y yy / yyy yyyy    two-digit / four-digit year
//   h hh n nn s ss     hour, minute, second; z zzz milliseconds
//   t tt               short and long time format
//   c                  short date, then the long time unless it is midnight
//   am/pm a/p ampm     12-hour clock with the marker (ampm: TimeAMString...)
//   / :                the date and time separators
//   'x' "x"            literal text; any other character stands for itself
// An empty pattern means "c".
std::string FormatDateTime(std::string_view format, TDateTime value,
                           const FormatSettings& settings = TheFormatSettings());
std::string DateToStr(TDateTime value, const FormatSettings& settings = TheFormatSettings());
std::string TimeToStr(TDateTime value, const FormatSettings& settings = TheFormatSettings());
std::string DateTimeToStr(TDateTime value, const FormatSettings& settings = TheFormatSettings());

// Reads a date in the order of ShortDateFormat (day, month and year as
// numbers, separated by DateSeparator). The year may be left out (this
// year) or given with two digits (the century that puts it within 50 years
// of this year).
bool TryStrToDate(std::string_view text, TDateTime& value,
                  const FormatSettings& settings = TheFormatSettings());
// "h:n[:s[.z]]" with an optional AM/PM marker, separated by TimeSeparator.
bool TryStrToTime(std::string_view text, TDateTime& value,
                  const FormatSettings& settings = TheFormatSettings());
// A date, then optionally a blank and a time.
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const FormatSettings& settings = TheFormatSettings());
// Raise EConvertError "'text' is not a valid date" (time, date and time).
TDateTime StrToDate(std::string_view text, const FormatSettings& settings = TheFormatSettings());
TDateTime StrToTime(std::string_view text, const FormatSettings& settings = TheFormatSettings());
TDateTime StrToDateTime(std::string_view text, const FormatSettings& settings = TheFormatSettings());
TDateTime StrToDateDef(std::string_view text, TDateTime defaultValue,
                       const FormatSettings& settings = TheFormatSettings());

#include "platform/core/DateTime.h"

#include <cmath>
#include <cstdint>

#include "platform/core/Clock.h"
#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Days from 1970-01-01 back to 1899-12-30.
constexpr std::int64_t kUnixEpochDay = 25569;

// Days since 1970-01-01 of a Gregorian date (proleptic).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// The value as a whole day (counted from 1899-12-30) and the milliseconds
// into that day, the host's way.
struct Split {
  std::int64_t day;
  std::int64_t ms;
};

Split SplitValue(TDateTime value) {
  // Outside years 1 to 9999 there is no calendar date to give.
  if (!std::isfinite(value) || value < -693594.0 || value >= 2958466.0)
    throw EConvertError("Invalid date and time value");
  const std::int64_t total = Round(value * kMsPerDay);
  const std::int64_t ms = total % kMsPerDay;
  return {total / kMsPerDay, ms < 0 ? -ms : ms};
}

std::string Pad(int value, int width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return value < 0 ? "-" + digits : digits;
}

struct Parts {
  int year, month, day, hour, minute, second, ms, weekday;
};

Parts Decode(TDateTime value) {
  Parts p;
  DecodeDate(value, p.year, p.month, p.day);
  DecodeTime(value, p.hour, p.minute, p.second, p.ms);
  p.weekday = DayOfWeek(value);
  return p;
}

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view word) {
  return text.size() - pos >= word.size() && SameText(text.substr(pos, word.size()), word);
}

// Whether the pattern from pos on asks for a 12-hour clock.
bool HasAmPm(std::string_view format, std::size_t pos) {
  for (std::size_t i = pos; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '\'' || c == '"') {
      const auto close = format.find(c, i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
               StartsWithNoCase(format, i, "ampm")) {
      return true;
    }
  }
  return false;
}

void Append(std::string& out, std::string_view format, const Parts& p, bool midnight,
            const FormatSettings& settings, int depth) {
  if (depth > 2) return;  // a settings pattern that names itself
  char last = 0;
  for (std::size_t i = 0; i < format.size();) {
    const char c = format[i];
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    std::size_t count = 1;
    while (i + count < format.size() && (format[i + count] | 0x20) == (c | 0x20) && (c | 0x20) >= 'a' &&
           (c | 0x20) <= 'z')
      ++count;
    switch (upper) {
      case '\'':
      case '"': {
        const auto close = format.find(c, i + 1);
        const auto end = close == std::string_view::npos ? format.size() : close;
        out += format.substr(i + 1, end - i - 1);
        i = end + 1;
        continue;
      }
      case 'Y':
        out += count <= 2 ? Pad(p.year % 100, 2) : Pad(p.year, 4);
        break;
      case 'M':
        if (last == 'H' && count <= 2) {
          out += count == 1 ? std::to_string(p.minute) : Pad(p.minute, 2);
        } else if (count == 1) {
          out += std::to_string(p.month);
        } else if (count == 2) {
          out += Pad(p.month, 2);
        } else if (count == 3) {
          out += settings.ShortMonthNames[p.month - 1];
        } else {
          out += settings.LongMonthNames[p.month - 1];
        }
        break;
      case 'D':
        if (count == 1)
          out += std::to_string(p.day);
        else if (count == 2)
          out += Pad(p.day, 2);
        else if (count == 3)
          out += settings.ShortDayNames[p.weekday - 1];
        else if (count == 4)
          out += settings.LongDayNames[p.weekday - 1];
        else if (count == 5)
          Append(out, settings.ShortDateFormat, p, midnight, settings, depth + 1);
        else
          Append(out, settings.LongDateFormat, p, midnight, settings, depth + 1);
        break;
      case 'H': {
        int hour = p.hour;
        if (HasAmPm(format, i)) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        out += count == 1 ? std::to_string(hour) : Pad(hour, 2);
        break;
      }
      case 'N':
        out += count == 1 ? std::to_string(p.minute) : Pad(p.minute, 2);
        break;
      case 'S':
        out += count == 1 ? std::to_string(p.second) : Pad(p.second, 2);
        break;
      case 'Z':
        out += count < 3 ? std::to_string(p.ms) : Pad(p.ms, 3);
        break;
      case 'T':
        Append(out, count == 1 ? settings.ShortTimeFormat : settings.LongTimeFormat, p, midnight, settings,
               depth + 1);
        break;
      case 'C':
        Append(out, settings.ShortDateFormat, p, midnight, settings, depth + 1);
        if (!midnight) {
          out += ' ';
          Append(out, settings.LongTimeFormat, p, midnight, settings, depth + 1);
        }
        break;
      case 'A': {
        const bool pm = p.hour >= 12;
        if (StartsWithNoCase(format, i, "am/pm")) {
          // The marker takes the letter case the pattern gives it.
          out += format.substr(pm ? i + 3 : i, 2);
          count = 5;
        } else if (StartsWithNoCase(format, i, "a/p")) {
          out += format[pm ? i + 2 : i];
          count = 3;
        } else if (StartsWithNoCase(format, i, "ampm")) {
          out += pm ? settings.TimePMString : settings.TimeAMString;
          count = 4;
        } else {
          out += format.substr(i, count);
        }
        break;
      }
      case '/':
        out += settings.DateSeparator;
        i += 1;
        continue;  // separators leave the last token alone: "h:mm" is hours and minutes
      case ':':
        out += settings.TimeSeparator;
        i += 1;
        continue;
      default:
        out += format.substr(i, count);
        i += count;
        continue;  // not a token: the last token stays what it was
    }
    last = upper;
    i += count;
  }
}

// Reads an unsigned decimal number; digits tells how many it had.
bool ReadNumber(std::string_view text, std::size_t& pos, int& value, int& digits) {
  value = 0;
  digits = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 9) {
    value = value * 10 + (text[pos++] - '0');
    ++digits;
  }
  return digits > 0 && !(pos < text.size() && text[pos] >= '0' && text[pos] <= '9');
}

bool ReadSeparator(std::string_view text, std::size_t& pos, std::string_view separator) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (separator.empty() || text.substr(pos, separator.size()) != separator) return false;
  pos += separator.size();
  while (pos < text.size() && text[pos] == ' ') ++pos;
  return true;
}

void SkipBlanks(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
}

int CurrentYear() {
  int y, m, d;
  DecodeDate(Now(), y, m, d);
  return y;
}

bool ScanDate(std::string_view text, std::size_t& pos, TDateTime& value, const FormatSettings& settings) {
  // The order of day, month and year in the short date format.
  std::string order;
  for (char c : settings.ShortDateFormat) {
    const char u = static_cast<char>(c & ~0x20);
    if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == std::string::npos) order += u;
  }
  if (order.size() != 3) order = "MDY";

  SkipBlanks(text, pos);
  int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
  if (!ReadNumber(text, pos, n[0], digits[0])) return false;
  if (!ReadSeparator(text, pos, settings.DateSeparator)) return false;
  if (!ReadNumber(text, pos, n[1], digits[1])) return false;
  std::size_t after_two = pos;
  int count = 2;
  if (ReadSeparator(text, pos, settings.DateSeparator) && ReadNumber(text, pos, n[2], digits[2]))
    count = 3;
  else
    pos = after_two;

  int year = 0, month = 0, day = 0, year_digits = 0;
  if (count == 3) {
    for (int i = 0; i < 3; ++i) {
      if (order[i] == 'Y') year = n[i], year_digits = digits[i];
      if (order[i] == 'M') month = n[i];
      if (order[i] == 'D') day = n[i];
    }
  } else {
    // No year: the other two in their order, this year.
    int k = 0;
    for (char part : order) {
      if (part == 'Y') continue;
      (part == 'M' ? month : day) = n[k++];
    }
    year = CurrentYear();
    year_digits = 4;
  }
  if (year_digits <= 2) {
    const int base = CurrentYear() - 50;
    year += base / 100 * 100;
    if (year < base) year += 100;
  }
  return TryEncodeDate(year, month, day, value);
}

bool ScanMarker(std::string_view text, std::size_t& pos, const FormatSettings& settings, int& marker) {
  SkipBlanks(text, pos);
  const std::string_view names[] = {settings.TimeAMString, settings.TimePMString, "AM", "PM"};
  for (int i = 0; i < 4; ++i) {
    if (!names[i].empty() && AnsiSameText(text.substr(pos, names[i].size()), names[i])) {
      pos += names[i].size();
      marker = i % 2;  // 0 AM, 1 PM
      return true;
    }
  }
  return false;
}

bool ScanTime(std::string_view text, std::size_t& pos, TDateTime& value, const FormatSettings& settings) {
  SkipBlanks(text, pos);
  int marker = -1;
  ScanMarker(text, pos, settings, marker);
  int h = 0, n = 0, s = 0, ms = 0, digits;
  SkipBlanks(text, pos);
  if (!ReadNumber(text, pos, h, digits)) return false;
  if (!ReadSeparator(text, pos, settings.TimeSeparator) || !ReadNumber(text, pos, n, digits)) return false;
  std::size_t before = pos;
  if (ReadSeparator(text, pos, settings.TimeSeparator) && ReadNumber(text, pos, s, digits)) {
    before = pos;
    if (ReadSeparator(text, pos, settings.DecimalSeparator) && ReadNumber(text, pos, ms, digits) &&
        digits <= 3) {
      while (digits++ < 3) ms *= 10;
    } else {
      pos = before;
      ms = 0;
    }
  } else {
    pos = before;
  }
  if (marker < 0) ScanMarker(text, pos, settings, marker);
  if (marker >= 0) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + (marker == 1 ? 12 : 0);
  }
  return TryEncodeTime(h, n, s, ms, value);
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  date = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return false;
  time = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / kMsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime date;
  if (!TryEncodeDate(year, month, day, date)) throw EConvertError("Invalid argument to date encode");
  return date;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime time;
  if (!TryEncodeTime(hour, minute, second, millisecond, time))
    throw EConvertError("Invalid argument to time encode");
  return time;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  CivilFromDays(SplitValue(value).day - kUnixEpochDay, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  std::int64_t ms = SplitValue(value).ms;
  hour = static_cast<int>(ms / 3600000);
  ms %= 3600000;
  minute = static_cast<int>(ms / 60000);
  ms %= 60000;
  second = static_cast<int>(ms / 1000);
  millisecond = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value) {
  // 1899-12-30 was a Saturday.
  const std::int64_t day = SplitValue(value).day;
  return static_cast<int>(((day % 7) + 7 + 6) % 7) + 1;
}

TDateTime DateOf(TDateTime value) { return static_cast<double>(SplitValue(value).day); }

TDateTime TimeOf(TDateTime value) { return static_cast<double>(SplitValue(value).ms) / kMsPerDay; }

TDateTime IncMonth(TDateTime value, int months) {
  int year, month, day;
  DecodeDate(value, year, month, day);
  const long long index = static_cast<long long>(year) * 12 + (month - 1) + months;
  year = static_cast<int>(index / 12);
  month = static_cast<int>(index % 12) + 1;
  day = std::min(day, DaysInMonth(year, month));
  return ComposeDateTime(EncodeDate(year, month, day), TimeOf(value));
}

TDateTime TimePointToDateTime(std::chrono::system_clock::time_point point) {
  using namespace std::chrono;
  const auto ms = floor<milliseconds>(point).time_since_epoch().count();
  std::time_t seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
  const int rest = static_cast<int>(ms - static_cast<long long>(seconds) * 1000);
  std::tm local{};
  if (!localtime_r(&seconds, &local)) throw EConvertError("Time out of range");
  return ComposeDateTime(EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                         EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), rest));
}

std::chrono::system_clock::time_point DateTimeToTimePoint(TDateTime value) {
  int year, month, day, hour, minute, second, ms;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const std::time_t seconds = mktime(&local);
  return std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(ms);
}

TDateTime TimeTToDateTime(std::time_t seconds) {
  return TimePointToDateTime(std::chrono::system_clock::from_time_t(seconds));
}

std::time_t DateTimeToTimeT(TDateTime value) {
  return std::chrono::system_clock::to_time_t(
      std::chrono::floor<std::chrono::seconds>(DateTimeToTimePoint(value)));
}

TDateTime Now() { return TimePointToDateTime(TheClock().Now()); }
TDateTime Date() { return DateOf(Now()); }
TDateTime Time() { return TimeOf(Now()); }

std::string FormatDateTime(std::string_view format, TDateTime value, const FormatSettings& settings) {
  const Parts parts = Decode(value);
  const bool midnight = SplitValue(value).ms == 0;
  std::string out;
  Append(out, format.empty() ? std::string_view("c") : format, parts, midnight, settings, 0);
  return out;
}

std::string DateToStr(TDateTime value, const FormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}

std::string TimeToStr(TDateTime value, const FormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}

std::string DateTimeToStr(TDateTime value, const FormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

bool TryStrToDate(std::string_view text, TDateTime& value, const FormatSettings& settings) {
  std::size_t pos = 0;
  TDateTime date;
  if (!ScanDate(text, pos, date, settings)) return false;
  SkipBlanks(text, pos);
  if (pos != text.size()) return false;
  value = date;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& value, const FormatSettings& settings) {
  std::size_t pos = 0;
  TDateTime time;
  if (!ScanTime(text, pos, time, settings)) return false;
  SkipBlanks(text, pos);
  if (pos != text.size()) return false;
  value = time;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value, const FormatSettings& settings) {
  std::size_t pos = 0;
  TDateTime date, time = 0;
  if (!ScanDate(text, pos, date, settings)) return false;
  SkipBlanks(text, pos);
  if (pos != text.size() && !ScanTime(text, pos, time, settings)) return false;
  SkipBlanks(text, pos);
  if (pos != text.size()) return false;
  value = ComposeDateTime(date, time);
  return true;
}

TDateTime StrToDate(std::string_view text, const FormatSettings& settings) {
  TDateTime value;
  if (!TryStrToDate(text, value, settings))
    throw EConvertError("'" + std::string(text) + "' is not a valid date");
  return value;
}

TDateTime StrToTime(std::string_view text, const FormatSettings& settings) {
  TDateTime value;
  if (!TryStrToTime(text, value, settings))
    throw EConvertError("'" + std::string(text) + "' is not a valid time");
  return value;
}

TDateTime StrToDateTime(std::string_view text, const FormatSettings& settings) {
  TDateTime value;
  if (!TryStrToDateTime(text, value, settings))
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  return value;
}

TDateTime StrToDateDef(std::string_view text, TDateTime defaultValue, const FormatSettings& settings) {
  TDateTime value;
  return TryStrToDate(text, value, settings) ? value : defaultValue;
}

#pragma once
// The host's number formatting and conversions, with the regional settings
// injectable so that tests and every machine give the same texts.
//
// FormatSettings holds what the host took from the system's regional
// settings. The program uses TheFormatSettings(), United States English by
// default; a test (or a future locale reader) installs another with
// ScopedFormatSettings. Every function also takes explicit settings.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct FormatSettings {
  std::string ThousandSeparator = ",";
  std::string DecimalSeparator = ".";
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  // "/" and ":" in these stand for DateSeparator and TimeSeparator.
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongDateFormat = "dddd, MMMM d, yyyy";
  std::string ShortTimeFormat = "h:mm AMPM";
  std::string LongTimeFormat = "h:mm:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
  // Sunday first, as the host counts days.
  std::array<std::string, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
};

// The settings in force: the installed ones, else United States English.
const FormatSettings& TheFormatSettings();

// Installs settings for the lifetime of the object (copied; nests).
class ScopedFormatSettings {
 public:
  explicit ScopedFormatSettings(const FormatSettings& settings);
  ~ScopedFormatSettings();
  ScopedFormatSettings(const ScopedFormatSettings&) = delete;
  ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

 private:
  FormatSettings settings_;
  const FormatSettings* previous_;
};

// Nearest integer, halves to the even neighbour (0.5 -> 0, 1.5 -> 2,
// -2.5 -> -2), as the host rounds. Values beyond the 64-bit range saturate;
// NaN gives 0.
std::int64_t Round(double value);
// Toward zero, saturating like Round.
std::int64_t Trunc(double value);

// a * b / c with a 64-bit intermediate, rounded half away from zero.
// -1 when c is 0 or the result does not fit 32 bits, as the host's does.
int MulDiv(int a, int b, int c);

std::string IntToStr(std::int64_t value);
// Optional blanks, optional sign, then decimal digits or hexadecimal after
// "$" or "0x"; nothing after them. Out of the 32-bit range is an error.
bool TryStrToInt(std::string_view text, int& value);
bool TryStrToInt64(std::string_view text, std::int64_t& value);
int StrToIntDef(std::string_view text, int defaultValue);
// Raises EConvertError "'text' is not a valid integer value".
int StrToInt(std::string_view text);
std::int64_t StrToInt64(std::string_view text);

// Blanks around, optional sign, digits with one DecimalSeparator, optional
// exponent ("1.5E3"); no thousand separators.
bool TryStrToFloat(std::string_view text, double& value,
                   const FormatSettings& settings = TheFormatSettings());
double StrToFloatDef(std::string_view text, double defaultValue,
                     const FormatSettings& settings = TheFormatSettings());
// Raises EConvertError "'text' is not a valid floating point value".
double StrToFloat(std::string_view text, const FormatSettings& settings = TheFormatSettings());

// Up to 15 significant digits, no trailing zeros; scientific notation
// ("1.5E20", "1E-7") below 0.00001 or past 15 integer digits.
std::string FloatToStr(double value, const FormatSettings& settings = TheFormatSettings());

// The host's number patterns:
//   0   a digit, shown always        #   a digit, shown when significant
//   .   the decimal separator        ,   group thousands in the integer part
//   'x' "x"  quoted literal text     ;   positive;negative;zero sections
// Any other character stands for itself ("0X ", "#,##0 KB/s").
// The value is rounded to the pattern's decimals with halves to even on the
// exact binary value; a value that rounds to zero shows no minus sign. With
// only "#" placeholders zero gives an empty text ("#,##").
std::string FormatFloat(std::string_view format, double value,
                        const FormatSettings& settings = TheFormatSettings());

#include "platform/core/Formats.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "platform/core/Exceptions.h"

namespace {

FormatSettings German() {
  FormatSettings s;
  s.ThousandSeparator = ".";
  s.DecimalSeparator = ",";
  return s;
}

TEST(Round, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, std::int64_t> cases[] = {
      {0.5, 0},          {1.5, 2},     {2.5, 2},
      {3.5, 4},          {-0.5, 0},    {-1.5, -2},
      {-2.5, -2},        {0.49999, 0}, {0.5001, 1},
      {2.4, 2},          {-2.6, -3},   {1e15 + 0.5, 1000000000000000},
      {7.0, 7},          {-7.0, -7},   {1e300, std::numeric_limits<std::int64_t>::max()},
      {std::nan(""), 0},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(Round(value), expected) << value;
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_EQ(Trunc(2.9), 2);
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndFailsAsMinusOne) {
  const std::tuple<int, int, int, int> cases[] = {
      {10, 10, 3, 33},
      {10, 10, 6, 17},
      {1, 1, 2, 1},
      {-1, 1, 2, -1},
      {1, -1, 2, -1},
      {-1, -1, 2, 1},
      {3, 1, 4, 1},
      {1, 1, 4, 0},
      {5, 255, 100, 13},
      {50, 255, 100, 128},
      {7, 3, 0, -1},
      {0, 5, 0, -1},
      {65536, 65536, 1, -1},
      {2147483647, 2, 2, 2147483647},
      {-2147483647 - 1, 1, 1, -2147483647 - 1},
      {100, 437, 50, 874},
  };
  for (const auto& [a, b, c, expected] : cases)
    EXPECT_EQ(MulDiv(a, b, c), expected) << a << "*" << b << "/" << c;
}

TEST(FormatFloat, PatternsTheProgramUses) {
  const std::tuple<const char*, double, const char*> cases[] = {
      {"#,##0", 1024, "1,024"},
      {"#,##0", 12345678, "12,345,678"},
      {"#,##0", 999, "999"},
      {"#,##0", 0, "0"},
      {"#,##0", 0.4, "0"},
      {"#,##0", 1764, "1,764"},
      {"#,##0", -1234567, "-1,234,567"},
      {"#,##0", 0.5, "0"},
      {"#,##0", 1.5, "2"},
      {"#,##0", 2.5, "2"},
      {"#,##0", 1023.5, "1,024"},
      {"#,##", 0, ""},
      {"#,##", 1024, "1,024"},
      {"#,##", 4700000000.0, "4,700,000,000"},
      {"#,##", 12, "12"},
      {"0.00", 3.14159, "3.14"},
      {"0.00", 0.125, "0.12"},
      {"0.00", 0.375, "0.38"},
      {"0.00", 2.675, "2.67"},  // the double lies just below 2.675
      {"0.00", -0.001, "0.00"},
      {"0.00", -1.5, "-1.50"},
      {"0.00", 1e6, "1000000.00"},
      {"#,##0.00", 4482.66796875, "4,482.67"},
      {"#,##0.00", 0.004, "0.00"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0.00", -0.5, "-0.50"},
      {"0X ", 10, "10X "},
      {"0X ", 40.0, "40X "},
      {"0X ", 7056 / 176.4, "40X "},
      {"0X ", 0.4, "0X "},
      {"0.0X ", 8, "8.0X "},
      {"0.0X ", 5540 / 1385.0, "4.0X "},
      {"0.0X ", 2.25, "2.2X "},
      {"X (#,##0 KB/s)", 1764, "X (1,764 KB/s)"},
      {"(#,##0 KB/s)", 5540, "(5,540 KB/s)"},
      {"0.0", 5540 / 1385.0, "4.0"},
      {"#.##", 0.5, ".5"},
      {"#.##", 2, "2"},
      {"0.0#", 1.25, "1.25"},
      {"0.0#", 1.2, "1.2"},
      {"000", 7, "007"},
      {"0,000", 7, "0,007"},
      {"'#'0", 5, "#5"},
      {"\"0.0\" 0", 5, "0.0 5"},
      {"#;(#)", -5, "(5)"},
      {"#;(#);'none'", 0, "none"},
      {"#;(#);'none'", -0.2, "none"},
      {"0;;'zero'", -3, "-3"},
  };
  for (const auto& [format, value, expected] : cases)
    EXPECT_EQ(FormatFloat(format, value), expected) << format << " " << value;
  EXPECT_EQ(FormatFloat("0.00", std::nan("")), "NAN");
  EXPECT_EQ(FormatFloat("0.00", -INFINITY), "-INF");
}

TEST(FormatFloat, FollowsTheInjectedSettings) {
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, German()), "1.234.567,89");
  ScopedFormatSettings use(German());
  EXPECT_EQ(FormatFloat("#,##0", 1764), "1.764");
  EXPECT_EQ(FormatFloat("0.0X ", 8), "8,0X ");
  FormatSettings none;
  none.ThousandSeparator = "";
  {
    ScopedFormatSettings inner(none);
    EXPECT_EQ(FormatFloat("#,##0", 1764), "1764");
  }
  EXPECT_EQ(FormatFloat("#,##0", 1764), "1.764");
}

TEST(FormatFloat, IgnoresTheCLocale) {
  // Qt switches the C library to the user's locale; our texts must not change.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1,234.50");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(IntConversions, TheHostsIntegerText) {
  const std::tuple<const char*, bool, int> cases[] = {
      {"42", true, 42},
      {"-42", true, -42},
      {"+7", true, 7},
      {"  12", true, 12},
      {"12 ", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"1.5", false, 0},
      {"$1F", true, 31},
      {"0x1f", true, 31},
      {"-$10", true, -16},
      {"$FFFFFFFF", true, -1},
      {"$100000000", false, 0},
      {"2147483647", true, 2147483647},
      {"2147483648", false, 0},
      {"-2147483648", true, -2147483647 - 1},
      {"99999999999999999999", false, 0},
      {"1 2", false, 0},
      {"--1", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"x1", false, 0},
  };
  for (const auto& [text, ok, expected] : cases) {
    int value = 0;
    EXPECT_EQ(TryStrToInt(text, value), ok) << text;
    if (ok) {
      EXPECT_EQ(value, expected) << text;
    }
    EXPECT_EQ(StrToIntDef(text, -99), ok ? expected : -99) << text;
  }
  try {
    StrToInt("4x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'4x' is not a valid integer value");
  }
  EXPECT_EQ(StrToInt64("9223372036854775807"), 9223372036854775807LL);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(IntToStr(-9223372036854775807LL - 1), "-9223372036854775808");
  EXPECT_EQ(IntToStr(1024), "1024");
}

TEST(FloatConversions, ReadAndWriteTheHostsWay) {
  const std::tuple<const char*, bool, double> reads[] = {
      {"1.5", true, 1.5},  {" -2.25 ", true, -2.25}, {"3", true, 3},          {".5", true, 0.5},
      {"5.", true, 5},     {"1e3", true, 1000},      {"1.5E-2", true, 0.015}, {"1,5", false, 0},
      {"1,000", false, 0}, {"", false, 0},           {".", false, 0},         {"e5", false, 0},
      {"1e", false, 0},    {"inf", false, 0},        {"nan", false, 0},       {"1e999", false, 0},
      {"0x10", false, 0},  {"1.5.2", false, 0},
  };
  for (const auto& [text, ok, expected] : reads) {
    double value = -1;
    EXPECT_EQ(TryStrToFloat(text, value), ok) << text;
    if (ok) {
      EXPECT_DOUBLE_EQ(value, expected) << text;
    }
  }
  EXPECT_EQ(StrToFloat("1,5", German()), 1.5);
  EXPECT_THROW(StrToFloat("abc"), EConvertError);
  EXPECT_EQ(StrToFloatDef("abc", 2.5), 2.5);

  const std::pair<double, const char*> writes[] = {
      {0, "0"},
      {1.5, "1.5"},
      {-2.25, "-2.25"},
      {100, "100"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {1e20, "1E20"},
      {0.00001, "0.00001"},
      {0.000001, "1E-6"},
      {0.0001, "0.0001"},
      {1.5e-7, "1.5E-7"},
      {-1e-10, "-1E-10"},
  };
  for (const auto& [value, expected] : writes) EXPECT_EQ(FloatToStr(value), expected) << value;
  EXPECT_EQ(FloatToStr(-1.5, German()), "-1,5");
  for (const auto& [value, text] : writes)
    EXPECT_NEAR(StrToFloat(FloatToStr(value)), value, std::fabs(value) * 1e-14) << text;
}

}  // namespace

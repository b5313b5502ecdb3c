// The spin edit's number rules: reading each notation, limiting, writing
// back, and the characters typing may add.

#include <gtest/gtest.h>

#include "platform/core/Formats.h"
#include "skin/se_spinedit_value.h"

TEST(SeSpinValue, TextsReadInTheirNotationOrAsTheLowerLimit) {
  struct Case {
    TSeSpinValueType type;
    const char* text;
    double min, max, value;
  };
  const Case cases[] = {
      {vtInteger, "42", 0, 0, 42},
      {vtInteger, " -7", 0, 0, -7},
      {vtInteger, "", 1, 365, 1},           // nothing to read: the lower limit
      {vtInteger, "12a", 2.9, 9, 2},        // cut toward zero
      {vtInteger, "$FF", 0, 0, 0},          // decimal only
      {vtInteger, "99999999999", 0, 0, 0},  // past 32 bits
      {vtInteger, "500", 1, 365, 500},      // reading does not limit
      {vtFloat, "1.5", 0, 0, 1.5},
      {vtFloat, "-2.5E2", 0, 0, -250},
      {vtFloat, "x", 0.5, 3, 0.5},
      {vtHex, "FF", 0, 0, 255},
      {vtHex, "ff", 0, 0, 255},
      {vtHex, "FFFFFFFF", 0, 0, -1},
      {vtHex, "-1", -3.7, 0, -3},
      {vtHex, "G", 0, 0, 0},
  };
  for (const Case& c : cases) {
    TSeSpinNotation n{c.type, 2, c.min, c.max};
    EXPECT_EQ(SpinTextToValue(c.text, n), c.value) << c.text;
  }
}

TEST(SeSpinValue, ValuesAreLimitedAndWrittenInTheNotation) {
  struct Case {
    TSeSpinValueType type;
    int decimals;
    double min, max, value;
    const char* text;
  };
  const Case cases[] = {
      {vtInteger, 2, 1, 365, 500, "365"},
      {vtInteger, 2, 1, 365, -4, "1"},
      {vtInteger, 2, 0, 0, 500, "500"},  // no limits
      {vtInteger, 2, 0, 0, 2.5, "2"},    // halves to even
      {vtInteger, 2, 0, 0, 3.5, "4"},
      {vtFloat, 2, 0, 0, 1.5, "1.50"},
      {vtFloat, 0, 0, 0, 2.5, "3"},  // fixed-point rounds halves away
      {vtFloat, 3, 0, 10, 12, "10.000"},
      {vtFloat, 2, 0, 0, -0.001, "0.00"},
      {vtHex, 2, 0, 0, 255, "FF"},
      {vtHex, 2, 0, 0, 0, "0"},
      {vtHex, 2, 0, 0, -1, "FFFFFFFF"},
  };
  for (const Case& c : cases) {
    TSeSpinNotation n{c.type, c.decimals, c.min, c.max};
    EXPECT_EQ(SpinValueToText(c.value, n), c.text) << c.value;
    // What is written reads back as the limited value.
    if (c.type != vtFloat) {
      EXPECT_EQ(SpinTextToValue(SpinValueToText(c.value, n), n), Round(SpinClampValue(c.value, n)));
    }
  }
  FormatSettings comma;
  comma.DecimalSeparator = ",";
  ScopedFormatSettings scope(comma);
  TSeSpinNotation n{vtFloat, 2, 0, 0};
  EXPECT_EQ(SpinValueToText(1.25, n), "1,25");
  EXPECT_EQ(SpinTextToValue("1,5", n), 1.5);
}

TEST(SeSpinValue, TypingIsFilteredByNotation) {
  struct Case {
    TSeSpinValueType type;
    const char* text;
    char key;
    bool valid;
  };
  const Case cases[] = {
      {vtInteger, "", '5', true},  {vtInteger, "", '-', true},  {vtInteger, "", '.', false},
      {vtInteger, "", 'a', false}, {vtInteger, "", '\b', true}, {vtFloat, "1", '.', true},
      {vtFloat, "1.5", '.', false}, {vtFloat, "1.5", 'e', true}, {vtFloat, "1e5", 'E', false},
      {vtHex, "", 'f', true},      {vtHex, "", 'F', true},      {vtHex, "", 'g', false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SpinIsValidChar(QLatin1Char(c.key), c.text, c.type, true), c.valid) << c.text << " + " << c.key;
  EXPECT_FALSE(SpinIsValidChar(QLatin1Char('5'), "", vtInteger, false));
  EXPECT_FALSE(SpinIsValidChar(QLatin1Char('\b'), "", vtInteger, false));
  EXPECT_TRUE(SpinIsValidChar(QLatin1Char('\r'), "", vtInteger, false));
}

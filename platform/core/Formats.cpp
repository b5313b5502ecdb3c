#include "platform/core/Formats.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "platform/core/Exceptions.h"

namespace {

std::atomic<const FormatSettings*> current_settings{nullptr};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// "%.*f" of glibc is exact and rounds an exact tie to even, which is the
// rounding we want; %f ignores the locale's decimal point only in the C
// locale, so the point is looked for as any non-digit.
std::string Fixed(double magnitude, int decimals) {
  std::vector<char> buffer(400);
  int n = std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, magnitude);
  if (n >= static_cast<int>(buffer.size())) {
    buffer.resize(static_cast<std::size_t>(n) + 1);
    n = std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, magnitude);
  }
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

// One ";"-separated part of a number pattern.
struct Section {
  std::string_view text;
  int integer_places = 0;
  int decimal_places = 0;
  int required_decimals = 0;  // up to the last "0" after the point
  bool thousands = false;
};

Section Analyse(std::string_view text) {
  Section s;
  s.text = text;
  bool after_point = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      const auto close = text.find(c, i + 1);
      i = close == std::string_view::npos ? text.size() : close;
    } else if (c == '0' || c == '#') {
      if (after_point) {
        ++s.decimal_places;
        if (c == '0') s.required_decimals = s.decimal_places;
      } else {
        ++s.integer_places;
      }
    } else if (c == '.' && !after_point) {
      after_point = true;
    } else if (c == ',' && !after_point) {
      s.thousands = true;
    }
  }
  return s;
}

std::vector<std::string_view> SplitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '\'' || c == '"') {
      const auto close = format.find(c, i + 1);
      i = close == std::string_view::npos ? format.size() - 1 : close;
    } else if (c == ';') {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

std::string Render(const Section& s, const std::string& int_digits, const std::string& frac_digits,
                   const FormatSettings& settings) {
  std::string out;
  const int length = static_cast<int>(int_digits.size());
  int place = 0;  // integer placeholders met so far
  int frac_index = 0;
  bool after_point = false;
  const auto digit_done = [&](int from_right) {
    if (s.thousands && from_right > 0 && from_right % 3 == 0) out += settings.ThousandSeparator;
  };
  for (std::size_t i = 0; i < s.text.size(); ++i) {
    const char c = s.text[i];
    if (c == '\'' || c == '"') {
      const auto close = s.text.find(c, i + 1);
      const auto end = close == std::string_view::npos ? s.text.size() : close;
      out += s.text.substr(i + 1, end - i - 1);
      i = end;
    } else if ((c == '0' || c == '#') && !after_point) {
      if (place == 0) {
        // Digits the pattern has no places for go before the first one.
        for (int k = 0; k < length - s.integer_places; ++k) {
          out += int_digits[k];
          digit_done(length - 1 - k);
        }
      }
      const int from_right = s.integer_places - 1 - place;
      ++place;
      if (from_right < length) {
        out += int_digits[length - 1 - from_right];
        digit_done(from_right);
      } else if (c == '0') {
        out += '0';
        digit_done(from_right);
      }
    } else if ((c == '0' || c == '#') && after_point) {
      if (frac_index < static_cast<int>(frac_digits.size())) out += frac_digits[frac_index];
      ++frac_index;
    } else if (c == '.' && !after_point) {
      after_point = true;
      if (!frac_digits.empty()) out += settings.DecimalSeparator;
    } else if (c == ',' && !after_point) {
      // Only switches grouping on.
    } else {
      out += c;
    }
  }
  return out;
}

template <typename Int>
bool ParseInteger(std::string_view text, Int& value) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  int base = 10;
  if (pos < text.size() && text[pos] == '$') {
    base = 16, ++pos;
  } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16, pos += 2;
  }
  if (pos == text.size()) return false;
  using Unsigned = std::make_unsigned_t<Int>;
  Unsigned magnitude = 0;
  const auto [end, error] = std::from_chars(text.data() + pos, text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (base == 16) {
    // Hexadecimal spells the bit pattern: "$FFFFFFFF" is -1.
    value = static_cast<Int>(negative ? Unsigned(0) - magnitude : magnitude);
    return true;
  }
  const Unsigned limit = static_cast<Unsigned>(std::numeric_limits<Int>::max()) + (negative ? 1 : 0);
  if (magnitude > limit) return false;
  value = negative ? static_cast<Int>(Unsigned(0) - magnitude) : static_cast<Int>(magnitude);
  return true;
}

}  // namespace

const FormatSettings& TheFormatSettings() {
  static const FormatSettings us_english;
  const FormatSettings* installed = current_settings.load();
  return installed ? *installed : us_english;
}

ScopedFormatSettings::ScopedFormatSettings(const FormatSettings& settings)
    : settings_(settings), previous_(current_settings.exchange(&settings_)) {}

ScopedFormatSettings::~ScopedFormatSettings() { current_settings.store(previous_); }

std::int64_t Round(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  const double below = std::floor(value);
  const double rest = value - below;  // exact
  double result = below;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0.0)) result += 1.0;
  return static_cast<std::int64_t>(result);
}

std::int64_t Trunc(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  std::int64_t quotient = product / c;
  const std::int64_t remainder = product % c;
  // |remainder| * 2 cannot overflow: |remainder| < |c| <= 2^31.
  if (2 * (remainder < 0 ? -remainder : remainder) >= (c < 0 ? -static_cast<std::int64_t>(c) : c))
    quotient += ((product < 0) != (c < 0)) ? -1 : 1;
  if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(quotient);
}

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

bool TryStrToInt(std::string_view text, int& value) {
  std::int32_t v;
  if (!ParseInteger(text, v)) return false;
  value = v;
  return true;
}

bool TryStrToInt64(std::string_view text, std::int64_t& value) { return ParseInteger(text, value); }

int StrToIntDef(std::string_view text, int defaultValue) {
  int value;
  return TryStrToInt(text, value) ? value : defaultValue;
}

int StrToInt(std::string_view text) {
  int value;
  if (!TryStrToInt(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

std::int64_t StrToInt64(std::string_view text) {
  std::int64_t value;
  if (!TryStrToInt64(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

bool TryStrToFloat(std::string_view text, double& value, const FormatSettings& settings) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  text = text.substr(begin, end - begin);
  // Rebuild the number in the form from_chars reads, checking its shape.
  std::string plain;
  std::size_t pos = 0;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    if (text[pos] == '-') plain += '-';
    ++pos;
  }
  int digits = 0;
  const auto take_digits = [&] {
    int n = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') plain += text[pos++], ++n;
    return n;
  };
  digits += take_digits();
  const std::string& point = settings.DecimalSeparator;
  if (!point.empty() && text.substr(pos, point.size()) == point) {
    plain += '.';
    pos += point.size();
    digits += take_digits();
  }
  if (digits == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    plain += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) plain += text[pos++];
    if (take_digits() == 0) return false;
  }
  if (pos != text.size()) return false;
  double parsed;
  const auto [stop, error] = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
  if (error != std::errc() || stop != plain.data() + plain.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

double StrToFloatDef(std::string_view text, double defaultValue, const FormatSettings& settings) {
  double value;
  return TryStrToFloat(text, value, settings) ? value : defaultValue;
}

double StrToFloat(std::string_view text, const FormatSettings& settings) {
  double value;
  if (!TryStrToFloat(text, value, settings))
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return value;
}

std::string FloatToStr(double value, const FormatSettings& settings) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buffer[64];
  // d.dddddddddddddde±x: the 15 significant digits and the exponent.
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  // The decimal point is the locale's, perhaps several bytes: keep the digits only.
  const std::string text = buffer;
  const auto e = text.find('e');
  std::string digits;
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  const int exponent = std::stoi(text.substr(e + 1));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = value < 0 ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) out += settings.DecimalSeparator + digits.substr(1);
    out += "E" + std::to_string(exponent);
    return out;
  }
  if (exponent < 0) {
    out +=
        "0" + settings.DecimalSeparator + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    return out;
  }
  const auto whole = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= whole) return out + digits + std::string(whole - digits.size(), '0');
  return out + digits.substr(0, whole) + settings.DecimalSeparator + digits.substr(whole);
}

std::string FormatFloat(std::string_view format, double value, const FormatSettings& settings) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  const auto sections = SplitSections(format);
  const auto pick = [&](std::size_t i) {
    return i < sections.size() && !sections[i].empty() ? sections[i] : sections[0];
  };
  const bool negative = std::signbit(value) && value != 0;
  bool own_negative_section = negative && sections.size() > 1 && !sections[1].empty();
  Section s = Analyse(negative ? pick(1) : sections[0]);

  const std::string fixed = Fixed(std::fabs(value), s.decimal_places);
  const auto point = fixed.find_first_not_of("0123456789");
  std::string int_digits = fixed.substr(0, point);
  std::string frac_digits = point == std::string::npos ? "" : fixed.substr(point + 1);
  const bool zero = int_digits.find_first_not_of('0') == std::string::npos &&
                    frac_digits.find_first_not_of('0') == std::string::npos;
  if (zero && sections.size() > 2 && !sections[2].empty())
    return Render(Analyse(sections[2]), "", "", settings);
  if (zero && negative) {
    // Rounded to nothing: the value is shown as zero, without a sign.
    s = Analyse(sections[0]);
    own_negative_section = true;
  }
  int_digits.erase(0, int_digits.find_first_not_of('0'));
  while (static_cast<int>(frac_digits.size()) > s.required_decimals && !frac_digits.empty() &&
         frac_digits.back() == '0')
    frac_digits.pop_back();
  std::string out = Render(s, int_digits, frac_digits, settings);
  if (negative && !own_negative_section) out.insert(0, "-");
  return out;
}

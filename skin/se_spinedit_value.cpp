#include "skin/se_spinedit_value.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>

#include "platform/core/Formats.h"

namespace {

QChar DecimalSeparator() {
  const std::string& sep = TheFormatSettings().DecimalSeparator;
  return sep.empty() ? QLatin1Char('.') : QLatin1Char(sep[0]);
}

}  // namespace

double SpinTextToValue(const QString& text, const TSeSpinNotation& n) {
  const std::string s = text.toStdString();
  if (n.type == vtFloat) {
    double v;
    if (TryStrToFloat(s, v) && std::isfinite(v)) return v;
    return n.minValue;
  }
  int v;
  if (n.type == vtHex) {
    // Up to eight hex digits, the top one the sign, as negative values are
    // written; a sign or a prefix in the text is no number.
    bool ok = !text.isEmpty() && text.size() <= 8;
    const std::uint32_t bits = ok ? text.toUInt(&ok, 16) : 0;
    for (QChar c : text) ok = ok && std::isxdigit(static_cast<unsigned char>(c.toLatin1()));
    if (ok) return static_cast<std::int32_t>(bits);
  } else if (TryStrToInt(s, v) && !text.contains(QLatin1Char('$')) && !text.contains(QLatin1String("0x"), Qt::CaseInsensitive)) {
    return v;
  }
  return std::trunc(n.minValue);
}

double SpinClampValue(double v, const TSeSpinNotation& n) {
  if (n.minValue != n.maxValue) {
    if (v < n.minValue) return n.minValue;
    if (v > n.maxValue) return n.maxValue;
  }
  return v;
}

QString SpinValueToText(double v, const TSeSpinNotation& n) {
  v = SpinClampValue(v, n);
  if (n.type == vtFloat) {
    if (!std::isfinite(v)) v = 0;
    if (std::fabs(v) >= 1e15) return QString::fromStdString(FloatToStr(v));
    // 15 significant digits, then the decimals.
    const double rounded = QString::number(v, 'g', 15).toDouble();
    QString text = QString::number(rounded, 'f', std::clamp(n.decimals, 0, 18));
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0) text.remove(0, 1);  // no "-0.00"
    text.replace(QLatin1Char('.'), DecimalSeparator());
    return text;
  }
  const std::int64_t i = Round(v);
  if (n.type == vtHex) {
    // Negative values as the 32-bit pattern, as they read back.
    const std::uint64_t bits = i < 0 && i >= INT32_MIN ? static_cast<std::uint32_t>(i) : static_cast<std::uint64_t>(i);
    return QString::number(bits, 16).toUpper();
  }
  return QString::number(i);
}

bool SpinIsValidChar(QChar key, const QString& text, TSeSpinValueType type, bool editorEnabled) {
  const ushort code = key.unicode();
  if (!editorEnabled && (code >= 32 || code == 8)) return false;
  if (code < 32) return true;
  if (key == QLatin1Char('+') || key == QLatin1Char('-') || (key >= QLatin1Char('0') && key <= QLatin1Char('9')))
    return true;
  if (type == vtFloat) {
    if (key == DecimalSeparator() && !text.contains(DecimalSeparator())) return true;
    if ((key == QLatin1Char('E') || key == QLatin1Char('e')) && !text.toUpper().contains(QLatin1Char('E'))) return true;
  }
  if (type == vtHex) {
    const char c = static_cast<char>(key.toLatin1());
    return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
  }
  return false;
}

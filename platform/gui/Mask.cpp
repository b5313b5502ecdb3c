#include "platform/gui/Mask.h"

#include <QLineEdit>
#include <QRegularExpression>

#include "platform/core/Formats.h"

QString QtInputMask(const QString& host, QChar blank) {
  const FormatSettings& settings = TheFormatSettings();
  QString out;
  auto literal = [&](QChar c) {
    // Qt reads letters and some signs as mask characters: escape them all.
    out += QLatin1Char('\\');
    out += c;
  };
  for (int i = 0; i < host.size(); ++i) {
    const QChar c = host[i];
    switch (c.unicode()) {
      case '0':
        out += QLatin1Char('9');  // a digit, required
        break;
      case '9':
        out += QLatin1Char('0');  // a digit, optional
        break;
      case '#':
        out += QLatin1Char('#');
        break;
      case 'L':
        out += QLatin1Char('A');
        break;
      case 'l':
        out += QLatin1Char('a');
        break;
      case 'A':
        out += QLatin1Char('N');
        break;
      case 'a':
        out += QLatin1Char('n');
        break;
      case 'C':
        out += QLatin1Char('X');
        break;
      case 'c':
        out += QLatin1Char('x');
        break;
      case '>':
        out += QLatin1Char('>');
        break;
      case '<':
        if (i + 1 < host.size() && host[i + 1] == QLatin1Char('>')) {
          out += QLatin1Char('!');
          ++i;
        } else {
          out += QLatin1Char('<');
        }
        break;
      case '!':
        // Where blanks are trimmed: nothing Qt needs to know.
        break;
      case '\\':
        if (i + 1 < host.size()) literal(host[++i]);
        break;
      case ':':
        for (QChar s : QString::fromStdString(settings.TimeSeparator)) literal(s);
        break;
      case '/':
        for (QChar s : QString::fromStdString(settings.DateSeparator)) literal(s);
        break;
      default:
        literal(c);
        break;
    }
  }
  return out + QLatin1Char(';') + blank;
}

TMaskEdit::TMaskEdit(TComponent* owner) : TEdit(owner) {}

void TMaskEdit::SetEditMask(const QString& mask) {
  edit_mask_ = mask;
  const QStringList parts = mask.split(QLatin1Char(';'));
  save_literals_ = parts.size() < 2 || parts[1].trimmed() != QLatin1String("0");
  blank_ = parts.size() >= 3 && !parts[2].isEmpty() ? parts[2][0] : QLatin1Char('_');
  LineEdit()->setInputMask(mask.isEmpty() ? QString() : QtInputMask(parts[0], blank_));
}

QString TMaskEdit::EditText() const { return LineEdit()->displayText(); }

void TMaskEdit::SetEditText(const QString& text) {
  QString plain = text;
  plain.replace(blank_, QLatin1Char(' '));
  LineEdit()->setText(plain);
}

QString TMaskEdit::MaskedText() const {
  if (!IsMasked()) return Text();
  const QString shown = EditText();
  if (save_literals_) {
    QString value = shown;
    return value.replace(blank_, QLatin1Char(' '));
  }
  // Only the places the user fills: the literals go.
  return LineEdit()->text().remove(QRegularExpression(QStringLiteral("[^0-9A-Za-z ]")));
}

bool TMaskEdit::IsComplete() const { return LineEdit()->hasAcceptableInput(); }

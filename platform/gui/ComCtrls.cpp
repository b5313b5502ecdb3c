#include "platform/gui/ComCtrls.h"

#include <QDateTimeEdit>
#include <QProgressBar>

#include "platform/core/Formats.h"
#include "platform/gui/Application.h"

// ---- TProgressBar ----

TProgressBar::TProgressBar(TComponent* owner) : TWidgetHost(owner), bar_(new QProgressBar) {
  bar_->setTextVisible(false);
  SetInner(bar_);
  SetTabStop(false);
  SetBounds(0, 0, 150, 16);
  Apply();
}

void TProgressBar::Apply() {
  bar_->setRange(min_, std::max(min_, max_));
  bar_->setValue(position_);
}

void TProgressBar::SetMin(int min) {
  if (min == min_) return;
  min_ = min;
  position_ = std::max(position_, min_);
  Apply();
}

void TProgressBar::SetMax(int max) {
  if (max == max_) return;
  max_ = max;
  position_ = std::min(position_, std::max(min_, max_));
  Apply();
}

void TProgressBar::SetPosition(int position) {
  position = std::clamp(position, min_, std::max(min_, max_));
  if (position == position_) return;
  position_ = position;
  bar_->setValue(position);
}

void TProgressBar::SetOrientation(TProgressBarOrientation orientation) {
  orientation_ = orientation;
  bar_->setOrientation(orientation == pbVertical ? Qt::Vertical : Qt::Horizontal);
}

// ---- TDateTimePicker ----

QString QtDateTimeFormat(const QString& host) {
  QString out;
  const QString lower = host.toLower();
  for (int i = 0; i < host.size();) {
    auto run = [&](QChar c) {
      int n = 0;
      while (i + n < host.size() && lower[i + n] == c) ++n;
      return n;
    };
    const QChar c = lower[i];
    if (lower.mid(i, 4) == QLatin1String("ampm")) {
      out += QStringLiteral("AP");
      i += 4;
    } else if (lower.mid(i, 5) == QLatin1String("am/pm")) {
      out += QStringLiteral("AP");
      i += 5;
    } else if (c == 'd' || c == 'y' || c == 'h' || c == 's') {
      const int n = run(c);
      // Qt knows yy and yyyy only; three y's read as four on the host.
      const int count = c == 'y' ? (n <= 2 ? 2 : 4) : std::min(n, c == 'd' ? 4 : 2);
      out += QString(count, c);
      i += n;
    } else if (c == 'm') {
      const int n = run(c);
      // After an hour, "m" is minutes on the host; otherwise the month.
      const bool minutes = out.contains(QLatin1Char('h'));
      out += QString(std::min(n, minutes ? 2 : 4), minutes ? QLatin1Char('m') : QLatin1Char('M'));
      i += n;
    } else if (c == 'n') {
      const int n = run(c);
      out += QString(std::min(n, 2), QLatin1Char('m'));
      i += n;
    } else {
      if (host[i].isLetter()) {
        out += QLatin1Char('\'') + host[i] + QLatin1Char('\'');
      } else {
        out += host[i];
      }
      ++i;
    }
  }
  return out;
}

namespace {

QDateTime ToQDateTime(TDateTime value) {
  int y, m, d, h, n, s, ms;
  DecodeDate(value, y, m, d);
  DecodeTime(value, h, n, s, ms);
  return QDateTime(QDate(y, m, d), QTime(h, n, s, ms));
}

TDateTime FromQDateTime(const QDateTime& value) {
  const QDate d = value.date();
  const QTime t = value.time();
  return ComposeDateTime(EncodeDate(d.year(), d.month(), d.day()),
                         EncodeTime(t.hour(), t.minute(), t.second(), t.msec()));
}

}  // namespace

TDateTimePicker::TDateTimePicker(TComponent* owner) : TWidgetHost(owner), editor_(new QDateTimeEdit) {
  SetInner(editor_);
  SetColor(clWindow);
  SetBounds(0, 0, 186, 21);
  editor_->setCalendarPopup(true);
  SetDateTime(Now());
  ApplyFormat();
  QObject::connect(editor_, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& shown) {
    if (syncing_) return;
    const TDateTime edited = FromQDateTime(shown);
    value_ = kind_ == dtkDate ? ComposeDateTime(DateOf(edited), TimeOf(value_))
                              : ComposeDateTime(DateOf(value_), TimeOf(edited));
    CallGuarded(this, [&] {
      if (OnChange) OnChange(this);
    });
  });
}

void TDateTimePicker::ApplyFormat() {
  const FormatSettings& settings = TheFormatSettings();
  const std::string& format = kind_ == dtkTime         ? settings.LongTimeFormat
                              : date_format_ == dfLong ? settings.LongDateFormat
                                                       : settings.ShortDateFormat;
  // "/" and ":" stand for the separators of the regional settings.
  QString host;
  for (QChar c : QString::fromStdString(format)) {
    if (c == QLatin1Char('/'))
      host += QString::fromStdString(settings.DateSeparator);
    else if (c == QLatin1Char(':'))
      host += QString::fromStdString(settings.TimeSeparator);
    else
      host += c;
  }
  syncing_ = true;
  editor_->setDisplayFormat(QtDateTimeFormat(host));
  // A time-only format pins the editor's date range to one day; the range
  // is ours to keep.
  editor_->clearMinimumDateTime();
  editor_->clearMaximumDateTime();
  if (min_date_ != 0) editor_->setMinimumDate(ToQDateTime(min_date_).date());
  if (max_date_ != 0) editor_->setMaximumDate(ToQDateTime(max_date_).date());
  editor_->setCalendarPopup(kind_ == dtkDate);
  editor_->setDateTime(ToQDateTime(value_));
  syncing_ = false;
}

void TDateTimePicker::SetKind(TDateTimeKind kind) {
  kind_ = kind;
  ApplyFormat();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat format) {
  date_format_ = format;
  ApplyFormat();
}

TDateTime TDateTimePicker::DateTime() const { return value_; }

void TDateTimePicker::SetDateTime(TDateTime value) {
  value_ = value;
  syncing_ = true;
  editor_->setDateTime(ToQDateTime(value));
  syncing_ = false;
}

void TDateTimePicker::SetMinDate(TDateTime date) {
  min_date_ = date;
  editor_->setMinimumDate(ToQDateTime(date).date());
}

void TDateTimePicker::SetMaxDate(TDateTime date) {
  max_date_ = date;
  editor_->setMaximumDate(ToQDateTime(date).date());
}

#include "platform/gui/Spin.h"

#include <QLineEdit>
#include <QSpinBox>
#include <climits>

TSpinEdit::TSpinEdit(TComponent* owner) : TWidgetHost(owner), box_(new QSpinBox) {
  SetInner(box_);
  SetBounds(0, 0, 121, 22);
  Apply();
  QObject::connect(box_, &QSpinBox::valueChanged, this, [this](int value) {
    if (syncing_) return;
    syncing_ = true;
    SetText(QString::number(value));
    syncing_ = false;
    if (OnChange) OnChange(this);
  });
}

void TSpinEdit::Apply() {
  syncing_ = true;
  if (min_ == 0 && max_ == 0)
    box_->setRange(INT_MIN, INT_MAX);
  else
    box_->setRange(min_, std::max(min_, max_));
  box_->setSingleStep(increment_);
  syncing_ = false;
}

void TSpinEdit::SetMinValue(int value) {
  min_ = value;
  Apply();
}

void TSpinEdit::SetMaxValue(int value) {
  max_ = value;
  Apply();
}

void TSpinEdit::SetIncrement(int increment) {
  increment_ = increment;
  Apply();
}

int TSpinEdit::Value() const { return box_->value(); }

void TSpinEdit::SetValue(int value) {
  if (value == Value() && Text() == QString::number(value)) return;
  box_->setValue(value);
  if (Text() != QString::number(box_->value())) SetText(QString::number(box_->value()));
}

void TSpinEdit::TextChanged() {
  if (!syncing_) {
    bool ok = false;
    const int value = Text().trimmed().toInt(&ok);
    syncing_ = true;
    if (ok) box_->setValue(value);
    syncing_ = false;
  }
  TWidgetHost::TextChanged();
}

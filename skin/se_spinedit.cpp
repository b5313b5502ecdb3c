#include "skin/se_spinedit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QPointer>
#include <cmath>

#include "platform/core/Formats.h"
#include "platform/gui/Forms.h"
#include "skin/se_speedbuttons.h"

TSeCustomSpinEdit::TSeCustomSpinEdit(TComponent* owner) : TSeCustomInplaceControlEdit(owner) {}

TSeCustomSpinEdit::~TSeCustomSpinEdit() { suppress_change_ = true; }

void TSeCustomSpinEdit::Init() {
  TSeCustomInplaceControlEdit::Init();
  SetText(QStringLiteral("0"));
  if (TSeCustomSpinButton* spin = SpinButton()) {
    spin->OnUpClick = [this](TControl*) { SpinClick(true); };
    spin->OnDownClick = [this](TControl*) { SpinClick(false); };
    spin->OnChanging = [this](TControl*, bool& allow) { SliderChanging(allow); };
    spin->SetIncrement(1);
  }
}

TControl* TSeCustomSpinEdit::CreateInplaceControl(TComponent* owner) { return Create<TSeCustomSpinButton>(owner); }

TSeCustomSpinButton* TSeCustomSpinEdit::SpinButton() const { return dynamic_cast<TSeCustomSpinButton*>(InplaceControl()); }

bool TSeCustomSpinEdit::EnabledSlider() const { return SpinButton() && SpinButton()->EnabledSlider(); }
void TSeCustomSpinEdit::SetEnabledSlider(bool value) {
  if (SpinButton()) SpinButton()->SetEnabledSlider(value);
}

void TSeCustomSpinEdit::Beep() { QApplication::beep(); }

double TSeCustomSpinEdit::Value() const {
  if (Loading()) return 0;
  return SpinTextToValue(Text(), notation_);
}

long long TSeCustomSpinEdit::GetIntValue() const { return Trunc(Value()); }

void TSeCustomSpinEdit::ValueToText(double value) {
  SetText(SpinValueToText(value, notation_));
  // The slider starts its drags from the value shown.
  if (TSeCustomSpinButton* spin = SpinButton(); spin && !spin->SliderDragging()) {
    const double v = std::clamp(std::trunc(Value()), double(INT_MIN), double(INT_MAX));
    spin->SetPosition(static_cast<int>(v));
  }
}

void TSeCustomSpinEdit::SetValue(double value) {
  const double old = Value();
  if (value == old) return;
  // One OnChange for a real change; a refused change puts the old text
  // back without one.
  suppress_change_ = false;
  ValueToText(value);
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) {
    suppress_change_ = true;
    ValueToText(old);
  }
  suppress_change_ = false;
}

void TSeCustomSpinEdit::Change() {
  if (!suppress_change_) TSeCustomInplaceControlEdit::Change();
}

void TSeCustomSpinEdit::Step(bool up, double delta) { SetValue(Value() + (up ? delta : -delta)); }

void TSeCustomSpinEdit::SpinClick(bool up) {
  if (ReadOnly()) {
    Beep();
    return;
  }
  QPointer<TSeCustomSpinEdit> self(this);
  Step(up, increment_);
  if (!self) return;
  if (up && OnUpClick) OnUpClick(this);
  if (!up && OnDownClick) OnDownClick(this);
}

void TSeCustomSpinEdit::SliderChanging(bool& allow) {
  TSeCustomSpinButton* spin = SpinButton();
  // The halves' steps come through SpinClick; only a slider drag is ours.
  if (!spin || !spin->SliderDragging()) return;
  const double old = Value();
  suppress_change_ = false;
  SetText(SpinValueToText(spin->Position(), notation_));
  allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) {
    suppress_change_ = true;
    SetText(SpinValueToText(old, notation_));
    suppress_change_ = false;
  }
}

void TSeCustomSpinEdit::SetMinValue(double value) {
  if (value == notation_.minValue) return;
  notation_.minValue = value;
  if (SpinButton()) SpinButton()->SetMin(static_cast<int>(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX))));
}

void TSeCustomSpinEdit::SetMaxValue(double value) {
  if (value == notation_.maxValue) return;
  notation_.maxValue = value;
  if (SpinButton()) SpinButton()->SetMax(static_cast<int>(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX))));
}

void TSeCustomSpinEdit::SetIncrement(double value) {
  if (value == increment_) return;
  increment_ = value;
  if (SpinButton()) SpinButton()->SetIncrement(static_cast<int>(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX))));
}

void TSeCustomSpinEdit::SetValueType(TSeSpinValueType value) {
  if (value == notation_.type) return;
  const double current = Value();
  const TSeSpinValueType old = notation_.type;
  notation_.type = value;
  if (value != vtFloat) {
    const double rounded = static_cast<double>(Round(increment_));
    SetIncrement(rounded == 0 ? 1 : rounded);
  }
  // The text is shown again in the new notation.
  if (!Loading() && old != value) {
    suppress_change_ = true;
    ValueToText(current);
    suppress_change_ = false;
  }
}

void TSeCustomSpinEdit::SetDecimal(int value) {
  if (value == notation_.decimals) return;
  notation_.decimals = value;
  if (notation_.type == vtFloat && !Loading()) {
    suppress_change_ = true;
    ValueToText(Value());
    suppress_change_ = false;
  }
}

bool TSeCustomSpinEdit::IsValidChar(QChar key) { return SpinIsValidChar(key, Text(), notation_.type, editor_enabled_); }

void TSeCustomSpinEdit::FocusExit() {
  TSeCustomInplaceControlEdit::FocusExit();
  const double v = Value();
  if (SpinClampValue(v, notation_) != v) SetValue(SpinClampValue(v, notation_));
}

void TSeCustomSpinEdit::KeyDown(int& key, TShiftState shift) {
  const int qt = QtKeyFromVirtualKey(key);
  if (arrow_keys_) {
    switch (qt) {
      case Qt::Key_Up:
      case Qt::Key_Down:
        SpinClick(qt == Qt::Key_Up);
        key = 0;
        return;
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
        if (ReadOnly())
          Beep();
        else
          Step(qt == Qt::Key_PageUp, large_step_);
        key = 0;
        return;
      default: break;
    }
  }
  if (!editor_enabled_) {
    const unsigned mods = shift & (ssShift | ssCtrl | ssAlt);
    if (qt == Qt::Key_Backspace || qt == Qt::Key_Delete) key = 0;
    if (qt == Qt::Key_Insert && (mods == ssCtrl || mods == ssShift)) key = 0;
    if ((qt == Qt::Key_X || qt == Qt::Key_V || qt == Qt::Key_Z) && mods == ssCtrl) key = 0;
    if (key == 0) return;
  }
  TSeCustomInplaceControlEdit::KeyDown(key, shift);
}

void TSeCustomSpinEdit::KeyPress(QChar& key) {
  if (!IsValidChar(key)) {
    key = QChar();
    Beep();
    return;
  }
  TSeCustomInplaceControlEdit::KeyPress(key);
}

void TSeCustomSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
  // Without the editor the menu offers what a read-only edit does.
  const bool readOnly = ReadOnly();
  if (!editor_enabled_) SetReadOnly(true);
  TSeCustomInplaceControlEdit::contextMenuEvent(event);
  SetReadOnly(readOnly);
}

#pragma once
// TSeCustomSpinEdit: a numeric edit with the library's spin button inside
// its frame. Its value is always its text, read in one notation (decimal
// integer, decimal floating point, hexadecimal) and written back limited
// to MinValue..MaxValue; arrows, page keys, the spin halves and the
// slider between them step it, and typing is held to the notation.

#include <functional>

#include "skin/se_editbutton.h"
#include "skin/se_spinedit_value.h"

class TSeCustomSpinButton;

class TSeCustomSpinEdit : public TSeCustomInplaceControlEdit {
 public:
  explicit TSeCustomSpinEdit(TComponent* owner = nullptr);
  ~TSeCustomSpinEdit() override;
  void Init() override;

  double Value() const;
  void SetValue(double value);
  long long GetIntValue() const;
  double MinValue() const { return notation_.minValue; }
  void SetMinValue(double value);
  double MaxValue() const { return notation_.maxValue; }
  void SetMaxValue(double value);
  double Increment() const { return increment_; }
  void SetIncrement(double value);
  double LargeStep() const { return large_step_; }
  void SetLargeStep(double value) { large_step_ = value; }
  TSeSpinValueType ValueType() const { return notation_.type; }
  void SetValueType(TSeSpinValueType value);
  int Decimal() const { return notation_.decimals; }
  void SetDecimal(int value);
  bool ArrowKeys() const { return arrow_keys_; }
  void SetArrowKeys(bool value) { arrow_keys_ = value; }
  bool EditorEnabled() const { return editor_enabled_; }
  void SetEditorEnabled(bool value) { editor_enabled_ = value; }
  bool EnabledSlider() const;
  void SetEnabledSlider(bool value);
  TSeCustomSpinButton* SpinButton() const;

  std::function<void(TControl*, bool& allowChange)> OnChanging;
  std::function<void(TControl*)> OnUpClick;
  std::function<void(TControl*)> OnDownClick;

  // One step of the up (true) or down half, as a click on it.
  void SpinClick(bool up);

 protected:
  TControl* CreateInplaceControl(TComponent* owner) override;
  void SliderChanging(bool& allow);
  virtual bool IsValidChar(QChar key);
  // The refusal sound (tests count it).
  virtual void Beep();
  void Change() override;
  void FocusExit() override;
  void KeyDown(int& key, TShiftState shift) override;
  void KeyPress(QChar& key) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Step(bool up, double delta);
  void ValueToText(double value);

  bool arrow_keys_ = true;
  TSeSpinNotation notation_;
  double increment_ = 1;
  double large_step_ = 10;
  bool editor_enabled_ = true;
  // Text changes while set are no change to report (steps refused,
  // old values put back).
  bool suppress_change_ = false;
};

#pragma once
// TSpinEdit: an integer edit with up and down buttons, kept between
// MinValue and MaxValue (both 0: no limits). OnChange runs when the value
// changes, by typing or by the buttons.

#include <functional>

#include "platform/gui/WidgetHost.h"

class QSpinBox;

class TSpinEdit : public TWidgetHost {
  Q_OBJECT

 public:
  explicit TSpinEdit(TComponent* owner = nullptr);
  QSpinBox* SpinBox() const { return box_; }

  int MinValue() const { return min_; }
  void SetMinValue(int value);
  int MaxValue() const { return max_; }
  void SetMaxValue(int value);
  int Value() const;
  void SetValue(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int increment);

  std::function<void(TControl*)> OnChange;

 protected:
  void TextChanged() override;

 private:
  void Apply();
  QSpinBox* box_;
  int min_ = 0;
  int max_ = 0;
  int increment_ = 1;
  bool syncing_ = false;
};

#pragma once
// TSeCustomToolBar: a bar that lines up its visible children (speed buttons
// and dividers, usually) in one row, or one column when it stands upright,
// and with ButtonAutoSize sizes them to the bar. It paints only its
// background; the order and sizes come from se_toolbar_layout.

#include "skin/se_controls.h"

class TSeCustomToolBar : public TSeCustomControl {
 public:
  explicit TSeCustomToolBar(TComponent* owner = nullptr);

  // The free margin inside the bar on every side (the control base's
  // border ring, painted over by the background).
  void SetBorderWidth(int value) { TSeCustomControl::SetBorderWidth(value); }
  int ButtonWidth() const { return button_width_; }
  void SetButtonWidth(int value);
  int DividerWidth() const { return divider_width_; }
  void SetDividerWidth(int value);
  bool ButtonAutoSize() const { return button_auto_size_; }
  void SetButtonAutoSize(bool value);

  // A row when at least as wide as high, or when aligned to the top or the
  // bottom; a column otherwise.
  bool IsHorizontal() const;

  void SetBounds(int left, int top, int width, int height) override;

 protected:
  void AlignControls(TRect& client) override;
  void PaintBackground() override;
  void BorderChanged() override { Realign(); }
  // A child shown, hidden, added or removed makes room or takes it.
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int button_width_ = 25;
  int divider_width_ = 8;
  bool button_auto_size_ = true;
};

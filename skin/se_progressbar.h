#pragma once
// The skin library's progress bar: how far Position lies between Min and
// Max, as one smooth bar or a row of blocks, horizontal or vertical. A new
// Position that moves the shown amount repaints at once, before the setter
// returns, so a long operation on the main thread still shows progress.

#include "skin/se_controls.h"
#include "skin/se_progressbar_layout.h"

class TSeCustomProgressBar : public TSeCustomControl {
 public:
  explicit TSeCustomProgressBar(TComponent* owner = nullptr);

  int Max() const { return max_; }
  void SetMax(int value);
  int Min() const { return min_; }
  void SetMin(int value);
  int Position() const { return position_; }
  // Repaints (and processes pending events) only when the fraction moves;
  // handlers of those events may run inside this call.
  void SetPosition(int value);
  TSeBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TSeBarOrientation value);
  // The bar's own inset inside its frame (not the base's border ring).
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int value);
  bool ShowBorder() const { return show_border_; }
  void SetShowBorder(bool value);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool value);

  float GetFraction(int value) const { return Geometry().Fraction(value); }

 protected:
  TSeProgressGeometry Geometry() const;
  virtual TRect GetBarRect() { return Geometry().BarRect(); }
  virtual void PaintBar();
  virtual void PaintFrame();
  void PaintBackground() override;

 private:
  int max_ = 100;
  int min_ = 0;
  int position_ = 0;
  TSeBarOrientation orientation_ = kboHorizontal;
  int border_width_ = 0;
  bool show_border_ = true;
  bool smooth_ = false;
};

#include "skin/se_progressbar.h"

#include <QCoreApplication>

#include "skin/se_drawing.h"

TSeCustomProgressBar::TSeCustomProgressBar(TComponent* owner) : TSeCustomControl(owner) {
  SetPerformance(tbpDoubleBuffer);
  SetColor(clBtnFace);
  SetBounds(Left(), Top(), 140, 16);
  SetTransparent(true);
}

TSeProgressGeometry TSeCustomProgressBar::Geometry() const {
  TSeProgressGeometry g;
  g.Min = min_;
  g.Max = max_;
  g.PaintedWidth = PaintedWidth();
  g.PaintedHeight = PaintedHeight();
  g.Orientation = orientation_;
  g.ShowBorder = show_border_;
  g.BorderWidth = border_width_;
  return g;
}

void TSeCustomProgressBar::SetMax(int value) {
  max_ = value;
  Invalidate();
}

void TSeCustomProgressBar::SetMin(int value) {
  min_ = value;
  Invalidate();
}

void TSeCustomProgressBar::SetPosition(int value) {
  if (value == position_) return;
  const TSeProgressGeometry g = Geometry();
  const bool moved = g.Fraction(value) != g.Fraction(position_);
  position_ = value;
  if (!moved) return;
  InvalidateRect(Rect(0, 0, PaintedWidth(), PaintedHeight()));
  // Paint now: the caller may be a long loop that returns to the event
  // loop only when it is done.
  QCoreApplication::processEvents();
}

void TSeCustomProgressBar::SetOrientation(TSeBarOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  Invalidate();
}

void TSeCustomProgressBar::SetBorderWidth(int value) {
  if (value == border_width_) return;
  border_width_ = value;
  Invalidate();
}

void TSeCustomProgressBar::SetShowBorder(bool value) {
  if (value == show_border_) return;
  show_border_ = value;
  Invalidate();
}

void TSeCustomProgressBar::SetSmooth(bool value) {
  if (value == smooth_) return;
  smooth_ = value;
  Invalidate();
}

void TSeCustomProgressBar::PaintBackground() {
  PaintFrame();
  PaintBar();
}

void TSeCustomProgressBar::PaintFrame() {
  TCanvas& c = *Canvas();
  TRect r = Rect(0, 0, PaintedWidth(), PaintedHeight());
  if (show_border_) {
    se::DrawBevelRect(c, r, clBtnShadow, clBtnHighlight);
    InflateRect(r, -1, -1);
  }
  se::FillRectColor(c, r, Color());
}

void TSeCustomProgressBar::PaintBar() {
  TCanvas& c = *Canvas();
  const TSeProgressGeometry g = Geometry();
  if (smooth_) {
    const TRect filled = g.FilledRect(position_);
    if (!filled.IsEmpty()) se::FillRectColor(c, filled, clHighlight);
    return;
  }
  for (const TRect& block : g.Blocks(position_)) se::FillRectColor(c, block, clHighlight);
}

#include "skin/se_trackbar.h"

#include <algorithm>
#include <cmath>

#include "skin/se_drawing.h"

TSeCustomTrackBar::TSeCustomTrackBar(TComponent* owner) : TSeCustomControl(owner) {
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
  SetPerformance(tbpDoubleBuffer);
}

// ---- properties ----

void TSeCustomTrackBar::SetMin(int value) {
  if (value == min_ || value >= max_) return;
  min_ = value;
  if (value > position_) SetPosition(value);
  Invalidate();
}

void TSeCustomTrackBar::SetMax(int value) {
  if (value == max_ || value <= min_) return;
  max_ = value;
  if (value < position_) SetPosition(value);
  Invalidate();
}

void TSeCustomTrackBar::SetPosition(int value) {
  if (value == position_) return;
  position_ = std::clamp(value, min_, max_);
  Invalidate();
  Change();
}

void TSeCustomTrackBar::SetOrientation(TTrackOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  if (Designing() && ((value == toHorizontal && Height() > Width()) || (value == toVertical && Width() > Height())))
    SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TSeCustomTrackBar::SetFrequency(int value) {
  // Snapping and the tick loop divide by it.
  value = std::max(1, value);
  if (value == frequency_) return;
  frequency_ = value;
  Invalidate();
}

void TSeCustomTrackBar::SetTickMarks(TTickMark value) {
  if (value == tick_marks_) return;
  tick_marks_ = value;
  Invalidate();
}

void TSeCustomTrackBar::SetShowTicks(bool value) {
  if (value == show_ticks_) return;
  show_ticks_ = value;
  Invalidate();
}

void TSeCustomTrackBar::SetIntervalHighlightType(TIntervalHighlightType value) {
  if (value == highlight_) return;
  highlight_ = value;
  Invalidate();
}

void TSeCustomTrackBar::SetThumbVisible(bool value) {
  if (value == thumb_visible_) return;
  thumb_visible_ = value;
  Invalidate();
}

void TSeCustomTrackBar::SetThumbHalfWidth(int value) {
  value = std::clamp(value, 0, 0xFFFF);
  if (value == thumb_half_width_) return;
  thumb_half_width_ = value;
  Invalidate();
}

void TSeCustomTrackBar::Change() {
  if (OnChange) OnChange(this);
}

void TSeCustomTrackBar::Loaded() {
  TSeCustomControl::Loaded();
  Invalidate();
}

// ---- geometry ----

TSeTrackGeometry TSeCustomTrackBar::Geometry() const {
  TSeTrackGeometry g;
  g.Orientation = orientation_;
  g.Min = min_;
  g.Max = max_;
  g.Frequency = frequency_;
  g.TickMarks = tick_marks_;
  g.ShowTicks = show_ticks_;
  g.Length = orientation_ == toHorizontal ? Width() : Height();
  g.ThumbWidth = GetThumbWidth();
  g.ThumbLength = GetThumbLength();
  g.Margin = GetTrackMargin();
  g.Offset = GetThumbOffset();
  return g;
}

int TSeCustomTrackBar::GetThumbLength() const {
  return static_cast<int>(std::nearbyint(GetThumbWidth() * 2.2));
}

bool TSeCustomTrackBar::PtInThumb(int x, int y) const {
  const TSeTrackGeometry g = Geometry();
  return g.PtInThumb(g.PixelFromPosition(position_), Point(x, y));
}

// ---- painting ----

void TSeCustomTrackBar::PaintBackground() {
  TSeCustomControl::PaintBackground();
  const TSeTrackGeometry g = Geometry();
  const int thumb = g.PixelFromPosition(position_);
  PaintTrack(g.Margin, g.Length - g.Margin, thumb);
  PaintTicks();
  PaintThumb(thumb);
  if (IsFocused()) se::DrawFocusRectColor(*Canvas(), Rect(0, 0, Width(), Height()), Color());
}

void TSeCustomTrackBar::PaintTrack(int start, int stop, int thumb_pixel) {
  TCanvas& canvas = *Canvas();
  const TSeTrackGeometry g = Geometry();
  const TRect track = g.TrackRect(start, stop);
  se::FillRectColor(canvas, track, Enabled() ? clBtnHighlight : clBtnFace);
  if (Enabled() && highlight_ != htNone)
    se::FillRectColor(canvas, g.IntervalRect(start, stop, thumb_pixel, highlight_), clHighlight);
  se::DrawBevelRect(canvas, track, clBtnShadow, clBtnHighlight);
  se::DrawBevelRect(canvas, se::GrowRect(track, -1), cl3DDkShadow, cl3DLight);
}

void TSeCustomTrackBar::PaintThumb(int pixel) {
  if (!thumb_visible_) return;
  TCanvas& canvas = *Canvas();
  const TSeTrackGeometry g = Geometry();
  // The pattern fills draw nothing through the clear brush the track's
  // bevels leave.
  canvas.Brush().SetStyle(bsSolid);
  if (g.RectangularThumb()) {
    const TRect r = g.ThumbRect(pixel);
    if (dragging_)
      se::FillDitherRect(canvas, r, clBtnFace, clBtnHighlight);
    else
      se::FillRectColor(canvas, r, clBtnFace);
    se::DrawBevelRect(canvas, r, clBtnHighlight, clBlack);
    se::DrawBevelRect(canvas, se::GrowRect(r, -1), clBtnFace, clBtnShadow);
    return;
  }
  const std::vector<TPoint> outline = g.ThumbPolygon(pixel);
  if (dragging_)
    se::FillDitherPolygon(canvas, outline, clBtnHighlight, clBtnFace);
  else
    se::FillPolygon(canvas, outline, clBtnFace);
  // Along the track u, across it v, as the geometry lays them out.
  const int w = g.ThumbWidth;
  const int a = g.ThumbBandStart();
  const int tl = g.ThumbLength;
  const int u = pixel - w / 2;
  auto line = [&](std::initializer_list<std::pair<int, int>> points, TColor color) {
    auto it = points.begin();
    const TPoint first = g.OrientedPoint(it->first, it->second);
    se::CanvasMoveTo(canvas, first.X, first.Y);
    for (++it; it != points.end(); ++it) {
      const TPoint p = g.OrientedPoint(it->first, it->second);
      se::CanvasLineTo(canvas, p.X, p.Y, color);
    }
  };
  if (tick_marks_ == tmTopLeft) {
    // Pointing toward the band start: light on the leading side and its
    // slant, dark on the trailing side, its slant and the flat end.
    line({{u, a + tl - 2}, {u, a + w / 2}, {u + w / 2, a - 1}}, clBtnHighlight);
    line({{u + w / 2, a}, {u + w - 1, a + w / 2}, {u + w - 1, a + tl - 1}, {u - 1, a + tl - 1}}, cl3DDkShadow);
    line({{u + w - 2, a + w / 2}, {u + w - 2, a + tl - 2}, {u, a + tl - 2}}, clBtnShadow);
  } else {
    line({{u + w - 2, a}, {u, a}, {u, a + tl - w / 2 - 1}, {u + w / 2, a + tl - 1}}, clBtnHighlight);
    line({{u + w - 2, a + 1}, {u + w - 2, a + tl - w / 2 - 1}, {u + w / 2 - 1, a + tl - 2}}, clBtnShadow);
    line({{u + w - 1, a}, {u + w - 1, a + tl - w / 2 - 1}, {u + w / 2 - 1, a + tl - 1}}, cl3DDkShadow);
  }
}

void TSeCustomTrackBar::PaintTicks() {
  if (!show_ticks_) return;
  const TSeTrackGeometry g = Geometry();
  const std::vector<int> values = g.TickValues();
  if (tick_marks_ == tmTopLeft || tick_marks_ == tmBoth)
    for (int v : values) PaintTick(v, g.PixelFromPosition(v), true);
  if (tick_marks_ == tmBottomRight || tick_marks_ == tmBoth)
    for (int v : values) PaintTick(v, g.PixelFromPosition(v), false);
}

void TSeCustomTrackBar::PaintTick(int value, int pixel, bool upper) { DrawTick(value, pixel, upper, clBlack); }

void TSeCustomTrackBar::DrawTick(int value, int pixel, bool upper, TColor color) {
  const TSeTrackGeometry g = Geometry();
  const bool end = value == min_ || value == max_;
  int from;
  int to;
  if (upper) {
    from = g.Offset + 3;
    to = g.Offset - (end ? 1 : 0);
  } else {
    from = g.ThumbLength + g.Offset + 2 + (tick_marks_ == tmBoth ? 4 : 0);
    to = from + (end ? 4 : 3);
  }
  const TPoint a = g.OrientedPoint(pixel, from);
  const TPoint b = g.OrientedPoint(pixel, to);
  se::CanvasMoveTo(*Canvas(), a.X, a.Y);
  se::CanvasLineTo(*Canvas(), b.X, b.Y, color);
}

// ---- mouse and keys ----

void TSeCustomTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomControl::MouseDown(button, shift, x, y);
  if (CanFocus()) SetFocus();
  if (button != mbLeft) return;
  if (PtInThumb(x, y)) {
    dragging_ = true;
    Invalidate();
    return;
  }
  const int v = Geometry().PositionFromPixel(orientation_ == toHorizontal ? x : y);
  if (v > position_)
    SetPosition(position_ + page_size_);
  else if (v < position_)
    SetPosition(position_ - page_size_);
}

void TSeCustomTrackBar::MouseMove(TShiftState shift, int x, int y) {
  TSeCustomControl::MouseMove(shift, x, y);
  const TSeTrackGeometry g = Geometry();
  const int along = std::clamp(orientation_ == toHorizontal ? x : y, 0, g.Length);
  if (dragging_) SetPosition(g.PositionFromPixel(along));
  const bool hot = PtInThumb(x, y);
  if (hot != hot_) {
    hot_ = hot;
    Invalidate();
  }
}

void TSeCustomTrackBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomControl::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  dragging_ = false;
  Invalidate();
}

void TSeCustomTrackBar::MouseLeave() {
  TSeCustomControl::MouseLeave();
  if (hot_) {
    hot_ = false;
    Invalidate();
  }
}

void TSeCustomTrackBar::KeyDown(int& key, TShiftState shift) {
  TSeCustomControl::KeyDown(key, shift);
  switch (key) {
    case VK_PRIOR:
      SetPosition(position_ - page_size_);
      break;
    case VK_NEXT:
      SetPosition(position_ + page_size_);
      break;
    case VK_END:
      SetPosition(max_);
      break;
    case VK_HOME:
      SetPosition(min_);
      break;
    case VK_LEFT:
    case VK_UP:
      SetPosition(position_ - line_size_);
      break;
    case VK_RIGHT:
    case VK_DOWN:
      SetPosition(position_ + line_size_);
      break;
    default:
      break;
  }
}

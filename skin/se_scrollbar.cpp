#include "skin/se_scrollbar.h"

#include <QApplication>
#include <QWheelEvent>
#include <algorithm>
#include <cstdint>

#include "platform/gui/Painters.h"
#include "skin/se_drawing.h"

namespace {

int ThumbMetric() { return GetSystemMetrics(SM_CYVTHUMB); }

// num / den rounded to the nearest integer, halves to the even neighbour.
int RoundDiv(std::int64_t num, std::int64_t den) {
  if (den < 0) num = -num, den = -den;
  std::int64_t q = num / den;
  std::int64_t r = num % den;
  if (r < 0) r += den, --q;  // floor division
  const std::int64_t twice = 2 * r;
  if (twice > den || (twice == den && (q & 1) != 0)) ++q;
  return int(q);
}

}  // namespace

TSeCustomScrollBar::TSeCustomScrollBar(TComponent* owner) : TSeGraphicControl(owner) {
  SetBounds(0, 0, 121, ThumbMetric());
  SetPerformance(tbpDoubleBuffer);
}

TSeCustomScrollBar::~TSeCustomScrollBar() {
  if (timer_) timer_->SetEnabled(false);
}

// ---- properties ----

void TSeCustomScrollBar::SetKind(TScrollBarKind value) {
  if (value == kind_) return;
  kind_ = value;
  Invalidate();
}

void TSeCustomScrollBar::SetPosition(int value) {
  value = std::max(min_, std::min(value, max_));
  if (value == position_) return;
  position_ = value;
  Invalidate();
  Change();
}

void TSeCustomScrollBar::CutPageSize() {
  const std::int64_t range = std::int64_t(max_) - min_ + 1;
  if (page_size_ > range) page_size_ = int(range);
}

void TSeCustomScrollBar::SetMin(int value) {
  value = std::min(value, max_);
  if (value == min_) return;
  min_ = value;
  if (position_ < min_) SetPosition(min_);
  CutPageSize();
  Invalidate();
}

void TSeCustomScrollBar::SetMax(int value) {
  value = std::max(value, min_);
  if (value == max_) return;
  max_ = value;
  if (position_ > max_) SetPosition(max_);
  CutPageSize();
  Invalidate();
}

void TSeCustomScrollBar::SetPageSize(int value) {
  if (value < 0 || value == page_size_) return;
  page_size_ = value;
  CutPageSize();
  Invalidate();
}

void TSeCustomScrollBar::SetSmallChange(int value) { small_change_ = std::clamp(value, 1, 32767); }
void TSeCustomScrollBar::SetLargeChange(int value) { large_change_ = std::clamp(value, 1, 32767); }

void TSeCustomScrollBar::SetShowButtons(bool value) {
  if (value == show_buttons_) return;
  show_buttons_ = value;
  Invalidate();
}

void TSeCustomScrollBar::SetBorderWidth(int value) {
  if (value == border_width_) return;
  border_width_ = value;
  Invalidate();
}

void TSeCustomScrollBar::AdjustThickness() {
  if (Vertical())
    SetWidth(ThumbMetric() + 2 * border_width_);
  else
    SetHeight(ThumbMetric() + 2 * border_width_);
}

void TSeCustomScrollBar::SetScrollBackward(bool value) {
  if (value == scroll_backward_) return;
  scroll_backward_ = value;
  if (value) {
    SetScrollForward(false);
    StartRepeat(false);
  } else if (timer_) {
    timer_->SetEnabled(false);
  }
}

void TSeCustomScrollBar::SetScrollForward(bool value) {
  if (value == scroll_forward_) return;
  scroll_forward_ = value;
  if (value) {
    SetScrollBackward(false);
    StartRepeat(false);
  } else if (timer_) {
    timer_->SetEnabled(false);
  }
}

void TSeCustomScrollBar::Scroll(TSeScrollCode code, int& position) {
  if (OnScroll) OnScroll(this, code, position);
}

void TSeCustomScrollBar::Change() {
  if (OnChange) OnChange(this);
}

// ---- geometry ----

int TSeCustomScrollBar::GetButtonSize() const {
  const int s = ThumbMetric();
  const int l = Vertical() ? Height() - 2 * border_width_ : Width() - 2 * border_width_;
  return l >= 2 * s ? s : l / 2;
}

int TSeCustomScrollBar::TrackLength() const {
  const TRect track = GetTrackRect();
  return Vertical() ? track.Height() : track.Width();
}

int TSeCustomScrollBar::CalcPageThumbSize() const {
  const std::int64_t range = std::int64_t(max_) - min_ + 1;
  const int t = RoundDiv(std::int64_t(page_size_) * TrackLength(), range);
  return std::max(t, 2 * (ThumbMetric() / 3));
}

int TSeCustomScrollBar::GetThumbSize() const {
  const int t = page_size_ >= 1 ? CalcPageThumbSize() : ThumbMetric();
  // A thumb exactly as long as the track still fits (a page that shows the
  // whole range fills the track).
  return t >= 1 && TrackLength() >= t ? t : 0;
}

TRect TSeCustomScrollBar::GetFirstButtonRect() const {
  const int bw = border_width_;
  if (Vertical()) return Rect(bw, bw, Width() - bw, bw + GetButtonSize());
  return Rect(bw, bw, bw + GetButtonSize(), Height() - bw);
}

TRect TSeCustomScrollBar::GetSecondButtonRect() const {
  const int bw = border_width_;
  if (Vertical()) return Rect(bw, Height() - bw - GetButtonSize(), Width() - bw, Height() - bw);
  return Rect(Width() - bw - GetButtonSize(), bw, Width() - bw, Height() - bw);
}

TRect TSeCustomScrollBar::GetTrackRect() const {
  TRect r = se::GrowRect(Rect(0, 0, Width(), Height()), -border_width_);
  if (show_buttons_) {
    const int b = GetButtonSize();
    if (Vertical())
      r.Top += b, r.Bottom -= b;
    else
      r.Left += b, r.Right -= b;
  }
  return r;
}

int TSeCustomScrollBar::CalcThumbPos() const {
  const TRect track = GetTrackRect();
  const int start = Vertical() ? track.Top : track.Left;
  const int avail = TrackLength() - GetThumbSize();
  const std::int64_t span = std::int64_t(max_) - min_ - page_size_;
  const std::int64_t n = span + (page_size_ != 0 ? 1 : 0);
  if (span + 1 < 1 || n < 1) return start;
  if (std::int64_t(position_) > std::int64_t(max_) - page_size_ + 1) return start + avail;
  return start + RoundDiv((std::int64_t(position_) - min_) * avail, n);
}

TRect TSeCustomScrollBar::GetThumbRect() const {
  const TRect track = GetTrackRect();
  const int p = CalcThumbPos();
  const int size = GetThumbSize();
  if (Vertical()) return Rect(track.Left, p, track.Right, p + size);
  return Rect(p, track.Top, p + size, track.Bottom);
}

TRect TSeCustomScrollBar::GetPageBeforeRect() const {
  const TRect track = GetTrackRect();
  const int p = CalcThumbPos();
  if (Vertical()) return Rect(track.Left, track.Top, track.Right, p);
  return Rect(track.Left, track.Top, p, track.Bottom);
}

TRect TSeCustomScrollBar::GetPageAfterRect() const {
  const TRect track = GetTrackRect();
  const int p = CalcThumbPos() + GetThumbSize();
  if (Vertical()) return Rect(track.Left, p, track.Right, track.Bottom);
  return Rect(p, track.Top, track.Right, track.Bottom);
}

bool TSeCustomScrollBar::PtInFirstButton(int x, int y) const { return PtInRect(GetFirstButtonRect(), {x, y}); }
bool TSeCustomScrollBar::PtInSecondButton(int x, int y) const { return PtInRect(GetSecondButtonRect(), {x, y}); }
bool TSeCustomScrollBar::PtInThumb(int x, int y) const { return PtInRect(GetThumbRect(), {x, y}); }
bool TSeCustomScrollBar::PtInPageBefore(int x, int y) const { return PtInRect(GetPageBeforeRect(), {x, y}); }
bool TSeCustomScrollBar::PtInPageAfter(int x, int y) const { return PtInRect(GetPageAfterRect(), {x, y}); }

int TSeCustomScrollBar::PosFromCoord(int coord) const {
  const TRect track = GetTrackRect();
  const int start = Vertical() ? track.Top : track.Left;
  const int avail = TrackLength() - GetThumbSize();
  const std::int64_t n = std::int64_t(max_) - min_ - page_size_ + (page_size_ != 0 ? 1 : 0);
  std::int64_t v = 0;
  if (avail != 0 && n >= 1) v = RoundDiv((std::int64_t(coord) - start) * n, avail) + min_;
  v = std::min<std::int64_t>(v, std::int64_t(max_) - page_size_ + 1);
  v = std::max<std::int64_t>(v, min_);
  return int(v);
}

bool TSeCustomScrollBar::IsThumbVisible() const {
  const TRect r = GetThumbRect();
  return Enabled() && r.Width() >= 1 && r.Height() >= 1;
}

// ---- painting ----

void TSeCustomScrollBar::PaintBackground() {
  TSeGraphicControl::PaintBackground();
  PaintFrame();
  PaintTrack();
  if (show_buttons_) {
    PaintFirstButton();
    PaintSecondButton();
  }
  if (IsThumbVisible()) {
    PaintThumb();
    if (PageBeforePressed()) PaintPageBefore();
    if (PageAfterPressed()) PaintPageAfter();
  }
}

void TSeCustomScrollBar::PaintFrame() {
  if (border_width_ > 0) se::DrawBevelRect(*Canvas(), Rect(0, 0, Width(), Height()), clBtnShadow, clBtnHighlight);
}

void TSeCustomScrollBar::PaintTrack() {
  // The pattern fill draws nothing through a clear brush, and the frame
  // before it leaves one.
  Canvas()->Brush().SetStyle(bsSolid);
  se::FillDitherRect(*Canvas(), GetTrackRect(), clScrollBar, clBtnHighlight);
}

void TSeCustomScrollBar::PaintFirstButton() {
  TRect r = GetFirstButtonRect();
  unsigned state = Vertical() ? DFCS_SCROLLUP : DFCS_SCROLLLEFT;
  if (FirstButtonPressed()) state |= DFCS_PUSHED | DFCS_FLAT;
  if (!Enabled()) state |= DFCS_INACTIVE;
  DrawFrameControl(*Canvas(), r, DFC_SCROLL, state);
}

void TSeCustomScrollBar::PaintSecondButton() {
  TRect r = GetSecondButtonRect();
  unsigned state = Vertical() ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT;
  if (SecondButtonPressed()) state |= DFCS_PUSHED | DFCS_FLAT;
  if (!Enabled()) state |= DFCS_INACTIVE;
  DrawFrameControl(*Canvas(), r, DFC_SCROLL, state);
}

void TSeCustomScrollBar::PaintThumb() {
  if (ThumbDragging())
    PaintFlatThumb(GetThumbRect());
  else
    PaintRaisedThumb(GetThumbRect());
}

void TSeCustomScrollBar::PaintFlatThumb(const TRect& rect) {
  se::FillRectColor(*Canvas(), rect, clBtnFace);
  se::DrawFrameRect(*Canvas(), rect, clBtnShadow);
}

void TSeCustomScrollBar::PaintRaisedThumb(const TRect& rect) {
  se::FillRectColor(*Canvas(), rect, clBtnFace);
  se::DrawBevelRect(*Canvas(), rect, cl3DLight, cl3DDkShadow);
  se::DrawBevelRect(*Canvas(), se::GrowRect(rect, -1), clBtnHighlight, clBtnShadow);
}

void TSeCustomScrollBar::PaintPageBefore() { se::FillRectColor(*Canvas(), GetPageBeforeRect(), cl3DDkShadow); }
void TSeCustomScrollBar::PaintPageAfter() { se::FillRectColor(*Canvas(), GetPageAfterRect(), cl3DDkShadow); }

// ---- mouse and repeat ----

bool TSeCustomScrollBar::UpdateHotFlags(int x, int y) {
  const bool thumb = PtInThumb(x, y);
  const bool first = show_buttons_ && PtInFirstButton(x, y);
  const bool second = show_buttons_ && PtInSecondButton(x, y);
  const bool before = PtInPageBefore(x, y);
  const bool after = PtInPageAfter(x, y);
  const bool changed = thumb != hot_thumb_ || first != hot_first_ || second != hot_second_ ||
                       before != hot_before_ || after != hot_after_;
  hot_thumb_ = thumb;
  hot_first_ = first;
  hot_second_ = second;
  hot_before_ = before;
  hot_after_ = after;
  return changed;
}

void TSeCustomScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TSeGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  // The pointer is where it was pressed even when no move came first.
  last_x_ = x;
  last_y_ = y;
  UpdateHotFlags(x, y);
  if (PtInThumb(x, y)) {
    const TRect thumb = GetThumbRect();
    grab_offset_ = Vertical() ? y - thumb.Top : x - thumb.Left;
    int pos = position_;
    Scroll(scTrack, pos);
    SetPosition(pos);
    Invalidate();
  }
  const bool was_first = FirstButtonPressed();
  const bool was_second = SecondButtonPressed();
  const bool was_before = PageBeforePressed();
  const bool was_after = PageAfterPressed();
  if (show_buttons_ && PtInFirstButton(x, y)) down_first_ = true;
  if (show_buttons_ && PtInSecondButton(x, y)) down_second_ = true;
  if (PtInPageBefore(x, y)) down_before_ = true;
  if (PtInPageAfter(x, y)) down_after_ = true;
  if ((!was_first && FirstButtonPressed()) || (!was_second && SecondButtonPressed()) ||
      (!was_before && PageBeforePressed()) || (!was_after && PageAfterPressed())) {
    Invalidate();
    StartRepeat(true);
  }
}

void TSeCustomScrollBar::MouseMove(TShiftState shift, int x, int y) {
  TSeGraphicControl::MouseMove(shift, x, y);
  last_x_ = x;
  last_y_ = y;
  if (grab_offset_ != -1) {
    const TRect track = GetTrackRect();
    int c = Vertical() ? y - grab_offset_ : x - grab_offset_;
    c = Vertical() ? std::max(track.Top, std::min(c, track.Bottom)) : std::max(track.Left, std::min(c, track.Right));
    int pos = PosFromCoord(c);
    Scroll(scTrack, pos);
    SetPosition(PosFromCoord(c));
  }
  if (UpdateHotFlags(x, y)) Invalidate();
}

void TSeCustomScrollBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSeGraphicControl::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  if (grab_offset_ != -1) {
    int pos = position_;
    Scroll(scPosition, pos);
    SetPosition(pos);
  }
  grab_offset_ = -1;
  down_first_ = down_second_ = down_before_ = down_after_ = false;
  if (timer_) timer_->SetEnabled(false);
  int pos = position_;
  Scroll(scEndScroll, pos);
  SetPosition(pos);
  Invalidate();
}

void TSeCustomScrollBar::MouseLeave() {
  const bool any = hot_thumb_ || hot_first_ || hot_second_ || hot_before_ || hot_after_;
  hot_thumb_ = hot_first_ = hot_second_ = hot_before_ = hot_after_ = false;
  if (any) Invalidate();
  TSeGraphicControl::MouseLeave();
}

void TSeCustomScrollBar::wheelEvent(QWheelEvent* event) {
  const QPoint angle = event->angleDelta();
  const int delta = angle.y() != 0 ? angle.y() : angle.x();
  const int lines = se::WheelLines(wheel_remainder_, delta, QApplication::wheelScrollLines());
  // A turn away from the user scrolls toward Min.
  const int key = lines > 0 ? VK_UP : VK_DOWN;
  for (int i = 0; i < std::abs(lines); ++i) {
    const int before = position_;
    ScrollByKey(key);
    if (position_ == before) break;
  }
  event->accept();
}

void TSeCustomScrollBar::StartRepeat(bool first) {
  if (!timer_) {
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->OnTimer = [this](TTimer*) { RepeatTimer(); };
  }
  if (first) {
    // A first step that failed leaves the repeat off.
    if (!RepeatTimer()) return;
    timer_->SetInterval(unsigned(se::GetKeyboardDelayMs()));
  } else {
    timer_->SetInterval(unsigned(se::GetKeyboardRepeatMs()));
  }
  timer_->SetEnabled(true);
}

bool TSeCustomScrollBar::RepeatTimer() {
  timer_->SetInterval(unsigned(se::GetKeyboardRepeatMs()));
  try {
    if (FirstButtonPressed() || scroll_backward_) {
      ScrollByKey(VK_LEFT);
    } else if (SecondButtonPressed() || scroll_forward_) {
      ScrollByKey(VK_RIGHT);
    } else {
      const bool old_before = hot_before_;
      const bool old_after = hot_after_;
      hot_before_ = PtInPageBefore(last_x_, last_y_);
      if (PageBeforePressed()) {
        ScrollByKey(VK_PRIOR);
        return true;
      }
      hot_after_ = PtInPageAfter(last_x_, last_y_);
      if (PageAfterPressed()) ScrollByKey(VK_NEXT);
      if (old_before != hot_before_ || old_after != hot_after_) Invalidate();
    }
  } catch (...) {
    // A failing handler must not keep the repeat running.
    timer_->SetEnabled(false);
    return false;
  }
  return true;
}

void TSeCustomScrollBar::ScrollByKey(int key) {
  std::int64_t p = 0;
  TSeScrollCode code;
  switch (key) {
    case VK_PRIOR:
      p = std::int64_t(position_) - (page_size_ > 0 ? page_size_ : large_change_);
      code = scPageUp;
      break;
    case VK_NEXT:
      p = std::int64_t(position_) + (page_size_ > 0 ? page_size_ : large_change_);
      code = scPageDown;
      break;
    case VK_END:
      p = max_;
      code = scBottom;
      break;
    case VK_HOME:
      p = min_;
      code = scTop;
      break;
    case VK_LEFT:
    case VK_UP:
      p = std::int64_t(position_) - small_change_;
      code = scLineUp;
      break;
    case VK_RIGHT:
    case VK_DOWN:
      p = std::int64_t(position_) + small_change_;
      code = scLineDown;
      break;
    default:
      return;
  }
  int pos = int(std::max<std::int64_t>(min_, std::min<std::int64_t>(p, max_)));
  Scroll(code, pos);
  SetPosition(pos);
  if (code == scLineUp && position_ <= min_ && scroll_backward_) SetScrollBackward(false);
  if (code == scLineDown && position_ >= max_ && scroll_forward_) SetScrollForward(false);
}

#pragma once
// TSeCustomScrollBar: the skin library's own scroll bar, a windowless
// control that draws its arrow buttons, track and thumb itself, follows the
// mouse (hot and pressed parts, thumb dragging) and repeats button and page
// clicks at the keyboard's delay and repeat rate. The list box keeps one
// inside, the overlay scroll bars of the standard controls are made of it,
// and a skinned wrapper overrides its sizes and painters to draw from a
// skin object: those virtual operations are its interface to a skin.

#include <functional>

#include "platform/gui/Timer.h"
#include "platform/gui/WidgetHost.h"
#include "skin/se_controls.h"

enum TSeScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};

class TSeCustomScrollBar : public TSeGraphicControl {
 public:
  explicit TSeCustomScrollBar(TComponent* owner = nullptr);
  ~TSeCustomScrollBar() override;

  TScrollBarKind Kind() const { return kind_; }
  // Does not swap Width and Height.
  void SetKind(TScrollBarKind value);
  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position() const { return position_; }
  // Clamped to Min..Max; OnChange fires once per actual change.
  void SetPosition(int value);
  int PageSize() const { return page_size_; }
  // Negative values are ignored; cut to Max - Min + 1.
  void SetPageSize(int value);
  int SmallChange() const { return small_change_; }
  // 1..32767.
  void SetSmallChange(int value);
  int LargeChange() const { return large_change_; }
  void SetLargeChange(int value);
  bool ShowButtons() const { return show_buttons_; }
  void SetShowButtons(bool value);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int value);

  // A line-by-line repeat toward Min or Max that runs without the mouse
  // (the list box starts one while an item drag leaves the list).
  bool ScrollBackward() const { return scroll_backward_; }
  void SetScrollBackward(bool value);
  bool ScrollForward() const { return scroll_forward_; }
  void SetScrollForward(bool value);

  // Thickness from the system metrics plus the border.
  void AdjustThickness();
  // One step as the key would make it (VK_PRIOR, VK_NEXT, VK_HOME, VK_END
  // and the arrows); other keys do nothing.
  void ScrollByKey(int key);

  // Geometry in the control's coordinates.
  virtual int GetButtonSize() const;
  virtual int GetThumbSize() const;
  virtual TRect GetFirstButtonRect() const;
  virtual TRect GetSecondButtonRect() const;
  virtual TRect GetTrackRect() const;
  virtual TRect GetThumbRect() const;
  virtual TRect GetPageBeforeRect() const;
  virtual TRect GetPageAfterRect() const;
  virtual bool PtInFirstButton(int x, int y) const;
  virtual bool PtInSecondButton(int x, int y) const;
  virtual bool PtInThumb(int x, int y) const;
  virtual bool PtInPageBefore(int x, int y) const;
  virtual bool PtInPageAfter(int x, int y) const;
  // The position a thumb whose leading edge stands at `coord` shows.
  int PosFromCoord(int coord) const;
  bool IsThumbVisible() const;

  // State for painters: a part is pressed while it is down and under the
  // pointer.
  bool ThumbHot() const { return hot_thumb_; }
  bool ThumbDragging() const { return grab_offset_ != -1; }
  bool FirstButtonHot() const { return hot_first_; }
  bool SecondButtonHot() const { return hot_second_; }
  bool PageBeforeHot() const { return hot_before_; }
  bool PageAfterHot() const { return hot_after_; }
  bool FirstButtonPressed() const { return down_first_ && hot_first_; }
  bool SecondButtonPressed() const { return down_second_ && hot_second_; }
  bool PageBeforePressed() const { return down_before_ && hot_before_; }
  bool PageAfterPressed() const { return down_after_ && hot_after_; }

  // The repeat timer; null until the first repeat. Tests step the repeat
  // through its OnTimer.
  TTimer* Timer() const { return timer_; }

  std::function<void(TControl* sender)> OnChange;
  std::function<void(TControl* sender, TSeScrollCode code, int& position)> OnScroll;

 protected:
  virtual void Scroll(TSeScrollCode code, int& position);
  virtual void Change();

  void PaintBackground() override;
  virtual void PaintFrame();
  virtual void PaintTrack();
  virtual void PaintFirstButton();
  virtual void PaintSecondButton();
  virtual void PaintThumb();
  virtual void PaintPageBefore();
  virtual void PaintPageAfter();
  void PaintFlatThumb(const TRect& rect);
  void PaintRaisedThumb(const TRect& rect);

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void EnabledChanged() override { Invalidate(); }
  void wheelEvent(QWheelEvent* event) override;

  void StartRepeat(bool first);
  // One repeat step; false when a handler failed (the timer is then off).
  bool RepeatTimer();

 private:
  int CalcPageThumbSize() const;
  int CalcThumbPos() const;
  int TrackLength() const;
  bool Vertical() const { return kind_ == sbVertical; }
  void CutPageSize();
  bool UpdateHotFlags(int x, int y);

  int last_x_ = -1;
  int last_y_ = -1;
  TTimer* timer_ = nullptr;
  int grab_offset_ = -1;
  bool hot_thumb_ = false;
  bool hot_first_ = false;
  bool hot_second_ = false;
  bool hot_before_ = false;
  bool hot_after_ = false;
  bool down_first_ = false;
  bool down_second_ = false;
  bool down_before_ = false;
  bool down_after_ = false;
  int position_ = 0;
  int min_ = 0;
  int border_width_ = 1;
  int max_ = 100;
  int page_size_ = 0;
  TScrollBarKind kind_ = sbHorizontal;
  bool show_buttons_ = true;
  int large_change_ = 1;
  int small_change_ = 1;
  bool scroll_backward_ = false;
  bool scroll_forward_ = false;
  int wheel_remainder_ = 0;
};

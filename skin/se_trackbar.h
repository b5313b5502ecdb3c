#pragma once
// TSeCustomTrackBar: a windowed slider. A thumb moves along a sunken track
// between Min and Max, with optional tick marks and a highlighted interval
// between one end and the thumb; mouse (drag the thumb, click beside it to
// page), keys and code move it. The classic look is drawn here; a skinned
// subclass overrides the painters and sizes. The geometry (values to
// pixels, thumb outline, ticks) is TSeTrackGeometry's.

#include <functional>

#include "skin/se_controls.h"
#include "skin/se_trackbar_geometry.h"

class TSeCustomTrackBar : public TSeCustomControl {
 public:
  explicit TSeCustomTrackBar(TComponent* owner = nullptr);

  int Min() const { return min_; }
  // Ignored unless below Max.
  void SetMin(int value);
  int Max() const { return max_; }
  // Ignored unless above Min.
  void SetMax(int value);
  int Position() const { return position_; }
  // Any value other than the stored one fires OnChange (limited to
  // Min..Max first, so a value beyond an end fires it every time).
  void SetPosition(int value);
  TTrackOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackOrientation value);
  int Frequency() const { return frequency_; }
  // At least 1.
  void SetFrequency(int value);
  int LineSize() const { return line_size_; }
  void SetLineSize(int value) { line_size_ = value; }
  int PageSize() const { return page_size_; }
  void SetPageSize(int value) { page_size_ = value; }
  TTickMark TickMarks() const { return tick_marks_; }
  void SetTickMarks(TTickMark value);
  bool ShowTicks() const { return show_ticks_; }
  void SetShowTicks(bool value);
  TIntervalHighlightType IntervalHighlightType() const { return highlight_; }
  void SetIntervalHighlightType(TIntervalHighlightType value);
  bool ThumbVisible() const { return thumb_visible_; }
  void SetThumbVisible(bool value);
  int ThumbHalfWidth() const { return thumb_half_width_; }
  void SetThumbHalfWidth(int value);

  bool Dragging() const { return dragging_; }
  bool ThumbHot() const { return hot_; }

  // Thumb size along the track, free length at each end, and where the
  // thumb band starts across the track.
  virtual int GetThumbWidth() const { return thumb_half_width_ * 2 + 1; }
  virtual int GetTrackMargin() const { return 9; }
  virtual int GetThumbOffset() const { return 7; }
  // The thumb across the track.
  virtual int GetThumbLength() const;
  virtual bool PtInThumb(int x, int y) const;
  // The geometry at the current size and settings.
  TSeTrackGeometry Geometry() const;

  std::function<void(TControl* sender)> OnChange;

 protected:
  virtual void Change();
  virtual void PaintTrack(int start, int stop, int thumb_pixel);
  virtual void PaintThumb(int pixel);
  virtual void PaintTick(int value, int pixel, bool upper);
  virtual void PaintTicks();
  // One tick line in `color` where PaintTick puts it.
  void DrawTick(int value, int pixel, bool upper, TColor color);

  void Loaded() override;
  void PaintBackground() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void KeyDown(int& key, TShiftState shift) override;

 private:
  bool dragging_ = false;
  TTrackOrientation orientation_ = toHorizontal;
  int min_ = 0;
  int max_ = 10;
  int position_ = 3;
  bool show_ticks_ = true;
  int thumb_half_width_ = 4;
  TTickMark tick_marks_ = tmBottomRight;
  bool hot_ = false;
  int line_size_ = 1;
  int page_size_ = 2;
  int frequency_ = 1;
  bool thumb_visible_ = true;
  TIntervalHighlightType highlight_ = htNone;
};

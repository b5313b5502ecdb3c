#pragma once
// TScrollBox: a panel that holds controls and scrolls them when they reach
// past its client area. Its children are its own controls (Parent is the
// box, Left and Top are positions in the scrolled content, which do not
// change when the box scrolls); the box moves them on screen and clips
// them to its client area, so none covers its border or scroll bars.
//
// The scroll bars are those of a plain scroll area that fills the box
// under its children, so the box answers WM_VSCROLL / WM_HSCROLL and
// ScrollInfo like every other scrolling control.

#include <QPointer>

#include "platform/gui/WidgetHost.h"

class QAbstractScrollArea;

class TScrollBox : public TWidgetHost {
 public:
  explicit TScrollBox(TComponent* owner = nullptr);
  ~TScrollBox() override;

  // The client area: inside the border and the scroll bars shown.
  TRect ClientRect() const override;

  // With AutoScroll the range follows the children; without it the bars
  // stay hidden and the content does not scroll.
  bool AutoScroll() const { return auto_scroll_; }
  void SetAutoScroll(bool value);
  // The content's extent (the right and bottom edges of the farthest child).
  int Range(TScrollBarKind kind) const;
  int ScrollPos(TScrollBarKind kind) const;
  // Clamped to the range.
  void SetScrollPos(TScrollBarKind kind, int position);
  // Scrolls just enough to show the whole child (its top-left corner when
  // it is larger than the client area).
  void ScrollInView(TControl* control);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Ranges, pages and the children's places after anything that moves them.
  void UpdateScrollRange();
  // Moves the children to the scroll position and clips them.
  void PlaceChildren();
  void Watch(QObject* child);
  QRect ViewportRect() const;

  QAbstractScrollArea* scroll_area_;
  bool auto_scroll_ = true;
  bool updating_ = false;
  bool placing_ = false;
};

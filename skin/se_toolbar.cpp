#include "skin/se_toolbar.h"

#include <QChildEvent>
#include <vector>

#include "skin/se_drawing.h"
#include "skin/se_speedbuttons.h"
#include "skin/se_toolbar_layout.h"

TSeCustomToolBar::TSeCustomToolBar(TComponent* owner) : TSeCustomControl(owner) {
  SetColor(clBtnFace);
  TSeCustomControl::SetBounds(Left(), Top(), Width(), 29);
  SetBorderWidth(2);
  button_width_ = Height() - 4;
}

bool TSeCustomToolBar::IsHorizontal() const {
  return ToolBarIsHorizontal(Width(), Height(), Align() == alTop || Align() == alBottom);
}

void TSeCustomToolBar::SetButtonWidth(int value) {
  if (value == button_width_) return;
  button_width_ = value;
  Realign();
}

void TSeCustomToolBar::SetDividerWidth(int value) {
  if (value == divider_width_) return;
  divider_width_ = value;
  Realign();
}

void TSeCustomToolBar::SetButtonAutoSize(bool value) {
  if (value == button_auto_size_) return;
  button_auto_size_ = value;
  if (value) Realign();
}

void TSeCustomToolBar::SetBounds(int left, int top, int width, int height) {
  // Orientation from the new bounds: taken from the old ones, a bar sized
  // upright in one step would size its buttons by its length.
  if (button_auto_size_) {
    const bool horizontal = ToolBarIsHorizontal(width, height, Align() == alTop || Align() == alBottom);
    button_width_ = (horizontal ? height : width) - 2 * BorderWidth();
  }
  TSeCustomControl::SetBounds(left, top, width, height);
  // The base realigns before it knows the new size of a hidden bar.
  Realign();
}

void TSeCustomToolBar::AlignControls(TRect& client) {
  std::vector<TControl*> children;
  std::vector<TSeToolBarItem> items;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    TSeToolBarItem item;
    item.Bounds = c->BoundsRect();
    if (auto* button = dynamic_cast<TSeCustomSpeedButton*>(c)) {
      item.ItemKind = TSeToolBarItem::Button;
      if (button->ShowChevron()) item.ChevronWidth = kSeChevronWidth;
    } else if (dynamic_cast<TSeSpeedDivider*>(c)) {
      item.ItemKind = TSeToolBarItem::Divider;
    }
    children.push_back(c);
    items.push_back(item);
  }
  TSeToolBarShape shape;
  shape.Horizontal = IsHorizontal();
  shape.Client = client;
  shape.ButtonWidth = button_width_;
  shape.DividerWidth = divider_width_;
  shape.ButtonAutoSize = button_auto_size_;
  for (const TSeToolBarPlacement& p : LayoutToolBar(shape, items, -1))
    children[static_cast<std::size_t>(p.Item)]->SetBoundsRect(p.Bounds);
}

bool TSeCustomToolBar::event(QEvent* event) {
  if (event->type() == QEvent::ChildAdded) {
    if (QObject* child = static_cast<QChildEvent*>(event)->child(); child->isWidgetType())
      child->installEventFilter(this);
  } else if (event->type() == QEvent::ChildRemoved && !Destroying()) {
    Realign();
  }
  return TSeCustomControl::event(event);
}

bool TSeCustomToolBar::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::HideToParent || event->type() == QEvent::ShowToParent) && watched->parent() == this)
    Realign();
  return TSeCustomControl::eventFilter(watched, event);
}

void TSeCustomToolBar::PaintBackground() {
  se::FillRectColor(*Canvas(), Rect(0, 0, Width(), Height()), Color());
}

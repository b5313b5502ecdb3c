#include "platform/gui/ScrollBox.h"

#include <QAbstractScrollArea>
#include <QChildEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace {
// The host's default step of a scroll box's bars, in pixels.
constexpr int kLineStep = 8;
}  // namespace

TScrollBox::TScrollBox(TComponent* owner) : TWidgetHost(owner), scroll_area_(new QAbstractScrollArea) {
  SetInner(scroll_area_, scroll_area_);
  // The box is no stop of its own: its children take the focus.
  setFocusProxy(nullptr);
  scroll_area_->setFocusPolicy(Qt::NoFocus);
  setFocusPolicy(Qt::NoFocus);
  for (QScrollBar* bar : {scroll_area_->horizontalScrollBar(), scroll_area_->verticalScrollBar()}) {
    bar->setSingleStep(kLineStep);
    QObject::connect(bar, &QScrollBar::valueChanged, this, [this] { PlaceChildren(); });
  }
  // The content area shows Color, also before the colour first changes.
  ColorChanged();
  SetBounds(0, 0, 185, 41);
}

TScrollBox::~TScrollBox() {
  for (QObject* child : children())
    if (dynamic_cast<TControl*>(child)) child->removeEventFilter(this);
}

QRect TScrollBox::ViewportRect() const {
  QWidget* viewport = scroll_area_->viewport();
  return QRect(viewport->mapTo(this, QPoint(0, 0)), viewport->size());
}

TRect TScrollBox::ClientRect() const {
  const QSize size = scroll_area_->viewport()->size();
  return Rect(0, 0, size.width(), size.height());
}

void TScrollBox::SetAutoScroll(bool value) {
  if (value == auto_scroll_) return;
  auto_scroll_ = value;
  UpdateScrollRange();
}

int TScrollBox::Range(TScrollBarKind kind) const {
  int range = 0;
  for (QObject* child : children()) {
    auto* control = dynamic_cast<TControl*>(child);
    if (!control || control->Parent() != this || !control->Visible()) continue;
    // Left and Top are already positions in the content.
    range = std::max(range, kind == sbHorizontal ? control->Left() + control->Width()
                                                 : control->Top() + control->Height());
  }
  return range;
}

int TScrollBox::ScrollPos(TScrollBarKind kind) const {
  return (kind == sbHorizontal ? scroll_area_->horizontalScrollBar() : scroll_area_->verticalScrollBar())->value();
}

void TScrollBox::SetScrollPos(TScrollBarKind kind, int position) {
  (kind == sbHorizontal ? scroll_area_->horizontalScrollBar() : scroll_area_->verticalScrollBar())
      ->setValue(position);
}

void TScrollBox::ScrollInView(TControl* control) {
  if (!control || control->Parent() != this) return;
  const TRect client = ClientRect();
  // The far edge comes into view first, then the near one wins.
  auto fit = [](int pos, int first, int last, int page) {
    if (last - pos > page) pos = last - page;
    return std::min(pos, first);
  };
  const int h = ScrollPos(sbHorizontal);
  const int v = ScrollPos(sbVertical);
  SetScrollPos(sbHorizontal, fit(h, control->Left(), control->Left() + control->Width(), client.Width()));
  SetScrollPos(sbVertical, fit(v, control->Top(), control->Top() + control->Height(), client.Height()));
}

void TScrollBox::UpdateScrollRange() {
  if (updating_) return;
  updating_ = true;
  const Qt::ScrollBarPolicy policy = auto_scroll_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
  scroll_area_->setHorizontalScrollBarPolicy(policy);
  scroll_area_->setVerticalScrollBarPolicy(policy);
  QScrollBar* horz = scroll_area_->horizontalScrollBar();
  QScrollBar* vert = scroll_area_->verticalScrollBar();
  // Showing one bar narrows the page of the other: settle in a few rounds.
  for (int round = 0; round < 3; ++round) {
    const QSize page = scroll_area_->viewport()->size();
    const int width = auto_scroll_ ? Range(sbHorizontal) : 0;
    const int height = auto_scroll_ ? Range(sbVertical) : 0;
    horz->setPageStep(std::max(page.width(), 1));
    horz->setRange(0, std::max(0, width - page.width()));
    vert->setPageStep(std::max(page.height(), 1));
    vert->setRange(0, std::max(0, height - page.height()));
    if (scroll_area_->viewport()->size() == page) break;
  }
  PlaceChildren();
  Realign();
  updating_ = false;
  PlaceChildren();
}

void TScrollBox::PlaceChildren() {
  if (placing_) return;
  placing_ = true;
  const QRect view = ViewportRect();
  const TPoint offset{view.x() - ScrollPos(sbHorizontal), view.y() - ScrollPos(sbVertical)};
  const TPoint old = client_offset_;
  client_offset_ = offset;
  for (QObject* child : children()) {
    auto* control = dynamic_cast<TControl*>(child);
    if (!control || control->Parent() != this) continue;
    if (offset.X != old.X || offset.Y != old.Y)
      control->move(control->x() + offset.X - old.X, control->y() + offset.Y - old.Y);
    // Clipped to the client area: nothing covers the border or the bars.
    const QRect g = control->geometry();
    if (view.contains(g)) {
      if (!control->mask().isEmpty()) control->clearMask();
    } else {
      const QRect shown = view.intersected(g);
      // An empty mask would show everything: a point outside hides it all.
      control->setMask(shown.isEmpty() ? QRegion(-1, -1, 1, 1) : QRegion(shown.translated(-g.topLeft())));
    }
  }
  placing_ = false;
}

void TScrollBox::Watch(QObject* child) {
  if (child == scroll_area_ || !dynamic_cast<TControl*>(child)) return;
  child->removeEventFilter(this);
  child->installEventFilter(this);
}

bool TScrollBox::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded:
      Watch(static_cast<QChildEvent*>(event)->child());
      break;
    case QEvent::ChildRemoved:
      static_cast<QChildEvent*>(event)->child()->removeEventFilter(this);
      if (!Destroying()) UpdateScrollRange();
      break;
    default:
      break;
  }
  return TWidgetHost::event(event);
}

bool TScrollBox::eventFilter(QObject* watched, QEvent* event) {
  // The viewport moves when the border changes and resizes when a bar comes or goes.
  const bool geometry = event->type() == QEvent::Resize || event->type() == QEvent::Move;
  if ((watched == scroll_area_->viewport() || watched == scroll_area_) && geometry) {
    const bool handled = TWidgetHost::eventFilter(watched, event);
    UpdateScrollRange();
    return handled;
  }
  if (watched != scroll_area_ && watched != scroll_area_->viewport()) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
        if (!placing_ && !updating_ && !Destroying()) UpdateScrollRange();
        break;
      default:
        break;
    }
    return false;
  }
  return TWidgetHost::eventFilter(watched, event);
}

void TScrollBox::wheelEvent(QWheelEvent* event) {
  // A wheel turned over a child that takes no wheel scrolls the box.
  QScrollBar* bar = scroll_area_->verticalScrollBar();
  if (bar->maximum() <= bar->minimum()) {
    TWidgetHost::wheelEvent(event);
    return;
  }
  const int notches = event->angleDelta().y() / 120;
  bar->setValue(bar->value() - notches * 3 * bar->singleStep());
  event->accept();
}

void TScrollBox::resizeEvent(QResizeEvent* event) {
  TWidgetHost::resizeEvent(event);
  UpdateScrollRange();
}

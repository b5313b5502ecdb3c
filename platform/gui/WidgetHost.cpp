#include "platform/gui/WidgetHost.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

#include "platform/gui/Application.h"
#include "platform/gui/Menus.h"

TControl* FindControlOf(QObject* object) {
  for (; object; object = object->parent())
    if (auto* control = dynamic_cast<TControl*>(object)) return control;
  return nullptr;
}

TWidgetHost::TWidgetHost(TComponent* owner) : TWinControl(owner) {}

TWidgetHost::~TWidgetHost() {
  if (popup_menu_) RemoveFreeNotification(popup_menu_);
}

void TWidgetHost::SetInner(QWidget* inner, QAbstractScrollArea* area) {
  inner_ = inner;
  area_ = area;
  inner->setParent(this);
  inner->setGeometry(rect());
  inner->installEventFilter(this);
  if (area) {
    area->viewport()->installEventFilter(this);
    area->viewport()->setAcceptDrops(true);
  }
  inner->setAcceptDrops(true);
  setFocusProxy(inner);
  inner->setFont(Font()->ToQFont());
  inner->show();
  SetBorderStyle(border_style_);
}

void TWidgetHost::resizeEvent(QResizeEvent* event) {
  if (inner_) inner_->setGeometry(rect());
  TWinControl::resizeEvent(event);
}

void TWidgetHost::FontChanged() {
  TWinControl::FontChanged();
  if (inner_) {
    inner_->setFont(Font()->ToQFont());
    ApplyInnerPalette();
  }
}

void TWidgetHost::ColorChanged() {
  TWinControl::ColorChanged();
  ApplyInnerPalette();
}

void TWidgetHost::EnabledChanged() {
  TWinControl::EnabledChanged();
  if (inner_) inner_->setEnabled(Enabled());
}

void TWidgetHost::ApplyInnerPalette() {
  if (!inner_) return;
  QPalette palette = inner_->palette();
  palette.setColor(QPalette::Base, ColorToQColor(Color()));
  palette.setColor(QPalette::Text, ColorToQColor(Font()->Color()));
  palette.setColor(QPalette::WindowText, ColorToQColor(Font()->Color()));
  inner_->setPalette(palette);
}

void TWidgetHost::SetBorderStyle(TBorderStyle style) {
  border_style_ = style;
  if (auto* frame = qobject_cast<QFrame*>(inner_))
    frame->setFrameStyle(style == bsNone ? QFrame::NoFrame : (QFrame::StyledPanel | QFrame::Sunken));
}

void TWidgetHost::SetPopupMenu(TPopupMenu* menu) {
  if (menu == popup_menu_) return;
  if (popup_menu_) RemoveFreeNotification(popup_menu_);
  popup_menu_ = menu;
  if (menu) FreeNotification(menu);
  // With a popup of ours the widget's own menu (an edit's Cut/Copy/Paste)
  // stays away; without one it is there as usual.
  const Qt::ContextMenuPolicy policy = menu ? Qt::PreventContextMenu : Qt::DefaultContextMenu;
  if (inner_) inner_->setContextMenuPolicy(policy);
  if (area_) area_->viewport()->setContextMenuPolicy(policy);
}

void TWidgetHost::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

bool TWidgetHost::eventFilter(QObject* watched, QEvent* event) {
  if (!inner_ || (watched != inner_ && !(area_ && watched == area_->viewport()))) return false;
  // The event sent again below passes through here untouched.
  if (forwarding_ == event) return false;
  bool handled = false;
  try {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        handled = FilterMouse(watched, event);
        break;
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        if (watched == inner_) handled = FilterKey(event);
        break;
      case QEvent::FocusIn:
        if (watched == inner_) DoEnter();
        break;
      case QEvent::FocusOut:
        if (watched == inner_) DoExit();
        break;
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::DragLeave:
      case QEvent::Drop:
        handled = FilterDrag(event);
        break;
      default:
        break;
    }
  } catch (...) {
    Application().HandleException(this);
    handled = true;
  }
  return handled;
}

bool TWidgetHost::FilterMouse(QObject* watched, QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  auto* widget = static_cast<QWidget*>(watched);
  const QPoint p = widget->mapTo(this, mouse->position().toPoint());
  const TShiftState shift = ShiftOf(mouse->modifiers(), mouse->buttons());
  QPointer<TWidgetHost> self(this);
  // The widget acts first (selection, caret, check state), then the events.
  // Sending it again lets every filter of the widget (a view's own on its
  // viewport) see it.
  QEvent* outer = forwarding_;
  forwarding_ = event;
  QCoreApplication::sendEvent(watched, event);
  if (!self) return true;
  forwarding_ = outer;
  TMouseButton button;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (!ButtonOf(mouse->button(), button)) return true;
      if (button == mbLeft) {
        pressed_ = true;
        press_pos_ = p;
      }
      MouseDown(button, shift, p.x(), p.y());
      if (self && button == mbRight && popup_menu_) {
        bool popup_handled = false;
        if (OnContextPopup) OnContextPopup(this, TPoint{p.x(), p.y()}, popup_handled);
        if (self && !popup_handled && popup_menu_) {
          const QPoint global = mapToGlobal(p);
          popup_menu_->SetPopupComponent(this);
          popup_menu_->Popup(global.x(), global.y());
        }
      }
      break;
    case QEvent::MouseButtonDblClick:
      if (!ButtonOf(mouse->button(), button)) return true;
      if (button == mbLeft) pressed_ = false;
      MouseDown(button, shift | ssDouble, p.x(), p.y());
      if (self && button == mbLeft) DblClick();
      break;
    case QEvent::MouseButtonRelease: {
      if (!ButtonOf(mouse->button(), button)) return true;
      const bool click = forward_clicks_ && button == mbLeft && pressed_ && rect().contains(p);
      if (button == mbLeft) pressed_ = false;
      if (click) Click();
      if (self) MouseUp(button, shift, p.x(), p.y());
      break;
    }
    case QEvent::MouseMove:
      MouseMove(shift, p.x(), p.y());
      if (self && drag_mode_ == dmAutomatic && pressed_ && (mouse->buttons() & Qt::LeftButton) &&
          (p - press_pos_).manhattanLength() >= QApplication::startDragDistance()) {
        pressed_ = false;
        StartDrag();
      }
      break;
    default:
      break;
  }
  return true;
}

bool TWidgetHost::FilterKey(QEvent* event) {
  auto* key_event = static_cast<QKeyEvent*>(event);
  filtered_key_ = key_event;
  filtered_key_time_ = key_event->timestamp();
  int key = VirtualKeyFromQt(key_event->key());
  const TShiftState shift = ShiftOf(key_event->modifiers());
  QPointer<TWidgetHost> self(this);
  if (event->type() == QEvent::KeyRelease) {
    KeyUp(key, shift);
    return self && key == 0;
  }
  const int original = key;
  KeyDown(key, shift);
  if (!self) return true;
  if (key == 0 && original != 0) return true;
  if (!key_event->text().isEmpty() && key_event->text().at(0).isPrint()) {
    QChar c = key_event->text().at(0);
    KeyPress(c);
    if (!self || c.isNull()) return true;
    if (c != key_event->text().at(0)) {
      // The handler changed the character: the widget gets the new one.
      QKeyEvent changed(QEvent::KeyPress, 0, key_event->modifiers(), QString(c));
      QCoreApplication::sendEvent(inner_, &changed);
      return true;
    }
  }
  return false;
}

void TWidgetHost::keyPressEvent(QKeyEvent* event) {
  // Left unused by the inner widget after its filter raised the key events:
  // on to the form, once.
  if (event == filtered_key_ && event->timestamp() == filtered_key_time_) {
    event->ignore();
    return;
  }
  TWinControl::keyPressEvent(event);
}

void TWidgetHost::keyReleaseEvent(QKeyEvent* event) {
  if (event == filtered_key_ && event->timestamp() == filtered_key_time_) {
    event->ignore();
    return;
  }
  TWinControl::keyReleaseEvent(event);
}

bool TWidgetHost::FilterDrag(QEvent* event) {
  if (event->type() == QEvent::DragLeave) {
    QPointer<TWidgetHost> self(this);
    DragOver(nullptr, -1, -1, dsDragLeave);
    if (self) DragEnded();
    return true;
  }
  auto* drop = static_cast<QDropEvent*>(event);
  QWidget* viewport = area_ ? area_->viewport() : inner_;
  const QPoint p = viewport->mapTo(this, drop->position().toPoint());
  TControl* source = drop->source() ? FindControlOf(drop->source()) : nullptr;
  if (event->type() == QEvent::Drop) {
    QPointer<TWidgetHost> self(this);
    DragHover(p.x(), p.y());
    drop->acceptProposedAction();
    DragDrop(source, p.x(), p.y());
    if (self) DragEnded();
    return true;
  }
  DragHover(p.x(), p.y());
  const bool accept =
      DragOver(source, p.x(), p.y(), event->type() == QEvent::DragEnter ? dsDragEnter : dsDragMove);
  if (accept) {
    drop->setDropAction(drop->proposedAction() == Qt::IgnoreAction ? Qt::CopyAction : drop->proposedAction());
    drop->accept();
  } else {
    drop->ignore();
  }
  // A drag enter must be accepted for moves to follow; the answer of each
  // move decides the cursor and the drop.
  if (event->type() == QEvent::DragEnter) event->accept();
  return true;
}

bool TWidgetHost::DragOver(TControl* source, int x, int y, TDragState state) {
  if (!OnDragOver) return false;
  bool accept = true;
  OnDragOver(this, source, x, y, state, accept);
  return accept;
}

void TWidgetHost::DragDrop(TControl* source, int x, int y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TWidgetHost::StartDrag() {
  auto* data = new QMimeData;
  data->setData(kControlDragMime, QByteArray());
  FillDragData(*data);
  QPointer<TWidgetHost> self(this);
  auto* drag = new QDrag(area_ ? area_->viewport() : inner_);
  drag->setMimeData(data);
  dragging_ = true;
  drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
  if (!self) return;
  dragging_ = false;
  const QPoint p = mapFromGlobal(QCursor::pos());
  if (OnEndDrag) OnEndDrag(this, FindControlOf(QApplication::widgetAt(QCursor::pos())), p.x(), p.y());
}

void TWidgetHost::Dispatch(TMessage& message) {
  if ((message.Msg != WM_VSCROLL && message.Msg != WM_HSCROLL) || !area_) {
    TWinControl::Dispatch(message);
    return;
  }
  QScrollBar* bar = message.Msg == WM_VSCROLL ? area_->verticalScrollBar() : area_->horizontalScrollBar();
  const int code = static_cast<int>(message.WParam & 0xFFFF);
  const int pos = static_cast<int>((message.WParam >> 16) & 0xFFFF);
  switch (code) {
    case SB_LINEUP:
      bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
      break;
    case SB_LINEDOWN:
      bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      break;
    case SB_PAGEUP:
      bar->triggerAction(QAbstractSlider::SliderPageStepSub);
      break;
    case SB_PAGEDOWN:
      bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      bar->setValue(pos);
      break;
    case SB_TOP:
      bar->triggerAction(QAbstractSlider::SliderToMinimum);
      break;
    case SB_BOTTOM:
      bar->triggerAction(QAbstractSlider::SliderToMaximum);
      break;
    default:
      break;
  }
}

bool TWidgetHost::ScrollInfo(TScrollBarKind kind, TScrollInfo& info) const {
  info = TScrollInfo{};
  if (!area_) return false;
  QScrollBar* bar = kind == sbVertical ? area_->verticalScrollBar() : area_->horizontalScrollBar();
  info.Visible = bar->isVisible();
  info.Min = bar->minimum();
  // The host's range includes the page: Max is the last position plus the page.
  info.PageSize = bar->pageStep();
  info.Max = bar->maximum() + bar->pageStep() - 1;
  info.Position = bar->value();
  const QPoint topLeft = bar->mapTo(this, QPoint(0, 0));
  info.BarRect = Bounds(topLeft.x(), topLeft.y(), bar->width(), bar->height());
  return true;
}

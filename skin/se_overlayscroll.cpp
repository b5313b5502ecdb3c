#include "skin/se_overlayscroll.h"

#include <QCoreApplication>
#include <QLineEdit>

#include "skin/se_drawing.h"

// ---- TSeInplaceScrollBar ----

TSeInplaceScrollBar::TSeInplaceScrollBar(TComponent* owner, const TSeCreateScrollBarEvent& create_scroll_bar)
    : TWinControl(owner) {
  // The inner bar covers the whole window: nothing to erase.
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  if (create_scroll_bar) create_scroll_bar(scroll_bar_, this);
  if (!scroll_bar_) scroll_bar_ = new TSeCustomScrollBar(this);
  scroll_bar_->SetBorderWidth(0);
  scroll_bar_->SetAlign(alClient);
  scroll_bar_->SetPerformance(tbpDoubleBuffer);
  scroll_bar_->SetKind(sbVertical);
  scroll_bar_->SetParent(this);
  scroll_bar_->SetTransparent(false);
  scroll_bar_->SetVisible(true);
  scroll_bar_->OnScroll = [this](TControl* sender, TSeScrollCode code, int& position) {
    DoScroll(sender, code, position);
  };
}

void TSeInplaceScrollBar::SyncWithControl() {
  if (!control_ || control_->Destroying() || !parentWidget()) return;
  TScrollInfo info;
  if (!control_->ScrollInfo(Kind(), info) || !info.Visible || !control_->isVisible()) {
    SetVisible(false);
    return;
  }
  const TRect r = info.BarRect;
  SetBounds(control_->Left() + r.Left, control_->Top() + r.Top, r.Width(), r.Height());
  SetVisible(true);
  raise();
  TSeCustomScrollBar* bar = scroll_bar_;
  bar->SetEnabled(control_->Enabled());
  // Widen first so that no intermediate step clamps the new values.
  bar->SetMax(std::max(info.Max, bar->Min()));
  bar->SetMin(info.Min);
  bar->SetMax(info.Max);
  bar->SetPageSize(info.PageSize);
  bar->SetPosition(info.Position);
  bar->Invalidate();
}

void TSeInplaceScrollBar::DoScroll(TControl*, TSeScrollCode code, int& position) {
  if (!control_) return;
  const unsigned msg = Kind() == sbVertical ? WM_VSCROLL : WM_HSCROLL;
  if (code == scLineUp || code == scLineDown) {
    control_->Perform(msg, code);
    SyncWithControl();
    position = scroll_bar_->Position();
    return;
  }
  if (code == scEndScroll) {
    control_->Perform(msg, code);
    SyncWithControl();
    return;
  }
  // Page and thumb codes carry the position the bar is about to show (a
  // drag asks for the pointer's position, not the one shown before it).
  if (auto* list = dynamic_cast<TListView*>(control_.data())) {
    TScrollInfo info;
    list->ScrollInfo(Kind(), info);
    const int delta = position - info.Position;
    if (Kind() == sbVertical)
      list->Scroll(0, delta);
    else
      list->Scroll(delta, 0);
  } else if (position >= 0 && position <= 0xFFFF) {
    control_->Perform(msg, std::intptr_t(code) | (std::intptr_t(position) << 16));
  } else if (auto* area = qobject_cast<QAbstractScrollArea*>(control_->Inner())) {
    // Beyond the message's 16-bit position: set the bar itself.
    QScrollBar* real = Kind() == sbVertical ? area->verticalScrollBar() : area->horizontalScrollBar();
    real->setValue(position);
  }
  SyncWithControl();
  position = scroll_bar_->Position();
}

// ---- TSeSubScrollBar ----

TSeSubScrollBar::TSeSubScrollBar(TWidgetHost* control, QAbstractScrollArea* area,
                                 const TSeCreateScrollBarEvent& create_scroll_bar)
    : TComponent(nullptr), control_(control) {
  vert_ = new TSeInplaceScrollBar(nullptr, create_scroll_bar);
  horz_ = new TSeInplaceScrollBar(nullptr, create_scroll_bar);
  vert_->SetKind(sbVertical);
  horz_->SetKind(sbHorizontal);
  vert_->SetControl(control);
  horz_->SetControl(control);
  vert_->SetVisible(false);
  horz_->SetVisible(false);
  if (area) {
    for (QScrollBar* real : {area->verticalScrollBar(), area->horizontalScrollBar()}) {
      real->installEventFilter(this);
      QObject::connect(real, &QScrollBar::valueChanged, this, [this] { Sync(); });
      QObject::connect(real, &QScrollBar::rangeChanged, this, [this] { Sync(); });
    }
  }
}

TSeSubScrollBar::~TSeSubScrollBar() {
  // Overlays still alive are ours to free; a parent that went first took
  // them with it.
  delete vert_.data();
  delete horz_.data();
}

void TSeSubScrollBar::SetControl(TWidgetHost* control) {
  control_ = control;
  for (TSeInplaceScrollBar* overlay : {vert_.data(), horz_.data()}) {
    if (!overlay) continue;
    overlay->SetControl(control);
    if (!control && overlay->Parent()) overlay->SetParent(nullptr);
  }
}

void TSeSubScrollBar::SetParent(TWinControl* parent) {
  if (!parent) return;
  for (TSeInplaceScrollBar* overlay : {vert_.data(), horz_.data()})
    if (overlay) overlay->SetParent(parent);
  Sync();
}

void TSeSubScrollBar::Sync() {
  if (!control_ || control_->Destroying()) return;
  if (vert_) vert_->SyncWithControl();
  if (horz_) horz_->SyncWithControl();
  // The real bars take their range, page and visibility in several steps
  // (the page without a signal): look once more when they are done.
  if (!sync_queued_) {
    sync_queued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          sync_queued_ = false;
          if (!control_ || control_->Destroying()) return;
          if (vert_) vert_->SyncWithControl();
          if (horz_) horz_->SyncWithControl();
        },
        Qt::QueuedConnection);
  }
}

void TSeSubScrollBar::ControlMessage(QEvent* event) {
  if (!control_ || control_->Destroying()) return;
  switch (event->type()) {
    case QEvent::Paint:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::EnabledChange:
      Sync();
      return;
    default:
      break;
  }
  if (event->type() == TMessageEvent::EventType()) {
    const unsigned msg = static_cast<TMessageEvent*>(event)->Message().Msg;
    if (msg == WM_VSCROLL || msg == WM_HSCROLL) Sync();
  }
}

bool TSeSubScrollBar::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
      Sync();
      break;
    default:
      break;
  }
  return false;
}

// ---- painting ----

namespace se {

void PaintHostBorder(TCanvas& canvas, const TRect& rect, bool corner) {
  if (corner) FillRectColor(canvas, Rect(rect.Right - 25, rect.Bottom - 25, rect.Right, rect.Bottom), clBtnFace);
  DrawBevelRect(canvas, rect, clBtnShadow, clBtnHighlight);
  DrawBevelRect(canvas, GrowRect(rect, -1), cl3DDkShadow, clBtnFace);
}

}  // namespace se

// ---- TSeCustomMaskEdit ----

TSeCustomMaskEdit::TSeCustomMaskEdit(TComponent* owner) : TSeOverlayHost(owner) {
  // Installed after the host's own filter, so it sees the keys first.
  LineEdit()->installEventFilter(this);
}

void TSeCustomMaskEdit::SetTextAlign(TAlignment value) {
  if (value == text_align_) return;
  text_align_ = value;
  Qt::Alignment horizontal = Qt::AlignLeft;
  if (value == taRightJustify) horizontal = Qt::AlignRight;
  if (value == taCenter) horizontal = Qt::AlignHCenter;
  LineEdit()->setAlignment(horizontal | Qt::AlignVCenter);
}

bool TSeCustomMaskEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LineEdit() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) return true;
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      QKeyEvent moved(QEvent::KeyPress, key->key() == Qt::Key_Up ? Qt::Key_Left : Qt::Key_Right,
                      key->modifiers());
      QCoreApplication::sendEvent(LineEdit(), &moved);
      return true;
    }
  }
  return TSeOverlayHost::eventFilter(watched, event);
}

#include "skin/se_menubar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "platform/gui/Forms.h"
#include "skin/se_drawing.h"
#include "skin/se_form.h"

// ---- TSeMenuBarView -------------------------------------------------------

TSeMenuBarView::TSeMenuBarView(TSeCustomMenuBar* bar) : TSeItemView(true, true), bar_(bar) {
  SetWindow(bar);
  SetOwnerControl(bar);
}

void TSeMenuBarView::SetViewSize(const TPoint& size) {
  if (!bar_->AutoSize()) return;
  const TRect items = bar_->GetItemsRect();
  const int above = items.Top;
  const int below = bar_->Height() - items.Bottom;
  const int height = size.Y + above + below;
  if (height != bar_->Height()) bar_->SetBounds(bar_->Left(), bar_->Top(), bar_->Width(), height);
}

void TSeMenuBarView::InvalidateView() { bar_->update(); }

void TSeMenuBarView::InvalidateItem(TSeCustomItem* item) {
  (void)item;
  bar_->update();
}

// ---- TSeCustomMenuBar -----------------------------------------------------

TSeCustomMenuBar::TSeCustomMenuBar(TComponent* owner)
    : TSeCustomControl(owner), options_(std::make_unique<TSePopupMenuOptions>()) {
  layouting_ = true;
  items_.reset(CreateRootItem());
  items_->SetParentComponent(this);
  items_->SetPopupOptions(options_.get());
  items_->OnChange = [this](TSeCustomItem*) {
    if (!Loading() && !Destroying() && !mdi_updating_) ItemsChanged();
  };
  view_ = std::make_unique<TSeMenuBarView>(this);
  view_->SetItems(items_.get());
  SetColor(clMenu);
  SetHeight(GetSystemMetrics(SM_CYMENU));
  qApp->installEventFilter(this);
}

TSeCustomMenuBar::~TSeCustomMenuBar() {
  qApp->removeEventFilter(this);
  items_->OnChange = nullptr;
  items_->SetPopupOptions(nullptr);
  view_.reset();
}

void TSeCustomMenuBar::Init() {
  TSeCustomControl::Init();
  if (!Loading()) CreateMDIItems();
  layouting_ = false;
  ItemsChanged();
}

void TSeCustomMenuBar::Loaded() {
  TSeCustomControl::Loaded();
  CreateMDIItems();
  layouting_ = false;
  ItemsChanged();
}

TSeCustomItem* TSeCustomMenuBar::CreateRootItem() { return new TSeCustomItem(nullptr); }

TSeCustomItem* TSeCustomMenuBar::CreateItem() { return new TSeCustomItem(nullptr); }

// ---- MDI ------------------------------------------------------------------

void TSeCustomMenuBar::CreateMDIItems() {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (Designing() || !form || form->FormStyle() != fsMDIForm || mdi_items_[0]) return;
  for (int kind = 1; kind <= 4; ++kind) {
    TSeCustomItem* item = CreateItem();
    item->SetKind(kind);
    item->SetVisible(false);
    item->OnClick = [this](TComponent* sender) { MDIItemClick(sender); };
    mdi_items_[kind - 1] = item;
  }
  items_->Insert(0, mdi_items_[3]);
  items_->Add(mdi_items_[2]);
  items_->Add(mdi_items_[1]);
  items_->Add(mdi_items_[0]);
}

TSeCustomForm* TSeCustomMenuBar::MDIChildForm() const {
  return mdi_child_alive_.expired() ? nullptr : mdi_child_form_;
}

void TSeCustomMenuBar::SetMDIItemsVisible(bool visible) {
  for (TSeCustomItem* item : mdi_items_)
    if (item) item->SetVisible(visible);
}

void TSeCustomMenuBar::ShowMDIButtons(TSeCustomForm* frame) {
  if (!mdi_items_[0]) return;
  mdi_updating_ = true;
  SetMDIItemsVisible(true);
  mdi_child_form_ = frame;
  mdi_child_alive_ = frame ? frame->AliveToken() : std::weak_ptr<int>();
  items_->SetMDIForm(frame);
  mdi_updating_ = false;
  view_->UpdateLayout();
  Invalidate();
}

void TSeCustomMenuBar::HideMDIButtons() {
  if (!mdi_items_[0]) return;
  mdi_updating_ = true;
  SetMDIItemsVisible(false);
  mdi_child_form_ = nullptr;
  mdi_child_alive_.reset();
  items_->SetMDIForm(nullptr);
  mdi_updating_ = false;
  view_->UpdateLayout();
  Invalidate();
}

void TSeCustomMenuBar::MDIItemClick(TComponent* sender) {
  auto* item = dynamic_cast<TSeCustomItem*>(sender);
  TSeCustomForm* frame = MDIChildForm();
  if (!item || !frame) return;
  switch (item->Kind()) {
    case 1: frame->Close(); break;
    case 2: frame->Restore(); break;
    case 3: frame->Minimize(); break;
    case 4: {
      QPointer<QWidget> self(this);
      frame->ShowSystemMenu();
      // The icon stays hot no longer than its menu.
      if (self) view_->HotTrack(mapToGlobal(QPoint(-1, -1)));
      break;
    }
    default: break;
  }
}

void TSeCustomMenuBar::SetPopupMenuOptions(const TSePopupMenuOptions& value) {
  options_->Assign(value);
  items_->SetPopupOptions(options_.get());
}

void TSeCustomMenuBar::SetShowBevel(bool value) {
  if (value == show_bevel_) return;
  show_bevel_ = value;
  Invalidate();
}

TRect TSeCustomMenuBar::GetItemsRect() {
  TRect r = Rect(0, 0, Width(), Height());
  if (Align() == alTop) r.Bottom -= 2;
  if (Align() == alBottom) r.Top += 2;
  return r;
}

void TSeCustomMenuBar::ItemsChanged() {
  items_->SetPopupOptions(options_.get());
  if (auto* owner = dynamic_cast<TWinControl*>(Owner())) items_->SetOwnerWindow(owner);
  const TRect r = GetItemsRect();
  view_->SetOrigin({r.Left, r.Top});
  view_->UpdateLayout();
  Invalidate();
}

void TSeCustomMenuBar::SetBounds(int left, int top, int width, int height) {
  TSeCustomControl::SetBounds(left, top, width, height);
  if (layouting_ || !view_) return;
  layouting_ = true;
  const bool autoSize = auto_size_;
  auto_size_ = false;
  const TRect r = GetItemsRect();
  view_->SetOrigin({r.Left, r.Top});
  view_->UpdateLayout();
  auto_size_ = autoSize;
  layouting_ = false;
}

void TSeCustomMenuBar::PaintBackground() {
  TSeCustomControl::PaintBackground();
  TCanvas& canvas = *Canvas();
  const TRect r = GetItemsRect();
  view_->SetOrigin({r.Left, r.Top});
  view_->PaintItems(canvas);
  if (show_bevel_) {
    if (Align() == alTop) {
      se::FillRectColor(canvas, Rect(0, Height() - 2, Width(), Height() - 1), clBtnShadow);
      se::FillRectColor(canvas, Rect(0, Height() - 1, Width(), Height()), clBtnHighlight);
    } else if (Align() == alBottom) {
      se::FillRectColor(canvas, Rect(0, 0, Width(), 1), clBtnShadow);
      se::FillRectColor(canvas, Rect(0, 1, Width(), 2), clBtnHighlight);
    }
  }
}

void TSeCustomMenuBar::TrackMenu(QChar accel) {
  // The letter is handled as the loop's first key.
  TSeItemView* view = view_.get();
  TrackLoopFrom(accel.isNull() ? std::function<void()>() : [view, accel] { view->HandleChar(accel); });
}

void TSeCustomMenuBar::TrackLoopFrom(const std::function<void()>& start) {
  if (view_->Tracking()) return;
  items_->SetAnimatePending(true);
  items_->SetAnimateOnce(true);
  view_->InvalidateView();
  view_->TrackLoop(start);
}

bool TSeCustomMenuBar::IsShortCut(int key, TShiftState shift) { return items_->IsShortCut(key, shift); }

void TSeCustomMenuBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || view_->Tracking()) return;
  for (int i = 0; i < items_->Count(); ++i) {
    TSeCustomItem* item = items_->Items(i);
    if (item->Visible() && PtInRect(view_->GetItemRect(item), {x, y})) {
      view_->SetHotItem(item);
      // A menu drops at the press, so that a drag down it and a release
      // over an item chooses that item; an item without one acts on the
      // release.
      if (item->Count() > 0) {
        TSeItemView* view = view_.get();
        TrackLoopFrom([view] { view->EnterHotItem(); });
      } else {
        TrackLoopFrom({});
      }
      return;
    }
  }
}

void TSeCustomMenuBar::MouseMove(TShiftState shift, int x, int y) {
  (void)shift;
  if (view_->Tracking()) return;
  const QPoint g = mapToGlobal(QPoint(x, y));
  view_->HotTrack(g);
}

void TSeCustomMenuBar::MouseLeave() {
  TSeCustomControl::MouseLeave();
  if (view_->Tracking()) return;
  view_->SetHotItem(nullptr);
}

bool TSeCustomMenuBar::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != window() || !isVisible() || !isEnabled() || view_->Tracking()) return false;
  if (se::InnermostMenu()) return false;
  auto* ke = static_cast<QKeyEvent*>(event);
  // Qt hands a key to the focus widget and then to its parents, past this
  // filter each time: act on the first delivery only.
  QWidget* target = QApplication::focusWidget();
  if (!target || target->window() != window()) target = window();
  if (widget != target) return false;
  if (type == QEvent::KeyRelease) {
    if (ke->key() == Qt::Key_Alt && alt_alone_ && !ke->isAutoRepeat()) {
      alt_alone_ = false;
      TrackMenu();
      return true;
    }
    return false;
  }
  // Some platforms report Alt's own press with the Alt modifier, others
  // without it; any other modifier held makes it no lone Alt.
  alt_alone_ = ke->key() == Qt::Key_Alt && (ke->modifiers() & ~Qt::AltModifier) == Qt::NoModifier;
  if (alt_alone_) return false;
  if (ke->key() == Qt::Key_F10 && ke->modifiers() == Qt::NoModifier) {
    TrackMenu();
    return true;
  }
  const int vk = VirtualKeyFromQt(ke->key());
  if (vk == 0) return false;
  const TShiftState shift = ShiftOf(ke->modifiers());
  if (items_->FindItemByShortCut(::ShortCut(vk, shift))) {
    items_->IsShortCut(vk, shift);
    return true;
  }
  if (ke->modifiers() == Qt::AltModifier && vk >= 0x30 && vk <= 0x5A) {
    if (items_->FindAccelItem(QChar(vk))) {
      TrackMenu(QChar(vk));
      return true;
    }
  }
  return false;
}

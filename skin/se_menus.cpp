#include "skin/se_menus.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

#include "platform/core/StringList.h"
#include "platform/gui/Application.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Icon.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/Painters.h"
#include "skin/se_const.h"
#include "skin/se_drawing.h"
#include "skin/se_form.h"
#include "skin/se_popupmenu.h"

namespace {

constexpr int kVkTab = 0x09;
constexpr int kVkReturn = 0x0D;
constexpr int kVkMenu = 0x12;
constexpr int kVkEscape = 0x1B;
constexpr int kVkSpace = 0x20;
constexpr int kVkLeft = 0x25;
constexpr int kVkUp = 0x26;
constexpr int kVkRight = 0x27;
constexpr int kVkDown = 0x28;
constexpr int kVkF10 = 0x79;

// The square image column of a popup item, and the width that shortcut
// text keeps free on the right.
constexpr int kImageArea = 22;
constexpr int kSeparatorHeight = 15;
constexpr int kScrollBand = 10;

void Raised(TCanvas& c, const TRect& r) { se::DrawBevelRect(c, r, clBtnHighlight, clBtnShadow); }
void Sunken(TCanvas& c, const TRect& r) { se::DrawBevelRect(c, r, clBtnShadow, clBtnHighlight); }

// The caption drawn greyed: a light copy one pixel down-right, then the
// caption in shadow colour.
void DrawEmbossed(TCanvas& c, const QString& text, TRect r, unsigned flags, bool emboss) {
  if (emboss) {
    TRect shifted = Rect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
    c.Font().SetColor(clBtnHighlight);
    se::DrawWideText(c, text, shifted, flags);
  }
  c.Font().SetColor(clBtnShadow);
  se::DrawWideText(c, text, r, flags);
}

}  // namespace

namespace se {

TFont& MenuFont() {
  static TFont font = [] {
    TFont f;
    f.SetName("DejaVu Sans");
    f.SetHeight(-12);
    return f;
  }();
  return font;
}

int MenuItemWidth() { return std::max(20, GetSystemMetrics(SM_CXMENUSIZE)); }
int MenuItemHeight() { return std::max(20, GetSystemMetrics(SM_CYMENUSIZE)); }

QPoint& LastMenuMousePos() {
  static QPoint pos(-100000, -100000);
  return pos;
}

namespace {
std::vector<QPointer<TSeItemView>>& Running() {
  static std::vector<QPointer<TSeItemView>> views;
  return views;
}
}  // namespace

TSeItemView* InnermostMenu() {
  auto& v = Running();
  while (!v.empty() && !v.back()) v.pop_back();
  // Levels that were told to end but have not returned yet do not count.
  for (auto it = v.rbegin(); it != v.rend(); ++it)
    if (*it && (*it)->Tracking()) return it->data();
  return nullptr;
}

void CancelAllMenus() {
  if (TSeItemView* view = InnermostMenu()) view->CancelMenus();
}

}  // namespace se

// ---- TSeCustomItem --------------------------------------------------------

TSeCustomItem::TSeCustomItem(TComponent* owner) : TComponent(owner) {}

TSeCustomItem::~TSeCustomItem() {
  MarkDestroying();
  alive_.reset();
  while (!items_.empty()) items_.pop_back();
  if (parent_) {
    auto& siblings = parent_->items_;
    for (auto it = siblings.begin(); it != siblings.end(); ++it)
      if (it->get() == this) {
        it->release();
        siblings.erase(it);
        break;
      }
  }
}

TSeCustomItem* TSeCustomItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<std::size_t>(index)].get();
}

void TSeCustomItem::Insert(int index, TSeCustomItem* item) {
  if (!item) return;
  if (item->parent_) throw ETbItemError(se::SItemAlreadyInserted);
  index = std::clamp(index, 0, Count());
  // The tree owns its children; an owner component lets go of it.
  if (item->Owner()) item->Owner()->RemoveComponent(item);
  items_.insert(items_.begin() + index, std::unique_ptr<TSeCustomItem>(item));
  item->parent_ = this;
  item->popup_options_ = popup_options_;
  item->owner_window_ = owner_window_;
  item->foreground_popup_ = foreground_popup_;
  Changed();
}

void TSeCustomItem::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  TSeCustomItem* item = items_[static_cast<std::size_t>(index)].release();
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
  delete item;
  Changed();
}

int TSeCustomItem::IndexOf(const TSeCustomItem* item) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<std::size_t>(i)].get() == item) return i;
  return -1;
}

void TSeCustomItem::Remove(TSeCustomItem* item) {
  const int i = IndexOf(item);
  if (i >= 0) Delete(i);
}

TSeCustomItem* TSeCustomItem::Root() {
  TSeCustomItem* r = this;
  while (r->parent_) r = r->parent_;
  return r;
}

void TSeCustomItem::SetCaption(const QString& value) {
  if (value == caption_) return;
  caption_ = value;
  Changed();
}

void TSeCustomItem::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  Changed();
}

void TSeCustomItem::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Changed();
}

void TSeCustomItem::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Changed();
}

void TSeCustomItem::Changed() {
  if (Loading() || Destroying()) return;
  if (OnChange) OnChange(this);
  TSeCustomItem* root = Root();
  if (root != this && root->OnChange) root->OnChange(root);
}

void TSeCustomItem::SetTree(const std::function<void(TSeCustomItem*)>& set) {
  set(this);
  for (auto& child : items_) child->SetTree(set);
}

void TSeCustomItem::SetMDIForm(TSeCustomForm* value) {
  const std::weak_ptr<int> alive = value ? value->AliveToken() : std::weak_ptr<int>();
  SetTree([value, alive](TSeCustomItem* i) {
    i->mdi_form_ = value;
    i->mdi_form_alive_ = alive;
  });
}

void TSeCustomItem::SetAnimatePending(bool value) {
  SetTree([value](TSeCustomItem* i) { i->animate_pending_ = value; });
}
void TSeCustomItem::SetAnimateOnce(bool value) {
  SetTree([value](TSeCustomItem* i) { i->animate_once_ = value; });
}
void TSeCustomItem::SetPopupOptions(TSePopupMenuOptions* value) {
  SetTree([value](TSeCustomItem* i) { i->popup_options_ = value; });
}
void TSeCustomItem::SetOwnerWindow(TWinControl* value) {
  SetTree([value](TSeCustomItem* i) { i->owner_window_ = value; });
}
void TSeCustomItem::SetPaintLocked(bool value) {
  SetTree([value](TSeCustomItem* i) { i->paint_locked_ = value; });
}
void TSeCustomItem::SetForegroundPopup(bool value) {
  SetTree([value](TSeCustomItem* i) { i->foreground_popup_ = value; });
}
void TSeCustomItem::SetToolbarStyle(bool value) {
  toolbar_style_ = value;
  for (auto& child : items_) child->toolbar_style_ = value;
}

TImageList* TSeCustomItem::GetImages() const {
  if (images_) return images_;
  const TSeCustomItem* r = this;
  while (r->parent_) r = r->parent_;
  return r->images_;
}

int TSeCustomItem::GetImageAreaWidth() const {
  TImageList* images = GetImages();
  if (images && images->Width() > se::MenuItemHeight()) return images->Width() + 6;
  return kImageArea;
}

TSeCustomForm* TSeCustomItem::FindFormFrame() const {
  TWinControl* owner = owner_window_;
  if (!owner) return nullptr;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TSeCustomForm*>(owner->Components(i))) return f;
  return nullptr;
}

TSeCustomItem* TSeCustomItem::FindAccelItem(QChar ch) const {
  const QString key = QStringLiteral("&") + ch.toUpper();
  for (const auto& child : items_) {
    const QString caption = child->caption_.toUpper();
    // "&&" is a literal ampersand, not an accelerator.
    for (int at = caption.indexOf(QLatin1Char('&')); at >= 0; at = caption.indexOf(QLatin1Char('&'), at + 2)) {
      if (caption.mid(at, 2) == key && key != QLatin1String("&&")) return child.get();
      if (caption.mid(at, 2) == QLatin1String("&&")) continue;
    }
  }
  return nullptr;
}

TSeCustomItem* TSeCustomItem::FindItemByShortCut(TShortCut shortcut) {
  if (shortcut == 0) return nullptr;
  if (shortcut_ == shortcut) return this;
  for (auto& child : items_)
    if (TSeCustomItem* found = child->FindItemByShortCut(shortcut)) return found;
  return nullptr;
}

bool TSeCustomItem::IsShortCut(int key, TShiftState shift) {
  const TShortCut shortcut = ::ShortCut(key, shift);
  if (shortcut == 0) return false;
  TSeCustomItem* found = FindItemByShortCut(shortcut);
  if (!found) return false;
  // The chain from the top: every level must be enabled for the item to
  // be clicked (each level sees OnBeforeDropDown as its menu would open).
  std::vector<TSeCustomItem*> chain;
  for (TSeCustomItem* i = found; i && i != this; i = i->parent_) chain.insert(chain.begin(), i);
  for (TSeCustomItem* level : chain) {
    if (!level->Enabled()) return true;
    if (level != found) {
      if (level->OnBeforeDropDown) CallGuarded(level, [&] { level->OnBeforeDropDown(level); });
      continue;
    }
    if (level->Count() == 0 && !level->IsSeparator()) CallGuarded(level, [&] { level->DoClick(); });
  }
  return true;
}

TSePopupWindow* TSeCustomItem::CreatePopupWindow(TComponent* owner, TSeItemView* parentView) {
  return TSePopupWindow::CreatePopup(owner, this, parentView);
}

void TSeCustomItem::MeasureItem(TCanvas& canvas, TSeItemView& view, int& width, int& height) {
  canvas.SetFont(se::MenuFont());
  width = se::MenuItemWidth();
  height = se::MenuItemHeight();
  if (view.IsMenuBar()) {
    width = se::WideTextWidth(canvas, StripHotkey(caption_), DT_NOPREFIX) + 12;
    if (kind_ != 0) width = height;
    return;
  }
  width = se::WideTextWidth(canvas, StripHotkey(caption_), DT_NOPREFIX) + GetImageAreaWidth() + 42;
  if (shortcut_ != 0) width += se::WideTextWidth(canvas, ShortCutToText(shortcut_), DT_NOPREFIX);
  if (IsSeparator()) {
    height = kSeparatorHeight;
    return;
  }
  if (TImageList* images = GetImages(); images && images->Height() > height) height = images->Height() + 4;
}

void TSeCustomItem::PaintItem(TCanvas& canvas, TSeItemView& view, const TRect& rect, bool selected, bool hover) {
  canvas.SetFont(se::MenuFont());
  canvas.Brush().SetStyle(bsClear);
  if (view.IsMenuBar() && kind_ != 0) {
    // A maximized MDI child's icon and buttons.
    se::FillRectColor(canvas, rect, clMenu);
    if (kind_ == 4) {
      TSeCustomForm* frame = MDIForm();
      if (!frame) return;
      if (selected) {
        if (hover)
          Raised(canvas, rect);
        else
          Sunken(canvas, rect);
      }
      TIcon* icon = frame->GetFormIcon();
      if (icon && !icon->Empty())
        icon->Draw(canvas, Bounds(rect.Left + 1, rect.Top + 1, icon->Width(), icon->Height()));
      return;
    }
    TRect r = Rect(rect.Left + 2, rect.Top + 2, rect.Right - 1, rect.Bottom - 3);
    static constexpr unsigned kGlyphs[] = {DFCS_CAPTIONCLOSE, DFCS_CAPTIONRESTORE, DFCS_CAPTIONMIN};
    const unsigned state = selected ? (hover ? DFCS_HOT : DFCS_PUSHED) : 0;
    DrawFrameControl(canvas, r, DFC_CAPTION, kGlyphs[std::clamp(kind_, 1, 3) - 1] | state);
    return;
  }
  if (view.IsMenuBar()) {
    se::FillRectColor(canvas, rect, clMenu);
    if (enabled_ && selected) {
      if (hover)
        Raised(canvas, rect);
      else
        Sunken(canvas, rect);
    }
    TRect r = rect;
    const unsigned flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (!enabled_) {
      DrawEmbossed(canvas, caption_, r, flags, true);
    } else {
      canvas.Font().SetColor(clMenuText);
      se::DrawWideText(canvas, caption_, r, flags);
    }
    return;
  }
  if (IsSeparator()) {
    se::FillRectColor(canvas, rect, clMenu);
    TRect line = Rect(rect.Left + 2, rect.Top + 7, rect.Right - 2, rect.Top + 9);
    Sunken(canvas, line);
    return;
  }
  se::FillRectColor(canvas, rect, selected ? clHighlight : clMenu);
  TColor textColor = selected ? clHighlightText : clMenuText;
  TImageList* images = GetImages();
  const bool hasImage = images && image_index_ >= 0 && image_index_ < images->Count();
  const int area = GetImageAreaWidth();
  if (checked_ || hasImage) {
    se::FillRectColor(canvas, Rect(rect.Left, rect.Top, rect.Left + area, rect.Bottom), clBtnFace);
    const TRect box = Rect(rect.Left, rect.Top, rect.Left + rect.Height(), rect.Bottom);
    if (checked_) {
      if (selected) {
        Sunken(canvas, box);
      } else {
        se::FillDitherRect(canvas, box, clBtnFace, clWhite);
        Sunken(canvas, box);
      }
    } else if (selected) {
      Raised(canvas, box);
    }
    if (hasImage) {
      images->Draw(canvas, box.Left + (box.Width() - images->Width()) / 2,
                   box.Top + (box.Height() - images->Height()) / 2, image_index_, enabled_);
    } else if (checked_) {
      const int cx = (box.Left + box.Right) / 2 - 2;
      const int cy = (box.Top + box.Bottom) / 2 + 1;
      const TPoint black[] = {{cx - 2, cy - 2}, {cx, cy},     {cx + 4, cy - 4}, {cx + 4, cy - 3},
                              {cx, cy + 1},     {cx - 2, cy - 1}, {cx - 2, cy - 2}};
      const TPoint white[] = {{cx - 3, cy - 2}, {cx - 3, cy - 1}, {cx, cy + 2}, {cx + 5, cy - 3}, {cx + 5, cy - 5}};
      canvas.Pen().SetColor(clBlack);
      canvas.Polyline(black);
      canvas.Pen().SetColor(clWhite);
      canvas.Polyline(white);
    }
  }
  TRect text = Rect(rect.Left + area + 4, rect.Top, rect.Right, rect.Bottom);
  const unsigned flags = DT_VCENTER | DT_SINGLELINE;
  canvas.Brush().SetStyle(bsClear);
  if (!enabled_) {
    DrawEmbossed(canvas, caption_, text, flags, !selected);
  } else {
    canvas.Font().SetColor(textColor);
    se::DrawWideText(canvas, caption_, text, flags);
  }
  if (shortcut_ != 0) {
    TRect sc = Rect(text.Left, text.Top, text.Right - 22, text.Bottom);
    if (!enabled_) {
      DrawEmbossed(canvas, ShortCutToText(shortcut_), sc, flags | DT_RIGHT | DT_NOPREFIX, !selected);
    } else {
      canvas.Font().SetColor(textColor);
      se::DrawWideText(canvas, ShortCutToText(shortcut_), sc, flags | DT_RIGHT | DT_NOPREFIX);
    }
  }
  if (!items_.empty()) {
    // The submenu arrow: a small solid triangle in the text colour.
    const int right = rect.Right - 2;
    const int left = right - 22;
    const int cx = (left + right) / 2;
    const int cy = (rect.Top + rect.Bottom) / 2;
    const TPoint arrow[] = {{cx - 2, cy - 4}, {cx + 2, cy}, {cx - 2, cy + 4}};
    se::FillPolygon(canvas, arrow, enabled_ ? textColor : clBtnShadow);
  }
}

void TSeCustomItem::PaintScrollButton(TCanvas& canvas, TSeItemView& view, const TRect& rect, int which,
                                      bool pressed) {
  (void)view;
  se::FillRectColor(canvas, rect, clMenu);
  if (pressed) Sunken(canvas, rect);
  TRect box = Rect(0, 0, 7, 4);
  se::CenterRect(box, rect);
  const int mid = (box.Right - 1 + box.Left) / 2;
  if (which == 1) {
    const TPoint up[] = {{box.Left, box.Bottom - 1}, {box.Right - 1, box.Bottom - 1}, {mid, box.Top}};
    se::FillPolygon(canvas, up, clMenuText);
  } else {
    const TPoint down[] = {{box.Left, box.Top}, {box.Right - 1, box.Top}, {mid, box.Bottom - 1}};
    se::FillPolygon(canvas, down, clMenuText);
  }
}

void TSeCustomItem::Click() {
  if (IsSeparator() || !items_.empty() || !enabled_) return;
  // The click runs once the menus are gone: whatever it does (even free
  // the window that owned the menu) happens outside every menu loop.
  std::weak_ptr<int> alive = alive_;
  QMetaObject::invokeMethod(
      qApp,
      [this, alive] {
        if (alive.expired()) return;
        Application().ProcessMessages();
        if (alive.expired()) return;
        CallGuarded(this, [this] { DoClick(); });
      },
      Qt::QueuedConnection);
}

void TSeCustomItem::DoClick() {
  if (OnClick) OnClick(this);
}

bool TSeCustomItem::Popup(TSeItemView* parentView, int x, int y, const TRect& excludeRect) {
  bool any = false;
  for (auto& child : items_) any = any || child->Visible();
  if (!any) return false;
  std::weak_ptr<int> alive = alive_;
  if (OnBeforeDropDown) OnBeforeDropDown(this);
  if (alive.expired()) return false;
  std::unique_ptr<TSePopupWindow> window(CreatePopupWindow(nullptr, parentView));
  if (!window) return false;
  window->PlaceAt(x, y, excludeRect, parentView);
  TSeCustomForm* frame = FindFormFrame();
  if (frame) frame->DisableFramePaint();
  window->ShowPopup();
  if (frame && !alive.expired()) frame->EnableFramePaint();
  if (parentView) parentView->child_view_ = window->View();
  window->View()->TrackLoop();
  if (parentView) parentView->child_view_ = nullptr;
  window->hide();
  return true;
}

// ---- TSeItemView ----------------------------------------------------------

TSeItemView::TSeItemView(bool isMenuBar, bool horizontal) : is_menu_bar_(isMenuBar), horizontal_(horizontal) {
  measure_bitmap_.SetSize(4, 4);
}

TSeItemView::~TSeItemView() {
  StopScrollTimer();
  if (loop_) loop_->exit();
  if (parent_view_ && parent_view_->child_view_ == this) parent_view_->child_view_ = nullptr;
}

TCanvas& TSeItemView::Canvas() { return measure_bitmap_.Canvas(); }

int TSeItemView::ShownCount() const {
  if (!items_) return 0;
  const int count = items_->Count();
  if (items_->Scrolled() && items_->ScrollCount() >= 1)
    return std::min(items_->ScrollCount(), std::max(0, count - items_->ScrollOffset()));
  return count;
}

void TSeItemView::UpdateLayout() {
  if (!items_) return;
  const int shown = ShownCount();
  const bool scrolled = items_->Scrolled() && items_->ScrollCount() >= 1;
  for (int i = 0; i < items_->Count(); ++i) items_->Items(i)->ItemRect() = {};
  if (items_->Count() > 0) GetItemRect(items_->Items(items_->Count() - 1));
  int width = 0, height = 0;
  const int first = scrolled ? items_->ScrollOffset() : 0;
  for (int i = first; i < first + shown && i < items_->Count(); ++i) {
    TSeCustomItem* child = items_->Items(i);
    if (!child->Visible()) continue;
    const TRect r = GetItemRect(child);
    if (horizontal_) {
      height = std::max(height, r.Height());
      width += r.Width();
    } else {
      width = std::max(width, r.Width());
      height += r.Height();
    }
  }
  if (scrolled && !horizontal_) height += 2 * kScrollBand;
  SetViewSize({width, height});
  view_width_ = width;
  view_height_ = height;
}

TRect TSeItemView::GetItemRect(TSeCustomItem* item) {
  if (!item || !item->Visible() || !items_) return {};
  if (!item->ItemRect().IsEmpty()) return item->ItemRect();
  TCanvas& canvas = Canvas();
  canvas.SetFont(se::MenuFont());
  if (item->Kind() != 0) {
    int w = 0, h = 0;
    item->MeasureItem(canvas, *this, w, h);
    const int W = owner_control_ ? owner_control_->width() : 0;
    TRect r;
    switch (item->Kind()) {
      case 1: r = Rect(W - w, 0, W, h); break;
      case 2: r = Rect(W - 2 * w, 0, W - w, h); break;
      case 3: r = Rect(W - 3 * w, 0, W - 2 * w, h); break;
      default: r = Rect(0, 0, w, h); break;
    }
    item->ItemRect() = Rect(r.Left + origin_.X, r.Top + origin_.Y, r.Right + origin_.X, r.Bottom + origin_.Y);
    return item->ItemRect();
  }
  const bool scrolled = items_->Scrolled() && items_->ScrollCount() >= 1;
  const int first = scrolled ? items_->ScrollOffset() : 0;
  const int last = scrolled ? first + ShownCount() : items_->Count();
  int running = 0, widest = 0, tallest = 0;
  for (int i = 0; i < items_->Count(); ++i) {
    TSeCustomItem* child = items_->Items(i);
    // In a bar a shown MDI icon (first) takes its place before the items.
    if (!child->Visible() || (child->Kind() != 0 && !(horizontal_ && child->Kind() == 4))) continue;
    int w = 0, h = 0;
    child->MeasureItem(canvas, *this, w, h);
    if (horizontal_) {
      running += w;
      tallest = std::max(tallest, h);
      if (child == item) {
        item->ItemRect() =
            Rect(origin_.X + running - w, origin_.Y, origin_.X + running, origin_.Y + tallest);
        return item->ItemRect();
      }
    } else {
      widest = std::max(widest, w);
      // Items above the shown window lie above the view; those below, under it.
      if (i >= first && i < last) running += h;
      const int top = i < first ? -100000 : (i >= last ? 100000 : running - h);
      const int shift = scrolled ? kScrollBand : 0;
      child->ItemRect() = Rect(origin_.X, origin_.Y + top + shift, origin_.X + widest, origin_.Y + top + h + shift);
    }
  }
  if (!horizontal_) {
    for (int i = 0; i < items_->Count(); ++i) {
      TSeCustomItem* child = items_->Items(i);
      if (child->Visible() && child->Kind() == 0) child->ItemRect().Right = origin_.X + widest;
    }
  }
  return item->ItemRect();
}

TRect TSeItemView::GetScrollButtonRect(int which) {
  if (!items_ || !items_->Scrolled() || items_->ScrollCount() < 1 || horizontal_) return {};
  if (which == 1) return Rect(origin_.X, origin_.Y, origin_.X + view_width_, origin_.Y + kScrollBand);
  return Rect(origin_.X, origin_.Y + view_height_ - kScrollBand, origin_.X + view_width_, origin_.Y + view_height_);
}

void TSeItemView::PaintItems(TCanvas& canvas) {
  if (!items_) return;
  canvas.SetFont(se::MenuFont());
  const bool scrolled = items_->Scrolled() && items_->ScrollCount() >= 1 && !horizontal_;
  if (scrolled) {
    items_->PaintScrollButton(canvas, *this, GetScrollButtonRect(1), 1, scroll_direction_ == 1);
    items_->PaintScrollButton(canvas, *this, GetScrollButtonRect(2), 2, scroll_direction_ == 2);
  }
  const int first = scrolled ? items_->ScrollOffset() : 0;
  const int last = scrolled ? first + ShownCount() : items_->Count();
  for (int i = 0; i < items_->Count(); ++i) {
    TSeCustomItem* child = items_->Items(i);
    if (!child->Visible() || child->PaintLocked()) continue;
    if (child->Kind() == 0 && (i < first || i >= last)) continue;
    const TRect r = GetItemRect(child);
    if (r.IsEmpty()) continue;
    child->PaintItem(canvas, *this, r, child == hot_item_, !tracking_);
  }
}

TPoint TSeItemView::ScreenToView(const QPoint& screenPoint) const {
  if (!window_) return {screenPoint.x(), screenPoint.y()};
  const QPoint p = window_->mapFromGlobal(screenPoint);
  return {p.x(), p.y()};
}

void TSeItemView::SetHotItem(TSeCustomItem* item) {
  if (item == hot_item_) return;
  TSeCustomItem* old = hot_item_;
  hot_item_ = item;
  if (old) InvalidateItem(old);
  if (item) InvalidateItem(item);
}

void TSeItemView::HotTrack(const QPoint& screenPoint) {
  if (!window_ || !items_) return;
  const TPoint p = ScreenToView(screenPoint);
  TSeCustomItem* old = hot_item_;
  if (!tracking_) hot_item_ = nullptr;
  if (items_->Scrolled() && items_->ScrollCount() >= 1 && !horizontal_) {
    if (PtInRect(GetScrollButtonRect(1), p)) {
      scroll_direction_ = 1;
      InvalidateScrollButton(1);
      StartScrollTimer();
    } else if (PtInRect(GetScrollButtonRect(2), p)) {
      scroll_direction_ = 2;
      InvalidateScrollButton(2);
      StartScrollTimer();
    } else if (scroll_direction_ != 0) {
      StopScrollTimer();
      InvalidateScrollButton(1);
      InvalidateScrollButton(2);
    }
  }
  const bool scrolled = items_->Scrolled() && items_->ScrollCount() >= 1;
  const int first = scrolled ? items_->ScrollOffset() : 0;
  const int last = scrolled ? first + ShownCount() : items_->Count();
  for (int i = 0; i < items_->Count(); ++i) {
    TSeCustomItem* child = items_->Items(i);
    if (!child->Visible() || (child->Kind() == 0 && (i < first || i >= last))) continue;
    if (PtInRect(GetItemRect(child), p)) {
      hot_item_ = child;
      break;
    }
  }
  if (hot_item_ != old) {
    if (old) InvalidateItem(old);
    if (hot_item_) InvalidateItem(hot_item_);
  }
}

void TSeItemView::Move(bool forward) {
  if (!items_ || items_->Count() == 0) return;
  const int count = items_->Count();
  const int start = hot_item_ ? items_->IndexOf(hot_item_) : -1;
  int index = start;
  TSeCustomItem* found = nullptr;
  // At most one round: a list with nothing selectable leaves the selection.
  for (int step = 0; step < count; ++step) {
    if (forward)
      index = index < 0 || index >= count - 1 ? 0 : index + 1;
    else
      index = index <= 0 ? count - 1 : index - 1;
    TSeCustomItem* candidate = items_->Items(index);
    if (candidate->Visible() && !candidate->IsSeparator()) {
      found = candidate;
      break;
    }
  }
  if (!found) return;
  if (items_->Scrolled() && items_->ScrollCount() >= 1) {
    const int offset = items_->ScrollOffset();
    const int shownCount = items_->ScrollCount();
    int next = offset;
    if (forward) {
      if (index == 0)
        next = 0;
      else if (index >= offset + shownCount)
        next = index - shownCount + 1;
    } else {
      if (index < offset)
        next = index;
      else if (index == count - 1)
        next = std::max(0, count - shownCount);
    }
    if (next != offset) {
      items_->SetScrollOffset(next);
      UpdateLayout();
      InvalidateView();
    }
  }
  if (found != hot_item_) {
    SetHotItem(found);
    if (submenu_open_) OpenSubmenu();
  }
}

void TSeItemView::SelectNext() { Move(true); }
void TSeItemView::SelectPrevious() { Move(false); }

bool TSeItemView::HotHasSubmenu() const { return hot_item_ && hot_item_->Count() > 0; }

void TSeItemView::StartScrollTimer() {
  if (submenu_open_ && child_view_) child_view_->PostKey(kVkEscape);
  if (scroll_timer_) return;
  scroll_timer_ = std::make_unique<QTimer>();
  scroll_timer_->setInterval(100);
  QObject::connect(scroll_timer_.get(), &QTimer::timeout, this, [this] {
    if (!items_) return;
    if (scroll_direction_ == 1 && items_->ScrollOffset() > 0) SelectPrevious();
    if (scroll_direction_ == 2 && items_->Count() > items_->ScrollOffset() + items_->ScrollCount()) SelectNext();
  });
  scroll_timer_->start();
}

void TSeItemView::StopScrollTimer() {
  scroll_timer_.reset();
  scroll_direction_ = 0;
}

void TSeItemView::UpdateActions() {
  if (!items_) return;
  for (int i = 0; i < items_->Count(); ++i) items_->Items(i)->InitiateAction();
}

// ---- The loop -------------------------------------------------------------

bool TSeItemView::IsTrackingNow() const {
  if (!tracking_) return false;
  // Another window that took the mouse ends every menu.
  QWidget* grabber = QWidget::mouseGrabber();
  return !grabber || se::CaptureCount() == 0 || grabber == captured_;
}

bool TSeItemView::TrackLoop(const std::function<void()>& start) {
  tracking_ = true;
  QPointer<TSeItemView> self(this);
  if (window_) window_->setCursor(Qt::ArrowCursor);
  if (items_ && items_->Count() > 0) {
    hot_item_ = items_->Items(items_->Count() - 1);
    const int offset = items_->ScrollOffset();
    if (offset >= 0 && offset < items_->Count()) {
      TSeCustomItem* first = items_->Items(offset);
      if (first->Kind() != 0 && offset + 1 < items_->Count()) first = items_->Items(offset + 1);
      hot_item_ = first;
    }
    InvalidateView();
    HotTrack(QCursor::pos());
  }
  se::BeginMenuCapture(window_);
  captured_ = QWidget::mouseGrabber();
  qApp->installEventFilter(this);
  se::Running().push_back(this);
  QEventLoop loop;
  loop_ = &loop;
  if (start && IsTrackingNow()) start();
  if (self && IsTrackingNow()) loop.exec();
  if (!self) return true;
  loop_ = nullptr;
  qApp->removeEventFilter(this);
  auto& running = se::Running();
  running.erase(std::remove(running.begin(), running.end(), QPointer<TSeItemView>(this)), running.end());
  if (parent_view_) parent_view_->InvalidateView();
  tracking_ = false;
  StopScrollTimer();
  se::EndMenuCapture();
  InvalidateView();
  return true;
}

void TSeItemView::EndLoop() {
  tracking_ = false;
  if (loop_) loop_->exit();
}

void TSeItemView::CancelMenus() {
  for (TSeItemView* v = this; v; v = v->parent_view_) {
    v->hot_item_ = nullptr;
    v->submenu_open_ = false;
    v->EndLoop();
    v->InvalidateView();
  }
}

bool TSeItemView::OpenSubmenu() {
  if (!hot_item_ || !hot_item_->Enabled() || hot_item_->Count() == 0 || scroll_direction_ != 0) return false;
  const TRect r = GetItemRect(hot_item_);
  const QPoint tl = window_ ? window_->mapToGlobal(QPoint(r.Left, r.Top)) : QPoint(r.Left, r.Top);
  const int dx = tl.x() - r.Left;
  const int dy = tl.y() - r.Top;
  const TRect screen = Rect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
  const TPoint at = is_menu_bar_ ? TPoint{screen.Left, screen.Bottom} : TPoint{screen.Right, screen.Top};
  submenu_open_ = true;
  QPointer<TSeItemView> self(this);
  const bool shown = hot_item_->Popup(this, at.X, at.Y, screen);
  if (!self) return shown;
  return shown;
}

void TSeItemView::PostCommand(std::function<void()> command, int tries) {
  QPointer<TSeItemView> self(this);
  QMetaObject::invokeMethod(
      qApp,
      [self, command, tries] {
        if (!self || !self->tracking_) return;
        // Only the innermost running level acts; an outer one waits until
        // the levels inside it have ended.
        const bool inner = (self->child_view_ && self->child_view_->tracking_) || se::InnermostMenu() != self;
        if (inner && tries < 1000) {
          self->PostCommand(command, tries + 1);
          return;
        }
        command();
      },
      Qt::QueuedConnection);
}

void TSeItemView::PostKey(int key) {
  PostCommand([this, key] { HandleKey(key); });
}

void TSeItemView::PostOpenSubmenu() {
  PostCommand([this] { OpenSubmenu(); });
}

void TSeItemView::HandleChar(QChar ch) {
  if (!items_) return;
  if (TSeCustomItem* item = items_->FindAccelItem(ch)) {
    SetHotItem(item);
    HandleKey(kVkReturn);
  }
}

void TSeItemView::EnterHotItem() { HandleKey(kVkReturn); }

void TSeItemView::HandleKey(int key) {
  QPointer<TSeItemView> self(this);
  TSeItemView* parent = parent_view_;
  switch (key) {
    case kVkLeft:
      if (is_menu_bar_) {
        SelectPrevious();
      } else if (parent) {
        if (parent->IsMenuBar()) {
          parent->PostKey(kVkLeft);
          EndLoop();
        } else {
          HandleKey(kVkEscape);
        }
      }
      break;
    case kVkRight:
      if (is_menu_bar_) {
        SelectNext();
      } else if (parent) {
        if (OpenSubmenu()) break;
        if (!self) return;
        if (parent->IsMenuBar()) {
          parent->PostKey(kVkRight);
          EndLoop();
        } else {
          HandleKey(kVkEscape);
        }
      }
      break;
    case kVkUp:
      if (!is_menu_bar_) SelectPrevious();
      break;
    case kVkDown:
      if (is_menu_bar_)
        OpenSubmenu();
      else
        SelectNext();
      break;
    case kVkReturn: {
      TSeCustomItem* hot = hot_item_;
      if (!hot) break;
      hot->Click();
      if (OpenSubmenu()) break;
      if (!self) return;
      if (hot_item_ == hot && hot->Enabled() && !hot->IsSeparator()) CancelMenus();
      break;
    }
    case kVkEscape:
      if (parent) parent->submenu_open_ = false;
      hot_item_ = nullptr;
      InvalidateView();
      EndLoop();
      break;
    case kVkMenu:
    case kVkF10:
      CancelMenus();
      break;
    default:
      break;
  }
}

bool TSeItemView::InHotItemOfChain(const QPoint& screenPoint) const {
  for (const TSeItemView* v = this; v; v = v->parent_view_) {
    if (!v->hot_item_) continue;
    const TRect r = const_cast<TSeItemView*>(v)->GetItemRect(v->hot_item_);
    if (PtInRect(r, v->ScreenToView(screenPoint))) return true;
  }
  return false;
}

void TSeItemView::MouseMoved(const QPoint& screenPoint) {
  if (screenPoint == se::LastMenuMousePos()) return;
  se::LastMenuMousePos() = screenPoint;
  TSeItemView* outer = this;
  while (outer->parent_view_) outer = outer->parent_view_;
  for (TSeItemView* v = outer; v; v = v->child_view_) {
    TSeCustomItem* before = v->hot_item_;
    v->HotTrack(screenPoint);
    if (v != this && v->hot_item_ != before) {
      // An outer level chose another item: the levels inside it close and
      // it opens the new item's menu.
      for (TSeItemView* inner = v->child_view_; inner; inner = inner->child_view_)
        if (inner != this) inner->PostKey(kVkEscape);
      v->PostOpenSubmenu();
      EndLoop();
      return;
    }
  }
}

bool TSeItemView::eventFilter(QObject* watched, QEvent* event) {
  (void)watched;
  if (!tracking_) return false;
  // Nested levels each have a filter; only the innermost running one acts.
  if (child_view_ && child_view_->tracking_) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      if (QApplication::mouseButtons() & Qt::LeftButton) return true;
      const int vk = VirtualKeyFromQt(ke->key());
      switch (vk) {
        case kVkLeft:
        case kVkRight:
        case kVkUp:
        case kVkDown:
        case kVkReturn:
        case kVkEscape:
        case kVkMenu:
        case kVkF10:
          HandleKey(vk);
          return true;
        case kVkTab:
        case kVkSpace:
          return true;
        default:
          break;
      }
      if (!ke->text().isEmpty() && ke->text().at(0).isPrint()) HandleChar(ke->text().at(0));
      return true;
    }
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::Wheel:
      return true;
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(event);
      MouseMoved(me->globalPosition().toPoint());
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(event);
      const QPoint g = me->globalPosition().toPoint();
      if (hot_item_ && PtInRect(GetItemRect(hot_item_), ScreenToView(g))) {
        PostKey(kVkReturn);
        return true;
      }
      if (InHotItemOfChain(g)) {
        // The bar's item of the open menu, pressed again, closes the menus.
        TSeItemView* outer = this;
        while (outer->parent_view_) outer = outer->parent_view_;
        if (outer != this && outer->is_menu_bar_ && outer->hot_item_ &&
            PtInRect(outer->GetItemRect(outer->hot_item_), outer->ScreenToView(g)))
          CancelMenus();
        return true;
      }
      // Outside every menu: all of them close. The press is not passed on
      // while the menus held the mouse.
      CancelMenus();
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      const QPoint g = me->globalPosition().toPoint();
      if (hot_item_ && PtInRect(GetItemRect(hot_item_), ScreenToView(g))) {
        PostKey(kVkReturn);
        return true;
      }
      if (!InHotItemOfChain(g)) CancelMenus();
      return true;
    }
    default:
      return false;
  }
}

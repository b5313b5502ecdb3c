#include "skin/se_tabcontrol.h"

#include <QApplication>
#include <QShowEvent>
#include <algorithm>

#include "platform/core/Exceptions.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"
#include "skin/se_buttons.h"
#include "skin/se_buttons_layout.h"
#include "skin/se_drawing.h"
#include "skin/se_tabsheets.h"

namespace {

bool IsHorizontalStrip(TTabPosition p) { return p == tpTop || p == tpBottom; }

constexpr int VK_TAB = 0x09;

constexpr unsigned kCaptionFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

}  // namespace

struct TSeTabDialogKeys : TSeDialogKeyClient {
  explicit TSeTabDialogKeys(TSeCustomTabControl* c) : control(c) {}
  bool DialogKey(int key, TShiftState shift, QChar text) override { return control->DialogKey(key, shift, text); }
  TSeCustomTabControl* control;
};

// ---- TSeTabStringList ----

void TSeTabStringList::Clear() {
  TQStringList::Clear();
  control_->TabsChanged();
}

void TSeTabStringList::Put(int index, const QString& s) {
  TQStringList::Put(index, s);
  control_->TabsChanged();
}

void TSeTabStringList::InsertItem(int index, const QString& s, void* object) {
  TQStringList::InsertItem(index, s, object);
  control_->TabsChanged();
}

void TSeTabStringList::DeleteItem(int index) {
  TQStringList::DeleteItem(index);
  control_->TabsChanged();
}

void TSeTabStringList::SetUpdateState(bool updating) {
  TQStringList::SetUpdateState(updating);
  control_->updating_ = updating;
  if (!updating) {
    control_->Invalidate();
    control_->TabsChanged();
  }
}

// ---- TSeCustomTabControl: properties ----

TSeCustomTabControl::TSeCustomTabControl(TComponent* owner)
    : TSeCustomControl(owner),
      tabs_(std::make_unique<TSeTabStringList>(this)),
      dialog_keys_(std::make_unique<TSeTabDialogKeys>(this)) {
  SetParentColor(true);
  TSeCustomControl::SetBounds(Left(), Top(), 289, 193);
  SetTabStop(true);
  setMouseTracking(true);
}

TSeCustomTabControl::~TSeCustomTabControl() {
  // Pages freed later by their owner must not call back into this control.
  for (TSeCustomTabSheet* page : pages_) page->tab_control_ = nullptr;
  pages_.clear();
  active_page_ = nullptr;
}

void TSeCustomTabControl::SetTabIndex(int value) {
  if (Loading()) loaded_tab_index_ = value;
  if (value == tab_index_ || value < 0 || value > tabs_->Count() - 1) return;
  const int old = tab_index_;
  tab_index_ = value;
  if (!CanChange()) {
    tab_index_ = old;
    return;
  }
  first_visible_ = Layout().FirstVisibleShowingCurrent();
  RedrawTabs();
  if (use_pages_) {
    SetActivePageIndex(TabIndexToPageIndex(tab_index_));
    Realign();
  } else {
    Change();
  }
}

void TSeCustomTabControl::SetTabPosition(TTabPosition value) {
  if (value == tab_position_) return;
  tab_position_ = value;
  if (!IsHorizontalStrip(value)) multi_line_ = true;
  Invalidate();
  Realign();
  if (TSeCustomTabSheet* page = ActivePage()) page->Invalidate();
}

void TSeCustomTabControl::SetMultiLine(bool value) {
  if (!value && !IsHorizontalStrip(tab_position_))
    throw Exception("MultiLine must be True when TabPosition is tpLeft or tpRight");
  if (value == multi_line_) return;
  multi_line_ = value;
  Realign();
  Invalidate();
}

void TSeCustomTabControl::SetRaggedRight(bool value) {
  if (value == ragged_right_) return;
  ragged_right_ = value;
  Invalidate();
}

void TSeCustomTabControl::SetScrollOpposite(bool value) {
  if (value == scroll_opposite_) return;
  scroll_opposite_ = value;
  if (value) multi_line_ = true;
  Realign();
  Invalidate();
}

void TSeCustomTabControl::SetHotTrack(bool value) {
  if (value == hot_track_) return;
  hot_track_ = value;
  Invalidate();
}

void TSeCustomTabControl::SetTabWidth(int value) {
  if (value == tab_width_) return;
  tab_width_ = value;
  Invalidate();
  Realign();
}

void TSeCustomTabControl::SetTabHeight(int value) {
  if (value == tab_height_) return;
  tab_height_ = value;
  Invalidate();
  Realign();
}

void TSeCustomTabControl::SetOwnerDraw(bool value) {
  if (value == owner_draw_) return;
  owner_draw_ = value;
  Invalidate();
}

void TSeCustomTabControl::SetImages(TImageList* value) {
  if (value == images_) return;
  if (images_) RemoveFreeNotification(images_);
  images_ = value;
  if (images_) FreeNotification(images_);
  Invalidate();
}

void TSeCustomTabControl::Notification(TComponent* component, TOperation operation) {
  TSeCustomControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == images_) images_ = nullptr;
}

// ---- layout ----

int TSeCustomTabControl::CalcTabHeight() const {
  if (tab_height_ >= 1) return tab_height_;
  int h = se::MeasureCanvas(*Font()).TextHeight(QStringLiteral("Pq")) + 4;
  if (images_) h = std::max(h, images_->Height() + 4);
  return h;
}

int TSeCustomTabControl::CalcTabWidth(int index) const {
  if (index < 0 || index >= tabs_->Count()) return 0;
  if (tab_width_ != 0) return tab_width_;
  int w = se::WideTextWidth(se::MeasureCanvas(*Font()), tabs_->Strings(index), 0) + 12;
  if (use_pages_ && images_)
    if (TSeCustomTabSheet* page = GetPage(TabIndexToPageIndex(index)); page && page->ImageIndex() >= 0)
      w += images_->Width();
  int strip = 0;
  switch (tab_position_) {
    case tpTop:
      strip = GetTopSpacing();
      break;
    case tpBottom:
      strip = GetBottomSpacing();
      break;
    case tpLeft:
      strip = GetLeftSpacing();
      break;
    case tpRight:
      strip = GetRightSpacing();
      break;
  }
  return std::max(w, 2 * (CalcTabHeight() + strip));
}

void TSeCustomTabControl::GetArrowSize(TPoint& size) const {
  const int s = Font()->Size() * 2;
  size = {s, s};
}

TSeTabLayout TSeCustomTabControl::Layout() const {
  TSeTabMetrics m;
  m.Width = Width();
  m.Height = Height();
  m.Position = tab_position_;
  m.MultiLine = multi_line_;
  m.RaggedRight = ragged_right_;
  m.ScrollOpposite = scroll_opposite_;
  m.FixedTabWidth = tab_width_;
  m.LeftSpacing = GetLeftSpacing();
  m.TopSpacing = GetTopSpacing();
  m.RightSpacing = GetRightSpacing();
  m.BottomSpacing = GetBottomSpacing();
  m.RowDepth = CalcTabHeight();
  for (int i = 0; i < tabs_->Count(); ++i) m.NaturalWidths.push_back(CalcTabWidth(i));
  GetArrowSize(m.ArrowSize);
  m.TabIndex = tab_index_;
  m.FirstVisible = first_visible_;
  return TSeTabLayout(std::move(m));
}

void TSeCustomTabControl::AlignControls(TRect& client) {
  client = AdjustClientRect();
  TSeCustomControl::AlignControls(client);
}

void TSeCustomTabControl::SetBounds(int left, int top, int width, int height) {
  TSeCustomControl::SetBounds(left, top, width, height);
  if (!multi_line_) return;
  const int rows = GetRowCount();
  if (rows != last_row_count_) {
    last_row_count_ = rows;
    Realign();
    Invalidate();
  }
}

void TSeCustomTabControl::Resize() {
  TSeCustomControl::Resize();
  if (use_pages_)
    if (TSeCustomTabSheet* page = ActivePage()) page->Invalidate();
}

void TSeCustomTabControl::FontChanged() {
  TSeCustomControl::FontChanged();
  Realign();
}

// ---- scrolling and the current tab ----

void TSeCustomTabControl::ScrollTabs(int delta) {
  if (delta == 0) return;
  first_visible_ = tabs_->Count() == 0 ? -1 : Layout().ScrolledFirstVisible(delta);
  RedrawTabs();
}

void TSeCustomTabControl::StartArrowTimer(bool first) {
  if (!arrow_timer_) {
    arrow_timer_ = Create<TTimer>(this);
    arrow_timer_->OnTimer = [this](TTimer*) { ArrowTimerTick(); };
  }
  if (first) ArrowTimerTick();
  arrow_timer_->SetInterval(first ? 300 : 100);
  arrow_timer_->SetEnabled(true);
}

void TSeCustomTabControl::ArrowTimerTick() {
  if (arrow_timer_) arrow_timer_->SetInterval(100);
  try {
    if (LeftArrowDown())
      ScrollTabs(-1);
    else if (RightArrowDown())
      ScrollTabs(1);
  } catch (const std::exception&) {
    // A failed step leaves the strip where it was; the next tick tries again.
  }
}

void TSeCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

bool TSeCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TSeCustomTabControl::DrawTab(int index, const TRect& rect, bool active) {
  if (OnDrawTab) OnDrawTab(this, index, rect, active);
}

void TSeCustomTabControl::TabsChanged() {
  if (tabs_changing_) return;
  tabs_changing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{tabs_changing_};
  const int count = tabs_->Count();
  if (count > 0) {
    if (tab_index_ >= count - 1) tab_index_ = count - 1;
    if (tab_index_ == -1) tab_index_ = 0;
  } else {
    tab_index_ = -1;
  }
  if (use_pages_) {
    if (!Loading()) CreateMissingPages();
    TabsFromPages();
  }
  if (!updating_) {
    RedrawTabs();
    if (use_pages_) Realign();
  }
}

// ---- input ----

void TSeCustomTabControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  const bool left_was = LeftArrowDown();
  const bool right_was = RightArrowDown();
  if (IsOverLeftArrow(x, y)) left_pressed_ = left_hot_ = true;
  if (IsOverRightArrow(x, y)) right_pressed_ = right_hot_ = true;
  if (!left_was && LeftArrowDown()) {
    RedrawTabs();
    StartArrowTimer(true);
    return;
  }
  if (!right_was && RightArrowDown()) {
    RedrawTabs();
    StartArrowTimer(true);
    return;
  }
  const int tab = TabAtPos(x, y);
  if (tab < 0) return;
  if (!Designing() && CanFocus() && !Focused()) SetFocus();
  SetTabIndex(tab);
}

void TSeCustomTabControl::MouseMove(TShiftState shift, int x, int y) {
  TSeCustomControl::MouseMove(shift, x, y);
  const TSeTabLayout layout = Layout();
  const bool left = layout.IsOverLeftArrow(x, y);
  const bool right = layout.IsOverRightArrow(x, y);
  const int hot = layout.TabAtPos(x, y);
  if (left == left_hot_ && right == right_hot_ && hot == hot_tab_) return;
  left_hot_ = left;
  right_hot_ = right;
  hot_tab_ = hot;
  RedrawTabs();
}

void TSeCustomTabControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomControl::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  left_pressed_ = right_pressed_ = false;
  if (arrow_timer_) arrow_timer_->SetEnabled(false);
  RedrawTabs();
}

void TSeCustomTabControl::MouseLeave() {
  TSeCustomControl::MouseLeave();
  if (!left_hot_ && !right_hot_ && hot_tab_ < 0) return;
  left_hot_ = right_hot_ = false;
  hot_tab_ = -1;
  RedrawTabs();
}

void TSeCustomTabControl::KeyDown(int& key, TShiftState shift) {
  TSeCustomControl::KeyDown(key, shift);
  if (key == VK_LEFT || key == VK_UP)
    SetTabIndex(tab_index_ - 1);
  else if (key == VK_RIGHT || key == VK_DOWN)
    SetTabIndex(tab_index_ + 1);
}

void TSeCustomTabControl::SelectNextTab(bool forward) {
  const int count = tabs_->Count();
  if (count < 2) return;
  const int from = std::clamp(tab_index_, 0, count - 1);
  SetTabIndex((from + (forward ? 1 : count - 1)) % count);
}

bool TSeCustomTabControl::DialogKey(int key, TShiftState shift, QChar text) {
  if (!isVisible() || !Enabled()) return false;
  if (key == VK_TAB && (shift & ssCtrl) && !(shift & ssAlt)) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != this && !isAncestorOf(focus))) return false;
    SelectNextTab(!(shift & ssShift));
    return true;
  }
  if (text.isNull() || (shift & ssCtrl) || !CanFocus()) return false;
  for (int i = 0; i < tabs_->Count(); ++i) {
    const QChar accel = AcceleratorOf(tabs_->Strings(i));
    if (!accel.isNull() && accel == text.toLower()) {
      SetTabIndex(i);
      return true;
    }
  }
  return false;
}

void TSeCustomTabControl::showEvent(QShowEvent* event) {
  TSeCustomControl::showEvent(event);
  se::WatchDialogKeys(this, dialog_keys_.get());
}

void TSeCustomTabControl::DoEnter() {
  TSeCustomControl::DoEnter();
  RedrawTabs();
}

void TSeCustomTabControl::DoExit() {
  TSeCustomControl::DoExit();
  RedrawTabs();
}

void TSeCustomTabControl::Loaded() {
  TSeCustomControl::Loaded();
  if (!use_pages_) return;
  SetActivePageIndex(TabIndexToPageIndex(loaded_tab_index_));
  Realign();
}

// ---- painting ----

void TSeCustomTabControl::RedrawTabs() {
  if (!Parent()) return;
  if (Designing() || Performance() != tbpNoBuffer) {
    Invalidate();
    return;
  }
  const TSeTabLayout layout = Layout();
  TRect strip;
  for (int i = 0; i < layout.Count(); ++i) {
    const TRect r = layout.TabRect(i);
    if (strip.IsEmpty()) {
      strip = r;
    } else {
      strip = Rect(std::min(strip.Left, r.Left), std::min(strip.Top, r.Top), std::max(strip.Right, r.Right),
                   std::max(strip.Bottom, r.Bottom));
    }
  }
  if (strip.IsEmpty()) return;
  // Past the tabs by the current tab's growth, and the whole length of the
  // strip for the arrows and the tabs that scrolled away.
  if (IsHorizontalStrip(tab_position_)) {
    strip.Top -= 2;
    strip.Bottom += 2;
    strip.Left = 0;
    strip.Right = Width();
  } else {
    strip.Left -= 2;
    strip.Right += 2;
    strip.Top = 0;
    strip.Bottom = Height();
  }
  InvalidateRect(strip);
}

void TSeCustomTabControl::PaintBackground() {
  // A transparent control had what lies behind it painted by the base.
  TSeCustomControl::PaintBackground();
  PaintTabs(false);
  PaintPageFrame();
  PaintTabs(true);
  if (ArrowsVisible()) {
    PaintLeftArrow();
    PaintRightArrow();
  }
}

void TSeCustomTabControl::PaintTabs(bool currentOnly) {
  const int count = tabs_->Count();
  if (count == 0) return;
  if (currentOnly) {
    if (tab_index_ >= 0 && tab_index_ < count) PaintTab(tab_index_);
    return;
  }
  for (int i : Layout().BackTabs()) PaintTab(i);
}

void TSeCustomTabControl::PaintTab(int index) {
  if (index < 0) return;
  TCanvas& canvas = *Canvas();
  canvas.SetFont(*Font());
  const TSeTabLayout layout = Layout();
  TRect r = layout.TabRect(index);
  const TTabPosition side = layout.TabSide(index);
  if (owner_draw_) {
    DrawTab(index, r, index == tab_index_);
    return;
  }
  PaintTabFace(index, side, r);
  if (use_pages_ && images_)
    if (TSeCustomTabSheet* page = GetPage(TabIndexToPageIndex(index)); page && page->ImageIndex() >= 0) {
      PaintTabImage(index, side, r);
      const int h = CalcTabHeight();
      switch (side) {
        case tpTop:
          r.Left += h;
          break;
        case tpBottom:
        case tpLeft:
          r.Bottom -= h;
          break;
        case tpRight:
          r.Top += h;
          break;
      }
    }
  const int length = IsHorizontalStrip(side) ? r.Width() : r.Height();
  if (length > 8) PaintTabText(index, side, r);
}

void TSeCustomTabControl::PaintTabFace(int index, TTabPosition position, TRect& rect) {
  TCanvas& c = *Canvas();
  if (index == tab_index_) {
    rect = se::GrowRect(rect, 2);
    switch (position) {
      case tpTop:
        rect.Bottom -= 2;
        break;
      case tpBottom:
        rect.Top += 2;
        break;
      case tpLeft:
        rect.Right -= 2;
        break;
      case tpRight:
        rect.Left += 2;
        break;
    }
  }
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
  switch (position) {
    case tpTop:
      se::FillRoundRect(c, Rect(L + 1, T + 1, R - 1, B), 4, clBtnFace);
      se::FillRectColor(c, Rect(L + 1, T + 2, R - 1, B), clBtnFace);
      break;
    case tpBottom:
      se::FillRoundRect(c, Rect(L + 1, T, R - 1, B), 4, clBtnFace);
      se::FillRectColor(c, Rect(L + 1, T + 2, R - 1, B), clBtnFace);
      break;
    case tpLeft:
      se::FillRoundRect(c, Rect(L, T + 1, R, B - 1), 4, clBtnFace);
      se::FillRectColor(c, Rect(L + 2, T + 1, R, B), clBtnFace);
      break;
    case tpRight:
      se::FillRoundRect(c, Rect(L, T + 1, R, B - 1), 4, clBtnFace);
      se::FillRectColor(c, Rect(L, T + 1, R - 2, B - 1), clBtnFace);
      break;
  }
  if (IsFocused() && index == tab_index_) {
    const int ls = GetLeftSpacing(), ts = GetTopSpacing();
    se::DrawFocusRectColor(c, Rect(L + ls + 1, T + ts + 1, R - ls - 1, B - ts - 1), clBtnFace);
  }
  auto line = [&](int x1, int y1, int x2, int y2, TColor color) {
    se::CanvasMoveTo(c, x1, y1);
    se::CanvasLineTo(c, x2, y2, color);
  };
  switch (position) {
    case tpTop:
      line(L + 3, T, R - 3, T, clBtnHighlight);
      line(L, T + 3, L, B - 1, clBtnHighlight);
      line(R - 1, T + 3, R - 1, B - 1, cl3DDkShadow);
      line(R - 2, T + 3, R - 2, B - 1, clBtnShadow);
      line(L, T + 2, L + 3, T - 1, clBtnHighlight);
      line(R - 3, T, R - 2, T + 1, clBtnHighlight);
      line(R - 2, T + 1, R, T + 3, cl3DDkShadow);
      line(R - 2, T + 2, R - 1, T + 2, clBtnShadow);
      break;
    case tpBottom:
      line(L, T, L, B - 3, clBtnHighlight);
      line(R - 1, T + 1, R - 1, B - 3, cl3DDkShadow);
      line(R - 2, T + 1, R - 2, B - 3, clBtnShadow);
      line(L + 3, B - 1, R - 3, B - 1, cl3DDkShadow);
      line(L + 3, B - 2, R - 3, B - 2, clBtnShadow);
      line(L, B - 3, L + 2, B - 1, clBtnHighlight);
      line(L + 2, B - 1, L + 2, B - 2, cl3DDkShadow);
      line(L + 2, B - 2, L + 2, B - 3, clBtnShadow);
      line(R - 1, B - 3, R - 4, B, cl3DDkShadow);
      line(R - 2, B - 3, R - 4, B - 1, clBtnShadow);
      break;
    case tpLeft:
      // The top strip's figure turned: the outer edge is the left one.
      line(L, T + 3, L, B - 3, clBtnHighlight);
      line(L + 3, T, R - 1, T, clBtnHighlight);
      line(L + 3, B - 1, R - 1, B - 1, cl3DDkShadow);
      line(L + 3, B - 2, R - 1, B - 2, clBtnShadow);
      line(L + 2, T, L - 1, T + 3, clBtnHighlight);
      line(L, B - 3, L + 1, B - 2, clBtnHighlight);
      line(L + 1, B - 2, L + 3, B, cl3DDkShadow);
      line(L + 2, B - 2, L + 2, B - 1, clBtnShadow);
      break;
    case tpRight:
      line(L, T, R - 3, T, clBtnHighlight);
      line(R - 1, T + 3, R - 1, B - 3, cl3DDkShadow);
      line(R - 2, T + 3, R - 2, B - 3, clBtnShadow);
      line(L, B - 1, R - 3, B - 1, cl3DDkShadow);
      line(L, B - 2, R - 3, B - 2, clBtnShadow);
      line(R - 3, T, R - 1, T + 2, clBtnHighlight);
      line(R - 1, B - 3, R - 4, B, cl3DDkShadow);
      line(R - 2, B - 3, R - 4, B - 1, clBtnShadow);
      break;
  }
}

void TSeCustomTabControl::PaintTabImage(int index, TTabPosition position, TRect& rect) {
  TRect r = rect;
  if (index == tab_index_) r = se::GrowRect(r, 1);
  TSeCustomTabSheet* page = GetPage(TabIndexToPageIndex(index));
  if (!page || !images_) return;
  const TRect inset = se::GrowRect(r, -3);
  const int h = CalcTabHeight();
  TPoint at{inset.Left, inset.Top};
  if (position == tpLeft) at.Y = inset.Bottom - h;
  if (position == tpRight) at.X = inset.Right - h;
  images_->Draw(*Canvas(), at.X, at.Y, page->ImageIndex(), true);
}

void TSeCustomTabControl::PaintTabText(int index, TTabPosition position, TRect& rect) {
  TCanvas& c = *Canvas();
  c.SetFont(*Font());
  TRect r = rect;
  const bool current = index == tab_index_;
  if (current) r = se::GrowRect(r, 1);
  if (hot_track_ && index == hot_tab_) c.Font().SetColor(clHighlight);
  if (position == tpTop && !current) r.Top += 1;
  if (current) r = se::GrowRect(r, -1);
  const int h = CalcTabHeight();
  TRect band = r;
  switch (position) {
    case tpTop:
      band.Bottom = band.Top + h;
      break;
    case tpBottom:
      band.Top = band.Bottom - h;
      break;
    case tpLeft:
      band.Right = band.Left + h;
      break;
    case tpRight:
      band.Left = band.Right - h;
      break;
  }
  const QString caption = tabs_->Strings(index);
  if (IsHorizontalStrip(position))
    se::DrawWideText(c, caption, band, kCaptionFlags);
  else
    se::DrawVerticalText(c, caption, band, position == tpRight, kCaptionFlags);
}

void TSeCustomTabControl::PaintPageFrame() {
  TCanvas& c = *Canvas();
  const TRect r = GetPageRect();
  se::FillRectColor(c, r, clBtnFace);
  se::DrawBevelRect(c, r, clBtnHighlight, cl3DDkShadow);
  se::DrawBevelRect(c, se::GrowRect(r, -1), clBtnFace, clBtnShadow);
}

void TSeCustomTabControl::PaintLeftArrow() {
  TRect r = Layout().LeftArrowRect();
  DrawFrameControl(*Canvas(), r, DFC_SCROLL, DFCS_SCROLLLEFT | (LeftArrowDown() ? DFCS_PUSHED : 0));
}

void TSeCustomTabControl::PaintRightArrow() {
  TRect r = Layout().RightArrowRect();
  DrawFrameControl(*Canvas(), r, DFC_SCROLL, DFCS_SCROLLRIGHT | (RightArrowDown() ? DFCS_PUSHED : 0));
}

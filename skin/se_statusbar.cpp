#include "skin/se_statusbar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

#include "platform/gui/DrawText.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Painters.h"
#include "skin/se_buttons.h"
#include "skin/se_drawing.h"

// ---- TSeStatusPanel ----

TSeStatusPanel::TSeStatusPanel(TSeStatusPanels* collection) : collection_(collection) {}

TSeStatusPanel::~TSeStatusPanel() { ReleaseControl(); }

int TSeStatusPanel::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TSeStatusPanel::ReleaseControl() {
  TControl* control = control_;
  control_ = nullptr;
  held_ = nullptr;
  if (auto* win = dynamic_cast<TWinControl*>(control)) win->BringToFront();
}

void TSeStatusPanel::Changed(bool all) {
  if (collection_ && collection_->Bar()) collection_->Bar()->PanelChanged(this, all);
}

void TSeStatusPanel::SetMaxWidth(int value) {
  if (value == max_width_) return;
  max_width_ = std::max(0, value);
  if (width_ > max_width_) width_ = max_width_;
  Changed(true);
}

void TSeStatusPanel::SetWidth(int value) {
  value = std::clamp(value, 0, max_width_);
  if (value == width_) return;
  width_ = value;
  Changed(true);
}

void TSeStatusPanel::SetText(const QString& value) {
  if (value == text_) return;
  text_ = value;
  Changed(false);
}

void TSeStatusPanel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Changed(false);
}

void TSeStatusPanel::SetStyle(TSeStatusPanelstyle value) {
  if (value == style_) return;
  style_ = value;
  Changed(false);
}

void TSeStatusPanel::SetImageIndex(int value) {
  if (value == image_index_) return;
  image_index_ = value;
  Changed(false);
}

void TSeStatusPanel::SetMargin(int value) {
  if (value == margin_) return;
  margin_ = value;
  Changed(false);
}

void TSeStatusPanel::SetSpacing(int value) {
  if (value == spacing_) return;
  spacing_ = value;
  Changed(false);
}

void TSeStatusPanel::SetLayout(TSeStatusGliphLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Changed(false);
}

void TSeStatusPanel::SetShowImage(bool value) {
  if (value == show_image_) return;
  show_image_ = value;
  Changed(false);
}

void TSeStatusPanel::SetStretchPriority(int value) {
  value = std::clamp(value, 0, 100);
  if (value == stretch_priority_) return;
  stretch_priority_ = value;
  Changed(true);
}

void TSeStatusPanel::SetViewPriority(int value) {
  value = std::clamp(value, 0, 100);
  if (value == view_priority_) return;
  view_priority_ = value;
  Changed(true);
}

void TSeStatusPanel::SetFramed(bool value) {
  if (value == framed_) return;
  framed_ = value;
  Changed(false);
  if (collection_ && collection_->Bar()) collection_->Bar()->PlaceControl(this);
}

void TSeStatusPanel::SetControl(TControl* value) {
  if (value == control_) return;
  TSeCustomStatusBar* bar = collection_ ? collection_->Bar() : nullptr;
  if (value && bar) {
    for (QWidget* w = bar; w; w = w->parentWidget())
      if (w == value) throw EInvalidOperation("Can't insert own parent");
  }
  if (value && collection_) {
    for (const auto& other : collection_->items_)
      if (other.get() != this && other->control_ == value) {
        other->control_ = nullptr;
        other->held_ = nullptr;
      }
  }
  TControl* previous = control_;
  control_ = value;
  held_ = value;
  if (value && bar && value->Parent() != bar) {
    bar->adopting_ = true;
    value->SetParent(bar);
    bar->adopting_ = false;
  }
  Changed(true);
  if (previous) previous->update();
}

void TSeStatusPanel::Assign(const TSeStatusPanel& source) {
  alignment_ = source.alignment_;
  image_index_ = source.image_index_;
  layout_ = source.layout_;
  margin_ = source.margin_;
  max_width_ = source.max_width_;
  spacing_ = source.spacing_;
  style_ = source.style_;
  show_image_ = source.show_image_;
  text_ = source.text_;
  width_ = source.width_;
  framed_ = source.framed_;
  view_priority_ = source.view_priority_;
  stretch_priority_ = source.stretch_priority_;
  // The control of the same name on this bar's form, when there is one.
  TControl* control = nullptr;
  if (source.control_ && collection_ && collection_->Bar() && collection_->Bar()->Owner()) {
    TComponent* owner = collection_->Bar()->Owner();
    for (int i = 0; i < owner->ComponentCount(); ++i)
      if (auto* c = dynamic_cast<TControl*>(owner->Components(i)); c && c->Name() == source.control_->Name())
        control = c;
  }
  if (control) SetControl(control);
  Changed(true);
}

QString TSeStatusPanel::GetDisplayName() const {
  if (!text_.isEmpty()) return text_;
  if (control_) return QStringLiteral("[ ") + QString::fromStdString(control_->Name()) + QStringLiteral(" ]");
  return QStringLiteral("TSeStatusPanel");
}

// ---- TSeStatusPanels ----

TSeStatusPanels::~TSeStatusPanels() { items_.clear(); }

TSeStatusPanel* TSeStatusPanels::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(index)].get();
}

int TSeStatusPanels::IndexOf(const TSeStatusPanel* panel) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == panel) return static_cast<int>(i);
  return -1;
}

TSeStatusPanel* TSeStatusPanels::Add() {
  std::unique_ptr<TSeStatusPanel> panel = bar_ ? bar_->CreatePanel() : std::make_unique<TSeStatusPanel>(this);
  TSeStatusPanel* added = panel.get();
  items_.push_back(std::move(panel));
  if (bar_) bar_->PanelChanged(added, true);
  return added;
}

void TSeStatusPanels::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  auto panel = std::move(items_[static_cast<std::size_t>(index)]);
  items_.erase(items_.begin() + index);
  if (bar_ && bar_->pressed_panel_ == panel.get()) bar_->pressed_panel_ = nullptr;
  panel.reset();
  if (bar_) bar_->PanelChanged(nullptr, true);
}

void TSeStatusPanels::Clear() {
  if (bar_) bar_->pressed_panel_ = nullptr;
  items_.clear();
  if (bar_) bar_->PanelChanged(nullptr, true);
}

void TSeStatusPanels::Assign(const TSeStatusPanels& source) {
  if (&source == this) return;
  Clear();
  for (const auto& panel : source.items_) Add()->Assign(*panel);
}

// ---- TSeCustomStatusBar ----

TSeCustomStatusBar::TSeCustomStatusBar(TComponent* owner)
    : TSeCustomControl(owner), panels_(std::make_unique<TSeStatusPanels>(this)) {
  SetBevelSides(kbsAllSides);
  SetBevelInner(kbvSpace);
  SetBevelOuter(kbvRaised);
  SetBevelWidth(0);
  SetBorderWidth(2);
  SetThemedBorder(false);
  SetTabStop(false);
  SetHeight(22);
}

TSeCustomStatusBar::~TSeCustomStatusBar() {
  destroying_ = true;
  pressed_panel_ = nullptr;
  panels_.reset();
}

std::unique_ptr<TSeStatusPanel> TSeCustomStatusBar::CreatePanel() {
  TSeStatusPanelClass panelClass = [](TSeStatusPanels* c) { return std::make_unique<TSeStatusPanel>(c); };
  if (OnCreatePanelClass) OnCreatePanelClass(this, panelClass);
  return panelClass(panels_.get());
}

void TSeCustomStatusBar::SetImages(TImageList* value) {
  if (value == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
  Invalidate();
}

void TSeCustomStatusBar::SetSizeGrip(bool value) {
  if (value == size_grip_) return;
  size_grip_ = value;
  Invalidate();
}

void TSeCustomStatusBar::Notification(TComponent* component, TOperation operation) {
  TSeCustomControl::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == images_) {
    images_ = nullptr;
    Invalidate();
  }
}

void TSeCustomStatusBar::PanelChanged(TSeStatusPanel* panel, bool all) {
  if (destroying_) return;
  if (all || !panel) {
    LayoutPanels();
    Invalidate();
    return;
  }
  InvalidateRect(GetPanelRect(panel->Index()));
  if (SizeGripActive()) InvalidateRect(GetSizeGripRect());
}

void TSeCustomStatusBar::LayoutPanels() {
  if (destroying_ || !panels_) return;
  std::vector<TSePanelSizing> sizings;
  for (const auto& p : panels_->items_) sizings.push_back(p->Sizing());
  const auto places = LayoutStatusPanels(sizings, GetBorderClientRect());
  for (std::size_t i = 0; i < places.size(); ++i) panels_->items_[i]->place_ = places[i];
  for (const auto& p : panels_->items_) PlaceControl(p.get());
}

void TSeCustomStatusBar::PlaceControl(TSeStatusPanel* panel) {
  TControl* control = panel->control_;
  if (!control) return;
  control->SetBoundsRect(GetPanelClientRect(panel));
  control->SetVisible(panel->Shown());
}

void TSeCustomStatusBar::AdoptChildren() {
  if (adopting_ || Loading() || destroying_) return;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    bool held = false;
    for (const auto& p : panels_->items_) held = held || p->control_ == child;
    if (held) continue;
    adopting_ = true;
    panels_->Add()->SetControl(child);
    adopting_ = false;
  }
}

void TSeCustomStatusBar::AlignControls(TRect&) {
  if (destroying_) return;
  AdoptChildren();
  LayoutPanels();
}

bool TSeCustomStatusBar::event(QEvent* event) {
  if (event->type() == QEvent::ChildRemoved && panels_ && !destroying_) {
    QObject* gone = static_cast<QChildEvent*>(event)->child();
    for (int i = panels_->Count() - 1; i >= 0; --i)
      if (panels_->Items(i)->held_ == gone) panels_->Delete(i);
  }
  return TSeCustomControl::event(event);
}

void TSeCustomStatusBar::Resize() {
  TSeCustomControl::Resize();
  LayoutPanels();
  Invalidate();
}

void TSeCustomStatusBar::Loaded() {
  TSeCustomControl::Loaded();
  LayoutPanels();
  BringToFront();
}

void TSeCustomStatusBar::FontChanged() {
  TSeCustomControl::FontChanged();
  Invalidate();
}

bool TSeCustomStatusBar::SizeGripActive() const {
  if (!size_grip_) return false;
  auto* form = dynamic_cast<TCustomForm*>(window());
  if (!form || form == static_cast<const QWidget*>(this) || form->WindowState() != wsNormal) return false;
  // In the form's own coordinates: a self-drawn frame's band lies before
  // the client area, which ClientWidth and ClientHeight measure.
  const QPoint corner = mapTo(form, QPoint(Width(), Height()));
  const TRect& band = form->NonClientInsets();
  return corner == QPoint(band.Left + form->ClientWidth(), band.Top + form->ClientHeight());
}

TRect TSeCustomStatusBar::GetPanelRect(int index) const {
  const TSeStatusPanel* panel = panels_->Items(index);
  if (!panel) return {};
  const TRect c = GetBorderClientRect();
  return Rect(panel->Left(), c.Top, panel->Right(), c.Bottom);
}

TRect TSeCustomStatusBar::GetPanelClientRect(const TSeStatusPanel* panel) const {
  TRect r = GetPanelRect(panel->Index());
  InflateRect(r, -1, -1);
  if (panel->Framed()) r.Right -= 2;
  return r;
}

TRect TSeCustomStatusBar::GetSizeGripRect() const {
  TRect c = GetBorderClientRect();
  const TSeStatusPanel* last = panels_->Items(panels_->Count() - 1);
  if (last && last->Framed()) InflateRect(c, -1, -1);
  return Rect(c.Right - GetSystemMetrics(SM_CXVSCROLL), c.Bottom - GetSystemMetrics(SM_CYVSCROLL), c.Right,
              c.Bottom);
}

TSeStatusPanel* TSeCustomStatusBar::PanelAtPos(const TPoint& p) const {
  std::vector<TSePanelSizing> sizings;
  std::vector<TSePanelPlace> places;
  for (const auto& panel : panels_->items_) {
    sizings.push_back(panel->Sizing());
    places.push_back(panel->place_);
  }
  return panels_->Items(StatusPanelAtPos(sizings, places, GetBorderClientRect(), p.X, p.Y));
}

bool TSeCustomStatusBar::HasImage(const TSeStatusPanel* panel) const {
  return panel->ShowImage() && images_ && panel->ImageIndex() >= 0 && panel->ImageIndex() < images_->Count();
}

TPoint TSeCustomStatusBar::GetImageSize(const TSeStatusPanel* panel) const {
  if (!images_ || panel->ImageIndex() < 0 || panel->ImageIndex() >= images_->Count()) return {};
  return {images_->Width(), images_->Height()};
}

TPoint TSeCustomStatusBar::GetTextSize(const TSeStatusPanel* panel) const {
  TCanvas& c = se::MeasureCanvas(*Font());
  int width = c.TextWidth(panel->Text());
  const int room = panel->EffectiveWidth() -
                   (HasImage(panel) ? GetImageSize(panel).X + panel->Spacing() : 0) - 2 * panel->Margin();
  width = std::min(width, std::max(0, room));
  return {width, panel->Text().isEmpty() ? 0 : c.TextHeight(QStringLiteral("Pq"))};
}

namespace {

TSePanelContent ContentOf(const TSeStatusPanel* panel, const TRect& inner, TPoint image, TPoint text) {
  TSePanelContent c;
  c.InnerWidth = inner.Width();
  c.InnerHeight = inner.Height();
  c.Image = image;
  c.Text = text;
  c.Layout = panel->Layout();
  c.Alignment = panel->Alignment();
  c.Margin = panel->Margin();
  c.Spacing = panel->Spacing();
  return c;
}

}  // namespace

TRect TSeCustomStatusBar::GetImageRect(const TSeStatusPanel* panel) const {
  const TPoint image = HasImage(panel) ? GetImageSize(panel) : TPoint{};
  return ContentOf(panel, GetPanelClientRect(panel), image, GetTextSize(panel)).ImageRect();
}

TRect TSeCustomStatusBar::GetTextRect(const TSeStatusPanel* panel) const {
  const TPoint image = HasImage(panel) ? GetImageSize(panel) : TPoint{};
  return ContentOf(panel, GetPanelClientRect(panel), image, GetTextSize(panel)).TextRect();
}

void TSeCustomStatusBar::PaintImage(TSeStatusPanel* panel, const TRect& rect) {
  if (!HasImage(panel)) return;
  TRect r = GetImageRect(panel);
  OffsetRect(r, rect.Left, rect.Top);
  images_->Draw(*Canvas(), r.Left, r.Top, panel->ImageIndex(), true);
}

void TSeCustomStatusBar::PaintText(TSeStatusPanel* panel, const TRect& rect) {
  TCanvas& c = *Canvas();
  TRect t = GetTextRect(panel);
  OffsetRect(t, rect.Left, rect.Top);
  t = IntersectRect(t, rect);
  c.SetFont(PaintFont());
  const QString text = se::GetEllipsisText(c, panel->Text(), t.Width() - 4);
  const unsigned flags = panel->Alignment() == taRightJustify ? DT_RIGHT
                         : panel->Alignment() == taCenter     ? DT_CENTER
                                                              : DT_LEFT;
  se::DrawWideText(c, text, t, flags);
}

void TSeCustomStatusBar::PaintPanel(TSeStatusPanel* panel, const TRect& rect, bool) {
  TCanvas& c = *Canvas();
  const bool clipped = c.HasClipRegion();
  const QRegion saved = c.ClipRegion();
  if (panel->Control()) c.ExcludeClipRect(panel->Control()->BoundsRect());
  se::FillRectColor(c, rect, Color());
  if (panel->Framed()) se::DrawBevelRect(c, rect, clBtnShadow, clBtnHighlight);
  if (panel->Style() == psOwnerDraw) {
    DrawPanel(panel, rect);
  } else {
    PaintText(panel, rect);
    if (panel->ShowImage()) PaintImage(panel, rect);
  }
  c.SelectClipRgn(clipped ? &saved : nullptr);
}

void TSeCustomStatusBar::PaintPanelByIndex(int index) {
  TSeStatusPanel* panel = panels_->Items(index);
  if (!panel) return;
  const TRect r = GetPanelRect(index);
  if (r.IsEmpty()) return;
  TCanvas& c = *Canvas();
  const bool clipped = c.HasClipRegion();
  const QRegion saved = c.ClipRegion();
  c.IntersectClipRect(r);
  PaintPanel(panel, r, index == panels_->Count() - 1);
  c.SelectClipRgn(clipped ? &saved : nullptr);
}

void TSeCustomStatusBar::PaintSizeGrip() {
  TRect r = GetSizeGripRect();
  Canvas()->Brush().SetStyle(bsClear);
  DrawFrameControl(*Canvas(), r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

void TSeCustomStatusBar::PaintFrame() {
  TCanvas& c = *Canvas();
  const bool clipped = c.HasClipRegion();
  const QRegion saved = c.ClipRegion();
  if (panels_->Count() > 0) {
    const TRect client = GetBorderClientRect();
    const TRect area = IntersectRect(Rect(panels_->Items(0)->Left(), client.Top,
                                          panels_->Items(panels_->Count() - 1)->Right(), client.Bottom),
                                     client);
    c.ExcludeClipRect(area);
  }
  TSeCustomControl::PaintBackground();
  c.SelectClipRgn(clipped ? &saved : nullptr);
}

void TSeCustomStatusBar::PaintBackground() {
  PaintFrame();
  for (int i = 0; i < panels_->Count(); ++i) PaintPanelByIndex(i);
  if (SizeGripActive()) PaintSizeGrip();
}

void TSeCustomStatusBar::PanelClick(TSeStatusPanel* panel) {
  if (OnPanelClick) OnPanelClick(this, panel);
}

void TSeCustomStatusBar::PanelDblClick(TSeStatusPanel* panel) {
  if (OnPanelDblClick) OnPanelDblClick(this, panel);
}

void TSeCustomStatusBar::DrawPanel(TSeStatusPanel* panel, const TRect& rect) {
  if (OnDrawPanel) OnDrawPanel(this, panel, rect);
}

void TSeCustomStatusBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    pressed_panel_ = PanelAtPos(Point(x, y));
    if (SizeGripActive() && PtInRect(GetSizeGripRect(), Point(x, y))) {
      // The form sizes from its bottom-right corner, as if grabbed there.
      if (QWindow* handle = window()->windowHandle())
        handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
    }
  }
  TSeCustomControl::MouseDown(button, shift, x, y);
}

void TSeCustomStatusBar::MouseMove(TShiftState shift, int x, int y) {
  SetCursor(SizeGripActive() && PtInRect(GetSizeGripRect(), Point(x, y)) ? crSizeNWSE : crDefault);
  TSeCustomControl::MouseMove(shift, x, y);
}

void TSeCustomStatusBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSeStatusPanel* pressed = pressed_panel_;
  pressed_panel_ = nullptr;
  QPointer<TSeCustomStatusBar> self(this);
  if (button == mbLeft && pressed && PanelAtPos(Point(x, y)) == pressed) PanelClick(pressed);
  if (self) TSeCustomControl::MouseUp(button, shift, x, y);
}

void TSeCustomStatusBar::DblClick() {
  QPointer<TSeCustomStatusBar> self(this);
  TSeCustomControl::DblClick();
  if (!self) return;
  const QPoint at = mapFromGlobal(QCursor::pos());
  if (TSeStatusPanel* panel = PanelAtPos(Point(at.x(), at.y()))) PanelDblClick(panel);
}

#include "skin/se_skinmenus.h"

#include <algorithm>

#include "platform/gui/DrawText.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/Painters.h"
#include "skin/se_binding_controls.h"
#include "skin/se_bitmap.h"
#include "skin/se_controlbar.h"
#include "skin/se_drawing.h"
#include "skin/se_engine.h"
#include "skin/se_form.h"
#include "skin/se_skinobject.h"

namespace {

// A usable skin: not being read, and holding objects.
bool SkinReady(TSeSkinEngine* engine) {
  return engine && !engine->Source().Loading() && engine->Source().Count() > 0;
}

TSeObjectState ItemState(bool selected, bool hover) {
  if (!selected) return osNormal;
  return hover ? osHot : osFocused;
}

// The platform's submenu arrow, drawn into a scratch picture of the
// 22-pixel column at the item's right edge and set in the colour of the
// item's text.
void PaintSubmenuArrow(TCanvas& canvas, const TRect& rect, TColor color) {
  constexpr int kColumn = 22;
  const int h = rect.Height();
  if (h < 1 || rect.Width() < kColumn) return;
  TSeBitmap scratch;
  scratch.SetSize(kColumn, h);
  TRect r = Rect(0, 0, kColumn, h);
  se::FillRectColor(scratch.Canvas(), r, clWhite);
  DrawFrameControl(scratch.Canvas(), r, DFC_MENU, DFCS_MENUARROW);
  const TColor white = scratch.Canvas().Pixel(0, 0);
  const int left = rect.Right - kColumn;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < kColumn; ++x)
      if (scratch.Canvas().Pixel(x, y) != white) canvas.SetPixel(left + x, rect.Top + y, color);
}

// The check mark of an item without an image: two polylines around a point
// left of the image area's centre.
void PaintCheckMark(TCanvas& canvas, const TRect& area, TColor color) {
  const int cx = (area.Left + area.Right) / 2 - 2;
  const int cy = (area.Top + area.Bottom) / 2 + 1;
  const TPoint first[] = {{cx - 2, cy - 2}, {cx, cy},         {cx + 4, cy - 4}, {cx + 4, cy - 3},
                          {cx, cy + 1},     {cx - 2, cy - 1}, {cx - 2, cy - 2}};
  const TPoint second[] = {
      {cx - 3, cy - 2}, {cx - 3, cy - 1}, {cx, cy + 2}, {cx + 5, cy - 3}, {cx + 5, cy - 5}};
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetColor(color);
  canvas.Polyline(first);
  canvas.Polyline(second);
}

}  // namespace

// ---- TSeSkinItem ----------------------------------------------------------

TSeSkinItem::TSeSkinItem(TComponent* owner) : TSeCustomItem(owner) {}

void TSeSkinItem::SetSkinEngine(TSeSkinEngine* engine) {
  if (engine != engine_) {
    if (engine_) RemoveFreeNotification(engine_);
    engine_ = engine;
    if (engine_) FreeNotification(engine_);
  }
  for (int i = 0; i < Count(); ++i)
    if (auto* child = dynamic_cast<TSeSkinItem*>(Items(i))) child->SetSkinEngine(engine);
}

void TSeSkinItem::Notification(TComponent* component, TOperation operation) {
  TSeCustomItem::Notification(component, operation);
  if (operation == TOperation::opRemove && component == engine_) engine_ = nullptr;
}

TSeSkinObject* TSeSkinItem::FindIn(TSeSkinObject* parent, const char* name) const {
  return parent ? parent->FindObjectByName(name) : nullptr;
}

TSeSkinObject* TSeSkinItem::MenuBarObject() const {
  return SkinReady(engine_) ? engine_->Source().GetObjectByName("MenuBar") : nullptr;
}

TSeSkinObject* TSeSkinItem::PopupMenuObject() const {
  return SkinReady(engine_) ? engine_->Source().GetObjectByName("PopupMenu") : nullptr;
}

TSeSkinObject* TSeSkinItem::BarItemObject() const {
  return FindIn(MenuBarObject(), ToolbarStyle() ? "ToolbarItem" : "Item");
}

TSeSkinObject* TSeSkinItem::PopupItemObject() const { return FindIn(PopupMenuObject(), "Item"); }

TSeSkinObject* TSeSkinItem::SeparatorObject() const { return FindIn(PopupMenuObject(), "Separator"); }

bool TSeSkinItem::UseSkin() const {
  if (Destroying() || Loading()) return false;
  return MenuBarObject() && PopupMenuObject();
}

TSePopupWindow* TSeSkinItem::CreatePopupWindow(TComponent* owner, TSeItemView* parentView) {
  return TSeSkinPopupWindow::CreateFor(owner, this, parentView);
}

void TSeSkinItem::MeasureItem(TCanvas& canvas, TSeItemView& view, int& width, int& height) {
  if (!UseSkin()) return TSeCustomItem::MeasureItem(canvas, view, width, height);
  if (view.IsMenuBar()) {
    TSeSkinObject* object = BarItemObject();
    if (!object) return TSeCustomItem::MeasureItem(canvas, view, width, height);
    canvas.SetFont(object->GetFont());
    width = se::WideTextWidth(canvas, Caption(), 0) + object->TextMarginLeft() + object->TextMarginRight();
    height = object->Height();
    if (Kind() != 0) width = height;
    return;
  }
  TSeSkinObject* object = PopupItemObject();
  if (!object) return TSeCustomItem::MeasureItem(canvas, view, width, height);
  canvas.SetFont(object->GetFont());
  const int area = GetImageAreaWidth();
  width = se::WideTextWidth(canvas, Caption(), 0) + area + 20 +
          (ShortCut() != 0 ? se::WideTextWidth(canvas, ShortCutToText(ShortCut()), 0) : 0) + 22;
  height = object->Height();
  if (!IsSeparator() && area - 4 > height) height = area + 4;
}

void TSeSkinItem::PaintItem(TCanvas& canvas, TSeItemView& view, const TRect& rect, bool selected,
                            bool hover) {
  if (!UseSkin()) return TSeCustomItem::PaintItem(canvas, view, rect, selected, hover);
  const TSeObjectState state = ItemState(selected, hover);
  if (view.IsMenuBar()) {
    if (!BarItemObject()) return TSeCustomItem::PaintItem(canvas, view, rect, selected, hover);
    return PaintBarItem(canvas, rect, state);
  }
  if (!PopupItemObject()) return TSeCustomItem::PaintItem(canvas, view, rect, selected, hover);
  PaintPopupItem(canvas, rect, state);
}

void TSeSkinItem::PaintBarItem(TCanvas& canvas, const TRect& rect, TSeObjectState state) {
  TSeSkinObject* bar = MenuBarObject();
  const int kind = Kind();
  if (kind >= 1 && kind <= 3) {
    static const char* const kButtons[] = {"Close", "Restore", "Min"};
    TSeSkinObject* button = FindIn(bar, kButtons[kind - 1]);
    if (!button) return;
    TRect r = Rect(0, 0, button->Width(), button->Height());
    se::CenterRect(r, rect);
    se::DrawSkinPart(button, canvas, r, state);
    return;
  }
  TSeSkinObject* object = BarItemObject();
  canvas.SetFont(object->GetFont());
  object->SetBoundsRect(rect);
  object->SetText(Caption());
  object->SetShortCutText({});
  object->SetState(state);
  object->SetEnabled(Enabled());
  object->Draw(canvas);
  if (kind == 4) {
    TSeCustomForm* frame = MDIForm();
    TRect box = Rect(0, 0, 16, 16);
    se::CenterRect(box, rect);
    if (frame) se::DrawIconCentered(canvas, box, frame->GetFormIcon());
  }
}

void TSeSkinItem::PaintPopupItem(TCanvas& canvas, const TRect& rect, TSeObjectState state) {
  TSeSkinObject* object = PopupItemObject();
  canvas.SetFont(object->GetFont());
  object->SetBoundsRect(rect);
  object->SetText(Caption());
  object->SetState(state);
  if (IsSeparator()) {
    object->SetState(osNormal);
    object->SetShortCutText({});
    if (TSeSkinObject* separator = SeparatorObject()) {
      // Across the whole item, at the separator's own height in the middle:
      // a line picture stretched to the item's height would be a band.
      TRect r = rect;
      if (separator->Height() > 0 && separator->Height() < rect.Height()) {
        r.Top = rect.Top + (rect.Height() - separator->Height()) / 2;
        r.Bottom = r.Top + separator->Height();
      }
      se::DrawSkinPart(separator, canvas, r, osNormal);
    } else {
      object->SetEnabled(true);
      object->Draw(canvas);
    }
    return;
  }
  object->SetEnabled(Enabled());
  object->SetShortCutText(ShortCut() != 0 ? ShortCutToText(ShortCut()) : QString());
  const int area = GetImageAreaWidth();
  // Raised on the shared object, so every item of the skin keeps the wider
  // image column from now on.
  if (area > object->TextMarginLeft()) object->SetTextMarginLeft(area);
  object->Draw(canvas);
  const TColor textColor = canvas.Font().Color();

  TImageList* images = GetImages();
  const bool hasImage = images && ImageIndex() >= 0;
  if (Checked() || hasImage) {
    const TRect areaRect = Rect(rect.Left, rect.Top, rect.Left + area, rect.Bottom);
    if (!hasImage) {
      PaintCheckMark(canvas, areaRect, textColor);
    } else if (ImageIndex() < images->Count()) {
      images->Draw(canvas, areaRect.Left + (areaRect.Width() - images->Width()) / 2,
                   areaRect.Top + (areaRect.Height() - images->Height()) / 2, ImageIndex(), Enabled());
    }
  }
  if (Count() > 0) PaintSubmenuArrow(canvas, rect, textColor);
}

void TSeSkinItem::PaintScrollButton(TCanvas& canvas, TSeItemView& view, const TRect& rect, int which,
                                    bool pressed) {
  TSeSkinObject* object = UseSkin() ? PopupItemObject() : nullptr;
  if (!object) return TSeCustomItem::PaintScrollButton(canvas, view, rect, which, pressed);
  // A private clone: the shared item object keeps its text and state.
  std::unique_ptr<TSeSkinObject> button = CloneSkinObject(*object);
  button->SetText({});
  button->SetShortCutText({});
  se::DrawSkinPart(button.get(), canvas, rect, pressed ? osFocused : osNormal);
  canvas.SetFont(button->GetFont());
  button.reset();
  TRect box = Rect(0, 0, 7, 4);
  se::CenterRect(box, rect);
  const int mid = (box.Left + box.Right - 1) / 2;
  const TColor color = canvas.Font().Color();
  if (which == 1) {
    const TPoint up[] = {{box.Left, box.Bottom - 1}, {box.Right - 1, box.Bottom - 1}, {mid, box.Top}};
    se::FillPolygon(canvas, up, color);
  } else {
    const TPoint down[] = {{box.Left, box.Top}, {box.Right - 1, box.Top}, {mid, box.Bottom - 1}};
    se::FillPolygon(canvas, down, color);
  }
}

namespace se {
void SetItemsSkinEngine(TSeCustomItem* root, TSeSkinEngine* engine) {
  if (!root) return;
  if (auto* skinned = dynamic_cast<TSeSkinItem*>(root)) return skinned->SetSkinEngine(engine);
  for (int i = 0; i < root->Count(); ++i) SetItemsSkinEngine(root->Items(i), engine);
}
}  // namespace se

// ---- TSeSkinPopupForm -----------------------------------------------------

TSeSkinEngine* TSeSkinPopupForm::Engine() const {
  auto* window = dynamic_cast<TSeSkinPopupWindow*>(Owner());
  return window ? window->SkinEngine() : nullptr;
}

TSeSkinObject* TSeSkinPopupForm::PopupObject() const {
  TSeSkinEngine* engine = Engine();
  return SkinReady(engine) ? engine->Source().GetObjectByName("PopupMenu") : nullptr;
}

bool TSeSkinPopupForm::UseSkin() const { return !Destroying() && PopupObject() != nullptr; }

TRect TSeSkinPopupForm::ClientInsets() {
  TSeSkinObject* popup = UseSkin() ? PopupObject() : nullptr;
  if (!popup) return TSePopupForm::ClientInsets();
  if (TSeSkinObject* frame = popup->FindObjectByName("Frame"))
    return Rect(frame->MarginLeft(), frame->MarginTop(), frame->MarginRight(), frame->MarginBottom());
  return Rect(3, 3, 3, 3);
}

void TSeSkinPopupForm::PaintNonClient(TCanvas& canvas) {
  TSeSkinObject* popup = UseSkin() ? PopupObject() : nullptr;
  if (!popup) return TSePopupForm::PaintNonClient(canvas);
  se::DrawSkinPart(popup->FindObjectByName("Frame"), canvas, Rect(0, 0, FrameWidth(), FrameHeight()));
}

void TSeSkinPopupForm::PaintBackground(TCanvas& canvas) {
  TSeSkinObject* popup = UseSkin() ? PopupObject() : nullptr;
  if (!popup || popup->Color() == clNone) return TSePopupForm::PaintBackground(canvas);
  // The skin's own menu colour behind the items, so that its text colours
  // always read against the colour they were chosen for.
  se::FillRectColor(canvas, GetClientBounds(), popup->Color());
  auto* window = dynamic_cast<TSePopupWindow*>(Form());
  if (window && window->View()) window->View()->PaintItems(canvas);
}

// ---- TSeSkinPopupWindow ---------------------------------------------------

TSeSkinPopupWindow::TSeSkinPopupWindow(TComponent* owner, TSeSkinEngine* engine)
    : TSePopupWindow(owner), engine_(engine) {
  if (engine_) FreeNotification(engine_);
}

TSeSkinPopupWindow* TSeSkinPopupWindow::CreateFor(TComponent* owner, TSeSkinItem* item,
                                                  TSeItemView* parentView) {
  auto* window = new TSeSkinPopupWindow(owner, item->SkinEngine());
  window->Init();
  window->Setup(item, parentView);
  return window;
}

TSePopupForm* TSeSkinPopupWindow::CreatePopupForm() { return Create<TSeSkinPopupForm>(this); }

void TSeSkinPopupWindow::Notification(TComponent* component, TOperation operation) {
  TSePopupWindow::Notification(component, operation);
  if (operation == TOperation::opRemove && component == engine_) engine_ = nullptr;
}

// ---- TSeSkinMenuBar -------------------------------------------------------

TSeSkinMenuBar::TSeSkinMenuBar(TComponent* owner)
    : TSeCustomMenuBar(owner), binding_(Create<TSeSkinBinding>(this, "MenuBar")) {
  binding_->OnBind = [this] { Bound(); };
}

void TSeSkinMenuBar::SetSkinEngine(TSeSkinEngine* engine) {
  se::SetItemsSkinEngine(Items(), engine);
  binding_->SetSkinEngine(engine);
}

void TSeSkinMenuBar::Bound() {
  se::SetItemsSkinEngine(Items(), binding_->SkinEngine());
  if (binding_->SkinCopy()) {
    binding_->SkinCopy()->SetOwnerControl(this);
    if (TSeSkinObject* frame = binding_->Find("Frame"); frame && frame->Height() > 0)
      SetHeight(frame->Height());
  }
  // The items measure anew: the skin's fonts and heights replace the plain ones.
  const TRect r = GetItemsRect();
  View()->SetOrigin({r.Left, r.Top});
  View()->UpdateLayout();
  Invalidate();
}

TSeCustomItem* TSeSkinMenuBar::CreateItem() {
  auto* item = new TSeSkinItem(nullptr);
  item->SetSkinEngine(binding_->SkinEngine());
  return item;
}

void TSeSkinMenuBar::Dispatch(TMessage& message) {
  if (binding_->Dispatch(message)) return;
  TSeCustomMenuBar::Dispatch(message);
}

void TSeSkinMenuBar::Loaded() {
  TSeCustomMenuBar::Loaded();
  binding_->SetSkinEngine(binding_->SkinEngine());
}

void TSeSkinMenuBar::ItemsChanged() {
  se::SetItemsSkinEngine(Items(), binding_->SkinEngine());
  TSeCustomMenuBar::ItemsChanged();
}

TRect TSeSkinMenuBar::GetItemsRect() {
  // The space below the items is the frame's bottom margin on the bar as
  // it stands: measured against the object's own height, a bar bound while
  // it had no items would stay as low as its margins for good.
  if (binding_->UseSkin(true))
    if (TSeSkinObject* frame = binding_->Find("Frame"))
      return Rect(frame->MarginLeft(), frame->MarginTop(), frame->Width() - frame->MarginRight(),
                  Height() - frame->MarginBottom());
  return TSeCustomMenuBar::GetItemsRect();
}

void TSeSkinMenuBar::PaintBackground() {
  if (!binding_->UseSkin()) return TSeCustomMenuBar::PaintBackground();
  TCanvas& canvas = *Canvas();
  const bool onControlBar = dynamic_cast<TSeCustomControlBar*>(Parent()) != nullptr;
  TSeSkinObject* frame = binding_->Find(onControlBar ? "ToolbarFrame" : "Frame");
  // The frame spans the bar; a skin object keeps its own size otherwise.
  se::DrawSkinPart(frame, canvas, Rect(0, 0, Width(), Height()));
  const TRect r = GetItemsRect();
  View()->SetOrigin({r.Left, r.Top});
  View()->PaintItems(canvas);
}

// ---- TSeSkinPopupMenu -----------------------------------------------------

TSeSkinPopupMenu::TSeSkinPopupMenu(TComponent* owner) : TSeCustomPopupMenu(owner) {
  ReplaceRootItem(new TSeSkinItem(nullptr));
}

void TSeSkinPopupMenu::SetSkinEngine(TSeSkinEngine* engine) {
  if (engine != engine_) {
    if (engine_) RemoveFreeNotification(engine_);
    engine_ = engine;
    if (engine_) FreeNotification(engine_);
  }
  se::SetItemsSkinEngine(Items(), engine_);
}

void TSeSkinPopupMenu::Popup(int x, int y) {
  se::SetItemsSkinEngine(Items(), engine_);
  TSeCustomPopupMenu::Popup(x, y);
}

void TSeSkinPopupMenu::Loaded() {
  TSeCustomPopupMenu::Loaded();
  se::SetItemsSkinEngine(Items(), engine_);
}

void TSeSkinPopupMenu::Notification(TComponent* component, TOperation operation) {
  TSeCustomPopupMenu::Notification(component, operation);
  if (operation == TOperation::opRemove && component == engine_) {
    engine_ = nullptr;
    se::SetItemsSkinEngine(Items(), nullptr);
  }
}

namespace se {

TSeCustomPopupMenu* MakeSkinContextMenu(TComponent* owner, TSeSkinEngine* engine) {
  auto* menu = Create<TSeSkinPopupMenu>(owner);
  menu->SetSkinEngine(engine);
  return menu;
}

void BindSkinContextMenu(TSeCustomPopupMenu* menu, TSeSkinEngine* engine) {
  if (auto* skinned = dynamic_cast<TSeSkinPopupMenu*>(menu)) skinned->SetSkinEngine(engine);
}

}  // namespace se

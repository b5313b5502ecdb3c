#include "skin/se_binding_lists.h"

#include "platform/gui/DrawText.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_drawing.h"
#include "skin/se_engine.h"
#include "skin/se_skinmenus.h"

namespace se {

TRect SkinFrameRect(const TSeSkinObject& frame, const TRect& inner, int width, int height) {
  if (inner != Rect(0, 0, width, height)) return Rect(0, 0, width, height);
  return Rect(-frame.MarginLeft(), -frame.MarginTop(), width + frame.MarginRight(), height + frame.MarginBottom());
}

}  // namespace se

// --- TSeSkinListBox ------------------------------------------------------------

TSeSkinListBox::TSeSkinListBox(TComponent* owner) : TSeSkinned(owner, "ListBox") { skin_while_loading_ = true; }

TSeCustomScrollBar* TSeSkinListBox::CreateScrollBar(TComponent* owner) {
  auto* bar = Create<TSeSkinScrollBar>(owner);
  bar->SetSkinEngine(SkinEngine());
  return bar;
}

void TSeSkinListBox::Bound() {
  if (auto* bar = dynamic_cast<TSeSkinScrollBar*>(ScrollBar())) bar->SetSkinEngine(SkinEngine());
  if (Copy()) SetTransparent(se::SkinObjectMasked(FindOrCopy("Frame")));
  // A list left at the default item height takes the default of its new
  // look; a height set by the program stays.
  if (ItemHeight() == default_item_height_) SetItemHeight(GetDefaultItemHeight());
  default_item_height_ = GetDefaultItemHeight();
  // The inner rectangle, the bar's width and the rows may have changed.
  UpdateScrollBar();
}

int TSeSkinListBox::GetDefaultItemHeight() const {
  const int plain = TSeCustomListBox::GetDefaultItemHeight();
  return UseSkin() ? plain + 6 : plain;
}

TRect TSeSkinListBox::GetBorderClientRect() const {
  if (!UseSkin()) return TSeCustomListBox::GetBorderClientRect();
  const TSeSkinObject* frame = FindOrCopy("Frame");
  return Rect(frame->MarginLeft(), frame->MarginTop(), PaintedWidth() - frame->MarginRight(),
              PaintedHeight() - frame->MarginBottom());
}

void TSeSkinListBox::PaintBorder() {
  if (!UseSkin()) return TSeCustomListBox::PaintBorder();
  se::DrawSkinPart(FindOrCopy("Frame"), *Canvas(), Rect(0, 0, PaintedWidth(), PaintedHeight()), StandardState());
}

void TSeSkinListBox::PaintItemsBackground() {
  if (!UseSkin()) return TSeCustomListBox::PaintItemsBackground();
  TSeSkinObject* frame = FindOrCopy("Frame");
  const TRect inner = GetBorderClientRect();
  TSeObjectState state = Enabled() ? osNormal : osDisabled;
  if (Enabled() && MouseInControl()) state = osHot;
  // Only the centre: the ring keeps the focused look PaintBorder gave it.
  TCanvas& c = *Canvas();
  const bool clipped = c.HasClipRegion();
  const QRegion saved = c.ClipRegion();
  c.IntersectClipRect(inner);
  se::DrawSkinPart(frame, c, se::SkinFrameRect(*frame, inner, PaintedWidth(), PaintedHeight()), state);
  c.SelectClipRgn(clipped ? &saved : nullptr);
}

void TSeSkinListBox::PaintCheckBox(int index, const TRect& rect) {
  if (!UseSkin()) return TSeCustomListBox::PaintCheckBox(index, rect);
  const TSeCheckState check = GetState(index);
  TSeSkinObject* mark = Find(check == csChecked ? "Checked" : check == csGrayed ? "Mixed" : "Unchecked");
  if (!mark) return TSeCustomListBox::PaintCheckBox(index, rect);
  se::DrawSkinPart(mark, *Canvas(), rect, !Enabled() ? osDisabled : index == HotItem() ? osHot : osNormal);
}

TSeObjectState TSeSkinListBox::ItemState(int index) {
  if (!Enabled()) return osDisabled;
  if (GetSelected(index)) return IsFocused() ? osFocused : osPressed;
  return osNormal;
}

void TSeSkinListBox::PaintItem(TCanvas& canvas, int index, const TRect& rect) {
  TSeSkinObject* item = UseSkin() ? Find("Item") : nullptr;
  if (!item) return TSeCustomListBox::PaintItem(canvas, index, rect);
  const QString text = index >= 0 && index < Items()->Count() ? Items()->Strings(index) : QString();
  TRect t = rect;
  t.Left += 2;
  const auto draw = [&](TSeObjectState state) {
    item->SetState(state);
    item->SetBoundsRect(rect);
    canvas.SetFont(item->GetFont());
    item->Draw(canvas);
  };
  switch (ListStyle()) {
    case lbOwnerDrawFixed:
    case lbOwnerDrawVariable:
      if (OnDrawItem) return TSeCustomListBox::PaintItem(canvas, index, rect);
      [[fallthrough]];
    case lbStandard: {
      const bool separator = text == QLatin1String("-");
      // A "-" item is the object's own separator line, never selected.
      item->SetText(separator ? text : QString());
      draw(separator ? osNormal : ItemState(index));
      item->SetText(QString());
      if (separator) return;
      const unsigned flags = WordWrap() ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
      se::DrawWideText(canvas, text, t, flags | DT_NOPREFIX);
      return;
    }
    case lbFonts:
    case lbFontSamples: {
      draw(ItemState(index));
      if (ListStyle() == lbFontSamples) canvas.Font().SetName(text);
      const auto bits = reinterpret_cast<std::uintptr_t>(Items()->Objects(index));
      TSeBitmap& mark = se::TrueTypeGlyph();
      if (!mark.Empty() && (bits & 4)) {
        TRect box{0, 0, mark.Width(), mark.Height()};
        se::CenterRect(box, TRect{t.Left, t.Top, t.Left + 18, t.Bottom});
        mark.Draw(canvas, box.Left, box.Top, true);
      }
      TRect r{t.Left + 22, t.Top, t.Right, t.Bottom};
      se::DrawWideText(canvas, text, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      return;
    }
    case lbColors: {
      draw(ItemState(index));
      TRect swatch = se::GrowRect(t, -4);
      se::FillRectColor(canvas, swatch, se::ListItemColor(text));
      se::DrawFrameRect(canvas, swatch, clBlack);
      return;
    }
    case lbColorNames: {
      draw(ItemState(index));
      TRect swatch{0, 0, 20, 14};
      se::CenterRect(swatch, TRect{t.Left, t.Top, t.Left + 20, t.Bottom});
      se::FillRectColor(canvas, swatch, se::ListItemColor(text));
      se::DrawFrameRect(canvas, swatch, clBlack);
      QString name = text;
      if (name.contains(QLatin1String("cl"))) name.remove(0, 2);
      TRect r{t.Left + 24, t.Top, t.Right, t.Bottom};
      se::DrawWideText(canvas, name, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      return;
    }
  }
}

// --- TSeSkinComboBox -----------------------------------------------------------

TSeSkinComboBox::TSeSkinComboBox(TComponent* owner) : TSeSkinned(owner, "ComboBox") { skin_while_loading_ = true; }

TSeCustomListBox* TSeSkinComboBox::CreateListBox(TComponent* owner) {
  auto* list = Create<TSeSkinListBox>(owner);
  list->SetSkinEngine(SkinEngine());
  return list;
}

void TSeSkinComboBox::ShowList() {
  if (auto* list = dynamic_cast<TSeSkinListBox*>(ListBox())) list->SetSkinEngine(SkinEngine());
  TSeCustomComboBox::ShowList();
}

void TSeSkinComboBox::Bound() {
  se::BindSkinContextMenu(ContextMenu(), SkinEngine());
  if (auto* list = dynamic_cast<TSeSkinListBox*>(ListBox())) list->SetSkinEngine(SkinEngine());
  if (!Copy()) return PlainFontBack();
  TakeSkinFont(FindOrCopy("Text")->GetFont());
  if (TSeSkinObject* button = Find("Button")) button_width_ = button->Width();
}

TSeCustomPopupMenu* TSeSkinComboBox::CreatePopupMenu(TComponent* owner) {
  return se::MakeSkinContextMenu(owner, SkinEngine());
}

TSeCustomItem* TSeSkinComboBox::CreateMenuItem(TComponent* owner) { return new TSeSkinItem(owner); }

int TSeSkinComboBox::GetButtonWidth() const {
  return UseSkin() && button_width_ != 0 ? button_width_ : TSeCustomComboBox::GetButtonWidth();
}

TSeObjectState TSeSkinComboBox::ButtonState() const {
  if (!Enabled()) return osDisabled;
  if (ButtonPressed() || DroppedDown()) return osPressed;
  if (ButtonHot()) return osHot;
  return IsFocused() ? osFocused : osNormal;
}

void TSeSkinComboBox::PaintBorder() {
  if (!UseSkin()) return TSeCustomComboBox::PaintBorder();
  se::DrawSkinPart(FindOrCopy("Frame"), *Canvas(), Rect(0, 0, PaintedWidth(), PaintedHeight()), StandardState());
}

void TSeSkinComboBox::PaintEditBackground(const TRect& rect, TCanvas& canvas) {
  if (!UseSkin()) return TSeCustomComboBox::PaintEditBackground(rect, canvas);
  TSeSkinObject* frame = FindOrCopy("Frame");
  se::DrawSkinPart(frame, canvas, se::SkinFrameRect(*frame, GetBorderClientRect(), PaintedWidth(), PaintedHeight()),
                   StandardState());
  se::DrawSkinPart(Find("Button"), canvas, GetButtonRect(), ButtonState());
  if (ComboStyle() == kcsDropDownList) PaintListItemText(se::GrowRect(rect, 1));
}

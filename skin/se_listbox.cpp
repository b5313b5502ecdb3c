#include "skin/se_listbox.h"

#include <QFontDatabase>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>

#include "platform/gui/Canvas.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"
#include "skin/se_drawing.h"
#include "skin/se_editcore.h"
#include "skin/se_filer.h"
#include "skin/se_scrollbar.h"

namespace se {

namespace {

TSeBitmap& GlyphStore() {
  static TSeBitmap glyph;
  return glyph;
}

}  // namespace

// Two overlapping serif "T"s, the second dark over the first grey, on
// magenta: 12 x 12 pixels, drawn here so that no picture file is needed.
void LoadTrueTypeGlyph() {
  TSeBitmap& glyph = GlyphStore();
  if (!glyph.Empty()) return;
  static const char* const rows[] = {
      "aaaaaaa.....",  //
      "a..a..a.....",  //
      "...a........",  //
      "...a.bbbbbbb",  //
      "...a.b..b..b",  //
      "...a....b...",  //
      "..aaa...b...",  //
      "........b...",  //
      "........b...",  //
      "........b...",  //
      ".......bbb..",  //
      "............",
  };
  glyph.SetSize(12, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const char c = rows[y][x];
      *glyph.PixelPtr(x, y) = c == 'a' ? 0xFF808080u : c == 'b' ? 0xFF000000u : 0xFFFF00FFu;
    }
  glyph.SetAlphaBlend(true);
  glyph.SetTransparentColor(0xFFFF00FFu);
}

TSeBitmap& TrueTypeGlyph() { return GlyphStore(); }

}  // namespace se

TColor se::ListItemColor(const QString& text) {
  TColor color = clBlack;
  if (se::IdentToColor(text.toStdString(), color)) return color;
  bool ok = false;
  const QString t = text.trimmed();
  const long long v = t.startsWith(QLatin1Char('$')) ? t.mid(1).toLongLong(&ok, 16) : t.toLongLong(&ok, 10);
  return ok ? TColor(v) : clBlack;
}

TSeCustomListBox::TSeCustomListBox(TComponent* owner)
    : TSeCustomControl(owner), core_(*this), measure_(std::make_unique<TCanvas>()) {
  SetPerformance(tbpDoubleBuffer);
  SetColor(clWindow);
  SetParentColor(false);
  SetBevelKind(kbkSingle);
  SetBevelWidth(1);
  SetBorderWidth(0);
  SetTabStop(true);
  setMouseTracking(true);
  SetBounds(0, 0, 121, 97);
}

void TSeCustomListBox::Init() {
  TSeCustomControl::Init();
  scroll_bar_ = CreateScrollBar(this);
  scroll_bar_->SetParent(this);
  scroll_bar_->SetKind(sbVertical);
  scroll_bar_->SetBorderWidth(0);
  scroll_bar_->SetVisible(true);
  scroll_bar_->OnScroll = [this](TControl*, TSeScrollCode, int& pos) { core_.ScrollBarScroll(pos); };
  scroll_bar_->OnChange = [this](TControl*) { core_.ScrollBarChange(); };
  core_.UpdateScrollBar();
}

TSeCustomListBox::~TSeCustomListBox() {
  destroying_ = true;
  if (scroll_bar_) {
    scroll_bar_->OnChange = nullptr;
    scroll_bar_->OnScroll = nullptr;
  }
}

TSeCustomScrollBar* TSeCustomListBox::CreateScrollBar(TComponent* owner) { return new TSeCustomScrollBar(owner); }

void TSeCustomListBox::Loaded() {
  TSeCustomControl::Loaded();
  core_.UpdateScrollBar();
}

TCanvas& TSeCustomListBox::MeasureCanvas() {
  measure_->SetFont(*Font());
  return *measure_;
}

// ---- the scroll bar, for the core ----

int TSeCustomListBox::BarPosition() const { return scroll_bar_ ? scroll_bar_->Position() : 0; }
void TSeCustomListBox::SetBarPosition(int position) {
  if (scroll_bar_) scroll_bar_->SetPosition(position);
}
int TSeCustomListBox::BarMin() const { return scroll_bar_ ? scroll_bar_->Min() : 0; }
int TSeCustomListBox::BarMax() const { return scroll_bar_ ? scroll_bar_->Max() : 0; }
int TSeCustomListBox::BarPageSize() const { return scroll_bar_ ? scroll_bar_->PageSize() : 0; }
void TSeCustomListBox::SetBarRange(int min, int max, int pageSize) {
  if (!scroll_bar_) return;
  scroll_bar_->SetMin(min);
  scroll_bar_->SetMax(max);
  scroll_bar_->SetPageSize(pageSize);
}
bool TSeCustomListBox::BarVisible() const { return scroll_bar_ && scroll_bar_->Visible(); }
void TSeCustomListBox::SetBarVisible(bool visible) {
  if (scroll_bar_) scroll_bar_->SetVisible(visible);
}
void TSeCustomListBox::SetBarEnabled(bool enabled) {
  if (scroll_bar_) scroll_bar_->SetEnabled(enabled);
}
void TSeCustomListBox::PlaceBar(bool vertical, const TRect& inner) {
  if (!scroll_bar_) return;
  scroll_bar_->SetKind(vertical ? sbVertical : sbHorizontal);
  scroll_bar_->AdjustThickness();
  if (vertical)
    scroll_bar_->SetBounds(inner.Right - scroll_bar_->Width(), inner.Top, scroll_bar_->Width(), inner.Height());
  else
    scroll_bar_->SetBounds(inner.Left, inner.Bottom - scroll_bar_->Height(), inner.Width(), scroll_bar_->Height());
}
int TSeCustomListBox::BarWidth() const { return scroll_bar_ ? scroll_bar_->Width() : 0; }
int TSeCustomListBox::BarHeight() const { return scroll_bar_ ? scroll_bar_->Height() : 0; }
void TSeCustomListBox::SetBarScrollBackward(bool value) {
  if (scroll_bar_) scroll_bar_->SetScrollBackward(value);
}
void TSeCustomListBox::SetBarScrollForward(bool value) {
  if (scroll_bar_) scroll_bar_->SetScrollForward(value);
}
bool TSeCustomListBox::BarScrollBackward() const { return scroll_bar_ && scroll_bar_->ScrollBackward(); }
bool TSeCustomListBox::BarScrollForward() const { return scroll_bar_ && scroll_bar_->ScrollForward(); }

TSize TSeCustomListBox::CheckSize() {
  TSize size;
  GetCheckSize(size);
  return size;
}

// ---- geometry ----

int TSeCustomListBox::GetItemHeight(int index) {
  TCanvas& canvas = MeasureCanvas();
  if (ListStyle() == lbOwnerDrawVariable && OnMeasureItem) return MeasureItem(index);
  if (WordWrap()) {
    TRect r{0, 0, GetItemWidth() - 2, se::WideTextHeight(canvas, QStringLiteral("Pq"))};
    const QString text = index >= 0 && index < core_.Count() ? core_.Items().List()[index] : QString();
    DrawText(canvas, text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return r.Bottom;
  }
  return ItemHeight();
}

int TSeCustomListBox::MeasureItem(int index) {
  if (!OnMeasureItem) return -1;
  int height = 0;
  OnMeasureItem(this, &MeasureCanvas(), index, height);
  return height;
}

void TSeCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem && !destroying_) OnDrawItem(this, Canvas(), index, rect, state);
}

bool TSeCustomListBox::PtInItemRect(int x, int y, int, const TRect& rect) { return PtInRect(rect, {x, y}); }
bool TSeCustomListBox::PtInCheckBoxRect(int x, int y, int, const TRect& rect) { return PtInRect(rect, {x, y}); }

void TSeCustomListBox::SetBounds(int left, int top, int width, int height) {
  // Whole rows only, once the list stands on its own.
  if (!Loading() && (Align() == alNone || Align() == alTop || Align() == alBottom) && ItemHeight() > 0 &&
      scroll_bar_) {
    const int oldHeight = PaintedHeight();
    TSeCustomControl::SetBounds(Left(), Top(), Width(), height);  // the inner rectangle for this height
    height = core_.SnapHeight(height, GetBorderClientRect());
    (void)oldHeight;
  }
  TSeCustomControl::SetBounds(left, top, width, height);
  core_.UpdateScrollBar();
}

void TSeCustomListBox::resizeEvent(QResizeEvent* event) {
  TSeCustomControl::resizeEvent(event);
  core_.UpdateScrollBar();
}

// ---- painting ----

void TSeCustomListBox::PaintBackground() {
  if (!scroll_bar_) {
    TSeCustomControl::PaintBackground();
    return;
  }
  TSeCustomControl::PaintBackground();
  PaintItemsBackground();
  Canvas()->IntersectClipRect(GetBorderClientRect());
  PaintItems();
  Canvas()->SelectClipRgn(nullptr);
}

void TSeCustomListBox::PaintItemsBackground() { se::FillRectColor(*Canvas(), GetBorderClientRect(), Color()); }

void TSeCustomListBox::PaintItems() {
  if (!scroll_bar_) return;
  for (const TSeListPlace& place : core_.VisibleItems()) {
    if (ShowCheckBoxes()) PaintCheckBox(place.index, place.check);
    PaintItem(*Canvas(), place.index, place.text);
  }
}

void TSeCustomListBox::PaintCheckBox(int index, const TRect& rect) {
  TCanvas& canvas = *Canvas();
  const TSeCheckState state = GetState(index);
  const bool checked = state == csChecked || state == csGrayed;
  TRect r = rect;
  if (flat_ && index != HotCheckBox()) {
    if (checked) {
      DrawFrameControl(canvas, r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_FLAT);
      se::DrawFrameRect(canvas, rect, clWindow);
    }
    se::DrawFrameRect(canvas, se::GrowRect(rect, -1), clBtnShadow);
    return;
  }
  DrawFrameControl(canvas, r, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
}

void TSeCustomListBox::PaintTextItem(TCanvas& canvas, int index, const TRect& rect, bool selected, bool focused) {
  TRect t = rect;
  t.Left += 2;
  const QString text = index >= 0 && index < core_.Count() ? core_.Items().List()[index] : QString();
  if (text == QLatin1String("-")) {
    TRect line = rect;
    InflateRect(line, -3, -(rect.Height() / 2 - 1));
    line.Bottom = line.Top + 1;
    se::FillRectColor(canvas, line, Font()->Color());
    return;
  }
  canvas.SetFont(*Font());
  if (selected) {
    se::FillRectColor(canvas, rect, clHighlight);
    canvas.Font().SetColor(clHighlightText);
  } else if (index == HotItem()) {
    canvas.Font().SetColor(clHighlight);
  }
  const unsigned flags = WordWrap() ? DT_WORDBREAK | DT_NOPREFIX : DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  se::DrawWideText(canvas, text, t, flags);
  if (MultiSelect() || !focused) return;
  if (selected || index == ItemIndex()) se::DrawFocusRectColor(canvas, rect, clBlack);
}

void TSeCustomListBox::PaintItem(TCanvas& canvas, int index, const TRect& rect) {
  const bool selected = GetSelected(index);
  const bool focused = IsFocused();
  const QString text = index >= 0 && index < core_.Count() ? core_.Items().List()[index] : QString();
  TRect t = rect;
  t.Left += 2;
  // The focus frame of the picture styles: on the current item only.
  auto focusFrame = [&] {
    if (focused && !MultiSelect() && (selected || index == ItemIndex())) se::DrawFocusRectColor(canvas, rect, clBlack);
  };
  auto selectionLook = [&] {
    if (!selected) return;
    se::FillRectColor(canvas, rect, clHighlight);
    canvas.Font().SetColor(clHighlightText);
  };
  switch (ListStyle()) {
    case lbFonts:
    case lbFontSamples: {
      canvas.SetFont(*Font());
      selectionLook();
      focusFrame();
      const auto bits = reinterpret_cast<std::uintptr_t>(index >= 0 && index < core_.Count() ? Items()->Objects(index) : nullptr);
      TSeBitmap& mark = se::TrueTypeGlyph();
      if (!mark.Empty() && (bits & 4)) {
        TRect cell{t.Left, t.Top, t.Left + 18, t.Bottom};
        TRect box{0, 0, mark.Width(), mark.Height()};
        se::CenterRect(box, cell);
        mark.Draw(canvas, box.Left, box.Top, true);
      }
      if (ListStyle() == lbFontSamples) canvas.Font().SetName(text);
      TRect r{t.Left + 22, t.Top, t.Right, t.Bottom};
      se::DrawWideText(canvas, text, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      return;
    }
    case lbColors: {
      if (selected) se::FillRectColor(canvas, rect, clHighlight);
      focusFrame();
      TRect swatch = t;
      InflateRect(swatch, -4, -4);
      se::FillRectColor(canvas, swatch, se::ListItemColor(text));
      se::DrawFrameRect(canvas, swatch, clBlack);
      return;
    }
    case lbColorNames: {
      canvas.SetFont(*Font());
      selectionLook();
      focusFrame();
      TRect cell{t.Left, t.Top, t.Left + 20, t.Bottom};
      TRect swatch{0, 0, 20, 14};
      se::CenterRect(swatch, cell);
      se::FillRectColor(canvas, swatch, se::ListItemColor(text));
      se::DrawFrameRect(canvas, swatch, clBlack);
      QString name = text;
      if (name.contains(QLatin1String("cl"))) name.remove(0, 2);
      TRect r{t.Left + 24, t.Top, t.Right, t.Bottom};
      se::DrawWideText(canvas, name, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      return;
    }
    case lbOwnerDrawFixed:
    case lbOwnerDrawVariable:
      if (OnDrawItem) {
        TOwnerDrawState state = selected ? odSelected : index == HotItem() ? odHotLight : 0;
        if (index == ItemIndex() && focused) state |= odFocused;
        DrawItem(index, t, state);
        return;
      }
      [[fallthrough]];
    case lbStandard: PaintTextItem(canvas, index, rect, selected, focused); return;
  }
}

// ---- input ----

void TSeCustomListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (CanFocus() && !hasFocus()) SetFocus();
  if (button != mbLeft) return;
  QPointer<TSeCustomListBox> self(this);
  core_.MouseDown(true, ModifiersOf(shift), x, y);
  if (!self) return;
  TSeCustomControl::MouseDown(button, shift, x, y);
}

void TSeCustomListBox::MouseMove(TShiftState shift, int x, int y) {
  QPointer<TSeCustomListBox> self(this);
  TSeCustomControl::MouseMove(shift, x, y);
  if (!self) return;
  if (core_.MouseMove(ModifiersOf(shift), x, y, Width(), Height())) Invalidate();
}

void TSeCustomListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSeCustomControl::MouseUp(button, shift, x, y);
  core_.MouseUp();
}

void TSeCustomListBox::MouseLeave() {
  TSeCustomControl::MouseLeave();
  core_.MouseLeave();
}

void TSeCustomListBox::KeyDown(int& key, TShiftState shift) {
  QPointer<TSeCustomListBox> self(this);
  TSeCustomControl::KeyDown(key, shift);
  if (!self || key == 0) return;
  core_.KeyDown(QtKeyFromVirtualKey(key), ModifiersOf(shift));
}

void TSeCustomListBox::FocusEnter() {
  TSeCustomControl::FocusEnter();
  core_.SelectRange();
}

void TSeCustomListBox::FocusExit() {
  TSeCustomControl::FocusExit();
  core_.SelectRange();
  core_.FocusExit();
}

void TSeCustomListBox::DoEnter() {
  TSeCustomControl::DoEnter();
  Invalidate();
}

void TSeCustomListBox::DoExit() {
  TSeCustomControl::DoExit();
  Invalidate();
}

void TSeCustomListBox::EnabledChanged() {
  TSeCustomControl::EnabledChanged();
  Invalidate();
}

void TSeCustomListBox::wheelEvent(QWheelEvent* event) {
  core_.Wheel(event->angleDelta().y());
  event->accept();
}

// ---- setters ----

void TSeCustomListBox::SetFlat(bool value) {
  if (value == flat_) return;
  flat_ = value;
  Invalidate();
}

void TSeCustomListBox::SetWordWrap(bool value) {
  if (value == WordWrap()) return;
  core_.SetWordWrap(value);
  SetHeight(Height());
  Invalidate();
}

void TSeCustomListBox::SetListStyle(TSeListBoxStyle value) {
  if (value == ListStyle()) return;
  core_.SetListStyle(value);
  if (value == lbFonts || value == lbFontSamples) {
    FillFontList();
    core_.SetItemHeight(18);
  } else if (value == lbColors || value == lbColorNames) {
    FillColorList();
    core_.SetItemHeight(18);
  }
  core_.UpdateScrollBar();
  SetHeight(Height());
  Invalidate();
}

void TSeCustomListBox::SetFontDevice(TSeFontDevice value) {
  if (value == font_device_) return;
  font_device_ = value;
  if (ListStyle() == lbFonts || ListStyle() == lbFontSamples) FillFontList();
  Invalidate();
}

void TSeCustomListBox::SetFontType(TSeFontType value) {
  if (value == font_type_) return;
  font_type_ = value;
  if (ListStyle() == lbFonts || ListStyle() == lbFontSamples) FillFontList();
  Invalidate();
}

void TSeCustomListBox::FillFontList() {
  // There is no printer device to ask: both devices list the screen's
  // families. Scalable families carry the TrueType bit (4); the fixed-pitch
  // bit (1) is clear for fixed-pitch families, as the host sets it.
  se::LoadTrueTypeGlyph();
  TVexListBoxItems& items = core_.Items();
  items.Clear();
  items.SetSorted(true);
  core_.SelectRange();
  for (const QString& family : QFontDatabase::families()) {
    const bool scalable = QFontDatabase::isSmoothlyScalable(family);
    const bool fixed = QFontDatabase::isFixedPitch(family);
    const std::uintptr_t pitch = (scalable ? 4u : 0u) | (fixed ? 0u : 1u);
    if (font_type_ == ftTrueType && !scalable) continue;
    if (font_type_ == ftFixedPitch && !fixed) continue;
    items.AddObject(family.left(32), reinterpret_cast<void*>(pitch));
  }
}

void TSeCustomListBox::FillColorList() {
  TVexListBoxItems& items = core_.Items();
  items.Clear();
  core_.SelectRange();
  items.SetSorted(false);
  for (const char* name : se::ColorIdents()) items.Add(QString::fromLatin1(name));
}

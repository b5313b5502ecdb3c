#include "platform/gui/Buttons.h"

#include "platform/gui/Canvas.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 23, 22); }

void TSpeedButton::SetGlyph(const TBitmap& glyph) {
  glyph_.Assign(glyph);
  update();
}

void TSpeedButton::SetNumGlyphs(int count) {
  num_glyphs_ = std::clamp(count, 1, 4);
  update();
}

void TSpeedButton::SetFlat(bool flat) {
  flat_ = flat;
  update();
}

void TSpeedButton::SetLayout(TButtonLayout layout) {
  layout_ = layout;
  update();
}

void TSpeedButton::SetDown(bool down) {
  if (group_index_ == 0) down = false;
  if (down == down_) return;
  if (!down && !allow_all_up_) {
    // The last button of a group that must keep one down stays down.
    bool other_down = false;
    if (TWinControl* parent = Parent())
      for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TSpeedButton*>(parent->Controls(i));
            b && b != this && b->group_index_ == group_index_ && b->down_)
          other_down = true;
    if (!other_down) return;
  }
  down_ = down;
  if (down)
    if (TWinControl* parent = Parent())
      for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TSpeedButton*>(parent->Controls(i));
            b && b != this && b->group_index_ == group_index_) {
          b->down_ = false;
          b->update();
        }
  update();
}

TButtonState TSpeedButton::State() const {
  if (!Enabled()) return bsDisabled;
  if (down_) return bsExclusive;
  return pressing_ ? bsDown : bsUp;
}

void TSpeedButton::Click() {
  if (group_index_ != 0) {
    if (down_ && allow_all_up_)
      SetDown(false);
    else
      SetDown(true);
  }
  TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    pressing_ = true;
    update();
  }
  TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && pressing_) {
    pressing_ = false;
    update();
  }
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::MouseEnter() {
  hot_ = true;
  if (flat_) update();
  TGraphicControl::MouseEnter();
}

void TSpeedButton::MouseLeave() {
  hot_ = false;
  if (flat_) update();
  TGraphicControl::MouseLeave();
}

void TSpeedButton::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = Rect(0, 0, Width(), Height());
  const TButtonState state = State();
  const bool sunken = state == bsDown || state == bsExclusive;
  if (!flat_ || hot_ || sunken) DrawEdge(canvas, r, sunken ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  const int offset = sunken ? 1 : 0;

  // The glyph part for the state: up, disabled, down, exclusive.
  int glyph_width = 0;
  int glyph_height = 0;
  int part = 0;
  if (!glyph_.Empty()) {
    glyph_width = glyph_.Width() / num_glyphs_;
    glyph_height = glyph_.Height();
    const int wanted = state == bsDisabled ? 1 : state == bsDown ? 2 : state == bsExclusive ? 3 : 0;
    part = wanted < num_glyphs_ ? wanted : 0;
  }
  canvas.SetFont(*Font());
  TRect text = Rect(0, 0, 0, 0);
  if (!Caption().isEmpty()) DrawText(canvas, Caption(), text, DT_SINGLELINE | DT_CALCRECT);
  const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  const int spacing = glyph_width > 0 && text.Width() > 0 ? 4 : 0;
  const int total_w = horizontal ? glyph_width + spacing + text.Width() : std::max(glyph_width, text.Width());
  const int total_h =
      horizontal ? std::max(glyph_height, text.Height()) : glyph_height + spacing + text.Height();
  int x = (Width() - total_w) / 2 + offset;
  int y = (Height() - total_h) / 2 + offset;
  TPoint glyph_at{x, y + (total_h - glyph_height) / 2};
  TPoint text_at{x + glyph_width + spacing, y + (total_h - text.Height()) / 2};
  if (layout_ == blGlyphRight) {
    text_at = {x, text_at.Y};
    glyph_at = {x + text.Width() + spacing, glyph_at.Y};
  } else if (layout_ == blGlyphTop) {
    glyph_at = {x + (total_w - glyph_width) / 2, y};
    text_at = {x + (total_w - text.Width()) / 2, y + glyph_height + spacing};
  } else if (layout_ == blGlyphBottom) {
    text_at = {x + (total_w - text.Width()) / 2, y};
    glyph_at = {x + (total_w - glyph_width) / 2, y + text.Height() + spacing};
  }
  if (glyph_width > 0) {
    QImage image = glyph_.ToQImage().copy(part * glyph_width, 0, glyph_width, glyph_height);
    canvas.DrawImage(QPoint(glyph_at.X, glyph_at.Y), image, glyph_.TransparentColor());
  }
  if (text.Width() > 0) {
    canvas.Brush().SetStyle(bsClear);
    if (state == bsDisabled) canvas.Font().SetColor(clGrayText);
    TRect at = Bounds(text_at.X, text_at.Y, text.Width(), text.Height());
    DrawText(canvas, Caption(), at, DT_SINGLELINE);
  }
}

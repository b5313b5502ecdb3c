#include "skin/se_speedbuttons_layout.h"

TRect TSeSpeedButtonGeometry::ButtonRect() const {
  TRect r = Rect(0, 0, Width, Height);
  if (ShowChevron) r.Right -= kSeChevronWidth;
  return r;
}

TRect TSeSpeedButtonGeometry::ChevronAreaRect() const {
  if (!ShowChevron) return {};
  return Rect(Width - kSeChevronWidth, 0, Width, Height);
}

TRect TSeSpeedButtonGeometry::ChevronArrowRect() const {
  const TRect strip = ChevronAreaRect();
  const int left = strip.Right - kSeChevronWidth + (kSeChevronWidth - kSeChevronArrowWidth) / 2;
  const int top = (strip.Bottom - kSeChevronArrowHeight) / 2;
  return Bounds(left, top, kSeChevronArrowWidth, kSeChevronArrowHeight);
}

TRect TSeSpeedButtonGeometry::GlyphRect() const {
  const TRect b = ButtonRect();
  const int bw = b.Width(), bh = b.Height();
  const int gw = Glyph.X, gh = Glyph.Y, tw = Text.X, th = Text.Y;
  const bool glyph = gw > 0 && gh > 0;
  const bool caption = tw > 0 || th > 0;
  int x = 0, y = 0;
  if (Layout == blGlyphLeft || Layout == blGlyphRight) {
    if (!glyph)
      x = b.Left;
    else if (Margin != -1)
      x = Margin;
    else if (caption)
      x = Spacing == -1 ? (bw - gw - tw) / 3 : (bw - gw - Spacing - tw) / 2;
    else
      x = (bw - gw) / 2;
    y = (bh - gh) / 2;
    if (Layout == blGlyphRight) x = bw - x - gw - 1;
  } else {
    x = (bw - gw) / 2;
    if (!glyph)
      y = b.Top;
    else if (Margin != -1)
      y = Margin;
    else if (caption)
      y = Spacing == -1 ? (bh - gh - th) / 3 : (bh - gh - Spacing - th) / 2;
    else
      y = (bh - gh) / 2;
    if (Layout == blGlyphBottom) y = bh - y - gh - 1;
  }
  return Bounds(x, y, gw, gh);
}

TRect TSeSpeedButtonGeometry::CaptionRect() const {
  const int tw = Text.X, th = Text.Y;
  if (Glyph.X <= 0 || Glyph.Y <= 0) {
    const int x = (Width - tw) / 2, y = (Height - th) / 2;
    return Bounds(x, y, tw, th);
  }
  const TRect b = ButtonRect();
  const TRect g = GlyphRect();
  int x = 0, y = 0;
  switch (Layout) {
    case blGlyphLeft:
      x = Spacing == -1 ? g.Right + (b.Right - g.Right - tw) / 2 : g.Right + Spacing;
      y = (b.Bottom - b.Top - th) / 2;
      break;
    case blGlyphRight:
      x = Spacing == -1 ? (g.Left - b.Left - tw) / 2 : g.Left - Spacing - tw;
      y = (b.Bottom - b.Top - th) / 2;
      break;
    case blGlyphTop:
      x = (b.Right - b.Left - tw) / 2;
      y = Spacing == -1 ? g.Bottom + (b.Bottom - g.Bottom - th) / 2 : g.Bottom + Spacing;
      break;
    case blGlyphBottom:
      x = (b.Right - b.Left - tw) / 2;
      y = Spacing == -1 ? (g.Top - b.Top - th) / 2 : g.Top - Spacing - th;
      break;
  }
  return Bounds(x, y, tw, th);
}

int SpeedGlyphIndex(int numGlyphs, bool enabled, TSeSpeedButtonState state) {
  int index = 0;
  if (numGlyphs > 1 && !enabled) index += 1;
  if (numGlyphs == 4 && state == kssExclusive) index += 3;
  if (numGlyphs >= 3 && state == kssDown) index += 2;
  // A strip of fewer images than the offsets ask for shows its first.
  return index < numGlyphs ? index : 0;
}

TSeSpinHalves LayoutSpinHalves(int width, int height, bool enabledSlider) {
  int h = height / 2;
  if (enabledSlider) h -= 1;
  if (h < 0) h = 0;
  TSeSpinHalves halves;
  halves.Up = Rect(0, 0, width, h);
  halves.Down = Rect(0, height - h, width, height);
  halves.Slider = Rect(0, h, width, height - h);
  return halves;
}

TRect SpinSliderBand(int paintedWidth, int paintedHeight) {
  return Rect(0, paintedHeight / 2 - 1, paintedWidth, paintedHeight / 2 + 1);
}

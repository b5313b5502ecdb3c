#include "skin/se_buttons_layout.h"

#include <array>
#include <cmath>

#include "platform/gui/Dialogs.h"
#include "platform/gui/Painters.h"
#include "skin/se_bitmap.h"

const TSeKindInfo& KindInfo(TBitBtnKind kind) {
  static const std::array<TSeKindInfo, 11> kinds = {{
      {nullptr, 0, false, nullptr},
      {"OK", mrOk, true, "SE_BTN_OK"},
      {"Cancel", mrCancel, false, "SE_BTN_CANCEL"},
      {"&Help", 0, false, "SE_BTN_HELP"},
      {"&Yes", mrYes, true, "SE_BTN_YES"},
      {"&No", mrNo, false, "SE_BTN_NO"},
      {"&Close", 0, false, "SE_BTN_CLOSE"},
      {"Abort", mrAbort, false, "SE_BTN_ABORT"},
      {"&Retry", mrRetry, false, "SE_BTN_RETRY"},
      {"&Ignore", mrIgnore, false, "SE_BTN_IGNORE"},
      {"&All", mrAll, false, "SE_BTN_ALL"},
  }};
  const auto i = static_cast<std::size_t>(kind);
  return kinds[i < kinds.size() ? i : 0];
}

std::optional<int> GlyphCountForSize(int width, int height) {
  // An empty strip (width 0) would otherwise claim zero images.
  if (height <= 0 || width <= 0 || width % height != 0) return std::nullopt;
  const int count = width / height;
  return count > 4 ? 1 : count;
}

TRect ButtonContentRect(const TSeButtonContent& c) {
  const int gw = c.Glyph.X;
  const int gh = c.Glyph.Y;
  const bool glyph = gw > 0 && gh > 0;
  TRect r;
  if (c.WordWrap)
    r = Rect(0, 0, c.PaintedWidth - 10 - c.Spacing - gw, c.PaintedHeight - 10 - c.Spacing - gh);
  else
    r = Rect(0, 0, c.Text.X, c.Text.Y);
  if (glyph) {
    if (c.Layout == blGlyphTop || c.Layout == blGlyphBottom)
      r.Bottom += gh + c.Spacing;
    else
      r.Right += gw + c.Spacing;
    if (r.Right < gw) r.Right = gw;
    if (r.Bottom < gh) r.Bottom = gh;
  }
  OffsetRect(r, (c.PaintedWidth - r.Width()) / 2, (c.PaintedHeight - r.Height()) / 2);
  if (c.Pressed) OffsetRect(r, 1, 1);
  return r;
}

TRect ButtonCaptionRect(const TSeButtonContent& c) {
  TRect r = ButtonContentRect(c);
  if (c.Glyph.X <= 0 || c.Glyph.Y <= 0) return r;
  switch (c.Layout) {
    case blGlyphLeft:
      r.Left += c.Glyph.X + c.Spacing;
      break;
    case blGlyphRight:
      r.Right -= c.Glyph.X + c.Spacing;
      break;
    case blGlyphTop:
      r.Top += c.Glyph.Y + c.Spacing;
      break;
    case blGlyphBottom:
      r.Bottom -= c.Glyph.Y + c.Spacing;
      break;
  }
  return r;
}

TRect ButtonGlyphRect(const TSeButtonContent& c) {
  TRect r = ButtonContentRect(c);
  if (c.Glyph.X <= 0 || c.Glyph.Y <= 0) return r;
  switch (c.Layout) {
    case blGlyphLeft:
      r.Right = r.Left + c.Glyph.X + c.Spacing;
      break;
    case blGlyphRight:
      r.Left = r.Right - c.Glyph.X - c.Spacing;
      break;
    case blGlyphTop:
      r.Bottom = r.Top + c.Glyph.Y + c.Spacing;
      break;
    case blGlyphBottom:
      r.Top = r.Bottom - c.Glyph.Y - c.Spacing;
      break;
  }
  return r;
}

int ButtonGlyphIndex(int numGlyphs, bool enabled, bool pressed) {
  int index = 0;
  if (numGlyphs > 1 && !enabled) index += 1;
  if (numGlyphs >= 3 && pressed) index += 2;
  return index;
}

TColor GlyphPixelColor(TColor pixel, bool blackAndWhite, bool disabledSingle) {
  if (!blackAndWhite && !disabledSingle) return pixel;
  const double l = se::ArgbToHsl(se::ColorToArgb(pixel)).l;
  int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
  if (blackAndWhite) r = g = b = static_cast<int>(std::lround(l * 255));
  if (disabledSingle) {
    // Taken from the colour as given, so a greyed pixel keeps its lightness.
    r = g = b = 160 + static_cast<int>(std::lround(l * 50));
  }
  return RGB(r, g, b);
}

TCheckBoxState NextCheckBoxState(TCheckBoxState state, bool allowGrayed) {
  switch (state) {
    case cbUnchecked:
      return allowGrayed ? cbGrayed : cbChecked;
    case cbChecked:
      return cbUnchecked;
    case cbGrayed:
      return cbChecked;
  }
  return cbUnchecked;
}

unsigned CheckBoxFrameFlags(TCheckBoxState state, bool enabled) {
  unsigned flags = DFCS_BUTTONCHECK;
  if (state == cbChecked) flags |= DFCS_CHECKED;
  if (state == cbGrayed) flags |= DFCS_CHECKED | DFCS_BUTTON3STATE;
  if (!enabled) flags |= DFCS_INACTIVE;
  return flags;
}

unsigned RadioFrameFlags(bool checked, bool enabled) {
  unsigned flags = DFCS_BUTTONRADIO;
  if (checked) flags |= DFCS_CHECKED;
  if (!enabled) flags |= DFCS_INACTIVE;
  return flags;
}

QChar AcceleratorOf(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;
      continue;
    }
    return caption[i + 1].toLower();
  }
  return {};
}

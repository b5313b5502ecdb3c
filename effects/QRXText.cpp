#include "effects/QRXText.h"

#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/QRXClass.h"
#include "effects/QRXDraw.h"
#include "effects/QRXUtils.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Painters.h"

TColor BlendColor(TColor c1, TColor c2, int step, int steps) {
  const uint32_t a = ColorToRGB(c1), b = ColorToRGB(c2);
  if (steps == 0) return TColor(a);
  auto mix = [&](int x, int y) { return int(std::lround(x + double(y - x) * step / steps)); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

bool IsTrueTypeFont(const TFont&) { return true; }
bool IsTrueTypeCanvas(const TCanvas&) { return true; }

namespace {

int RotationMode(const TQRX3DCaption* caption) {
  const auto* fx = dynamic_cast<const TQRXFxCaption*>(caption);
  if (!fx) return 0;
  return fx->Angle() == 0 ? 1 : 2;
}

// The text without its accelerator marks ("&&" stays one "&").
QString StripPrefix(const QString& text) {
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

bool Traceable(unsigned format, int tracing) { return tracing != 0 && (format & DT_SINGLELINE) != 0; }

// One line with `tracing` extra pixels after every character.
int TracedWidth(TCanvas& canvas, const QString& line, int tracing) {
  int w = 0;
  for (const QChar ch : line) w += canvas.TextWidth(QString(ch)) + tracing;
  return w;
}

void DrawTracedLine(TCanvas& canvas, const QString& text, const TRect& r, unsigned format, int tracing) {
  const QString line = (format & DT_NOPREFIX) ? text : StripPrefix(text);
  const int w = TracedWidth(canvas, line, tracing), h = canvas.TextHeight(line);
  int x = r.Left, y = r.Top;
  if (format & DT_CENTER) x += (r.Width() - w) / 2;
  if (format & DT_RIGHT) x = r.Right - w;
  if (format & DT_VCENTER) y += (r.Height() - h) / 2;
  if (format & DT_BOTTOM) y = r.Bottom - h;
  for (const QChar ch : line) {
    canvas.TextOut(x, y, QString(ch));
    x += canvas.TextWidth(QString(ch)) + tracing;
  }
}

// Everything one copy of the text needs.
struct TTextPass {
  TCanvas& canvas;
  const QString& text;
  unsigned format;
  int mode;
  int angle;
  int tracing;
  TRect rect;  // moves with each copy
};

// The text upright in `color` on a transparent buffer, turned by `angle`
// degrees counter-clockwise about its top-left corner, drawn with that
// corner at (x, y).
void DrawRotated(TCanvas& canvas, const QString& text, int x, int y, int angle, TColor color) {
  const TSize size = canvas.TextExtent(text);
  if (size.cx <= 0 || size.cy <= 0) return;
  QImage upright(size.cx, size.cy, QImage::Format_ARGB32_Premultiplied);
  upright.fill(Qt::transparent);
  {
    TCanvas c(&upright);
    c.SetFont(canvas.Font());
    c.Font().SetColor(color);
    c.Brush().SetStyle(bsClear);
    c.TextOut(0, 0, text);
  }
  QTransform turn;
  turn.rotate(-angle);
  const QImage turned = upright.transformed(turn, Qt::FastTransformation);
  const QTransform real = QImage::trueMatrix(turn, upright.width(), upright.height());
  const QPoint origin = real.map(QPoint(0, 0));
  canvas.DrawImage(QPoint(x - origin.x(), y - origin.y()), turned, std::nullopt, true);
}

void Output(TTextPass& pass, int dx, int dy, TColor color) {
  OffsetRect(pass.rect, dx, dy);
  pass.canvas.Font().SetColor(color);
  if (pass.mode == 2) {
    DrawRotated(pass.canvas, pass.text, pass.rect.Left, pass.rect.Top, pass.angle, color);
  } else if (Traceable(pass.format, pass.tracing)) {
    DrawTracedLine(pass.canvas, pass.text, pass.rect, pass.format, pass.tracing);
  } else {
    TRect r = pass.rect;
    DrawText(pass.canvas, pass.text, r, pass.format);
  }
}

// The outline style: the edge of the glyphs, widened to `width` pixels.
void DrawOutlineText(TTextPass& pass, int width, TColor color) {
  TCanvas& canvas = pass.canvas;
  const TRect r = pass.rect;
  const int pad = width + 2;
  const int w = r.Width() + 2 * pad, h = r.Height() + 2 * pad;
  if (w <= 0 || h <= 0) return;
  QImage glyphs(w, h, QImage::Format_ARGB32_Premultiplied);
  glyphs.fill(Qt::transparent);
  {
    TCanvas c(&glyphs);
    c.SetFont(canvas.Font());
    c.Font().SetColor(clBlack);
    c.Brush().SetStyle(bsClear);
    TTextPass inner{c,
                    pass.text,
                    pass.format,
                    pass.mode,
                    pass.angle,
                    pass.tracing,
                    Rect(pad, pad, pad + r.Width(), pad + r.Height())};
    Output(inner, width / 2, width / 2, clBlack);
  }
  auto inside = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < w && y < h && qAlpha(glyphs.pixel(x, y)) != 0;
  };
  const uint32_t rgb = ColorToRGB(color);
  const QRgb paint = qRgba(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 255);
  QImage edge(w, h, QImage::Format_ARGB32_Premultiplied);
  edge.fill(Qt::transparent);
  const int reach = std::max(0, (width - 1) / 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool in = inside(x, y);
      const bool border = in != inside(x - 1, y) || in != inside(x + 1, y) || in != inside(x, y - 1) ||
                          in != inside(x, y + 1);
      if (!border || !in) continue;
      for (int v = -reach; v <= reach; ++v)
        for (int u = -reach; u <= reach; ++u)
          if (x + u >= 0 && y + v >= 0 && x + u < w && y + v < h) edge.setPixel(x + u, y + v, paint);
    }
  canvas.DrawImage(QPoint(r.Left - pad, r.Top - pad), edge, std::nullopt, true);
}

}  // namespace

void Draw3DText(TCanvas& canvas, const QString& text, const TQRX3DCaption* caption, const TRect& rect,
                unsigned format, unsigned flags, const TRect* clipRect) {
  using enum TQRXThreeDStyle;
  if (text.isEmpty() || rect.IsEmpty()) return;
  if (!caption) {
    TRect r = rect;
    DrawText(canvas, text, r, format);
    return;
  }
  const int mode = RotationMode(caption);
  const auto* fx = dynamic_cast<const TQRXFxCaption*>(caption);
  TQRXClipScope clip(canvas, clipRect ? *clipRect : rect, (flags & kQRXTextClip) != 0);

  TColor face;
  TQRXThreeDStyle style = caption->Style();
  if ((flags & kQRXTextEnabled) || caption->DisabledStyle() == TQRXDisabledStyle::dsNone) {
    face =
        (style == tdPColorSunken || style == tdPColorRaised) ? canvas.Brush().Color() : canvas.Font().Color();
  } else {
    face = clGrayText;
    if (caption->DisabledStyle() == TQRXDisabledStyle::ds3d ||
        (caption->DisabledStyle() == TQRXDisabledStyle::dsAuto && (flags & kQRXTextSunkenDisabled)))
      style = tdSunken;
  }

  const TColor oldColor = canvas.Font().Color();
  const TBrushStyle oldBrush = canvas.Brush().Style();
  TTextPass pass{canvas, text, format, mode, fx ? fx->Angle() : 0, caption->Tracing(), rect};
  if (mode != 0 && fx) {
    pass.rect.Left += fx->PosX();
    pass.rect.Top += fx->PosY();
  }
  canvas.Brush().SetStyle(bsClear);
  const int LD = caption->LightDepth(), SD = caption->ShadowDepth();
  const TColor LC = caption->LightColor(), SC = caption->ShadowColor();
  try {
    switch (style) {
      case tdSunken:
        pass.rect.Right -= LD;
        Output(pass, LD, LD, LC);
        Output(pass, -LD, -LD, face);
        break;
      case tdRaised:
        pass.rect.Right -= LD;
        Output(pass, 0, 0, LC);
        Output(pass, LD, LD, face);
        break;
      case tdSunkenShadow:
      case tdPColorSunken:
        pass.rect.Right -= LD + SD;
        Output(pass, 0, 0, SC);
        Output(pass, LD + SD, LD + SD, LC);
        Output(pass, -LD, -LD, face);
        break;
      case tdRaisedShadow:
      case tdPColorRaised:
        pass.rect.Right -= LD + SD;
        Output(pass, LD + SD, LD + SD, SC);
        Output(pass, -(LD + SD), -(LD + SD), LC);
        Output(pass, LD, LD, face);
        break;
      case tdShadow:
        pass.rect.Right -= SD;
        Output(pass, SD, SD, SC);
        Output(pass, -SD, -SD, face);
        break;
      case tdOutline:
        DrawOutlineText(pass, std::max(1, SD), face);
        break;
      case tdExtrude:
      case tdExtrudeEnh: {
        TPoint start{0, 0}, step{1, 1};
        switch (caption->Orientation()) {
          case TQRXThreeDOrientation::toBottomLeft:
            start = {0, SD + 1};
            step = {1, -1};
            break;
          case TQRXThreeDOrientation::toBottomRight:
            start = {SD + 1, SD + 1};
            step = {-1, -1};
            break;
          case TQRXThreeDOrientation::toTopLeft:
            break;
          case TQRXThreeDOrientation::toTopRight:
            start = {SD + 1, 0};
            step = {-1, 1};
            break;
        }
        if (SD > 0) {
          OffsetRect(pass.rect, start.X, start.Y);
          for (int k = SD - 1; k >= 0; --k)
            Output(pass, step.X, step.Y, style == tdExtrude ? SC : BlendColor(SC, LC, k, SD));
        }
        Output(pass, 0, 0, face);
        break;
      }
      case tdNone:
        Output(pass, 0, 0, face);
        break;
    }
  } catch (...) {
    canvas.Font().SetColor(oldColor);
    canvas.Brush().SetStyle(oldBrush);
    throw;
  }
  canvas.Font().SetColor(oldColor);
  canvas.Brush().SetStyle(oldBrush);
}

namespace {

int StyleGrowth(const TQRX3DCaption& c) {
  using enum TQRXThreeDStyle;
  switch (c.Style()) {
    case tdSunken:
    case tdRaised:
      return c.LightDepth();
    case tdSunkenShadow:
    case tdRaisedShadow:
    case tdPColorSunken:
    case tdPColorRaised:
      return c.LightDepth() + c.ShadowDepth();
    case tdShadow:
    case tdOutline:
    case tdExtrude:
    case tdExtrudeEnh:
      return c.ShadowDepth();
    case tdNone:
      return 0;
  }
  return 0;
}

int PositionCorrection(const TQRX3DCaption& c) {
  using enum TQRXThreeDStyle;
  int k = 0;
  switch (c.Style()) {
    case tdSunken:
    case tdRaised:
      k = c.LightDepth() / 2 - 1;
      break;
    case tdSunkenShadow:
    case tdRaisedShadow:
    case tdPColorSunken:
    case tdPColorRaised:
      k = (c.LightDepth() + c.ShadowDepth()) / 2 - 1;
      break;
    case tdShadow:
    case tdExtrude:
    case tdExtrudeEnh:
      k = c.ShadowDepth() / 2 - 1;
      break;
    default:
      break;
  }
  return std::max(0, k);
}

}  // namespace

void MeasureText(TCanvas& canvas, const QString& text, const TQRX3DCaption* caption, TRect& rect,
                 const TFont& font, bool multiLine, bool showAccelChar, int margin, unsigned format) {
  canvas.SetFont(font);
  const int mode = RotationMode(caption);
  auto* fx = const_cast<TQRXFxCaption*>(dynamic_cast<const TQRXFxCaption*>(caption));
  int w = 0, h = 0;
  if (mode != 2) {
    if (mode == 1 && fx) fx->SetPos(0, 0);
    unsigned f = format | DT_CALCRECT | DT_EXPANDTABS;
    if (multiLine) f |= DT_WORDBREAK;
    if (!showAccelChar) f |= DT_NOPREFIX;
    QString measured = text;
    if (measured.isEmpty() || (showAccelChar && measured == "&")) measured = " ";
    const int tracing = caption ? caption->Tracing() : 0;
    if (Traceable(f, tracing)) {
      const QString line = (f & DT_NOPREFIX) ? measured : StripPrefix(measured);
      rect.Right = rect.Left + TracedWidth(canvas, line, tracing);
      rect.Bottom = rect.Top + canvas.TextHeight(line);
    } else {
      DrawText(canvas, measured, rect, f);
    }
  } else {
    w = canvas.TextWidth(text);
    h = canvas.TextHeight(text);
    rect = Rect(0, 0, w, h);
  }
  if (caption) {
    const int grow = StyleGrowth(*caption);
    rect.Right += grow;
    rect.Bottom += grow;
  }
  if (mode == 2 && fx) {
    RotatedBounds(rect, fx->Angle());
    const double a = fx->Angle() * std::numbers::pi / 180;
    const double cx = rect.Width() / 2.0, cy = rect.Height() / 2.0;
    const int k = PositionCorrection(*caption);
    const int px = int(std::lround(cx - (w / 2) * std::cos(a) - (h / 2) * std::sin(a))) - k;
    const int py = int(std::lround(cy + (w / 2) * std::sin(a) - (h / 2) * std::cos(a))) - k;
    fx->SetPos(std::max(0, px), std::max(0, py));
  }
  rect.Right += 2 * (margin + 1);
  rect.Bottom += 2 * (margin + 1);
}

void MeasureTextTemp(const QString& text, const TQRX3DCaption* caption, TRect& rect, const TFont& font,
                     bool multiLine, bool showAccelChar, int margin, unsigned format) {
  QImage screen(1, 1, QImage::Format_RGB32);
  TCanvas canvas(&screen);
  MeasureText(canvas, text, caption, rect, font, multiLine, showAccelChar, margin, format);
}

TRect CalcAlignedTextRect(TQRXAlignment alignment, const QString& text, const TQRX3DCaption* caption,
                          const TRect& rect, const TFont& font, bool multiLine, bool showAccelChar,
                          unsigned format) {
  TRect measured = rect;
  measured.Right -= 1;
  MeasureTextTemp(text, caption, measured, font, multiLine, showAccelChar, 0, format);
  return AlignRect(alignment, measured, rect);
}

// --- Glyph and caption ---

TQRXGlyphTextRects DrawGlyphText(TCanvas& canvas, const QString& text, const TRect& rect,
                                 const TQRXGlyphTextLayout& layout, const TQRX3DCaption* fontFX,
                                 const TQRXGlyphSource* glyph, unsigned textFlags, unsigned options) {
  using enum TQRXTextArrange;
  const bool multiLine = options & kQRXGlyphMultiLine;
  const bool showAccel = options & kQRXGlyphShowAccel;
  const bool hasText = !text.isEmpty();
  const bool hasGlyph = glyph && glyph->bitmap && !glyph->rect.IsEmpty();
  int tw = 0, th = 0;
  if (hasText) {
    TRect m = Rect(0, 0, std::max(1, rect.Width()), std::max(1, rect.Height()));
    MeasureTextTemp(text, fontFX, m, canvas.Font(), multiLine, showAccel, 0, multiLine ? 0 : DT_SINGLELINE);
    tw = m.Width();
    th = m.Height();
  }
  int gw = hasGlyph ? glyph->rect.Width() : 0, gh = hasGlyph ? glyph->rect.Height() : 0;
  const auto* button = dynamic_cast<const TQRXButtonLayout*>(&layout);
  const bool arrow = button && button->Arrow();
  const int arrowWidth = arrow ? button->ArrowSize() * 2 - 1 : 0;
  const int arrowRoom = arrow ? arrowWidth + button->ArrowIndent() : 0;
  const bool arrowAtText = arrow && (button->ArrowPosition() == TQRXArrowPosition::apRightText ||
                                     button->ArrowPosition() == TQRXArrowPosition::apLeftText);
  if (arrowAtText) tw += arrowRoom;
  if (arrow && !arrowAtText) gw += arrowRoom;
  const int spacing = hasText && hasGlyph ? layout.Spacing() : 0;

  const TQRXTextArrange arrange = layout.AlignText2Glyph();
  const bool sideBySide =
      arrange == taLeft || arrange == taLeftTop || arrange == taRight || arrange == taRightTop;
  int bw, bh;
  TPoint tp, gp;
  if (sideBySide) {
    bw = tw + spacing + gw;
    bh = std::max(th, gh);
    const bool glyphTop = arrange == taLeftTop || arrange == taRightTop;
    tp.Y = (bh - th) / 2;
    gp.Y = glyphTop ? 0 : (bh - gh) / 2;
    if (arrange == taLeft || arrange == taLeftTop) {
      tp.X = 0;
      gp.X = tw + spacing;
    } else {
      gp.X = 0;
      tp.X = gw + spacing;
    }
  } else {
    bw = std::max(tw, gw);
    bh = th + spacing + gh;
    const bool glyphLeft = arrange == taTopLeft || arrange == taBottomLeft;
    tp.X = (bw - tw) / 2;
    gp.X = glyphLeft ? 0 : (bw - gw) / 2;
    if (arrange == taTop || arrange == taTopLeft) {
      tp.Y = 0;
      gp.Y = th + spacing;
    } else {
      gp.Y = 0;
      tp.Y = gh + spacing;
    }
  }
  TRect block = Rect(rect.Left, rect.Top, rect.Left + bw, rect.Top + bh);
  if (!(options & kQRXGlyphNoAlign)) block = AlignRect(layout.Alignment(), block, rect);
  OffsetRect(block, layout.OffsetX(), layout.OffsetY());

  TQRXGlyphTextRects out;
  out.text = Bounds(block.Left + tp.X + 1, block.Top + tp.Y + 1, tw, th);
  out.glyph = Bounds(block.Left + gp.X, block.Top + gp.Y, gw, gh);
  if (arrow) {
    const int size = button->ArrowSize();
    TRect& host = arrowAtText ? out.text : out.glyph;
    const int ay = host.Top + (host.Height() - size) / 2;
    const bool right = button->ArrowPosition() == TQRXArrowPosition::apRightText ||
                       button->ArrowPosition() == TQRXArrowPosition::apRightGlyph;
    if (right) {
      out.arrow = Bounds(host.Right - arrowWidth, ay, arrowWidth, size);
      host.Right -= arrowRoom;
    } else {
      out.arrow = Bounds(host.Left, ay, arrowWidth, size);
      host.Left += arrowRoom;
    }
  }
  if (options & kQRXGlyphCalcOnly) return out;

  if (hasGlyph && !(options & kQRXGlyphSkipGlyph)) {
    const TRect place = Bounds(out.glyph.Left, out.glyph.Top, glyph->rect.Width(), glyph->rect.Height());
    unsigned flags = 0;
    if (glyph->mask)
      flags = kQRXDrawMaskCanvas;
    else if (glyph->transparentColor != clNone)
      flags = kQRXDrawMaskColor;
    DrawBitmapStyled(canvas, place, glyph->bitmap->Canvas(), glyph->rect, flags, glyph->transparentColor,
                     nullptr, nullptr, glyph->mask);
  }
  if (hasText) {
    unsigned format = DT_EXPANDTABS | DT_WORDBREAK;
    if (!showAccel) format |= DT_NOPREFIX;
    if (multiLine) {
      switch (layout.Alignment()) {
        case TQRXAlignment::agTopCenter:
        case TQRXAlignment::agCenter:
        case TQRXAlignment::agBottomCenter:
          format |= DT_CENTER;
          break;
        case TQRXAlignment::agTopRight:
        case TQRXAlignment::agCenterRight:
        case TQRXAlignment::agBottomRight:
          format |= DT_RIGHT;
          break;
        default:
          break;
      }
    } else {
      format |= DT_SINGLELINE;
    }
    Draw3DText(canvas, text, fontFX, out.text, format, textFlags);
  }
  if (arrow)
    DrawArrow(canvas, out.arrow.Left, out.arrow.Top, button->ArrowSize(), button->ArrowColor(), true,
              (textFlags & kQRXTextEnabled) != 0);
  return out;
}

// --- Button faces ---

bool IsFlatButtonStyle(TQRXUserButtonStyle style) {
  const int o = int(style);
  return o >= 4 && o <= 9;
}

void DrawButtonFace(TCanvas& canvas, bool plain, TRect& rect, TQRXUserButtonStyle style, int state,
                    unsigned flags, TColor color) {
  using enum TQRXUserButtonStyle;
  if (style == ubsAutoDetect) style = PlatformInfo().WindowsExtension ? ubsWin40 : ubsWin31;
  const bool flat = IsFlatButtonStyle(style);
  const bool checked = state == 3;
  const bool down = checked || state == 4 || state == 6 || state == 7;
  const TRect face = rect;

  canvas.Brush().SetBitmap(nullptr);
  canvas.Brush().SetStyle(bsSolid);
  if (style != ubsExplorer && style != ubsExplorerColored) {
    if (checked && !(flat && plain)) {
      TBitmap& pattern = QRXApplication().GetPatternBitmap(color);
      canvas.Brush().SetBitmap(&pattern);
      canvas.FillRect(face);
      canvas.Brush().SetBitmap(nullptr);
    } else {
      canvas.Brush().SetColor(color);
      canvas.FillRect(face);
    }
  }

  TRect r = face;
  if (style == ubsWin31) {
    DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_SOFT | BF_LEFT | BF_TOP);
    DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
    if (flags & kQRXFaceCorners) {
      for (const TPoint p : {Point(r.Left, r.Top), Point(r.Right - 1, r.Top), Point(r.Left, r.Bottom - 1),
                             Point(r.Right - 1, r.Bottom - 1)})
        canvas.SetPixel(p.X, p.Y, clBtnFace);
    }
    InflateRect(r, -1, -1);
    if (down) {
      DrawEdge(canvas, r, BDR_SUNKENINNER, BF_LEFT | BF_TOP);
    } else {
      DrawEdge(canvas, r, BDR_RAISEDINNER, BF_ADJUST | BF_RECT);
      DrawEdge(canvas, r, BDR_RAISEDINNER, BF_ADJUST | BF_RECT);
    }
  } else if (style == ubsWin95 || (style == ubsWin40 && (flags & kQRXFaceWin40Frame))) {
    DrawEdge(canvas, r, down ? EDGE_SUNKEN : EDGE_RAISED,
             BF_RECT | BF_ADJUST | (style == ubsWin95 ? BF_SOFT : 0));
  } else if (style == ubsWin40) {
    // The look without the outer frame: one ring, sunken when down.
    DrawEdgeFrame(canvas, r, down ? TQRXBorderStyle::lsSingleLowered : TQRXBorderStyle::lsSingleRaised, 0);
  } else if (flat) {
    if (down || state == 2)  // pressed, or the mouse over it
      DrawEdge(canvas, r, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  } else if (style == ubsIntegrated) {
    DrawEdgeFrame(canvas, r, down ? TQRXBorderStyle::lsLoweredspb : TQRXBorderStyle::lsFrameInset, 0);
  }
  if (flags & kQRXFaceFocus) {
    TRect focus = face;
    InflateRect(focus, -(down ? 4 : 3), -(down ? 4 : 3));
    canvas.DrawFocusRect(focus);
  }
  rect = face;
  InflateRect(rect, -3, -3);
  if (down) OffsetRect(rect, 1, 1);
}

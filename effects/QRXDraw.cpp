#include "effects/QRXDraw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwchar>
#include <optional>
#include <vector>

#include "effects/QRXUtils.h"
#include "platform/core/Formats.h"
#include "platform/gui/Painters.h"

namespace {

// The source rectangle of a canvas as an image of that size (nearest-pixel
// scaled to `size` when it differs); null when the source cannot be read.
QImage SourcePart(TCanvas& source, const TRect& sourceRect, QSize size) {
  if (sourceRect.IsEmpty() || size.isEmpty()) return {};
  const QImage whole = source.Snapshot();
  if (whole.isNull()) return {};
  QImage part = whole.copy(sourceRect.ToQRect());
  if (part.size() != size) part = part.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  return part;
}

void SolidBrush(TCanvas& canvas, TColor color) {
  canvas.Brush().SetBitmap(nullptr);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(color);
}

void NoPen(TCanvas& canvas) { canvas.Pen().SetStyle(psClear); }

void OnePixelPen(TCanvas& canvas, TColor color) {
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetMode(pmCopy);
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetColor(color);
}

// Restores a canvas's copy mode, font colour and brush colour.
class ScopedCopyState {
 public:
  explicit ScopedCopyState(TCanvas& canvas)
      : canvas_(canvas), mode_(canvas.CopyMode()), brush_(canvas.Brush().Color()) {}
  ~ScopedCopyState() {
    canvas_.SetCopyMode(mode_);
    canvas_.Brush().SetColor(brush_);
  }
  ScopedCopyState(const ScopedCopyState&) = delete;
  ScopedCopyState& operator=(const ScopedCopyState&) = delete;

 private:
  TCanvas& canvas_;
  TCopyMode mode_;
  TColor brush_;
};

}  // namespace

TQRXClipScope::TQRXClipScope(TCanvas& canvas, const TRect& rect, bool active)
    : canvas_(canvas), active_(active) {
  if (!active_) return;
  had_clip_ = canvas_.HasClipRegion();
  QRegion region(rect.ToQRect());
  if (had_clip_) {
    old_ = canvas_.ClipRegion();
    region = region.intersected(old_);
  }
  canvas_.SelectClipRgn(&region);
}

TQRXClipScope::~TQRXClipScope() {
  if (active_) canvas_.SelectClipRgn(had_clip_ ? &old_ : nullptr);
}

bool DrawBevelFrame(TCanvas& canvas, TRect& rect, TQRXBevelStyle style, TColor lightColor, TColor shadowColor,
                    int width) {
  using enum TQRXBevelStyle;
  if (style == bvNone || style == bvShadow || width <= 0) return false;
  TColor a = clBlack, b = clBlack;
  if (style == bvLowered || style == bvFrameLowered) {
    a = lightColor;
    b = shadowColor;
  } else if (style == bvRaised || style == bvFrameRaised) {
    a = shadowColor;
    b = lightColor;
  }
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
  if (style == bvFrameLowered || style == bvFrameRaised) {
    for (int i = 0; i < width; ++i) {
      SolidBrush(canvas, a);
      canvas.FrameRect(Rect(L + i + 1, T + i + 1, R, B));
      SolidBrush(canvas, b);
      canvas.FrameRect(Rect(L, T, R - i - 1, B - i - 1));
    }
    rect = Rect(L + width + 1, T + width + 1, R - width - 1, B - width - 1);
    return true;
  }
  if (width == 1) {
    OnePixelPen(canvas, b);
    const std::array<TPoint, 3> topLeft{Point(L, B - 1), Point(L, T), Point(R - 1, T)};
    canvas.Polyline(topLeft);
    OnePixelPen(canvas, a);
    const std::array<TPoint, 3> bottomRight{Point(R - 1, T), Point(R - 1, B - 1), Point(L, B - 1)};
    canvas.Polyline(bottomRight);
    InflateRect(rect, -1, -1);
    return true;
  }
  const int b1 = B - 1;
  const int iL = L + width, iT = T + width, iR = R - width, iB = b1 - width;
  NoPen(canvas);
  SolidBrush(canvas, a);
  const std::array<TPoint, 6> bottomRight{Point(L, B),   Point(iL, iB), Point(iR, iB),
                                          Point(iR, iT), Point(R, T),   Point(R, B)};
  canvas.Polygon(bottomRight);
  SolidBrush(canvas, b);
  const std::array<TPoint, 6> topLeft{Point(L, b1),      Point(iL, iB),   Point(iL, iT),
                                      Point(iR - 1, iT), Point(R - 1, T), Point(L, T)};
  canvas.Polygon(topLeft);
  InflateRect(rect, -width, -width);
  return true;
}

void DrawShadowFrame(TCanvas& canvas, TRect& rect, TColor lightColor, TColor shadowColor, TColor borderColor,
                     int outerWidth, int innerWidth, bool transparent) {
  const int W = outerWidth;
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
  NoPen(canvas);
  SolidBrush(canvas, shadowColor);
  canvas.FillRect(Rect(R - W, T + W, R, B));
  canvas.FillRect(Rect(L + W, B - W, R, B));
  if (!transparent) {
    SolidBrush(canvas, borderColor);
    canvas.FillRect(Rect(R - W, T, R, T + W));
    canvas.FillRect(Rect(L, B - W, L + W, B));
  }
  rect = Rect(L, T, R - W, B - W);
  SolidBrush(canvas, lightColor);
  for (int i = 0; i < innerWidth; ++i) {
    canvas.FrameRect(rect);
    InflateRect(rect, -1, -1);
  }
}

int BorderStyleExtent(TQRXBorderStyle style) {
  using enum TQRXBorderStyle;
  switch (style) {
    case lsNone:
      return 0;
    case lsSingle:
    case lsSingleRaised:
    case lsSingleLowered:
      return 1;
    default:
      return 2;
  }
}

bool DrawEdgeFrame(TCanvas& canvas, TRect& rect, TQRXBorderStyle style, unsigned extraFlags) {
  using enum TQRXBorderStyle;
  const unsigned A = BF_ADJUST, S = BF_SOFT, Rc = BF_RECT, X = extraFlags;
  switch (style) {
    case lsNone:
      break;
    case lsSingle:
      DrawEdge(canvas, rect, BDR_SUNKENOUTER, A | S | BF_LEFT | BF_TOP | X);
      DrawEdge(canvas, rect, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
      break;
    case lsLowered:
      DrawEdge(canvas, rect, EDGE_SUNKEN, A | S | Rc | X);
      break;
    case lsRaised:
      DrawEdge(canvas, rect, EDGE_RAISED, A | S | Rc | X);
      break;
    case lsRaisedspb:
    case lsRaisedExt:
      DrawEdge(canvas, rect, BDR_RAISEDOUTER, A | S | Rc | X);
      DrawEdge(canvas, rect, BDR_RAISEDINNER, A | BF_RIGHT | BF_BOTTOM);
      if (style == lsRaisedExt) {
        rect.Left += 1;
        rect.Top += 1;
      }
      break;
    case lsLoweredspb:
      DrawEdge(canvas, rect, BDR_SUNKENOUTER, A | Rc | X);
      DrawEdge(canvas, rect, BDR_SUNKENINNER, A | BF_LEFT | BF_TOP | X);
      break;
    case lsLoweredExt:
      DrawEdge(canvas, rect, BDR_SUNKENOUTER, A | Rc | X);
      DrawEdge(canvas, rect, BDR_SUNKENINNER, A | BF_LEFT | BF_TOP);
      rect.Right -= 1;
      rect.Bottom -= 1;
      break;
    case lsFrameInset:
      DrawEdge(canvas, rect, EDGE_ETCHED, A | Rc | X);
      break;
    case lsFrameOffset:
      DrawEdge(canvas, rect, BDR_RAISEDINNER, A | Rc | X);
      DrawEdge(canvas, rect, BDR_SUNKENOUTER, A | Rc | X);
      break;
    case lsWindowBorder:
      DrawEdge(canvas, rect, BDR_RAISEDOUTER, A | BF_RIGHT | BF_BOTTOM | X);
      rect.Left += 1;
      rect.Top += 1;
      DrawEdge(canvas, rect, BDR_RAISEDINNER, A | Rc | X);
      break;
    case lsSingleRaised:
      DrawEdge(canvas, rect, BDR_RAISEDINNER, A | Rc | X);
      break;
    case lsSingleLowered:
      DrawEdge(canvas, rect, BDR_SUNKENOUTER, A | Rc | X);
      break;
    case lsDoubleRaised:
      DrawEdge(canvas, rect, BDR_RAISEDINNER, A | Rc | X);
      DrawEdge(canvas, rect, BDR_RAISEDINNER, A | Rc | X);
      break;
    case lsDoubleLowered:
      DrawEdge(canvas, rect, BDR_SUNKENOUTER, A | Rc | X);
      DrawEdge(canvas, rect, BDR_SUNKENOUTER, A | Rc | X);
      break;
  }
  return true;
}

namespace {

void DrawArrowOnce(TCanvas& canvas, int x, int y, int size, TColor color, bool down) {
  OnePixelPen(canvas, color);
  if (down) {
    for (int i = 0; i <= size - 2; ++i) {
      canvas.MoveTo(x + i, y + i);
      canvas.LineTo(x + i + 2 * (size - i) - 1, y + i);
    }
    canvas.SetPixel(x + size - 1, y + size - 1, color);
  } else {
    const int c = x + size / 2;
    for (int i = 0; i < size; ++i) {
      canvas.MoveTo(c - i, y + i);
      canvas.LineTo(c + i + 1, y + i);
    }
  }
}

}  // namespace

void DrawArrow(TCanvas& canvas, int x, int y, int size, TColor color, bool down, bool enabled) {
  if (size < 2 || size > 15) return;
  if (!enabled) {
    DrawArrowOnce(canvas, x + 1, y + 1, size, clHighlightText, down);
    DrawArrowOnce(canvas, x, y, size, clGrayText, down);
  } else {
    DrawArrowOnce(canvas, x, y, size, color, down);
  }
}

void FillBitmap(TBitmap* bitmap, const TRect& rect, TColor color) {
  if (!bitmap || rect.IsEmpty()) return;
  bitmap->SetSize(rect.Width(), rect.Height());
  SolidBrush(bitmap->Canvas(), color);
  bitmap->Canvas().FillRect(Rect(0, 0, rect.Width(), rect.Height()));
}

void DrawTransparentBitmap(TCanvas& sourceCanvas, const TRect& sourceRect, TBitmap& maskBitmap,
                           TBitmap& imageBitmap, TColor transparentColor) {
  const int w = sourceRect.Width(), h = sourceRect.Height();
  if (w <= 0 || h <= 0) return;
  const QImage part = SourcePart(sourceCanvas, sourceRect, QSize(w, h));
  if (part.isNull()) return;
  imageBitmap.AssignQImage(part.convertToFormat(QImage::Format_RGB32));
  maskBitmap.AssignQImage(part.convertToFormat(QImage::Format_RGB32));
  maskBitmap.Mask(transparentColor);
  // ANDing the mask's inverse: where the mask is white the image goes black.
  const QImage mask = maskBitmap.ToQImage();
  QImage image = imageBitmap.ToQImage();
  for (int y = 0; y < h; ++y) {
    const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x)
      if ((m[x] & 0xFFFFFF) != 0) p[x] = qRgb(0, 0, 0);
  }
  imageBitmap.AssignQImage(image);
}

void MakeMaskPair(TBitmap& bitmap, TBitmap& maskBitmap, TBitmap& imageBitmap, TColor transparentColor) {
  DrawTransparentBitmap(bitmap.Canvas(), Rect(0, 0, bitmap.Width(), bitmap.Height()), maskBitmap, imageBitmap,
                        transparentColor);
}

void DrawBitmapStyled(TCanvas& dest, const TRect& destRect, TCanvas& source, const TRect& sourceRect,
                      unsigned flags, TColor color, const TQRXPaletteHandle& palette, TBitmap* bitmap,
                      TCanvas* mask, TRect* drawnRect) {
  (void)palette;  // true-colour surfaces: nothing to select
  if (drawnRect) *drawnRect = TRect{};
  if (destRect.IsEmpty()) return;
  const int sw = sourceRect.Width(), sh = sourceRect.Height();
  const int dw = destRect.Width(), dh = destRect.Height();
  int left = destRect.Left, top = destRect.Top, width = sw, height = sh;
  int rows = 0, columns = 0;
  bool tiled = false;
  if (flags & kQRXDrawCenter) {
    left = (dw - sw) / 2 + destRect.Left;
    top = (dh - sh) / 2 + destRect.Top;
  }
  if (flags & kQRXDrawStretch) {
    left = destRect.Left;
    top = destRect.Top;
    width = dw;
    height = dh;
    if ((flags & kQRXDrawFit) == kQRXDrawFit) {
      const TRect fit = FitRectKeepAspect(Rect(0, 0, sw, sh), Rect(0, 0, dw, dh));
      width = fit.Width();
      height = fit.Height();
    } else if (sw > 0 && sh > 0) {
      if (flags & kQRXDrawKeepWidth) height = int(std::lround(double(dw) / sw * sh));
      if (flags & kQRXDrawKeepHeight) {
        width = int(std::lround(double(dh) / sh * sw));
        height = dh;
      }
    }
  }
  if (flags & kQRXDrawTile) {
    left = destRect.Left;
    top = destRect.Top;
    width = sw;
    height = sh;
    tiled = true;
    if (sw != 0 && sh != 0) {
      rows = dh / sh + 1;
      columns = dw / sw + 1;
    }
  }
  // The real extent decides emptiness (callers only read it).
  const TRect placement = Bounds(left, top, width, height);
  if (drawnRect) *drawnRect = placement.IsEmpty() ? destRect : placement;
  if (sw <= 0 || sh <= 0 || width <= 0 || height <= 0) return;

  std::vector<TRect> targets;
  if (tiled) {
    for (int r = 0; r <= rows; ++r)
      for (int c = 0; c <= columns; ++c) targets.push_back(Bounds(left + c * sw, top + r * sh, sw, sh));
  } else {
    targets.push_back(placement);
  }

  if ((flags & kQRXDrawBrushCopy) && bitmap) {
    ScopedCopyState keep(dest);
    SolidBrush(dest, color);
    for (const TRect& t : targets) dest.BrushCopy(t, *bitmap, sourceRect, bitmap->TransparentColor());
    return;
  }
  if ((flags & kQRXDrawMaskCanvas) && mask) {
    ScopedCopyState keep(dest);
    const QImage maskPart = SourcePart(*mask, sourceRect, QSize(width, height));
    const QImage imagePart = SourcePart(source, sourceRect, QSize(width, height));
    if (maskPart.isNull() || imagePart.isNull()) return;
    for (const TRect& t : targets) {
      dest.SetCopyMode(SRCAND);
      dest.DrawImage(QPoint(t.Left, t.Top), maskPart);
      dest.SetCopyMode(SRCPAINT);
      dest.DrawImage(QPoint(t.Left, t.Top), imagePart);
    }
    return;
  }
  if (flags & kQRXDrawMaskColor) {
    // The mask-and-image pair leaves exactly the pixels of `color` out; one
    // keyed copy of the scaled source does the same in a single pass.
    const QImage part = SourcePart(source, sourceRect, QSize(width, height));
    if (part.isNull()) return;
    ScopedCopyState keep(dest);
    dest.SetCopyMode(SRCCOPY);
    for (const TRect& t : targets) dest.DrawImage(QPoint(t.Left, t.Top), part, color);
    return;
  }
  const QImage part = SourcePart(source, sourceRect, QSize(width, height));
  if (part.isNull()) return;
  for (const TRect& t : targets) dest.DrawImage(QPoint(t.Left, t.Top), part);
}

void DrawBitmapClipped(TCanvas& dest, const TRect& destRect, TCanvas& source, const TRect& sourceRect,
                       unsigned flags, std::uint32_t clipOffset, TColor color, TBitmap* bitmap,
                       TCanvas* mask) {
  (void)clipOffset;
  TQRXClipScope clip(dest, destRect, (flags & kQRXDrawClip) != 0);
  DrawBitmapStyled(dest, destRect, source, sourceRect, flags, color, nullptr, bitmap, mask);
}

void DrawBitmapPalette(TCanvas& dest, const TRect& destRect, TBitmap& bitmap, unsigned flags,
                       std::uint32_t clipOffset, TColor color) {
  if (bitmap.Empty()) return;
  const TRect whole = Rect(0, 0, bitmap.Width(), bitmap.Height());
  DrawBitmapClipped(dest, destRect, bitmap.Canvas(), whole, flags, clipOffset, color,
                    (flags & kQRXDrawBrushCopy) ? &bitmap : nullptr, nullptr);
}

TRect DrawListBitmap(TCanvas& dest, const TRect& destRect, TBitmap& bitmap, unsigned flags, TColor color) {
  TRect drawn;
  if (bitmap.Empty()) return drawn;
  const TRect whole = Rect(0, 0, bitmap.Width(), bitmap.Height());
  DrawBitmapStyled(dest, destRect, bitmap.Canvas(), whole, flags, color, nullptr,
                   (flags & kQRXDrawBrushCopy) ? &bitmap : nullptr, nullptr, &drawn);
  return drawn;
}

void MakeDisabledGlyph(TBitmap& dest, const TBitmap& source) {
  dest.Assign(source);
  if (source.Empty()) return;
  QImage image = source.ToQImage().convertToFormat(QImage::Format_RGB32);
  const int w = image.width(), h = image.height();
  const QRgb background = image.pixel(0, 0) & 0xFFFFFF;
  long long sum = 0, count = 0;
  for (int y = 0; y < h; ++y) {
    const auto* p = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      if ((p[x] & 0xFFFFFF) == background) continue;
      sum += qRed(p[x]) + qGreen(p[x]) + qBlue(p[x]);
      ++count;
    }
  }
  const long long offset = count == 0 ? 0 : -std::llround(200.0 - double(sum) / double(count));
  auto qrgb = [](TColor c) {
    const uint32_t rgb = ColorToRGB(c);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
  };
  const QRgb white = qRgb(255, 255, 255), light = qrgb(clBtnHighlight), dark = qrgb(clBtnShadow),
             black = qRgb(0, 0, 0);
  for (int y = 0; y < h; ++y) {
    auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      if ((p[x] & 0xFFFFFF) == background) continue;
      const int bright = qRed(p[x]) + qGreen(p[x]) + qBlue(p[x]);
      if (bright > offset + 550)
        p[x] = white;
      else if (bright > offset + 250)
        p[x] = light;
      else if (bright > offset + 50)
        p[x] = dark;
      else
        p[x] = black;
    }
  }
  TBitmap tones;
  tones.AssignQImage(image);
  dest.Canvas().Draw(0, 0, tones);
}

void DrawGlyph(TBitmap& dest, TBitmap& glyph, int x, int y) {
  if (glyph.Empty() || dest.Empty()) return;
  TBitmap mono;
  mono.Assign(glyph);
  mono.SetPixelFormat(pf32bit);
  mono.Mask(glyph.TransparentColor());
  const QImage mask = mono.ToQImage();
  SolidBrush(dest.Canvas(), glyph.TransparentColor());
  dest.Canvas().FillRect(Rect(0, 0, dest.Width(), dest.Height()));
  // Where the mask is black (the glyph's own pixels) the brush colour goes
  // down; elsewhere the destination stays.
  auto emboss = [&](int ox, int oy, TColor color) {
    QImage layer(mask.size(), QImage::Format_ARGB32);
    const uint32_t rgb = ColorToRGB(color);
    const QRgb paint = qRgba(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 255);
    for (int j = 0; j < mask.height(); ++j) {
      const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(j));
      auto* l = reinterpret_cast<QRgb*>(layer.scanLine(j));
      for (int i = 0; i < mask.width(); ++i) l[i] = (m[i] & 0xFFFFFF) == 0 ? paint : 0;
    }
    dest.Canvas().DrawImage(QPoint(ox, oy), layer, std::nullopt, true);
  };
  emboss(x + 1, y + 1, clBtnHighlight);
  emboss(x, y, clBtnShadow);
}

void DrawMaskedTexture(TCanvas& dest, const TRect& destRect, TBitmap& mask, TBitmap& source, TColor maskColor,
                       TColor transparentColor) {
  if (mask.Empty() || source.Empty()) return;
  TBitmap maskBits, image;
  MakeMaskPair(mask, maskBits, image, maskColor);
  // Inside the shape (maskBits black) the texture stays; outside it turns
  // white, then goes on as the transparent colour.
  const int w = std::min(source.Width(), maskBits.Width()), h = std::min(source.Height(), maskBits.Height());
  QImage texture = source.ToQImage().convertToFormat(QImage::Format_RGB32);
  const QImage m = maskBits.ToQImage();
  const uint32_t key = ColorToRGB(transparentColor);
  const QRgb keyRgb = qRgb(GetRValue(key), GetGValue(key), GetBValue(key));
  for (int y = 0; y < texture.height(); ++y) {
    auto* t = reinterpret_cast<QRgb*>(texture.scanLine(y));
    const auto* mm = y < h ? reinterpret_cast<const QRgb*>(m.constScanLine(y)) : nullptr;
    for (int x = 0; x < texture.width(); ++x) {
      const bool inside = mm && x < w && (mm[x] & 0xFFFFFF) == 0xFFFFFF;
      if (!inside) t[x] = keyRgb;
    }
  }
  source.AssignQImage(texture);
  DrawBitmapPalette(dest, destRect, source, kQRXDrawPalette | kQRXDrawMaskColor, 0, transparentColor);
}

TBitmap MakeOpaqueHatch(TBrushStyle style, TColor fore, TColor back) {
  TBitmap pattern;
  pattern.SetSize(8, 8);
  SolidBrush(pattern.Canvas(), back);
  pattern.Canvas().FillRect(Rect(0, 0, 8, 8));
  pattern.Canvas().Brush().SetStyle(style);
  pattern.Canvas().Brush().SetColor(fore);
  pattern.Canvas().FillRect(Rect(0, 0, 8, 8));
  return pattern;
}

void CalcGradientColors(TColor c1, TColor c2, int count, TQRXColorList* list, bool clearFirst) {
  if (!list || count <= 0) return;
  const uint32_t a = ColorToRGB(c1), b = ColorToRGB(c2);
  if (clearFirst) list->clear();
  if (count == 1) {
    if (clearFirst) list->push_back(TColor(a));
    return;
  }
  const int r1 = GetRValue(a), g1 = GetGValue(a), b1 = GetBValue(a);
  const int r2 = GetRValue(b), g2 = GetGValue(b), b2 = GetBValue(b);
  for (int i = clearFirst ? 0 : 1; i < count; ++i)
    list->push_back(RGB(r1 + MulDiv(i, r2 - r1, count - 1), g1 + MulDiv(i, g2 - g1, count - 1),
                        b1 + MulDiv(i, b2 - b1, count - 1)));
}

TQRXPaletteHandle CreateGradientPalette(const TQRXColorList* list) {
  if (!list || list->empty()) return nullptr;
  auto palette = std::make_shared<TQRXPalette>();
  for (TColor c : *list) palette->colors.push_back(TColor(ColorToRGB(c)));
  return palette;
}

namespace {

// A gradient's colours as 32-bit pixels.
std::vector<QRgb> GradientPixels(const TQRXColorList& colors) {
  std::vector<QRgb> pixels;
  pixels.reserve(colors.size());
  for (TColor c : colors) {
    const uint32_t rgb = ColorToRGB(c);
    pixels.push_back(qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
  }
  return pixels;
}

// A part of an image that shares its pixels.
QImage ImagePart(const QImage& image, int width, int height) {
  if (width == image.width() && height == image.height()) return image;
  return QImage(image.constBits(), width, height, image.bytesPerLine(), image.format());
}

// `count` pixels of one colour. The C library's wide-character fill sets
// 32-bit units with the widest stores the processor has, as Qt's own
// fills do.
void Fill32(QRgb* to, QRgb color, int count) {
  static_assert(sizeof(wchar_t) == sizeof(QRgb));
  std::wmemset(reinterpret_cast<wchar_t*>(to), wchar_t(color), std::size_t(count));
}

// The linear bands written straight into a 32-bit surface, within the
// part of it the canvas may draw on; false when the canvas has no such
// surface.
bool FillLinearBands(TCanvas& canvas, const TRect& rect, bool vertical, const std::vector<QRgb>& colors) {
  return canvas.PaintPixels([&](QImage& image, const QRegion& writable) {
    const int w = rect.Width(), h = rect.Height(), n = int(colors.size());
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    auto row = [&](int y) { return reinterpret_cast<QRgb*>(bits + y * stride); };
    // One row of the horizontal bands, copied onto every row.
    std::vector<QRgb> line;
    if (!vertical) {
      line.resize(std::size_t(w));
      for (int i = 0; i < n; ++i)
        std::fill(line.begin() + MulDiv(i, w, n), line.begin() + MulDiv(i + 1, w, n), colors[std::size_t(i)]);
    }
    for (const QRect& part : writable.intersected(rect.ToQRect())) {
      const int x0 = part.left(), x1 = part.right() + 1, y0 = part.top(), y1 = part.bottom() + 1;
      if (!vertical) {
        for (int y = y0; y < y1; ++y)
          std::copy(line.begin() + (x0 - rect.Left), line.begin() + (x1 - rect.Left), row(y) + x0);
        continue;
      }
      for (int i = 0; i < n; ++i) {
        const int top = std::max(y0, rect.Top + MulDiv(i, h, n));
        const int bottom = std::min(y1, rect.Top + MulDiv(i + 1, h, n));
        for (int y = top; y < bottom; ++y) Fill32(row(y) + x0, colors[std::size_t(i)], x1 - x0);
      }
    }
  });
}

// The two linear styles. Band i covers the columns (horizontal) or rows
// (vertical) MulDiv(i, size, n) up to MulDiv(i + 1, size, n). Where the
// canvas cannot hand over its pixels: a canvas call costs about what
// copying 20000 pixels does (it opens its surface afresh), so few bands
// over a large area are filled one by one, and otherwise a strip of the
// bands is made once and copied along the area.
void DrawLinearGradient(TCanvas& canvas, const TRect& rect, bool vertical, const TQRXColorList& list,
                        const std::vector<QRgb>& colors) {
  if (FillLinearBands(canvas, rect, vertical, colors)) return;
  constexpr int kStrip = 256;
  constexpr long long kPixelsPerCall = 20000;
  const int w = rect.Width(), h = rect.Height(), n = int(colors.size());
  if (n * kPixelsPerCall < (long long)w * h) {
    for (int i = 0; i < n; ++i) {
      SolidBrush(canvas, TColor(ColorToRGB(list[std::size_t(i)])));
      if (vertical)
        canvas.FillRect(Rect(rect.Left, rect.Top + MulDiv(i, h, n), rect.Right, rect.Top + MulDiv(i + 1, h, n)));
      else
        canvas.FillRect(Rect(rect.Left + MulDiv(i, w, n), rect.Top, rect.Left + MulDiv(i + 1, w, n), rect.Bottom));
    }
    return;
  }
  const int sw = vertical ? std::min(w, kStrip) : w;
  const int sh = vertical ? h : std::min(h, kStrip);
  QImage strip(sw, sh, QImage::Format_RGB32);
  if (vertical) {
    for (int i = 0; i < n; ++i)
      for (int y = MulDiv(i, h, n); y < MulDiv(i + 1, h, n); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(strip.scanLine(y)), sw, colors[std::size_t(i)]);
  } else {
    auto* first = reinterpret_cast<QRgb*>(strip.scanLine(0));
    for (int i = 0; i < n; ++i) std::fill(first + MulDiv(i, w, n), first + MulDiv(i + 1, w, n), colors[std::size_t(i)]);
    for (int y = 1; y < sh; ++y) std::copy_n(first, w, reinterpret_cast<QRgb*>(strip.scanLine(y)));
  }
  for (int y = 0; y < h; y += sh)
    for (int x = 0; x < w; x += sw)
      canvas.DrawImage(QPoint(rect.Left + x, rect.Top + y), ImagePart(strip, std::min(sw, w - x), std::min(sh, h - y)));
}

// The elliptic style: band i fills ellipse i, (cx - rw, cy - rh, cx + rw,
// cy + rh), the ellipses drawn from the largest in, so a pixel takes the
// band of the smallest ellipse holding its centre. Each row is worked out
// from the ellipses' spans on it, once per pixel, where drawing the
// ellipses one over another would paint the middle n times.
class EllipticBands {
 public:
  EllipticBands(int w, int h, const std::vector<QRgb>& colors)
      : w_(w), cx_(w / 2), cy_(h / 2), colors_(colors), rw_(colors.size()), rh_(colors.size()) {
    const int n = int(colors.size());
    for (int i = 0; i < n; ++i) {
      rw_[std::size_t(i)] = double(std::lround(MulDiv(i + 1, w, n) / 1.4));
      rh_[std::size_t(i)] = double(std::lround(MulDiv(i + 1, h, n) / 1.4));
    }
  }

  // Row y into row[0, w); returns the span [lo, hi) the ellipses cover
  // (empty when lo >= hi). Pixels outside it are left as they were.
  std::pair<int, int> Row(int y, QRgb* row) const {
    const double dy = y + 0.5 - cy_;
    // The span drawn so far: [lo, hi), widening band by band.
    int lo = cx_, hi = cx_;
    for (std::size_t i = 0; i < colors_.size(); ++i) {
      const double a = rw_[i], b = rh_[i];
      if (a <= 0 || b <= std::abs(dy)) continue;
      const double half = a * std::sqrt(1 - (dy / b) * (dy / b));
      // Pixel x is inside when |x + 0.5 - cx| < half.
      const int left = std::max(0, int(std::floor(cx_ - half - 0.5)) + 1);
      const int right = std::min(w_, int(std::ceil(cx_ + half - 0.5)));
      if (left >= right) continue;
      const QRgb c = colors_[i];
      if (left < lo) std::fill(row + left, row + lo, c);
      if (right > hi) std::fill(row + hi, row + right, c);
      lo = std::min(lo, left);
      hi = std::max(hi, right);
    }
    return {lo, hi};
  }

  // The whole area as an image; pixels outside every ellipse get
  // `outside`, and `covered` tells whether any did.
  QImage Image(int h, QRgb outside, bool& covered) const {
    QImage image(w_, h, QImage::Format_RGB32);
    covered = true;
    for (int y = 0; y < h; ++y) {
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      const auto [lo, hi] = Row(y, row);
      if (lo > 0 || hi < w_) {
        covered = false;
        std::fill(row, row + lo, outside);
        std::fill(row + std::max(lo, hi), row + w_, outside);
      }
    }
    return image;
  }

  // The bands written straight into a 32-bit surface within the part the
  // canvas may draw on; `outside` (when given) where no ellipse reaches,
  // else the surface shows there. False when the canvas has no such surface.
  bool Fill(TCanvas& canvas, const TRect& rect, std::optional<QRgb> outside) const {
    return canvas.PaintPixels([&](QImage& image, const QRegion& writable) {
      std::vector<QRgb> line(static_cast<std::size_t>(w_));
      uchar* bits = image.bits();
      const qsizetype stride = image.bytesPerLine();
      for (const QRect& part : writable.intersected(rect.ToQRect())) {
        // Columns and rows of the part, counted from the rectangle.
        const int x0 = part.left() - rect.Left, x1 = part.right() + 1 - rect.Left;
        for (int y = part.top(); y <= part.bottom(); ++y) {
          auto [lo, hi] = Row(y - rect.Top, line.data());
          hi = std::max(lo, hi);
          QRgb* to = reinterpret_cast<QRgb*>(bits + y * stride);
          const int from = std::clamp(lo, x0, x1), until = std::clamp(hi, x0, x1);
          std::copy(line.data() + from, line.data() + until, to + (rect.Left + from));
          if (outside) {
            Fill32(to + (rect.Left + x0), *outside, from - x0);
            Fill32(to + (rect.Left + until), *outside, x1 - until);
          }
        }
      }
    });
  }

 private:
  int w_, cx_, cy_;
  const std::vector<QRgb>& colors_;
  std::vector<double> rw_, rh_;
};

}  // namespace

void DrawGradient(TCanvas& canvas, const TRect& rect, TQRXGradientStyle style, const TQRXColorList* colors,
                  const TQRXPaletteHandle& palette, unsigned flags, std::uint32_t clipOffset) {
  using enum TQRXGradientStyle;
  (void)palette;
  (void)clipOffset;
  if (!colors || colors->empty() || rect.IsEmpty()) return;
  const int n = int(colors->size());
  const int w = rect.Width(), h = rect.Height();
  auto color = [&](int i) { return TColor(ColorToRGB((*colors)[std::size_t(i)])); };
  const bool offscreen = (flags & kQRXDrawOffscreen) != 0;

  // The styles computed pixel by pixel end in one copy onto the canvas.
  // Drawn straight on, they leave the canvas with no pen and the brush of
  // the band painted last, as band-by-band drawing does.
  if (style == gstHorizontal || style == gstVertical || style == gstElliptic) {
    const std::vector<QRgb> pixels = GradientPixels(*colors);
    TQRXClipScope clip(canvas, rect, !offscreen && (flags & kQRXDrawClip) != 0);
    const TCopyMode mode = canvas.CopyMode();
    canvas.SetCopyMode(cmSrcCopy);
    if (style == gstElliptic) {
      const EllipticBands ellipses(w, h, pixels);
      // Drawn straight on, the canvas shows where no ellipse reaches.
      const std::optional<QRgb> outside = offscreen ? std::optional<QRgb>(0xFFFFFFFF) : std::nullopt;
      if (!ellipses.Fill(canvas, rect, outside)) {
        bool covered = true;
        const QImage bands = ellipses.Image(h, outside.value_or(0), covered);
        if (covered || offscreen)
          canvas.DrawImage(QPoint(rect.Left, rect.Top), bands);
        else
          canvas.DrawImage(QPoint(rect.Left, rect.Top),
                           QImage(bands.constBits(), w, h, bands.bytesPerLine(), QImage::Format_ARGB32),
                           std::nullopt, true);
      }
    } else {
      DrawLinearGradient(canvas, rect, style == gstVertical, *colors, pixels);
    }
    canvas.SetCopyMode(mode);
    if (!offscreen) {
      NoPen(canvas);
      SolidBrush(canvas, color(style == gstHorizontal ? n - 1 : 0));
    }
    return;
  }

  TRect base;
  switch (style) {
    case gstSquare:
      base = Rect(w / 2, h / 2, w / 2, h / 2);
      break;
    case gstTopLeft:
    case gstTopLeftDiagonal:
      base = Rect(0, 0, 1, 1);
      break;
    case gstTopRight:
      base = Rect(w, 1, w + 1, 0);
      break;
    case gstBottomLeft:
      base = Rect(1, h, 0, h + 1);
      break;
    case gstBottomRight:
      base = Rect(w, h, w + 1, h + 1);
      break;
    case gstTopRightDiagonal:
      base = Rect(w, 0, w + 1, 0);
      break;
    default:
      break;
  }

  // The off-screen buffer is a plain image held open by one painter for
  // all the bands: a canvas opens its surface afresh for every call.
  QImage buffer;
  std::optional<QPainter> bufferPainter;
  std::unique_ptr<TCanvas> bufferCanvas;
  TCanvas* target = &canvas;
  if (offscreen) {
    buffer = QImage(w, h, QImage::Format_RGB32);
    buffer.fill(Qt::white);
    bufferPainter.emplace(&buffer);
    bufferCanvas = std::make_unique<TCanvas>();
    bufferCanvas->BeginPainting(&*bufferPainter);
    target = bufferCanvas.get();
  } else {
    OffsetRect(base, rect.Left, rect.Top);
  }
  TQRXClipScope clip(canvas, rect, !offscreen && (flags & kQRXDrawClip) != 0);
  TCanvas& c = *target;
  NoPen(c);
  SolidBrush(c, clBlack);

  for (int i = n - 1; i >= 0; --i) {
    c.Brush().SetColor(color(i));
    const int dw = MulDiv(i + 1, w, n), dh = MulDiv(i + 1, h, n);
    switch (style) {
      case gstSquare: {
        const int cx = base.Left, cy = base.Top;
        c.Rectangle(cx - dw / 2, cy - dh / 2, cx + dw / 2 + 2, cy + dh / 2 + 2);
        break;
      }
      case gstTopLeft:
        c.Rectangle(base.Left, base.Top, base.Right + dw, base.Bottom + dh);
        break;
      case gstTopRight:
        c.Rectangle(base.Left - dw, base.Top + dh, base.Right, base.Bottom);
        break;
      case gstBottomLeft:
        c.Rectangle(base.Left + dw, base.Top - dh, base.Right, base.Bottom);
        break;
      case gstBottomRight:
        c.Rectangle(base.Left - dw, base.Top - dh, base.Right, base.Bottom);
        break;
      case gstTopLeftDiagonal: {
        const int d2w = 2 * dw, d2h = 2 * dh;
        const std::array<TPoint, 4> p{Point(base.Left, base.Top), Point(base.Left + d2w, base.Top),
                                      Point(base.Left, base.Bottom + d2h), Point(base.Left - d2w, base.Bottom + d2h)};
        c.Polygon(p);
        break;
      }
      case gstTopRightDiagonal: {
        const int d2w = 2 * dw, d2h = 2 * dh;
        const std::array<TPoint, 4> p{Point(base.Right, base.Top), Point(base.Right - d2w, base.Top),
                                      Point(base.Right, base.Bottom + d2h), Point(base.Right + d2w, base.Bottom + d2h)};
        c.Polygon(p);
        break;
      }
      default:
        break;
    }
  }
  if (bufferCanvas) {
    bufferCanvas->EndPainting();
    bufferCanvas.reset();
    bufferPainter.reset();
    const TCopyMode mode = canvas.CopyMode();
    canvas.SetCopyMode(cmSrcCopy);
    canvas.DrawImage(QPoint(rect.Left, rect.Top), buffer);
    canvas.SetCopyMode(mode);
  }
}

TRect AlignRect(TQRXAlignment alignment, const TRect& inner, const TRect& outer) {
  using enum TQRXAlignment;
  const int iw = inner.Width(), ih = inner.Height();
  const int ow = outer.Width(), oh = outer.Height();
  int x = outer.Left, y = outer.Top;
  switch (alignment) {
    case agTopCenter:
    case agCenter:
    case agBottomCenter:
      x += (ow - iw) / 2;
      break;
    case agTopRight:
    case agCenterRight:
    case agBottomRight:
      x += ow - iw;
      break;
    default:
      break;
  }
  switch (alignment) {
    case agCenterLeft:
    case agCenter:
    case agCenterRight:
      y += (oh - ih) / 2;
      break;
    case agBottomLeft:
    case agBottomCenter:
    case agBottomRight:
      y += oh - ih;
      break;
    default:
      break;
  }
  return Bounds(x, y, iw, ih);
}

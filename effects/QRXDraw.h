#pragma once
// The frame and picture half of the visual-effects library's drawing
// routines: bevel and border frames, small arrows, bitmaps placed in eight
// styles with three kinds of transparency, disabled glyphs, colour tables,
// palettes, multi-band gradients and rectangle alignment. Property objects
// and controls hold the settings and call these; text is in QRXText.
//
// Clip rectangles: our canvases clip in their own coordinates (a graphic
// control has a canvas of its own), so the "clip offset" the callers pass
// (their position in the parent, x in the low and y in the high 16 bits)
// is accepted for the callers' sake and never moves a clip region.

#include <cstdint>
#include <memory>
#include <vector>

#include "effects/QRXConst.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Color.h"
#include "platform/gui/Geometry.h"

// Flag word of the bitmap and gradient routines.
inline constexpr unsigned kQRXDrawClip = 0x0001;
inline constexpr unsigned kQRXDrawOffscreen = 0x0004;  // gradients only
inline constexpr unsigned kQRXDrawCenter = 0x0008;
inline constexpr unsigned kQRXDrawStretch = 0x0010;
inline constexpr unsigned kQRXDrawTile = 0x0020;
inline constexpr unsigned kQRXDrawMaskColor = 0x0040;
inline constexpr unsigned kQRXDrawBrushCopy = 0x0080;
inline constexpr unsigned kQRXDrawMaskCanvas = 0x0100;
inline constexpr unsigned kQRXDrawKeepHeight = 0x0200;
inline constexpr unsigned kQRXDrawKeepWidth = 0x0400;
inline constexpr unsigned kQRXDrawFit = 0x0600;
inline constexpr unsigned kQRXDrawPalette = 0x1000;

// A logical palette (PC_NOCOLLAPSE entries). Every surface here is true
// colour, so selecting and realising one changes no pixel; it is kept so
// that owners can hand it on and report it.
struct TQRXPalette {
  std::vector<TColor> colors;
};
using TQRXPaletteHandle = std::shared_ptr<const TQRXPalette>;

using TQRXColorList = std::vector<TColor>;

// Frames.
bool DrawBevelFrame(TCanvas& canvas, TRect& rect, TQRXBevelStyle style, TColor lightColor, TColor shadowColor,
                    int width);
void DrawShadowFrame(TCanvas& canvas, TRect& rect, TColor lightColor, TColor shadowColor, TColor borderColor,
                     int outerWidth, int innerWidth, bool transparent);
int BorderStyleExtent(TQRXBorderStyle style);
bool DrawEdgeFrame(TCanvas& canvas, TRect& rect, TQRXBorderStyle style, unsigned extraFlags);
// A filled triangle of `size` rows (2..15; other sizes draw nothing).
void DrawArrow(TCanvas& canvas, int x, int y, int size, TColor color, bool down, bool enabled);

// Bitmaps.
void FillBitmap(TBitmap* bitmap, const TRect& rect, TColor color);
// ImageBitmap gets the source area with every pixel of `transparentColor`
// turned black; MaskBitmap a one-bit mask, white where that colour was.
void DrawTransparentBitmap(TCanvas& sourceCanvas, const TRect& sourceRect, TBitmap& maskBitmap,
                           TBitmap& imageBitmap, TColor transparentColor);
void MakeMaskPair(TBitmap& bitmap, TBitmap& maskBitmap, TBitmap& imageBitmap, TColor transparentColor);
// The placement and drawing of a bitmap by the flag word. `bitmap` is the
// picture itself for brush-copy transparency (0x0080), `mask` the caller's
// mask canvas for 0x0100. `drawnRect`, when given, receives where it went.
void DrawBitmapStyled(TCanvas& dest, const TRect& destRect, TCanvas& source, const TRect& sourceRect,
                      unsigned flags, TColor color, const TQRXPaletteHandle& palette, TBitmap* bitmap,
                      TCanvas* mask, TRect* drawnRect = nullptr);
// DrawBitmapStyled inside a clip of destRect when flag 0x0001 is set.
void DrawBitmapClipped(TCanvas& dest, const TRect& destRect, TCanvas& source, const TRect& sourceRect,
                       unsigned flags, std::uint32_t clipOffset, TColor color, TBitmap* bitmap,
                       TCanvas* mask);
// The whole bitmap into destRect by the flag word.
void DrawBitmapPalette(TCanvas& dest, const TRect& destRect, TBitmap& bitmap, unsigned flags,
                       std::uint32_t clipOffset, TColor color);
// As DrawBitmapPalette without clipping; answers the rectangle drawn into.
TRect DrawListBitmap(TCanvas& dest, const TRect& destRect, TBitmap& bitmap, unsigned flags, TColor color);
// Dest becomes Source with every pixel but the background (the colour at
// 0, 0) in one of four tones by its brightness.
void MakeDisabledGlyph(TBitmap& dest, const TBitmap& source);
// The embossed disabled look of `glyph` at (x, y): highlight one pixel down
// and right, shadow on top, on the glyph's transparent colour.
void DrawGlyph(TBitmap& dest, TBitmap& glyph, int x, int y);
// `source` painted onto dest where `mask` has maskColor.
void DrawMaskedTexture(TCanvas& dest, const TRect& destRect, TBitmap& mask, TBitmap& source, TColor maskColor,
                       TColor transparentColor);

// An 8 x 8 pattern of a hatch brush drawn in `fore` on `back`: the opaque
// hatch a brush gives over an opaque background.
TBitmap MakeOpaqueHatch(TBrushStyle style, TColor fore, TColor back);

// Gradients.
// Appends count colours from c1 to c2 (both included); without clearFirst
// the first one, equal to the list's last, is left out.
void CalcGradientColors(TColor c1, TColor c2, int count, TQRXColorList* list, bool clearFirst);
TQRXPaletteHandle CreateGradientPalette(const TQRXColorList* list);
void DrawGradient(TCanvas& canvas, const TRect& rect, TQRXGradientStyle style, const TQRXColorList* colors,
                  const TQRXPaletteHandle& palette, unsigned flags, std::uint32_t clipOffset);

// A rectangle of inner's size placed in outer.
TRect AlignRect(TQRXAlignment alignment, const TRect& inner, const TRect& outer);

// Narrows a canvas's clip to a rectangle for the life of the object and
// gives the canvas its former clip back afterwards, also after an exception.
class TQRXClipScope {
 public:
  TQRXClipScope(TCanvas& canvas, const TRect& rect, bool active = true);
  ~TQRXClipScope();
  TQRXClipScope(const TQRXClipScope&) = delete;
  TQRXClipScope& operator=(const TQRXClipScope&) = delete;

 private:
  TCanvas& canvas_;
  bool active_;
  bool had_clip_ = false;
  QRegion old_;
};

// Packs a position as the routines' clip offset (x low, y high 16 bits).
inline std::uint32_t PackClipOffset(int x, int y) {
  return (std::uint32_t(std::uint16_t(x))) | (std::uint32_t(std::uint16_t(y)) << 16);
}

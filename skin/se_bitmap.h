#pragma once
// TSeBitmap: the one pixel store everything the skin library draws passes
// through. A top-down 32-bit bitmap whose pixels are 0xAARRGGBB values (in
// memory blue, green, red, alpha), with a canvas that draws straight into
// them. Skin files keep their images as TSeBitmap records; skin objects
// address rectangles inside them through TSeBitmapLink; a skin keeps them
// in a TSeBitmapList. Drawing comes plain, masked by the key colour,
// stretched (nearest pixel, 16.16 fixed point), tiled and alpha-blended.
//
// On this platform there is no system transparent copy: masked drawing is
// always our own emulation, so it is the same on every machine.

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/Streams.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Color.h"
#include "platform/gui/Geometry.h"
#include "platform/gui/Picture.h"

using TSeArgb = std::uint32_t;

// The pixel masked drawing and region building leave out: alpha 0, red and
// blue 0x7F, green 0.
inline constexpr TSeArgb KeyColor = 0x007F007F;

class TSeBitmapLink;

class TSeBitmap {
 public:
  TSeBitmap();
  virtual ~TSeBitmap();
  TSeBitmap(const TSeBitmap&) = delete;
  TSeBitmap& operator=(const TSeBitmap&) = delete;

  // Absolute values are taken; a zero side or the current size changes
  // nothing (a bitmap cannot be emptied by sizing). New pixels are 0.
  // Raises Exception("Can't allocate the DIB handle") when the memory cannot
  // be had; the bitmap is then empty.
  void SetSize(int width, int height);
  bool Empty() const { return width_ == 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The first pixel of the top row; rows follow without gaps. Null while empty.
  TSeArgb* Bits();
  const TSeArgb* Bits() const;
  // No range check.
  TSeArgb* PixelPtr(int x, int y) { return Bits() + x + y * width_; }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  // When set, FillRect and the copies onto another TSeBitmap blend by alpha.
  bool AlphaBlend() const { return alpha_blend_; }
  void SetAlphaBlend(bool value) { alpha_blend_ = value; }

  // A canvas over the pixels, for text and shapes drawn by other parts.
  // Painting through it leaves alpha 0xFF in the pixels it touches.
  TCanvas& Canvas();
  TFont& Font() { return Canvas().Font(); }
  // The pixels as an image (shares the memory until either side writes).
  const QImage& Image() const { return image_; }

  void Clear(TSeArgb value);
  // Opaque black outside the bitmap.
  TSeArgb GetPixel(int x, int y) const;
  // Pixels whose red, green and blue each lie within 5 of `color`'s become
  // KeyColor; alpha is not compared.
  void SetTransparentColor(TSeArgb color);
  void SetAlpha(std::uint8_t alpha);
  void SetAlphaRect(std::uint8_t alpha, const TRect& rect);
  void FillRect(const TRect& rect, TSeArgb value);
  // Lays this bitmap over `other`'s rect placed at (x, y): alpha 0 takes
  // other's pixel, 1..254 blends over it, 255 stays.
  void MergeBackground(const TSeBitmap& other, int x, int y, TRect rect);
  // Every pixel with a non-zero alpha byte gets its hue shifted.
  void ChangeHue(int delta);

  // Drawing onto a canvas (the host drew onto a device context).
  void Draw(TCanvas& canvas, int x, int y, bool masked);
  void DrawRect(TCanvas& canvas, int x, int y, const TRect& src, bool masked);
  void StretchDraw(TCanvas& canvas, const TRect& dest, const TRect& src, bool masked);
  // Repeats src from dest's top-left corner, column by column; the last
  // column and row show the top-left part of src.
  void TileDraw(TCanvas& canvas, const TRect& dest, const TRect& src, bool masked);

  // Drawing onto another TSeBitmap, by alpha when AlphaBlend is set.
  void DrawToBitmap(TSeBitmap& target, int x, int y, const TRect& src) const;
  void StretchDrawToBitmap(TSeBitmap& target, const TRect& dest, const TRect& src) const;

  // The class-library copy used for fast unmasked drawing.
  void UpdateBitmapCopy();
  TBitmap* BitmapCopy() const { return copy_.get(); }
  void DrawRectCopy(TCanvas& canvas, int x, int y, const TRect& src);
  void StretchDrawCopy(TCanvas& canvas, const TRect& dest, const TRect& src);
  void TileDrawCopy(TCanvas& canvas, const TRect& dest, const TRect& src);

  // The bitmap record: name string, int32 width, int32 height, then
  // width x height pixels (blue, green, red, alpha), rows top to bottom.
  // A truncated or inconsistent record raises EReadError.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

  // A new link to `rect` of this bitmap, carrying its name.
  std::unique_ptr<TSeBitmapLink> CreateLink(const TRect& rect);

  // From a class-library bitmap or any graphic: same size, opaque pixels.
  void Assign(const TBitmap& source);
  void Assign(TGraphic& source);
  void Assign(TPicture& source);
  // To a class-library bitmap or picture: the pixels drawn unmasked at 0, 0.
  void AssignTo(TBitmap& dest) const;
  void AssignTo(TPicture& dest) const;

 private:
  void DrawSampled(TCanvas& canvas, const TRect& dest, const TRect& src, bool masked);

  QImage image_;
  int width_ = 0;
  int height_ = 0;
  std::string name_;
  bool alpha_blend_ = false;
  std::unique_ptr<TCanvas> canvas_;
  std::unique_ptr<TBitmap> copy_;
};

// A named rectangle inside a bitmap (which it does not own).
class TSeBitmapLink {
 public:
  TSeBitmapLink() = default;
  void Assign(const TSeBitmapLink& source) { *this = source; }
  bool Valid() const {
    return Bitmap != nullptr && std::int64_t(Right - Left) * std::int64_t(Bottom - Top) > 0;
  }
  TRect Rect() const { return {Left, Top, Right, Bottom}; }

  // Drawing of the rectangle: at a point unscaled, stretched, tiled.
  void Draw(TCanvas& canvas, int x, int y, bool masked) const;
  void StretchDraw(TCanvas& canvas, const TRect& dest, bool masked) const;
  void TileDraw(TCanvas& canvas, const TRect& dest, bool masked) const;

  TSeBitmap* Bitmap = nullptr;
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  std::string Name;
};

// The skin's images; owns them.
class TSeBitmapList {
 public:
  TSeBitmapList() = default;
  TSeBitmapList(const TSeBitmapList&) = delete;
  TSeBitmapList& operator=(const TSeBitmapList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  void Add(std::unique_ptr<TSeBitmap> bitmap);
  void Clear();
  void SwapWith(TSeBitmapList& other);
  // Null outside 0..Count-1.
  TSeBitmap* GetBitmap(int index) const;
  // A new link to `rect` of the last bitmap whose name matches, ignoring
  // case; null when none does. Names count as they were when the bitmaps
  // were added.
  std::unique_ptr<TSeBitmapLink> GetLink(const std::string& name, const TRect& rect) const;

 private:
  std::vector<std::unique_ptr<TSeBitmap>> items_;
  // Lower-cased name to the last bitmap added under it, so that a skin
  // with many objects and bitmaps resolves its links quickly.
  std::unordered_map<std::string, std::size_t> by_name_;
};

namespace se {

// Colour conversions.
TSeArgb ColorToArgb(TColor color, std::uint8_t alpha = 255);
TSeArgb ColorRefToArgb(std::uint32_t colorRef);
TColor ArgbToColor(TSeArgb argb);
TSeArgb MakeArgb(int r, int g, int b, std::uint8_t a);
TSeArgb ArgbSubtract(TSeArgb argb, std::uint8_t dr, std::uint8_t dg, std::uint8_t db, std::uint8_t da);
inline std::uint8_t AlphaOf(TSeArgb p) { return std::uint8_t(p >> 24); }
inline std::uint8_t RedOf(TSeArgb p) { return std::uint8_t(p >> 16); }
inline std::uint8_t GreenOf(TSeArgb p) { return std::uint8_t(p >> 8); }
inline std::uint8_t BlueOf(TSeArgb p) { return std::uint8_t(p); }

// Hue, saturation and lightness, each 0..1.
struct Hsl {
  double h = 0;
  double s = 0;
  double l = 0;
};
Hsl ArgbToHsl(TSeArgb argb);
int HueToChannel(double t, double m1, double m2);
// Always opaque.
TSeArgb HslToArgb(double h, double s, double l);
// The hue in 255 steps plus delta (wrapping by 255), saturation and
// lightness kept; the result is opaque.
TSeArgb ShiftArgbHue(TSeArgb argb, int delta);

// `f` laid over `b` by f's alpha: each channel (alpha too) is
// (f*a + 128) / 256 + (b*(255-a) + 128) / 256.
TSeArgb BlendPixel(TSeArgb f, TSeArgb b);

// Pixel kernels over a pixel array with `stride` pixels per row. The
// rectangles are inclusive and must lie inside the array.
void FillPixels(TSeArgb* dest, int count, TSeArgb value);
void FillPixelRect(TSeArgb* bits, int stride, int left, int top, int right, int bottom, TSeArgb value);
void FillAlpha(TSeArgb* dest, int count, std::uint8_t alpha);
void FillAlphaRect(TSeArgb* bits, int stride, int left, int top, int right, int bottom, std::uint8_t alpha);
void BlendRow(const TSeArgb* src, TSeArgb* dest, int count);

// The masked copy: the pixels of `src`'s rectangle that are not `key`
// (compared on red, green and blue) drawn into the destination rectangle,
// sampled to the nearest pixel when the sizes differ.
void TransparentBltEmulation(TCanvas& canvas, int x, int y, int width, int height, const TSeBitmap& src,
                             int srcX, int srcY, int srcWidth, int srcHeight, TSeArgb key);

}  // namespace se

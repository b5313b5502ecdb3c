#pragma once
// TBitmap: the host's bitmap as our own DIB (see Dib.h), shown through a
// QImage copy. Its canvas draws straight into the pixel memory for 32-bit
// bitmaps; for other formats each drawing call paints a 32-bit copy and
// stores back the pixels it changed, in the bitmap's own format (palette
// bitmaps take the nearest palette entry, as the host does), so pixels a
// call does not touch keep their exact value and palette index.

#include <QImage>
#include <memory>

#include "platform/gui/Canvas.h"
#include "platform/gui/Color.h"
#include "platform/gui/Dib.h"
#include "platform/gui/Graphic.h"

enum TTransparentMode { tmAuto, tmFixed };

// A new bitmap is 32 bits per pixel, the format of the display (pfDevice).
class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);
  ~TBitmap() override;
  void Assign(const TBitmap& other);

  bool Empty() const override { return dib_.Empty(); }
  int Width() const override { return dib_.width; }
  int Height() const override { return dib_.height; }
  // Resizing keeps the pixels that stay inside; new pixels are white.
  void SetWidth(int width) override { SetSize(width, dib_.height); }
  void SetHeight(int height) override { SetSize(dib_.width, height); }
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return dib_.format; }
  // Converts the pixels to the new format.
  void SetPixelFormat(TPixelFormat format);
  bool Monochrome() const { return dib_.format == pf1bit; }
  void SetMonochrome(bool value);
  const std::vector<TRGBQuad>& Palette() const { return dib_.palette; }
  // Replaces the palette of a palette bitmap; indexes stay as they are.
  void SetPalette(const std::vector<TRGBQuad>& palette);

  // Row `row` counted from the top; raises EInvalidGraphic out of range.
  uint8_t* ScanLine(int row);
  const uint8_t* ScanLine(int row) const;
  int BytesPerScanLine() const { return dib_.stride; }

  TCanvas& Canvas();

  // The colour drawing leaves out when Transparent is set: the bottom-left
  // pixel's colour in tmAuto, the stored colour in tmFixed.
  TColor TransparentColor() const;
  // Setting a colour switches to tmFixed; clDefault switches back to tmAuto.
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode mode) { transparent_mode_ = mode; }

  // Turns the bitmap into a one-bit mask: `color` becomes white, every
  // other colour black.
  void Mask(TColor color);
  // Kept for callers; the DIB is always in memory.
  void FreeImage() {}
  void Dormant() {}

  // A copy to show or scale: RGB32, opaque.
  QImage ToQImage() const;
  // Takes the pixels of any QImage as a 32-bit bitmap (alpha kept).
  void AssignQImage(const QImage& image);
  const TDib& Dib() const { return dib_; }
  void SetDib(TDib dib);

  void LoadFromBytes(const QByteArray& data) override;
  QByteArray SaveToBytes() const override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  friend class TBitmapCanvas;
  TDib dib_;
  std::unique_ptr<TCanvas> canvas_;
  TColor transparent_color_ = clDefault;
  TTransparentMode transparent_mode_ = tmAuto;
};

#pragma once
// TJPEGImage: a JPEG picture on libjpeg. It keeps the compressed data and
// the picture decoded from it (24 bits, or 8-bit grey with Grayscale, at
// the chosen Scale). Loading decodes at once, so bad data is refused when
// it is loaded, with EInvalidGraphic: truncated data, sizes past the limit,
// anything libjpeg cannot decode. A picture assigned from a bitmap is
// compressed when saved, with CompressionQuality.

#include <memory>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Graphic.h"

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  TJPEGImage(const TJPEGImage& other);
  ~TJPEGImage() override;

  bool Empty() const override { return bitmap_.Empty(); }
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  // A JPEG's size comes from its data: both raise EInvalidGraphicOperation.
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool value);
  TJPEGScale Scale() const { return scale_; }
  void SetScale(TJPEGScale value);
  TJPEGPerformance Performance() const { return performance_; }
  void SetPerformance(TJPEGPerformance value);
  // jf8Bit gives the grey picture too; colour reduction is not done here.
  TJPEGPixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TJPEGPixelFormat value) { pixel_format_ = value; }
  int CompressionQuality() const { return quality_; }
  // 1 to 100; other values are clamped.
  void SetCompressionQuality(int value);
  bool ProgressiveEncoding() const { return progressive_; }
  void SetProgressiveEncoding(bool value) { progressive_ = value; }

  // The decoded picture.
  const TBitmap& Bitmap() const { return bitmap_; }
  // Takes a bitmap's picture; it is compressed on the next save.
  void Assign(const TBitmap& bitmap);
  // Compresses the current picture now (DIBNeeded's counterpart).
  void Compress();

  void LoadFromBytes(const QByteArray& data) override;
  QByteArray SaveToBytes() const override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> Clone() const override;

  // The largest picture (in pixels, at full size) a JPEG may have.
  static constexpr long long kMaxPixels = 1LL << 26;

 private:
  void Decode();

  QByteArray data_;
  TBitmap bitmap_;
  bool grayscale_ = false;
  TJPEGScale scale_ = jsFullSize;
  TJPEGPerformance performance_ = jpBestQuality;
  TJPEGPixelFormat pixel_format_ = jf24Bit;
  int quality_ = 90;
  bool progressive_ = false;
};

// Decodes JPEG data into a DIB (the work under TJPEGImage; raises
// EInvalidGraphic). `scaleDenominator` is 1, 2, 4 or 8.
TDib DecodeJpeg(const QByteArray& data, bool grayscale, int scaleDenominator, bool fast,
                long long maxPixels = TJPEGImage::kMaxPixels);
QByteArray EncodeJpeg(const TDib& dib, int quality, bool grayscale, bool progressive);

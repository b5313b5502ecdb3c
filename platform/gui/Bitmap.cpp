// TBitmap and the canvas that draws into its pixels.

#include "platform/gui/Bitmap.h"

#include <unordered_map>

#include "platform/gui/BmpCodec.h"

// Draws into a bitmap: over the pixel memory itself for 32-bit bitmaps,
// through a 32-bit copy for the others (see Bitmap.h).
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& owner) : owner_(owner) {}

  QImage Snapshot() override { return owner_.ToQImage(); }
  std::optional<uint32_t> ReadPixel(int x, int y) override { return owner_.dib_.GetColor(x, y); }

 protected:
  QPaintDevice* BeginSurface() override {
    TDib& dib = owner_.dib_;
    if (dib.Empty()) return nullptr;
    if (dib.format == pf32bit) {
      // The image over the pixel memory is kept from call to call while the
      // memory stays where it is, and with it the paint engine Qt makes for
      // an image's first painter.
      if (surface_.constBits() != dib.bits.data() || surface_.width() != dib.width ||
          surface_.height() != dib.height || surface_.bytesPerLine() != dib.stride ||
          surface_.format() != QImage::Format_RGB32)
        surface_ = QImage(dib.bits.data(), dib.width, dib.height, dib.stride, QImage::Format_RGB32);
    } else {
      surface_ = owner_.ToQImage();
      before_ = surface_;
      before_.detach();
    }
    return &surface_;
  }

  void EndSurface() override {
    TDib& dib = owner_.dib_;
    if (dib.format != pf32bit && !before_.isNull()) {
      std::unordered_map<uint32_t, uint32_t> nearest;
      for (int y = 0; y < dib.height; ++y) {
        const auto* now = reinterpret_cast<const uint32_t*>(surface_.constScanLine(y));
        const auto* was = reinterpret_cast<const uint32_t*>(before_.constScanLine(y));
        for (int x = 0; x < dib.width; ++x) {
          if (((now[x] ^ was[x]) & 0xFFFFFF) == 0) continue;
          const uint32_t c = now[x];
          const uint32_t bgr = ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16);
          if (IsPaletteFormat(dib.format)) {
            auto it = nearest.find(bgr);
            if (it == nearest.end()) it = nearest.emplace(bgr, uint32_t(dib.NearestIndex(bgr))).first;
            dib.SetRaw(x, y, it->second);
          } else {
            dib.SetColor(x, y, bgr);
          }
        }
      }
    }
    if (dib.format != pf32bit) surface_ = QImage();
    before_ = QImage();
    owner_.Changed();
  }

  QSize SurfaceSize() const override { return {owner_.Width(), owner_.Height()}; }

 private:
  TBitmap& owner_;
  QImage surface_;
  QImage before_;
};

TBitmap::TBitmap() { dib_.format = pf32bit; }

TBitmap::TBitmap(const TBitmap& other) : TGraphic() { Assign(other); }

TBitmap& TBitmap::operator=(const TBitmap& other) {
  Assign(other);
  return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::Assign(const TBitmap& other) {
  if (this == &other) return;
  dib_ = other.dib_;
  transparent_ = other.transparent_;
  transparent_color_ = other.transparent_color_;
  transparent_mode_ = other.transparent_mode_;
  Changed();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == dib_.width && height == dib_.height) return;
  if (DibStride(width, dib_.format) < 0 ||
      (width > 0 && height > (1 << 30) / std::max(1, int(DibStride(width, dib_.format)))))
    throw EInvalidGraphicOperation("Bitmap image is too large");
  TDib next;
  next.Allocate(width, height, dib_.format);
  if (IsPaletteFormat(dib_.format) && !dib_.palette.empty()) next.palette = dib_.palette;
  const uint32_t white = IsPaletteFormat(next.format) ? uint32_t(next.NearestIndex(0xFFFFFF)) : 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (x < dib_.width && y < dib_.height)
        next.SetRaw(x, y, dib_.GetRaw(x, y));
      else if (IsPaletteFormat(next.format))
        next.SetRaw(x, y, white);
      else
        next.SetColor(x, y, 0xFFFFFF);
    }
  dib_ = std::move(next);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pfDevice || format == pfCustom) format = pf32bit;
  if (format == dib_.format) return;
  dib_ = dib_.Converted(format);
  Changed();
}

void TBitmap::SetMonochrome(bool value) {
  if (value == Monochrome()) return;
  SetPixelFormat(value ? pf1bit : pf24bit);
}

void TBitmap::SetPalette(const std::vector<TRGBQuad>& palette) {
  if (!IsPaletteFormat(dib_.format)) return;
  dib_.palette = palette;
  const size_t capacity = size_t(1) << BitsPerPixel(dib_.format);
  if (dib_.palette.size() > capacity) dib_.palette.resize(capacity);
  Changed();
}

uint8_t* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= dib_.height) throw EInvalidGraphicOperation("Scan line index out of range");
  return dib_.Row(row);
}

const uint8_t* TBitmap::ScanLine(int row) const {
  if (row < 0 || row >= dib_.height) throw EInvalidGraphicOperation("Scan line index out of range");
  return dib_.Row(row);
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
  return *canvas_;
}

TColor TBitmap::TransparentColor() const {
  if (transparent_mode_ == tmFixed && transparent_color_ != clDefault) return transparent_color_;
  if (dib_.Empty()) return clDefault;
  return TColor(dib_.GetColor(0, dib_.height - 1));
}

void TBitmap::SetTransparentColor(TColor color) {
  transparent_color_ = color;
  transparent_mode_ = color == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::Mask(TColor color) {
  const uint32_t key = ColorToRGB(color);
  TDib mask;
  mask.Allocate(dib_.width, dib_.height, pf1bit);
  for (int y = 0; y < dib_.height; ++y)
    for (int x = 0; x < dib_.width; ++x) mask.SetRaw(x, y, dib_.GetColor(x, y) == key ? 1 : 0);
  dib_ = std::move(mask);
  Changed();
}

QImage TBitmap::ToQImage() const {
  if (dib_.Empty()) return {};
  QImage image(dib_.width, dib_.height, QImage::Format_RGB32);
  for (int y = 0; y < dib_.height; ++y) {
    auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
    if (dib_.format == pf32bit) {
      const auto* src = reinterpret_cast<const uint32_t*>(dib_.Row(y));
      for (int x = 0; x < dib_.width; ++x) line[x] = 0xFF000000u | src[x];
    } else {
      for (int x = 0; x < dib_.width; ++x) {
        const uint32_t c = dib_.GetColor(x, y);
        line[x] = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
      }
    }
  }
  return image;
}

void TBitmap::AssignQImage(const QImage& image) {
  TDib dib;
  if (!image.isNull()) {
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    dib.Allocate(src.width(), src.height(), pf32bit);
    for (int y = 0; y < src.height(); ++y) memcpy(dib.Row(y), src.constScanLine(y), size_t(src.width()) * 4);
  }
  SetDib(std::move(dib));
}

void TBitmap::SetDib(TDib dib) {
  dib_ = std::move(dib);
  Changed();
}

void TBitmap::LoadFromBytes(const QByteArray& data) {
  TDib dib = ReadBmp(std::span(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())));
  SetDib(std::move(dib));
}

QByteArray TBitmap::SaveToBytes() const {
  const std::vector<uint8_t> bytes = WriteBmp(dib_);
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
  if (Empty() || rect.IsEmpty()) return;
  QImage image = ToQImage();
  if (image.size() != QSize(rect.Width(), rect.Height()))
    image = image.scaled(rect.Width(), rect.Height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  std::optional<TColor> key;
  if (Transparent()) key = TransparentColor();
  canvas.DrawImage(QPoint(rect.Left, rect.Top), image, key);
}

std::unique_ptr<TGraphic> TBitmap::Clone() const { return std::make_unique<TBitmap>(*this); }

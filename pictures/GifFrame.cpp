// One frame of a GIF picture: stream, rendering and conversion.

#include "pictures/GifFrame.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "pictures/Dither.h"
#include "pictures/GifImage.h"
#include "pictures/GifLzw.h"
#include "pictures/GraphicColorReduction.h"

// --- local colour map ------------------------------------------------------

void TGIFLocalColorMap::Warning(int severity, const std::string& message) {
  frame_.Warning(severity, message);
}

void TGIFLocalColorMap::CountUses(std::vector<std::uint32_t>& uses) {
  for (std::uint8_t p : std::span(frame_.Data(), frame_.DataSize())) ++uses[p];
}

void TGIFLocalColorMap::RemapPixels(const std::vector<std::uint8_t>& remap) {
  for (std::uint8_t& p : std::span(frame_.Data(), frame_.DataSize())) p = remap[p];
  if (frame_.Transparent() && frame_.GraphicControlExtension()) {
    TGIFGraphicControlExtension* gce = frame_.GraphicControlExtension();
    gce->SetTransparentColorIndexRaw(remap[size_t(gce->TransparentColorIndex())]);
  }
  frame_.DropBitmap();
}

void TGIFLocalColorMap::Changed() {
  frame_.DropPalette();
  frame_.DropBitmap();
}

// --- life --------------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), color_map_(*this), extensions_(this) {}

TGIFSubImage::~TGIFSubImage() {
  // Extensions unbind themselves from the frame as they go.
  extensions_.Clear();
}

void TGIFSubImage::Clear() {
  extensions_.Clear();
  color_map_.Clear();
  FreePixels();
  width_ = height_ = 0;
  transparent_ = false;
  control_ = nullptr;
  bitmap_.reset();
  palette_.reset();
  DropMask();
}

void TGIFSubImage::AllocPixels() { data_.assign(size_t(width_) * size_t(height_), 0); }

void TGIFSubImage::RequirePixels() {
  if (!data_.empty()) return;
  if (size_t(width_) * size_t(height_) == 0) Error("Image is empty");
  AllocPixels();
}

std::uint8_t* TGIFSubImage::ScanLine(int row) {
  RequirePixels();
  if (row < 0 || row >= height_) Error("Invalid pixel coordinates");
  return data_.data() + size_t(row) * width_;
}

std::uint8_t& TGIFSubImage::Pixels(int x, int y) {
  if (x < 0 || x >= width_) Error("Invalid pixel coordinates");
  return ScanLine(y)[x];
}

int TGIFSubImage::BoundsField(int index) const {
  switch (index) {
    case 1:
      return left_;
    case 2:
      return top_;
    case 3:
      return width_;
    case 4:
      return height_;
    default:
      return 0;
  }
}

void TGIFSubImage::SetBoundsField(int index, int value) {
  switch (index) {
    case 1:
      SetBounds(value, top_, width_, height_);
      break;
    case 2:
      SetBounds(left_, value, width_, height_);
      break;
    case 3:
      SetBounds(left_, top_, value, height_);
      break;
    case 4:
      SetBounds(left_, top_, width_, value);
      break;
    default:
      break;
  }
}

void TGIFSubImage::SetBounds(int left, int top, int width, int height) {
  auto field = [](int v) { return std::uint16_t(std::clamp(v, 0, 0xFFFF)); };
  const std::uint16_t w = field(width), h = field(height);
  if (static_cast<long long>(w) * h > GifSettings().MaxPixels) Error("Image dimensions too large");
  left_ = field(left);
  top_ = field(top);
  if (w != width_ || h != height_) {
    width_ = w;
    height_ = h;
    bitmap_.reset();
    DropMask();
    AllocPixels();
  }
  if (!image_) return;
  bool warned = false;
  if (image_->Width() < left_ + width_) {
    if (image_->Width() > 0) {
      Warning(1, "Image width too small for contained frames");
      warned = true;
    }
    image_->header_.SetWidth(left_ + width_);
  }
  if (image_->Height() < top_ + height_) {
    if (image_->Height() > 0) {
      Warning(1, "Image height too small for contained frames");
      warned = true;
    }
    image_->header_.SetHeight(top_ + height_);
  }
  if (warned) Warning(1, "Image exceeds Logical Screen size");
}

TRect TGIFSubImage::ScaleRect(const TRect& r) const {
  const int iw = image_ && image_->Width() > 0 ? image_->Width() : std::max<int>(1, width_);
  const int ih = image_ && image_->Height() > 0 ? image_->Height() : std::max<int>(1, height_);
  auto muldiv = [](long long a, long long b, long long c) { return int(a * b / c); };
  return {muldiv(left_, r.Width(), iw) + r.Left, muldiv(top_, r.Height(), ih) + r.Top,
          muldiv(left_ + width_, r.Width(), iw) + r.Left, muldiv(top_ + height_, r.Height(), ih) + r.Top};
}

TGIFColorMap& TGIFSubImage::ColorMapInUse() {
  if (color_map_.Count() > 0) return color_map_;
  if (image_ && image_->GlobalColorMap().Count() > 0) return image_->GlobalColorMap();
  return color_map_;
}

TGIFGraphicControlExtension& TGIFSubImage::RequireGraphicControlExtension() {
  if (!control_) {
    auto gce = std::make_unique<TGIFGraphicControlExtension>(this);
    TGIFGraphicControlExtension* raw = gce.get();
    extensions_.Add(std::move(gce));
    control_ = raw;
  }
  return *control_;
}

int TGIFSubImage::Disposal() const { return control_ ? control_->Disposal() : 0; }

TGIFPalette TGIFSubImage::Palette() {
  std::unique_lock<std::recursive_mutex> lock;
  if (image_) lock = std::unique_lock(image_->RenderLock());
  if (bitmap_ && !bitmap_->Palette().empty() && IsPaletteFormat(bitmap_->PixelFormat()))
    return bitmap_->Palette();
  if (palette_) return *palette_;
  if (image_ && image_->Dithering()) {
    palette_ = BuildWebPalette();
    return *palette_;
  }
  if (color_map_.Count() > 0) {
    palette_ = color_map_.CreatePalette();
    return *palette_;
  }
  return image_ ? image_->Palette() : TGIFPalette{};
}

void TGIFSubImage::SetPalette(const TGIFPalette& palette) {
  if (palette_ && *palette_ == palette) return;
  if (palette.empty())
    palette_.reset();
  else
    palette_ = palette;
  if (bitmap_ && bitmap_->Palette() != palette) {
    bitmap_.reset();
    if (image_) image_->palette_modified_ = true;
  }
}

// --- stream ------------------------------------------------------------------

TGIFStreamVersion TGIFSubImage::Version() const {
  return color_map_.SortedByUse() || extensions_.Count() > 0 ? sv89a : sv87a;
}

void TGIFSubImage::LoadFromStream(TStream& stream) {
  Clear();
  extensions_.LoadFromStream(stream);
  std::uint8_t b = 0;
  if (stream.Read(&b, 1) != 1) return;
  stream.Seek(-1, soCurrent);
  if (b == bTrailer || b == 0) return;
  std::uint8_t d[10];
  ReadCheck(stream, d, 10);
  separator_ = d[0];
  left_ = std::uint16_t(d[1] | (d[2] << 8));
  top_ = std::uint16_t(d[3] | (d[4] << 8));
  width_ = std::uint16_t(d[5] | (d[6] << 8));
  height_ = std::uint16_t(d[7] | (d[8] << 8));
  packed_ = d[9];
  if ((width_ == 0 || height_ == 0) && image_) {
    width_ = std::uint16_t(image_->Width());
    height_ = std::uint16_t(image_->Height());
    Warning(1, "Image exceeds Logical Screen size");
  }
  // Refused before anything is allocated: the descriptor alone can ask for
  // four gigabytes.
  if (static_cast<long long>(width_) * height_ > GifSettings().MaxPixels) Error("Image dimensions too large");
  if (packed_ & 0x80) color_map_.LoadFromStream(stream, 2 << (packed_ & 7));
  Decompress(stream);
  if (GifSettings().RedrawWhileLoading) Bitmap();
}

void TGIFSubImage::Prepare() {
  if (color_map_.Count() > 0) {
    packed_ = std::uint8_t(0x80 | (color_map_.SortedByUse() ? 0x20 : 0) | (ColorResolution() & 7));
  } else {
    packed_ &= 0x58;
  }
}

void TGIFSubImage::SaveToStream(TStream& stream) {
  extensions_.SaveToStream(stream);
  if (Empty()) return;
  Prepare();
  const std::uint8_t d[10] = {bImageDescriptor,           std::uint8_t(left_),
                              std::uint8_t(left_ >> 8),   std::uint8_t(top_),
                              std::uint8_t(top_ >> 8),    std::uint8_t(width_),
                              std::uint8_t(width_ >> 8),  std::uint8_t(height_),
                              std::uint8_t(height_ >> 8), packed_};
  stream.WriteBuffer(d, 10);
  color_map_.SaveToStream(stream);
  Compress(stream);
}

void TGIFSubImage::Decompress(TStream& stream) {
  const std::uint8_t fill = transparent_ && control_ ? std::uint8_t(control_->TransparentColorIndex()) : 0;
  data_.assign(size_t(width_) * size_t(height_), fill);
  bitmap_.reset();
  DropMask();
  DecodeLzw(stream, data_.data(), width_, height_, Interlaced(),
            [this](const std::string& message) { Warning(1, message); });
}

void TGIFSubImage::Compress(TStream& stream) {
  int bits, maxColor;
  if (color_map_.Count() > 0) {
    bits = color_map_.BitsPerPixel();
    maxColor = color_map_.Count();
  } else {
    bits = image_ ? image_->BitsPerPixel() : 8;
    maxColor = 1 << bits;
  }
  const TGIFEncoderKind kind = image_ ? image_->EncoderKind() : ekLZW;
  EncodeLzw(stream, kind, bits, width_, height_, Interlaced(), data_.empty() ? nullptr : data_.data(),
            maxColor);
}

// --- rendering -----------------------------------------------------------------

std::unique_ptr<TBitmap> TGIFSubImage::NewRenderBitmap() {
  auto bitmap = std::make_unique<TBitmap>();
  return bitmap;
}

namespace {

// The palette a frame renders with: a stream may have no colour table at
// all, and such a frame still shows (as greys).
TGIFPalette RenderPalette(TGIFSubImage& frame) {
  TGIFPalette palette;
  try {
    palette = frame.Palette();
  } catch (const GIFException&) {
  }
  if (palette.empty()) palette = BuildGrayRampPalette();
  return palette;
}

}  // namespace

std::unique_ptr<TBitmap> TGIFSubImage::RenderDirect() {
  auto bitmap = NewRenderBitmap();
  const TGIFPalette palette = RenderPalette(*this);
  const bool buildMask = mask_pending_ && transparent_ && !mask_ && control_;
  const int t = control_ ? control_->TransparentColorIndex() : -1;
  std::unique_ptr<TDib> mask;
  {
    TDIBWriter writer(*bitmap, pf8bit, width_, height_, palette);
    for (int y = 0; y < height_; ++y) {
      std::uint8_t* row = writer.ScanLine(y);
      const std::uint8_t* src = data_.data() + size_t(y) * width_;
      std::memcpy(row, src, width_);
      if (buildMask)
        for (int x = 0; x < width_; ++x)
          if (src[x] == t) {
            if (!mask) {
              mask = std::make_unique<TDib>();
              mask->Allocate(width_, height_, pf1bit);
            }
            mask->SetRaw(x, y, 1);
          }
      if (y % 32 == 0 && image_ && image_->OnOwnerThread())
        image_->Progress(psRunning, y * 100 / height_, false, "Rendering...");
    }
    writer.Finish();
  }
  mask_pending_ = false;
  if (mask) mask_ = std::move(mask);
  return bitmap;
}

std::unique_ptr<TBitmap> TGIFSubImage::RenderDithered() {
  auto bitmap = NewRenderBitmap();
  const TGIFPalette palette = RenderPalette(*this);
  const bool buildMask = mask_pending_ && transparent_ && !mask_ && control_;
  const bool transparent = transparent_ && control_;
  const int t = control_ ? control_->TransparentColorIndex() : -1;
  TGIFColorMap& map = ColorMapInUse();
  TNetscapeColorLookup lookup;
  TFloydSteinbergDitherer ditherer(width_, lookup);
  std::uint8_t fill = 0;
  if (transparent) {
    const TGIFColor c = map.Entry(t);
    fill = std::uint8_t(1 + 36 * c.Red / 51 + 6 * c.Green / 51 + c.Blue / 51);
  }
  std::unique_ptr<TDib> mask;
  {
    TDIBWriter writer(*bitmap, pf8bit, width_, height_, palette);
    for (int y = 0; y < height_; ++y) {
      std::uint8_t* row = writer.ScanLine(y);
      const std::uint8_t* src = data_.data() + size_t(y) * width_;
      if (transparent) std::memset(row, fill, width_);
      while (ditherer.Column() >= 0 && ditherer.Column() < width_) {
        const int x = ditherer.Column();
        if (transparent && src[x] == t) {
          if (buildMask) {
            if (!mask) {
              mask = std::make_unique<TDib>();
              mask->Allocate(width_, height_, pf1bit);
            }
            mask->SetRaw(x, y, 1);
          }
          ditherer.AdvanceColumn();
          continue;
        }
        // Pixels past the table take entry 0's colour, never memory past it.
        const TGIFColor c = src[x] < map.Count() ? map.Entry(src[x]) : map.Entry(0);
        row[x] = ditherer.DitherPixel(c.Red, c.Green, c.Blue);
      }
      ditherer.StartNextRow();
      if (y % 32 == 0 && image_ && image_->OnOwnerThread())
        image_->Progress(psRunning, y * 100 / height_, false, "Rendering...");
    }
    writer.Finish();
  }
  mask_pending_ = false;
  if (mask) mask_ = std::move(mask);
  return bitmap;
}

TBitmap* TGIFSubImage::Bitmap() {
  // The painter thread renders the next frame ahead of time: every look at
  // the cache is under the image's render lock.
  std::unique_lock<std::recursive_mutex> lock;
  if (image_) lock = std::unique_lock(image_->RenderLock());
  if (bitmap_) return bitmap_.get();
  if (Empty()) return nullptr;
  const bool report = image_ && image_->OnOwnerThread();
  if (report) image_->Progress(psStarting, 0, false, "Rendering...");
  try {
    bitmap_ = image_ && image_->Dithering() ? RenderDithered() : RenderDirect();
  } catch (...) {
    if (report) image_->Progress(psEnding, 0, image_->palette_modified_, "Rendering...");
    throw;
  }
  if (report) image_->Progress(psEnding, 100, image_->palette_modified_, "Rendering...");
  return bitmap_.get();
}

bool TGIFSubImage::EnsureMask() {
  if (mask_pending_ && transparent_) {
    bitmap_.reset();
    Bitmap();
  }
  return mask_ != nullptr;
}

QImage TGIFSubImage::ToQImage(bool transparent) {
  TBitmap* bitmap = Bitmap();
  if (!bitmap) return {};
  const bool masked = transparent && transparent_ && EnsureMask();
  bitmap = Bitmap();
  QImage image = bitmap->ToQImage();
  if (!masked) return image;
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < height_; ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    for (int x = 0; x < width_; ++x)
      if (mask_->GetRaw(x, y)) line[x] = 0;
  }
  return image;
}

void TGIFSubImage::Draw(TCanvas& canvas, const TRect& rect, bool tiled, bool transparent) {
  if (Empty() || rect.IsEmpty()) return;
  QImage image;
  bool masked;
  {
    std::unique_lock<std::recursive_mutex> lock;
    if (image_) lock = std::unique_lock(image_->RenderLock());
    image = ToQImage(transparent);
    masked = image.hasAlphaChannel();
  }
  if (image.isNull()) return;
  if (!tiled) {
    if (image.size() != QSize(rect.Width(), rect.Height()))
      image = image.scaled(rect.Width(), rect.Height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    canvas.DrawImage(QPoint(rect.Left, rect.Top), image, std::nullopt, masked);
    return;
  }
  // Tiles step by the logical screen; a screen of size 0 steps by the frame
  // so that the walk ends.
  const int stepX = image_ && image_->Width() > 0 ? image_->Width() : width_;
  const int stepY = image_ && image_->Height() > 0 ? image_->Height() : height_;
  for (int y = rect.Top + top_; y < rect.Bottom; y += stepY)
    for (int x = rect.Left + left_; x < rect.Right; x += stepX)
      canvas.DrawImage(QPoint(x, y), image, std::nullopt, masked);
}

void TGIFSubImage::StretchDraw(TCanvas& canvas, const TRect& imageRect, bool tiled, bool transparent) {
  if (tiled)
    Draw(canvas, imageRect, true, transparent);
  else
    Draw(canvas, ScaleRect(imageRect), false, transparent);
}

// --- conversion ----------------------------------------------------------------

void TGIFSubImage::Assign(const TGIFSubImage& source) {
  if (&source == this) return;
  Clear();
  if (source.Empty()) return;
  separator_ = source.separator_;
  left_ = source.left_;
  top_ = source.top_;
  width_ = source.width_;
  height_ = source.height_;
  packed_ = source.packed_;
  data_ = source.data_;
  color_map_.Assign(source.color_map_);
  TMemoryStream stream;
  const_cast<TGIFSubImage&>(source).extensions_.SaveToStream(stream);
  stream.SetPosition(0);
  extensions_.LoadFromStream(stream);
  transparent_ = source.transparent_;
}

void TGIFSubImage::AssignTo(TBitmap& destination) {
  TBitmap* bitmap = Bitmap();
  if (bitmap)
    destination.Assign(*bitmap);
  else
    destination.Assign(TBitmap());
}

void TGIFSubImage::AssignBitmap(const TBitmap& source) {
  Clear();
  if (source.Empty()) return;
  SetBoundsField(3, source.Width());
  SetBoundsField(4, source.Height());
  std::unique_ptr<TBitmap> bitmap;
  const TPixelFormat format = source.PixelFormat();
  if (format == pf1bit || format == pf4bit || format == pf8bit) {
    bitmap = std::make_unique<TBitmap>(source);
  } else {
    TBitmap copy(source);
    const TReductionMethod method = image_ ? image_->ReductionMethod() : rmWebColors;
    const TDitherKind dither = image_ ? image_->DitherKind() : dkNearest;
    const int bits = image_ ? image_->ReductionColorBits() : 8;
    bitmap = ReduceBitmapColors(copy, method, dither, bits);
    if (bitmap->Empty()) Error("Unsupported reduction method");
  }
  AllocPixels();
  const bool report = image_ && image_->OnOwnerThread();
  if (report) image_->Progress(psStarting, 0, false, "Converting...");
  try {
    const TPixelFormat f = bitmap->PixelFormat();
    if (f != pf1bit && f != pf4bit && f != pf8bit && f != pf24bit) bitmap->SetPixelFormat(pf24bit);
    const TPixelFormat now = bitmap->PixelFormat();
    if (now != pf24bit) color_map_.LoadFromPalette(bitmap->Palette());
    struct Recent {
      std::uint32_t color;
      int index;
    };
    Recent ring[8];
    int ringUsed = 0, ringLast = 0;
    for (int y = 0; y < height_; ++y) {
      const std::uint8_t* src = bitmap->ScanLine(y);
      std::uint8_t* dst = data_.data() + size_t(y) * width_;
      switch (now) {
        case pf8bit:
          std::memcpy(dst, src, width_);
          break;
        case pf4bit:
          for (int x = 0; x < width_; ++x) dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
          break;
        case pf1bit:
          for (int x = 0; x < width_; ++x) dst[x] = (src[x / 8] >> (7 - x % 8)) & 1;
          break;
        default:
          for (int x = 0; x < width_; ++x) {
            const std::uint8_t* p = src + size_t(x) * 3;
            const std::uint32_t color = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
            int index = -1;
            for (int k = 0; k < ringUsed; ++k) {
              const Recent& r = ring[(ringLast - k + 8) % 8];
              if (r.color == color) {
                index = r.index;
                break;
              }
            }
            if (index < 0) {
              index = color_map_.FindOrAdd(TColor(color));
              ringLast = (ringLast + 1) % 8;
              ring[ringLast] = {color, index};
              ringUsed = std::min(ringUsed + 1, 8);
            }
            dst[x] = std::uint8_t(index);
          }
          break;
      }
      if (report && y % 32 == 0) image_->Progress(psRunning, y * 100 / height_, false, "Converting...");
    }
  } catch (...) {
    if (report) image_->Progress(psEnding, 0, image_->palette_modified_, "Converting...");
    throw;
  }
  if (source.Transparent()) {
    // The pixels of the bitmap's transparent colour become transparent.
    const std::uint32_t key = ColorToRGB(source.TransparentColor());
    TDib mask;
    mask.Allocate(width_, height_, pf8bit);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) mask.Row(y)[x] = source.Dib().GetColor(x, y) == key ? 1 : 0;
    ImportMask(mask);
  }
  bitmap_.reset();
  if (report) image_->Progress(psEnding, 100, image_->palette_modified_, "Converting...");
}

void TGIFSubImage::AssignGraphic(const TGraphic& source) {
  if (const auto* frame = dynamic_cast<const TGIFSubImage*>(&source)) {
    Assign(*frame);
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
    AssignBitmap(*bitmap);
    return;
  }
  Clear();
  if (source.Empty()) return;
  // Drawn on white and on black: pixels that differ are the ones the
  // picture does not paint.
  std::unique_ptr<TGraphic> copy = source.Clone();
  TBitmap white, black;
  for (TBitmap* b : {&white, &black}) {
    b->SetSize(copy->Width(), copy->Height());
    b->SetPixelFormat(pf24bit);
    b->Canvas().Brush().SetColor(b == &white ? clWhite : clBlack);
    b->Canvas().FillRect(Rect(0, 0, copy->Width(), copy->Height()));
    b->Canvas().Draw(0, 0, *copy);
  }
  TDib mask;
  mask.Allocate(white.Width(), white.Height(), pf8bit);
  bool any = false;
  for (int y = 0; y < white.Height(); ++y)
    for (int x = 0; x < white.Width(); ++x)
      if (white.Dib().GetColor(x, y) != black.Dib().GetColor(x, y)) {
        mask.Row(y)[x] = 1;
        any = true;
      }
  AssignBitmap(white);
  if (any) ImportMask(mask);
}

void TGIFSubImage::ImportMask(const TDib& mask) {
  color_map_.Optimize();
  if (color_map_.Count() == 0 || color_map_.Count() == 256) return;
  const int t = color_map_.Add(clBlack);
  bool any = false;
  for (int y = 0; y < height_ && y < mask.height; ++y)
    for (int x = 0; x < width_ && x < mask.width; ++x)
      if (mask.GetRaw(x, y) != 0) {
        data_[size_t(y) * width_ + x] = std::uint8_t(t);
        any = true;
      }
  if (!any) {
    color_map_.Delete(t);
    return;
  }
  TGIFGraphicControlExtension& gce = RequireGraphicControlExtension();
  gce.SetTransparent(true);
  gce.SetTransparentColorIndex(t);
}

// --- optimisation ----------------------------------------------------------------

void TGIFSubImage::TrimToOpaque() {
  if (!transparent_ || Empty() || !control_) return;
  const int t = control_->TransparentColorIndex();
  int x0 = width_, x1 = -1, y0 = height_, y1 = -1;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (data_[size_t(y) * width_ + x] != t) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
      }
  if (x1 < 0) {
    FreePixels();
    width_ = height_ = 0;
    bitmap_.reset();
    DropMask();
    return;
  }
  const int w = x1 - x0 + 1, h = y1 - y0 + 1;
  std::vector<std::uint8_t> kept(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    std::memcpy(kept.data() + size_t(y) * w, data_.data() + size_t(y0 + y) * width_ + x0, w);
  data_ = std::move(kept);
  left_ = std::uint16_t(left_ + x0);
  top_ = std::uint16_t(top_ + y0);
  width_ = std::uint16_t(w);
  height_ = std::uint16_t(h);
  bitmap_.reset();
  DropMask();
}

bool TGIFSubImage::CanAddColor() {
  const int count = ColorMapInUse().Count();
  return count >= 1 && count <= 255;
}

int TGIFSubImage::FindTransparentIndex() {
  if (color_map_.Count() == 0 && image_) {
    for (int i = 0; i < image_->Images().Count(); ++i) {
      TGIFSubImage& other = image_->Images()[i];
      if (&other != this && other.transparent_ && other.control_ && other.color_map_.Count() == 0)
        return other.control_->TransparentColorIndex();
    }
  }
  return ColorMapInUse().Add(clBlack);
}

void TGIFSubImage::MergeWithPrevious(TGIFSubImage& previous) {
  if (Empty() || previous.Empty()) return;
  if (previous.Disposal() == dmBackground || previous.Disposal() == dmPrevious) return;
  const TRect r = IntersectRect(BoundsRect(), previous.BoundsRect());
  if (r.IsEmpty()) return;
  int t = -1;
  if (transparent_ && control_)
    t = control_->TransparentColorIndex();
  else if (!CanAddColor())
    return;
  const bool wasTransparent = t >= 0;
  TGIFColorMap& mine = ColorMapInUse();
  TGIFColorMap& theirs = previous.ColorMapInUse();
  const int pt = previous.transparent_ && previous.control_ ? previous.control_->TransparentColorIndex() : -1;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      std::uint8_t& p = data_[size_t(y - top_) * width_ + (x - left_)];
      const std::uint8_t q =
          previous.data_[size_t(y - previous.top_) * previous.width_ + (x - previous.left_)];
      if (t >= 0 && p == t) continue;
      if (pt >= 0 && q == pt) continue;
      const bool match = (&mine == &theirs && p == q) || mine.Entry(p) == theirs.Entry(q);
      if (!match) continue;
      if (t < 0) t = FindTransparentIndex();
      p = std::uint8_t(t);
    }
  if (!wasTransparent && t >= 0) {
    TGIFGraphicControlExtension& gce = RequireGraphicControlExtension();
    gce.SetTransparent(true);
    gce.SetTransparentColorIndexRaw(std::uint8_t(t));
  }
  bitmap_.reset();
  DropMask();
}

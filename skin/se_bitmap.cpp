#include "skin/se_bitmap.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/core/Exceptions.h"
#include "skin/se_stream.h"

namespace {

int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
  if (c == 0) return -1;
  const std::int64_t p = a * b;
  // Rounds half away from zero, as the host's MulDiv does.
  const std::int64_t q = (std::llabs(p) + std::llabs(c) / 2) / std::llabs(c);
  return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}

TRect Clip(const TRect& r, int width, int height) {
  return {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, width), std::min(r.Bottom, height)};
}

// Source index of destination indexes from..to-1 along one axis: equal
// sizes map one to one, other sizes by a 16.16 fixed-point step from 0.
std::vector<int> SampleAxis(int srcStart, int srcSize, int destSize, int from, int to) {
  std::vector<int> at(static_cast<std::size_t>(std::max(to - from, 0)));
  if (srcSize == destSize) {
    for (int i = from; i < to; ++i) at[std::size_t(i - from)] = srcStart + i;
    return at;
  }
  const std::int64_t step = (std::int64_t(srcSize) << 16) / destSize;
  for (int i = from; i < to; ++i) at[std::size_t(i - from)] = srcStart + int((step * i) >> 16);
  return at;
}

// The run of indexes whose source lies inside 0..limit-1 (sampling is
// monotonic, so it is one run). False when there is none.
bool ValidRun(const std::vector<int>& at, int limit, int& first, int& last) {
  first = -1;
  last = -1;
  for (int i = 0; i < int(at.size()); ++i)
    if (at[std::size_t(i)] >= 0 && at[std::size_t(i)] < limit) {
      if (first < 0) first = i;
      last = i;
    }
  return first >= 0;
}

// Draws `src` of a pixel array into `dest` of the canvas, nearest pixel,
// leaving out pixels equal to `key` on red, green and blue when given.
// Source pixels outside the array are not drawn. Only the part of dest
// inside the canvas's clip box is sampled, so a huge destination costs no
// more than the surface.
void DrawPixels(TCanvas& canvas, const TSeArgb* pixels, int width, int height, const TRect& dest,
                const TRect& src, std::optional<TSeArgb> key) {
  if (!pixels || dest.Width() < 1 || dest.Height() < 1 || src.Width() < 1 || src.Height() < 1) return;
  const TRect shown = IntersectRect(dest, canvas.ClipRect());
  if (shown.IsEmpty()) return;
  const int x0 = shown.Left - dest.Left;
  const int y0 = shown.Top - dest.Top;
  const std::vector<int> xs = SampleAxis(src.Left, src.Width(), dest.Width(), x0, x0 + shown.Width());
  const std::vector<int> ys = SampleAxis(src.Top, src.Height(), dest.Height(), y0, y0 + shown.Height());
  int c0, c1, r0, r1;
  if (!ValidRun(xs, width, c0, c1) || !ValidRun(ys, height, r0, r1)) return;
  QImage out(c1 - c0 + 1, r1 - r0 + 1, QImage::Format_RGB32);
  for (int r = r0; r <= r1; ++r) {
    auto* line = reinterpret_cast<TSeArgb*>(out.scanLine(r - r0));
    const TSeArgb* row = pixels + std::size_t(ys[std::size_t(r)]) * std::size_t(width);
    for (int c = c0; c <= c1; ++c) line[c - c0] = row[xs[std::size_t(c)]];
  }
  const TCopyMode mode = canvas.CopyMode();
  canvas.SetCopyMode(cmSrcCopy);
  std::optional<TColor> transparent;
  if (key) transparent = se::ArgbToColor(*key);
  canvas.DrawImage(QPoint(shown.Left + c0, shown.Top + r0), out, transparent);
  canvas.SetCopyMode(mode);
}

// Repeats src over dest, column by column; the last column and row draw the
// top-left part of src that fits. Only the tiles meeting `clip` are drawn.
template <class DrawTile>
void Tile(const TRect& dest, const TRect& src, const TRect& clip, DrawTile&& draw) {
  const int w = src.Width();
  const int h = src.Height();
  if (w <= 0 || h <= 0 || dest.Width() <= 0 || dest.Height() <= 0) return;
  const TRect shown = IntersectRect(dest, clip);
  if (shown.IsEmpty()) return;
  const int cols = (dest.Width() + w - 1) / w;
  const int rows = (dest.Height() + h - 1) / h;
  const int firstCol = (shown.Left - dest.Left) / w;
  const int lastCol = std::min(cols, (shown.Right - dest.Left + w - 1) / w);
  const int firstRow = (shown.Top - dest.Top) / h;
  const int lastRow = std::min(rows, (shown.Bottom - dest.Top + h - 1) / h);
  for (int i = firstCol; i < lastCol; ++i)
    for (int j = firstRow; j < lastRow; ++j) {
      const TRect tile = IntersectRect(Bounds(dest.Left + i * w, dest.Top + j * h, w, h), dest);
      if (tile.IsEmpty()) break;
      if (tile.Width() == w && tile.Height() == h)
        draw(tile, src);
      else
        draw(tile, Rect(src.Left, src.Top, src.Left + tile.Width(), src.Top + tile.Height()));
    }
}

}  // namespace

// --- TSeBitmap -------------------------------------------------------------

TSeBitmap::TSeBitmap() = default;
TSeBitmap::~TSeBitmap() = default;

void TSeBitmap::SetSize(int width, int height) {
  const std::int64_t w = std::llabs(std::int64_t(width));
  const std::int64_t h = std::llabs(std::int64_t(height));
  if (w == 0 || h == 0 || (w == width_ && h == height_)) return;
  image_ = QImage();
  width_ = 0;
  height_ = 0;
  if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) throw Exception("Can't allocate the DIB handle");
  QImage image(int(w), int(h), QImage::Format_RGB32);
  if (image.isNull() || image.bytesPerLine() != w * 4) throw Exception("Can't allocate the DIB handle");
  std::memset(image.bits(), 0, std::size_t(image.sizeInBytes()));
  image_ = std::move(image);
  width_ = int(w);
  height_ = int(h);
}

TSeArgb* TSeBitmap::Bits() { return width_ ? reinterpret_cast<TSeArgb*>(image_.bits()) : nullptr; }

const TSeArgb* TSeBitmap::Bits() const {
  return width_ ? reinterpret_cast<const TSeArgb*>(image_.constBits()) : nullptr;
}

TCanvas& TSeBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>(&image_);
  return *canvas_;
}

void TSeBitmap::Clear(TSeArgb value) {
  if (Empty()) return;
  se::FillPixels(Bits(), width_ * height_, value);
}

TSeArgb TSeBitmap::GetPixel(int x, int y) const {
  if (Empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFF000000u;
  return Bits()[std::size_t(x) + std::size_t(y) * std::size_t(width_)];
}

void TSeBitmap::SetTransparentColor(TSeArgb color) {
  if (Empty()) return;
  TSeArgb* p = Bits();
  const std::size_t n = std::size_t(width_) * std::size_t(height_);
  for (std::size_t i = 0; i < n; ++i) {
    const TSeArgb v = p[i];
    if (std::abs(int(se::RedOf(v)) - int(se::RedOf(color))) < 6 &&
        std::abs(int(se::GreenOf(v)) - int(se::GreenOf(color))) < 6 &&
        std::abs(int(se::BlueOf(v)) - int(se::BlueOf(color))) < 6)
      p[i] = KeyColor;
  }
}

void TSeBitmap::SetAlpha(std::uint8_t alpha) {
  if (!Empty()) se::FillAlpha(Bits(), width_ * height_, alpha);
}

void TSeBitmap::SetAlphaRect(std::uint8_t alpha, const TRect& rect) {
  const TRect r = Clip(rect, width_, height_);
  if (Empty() || r.IsEmpty()) return;
  se::FillAlphaRect(Bits(), width_, r.Left, r.Top, r.Right - 1, r.Bottom - 1, alpha);
}

void TSeBitmap::FillRect(const TRect& rect, TSeArgb value) {
  const TRect r = Clip(rect, width_, height_);
  if (Empty() || r.Width() < 1 || r.Height() < 1) return;
  if (!alpha_blend_) {
    se::FillPixelRect(Bits(), width_, r.Left, r.Top, r.Right - 1, r.Bottom - 1, value);
    return;
  }
  TSeArgb* bits = Bits();
  for (int y = r.Top; y < r.Bottom; ++y) {
    TSeArgb* row = bits + std::size_t(y) * std::size_t(width_);
    for (int x = r.Left; x < r.Right; ++x) row[x] = se::BlendPixel(value, row[x]);
  }
}

void TSeBitmap::MergeBackground(const TSeBitmap& other, int x, int y, TRect rect) {
  if (Empty() || other.Empty()) return;
  if (rect.Left < 0) {
    x += -rect.Left;
    rect.Left = 0;
  }
  if (rect.Top < 0) {
    y += -rect.Top;
    rect.Top = 0;
  }
  rect.Right = std::min(rect.Right, other.width_);
  rect.Bottom = std::min(rect.Bottom, other.height_);
  TSeArgb* bits = Bits();
  const TSeArgb* back = other.Bits();
  for (int c = rect.Left; c < rect.Right; ++c) {
    const int tx = x + c - rect.Left;
    if (tx < 0 || tx >= width_) continue;
    for (int r = rect.Top; r < rect.Bottom; ++r) {
      const int ty = y + r - rect.Top;
      if (ty < 0 || ty >= height_) continue;
      TSeArgb& p = bits[std::size_t(tx) + std::size_t(ty) * std::size_t(width_)];
      const TSeArgb b = back[std::size_t(c) + std::size_t(r) * std::size_t(other.width_)];
      const std::uint8_t a = se::AlphaOf(p);
      if (a == 0)
        p = b;
      else if (a < 255)
        p = se::BlendPixel(p, b);
    }
  }
}

void TSeBitmap::ChangeHue(int delta) {
  if (!Empty()) {
    TSeArgb* p = Bits();
    const std::size_t n = std::size_t(width_) * std::size_t(height_);
    for (std::size_t i = 0; i < n; ++i)
      if (se::AlphaOf(p[i]) != 0) p[i] = se::ShiftArgbHue(p[i], delta);
  }
  UpdateBitmapCopy();
}

void TSeBitmap::DrawSampled(TCanvas& canvas, const TRect& dest, const TRect& src, bool masked) {
  if (Empty()) return;
  if (masked) {
    se::TransparentBltEmulation(canvas, dest.Left, dest.Top, dest.Width(), dest.Height(), *this, src.Left,
                                src.Top, src.Width(), src.Height(), KeyColor);
    return;
  }
  DrawPixels(canvas, Bits(), width_, height_, dest, src, std::nullopt);
}

void TSeBitmap::Draw(TCanvas& canvas, int x, int y, bool masked) {
  DrawRect(canvas, x, y, Rect(0, 0, width_, height_), masked);
}

void TSeBitmap::DrawRect(TCanvas& canvas, int x, int y, const TRect& src, bool masked) {
  DrawSampled(canvas, Bounds(x, y, src.Width(), src.Height()), src, masked);
}

void TSeBitmap::StretchDraw(TCanvas& canvas, const TRect& dest, const TRect& src, bool masked) {
  DrawSampled(canvas, dest, src, masked);
}

void TSeBitmap::TileDraw(TCanvas& canvas, const TRect& dest, const TRect& src, bool masked) {
  Tile(dest, src, canvas.ClipRect(), [&](const TRect& d, const TRect& s) { StretchDraw(canvas, d, s, masked); });
}

void TSeBitmap::DrawToBitmap(TSeBitmap& target, int x, int y, const TRect& src) const {
  if (Empty() || target.Empty()) return;
  // Both ways put src's top-left corner at (x, y); the parts of src outside
  // this bitmap and the parts landing outside the target are skipped.
  const TRect s = Clip(src, width_, height_);
  if (s.IsEmpty()) return;
  const int dx = x - src.Left;
  const int dy = y - src.Top;
  const int left = std::max(s.Left, -dx);
  const int right = std::min(s.Right, target.width_ - dx);
  if (right <= left) return;
  const TSeArgb* bits = Bits();
  TSeArgb* tbits = target.Bits();
  for (int r = s.Top; r < s.Bottom; ++r) {
    const int ty = r + dy;
    if (ty < 0 || ty >= target.height_) continue;
    const TSeArgb* from = bits + std::size_t(r) * std::size_t(width_) + left;
    TSeArgb* to = tbits + std::size_t(ty) * std::size_t(target.width_) + (left + dx);
    if (alpha_blend_)
      se::BlendRow(from, to, right - left);
    else
      std::memcpy(to, from, std::size_t(right - left) * sizeof(TSeArgb));
  }
}

void TSeBitmap::StretchDrawToBitmap(TSeBitmap& target, const TRect& dest, const TRect& src) const {
  if (Empty() || target.Empty()) return;
  if (Clip(src, width_, height_).IsEmpty() || dest.Width() < 1 || dest.Height() < 1) return;
  const TRect d = Clip(dest, target.width_, target.height_);
  if (d.IsEmpty()) return;
  if (src.Width() == dest.Width() && src.Height() == dest.Height()) {
    DrawToBitmap(target, dest.Left, dest.Top, src);
    return;
  }
  const int sw = src.Width();
  const int sh = src.Height();
  const int dw = dest.Width();
  const int dh = dest.Height();
  std::int64_t stepX, stepY, startX, startY;
  if (alpha_blend_) {
    stepX = (std::int64_t(sw) << 16) / dw;
    stepY = (std::int64_t(sh) << 16) / dh;
    startX = MulDiv(std::int64_t(d.Left - dest.Left) * sw, 65535, dw);
    startY = MulDiv(std::int64_t(d.Top - dest.Top) * sh, 65535, dh);
  } else {
    // The plain stretch samples like every other stretched copy here.
    stepX = (std::int64_t(sw) << 16) / dw;
    stepY = (std::int64_t(sh) << 16) / dh;
    startX = stepX * (d.Left - dest.Left);
    startY = stepY * (d.Top - dest.Top);
  }
  const TSeArgb* bits = Bits();
  TSeArgb* tbits = target.Bits();
  std::int64_t accY = startY;
  for (int y = d.Top; y < d.Bottom; ++y, accY += stepY) {
    const int sy = src.Top + int(accY >> 16);
    if (sy < 0 || sy >= height_) continue;
    const TSeArgb* row = bits + std::size_t(sy) * std::size_t(width_);
    TSeArgb* to = tbits + std::size_t(y) * std::size_t(target.width_);
    std::int64_t accX = startX;
    for (int x = d.Left; x < d.Right; ++x, accX += stepX) {
      const int sx = src.Left + int(accX >> 16);
      if (sx < 0 || sx >= width_) continue;
      const TSeArgb p = row[sx];
      to[x] = (!alpha_blend_ || se::AlphaOf(p) == 255) ? p : se::BlendPixel(p, to[x]);
    }
  }
}

void TSeBitmap::UpdateBitmapCopy() {
  if (!copy_) copy_ = std::make_unique<TBitmap>();
  if (Empty()) return;
  copy_->AssignQImage(image_.copy());
}

void TSeBitmap::DrawRectCopy(TCanvas& canvas, int x, int y, const TRect& src) {
  StretchDrawCopy(canvas, Bounds(x, y, src.Width(), src.Height()), src);
}

void TSeBitmap::StretchDrawCopy(TCanvas& canvas, const TRect& dest, const TRect& src) {
  if (!copy_ || copy_->Empty()) return;
  const TDib& dib = copy_->Dib();
  if (dib.format != pf32bit || dib.stride != dib.width * 4) {
    const QImage image = copy_->ToQImage().convertToFormat(QImage::Format_RGB32);
    DrawPixels(canvas, reinterpret_cast<const TSeArgb*>(image.constBits()), image.width(), image.height(),
               dest, src, std::nullopt);
    return;
  }
  DrawPixels(canvas, reinterpret_cast<const TSeArgb*>(dib.bits.data()), dib.width, dib.height, dest, src,
             std::nullopt);
}

void TSeBitmap::TileDrawCopy(TCanvas& canvas, const TRect& dest, const TRect& src) {
  Tile(dest, src, canvas.ClipRect(), [&](const TRect& d, const TRect& s) { StretchDrawCopy(canvas, d, s); });
}

void TSeBitmap::LoadFromStream(TStream& stream) {
  name_ = se::ReadStreamString(stream, "bitmap name");
  const std::int32_t w = se::ReadInt32(stream);
  const std::int32_t h = se::ReadInt32(stream);
  if (w < 0 || h < 0) throw EReadError("Bitmap \"" + name_ + "\" has a negative size");
  if (w == 0 || h == 0) return;  // such a record has no pixel block
  if (std::int64_t(w) * std::int64_t(h) > se::RemainingBytes(stream) / 4)
    throw EReadError("Pixels of bitmap \"" + name_ + "\" run past the end of the skin data");
  SetSize(w, h);
  const std::int64_t bytes = std::int64_t(w) * std::int64_t(h) * 4;
  if (stream.Read(Bits(), bytes) != bytes)
    throw EReadError("Pixels of bitmap \"" + name_ + "\" are cut short");
}

void TSeBitmap::SaveToStream(TStream& stream) const {
  se::WriteStreamString(stream, name_);
  se::WriteInt32(stream, width_);
  se::WriteInt32(stream, height_);
  if (!Empty()) stream.WriteBuffer(Bits(), std::int64_t(width_) * height_ * 4);
}

std::unique_ptr<TSeBitmapLink> TSeBitmap::CreateLink(const TRect& rect) {
  auto link = std::make_unique<TSeBitmapLink>();
  link->Bitmap = this;
  link->Left = rect.Left;
  link->Top = rect.Top;
  link->Right = rect.Right;
  link->Bottom = rect.Bottom;
  link->Name = name_;
  return link;
}

void TSeBitmap::Assign(const TBitmap& source) {
  SetSize(source.Width(), source.Height());
  if (source.Empty() || Empty()) return;
  const QImage image = source.ToQImage().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < std::min(height_, image.height()); ++y)
    std::memcpy(PixelPtr(0, y), image.constScanLine(y), std::size_t(std::min(width_, image.width())) * 4);
  SetAlpha(255);
}

void TSeBitmap::Assign(TGraphic& source) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&source)) {
    Assign(*bitmap);
    return;
  }
  SetSize(source.Width(), source.Height());
  if (Empty() || source.Empty()) return;
  source.Draw(Canvas(), Rect(0, 0, width_, height_));
  SetAlpha(255);
}

void TSeBitmap::Assign(TPicture& source) {
  if (source.Graphic()) Assign(*source.Graphic());
}

void TSeBitmap::AssignTo(TBitmap& dest) const {
  if (Empty()) {
    dest.SetSize(0, 0);
    return;
  }
  QImage opaque = image_.copy();
  for (int y = 0; y < opaque.height(); ++y) {
    auto* line = reinterpret_cast<TSeArgb*>(opaque.scanLine(y));
    for (int x = 0; x < opaque.width(); ++x) line[x] |= 0xFF000000u;
  }
  dest.AssignQImage(opaque);
}

void TSeBitmap::AssignTo(TPicture& dest) const {
  TBitmap bitmap;
  AssignTo(bitmap);
  dest.SetGraphic(&bitmap);
}

// --- TSeBitmapLink, TSeBitmapList --------------------------------------------

void TSeBitmapLink::Draw(TCanvas& canvas, int x, int y, bool masked) const {
  if (Valid()) Bitmap->DrawRect(canvas, x, y, Rect(), masked);
}

void TSeBitmapLink::StretchDraw(TCanvas& canvas, const TRect& dest, bool masked) const {
  if (Valid()) Bitmap->StretchDraw(canvas, dest, Rect(), masked);
}

void TSeBitmapLink::TileDraw(TCanvas& canvas, const TRect& dest, bool masked) const {
  if (Valid()) Bitmap->TileDraw(canvas, dest, Rect(), masked);
}

TSeBitmap* TSeBitmapList::GetBitmap(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[std::size_t(index)].get();
}

namespace {
std::string LowerName(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

void TSeBitmapList::Add(std::unique_ptr<TSeBitmap> bitmap) {
  by_name_[LowerName(bitmap->Name())] = items_.size();
  items_.push_back(std::move(bitmap));
}

void TSeBitmapList::Clear() {
  items_.clear();
  by_name_.clear();
}

void TSeBitmapList::SwapWith(TSeBitmapList& other) {
  items_.swap(other.items_);
  by_name_.swap(other.by_name_);
}

std::unique_ptr<TSeBitmapLink> TSeBitmapList::GetLink(const std::string& name, const TRect& rect) const {
  const std::string wanted = LowerName(name);
  const auto hit = by_name_.find(wanted);
  return hit == by_name_.end() ? nullptr : items_[hit->second]->CreateLink(rect);
}

// --- Colours and pixel kernels ----------------------------------------------

namespace se {

TSeArgb ColorToArgb(TColor color, std::uint8_t alpha) {
  const std::uint32_t rgb = ColorToRGB(color);
  return (TSeArgb(alpha) << 24) | (TSeArgb(GetRValue(rgb)) << 16) | (TSeArgb(GetGValue(rgb)) << 8) |
         TSeArgb(GetBValue(rgb));
}

TSeArgb ColorRefToArgb(std::uint32_t c) {
  return 0xFF000000u | (TSeArgb(GetRValue(c)) << 16) | (TSeArgb(GetGValue(c)) << 8) | TSeArgb(GetBValue(c));
}

TColor ArgbToColor(TSeArgb argb) { return RGB(RedOf(argb), GreenOf(argb), BlueOf(argb)); }

TSeArgb MakeArgb(int r, int g, int b, std::uint8_t a) {
  r = std::clamp(r, 0, 255);
  g = std::clamp(g, 0, 255);
  b = std::clamp(b, 0, 255);
  return (TSeArgb(a) << 24) | (TSeArgb(r) << 16) | (TSeArgb(g) << 8) | TSeArgb(b);
}

TSeArgb ArgbSubtract(TSeArgb argb, std::uint8_t dr, std::uint8_t dg, std::uint8_t db, std::uint8_t da) {
  const int r = std::max(int(RedOf(argb)) - dr, 0);
  const int g = std::max(int(GreenOf(argb)) - dg, 0);
  const int b = std::max(int(BlueOf(argb)) - db, 0);
  const std::uint8_t a = std::uint8_t(AlphaOf(argb) - da);  // wraps, by design of the callers
  return (TSeArgb(a) << 24) | (TSeArgb(r) << 16) | (TSeArgb(g) << 8) | TSeArgb(b);
}

Hsl ArgbToHsl(TSeArgb argb) {
  const double r = RedOf(argb) / 255.0;
  const double g = GreenOf(argb) / 255.0;
  const double b = BlueOf(argb) / 255.0;
  const double mx = std::max({r, g, b});
  const double mn = std::min({r, g, b});
  Hsl out;
  out.l = (mx + mn) / 2;
  if (mx == mn) return out;
  const double d = mx - mn;
  out.s = out.l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  if (r == mx)
    out.h = (g - b) / d;
  else if (g == mx)
    out.h = 2 + (b - r) / d;
  else
    out.h = 4 + (r - g) / d;
  out.h /= 6;
  if (out.h < 0) out.h += 1;
  return out;
}

int HueToChannel(double t, double m1, double m2) {
  const double f = t - std::floor(t);
  double v;
  if (6 * f < 1)
    v = m1 + (m2 - m1) * f * 6;
  else if (2 * f < 1)
    v = m2;
  else if (3 * f < 2)
    v = m1 + (m2 - m1) * (2.0 / 3.0 - f) * 6;
  else
    v = m1;
  return int(std::lrint(255 * v));  // ties to even under the default rounding mode
}

TSeArgb HslToArgb(double h, double s, double l) {
  if (s == 0) {
    const int v = int(std::lrint(255 * l));
    return MakeArgb(v, v, v, 255);
  }
  const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  const double m1 = 2 * l - m2;
  return MakeArgb(HueToChannel(h + 1.0 / 3.0, m1, m2), HueToChannel(h, m1, m2),
                  HueToChannel(h - 1.0 / 3.0, m1, m2), 255);
}

TSeArgb ShiftArgbHue(TSeArgb argb, int delta) {
  const Hsl hsl = ArgbToHsl(argb);
  int h = int(std::lrint(hsl.h * 255)) + delta;
  // The hue circle has 255 steps: 256 and 0 meet at 1.
  if (h >= 256) h -= 255;
  if (h < 0) h += 255;
  return HslToArgb(h / 255.0, hsl.s, hsl.l);
}

TSeArgb BlendPixel(TSeArgb f, TSeArgb b) {
  const TSeArgb a = f >> 24;
  if (a == 255) return f;
  if (a == 0) return b;
  const TSeArgb n = 255 - a;
  // Two channels per multiplication; each product stays below 16 bits.
  const TSeArgb frb = (((f & 0x00FF00FFu) * a + 0x00800080u) & 0xFF00FF00u) >> 8;
  const TSeArgb fag = ((((f & 0xFF00FF00u) >> 8) * a + 0x00800080u) & 0xFF00FF00u);
  const TSeArgb brb = (((b & 0x00FF00FFu) * n + 0x00800080u) & 0xFF00FF00u) >> 8;
  const TSeArgb bag = ((((b & 0xFF00FF00u) >> 8) * n + 0x00800080u) & 0xFF00FF00u);
  return (frb | fag) + (brb | bag);
}

void FillPixels(TSeArgb* dest, int count, TSeArgb value) {
  if (count < 1) return;
  std::fill(dest, dest + count, value);
}

void FillPixelRect(TSeArgb* bits, int stride, int left, int top, int right, int bottom, TSeArgb value) {
  for (int y = top; y <= bottom; ++y)
    FillPixels(bits + std::size_t(y) * std::size_t(stride) + left, right - left + 1, value);
}

void FillAlpha(TSeArgb* dest, int count, std::uint8_t alpha) {
  for (int i = 0; i < count; ++i) dest[i] = (dest[i] & 0x00FFFFFFu) | (TSeArgb(alpha) << 24);
}

void FillAlphaRect(TSeArgb* bits, int stride, int left, int top, int right, int bottom, std::uint8_t alpha) {
  for (int y = top; y <= bottom; ++y)
    FillAlpha(bits + std::size_t(y) * std::size_t(stride) + left, right - left + 1, alpha);
}

void BlendRow(const TSeArgb* src, TSeArgb* dest, int count) {
  for (int i = 0; i < count; ++i) {
    const TSeArgb a = src[i] >> 24;
    if (a == 0) continue;
    dest[i] = a == 255 ? src[i] : BlendPixel(src[i], dest[i]);
  }
}

void TransparentBltEmulation(TCanvas& canvas, int x, int y, int width, int height, const TSeBitmap& src,
                             int srcX, int srcY, int srcWidth, int srcHeight, TSeArgb key) {
  const TRect s = Clip(Bounds(srcX, srcY, srcWidth, srcHeight), src.Width(), src.Height());
  if (s.Width() < 1 || s.Height() < 1 || width < 1 || height < 1) return;
  DrawPixels(canvas, src.Bits(), src.Width(), src.Height(), Bounds(x, y, width, height),
             Bounds(srcX, srcY, srcWidth, srcHeight), key);
}

}  // namespace se

#include "effects/QRXPixelFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Narrows r to the source bitmap and its image at `origin` to the target;
// false when nothing is left.
bool ClipMapping(const TBitmap& source, TRect& r, const TBitmap& target, TPoint& origin) {
  if (r.Left < 0) {
    origin.X -= r.Left;
    r.Left = 0;
  }
  if (r.Top < 0) {
    origin.Y -= r.Top;
    r.Top = 0;
  }
  r.Right = std::min(r.Right, source.Width());
  r.Bottom = std::min(r.Bottom, source.Height());
  if (origin.X < 0) {
    r.Left -= origin.X;
    origin.X = 0;
  }
  if (origin.Y < 0) {
    r.Top -= origin.Y;
    origin.Y = 0;
  }
  r.Right = std::min(r.Right, r.Left + target.Width() - origin.X);
  r.Bottom = std::min(r.Bottom, r.Top + target.Height() - origin.Y);
  return !r.IsEmpty();
}

// Runs `op` over each row of the rectangle: `row` holds a copy of the
// source part (so source and target may overlap), which op changes and
// which is then written to the target.
template <class Op>
void ForEachRow(const TBitmap& source, TRect r, TBitmap& target, TPoint origin, Op op) {
  RaiseWrongPixelFormat(source, "Source");
  RaiseWrongPixelFormat(target, "Target");
  if (!ClipMapping(source, r, target, origin)) return;
  const std::size_t bytes = std::size_t(r.Width()) * 3;
  std::vector<std::uint8_t> row(bytes);
  for (int y = r.Top; y < r.Bottom; ++y) {
    std::memcpy(row.data(), source.ScanLine(y) + std::size_t(r.Left) * 3, bytes);
    op(row.data(), bytes);
    std::memcpy(target.ScanLine(origin.Y + y - r.Top) + std::size_t(origin.X) * 3, row.data(), bytes);
  }
}

}  // namespace

bool RaiseWrongPixelFormat(const TBitmap& bitmap, const std::string& name) {
  if (bitmap.PixelFormat() == pf24bit) return true;
  throw EQRXWrongPixelFormat("Wrong PixelFormat in " + name + " bitmap!");
}

void GrayScaleBitmap(const TBitmap& source, const TRect& sourceRect, TBitmap& target, TPoint targetOrigin) {
  // nearbyint rounds half to even in the default rounding mode.
  std::array<std::uint8_t, 256> red{}, green{}, blue{};
  for (int i = 0; i < 256; ++i) {
    red[i] = std::uint8_t(std::nearbyint(i * 0.3));
    green[i] = std::uint8_t(std::nearbyint(i * 0.59));
    blue[i] = std::uint8_t(std::nearbyint(i * 0.11));
  }
  ForEachRow(source, sourceRect, target, targetOrigin, [&](std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; i += 3) {
      const std::uint8_t g = std::uint8_t(red[p[i + 2]] + green[p[i + 1]] + blue[p[i]]);
      p[i] = p[i + 1] = p[i + 2] = g;
    }
  });
}

void InvertBitmap(const TBitmap& source, const TRect& sourceRect, TBitmap& target, TPoint targetOrigin) {
  ForEachRow(source, sourceRect, target, targetOrigin, [](std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) p[i] = std::uint8_t(255 - p[i]);
  });
}

void ChangeBrightness(const TBitmap& source, const TRect& sourceRect, TBitmap& target, TPoint targetOrigin,
                      std::int16_t amount) {
  std::array<std::uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[std::size_t(i)] = std::uint8_t(std::clamp(i + amount, 0, 255));
  ForEachRow(source, sourceRect, target, targetOrigin, [&](std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) p[i] = table[p[i]];
  });
}

void FlipBitmapLeftRight(const TBitmap& source, const TRect& sourceRect, TBitmap& target,
                         TPoint targetOrigin) {
  ForEachRow(source, sourceRect, target, targetOrigin, [](std::uint8_t* p, std::size_t n) {
    const std::size_t pixels = n / 3;
    for (std::size_t k = 0; k < pixels / 2; ++k)
      for (int c = 0; c < 3; ++c) std::swap(p[k * 3 + c], p[(pixels - 1 - k) * 3 + c]);
  });
}

void FlipBitmapTopBottom(const TBitmap& source, const TRect& sourceRect, TBitmap& target,
                         TPoint targetOrigin) {
  RaiseWrongPixelFormat(source, "Source");
  RaiseWrongPixelFormat(target, "Target");
  TRect r = sourceRect;
  if (!ClipMapping(source, r, target, targetOrigin)) return;
  // Row buffers as wide as the rectangle: any width the bitmap has fits.
  const std::size_t bytes = std::size_t(r.Width()) * 3;
  std::vector<std::uint8_t> upper(bytes), lower(bytes);
  const int h = r.Height();
  for (int k = 0; k < (h + 1) / 2; ++k) {
    const int top = r.Top + k, bottom = r.Bottom - 1 - k;
    std::memcpy(upper.data(), source.ScanLine(top) + std::size_t(r.Left) * 3, bytes);
    std::memcpy(lower.data(), source.ScanLine(bottom) + std::size_t(r.Left) * 3, bytes);
    std::uint8_t* x = target.ScanLine(targetOrigin.Y + k) + std::size_t(targetOrigin.X) * 3;
    std::uint8_t* y = target.ScanLine(targetOrigin.Y + h - 1 - k) + std::size_t(targetOrigin.X) * 3;
    std::memcpy(x, lower.data(), bytes);
    std::memcpy(y, upper.data(), bytes);
  }
}

void AlphaBlendBitmaps(const TBitmap& source1, const TBitmap& source2, const TRect& sourceRect,
                       TPoint source2Origin, TBitmap& target, float strength, TPoint targetOrigin) {
  RaiseWrongPixelFormat(source1, "Source 1");
  RaiseWrongPixelFormat(source2, "Source 2");
  RaiseWrongPixelFormat(target, "Target");
  std::array<int, 511> table{};
  for (int d = -255; d <= 255; ++d) table[std::size_t(d + 255)] = int(std::nearbyint(d * double(strength)));
  // Narrow to what all three bitmaps hold: the second source is mapped like
  // a target, then the real target.
  TRect r = sourceRect;
  TPoint o2 = source2Origin;
  if (!ClipMapping(source1, r, source2, o2)) return;
  TPoint ot = targetOrigin;
  const TRect before = r;
  if (!ClipMapping(source1, r, target, ot)) return;
  o2.X += r.Left - before.Left;
  o2.Y += r.Top - before.Top;
  const std::size_t bytes = std::size_t(r.Width()) * 3;
  std::vector<std::uint8_t> out(bytes);
  for (int y = r.Top; y < r.Bottom; ++y) {
    const std::uint8_t* a = source1.ScanLine(y) + std::size_t(r.Left) * 3;
    const std::uint8_t* b = source2.ScanLine(o2.Y + y - r.Top) + std::size_t(o2.X) * 3;
    for (std::size_t i = 0; i < bytes; ++i)
      out[i] = std::uint8_t(table[std::size_t(a[i] - b[i] + 255)] + b[i]);
    std::memcpy(target.ScanLine(ot.Y + y - r.Top) + std::size_t(ot.X) * 3, out.data(), bytes);
  }
}

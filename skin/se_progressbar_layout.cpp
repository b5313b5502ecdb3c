#include "skin/se_progressbar_layout.h"

#include <cmath>
#include <cstdint>

namespace {

// Nearest integer with halves to the even neighbour (the default rounding
// mode), as the bar has always rounded.
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

float TSeProgressGeometry::Fraction(int value) const {
  if (Min < 0 || value < Min || value > Max || Max == Min) return 0.0f;
  // In 64 bits: Max - Min of two far-apart values overflows an int.
  return static_cast<float>(static_cast<std::int64_t>(value) - Min) /
         static_cast<float>(static_cast<std::int64_t>(Max) - Min);
}

TRect TSeProgressGeometry::BarRect() const {
  TRect r = Rect(0, 0, PaintedWidth, PaintedHeight);
  if (ShowBorder) InflateRect(r, -2, -2);
  InflateRect(r, -BorderWidth, -BorderWidth);
  return r;
}

TRect TSeProgressGeometry::FilledRect(int value) const {
  TRect b = BarRect();
  const bool horizontal = Orientation == kboHorizontal;
  const int length = horizontal ? b.Width() : b.Height();
  const int filled = length > 0 ? RoundEven(static_cast<double>(Fraction(value)) * length) : 0;
  if (horizontal)
    b.Right = b.Left + filled;
  else
    b.Top = b.Bottom - filled;
  return b;
}

std::vector<TRect> TSeProgressGeometry::Blocks(int value) const {
  std::vector<TRect> blocks;
  const TRect b = BarRect();
  if (b.IsEmpty()) return blocks;
  const bool horizontal = Orientation == kboHorizontal;
  const int thickness = horizontal ? b.Height() : b.Width();
  const int length = horizontal ? b.Width() : b.Height();
  const int pitch = RoundEven(thickness * 0.64) + 2;
  const int count = length / pitch;
  const float f = Fraction(value);
  const int n = RoundEven(static_cast<double>(f) * count);
  // The single-precision 1/100 lies just below the double 0.01: one per
  // cent shows no block yet.
  if (static_cast<double>(f) < 0.01 || n < 0) return blocks;
  for (int i = 0; i <= n; ++i) {
    TRect block = b;
    if (horizontal) {
      block.Right = b.Left + pitch - 2;
      OffsetRect(block, i * pitch, 0);
    } else {
      block.Top = b.Bottom - pitch + 2;
      OffsetRect(block, 0, -i * pitch);
    }
    block = IntersectRect(block, b);
    if (!block.IsEmpty()) blocks.push_back(block);
  }
  return blocks;
}

#include "skin/se_animation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/core/Clock.h"
#include "skin/se_drawing.h"

namespace se {
namespace {

// Rounds halves to the even neighbour.
int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

// a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long half = std::llabs(c) / 2;
  const bool negative = (p < 0) != (c < 0);
  const long long q = (std::llabs(p) + half) / std::llabs(c);
  return static_cast<int>(negative ? -q : q);
}

std::uint8_t V(int step) { return static_cast<std::uint8_t>(MulDiv(step, 255, 100)); }

void Row(std::uint8_t* mask, int w, int h, std::uint8_t value, int y) {
  DrawMaskLine(mask, w, h, value, 0, y, w - 1, y);
}

void RectOutline(std::uint8_t* m, int w, int h, std::uint8_t value, int dx, int dy) {
  const int cx = w / 2;
  const int cy = h / 2;
  DrawMaskLine(m, w, h, value, cx - dx, cy - dy, cx + dx, cy - dy);
  DrawMaskLine(m, w, h, value, cx + dx, cy - dy, cx + dx, cy + dy);
  DrawMaskLine(m, w, h, value, cx + dx, cy + dy, cx - dx, cy + dy);
  DrawMaskLine(m, w, h, value, cx - dx, cy + dy, cx - dx, cy - dy);
}

void DiamondOutline(std::uint8_t* m, int w, int h, std::uint8_t value, int dx, int dy) {
  const int cx = w / 2;
  const int cy = h / 2;
  DrawMaskLine(m, w, h, value, cx - dx, cy, cx, cy - dy);
  DrawMaskLine(m, w, h, value, cx, cy - dy, cx + dx, cy);
  DrawMaskLine(m, w, h, value, cx + dx, cy, cx, cy + dy);
  DrawMaskLine(m, w, h, value, cx, cy + dy, cx - dx, cy);
}

// The ratio that keeps rings in the mask's proportions.
void Factors(int w, int h, double& fx, double& fy) {
  if (w <= h) {
    fx = double(w) / h;
    fy = 1;
  } else {
    fx = 1;
    fy = double(h) / w;
  }
}

std::uint8_t SoftValue(int step, double s, double d, int i) {
  if (step == 100) return 255;
  return static_cast<std::uint8_t>(std::min(255, MulDiv(Round(s - i * d), 255, 100)));
}

void Fade(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  std::fill(m, m + w * h, static_cast<std::uint8_t>(Round(step / 100.0 * 255)));
}

void Diagonal(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  const int a = MulDiv(w - 1, step, 100);
  const int b = MulDiv(h - 1, step, 100);
  if (2 * a <= 2 * b) {
    for (int k = 0; k <= 2 * b; ++k) DrawMaskLine(m, w, h, V(step), 0, k, std::min(k, 2 * a), 0);
  } else {
    for (int k = 0; k <= 2 * a; ++k) DrawMaskLine(m, w, h, V(step), 0, std::min(k, 2 * b), k, 0);
  }
}

void Down(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  for (int y = 0, last = MulDiv(step, h - 1, 100); y <= last; ++y) Row(m, w, h, V(step), y);
}

void In(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  const int k = MulDiv(step, h / 2, 100);
  for (int y = h - 1; y >= h - 1 - k; --y) Row(m, w, h, V(step), y);
  for (int y = 0; y <= k; ++y) Row(m, w, h, V(step), y);
}

void Out(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  const int mid = h / 2;
  const int k = MulDiv(step, mid, 100);
  for (int i = 0; i <= k; ++i) {
    Row(m, w, h, V(step), mid - i);
    Row(m, w, h, V(step), mid + i);
  }
}

void RectOut(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  double fx, fy;
  Factors(w, h, fx, fy);
  const int n = w <= h ? MulDiv(step, h, 100) : MulDiv(step, w, 100);
  for (int i = 0; i <= n / 2; ++i)
    RectOutline(m, w, h, static_cast<std::uint8_t>(MulDiv(255, step, 100)), Round(i * fx), Round(i * fy));
}

void RectIn(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  RectOut(m, w, h, static_cast<std::uint8_t>(100 - step));
  for (int i = 0; i < w * h; ++i) m[i] = m[i] == 0 ? V(step) : 0;
}

// The cells revealed by `step`: the same random sequence every frame, so
// each frame's cells include the previous frame's.
void PixelPattern(std::uint8_t* m, int w, int h, std::uint8_t step) {
  SeededRandom random(static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h));
  const int cells = w * h;
  const int n = Round(double(cells) * step / 100);
  for (int k = 0; k < n; ++k) {
    int index;
    do index = static_cast<int>(random.Next(static_cast<std::uint32_t>(cells)));
    while (m[index] != 0);
    m[index] = 255;
  }
}

void Pixel(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  PixelPattern(m, w, h, step);
}

void PixelLine(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  std::vector<std::uint8_t> pattern(static_cast<std::size_t>(w) * h, 0);
  PixelPattern(pattern.data(), w, h, step);
  const double k = w * 0.1 / step;
  const int last = std::min(w - 1, Round(step / 100.0 * (2 * w - 1)));
  for (int x = 0; x <= last; ++x) {
    const int a = std::max(0, Round(2.0 * step - x * k));
    const auto value = static_cast<std::uint8_t>(std::min(255, Round(a / 100.0 * 255)));
    for (int y = 0; y < h; ++y)
      if (pattern[y * w + x]) m[y * w + x] = value;
  }
}

void SoftRings(std::uint8_t* m, int w, int h, std::uint8_t step, double factor, bool diamond) {
  if (step == 0) return;
  double fx, fy;
  Factors(w, h, fx, fy);
  const int n = MulDiv(step, Round(std::max(w, h) * factor), 100);
  const int rings = n / 2;
  const double s = 2.0 * step;
  const double d = rings == 0 ? s : s / rings;
  for (int i = 0; i <= rings; ++i) {
    const std::uint8_t value = SoftValue(step, s, d, i);
    if (diamond)
      DiamondOutline(m, w, h, value, Round(i * fx), Round(i * fy));
    else
      RectOutline(m, w, h, value, Round(i * fx), Round(i * fy));
  }
}

void DiamondOut(std::uint8_t* m, int w, int h, std::uint8_t step) { SoftRings(m, w, h, step, 2.5, true); }

void Invert(std::uint8_t* m, int w, int h) {
  for (int i = 0; i < w * h; ++i) m[i] = static_cast<std::uint8_t>(255 - m[i]);
}

void DiamondIn(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  DiamondOut(m, w, h, static_cast<std::uint8_t>(100 - step));
  Invert(m, w, h);
}

void SmoothDiagonal(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  const int n = MulDiv(step, Round(std::sqrt(double(w) * w + double(h) * h) * 2.5), 100);
  double fx, fy;
  Factors(w, h, fx, fy);
  const double s = 2.0 * step;
  const double d = n == 0 ? s : s / n;
  for (int i = 0; i <= n; ++i)
    DrawMaskLine(m, w, h, SoftValue(step, s, d, i), 0, Round(i * fy), Round(i * fx), 0);
}

void SmoothRectOut(std::uint8_t* m, int w, int h, std::uint8_t step) { SoftRings(m, w, h, step, 1.6, false); }

void SmoothRectIn(std::uint8_t* m, int w, int h, std::uint8_t step) {
  if (step == 0) return;
  SmoothRectOut(m, w, h, static_cast<std::uint8_t>(100 - step));
  Invert(m, w, h);
}

constexpr TSeMaskGenerator kGenerators[kEffectCount] = {
    nullptr,    Fade,      Diagonal,   Down,           In,           Out,          RectIn,       RectOut,
    Pixel,      PixelLine, DiamondIn,  DiamondOut,     SmoothDiagonal, SmoothRectIn, SmoothRectOut};

bool IsKey(TSeArgb p) { return (p & 0xFFFFFF) == (KeyColor & 0xFFFFFF); }

}  // namespace

TSeMaskGenerator AnimationGenerator(int effect) {
  return effect >= 1 && effect < kEffectCount ? kGenerators[effect] : nullptr;
}

TPoint DrawMaskLine(std::uint8_t* mask, int width, int height, std::uint8_t value, int x1, int y1, int x2,
                    int y2) {
  auto set = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < width && y < height) mask[y * width + x] = value;
  };
  int x = x1;
  int y = y1;
  set(x, y);
  const int dx = std::abs(x2 - x1);
  const int dy = std::abs(y2 - y1);
  const int n = std::max(dx, dy);
  const int sx = x2 > x1 ? 1 : -1;
  const int sy = y2 > y1 ? 1 : -1;
  int ex = 0;
  int ey = 0;
  for (int step = 0; step <= n; ++step) {
    ex += dx;
    ey += dy;
    bool moved = false;
    if (ex > n) {
      ex -= n;
      x += sx;
      moved = true;
    }
    if (ey > n) {
      ey -= n;
      y += sy;
      moved = true;
    }
    if (moved) set(x, y);
  }
  return {x, y};
}

TSeAnimationPlayer::TSeAnimationPlayer(const TSeBitmap& start, const TSeBitmap& end,
                                       const TSeAnimationParams& params)
    : start_(start), end_(end), params_(params) {
  params_.Resolution = std::clamp(params_.Resolution, 1, 10);
  params_.TileCount = std::clamp(params_.TileCount, 1, 20);
  if (start.Empty() || end.Empty() || start.Height() == 0) return;
  generator_ = AnimationGenerator(params_.Effect);
  if (!generator_) return;
  const int w = start.Width();
  const int h = start.Height();
  const int r = params_.Resolution;
  const int t = params_.TileCount;
  mask_w_ = (w / r) / t + 1;
  mask_h_ = (h / r) / t + 1;
  tile_w_ = w / t + 1;
  tile_h_ = h / t + 1;
  mask_.assign(static_cast<std::size_t>(mask_w_) * mask_h_, 0);
}

void TSeAnimationPlayer::ComposeFrame(TSeBitmap& frame, int step) {
  std::fill(mask_.begin(), mask_.end(), 0);
  if (!generator_) return;
  const int dir = params_.Direction;
  const bool turned = dir == kDirectionRotate90 || dir == kDirectionRotate270;
  generator_(mask_.data(), turned ? mask_h_ : mask_w_, turned ? mask_w_ : mask_h_,
             static_cast<std::uint8_t>(std::clamp(step, 0, 100)));
  if (frame.Width() != start_.Width() || frame.Height() != start_.Height())
    frame.SetSize(start_.Width(), start_.Height());
  const int w = frame.Width();
  const int h = frame.Height();
  const int ew = end_.Width();
  const int eh = end_.Height();
  const int r = params_.Resolution;
  auto cell = [&](int cx, int cy) -> std::uint8_t {
    switch (dir) {
      case kDirectionRotate90:
        return mask_[(mask_w_ - cx - 1) * mask_h_ + cy];
      case kDirectionRotate180:
        return mask_[(mask_w_ - cx - 1) + (mask_h_ - cy - 1) * mask_w_];
      case kDirectionRotate270:
        return mask_[(mask_h_ - cy - 1) + mask_h_ * cx];
      default:
        return mask_[cy * mask_w_ + cx];
    }
  };
  const TSeArgb* s = start_.Bits();
  const TSeArgb* e = end_.Bits();
  TSeArgb* out = frame.Bits();
  for (int ty = 0; ty < params_.TileCount; ++ty)
    for (int tx = 0; tx < params_.TileCount; ++tx)
      for (int cy = 0; cy < mask_h_; ++cy)
        for (int cx = 0; cx < mask_w_; ++cx) {
          const std::uint8_t m = cell(cx, cy);
          // Neighbouring cells overlap by one pixel.
          for (int py = cy * r; py <= (cy + 1) * r; ++py) {
            const int y = ty * tile_h_ + py;
            if (y >= h) break;
            for (int px = cx * r; px <= (cx + 1) * r; ++px) {
              const int x = tx * tile_w_ + px;
              if (x >= w) break;
              const TSeArgb sp = s[y * w + x];
              if (x >= ew || y >= eh || m == 0) {
                out[y * w + x] = sp;
                continue;
              }
              const TSeArgb ep = e[y * ew + x];
              if (IsKey(ep))
                out[y * w + x] = sp;
              else if (m == 255)
                out[y * w + x] = ep;
              else
                out[y * w + x] = BlendPixel((ep & 0xFFFFFF) | (TSeArgb(m) << 24), sp);
            }
          }
        }
}

int RunAnimationEffect(const TSeBitmap& start, const TSeBitmap& end, const TSeAnimationParams& given,
                       const std::function<void(const TSeBitmap& frame, int step)>& show) {
  if (start.Empty() || end.Empty()) return 0;
  TSeAnimationParams params = given;
  params.Time = std::clamp(params.Time, 50, 9000);
  if (params.Effect == kEffectRandomSelect)
    params.Effect = 1 + static_cast<int>(TheRandom().Next(kEffectCount - 1));
  TSeAnimationPlayer player(start, end, params);
  if (!player.Valid()) return 0;
  TSeBitmap frame;
  frame.SetSize(start.Width(), start.Height());
  std::unique_ptr<TSeTimer> timer;
  double elapsed = 0;
  int frames = 0;
  // A clock that does not move (a test's, or a stopped one) must not hold
  // the window back for ever: after this many frames the effect ends.
  const int maxFrames = params.Time * 10;
  while (elapsed < params.Time && frames < maxFrames) {
    StartTimer(timer);
    const int step = std::min(100, Round(elapsed * 100.0 / params.Time));
    player.ComposeFrame(frame, step);
    if (show) show(frame, step);
    ++frames;
    elapsed += ReadTimer(timer) * 1000.0;
  }
  return frames;
}

}  // namespace se

// Colour lookups and error-diffusion ditherers.

#include "pictures/Dither.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::uint8_t Clamp(int v) { return std::uint8_t(std::clamp(v, 0, 255)); }

// (error + divisor / 2) / divisor, truncated toward zero.
int Scaled(int error, int divisor) { return (error + divisor / 2) / divisor; }

constexpr std::uint16_t kEmpty = 0xFFFF;

}  // namespace

TFastColorLookup::TFastColorLookup(const std::vector<TRGBQuad>& palette)
    : palette_(palette.begin(), palette.begin() + std::ptrdiff_t(std::min<size_t>(palette.size(), 256))),
      cache_(32768, Slot{0, kEmpty}) {
  color_count_ = int(palette_.size());
  for (size_t i = 0; i < palette_.size(); ++i) {
    const TRGBQuad& p = palette_[i];
    Slot& slot = cache_[size_t(Key(p.rgbRed, p.rgbGreen, p.rgbBlue))];
    if (slot.index == kEmpty)
      slot = {std::uint32_t(p.rgbRed) << 16 | std::uint32_t(p.rgbGreen) << 8 | p.rgbBlue, std::uint16_t(i)};
  }
}

std::uint8_t TFastColorLookup::MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                                          std::uint8_t& outG, std::uint8_t& outB) {
  const std::uint32_t color = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
  Slot& slot = cache_[size_t(Key(r, g, b))];
  int index = -1;
  if (slot.index != kEmpty && slot.color == color) {
    index = slot.index;
  } else if (!palette_.empty()) {
    int best = 0x30000;
    for (size_t i = 0; i < palette_.size(); ++i) {
      const TRGBQuad& p = palette_[i];
      const int d = std::abs(r - p.rgbRed) + std::abs(g - p.rgbGreen) + std::abs(b - p.rgbBlue);
      if (d < best) {
        best = d;
        index = int(i);
        if (d == 0) break;
      }
    }
    slot = {color, std::uint16_t(index)};
  }
  if (index < 0) {
    outR = outG = outB = 0;
    return 0;
  }
  const TRGBQuad& p = palette_[size_t(index)];
  outR = p.rgbRed;
  outG = p.rgbGreen;
  outB = p.rgbBlue;
  return std::uint8_t(index);
}

std::uint8_t TNetscapeColorLookup::MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                              std::uint8_t& outR, std::uint8_t& outG, std::uint8_t& outB) {
  const int qr = (r + 3) / 51, qg = (g + 3) / 51, qb = (b + 3) / 51;
  outR = std::uint8_t(51 * qr);
  outG = std::uint8_t(51 * qg);
  outB = std::uint8_t(51 * qb);
  return std::uint8_t(qr * 36 + qg * 6 + qb);
}

std::uint8_t TGrayScaleLookup::MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                                          std::uint8_t& outG, std::uint8_t& outB) {
  const std::uint8_t y = std::uint8_t((77 * r + 150 * g + 29 * b) >> 8);
  outR = outG = outB = y;
  return y;
}

std::uint8_t TMonochromeLookup::MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                                           std::uint8_t& outG, std::uint8_t& outB) {
  if (77 * r + 150 * g + 29 * b > 0x7F00) {
    outR = outG = outB = 255;
    return 1;
  }
  outR = outG = outB = 0;
  return 0;
}

std::uint8_t TDitherEngine::DitherPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                                        std::uint8_t& outG, std::uint8_t& outB) {
  return Match(r, g, b, outR, outG, outB);
}

void TDitherEngine::StartNextRow() {
  direction_ = -direction_;
  column_ = direction_ == 1 ? 0 : width_ - 1;
}

// ---------------------------------------------------------------------------

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TDitherEngine(width, lookup) {
  for (auto& row : errors_) row.assign(size_t(width) + 2, 0);
  cursor_ = 0;
}

void TFloydSteinbergDitherer::Spread(const std::array<int, 3>& error) {
  for (int c = 0; c < 3; ++c) {
    const int e = error[size_t(c)];
    errors_[size_t(c)][size_t(cursor_)] = below_behind_[size_t(c)] + 3 * e;
    below_behind_[size_t(c)] = below_[size_t(c)] + 5 * e;
    below_[size_t(c)] = e;
    carried_[size_t(c)] = 7 * e;
  }
  cursor_ += direction_;
}

std::uint8_t TFloydSteinbergDitherer::DitherPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                                  std::uint8_t& outR, std::uint8_t& outG,
                                                  std::uint8_t& outB) {
  const int own = cursor_ + direction_;
  const std::uint8_t in[3] = {r, g, b};
  std::uint8_t value[3];
  for (int c = 0; c < 3; ++c)
    value[c] = Clamp(in[c] + Scaled(errors_[size_t(c)][size_t(own)] + carried_[size_t(c)], 16));
  const std::uint8_t index = Match(value[0], value[1], value[2], outR, outG, outB);
  Spread({value[0] - outR, value[1] - outG, value[2] - outB});
  return index;
}

void TFloydSteinbergDitherer::AdvanceColumn() {
  TDitherEngine::AdvanceColumn();
  Spread({0, 0, 0});
}

void TFloydSteinbergDitherer::StartNextRow() {
  for (int c = 0; c < 3; ++c) {
    errors_[size_t(c)][size_t(cursor_)] = below_behind_[size_t(c)];
    carried_[size_t(c)] = below_[size_t(c)] = below_behind_[size_t(c)] = 0;
  }
  TDitherEngine::StartNextRow();
  cursor_ = direction_ == 1 ? 0 : width_ + 1;
}

// ---------------------------------------------------------------------------

TKernelDitherer::TKernelDitherer(int width, TColorLookup& lookup, TDitherKernel kernel)
    : TDitherEngine(width, lookup), kernel_(std::move(kernel)) {
  errors_.resize(kernel_.rows.size());
  for (auto& row : errors_)
    for (auto& channel : row) channel.assign(size_t(width) + 2 * size_t(kernel_.guard), 0);
  cursor_ = kernel_.guard;
}

std::uint8_t TKernelDitherer::DitherPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                                          std::uint8_t& outG, std::uint8_t& outB) {
  const std::uint8_t in[3] = {r, g, b};
  std::uint8_t value[3];
  for (int c = 0; c < 3; ++c)
    value[c] = Clamp(in[c] + Scaled(errors_[0][size_t(c)][size_t(cursor_)], kernel_.divisor));
  const std::uint8_t index = Match(value[0], value[1], value[2], outR, outG, outB);
  const int error[3] = {value[0] - outR, value[1] - outG, value[2] - outB};
  for (size_t row = 0; row < kernel_.rows.size(); ++row)
    for (const TDitherKernel::Cell& cell : kernel_.rows[row])
      for (int c = 0; c < 3; ++c)
        if (error[c] != 0)
          errors_[row][size_t(c)][size_t(cursor_ + cell.offset * direction_)] += cell.weight * error[c];
  cursor_ += direction_;
  return index;
}

void TKernelDitherer::AdvanceColumn() {
  TDitherEngine::AdvanceColumn();
  cursor_ += direction_;
}

void TKernelDitherer::StartNextRow() {
  for (auto& channel : errors_[0]) std::fill(channel.begin(), channel.end(), 0);
  std::rotate(errors_.begin(), errors_.begin() + 1, errors_.end());
  TDitherEngine::StartNextRow();
  cursor_ = direction_ == 1 ? kernel_.guard : width_ + kernel_.guard - 1;
}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup& lookup)
    : TKernelDitherer(width, lookup,
                      {42,
                       2,
                       {{{1, 8}, {2, 4}},
                        {{-2, 2}, {-1, 4}, {0, 8}, {1, 4}, {2, 2}},
                        {{-2, 1}, {-1, 2}, {0, 4}, {1, 2}, {2, 1}}}}) {}

TSierraDitherer::TSierraDitherer(int width, TColorLookup& lookup)
    : TKernelDitherer(
          width, lookup,
          {32,
           2,
           {{{1, 5}, {2, 3}}, {{-2, 2}, {-1, 4}, {0, 5}, {1, 4}, {2, 2}}, {{-1, 2}, {0, 3}, {1, 2}}}}) {}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup& lookup)
    : TKernelDitherer(width, lookup,
                      {48,
                       2,
                       {{{1, 7}, {2, 5}},
                        {{-2, 3}, {-1, 5}, {0, 7}, {1, 5}, {2, 3}},
                        {{-2, 1}, {-1, 3}, {0, 5}, {1, 3}, {2, 1}}}}) {}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& lookup)
    : TKernelDitherer(width, lookup,
                      {200,
                       3,
                       {{{2, 32}},
                        {{-3, 12}, {-1, 26}, {1, 30}, {3, 16}},
                        {{-2, 12}, {0, 26}, {2, 12}},
                        {{-3, 5}, {-1, 12}, {1, 12}, {3, 5}}}}) {}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& lookup)
    : TKernelDitherer(width, lookup,
                      {32, 2, {{{1, 8}, {2, 4}}, {{-2, 2}, {-1, 4}, {0, 8}, {1, 4}, {2, 2}}}}) {}

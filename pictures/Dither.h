#pragma once
// Colour lookups (which palette entry stands for a colour) and the
// error-diffusion ditherers (where the difference goes). Ditherers walk the
// rows in serpentine order and ask a lookup for every pixel. Integer
// arithmetic throughout.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/Dib.h"

class TColorLookup {
 public:
  virtual ~TColorLookup() = default;
  // The palette entries the lookup serves; 0 makes it unusable.
  int ColorCount() const { return color_count_; }
  // The index standing for (r, g, b); the entry's colour comes back in the
  // out-parameters.
  virtual std::uint8_t MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                                  std::uint8_t& outG, std::uint8_t& outB) = 0;

 protected:
  int color_count_ = 0;
};

// Nearest entry of any palette of up to 256 entries by the sum of absolute
// channel differences (the first of equal entries wins), with a cache of
// 32768 recent answers keyed by the colour's top five bits per channel. The
// cache keeps the whole colour, so a colour that has an exact entry always
// gets that entry.
class TFastColorLookup final : public TColorLookup {
 public:
  explicit TFastColorLookup(const std::vector<TRGBQuad>& palette);
  std::uint8_t MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                          std::uint8_t& outG, std::uint8_t& outB) override;
  static int Key(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (r >> 3) | ((g & 0xF8) << 2) | ((b & 0xF8) << 7);
  }

 private:
  std::vector<TRGBQuad> palette_;
  // Colour (0x00RRGGBB) and index; index 0xFFFF when empty.
  struct Slot {
    std::uint32_t color;
    std::uint16_t index;
  };
  std::vector<Slot> cache_;
};

// The 216-colour web palette: per channel q = (c + 3) / 51.
class TNetscapeColorLookup final : public TColorLookup {
 public:
  TNetscapeColorLookup() { color_count_ = 216; }
  std::uint8_t MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                          std::uint8_t& outG, std::uint8_t& outB) override;
};

// 256 greys: (77 r + 150 g + 29 b) >> 8.
class TGrayScaleLookup final : public TColorLookup {
 public:
  TGrayScaleLookup() { color_count_ = 256; }
  std::uint8_t MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                          std::uint8_t& outG, std::uint8_t& outB) override;
};

// Black (0) or white (1) by luminance above 0x7F00 / 256.
class TMonochromeLookup final : public TColorLookup {
 public:
  TMonochromeLookup() { color_count_ = 2; }
  std::uint8_t MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                          std::uint8_t& outG, std::uint8_t& outB) override;
};

// Nearest colour without diffusion; the base of the ditherers. A new engine
// runs left to right from column 0; StartNextRow reverses the direction.
class TDitherEngine {
 public:
  TDitherEngine(int width, TColorLookup& lookup) : width_(width), lookup_(lookup) {}
  virtual ~TDitherEngine() = default;
  TDitherEngine(const TDitherEngine&) = delete;
  TDitherEngine& operator=(const TDitherEngine&) = delete;

  int Direction() const { return direction_; }
  int Column() const { return column_; }
  int Width() const { return width_; }
  // Matches the pixel at Column and steps to the next one.
  virtual std::uint8_t DitherPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                                   std::uint8_t& outG, std::uint8_t& outB);
  std::uint8_t DitherPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::uint8_t x, y, z;
    return DitherPixel(r, g, b, x, y, z);
  }
  // Steps over a pixel that is not drawn (a transparent one): it spreads no
  // error, and the error rows stay aligned with the columns.
  virtual void AdvanceColumn() { column_ += direction_; }
  virtual void StartNextRow();

 protected:
  std::uint8_t Match(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR, std::uint8_t& outG,
                     std::uint8_t& outB) {
    const std::uint8_t index = lookup_.MatchColor(r, g, b, outR, outG, outB);
    column_ += direction_;
    return index;
  }

  int direction_ = 1;
  int column_ = 0;
  int width_;
  TColorLookup& lookup_;
};

// Floyd-Steinberg (7, 3, 5, 1 over 16) with running sums for the next row.
class TFloydSteinbergDitherer final : public TDitherEngine {
 public:
  TFloydSteinbergDitherer(int width, TColorLookup& lookup);
  std::uint8_t DitherPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                           std::uint8_t& outG, std::uint8_t& outB) override;
  using TDitherEngine::DitherPixel;
  void AdvanceColumn() override;
  void StartNextRow() override;

 private:
  void Spread(const std::array<int, 3>& error);
  std::array<std::vector<int>, 3> errors_;
  int cursor_ = 0;
  std::array<int, 3> carried_{}, below_{}, below_behind_{};
};

// A kernel of error weights over the current and the following rows, each
// cell an (offset, weight) pair; offsets count ahead in the direction of
// travel.
struct TDitherKernel {
  struct Cell {
    int offset;
    int weight;
  };
  int divisor;
  int guard;
  std::vector<std::vector<Cell>> rows;
};

class TKernelDitherer : public TDitherEngine {
 public:
  TKernelDitherer(int width, TColorLookup& lookup, TDitherKernel kernel);
  std::uint8_t DitherPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& outR,
                           std::uint8_t& outG, std::uint8_t& outB) override;
  using TDitherEngine::DitherPixel;
  void AdvanceColumn() override;
  void StartNextRow() override;

 private:
  TDitherKernel kernel_;
  // errors_[row][channel], each width + 2 x guard entries.
  std::vector<std::array<std::vector<int>, 3>> errors_;
  int cursor_ = 0;
};

class TStuckiDitherer final : public TKernelDitherer {
 public:
  TStuckiDitherer(int width, TColorLookup& lookup);
};
class TSierraDitherer final : public TKernelDitherer {
 public:
  TSierraDitherer(int width, TColorLookup& lookup);
};
class TJaJuNiDitherer final : public TKernelDitherer {
 public:
  TJaJuNiDitherer(int width, TColorLookup& lookup);
};
class TSteveArcheDitherer final : public TKernelDitherer {
 public:
  TSteveArcheDitherer(int width, TColorLookup& lookup);
};
class TBurkesDitherer final : public TKernelDitherer {
 public:
  TBurkesDitherer(int width, TColorLookup& lookup);
};

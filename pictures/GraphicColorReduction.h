#pragma once
// Colour reduction of bitmaps to palettes of at most 256 entries: direct
// row access (TDIBReader, TDIBWriter), the fixed palettes, the octree
// quantiser, and ReduceBitmapColors, which picks a palette, a lookup and a
// ditherer and answers a new 8-bit bitmap.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "pictures/Dither.h"
#include "platform/gui/Bitmap.h"

using TColorPalette = std::vector<TRGBQuad>;

enum TReductionMethod : std::uint8_t {
  rmNone = 0,
  rmSystemColors = 1,
  rmHalftone = 2,
  rmFourGrays = 3,
  rmBlackWhite = 4,
  rmGrayRamp = 5,
  rmWebColors = 6,
  rmOptimized = 7,
  rmOptimizedWithSystem = 8,
  rmCustomPalette = 9,
};

enum TDitherKind : std::uint8_t {
  dkNearest = 0,
  dkFloydSteinberg = 1,
  dkStucki = 2,
  dkSierra = 3,
  dkJaJuNi = 4,
  dkSteveArche = 5,
  dkBurkes = 6,
};

// The ditherer of a kind, walking rows of `width` pixels through `lookup`;
// null for a kind that does not exist.
std::unique_ptr<TDitherEngine> MakeDitherer(TDitherKind kind, int width, TColorLookup& lookup);

// Rows of a bitmap, converted in place to the asked format.
class TDIBReader {
 public:
  TDIBReader(TBitmap& bitmap, TPixelFormat format);
  const std::uint8_t* ScanLine(int row) const { return bitmap_.ScanLine(row); }
  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }

 private:
  TBitmap& bitmap_;
};

// Builds an 8- or 24-bit image in memory and hands it to the bitmap in one
// step: Finish, or the destructor.
class TDIBWriter {
 public:
  // Raises "Unsupported PixelFormat" for other formats and "Invalid image
  // dimensions" for a width or height of 0.
  TDIBWriter(TBitmap& bitmap, TPixelFormat format, int width, int height, const TColorPalette& palette);
  ~TDIBWriter();
  TDIBWriter(const TDIBWriter&) = delete;
  TDIBWriter& operator=(const TDIBWriter&) = delete;
  // Row `row` from the top; "Scan line index out of range" outside.
  std::uint8_t* ScanLine(int row);
  void Finish();

 private:
  TBitmap& bitmap_;
  TPixelFormat format_;
  int width_, height_;
  TColorPalette palette_;
  TDib dib_;
  bool created_ = false;
  bool finished_ = false;
};

// The palettes a picture can be reduced to.
TColorPalette BuildBlackWhitePalette();
TColorPalette BuildFourGrayPalette();
TColorPalette BuildGrayRampPalette();
// The stock 20 system colours.
TColorPalette BuildSystemPalette();
// 256 entries: the system colours, the web cube and a grey ramp.
TColorPalette BuildHalftonePalette();

// The octree colour quantiser: never more than MaxColors leaves at a time.
class TColorQuantizer {
 public:
  TColorQuantizer(int maxColors, int colorBits);
  ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;
  bool AddImage(const TDIBReader& reader);
  void AddColor(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  // The leaves' average colours, depth first; answers how many.
  int BuildColorTable(std::array<TRGBQuad, 256>& table) const;
  int LeafCount() const { return leaf_count_; }

 private:
  struct Node;
  void InsertColor(std::unique_ptr<Node>& node, std::uint8_t r, std::uint8_t g, std::uint8_t b, int level);
  void MergeDeepestNode();

  std::unique_ptr<Node> tree_;
  int leaf_count_ = 0;
  std::array<Node*, 8> reducible_{};
  int max_colors_;
  int color_bits_;
};

// `colors` entries computed from a 24-bit picture; with system colours 236
// computed between the first and last ten system colours (256 in all).
// Entries the tree cannot fill repeat the last computed colour.
TColorPalette BuildOptimizedPalette(const TDIBReader& reader, int colors, int colorBits,
                                    bool withSystemColors);
TColorPalette BuildOptimizedPaletteForBitmap(TBitmap& bitmap, int colors, int colorBits,
                                             bool withSystemColors);

// A new bitmap of `source` reduced by `method` and `dither`: 8 bits per
// pixel with the method's palette (rmNone: a 24-bit copy). The source is
// converted to 24 bits in place (except for rmNone). A method or dither
// kind out of range, or rmCustomPalette without a palette, answers a bitmap
// without an image.
std::unique_ptr<TBitmap> ReduceBitmapColors(TBitmap& source, TReductionMethod method, TDitherKind dither,
                                            int reductionBits, const TColorPalette* customPalette = nullptr);

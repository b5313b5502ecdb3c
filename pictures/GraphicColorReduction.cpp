// Colour reduction: palettes, the octree quantiser and the driver.

#include "pictures/GraphicColorReduction.h"

#include <new>

#include "pictures/Dither.h"
#include "pictures/GifCommon.h"

TDIBReader::TDIBReader(TBitmap& bitmap, TPixelFormat format) : bitmap_(bitmap) {
  if (bitmap_.PixelFormat() != format) bitmap_.SetPixelFormat(format);
}

TDIBWriter::TDIBWriter(TBitmap& bitmap, TPixelFormat format, int width, int height,
                       const TColorPalette& palette)
    : bitmap_(bitmap), format_(format), width_(width), height_(height), palette_(palette) {
  if (format != pf8bit && format != pf24bit) Error("Unsupported PixelFormat");
  if (width <= 0 || height <= 0) Error("Invalid image dimensions");
  if (palette_.size() > 256) palette_.resize(256);
}

TDIBWriter::~TDIBWriter() {
  try {
    Finish();
  } catch (...) {
    // The bitmap stays without the image; nothing can be reported here.
  }
}

std::uint8_t* TDIBWriter::ScanLine(int row) {
  if (!created_) {
    try {
      dib_.Allocate(width_, height_, format_);
    } catch (const std::bad_alloc&) {
      throw EInvalidGraphic("Failed to allocate memory for GIF DIB");
    } catch (const std::length_error&) {
      throw EInvalidGraphic("Failed to allocate memory for GIF DIB");
    }
    if (format_ == pf8bit) dib_.palette = palette_;
    created_ = true;
  }
  if (dib_.bits.empty()) Error("Image has no DIB");
  if (row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  return dib_.Row(row);
}

void TDIBWriter::Finish() {
  if (finished_ || !created_) return;
  finished_ = true;
  bitmap_.SetDib(std::move(dib_));
}

// ---------------------------------------------------------------------------

namespace {

TColorPalette Grays(std::initializer_list<int> levels) {
  TColorPalette palette;
  for (int v : levels) palette.push_back({std::uint8_t(v), std::uint8_t(v), std::uint8_t(v), 0});
  return palette;
}

TRGBQuad Quad(int r, int g, int b) { return {std::uint8_t(b), std::uint8_t(g), std::uint8_t(r), 0}; }

}  // namespace

TColorPalette BuildBlackWhitePalette() { return Grays({0, 255}); }
TColorPalette BuildFourGrayPalette() { return Grays({0, 128, 192, 255}); }

TColorPalette BuildGrayRampPalette() {
  TColorPalette palette;
  for (int i = 0; i < 256; ++i) palette.push_back(Quad(i, i, i));
  return palette;
}

TColorPalette BuildSystemPalette() {
  return {Quad(0, 0, 0),       Quad(128, 0, 0),     Quad(0, 128, 0),     Quad(128, 128, 0),
          Quad(0, 0, 128),     Quad(128, 0, 128),   Quad(0, 128, 128),   Quad(192, 192, 192),
          Quad(192, 220, 192), Quad(166, 202, 240), Quad(255, 251, 240), Quad(160, 160, 164),
          Quad(128, 128, 128), Quad(255, 0, 0),     Quad(0, 255, 0),     Quad(255, 255, 0),
          Quad(0, 0, 255),     Quad(255, 0, 255),   Quad(0, 255, 255),   Quad(255, 255, 255)};
}

TColorPalette BuildHalftonePalette() {
  TColorPalette palette = BuildSystemPalette();
  for (const TRGBQuad& q : BuildWebPalette()) palette.push_back(q);
  // A grey ramp between the cube's levels fills the rest.
  for (int i = 1; palette.size() < 256; ++i) {
    const int v = i * 255 / 21;
    palette.push_back(Quad(v, v, v));
  }
  return palette;
}

// ---------------------------------------------------------------------------

struct TColorQuantizer::Node {
  bool leaf = false;
  std::uint32_t pixel_count = 0;
  std::uint64_t red_sum = 0, green_sum = 0, blue_sum = 0;
  Node* next_reducible = nullptr;
  std::array<std::unique_ptr<Node>, 8> children;
};

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : max_colors_(std::max(1, maxColors)), color_bits_(std::clamp(colorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::InsertColor(std::unique_ptr<Node>& node, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                  int level) {
  // Iterative descent: the tree is at most ColorBits deep.
  std::unique_ptr<Node>* at = &node;
  for (;;) {
    if (!*at) {
      *at = std::make_unique<Node>();
      if (level == color_bits_) {
        (*at)->leaf = true;
        ++leaf_count_;
      } else {
        (*at)->next_reducible = reducible_[size_t(level)];
        reducible_[size_t(level)] = at->get();
      }
    }
    Node& n = **at;
    if (n.leaf) {
      ++n.pixel_count;
      n.red_sum += r;
      n.green_sum += g;
      n.blue_sum += b;
      return;
    }
    const int mask = 0x80 >> level, shift = 7 - level;
    const int index = (((r & mask) >> shift) << 2) | (((g & mask) >> shift) << 1) | ((b & mask) >> shift);
    at = &n.children[size_t(index)];
    ++level;
  }
}

void TColorQuantizer::MergeDeepestNode() {
  int level = color_bits_ - 1;
  while (level > 0 && !reducible_[size_t(level)]) --level;
  Node* node = reducible_[size_t(level)];
  if (!node) return;
  reducible_[size_t(level)] = node->next_reducible;
  int merged = 0;
  for (auto& child : node->children)
    if (child) {
      node->pixel_count += child->pixel_count;
      node->red_sum += child->red_sum;
      node->green_sum += child->green_sum;
      node->blue_sum += child->blue_sum;
      child.reset();
      ++merged;
    }
  node->leaf = true;
  leaf_count_ -= merged - 1;
}

void TColorQuantizer::AddColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  InsertColor(tree_, r, g, b, 0);
  while (leaf_count_ > max_colors_) MergeDeepestNode();
}

bool TColorQuantizer::AddImage(const TDIBReader& reader) {
  for (int y = 0; y < reader.Height(); ++y) {
    const std::uint8_t* p = reader.ScanLine(y);
    for (int x = 0; x < reader.Width(); ++x, p += 3) AddColor(p[2], p[1], p[0]);
  }
  return true;
}

int TColorQuantizer::BuildColorTable(std::array<TRGBQuad, 256>& table) const {
  int count = 0;
  std::vector<const Node*> stack;
  if (tree_) stack.push_back(tree_.get());
  while (!stack.empty()) {
    const Node* n = stack.back();
    stack.pop_back();
    if (n->leaf) {
      if (count < 256 && n->pixel_count > 0)
        table[size_t(count++)] = {std::uint8_t(n->blue_sum / n->pixel_count),
                                  std::uint8_t(n->green_sum / n->pixel_count),
                                  std::uint8_t(n->red_sum / n->pixel_count), 0};
      continue;
    }
    for (int i = 7; i >= 0; --i)
      if (n->children[size_t(i)]) stack.push_back(n->children[size_t(i)].get());
  }
  return count;
}

TColorPalette BuildOptimizedPalette(const TDIBReader& reader, int colors, int colorBits,
                                    bool withSystemColors) {
  if (withSystemColors) colors = 236;
  colors = std::clamp(colors, 1, 256);
  TColorQuantizer quantizer(colors, colorBits);
  quantizer.AddImage(reader);
  std::array<TRGBQuad, 256> table{};
  const int computed = quantizer.BuildColorTable(table);
  TColorPalette palette;
  const TColorPalette system = BuildSystemPalette();
  if (withSystemColors) palette.assign(system.begin(), system.begin() + 10);
  for (int i = 0; i < colors; ++i) {
    // Entries the tree cannot fill repeat a computed colour, so that they
    // never stand for a colour the picture does not have.
    const TRGBQuad q =
        i < computed ? table[size_t(i)] : (computed > 0 ? table[size_t(computed - 1)] : TRGBQuad{});
    palette.push_back(q);
  }
  if (withSystemColors) palette.insert(palette.end(), system.end() - 10, system.end());
  return palette;
}

TColorPalette BuildOptimizedPaletteForBitmap(TBitmap& bitmap, int colors, int colorBits,
                                             bool withSystemColors) {
  TDIBReader reader(bitmap, pf24bit);
  return BuildOptimizedPalette(reader, colors, colorBits, withSystemColors);
}

// ---------------------------------------------------------------------------

std::unique_ptr<TDitherEngine> MakeDitherer(TDitherKind kind, int width, TColorLookup& lookup) {
  switch (kind) {
    case dkNearest:
      return std::make_unique<TDitherEngine>(width, lookup);
    case dkFloydSteinberg:
      return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case dkStucki:
      return std::make_unique<TStuckiDitherer>(width, lookup);
    case dkSierra:
      return std::make_unique<TSierraDitherer>(width, lookup);
    case dkJaJuNi:
      return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case dkSteveArche:
      return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case dkBurkes:
      return std::make_unique<TBurkesDitherer>(width, lookup);
  }
  return nullptr;
}

std::unique_ptr<TBitmap> ReduceBitmapColors(TBitmap& source, TReductionMethod method, TDitherKind dither,
                                            int reductionBits, const TColorPalette* customPalette) {
  auto result = std::make_unique<TBitmap>();
  if (method == rmNone) {
    result->Assign(source);
    result->SetPixelFormat(pf24bit);
    return result;
  }
  if (source.Empty()) Error("Invalid image dimensions");
  TDIBReader reader(source, pf24bit);
  TColorPalette palette;
  std::unique_ptr<TColorLookup> lookup;
  switch (method) {
    case rmSystemColors:
      palette = BuildSystemPalette();
      break;
    case rmHalftone:
      palette = BuildHalftonePalette();
      break;
    case rmFourGrays:
      palette = BuildFourGrayPalette();
      break;
    case rmBlackWhite:
      palette = BuildBlackWhitePalette();
      lookup = std::make_unique<TMonochromeLookup>();
      break;
    case rmGrayRamp:
      palette = BuildGrayRampPalette();
      lookup = std::make_unique<TGrayScaleLookup>();
      break;
    case rmWebColors:
      palette = BuildWebPalette();
      lookup = std::make_unique<TNetscapeColorLookup>();
      break;
    case rmOptimized:
      palette = BuildOptimizedPalette(reader, 1 << std::clamp(reductionBits, 1, 8), 8, false);
      break;
    case rmOptimizedWithSystem:
      palette = BuildOptimizedPaletteForBitmap(source, 256, 8, true);
      break;
    case rmCustomPalette:
      if (customPalette) palette = *customPalette;
      break;
    default:
      return result;
  }
  if (!lookup) lookup = std::make_unique<TFastColorLookup>(palette);
  if (lookup->ColorCount() == 0) return result;
  const int width = source.Width(), height = source.Height();
  std::unique_ptr<TDitherEngine> ditherer = MakeDitherer(dither, width, *lookup);
  if (!ditherer) return result;
  TDIBWriter writer(*result, pf8bit, width, height, palette);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = reader.ScanLine(y);
    std::uint8_t* dst = writer.ScanLine(y);
    while (ditherer->Column() >= 0 && ditherer->Column() < width) {
      const int x = ditherer->Column();
      const std::uint8_t* p = src + size_t(x) * 3;
      dst[x] = ditherer->DitherPixel(p[2], p[1], p[0]);
    }
    ditherer->StartNextRow();
  }
  writer.Finish();
  return result;
}

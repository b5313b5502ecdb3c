#pragma once
// What every class of the GIF codec shares: its exception, exact reads and
// data sub-blocks, colour-count arithmetic, the web palette, and the GIF
// colour table (a picture's global table or a frame's local one).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Streams.h"
#include "platform/gui/Color.h"
#include "platform/gui/Dib.h"
#include "platform/gui/Graphic.h"

// Every fault of a GIF stream or of a GIF operation.
class GIFException : public EInvalidGraphic {
  using EInvalidGraphic::EInvalidGraphic;
};

// A palette as the codec hands it around: entries in the bitmap's own
// blue-green-red order. An empty palette means "no palette".
using TGIFPalette = std::vector<TRGBQuad>;

[[noreturn]] void Error(const std::string& message);

// Reads exactly `count` bytes or raises "Premature end of data".
void ReadCheck(TStream& stream, void* buffer, std::int64_t count);
// One byte; 0 when nothing could be read.
std::uint8_t ReadByte(TStream& stream);
void WriteByte(TStream& stream, std::uint8_t value);
// Each string becomes its own run of sub-blocks (255 bytes each and a
// shorter last one); one zero byte ends the list.
void WriteDataSubBlocks(TStream& stream, const std::vector<std::string>& strings);
// One string per sub-block, cut at its first zero byte; stops at a zero size
// byte or the end of the stream.
void ReadDataSubBlocks(TStream& stream, std::vector<std::string>& strings);

int ColorsToBits(int count);
int BytesPerScanline(int pixels, int bitsPerPixel, int alignment);
// 216 entries: the 6 x 6 x 6 levels of 51, red slowest, blue fastest.
TGIFPalette BuildWebPalette();

struct TGIFColor {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
  friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

class TGIFImage;

// A GIF colour table of 0 to 256 entries. SortedByUse is the table's sort
// flag: set by Optimize, cleared by Add and Delete.
class TGIFColorMap {
 public:
  TGIFColorMap() = default;
  virtual ~TGIFColorMap() = default;
  TGIFColorMap(const TGIFColorMap&) = delete;
  TGIFColorMap& operator=(const TGIFColorMap&) = delete;

  int Count() const { return int(colors_.size()); }
  int Capacity() const { return capacity_; }
  bool SortedByUse() const { return sorted_; }
  void SetSortedByUse(bool value) { sorted_ = value; }

  void Clear();
  void Assign(const TGIFColorMap& source);
  int Add(TColor color);
  int FindOrAdd(TColor color);
  int IndexOf(TColor color) const;
  void Delete(int index);
  // The colour of an entry as a TColor; an index outside the table warns and
  // answers entry 0 (raises "Color table is empty" for an empty table).
  TColor Colors(int index);
  // The raw entry, or black outside the table (for pixel loops that must
  // never read past the entries).
  TGIFColor Entry(int index) const {
    return index >= 0 && index < Count() ? colors_[size_t(index)] : TGIFColor{};
  }
  const std::vector<TGIFColor>& Data() const { return colors_; }
  int BitsPerPixel() const { return ColorsToBits(Count()); }

  // Imports replace the table; an import with no entries leaves it empty
  // and calls no Changed.
  void LoadFromPalette(const TGIFPalette& palette);
  void LoadFromRGBQuads(const TRGBQuad* quads, int count);
  // The table as a palette (empty when the table is).
  TGIFPalette CreatePalette() const;
  // Writes the table padded with zero entries to 2^BitsPerPixel entries.
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream, int count);

  // Sorts by decreasing use and drops colours no pixel uses; answers whether
  // the table had more than one entry.
  bool Optimize();

  // Swaps red and blue of every entry (colours collected in the bitmap's
  // blue-green-red order).
  void SwapRedBlue();

  virtual void Warning(int severity, const std::string& message) = 0;
  // Adds one use per pixel of every frame the table serves.
  virtual void CountUses(std::vector<std::uint32_t>& uses) = 0;
  virtual void RemapPixels(const std::vector<std::uint8_t>& remap) = 0;
  virtual void Changed() = 0;

 protected:
  // False when there is nothing to count (the global table of an image
  // without frames).
  virtual bool CanOptimize() { return true; }

 private:
  void Grow(int needed);

  std::vector<TGIFColor> colors_;
  int capacity_ = 0;
  bool sorted_ = false;
};

#pragma once
// A device-independent bitmap in memory: the pixel store under TBitmap and
// what the BMP codec reads and writes. Rows are kept top-down, each padded
// to a multiple of four bytes; pixel layouts are the host's:
//   pf1bit/pf4bit/pf8bit  palette indexes, the leftmost pixel in the high bits
//   pf15bit               16-bit x555, blue in the low bits
//   pf16bit               16-bit 565, blue in the low bits
//   pf24bit               blue, green, red bytes
//   pf32bit               blue, green, red, alpha bytes

#include <cstddef>
#include <cstdint>
#include <vector>

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

struct TRGBQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

int BitsPerPixel(TPixelFormat format);
bool IsPaletteFormat(TPixelFormat format);
// Bytes of one row, padded to four bytes; -1 when it does not fit an int.
long long DibStride(int width, TPixelFormat format);

// The palette a new bitmap of a palette format starts with: black and
// white; the 16 VGA colours; the VGA colours, a 6 x 6 x 6 colour cube and
// a grey ramp.
std::vector<TRGBQuad> DefaultPalette(TPixelFormat format);

struct TDib {
  int width = 0;
  int height = 0;
  TPixelFormat format = pf24bit;
  int stride = 0;
  std::vector<TRGBQuad> palette;
  std::vector<uint8_t> bits;

  bool Empty() const { return width <= 0 || height <= 0; }
  uint8_t* Row(int y) { return bits.data() + size_t(y) * size_t(stride); }
  const uint8_t* Row(int y) const { return bits.data() + size_t(y) * size_t(stride); }

  // Allocates width x height pixels of `format`, every byte zero, with the
  // format's default palette.
  void Allocate(int width, int height, TPixelFormat format);

  // The colour of a pixel as 0x00BBGGRR (the host's colour value); a
  // palette index past the palette gives black.
  uint32_t GetColor(int x, int y) const;
  // Stores a colour; palette formats take the nearest palette entry.
  void SetColor(int x, int y, uint32_t bgr);
  // The palette entry closest to a colour (squared distance, first wins).
  int NearestIndex(uint32_t bgr) const;
  // The raw value of a pixel: its index, or its packed bits.
  uint32_t GetRaw(int x, int y) const;
  void SetRaw(int x, int y, uint32_t value);

  // The same picture in another format (colours kept where the format can
  // hold them; palette formats map to the nearest entry of `palette`, or of
  // the format's default palette when none is given).
  TDib Converted(TPixelFormat format, const std::vector<TRGBQuad>* palette = nullptr) const;
};

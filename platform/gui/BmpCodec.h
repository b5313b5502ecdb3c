#pragma once
// Our BMP reader and writer.
//
// Reads: file header "BM"; info headers of 12 (OS/2 core), 16 and 64 (OS/2
// 2.x, uncompressed), 40, 52, 56, 108 and 124 bytes; 1, 4, 8, 16, 24 and 32
// bits; RLE8, RLE4, bit fields (16 and 32 bits, also with alpha); bottom-up
// and top-down rows. Every size, count and offset is checked against the
// data before it is used, and the picture's size against a limit, so a
// hostile file costs no more memory than the limit allows. Run-length runs
// past the end of a row are cut there (writers pad rows that way); moves out
// of the picture, truncated data and a missing end are refused.
// Writes: 1, 4 and 8 bits with their palette, 24 and 32 bits, uncompressed
// and bottom-up; 15- and 16-bit bitmaps are written as 24 bits.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gui/Dib.h"

struct BmpLimits {
  // Largest number of pixels a picture may have.
  long long maxPixels = 1LL << 26;
};

// Raises EInvalidGraphic for data it cannot accept.
TDib ReadBmp(std::span<const uint8_t> data, const BmpLimits& limits = {});
// The same for a DIB without the file header (as icons keep them); the
// pixels follow the palette.
TDib ReadDib(std::span<const uint8_t> data, const BmpLimits& limits = {});
std::vector<uint8_t> WriteBmp(const TDib& dib);

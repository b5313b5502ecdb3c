#pragma once
// The LZW code stream of GIF image data: the decoder that fills a frame's
// pixel buffer (one byte per pixel, rows top to bottom) and the two
// encoders that write it back: a true LZW encoder with a hashed string
// table, and a run-length encoder whose output any GIF decoder reads.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/core/Streams.h"

enum TGIFEncoderKind : std::uint8_t { ekLZW = 0, ekRunLength = 1 };

using TGIFWarningSink = std::function<void(const std::string& message)>;

// Reads the code size byte and the data sub-blocks up to and including the
// terminator into `pixels` (width x height bytes, already filled with the
// value that pixels the data do not reach keep). Raises GIFException for
// data that cannot be decoded at all; tolerable faults go to `warn`.
void DecodeLzw(TStream& stream, std::uint8_t* pixels, int width, int height, bool interlaced,
               const TGIFWarningSink& warn);

// Writes the code size byte, the data sub-blocks and the terminator.
// `colorBits` is raised to 2; every pixel must be below `maxColor`, else
// "Color not in color table".
void EncodeLzw(TStream& stream, TGIFEncoderKind kind, int colorBits, int width, int height, bool interlaced,
               const std::uint8_t* pixels, int maxColor);

// The open-addressing table of the LZW encoder: 8009 entries of
// (key << 12) | code; key = (prefix << 8) | pixel.
class THashTable {
 public:
  static constexpr int kSize = 8009;
  THashTable() { Clear(); }
  void Clear();
  void Insert(std::uint32_t key, int code);
  int Lookup(std::uint32_t key) const;
  static int HashKey(std::uint32_t key) { return int(((key >> 4) ^ key) % kSize); }
  static int NextHash(int h) {
    h = h == 0 ? h - 1 : h - (kSize - h);
    return h < 0 ? h + kSize : h;
  }

 private:
  std::uint32_t table_[kSize];
};

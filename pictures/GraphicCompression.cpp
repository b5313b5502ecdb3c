// The decoders. Every loop checks both ends: packed data comes straight
// from files, and a lying count must cut a packet, never overrun a buffer.

#include "pictures/GraphicCompression.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "pictures/GraphicStrings.h"
#include "platform/core/Exceptions.h"

// --- Targa -------------------------------------------------------------------

void TTargaRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  int pixelSize;
  switch (color_depth_) {
    case 8:
      pixelSize = 1;
      break;
    case 15:
    case 16:
      pixelSize = 2;
      break;
    case 24:
      pixelSize = 3;
      break;
    case 32:
      pixelSize = 4;
      break;
    default:
      return;
  }
  const uint8_t* in = source;
  const uint8_t* inEnd = source + std::max(packedSize, 0);
  uint8_t* out = dest;
  int left = unpackedSize;
  while (left > 0 && in < inEnd) {
    const uint8_t header = *in++;
    const int count = std::min((header & 127) + 1, left);
    if (header & 128) {
      if (inEnd - in < pixelSize) break;
      for (int i = 0; i < count; ++i, out += pixelSize) std::memcpy(out, in, size_t(pixelSize));
      in += pixelSize;
    } else {
      const int available = int((inEnd - in) / pixelSize);
      const int n = std::min(count, available);
      std::memcpy(out, in, size_t(n * pixelSize));
      out += n * pixelSize;
      in += std::min((header & 127) + 1, available) * pixelSize;
      if (n < count) break;
    }
    left -= count;
  }
  source = in;
  dest = out;
}

void TTargaRLEDecoder::Encode(const uint8_t* source, uint8_t* dest, uint32_t count, uint32_t& bytesStored) {
  const size_t size = size_t(color_depth_ + 1) / 8;
  auto same = [&](uint32_t a, uint32_t b) {
    return std::memcmp(source + a * size, source + b * size, size) == 0;
  };
  bytesStored = 0;
  uint32_t pos = 0;
  while (pos < count) {
    const uint32_t remaining = count - pos;
    uint32_t raw = 0;
    if (remaining == 1) {
      raw = 1;
    } else {
      while (raw < remaining && !(pos + raw + 1 < count && same(pos + raw, pos + raw + 1))) ++raw;
    }
    uint32_t repeat = 1;
    while (pos + repeat < count && same(pos, pos + repeat)) ++repeat;
    raw = std::min<uint32_t>(raw, 128);
    repeat = std::min<uint32_t>(repeat, 128);
    if (raw > 0) {
      *dest++ = uint8_t(raw - 1);
      std::memcpy(dest, source + pos * size, raw * size);
      dest += raw * size;
      bytesStored += uint32_t(raw * size + 1);
      pos += raw;
    } else {
      // No raw pixels means the first two are equal: a run of at least two.
      *dest++ = uint8_t((repeat - 1) | 128);
      std::memcpy(dest, source + pos * size, size);
      dest += size;
      bytesStored += uint32_t(size + 1);
      pos += repeat;
    }
  }
}

// --- PackBits, PCX, SGI, CUT, PSP, RLA --------------------------------------------

namespace {

// Bounds of one Decode call.
struct Bounded {
  const uint8_t* in;
  const uint8_t* inEnd;
  uint8_t* out;
  uint8_t* outEnd;
  size_t InLeft() const { return size_t(inEnd - in); }
  size_t OutLeft() const { return size_t(outEnd - out); }
  void Run(uint8_t value, size_t count) {
    count = std::min(count, OutLeft());
    std::memset(out, value, count);
    out += count;
  }
  void Literal(size_t count) {
    const size_t n = std::min({count, OutLeft(), InLeft()});
    std::memcpy(out, in, n);
    out += n;
    in += std::min(count, InLeft());
  }
};

Bounded MakeBounds(const uint8_t* source, uint8_t* dest, int packedSize, int unpackedSize) {
  return Bounded{source, source + std::max(packedSize, 0), dest, dest + std::max(unpackedSize, 0)};
}

}  // namespace

void TPackbitsRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  Bounded b = MakeBounds(source, dest, packedSize, unpackedSize);
  while (b.InLeft() > 0 && b.OutLeft() > 0) {
    const int n = int8_t(*b.in++);
    if (n >= 0) {
      b.Literal(size_t(n) + 1);
    } else if (n != -128) {
      if (b.InLeft() == 0) break;
      b.Run(*b.in++, size_t(1 - n));
    }
  }
  source = b.in;
  dest = b.out;
}

void TPCXRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  Bounded b = MakeBounds(source, dest, packedSize, unpackedSize);
  while (b.OutLeft() > 0 && b.InLeft() > 0) {
    const uint8_t c = *b.in++;
    if ((c & 0xC0) == 0xC0) {
      if (b.InLeft() == 0) break;
      b.Run(*b.in++, c & 0x3F);
    } else {
      *b.out++ = c;
    }
  }
  source = b.in;
  dest = b.out;
}

void TSGIRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  Bounded b = MakeBounds(source, dest, packedSize, unpackedSize);
  const size_t size = sample_size_ == 2 ? 2 : 1;
  while (b.InLeft() >= size) {
    const unsigned control = size == 2 ? unsigned(b.in[1]) : unsigned(b.in[0]);
    b.in += size;
    const size_t count = control & 127;
    if (count == 0) break;
    if (control & 128) {
      b.Literal(count * size);
    } else {
      if (b.InLeft() < size) break;
      for (size_t i = 0; i < count && b.OutLeft() >= size; ++i) {
        std::memcpy(b.out, b.in, size);
        b.out += size;
      }
      b.in += size;
    }
  }
  source = b.in;
  dest = b.out;
}

void TCUTRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  Bounded b = MakeBounds(source, dest, packedSize, unpackedSize);
  b.in += std::min<size_t>(2, b.InLeft());
  while (b.InLeft() > 0) {
    const uint8_t c = *b.in++;
    if (c == 0) break;
    if (c & 128) {
      if (b.InLeft() == 0) break;
      b.Run(*b.in++, c & 127);
    } else {
      b.Literal(c);
    }
  }
  source = b.in;
  dest = b.out;
}

void TPSPRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  Bounded b = MakeBounds(source, dest, packedSize, unpackedSize);
  while (b.InLeft() > 0 && b.OutLeft() > 0) {
    const uint8_t c = *b.in++;
    if (c < 128) {
      b.Literal(c);
    } else {
      if (b.InLeft() == 0) break;
      b.Run(*b.in++, size_t(c - 128));
    }
  }
  source = b.in;
  dest = b.out;
}

void TRLADecoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  Bounded b = MakeBounds(source, dest, packedSize, unpackedSize);
  while (b.InLeft() > 0 && b.OutLeft() > 0) {
    const int n = int8_t(*b.in++);
    if (n >= 0) {
      if (b.InLeft() == 0) break;
      b.Run(*b.in++, size_t(n) + 1);
    } else {
      b.Literal(size_t(-n));
    }
  }
  source = b.in;
  dest = b.out;
}

// --- CCITT ---------------------------------------------------------------------

namespace {

struct Code {
  uint16_t code;
  uint8_t length;
};

// ITU-T T.4 terminating codes, runs 0 to 63.
constexpr Code kWhiteTerminating[64] = {
    {0x35, 8}, {0x07, 6}, {0x07, 4}, {0x08, 4}, {0x0B, 4}, {0x0C, 4}, {0x0E, 4}, {0x0F, 4},
    {0x13, 5}, {0x14, 5}, {0x07, 5}, {0x08, 5}, {0x08, 6}, {0x03, 6}, {0x34, 6}, {0x35, 6},
    {0x2A, 6}, {0x2B, 6}, {0x27, 7}, {0x0C, 7}, {0x08, 7}, {0x17, 7}, {0x03, 7}, {0x04, 7},
    {0x28, 7}, {0x2B, 7}, {0x13, 7}, {0x24, 7}, {0x18, 7}, {0x02, 8}, {0x03, 8}, {0x1A, 8},
    {0x1B, 8}, {0x12, 8}, {0x13, 8}, {0x14, 8}, {0x15, 8}, {0x16, 8}, {0x17, 8}, {0x28, 8},
    {0x29, 8}, {0x2A, 8}, {0x2B, 8}, {0x2C, 8}, {0x2D, 8}, {0x04, 8}, {0x05, 8}, {0x0A, 8},
    {0x0B, 8}, {0x52, 8}, {0x53, 8}, {0x54, 8}, {0x55, 8}, {0x24, 8}, {0x25, 8}, {0x58, 8},
    {0x59, 8}, {0x5A, 8}, {0x5B, 8}, {0x4A, 8}, {0x4B, 8}, {0x32, 8}, {0x33, 8}, {0x34, 8},
};
constexpr Code kBlackTerminating[64] = {
    {0x37, 10}, {0x02, 3},  {0x03, 2},  {0x02, 2},  {0x03, 3},  {0x03, 4},  {0x02, 4},  {0x03, 5},
    {0x05, 6},  {0x04, 6},  {0x04, 7},  {0x05, 7},  {0x07, 7},  {0x04, 8},  {0x07, 8},  {0x18, 9},
    {0x17, 10}, {0x18, 10}, {0x08, 10}, {0x67, 11}, {0x68, 11}, {0x6C, 11}, {0x37, 11}, {0x28, 11},
    {0x17, 11}, {0x18, 11}, {0xCA, 12}, {0xCB, 12}, {0xCC, 12}, {0xCD, 12}, {0x68, 12}, {0x69, 12},
    {0x6A, 12}, {0x6B, 12}, {0xD2, 12}, {0xD3, 12}, {0xD4, 12}, {0xD5, 12}, {0xD6, 12}, {0xD7, 12},
    {0x6C, 12}, {0x6D, 12}, {0xDA, 12}, {0xDB, 12}, {0x54, 12}, {0x55, 12}, {0x56, 12}, {0x57, 12},
    {0x64, 12}, {0x65, 12}, {0x52, 12}, {0x53, 12}, {0x24, 12}, {0x37, 12}, {0x38, 12}, {0x27, 12},
    {0x28, 12}, {0x58, 12}, {0x59, 12}, {0x2B, 12}, {0x2C, 12}, {0x5A, 12}, {0x66, 12}, {0x67, 12},
};
// Make-up codes for 64 to 1728 in steps of 64.
constexpr Code kWhiteMakeUp[27] = {
    {0x1B, 5}, {0x12, 5}, {0x17, 6}, {0x37, 7}, {0x36, 8}, {0x37, 8}, {0x64, 8}, {0x65, 8}, {0x68, 8},
    {0x67, 8}, {0xCC, 9}, {0xCD, 9}, {0xD2, 9}, {0xD3, 9}, {0xD4, 9}, {0xD5, 9}, {0xD6, 9}, {0xD7, 9},
    {0xD8, 9}, {0xD9, 9}, {0xDA, 9}, {0xDB, 9}, {0x98, 9}, {0x99, 9}, {0x9A, 9}, {0x18, 6}, {0x9B, 9},
};
constexpr Code kBlackMakeUp[27] = {
    {0x0F, 10}, {0xC8, 12}, {0xC9, 12}, {0x5B, 12}, {0x33, 12}, {0x34, 12}, {0x35, 12},
    {0x6C, 13}, {0x6D, 13}, {0x4A, 13}, {0x4B, 13}, {0x4C, 13}, {0x4D, 13}, {0x72, 13},
    {0x73, 13}, {0x74, 13}, {0x75, 13}, {0x76, 13}, {0x77, 13}, {0x52, 13}, {0x53, 13},
    {0x54, 13}, {0x55, 13}, {0x5A, 13}, {0x5B, 13}, {0x64, 13}, {0x65, 13},
};
// Extended make-up codes for 1792 to 2496, the same for both colours.
constexpr Code kExtendedMakeUp[12] = {
    {0x08, 11}, {0x0C, 11}, {0x0D, 11}, {0x12, 12}, {0x13, 12}, {0x14, 12},
    {0x15, 12}, {0x16, 12}, {0x17, 12}, {0x1C, 12}, {0x1D, 12}, {0x1E, 12},
};
constexpr int32_t kEndOfLine = -1;

uint8_t ReverseBits(uint8_t b) {
  b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

}  // namespace

TCCITTDecoder::TCCITTDecoder(bool swapBits, int width) : swap_bits_(swapBits), width_(std::max(width, 0)) {
  BuildTrees(white_, black_);
}

void TCCITTDecoder::AddCode(std::vector<Node>& tree, uint32_t code, int length, int32_t value) {
  int32_t node = 0;
  for (int bit = length - 1; bit >= 0; --bit) {
    const int b = int((code >> bit) & 1);
    if (tree[size_t(node)].child[b] == 0) {
      tree.push_back(Node{});
      tree[size_t(node)].child[b] = int32_t(tree.size() - 1);
    }
    node = tree[size_t(node)].child[b];
  }
  tree[size_t(node)].value = value;
}

void TCCITTDecoder::BuildTrees(std::vector<Node>& white, std::vector<Node>& black) {
  white.assign(1, Node{});
  black.assign(1, Node{});
  for (int32_t i = 0; i < 64; ++i) {
    AddCode(white, kWhiteTerminating[i].code, kWhiteTerminating[i].length, i);
    AddCode(black, kBlackTerminating[i].code, kBlackTerminating[i].length, i);
  }
  for (int32_t i = 0; i < 27; ++i) {
    AddCode(white, kWhiteMakeUp[i].code, kWhiteMakeUp[i].length, (i + 1) * 64);
    AddCode(black, kBlackMakeUp[i].code, kBlackMakeUp[i].length, (i + 1) * 64);
  }
  for (int32_t i = 0; i < 12; ++i) {
    AddCode(white, kExtendedMakeUp[i].code, kExtendedMakeUp[i].length, 1792 + i * 64);
    AddCode(black, kExtendedMakeUp[i].code, kExtendedMakeUp[i].length, 1792 + i * 64);
  }
  for (std::vector<Node>* tree : {&white, &black}) {
    AddCode(*tree, 0x1F, 12, kEndOfLine);  // the extended make-up code of 2560
    for (int zeros = 0; zeros <= 12; ++zeros) AddCode(*tree, 1, 12 + zeros, kEndOfLine);
  }
}

void TCCITTDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  const size_t outSize = size_t(std::max(unpackedSize, 0));
  std::memset(dest, 0, outSize);
  std::vector<uint8_t> packed(source, source + std::max(packedSize, 0));
  if (swap_bits_)
    for (uint8_t& b : packed) b = ReverseBits(b);
  const size_t rowBytes = (size_t(width_) + 7) / 8;
  if (width_ == 0 || rowBytes > outSize) return;

  size_t bitPos = 0;
  const size_t bitEnd = packed.size() * 8;
  auto bit = [&](size_t at) { return (packed[at >> 3] >> (7 - (at & 7))) & 1; };
  // One run with the tree of the colour: make-up codes add up until a
  // terminating code, an end of line or a code that does not exist.
  auto readRun = [&](const std::vector<Node>& tree) -> int32_t {
    int32_t sum = 0;
    while (bitPos < bitEnd) {
      int32_t node = 0;
      while (bitPos < bitEnd && tree[size_t(node)].child[bit(bitPos)] != 0) {
        node = tree[size_t(node)].child[bit(bitPos)];
        ++bitPos;
      }
      if (node == 0) ++bitPos;  // a bit no code starts with: drop it
      const int32_t value = tree[size_t(node)].value;
      if (value == kEndOfLine) return kEndOfLine;
      sum += value;
      if (value < 64) return sum;
    }
    return sum;
  };

  size_t rowStart = 0;
  int x = 0;
  bool white = true;
  auto newRow = [&] {
    rowStart += rowBytes;
    x = 0;
    white = true;
  };
  while (bitPos < bitEnd && rowStart + rowBytes <= outSize) {
    const int32_t run = readRun(white ? white_ : black_);
    if (run == kEndOfLine) {
      if (ModifiedHuffman()) {
        white = !white;
      } else if (x > 0) {
        newRow();
      } else {
        white = true;
      }
      continue;
    }
    const int n = std::min(run, width_ - x);
    if (!white) {
      uint8_t* row = dest + rowStart;
      for (int i = x; i < x + n;) {
        if ((i & 7) == 0 && x + n - i >= 8) {
          row[i >> 3] = 0xFF;
          i += 8;
        } else {
          row[i >> 3] |= uint8_t(0x80 >> (i & 7));
          ++i;
        }
      }
    }
    x += n;
    if (x >= width_) {
      newRow();
      if (ModifiedHuffman()) bitPos = (bitPos + 7) & ~size_t(7);
    } else {
      white = !white;
    }
  }
}

// --- LZ77 (deflate) ------------------------------------------------------------------

struct TLZ77Decoder::Stream {
  z_stream z{};
};

TLZ77Decoder::TLZ77Decoder(int flushMode) : stream_(std::make_unique<Stream>()), flush_mode_(flushMode) {}

TLZ77Decoder::~TLZ77Decoder() {
  if (open_) inflateEnd(&stream_->z);
}

void TLZ77Decoder::DecodeInit() {
  if (open_) inflateEnd(&stream_->z);
  stream_->z = z_stream{};
  if (inflateInit(&stream_->z) != Z_OK) throw Exception(gs::kLZ77Error);
  open_ = true;
}

void TLZ77Decoder::DecodeEnd() {
  if (!open_) return;
  open_ = false;
  if (inflateEnd(&stream_->z) != Z_OK) throw Exception(gs::kLZ77Error);
}

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) {
  if (!open_) DecodeInit();
  z_stream& z = stream_->z;
  z.next_in = const_cast<Bytef*>(source);
  z.avail_in = uInt(std::max(packedSize, 0));
  z.next_out = dest;
  z.avail_out = uInt(std::max(unpackedSize, 0));
  result_ = inflate(&z, flush_mode_);
  source = z.next_in;
  dest = z.next_out;
}

unsigned TLZ77Decoder::AvailableInput() const { return stream_->z.avail_in; }
unsigned TLZ77Decoder::AvailableOutput() const { return stream_->z.avail_out; }

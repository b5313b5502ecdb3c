// BMP reading and writing. The reader keeps a small context of the data and
// its header; every read goes through a bounds-checked accessor.

#include "platform/gui/BmpCodec.h"

#include <bit>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/gui/Graphic.h"

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

[[noreturn]] void Fail(const char* why) {
  throw EInvalidGraphic(std::string("Bitmap image is not valid: ") + why);
}

uint16_t U16(std::span<const uint8_t> d, size_t at) {
  if (at + 2 > d.size()) Fail("truncated header");
  return uint16_t(d[at] | (d[at + 1] << 8));
}

uint32_t U32(std::span<const uint8_t> d, size_t at) {
  if (at + 4 > d.size()) Fail("truncated header");
  return uint32_t(d[at]) | (uint32_t(d[at + 1]) << 8) | (uint32_t(d[at + 2]) << 16) |
         (uint32_t(d[at + 3]) << 24);
}

struct Header {
  uint32_t size = 0;
  int width = 0;
  int height = 0;  // positive; topDown tells the order
  bool topDown = false;
  int bpp = 0;
  uint32_t compression = BI_RGB;
  uint32_t colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool core = false;
};

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  uint8_t Extract(uint32_t v) const {
    if (bits == 0) return 0;
    const uint32_t x = (v & mask) >> shift;
    if (bits >= 8) return uint8_t(x >> (bits - 8));
    const uint32_t max = (1u << bits) - 1;
    return uint8_t((x * 255 + max / 2) / max);
  }
};

Channel MakeChannel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  c.shift = std::countr_zero(mask);
  const uint32_t m = mask >> c.shift;
  if ((m & (m + 1)) != 0) Fail("bit field mask is not contiguous");
  c.bits = std::popcount(m);
  return c;
}

// The decoder of the pixel data, once the header and palette are known.
class Reader {
 public:
  Reader(std::span<const uint8_t> data, const BmpLimits& limits) : data_(data), limits_(limits) {}

  TDib Read(size_t headerAt, std::optional<size_t> bitsAt);

 private:
  void ReadHeader(size_t at);
  void ReadUncompressed(TDib& dib, size_t at);
  void ReadRle(TDib& dib, size_t at, bool four);

  std::span<const uint8_t> data_;
  BmpLimits limits_;
  Header h_;
};

void Reader::ReadHeader(size_t at) {
  h_.size = U32(data_, at);
  const uint32_t s = h_.size;
  if (s == 12) {
    h_.core = true;
    h_.width = U16(data_, at + 4);
    const int height = int16_t(U16(data_, at + 6));
    h_.topDown = height < 0;
    h_.height = std::abs(height);
    if (U16(data_, at + 8) != 1) Fail("bad plane count");
    h_.bpp = U16(data_, at + 10);
    return;
  }
  if (s != 16 && s != 40 && s != 52 && s != 56 && s != 64 && s != 108 && s != 124) Fail("unknown header");
  if (at + s > data_.size()) Fail("truncated header");
  const int32_t width = int32_t(U32(data_, at + 4));
  const int32_t height = int32_t(U32(data_, at + 8));
  if (U16(data_, at + 12) != 1) Fail("bad plane count");
  h_.bpp = U16(data_, at + 14);
  if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min()) Fail("bad size");
  h_.width = width;
  h_.topDown = height < 0;
  h_.height = std::abs(height);
  if (s >= 20) h_.compression = U32(data_, at + 16);
  if (s >= 36) h_.colorsUsed = U32(data_, at + 32);
  const bool os2 = s == 16 || s == 64;
  if (os2 && h_.compression != BI_RGB && h_.compression != BI_RLE8 && h_.compression != BI_RLE4)
    Fail("unsupported compression");
  if (h_.compression == BI_BITFIELDS || h_.compression == BI_ALPHABITFIELDS) {
    const size_t count = h_.compression == BI_ALPHABITFIELDS ? 4 : 3;
    // Masks sit in the larger headers, or follow the 40-byte header.
    const size_t masksAt = s >= 52 ? at + 40 : at + s;
    for (size_t i = 0; i < count; ++i) h_.masks[i] = U32(data_, masksAt + 4 * i);
    if (s >= 56) h_.masks[3] = U32(data_, at + 52);
  } else if (s >= 56 && h_.compression == BI_RGB) {
    h_.masks[3] = 0;
  }
}

TDib Reader::Read(size_t headerAt, std::optional<size_t> bitsAt) {
  ReadHeader(headerAt);
  const Header& h = h_;
  if (h.width <= 0 || h.height <= 0) Fail("bad size");
  if (static_cast<long long>(h.width) * h.height > limits_.maxPixels) Fail("picture too large");
  const int bpp = h.bpp;
  TPixelFormat format;
  switch (bpp) {
    case 1:
      format = pf1bit;
      break;
    case 4:
      format = pf4bit;
      break;
    case 8:
      format = pf8bit;
      break;
    case 16:
      format = pf15bit;
      break;
    case 24:
      format = pf24bit;
      break;
    case 32:
      format = pf32bit;
      break;
    default:
      Fail("unsupported bit count");
  }
  const uint32_t c = h.compression;
  const bool rle = c == BI_RLE8 || c == BI_RLE4;
  if (c == BI_RLE8 && bpp != 8) Fail("RLE8 needs 8 bits");
  if (c == BI_RLE4 && bpp != 4) Fail("RLE4 needs 4 bits");
  if ((c == BI_BITFIELDS || c == BI_ALPHABITFIELDS) && bpp != 16 && bpp != 32)
    Fail("bit fields need 16 or 32 bits");
  if (c != BI_RGB && !rle && c != BI_BITFIELDS && c != BI_ALPHABITFIELDS) Fail("unsupported compression");
  if (rle && h.topDown) Fail("compressed pictures cannot be top-down");

  // Palette.
  size_t paletteAt = headerAt + h.size;
  if (!h.core && h.size == 40 && (c == BI_BITFIELDS || c == BI_ALPHABITFIELDS))
    paletteAt += c == BI_ALPHABITFIELDS ? 16 : 12;
  std::vector<TRGBQuad> palette;
  size_t afterPalette = paletteAt;
  if (bpp <= 8) {
    const size_t capacity = size_t(1) << bpp;
    size_t count = h.colorsUsed == 0 ? capacity : std::min<size_t>(h.colorsUsed, capacity);
    const size_t entry = h.core ? 3 : 4;
    if (h.colorsUsed > 0 && h.colorsUsed > capacity && h.colorsUsed > (data_.size() / entry))
      Fail("bad colour count");
    if (paletteAt + count * entry > data_.size()) Fail("truncated palette");
    for (size_t i = 0; i < count; ++i) {
      const size_t o = paletteAt + i * entry;
      palette.push_back({data_[o], data_[o + 1], data_[o + 2], 0});
    }
    afterPalette = paletteAt + count * entry;
  }

  const size_t at = bitsAt ? *bitsAt : afterPalette;
  if (at > data_.size()) Fail("bad offset of the pixels");

  TDib dib;
  if (bpp == 16 || bpp == 32) {
    // Choose the stored format by the masks.
    uint32_t r = 0x7C00, g = 0x3E0, b = 0x1F, a = 0;
    if (bpp == 32) r = 0xFF0000, g = 0xFF00, b = 0xFF, a = 0xFF000000;
    if (c == BI_BITFIELDS || c == BI_ALPHABITFIELDS) {
      r = h.masks[0];
      g = h.masks[1];
      b = h.masks[2];
      a = h.masks[3];
    }
    MakeChannel(r), MakeChannel(g), MakeChannel(b), MakeChannel(a);
    if (bpp == 16 && r == 0x7C00 && g == 0x3E0 && b == 0x1F)
      format = pf15bit;
    else if (bpp == 16 && r == 0xF800 && g == 0x7E0 && b == 0x1F)
      format = pf16bit;
    else
      format = pf32bit;
    dib.Allocate(h.width, h.height, format);
    const long long stride = DibStride(h.width, bpp == 16 ? pf15bit : pf32bit);
    if (stride < 0 || static_cast<unsigned long long>(stride) * h.height > data_.size() - at)
      Fail("truncated pixels");
    const bool plain32 =
        bpp == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF && (a == 0 || a == 0xFF000000);
    const Channel cr = MakeChannel(r), cg = MakeChannel(g), cb = MakeChannel(b), ca = MakeChannel(a);
    for (int row = 0; row < h.height; ++row) {
      const uint8_t* src = data_.data() + at + size_t(row) * size_t(stride);
      uint8_t* dst = dib.Row(h.topDown ? row : h.height - 1 - row);
      if (format != pf32bit || plain32) {
        std::memcpy(dst, src, size_t(std::min<long long>(stride, dib.stride)));
        continue;
      }
      for (int x = 0; x < h.width; ++x) {
        const uint32_t v = bpp == 16
                               ? uint32_t(src[2 * x] | (src[2 * x + 1] << 8))
                               : uint32_t(src[4 * x]) | (uint32_t(src[4 * x + 1]) << 8) |
                                     (uint32_t(src[4 * x + 2]) << 16) | (uint32_t(src[4 * x + 3]) << 24);
        dst[4 * x] = cb.Extract(v);
        dst[4 * x + 1] = cg.Extract(v);
        dst[4 * x + 2] = cr.Extract(v);
        dst[4 * x + 3] = ca.bits ? ca.Extract(v) : 0;
      }
    }
    return dib;
  }

  dib.Allocate(h.width, h.height, format);
  if (IsPaletteFormat(format)) dib.palette = palette;
  if (rle)
    ReadRle(dib, at, c == BI_RLE4);
  else
    ReadUncompressed(dib, at);
  return dib;
}

void Reader::ReadUncompressed(TDib& dib, size_t at) {
  const size_t stride = size_t(dib.stride);
  if (stride * size_t(h_.height) > data_.size() - at) Fail("truncated pixels");
  for (int row = 0; row < h_.height; ++row)
    std::memcpy(dib.Row(h_.topDown ? row : h_.height - 1 - row), data_.data() + at + size_t(row) * stride,
                stride);
}

void Reader::ReadRle(TDib& dib, size_t at, bool four) {
  const int w = h_.width, hgt = h_.height;
  int x = 0, y = 0;  // y counts rows from the bottom
  size_t p = at;
  auto next = [&]() -> uint8_t {
    if (p >= data_.size()) Fail("truncated run-length data");
    return data_[p++];
  };
  // Writers pad rows with runs past the row's end (to the padded width);
  // those pixels are dropped, as the host drops them.
  auto put = [&](uint32_t index) {
    if (x < w) dib.SetRaw(x++, hgt - 1 - y, index);
  };
  while (y < hgt) {
    const uint8_t count = next();
    const uint8_t value = next();
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      return;
    } else if (value == 2) {  // move
      const int dx = next(), dy = next();
      x += dx;
      y += dy;
      if (x > w || y > hgt) Fail("run-length move leaves the picture");
    } else {  // a literal run of `value` pixels, padded to 16 bits
      const int n = value;
      const int bytes = four ? (n + 1) / 2 : n;
      uint8_t b = 0;
      for (int i = 0; i < n; ++i) {
        if (four) {
          if ((i & 1) == 0) b = next();
          put((i & 1) ? b & 0x0F : b >> 4);
        } else {
          put(next());
        }
      }
      if (bytes & 1) next();
    }
  }
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

TDib ReadBmp(std::span<const uint8_t> data, const BmpLimits& limits) {
  if (data.size() < 18 || data[0] != 'B' || data[1] != 'M') Fail("no bitmap file header");
  const uint32_t offBits = U32(data, 10);
  if (offBits < 14 + 12 || offBits > data.size()) Fail("bad offset of the pixels");
  return Reader(data, limits).Read(14, offBits);
}

TDib ReadDib(std::span<const uint8_t> data, const BmpLimits& limits) {
  return Reader(data, limits).Read(0, std::nullopt);
}

std::vector<uint8_t> WriteBmp(const TDib& source) {
  if (source.Empty()) throw EInvalidGraphicOperation("Cannot save an empty bitmap");
  const TDib* dib = &source;
  TDib converted;
  if (source.format == pf15bit || source.format == pf16bit) {
    converted = source.Converted(pf24bit);
    dib = &converted;
  }
  const int bpp = BitsPerPixel(dib->format);
  const size_t paletteCount = IsPaletteFormat(dib->format) ? dib->palette.size() : 0;
  const size_t bitsAt = 14 + 40 + paletteCount * 4;
  const size_t imageSize = size_t(dib->stride) * size_t(dib->height);
  std::vector<uint8_t> out;
  out.reserve(bitsAt + imageSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, uint32_t(bitsAt + imageSize));
  Put32(out, 0);
  Put32(out, uint32_t(bitsAt));
  Put32(out, 40);
  Put32(out, uint32_t(dib->width));
  Put32(out, uint32_t(dib->height));
  Put16(out, 1);
  Put16(out, uint32_t(bpp));
  Put32(out, BI_RGB);
  Put32(out, uint32_t(imageSize));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, uint32_t(paletteCount));
  Put32(out, 0);
  for (size_t i = 0; i < paletteCount; ++i) {
    out.push_back(dib->palette[i].rgbBlue);
    out.push_back(dib->palette[i].rgbGreen);
    out.push_back(dib->palette[i].rgbRed);
    out.push_back(0);
  }
  for (int row = dib->height - 1; row >= 0; --row)
    out.insert(out.end(), dib->Row(row), dib->Row(row) + dib->stride);
  return out;
}

// Pixel access and format conversion of the in-memory DIB.

#include "platform/gui/Dib.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

int BitsPerPixel(TPixelFormat format) {
  switch (format) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    case pf32bit:
      return 32;
    default:
      return 32;
  }
}

bool IsPaletteFormat(TPixelFormat format) { return format == pf1bit || format == pf4bit || format == pf8bit; }

long long DibStride(int width, TPixelFormat format) {
  if (width < 0) return -1;
  const long long bits = static_cast<long long>(width) * BitsPerPixel(format);
  const long long stride = ((bits + 31) / 32) * 4;
  if (stride > std::numeric_limits<int>::max()) return -1;
  return stride;
}

namespace {

constexpr uint32_t kVga[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                               0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                               0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

TRGBQuad Quad(uint32_t bgr) {
  return {uint8_t((bgr >> 16) & 0xFF), uint8_t((bgr >> 8) & 0xFF), uint8_t(bgr & 0xFF), 0};
}

uint32_t Bgr(const TRGBQuad& q) {
  return uint32_t(q.rgbRed) | (uint32_t(q.rgbGreen) << 8) | (uint32_t(q.rgbBlue) << 16);
}

uint8_t Expand5(uint32_t v) { return uint8_t((v << 3) | (v >> 2)); }
uint8_t Expand6(uint32_t v) { return uint8_t((v << 2) | (v >> 4)); }

}  // namespace

std::vector<TRGBQuad> DefaultPalette(TPixelFormat format) {
  std::vector<TRGBQuad> p;
  switch (format) {
    case pf1bit:
      p = {Quad(0x000000), Quad(0xFFFFFF)};
      break;
    case pf4bit:
      for (uint32_t c : kVga) p.push_back(Quad(c));
      break;
    case pf8bit:
      for (uint32_t c : kVga) p.push_back(Quad(c));
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
          for (int b = 0; b < 6; ++b) p.push_back({uint8_t(b * 51), uint8_t(g * 51), uint8_t(r * 51), 0});
      for (int i = 0; p.size() < 256; ++i) {
        const auto v = uint8_t(8 + i * 10);
        p.push_back({v, v, v, 0});
      }
      break;
    default:
      break;
  }
  return p;
}

void TDib::Allocate(int w, int h, TPixelFormat f) {
  width = std::max(w, 0);
  height = std::max(h, 0);
  format = f;
  stride = int(std::max<long long>(DibStride(width, f), 0));
  palette = DefaultPalette(f);
  bits.assign(size_t(stride) * size_t(height), 0);
}

uint32_t TDib::GetRaw(int x, int y) const {
  const uint8_t* row = Row(y);
  switch (format) {
    case pf1bit:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case pf4bit:
      return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case pf8bit:
      return row[x];
    case pf15bit:
    case pf16bit:
      return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
    case pf24bit:
      return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) | (uint32_t(row[3 * x + 2]) << 16);
    default:
      return uint32_t(row[4 * x]) | (uint32_t(row[4 * x + 1]) << 8) | (uint32_t(row[4 * x + 2]) << 16) |
             (uint32_t(row[4 * x + 3]) << 24);
  }
}

void TDib::SetRaw(int x, int y, uint32_t v) {
  uint8_t* row = Row(y);
  switch (format) {
    case pf1bit: {
      const uint8_t bit = uint8_t(0x80 >> (x & 7));
      row[x >> 3] = (v & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case pf4bit:
      if (x & 1)
        row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (v & 0x0F));
      else
        row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
      break;
    case pf8bit:
      row[x] = uint8_t(v);
      break;
    case pf15bit:
    case pf16bit:
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    case pf24bit:
      row[3 * x] = uint8_t(v);
      row[3 * x + 1] = uint8_t(v >> 8);
      row[3 * x + 2] = uint8_t(v >> 16);
      break;
    default:
      row[4 * x] = uint8_t(v);
      row[4 * x + 1] = uint8_t(v >> 8);
      row[4 * x + 2] = uint8_t(v >> 16);
      row[4 * x + 3] = uint8_t(v >> 24);
      break;
  }
}

uint32_t TDib::GetColor(int x, int y) const {
  const uint32_t v = GetRaw(x, y);
  switch (format) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
      return v < palette.size() ? Bgr(palette[v]) : 0;
    case pf15bit:
      return Expand5((v >> 10) & 31) | (uint32_t(Expand5((v >> 5) & 31)) << 8) |
             (uint32_t(Expand5(v & 31)) << 16);
    case pf16bit:
      return Expand5((v >> 11) & 31) | (uint32_t(Expand6((v >> 5) & 63)) << 8) |
             (uint32_t(Expand5(v & 31)) << 16);
    default:
      // Stored blue, green, red: the value read is 0x..RRGGBB.
      return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
  }
}

int TDib::NearestIndex(uint32_t bgr) const {
  const int r = int(bgr & 0xFF), g = int((bgr >> 8) & 0xFF), b = int((bgr >> 16) & 0xFF);
  int best = 0;
  long best_d = std::numeric_limits<long>::max();
  for (size_t i = 0; i < palette.size(); ++i) {
    const long dr = palette[i].rgbRed - r, dg = palette[i].rgbGreen - g, db = palette[i].rgbBlue - b;
    const long d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = int(i);
      if (d == 0) break;
    }
  }
  return best;
}

void TDib::SetColor(int x, int y, uint32_t bgr) {
  const uint32_t r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
  switch (format) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
      SetRaw(x, y, uint32_t(NearestIndex(bgr)));
      break;
    case pf15bit:
      SetRaw(x, y, ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
      break;
    case pf16bit:
      SetRaw(x, y, ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
      break;
    case pf24bit:
      SetRaw(x, y, b | (g << 8) | (r << 16));
      break;
    default: {
      // Keeps the alpha byte the pixel had.
      const uint32_t a = GetRaw(x, y) & 0xFF000000u;
      SetRaw(x, y, a | b | (g << 8) | (r << 16));
      break;
    }
  }
}

TDib TDib::Converted(TPixelFormat to, const std::vector<TRGBQuad>* pal) const {
  TDib out;
  out.Allocate(width, height, to);
  if (IsPaletteFormat(to)) {
    const size_t capacity = size_t(1) << BitsPerPixel(to);
    if (pal && !pal->empty())
      out.palette = *pal;
    else if (IsPaletteFormat(format) && palette.size() <= capacity && !palette.empty())
      out.palette = palette;
    if (out.palette.size() > capacity) out.palette.resize(capacity);
  }
  const bool keepIndexes = IsPaletteFormat(format) && IsPaletteFormat(to) && out.palette == palette;
  std::unordered_map<uint32_t, uint32_t> nearest;
  const bool keepAlpha = format == pf32bit && to == pf32bit;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (keepIndexes || keepAlpha) {
        out.SetRaw(x, y, GetRaw(x, y));
      } else {
        const uint32_t c = GetColor(x, y);
        if (IsPaletteFormat(to)) {
          auto it = nearest.find(c);
          if (it == nearest.end()) it = nearest.emplace(c, uint32_t(out.NearestIndex(c))).first;
          out.SetRaw(x, y, it->second);
        } else {
          out.SetColor(x, y, c);
        }
      }
    }
  return out;
}

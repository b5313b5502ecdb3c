// ZSoft PCX and Word screen captures: 1, 2, 4 and 8 bits in one plane,
// 16 colours in four 1-bit planes, and true colour in three 8-bit planes.

#include <cstring>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {
constexpr char kName[] = "PCX or SCR";
[[noreturn]] void BadColorFormat() { throw EInvalidGraphic(GraphicMessage(gs::kInvalidColorFormat, "PCX")); }
}  // namespace

std::string TPCXGraphic::FormatName() const { return kName; }

void TPCXGraphic::Decode(TPictureReader& in, TDib& dib) {
  const auto header = in.Bytes(128);
  if (header[0] != 10 && header[0] != 205) RaiseInvalidImage(kName);
  auto le16 = [&](size_t at) { return int(header[at] | header[at + 1] << 8); };
  const int encoding = header[2], bits = header[3], planes = header[65];
  const int bytesPerLine = le16(66), paletteType = le16(68);
  const int width = le16(8) - le16(4) + 1, height = le16(10) - le16(6) + 1;
  if (width <= 0 || height <= 0) RaiseInvalidImage(kName);
  const bool fourPlanes = planes == 4 && bits == 1;
  if (!(planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) && !(planes == 3 && bits == 8) &&
      !fourPlanes)
    BadColorFormat();
  // Each plane's line must hold the picture's width.
  if (int64_t(bytesPerLine) * 8 < int64_t(width) * bits) RaiseInvalidImage(kName);

  TColorManager& cm = ColorManager();
  TPixelFormat format = pf4bit;
  if (!fourPlanes) {
    cm.SetSourceScheme(psBGR);
    cm.SetSourceBitsPerSample(bits);
    cm.SetSourceSamplesPerPixel(planes);
    cm.SetTargetScheme(psRGB);
    cm.SetTargetBitsPerSample(bits == 2 ? 4 : bits);
    cm.SetTargetSamplesPerPixel(planes);
    format = cm.TargetPixelFormat();
  }

  size_t dataSize = in.Left();
  const auto all = std::span(in.Bytes(dataSize).data(), dataSize);
  if (bits == 8 && planes == 1 && dataSize >= 769) dataSize -= 769;
  const size_t rowSize = size_t(planes) * size_t(bytesPerLine);
  const size_t total = rowSize * size_t(height);
  // A PCX run packs at most 63 bytes into 2.
  if (encoding == 1 ? total / 32 > dataSize + 1 : total > dataSize)
    throw EInvalidGraphic(GraphicMessage(gs::kStreamReadError, kName));
  AllocateRaster(dib, width, height, format, kName);

  if (format == pf1bit) {
    dib.palette = {TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};
  } else if (format == pf4bit) {
    if (paletteType == 2) {
      dib.palette = cm.CreateGrayscalePalette(false);
    } else {
      // The header's map; 2-bit indexes are rescaled to 4 bits, and so is
      // the map.
      if (fourPlanes) cm.SetSourceBitsPerSample(4), cm.SetTargetBitsPerSample(4);
      dib.palette = cm.CreatePaletteFromPlanes({header.data() + 16}, 0, 16, false);
    }
  } else if (format == pf8bit) {
    if (all.size() >= 769 && all[all.size() - 769] == 12) {
      dib.palette = cm.CreatePaletteFromPlanes({all.data() + all.size() - 768}, 0, 256, false);
    } else if (paletteType == 2) {
      dib.palette = cm.CreateGrayscalePalette(false);
    }
  }

  std::vector<uint8_t> unpacked(total);
  if (encoding == 1) {
    const uint8_t* source = all.data();
    uint8_t* dest = unpacked.data();
    TPCXRLEDecoder().Decode(source, dest, int(std::min<size_t>(dataSize, 0x7FFFFFFF)), int(total));
    if (dest != unpacked.data() + total) throw EInvalidGraphic(GraphicMessage(gs::kStreamReadError, kName));
  } else {
    std::memcpy(unpacked.data(), all.data(), total);
  }

  for (int y = 0; y < height; ++y) {
    const uint8_t* slice = unpacked.data() + size_t(y) * rowSize;
    uint8_t* row = dib.Row(y);
    if (fourPlanes) {
      for (int x = 0; x < width; ++x) {
        int v = 0;
        for (int p = 3; p >= 0; --p)
          v = v << 1 | ((slice[size_t(p) * size_t(bytesPerLine) + size_t(x >> 3)] >> (7 - (x & 7))) & 1);
        row[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
      }
    } else if (planes == 3) {
      cm.ConvertRow({slice, slice + bytesPerLine, slice + 2 * bytesPerLine}, row, uint32_t(width));
    } else {
      cm.ConvertRow({slice}, row, uint32_t(width));
    }
  }
}

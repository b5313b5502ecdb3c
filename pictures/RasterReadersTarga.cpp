// Truevision Targa: read uncompressed and run-length encoded colour-mapped,
// true-colour and grey pictures; written run-length encoded by default.

#include <cstring>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

std::string TTargaGraphic::FormatName() const { return "Targa"; }

void TTargaGraphic::Decode(TPictureReader& in, TDib& dib) {
  const uint8_t idLength = in.U8();
  const uint8_t mapType = in.U8();
  const uint8_t imageType = in.U8();
  in.U16LE();  // first map entry: indexes count from 0 in the files we know
  const uint16_t mapLength = in.U16LE();
  const uint8_t mapEntrySize = in.U8();
  in.U16LE();
  in.U16LE();
  const uint16_t width = in.U16LE();
  const uint16_t height = in.U16LE();
  const uint8_t pixelSize = in.U8();
  const uint8_t descriptor = in.U8();
  const bool topFirst = descriptor & 0x20;
  const auto id = in.Bytes(idLength);
  ImageID.assign(reinterpret_cast<const char*>(id.data()), id.size());

  TPixelFormat format;
  switch (pixelSize) {
    case 8:
      format = pf8bit;
      break;
    case 15:
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
      RaiseInvalidImage("Targa");
  }
  const bool rle = imageType == 9 || imageType == 10 || imageType == 11;
  if (!(rle || imageType == 1 || imageType == 2 || imageType == 3)) RaiseInvalidImage("Targa");
  const bool grey = imageType == 3 || imageType == 11;

  // A stored map is always stepped over, also in grey pictures, so the
  // pixels are read from where they are.
  std::vector<TRGBQuad> palette;
  if (mapType == 1) {
    const size_t entryBytes = mapEntrySize == 24 ? 3 : mapEntrySize == 32 ? 4 : 2;
    const auto map = in.Bytes(size_t(mapLength) * entryBytes);
    if (!grey) {
      palette.resize(std::min<size_t>(mapLength, 256));
      for (size_t i = 0; i < palette.size(); ++i) {
        const uint8_t* e = map.data() + i * entryBytes;
        if (entryBytes >= 3) {
          palette[i] = TRGBQuad{e[0], e[1], e[2], 0};
        } else {
          const unsigned w = unsigned(e[0] | e[1] << 8);
          palette[i] =
              TRGBQuad{uint8_t((w & 31) << 3), uint8_t((w & 992) >> 2), uint8_t((w & 31744) >> 7), 0};
        }
      }
    }
  }
  if (grey) {
    palette.resize(256);
    for (int i = 0; i < 256; ++i) palette[size_t(i)] = TRGBQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  }

  const size_t pixelBytes = size_t(pixelSize + 1) / 8;
  const size_t rowSize = pixelBytes * width;
  const size_t pixels = size_t(width) * height;
  // Run-length data holds at most 128 pixels per packet of 1 + pixel bytes.
  if (width && height && (rle ? pixels / 128 > in.Left() : pixels * pixelBytes > in.Left()))
    RaiseInvalidImage("Targa");
  AllocateRaster(dib, width, height, format, "Targa");
  if (format == pf8bit && !palette.empty()) dib.palette = palette;

  std::vector<uint8_t> unpacked;
  const uint8_t* rows;
  if (rle) {
    // The whole picture at once: packets may run across the end of a row.
    unpacked.resize(pixels * pixelBytes);
    const auto packed = in.BytesUpTo(in.Left());
    const uint8_t* source = packed.data();
    uint8_t* dest = unpacked.data();
    TTargaRLEDecoder(pixelSize).Decode(source, dest, int(std::min<size_t>(packed.size(), 0x7FFFFFFF)),
                                       int(pixels));
    if (dest != unpacked.data() + unpacked.size()) RaiseInvalidImage("Targa");
    rows = unpacked.data();
  } else {
    rows = in.Bytes(pixels * pixelBytes).data();
  }
  for (size_t r = 0; r < height; ++r) {
    const int target = topFirst ? int(r) : int(height - 1 - r);
    std::memcpy(dib.Row(target), rows + r * rowSize, rowSize);
  }
}

QByteArray TTargaGraphic::SaveToBytesCompressed(bool compressed) const {
  if (Empty()) return {};
  TDib dib = Dib();
  switch (dib.format) {
    case pf1bit:
    case pf4bit:
      dib = dib.Converted(pf8bit, &dib.palette);
      break;
    case pf16bit:
      dib = dib.Converted(pf15bit);
      break;  // Targa's 16 bits are 5-5-5
    case pf8bit:
    case pf15bit:
    case pf24bit:
    case pf32bit:
      break;
    default:
      dib = dib.Converted(pf32bit);
      break;
  }
  const size_t bytes = dib.format == pf8bit ? 1 : dib.format == pf15bit ? 2 : dib.format == pf24bit ? 3 : 4;
  QByteArray out;
  auto put8 = [&](int v) { out.append(char(uint8_t(v))); };
  auto put16 = [&](int v) {
    put8(v & 0xFF);
    put8(v >> 8);
  };
  const bool mapped = bytes == 1;
  put8(int(std::min<size_t>(ImageID.size(), 255)));
  put8(mapped ? 1 : 0);
  put8(compressed ? (mapped ? 9 : 10) : (mapped ? 1 : 2));
  put16(0);
  put16(mapped ? 256 : 0);
  put8(mapped ? 24 : 0);
  put16(0);
  put16(0);
  put16(dib.width);
  put16(dib.height);
  put8(int(bytes * 8));
  put8(0x20);
  out.append(ImageID.data(), qsizetype(std::min<size_t>(ImageID.size(), 255)));
  if (mapped)
    for (size_t i = 0; i < 256; ++i) {
      const TRGBQuad q = i < dib.palette.size() ? dib.palette[i] : TRGBQuad{};
      put8(q.rgbBlue);
      put8(q.rgbGreen);
      put8(q.rgbRed);
    }
  const size_t rowSize = size_t(dib.width) * bytes;
  TTargaRLEDecoder encoder(int(bytes * 8));
  std::vector<uint8_t> packed(rowSize * 2 + size_t(dib.width) / 128 + 2);
  for (int y = 0; y < dib.height; ++y) {
    const uint8_t* row = dib.Row(y);
    if (!compressed) {
      out.append(reinterpret_cast<const char*>(row), qsizetype(rowSize));
      continue;
    }
    uint32_t stored = 0;
    encoder.Encode(row, packed.data(), uint32_t(dib.width), stored);
    out.append(reinterpret_cast<const char*>(packed.data()), qsizetype(stored));
  }
  return out;
}

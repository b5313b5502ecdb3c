// Kodak Photo-CD: the Base16, Base4 or Base image of a file, luma at full
// and chroma at half resolution in both directions, turned upright by the
// file's orientation.

#include <cstring>

#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

std::string TPCDGraphic::FormatName() const { return "PCD"; }

void TPCDGraphic::Decode(TPictureReader& in, TDib& dib) {
  in.Seek(2048);
  if (std::memcmp(in.Bytes(7).data(), "PCD_IPI", 7) != 0) RaiseInvalidImage("PCD");
  in.Seek(194635);
  const int orientation = in.U8() & 3;

  TColorManager& cm = ColorManager();
  cm.SetSourceScheme(psYCbCr);
  cm.SetTargetScheme(psBGR);

  int width, height;
  size_t offset;
  switch (Resolution) {
    case 0:
      offset = 8192, width = 192, height = 128;
      break;
    case 1:
      offset = 47104, width = 384, height = 256;
      break;
    case 2:
      offset = 196608, width = 768, height = 512;
      break;
    default:
      throw EInvalidGraphic(GraphicMessage(gs::kImageNotSupported, gs::kPCDImageSize, "PCD"));
  }
  const bool turned = orientation == 1 || orientation == 3;
  in.Seek(offset);
  if (size_t(width) * size_t(height) * 3 / 2 > in.Left()) in.Truncated();
  AllocateRaster(dib, turned ? height : width, turned ? width : height, pf24bit, "PCD");

  const size_t w = size_t(width), half = w / 2;
  const size_t block = w * 3;  // two luma rows, one Cb and one Cr row
  const auto data = in.Bytes(block * size_t(height / 2));
  std::vector<uint8_t> cb0(w), cr0(w), cb1(w), cr1(w), out0(w * 3), out1(w * 3);
  auto upsample = [&](const uint8_t* c, const uint8_t* n, uint8_t* first, uint8_t* second) {
    // One extra sample at the right end repeats the last.
    auto at = [&](const uint8_t* row, size_t i) { return int(row[std::min(i, half - 1)]); };
    for (size_t x = 0; x < w; x += 2) {
      const size_t i = x / 2;
      first[x] = uint8_t(at(c, i));
      first[x + 1] = uint8_t((at(c, i) + at(c, i + 1)) / 2);
      second[x] = uint8_t((at(c, i) + at(n, i)) / 2);
      second[x + 1] = uint8_t((at(c, i) + at(c, i + 1) + at(n, i) + at(n, i + 1)) / 4);
    }
  };
  for (int y = 0; y < height; y += 2) {
    const uint8_t* b = data.data() + size_t(y / 2) * block;
    const uint8_t* next = y + 2 < height ? b + block : b;
    upsample(b + 2 * w, next + 2 * w, cb0.data(), cb1.data());
    upsample(b + 2 * w + half, next + 2 * w + half, cr0.data(), cr1.data());
    const uint8_t* luma0 = b;
    const uint8_t* luma1 = b + w;
    if (orientation == 0 || orientation == 2) {
      const int r0 = orientation == 0 ? y : height - 1 - y, r1 = orientation == 0 ? y + 1 : height - 2 - y;
      cm.ConvertRow({luma0, cb0.data(), cr0.data()}, dib.Row(r0), uint32_t(w));
      cm.ConvertRow({luma1, cb1.data(), cr1.data()}, dib.Row(r1), uint32_t(w));
      continue;
    }
    cm.ConvertRow({luma0, cb0.data(), cr0.data()}, out0.data(), uint32_t(w));
    cm.ConvertRow({luma1, cb1.data(), cr1.data()}, out1.data(), uint32_t(w));
    for (size_t i = 0; i < w; ++i) {
      const int row = orientation == 1 ? int(w - 1 - i) : int(i);
      std::memcpy(dib.Row(row) + size_t(y) * 3, out0.data() + i * 3, 3);
      std::memcpy(dib.Row(row) + size_t(y + 1) * 3, out1.data() + i * 3, 3);
    }
  }
}

// SGI images: verbatim or run-length encoded, 1 or 2 bytes per sample,
// grey (the first channel), RGB or RGBA; rows stored bottom first.

#include <cstring>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {
constexpr char kName[] = "sgi, bw or rgb(a)";
}

std::string TSGIGraphic::FormatName() const { return kName; }

void TSGIGraphic::Decode(TPictureReader& in, TDib& dib) {
  const auto header = in.Bytes(512);
  auto be16 = [&](size_t at) { return uint32_t(header[at] << 8 | header[at + 1]); };
  if (be16(0) != 474) RaiseInvalidImage(kName);
  const bool rle = header[2] == 1;
  const uint32_t bytes = header[3];
  const uint32_t width = be16(6), height = be16(8);
  const uint32_t depth = header[4] << 8 | header[5];
  const uint32_t channels = depth < 3 ? 1 : std::max<uint32_t>(be16(10), 1);
  if (bytes != 1 && bytes != 2) throw EInvalidGraphic(GraphicMessage(gs::kInvalidColorFormat, kName));
  if (width == 0 || height == 0) RaiseInvalidImage(kName);
  const uint32_t used = channels >= 4 ? 4 : channels == 3 ? 3 : 1;

  TColorManager& cm = ColorManager();
  cm.SourceOptions = optSwapBytes;
  cm.SetSourceBitsPerSample(int(bytes * 8));
  cm.SetTargetBitsPerSample(8);
  cm.SetSourceSamplesPerPixel(int(used));
  cm.SetTargetSamplesPerPixel(int(used));
  if (used == 3) cm.SetSourceScheme(psRGB), cm.SetTargetScheme(psBGR);
  if (used == 4) cm.SetSourceScheme(psRGBA), cm.SetTargetScheme(psBGRA);

  const size_t rowBytes = size_t(width) * bytes;
  std::vector<uint32_t> offsets, lengths;
  if (rle) {
    const size_t entries = size_t(height) * channels;
    if (entries * 8 > in.Left()) in.Truncated();
    offsets.resize(entries);
    lengths.resize(entries);
    for (uint32_t& v : offsets) v = in.U32BE();
    for (uint32_t& v : lengths) v = in.U32BE();
  } else if (512 + uint64_t(rowBytes) * height * used > in.Size()) {
    in.Truncated();
  }
  AllocateRaster(dib, width, height, cm.TargetPixelFormat(), kName);
  if (used == 1) dib.palette = cm.CreateGrayscalePalette(false);

  std::vector<std::vector<uint8_t>> planes(used, std::vector<uint8_t>(rowBytes));
  std::vector<const uint8_t*> sources;
  for (const auto& p : planes) sources.push_back(p.data());
  TSGIRLEDecoder decoder(static_cast<int>(bytes));
  for (uint32_t row = 0; row < height; ++row) {
    for (uint32_t c = 0; c < used; ++c) {
      const size_t index = size_t(c) * height + row;
      if (rle) {
        in.Seek(offsets[index]);
        const auto packed = in.Bytes(lengths[index]);
        std::fill(planes[c].begin(), planes[c].end(), 0);
        const uint8_t* source = packed.data();
        uint8_t* dest = planes[c].data();
        decoder.Decode(source, dest, int(std::min<size_t>(packed.size(), 0x7FFFFFFF)), int(rowBytes));
      } else {
        in.Seek(512 + uint64_t(index) * rowBytes);
        in.Read(planes[c].data(), rowBytes);
      }
    }
    cm.ConvertRow(sources, dib.Row(int(height - 1 - row)), width);
  }
}

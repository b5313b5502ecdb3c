// Photoshop PSD and PDD: the merged image at the end of the file (not the
// layers), raw or PackBits, in bitmap, grey, indexed, duotone, RGB,
// multichannel, CMYK or Lab mode, 8 or 16 bits per channel.

#include <cstring>
#include <numeric>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {
constexpr char kName[] = "PSD or PDD";
[[noreturn]] void BadColorFormat() { throw EInvalidGraphic(GraphicMessage(gs::kInvalidColorFormat, "PSD")); }
}  // namespace

std::string TPSDGraphic::FormatName() const { return kName; }

void TPSDGraphic::Decode(TPictureReader& in, TDib& dib) {
  if (std::memcmp(in.Bytes(4).data(), "8BPS", 4) != 0) RaiseInvalidImage(kName);
  in.Skip(8);  // version and reserved bytes
  const uint32_t channels = in.U16BE();
  const uint32_t height = in.U32BE(), width = in.U32BE();
  const uint32_t depth = in.U16BE(), mode = in.U16BE();
  if (width == 0 || height == 0) RaiseInvalidImage(kName);
  if (channels == 0) BadColorFormat();

  TColorManager& cm = ColorManager();
  cm.SourceOptions = optSwapBytes;
  const bool single = mode == 0 || mode == 1 || mode == 2 || mode == 8;
  uint32_t used = 1;
  if (single) {
    if (mode == 0 ? depth != 1 : (depth != 8 && depth != 16)) BadColorFormat();
    cm.SetSourceSamplesPerPixel(1);
    cm.SetTargetSamplesPerPixel(1);
  } else {
    if (depth != 8 && depth != 16) BadColorFormat();
    switch (mode) {
      case 3:
      case 7:
        if (channels < 3) BadColorFormat();
        used = channels == 3 ? 3 : 4;
        cm.SetSourceSamplesPerPixel(int(used));
        cm.SetTargetSamplesPerPixel(int(used));
        cm.SetSourceScheme(used == 3 ? psRGB : psRGBA);
        cm.SetTargetScheme(used == 3 ? psBGR : psBGRA);
        break;
      case 4:
        if (channels < 4) BadColorFormat();
        used = 4;
        cm.SetSourceSamplesPerPixel(4);
        cm.SetTargetSamplesPerPixel(3);
        cm.SetSourceScheme(psCMYK);
        cm.SetTargetScheme(psBGR);
        break;
      case 9:
        if (channels < 3) BadColorFormat();
        used = 3;
        cm.SetSourceScheme(psCIELab);
        cm.SetTargetScheme(psBGR);
        cm.SourceOptions |= optLabScaledL | optLabOffsetChroma;
        break;
      default:
        BadColorFormat();
    }
  }
  cm.SetSourceBitsPerSample(int(depth));
  cm.SetTargetBitsPerSample(depth == 16 ? 8 : int(depth));

  const uint32_t modeDataLength = in.U32BE();
  std::vector<TRGBQuad> palette;
  if (mode == 0 || mode == 1) {
    palette = cm.CreateGrayscalePalette(mode == 0);
    in.Skip(modeDataLength);
  } else if (mode == 2) {
    const auto data = in.Bytes(modeDataLength);
    const size_t n = std::min<size_t>(data.size() / 3, 256);
    palette = cm.CreatePaletteFromPlanes({data.data(), data.data() + n, data.data() + 2 * n}, 2, uint32_t(n),
                                         false);
  } else {
    in.Skip(modeDataLength);
  }
  in.Skip(in.U32BE());  // image resources
  in.Skip(in.U32BE());  // layers and masks
  const uint32_t compression = in.U16BE();
  if (compression > 1) throw EInvalidGraphic(GraphicMessage(gs::kImageNotSupported, gs::kCompression, kName));

  const size_t rowBytes = (size_t(width) * depth + 7) / 8;
  std::vector<uint32_t> counts;
  if (compression == 1) {
    if (uint64_t(channels) * height * 2 > in.Left()) in.Truncated();
    counts.resize(size_t(channels) * height);
    for (uint32_t& c : counts) c = in.U16BE();
    // PackBits makes at most 128 bytes of 2.
    if (uint64_t(rowBytes) * height * used / 64 > in.Left()) RaiseInvalidImage(kName);
  } else if (uint64_t(rowBytes) * height * used > in.Left()) {
    in.Truncated();
  }
  AllocateRaster(dib, width, height, cm.TargetPixelFormat(), kName);
  if (!palette.empty()) dib.palette = palette;

  // Every used channel's plane, row by row.
  std::vector<uint8_t> planes(rowBytes * height * used);
  const size_t planeSize = rowBytes * height;
  TPackbitsRLEDecoder decoder;
  for (uint32_t c = 0; c < used; ++c)
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* target = planes.data() + c * planeSize + y * rowBytes;
      if (compression == 1) {
        const auto packed = in.Bytes(counts[size_t(c) * height + y]);
        const uint8_t* source = packed.data();
        uint8_t* dest = target;
        decoder.Decode(source, dest, int(packed.size()), int(rowBytes));
      } else {
        in.Read(target, rowBytes);
      }
    }
  if (mode == 4)
    for (uint8_t& b : planes) b = uint8_t(~b);  // the file stores 255 for no ink

  for (uint32_t y = 0; y < height; ++y) {
    std::vector<const uint8_t*> sources;
    for (uint32_t c = 0; c < used; ++c) sources.push_back(planes.data() + c * planeSize + y * rowBytes);
    if (single && depth == 1)
      std::memcpy(dib.Row(int(y)), sources[0], rowBytes);
    else
      cm.ConvertRow(sources, dib.Row(int(y)), width);
  }
}

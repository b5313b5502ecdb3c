// Alias/Wavefront RLA and RPF: 8-bit RGB with an optional matte channel,
// each channel of each row run-length encoded on its own.

#include <cstring>

#include <QByteArray>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {
constexpr char kName[] = "RLA";
[[noreturn]] void BadColorFormat() { throw EInvalidGraphic(GraphicMessage(gs::kInvalidColorFormat, kName)); }
}  // namespace

std::string TRLAGraphic::FormatName() const { return kName; }

void TRLAGraphic::Decode(TPictureReader& in, TDib& dib) {
  const auto h = in.Bytes(740);
  auto s16 = [&](size_t at) { return int(int16_t(uint16_t(h[at] << 8 | h[at + 1]))); };
  const int left = s16(8), right = s16(10), bottom = s16(12), top = s16(14);
  const int colourChannels = s16(20), matteChannels = s16(22);
  const int channelBits = s16(658);
  std::string name(reinterpret_cast<const char*>(h.data()) + 580, 32);
  name = QByteArray(name.c_str()).toLower().toStdString();

  TColorManager& cm = ColorManager();
  cm.SourceOptions = optSwapBytes;
  const int samples = colourChannels + (matteChannels == 1 ? 1 : 0);
  if (name == "xyz") BadColorFormat();
  // The channel buffers hold one byte per sample, and the converter wants
  // three colour channels.
  if (channelBits != 8 || colourChannels != 3 || (samples != 3 && samples != 4)) BadColorFormat();
  cm.SetSourceSamplesPerPixel(samples);
  cm.SetTargetSamplesPerPixel(samples);
  cm.SetSourceBitsPerSample(channelBits);
  cm.SetTargetBitsPerSample(channelBits);
  const bool matte = matteChannels > 0 && samples == 4;
  cm.SetSourceScheme(matte ? psRGBA : psRGB);
  cm.SetTargetScheme(matte ? psBGRA : psBGR);

  const std::string gammaText(reinterpret_cast<const char*>(h.data()) + 28,
                              strnlen(reinterpret_cast<const char*>(h.data()) + 28, 16));
  bool ok = false;
  const float gamma = QByteArray::fromStdString(gammaText).trimmed().toFloat(&ok);
  if (ok && gamma > 0 && gamma != 1.0f) {
    cm.SetGamma(gamma, 2.2f);
    cm.TargetOptions |= optGamma;
  }

  const int width = right - left + 1;
  const int height = std::abs(bottom - top) + 1;
  const bool bottomFirst = bottom < top;
  if (width <= 0) RaiseInvalidImage(kName);
  if (size_t(height) * 4 > in.Left()) in.Truncated();
  std::vector<uint32_t> offsets(static_cast<size_t>(height));
  for (uint32_t& o : offsets) o = in.U32BE();
  // Each row holds at least a length word per channel.
  if (size_t(height) * 6 > in.Size()) in.Truncated();
  AllocateRaster(dib, width, height, cm.TargetPixelFormat(), kName);

  const size_t channels = matte ? 4 : 3;
  std::vector<std::vector<uint8_t>> planes(channels, std::vector<uint8_t>(size_t(width)));
  std::vector<const uint8_t*> sources;
  for (const auto& p : planes) sources.push_back(p.data());
  TRLADecoder decoder;
  for (int row = 0; row < height; ++row) {
    in.Seek(offsets[size_t(row)]);
    for (size_t c = 0; c < channels; ++c) {
      const auto packed = in.Bytes(in.U16BE());
      std::fill(planes[c].begin(), planes[c].end(), 0);
      const uint8_t* source = packed.data();
      uint8_t* dest = planes[c].data();
      decoder.Decode(source, dest, int(packed.size()), width);
    }
    cm.ConvertRow(sources, dib.Row(bottomFirst ? height - 1 - row : row), uint32_t(width));
  }
}

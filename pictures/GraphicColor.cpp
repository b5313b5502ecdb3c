// The colour manager and its row converters. Each converter settles its
// depths and layout once per call and then runs one loop over the pixels.

#include "pictures/GraphicColor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pictures/GraphicStrings.h"

namespace {

bool ValidBits(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16; }
bool ValidSamples(int samples) { return samples == 1 || samples == 3 || samples == 4; }
uint16_t Swap16(uint16_t v) { return uint16_t((v >> 8) | (v << 8)); }
bool Wanted(uint8_t mask, uint32_t k) { return (mask & (0x80u >> (k & 7))) != 0; }

uint32_t GetField(const uint8_t* row, size_t bit, int width) {
  const uint8_t byte = row[bit >> 3];
  const int shift = 8 - width - int(bit & 7);
  return (byte >> shift) & ((1u << width) - 1);
}

void SetField(uint8_t* row, size_t bit, int width, uint32_t value) {
  uint8_t& byte = row[bit >> 3];
  const int shift = 8 - width - int(bit & 7);
  const uint8_t fieldMask = uint8_t(((1u << width) - 1) << shift);
  byte = uint8_t((byte & ~fieldMask) | ((value << shift) & fieldMask));
}

void Write16(uint8_t* p, uint32_t v) {
  const uint16_t w = uint16_t(v);
  std::memcpy(p, &w, 2);
}

uint32_t ClampTo(long v, long top) { return uint32_t(std::clamp(v, 0L, top)); }

// Where the samples of one pixel are: interleaved in the first source, or
// one plane per channel.
struct SampleCursor {
  const std::vector<const uint8_t*>& sources;
  size_t step;   // samples per pixel, interleaved
  size_t bytes;  // bytes per sample
  size_t pixel = 0;
  const uint8_t* At(size_t channel) const {
    if (sources.size() > 1) return sources[channel] + pixel * bytes;
    return sources[0] + (pixel * step + channel) * bytes;
  }
};

}  // namespace

TColorManager::TColorManager() { SetGamma(1.0f, 2.2f); }

void TColorManager::SetSourceBitsPerSample(int bits) {
  if (!ValidBits(bits)) throw EColorConversionError(gs::kInvalidColorDepth);
  if (bits != source_bits_) changed_ = true;
  source_bits_ = uint8_t(bits);
}

void TColorManager::SetTargetBitsPerSample(int bits) {
  if (!ValidBits(bits)) throw EColorConversionError(gs::kInvalidColorDepth);
  if (bits != target_bits_) changed_ = true;
  target_bits_ = uint8_t(bits);
}

void TColorManager::SetSourceSamplesPerPixel(int samples) {
  if (!ValidSamples(samples)) throw EColorConversionError(gs::kInvalidSampleCount);
  if (samples != source_samples_) changed_ = true;
  source_samples_ = uint8_t(samples);
  if (samples == 1) SetSourceScheme(psIndexed);
}

void TColorManager::SetTargetSamplesPerPixel(int samples) {
  if (!ValidSamples(samples)) throw EColorConversionError(gs::kInvalidSampleCount);
  if (samples != target_samples_) changed_ = true;
  target_samples_ = uint8_t(samples);
  if (samples == 1) SetTargetScheme(psIndexed);
}

void TColorManager::SetSourceScheme(TPixelScheme scheme) {
  if (scheme != source_scheme_) changed_ = true;
  source_scheme_ = scheme;
  if (scheme == psIndexed && source_samples_ != 1) {
    source_samples_ = 1;
    changed_ = true;
  }
}

void TColorManager::SetTargetScheme(TPixelScheme scheme) {
  if (scheme != target_scheme_) changed_ = true;
  target_scheme_ = scheme;
  if (scheme == psIndexed && target_samples_ != 1) {
    target_samples_ = 1;
    changed_ = true;
  }
}

TPixelFormat TColorManager::PixelFormatFor(int samples, int bits) {
  switch (samples) {
    case 1:
      if (bits == 1) return pf1bit;
      if (bits >= 2 && bits <= 4) return pf4bit;
      if (bits >= 8 && bits <= 16) return pf8bit;
      return pfCustom;
    case 3:
      return bits >= 1 && bits <= 5 ? pf15bit : pf24bit;
    case 4:
      return bits >= 8 ? pf32bit : pfCustom;
    default:
      return pfCustom;
  }
}

void TColorManager::SetGamma(float mainGamma, float displayGamma) {
  main_gamma_ = mainGamma > 0 ? mainGamma : 1.0f;
  display_gamma_ = displayGamma > 0 ? displayGamma : 2.2f;
  const double exponent = 1.0 / (double(main_gamma_) * double(display_gamma_));
  const int inMax = source_bits_ < 8 ? (1 << source_bits_) - 1 : 255;
  const int outMax = target_bits_ < 8 ? (1 << target_bits_) - 1 : 255;
  for (int i = 0; i <= inMax; ++i) {
    const double v = std::nearbyint(std::pow(double(i) / inMax, exponent) * outMax);
    gamma_[size_t(i)] = uint8_t(std::clamp(v, 0.0, 255.0));
  }
}

uint16_t TColorManager::Read16(const uint8_t* p) const {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return (SourceOptions & optSwapBytes) ? Swap16(v) : v;
}

void TColorManager::SelectRowConverter() {
  converter_ = nullptr;
  const bool sourceIndexed = source_scheme_ == psIndexed || source_scheme_ == psGrayAlpha;
  const bool targetIndexed = target_scheme_ == psIndexed;
  if (sourceIndexed != targetIndexed) throw EColorConversionError(gs::kIndexedConversion);
  auto hasAlpha = [](TPixelScheme s) { return s == psGrayAlpha || s == psRGBA || s == psBGRA; };
  SourceOptions = hasAlpha(source_scheme_) ? (SourceOptions | optAlpha) : (SourceOptions & ~optAlpha);
  TargetOptions = hasAlpha(target_scheme_) ? (TargetOptions | optAlpha) : (TargetOptions & ~optAlpha);
  const bool toRGB = target_scheme_ == psRGB || target_scheme_ == psRGBA;
  const bool toBGR = target_scheme_ == psBGR || target_scheme_ == psBGRA;
  switch (source_scheme_) {
    case psIndexed:
      if (source_bits_ == 16 && target_bits_ == 16)
        converter_ = &TColorManager::RowConvertIndexed16;
      else if (source_bits_ == 16)
        converter_ = &TColorManager::RowConvertIndexed16To8;
      else if (target_bits_ == 16)
        converter_ = &TColorManager::RowConvertIndexed8To16;
      else
        converter_ = &TColorManager::RowConvertIndexed;
      break;
    case psGray:
    case psGrayAlpha:
      converter_ = &TColorManager::RowConvertGray;
      break;
    case psRGB:
    case psRGBA:
      if (toRGB) converter_ = &TColorManager::RowConvertRGB;
      if (toBGR) converter_ = &TColorManager::RowConvertRGBToBGR;
      break;
    case psBGR:
    case psBGRA:
      if (toRGB) converter_ = &TColorManager::RowConvertBGRToRGB;
      if (toBGR) converter_ = &TColorManager::RowConvertBGR;
      break;
    case psCMYK:
      if (toRGB) converter_ = &TColorManager::RowConvertCMYKToRGB;
      if (toBGR) converter_ = &TColorManager::RowConvertCMYKToBGR;
      break;
    case psCIELab:
      if (toRGB) converter_ = &TColorManager::RowConvertLabToRGB;
      if (toBGR) converter_ = &TColorManager::RowConvertLabToBGR;
      break;
    case psYCbCr:
      if (toRGB) converter_ = &TColorManager::RowConvertYCbCrToRGB;
      if (toBGR) converter_ = &TColorManager::RowConvertYCbCrToBGR;
      break;
    default:
      break;
  }
  changed_ = false;
}

void TColorManager::ConvertRow(std::initializer_list<const uint8_t*> sources, uint8_t* target, uint32_t count,
                               uint8_t mask) {
  ConvertRow(std::vector<const uint8_t*>(sources), target, count, mask);
}

void TColorManager::ConvertRow(const std::vector<const uint8_t*>& sources, uint8_t* target, uint32_t count,
                               uint8_t mask) {
  if (changed_) SelectRowConverter();
  if (!converter_ || sources.empty()) throw EColorConversionError(gs::kNoConversion);
  (this->*converter_)(sources, target, count, mask);
}

// --- indexed ---------------------------------------------------------------

void TColorManager::RowConvertIndexed(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                      uint8_t mask) {
  const int s = source_bits_, t = target_bits_;
  if (s == t && mask == 0xFF) {
    std::memcpy(dst, src[0], (size_t(count) * size_t(s) + 7) / 8);
    return;
  }
  const uint32_t sMax = (1u << s) - 1, tMax = (1u << t) - 1;
  size_t sourceBit = 0;
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    const uint32_t v = GetField(src[0], sourceBit, s);
    sourceBit += size_t(s);
    SetField(dst, size_t(k) * size_t(t), t, v * tMax / sMax);
  }
}

void TColorManager::RowConvertIndexed16(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                        uint8_t mask) {
  size_t n = 0;
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    Write16(dst + size_t(k) * 2, Read16(src[0] + 2 * n++));
  }
}

void TColorManager::RowConvertIndexed16To8(const std::vector<const uint8_t*>& src, uint8_t* dst,
                                           uint32_t count, uint8_t mask) {
  const int t = target_bits_;
  const uint32_t tMax = (1u << t) - 1;
  size_t n = 0;
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    const uint32_t v = Read16(src[0] + 2 * n++);
    SetField(dst, size_t(k) * size_t(t), t, v * tMax / 65535);
  }
}

void TColorManager::RowConvertIndexed8To16(const std::vector<const uint8_t*>& src, uint8_t* dst,
                                           uint32_t count, uint8_t mask) {
  const int s = source_bits_;
  const uint32_t sMax = (1u << s) - 1;
  size_t sourceBit = 0;
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    uint32_t v = GetField(src[0], sourceBit, s) * 65535 / sMax;
    sourceBit += size_t(s);
    if (SourceOptions & optSwapBytes) v = Swap16(uint16_t(v));
    Write16(dst + size_t(k) * 2, v);
  }
}

// --- grey --------------------------------------------------------------------

void TColorManager::RowConvertGray(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                   uint8_t mask) {
  const int s = source_bits_, t = target_bits_;
  if ((s != 8 && s != 16) || (t != 8 && t != 16)) return;
  const bool gamma = TargetOptions & optGamma;
  const size_t step = (SourceOptions & optAlpha) ? 2 : 1;
  const size_t bytes = size_t(s / 8);
  size_t n = 0;
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    const uint8_t* p = src[0] + n++ * step * bytes;
    if (s == 8) {
      const uint32_t v = gamma ? gamma_[*p] : *p;
      if (t == 8)
        dst[k] = uint8_t(v);
      else
        Write16(dst + size_t(k) * 2, v * 65535 / 255);
    } else {
      const uint16_t v = Read16(p);
      if (t == 8)
        dst[k] = gamma ? gamma_[Scale16To8(v)] : Scale16To8(v);
      else
        Write16(dst + size_t(k) * 2, v);
    }
  }
}

// --- RGB and BGR ---------------------------------------------------------------

void TColorManager::ConvertRGBFamily(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                     uint8_t mask, bool reverse) {
  const int s = source_bits_, t = target_bits_;
  if ((s != 8 && s != 16) || (t != 8 && t != 16)) return;
  const bool sourceAlpha = SourceOptions & optAlpha, targetAlpha = TargetOptions & optAlpha;
  const bool carryAlpha = sourceAlpha && targetAlpha && (src.size() == 1 || src.size() >= 4);
  if (src.size() > 1 && src.size() < 3) throw EColorConversionError(gs::kNoConversion);
  const bool gamma = TargetOptions & optGamma;
  const bool swap = SourceOptions & optSwapBytes;
  SampleCursor in{src, size_t(sourceAlpha ? 4 : 3), size_t(s / 8)};
  const size_t outStep = targetAlpha ? 4 : 3;
  auto convert = [&](const uint8_t* p, bool useGamma) -> uint32_t {
    if (s == 8) {
      uint32_t v = (useGamma && gamma) ? gamma_[*p] : *p;
      if (t == 16) {
        v = v * 65535 / 255;
        if (swap) v = Swap16(uint16_t(v));
      }
      return v;
    }
    uint32_t v = Read16(p);
    if (t == 8) {
      v = Scale16To8(v);
      if (useGamma && gamma) v = gamma_[v];
    }
    return v;
  };
  auto store = [&](uint32_t k, size_t channel, uint32_t v) {
    const size_t index = size_t(k) * outStep + channel;
    if (t == 8)
      dst[index] = uint8_t(v);
    else
      Write16(dst + index * 2, v);
  };
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    for (size_t c = 0; c < 3; ++c) store(k, reverse ? 2 - c : c, convert(in.At(c), true));
    if (carryAlpha) store(k, 3, convert(in.At(3), false));
    ++in.pixel;
  }
}

void TColorManager::RowConvertRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                  uint8_t mask) {
  ConvertRGBFamily(src, dst, count, mask, false);
}
void TColorManager::RowConvertRGBToBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                       uint8_t mask) {
  ConvertRGBFamily(src, dst, count, mask, true);
}
void TColorManager::RowConvertBGRToRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                       uint8_t mask) {
  ConvertRGBFamily(src, dst, count, mask, true);
}
void TColorManager::RowConvertBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                  uint8_t mask) {
  ConvertRGBFamily(src, dst, count, mask, false);
}

// --- colour spaces --------------------------------------------------------------
// 16-bit samples of these spaces honour optSwapBytes too: big-endian files
// (TIFF "MM", PSD) store them that way.

namespace {

struct ColourSink {
  uint8_t* dst;
  size_t step;
  int bits;
  bool bgr;
  // r, g, b already on the target's scale.
  void Put(uint32_t k, uint32_t r, uint32_t g, uint32_t b) const {
    const uint32_t order[3] = {bgr ? b : r, g, bgr ? r : b};
    for (size_t c = 0; c < 3; ++c) {
      const size_t index = size_t(k) * step + c;
      if (bits == 8)
        dst[index] = uint8_t(order[c]);
      else
        Write16(dst + index * 2, order[c]);
    }
  }
};

}  // namespace

void TColorManager::ConvertCMYK(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                uint8_t mask, bool bgr) {
  const int s = source_bits_, t = target_bits_;
  if ((s != 8 && s != 16) || (t != 8 && t != 16)) return;
  if (src.size() > 1 && src.size() < 4) throw EColorConversionError(gs::kNoConversion);
  SampleCursor in{src, 4, size_t(s / 8)};
  const ColourSink out{dst, size_t((TargetOptions & optAlpha) ? 4 : 3), t, bgr};
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    uint32_t rgb[3];
    if (s == 8) {
      const long key = *in.At(3);
      for (size_t c = 0; c < 3; ++c) {
        const long x = *in.At(c);
        uint32_t v = ClampTo(255 - (x + key - x * key / 255), 255);
        rgb[c] = t == 8 ? v : v * 65535 / 255;
      }
    } else {
      const long key = Read16(in.At(3));
      for (size_t c = 0; c < 3; ++c) {
        const long x = Read16(in.At(c));
        const long u = x + key - x * key / 65535;
        rgb[c] = t == 8 ? ClampTo(255 - u * 255 / 65535, 255) : ClampTo(65535 - u, 65535);
      }
    }
    out.Put(k, rgb[0], rgb[1], rgb[2]);
    ++in.pixel;
  }
}

void TColorManager::ConvertYCbCr(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                 uint8_t mask, bool bgr) {
  const int s = source_bits_, t = target_bits_;
  if ((s != 8 && s != 16) || (t != 8 && t != 16)) return;
  if (src.size() > 1 && src.size() < 3) throw EColorConversionError(gs::kNoConversion);
  SampleCursor in{src, 3, size_t(s / 8)};
  const ColourSink out{dst, size_t((TargetOptions & optAlpha) ? 4 : 3), t, bgr};
  const float offset1 = s == 8 ? 156.0f : 40092.0f, offset2 = s == 8 ? 137.0f : 35209.0f;
  const long top = s == 8 ? 255 : 65535;
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    float yy, c1, c2;
    if (s == 8) {
      yy = float(*in.At(0)), c1 = float(*in.At(1)), c2 = float(*in.At(2));
    } else {
      yy = float(Read16(in.At(0))), c1 = float(Read16(in.At(1))), c2 = float(Read16(in.At(2)));
    }
    const float y = 1.3584f * yy;
    c1 -= offset1;
    c2 -= offset2;
    const float values[3] = {y + 1.8215f * c2, y - 0.4302726f * c1 - 0.9271435f * c2, y + 2.2179f * c1};
    uint32_t rgb[3];
    for (size_t c = 0; c < 3; ++c) {
      uint32_t v = ClampTo(std::lrint(values[c]), top);
      if (s == 8 && t == 16) v = v * 65535 / 255;
      if (s == 16 && t == 8) v = Scale16To8(v);
      rgb[c] = v;
    }
    out.Put(k, rgb[0], rgb[1], rgb[2]);
    ++in.pixel;
  }
}

void TColorManager::ConvertLab(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                               uint8_t mask, bool bgr) {
  const int s = source_bits_, t = target_bits_;
  if ((s != 8 && s != 16) || (t != 8 && t != 16)) return;
  if (src.size() > 1 && src.size() < 3) throw EColorConversionError(gs::kNoConversion);
  SampleCursor in{src, 3, size_t(s / 8)};
  const ColourSink out{dst, size_t((TargetOptions & optAlpha) ? 4 : 3), t, bgr};
  // 16-bit samples are read by their high byte, on the 8-bit scale.
  auto sample = [&](size_t c) -> uint32_t { return s == 8 ? *in.At(c) : uint32_t(Read16(in.At(c)) >> 8); };
  for (uint32_t k = 0; k < count; ++k) {
    if (!Wanted(mask, k)) continue;
    const uint32_t l8 = sample(0), a8 = sample(1), b8 = sample(2);
    const long double L = (SourceOptions & optLabScaledL) ? l8 / 2.55L : (long double)l8;
    long double a, b;
    if (SourceOptions & optLabOffsetChroma) {
      a = (long double)a8 - 128, b = (long double)b8 - 128;
    } else {
      a = int8_t(uint8_t(a8)), b = int8_t(uint8_t(b8));
    }
    const long double fy = (L + 16) / 116;
    long double X, Y, Z;
    if (L < 7.9996L) {
      Y = L / 903.3L;
      X = Y + a / 3893.5L;
      Z = Y - b / 1557.4L;
    } else {
      X = std::pow(fy + a / 500, 3.0L);
      Y = fy * fy * fy;
      Z = std::pow(fy - b / 200, 3.0L);
    }
    const long double values[3] = {255 * (2.998L * X - 1.458L * Y - 0.541L * Z),
                                   255 * (-0.952L * X + 1.893L * Y + 0.059L * Z),
                                   255 * (0.099L * X - 0.198L * Y + 1.099L * Z)};
    uint32_t rgb[3];
    for (size_t c = 0; c < 3; ++c) {
      uint32_t v = ClampTo(std::lrint(values[c]), 255);
      rgb[c] = t == 8 ? v : v * 65535 / 255;
    }
    out.Put(k, rgb[0], rgb[1], rgb[2]);
    ++in.pixel;
  }
}

void TColorManager::RowConvertCMYKToRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                        uint8_t mask) {
  ConvertCMYK(src, dst, count, mask, false);
}
void TColorManager::RowConvertCMYKToBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                        uint8_t mask) {
  ConvertCMYK(src, dst, count, mask, true);
}
void TColorManager::RowConvertLabToRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                       uint8_t mask) {
  ConvertLab(src, dst, count, mask, false);
}
void TColorManager::RowConvertLabToBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                       uint8_t mask) {
  ConvertLab(src, dst, count, mask, true);
}
void TColorManager::RowConvertYCbCrToRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                         uint8_t mask) {
  ConvertYCbCr(src, dst, count, mask, false);
}
void TColorManager::RowConvertYCbCrToBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                                         uint8_t mask) {
  ConvertYCbCr(src, dst, count, mask, true);
}

// --- palettes ---------------------------------------------------------------------

std::vector<TRGBQuad> TColorManager::CreateGrayscalePalette(bool minimumIsWhite) const {
  const int bits = std::min(int(target_bits_) * int(target_samples_), 8);
  const int entries = 1 << bits, top = entries - 1, step = 255 / top;
  std::vector<TRGBQuad> palette(static_cast<size_t>(entries));
  for (int k = 0; k < entries; ++k) {
    const uint8_t grey = (TargetOptions & optGamma) ? gamma_[size_t(k * step)] : uint8_t(k * step);
    palette[size_t(minimumIsWhite ? top - k : k)] = TRGBQuad{grey, grey, grey, 0};
  }
  return palette;
}

std::vector<TRGBQuad> TColorManager::CreatePaletteFromPlanes(const std::vector<const uint8_t*>& data,
                                                             int layout, uint32_t count,
                                                             bool blueFirst) const {
  std::vector<TRGBQuad> palette(std::min<uint32_t>(count, 256));
  const bool gamma = TargetOptions & optGamma;
  auto from8 = [&](uint8_t v) -> uint8_t { return gamma ? gamma_[v] : v; };
  auto from16 = [&](const uint8_t* p) -> uint8_t {
    const uint8_t v = Scale16To8(Read16(p));
    return gamma ? gamma_[v] : v;
  };
  const bool planes = layout == 2 || layout == 3 || layout == 6 || layout == 7;
  if (layout <= 7 && data.size() >= (planes ? 3u : 1u)) {
    for (size_t i = 0; i < palette.size(); ++i) {
      uint8_t c[3];
      switch (layout) {
        case 0:
        case 1:
          for (size_t k = 0; k < 3; ++k) c[k] = from8(data[0][i * (layout == 0 ? 3 : 4) + k]);
          break;
        case 2:
        case 3:
          for (size_t k = 0; k < 3; ++k) c[k] = from8(data[k][i]);
          break;
        case 4:
        case 5:
          for (size_t k = 0; k < 3; ++k) c[k] = from16(data[0] + (i * (layout == 4 ? 3 : 4) + k) * 2);
          break;
        default:
          for (size_t k = 0; k < 3; ++k) c[k] = from16(data[k] + i * 2);
          break;
      }
      if (blueFirst && !planes) std::swap(c[0], c[2]);
      palette[i] = TRGBQuad{c[2], c[1], c[0], 0};
    }
  }
  const uint32_t s = source_bits_ >= 16 ? 65535u : (1u << source_bits_) - 1;
  const uint32_t t = (1u << target_bits_) - 1;
  if (target_bits_ <= 8 && s != t) {
    std::vector<TRGBQuad> scaled(size_t(t) + 1);
    for (uint32_t i = 0; i <= t; ++i) {
      const uint64_t old = uint64_t(i) * s / t;
      if (old < palette.size()) scaled[i] = palette[size_t(old)];
    }
    palette = std::move(scaled);
  }
  return palette;
}

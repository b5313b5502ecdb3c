#pragma once
// TColorManager: turns rows of decoded samples in a file's layout (palette
// indexes of 1 to 16 bits, grey with or without alpha, RGB/BGR with or
// without alpha, CMYK, CIE L*a*b*, YCbCr; 8 or 16 bits per sample;
// interleaved or one plane per channel) into rows of a bitmap. A reader
// describes both sides, then passes every row through ConvertRow; the
// manager also builds the bitmap's palette and keeps a gamma table.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/gui/Dib.h"

class EColorConversionError : public Exception {
  using Exception::Exception;
};

enum TPixelScheme : uint8_t {
  psIndexed,
  psGray,
  psGrayAlpha,
  psRGB,
  psRGBA,
  psBGR,
  psBGRA,
  psCMY,
  psCMYK,
  psCIELab,
  psYCbCr,
};

using TConversionOptions = uint8_t;
enum : TConversionOptions {
  optAlpha = 1,            // the side carries an alpha sample (set by the manager)
  optGamma = 2,            // target: samples pass through the gamma table
  optSwapBytes = 4,        // source: 16-bit samples are stored high byte first
  optLabScaledL = 8,       // source: L* is stored scaled to 0-255
  optLabOffsetChroma = 16  // source: a* and b* are unsigned with an offset of 128
};

class TColorManager {
 public:
  TColorManager();

  uint8_t SourceBitsPerSample() const { return source_bits_; }
  uint8_t TargetBitsPerSample() const { return target_bits_; }
  uint8_t SourceSamplesPerPixel() const { return source_samples_; }
  uint8_t TargetSamplesPerPixel() const { return target_samples_; }
  TPixelScheme SourceScheme() const { return source_scheme_; }
  TPixelScheme TargetScheme() const { return target_scheme_; }
  // Bits other than 1, 2, 4, 8 or 16 and sample counts other than 1, 3 or
  // 4 raise EColorConversionError and keep the old value. One sample makes
  // the side indexed; an indexed scheme makes the side one sample.
  void SetSourceBitsPerSample(int bits);
  void SetTargetBitsPerSample(int bits);
  void SetSourceSamplesPerPixel(int samples);
  void SetTargetSamplesPerPixel(int samples);
  void SetSourceScheme(TPixelScheme scheme);
  void SetTargetScheme(TPixelScheme scheme);

  TConversionOptions SourceOptions = 0;
  TConversionOptions TargetOptions = 0;

  TPixelFormat SourcePixelFormat() const { return PixelFormatFor(source_samples_, source_bits_); }
  TPixelFormat TargetPixelFormat() const { return PixelFormatFor(target_samples_, target_bits_); }

  // A value of 0 or less stands for the default (1.0 and 2.2). The table
  // covers the sample range of the bit depths at the time of the call.
  void SetGamma(float mainGamma, float displayGamma);
  const std::array<uint8_t, 256>& GammaTable() const { return gamma_; }

  // Converts `count` pixels into `target`. One source means interleaved
  // samples; several mean one plane per channel in the source scheme's
  // order. Pixel k is written only when bit 7 - k % 8 of `mask` is set; the
  // source holds just the written pixels, packed. The caller sizes both
  // sides for `count` pixels.
  void ConvertRow(std::initializer_list<const uint8_t*> sources, uint8_t* target, uint32_t count,
                  uint8_t mask = 0xFF);
  void ConvertRow(const std::vector<const uint8_t*>& sources, uint8_t* target, uint32_t count,
                  uint8_t mask = 0xFF);

  // A grey ramp for the target depth; entry 0 is white when asked.
  std::vector<TRGBQuad> CreateGrayscalePalette(bool minimumIsWhite) const;
  // A palette from a file's colour table, rescaled to the target's index
  // range. Layouts: 0 8-bit triples, 1 8-bit quadruples, 2/3 three 8-bit
  // planes, 4 16-bit triples, 5 16-bit quadruples, 6/7 three 16-bit planes.
  std::vector<TRGBQuad> CreatePaletteFromPlanes(const std::vector<const uint8_t*>& data, int layout,
                                                uint32_t count, bool blueFirst) const;

  static TPixelFormat PixelFormatFor(int samples, int bits);

 private:
  using Converter = void (TColorManager::*)(const std::vector<const uint8_t*>&, uint8_t*, uint32_t, uint8_t);
  void SelectRowConverter();
  uint16_t Read16(const uint8_t* p) const;

  void RowConvertIndexed(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask);
  void RowConvertIndexed16(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                           uint8_t mask);
  void RowConvertIndexed16To8(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                              uint8_t mask);
  void RowConvertIndexed8To16(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                              uint8_t mask);
  void RowConvertGray(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask);
  void RowConvertRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask);
  void RowConvertRGBToBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask);
  void RowConvertBGRToRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask);
  void RowConvertBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask);
  void RowConvertCMYKToRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                           uint8_t mask);
  void RowConvertCMYKToBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                           uint8_t mask);
  void RowConvertLabToRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask);
  void RowConvertLabToBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask);
  void RowConvertYCbCrToRGB(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                            uint8_t mask);
  void RowConvertYCbCrToBGR(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count,
                            uint8_t mask);

  void ConvertRGBFamily(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask,
                        bool reverse);
  void ConvertCMYK(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask,
                   bool bgr);
  void ConvertLab(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask,
                  bool bgr);
  void ConvertYCbCr(const std::vector<const uint8_t*>& src, uint8_t* dst, uint32_t count, uint8_t mask,
                    bool bgr);

  bool changed_ = true;
  uint8_t source_bits_ = 8;
  uint8_t target_bits_ = 8;
  uint8_t source_samples_ = 3;
  uint8_t target_samples_ = 3;
  float main_gamma_ = 1.0f;
  float display_gamma_ = 2.2f;
  std::array<uint8_t, 256> gamma_{};
  TPixelScheme source_scheme_ = psRGB;
  TPixelScheme target_scheme_ = psBGR;
  Converter converter_ = nullptr;
};

// 16 to 8 bits: v x 255 div 65535.
inline uint8_t Scale16To8(uint32_t v) { return uint8_t(v * 255 / 65535); }

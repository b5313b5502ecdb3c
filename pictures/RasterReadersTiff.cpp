// TIFF: the first image of a file, in strips or tiles, samples interleaved
// or one plane after another, rows top to bottom; uncompressed, PackBits, or
// CCITT modified Huffman and one-dimensional T.4 fax data. YCbCr (8 or 16
// bits) comes in data units of 1, 2 or 4 by 1, 2 or 4 luma samples (never
// taller than wide) sharing one chroma pair, or in planes whose chroma planes
// are subsampled the same way; it is turned into RGB here with the file's
// luma coefficients and reference black and white. CIE L*a*b* (8 or 16 bits)
// is turned into RGB here too, through the sRGB display libtiff's RGBA
// reader uses, so a picture looks as libtiff's tools show it.

#include <algorithm>
#include <array>
#include <cstring>
#include <cmath>
#include <map>
#include <optional>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {

constexpr char kName[] = "TIF/TIFF";

enum : uint16_t {
  tagImageWidth = 256,
  tagImageLength = 257,
  tagBitsPerSample = 258,
  tagCompression = 259,
  tagPhotometric = 262,
  tagFillOrder = 266,
  tagStripOffsets = 273,
  tagSamplesPerPixel = 277,
  tagRowsPerStrip = 278,
  tagStripByteCounts = 279,
  tagT4Options = 292,
  tagPlanarConfiguration = 284,
  tagPredictor = 317,
  tagColorMap = 320,
  tagTileWidth = 322,
  tagTileLength = 323,
  tagTileOffsets = 324,
  tagTileByteCounts = 325,
  tagWhitePoint = 318,
  tagYCbCrCoefficients = 529,
  tagYCbCrSubSampling = 530,
  tagReferenceBlackWhite = 532,
};

class TiffDirectory {
 public:
  TiffDirectory(TPictureReader& in, bool bigEndian) : in_(in), big_(bigEndian) {}

  uint16_t U16(const uint8_t* p) const {
    return big_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[0] | p[1] << 8);
  }
  uint32_t U32(const uint8_t* p) const {
    return big_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                : uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }

  void Read(uint32_t offset) {
    in_.Seek(offset);
    const uint16_t count = big_ ? in_.U16BE() : in_.U16LE();
    const auto bytes = in_.Bytes(size_t(count) * 12);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* e = bytes.data() + i * 12;
      Entry entry{U16(e + 2), U32(e + 4), {e[8], e[9], e[10], e[11]}};
      entries_.emplace(U16(e), entry);  // the first of a repeated tag counts
    }
  }

  bool Has(uint16_t tag) const { return entries_.count(tag) != 0; }

  // The values of a tag of an integer type; empty when absent.
  std::vector<uint32_t> Values(uint16_t tag) const {
    const auto it = entries_.find(tag);
    if (it == entries_.end()) return {};
    const Entry& e = it->second;
    size_t size;
    switch (e.type) {
      case 1:
      case 6:
        size = 1;
        break;
      case 3:
      case 8:
        size = 2;
        break;
      case 4:
      case 9:
        size = 4;
        break;
      default:
        return {};
    }
    if (uint64_t(e.count) * size > in_.Size()) in_.Truncated();
    const size_t total = size_t(e.count) * size;
    const uint8_t* p = e.value;
    if (total > 4) {
      in_.Seek(U32(e.value));
      p = in_.Bytes(total).data();
    }
    std::vector<uint32_t> values(e.count);
    for (size_t i = 0; i < e.count; ++i) {
      const uint8_t* v = p + i * size;
      switch (e.type) {
        case 1:
          values[i] = v[0];
          break;
        case 6:
          values[i] = uint32_t(int32_t(int8_t(v[0])));
          break;
        case 3:
          values[i] = U16(v);
          break;
        case 8:
          values[i] = uint32_t(int32_t(int16_t(U16(v))));
          break;
        default:
          values[i] = U32(v);
          break;
      }
    }
    return values;
  }

  // The values of a RATIONAL tag; empty when absent, of another type, or
  // with a zero denominator.
  std::vector<double> Rationals(uint16_t tag) const {
    const auto it = entries_.find(tag);
    if (it == entries_.end() || it->second.type != 5) return {};
    const Entry& e = it->second;
    if (uint64_t(e.count) * 8 > in_.Size()) in_.Truncated();
    in_.Seek(U32(e.value));
    const auto bytes = in_.Bytes(size_t(e.count) * 8);
    std::vector<double> values(e.count);
    for (size_t i = 0; i < e.count; ++i) {
      const uint32_t den = U32(bytes.data() + i * 8 + 4);
      if (den == 0) return {};
      values[i] = double(U32(bytes.data() + i * 8)) / den;
    }
    return values;
  }

  uint32_t Value(uint16_t tag, uint32_t fallback) const {
    const auto v = Values(tag);
    return v.empty() ? fallback : v[0];
  }

 private:
  struct Entry {
    uint16_t type;
    uint32_t count;
    uint8_t value[4];
  };
  TPictureReader& in_;
  bool big_;
  std::map<uint16_t, Entry> entries_;
};

// YCbCr of 8 or 16 bits to 8-bit RGB by the file's luma coefficients
// (default those of television, 0.299 0.587 0.114) and reference black and
// white. Without the latter, luma spans the whole sample range and chroma is
// centred on half of it (0 255 128 255 128 255 for 8 bits). Luma codes map
// onto the full sample range, chroma codes onto a signed range half as wide.
class YCbCrToRgb {
 public:
  YCbCrToRgb(const TiffDirectory& dir, uint32_t bits, bool big) : wide_(bits == 16), big_(big) {
    max_ = wide_ ? 65535 : 255;
    const double half = wide_ ? 32768 : 128;
    ref_[0] = 0, ref_[1] = max_, ref_[2] = half, ref_[3] = max_, ref_[4] = half, ref_[5] = max_;
    const auto luma = dir.Rationals(tagYCbCrCoefficients);
    if (luma.size() >= 3) red_ = luma[0], green_ = luma[1], blue_ = luma[2];
    const auto ref = dir.Rationals(tagReferenceBlackWhite);
    if (ref.size() >= 6) std::copy_n(ref.begin(), 6, ref_);
    if (green_ <= 0 || ref_[1] == ref_[0] || ref_[3] == ref_[2] || ref_[5] == ref_[4]) valid_ = false;
  }
  bool Valid() const { return valid_; }

  // The pixel whose luma is sample `lumaIndex` of a data unit whose chroma
  // pair starts at sample `chromaIndex`.
  void Convert(const uint8_t* unit, size_t lumaIndex, size_t chromaIndex, uint8_t* rgb) const {
    const double chromaRange = (max_ - 1) / 2;
    const double y = (Sample(unit, lumaIndex) - ref_[0]) * max_ / (ref_[1] - ref_[0]);
    const double cb = (Sample(unit, chromaIndex) - ref_[2]) * chromaRange / (ref_[3] - ref_[2]);
    const double cr = (Sample(unit, chromaIndex + 1) - ref_[4]) * chromaRange / (ref_[5] - ref_[4]);
    const double r = y + cr * (2 - 2 * red_), b = y + cb * (2 - 2 * blue_);
    const double g = (y - blue_ * b - red_ * r) / green_;
    rgb[0] = To8(r), rgb[1] = To8(g), rgb[2] = To8(b);
  }

 private:
  double Sample(const uint8_t* unit, size_t index) const {
    if (!wide_) return unit[index];
    const uint8_t* p = unit + index * 2;
    return big_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0];
  }
  uint8_t To8(double v) const {
    if (wide_) v = v * 255 / max_;
    return uint8_t(std::clamp<long>(std::lrint(v), 0, 255));
  }
  bool wide_, big_;
  double max_;
  double red_ = 0.299, green_ = 0.587, blue_ = 0.114;
  double ref_[6];
  bool valid_ = true;
};

// CIE L*a*b* as a display shows it, the way libtiff's RGBA reader sees the
// file: L* is 0-100 over the whole sample range; a* and b* are signed (8-bit
// samples one unit a step, 16-bit ones 1/256). The reference white comes
// from the WhitePoint chromaticity (D50 without one) at a luminance of 100.
// X, Y and Z become the light of each sRGB gun, which shows 1 for black and
// 100 for white; the gun's light above black, in 1500 steps (truncated),
// picks its value through a gamma of 2.4.
class LabToRgb {
 public:
  LabToRgb(const TiffDirectory& dir, bool big, bool wide) : big_(big), wide_(wide) {
    double x = kD50[0] / (kD50[0] + kD50[1] + kD50[2]), y = kD50[1] / (kD50[0] + kD50[1] + kD50[2]);
    const auto white = dir.Rationals(tagWhitePoint);
    if (white.size() >= 2) x = white[0], y = white[1];
    if (!(y > 0)) valid_ = false;
    white_[0] = x / y * 100, white_[1] = 100, white_[2] = (1 - x - y) / y * 100;
    for (size_t i = 0; i < gun_.size(); ++i)
      gun_[i] = uint8_t(std::lrint(255 * std::pow(double(i) / kSteps, 1 / 2.4)));
  }
  bool Valid() const { return valid_; }

  void Convert(const uint8_t* lab, uint8_t* rgb) const {
    double l, a, b;
    if (wide_) {
      auto u16 = [&](const uint8_t* p) {
        return big_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
      };
      l = u16(lab) * 100.0 / 65535, a = int16_t(u16(lab + 2)) / 256.0, b = int16_t(u16(lab + 4)) / 256.0;
    } else {
      l = lab[0] * 100.0 / 255, a = int8_t(lab[1]), b = int8_t(lab[2]);
    }
    double fy, yy;
    if (l < 8) {
      yy = l * white_[1] / 903.292;
      fy = 7.787 * yy / white_[1] + 16.0 / 116;
    } else {
      fy = (l + 16) / 116;
      yy = white_[1] * fy * fy * fy;
    }
    auto inverse = [](double t, double white) {
      return t * t * t > 0.008856 ? white * t * t * t : white * (t - 16.0 / 116) / 7.787;
    };
    const double xyz[3] = {inverse(a / 500 + fy, white_[0]), yy, inverse(fy - b / 200, white_[2])};
    for (size_t c = 0; c < 3; ++c) {
      const double light = kToRgb[c][0] * xyz[0] + kToRgb[c][1] * xyz[1] + kToRgb[c][2] * xyz[2];
      const double above = (std::clamp(light, 1.0, 100.0) - 1) / 99;
      rgb[c] = gun_[size_t(std::clamp(int(above * kSteps), 0, kSteps))];
    }
  }

 private:
  static constexpr int kSteps = 1500;
  static constexpr double kD50[3] = {96.425, 100.0, 82.468};
  static constexpr double kToRgb[3][3] = {
      {3.2410, -1.5374, -0.4986}, {-0.9692, 1.8760, 0.0416}, {0.0556, -0.2040, 1.0570}};
  bool big_, wide_;
  bool valid_ = true;
  double white_[3];
  std::array<uint8_t, kSteps + 1> gun_;
};

[[noreturn]] void BadColorFormat() { throw EInvalidGraphic(GraphicMessage(gs::kInvalidColorFormat, kName)); }
[[noreturn]] void BadCompression() {
  throw EInvalidGraphic(GraphicMessage(gs::kImageNotSupported, gs::kCompression, kName));
}

}  // namespace

std::string TTIFFGraphic::FormatName() const { return kName; }

void TTIFFGraphic::Decode(TPictureReader& in, TDib& dib) {
  const auto header = in.Bytes(8);
  const bool big = header[0] == 'M' && header[1] == 'M';
  TiffDirectory dir(in, big);
  if (dir.U16(header.data() + 2) != 42) RaiseInvalidImage(kName);
  dir.Read(dir.U32(header.data() + 4));

  const uint32_t photometric = dir.Value(tagPhotometric, 0);
  const uint32_t samples = dir.Value(tagSamplesPerPixel, 1);
  const uint32_t bits = dir.Value(tagBitsPerSample, 1);
  const uint32_t width = dir.Value(tagImageWidth, 0);
  const uint32_t height = dir.Value(tagImageLength, 0);
  const uint32_t predictor = dir.Value(tagPredictor, 0);
  const uint32_t compression = dir.Value(tagCompression, 0);
  const uint32_t fillOrder = dir.Value(tagFillOrder, 1);
  if (width == 0 || height == 0) RaiseInvalidImage(kName);
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) BadColorFormat();
  const uint32_t planarConfiguration = dir.Value(tagPlanarConfiguration, 1);
  if (planarConfiguration != 1 && planarConfiguration != 2) BadColorFormat();
  // Samples one plane after another: each strip of rows comes once per
  // sample, and the reader interleaves them before anything else.
  const bool planar = samples > 1 && planarConfiguration == 2;

  TColorManager& cm = ColorManager();
  cm.SourceOptions = big ? optSwapBytes : 0;
  cm.SetSourceBitsPerSample(int(bits));
  cm.SetTargetBitsPerSample(bits == 16 ? 8 : int(bits));
  const bool wideSamples = bits == 8 || bits == 16;
  // Data units: subH x subV luma samples, then Cb and Cr (YCbCr only).
  uint32_t subH = 1, subV = 1;
  switch (photometric) {
    case 0:
    case 1:
    case 3:
      cm.SetSourceSamplesPerPixel(1);
      cm.SetTargetSamplesPerPixel(1);
      // Grey with an alpha sample: the grey converter steps over the alpha.
      if (samples == 2 && photometric != 3 && wideSamples)
        cm.SetSourceScheme(psGrayAlpha);
      else if (samples != 1)
        BadColorFormat();
      if (photometric == 3 && bits > 8) BadColorFormat();
      break;
    case 2:
      if ((samples != 3 && samples != 4) || !wideSamples) BadColorFormat();
      cm.SetSourceSamplesPerPixel(int(samples));
      cm.SetTargetSamplesPerPixel(int(samples));
      cm.SetSourceScheme(samples == 4 ? psRGBA : psRGB);
      cm.SetTargetScheme(samples == 4 ? psBGRA : psBGR);
      break;
    case 5:
      if (samples != 4 || !wideSamples) BadColorFormat();
      cm.SetSourceSamplesPerPixel(4);
      cm.SetTargetSamplesPerPixel(3);
      cm.SetSourceScheme(psCMYK);
      cm.SetTargetScheme(psBGR);
      break;
    case 6: {
      if (samples != 3 || !wideSamples) BadColorFormat();
      const auto sub = dir.Values(tagYCbCrSubSampling);
      subH = sub.size() > 0 ? sub[0] : 2;
      subV = sub.size() > 1 ? sub[1] : 2;
      auto allowed = [](uint32_t n) { return n == 1 || n == 2 || n == 4; };
      if (!allowed(subH) || !allowed(subV) || subV > subH) BadColorFormat();
      if (predictor == 2 && subH * subV > 1) BadColorFormat();
      // The reader makes 8-bit RGB rows itself; the manager only reorders them.
      cm.SetSourceBitsPerSample(8);
      cm.SetSourceSamplesPerPixel(3);
      cm.SetTargetSamplesPerPixel(3);
      cm.SetSourceScheme(psRGB);
      cm.SetTargetScheme(psBGR);
      break;
    }
    case 8:
      if (samples != 3 || !wideSamples) BadColorFormat();
      // Like YCbCr: the reader makes 8-bit RGB rows, the manager reorders.
      cm.SetSourceBitsPerSample(8);
      cm.SetSourceSamplesPerPixel(3);
      cm.SetTargetSamplesPerPixel(3);
      cm.SetSourceScheme(psRGB);
      cm.SetTargetScheme(psBGR);
      break;
    default:
      BadColorFormat();
  }
  const uint64_t bitsPerPixel = uint64_t(bits) * samples;
  const size_t rowSize = size_t((uint64_t(width) * bitsPerPixel + 7) / 8);
  // Samples in planes and YCbCr samples are 8 or 16 bits wide.
  const size_t sampleBytes = bits / 8;
  // YCbCr data units: subH x subV luma samples, then Cb and Cr.
  const size_t unitColumns = size_t((uint64_t(width) + subH - 1) / subH);
  const size_t unitSize = (subH * subV + 2) * sampleBytes;
  // The bytes of subV rows (one row of data units for YCbCr).
  const size_t unitRowSize = photometric == 6 ? unitColumns * unitSize : rowSize;
  std::optional<YCbCrToRgb> ycbcr;
  if (photometric == 6) {
    ycbcr.emplace(dir, bits, big);
    if (!ycbcr->Valid()) RaiseInvalidImage(kName);
  }
  std::optional<LabToRgb> lab;
  if (photometric == 8) {
    lab.emplace(dir, big, bits == 16);
    if (!lab->Valid()) RaiseInvalidImage(kName);
  }

  const bool tiled = dir.Has(tagTileOffsets);
  uint32_t tileWidth = 0, tileLength = 0;
  if (tiled) {
    tileWidth = dir.Value(tagTileWidth, 0);
    tileLength = dir.Value(tagTileLength, 0);
    // Tiles are whole multiples of 16 pixels, so each starts on a byte and
    // on a data unit.
    if (tileWidth == 0 || tileLength == 0 || tileWidth % 16 || tileLength % 16) RaiseInvalidImage(kName);
    if (tileWidth > 1u << 20 || tileLength > 1u << 20) RaiseInvalidImage(kName);
  }
  const uint32_t codedWidth = tiled ? tileWidth : width;

  std::unique_ptr<TDecoder> decoder;
  switch (compression) {
    case 1:
      break;
    case 2:
      decoder = std::make_unique<TCCITTMHDecoder>(fillOrder == 2, int(codedWidth));
      break;
    case 3:
      // Two-dimensional T.4 data would come out as noise: refuse it.
      if (dir.Value(tagT4Options, 0) & 1) BadCompression();
      decoder = std::make_unique<TCCITTFax3Decoder>(fillOrder == 2, int(codedWidth));
      break;
    case 32773:
      decoder = std::make_unique<TPackbitsRLEDecoder>();
      break;
    default:
      BadCompression();
  }
  if (compression == 2 || compression == 3) {
    if (bits != 1 || samples != 1) BadColorFormat();
    if (codedWidth > 0x7FFFFFF) RaiseInvalidImage(kName);
  }

  // How each plane's rows lie: the bytes of one row in the picture and in a
  // tile, and the picture rows one row covers (subV for a row of data units
  // and for a row of subsampled chroma, whose planes have one sample for
  // each data unit).
  struct PlaneLayout {
    size_t rowBytes, tileRowBytes;
    uint32_t rowSpan, tileRows;
  };
  const size_t planeCount = planar ? samples : 1;
  std::vector<PlaneLayout> layout(planeCount);
  for (size_t p = 0; p < planeCount; ++p) {
    if (!planar) {
      const size_t tileRowBytes =
          photometric == 6 ? tileWidth / subH * unitSize : size_t(uint64_t(tileWidth) * bitsPerPixel / 8);
      layout[p] = {unitRowSize, tileRowBytes, subV, tileLength / subV};
    } else {
      const bool chroma = p > 0 && photometric == 6;
      const uint32_t h = chroma ? subH : 1, v = chroma ? subV : 1;
      layout[p] = {size_t((uint64_t(width) + h - 1) / h) * sampleBytes, tileWidth / h * sampleBytes, v,
                   tileLength / v};
    }
  }
  uint64_t pictureBytes = 0;
  for (const PlaneLayout& l : layout)
    pictureBytes += l.rowBytes * ((uint64_t(height) + l.rowSpan - 1) / l.rowSpan);
  // PackBits unpacks at most 128 bytes from 2; plain data must all be there.
  if (compression == 1 && pictureBytes > in.Size()) in.Truncated();
  if (compression == 32773 && pictureBytes / 64 > in.Size()) RaiseInvalidImage(kName);
  AllocateRaster(dib, width, height, cm.TargetPixelFormat(), kName);

  if (cm.TargetScheme() == psIndexed) {
    if (photometric == 3) {
      const size_t entries = size_t(1) << bitsPerPixel;
      const auto map = dir.Values(tagColorMap);
      if (map.size() < entries * 3) RaiseInvalidImage(kName);
      // The planes in the file's byte order, as the manager reads 16-bit data.
      std::vector<uint8_t> planes(entries * 6);
      for (size_t i = 0; i < entries * 3; ++i) {
        planes[i * 2 + (big ? 0 : 1)] = uint8_t(map[i] >> 8);
        planes[i * 2 + (big ? 1 : 0)] = uint8_t(map[i]);
      }
      dib.palette = cm.CreatePaletteFromPlanes(
          {planes.data(), planes.data() + entries * 2, planes.data() + entries * 4}, 6, uint32_t(entries),
          false);
    } else {
      dib.palette = cm.CreateGrayscalePalette(photometric == 0);
    }
  }

  // The picture comes in bands of rows: strips, or rows of tiles. Every
  // plane has the same bands, one after another in the tables.
  const auto offsets = dir.Values(tiled ? tagTileOffsets : tagStripOffsets);
  const auto byteCounts = dir.Values(tiled ? tagTileByteCounts : tagStripByteCounts);
  auto rowsPerStrip = dir.Values(tagRowsPerStrip);
  size_t bandsPerPlane, tilesAcross = 0;
  if (tiled) {
    tilesAcross = (uint64_t(width) + tileWidth - 1) / tileWidth;
    bandsPerPlane = (uint64_t(height) + tileLength - 1) / tileLength;
    const uint64_t tiles = uint64_t(tilesAcross) * bandsPerPlane;
    if (offsets.size() / planeCount < tiles) RaiseInvalidImage(kName);
    // Edge tiles are decoded whole: all the tiles must fit in what the
    // file could hold, and in a bounded amount of memory.
    uint64_t tileBytes = 0;
    for (const PlaneLayout& l : layout) tileBytes += uint64_t(l.tileRowBytes) * l.tileRows;
    const uint64_t limit = compression == 1       ? in.Size()
                           : compression == 32773 ? uint64_t(in.Size()) * 64
                                                  : uint64_t(kMaxRasterBytes);
    if (tileBytes > limit / tiles) {
      if (compression == 1) in.Truncated();
      RaiseInvalidImage(kName);
    }
  } else {
    bandsPerPlane = offsets.size() / planeCount;
    if (bandsPerPlane == 0) RaiseInvalidImage(kName);
    if (bandsPerPlane == 1 || rowsPerStrip.empty()) rowsPerStrip.assign(1, height);
  }

  // Strip or tile `index` of the file, decoded into `buffer` (sized by the
  // caller).
  auto readChunk = [&](size_t index, std::vector<uint8_t>& buffer) {
    in.Seek(offsets[index]);
    if (decoder) {
      const size_t count = index < byteCounts.size() ? byteCounts[index] : in.Left();
      const auto packed = in.Bytes(std::min<size_t>(count, 0x7FFFFFFF));
      const uint8_t* source = packed.data();
      uint8_t* dest = buffer.data();
      decoder->Decode(source, dest, int(packed.size()), int(std::min<size_t>(buffer.size(), 0x7FFFFFFF)));
    } else {
      in.Read(buffer.data(), buffer.size());
    }
  };

  // Undoes horizontal differencing along a row of `pixels` pixels of
  // `stride` samples, as stored. Each tile's rows start afresh.
  auto depredict = [&](uint8_t* line, size_t pixels, size_t stride) {
    if (predictor != 2 || pixels < 2) return;
    if (bits == 8) {
      if (stride == 3)
        Depredict3(line, pixels - 1);
      else if (stride == 4)
        Depredict4(line, pixels - 1);
      else
        Depredict(line, pixels - 1, stride);
    } else if (bits == 16) {
      // Differences of whole 16-bit samples, in the file's byte order.
      const size_t n = pixels * stride;
      for (size_t i = stride; i < n; ++i) {
        uint8_t* p = line + i * 2;
        const uint8_t* q = p - stride * 2;
        const unsigned sum = big ? unsigned(p[0] << 8 | p[1]) + unsigned(q[0] << 8 | q[1])
                                 : unsigned(p[1] << 8 | p[0]) + unsigned(q[1] << 8 | q[0]);
        p[big ? 0 : 1] = uint8_t(sum >> 8);
        p[big ? 1 : 0] = uint8_t(sum);
      }
    }
  };

  std::vector<uint8_t> strip, tile, rgb(ycbcr || lab ? size_t(width) * 3 : 0);
  std::vector<std::vector<uint8_t>> planeRows(planar ? planeCount : 0);
  uint32_t row = 0;
  for (size_t band = 0; band < bandsPerPlane && row < height; ++band) {
    const uint32_t bandRows =
        tiled ? std::min(tileLength, height - row)
              : std::clamp<uint32_t>(rowsPerStrip[std::min(band, rowsPerStrip.size() - 1)], 1, height - row);
    // A band ending inside a row of subsampled chroma would leave the
    // chroma planes out of step with the luma plane.
    if (planar && bandRows % subV && row + bandRows < height) BadColorFormat();
    for (size_t p = 0; p < planeCount; ++p) {
      const PlaneLayout& l = layout[p];
      const size_t rows = (bandRows + l.rowSpan - 1) / l.rowSpan;
      std::vector<uint8_t>& rowsOut = planar ? planeRows[p] : strip;
      rowsOut.assign(rows * l.rowBytes, 0);
      if (!tiled) {
        readChunk(p * bandsPerPlane + band, rowsOut);
        continue;
      }
      tile.resize(size_t(l.tileRows) * l.tileRowBytes);
      for (size_t across = 0; across < tilesAcross; ++across) {
        if (decoder) std::fill(tile.begin(), tile.end(), 0);
        readChunk((p * bandsPerPlane + band) * tilesAcross + across, tile);
        for (size_t r = 0; r < l.tileRows; ++r)
          depredict(tile.data() + r * l.tileRowBytes, tileWidth, planar ? 1 : samples);
        // The tile's part inside the picture (a tile starts inside it).
        const size_t at = across * l.tileRowBytes, bytes = std::min(l.tileRowBytes, l.rowBytes - at);
        for (size_t r = 0; r < std::min<size_t>(rows, l.tileRows); ++r)
          std::memcpy(rowsOut.data() + r * l.rowBytes + at, tile.data() + r * l.tileRowBytes, bytes);
      }
    }
    if (planar) {
      const size_t unitRows = (bandRows + subV - 1) / subV;
      strip.assign(unitRows * unitRowSize, 0);
      if (subH * subV > 1) {
        // Data units made up from the planes; luma beyond the right or
        // bottom edge repeats the last column or row.
        const size_t lumaRowBytes = layout[0].rowBytes, chromaRowBytes = layout[1].rowBytes;
        for (size_t u = 0; u < unitRows; ++u)
          for (size_t column = 0; column < unitColumns; ++column) {
            uint8_t* unit = strip.data() + u * unitRowSize + column * unitSize;
            for (size_t j = 0; j < subV; ++j)
              for (size_t i = 0; i < subH; ++i) {
                const size_t y = std::min<size_t>(u * subV + j, bandRows - 1);
                const size_t x = std::min<size_t>(column * subH + i, width - 1);
                std::memcpy(unit + (j * subH + i) * sampleBytes,
                            planeRows[0].data() + y * lumaRowBytes + x * sampleBytes, sampleBytes);
              }
            for (size_t c = 1; c <= 2; ++c)
              std::memcpy(unit + (subH * subV + c - 1) * sampleBytes,
                          planeRows[c].data() + u * chromaRowBytes + column * sampleBytes, sampleBytes);
          }
      } else {
        // Samples of 8 or 16 bits: each plane's row is width samples.
        for (size_t p = 0; p < planeCount; ++p)
          for (size_t r = 0; r < bandRows; ++r)
            for (size_t x = 0; x < width; ++x)
              std::memcpy(strip.data() + r * rowSize + (x * planeCount + p) * sampleBytes,
                          planeRows[p].data() + r * layout[p].rowBytes + x * sampleBytes, sampleBytes);
      }
    }
    for (uint32_t r = 0; r < bandRows; ++r, ++row) {
      uint8_t* line = strip.data() + size_t(r / subV) * unitRowSize;
      if (!tiled) depredict(line, width, samples);
      if (ycbcr) {
        for (uint32_t x = 0; x < width; ++x)
          ycbcr->Convert(line + (x / subH) * unitSize, (r % subV) * subH + x % subH, subH * subV,
                         rgb.data() + size_t(x) * 3);
        line = rgb.data();
      } else if (lab) {
        const size_t step = bits / 8 * 3;
        for (uint32_t x = 0; x < width; ++x) lab->Convert(line + x * step, rgb.data() + size_t(x) * 3);
        line = rgb.data();
      }
      cm.ConvertRow({line}, dib.Row(int(row)), width);
    }
  }
  if (row < height) in.Truncated();
}

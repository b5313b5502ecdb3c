// PNG: every colour type and bit depth of the format, Adam7 interlacing,
// gamma, and the transparent colour of grey and RGB pictures. Chunks are
// checked by their CRC; image data is inflated row by row.

#include <zlib.h>

#include <cstring>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {

constexpr char kName[] = "PNG";
constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

[[noreturn]] void Fail(const char* pattern) { throw EInvalidGraphic(GraphicMessage(pattern, kName)); }

bool IsChunk(const char* type, const char* name) { return qstrnicmp(type, name, 4) == 0; }

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return uint8_t(a);
  if (pb <= pc) return uint8_t(b);
  return uint8_t(c);
}

void ApplyFilter(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t count, size_t bpp) {
  switch (filter) {
    case 1:
      for (size_t i = bpp; i < count; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
      break;
    case 2:
      for (size_t i = 0; i < count; ++i) row[i] = uint8_t(row[i] + previous[i]);
      break;
    case 3:
      for (size_t i = 0; i < count; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        row[i] = uint8_t(row[i] + (a + previous[i]) / 2);
      }
      break;
    case 4:
      for (size_t i = 0; i < count; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0, c = i >= bpp ? previous[i - bpp] : 0;
        row[i] = uint8_t(row[i] + Paeth(a, previous[i], c));
      }
      break;
    default:
      break;
  }
}

// One load: the chunk walk, the inflate stream and the picture's layout.
class PngLoad {
 public:
  PngLoad(TPictureReader& in, TColorManager& cm, TDib& dib) : in_(in), cm_(cm), dib_(dib) {}

  std::optional<TColor> Run() {
    const auto signature = in_.Bytes(8);
    if (std::memcmp(signature.data(), kSignature, 8) != 0) RaiseInvalidImage(kName);
    ReadChunkHeader();
    if (!IsChunk(type_, "IHDR")) RaiseInvalidImage(kName);
    const auto ihdr = ReadChunkData();
    if (ihdr.size() < 13) RaiseInvalidImage(kName);
    width_ = uint32_t(ihdr[0]) << 24 | uint32_t(ihdr[1]) << 16 | uint32_t(ihdr[2]) << 8 | ihdr[3];
    height_ = uint32_t(ihdr[4]) << 24 | uint32_t(ihdr[5]) << 16 | uint32_t(ihdr[6]) << 8 | ihdr[7];
    depth_ = ihdr[8];
    colorType_ = ihdr[9];
    interlace_ = ihdr[12];
    if (width_ == 0 || height_ == 0 || width_ > 0x7FFFFFFF || height_ > 0x7FFFFFFF) RaiseInvalidImage(kName);
    if (ihdr[10] != 0) throw EInvalidGraphic(GraphicMessage(gs::kImageNotSupported, gs::kCompression, kName));
    cm_.SourceOptions = optSwapBytes;
    decoder_.DecodeInit();

    ReadChunkHeader();
    for (;;) {
      if (IsChunk(type_, "IDAT")) {
        if (!dib_.Empty()) Fail(gs::kExtraCompressedData);  // image data split by another chunk
        LoadIDAT();                                         // leaves the chunk after the image data current
        continue;
      }
      if (IsChunk(type_, "IEND")) {
        SkipChunk();
        decoder_.DecodeEnd();
        return transparent_;
      }
      if (IsChunk(type_, "PLTE")) {
        if (length_ % 3 != 0) Fail(gs::kInvalidPalette);
        const auto data = ReadChunkData();
        if (colorType_ == 3) {
          SetupColorDepth();
          palette_ = cm_.CreatePaletteFromPlanes({data.data()}, 0, uint32_t(data.size() / 3), false);
        }
      } else if (IsChunk(type_, "gAMA")) {
        const auto data = ReadChunkData();
        if (data.size() >= 4) {
          const uint32_t g =
              uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3];
          cm_.SetGamma(float(g) / 100000.0f, 2.2f);
          cm_.TargetOptions |= optGamma;
        }
      } else if (IsChunk(type_, "tRNS")) {
        LoadTransparency(ReadChunkData());
      } else if (IsChunk(type_, "bKGD")) {
        // Every pixel of a complete picture is drawn, so the background
        // colour never shows; the chunk is still checked.
        ReadChunkData();
      } else {
        if (!(type_[0] & 0x20)) throw EInvalidGraphic(gs::kUnknownCriticalChunk);
        SkipChunk();
      }
      ReadChunkHeader();
    }
  }

 private:
  void ReadChunkHeader() {
    length_ = in_.U32BE();
    const auto type = in_.Bytes(4);
    std::memcpy(type_, type.data(), 4);
    if (length_ > in_.Left()) in_.Truncated();
    crc_ = crc32(0, type.data(), 4);
  }

  std::span<const uint8_t> ReadChunkData() {
    const auto data = in_.Bytes(length_);
    crc_ = crc32(crc_, data.data(), uInt(data.size()));
    if (in_.U32BE() != uint32_t(crc_)) Fail(gs::kInvalidCRC);
    return data;
  }

  void SkipChunk() {
    in_.Skip(length_);
    in_.U32BE();
  }

  void SetupColorDepth() {
    if (setUp_) return;
    const int d = depth_;
    auto oneOf = [d](std::initializer_list<int> depths) {
      return std::find(depths.begin(), depths.end(), d) != depths.end();
    };
    switch (colorType_) {
      case 0:
        if (!oneOf({1, 2, 4, 8, 16})) Fail(gs::kInvalidColorFormat);
        cm_.SetSourceSamplesPerPixel(1);
        cm_.SetTargetSamplesPerPixel(1);
        cm_.SetSourceBitsPerSample(d);
        cm_.SetTargetBitsPerSample(d == 2 ? 4 : d == 16 ? 8 : d);
        bytesPerPixel_ = size_t(d + 7) / 8;
        break;
      case 2:
        if (!oneOf({8, 16})) Fail(gs::kInvalidColorFormat);
        cm_.SetSourceSamplesPerPixel(3);
        cm_.SetTargetSamplesPerPixel(3);
        cm_.SetSourceBitsPerSample(d);
        cm_.SetTargetBitsPerSample(8);
        cm_.SetSourceScheme(psRGB);
        cm_.SetTargetScheme(psBGR);
        bytesPerPixel_ = size_t(d) * 3 / 8;
        break;
      case 3:
        if (!oneOf({1, 2, 4, 8})) Fail(gs::kInvalidColorFormat);
        cm_.SetSourceSamplesPerPixel(1);
        cm_.SetTargetSamplesPerPixel(1);
        cm_.SetSourceBitsPerSample(d);
        cm_.SetTargetBitsPerSample(d == 2 ? 4 : d);
        bytesPerPixel_ = 1;
        break;
      case 4:
        if (!oneOf({8, 16})) Fail(gs::kInvalidColorFormat);
        cm_.SetSourceSamplesPerPixel(1);
        cm_.SetSourceScheme(psGrayAlpha);
        cm_.SetTargetSamplesPerPixel(1);
        cm_.SetSourceBitsPerSample(d);
        cm_.SetTargetBitsPerSample(8);
        bytesPerPixel_ = size_t(d) * 2 / 8;
        break;
      case 6:
        if (!oneOf({8, 16})) Fail(gs::kInvalidColorFormat);
        cm_.SetSourceSamplesPerPixel(4);
        cm_.SetTargetSamplesPerPixel(4);
        cm_.SetSourceBitsPerSample(d);
        cm_.SetTargetBitsPerSample(8);
        cm_.SetSourceScheme(psRGBA);
        cm_.SetTargetScheme(psBGRA);
        bytesPerPixel_ = size_t(d) * 4 / 8;
        break;
      default:
        Fail(gs::kInvalidColorFormat);
    }
    if (colorType_ == 0 || colorType_ == 4) palette_ = cm_.CreateGrayscalePalette(false);
    setUp_ = true;
  }

  // A grey level or an RGB colour, on the 8-bit scale of the bitmap.
  void LoadTransparency(std::span<const uint8_t> data) {
    auto sample = [&](size_t i) -> uint8_t {
      const uint32_t v = uint32_t(data[i * 2]) << 8 | data[i * 2 + 1];
      if (depth_ == 16) return uint8_t(v * 255 / 65535);
      if (depth_ < 8) return uint8_t((v & ((1u << depth_) - 1)) * 255 / ((1u << depth_) - 1));
      return uint8_t(v);
    };
    if (colorType_ == 0 && data.size() >= 2) {
      const uint8_t g = sample(0);
      transparent_ = RGB(g, g, g);
    } else if (colorType_ == 2 && data.size() >= 6) {
      transparent_ = RGB(sample(0), sample(1), sample(2));
    }
  }

  // Fills `count` bytes with inflated image data, taking IDAT chunks as
  // they come.
  void ReadRow(uint8_t* target, size_t count) {
    while (count > 0) {
      if (input_.empty()) {
        if (!IsChunk(type_, "IDAT")) Fail(gs::kExtraCompressedData);  // the data ended early
        input_ = ReadChunkData();
        ReadChunkHeader();
        if (input_.empty()) continue;
      }
      const uint8_t* source = input_.data();
      uint8_t* dest = target;
      decoder_.Decode(source, dest, int(input_.size()), int(count));
      input_ = input_.subspan(size_t(source - input_.data()));
      count -= size_t(dest - target);
      target = dest;
      const int result = decoder_.ZLibResult();
      if (result == Z_STREAM_END) {
        if (count > 0 || !input_.empty()) Fail(gs::kExtraCompressedData);
      } else if (result != Z_OK) {
        Fail(gs::kCompressionError);
      }
    }
  }

  void LoadIDAT() {
    SetupColorDepth();
    const size_t samples = depth_ == 16 ? bytesPerPixel_ / 2 : bytesPerPixel_;
    const size_t rowBytes = (size_t(width_) * depth_ + 7) / 8 * samples;
    // Deflate packs at most about 1032 bytes into one: larger claims are
    // lies, refused before anything is allocated.
    if (double(rowBytes + 1) * height_ > double(in_.Size()) * 1100.0 + 65536) RaiseInvalidImage(kName);
    AllocateRaster(dib_, width_, height_, cm_.TargetPixelFormat(), kName);
    if (!palette_.empty()) dib_.palette = palette_;
    std::vector<uint8_t> current(rowBytes + 1), previous(rowBytes + 1);
    auto readRow = [&](size_t size, uint32_t y, uint32_t count, uint8_t mask) {
      ReadRow(current.data(), size);
      ApplyFilter(current[0], current.data() + 1, previous.data() + 1, size - 1,
                  std::max<size_t>(bytesPerPixel_, 1));
      cm_.ConvertRow({current.data() + 1}, dib_.Row(int(y)), count, mask);
      std::swap(current, previous);
    };
    if (interlace_ != 1) {
      for (uint32_t y = 0; y < height_; ++y) readRow(rowBytes + 1, y, width_, 0xFF);
    } else {
      static constexpr uint32_t rowStart[7] = {0, 0, 4, 0, 2, 0, 1}, rowStep[7] = {8, 8, 8, 4, 4, 2, 2};
      static constexpr uint32_t colStart[7] = {0, 4, 0, 2, 0, 1, 0}, colStep[7] = {8, 8, 4, 4, 2, 2, 1};
      static constexpr uint8_t mask[7] = {0x80, 0x08, 0x88, 0x22, 0xAA, 0x55, 0xFF};
      for (int pass = 0; pass < 7; ++pass) {
        if (colStart[pass] >= width_ || rowStart[pass] >= height_) continue;
        const size_t passPixels = (size_t(width_) + colStep[pass] - 1 - colStart[pass]) / colStep[pass];
        const size_t passBytes = (passPixels * depth_ + 7) / 8 * samples + 1;
        std::fill(previous.begin(), previous.end(), 0);
        for (uint32_t y = rowStart[pass]; y < height_; y += rowStep[pass])
          readRow(passBytes, y, width_, mask[pass]);
      }
    }
    // Image data after the picture is read for its CRC and dropped.
    while (IsChunk(type_, "IDAT")) {
      ReadChunkData();
      ReadChunkHeader();
    }
  }

  TPictureReader& in_;
  TColorManager& cm_;
  TDib& dib_;
  TLZ77Decoder decoder_{Z_PARTIAL_FLUSH};
  uint32_t length_ = 0;
  char type_[4] = {};
  uLong crc_ = 0;
  std::span<const uint8_t> input_;
  uint32_t width_ = 0, height_ = 0;
  int depth_ = 0, colorType_ = 0, interlace_ = 0;
  size_t bytesPerPixel_ = 1;
  bool setUp_ = false;
  std::vector<TRGBQuad> palette_;
  std::optional<TColor> transparent_;
};

}  // namespace

std::string TPNGGraphic::FormatName() const { return kName; }

void TPNGGraphic::Decode(TPictureReader& in, TDib& dib) {
  loaded_transparent_color_ = PngLoad(in, ColorManager(), dib).Run();
}

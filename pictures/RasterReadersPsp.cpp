// Paint Shop Pro files of versions 3 and 4: the first raster layer, raw,
// run-length encoded or deflated, at 1, 4, 8 or 24 bits.

#include <zlib.h>

#include <cstring>

#include "pictures/GraphicCompression.h"
#include "pictures/GraphicStrings.h"
#include "pictures/RasterReaders.h"

namespace {

constexpr char kName[] = "PSP";
constexpr char kSignature[] = "Paint Shop Pro Image File";

struct Block {
  uint16_t id = 0;
  size_t end = 0;  // where the next block starts
};

class PspLoad {
 public:
  PspLoad(TPictureReader& in, TColorManager& cm, TDib& dib) : in_(in), cm_(cm), dib_(dib) {}

  void Run() {
    const auto header = in_.Bytes(36);
    if (std::memcmp(header.data(), kSignature, 25) != 0) RaiseInvalidImage(kName);
    major_ = header[32] | header[33] << 8;
    if (major_ != 3 && major_ != 4)
      throw EInvalidGraphic(GraphicMessage(gs::kImageNotSupported, gs::kPSPFileVersion, kName));

    // The first block holds the general image attributes.
    Block attributes;
    if (!ReadBlockHeader(attributes)) RaiseInvalidImage(kName);
    if (major_ == 4) in_.U32LE();
    width_ = in_.U32LE();
    height_ = in_.U32LE();
    in_.Skip(9);  // resolution and its unit
    compression_ = in_.U16LE();
    depth_ = in_.U16LE();
    in_.Seek(attributes.end);
    if (width_ == 0 || height_ == 0 || width_ > 0x7FFFFFF || height_ > 0x7FFFFFF) RaiseInvalidImage(kName);
    if (compression_ > 2)
      throw EInvalidGraphic(GraphicMessage(gs::kImageNotSupported, gs::kCompression, kName));

    switch (depth_) {
      case 1:
        rowSize_ = (size_t(width_) + 7) / 8;
        break;
      case 4:
        rowSize_ = size_t(width_) / 2 + 1;
        break;
      case 8:
      case 24:
        rowSize_ = width_;
        break;
      default:
        throw EInvalidGraphic(GraphicMessage(gs::kInvalidColorFormat, kName));
    }
    cm_.SetSourceBitsPerSample(depth_ == 24 ? 8 : depth_);
    cm_.SetTargetBitsPerSample(depth_ == 24 ? 8 : depth_);
    cm_.SetSourceSamplesPerPixel(depth_ == 24 ? 3 : 1);
    cm_.SetTargetSamplesPerPixel(depth_ == 24 ? 3 : 1);
    // Deflate packs at most about 1032 bytes into one.
    if (uint64_t(rowSize_) * height_ / 1100 > in_.Size()) RaiseInvalidImage(kName);
    AllocateRaster(dib_, width_, height_, cm_.TargetPixelFormat(), kName);

    Block block;
    bool haveImage = false;
    while (!haveImage && ReadBlockHeader(block)) {
      if (block.id == 2) {
        if (major_ == 4) in_.U32LE();
        const uint32_t count = std::min<uint32_t>(in_.U32LE(), 256);
        const auto entries = in_.Bytes(size_t(count) * 4);
        palette_ = cm_.CreatePaletteFromPlanes({entries.data()}, 1, count, true);
      } else if (block.id == 3) {
        haveImage = ReadLayerBank(block);
      }
      in_.Seek(block.end);
    }
    if (!haveImage) RaiseInvalidImage(kName);
    if (IsPaletteFormat(dib_.format) && !palette_.empty()) dib_.palette = palette_;
  }

 private:
  // False at the end of the stream or at a block that is not one.
  bool ReadBlockHeader(Block& block) {
    if (in_.Left() < 10) return false;
    const auto id = in_.Bytes(4);
    if (id[0] != '~') return false;
    block.id = in_.U16LE();
    if (major_ == 3) in_.U32LE();
    const uint32_t total = in_.U32LE();
    block.end = in_.Position() + total;
    if (block.end > in_.Size()) in_.Truncated();
    return true;
  }

  bool ReadLayerBank(const Block& bank) {
    Block layer;
    while (in_.Position() < bank.end && ReadBlockHeader(layer)) {
      if (layer.id != 4) return false;
      size_t chunkEnd = 0;
      if (major_ == 3) {
        in_.Skip(256);
      } else {
        const size_t chunkStart = in_.Position();
        chunkEnd = chunkStart + in_.U32LE();
        in_.Skip(in_.U16LE());
      }
      const auto info = in_.Bytes(115);
      const bool raster = info[0] == 0 || (major_ == 4 && info[0] == 1);
      if (raster) {
        in_.U16LE();  // bitmaps
        const uint32_t channels = in_.U16LE();
        if (major_ == 4) in_.Seek(chunkEnd);
        for (uint32_t c = 0; c < channels && in_.Position() < layer.end; ++c) ReadChannel();
        ConvertRows();
        return true;
      }
      in_.Seek(layer.end);
    }
    return false;
  }

  void ReadChannel() {
    Block channel;
    if (!ReadBlockHeader(channel)) RaiseInvalidImage(kName);
    if (major_ == 4) in_.U32LE();
    const uint32_t packedSize = in_.U32LE();
    in_.U32LE();  // unpacked size: the plane is sized by the picture
    const uint16_t bitmapType = in_.U16LE();
    const uint16_t channelType = in_.U16LE();
    // Only the image bitmap's channels; a transparency mask is type 0 too.
    if (bitmapType == 0 && channelType <= 3) {
      std::vector<uint8_t>& plane = planes_[channelType == 0 ? 0 : channelType - 1];
      plane.assign(rowSize_ * height_, 0);
      const auto packed = in_.Bytes(std::min<size_t>(packedSize, in_.Left()));
      const uint8_t* source = packed.data();
      uint8_t* dest = plane.data();
      const int room = int(std::min<size_t>(plane.size(), 0x7FFFFFFF));
      const int size = int(std::min<size_t>(packed.size(), 0x7FFFFFFF));
      switch (compression_) {
        case 0:
          std::memcpy(dest, source, std::min(plane.size(), packed.size()));
          break;
        case 1:
          TPSPRLEDecoder().Decode(source, dest, size, room);
          break;
        default: {
          TLZ77Decoder lz(Z_FINISH);
          lz.DecodeInit();
          lz.Decode(source, dest, size, room);
          lz.DecodeEnd();
        }
      }
    }
    in_.Seek(channel.end);  // the next channel, whatever this one held
  }

  void ConvertRows() {
    const bool indexed = cm_.TargetScheme() == psIndexed;
    for (size_t p = 0; p < (indexed ? 1u : 3u); ++p)
      if (planes_[p].empty()) RaiseInvalidImage(kName);
    for (uint32_t y = 0; y < height_; ++y) {
      const size_t at = size_t(y) * rowSize_;
      if (indexed)
        cm_.ConvertRow({planes_[0].data() + at}, dib_.Row(int(y)), width_);
      else
        cm_.ConvertRow({planes_[0].data() + at, planes_[1].data() + at, planes_[2].data() + at},
                       dib_.Row(int(y)), width_);
    }
  }

  TPictureReader& in_;
  TColorManager& cm_;
  TDib& dib_;
  int major_ = 0;
  uint32_t width_ = 0, height_ = 0;
  int compression_ = 0, depth_ = 0;
  size_t rowSize_ = 0;
  std::vector<uint8_t> planes_[3];
  std::vector<TRGBQuad> palette_;
};

}  // namespace

std::string TPSPGraphic::FormatName() const { return kName; }

void TPSPGraphic::Decode(TPictureReader& in, TDib& dib) { PspLoad(in, ColorManager(), dib).Run(); }

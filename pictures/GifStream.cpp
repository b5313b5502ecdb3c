// Header, trailer, extensions and the block loop of a GIF stream.

#include "pictures/GifStream.h"

#include <cctype>
#include <cstring>

#include "pictures/GifFrame.h"
#include "pictures/GifImage.h"

void TGIFItem::Warning(int severity, const std::string& message) {
  if (image_) image_->Warning(severity, message);
}

void TGIFItem::SaveToFile(const std::string& fileName) {
  TMemoryStream stream;
  SaveToStream(stream);
  stream.SaveToFile(fileName);
}

void TGIFItem::LoadFromFile(const std::string& fileName) {
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  LoadFromStream(stream);
}

namespace {

// Puts the last byte read back.
void StepBack(TStream& stream) { stream.Seek(-1, soCurrent); }

}  // namespace

// --- global colour map -------------------------------------------------------

void TGIFGlobalColorMap::Warning(int severity, const std::string& message) {
  header_.Warning(severity, message);
}

bool TGIFGlobalColorMap::CanOptimize() { return header_.Image() && !header_.Image()->Empty(); }

void TGIFGlobalColorMap::CountUses(std::vector<std::uint32_t>& uses) {
  TGIFImage* image = header_.Image();
  if (!image) return;
  for (int i = 0; i < image->Images().Count(); ++i) {
    TGIFSubImage& frame = image->Images()[i];
    if (&frame.ColorMapInUse() != this) continue;
    for (std::uint8_t p : std::span(frame.Data(), frame.DataSize())) ++uses[p];
  }
}

void TGIFGlobalColorMap::RemapPixels(const std::vector<std::uint8_t>& remap) {
  TGIFImage* image = header_.Image();
  if (!image) return;
  for (int i = 0; i < image->Images().Count(); ++i) {
    TGIFSubImage& frame = image->Images()[i];
    if (&frame.ColorMapInUse() != this) continue;
    for (std::uint8_t& p : std::span(frame.Data(), frame.DataSize())) p = remap[p];
    if (frame.Transparent() && frame.GraphicControlExtension()) {
      TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
      gce->SetTransparentColorIndexRaw(remap[size_t(gce->TransparentColorIndex())]);
    }
    frame.DropBitmap();
  }
}

void TGIFGlobalColorMap::Changed() {
  if (header_.Image()) header_.Image()->SetPalette({});
}

// --- header ------------------------------------------------------------------

TGIFHeader::TGIFHeader(TGIFImage* image) : TGIFItem(image), color_map_(*this) {}

void TGIFHeader::Clear() {
  color_map_.Clear();
  width_ = height_ = 0;
  packed_ = background_index_ = aspect_ = 0;
}

void TGIFHeader::Assign(const TGIFHeader& source) {
  if (&source == this) return;
  color_map_.Assign(source.color_map_);
  width_ = source.width_;
  height_ = source.height_;
  packed_ = source.packed_;
  background_index_ = source.background_index_;
  aspect_ = source.aspect_;
}

void TGIFHeader::AssignColorMap(const TGIFColorMap& map) {
  Clear();
  color_map_.Assign(map);
}

TGIFStreamVersion TGIFHeader::Version() const {
  return color_map_.SortedByUse() || aspect_ != 0 ? sv89a : sv87a;
}

TColor TGIFHeader::BackgroundColor() { return color_map_.Colors(background_index_); }

void TGIFHeader::Prepare() {
  std::uint8_t packed = 0;
  if (color_map_.Count() > 0) {
    packed |= 0x80;
    if (color_map_.SortedByUse()) packed |= 0x08;
  }
  const int resolution = image_ ? image_->ColorResolution() : ColorResolution();
  const int bits = image_ ? image_->BitsPerPixel() : BitsPerPixel();
  packed |= std::uint8_t((resolution << 4) & 0x70);
  // The size bits say how many entries the global table has: they follow
  // the table itself, or nothing reading them finds the table's end.
  if (color_map_.Count() > 0)
    packed |= std::uint8_t((color_map_.BitsPerPixel() - 1) & 7);
  else
    packed |= std::uint8_t((bits - 1) & 7);
  packed_ = packed;
}

void TGIFHeader::SaveToStream(TStream& stream) {
  const TGIFStreamVersion version = image_ ? image_->Version() : Version();
  if (version == svNone) Error("Unsupported GIF version");
  stream.WriteBuffer(version == sv89a ? "GIF89a" : "GIF87a", 6);
  Prepare();
  std::uint8_t d[7] = {std::uint8_t(width_),
                       std::uint8_t(width_ >> 8),
                       std::uint8_t(height_),
                       std::uint8_t(height_ >> 8),
                       packed_,
                       background_index_,
                       aspect_};
  stream.WriteBuffer(d, 7);
  if (packed_ & 0x80) color_map_.SaveToStream(stream);
}

void TGIFHeader::LoadFromStream(TStream& stream) {
  const std::int64_t start = stream.Position();
  char signature[6];
  ReadCheck(stream, signature, 6);
  auto isGif = [&] {
    return std::toupper(signature[0]) == 'G' && std::toupper(signature[1]) == 'I' &&
           std::toupper(signature[2]) == 'F';
  };
  if (!isGif()) {
    stream.Seek(start + 4, soBeginning);
    ReadCheck(stream, signature, 6);
    if (!isGif()) Error("Invalid GIF signature");
  }
  std::uint8_t d[7];
  ReadCheck(stream, d, 7);
  width_ = std::uint16_t(d[0] | (d[1] << 8));
  height_ = std::uint16_t(d[2] | (d[3] << 8));
  packed_ = d[4];
  background_index_ = d[5];
  aspect_ = d[6];
  if (packed_ & 0x80)
    color_map_.LoadFromStream(stream, 2 << (packed_ & 7));
  else
    color_map_.Clear();
}

// --- trailer -----------------------------------------------------------------

void TGIFTrailer::SaveToStream(TStream& stream) { WriteByte(stream, bTrailer); }

void TGIFTrailer::LoadFromStream(TStream& stream) {
  std::uint8_t b = 0;
  if (stream.Read(&b, 1) == 1 && b != bTrailer) Warning(1, "Invalid Image trailer");
}

// --- extensions ----------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage ? subImage->Image() : nullptr), sub_image_(subImage) {}

void TGIFExtension::SaveToStream(TStream& stream) {
  WriteByte(stream, bExtensionIntroducer);
  WriteByte(stream, LabelByte());
}

void TGIFExtension::LoadFromStream(TStream& stream) {
  std::uint8_t b[2];
  ReadCheck(stream, b, 2);
  if (b[0] != bExtensionIntroducer) Error("Invalid extension introducer");
  if (b[1] != LabelByte()) Error("Internal error: Extension Instance does not match Extension Label");
}

std::unique_ptr<TGIFExtension> TGIFExtension::CreateFor(TStream& stream, TGIFSubImage* subImage) {
  const std::int64_t start = stream.Position();
  std::unique_ptr<TGIFExtension> result;
  std::uint8_t label = 0;
  if (stream.Read(&label, 1) == 1) {
    switch (label) {
      case bLabelPlainText:
        result = std::make_unique<TGIFTextExtension>(subImage);
        break;
      case bLabelGraphicControl:
        result = std::make_unique<TGIFGraphicControlExtension>(subImage);
        break;
      case bLabelComment:
        result = std::make_unique<TGIFCommentExtension>(subImage);
        break;
      case bLabelApplication: {
        std::uint8_t size = 0;
        if (stream.Read(&size, 1) != 1) break;
        std::uint8_t id[11] = {};
        if (size == 10) {
          if (stream.Read(id, 10) == 10) result = std::make_unique<TGIFUnknownAppExtension>(subImage);
        } else if (size >= 11 && stream.Read(id, 11) == 11 &&
                   (std::memcmp(id, "NETSCAPE2.0", 11) == 0 || std::memcmp(id, "ANIMEXTS1.0", 11) == 0)) {
          result = std::make_unique<TGIFAppExtNSLoop>(subImage);
        } else {
          // Unknown identifiers, and sizes the reader refuses with its own
          // message (below 10) or reads only in part (above 11).
          result = std::make_unique<TGIFUnknownAppExtension>(subImage);
        }
        break;
      }
      default:
        break;
    }
  }
  stream.Seek(start, soBeginning);
  return result;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {
  if (sub_image_ && !sub_image_->GraphicControlExtension()) sub_image_->SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (!sub_image_) return;
  if (Transparent()) sub_image_->SetTransparentFlag(false);
  if (sub_image_->GraphicControlExtension() == this) sub_image_->SetGraphicControlExtension(nullptr);
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
  block_[1] = std::uint8_t(value ? block_[1] | 1 : block_[1] & ~1);
  if (sub_image_) {
    sub_image_->SetTransparentFlag(value);
    sub_image_->DropBitmap();
    sub_image_->DropMask();
  }
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int value) {
  if (sub_image_) {
    const int count = sub_image_->ColorMapInUse().Count();
    if (count != 0 && (value < 0 || value >= count)) {
      Warning(1, "Invalid color index");
      value = 0;
    }
    sub_image_->DropBitmap();
    sub_image_->DropMask();
  }
  block_[4] = std::uint8_t(value);
}

void TGIFGraphicControlExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  stream.WriteBuffer(block_.data(), 6);
}

void TGIFGraphicControlExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  if (stream.Read(block_.data(), 6) != 6) {
    Warning(1, "Premature end of data");
    return;
  }
  if (Transparent() && sub_image_) sub_image_->SetTransparentFlag(true);
}

void TGIFTextExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  stream.WriteBuffer(Block.data(), 13);
  WriteDataSubBlocks(stream, Text);
}

void TGIFTextExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  ReadCheck(stream, Block.data(), 13);
  ReadDataSubBlocks(stream, Text);
}

void TGIFCommentExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteDataSubBlocks(stream, Text);
}

void TGIFCommentExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  ReadDataSubBlocks(stream, Text);
}

void TGIFApplicationExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteByte(stream, 11);
  stream.WriteBuffer(Identifier.data(), 11);
  SaveData(stream);
}

void TGIFApplicationExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  const std::uint8_t size = ReadByte(stream);
  Identifier.fill(0);
  if (size < 10) Error("Unsupported Application Extension block size");
  if (size == 10) {
    ReadCheck(stream, Identifier.data(), 10);
  } else {
    ReadCheck(stream, Identifier.data(), 11);
    // Bytes beyond the identifier and code have no meaning we know.
    std::uint8_t rest[255];
    ReadCheck(stream, rest, size - 11);
  }
  LoadData(stream);
}

void TGIFUnknownAppExtension::SaveData(TStream& stream) {
  for (const auto& block : Blocks) {
    WriteByte(stream, std::uint8_t(block.size()));
    stream.WriteBuffer(block.data(), std::int64_t(block.size()));
  }
  WriteByte(stream, 0);
}

void TGIFUnknownAppExtension::LoadData(TStream& stream) {
  Blocks.clear();
  for (;;) {
    std::uint8_t size = 0;
    if (stream.Read(&size, 1) != 1 || size == 0) return;
    std::vector<std::uint8_t> block(size);
    ReadCheck(stream, block.data(), size);
    Blocks.push_back(std::move(block));
  }
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage) {
  std::memcpy(Identifier.data(), "NETSCAPE2.0", 11);
}

void TGIFAppExtNSLoop::SaveData(TStream& stream) {
  const std::uint8_t loop[4] = {3, 1, std::uint8_t(LoopCount), std::uint8_t(LoopCount >> 8)};
  stream.WriteBuffer(loop, 4);
  if (BufferLength != 0) {
    const std::uint8_t buffer[6] = {5,
                                    2,
                                    std::uint8_t(BufferLength),
                                    std::uint8_t(BufferLength >> 8),
                                    std::uint8_t(BufferLength >> 16),
                                    std::uint8_t(BufferLength >> 24)};
    stream.WriteBuffer(buffer, 6);
  }
  WriteByte(stream, 0);
}

void TGIFAppExtNSLoop::LoadData(TStream& stream) {
  int n = ReadByte(stream);
  while (n != 0) {
    const std::uint8_t id = ReadByte(stream);
    int left = n - 1;
    switch (id & 7) {
      case 1: {
        if (left < 2) Error("Invalid GIF data");
        std::uint8_t b[2];
        ReadCheck(stream, b, 2);
        LoopCount = b[0] | (b[1] << 8);
        left -= 2;
        break;
      }
      case 2: {
        if (left < 4) Error("Invalid GIF data");
        std::uint8_t b[4];
        ReadCheck(stream, b, 4);
        BufferLength = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                       std::uint32_t(b[3]) << 24;
        left -= 4;
        break;
      }
      default:
        break;
    }
    if (left > 0) {
      std::uint8_t skip[255];
      ReadCheck(stream, skip, left);
    }
    n = ReadByte(stream);
  }
}

// --- lists -------------------------------------------------------------------

void TGIFExtensionList::SaveToStream(TStream& stream) {
  for (int i = 0; i < Count(); ++i) (*this)[i].SaveToStream(stream);
}

void TGIFExtensionList::LoadFromStream(TStream& stream) {
  std::uint8_t b = 0;
  if (stream.Read(&b, 1) != 1) return;
  while (b != bImageDescriptor && b != bTrailer) {
    if (b != bExtensionIntroducer) {
      if (sub_image_) sub_image_->Warning(1, "Invalid extension introducer");
      break;
    }
    std::unique_ptr<TGIFExtension> extension = TGIFExtension::CreateFor(stream, sub_image_);
    if (!extension) Error("Unknown extension type");
    StepBack(stream);
    extension->LoadFromStream(stream);
    Add(std::move(extension));
    if (stream.Read(&b, 1) != 1) return;
  }
  StepBack(stream);
}

void TGIFImageList::SaveToStream(TStream& stream) {
  for (int i = 0; i < Count(); ++i) {
    (*this)[i].SaveToStream(stream);
    image_->Progress(psRunning, (i + 1) * 100 / Count(), false, "Saving...");
  }
}

void TGIFImageList::LoadFromStream(TStream& stream) {
  std::uint8_t b = 0;
  do {
    if (stream.Read(&b, 1) != 1) return;
  } while (b == 0);
  while (b != bTrailer) {
    StepBack(stream);
    if (b != bExtensionIntroducer && b != bImageDescriptor) {
      image_->Warning(1, "Unknown GIF block type");
      return;
    }
    auto frame = std::make_unique<TGIFSubImage>(image_);
    frame->LoadFromStream(stream);
    Add(std::move(frame));
    const std::int64_t size = stream.Size();
    image_->Progress(psRunning, size > 0 ? int(stream.Position() * 100 / size) : 0,
                     GifSettings().RedrawWhileLoading, "Loading...");
    do {
      if (stream.Read(&b, 1) != 1) return;
    } while (b == 0);
  }
  StepBack(stream);
}

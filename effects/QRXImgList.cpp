#include "effects/QRXImgList.h"

#include <algorithm>

#include "effects/QRXDraw.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/ImgList.h"

namespace {

[[noreturn]] void InvalidImageSize() { throw EInvalidGraphicOperation("Invalid image size"); }
[[noreturn]] void TooManyImages() { throw EInvalidGraphicOperation("Too many images"); }

constexpr std::uint32_t kCellMasked = 0x10000;

int CellX(std::uint32_t cell) { return std::int16_t(cell & 0xFFFF); }

void SizeStrip(TBitmap& strip, int width, int height, bool mono) {
  if (mono)
    strip.SetMonochrome(true);
  else if (strip.Monochrome())
    strip.SetPixelFormat(pf32bit);
  // Widening keeps the cells already there.
  TBitmap old(strip);
  strip.SetSize(width, height);
  if (!old.Empty() && width > 0 && height > 0) {
    const int keep = std::min(old.Width(), width);
    strip.Canvas().CopyRect(Rect(0, 0, keep, height), old.Canvas(), Rect(0, 0, keep, height));
  }
}

}  // namespace

// ---- TQRXImageListItem ----

TQRXImageListItem::TQRXImageListItem(TComponent* owner)
    : TQRXListItem(owner), image_(std::make_unique<TBitmap>()), mask_(std::make_unique<TBitmap>()) {
  image_->SetSize(0, height_);
  mask_->SetSize(0, height_);
}

std::unique_ptr<TQRXImageListItem> TQRXImageListItem::CreateSized(int width, int height, TComponent* owner) {
  if (width < 1 || height < 1) InvalidImageSize();
  auto item = std::make_unique<TQRXImageListItem>(owner);
  item->width_ = width;
  item->height_ = height;
  item->Reset();
  return item;
}

void TQRXImageListItem::SetWidth(int value) {
  if (value == width_ || value < 1) return;
  width_ = value;
  Reset();
  Change();
}

void TQRXImageListItem::SetHeight(int value) {
  if (value == height_ || value < 1) return;
  height_ = value;
  Reset();
  Change();
}

void TQRXImageListItem::SetMasked(bool value) {
  if (value == masked_) return;
  masked_ = value;
  if (!masked_) {
    mask_->SetSize(0, mask_->Height());
  } else {
    TDib mono;
    mono.Allocate(image_->Width(), height_, pf1bit);
    mask_->SetDib(std::move(mono));
  }
  for (std::uint32_t& cell : cells_) cell = (cell & 0xFFFF) | (masked_ ? kCellMasked : 0);
  Change();
}

bool TQRXImageListItem::CellMasked(int index) const {
  CheckIndex(index);
  return (cells_[std::size_t(index)] & kCellMasked) != 0;
}

void TQRXImageListItem::Reset() {
  BeginUpdate();
  image_->SetPixelFormat(pf32bit);
  image_->SetSize(0, height_);
  if (masked_) mask_->SetMonochrome(true);
  mask_->SetSize(0, masked_ ? height_ : mask_->Height());
  used_width_ = 0;
  cells_.clear();
  EndUpdate(false);
}

void TQRXImageListItem::Grow(int cells) {
  const std::int64_t wanted = std::int64_t(used_width_) + std::int64_t(cells) * width_;
  if (wanted <= image_->Width()) return;
  std::int64_t width = image_->Width();
  while (width < wanted) width += std::int64_t(alloc_by_) * width_;
  if (width > kMaxStripWidth) TooManyImages();
  SizeStrip(*image_, int(width), height_, false);
  if (masked_) SizeStrip(*mask_, int(width), height_, true);
}

int TQRXImageListItem::AllocImage() {
  Grow(1);
  cells_.push_back(std::uint32_t(used_width_ & 0xFFFF));
  used_width_ += width_;
  return int(cells_.size()) - 1;
}

void TQRXImageListItem::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

bool TQRXImageListItem::CheckImageSize(const TBitmap* bitmap) const {
  if (!bitmap) return false;
  if (bitmap->Height() == height_ && bitmap->Width() > 0 && bitmap->Width() % width_ == 0) return true;
  InvalidImageSize();
}

int TQRXImageListItem::Add(const TBitmap* image, const TBitmap* mask) {
  if (!image && !mask) return AllocImage();
  if (!image) return -1;
  CheckImageSize(image);
  if (masked_ && mask && !CheckImageSize(mask)) return -1;
  const int index = AllocImage();
  Replace(index, image, mask);
  return index;
}

void TQRXImageListItem::Replace(int index, const TBitmap* image, const TBitmap* mask) {
  CheckIndex(index);
  if (!CheckImageSize(image)) return;
  if (mask) CheckImageSize(mask);
  const TRect cell = CellRect(index);
  const TRect first = Rect(0, 0, width_, height_);
  TBitmap source(*image);
  image_->Canvas().SetCopyMode(cmSrcCopy);
  image_->Canvas().CopyRect(cell, source.Canvas(), first);
  std::uint32_t& entry = cells_[std::size_t(index)];
  if (masked_) {
    if (mask) {
      TBitmap mono(*mask);
      mono.SetMonochrome(true);
      mask_->Canvas().CopyRect(cell, mono.Canvas(), first);
      entry |= kCellMasked;
    } else {
      mask_->Canvas().Brush().SetColor(clBlack);
      mask_->Canvas().FillRect(cell);
      entry &= ~kCellMasked;
    }
  }
  Change();
}

void TQRXImageListItem::ReplaceMasked(int index, const TBitmap* image, TColor transparent) {
  if (!CheckImageSize(image)) return;
  if (!masked_) {
    Replace(index, image, nullptr);
    return;
  }
  // The mask is white where the transparent colour shows; the image turns
  // black there, so ANDing the mask and ORing the image draws it see-through.
  TBitmap picture(*image);
  picture.SetPixelFormat(pf32bit);
  TBitmap mask;
  mask.SetSize(picture.Width(), picture.Height());
  const TColor key = ColorToRGB(transparent) & 0xFFFFFF;
  for (int y = 0; y < picture.Height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(picture.ScanLine(y));
    auto* out = reinterpret_cast<std::uint32_t*>(mask.ScanLine(y));
    for (int x = 0; x < picture.Width(); ++x) {
      const std::uint32_t bgr = row[x] & 0xFFFFFF;
      const TColor color = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
      const bool clear = color == key;
      out[x] = clear ? 0xFFFFFFFF : 0xFF000000;
      if (clear) row[x] = 0xFF000000;
    }
  }
  Replace(index, &picture, &mask);
}

void TQRXImageListItem::CopyImages(const TQRXImageListItem& source) {
  if (source.width_ != width_ || source.height_ != height_) InvalidImageSize();
  if (source.cells_.empty()) return;
  BeginUpdate();
  try {
    const int count = source.Count();
    const int at = used_width_;
    Grow(count);
    const int width = count * width_;
    TBitmap strip(*source.image_);
    image_->Canvas().SetCopyMode(cmSrcCopy);
    image_->Canvas().CopyRect(Rect(at, 0, at + width, height_), strip.Canvas(), Rect(0, 0, width, height_));
    if (masked_ && source.masked_) {
      TBitmap mask(*source.mask_);
      mask_->Canvas().CopyRect(Rect(at, 0, at + width, height_), mask.Canvas(), Rect(0, 0, width, height_));
    }
    const int first = Count();
    for (int i = 0; i < count; ++i)
      cells_.push_back(std::uint32_t(((first + i) * width_) & 0xFFFF) | (source.masked_ ? kCellMasked : 0));
    used_width_ += width;
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(true);
}

TRect TQRXImageListItem::CellRect(int index) const {
  CheckIndex(index);
  const int x = CellX(cells_[std::size_t(index)]);
  return Rect(x, 0, x + width_, height_);
}

void TQRXImageListItem::GetBitmap(int index, TBitmap& target) const {
  const TRect cell = CellRect(index);
  TBitmap strip(*image_);
  target.SetSize(width_, height_);
  target.Canvas().SetCopyMode(cmSrcCopy);
  target.Canvas().CopyRect(Rect(0, 0, width_, height_), strip.Canvas(), cell);
}

TColor TQRXImageListItem::GetTransparentColor(int index) const {
  const TRect cell = CellRect(index);
  return TBitmap(*image_).Canvas().Pixel(cell.Left, height_ - 1);
}

TColor TQRXImageListItem::GetPixel(const TPoint& point, int index) const {
  const TRect cell = CellRect(index);
  return TBitmap(*image_).Canvas().Pixel(cell.Left + point.X, point.Y);
}

void TQRXImageListItem::Draw(TCanvas& canvas, int x, int y, int index) {
  const TRect cell = CellRect(index);
  const TRect dest = Rect(x, y, x + width_, y + height_);
  const TCopyMode mode = canvas.CopyMode();
  if (masked_) {
    canvas.SetCopyMode(cmSrcAnd);
    canvas.CopyRect(dest, mask_->Canvas(), cell);
    canvas.SetCopyMode(cmSrcPaint);
    canvas.CopyRect(dest, image_->Canvas(), cell);
  } else {
    canvas.SetCopyMode(cmSrcCopy);
    canvas.CopyRect(dest, image_->Canvas(), cell);
  }
  canvas.SetCopyMode(mode);
}

TRect TQRXImageListItem::DrawStyled(TCanvas& canvas, const TRect& r, int index, unsigned style) {
  const TRect cell = CellRect(index);
  TRect drawn{};
  if (masked_) {
    DrawBitmapStyled(canvas, r, image_->Canvas(), cell, style | kQRXDrawMaskCanvas, clNone, nullptr, nullptr,
                     &mask_->Canvas(), &drawn);
  } else {
    // The cell's bottom-left pixel is its background.
    const TColor background = GetTransparentColor(index) | 0x2000000;
    DrawBitmapStyled(canvas, r, image_->Canvas(), cell, style, background, nullptr, nullptr, nullptr, &drawn);
  }
  return drawn;
}

void TQRXImageListItem::DrawClipped(TCanvas& canvas, const TRect& r, int index, unsigned style,
                                    std::uint32_t clipOffset) {
  const TRect cell = CellRect(index);
  if (masked_)
    DrawBitmapClipped(canvas, r, image_->Canvas(), cell, style | kQRXDrawMaskCanvas, clipOffset, clNone, nullptr,
                      &mask_->Canvas());
  else
    DrawBitmapClipped(canvas, r, image_->Canvas(), cell, style, clipOffset, GetTransparentColor(index) | 0x2000000,
                      nullptr, nullptr);
}

std::uint8_t TQRXImageListItem::GetFlags() const {
  // Image items always carry their settings: the data bit is not theirs.
  std::uint8_t flags = TQRXListItem::GetFlags() & ~kHasData;
  switch (pixel_format_) {
    case TQRXSavePixelFormat::spfMono:
      flags |= kMono;
      break;
    case TQRXSavePixelFormat::spf4bit:
      flags |= k4Bit;
      break;
    case TQRXSavePixelFormat::spf8bit:
      flags |= k8Bit;
      break;
    case TQRXSavePixelFormat::spfDefault:
      break;
  }
  return flags;
}

void TQRXImageListItem::Assign(const TQRXListItem& source) {
  const auto* other = dynamic_cast<const TQRXImageListItem*>(&source);
  if (!other) throw EConvertError("Cannot assign this item to a TQRXImageListItem");
  if (other == this) return;
  BeginUpdate();
  try {
    AssignHeader(*other);
    width_ = other->width_;
    height_ = other->height_;
    alloc_by_ = other->alloc_by_;
    masked_ = other->masked_;
    pixel_format_ = other->pixel_format_;
    Reset();
    CopyImages(*other);
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(true);
}

void TQRXImageListItem::WriteData(TStream& stream) {
  WriteHeader(stream);
  WriteItemData(stream);
}

void TQRXImageListItem::WriteItemData(TStream& stream) {
  WriteStreamInteger(stream, height_);
  WriteStreamInteger(stream, width_);
  WriteStreamInteger(stream, alloc_by_);
  WriteStreamByte(stream, masked_ ? 1 : 0);
  WriteImages(stream);
}

void TQRXImageListItem::WriteImages(TStream& stream) {
  const int count = Count();
  WriteStreamInteger(stream, count);
  if (count == 0) return;
  // Only the occupied cells travel: the strip is cut to them.
  const int width = count * width_;
  if (image_->Width() != width) SizeStrip(*image_, width, height_, false);
  if (masked_ && mask_->Width() != width) SizeStrip(*mask_, width, height_, true);
  used_width_ = width;
  WriteBitmapToStream(stream, *image_, Compressed(), ColourCode(pixel_format_));
  if (masked_) WriteBitmapToStream(stream, *mask_, Compressed(), 2);
}

void TQRXImageListItem::ReadItemData(TStream& stream, std::uint8_t flags) {
  pixel_format_ = (flags & kMono)   ? TQRXSavePixelFormat::spfMono
                  : (flags & k4Bit) ? TQRXSavePixelFormat::spf4bit
                  : (flags & k8Bit) ? TQRXSavePixelFormat::spf8bit
                                    : TQRXSavePixelFormat::spfDefault;
  const std::int32_t height = ReadStreamInteger(stream);
  const std::int32_t width = ReadStreamInteger(stream);
  const std::int32_t allocBy = ReadStreamInteger(stream);
  const bool masked = ReadStreamByte(stream) != 0;
  if (height < 1 || width < 1 || height > kMaxStripWidth || width > kMaxStripWidth)
    throw EReadError("Image list item: invalid image size");
  height_ = height;
  width_ = width;
  alloc_by_ = std::clamp<std::int32_t>(allocBy, 1, kMaxStripWidth);
  masked_ = masked;
  ReadImages(stream);
}

void TQRXImageListItem::ReadImages(TStream& stream) {
  const std::int32_t count = ReadStreamInteger(stream);
  if (count < 0 || std::int64_t(count) * width_ > kMaxStripWidth)
    throw EReadError("Image list item: invalid image count " + std::to_string(count));
  // Read aside: a damaged record leaves the images as they were.
  TBitmap image;
  TBitmap mask;
  if (count > 0) {
    ReadBitmapFromStream(stream, image, Compressed());
    if (masked_) ReadBitmapFromStream(stream, mask, Compressed());
    if (image.Height() != height_ || image.Width() < count * width_ ||
        (masked_ && (mask.Height() != height_ || mask.Width() < count * width_)))
      throw EReadError("Image list item: the strip does not hold its images");
  }
  Reset();
  if (count > 0) {
    image_->Assign(image);
    if (masked_) {
      mask_->Assign(mask);
      mask_->SetMonochrome(true);
    }
  }
  if (!masked_) mask_->SetSize(0, mask_->Height());
  used_width_ = count > 0 ? image_->Width() : 0;
  for (int i = 0; i < count; ++i) cells_.push_back(std::uint32_t((i * width_) & 0xFFFF) | (masked_ ? kCellMasked : 0));
}

void TQRXImageListItem::DefineProperties(TQRXFiler& filer) {
  TQRXListItem::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Bitmap",
      [this](TStream& s) {
        BeginUpdate();
        try {
          ReadImages(s);
        } catch (...) {
          EndUpdate(false);
          throw;
        }
        EndUpdate(true);
      },
      nullptr, false);
}

// ---- TQRXImageList ----

const TQRXImageListItem* TQRXImageList::ItemOf(int list) const {
  return list < 0 || list >= Count() ? nullptr : Items(list);
}

TCanvas* TQRXImageList::GetCanvas(int list) {
  return list < 0 || list >= Count() ? nullptr : &Items(list)->ImageStrip().Canvas();
}

TRect TQRXImageList::GetImageRect(int list, int image) const { return Items(list)->CellRect(image); }

int TQRXImageList::GetImageSize(int list, int which) const {
  const TQRXImageListItem* item = ItemOf(list);
  if (!item) return 0;
  return which == 0 ? item->Width() : item->Height();
}

int TQRXImageList::GetCount(int list) const {
  const TQRXImageListItem* item = ItemOf(list);
  return item ? item->Count() : -1;
}

bool TQRXImageList::IsValid(int list, int image) const {
  const TQRXImageListItem* item = ItemOf(list);
  return item && image >= 0 && image < item->Count();
}

void TQRXImageList::GetBitmap(int list, int image, TBitmap& target) const { Items(list)->GetBitmap(image, target); }

bool TQRXImageList::IsMasked(int list) const {
  const TQRXImageListItem* item = ItemOf(list);
  return item && item->Masked();
}

std::vector<TRGBQuad> TQRXImageList::GetPalette(int list) const {
  const TQRXImageListItem* item = ItemOf(list);
  return item ? item->ImageStrip().Palette() : std::vector<TRGBQuad>{};
}

TColor TQRXImageList::GetTransparentColor(int list, int image) const {
  const TQRXImageListItem* item = ItemOf(list);
  return item ? item->GetTransparentColor(image) : TColor(0xFFFFFF);
}

TColor TQRXImageList::GetPixel(const TPoint& point, int list, int image) const {
  const TQRXImageListItem* item = ItemOf(list);
  return item ? item->GetPixel(point, image) : TColor(0xFFFFFF);
}

void TQRXImageList::Draw(TCanvas& canvas, int x, int y, int list, int image) {
  Items(list)->Draw(canvas, x, y, image);
}

TRect TQRXImageList::DrawStyled(TCanvas& canvas, const TRect& r, int list, int image, unsigned style) {
  return Items(list)->DrawStyled(canvas, r, image, style);
}

void TQRXImageList::DrawClipped(TCanvas& canvas, const TRect& r, int list, int image, unsigned style,
                                std::uint32_t clipOffset) {
  Items(list)->DrawClipped(canvas, r, image, style, clipOffset);
}

// ---- TQRXBorImageListItem ----

TQRXBorImageListItem::TQRXBorImageListItem(TQRXImageListConnector& connector) : connector_(connector) {}

TQRXBorImageListItem::~TQRXBorImageListItem() {
  if (image_list_) image_list_->RemoveChangeListener(listener_);
}

void TQRXBorImageListItem::SetName(const std::string& value) {
  if (value == name_) return;
  name_ = value;
  connector_.Change();
}

void TQRXBorImageListItem::SetImageList(TImageList* value) {
  if (value == image_list_) return;
  if (image_list_) image_list_->RemoveChangeListener(listener_);
  image_list_ = value;
  listener_ = 0;
  if (image_list_) {
    listener_ = image_list_->AddChangeListener([this](TImageList*) { connector_.Change(); });
    connector_.FreeNotification(image_list_);
  }
  connector_.Change();
}

std::string TQRXBorImageListItem::DisplayName() const {
  if (!name_.empty()) return name_;
  if (image_list_ && !image_list_->Name().empty()) return image_list_->Name();
  return "TQRXBorImageListItem";
}

// ---- TQRXImageListConnector ----

namespace {

// The item the connector hands out for any list: it carries only a name.
class TConnectorItem final : public TQRXListItem {
 public:
  using TQRXListItem::TQRXListItem;
  void Clear() override {}
  void Assign(const TQRXListItem& source) override { AssignHeader(source); }

 protected:
  void WriteItemData(TStream&) override {}
  void ReadItemData(TStream&, std::uint8_t) override {}
};

}  // namespace

TQRXImageListConnector::TQRXImageListConnector(TComponent* owner)
    : TQRXCustomImageList(owner, TQRXContainerKind::ckImageList), shared_item_(std::make_unique<TConnectorItem>()) {}

TQRXImageListConnector::~TQRXImageListConnector() { lists_.clear(); }

TQRXBorImageListItem& TQRXImageListConnector::ImageLists(int index) const {
  if (index < 0 || index >= ImageListCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return *lists_[std::size_t(index)];
}

TQRXBorImageListItem& TQRXImageListConnector::AddImageList() {
  lists_.push_back(std::make_unique<TQRXBorImageListItem>(*this));
  Change();
  return *lists_.back();
}

void TQRXImageListConnector::DeleteImageList(int index) {
  ImageLists(index);
  lists_.erase(lists_.begin() + index);
  Change();
}

TQRXListItem* TQRXImageListConnector::Items(int index) const {
  shared_item_->SetDescription(ImageLists(index).Name().substr(0, 255));
  return shared_item_.get();
}

std::unique_ptr<TQRXListItem> TQRXImageListConnector::NewItem() { return std::make_unique<TConnectorItem>(); }

void TQRXImageListConnector::Notification(TComponent* component, TOperation operation) {
  TQRXCustomImageList::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  for (auto& list : lists_)
    if (list->image_list_ == component) {
      // The list is going: its listeners go with it.
      list->image_list_ = nullptr;
      list->listener_ = 0;
    }
}

TImageList* TQRXImageListConnector::ListOf(int list) const {
  return list < 0 || list >= ImageListCount() ? nullptr : lists_[std::size_t(list)]->ImageList();
}

TRect TQRXImageListConnector::GetImageRect(int list, int image) const {
  (void)image;
  const TImageList* images = ListOf(list);
  return images ? Rect(0, 0, images->Width(), images->Height()) : TRect{};
}

int TQRXImageListConnector::GetImageSize(int list, int which) const {
  const TImageList* images = ListOf(list);
  if (!images) return 0;
  return which == 0 ? images->Width() : images->Height();
}

int TQRXImageListConnector::GetCount(int list) const {
  if (list < 0 || list >= ImageListCount()) return -1;
  const TImageList* images = ListOf(list);
  return images ? images->Count() : 0;
}

bool TQRXImageListConnector::IsValid(int list, int image) const {
  const TImageList* images = ListOf(list);
  return images && image >= 0 && image < images->Count();
}

void TQRXImageListConnector::GetBitmap(int list, int image, TBitmap& target) const {
  const TImageList* images = ListOf(list);
  if (!images) throw EListError("List index out of bounds (" + std::to_string(list) + ")");
  images->GetBitmap(image, target);
}

bool TQRXImageListConnector::IsMasked(int list) const { return ListOf(list) != nullptr; }

TColor TQRXImageListConnector::GetTransparentColor(int list, int image) const {
  if (!IsValid(list, image)) return 0xFFFFFF;
  TBitmap bitmap;
  GetBitmap(list, image, bitmap);
  return bitmap.TransparentColor();
}

TColor TQRXImageListConnector::GetPixel(const TPoint& point, int list, int image) const {
  (void)point, (void)list, (void)image;
  return 0xFFFFFF;
}

void TQRXImageListConnector::Draw(TCanvas& canvas, int x, int y, int list, int image) {
  const TImageList* images = ListOf(list);
  if (images) images->Draw(canvas, x, y, image, true);
}

TRect TQRXImageListConnector::DrawStyled(TCanvas& canvas, const TRect& r, int list, int image, unsigned style) {
  TBitmap bitmap;
  GetBitmap(list, image, bitmap);
  return DrawListBitmap(canvas, r, bitmap, style, bitmap.TransparentColor());
}

void TQRXImageListConnector::DrawClipped(TCanvas& canvas, const TRect& r, int list, int image, unsigned style,
                                         std::uint32_t clipOffset) {
  TBitmap bitmap;
  GetBitmap(list, image, bitmap);
  DrawBitmapPalette(canvas, r, bitmap, style, clipOffset, bitmap.TransparentColor());
}

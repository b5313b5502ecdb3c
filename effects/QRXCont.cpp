#include "effects/QRXCont.h"

#include <algorithm>

#include "effects/QRXDraw.h"
#include "effects/QRXImgList.h"
#include "platform/gui/Canvas.h"

namespace {

std::int64_t Remaining(TStream& stream) {
  return std::max<std::int64_t>(0, stream.Size() - stream.Position());
}

}  // namespace

// ---- TQRXChangeLink ----

TQRXChangeLink::~TQRXChangeLink() {
  if (sender_) sender_->UnregisterChanges(this);
}

void TQRXChangeLink::Change() {
  if (OnChange) OnChange(sender_);
}

// ---- TQRXBaseContainer ----

TQRXBaseContainer::~TQRXBaseContainer() {
  for (TQRXChangeLink* link : links_) link->sender_ = nullptr;
  links_.clear();
}

void TQRXBaseContainer::RegisterChanges(TQRXChangeLink* link) {
  if (!link || link->sender_ == this) return;
  if (link->sender_) link->sender_->UnregisterChanges(link);
  link->sender_ = this;
  links_.push_back(link);
}

void TQRXBaseContainer::UnregisterChanges(TQRXChangeLink* link) {
  const auto found = std::find(links_.begin(), links_.end(), link);
  if (found == links_.end()) return;
  link->sender_ = nullptr;
  links_.erase(found);
}

void TQRXBaseContainer::NotifyLinks() {
  // A handler may unregister its own link (or another): walk a copy and
  // skip those that left meanwhile.
  const std::vector<TQRXChangeLink*> links = links_;
  for (TQRXChangeLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
}

void TQRXBaseContainer::Change() {
  if (Updating()) return;
  NotifyLinks();
  TQRXCustomComponent::Change();
}

// ---- TQRXListItem ----

void TQRXListItem::SetDescription(const std::string& value) {
  if (value == description_) return;
  // The record keeps at most 255 bytes: a longer text is refused here rather
  // than cut without a word when the item is saved.
  if (value.size() > 255) throw EConvertError("Description longer than 255 bytes: " + value.substr(0, 40) + "...");
  description_ = value;
  Change();
}

void TQRXListItem::SetIdent(std::uint16_t value) {
  if (value == ident_) return;
  ident_ = value;
  Change();
}

void TQRXListItem::SetCompressed(bool value) {
  if (value == compressed_) return;
  compressed_ = value;
  Change();
}

std::uint8_t TQRXListItem::GetFlags() const {
  std::uint8_t flags = 0;
  if (compressed_) flags |= kCompressed;
  if (!description_.empty()) flags |= kHasDescription;
  if (ident_ != 0) flags |= kHasIdent;
  if (!IsEmpty()) flags |= kHasData;
  return flags;
}

void TQRXListItem::ReadData(TStream& stream) {
  BeginUpdate();
  try {
    ReadItemData(stream, ReadHeader(stream));
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(true);
}

std::uint8_t TQRXListItem::ReadHeader(TStream& stream) {
  const std::uint8_t flags = ReadStreamByte(stream);
  compressed_ = (flags & kCompressed) != 0;
  description_ = (flags & kHasDescription) ? ReadStreamShortString(stream) : std::string();
  ident_ = (flags & kHasIdent) ? std::uint16_t(ReadStreamInteger(stream)) : 0;
  return flags;
}

void TQRXListItem::WriteHeader(TStream& stream) {
  const std::uint8_t flags = GetFlags();
  WriteStreamByte(stream, flags);
  if (flags & kHasDescription) WriteStreamShortString(stream, description_);
  if (flags & kHasIdent) WriteStreamInteger(stream, ident_);
}

void TQRXListItem::WriteData(TStream& stream) {
  WriteHeader(stream);
  if (GetFlags() & kHasData) WriteItemData(stream);
}

void TQRXListItem::AssignHeader(const TQRXListItem& source) {
  description_ = source.description_;
  ident_ = source.ident_;
  compressed_ = source.compressed_;
}

void TQRXListItem::Change() {
  if (Updating()) return;
  TQRXCustomComponent::Change();
  if (auto* container = dynamic_cast<TQRXCustomContainer*>(Owner())) container->ItemChanged(this);
}

void TQRXListItem::DefineProperties(TQRXFiler& filer) {
  filer.DefineBinaryProperty(
      "Internal", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, true);
}

void TQRXListItem::SetParentComponent(TComponent* parent) {
  if (auto* container = dynamic_cast<TQRXCustomContainer*>(parent)) container->Add(this);
}

// ---- item classes ----

TQRXBitmapListItem::TQRXBitmapListItem(TComponent* owner)
    : TQRXListItem(owner), bitmap_(std::make_unique<TBitmap>()) {
  bitmap_->OnChange = [this](TGraphic*) { Change(); };
}

void TQRXBitmapListItem::SetPixelFormat(TQRXSavePixelFormat value) {
  if (value == pixel_format_) return;
  pixel_format_ = value;
  Change();
}

void TQRXBitmapListItem::Clear() {
  TDib empty;
  empty.format = pf32bit;
  bitmap_->SetDib(std::move(empty));
}

std::uint8_t TQRXBitmapListItem::GetFlags() const {
  std::uint8_t flags = TQRXListItem::GetFlags();
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

void TQRXBitmapListItem::ReadItemData(TStream& stream, std::uint8_t flags) {
  pixel_format_ = (flags & kMono)   ? TQRXSavePixelFormat::spfMono
                  : (flags & k4Bit) ? TQRXSavePixelFormat::spf4bit
                  : (flags & k8Bit) ? TQRXSavePixelFormat::spf8bit
                                    : TQRXSavePixelFormat::spfDefault;
  if (flags & kHasData)
    ReadBitmapFromStream(stream, *bitmap_, (flags & kCompressed) != 0);
  else
    Clear();
}

void TQRXBitmapListItem::WriteItemData(TStream& stream) {
  WriteBitmapToStream(stream, *bitmap_, Compressed(), ColourCode(pixel_format_));
}

void TQRXBitmapListItem::Assign(const TQRXListItem& source) {
  const auto* other = dynamic_cast<const TQRXBitmapListItem*>(&source);
  if (!other) throw EConvertError("Cannot assign this item to a TQRXBitmapListItem");
  BeginUpdate();
  AssignHeader(*other);
  pixel_format_ = other->pixel_format_;
  bitmap_->Assign(*other->bitmap_);
  EndUpdate(true);
}

TQRXStringListItem::TQRXStringListItem(TComponent* owner)
    : TQRXListItem(owner), items_(std::make_unique<TStringList>()) {
  items_->OnChange = [this](TStringList*) { Change(); };
}

std::uint8_t TQRXStringListItem::GetFlags() const { return TQRXListItem::GetFlags(); }

void TQRXStringListItem::ReadItemData(TStream& stream, std::uint8_t flags) {
  if (flags & kHasData)
    ReadStringsFromStream(stream, *items_, (flags & kCompressed) != 0);
  else
    Clear();
}

void TQRXStringListItem::WriteItemData(TStream& stream) {
  WriteStringsToStream(stream, *items_, Compressed());
}

void TQRXStringListItem::Assign(const TQRXListItem& source) {
  const auto* other = dynamic_cast<const TQRXStringListItem*>(&source);
  if (!other) throw EConvertError("Cannot assign this item to a TQRXStringListItem");
  BeginUpdate();
  AssignHeader(*other);
  items_->Assign(*other->items_);
  EndUpdate(true);
}

TQRXWaveListItem::TQRXWaveListItem(TComponent* owner)
    : TQRXListItem(owner), wave_(std::make_unique<TQRXWave>()) {
  wave_->OnChange = [this](TQRXObject*) { Change(); };
}

std::uint8_t TQRXWaveListItem::GetFlags() const { return TQRXListItem::GetFlags(); }

void TQRXWaveListItem::ReadItemData(TStream& stream, std::uint8_t flags) {
  if (flags & kHasData)
    ReadWaveFromStream(stream, *wave_, (flags & kCompressed) != 0);
  else
    Clear();
}

void TQRXWaveListItem::WriteItemData(TStream& stream) { WriteWaveToStream(stream, *wave_, Compressed()); }

void TQRXWaveListItem::Assign(const TQRXListItem& source) {
  const auto* other = dynamic_cast<const TQRXWaveListItem*>(&source);
  if (!other) throw EConvertError("Cannot assign this item to a TQRXWaveListItem");
  BeginUpdate();
  AssignHeader(*other);
  wave_->Assign(other->wave_.get());
  EndUpdate(true);
}

// ---- TQRXCustomContainer ----

TQRXCustomContainer::~TQRXCustomContainer() {
  // The items go now, while this is still a container they can look at.
  MarkDestroying();
  items_.clear();
  DestroyComponents();
}

TQRXListItem* TQRXCustomContainer::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[std::size_t(index)];
}

int TQRXCustomContainer::Add(TQRXListItem* item) {
  if (!item) item = NewItem().release();
  if (item->Owner() != this) InsertComponent(item);
  if (std::find(items_.begin(), items_.end(), item) == items_.end()) items_.push_back(item);
  Change();
  return int(std::find(items_.begin(), items_.end(), item) - items_.begin());
}

void TQRXCustomContainer::Clear() {
  std::vector<TQRXListItem*> items;
  items.swap(items_);
  for (TQRXListItem* item : items) delete item;
  Change();
}

void TQRXCustomContainer::CopyItems(const TQRXCustomContainer& source) {
  // The copies are made aside and join together: one notification, and a
  // failed copy adds nothing.
  std::vector<std::unique_ptr<TQRXListItem>> copies;
  for (TQRXListItem* from : source.items_) {
    copies.push_back(NewItem());
    copies.back()->Assign(*from);
  }
  for (auto& item : copies) items_.push_back(item.release());
  Change();
}

void TQRXCustomContainer::ItemChanged(TQRXListItem* item) {
  // Items being made or read aside are not the container's content yet.
  if (Updating() || std::find(items_.begin(), items_.end(), item) == items_.end()) return;
  NotifyLinks();
  if (OnChange) OnChange(item);
}

void TQRXCustomContainer::Assign(const TQRXCustomContainer& source) {
  if (&source == this) return;
  if (source.kind_ != kind_) throw EConvertError("Cannot assign a container of another kind");
  BeginUpdate();
  try {
    Clear();
    AssignDefaults(source);
    CopyItems(source);
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(true);
}

void TQRXCustomContainer::AssignDefaults(const TQRXCustomContainer& source) {
  default_compressed_ = source.default_compressed_;
}

void TQRXCustomImageList::AssignDefaults(const TQRXCustomContainer& source) {
  TQRXCustomContainer::AssignDefaults(source);
  if (const auto* list = dynamic_cast<const TQRXCustomImageList*>(&source))
    default_pixel_format_ = list->default_pixel_format_;
}

void TQRXCustomContainer::GetChildren(const std::function<void(TComponent* child)>& proc) const {
  for (TQRXListItem* item : items_) proc(item);
}

void TQRXCustomContainer::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove) std::erase(items_, component);
  TQRXBaseContainer::Notification(component, operation);
}

void TQRXCustomContainer::LoadFromStream(TStream& stream, bool skipOffsets) {
  const std::int32_t count = ReadStreamInteger(stream);
  // Every item takes at least its flags byte (and an offset when skipped).
  const std::int64_t perItem = skipOffsets ? 5 : 1;
  if (count < 0 || std::int64_t(count) * perItem > Remaining(stream))
    throw EReadError("Item list: invalid item count " + std::to_string(count));
  if (skipOffsets && count > 0) stream.Seek(std::int64_t(count) * 4, soCurrent);
  // The new items are read aside, so a damaged record leaves the list as it was.
  std::vector<std::unique_ptr<TQRXListItem>> loaded;
  BeginUpdate();
  try {
    for (std::int32_t i = 0; i < count; ++i) {
      loaded.push_back(NewItem());
      loaded.back()->ReadData(stream);
    }
  } catch (...) {
    loaded.clear();
    EndUpdate(false);
    throw;
  }
  Clear();
  for (auto& item : loaded) items_.push_back(item.release());
  EndUpdate(true);
}

void TQRXCustomContainer::SaveToStream(TStream& stream, bool withOffsets) {
  const std::int32_t count = Count();
  WriteStreamInteger(stream, count);
  if (!withOffsets || count == 0) {
    for (TQRXListItem* item : items_) item->WriteData(stream);
    return;
  }
  const std::int64_t table = stream.Position();
  std::vector<std::int64_t> starts;
  stream.SetPosition(table + 4 * std::int64_t(count));
  for (TQRXListItem* item : items_) {
    starts.push_back(stream.Position());
    item->WriteData(stream);
  }
  const std::int64_t end = stream.Position();
  stream.SetPosition(table);
  for (std::int64_t start : starts) {
    if (start > 0x7FFFFFFF) throw EWriteError("Item list too large for its offset table");
    WriteStreamInteger(stream, std::int32_t(start));
  }
  stream.SetPosition(end);
}

// ---- TQRXBitmapList ----

const TBitmap* TQRXBitmapList::BitmapOf(int list) const {
  if (list < 0 || list >= Count()) return nullptr;
  return &Items(list)->Bitmap();
}

TCanvas* TQRXBitmapList::GetCanvas(int list) {
  return list < 0 || list >= Count() ? nullptr : &Items(list)->Bitmap().Canvas();
}

TRect TQRXBitmapList::GetImageRect(int list, int image) const {
  (void)image;
  const TBitmap* bitmap = BitmapOf(list);
  return bitmap ? Rect(0, 0, bitmap->Width(), bitmap->Height()) : TRect{};
}

int TQRXBitmapList::GetImageSize(int list, int which) const {
  const TBitmap* bitmap = BitmapOf(list);
  if (!bitmap) return 0;
  return which == 0 ? bitmap->Width() : bitmap->Height();
}

int TQRXBitmapList::GetCount(int list) const {
  const TBitmap* bitmap = BitmapOf(list);
  return bitmap && !bitmap->Empty() ? 1 : 0;
}

bool TQRXBitmapList::IsValid(int list, int image) const {
  (void)image;
  const TBitmap* bitmap = BitmapOf(list);
  return bitmap && !bitmap->Empty();
}

void TQRXBitmapList::GetBitmap(int list, int image, TBitmap& target) const {
  (void)image;
  target.Assign(Items(list)->Bitmap());
}

std::vector<TRGBQuad> TQRXBitmapList::GetPalette(int list) const {
  const TBitmap* bitmap = BitmapOf(list);
  return bitmap ? bitmap->Palette() : std::vector<TRGBQuad>{};
}

TColor TQRXBitmapList::GetTransparentColor(int list, int image) const {
  (void)image;
  const TBitmap* bitmap = BitmapOf(list);
  return bitmap ? bitmap->TransparentColor() : TColor(0xFFFFFF);
}

TColor TQRXBitmapList::GetPixel(const TPoint& point, int list, int image) const {
  (void)image;
  if (list < 0 || list >= Count()) return 0xFFFFFF;
  return Items(list)->Bitmap().Canvas().Pixel(point.X, point.Y);
}

void TQRXBitmapList::Draw(TCanvas& canvas, int x, int y, int list, int image) {
  (void)image;
  TBitmap& bitmap = Items(list)->Bitmap();
  if (!bitmap.Empty()) canvas.Draw(x, y, bitmap);
}

TRect TQRXBitmapList::DrawStyled(TCanvas& canvas, const TRect& r, int list, int image, unsigned style) {
  (void)image;
  TBitmap& bitmap = Items(list)->Bitmap();
  return DrawListBitmap(canvas, r, bitmap, style, bitmap.TransparentColor());
}

void TQRXBitmapList::DrawClipped(TCanvas& canvas, const TRect& r, int list, int image, unsigned style,
                                 std::uint32_t clipOffset) {
  (void)image;
  TBitmap& bitmap = Items(list)->Bitmap();
  DrawBitmapPalette(canvas, r, bitmap, style, clipOffset, bitmap.TransparentColor());
}

// ---- TQRXContainer ----

TQRXContainer::TQRXContainer(TComponent* owner)
    : TQRXBaseContainer(owner),
      bitmap_list_(Create<TQRXBitmapList>(this)),
      image_list_(Create<TQRXImageList>(this)),
      wave_list_(Create<TQRXWaveList>(this)),
      string_list_(Create<TQRXStringList>(this)) {
  const auto forward = [this](TComponent* sender) { GetChange(sender); };
  bitmap_list_->OnChange = forward;
  image_list_->OnChange = forward;
  wave_list_->OnChange = forward;
  string_list_->OnChange = forward;
}

TQRXContainer::~TQRXContainer() {
  image_list_->OnChange = nullptr;
  bitmap_list_->OnChange = nullptr;
  wave_list_->OnChange = nullptr;
  string_list_->OnChange = nullptr;
}

TQRXContainer& GlobalContainer() {
  static TQRXContainer container;
  return container;
}

std::string WriteGlobalListRef(const TQRXCustomContainer* list) {
  if (!list) return "";
  if (list == &GlobalContainer().BitmapList()) return "QRXBML30";
  if (list == &GlobalContainer().ImageList()) return "QRXIML30";
  return "";
}

TQRXCustomContainer* ReadGlobalListRef(const std::string& ref) {
  if (ref == "QRXBML30") return &GlobalContainer().BitmapList();
  if (ref == "QRXIML30") return &GlobalContainer().ImageList();
  return nullptr;
}

bool IsGlobalImageList(const TQRXCustomContainer* list) {
  return list && (list == &GlobalContainer().BitmapList() || list == &GlobalContainer().ImageList());
}

bool IsImageListConnector(const TComponent* object) {
  return dynamic_cast<const TQRXImageListConnector*>(object) != nullptr;
}

#pragma once
// Containers of reusable resources that a form holds and other components
// refer to: lists of bitmaps, string lists and sounds, the change links
// through which those components hear that a list changed, and the
// library-wide container.
//
// Item record (before every item's data): a flags byte (bit 0 compressed,
// bit 1 description present, bit 2 ident present, bit 3 data present, bits
// 4-6 the saved pixel format spfMono, spf4bit, spf8bit), the description as
// a short string when bit 1, the ident as 4 bytes when bit 2; then the
// item's data record when bit 3. A list record is an item count, optionally
// a table of the items' absolute stream positions, then the items. In a form
// file each item is a child of its container and keeps its records in the
// binary property "Internal".

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "effects/QRXBase.h"
#include "effects/QRXBmpStream.h"
#include "effects/QRXWave.h"
#include "platform/core/StringList.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Geometry.h"

class TCanvas;
class TQRXBaseContainer;
class TQRXCustomContainer;
class TQRXImageList;

// Held by a component that draws from a list: registered with the list, it
// hears every change of the list and of its items, with the list as sender.
class TQRXChangeLink {
 public:
  TQRXChangeLink() = default;
  virtual ~TQRXChangeLink();
  TQRXChangeLink(const TQRXChangeLink&) = delete;
  TQRXChangeLink& operator=(const TQRXChangeLink&) = delete;

  // The container the link is registered with, or null.
  TQRXBaseContainer* Sender() const { return sender_; }
  virtual void Change();

  std::function<void(TComponent* sender)> OnChange;

 private:
  friend class TQRXBaseContainer;
  TQRXBaseContainer* sender_ = nullptr;
};

class TQRXBaseContainer : public TQRXCustomComponent {
 public:
  explicit TQRXBaseContainer(TComponent* owner = nullptr) : TQRXCustomComponent(owner) {}
  ~TQRXBaseContainer() override;

  void RegisterChanges(TQRXChangeLink* link);
  void UnregisterChanges(TQRXChangeLink* link);
  int LinkCount() const { return int(links_.size()); }
  // Every registered link in order, then OnChange.
  void Change() override;

 protected:
  void NotifyLinks();

 private:
  std::vector<TQRXChangeLink*> links_;
};

enum class TQRXContainerKind : std::uint8_t { ckImageList, ckBitmapList, ckWaveList, ckStringList };

class TQRXListItem : public TQRXCustomComponent {
 public:
  static constexpr std::uint8_t kCompressed = 0x01;
  static constexpr std::uint8_t kHasDescription = 0x02;
  static constexpr std::uint8_t kHasIdent = 0x04;
  static constexpr std::uint8_t kHasData = 0x08;
  static constexpr std::uint8_t kMono = 0x10;
  static constexpr std::uint8_t k4Bit = 0x20;
  static constexpr std::uint8_t k8Bit = 0x40;

  explicit TQRXListItem(TComponent* owner = nullptr) : TQRXCustomComponent(owner) {}

  const std::string& Description() const { return description_; }
  // Raises EConvertError for more than 255 bytes (the record's limit).
  void SetDescription(const std::string& value);
  std::uint16_t Ident() const { return ident_; }
  void SetIdent(std::uint16_t value);
  bool Compressed() const { return compressed_; }
  void SetCompressed(bool value);

  virtual void Clear() = 0;
  virtual bool IsEmpty() const { return false; }
  // Header and data; a failed read keeps the update lock balanced.
  void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream);
  virtual std::uint8_t GetFlags() const;
  std::uint8_t ReadHeader(TStream& stream);
  void WriteHeader(TStream& stream);
  void AssignHeader(const TQRXListItem& source);
  // Copies header and data from an item of the same class.
  virtual void Assign(const TQRXListItem& source) = 0;

  // Inherited, then the owning container hears of it.
  void Change() override;
  // "Internal": the header and data records.
  void DefineProperties(TQRXFiler& filer) override;
  // A form reader that reads an item into a container hands it over here;
  // the item joins the container's list.
  void SetParentComponent(TComponent* parent);

 protected:
  virtual void WriteItemData(TStream& stream) = 0;
  // The data after a header that carried `flags`.
  virtual void ReadItemData(TStream& stream, std::uint8_t flags) = 0;

 private:
  std::string description_;
  std::uint16_t ident_ = 0;
  bool compressed_ = false;
};

class TQRXBitmapListItem : public TQRXListItem {
 public:
  explicit TQRXBitmapListItem(TComponent* owner = nullptr);
  TBitmap& Bitmap() { return *bitmap_; }
  const TBitmap& Bitmap() const { return *bitmap_; }
  void SetBitmap(const TBitmap& value) { bitmap_->Assign(value); }
  TQRXSavePixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TQRXSavePixelFormat value);

  void Clear() override;
  bool IsEmpty() const override { return bitmap_->Empty(); }
  std::uint8_t GetFlags() const override;
  void Assign(const TQRXListItem& source) override;

 protected:
  void WriteItemData(TStream& stream) override;
  void ReadItemData(TStream& stream, std::uint8_t flags) override;

 private:
  std::unique_ptr<TBitmap> bitmap_;
  TQRXSavePixelFormat pixel_format_ = TQRXSavePixelFormat::spfDefault;
};

class TQRXStringListItem : public TQRXListItem {
 public:
  explicit TQRXStringListItem(TComponent* owner = nullptr);
  TStringList& Items() { return *items_; }
  const TStringList& Items() const { return *items_; }

  void Clear() override { items_->Clear(); }
  bool IsEmpty() const override { return items_->Count() == 0; }
  std::uint8_t GetFlags() const override;
  void Assign(const TQRXListItem& source) override;
  // Only the lines.
  void AssignStrings(const TStringList& source) { items_->Assign(source); }

 protected:
  void WriteItemData(TStream& stream) override;
  void ReadItemData(TStream& stream, std::uint8_t flags) override;

 private:
  std::unique_ptr<TStringList> items_;
};

class TQRXWaveListItem : public TQRXListItem {
 public:
  explicit TQRXWaveListItem(TComponent* owner = nullptr);
  TQRXWave& Wave() { return *wave_; }
  const TQRXWave& Wave() const { return *wave_; }

  void Clear() override { wave_->Clear(); }
  bool IsEmpty() const override { return wave_->IsEmpty(); }
  std::uint8_t GetFlags() const override;
  void Assign(const TQRXListItem& source) override;

 protected:
  void WriteItemData(TStream& stream) override;
  void ReadItemData(TStream& stream, std::uint8_t flags) override;

 private:
  std::unique_ptr<TQRXWave> wave_;
};

class TQRXCustomContainer : public TQRXBaseContainer {
 public:
  TQRXCustomContainer(TComponent* owner, TQRXContainerKind kind) : TQRXBaseContainer(owner), kind_(kind) {}
  ~TQRXCustomContainer() override;

  TQRXContainerKind Kind() const { return kind_; }
  bool DefaultCompressed() const { return default_compressed_; }
  void SetDefaultCompressed(bool value) { default_compressed_ = value; }

  virtual int Count() const { return int(items_.size()); }
  virtual bool IsEmpty() const { return items_.empty(); }
  // Raises EListError for an index out of range.
  virtual TQRXListItem* Items(int index) const;
  // Replaces the items by those of a list record. With skipOffsets the
  // offset table that SaveToStream(withOffsets) writes is skipped.
  virtual void LoadFromStream(TStream& stream, bool skipOffsets);
  virtual void SaveToStream(TStream& stream, bool withOffsets);

  // Appends the item (null: a new one of the list's item class), which the
  // container then owns; returns its index.
  int Add(TQRXListItem* item = nullptr);
  void Clear();
  void CopyItems(const TQRXCustomContainer& source);
  // An item changed: every link hears it with the container as sender, then
  // OnChange with the item as sender.
  virtual void ItemChanged(TQRXListItem* item);
  // A container of the same kind: defaults and copies of the items, one
  // notification.
  void Assign(const TQRXCustomContainer& source);
  // The items as the form writer's children, in list order.
  void GetChildren(const std::function<void(TComponent* child)>& proc) const;

 protected:
  virtual std::unique_ptr<TQRXListItem> NewItem() = 0;
  // The list-wide settings Assign copies besides the items.
  virtual void AssignDefaults(const TQRXCustomContainer& source);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TQRXListItem;
  TQRXContainerKind kind_;
  bool default_compressed_ = false;
  std::vector<TQRXListItem*> items_;
};

// What a control that draws glyphs, fills or animation frames asks of the
// list it draws from. "List" L is an item of the container, "image" I one
// image of it; an L out of range is answered with a neutral value (0 for
// sizes, 0 or -1 for counts, white for colours), never an error.
class TQRXCustomImageList : public TQRXCustomContainer {
 public:
  TQRXCustomImageList(TComponent* owner, TQRXContainerKind kind) : TQRXCustomContainer(owner, kind) {}

  TQRXSavePixelFormat DefaultPixelFormat() const { return default_pixel_format_; }
  void SetDefaultPixelFormat(TQRXSavePixelFormat value) { default_pixel_format_ = value; }

  // The surface the images of L are kept on, or null.
  virtual TCanvas* GetCanvas(int list) = 0;
  virtual TRect GetImageRect(int list, int image) const = 0;
  // Which 0: width, 1: height.
  virtual int GetImageSize(int list, int which) const = 0;
  virtual int GetCount(int list) const = 0;
  virtual bool IsValid(int list, int image) const = 0;
  // Target becomes a copy of the image (without its mask).
  virtual void GetBitmap(int list, int image, TBitmap& target) const = 0;
  virtual bool IsMasked(int list) const = 0;
  virtual std::vector<TRGBQuad> GetPalette(int list) const = 0;
  virtual TColor GetTransparentColor(int list, int image) const = 0;
  virtual TColor GetPixel(const TPoint& point, int list, int image) const = 0;
  // The image with its top-left corner at (x, y), masked where it has a mask.
  virtual void Draw(TCanvas& canvas, int x, int y, int list, int image) = 0;
  // The image placed in r by the flag word of the bitmap routines
  // (QRXDraw.h), transparent by its mask or its transparent colour; answers
  // the rectangle drawn into.
  virtual TRect DrawStyled(TCanvas& canvas, const TRect& r, int list, int image, unsigned style) = 0;
  // The same, clipped to r when the flag word asks for it.
  virtual void DrawClipped(TCanvas& canvas, const TRect& r, int list, int image, unsigned style,
                           std::uint32_t clipOffset) = 0;

 protected:
  void AssignDefaults(const TQRXCustomContainer& source) override;

 private:
  TQRXSavePixelFormat default_pixel_format_ = TQRXSavePixelFormat::spfDefault;
};

template <class Item, TQRXContainerKind K, class Base = TQRXCustomContainer>
class TQRXItemList : public Base {
 public:
  explicit TQRXItemList(TComponent* owner = nullptr) : Base(owner, K) {}
  Item* Items(int index) const override { return static_cast<Item*>(TQRXCustomContainer::Items(index)); }

 protected:
  std::unique_ptr<TQRXListItem> NewItem() override { return std::make_unique<Item>(this); }
};

// One bitmap per list.
class TQRXBitmapList
    : public TQRXItemList<TQRXBitmapListItem, TQRXContainerKind::ckBitmapList, TQRXCustomImageList> {
 public:
  using TQRXItemList::TQRXItemList;
  TCanvas* GetCanvas(int list) override;
  TRect GetImageRect(int list, int image) const override;
  int GetImageSize(int list, int which) const override;
  int GetCount(int list) const override;
  bool IsValid(int list, int image) const override;
  void GetBitmap(int list, int image, TBitmap& target) const override;
  bool IsMasked(int list) const override { return (void)list, false; }
  std::vector<TRGBQuad> GetPalette(int list) const override;
  TColor GetTransparentColor(int list, int image) const override;
  TColor GetPixel(const TPoint& point, int list, int image) const override;
  void Draw(TCanvas& canvas, int x, int y, int list, int image) override;
  TRect DrawStyled(TCanvas& canvas, const TRect& r, int list, int image, unsigned style) override;
  void DrawClipped(TCanvas& canvas, const TRect& r, int list, int image, unsigned style,
                   std::uint32_t clipOffset) override;

 private:
  const TBitmap* BitmapOf(int list) const;
};
class TQRXStringList : public TQRXItemList<TQRXStringListItem, TQRXContainerKind::ckStringList> {
  using TQRXItemList::TQRXItemList;
};
class TQRXWaveList : public TQRXItemList<TQRXWaveListItem, TQRXContainerKind::ckWaveList> {
  using TQRXItemList::TQRXItemList;
};

// A container of one list of each kind; a change in any list reaches the
// container's own links and OnChange.
class TQRXContainer : public TQRXBaseContainer {
 public:
  explicit TQRXContainer(TComponent* owner = nullptr);
  ~TQRXContainer() override;
  TQRXBitmapList& BitmapList() { return *bitmap_list_; }
  TQRXImageList& ImageList() { return *image_list_; }
  TQRXWaveList& WaveList() { return *wave_list_; }
  TQRXStringList& StringList() { return *string_list_; }

 private:
  TQRXBitmapList* bitmap_list_;
  TQRXImageList* image_list_;
  TQRXWaveList* wave_list_;
  TQRXStringList* string_list_;
};

// The library-wide container, made on first use and kept to the end of the
// program.
TQRXContainer& GlobalContainer();
// What a form file says for a list property: "QRXBML30" for the
// library-wide bitmap list, "QRXIML30" for its image list, nothing for
// other lists.
std::string WriteGlobalListRef(const TQRXCustomContainer* list);
// The library-wide list a form file names, or null.
TQRXCustomContainer* ReadGlobalListRef(const std::string& ref);
bool IsGlobalImageList(const TQRXCustomContainer* list);
// The list is a connector to the class library's image lists.
bool IsImageListConnector(const TComponent* object);

#pragma once
// The items of a GIF stream: header (signature, logical screen, global
// colour table), the extension blocks that precede a frame, the lists that
// hold frames and extensions, and the trailer. Each item reads and writes
// itself at the stream's current position.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pictures/GifCommon.h"

class TGIFImage;
class TGIFSubImage;

enum TGIFStreamVersion : std::uint8_t { svNone = 0, sv87a = 1, sv89a = 2 };

class TGIFItem {
 public:
  explicit TGIFItem(TGIFImage* image) : image_(image) {}
  virtual ~TGIFItem() = default;
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;

  TGIFImage* Image() const { return image_; }
  virtual TGIFStreamVersion Version() const { return sv87a; }
  virtual void Warning(int severity, const std::string& message);
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  void SaveToFile(const std::string& fileName);
  void LoadFromFile(const std::string& fileName);

 protected:
  friend class TGIFImage;
  TGIFImage* image_;
};

// An owning list of items; Remove takes an item out without freeing it.
template <class Item>
class TGIFList {
 public:
  int Count() const { return int(items_.size()); }
  Item& operator[](int index) const { return *items_.at(size_t(index)); }
  Item* Items(int index) const { return items_.at(size_t(index)).get(); }
  int Add(std::unique_ptr<Item> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  void Insert(int index, std::unique_ptr<Item> item) {
    items_.insert(items_.begin() + index, std::move(item));
  }
  void Delete(int index) {
    // Taken out first, so that the item's destructor sees a consistent list.
    std::unique_ptr<Item> gone = std::move(items_.at(size_t(index)));
    items_.erase(items_.begin() + index);
  }
  void Clear() {
    while (!items_.empty()) Delete(0);
  }
  std::unique_ptr<Item> Remove(Item* item) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) {
        std::unique_ptr<Item> out = std::move(items_[i]);
        items_.erase(items_.begin() + std::ptrdiff_t(i));
        return out;
      }
    return nullptr;
  }
  void Swap(TGIFList& other) { items_.swap(other.items_); }
  int IndexOf(const Item* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return int(i);
    return -1;
  }

 private:
  std::vector<std::unique_ptr<Item>> items_;
};

class TGIFHeader;

// The picture's global colour table.
class TGIFGlobalColorMap final : public TGIFColorMap {
 public:
  explicit TGIFGlobalColorMap(TGIFHeader& header) : header_(header) {}
  void Warning(int severity, const std::string& message) override;
  void CountUses(std::vector<std::uint32_t>& uses) override;
  void RemapPixels(const std::vector<std::uint8_t>& remap) override;
  void Changed() override;

 protected:
  bool CanOptimize() override;

 private:
  TGIFHeader& header_;
};

class TGIFHeader final : public TGIFItem {
 public:
  explicit TGIFHeader(TGIFImage* image);
  void Clear();
  void Assign(const TGIFHeader& source);
  void AssignColorMap(const TGIFColorMap& map);
  void Prepare();
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  TGIFStreamVersion Version() const override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int value) { width_ = std::uint16_t(value); }
  void SetHeight(int value) { height_ = std::uint16_t(value); }
  std::uint8_t Packed() const { return packed_; }
  std::uint8_t BackgroundColorIndex() const { return background_index_; }
  void SetBackgroundColorIndex(std::uint8_t value) { background_index_ = value; }
  std::uint8_t AspectRatio() const { return aspect_; }
  void SetAspectRatio(std::uint8_t value) { aspect_ = value; }
  TGIFGlobalColorMap& ColorMap() { return color_map_; }
  const TGIFGlobalColorMap& ColorMap() const { return color_map_; }
  TColor BackgroundColor();
  int BitsPerPixel() const { return color_map_.BitsPerPixel(); }
  int ColorResolution() const { return BitsPerPixel() - 1; }

 private:
  std::uint16_t width_ = 0;
  std::uint16_t height_ = 0;
  std::uint8_t packed_ = 0;
  std::uint8_t background_index_ = 0;
  std::uint8_t aspect_ = 0;
  TGIFGlobalColorMap color_map_;
};

class TGIFTrailer final : public TGIFItem {
 public:
  using TGIFItem::TGIFItem;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
};

// An extension block; it belongs to the frame it precedes.
class TGIFExtension : public TGIFItem {
 public:
  explicit TGIFExtension(TGIFSubImage* subImage);
  TGIFSubImage* SubImage() const { return sub_image_; }
  TGIFStreamVersion Version() const override { return sv89a; }
  virtual std::uint8_t LabelByte() const = 0;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  // Peeks at the stream standing after "!" and makes the extension class
  // that reads what follows; null when no class does. The position is kept.
  static std::unique_ptr<TGIFExtension> CreateFor(TStream& stream, TGIFSubImage* subImage);

 protected:
  TGIFSubImage* sub_image_;
};

enum : std::uint8_t {
  bExtensionIntroducer = 0x21,
  bImageDescriptor = 0x2C,
  bTrailer = 0x3B,
  bLabelPlainText = 0x01,
  bLabelGraphicControl = 0xF9,
  bLabelComment = 0xFE,
  bLabelApplication = 0xFF,
};

// Disposal methods of a graphic control extension.
enum TDisposalMethod : std::uint8_t {
  dmNone = 0,
  dmNoDisposal = 1,
  dmBackground = 2,
  dmPrevious = 3,
};

class TGIFGraphicControlExtension final : public TGIFExtension {
 public:
  explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
  ~TGIFGraphicControlExtension() override;
  std::uint8_t LabelByte() const override { return bLabelGraphicControl; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  int Delay() const { return block_[2] | (block_[3] << 8); }
  void SetDelay(int value) {
    block_[2] = std::uint8_t(value);
    block_[3] = std::uint8_t(value >> 8);
  }
  int Disposal() const { return (block_[1] >> 2) & 7; }
  void SetDisposal(int value) { block_[1] = std::uint8_t((block_[1] & ~0x1C) | ((value & 7) << 2)); }
  bool Transparent() const { return block_[1] & 1; }
  void SetTransparent(bool value);
  bool UserInput() const { return block_[1] & 2; }
  void SetUserInput(bool value) { block_[1] = std::uint8_t(value ? block_[1] | 2 : block_[1] & ~2); }
  int TransparentColorIndex() const { return block_[4]; }
  // An index past the active table (when it has entries) warns and sets 0.
  void SetTransparentColorIndex(int value);
  // Used when the frame's pixels are remapped: no check against the table.
  void SetTransparentColorIndexRaw(std::uint8_t value) { block_[4] = value; }

 private:
  std::array<std::uint8_t, 6> block_ = {4, 0, 0, 0, 0, 0};
};

class TGIFTextExtension final : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::uint8_t LabelByte() const override { return bLabelPlainText; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  std::vector<std::string> Text;
  std::array<std::uint8_t, 13> Block = {12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
};

class TGIFCommentExtension final : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::uint8_t LabelByte() const override { return bLabelComment; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  std::vector<std::string> Text;
};

class TGIFApplicationExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::uint8_t LabelByte() const override { return bLabelApplication; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  // 8 bytes of application identifier and 3 of authentication code.
  std::array<std::uint8_t, 11> Identifier = {};
  std::string IdentifierText() const { return std::string(Identifier.begin(), Identifier.end()); }

 protected:
  virtual void SaveData(TStream& stream) = 0;
  virtual void LoadData(TStream& stream) = 0;
};

// An application extension this codec does not know: its sub-blocks are
// kept as they were read and written back unchanged.
class TGIFUnknownAppExtension final : public TGIFApplicationExtension {
 public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  std::vector<std::vector<std::uint8_t>> Blocks;

 protected:
  void SaveData(TStream& stream) override;
  void LoadData(TStream& stream) override;
};

// The loop extension ("NETSCAPE2.0", also read as "ANIMEXTS1.0").
class TGIFAppExtNSLoop final : public TGIFApplicationExtension {
 public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);
  int LoopCount = 0;
  std::uint32_t BufferLength = 0;

 protected:
  void SaveData(TStream& stream) override;
  void LoadData(TStream& stream) override;
};

class TGIFExtensionList : public TGIFList<TGIFExtension> {
 public:
  explicit TGIFExtensionList(TGIFSubImage* subImage) : sub_image_(subImage) {}
  void SaveToStream(TStream& stream);
  void LoadFromStream(TStream& stream);

 private:
  TGIFSubImage* sub_image_;
};

class TGIFImageList : public TGIFList<TGIFSubImage> {
 public:
  explicit TGIFImageList(TGIFImage* image) : image_(image) {}
  void SaveToStream(TStream& stream);
  void LoadFromStream(TStream& stream);

 private:
  friend class TGIFImage;
  TGIFImage* image_;
};

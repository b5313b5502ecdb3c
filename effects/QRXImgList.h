#pragma once
// Image lists of the visual-effects library: containers whose lists each
// hold equally sized images, drawn by list and image index.
//
// TQRXImageList keeps per list an image strip of equal cells and, while
// Masked, a monochrome mask strip beside it (white where the background
// shows). TQRXImageListConnector presents the class library's image lists
// as lists of such a container. TQRXBitmapList (one bitmap per list) and
// the client interface TQRXCustomImageList are in QRXCont.h.
//
// Image item record, after the item header: Height, Width, AllocBy (u32
// each), Masked (1 byte), the image count N (u32), then when N > 0 the
// strip cut to N cells as a bitmap record at the pixel format's colour
// code, and the mask strip at colour code 2 while Masked.

#include <QPointer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/QRXCont.h"

class TImageList;

class TQRXImageListItem : public TQRXListItem {
 public:
  // A strip is at most this many pixels wide.
  static constexpr int kMaxStripWidth = 32768;

  explicit TQRXImageListItem(TComponent* owner = nullptr);
  // Raises EInvalidGraphicOperation "Invalid image size" for a size below 1.
  static std::unique_ptr<TQRXImageListItem> CreateSized(int width, int height, TComponent* owner = nullptr);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size drops every image; values below 1 are ignored.
  void SetWidth(int value);
  void SetHeight(int value);
  int AllocBy() const { return alloc_by_; }
  void SetAllocBy(int value) { alloc_by_ = value < 1 ? 1 : value; }
  bool Masked() const { return masked_; }
  void SetMasked(bool value);
  TQRXSavePixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TQRXSavePixelFormat value) { pixel_format_ = value; }

  int Count() const { return int(cells_.size()); }
  const TBitmap& ImageStrip() const { return *image_; }
  TBitmap& ImageStrip() { return *image_; }
  const TBitmap& MaskStrip() const { return *mask_; }
  int UsedWidth() const { return used_width_; }
  // The cell's own masked flag (set when it was given a mask).
  bool CellMasked(int index) const;

  // Both null: an empty cell. Returns the new index, or -1 when Image is
  // null or a masked list gets no usable mask. Sizes that do not fit raise
  // EInvalidGraphicOperation ("Invalid image size", "Too many images").
  int Add(const TBitmap* image, const TBitmap* mask = nullptr);
  void Replace(int index, const TBitmap* image, const TBitmap* mask = nullptr);
  // The mask is made from the pixels of `transparent` colour.
  void ReplaceMasked(int index, const TBitmap* image, TColor transparent);
  // Appends the images of another item of the same cell size.
  void CopyImages(const TQRXImageListItem& source);
  // False for null; true when the bitmap's height is Height and its width a
  // multiple of Width; otherwise raises "Invalid image size".
  bool CheckImageSize(const TBitmap* bitmap) const;

  TRect CellRect(int index) const;
  void GetBitmap(int index, TBitmap& target) const;
  TColor GetTransparentColor(int index) const;
  TColor GetPixel(const TPoint& point, int index) const;
  // While Masked: the mask cell ANDed, then the image cell ORed onto the
  // canvas; otherwise the image cell copied.
  void Draw(TCanvas& canvas, int x, int y, int index);
  // The cell placed in r by the flag word (QRXDraw.h): through the mask
  // while Masked, else leaving out the cell's bottom-left colour.
  TRect DrawStyled(TCanvas& canvas, const TRect& r, int index, unsigned style);
  void DrawClipped(TCanvas& canvas, const TRect& r, int index, unsigned style, std::uint32_t clipOffset);

  void Clear() override { Reset(); }
  bool IsEmpty() const override { return cells_.empty(); }
  std::uint8_t GetFlags() const override;
  // Header and settings always, whether or not there are images.
  void WriteData(TStream& stream) override;
  void Assign(const TQRXListItem& source) override;

  // The older form-file property "Bitmap": the record from the image count
  // on. Read only.
  void ReadImages(TStream& stream);
  void DefineProperties(TQRXFiler& filer) override;

 protected:
  void WriteItemData(TStream& stream) override;
  void ReadItemData(TStream& stream, std::uint8_t flags) override;

 private:
  void Reset();
  int AllocImage();
  void Grow(int cells);
  void CheckIndex(int index) const;
  void WriteImages(TStream& stream);

  int width_ = 16;
  int height_ = 16;
  int alloc_by_ = 4;
  bool masked_ = false;
  TQRXSavePixelFormat pixel_format_ = TQRXSavePixelFormat::spfDefault;
  std::unique_ptr<TBitmap> image_;
  std::unique_ptr<TBitmap> mask_;
  int used_width_ = 0;
  // Low 16 bits the cell's x in the strip, third byte its masked flag.
  std::vector<std::uint32_t> cells_;
};

// Per list an image strip.
class TQRXImageList
    : public TQRXItemList<TQRXImageListItem, TQRXContainerKind::ckImageList, TQRXCustomImageList> {
 public:
  using TQRXItemList::TQRXItemList;
  TCanvas* GetCanvas(int list) override;
  TRect GetImageRect(int list, int image) const override;
  int GetImageSize(int list, int which) const override;
  int GetCount(int list) const override;
  bool IsValid(int list, int image) const override;
  void GetBitmap(int list, int image, TBitmap& target) const override;
  bool IsMasked(int list) const override;
  std::vector<TRGBQuad> GetPalette(int list) const override;
  TColor GetTransparentColor(int list, int image) const override;
  TColor GetPixel(const TPoint& point, int list, int image) const override;
  void Draw(TCanvas& canvas, int x, int y, int list, int image) override;
  TRect DrawStyled(TCanvas& canvas, const TRect& r, int list, int image, unsigned style) override;
  void DrawClipped(TCanvas& canvas, const TRect& r, int list, int image, unsigned style,
                   std::uint32_t clipOffset) override;

 private:
  const TQRXImageListItem* ItemOf(int list) const;
};

class TQRXImageListConnector;

// One class-library image list shown as a list of the connector.
class TQRXBorImageListItem {
 public:
  explicit TQRXBorImageListItem(TQRXImageListConnector& connector);
  ~TQRXBorImageListItem();
  TQRXBorImageListItem(const TQRXBorImageListItem&) = delete;
  TQRXBorImageListItem& operator=(const TQRXBorImageListItem&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& value);
  TImageList* ImageList() const { return image_list_; }
  void SetImageList(TImageList* value);
  // Name, else the image list's name, else the item's default.
  std::string DisplayName() const;

 private:
  friend class TQRXImageListConnector;
  TQRXImageListConnector& connector_;
  std::string name_;
  TImageList* image_list_ = nullptr;
  int listener_ = 0;
};

class TQRXImageListConnector : public TQRXCustomImageList {
 public:
  explicit TQRXImageListConnector(TComponent* owner = nullptr);
  ~TQRXImageListConnector() override;

  // The collection of image lists ("ImageLists").
  int ImageListCount() const { return int(lists_.size()); }
  TQRXBorImageListItem& ImageLists(int index) const;
  TQRXBorImageListItem& AddImageList();
  void DeleteImageList(int index);

  int Count() const override { return ImageListCount(); }
  bool IsEmpty() const override { return lists_.empty(); }
  // One shared item stands for whichever list is asked for, named after it.
  TQRXListItem* Items(int index) const override;

  TCanvas* GetCanvas(int list) override { return (void)list, nullptr; }
  TRect GetImageRect(int list, int image) const override;
  int GetImageSize(int list, int which) const override;
  int GetCount(int list) const override;
  bool IsValid(int list, int image) const override;
  void GetBitmap(int list, int image, TBitmap& target) const override;
  bool IsMasked(int list) const override;
  std::vector<TRGBQuad> GetPalette(int list) const override { return (void)list, std::vector<TRGBQuad>{}; }
  TColor GetTransparentColor(int list, int image) const override;
  TColor GetPixel(const TPoint& point, int list, int image) const override;
  void Draw(TCanvas& canvas, int x, int y, int list, int image) override;
  TRect DrawStyled(TCanvas& canvas, const TRect& r, int list, int image, unsigned style) override;
  void DrawClipped(TCanvas& canvas, const TRect& r, int list, int image, unsigned style,
                   std::uint32_t clipOffset) override;

 protected:
  std::unique_ptr<TQRXListItem> NewItem() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TQRXBorImageListItem;
  TImageList* ListOf(int list) const;

  std::vector<std::unique_ptr<TQRXBorImageListItem>> lists_;
  std::unique_ptr<TQRXListItem> shared_item_;
};

#pragma once
// TGIFSubImage: one frame of a GIF picture: its image descriptor, local
// colour table, the extensions before it and its pixels (one byte each,
// rows top to bottom). It renders itself into a TBitmap (with a mask when
// it is transparent) and turns any bitmap into a frame.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pictures/GifStream.h"
#include "platform/gui/Bitmap.h"

class TGIFSubImage;

class TGIFLocalColorMap final : public TGIFColorMap {
 public:
  explicit TGIFLocalColorMap(TGIFSubImage& frame) : frame_(frame) {}
  void Warning(int severity, const std::string& message) override;
  void CountUses(std::vector<std::uint32_t>& uses) override;
  void RemapPixels(const std::vector<std::uint8_t>& remap) override;
  void Changed() override;

 private:
  TGIFSubImage& frame_;
};

class TGIFSubImage final : public TGIFItem {
 public:
  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;

  void Clear();
  bool Empty() const { return data_.empty() || Width() == 0 || Height() == 0; }

  // Pixels.
  void AllocPixels();
  void FreePixels() { data_.clear(), data_.shrink_to_fit(); }
  void RequirePixels();
  std::uint8_t* Data() { return data_.data(); }
  const std::uint8_t* Data() const { return data_.data(); }
  size_t DataSize() const { return data_.size(); }
  // Raise "Invalid pixel coordinates" outside the frame.
  std::uint8_t* ScanLine(int row);
  std::uint8_t& Pixels(int x, int y);

  // Geometry: index 1 Left, 2 Top, 3 Width, 4 Height.
  int BoundsField(int index) const;
  void SetBoundsField(int index, int value);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
  void SetTop(int value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
  void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Rect(left_, top_, left_ + width_, top_ + height_); }
  TRect ScaleRect(const TRect& imageRect) const;
  bool Interlaced() const { return packed_ & 0x40; }
  void SetInterlaced(bool value) { packed_ = std::uint8_t(value ? packed_ | 0x40 : packed_ & ~0x40); }
  std::uint8_t Packed() const { return packed_; }

  // Colours.
  TGIFLocalColorMap& ColorMap() { return color_map_; }
  const TGIFLocalColorMap& ColorMap() const { return color_map_; }
  TGIFColorMap& ColorMapInUse();
  int BitsPerPixel() const { return color_map_.BitsPerPixel(); }
  int ColorResolution() const { return BitsPerPixel() - 1; }
  // The palette the frame is shown with (see Palette() in the source).
  TGIFPalette Palette();
  void SetPalette(const TGIFPalette& palette);
  void DropPalette() { palette_.reset(); }

  // Extensions.
  TGIFExtensionList& Extensions() { return extensions_; }
  bool Transparent() const { return transparent_; }
  void SetTransparentFlag(bool value) { transparent_ = value; }
  TGIFGraphicControlExtension* GraphicControlExtension() const { return control_; }
  void SetGraphicControlExtension(TGIFGraphicControlExtension* extension) { control_ = extension; }
  // The extension, created and added when the frame has none.
  TGIFGraphicControlExtension& RequireGraphicControlExtension();
  // The frame's disposal (0 without a graphic control extension).
  int Disposal() const;

  // Stream.
  TGIFStreamVersion Version() const override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  void Decompress(TStream& stream);
  void Compress(TStream& stream);

  // Rendering: the bitmap is a cache built on first use.
  TBitmap* Bitmap();
  bool BitmapCached() const { return bitmap_ != nullptr; }
  void DropBitmap() { bitmap_.reset(); }
  void DropMask() {
    mask_.reset();
    mask_pending_ = true;
  }
  // Renders again when a mask is still to be built; answers whether a mask
  // exists (one bit per pixel, set = transparent).
  bool EnsureMask();
  const TDib* Mask() const { return mask_.get(); }
  void Draw(TCanvas& canvas, const TRect& rect, bool tiled, bool transparent);
  void StretchDraw(TCanvas& canvas, const TRect& imageRect, bool tiled, bool transparent);
  // The frame's picture as an image with alpha 0 at transparent pixels when
  // asked for and a mask exists.
  QImage ToQImage(bool transparent);

  // Conversion.
  void Assign(const TGIFSubImage& source);
  void AssignBitmap(const TBitmap& source);
  void AssignGraphic(const TGraphic& source);
  void AssignTo(TBitmap& destination);
  void ImportMask(const TDib& mask);

  // For TGIFImage::Optimize.
  void TrimToOpaque();
  void MergeWithPrevious(TGIFSubImage& previous);

 private:
  friend class TGIFImage;
  friend class TGIFLocalColorMap;
  std::unique_ptr<TBitmap> RenderDirect();
  std::unique_ptr<TBitmap> RenderDithered();
  std::unique_ptr<TBitmap> NewRenderBitmap();
  void Prepare();
  bool CanAddColor();
  int FindTransparentIndex();

  std::unique_ptr<TBitmap> bitmap_;
  std::unique_ptr<TDib> mask_;
  bool mask_pending_ = true;
  std::optional<TGIFPalette> palette_;
  std::vector<std::uint8_t> data_;
  TGIFLocalColorMap color_map_;
  std::uint8_t separator_ = bImageDescriptor;
  std::uint16_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::uint8_t packed_ = 0;
  TGIFExtensionList extensions_;
  bool transparent_ = false;
  TGIFGraphicControlExtension* control_ = nullptr;
};

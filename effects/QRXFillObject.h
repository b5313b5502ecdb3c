#pragma once
// What fills an area and how a picture is post-processed: the shape fill
// (brush, brush bitmap, bitmap, image-list bitmap or gradient), the fill
// object the fill panel paints with, the alpha blend of a picture with a
// fill, and the bitmap effects (flips, grey, negative, monochrome,
// brightness, blend) with an optional buffer of the processed picture.
//
// Every owned sub-object reports its changes to the owner's GetChange, so a
// change anywhere reaches the control that owns the outermost object.

#include <cstdint>
#include <memory>
#include <string>

#include "effects/QRXBase.h"
#include "effects/QRXConst.h"
#include "effects/QRXProps.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Graphics.h"

enum class TQRXFillOption : std::uint8_t { foFillInner, foQuickDraw, foGrUseBitmap };

class TQRXFillOptions {
 public:
  constexpr TQRXFillOptions() = default;
  constexpr TQRXFillOptions(std::initializer_list<TQRXFillOption> options) {
    for (TQRXFillOption o : options) bits_ |= Bit(o);
  }
  constexpr bool Contains(TQRXFillOption o) const { return (bits_ & Bit(o)) != 0; }
  friend constexpr bool operator==(TQRXFillOptions, TQRXFillOptions) = default;

 private:
  static constexpr std::uint8_t Bit(TQRXFillOption o) { return std::uint8_t(1u << unsigned(o)); }
  std::uint8_t bits_ = 0;
};

class TQRXShapeFill : public TQRXObject {
 public:
  TQRXShapeFill();
  ~TQRXShapeFill() override;

  TQRXFillStyle Style() const { return style_; }
  void SetStyle(TQRXFillStyle v);
  TBitmap& Bitmap() { return *bitmap_; }
  const TBitmap& Bitmap() const { return *bitmap_; }
  void SetBitmap(const TBitmap& v) { bitmap_->Assign(v); }
  TQRXGradient& Gradient() { return *gradient_; }
  const TQRXGradient& Gradient() const { return *gradient_; }
  void SetGradient(const TQRXGradient& v) { gradient_->Assign(&v); }
  TQRXTileMode TileMode() const { return tile_mode_; }
  void SetTileMode(TQRXTileMode v);
  // The image-list item shown by sfBitmapList.
  TBitmap& ListBitmap() { return *list_bitmap_; }
  const TBitmap& ListBitmap() const { return *list_bitmap_; }
  void SetListBitmap(const TBitmap& v) { list_bitmap_->Assign(v); }

  TBitmap* CurrentBitmap();
  bool IsEmpty() const;
  TQRXPaletteHandle GetPalette() const;

  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRXShapeFill"; }

 protected:
  // Sets the style without a notification (the fill object's default).
  void InitStyle(TQRXFillStyle v) { style_ = v; }

 private:
  TQRXFillStyle style_ = TQRXFillStyle::sfBrush;
  std::unique_ptr<TBitmap> bitmap_;
  std::unique_ptr<TBitmap> list_bitmap_;
  std::unique_ptr<TQRXGradient> gradient_;
  TQRXTileMode tile_mode_ = TQRXTileMode::tmTile;
};

class TQRXFillObject : public TQRXShapeFill {
 public:
  TQRXFillObject();
  ~TQRXFillObject() override;

  TBrush& Brush() { return *brush_; }
  const TBrush& Brush() const { return *brush_; }
  void SetBrush(const TBrush& v) { brush_->Assign(v); }
  TQRXAlignment Alignment() const { return alignment_; }
  void SetAlignment(TQRXAlignment v);
  int OffsetX() const { return offset_x_; }
  void SetOffsetX(int v);
  int OffsetY() const { return offset_y_; }
  void SetOffsetY(int v);
  TQRXFillOptions Options() const { return options_; }
  void SetOptions(TQRXFillOptions v);

  // The fill inside a clip of rect (offset: the owner's position, x low and
  // y high 16 bits; our canvases clip in their own coordinates, see
  // QRXDraw.h). False when nothing was painted.
  bool FillRect(TCanvas& canvas, const TRect& rect, std::uint32_t offset, TColor backColor);
  // The fill without clipping.
  bool DoFill(TCanvas& canvas, const TRect& rect, TColor backColor);
  // Whether the background shows through the fill.
  bool IsTransparent() const;

  void Assign(const TQRXObject* source) override;
  const char* ClassName() const override { return "TQRXFillObject"; }

 private:
  bool ShowsPlacement() const;
  void FillInner(TCanvas& canvas, const TRect& rect, TColor backColor) const;

  std::unique_ptr<TBrush> brush_;
  TQRXAlignment alignment_ = TQRXAlignment::agTopLeft;
  int offset_x_ = 0;
  int offset_y_ = 0;
  TQRXFillOptions options_{TQRXFillOption::foFillInner, TQRXFillOption::foGrUseBitmap};
};

// A picture blended with a fill: Strength 1 keeps the picture, 0 gives the
// fill; a fill of style sfNone switches the blend off.
class TQRXAlphaObject : public TQRXObject {
 public:
  TQRXAlphaObject();
  ~TQRXAlphaObject() override;

  float Strength() const { return strength_; }
  void SetStrength(float v);
  TQRXFillObject& FillObject() { return *fill_; }
  const TQRXFillObject& FillObject() const { return *fill_; }
  void SetFillObject(const TQRXFillObject& v) { fill_->Assign(&v); }

  // Blends `bitmap` (made 24-bit) with the fill in place.
  void Apply(TBitmap& bitmap);

  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRXAlphaObject"; }

 private:
  float strength_ = 0.6f;
  std::unique_ptr<TQRXFillObject> fill_;
};

class TQRXBitmapEffectObject : public TQRXObject {
 public:
  TQRXBitmapEffectObject();
  ~TQRXBitmapEffectObject() override;

  TQRXAlphaObject& AlphaBlend() { return *alpha_; }
  void SetAlphaBlend(const TQRXAlphaObject& v) { alpha_->Assign(&v); }
  // Left and right exchanged.
  bool FlipVertical() const { return flags_[0]; }
  void SetFlipVertical(bool v) { SetFlag(0, v); }
  // Top and bottom exchanged.
  bool FlipHorizontal() const { return flags_[1]; }
  void SetFlipHorizontal(bool v) { SetFlag(1, v); }
  bool GrayScale() const { return flags_[2]; }
  void SetGrayScale(bool v) { SetFlag(2, v); }
  bool Invert() const { return flags_[3]; }
  void SetInvert(bool v) { SetFlag(3, v); }
  bool Buffered() const { return flags_[4]; }
  void SetBuffered(bool v) { SetFlag(4, v); }
  bool Monochrome() const { return flags_[5]; }
  void SetMonochrome(bool v) { SetFlag(5, v); }
  // -255..255.
  std::int16_t Brightness() const { return brightness_; }
  void SetBrightness(int v);

  // Processes `bitmap` in place (24-bit), or draws the buffer when it holds
  // the result of an earlier call with the same settings.
  void Apply(TBitmap& bitmap);
  void InvalidateBuffer() { buffer_valid_ = false; }
  bool BufferValid() const { return buffer_valid_; }

  void GetChange(TQRXObject* sender) override;
  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRXBitmapEffectObject"; }

 private:
  void SetFlag(int index, bool v);

  std::unique_ptr<TQRXAlphaObject> alpha_;
  bool flags_[6] = {};
  std::int16_t brightness_ = 0;
  std::unique_ptr<TBitmap> buffer_;
  bool buffer_valid_ = false;
};

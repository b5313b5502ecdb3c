#pragma once
// The shape button: a graphic button whose face is one of the shapes of
// TQRXShape, drawn with a drop shadow (the face sinks into it when down) or
// with a 3D bevel, coloured per state or filled with a picture, and
// hit-tested by its outline rather than its rectangle. The start page's
// launcher buttons are these.

#include <QImage>
#include <cstdint>
#include <memory>

#include "effects/QRXButtons.h"
#include "effects/QRXFillObject.h"
#include "effects/QRXShape.h"
#include "effects/QRXShapeGeometry.h"

// The face colour of each button state in fast mode.
class TQRXShapeButtonColor : public TQRXObject {
 public:
  TColor Disabled() const { return colors_[0]; }
  void SetDisabled(TColor v) { SetColor(0, v); }
  TColor Down() const { return colors_[1]; }
  void SetDown(TColor v) { SetColor(1, v); }
  TColor MouseOver() const { return colors_[2]; }
  void SetMouseOver(TColor v) { SetColor(2, v); }
  TColor OptionSet() const { return colors_[3]; }
  void SetOptionSet(TColor v) { SetColor(3, v); }
  TColor Up() const { return colors_[4]; }
  void SetUp(TColor v) { SetColor(4, v); }
  // Index 0..4 in the order above.
  void SetColor(int index, TColor v);
  // The colour a button state shows.
  TColor ForState(int state) const;

  void Assign(const TQRXObject* source) override;
  const char* ClassName() const override { return "TQRXShapeButtonColor"; }

 private:
  TColor colors_[5] = {clBtnFace, clBtnFace, clBtnFace, clBtnFace, clBtnFace};
};

enum class TQRXShapeButtonMode : std::uint8_t { sbmShapeFast, sbmShapeFill };
enum class TQRXShapeButtonStyle : std::uint8_t { sbsShadow, sbs3D };

class TQRXCustomShapeButton : public TQRXBaseGraphicButton {
 public:
  explicit TQRXCustomShapeButton(TComponent* owner = nullptr);
  ~TQRXCustomShapeButton() override;

  TQRXShape& Shape() { return *shape_; }
  const TQRXShape& Shape() const { return *shape_; }
  void SetShape(const TQRXShape& v);
  TQRXShapeButtonColor& Colors() { return *colors_; }
  void SetColors(const TQRXShapeButtonColor& v) { colors_->Assign(&v); }
  TQRXShapeFill& ShapeFill() { return *shape_fill_; }
  void SetShapeFill(const TQRXShapeFill& v) { shape_fill_->Assign(&v); }
  TQRXCustomImageList* ShapeFillImageList() const { return fill_list_; }
  void SetShapeFillImageList(TQRXCustomImageList* list);
  int ShapeFillImageIndex() const { return fill_image_index_; }
  // Negative values are ignored.
  void SetShapeFillImageIndex(int v) { SetFillIndex(0, v); }
  int ShapeFillListIndex() const { return fill_list_index_; }
  void SetShapeFillListIndex(int v) { SetFillIndex(1, v); }
  TQRXShapeButtonStyle Style() const { return style_; }
  void SetStyle(TQRXShapeButtonStyle v);
  TQRXShapeButtonMode Mode() const { return mode_; }
  void SetMode(TQRXShapeButtonMode v);

  // The outline for the current size, built once per change.
  const TQRXPointList& Outline() const { return outline_; }
  // The fill picture at the client size (fill mode only).
  const TBitmap& FillCache() const { return *fill_cache_; }
  // Where glyph and caption go in the current state.
  TRect ContentRect() const;

  void GetChange(TQRXObject* sender) override { UpdateShape(sender); }
  void UpdateShape(TQRXObject* sender);
  void ShapeFillListChanged(TComponent* sender);
  bool HasMouseOverLook() const override;
  bool PointInButton(int x, int y) const override;
  TQRXPaletteHandle GetPalette() const { return shape_fill_->GetPalette(); }
  // Form-file data: "InternalBtn" (a library-wide fill list) and the older
  // "CaptionClip", read and dropped.
  void DefineProperties(TQRXFiler& filer);

 protected:
  void Paint() override;
  void BoundsChanged(TQRXBoundsChange change) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void SetFillIndex(int which, int v);
  void RebuildOutline();
  void PaintFast(TCanvas& canvas);
  void PaintFill(TCanvas& canvas);
  // The shadow and bevel DrawShape gets in the current state; the
  // temporaries live in the holders.
  const TQRXShadow* StateShadow(std::unique_ptr<TQRXShadow>& holder) const;
  const TQRXSimpleBevel* StateBevel(std::unique_ptr<TQRXSimpleBevel>& holder) const;

  // The shape as DrawShape paints it in fast mode, for the up and the down
  // look, with the face colour it was painted in; transparent around it.
  // Dropped whenever the outline or a property behind it changes.
  struct FaceLook {
    QImage image;
    TColor face = clNone;
  };
  FaceLook face_looks_[2];

  std::unique_ptr<TQRXShape> shape_;
  std::unique_ptr<TQRXShapeButtonColor> colors_;
  std::unique_ptr<TBitmap> fill_cache_;
  std::unique_ptr<TQRXShapeFill> shape_fill_;
  TQRXCustomImageList* fill_list_ = nullptr;
  int fill_image_index_ = 0;
  int fill_list_index_ = 0;
  TQRXChangeLink fill_link_;
  TQRXShapeButtonStyle style_ = TQRXShapeButtonStyle::sbsShadow;
  TQRXShapeButtonMode mode_ = TQRXShapeButtonMode::sbmShapeFast;
  TQRXPointList outline_;
  bool constructed_ = false;
};

class TQRXShapeButton : public TQRXCustomShapeButton {
 public:
  using TQRXCustomShapeButton::TQRXCustomShapeButton;
};

#pragma once
// What a shape looks like: its outline type, corner size and squareness,
// the bevel lines along its edge, its drop shadow and its face brush. The
// geometry and painting are in QRXShapeGeometry.

#include <cstdint>
#include <memory>
#include <string>

#include "effects/QRXBase.h"
#include "effects/QRXConst.h"
#include "platform/gui/Graphics.h"

enum class TQRXShapeType : std::uint8_t {
  stEllipse,
  stRectangle,
  stRoundRect,
  stDirectUp,
  stDirectRight,
  stDirectDown,
  stDirectLeft,
  stDiamond,
  stComb,
  stOctagon,
  stStar
};

enum class TQRXSimpleBevelStyle : std::uint8_t { sbNormal, sbInset, sbOffset };

class TQRXSimpleBevel : public TQRXObject {
 public:
  // 0..50.
  TQRXBevelWidth Width() const { return width_; }
  void SetWidth(int v);
  TQRXSimpleBevelStyle Style() const { return style_; }
  void SetStyle(TQRXSimpleBevelStyle v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TColor LightColor() const { return light_color_; }
  void SetLightColor(TColor v);
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor v);

  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRXSimpleBevel"; }

 private:
  TQRXBevelWidth width_ = 2;
  TQRXSimpleBevelStyle style_ = TQRXSimpleBevelStyle::sbNormal;
  TColor color_ = clBlack;
  TColor light_color_ = clBtnHighlight;
  TColor shadow_color_ = clBtnShadow;
};

class TQRXShadow : public TQRXObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  // 0..40.
  TQRXShadowDepth Depth() const { return depth_; }
  void SetDepth(int v);
  TQRXShadowStyle Style() const { return style_; }
  void SetStyle(TQRXShadowStyle v);

  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRXShadow"; }

 private:
  TColor color_ = clBtnShadow;
  TQRXShadowDepth depth_ = 6;
  TQRXShadowStyle style_ = TQRXShadowStyle::hssSolid;
};

class TQRXShape : public TQRXObject {
 public:
  TQRXShape();
  ~TQRXShape() override;

  TQRXShapeType Shape() const { return shape_; }
  void SetShape(TQRXShapeType v);
  // 0..100: the corner size of the round rectangle, in percent of the
  // shorter side.
  TQRXPercent RoundPercent() const { return round_percent_; }
  void SetRoundPercent(int v);
  bool Square() const { return square_; }
  void SetSquare(bool v);
  TQRXSimpleBevel& Bevel() { return *bevel_; }
  const TQRXSimpleBevel& Bevel() const { return *bevel_; }
  void SetBevel(const TQRXSimpleBevel& v) { bevel_->Assign(&v); }
  TQRXShadow& Shadow() { return *shadow_; }
  const TQRXShadow& Shadow() const { return *shadow_; }
  void SetShadow(const TQRXShadow& v) { shadow_->Assign(&v); }
  TBrush& Brush() { return *brush_; }
  const TBrush& Brush() const { return *brush_; }
  void SetBrush(const TBrush& v) { brush_->Assign(v); }

  const char* ClassName() const override { return "TQRXShape"; }

 private:
  TQRXShapeType shape_ = TQRXShapeType::stRectangle;
  TQRXPercent round_percent_ = 33;
  bool square_ = false;
  std::unique_ptr<TQRXSimpleBevel> bevel_;
  std::unique_ptr<TQRXShadow> shadow_;
  std::unique_ptr<TBrush> brush_;
};

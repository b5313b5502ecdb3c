#pragma once
// The text and gradient property objects: where a caption sits beside a
// glyph (and a button's drop-down arrow), three-dimensional and rotated
// text, and the gradient (a colour table rebuilt from its properties, an
// optional palette and a style). All follow TQRXObject's change protocol.
// Values outside a property's range are refused with EQRXRangeError and
// leave the property as it was.

#include <string>

#include "effects/QRXBase.h"
#include "effects/QRXConst.h"
#include "effects/QRXDraw.h"
#include "platform/core/Exceptions.h"
#include "platform/gui/Color.h"

class TCanvas;

// A property value outside its range.
class EQRXRangeError : public Exception {
  using Exception::Exception;
};

// Raises EQRXRangeError unless low <= value <= high.
void CheckQRXRange(long long value, long long low, long long high, const char* property);

class TQRXGlyphTextLayout : public TQRXObject {
 public:
  TQRXGlyphTextLayout() = default;

  TQRXAlignment Alignment() const { return alignment_; }
  void SetAlignment(TQRXAlignment v);
  TQRXTextArrange AlignText2Glyph() const { return align_text_; }
  void SetAlignText2Glyph(TQRXTextArrange v);
  int OffsetX() const { return offset_x_; }
  void SetOffsetX(int v) { SetOffset(0, v); }
  int OffsetY() const { return offset_y_; }
  void SetOffsetY(int v) { SetOffset(1, v); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);

  void Assign(const TQRXObject* source) override;
  const char* ClassName() const override { return "TQRXGlyphTextLayout"; }

 protected:
  explicit TQRXGlyphTextLayout(TQRXAlignment alignment) : alignment_(alignment) {}
  void SetOffset(int index, int v);

 private:
  TQRXAlignment alignment_ = TQRXAlignment::agTopLeft;
  TQRXTextArrange align_text_ = TQRXTextArrange::taRight;
  int offset_x_ = 0;
  int offset_y_ = 0;
  int spacing_ = 2;
};

class TQRXButtonLayout : public TQRXGlyphTextLayout {
 public:
  TQRXButtonLayout() : TQRXGlyphTextLayout(TQRXAlignment::agCenter) {}

  bool Arrow() const { return arrow_; }
  void SetArrow(bool v);
  TColor ArrowColor() const { return arrow_color_; }
  void SetArrowColor(TColor v);
  int ArrowIndent() const { return arrow_indent_; }
  void SetArrowIndent(int v);
  TQRXArrowPosition ArrowPosition() const { return arrow_position_; }
  void SetArrowPosition(TQRXArrowPosition v);
  // 2..10.
  TQRXDDArrowSize ArrowSize() const { return arrow_size_; }
  void SetArrowSize(int v);

  void Assign(const TQRXObject* source) override;
  const char* ClassName() const override { return "TQRXButtonLayout"; }

 private:
  bool arrow_ = false;
  TColor arrow_color_ = clBlack;
  int arrow_indent_ = 3;
  TQRXArrowPosition arrow_position_ = TQRXArrowPosition::apRightText;
  TQRXDDArrowSize arrow_size_ = 3;
};

class TQRX3DCaption : public TQRXObject {
 public:
  TQRXDisabledStyle DisabledStyle() const { return disabled_style_; }
  void SetDisabledStyle(TQRXDisabledStyle v);
  std::uint8_t LightDepth() const { return light_depth_; }
  void SetLightDepth(int v) { SetDepth(0, v); }
  std::uint8_t ShadowDepth() const { return shadow_depth_; }
  void SetShadowDepth(int v) { SetDepth(1, v); }
  TColor LightColor() const { return light_color_; }
  void SetLightColor(TColor v) { SetColor(0, v); }
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor v) { SetColor(1, v); }
  TQRXThreeDStyle Style() const { return style_; }
  void SetStyle(TQRXThreeDStyle v);
  TQRXThreeDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TQRXThreeDOrientation v);
  // Extra pixels between characters.
  int Tracing() const { return tracing_; }
  void SetTracing(int v);

  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRX3DCaption"; }

 protected:
  void SetDepth(int index, int v);
  void SetColor(int index, TColor v);

 private:
  TQRXDisabledStyle disabled_style_ = TQRXDisabledStyle::dsAuto;
  std::uint8_t light_depth_ = 1;
  std::uint8_t shadow_depth_ = 1;
  TColor light_color_ = clBtnHighlight;
  TColor shadow_color_ = clBtnShadow;
  TQRXThreeDStyle style_ = TQRXThreeDStyle::tdNone;
  TQRXThreeDOrientation orientation_ = TQRXThreeDOrientation::toTopLeft;
  int tracing_ = 0;
};

class TQRXFxCaption : public TQRX3DCaption {
 public:
  // 0..360; 360 is kept as 0.
  TQRXAngle Angle() const { return angle_; }
  void SetAngle(int v);
  // Where rotated text starts inside its rectangle (set by measuring).
  std::uint16_t PosX() const { return pos_x_; }
  void SetPosX(int v) { SetPosIndexed(0, v); }
  std::uint16_t PosY() const { return pos_y_; }
  void SetPosY(int v) { SetPosIndexed(1, v); }
  // Both positions at once, without a notification: positions computed
  // while painting must not ask for another paint.
  void SetPos(int x, int y);

  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  const char* ClassName() const override { return "TQRXFxCaption"; }

 private:
  void SetPosIndexed(int index, int v);

  TQRXAngle angle_ = 0;
  std::uint16_t pos_x_ = 0;
  std::uint16_t pos_y_ = 0;
};

class TQRXGradient : public TQRXObject {
 public:
  TQRXGradient();

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TColor EndColor() const { return end_color_; }
  void SetEndColor(TColor v);
  // 2..236.
  TQRXColorCount ColorCount() const { return color_count_; }
  void SetColorCount(int v);
  TQRXGradientStyle Style() const { return style_; }
  void SetStyle(TQRXGradientStyle v);
  bool PaletteRealize() const { return palette_realize_; }
  void SetPaletteRealize(bool v);
  bool TwoColors() const { return two_colors_; }
  void SetTwoColors(bool v);

  // The colours used when TwoColors is False ("ColorList" in form files).
  // Change the list through SetColorList, or call Change after editing it.
  const TQRXColorList& ColorList() const { return color_list_; }
  void SetColorList(const TQRXColorList& colors);
  // The bands, rebuilt before every notification.
  const TQRXColorList& ColorTable() const { return table_; }
  const TQRXPaletteHandle& Palette() const { return palette_; }

  void PaintGradient(TCanvas& canvas, const TRect& rect) const;
  // Palettes change no pixel on our true-colour surfaces.
  void RealizePalette(TCanvas& canvas) const { (void)canvas; }

  void Change() override;
  void Assign(const TQRXObject* source) override;
  std::string GetSummary() const override;
  void DefineProperties(TQRXFiler& filer) override;
  const char* ClassName() const override { return "TQRXGradient"; }

 private:
  void BuildTable();

  TColor color_ = clBlue;
  TColor end_color_ = clBlack;
  TQRXColorCount color_count_ = 16;
  TQRXGradientStyle style_ = TQRXGradientStyle::gstVertical;
  bool palette_realize_ = false;
  bool two_colors_ = true;
  TQRXColorList color_list_;
  TQRXColorList table_;
  TQRXPaletteHandle palette_;
};

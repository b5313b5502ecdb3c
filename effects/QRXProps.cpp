#include "effects/QRXProps.h"

#include <algorithm>
#include <array>

#include "platform/core/Streams.h"

void CheckQRXRange(long long value, long long low, long long high, const char* property) {
  if (value < low || value > high)
    throw EQRXRangeError(std::string(property) + ": " + std::to_string(value) + " is not within " +
                         std::to_string(low) + ".." + std::to_string(high));
}

namespace {

template <class T, class V>
bool Store(T& field, V value) {
  if (field == T(value)) return false;
  field = T(value);
  return true;
}

}  // namespace

// --- TQRXGlyphTextLayout ---

void TQRXGlyphTextLayout::SetAlignment(TQRXAlignment v) {
  if (Store(alignment_, v)) Change();
}

void TQRXGlyphTextLayout::SetAlignText2Glyph(TQRXTextArrange v) {
  if (Store(align_text_, v)) Change();
}

void TQRXGlyphTextLayout::SetOffset(int index, int v) {
  if (Store(index == 0 ? offset_x_ : offset_y_, v)) Change();
}

void TQRXGlyphTextLayout::SetSpacing(int v) {
  if (Store(spacing_, v)) Change();
}

void TQRXGlyphTextLayout::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXGlyphTextLayout*>(source);
  if (!other) return TQRXObject::Assign(source);
  alignment_ = other->alignment_;
  align_text_ = other->align_text_;
  offset_x_ = other->offset_x_;
  offset_y_ = other->offset_y_;
  spacing_ = other->spacing_;
  Change();
}

// --- TQRXButtonLayout ---

void TQRXButtonLayout::SetArrow(bool v) {
  if (Store(arrow_, v)) Change();
}

void TQRXButtonLayout::SetArrowColor(TColor v) {
  if (Store(arrow_color_, v)) Change();
}

void TQRXButtonLayout::SetArrowIndent(int v) {
  if (Store(arrow_indent_, v)) Change();
}

void TQRXButtonLayout::SetArrowPosition(TQRXArrowPosition v) {
  if (Store(arrow_position_, v)) Change();
}

void TQRXButtonLayout::SetArrowSize(int v) {
  CheckQRXRange(v, kQRXDDArrowSizeRange.low, kQRXDDArrowSizeRange.high, "ArrowSize");
  if (Store(arrow_size_, v)) Change();
}

void TQRXButtonLayout::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXGlyphTextLayout*>(source);
  if (!other) return TQRXObject::Assign(source);
  BeginUpdate();
  SetAlignment(other->Alignment());
  SetAlignText2Glyph(other->AlignText2Glyph());
  SetOffsetX(other->OffsetX());
  SetOffsetY(other->OffsetY());
  SetSpacing(other->Spacing());
  if (const auto* button = dynamic_cast<const TQRXButtonLayout*>(source)) {
    arrow_ = button->arrow_;
    arrow_color_ = button->arrow_color_;
    arrow_indent_ = button->arrow_indent_;
    arrow_position_ = button->arrow_position_;
    arrow_size_ = button->arrow_size_;
  }
  EndUpdate(true);
}

// --- TQRX3DCaption ---

void TQRX3DCaption::SetDisabledStyle(TQRXDisabledStyle v) {
  if (Store(disabled_style_, v)) Change();
}

void TQRX3DCaption::SetDepth(int index, int v) {
  CheckQRXRange(v, 0, 255, index == 0 ? "LightDepth" : "ShadowDepth");
  if (Store(index == 0 ? light_depth_ : shadow_depth_, v)) Change();
}

void TQRX3DCaption::SetColor(int index, TColor v) {
  if (Store(index == 0 ? light_color_ : shadow_color_, v)) Change();
}

void TQRX3DCaption::SetStyle(TQRXThreeDStyle v) {
  if (Store(style_, v)) Change();
}

void TQRX3DCaption::SetOrientation(TQRXThreeDOrientation v) {
  if (Store(orientation_, v)) Change();
}

void TQRX3DCaption::SetTracing(int v) {
  if (Store(tracing_, v)) Change();
}

void TQRX3DCaption::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRX3DCaption*>(source);
  if (!other) return TQRXObject::Assign(source);
  disabled_style_ = other->disabled_style_;
  light_depth_ = other->light_depth_;
  shadow_depth_ = other->shadow_depth_;
  light_color_ = other->light_color_;
  shadow_color_ = other->shadow_color_;
  style_ = other->style_;
  tracing_ = other->tracing_;
  Change();
}

std::string TQRX3DCaption::GetSummary() const {
  static constexpr std::array<const char*, 11> kNames{
      "Disabled", "sunken", "raised",  "sunken shadow", "raised shadow", "PColor sunken",
      "",         "shadow", "outline", "extrude",       "extrude enh"};
  return std::string("{") + kNames[std::size_t(style_)] + "}";
}

// --- TQRXFxCaption ---

void TQRXFxCaption::SetAngle(int v) {
  CheckQRXRange(v, kQRXAngleRange.low, kQRXAngleRange.high, "Angle");
  if (v == 360) v = 0;
  if (Store(angle_, v)) Change();
}

void TQRXFxCaption::SetPosIndexed(int index, int v) {
  CheckQRXRange(v, 0, 65535, index == 0 ? "PosX" : "PosY");
  if (Store(index == 0 ? pos_x_ : pos_y_, v)) Change();
}

void TQRXFxCaption::SetPos(int x, int y) {
  const bool wasLocked = Updating();
  BeginUpdate();
  pos_x_ = std::uint16_t(std::clamp(x, 0, 65535));
  pos_y_ = std::uint16_t(std::clamp(y, 0, 65535));
  if (!wasLocked) EndUpdate(false);
}

void TQRXFxCaption::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXFxCaption*>(source);
  if (!other) return TQRX3DCaption::Assign(source);
  BeginUpdate();
  TQRX3DCaption::Assign(source);
  angle_ = other->angle_;
  pos_x_ = other->pos_x_;
  pos_y_ = other->pos_y_;
  EndUpdate(true);
}

std::string TQRXFxCaption::GetSummary() const {
  std::string text = TQRX3DCaption::GetSummary();
  if (angle_ == 0) return text;
  if (text == "{Disabled}")
    text = "{";
  else
    text.back() = ',';
  return text + " rot: " + std::to_string(angle_) + "\xC2\xB0}";
}

// --- TQRXGradient ---

TQRXGradient::TQRXGradient() { BuildTable(); }

void TQRXGradient::BuildTable() {
  palette_.reset();
  table_.clear();
  if (two_colors_) {
    CalcGradientColors(color_, end_color_, color_count_, &table_, true);
  } else if (color_list_.size() >= 2) {
    const int n = int(color_list_.size());
    const int k = color_count_ / n;
    CalcGradientColors(color_list_[0], color_list_[1], k, &table_, true);
    for (int i = 1; i <= n - 2; ++i)
      CalcGradientColors(color_list_[std::size_t(i)], color_list_[std::size_t(i + 1)], k, &table_, false);
  }
  if (palette_realize_) palette_ = CreateGradientPalette(&table_);
}

void TQRXGradient::Change() {
  BuildTable();
  TQRXObject::Change();
}

void TQRXGradient::SetColor(TColor v) {
  if (Store(color_, v)) Change();
}

void TQRXGradient::SetEndColor(TColor v) {
  if (Store(end_color_, v)) Change();
}

void TQRXGradient::SetColorCount(int v) {
  CheckQRXRange(v, kQRXColorCountRange.low, kQRXColorCountRange.high, "ColorCount");
  if (Store(color_count_, v)) Change();
}

void TQRXGradient::SetStyle(TQRXGradientStyle v) {
  if (Store(style_, v)) Change();
}

void TQRXGradient::SetPaletteRealize(bool v) {
  if (Store(palette_realize_, v)) Change();
}

void TQRXGradient::SetTwoColors(bool v) {
  if (Store(two_colors_, v)) Change();
}

void TQRXGradient::SetColorList(const TQRXColorList& colors) {
  if (color_list_ == colors) return;
  color_list_ = colors;
  Change();
}

void TQRXGradient::PaintGradient(TCanvas& canvas, const TRect& rect) const {
  DrawGradient(canvas, rect, style_, &table_, palette_, palette_realize_ ? kQRXDrawPalette : 0, 0);
}

void TQRXGradient::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXGradient*>(source);
  if (!other) return TQRXObject::Assign(source);
  BeginUpdate();
  color_ = other->color_;
  end_color_ = other->end_color_;
  color_count_ = other->color_count_;
  style_ = other->style_;
  palette_realize_ = other->palette_realize_;
  two_colors_ = other->two_colors_;
  color_list_ = other->color_list_;
  EndUpdate(true);
}

std::string TQRXGradient::GetSummary() const {
  static constexpr std::array<const char*, 10> kNames{
      "horizontal", "vertical",    "square",       "elliptic",      "top left",
      "top right",  "bottom left", "bottom right", "top left diag", "top right diag"};
  return std::string(kNames[std::size_t(style_)]) + ", Col: " + std::to_string(color_count_) +
         (two_colors_ ? ", 2 col mode" : ", mult. col mode");
}

void TQRXGradient::DefineProperties(TQRXFiler& filer) {
  // The list as 32-bit little-endian integers; reading appends to what is
  // there, as a form reader does.
  filer.DefineBinaryProperty(
      "ColorList",
      [this](TStream& stream) {
        BeginUpdate();
        std::uint8_t bytes[4];
        while (stream.Read(bytes, 4) == 4)
          color_list_.push_back(TColor(std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
                                       (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24)));
        EndUpdate(true);
      },
      [this](TStream& stream) {
        for (TColor c : color_list_) {
          const auto u = std::uint32_t(c);
          const std::uint8_t bytes[4] = {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16),
                                         std::uint8_t(u >> 24)};
          stream.WriteBuffer(bytes, 4);
        }
      },
      !color_list_.empty());
}

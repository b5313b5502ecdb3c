#include "effects/QRXShape.h"

#include "effects/QRXProps.h"

namespace {

template <class T, class V>
bool Store(T& field, V value) {
  if (field == T(value)) return false;
  field = T(value);
  return true;
}

}  // namespace

// --- TQRXSimpleBevel ---

void TQRXSimpleBevel::SetWidth(int v) {
  CheckQRXRange(v, kQRXBevelWidthRange.low, kQRXBevelWidthRange.high, "Width");
  if (Store(width_, v)) Change();
}

void TQRXSimpleBevel::SetStyle(TQRXSimpleBevelStyle v) {
  if (Store(style_, v)) Change();
}

void TQRXSimpleBevel::SetColor(TColor v) {
  if (Store(color_, v)) Change();
}

void TQRXSimpleBevel::SetLightColor(TColor v) {
  if (Store(light_color_, v)) Change();
}

void TQRXSimpleBevel::SetShadowColor(TColor v) {
  if (Store(shadow_color_, v)) Change();
}

void TQRXSimpleBevel::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXSimpleBevel*>(source);
  if (!other) return TQRXObject::Assign(source);
  BeginUpdate();
  width_ = other->width_;
  style_ = other->style_;
  color_ = other->color_;
  light_color_ = other->light_color_;
  shadow_color_ = other->shadow_color_;
  EndUpdate(true);
}

std::string TQRXSimpleBevel::GetSummary() const {
  static constexpr const char* kNames[] = {"Normal", "Inset", "Offset"};
  return std::string("{") + kNames[std::size_t(style_)] + "}";
}

// --- TQRXShadow ---

void TQRXShadow::SetColor(TColor v) {
  if (Store(color_, v)) Change();
}

void TQRXShadow::SetDepth(int v) {
  CheckQRXRange(v, kQRXShadowDepthRange.low, kQRXShadowDepthRange.high, "Depth");
  if (Store(depth_, v)) Change();
}

void TQRXShadow::SetStyle(TQRXShadowStyle v) {
  if (Store(style_, v)) Change();
}

void TQRXShadow::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXShadow*>(source);
  if (!other) return TQRXObject::Assign(source);
  BeginUpdate();
  color_ = other->color_;
  depth_ = other->depth_;
  style_ = other->style_;
  EndUpdate(true);
}

std::string TQRXShadow::GetSummary() const {
  if (style_ == TQRXShadowStyle::hssNone) return "{Disabled}";
  return std::string("{") + (style_ == TQRXShadowStyle::hssSolid ? "solid" : "tracing") + ", " +
         std::to_string(depth_) + "}";
}

// --- TQRXShape ---

TQRXShape::TQRXShape()
    : bevel_(std::make_unique<TQRXSimpleBevel>()),
      shadow_(std::make_unique<TQRXShadow>()),
      brush_(std::make_unique<TBrush>()) {
  bevel_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
  shadow_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
  brush_->OnChange = [this](TGraphicsObject*) { GetChange(this); };
}

TQRXShape::~TQRXShape() {
  bevel_->OnChange = nullptr;
  shadow_->OnChange = nullptr;
  brush_->OnChange = nullptr;
}

void TQRXShape::SetShape(TQRXShapeType v) {
  if (Store(shape_, v)) Change();
}

void TQRXShape::SetRoundPercent(int v) {
  CheckQRXRange(v, kQRXPercentRange.low, kQRXPercentRange.high, "RoundPercent");
  if (Store(round_percent_, v)) Change();
}

void TQRXShape::SetSquare(bool v) {
  if (Store(square_, v)) Change();
}

#include "skin/se_formoptions.h"

#include <algorithm>

// ---- TSeBlending ----

void TSeBlending::Assign(const TSeBlending& source) {
  enabled_ = source.enabled_;
  value_ = source.value_;
  animate_ = source.animate_;
  Changed();
}

void TSeBlending::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Changed();
}

void TSeBlending::SetValue(int value) {
  if (value == value_) return;
  value_ = std::clamp(value, 0, 255);
  Changed();
}

void TSeBlending::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TSeShadow ----

void TSeShadow::Assign(const TSeShadow& source) {
  enabled_ = source.enabled_;
  size_ = source.size_;
  Changed();
}

void TSeShadow::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Changed();
}

void TSeShadow::SetSize(int value) {
  if (value == size_) return;
  size_ = std::min(value, 20);
  if (value <= 0) enabled_ = false;
  Changed();
}

void TSeShadow::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TSeGravitation, TSeDragging, TSeAnimation ----

void TSeGravitation::Assign(const TSeGravitation& source) {
  enabled_ = source.enabled_;
  size_ = source.size_;
  edges_ = source.edges_;
}

void TSeGravitation::SetSize(int value) {
  if (value == size_) return;
  size_ = std::clamp(value, 1, 50);
}

void TSeDragging::Assign(const TSeDragging& source) {
  sizeable_ = source.sizeable_;
  moveable_ = source.moveable_;
  drag_mode_ = source.drag_mode_;
}

void TSeAnimation::Assign(const TSeAnimation& source) {
  enabled_ = source.enabled_;
  time_ = source.time_;
  resolution_ = source.resolution_;
  tile_count_ = source.tile_count_;
  effect_ = source.effect_;
  direction_ = source.direction_;
}

void TSeAnimation::SetTime(int value) {
  if (value == time_) return;
  time_ = std::clamp(value, 50, 9000);
}

void TSeAnimation::SetResolution(int value) {
  if (value == resolution_) return;
  resolution_ = std::clamp(value, 1, 10);
}

void TSeAnimation::SetTileCount(int value) {
  if (value == tile_count_) return;
  tile_count_ = std::clamp(value, 1, 20);
}

// ---- TSePopupMenuOptions ----

TSePopupMenuOptions::TSePopupMenuOptions()
    : blending_(std::make_unique<TSeBlending>()),
      shadow_(std::make_unique<TSeShadow>()),
      animation_(std::make_unique<TSeAnimation>()) {}

TSePopupMenuOptions::~TSePopupMenuOptions() = default;

void TSePopupMenuOptions::Assign(const TSePopupMenuOptions& source) {
  blending_->Assign(*source.blending_);
  shadow_->Assign(*source.shadow_);
  animation_->Assign(*source.animation_);
  Changed();
}

void TSePopupMenuOptions::SetBlending(const TSeBlending& value) {
  blending_->Assign(value);
  Changed();
}

void TSePopupMenuOptions::SetShadow(const TSeShadow& value) {
  shadow_->Assign(value);
  Changed();
}

void TSePopupMenuOptions::SetAnimation(const TSeAnimation& value) {
  animation_->Assign(value);
  Changed();
}

void TSePopupMenuOptions::Changed() {
  if (OnChange) OnChange(this);
}

#include "platform/gui/TrackBar.h"

#include <QSlider>
#include <algorithm>

TTrackBar::TTrackBar(TComponent* owner) : TWidgetHost(owner), slider_(new QSlider(Qt::Horizontal)) {
  slider_->setTickPosition(QSlider::TicksBelow);
  SetInner(slider_);
  SetBounds(0, 0, 150, 45);
  Apply();
  QObject::connect(slider_, &QSlider::valueChanged, this, [this](int value) {
    if (!syncing_) SetPosition(value);
  });
}

void TTrackBar::Apply() {
  syncing_ = true;
  slider_->setRange(min_, std::max(min_, max_));
  slider_->setTickInterval(frequency_);
  slider_->setValue(position_);
  syncing_ = false;
}

void TTrackBar::SetMin(int min) {
  if (min == min_) return;
  min_ = min;
  Apply();
  SetPosition(position_);
}

void TTrackBar::SetMax(int max) {
  if (max == max_) return;
  max_ = max;
  Apply();
  SetPosition(position_);
}

void TTrackBar::SetPosition(int position) {
  position = std::clamp(position, min_, std::max(min_, max_));
  if (position == position_) return;
  position_ = position;
  Apply();
  if (OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int frequency) {
  frequency_ = std::max(frequency, 1);
  Apply();
}

void TTrackBar::SetOrientation(TTrackBarOrientation orientation) {
  orientation_ = orientation;
  slider_->setOrientation(orientation == trVertical ? Qt::Vertical : Qt::Horizontal);
}

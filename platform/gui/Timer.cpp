#include "platform/gui/Timer.h"

#include <QObject>

#include "platform/gui/Application.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (OnTimer) CallGuarded(this, [&] { OnTimer(this); });
  });
  Update();
}

TTimer::~TTimer() { timer_.stop(); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(unsigned interval) {
  if (interval == interval_) return;
  interval_ = interval;
  Update();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  Update();
}

void TTimer::Update() {
  // Restarting on every change means a new interval counts from now.
  timer_.stop();
  if (enabled_ && interval_ > 0 && !Loading() && !Designing()) timer_.start(static_cast<int>(interval_));
}

#pragma once
// The timer component: OnTimer every Interval milliseconds while Enabled,
// on the main thread. An Interval of 0 stops it, as on the host.

#include <QTimer>
#include <functional>

#include "platform/gui/Component.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner = nullptr);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned interval);

  std::function<void(TTimer*)> OnTimer;

 protected:
  void Loaded() override;

 private:
  void Update();

  QTimer timer_;
  bool enabled_ = true;
  unsigned interval_ = 1000;
};

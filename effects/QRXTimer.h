#pragma once
// TQRXHiTimer: a timer component with a finer clock than the window timer,
// counted on the monotonic clock by a worker thread of its own.
//
// Two modes. With UseThread off the worker only keeps time: each period it
// posts a tick to the main thread, where OnTimer runs; a tick that comes
// while OnTimer still runs (a handler that pumps events) is dropped, and a
// tick is never queued twice. With UseThread on the worker sleeps Interval
// milliseconds between firings and runs OnTimer itself, or on the main
// thread while it waits when Synchronize is set (the default).
//
// Every change of a setting restarts the timer from scratch. The worker
// never touches the component after it is destroyed: the two share a small
// record, and the component takes the worker's run lock before it goes.

#include <cstdint>
#include <functional>
#include <memory>

#include "effects/QRXBase.h"

// No timer could be had.
class EOutOfResources : public Exception {
  using Exception::Exception;
};

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TQRXThreadedTimer;

class TQRXHiTimer : public TQRXCustomComponent {
 public:
  // The shortest and longest period the clock offers, in milliseconds.
  static constexpr unsigned kPeriodMin = 1;
  static constexpr unsigned kPeriodMax = 1000000;
  // The worker of thread mode counts its sleep in 16 bits.
  static constexpr unsigned kThreadIntervalMax = 65535;

  explicit TQRXHiTimer(TComponent* owner = nullptr, std::uint16_t interval = 1000);
  ~TQRXHiTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  unsigned Interval() const { return interval_; }
  // Clamped to [kPeriodMin, kPeriodMax].
  void SetInterval(unsigned value);
  bool Synchronize() const;
  void SetSynchronize(bool value);
  bool UseThread() const { return use_thread_; }
  void SetUseThread(bool value);
  TThreadPriority ThreadPriority() const { return priority_; }
  void SetThreadPriority(TThreadPriority value);
  // Assigning restarts the timer, as every setter does.
  void SetOnTimer(std::function<void(TComponent* sender)> handler);
  const std::function<void(TComponent* sender)>& OnTimer() const { return on_timer_; }

  // A worker runs (the timer is counting).
  bool Running() const { return worker_ != nullptr; }
  // Ticks dropped because OnTimer was still running.
  int DroppedTicks() const { return dropped_; }

 protected:
  virtual void DoTimer();
  void Loaded() override;

 private:
  friend class TQRXThreadedTimer;
  struct Shared;
  void UpdateTimer();
  void StopWorker();
  // A posted tick of the timekeeping mode reaches the main thread.
  void TimerMessage(std::uint64_t generation);

  std::shared_ptr<Shared> shared_;
  std::unique_ptr<TQRXThreadedTimer> worker_;
  std::function<void(TComponent* sender)> on_timer_;
  unsigned interval_ = 1000;
  bool enabled_ = false;
  bool use_thread_ = true;
  TThreadPriority priority_ = tpNormal;
  bool in_handler_ = false;
  int dropped_ = 0;
};

// The worker of one run of a TQRXHiTimer; stopped and replaced whenever the
// timer's settings change.
class TQRXThreadedTimer {
 public:
  TQRXThreadedTimer(std::shared_ptr<TQRXHiTimer::Shared> shared, std::uint64_t generation, unsigned interval,
                    bool threadMode, TThreadPriority priority);
  // Stops the worker and waits for it, unless called on the worker itself.
  ~TQRXThreadedTimer();
  TQRXThreadedTimer(const TQRXThreadedTimer&) = delete;
  TQRXThreadedTimer& operator=(const TQRXThreadedTimer&) = delete;

 private:
  struct Control;
  std::shared_ptr<Control> control_;
};

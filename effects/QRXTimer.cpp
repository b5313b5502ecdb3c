#include "effects/QRXTimer.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/core/Dispatcher.h"
#include "platform/gui/Application.h"

// What the component and its worker share. `owner` is read only while
// `alive` holds, under `run_mutex` on the worker or on the main thread.
struct TQRXHiTimer::Shared {
  std::mutex run_mutex;
  bool alive = true;
  TQRXHiTimer* owner = nullptr;
  std::atomic<std::uint64_t> generation{0};
  std::atomic<bool> enabled{false};
  std::atomic<bool> synchronize{true};
};

struct TQRXThreadedTimer::Control {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  // A posted tick has not reached the main thread yet.
  std::atomic<bool> tick_pending{false};
  std::thread thread;
};

namespace {

using SteadyClock = std::chrono::steady_clock;

// Lower priorities take a higher nice value; raising one needs privileges
// the program does not ask for, so those stay at the process's own.
void ApplyPriority(TThreadPriority priority) {
  int nice = 0;
  switch (priority) {
    case tpIdle:
      nice = 19;
      break;
    case tpLowest:
      nice = 10;
      break;
    case tpLower:
      nice = 5;
      break;
    default:
      return;
  }
  setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), nice);
}

void ReportOnMainThread(std::exception_ptr error) {
  TheDispatcher().Post([error] { Application().HandleException(nullptr, error); });
}

}  // namespace

TQRXThreadedTimer::TQRXThreadedTimer(std::shared_ptr<TQRXHiTimer::Shared> shared, std::uint64_t generation,
                                     unsigned interval, bool threadMode, TThreadPriority priority)
    : control_(std::make_shared<Control>()) {
  const auto period = std::chrono::milliseconds(interval);
  control_->thread = std::thread([control = control_, shared = std::move(shared), generation, period, threadMode,
                                  priority] {
    if (threadMode) ApplyPriority(priority);
    auto current = [&] { return shared->generation.load() == generation; };
    SteadyClock::time_point deadline = SteadyClock::now() + period;
    for (;;) {
      {
        std::unique_lock lock(control->mutex);
        if (control->wake.wait_until(lock, deadline, [&] { return control->stop; })) return;
      }
      if (!current()) return;
      if (!threadMode) {
        // Keeps a fixed rate: the next deadline counts from this one, not
        // from when the main thread got round to the tick.
        deadline += period;
        const auto now = SteadyClock::now();
        if (deadline < now) deadline = now + period;
        if (control->tick_pending.exchange(true)) continue;
        TheDispatcher().Post([control, shared, generation] {
          control->tick_pending = false;
          if (!shared->alive || shared->generation.load() != generation) return;
          shared->owner->TimerMessage(generation);
        });
        continue;
      }
      if (shared->enabled) {
        if (shared->synchronize) {
          // Runs on the main thread while this worker waits, but a stop
          // request ends the wait, so the owner can always join us.
          auto done = std::make_shared<bool>(false);
          TheDispatcher().Post([control, shared, generation, done] {
            if (shared->alive && shared->generation.load() == generation && !Application().Terminated()) {
              TQRXHiTimer* owner = shared->owner;
              CallGuarded(owner, [owner] { owner->DoTimer(); });
            }
            std::lock_guard lock(control->mutex);
            *done = true;
            control->wake.notify_all();
          });
          std::unique_lock lock(control->mutex);
          control->wake.wait(lock, [&] { return *done || control->stop; });
          if (control->stop) return;
        } else {
          std::lock_guard run(shared->run_mutex);
          if (!shared->alive || !current()) return;
          try {
            shared->owner->DoTimer();
          } catch (...) {
            ReportOnMainThread(std::current_exception());
          }
        }
      }
      // Sleeps the interval after each firing, so a slow handler stretches
      // the period instead of piling up firings.
      deadline = SteadyClock::now() + period;
    }
  });
}

TQRXThreadedTimer::~TQRXThreadedTimer() {
  {
    std::lock_guard lock(control_->mutex);
    control_->stop = true;
    control_->wake.notify_all();
  }
  if (control_->thread.get_id() == std::this_thread::get_id())
    control_->thread.detach();
  else
    control_->thread.join();
}

// ---- TQRXHiTimer ----

TQRXHiTimer::TQRXHiTimer(TComponent* owner, std::uint16_t interval)
    : TQRXCustomComponent(owner), shared_(std::make_shared<Shared>()) {
  shared_->owner = this;
  interval_ = std::clamp<unsigned>(interval, kPeriodMin, kPeriodMax);
}

TQRXHiTimer::~TQRXHiTimer() {
  on_timer_ = nullptr;
  {
    // A handler running on the worker finishes before the component goes.
    std::lock_guard run(shared_->run_mutex);
    shared_->alive = false;
    ++shared_->generation;
  }
  StopWorker();
  enabled_ = false;
}

bool TQRXHiTimer::Synchronize() const { return shared_->synchronize; }

void TQRXHiTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TQRXHiTimer::SetInterval(unsigned value) {
  if (value == interval_) return;
  interval_ = std::clamp(value, kPeriodMin, kPeriodMax);
  UpdateTimer();
}

void TQRXHiTimer::SetSynchronize(bool value) { shared_->synchronize = value; }

void TQRXHiTimer::SetUseThread(bool value) {
  if (value == use_thread_) return;
  use_thread_ = value;
  UpdateTimer();
}

void TQRXHiTimer::SetThreadPriority(TThreadPriority value) {
  if (value == priority_) return;
  priority_ = value;
  if (use_thread_) UpdateTimer();
}

void TQRXHiTimer::SetOnTimer(std::function<void(TComponent* sender)> handler) {
  on_timer_ = std::move(handler);
  UpdateTimer();
}

void TQRXHiTimer::DoTimer() {
  if (on_timer_) {
    const auto handler = on_timer_;
    handler(this);
  }
}

void TQRXHiTimer::Loaded() {
  TQRXCustomComponent::Loaded();
  UpdateTimer();
}

void TQRXHiTimer::StopWorker() {
  std::unique_ptr<TQRXThreadedTimer> worker = std::move(worker_);
  worker.reset();
}

void TQRXHiTimer::UpdateTimer() {
  if (Designing() || Loading()) return;
  // Ticks reach the main thread through the application's dispatcher.
  (void)Application();
  // The old worker's ticks and firings are void from here on.
  const std::uint64_t generation = ++shared_->generation;
  shared_->enabled = enabled_;
  StopWorker();
  if (Destroying() || !enabled_ || !on_timer_) return;
  if (use_thread_) {
    // Longer sleeps than the worker's 16-bit count are held at its maximum
    // rather than wrapped to a short one.
    const unsigned interval = std::min(interval_, kThreadIntervalMax);
    worker_ = std::make_unique<TQRXThreadedTimer>(shared_, generation, interval, true, priority_);
  } else {
    in_handler_ = false;
    worker_ = std::make_unique<TQRXThreadedTimer>(shared_, generation, interval_, false, priority_);
  }
}

void TQRXHiTimer::TimerMessage(std::uint64_t generation) {
  if (generation != shared_->generation.load()) return;
  if (in_handler_) {
    ++dropped_;
    return;
  }
  in_handler_ = true;
  // A handler that raises hands its exception on and later ticks still
  // fire; one that frees its own timer leaves nothing here to touch.
  const std::shared_ptr<Shared> shared = shared_;
  CallGuarded(this, [this] { DoTimer(); });
  if (shared->alive) in_handler_ = false;
}

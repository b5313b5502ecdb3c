#include "platform/core/Dispatcher.h"

#include <atomic>

struct QueueDispatcher::Call {
  std::function<void()> run;
  bool waited = false;
  bool done = false;
  std::exception_ptr error;
};

QueueDispatcher::QueueDispatcher() : main_thread_(std::this_thread::get_id()) {}

bool QueueDispatcher::IsMainThread() const { return std::this_thread::get_id() == main_thread_; }

void QueueDispatcher::Synchronize(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  auto item = std::make_shared<Call>();
  item->run = call;
  item->waited = true;
  std::unique_lock lock(mutex_);
  queue_.push_back(item);
  arrived_.notify_all();
  arrived_.wait(lock, [&] { return item->done; });
  if (item->error) std::rethrow_exception(item->error);
}

void QueueDispatcher::Post(std::function<void()> call) {
  auto item = std::make_shared<Call>();
  item->run = std::move(call);
  std::lock_guard lock(mutex_);
  queue_.push_back(item);
  arrived_.notify_all();
}

std::size_t QueueDispatcher::RunPending() {
  std::size_t count = 0;
  for (;;) {
    std::shared_ptr<Call> item;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return count;
      item = queue_.front();
      queue_.pop_front();
    }
    try {
      item->run();
    } catch (...) {
      // A waiting worker gets the exception back; a posted call has no one
      // to tell, so the drainer sees it.
      if (!item->waited) throw;
      item->error = std::current_exception();
    }
    ++count;
    std::lock_guard lock(mutex_);
    item->done = true;
    arrived_.notify_all();
  }
}

bool QueueDispatcher::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    RunPending();
    if (done()) return true;
    std::unique_lock lock(mutex_);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    arrived_.wait_for(lock, std::chrono::milliseconds(5), [&] { return !queue_.empty(); });
  }
}

namespace {
std::atomic<MainThreadDispatcher*> current_dispatcher{nullptr};
}

MainThreadDispatcher& TheDispatcher() {
  MainThreadDispatcher* dispatcher = current_dispatcher.load();
  if (dispatcher) return *dispatcher;
  static QueueDispatcher fallback;
  return fallback;
}

void InstallDispatcher(MainThreadDispatcher& dispatcher) { current_dispatcher.store(&dispatcher); }

ScopedDispatcher::ScopedDispatcher(MainThreadDispatcher& dispatcher)
    : previous_(current_dispatcher.exchange(&dispatcher)) {}
ScopedDispatcher::~ScopedDispatcher() { current_dispatcher.store(previous_); }

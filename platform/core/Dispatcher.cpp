#include "platform/core/Dispatcher.h"

#include <atomic>
#include <stdexcept>

struct MainThreadCallQueue::Call {
  std::function<void()> run;
  bool waited = false;
  bool done = false;
  std::exception_ptr error;
};

MainThreadCallQueue::MainThreadCallQueue(std::function<void()> on_queued)
    : main_thread_(std::this_thread::get_id()), on_queued_(std::move(on_queued)) {}

bool MainThreadCallQueue::IsMainThread() const { return std::this_thread::get_id() == main_thread_; }

void MainThreadCallQueue::Enqueue(const std::shared_ptr<Call>& call) {
  std::lock_guard lock(mutex_);
  if (closed_) throw std::runtime_error(closed_reason_);
  queue_.push_back(call);
  changed_.notify_all();
  if (on_queued_) on_queued_();
}

void MainThreadCallQueue::Synchronize(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  auto item = std::make_shared<Call>();
  item->run = call;
  item->waited = true;
  Enqueue(item);
  std::exception_ptr error;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return item->done; });
    // Take the exception out of the call: the main thread may drop its share
    // of the call while this thread still handles the exception, and the
    // library counts exception references where race checkers cannot see.
    error = std::move(item->error);
  }
  if (error) std::rethrow_exception(error);
}

void MainThreadCallQueue::Post(std::function<void()> call) {
  auto item = std::make_shared<Call>();
  item->run = std::move(call);
  Enqueue(item);
}

std::size_t MainThreadCallQueue::RunPending(const std::function<void(std::exception_ptr)>& on_error) {
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
      // to tell but the error handler or the drainer.
      if (item->waited) {
        item->error = std::current_exception();
      } else if (on_error) {
        on_error(std::current_exception());
      } else {
        throw;
      }
    }
    ++count;
    std::lock_guard lock(mutex_);
    item->done = true;
    changed_.notify_all();
  }
}

bool MainThreadCallQueue::WaitForCall(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
}

void MainThreadCallQueue::Close(const std::string& reason) {
  std::lock_guard lock(mutex_);
  closed_ = true;
  closed_reason_ = reason;
  for (auto& call : queue_) {
    call->error = std::make_exception_ptr(std::runtime_error(reason));
    call->done = true;
  }
  queue_.clear();
  changed_.notify_all();
}

bool QueueDispatcher::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    RunPending();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    calls_.WaitForCall(std::chrono::milliseconds(5));
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

#include "platform/gui/Thread.h"

#include <chrono>
#include <stdexcept>

#include "platform/core/Dispatcher.h"
#include "platform/gui/QtDispatcher.h"

TThread::TThread(bool create_suspended) {
  if (!create_suspended) Start();
}

TThread::~TThread() {
  if (!thread_.joinable()) return;
  if (std::this_thread::get_id() == thread_.get_id()) {
    thread_.detach();
    return;
  }
  terminated_ = true;
  WaitFor();
  thread_.join();
}

void TThread::Start() {
  if (started_.exchange(true)) return;
  thread_ = std::thread([this] { Run(); });
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    fatal_ = std::current_exception();
  }
  if (OnTerminate) {
    try {
      Synchronize([this] { OnTerminate(this); });
    } catch (...) {
      if (!fatal_) fatal_ = std::current_exception();
    }
  }
  const bool free = free_on_terminate_;
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
    done_.notify_all();
  }
  // Nothing may touch `this` after this post when it frees itself.
  if (free) TheDispatcher().Post([this] { delete this; });
}

int TThread::WaitFor() {
  if (std::this_thread::get_id() == thread_.get_id())
    throw std::logic_error("A thread cannot wait for itself");
  if (!started_) return return_value_;
  MainThreadDispatcher& dispatcher = TheDispatcher();
  const bool main = dispatcher.IsMainThread();
  auto* qt = dynamic_cast<QtDispatcher*>(&dispatcher);
  auto* queue = dynamic_cast<QueueDispatcher*>(&dispatcher);
  for (;;) {
    // On the main thread the worker may be waiting for us in Synchronize.
    if (main) {
      if (qt) qt->RunPending();
      if (queue) queue->RunPending();
    }
    std::unique_lock lock(mutex_);
    if (finished_) break;
    done_.wait_for(lock, std::chrono::milliseconds(main ? 2 : 50), [&] { return finished_.load(); });
    if (finished_) break;
  }
  return return_value_;
}

void TThread::Synchronize(const std::function<void()>& call) { TheDispatcher().Synchronize(call); }

void TThread::Queue(std::function<void()> call) { TheDispatcher().Post(std::move(call)); }

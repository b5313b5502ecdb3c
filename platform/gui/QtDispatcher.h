#pragma once
// The program's main-thread dispatcher: worker threads hand calls to the Qt
// event loop of the main thread (a posted event wakes it). A worker that
// synchronises waits for its call; the main thread never waits on a worker,
// and while it waits for one to finish (TThread::WaitFor) it keeps running
// the calls that worker queues.

#include <QObject>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/core/Dispatcher.h"

class QtDispatcher final : public QObject, public MainThreadDispatcher {
 public:
  // Made on the main thread; the thread that makes it is the main thread.
  QtDispatcher();
  ~QtDispatcher() override;

  void Synchronize(const std::function<void()>& call) override { calls_.Synchronize(call); }
  void Post(std::function<void()> call) override { calls_.Post(std::move(call)); }
  bool IsMainThread() const override { return calls_.IsMainThread(); }

  // Runs every queued call now (main thread only); returns how many ran.
  std::size_t RunPending();
  // Waits up to `timeout` for a call to arrive (main thread only); true when
  // one is queued.
  bool WaitForCall(std::chrono::milliseconds timeout) { return calls_.WaitForCall(timeout); }

  // Where an exception escaping a posted call goes (no one waits for it).
  void SetErrorHandler(std::function<void(std::exception_ptr)> handler) {
    error_handler_ = std::move(handler);
  }

 protected:
  bool event(QEvent* event) override;

 private:
  void PostWakeUp();
  void Rearm();

  // One wake-up event is in flight at a time, and it is made on the main
  // thread: application-wide event filters read every event before it
  // reaches us, ordered after the poster only by Qt's own lock, so a worker
  // must not be the one that wrote it. Workers take the spare and post it;
  // the main thread makes the next one when it wakes. post_mutex_ guards
  // both members.
  std::mutex post_mutex_;
  std::unique_ptr<QEvent> spare_;
  bool wake_up_posted_ = false;
  std::function<void(std::exception_ptr)> error_handler_;
  MainThreadCallQueue calls_;
};

#pragma once
// The program's main-thread dispatcher: worker threads hand calls to the Qt
// event loop of the main thread (a posted event wakes it). A worker that
// synchronises waits for its call; the main thread never waits on a worker,
// and while it waits for one to finish (TThread::WaitFor) it keeps running
// the calls that worker queues.

#include <QObject>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/core/Dispatcher.h"

class QtDispatcher final : public QObject, public MainThreadDispatcher {
 public:
  // Made on the main thread; the thread that makes it is the main thread.
  QtDispatcher();
  ~QtDispatcher() override;

  void Synchronize(const std::function<void()>& call) override;
  void Post(std::function<void()> call) override;
  bool IsMainThread() const override;

  // Runs every queued call now (main thread only); returns how many ran.
  std::size_t RunPending();
  // Waits up to `timeout` for a call to arrive (main thread only); true when
  // one is queued.
  bool WaitForCall(std::chrono::milliseconds timeout);

  // Where an exception escaping a posted call goes (no one waits for it).
  void SetErrorHandler(std::function<void(std::exception_ptr)> handler) {
    error_handler_ = std::move(handler);
  }

 protected:
  bool event(QEvent* event) override;

 private:
  struct Call;
  void Enqueue(const std::shared_ptr<Call>& call);

  std::thread::id main_thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Call>> queue_;
  bool closed_ = false;
  std::function<void(std::exception_ptr)> error_handler_;
};

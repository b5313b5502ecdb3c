#pragma once
// How worker threads reach the main thread. The recorder's write and erase
// threads, the cache thread and the picture painter call Synchronize to run
// their completion events on the main thread; the main thread itself never
// blocks on a worker.
//
// The program installs a Qt dispatcher (platform/gui); tests of code without
// an event loop install a QueueDispatcher and drain it.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class MainThreadDispatcher {
 public:
  virtual ~MainThreadDispatcher() = default;
  // Runs `call` on the main thread and waits for it to finish. Called on the
  // main thread, it runs at once.
  virtual void Synchronize(const std::function<void()>& call) = 0;
  // Runs `call` on the main thread later, without waiting.
  virtual void Post(std::function<void()> call) = 0;
  virtual bool IsMainThread() const = 0;
};

// The queue both dispatchers stand on: calls handed over by any thread, run
// by the main thread (the one that made the queue). A synchronised call's
// caller waits for it and gets its exception back; closing the queue fails
// every waiting caller instead of leaving it hanging.
class MainThreadCallQueue {
 public:
  // Called under the queue's lock each time a call is queued, so that the
  // main thread can be woken (the Qt dispatcher posts an event).
  explicit MainThreadCallQueue(std::function<void()> on_queued = {});

  bool IsMainThread() const;
  void Synchronize(const std::function<void()>& call);
  void Post(std::function<void()> call);
  // Runs every queued call; an exception from a posted call goes to
  // `on_error` (rethrown to the drainer when there is none). Returns how many
  // ran.
  std::size_t RunPending(const std::function<void(std::exception_ptr)>& on_error = {});
  // Waits up to `timeout` for a call to arrive; true when one is queued.
  bool WaitForCall(std::chrono::milliseconds timeout);
  // Fails waiting callers and refuses new calls.
  void Close(const std::string& reason);

 private:
  struct Call;
  void Enqueue(const std::shared_ptr<Call>& call);

  std::thread::id main_thread_;
  std::function<void()> on_queued_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Call>> queue_;
  bool closed_ = false;
  std::string closed_reason_;
};

// A plain queue: calls wait until the main thread (the one that created the
// dispatcher) drains them with RunPending or RunUntil.
class QueueDispatcher final : public MainThreadDispatcher {
 public:
  void Synchronize(const std::function<void()>& call) override { calls_.Synchronize(call); }
  void Post(std::function<void()> call) override { calls_.Post(std::move(call)); }
  bool IsMainThread() const override { return calls_.IsMainThread(); }

  // Runs every queued call; returns how many ran. An exception from a posted
  // call reaches the caller.
  std::size_t RunPending() { return calls_.RunPending(); }
  // Runs queued calls as they arrive until `done` holds or the (real) time
  // runs out; returns whether `done` held.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds timeout = std::chrono::seconds(30));

 private:
  MainThreadCallQueue calls_;
};

// The dispatcher in force: the one installed last, or a QueueDispatcher made
// on first use by the thread that asked.
MainThreadDispatcher& TheDispatcher();

class ScopedDispatcher {
 public:
  explicit ScopedDispatcher(MainThreadDispatcher& dispatcher);
  ~ScopedDispatcher();
  ScopedDispatcher(const ScopedDispatcher&) = delete;
  ScopedDispatcher& operator=(const ScopedDispatcher&) = delete;

 private:
  MainThreadDispatcher* previous_;
};

// Installs `dispatcher` for the rest of the run (the program's Qt dispatcher).
void InstallDispatcher(MainThreadDispatcher& dispatcher);

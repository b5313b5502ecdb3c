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

// A plain queue: calls wait until the main thread (the one that created the
// dispatcher) drains them with RunPending or RunUntil.
class QueueDispatcher final : public MainThreadDispatcher {
 public:
  QueueDispatcher();
  void Synchronize(const std::function<void()>& call) override;
  void Post(std::function<void()> call) override;
  bool IsMainThread() const override;

  // Runs every queued call; returns how many ran.
  std::size_t RunPending();
  // Runs queued calls as they arrive until `done` holds or the (real) time
  // runs out; returns whether `done` held.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds timeout = std::chrono::seconds(30));

 private:
  struct Call;
  std::thread::id main_thread_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::shared_ptr<Call>> queue_;
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

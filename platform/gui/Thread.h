#pragma once
// The worker thread base: Execute runs on its own thread; Synchronize runs a
// call on the main thread and waits for it; OnTerminate runs on the main
// thread after Execute. The main thread never blocks on a worker: WaitFor,
// called there, keeps running the worker's synchronised calls.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TThread {
 public:
  explicit TThread(bool create_suspended = false);
  // Asks the thread to stop and waits for it (not for a FreeOnTerminate
  // thread deleting itself).
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a thread made suspended; once only.
  void Start();
  void Resume() { Start(); }
  bool Suspended() const { return !started_; }
  // Asks Execute to stop (it reads Terminated).
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool Finished() const { return finished_; }
  // Waits until Execute has returned and OnTerminate has run; returns
  // ReturnValue. Must not be called from the thread itself.
  int WaitFor();

  // Frees the object on the main thread once it has finished.
  bool FreeOnTerminate() const { return free_on_terminate_; }
  void SetFreeOnTerminate(bool free) { free_on_terminate_ = free; }
  int ReturnValue() const { return return_value_; }
  // What escaped Execute, if anything.
  std::exception_ptr FatalException() const { return fatal_; }
  std::thread::id ThreadID() const { return thread_.get_id(); }

  std::function<void(TThread*)> OnTerminate;

  // Runs `call` on the main thread and waits for it.
  static void Synchronize(const std::function<void()>& call);
  // Runs `call` on the main thread later.
  static void Queue(std::function<void()> call);

 protected:
  virtual void Execute() = 0;
  void SetReturnValue(int value) { return_value_ = value; }

 private:
  void Run();

  std::thread thread_;
  std::atomic<bool> started_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> free_on_terminate_{false};
  std::atomic<int> return_value_{0};
  std::exception_ptr fatal_;
  std::mutex mutex_;
  std::condition_variable done_;
};

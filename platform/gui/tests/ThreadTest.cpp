// Worker threads, the Qt dispatcher and the timer.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/gui/Application.h"
#include "platform/gui/QtDispatcher.h"
#include "platform/gui/Thread.h"
#include "platform/gui/Timer.h"

namespace {

// Runs the event loop until `done` holds (real time; a generous bound so a
// failure shows as a failure, not a hang).
bool SpinUntil(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

class Worker : public TThread {
 public:
  Worker() : TThread(true) {}
  std::function<void(Worker*)> body;
  std::atomic<bool> proceed{false};
  void SetResult(int value) { SetReturnValue(value); }

 protected:
  void Execute() override { body(this); }
};

}  // namespace

TEST(Thread, SynchronizeRunsOnTheMainThreadWhileItKeepsServingEvents) {
  TApplication app;  // installs the Qt dispatcher
  const auto main_id = std::this_thread::get_id();
  std::thread::id ran_on;
  std::atomic<int> step{0};
  Worker worker;
  worker.body = [&](Worker* self) {
    TThread::Synchronize([&] { ran_on = std::this_thread::get_id(); });
    step = 1;
    // Hold the worker until the main thread has proved it is not waiting.
    while (!self->proceed) std::this_thread::yield();
    self->SetResult(7);
  };
  int timer_ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++timer_ticks; });
  ticker.start(1);
  worker.Start();
  ASSERT_TRUE(SpinUntil([&] { return step == 1; }));
  EXPECT_EQ(ran_on, main_id);
  // The worker is still running; the main loop goes on serving timers.
  ASSERT_TRUE(SpinUntil([&] { return timer_ticks >= 3; }));
  EXPECT_FALSE(worker.Finished());
  worker.proceed = true;
  EXPECT_EQ(worker.WaitFor(), 7);
}

TEST(Thread, WaitForOnTheMainThreadServesTheWorkersCallsAndOnTerminate) {
  TApplication app;
  const auto main_id = std::this_thread::get_id();
  int synchronized = 0;
  std::thread::id terminate_on;
  Worker worker;
  worker.body = [&](Worker*) {
    for (int i = 0; i < 50; ++i) TThread::Synchronize([&] { ++synchronized; });
    throw std::runtime_error("drive went away");
  };
  worker.OnTerminate = [&](TThread*) { terminate_on = std::this_thread::get_id(); };
  worker.Start();
  worker.WaitFor();  // would deadlock if it only waited
  EXPECT_EQ(synchronized, 50);
  EXPECT_EQ(terminate_on, main_id);
  ASSERT_TRUE(worker.FatalException());
  EXPECT_THROW(std::rethrow_exception(worker.FatalException()), std::runtime_error);
}

TEST(Thread, ExceptionsOfMainThreadCallsGoWhereTheyBelong) {
  TApplication app;
  std::string seen_by_worker;
  Worker worker;
  worker.body = [&](Worker*) {
    try {
      TThread::Synchronize([] { throw Exception("WRITER ERROR"); });
    } catch (const Exception& e) {
      seen_by_worker = e.what();
    }
    // Nobody waits for a queued call: its exception goes to the hook.
    TThread::Queue([] { throw Exception("posted failure"); });
  };
  std::string hooked;
  app.OnException = [&](TComponent*, const std::exception& e) { hooked = e.what(); };
  worker.Start();
  worker.WaitFor();
  EXPECT_EQ(seen_by_worker, "WRITER ERROR");
  ASSERT_TRUE(SpinUntil([&] { return !hooked.empty(); }));
  EXPECT_EQ(hooked, "posted failure");
}

TEST(Thread, FreeOnTerminateDeletesOnTheMainThread) {
  TApplication app;
  struct SelfFreeing : TThread {
    explicit SelfFreeing(std::atomic<bool>* gone) : TThread(true), gone_(gone) { SetFreeOnTerminate(true); }
    ~SelfFreeing() override { *gone_ = true; }
    void Execute() override {}
    std::atomic<bool>* gone_;
  };
  std::atomic<bool> gone{false};
  (new SelfFreeing(&gone))->Start();
  EXPECT_TRUE(SpinUntil([&] { return gone.load(); }));
}

// An application-wide event filter (the skinned menu bar installs one) reads
// every event, the dispatcher's wake-ups included, before the dispatcher
// sees them: under ThreadSanitizer this fails if a worker made the event.
// Calls queued while a wake-up is on its way ride on it.
TEST(Thread, WorkerCallsWakeTheMainThreadPastApplicationEventFilters) {
  TApplication app;
  auto* dispatcher = dynamic_cast<QtDispatcher*>(&TheDispatcher());
  ASSERT_NE(dispatcher, nullptr);
  struct EveryEventReader : QObject {
    QObject* dispatcher = nullptr;
    int wake_ups = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() >= QEvent::User && watched == dispatcher) ++wake_ups;
      return false;
    }
  } reader;
  reader.dispatcher = dispatcher;
  qApp->installEventFilter(&reader);

  int ran = 0;
  std::atomic<int> queued{0};
  Worker worker;
  worker.body = [&](Worker* self) {
    for (int i = 0; i < 20; ++i) {
      TThread::Queue([&] { ++ran; });
      ++queued;
    }
    while (!self->proceed) std::this_thread::yield();
    TThread::Synchronize([&] { ++ran; });
  };
  worker.Start();
  // The main thread serves no events while the worker queues its twenty.
  while (queued < 20) std::this_thread::yield();
  ASSERT_TRUE(SpinUntil([&] { return ran == 20; }));
  EXPECT_EQ(reader.wake_ups, 1);
  // The next call after they ran wakes the main thread again.
  worker.proceed = true;
  ASSERT_TRUE(SpinUntil([&] { return ran == 21; }));
  EXPECT_EQ(reader.wake_ups, 2);
  worker.WaitFor();
  qApp->removeEventFilter(&reader);
}

TEST(Timer, FiresWhileEnabledAndStopsOnIntervalZero) {
  TApplication app;
  auto* timer = Create<TTimer>(&app);
  timer->SetEnabled(false);
  timer->SetInterval(5);
  int ticks = 0;
  TTimer* sender = nullptr;
  timer->OnTimer = [&](TTimer* t) {
    sender = t;
    ++ticks;
  };
  QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
  EXPECT_EQ(ticks, 0);
  timer->SetEnabled(true);
  ASSERT_TRUE(SpinUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(sender, timer);
  // A one-shot use, as the start page's delayed version check does.
  timer->OnTimer = [&](TTimer* t) {
    t->SetEnabled(false);
    ++ticks;
  };
  ticks = 0;
  SpinUntil([&] { return false; }, 50);
  EXPECT_EQ(ticks, 1);
  timer->SetEnabled(true);
  timer->SetInterval(0);
  ticks = 0;
  SpinUntil([&] { return false; }, 30);
  EXPECT_EQ(ticks, 0);

  // While loading, the timer waits for Loaded.
  timer->SetInterval(5);
  timer->SetEnabled(false);
  app.BeginLoading();
  timer->SetEnabled(true);
  timer->OnTimer = [&](TTimer*) { ++ticks; };
  SpinUntil([&] { return false; }, 30);
  EXPECT_EQ(ticks, 0);
  app.EndLoading();
  EXPECT_TRUE(SpinUntil([&] { return ticks > 0; }));
}

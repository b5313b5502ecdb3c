// The high-resolution timer in both modes: it fires while enabled with a
// handler, every change restarts it, ticks that come while a handler runs
// are dropped, and a handler may free its own timer.

#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <thread>

#include "effects/QRXTimer.h"
#include "platform/gui/Application.h"

namespace {

TEST(QRXHiTimer, DefaultsAndIntervalClamping) {
  TQRXHiTimer timer;
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_TRUE(timer.Synchronize());
  EXPECT_TRUE(timer.UseThread());
  EXPECT_EQ(timer.ThreadPriority(), tpNormal);
  timer.SetInterval(0);
  EXPECT_EQ(timer.Interval(), TQRXHiTimer::kPeriodMin);
  timer.SetInterval(5000000);
  EXPECT_EQ(timer.Interval(), TQRXHiTimer::kPeriodMax);
  EXPECT_EQ(TQRXHiTimer(nullptr, 250).Interval(), 250u);
}

TEST(QRXHiTimer, RunsOnlyWhileEnabledWithAHandler) {
  for (const bool thread : {false, true}) {
    TQRXHiTimer timer;
    timer.SetUseThread(thread);
    timer.SetInterval(5);
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.Running());
    int fired = 0;
    timer.SetOnTimer([&](TComponent* sender) {
      EXPECT_EQ(sender, &timer);
      EXPECT_TRUE(QThread::currentThread() == qApp->thread());
      ++fired;
    });
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 5000)) << thread;
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    const int after = fired;
    QTest::qWait(30);
    EXPECT_EQ(fired, after) << thread;
  }
}

TEST(QRXHiTimer, UnsynchronisedThreadModeFiresOnTheWorker) {
  TQRXHiTimer timer;
  timer.SetSynchronize(false);
  timer.SetInterval(2);
  std::atomic<int> fired{0};
  std::atomic<bool> onMain{false};
  timer.SetOnTimer([&](TComponent*) {
    if (QThread::currentThread() == qApp->thread()) onMain = true;
    ++fired;
  });
  timer.SetEnabled(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 5000));
  EXPECT_FALSE(onMain);
}

TEST(QRXHiTimer, TicksArrivingWhileTheHandlerRunsAreDropped) {
  TQRXHiTimer timer;
  timer.SetUseThread(false);
  timer.SetInterval(2);
  int depth = 0;
  int deepest = 0;
  int fired = 0;
  timer.SetOnTimer([&](TComponent*) {
    ++fired;
    deepest = std::max(deepest, ++depth);
    // A handler that pumps events while further ticks come due.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Application().ProcessMessages();
    --depth;
  });
  timer.SetEnabled(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 3 && timer.DroppedTicks() > 0; }, 5000));
  EXPECT_EQ(deepest, 1);
}

TEST(QRXHiTimer, AHandlerMayFreeItsOwnTimer) {
  for (const bool thread : {false, true}) {
    auto* timer = new TQRXHiTimer;
    timer->SetUseThread(thread);
    timer->SetInterval(2);
    bool freed = false;
    timer->SetOnTimer([&](TComponent* sender) {
      delete static_cast<TQRXHiTimer*>(sender);
      freed = true;
    });
    timer->SetEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return freed; }, 5000)) << thread;
    QTest::qWait(20);
  }
}

TEST(QRXHiTimer, AnExceptionGoesToTheApplicationAndTicksGoOn) {
  TQRXHiTimer timer;
  timer.SetUseThread(false);
  timer.SetInterval(2);
  int errors = 0;
  Application().OnException = [&](TComponent*, const std::exception&) { ++errors; };
  int fired = 0;
  timer.SetOnTimer([&](TComponent*) {
    ++fired;
    throw std::runtime_error("handler failed");
  });
  timer.SetEnabled(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 5000));
  timer.SetEnabled(false);
  EXPECT_EQ(errors, fired);
  Application().OnException = nullptr;
}

}  // namespace

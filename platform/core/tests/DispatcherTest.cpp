#include "platform/core/Dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(QueueDispatcher, SynchronizeRunsOnTheMainThreadAndWaits) {
  QueueDispatcher dispatcher;
  const auto main_id = std::this_thread::get_id();
  std::atomic<bool> returned{false};
  std::thread::id ran_on;
  std::thread worker([&] {
    dispatcher.Synchronize([&] { ran_on = std::this_thread::get_id(); });
    returned = true;
  });
  ASSERT_TRUE(dispatcher.RunUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(ran_on, main_id);
}

TEST(QueueDispatcher, PostDoesNotBlockAndRunsInOrder) {
  QueueDispatcher dispatcher;
  std::vector<int> order;
  std::thread worker([&] {
    dispatcher.Post([&] { order.push_back(1); });
    dispatcher.Post([&] { order.push_back(2); });
  });
  worker.join();
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(dispatcher.RunPending(), 2u);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(QueueDispatcher, ExceptionInSynchronizedCallReachesTheWorker) {
  QueueDispatcher dispatcher;
  std::atomic<bool> caught{false};
  std::thread worker([&] {
    try {
      dispatcher.Synchronize([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
  });
  ASSERT_TRUE(dispatcher.RunUntil([&] { return caught.load(); }));
  worker.join();
}

TEST(QueueDispatcher, CallFromTheMainThreadRunsAtOnce) {
  QueueDispatcher dispatcher;
  bool ran = false;
  dispatcher.Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

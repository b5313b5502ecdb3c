#include "platform/core/Dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
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

// The worker handles the exception after the main thread has moved on, so it
// must be the worker's alone by then; many rounds give a race checker a
// chance to see the two threads overlap.
TEST(QueueDispatcher, ExceptionInSynchronizedCallReachesTheWorker) {
  QueueDispatcher dispatcher;
  for (int round = 0; round < 50; ++round) {
    const std::string expected = "drive went away in round " + std::to_string(round);
    std::atomic<bool> caught{false};
    std::string message;
    std::thread worker([&] {
      try {
        dispatcher.Synchronize([&] { throw std::runtime_error(expected); });
      } catch (const std::runtime_error& e) {
        message = e.what();
        caught = true;
      }
    });
    ASSERT_TRUE(dispatcher.RunUntil([&] { return caught.load(); }));
    worker.join();
    EXPECT_EQ(message, expected);
  }
}

TEST(QueueDispatcher, CallFromTheMainThreadRunsAtOnce) {
  QueueDispatcher dispatcher;
  bool ran = false;
  dispatcher.Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

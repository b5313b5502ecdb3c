#include "platform/core/Clock.h"

#include <gtest/gtest.h>

TEST(FakeClock, SleepAdvancesTimeAtOnce) {
  FakeClock clock;
  ScopedClock use(clock);
  const auto before = TheClock().Now();
  TheClock().SleepMs(5000);
  EXPECT_EQ(TheClock().Now() - before, std::chrono::milliseconds(5000));
  EXPECT_EQ(TheClock().TickMs(), 5000u);
  EXPECT_EQ(clock.SleepCount(), 1u);
}

TEST(FakeClock, ScopedClockRestoresThePrevious) {
  Clock* outer = &TheClock();
  {
    FakeClock fake;
    ScopedClock use(fake);
    EXPECT_EQ(&TheClock(), &fake);
  }
  EXPECT_EQ(&TheClock(), outer);
}

TEST(SeededRandom, RepeatsForASeedAndStaysInRange) {
  SeededRandom a(42), b(42);
  for (int i = 0; i < 100; ++i) {
    const auto x = a.Next(10);
    EXPECT_EQ(x, b.Next(10));
    EXPECT_LT(x, 10u);
  }
  EXPECT_EQ(a.Next(0), 0u);
}

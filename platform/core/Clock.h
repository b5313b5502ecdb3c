#pragma once
// Time, sleeping and randomness, behind interfaces so that tests of polling
// loops and timed behaviour run in milliseconds and repeat exactly.
//
// Code asks TheClock() / TheRandom(); a test installs a fake with
// ScopedClock / ScopedRandom for its duration.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

class Clock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;
  virtual ~Clock() = default;
  // Wall-clock time.
  virtual TimePoint Now() const = 0;
  // Monotonic milliseconds since an arbitrary start, like a tick count.
  virtual std::uint64_t TickMs() const = 0;
  virtual void SleepMs(std::uint32_t ms) = 0;
};

class SystemClock final : public Clock {
 public:
  TimePoint Now() const override;
  std::uint64_t TickMs() const override;
  void SleepMs(std::uint32_t ms) override;
};

// A clock that only moves when told to or when someone sleeps on it: a sleep
// advances the time at once and returns. Safe to share between threads.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(TimePoint start = TimePoint{});
  TimePoint Now() const override;
  std::uint64_t TickMs() const override;
  void SleepMs(std::uint32_t ms) override;
  void Advance(std::chrono::milliseconds by);
  void Set(TimePoint now);
  // How many times SleepMs was called, and their total.
  std::uint64_t SleepCount() const { return sleeps_; }
  std::uint64_t SleptMs() const { return slept_ms_; }

 private:
  mutable std::mutex mutex_;
  TimePoint now_;
  std::uint64_t ticks_ = 0;
  std::atomic<std::uint64_t> sleeps_{0};
  std::atomic<std::uint64_t> slept_ms_{0};
};

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A number in [0, range); 0 when range is 0.
  virtual std::uint32_t Next(std::uint32_t range) = 0;
};

// Deterministic for a given seed (a small xorshift generator).
class SeededRandom final : public RandomSource {
 public:
  explicit SeededRandom(std::uint64_t seed);
  std::uint32_t Next(std::uint32_t range) override;

 private:
  std::mutex mutex_;
  std::uint64_t state_;
};

Clock& TheClock();
RandomSource& TheRandom();

// Installs a clock (or random source) for the lifetime of the object.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

class ScopedRandom {
 public:
  explicit ScopedRandom(RandomSource& random);
  ~ScopedRandom();
  ScopedRandom(const ScopedRandom&) = delete;
  ScopedRandom& operator=(const ScopedRandom&) = delete;

 private:
  RandomSource* previous_;
};

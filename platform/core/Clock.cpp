#include "platform/core/Clock.h"

#include <random>
#include <thread>

Clock::TimePoint SystemClock::Now() const { return std::chrono::system_clock::now(); }

std::uint64_t SystemClock::TickMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

FakeClock::FakeClock(TimePoint start) : now_(start) {}

Clock::TimePoint FakeClock::Now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

std::uint64_t FakeClock::TickMs() const {
  std::lock_guard lock(mutex_);
  return ticks_;
}

void FakeClock::SleepMs(std::uint32_t ms) {
  ++sleeps_;
  slept_ms_ += ms;
  Advance(std::chrono::milliseconds(ms));
  // Let the other threads of a test run, as a real sleep would.
  std::this_thread::yield();
}

void FakeClock::Advance(std::chrono::milliseconds by) {
  std::lock_guard lock(mutex_);
  now_ += by;
  ticks_ += by.count();
}

void FakeClock::Set(TimePoint now) {
  std::lock_guard lock(mutex_);
  now_ = now;
}

SeededRandom::SeededRandom(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}

std::uint32_t SeededRandom::Next(std::uint32_t range) {
  if (range == 0) return 0;
  std::lock_guard lock(mutex_);
  state_ ^= state_ << 13;
  state_ ^= state_ >> 7;
  state_ ^= state_ << 17;
  return static_cast<std::uint32_t>(state_ % range);
}

namespace {

class SystemRandom final : public RandomSource {
 public:
  std::uint32_t Next(std::uint32_t range) override {
    if (range == 0) return 0;
    std::lock_guard lock(mutex_);
    return std::uniform_int_distribution<std::uint32_t>(0, range - 1)(engine_);
  }

 private:
  std::mutex mutex_;
  std::mt19937 engine_{std::random_device{}()};
};

std::atomic<Clock*> current_clock{nullptr};
std::atomic<RandomSource*> current_random{nullptr};

}  // namespace

Clock& TheClock() {
  static SystemClock system;
  Clock* clock = current_clock.load();
  return clock ? *clock : system;
}

RandomSource& TheRandom() {
  static SystemRandom system;
  RandomSource* random = current_random.load();
  return random ? *random : system;
}

ScopedClock::ScopedClock(Clock& clock) : previous_(current_clock.exchange(&clock)) {}
ScopedClock::~ScopedClock() { current_clock.store(previous_); }

ScopedRandom::ScopedRandom(RandomSource& random) : previous_(current_random.exchange(&random)) {}
ScopedRandom::~ScopedRandom() { current_random.store(previous_); }

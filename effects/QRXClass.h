#pragma once
// The library's application object and its shared timer pool.
//
// TQRXTimerPool drives many periodic callbacks from one timer ticking every
// MinInterval milliseconds; each item fires on the ticks its interval
// divides (the first tick after the timer starts counts 1). TQRXApplication
// holds the library-wide pool (50 ms), hands out timer identifiers, caches
// the 8 x 8 pattern bitmap of dotted frames and dithered shapes, and tells
// whether another copy of the program runs: each copy takes a lock file
// named after the executable in the user's runtime folder, and a copy that
// finds it taken knows it is not the first.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "effects/QRXBase.h"
#include "effects/QRXConst.h"
#include "effects/QRXIniCtrl.h"
#include "platform/core/StringList.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"

class TTimer;
class TQRXTimerPool;

// The library's pointing hand.
inline constexpr TCursor crQRXHand = crHandPoint;

// A component was put where only one of its kind may be.
class QRXEOneInstError : public Exception {
 public:
  // Kind 0: wrong owner or a second one on a form; kind 1: a second one in
  // the program.
  QRXEOneInstError(const std::string& className, int kind);
};

// True (a violation) when the owner is not a form, or when the owner holds
// more than one component of class T.
template <class T>
bool CheckOneInstance(TComponent* owner);

using TQRXTimerCallback = std::function<void(TComponent* sender)>;

class TQRXTimerItem {
 public:
  ~TQRXTimerItem();
  TQRXTimerItem(const TQRXTimerItem&) = delete;
  TQRXTimerItem& operator=(const TQRXTimerItem&) = delete;

  // -1 fires without end; the item disables itself after this many firings;
  // 0 keeps it from being enabled.
  int RepeatCount() const { return repeat_count_; }
  void SetRepeatCount(int value) { repeat_count_ = value; }
  int Counter() const { return counter_; }
  bool Enabled() const { return enabled_; }
  // Enabling and disabling restart the count; enabling is refused while
  // RepeatCount is 0.
  void SetEnabled(bool value);
  std::uint16_t Ident() const { return ident_; }
  std::uint16_t Interval() const { return interval_; }
  // A multiple of the pool's MinInterval (0 stands for MinInterval); any
  // other value is ignored. Restarts the count.
  void SetInterval(std::uint16_t value);
  int TickDivisor() const { return tick_divisor_; }

 private:
  friend class TQRXTimerPool;
  TQRXTimerItem(TQRXTimerPool& pool, std::uint16_t ident);
  void Fire();

  int repeat_count_ = -1;
  int counter_ = 0;
  bool enabled_ = true;
  std::uint16_t ident_;
  std::uint16_t interval_ = 1000;
  int tick_divisor_;
  TQRXTimerPool& pool_;
  TQRXTimerCallback callback_;
};

class TQRXTimerPool : public TQRXCustomComponent {
 public:
  using TTimerEvent = std::function<void(TComponent* sender, std::uint16_t ident, int counter)>;

  explicit TQRXTimerPool(TComponent* owner = nullptr, std::uint16_t minInterval = 1000);
  ~TQRXTimerPool() override;

  std::uint16_t MinInterval() const { return min_interval_; }
  // Only while the pool is being loaded or designed; ignored at run time.
  void SetMinInterval(std::uint16_t value);

  // Adds an enabled item and starts the timer; returns the item's index.
  // Raises EListError for an ident in use and Exception for an interval that
  // is not a positive multiple of MinInterval.
  int AddItem(std::uint16_t ident, std::uint16_t interval, TQRXTimerCallback callback);
  // Stops the timer when the last item goes.
  void RemoveItem(std::uint16_t ident);
  void Clear();
  int Count() const { return int(items_.size()); }
  int EnabledCount() const;
  TQRXTimerItem* ItemByIdent(std::uint16_t ident) const;
  int IndexOfIdent(std::uint16_t ident) const;
  // The timer runs.
  bool Active() const { return active_; }
  int PoolCounter() const { return counter_; }

  // One tick, as the timer gives it: every enabled item whose divisor
  // divides the pool counter fires, in list order; then the counter
  // advances. A tick that starts inside another is dropped. Exceptions of
  // the callbacks go to the application's handler.
  void Tick();

  // Called with the pool, the ident and the count for items without a
  // callback of their own.
  TTimerEvent OnTimer;

 private:
  friend class TQRXTimerItem;
  void UpdateTimer(bool enable);
  void RunTick();

  std::uint16_t min_interval_;
  std::vector<std::unique_ptr<TQRXTimerItem>> items_;
  std::unique_ptr<TTimer> timer_;
  bool active_ = false;
  int counter_ = 0;
  bool in_tick_ = false;
  bool removing_ = false;
};

class TQRXApplication : public TComponent {
 public:
  static constexpr std::uint16_t kFirstTimerIdent = 0xFD01;
  static constexpr int kTimerSlots = 250;

  // `instanceName` names the lock that tells copies apart: the executable's
  // file name unless given.
  explicit TQRXApplication(std::string instanceName = {});
  ~TQRXApplication() override;

  // Another copy of the program held the lock when this one started.
  bool AnotherInstance() const { return another_instance_; }
  const std::string& LogFileName() const { return log_file_name_; }
  // Ticks of the clock the high-resolution timers count in, per second.
  std::int64_t PerformanceFrequency() const { return 1000000000; }
  TQRXIniCtrl& IniCtrl() { return *ini_ctrl_; }
  TQRXTimerPool& TimerPool() { return *timer_pool_; }

  // A free identifier from 0xFD01 to 0xFDFA with an item of that interval in
  // the pool, or 0 when all 250 are taken. The pool's exceptions pass on.
  std::uint16_t AllocTimer(std::uint16_t interval, TQRXTimerCallback callback);
  // Identifiers outside those AllocTimer gives are ignored.
  void ReleaseTimer(std::uint16_t ident);
  TQRXTimerItem* GetTimerItem(std::uint16_t ident) const { return timer_pool_->ItemByIdent(ident); }

  // The 8 x 8 pattern: white, with `color` on every pixel whose x + y is odd.
  TBitmap& GetPatternBitmap(TColor color);

 private:
  std::unique_ptr<TQRXIniCtrl> ini_ctrl_;
  std::unique_ptr<TQRXTimerPool> timer_pool_;
  std::unique_ptr<TBitmap> pattern_;
  TColor pattern_color_ = 0x1FFFFFFF;
  std::array<bool, kTimerSlots + 1> slot_used_{};
  int lock_fd_ = -1;
  bool another_instance_ = false;
  std::string log_file_name_;
};

// The library-wide application object, made on first use.
TQRXApplication& QRXApplication();

template <class T>
bool CheckOneInstance(TComponent* owner) {
  if (!owner || !dynamic_cast<TForm*>(owner)) return true;
  int count = 0;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (dynamic_cast<T*>(owner->Components(i))) ++count;
  return count > 1;
}

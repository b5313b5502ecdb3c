#include "effects/QRXClass.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "effects/QRXUtils.h"
#include "platform/gui/Application.h"
#include "platform/gui/Timer.h"

namespace {

std::string ExecutableFileName() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("burner") : exe.filename().string();
}

std::string LockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') return runtime;
  return "/tmp";
}

}  // namespace

QRXEOneInstError::QRXEOneInstError(const std::string& className, int kind)
    : Exception(className + ":\r" +
                (kind == 0 ? std::string(SQRXInvalidOwner)
                           : "Already one " + className + " control in this project!")) {}

// ---- TQRXTimerItem ----

TQRXTimerItem::TQRXTimerItem(TQRXTimerPool& pool, std::uint16_t ident)
    : ident_(ident), tick_divisor_(1000 / pool.MinInterval()), pool_(pool) {}

TQRXTimerItem::~TQRXTimerItem() = default;

void TQRXTimerItem::SetEnabled(bool value) {
  if (value == enabled_) return;
  if (value && repeat_count_ == 0) return;
  enabled_ = value;
  counter_ = 0;
}

void TQRXTimerItem::SetInterval(std::uint16_t value) {
  if (value == interval_) return;
  const std::uint16_t min = pool_.MinInterval();
  if (value % min != 0) return;
  if (value == 0) value = min;
  interval_ = value;
  tick_divisor_ = value / min;
  counter_ = 0;
}

void TQRXTimerItem::Fire() {
  if (!enabled_) return;
  counter_ = counter_ == INT_MAX ? 0 : counter_ + 1;
  if (counter_ == repeat_count_) enabled_ = false;
  // A callback may release its own timer: nothing of this item is touched
  // after the call.
  TQRXTimerPool& pool = pool_;
  if (callback_) {
    const TQRXTimerCallback callback = callback_;
    callback(&pool);
  } else if (pool.OnTimer) {
    const TQRXTimerPool::TTimerEvent onTimer = pool.OnTimer;
    onTimer(&pool, ident_, counter_);
  }
}

// ---- TQRXTimerPool ----

TQRXTimerPool::TQRXTimerPool(TComponent* owner, std::uint16_t minInterval)
    : TQRXCustomComponent(owner), min_interval_(std::max<std::uint16_t>(minInterval, 1)) {}

TQRXTimerPool::~TQRXTimerPool() { Clear(); }

void TQRXTimerPool::SetMinInterval(std::uint16_t value) {
  if (value == 0 || !(Loading() || Designing())) return;
  min_interval_ = value;
}

int TQRXTimerPool::EnabledCount() const {
  return int(std::count_if(items_.begin(), items_.end(), [](const auto& item) { return item->Enabled(); }));
}

int TQRXTimerPool::IndexOfIdent(std::uint16_t ident) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->Ident() == ident) return int(i);
  return -1;
}

TQRXTimerItem* TQRXTimerPool::ItemByIdent(std::uint16_t ident) const {
  const int index = IndexOfIdent(ident);
  return index < 0 ? nullptr : items_[std::size_t(index)].get();
}

int TQRXTimerPool::AddItem(std::uint16_t ident, std::uint16_t interval, TQRXTimerCallback callback) {
  if (IndexOfIdent(ident) >= 0)
    throw EListError("Timer ident " + std::to_string(ident) + " is in the pool already");
  if (interval < min_interval_ || interval % min_interval_ != 0) throw Exception(SQRXIntervalNotCompatible);
  items_.push_back(std::unique_ptr<TQRXTimerItem>(new TQRXTimerItem(*this, ident)));
  TQRXTimerItem& item = *items_.back();
  item.SetInterval(interval);
  item.callback_ = std::move(callback);
  UpdateTimer(true);
  return int(items_.size()) - 1;
}

void TQRXTimerPool::RemoveItem(std::uint16_t ident) {
  removing_ = true;
  const int index = IndexOfIdent(ident);
  if (index >= 0) {
    TQRXTimerItem& item = *items_[std::size_t(index)];
    item.enabled_ = false;
    item.callback_ = nullptr;
    items_.erase(items_.begin() + index);
    if (items_.empty()) UpdateTimer(false);
  }
  removing_ = false;
}

void TQRXTimerPool::Clear() {
  if (timer_) timer_->SetEnabled(false);
  active_ = false;
  items_.clear();
}

void TQRXTimerPool::UpdateTimer(bool enable) {
  if (Designing()) return;
  if (!timer_) {
    timer_ = std::make_unique<TTimer>();
    timer_->SetEnabled(false);
    timer_->OnTimer = [this](TTimer*) { Tick(); };
  }
  active_ = false;
  timer_->SetEnabled(false);
  if (enable && EnabledCount() > 0) {
    timer_->SetInterval(min_interval_);
    timer_->SetEnabled(true);
    counter_ = 1;
    active_ = true;
  }
}

void TQRXTimerPool::Tick() {
  if (in_tick_) return;
  in_tick_ = true;
  RunTick();
  in_tick_ = false;
}

void TQRXTimerPool::RunTick() {
  if (removing_) return;
  // Callbacks may add and release timers: walk the identifiers as they were
  // and look each one up again.
  std::vector<std::uint16_t> idents;
  idents.reserve(items_.size());
  for (const auto& item : items_) idents.push_back(item->Ident());
  for (std::uint16_t ident : idents) {
    TQRXTimerItem* item = ItemByIdent(ident);
    if (!item || !item->Enabled() || counter_ % item->TickDivisor() != 0) continue;
    // One failing callback neither stops the others nor the count.
    CallGuarded(this, [item] { item->Fire(); });
  }
  counter_ = counter_ == INT_MAX ? 0 : counter_ + 1;
}

// ---- TQRXApplication ----

TQRXApplication::TQRXApplication(std::string instanceName)
    : TComponent(nullptr), ini_ctrl_(std::make_unique<TQRXIniCtrl>()) {
  const std::string exe = ExecutableFileName();
  if (instanceName.empty()) instanceName = exe;
  std::string lockName = instanceName + ".lock";
  const std::string folder = LockFolder();
  if (folder == "/tmp") lockName = instanceName + "-" + std::to_string(getuid()) + ".lock";
  lock_fd_ = ::open((folder + "/" + lockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd_ >= 0 && ::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    another_instance_ = errno == EWOULDBLOCK;
    ::close(lock_fd_);
    lock_fd_ = -1;
  }
  timer_pool_ = std::make_unique<TQRXTimerPool>(nullptr, 50);
  log_file_name_ = GetPrefixPath(TQRXPathPrefix::ppProgram, true) + ChangeFileExt(exe, ".LOG");
}

TQRXApplication::~TQRXApplication() {
  timer_pool_.reset();
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

std::uint16_t TQRXApplication::AllocTimer(std::uint16_t interval, TQRXTimerCallback callback) {
  for (int slot = 1; slot <= kTimerSlots; ++slot) {
    if (slot_used_[std::size_t(slot)]) continue;
    const std::uint16_t ident = std::uint16_t(0xFD00 + slot);
    timer_pool_->AddItem(ident, interval, std::move(callback));
    slot_used_[std::size_t(slot)] = true;
    return ident;
  }
  return 0;
}

void TQRXApplication::ReleaseTimer(std::uint16_t ident) {
  if (ident < kFirstTimerIdent || ident > 0xFD00 + kTimerSlots) return;
  timer_pool_->RemoveItem(ident);
  slot_used_[std::size_t(ident - 0xFD00)] = false;
}

TBitmap& TQRXApplication::GetPatternBitmap(TColor color) {
  if (pattern_ && color == pattern_color_) return *pattern_;
  if (!pattern_) {
    pattern_ = std::make_unique<TBitmap>();
    TDib white;
    white.Allocate(8, 8, pf32bit);
    std::fill(white.bits.begin(), white.bits.end(), 0xFF);
    pattern_->SetDib(std::move(white));
  }
  TDib dib = pattern_->Dib();
  const std::uint32_t rgb = ColorToRGB(color);
  for (int y = 0; y < 8; ++y)
    for (int x = (y + 1) % 2; x < 8; x += 2) dib.SetColor(x, y, rgb);
  pattern_->SetDib(std::move(dib));
  pattern_color_ = color;
  return *pattern_;
}

namespace {

std::unique_ptr<TQRXApplication>& ApplicationHolder() {
  static std::unique_ptr<TQRXApplication> holder;
  return holder;
}

}  // namespace

TQRXApplication& QRXApplication() {
  auto& holder = ApplicationHolder();
  if (!holder) {
    holder = std::make_unique<TQRXApplication>();
    // Its timer must go while Qt is still there.
    if (QCoreApplication::instance()) qAddPostRoutine([] { ApplicationHolder().reset(); });
  }
  return *holder;
}

#include "recorder/xrCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/core/Clock.h"
#include "platform/core/Exceptions.h"

namespace {

constexpr std::int64_t kSector = 2048;
std::int64_t RoundUp(std::int64_t n) { return (n + kSector - 1) / kSector * kSector; }

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

TSourceFile::TSourceFile(const std::string& path, std::int64_t size) : path_(path) {
  do {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ >= 0 && size > (1 << 20)) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

TSourceFile::~TSourceFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::string TSourceFile::OpenFailure() const {
  if (fd_ >= 0) return {};
  return "CAN'T OPEN FILE " + Quoted(path_) + " OR FILE IS IN USES BY OTHER SOFTWARE";
}

ssize_t TSourceFile::ReadOnce(std::uint8_t* to, std::int64_t n) {
  ssize_t r;
  do {
    r = ::read(fd_, to, static_cast<std::size_t>(n));
  } while (r < 0 && errno == EINTR);
  return r;
}

std::string TSourceFile::ReadFailure(ssize_t r) const {
  if (r < 0 && errno != EAGAIN)
    return "CAN'T READ FILE " + Quoted(path_) + " [" + SysErrorMessage(errno) + "]";
  return "FILE " + Quoted(path_) + " CHANGED SIZE DURING THE BUILD";
}

std::string TSourceFile::ReadExactly(std::uint8_t* to, std::int64_t n) {
  while (n > 0) {
    const ssize_t r = ReadOnce(to, n);
    if (r <= 0) return ReadFailure(r);
    to += r;
    n -= r;
  }
  return {};
}

std::string TSourceFile::CheckEnd() {
  std::uint8_t probe;
  const ssize_t r = ReadOnce(&probe, 1);
  return r == 0 ? std::string() : ReadFailure(r);
}

TCacheThread::TCacheThread(Params params, TDeviceLock& lock)
    : params_(std::move(params)),
      lock_(lock),
      block_size_(params_.BlockSize),
      capacity_(std::max(2, params_.CacheSize / params_.BlockSize)) {
  bytes_to_deliver_ = params_.TrackBytes;
  if (params_.TrackBytes >= kMinTrackBytes) params_.PadShortTrack = false;
  thread_ = std::thread([this] { Execute(); });
}

TCacheThread::~TCacheThread() {
  Abort();
  WaitFor();
}

void TCacheThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TCacheThread::Abort() {
  aborted_ = true;
  Wake();
}

void TCacheThread::Wake() {
  {
    std::lock_guard guard(wake_mutex_);
    ++changes_;
  }
  woken_.notify_all();
}

std::uint64_t TCacheThread::Changes() {
  std::lock_guard guard(wake_mutex_);
  return changes_;
}

void TCacheThread::WaitForChange(std::uint64_t seen, std::uint32_t ms) {
  std::unique_lock guard(wake_mutex_);
  woken_.wait_for(guard, std::chrono::milliseconds(ms), [&] { return changes_ != seen; });
}

std::string TCacheThread::Status() const {
  std::lock_guard guard(text_mutex_);
  return status_;
}

void TCacheThread::SetStatus(const std::string& text) {
  std::lock_guard guard(text_mutex_);
  status_ = text;
}

std::string TCacheThread::CurrentFile() const {
  std::lock_guard guard(text_mutex_);
  return current_file_;
}

std::size_t TCacheThread::QueuedBlocks() const {
  std::lock_guard guard(lock_);
  return queue_.size();
}

void TCacheThread::Fail(const std::string& text) {
  {
    std::lock_guard guard(text_mutex_);
    if (status_.empty()) status_ = text;
  }
  finished_ = true;
  Wake();
}

int TCacheThread::GetBlock(std::uint8_t* buffer) {
  if (bytes_to_deliver_ == 0 && finished_) return 0;
  std::lock_guard guard(lock_);
  if (queue_.empty()) return finished_ ? 0 : -1;
  while (producer_busy_) {
    TheClock().SleepMs(1);
    if (aborted_) return 0;
  }
  consumer_busy_ = true;
  Block block = std::move(queue_.front());
  queue_.pop_front();
  std::memcpy(buffer, block.data.get(), static_cast<std::size_t>(block.count));
  spare_.push_back(std::move(block.data));
  bytes_in_cache_ -= block.count;
  bytes_to_deliver_ -= block.count;
  consumer_busy_ = false;
  Wake();
  return block.count;
}

std::unique_ptr<std::uint8_t[]> TCacheThread::NewBuffer() {
  {
    std::lock_guard guard(lock_);
    if (!spare_.empty()) {
      auto buffer = std::move(spare_.back());
      spare_.pop_back();
      return buffer;
    }
  }
  return std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(block_size_));
}

void TCacheThread::AbortNow() {
  while (consumer_busy_) TheClock().SleepMs(10);
  producer_busy_ = true;
  {
    std::lock_guard guard(lock_);
    queue_.clear();
    bytes_in_cache_ = 0;
  }
  Fail("OPERATION ABORTED BY USER");
}

void TCacheThread::QueueCarry() {
  std::lock_guard guard(lock_);
  queue_.push_back(std::move(carry_));
  carry_ = Block{};
  Wake();
}

// Waits while the queue is full; false when an abort came meanwhile.
bool TCacheThread::WaitForRoom() {
  for (;;) {
    const std::uint64_t seen = Changes();
    std::size_t queued;
    {
      std::lock_guard guard(lock_);
      queued = queue_.size();
    }
    if (static_cast<int>(queued) < capacity_ - 1) return true;
    SetPriority(TCachePriority::Idle);
    if (aborted_) {
      AbortNow();
      return false;
    }
    if (!primed_.exchange(true)) Wake();
    WaitForChange(seen, 10);
  }
}

bool TCacheThread::QueueHeader() {
  std::vector<std::uint8_t>& header = params_.Header;
  std::size_t pos = 0;
  while (pos < header.size()) {
    const std::size_t piece = std::min<std::size_t>(block_size_, header.size() - pos);
    Block block;
    block.data = NewBuffer();
    std::memcpy(block.data.get(), header.data() + pos, piece);
    block.count = static_cast<int>(piece);
    pos += piece;
    if (piece == static_cast<std::size_t>(block_size_)) {
      {
        std::lock_guard guard(lock_);
        queue_.push_back(std::move(block));
      }
      Wake();
    } else {
      carry_ = std::move(block);  // completed by the data that follows
    }
    bytes_in_cache_ += static_cast<std::int64_t>(piece);
    if (!WaitForRoom()) return false;
  }
  std::vector<std::uint8_t>().swap(header);
  return true;
}

bool TCacheThread::SendFile(const std::string& path, std::int64_t size, bool last, bool pad_to_sectors) {
  {
    std::lock_guard guard(text_mutex_);
    current_file_ = path;
  }
  TSourceFile source(path, size);
  if (const std::string failure = source.OpenFailure(); !failure.empty()) {
    Fail(failure);
    return false;
  }
  std::int64_t left = size;
  while (left > 0) {
    if (!carry_.data) carry_.data = NewBuffer();
    const std::int64_t room = block_size_ - carry_.count;
    const std::int64_t piece = std::min(room, left);
    if (const std::string failure = source.ReadExactly(carry_.data.get() + carry_.count, piece);
        !failure.empty()) {
      Fail(failure);
      return false;
    }
    // Slack after the file's last byte is zero, so images come out the same
    // every time.
    const std::int64_t whole = pad_to_sectors ? std::min(RoundUp(piece), room) : piece;
    std::memset(carry_.data.get() + carry_.count + piece, 0, static_cast<std::size_t>(whole - piece));
    left -= piece;
    if (aborted_) {
      AbortNow();
      return false;
    }
    {
      std::lock_guard guard(lock_);
      producer_busy_ = false;
      carry_.count += static_cast<int>(whole);
      if (carry_.count == block_size_ || (last && left == 0)) QueueCarry();
      bytes_in_cache_ += whole;
    }
    const auto queued = static_cast<int>(QueuedBlocks());
    SetPriority(queued < capacity_ / 4   ? TCachePriority::Normal
                : queued < capacity_ / 2 ? TCachePriority::Lower
                                         : TCachePriority::Lowest);
    if (!WaitForRoom()) return false;
  }
  // The layout reserved exactly `size` bytes: a file that grew since would
  // not fit the image, so it fails like one that shrank.
  if (const std::string failure = source.CheckEnd(); !failure.empty()) {
    Fail(failure);
    return false;
  }
  return true;
}

void TCacheThread::Execute() {
  bytes_in_cache_ = 0;
  const bool image_burn = !params_.ImageFileName.empty();
  if (!image_burn && !QueueHeader()) return;

  if (image_burn) {
    // An image is sent as it is; its last sector is filled up.
    // The track is the image's size rounded up to whole sectors.
    struct stat st;
    const std::int64_t size =
        ::stat(params_.ImageFileName.c_str(), &st) == 0 ? st.st_size : params_.TrackBytes;
    if (RoundUp(size) != params_.TrackBytes) {
      Fail("FILE \"" + params_.ImageFileName + "\" CHANGED SIZE DURING THE BUILD");
      return;
    }
    if (!SendFile(params_.ImageFileName, size, true, true)) return;
  } else {
    const bool any_files = !params_.Files.empty();
    if (!params_.BootFile.empty()) {
      // The boot image fills its reserved sectors; the room after its data
      // goes out as zeros.
      if (!SendFile(params_.BootFile, params_.BootImageBytes, !any_files, true)) return;
    }
    for (std::size_t i = 0; i < params_.Files.size(); ++i) {
      const TCacheItem& item = params_.Files[i];
      if (!SendFile(item.Path, item.Size, i + 1 == params_.Files.size(), true)) return;
    }
  }
  if (carry_.count > 0) {
    QueueCarry();
  }
  if (!image_burn && params_.PadShortTrack) {
    std::lock_guard guard(lock_);
    std::int64_t pad = kMinTrackBytes - params_.TrackBytes;
    bytes_to_deliver_ += pad;
    while (pad > 0) {
      Block block;
      block.count = static_cast<int>(std::min<std::int64_t>(pad, block_size_));
      block.data = std::make_unique<std::uint8_t[]>(block_size_);
      std::memset(block.data.get(), 0, static_cast<std::size_t>(block_size_));
      bytes_in_cache_ += block.count;
      pad -= block.count;
      queue_.push_back(std::move(block));
    }
  }
  primed_ = true;
  Wake();
  for (;;) {
    const std::uint64_t seen = Changes();
    if (bytes_to_deliver_ <= 0) break;
    if (aborted_) {
      producer_busy_ = true;
      Fail("OPERATION ABORTED BY USER");
      return;
    }
    WaitForChange(seen, 10);
  }
  finished_ = true;
  Wake();
}

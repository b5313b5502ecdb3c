#pragma once
// The read-ahead cache: a thread that turns the file-system header and the
// source files into a queue of whole-sector blocks, so that the writer (a
// drive or an image file) is fed without pause. The writer takes blocks
// with GetBlock; the first failure is kept in Status and ends the thread.

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A source file of the compilation, read as the layout measured it: the
// file must still hold exactly the bytes it had when it was added. Both
// image writers and the cache read sources through it, so they fail alike.
class TSourceFile {
 public:
  // Opens without waiting: a source that became a FIFO since it was added
  // reads short instead of blocking the build.
  // `size` is what the layout reserved; large files are read ahead further.
  TSourceFile(const std::string& path, std::int64_t size);
  ~TSourceFile();
  TSourceFile(const TSourceFile&) = delete;
  TSourceFile& operator=(const TSourceFile&) = delete;

  // Empty when the file opened, else the failure text.
  std::string OpenFailure() const;
  // Reads exactly n bytes into `to`; the failure text when the file is
  // shorter now or cannot be read.
  std::string ReadExactly(std::uint8_t* to, std::int64_t n);
  // After the last byte the layout reserved: the failure text when the
  // file has grown since.
  std::string CheckEnd();

 private:
  // One read, retried when a signal cut it short.
  ssize_t ReadOnce(std::uint8_t* to, std::int64_t n);
  // What a read that gave `r` (an error, the end of the file, or bytes
  // past the end) means for the build.
  std::string ReadFailure(ssize_t r) const;

  std::string path_;
  int fd_ = -1;
};

// One item of data after the header, in the order it goes out.
struct TCacheItem {
  std::string Path;
  std::int64_t Size = 0;  // bytes the layout reserved; the file must still have them
};

// The lock the cache and its writer share: the drive object's lock, taken
// around every change of the queue. It must be re-entrant for its holder.
class TDeviceLock {
 public:
  virtual ~TDeviceLock() = default;
  virtual void lock() = 0;
  virtual void unlock() = 0;
};

// A lock of its own, for a cache that feeds no drive.
class TPlainDeviceLock final : public TDeviceLock {
 public:
  void lock() override { mutex_.lock(); }
  void unlock() override { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

enum class TCachePriority { Idle, Lowest, Lower, Normal };

inline constexpr std::int64_t kMinTrackBytes = 614400;  // 300 sectors

class TCacheThread {
 public:
  struct Params {
    int CacheSize = 4194304;
    std::vector<std::uint8_t> Header;  // taken over and released once queued
    std::int64_t TrackBytes = 0;
    std::int64_t BootImageBytes = 0;  // as the layout measured it; sent in whole sectors
    std::string BootFile;
    bool PadShortTrack = false;
    int BlockSize = 65536;
    // For an image burn: this file is sent instead of a compilation.
    std::string ImageFileName;
    std::vector<TCacheItem> Files;
  };

  // Starts the thread at once. `lock` is the device lock the writer also
  // holds while it takes a block.
  TCacheThread(Params params, TDeviceLock& lock);
  ~TCacheThread();
  TCacheThread(const TCacheThread&) = delete;
  TCacheThread& operator=(const TCacheThread&) = delete;

  // Moves the oldest block into `buffer` (BlockSize() bytes at least) and
  // returns its byte count; 0 when all is delivered or the cache stopped,
  // -1 when the queue is empty for the moment.
  int GetBlock(std::uint8_t* buffer);
  void Abort();
  void WaitFor();
  // Changes so far: a block queued or taken, the cache primed, finished or
  // failed, an abort. Read it before looking at the state, then wait with
  // WaitForChange for the next one (at most `ms`): nothing falls between.
  // Neither may be called while holding the device lock.
  std::uint64_t Changes();
  void WaitForChange(std::uint64_t seen, std::uint32_t ms);

  bool Primed() const { return primed_; }
  bool Finished() const { return finished_; }
  std::string Status() const;
  // The writer's own failure, kept by the abort that follows it.
  void SetStatus(const std::string& text);
  std::string CurrentFile() const;
  std::int64_t BytesInCache() const { return bytes_in_cache_; }
  std::int64_t BytesToDeliver() const { return bytes_to_deliver_; }
  int BlockSize() const { return block_size_; }
  int Capacity() const { return capacity_; }
  TCachePriority CurrentPriority() const { return priority_; }
  std::size_t QueuedBlocks() const;

 private:
  struct Block {
    std::unique_ptr<std::uint8_t[]> data;
    int count = 0;
  };
  // A block's buffer: a used one when the writer has handed one back.
  std::unique_ptr<std::uint8_t[]> NewBuffer();
  void Execute();
  bool QueueHeader();
  bool SendFile(const std::string& path, std::int64_t size, bool last, bool pad_to_sectors);
  bool WaitForRoom();
  void QueueCarry();
  void AbortNow();
  void Fail(const std::string& text);
  void SetPriority(TCachePriority p) { priority_ = p; }
  // Wakes every WaitForChange.
  void Wake();

  Params params_;
  TDeviceLock& lock_;
  const int block_size_;
  const int capacity_;
  std::deque<Block> queue_;
  std::vector<std::unique_ptr<std::uint8_t[]>> spare_;  // buffers the writer is done with
  Block carry_;
  std::atomic<bool> primed_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> aborted_{false};
  std::atomic<bool> producer_busy_{false};
  std::atomic<bool> consumer_busy_{false};
  std::atomic<std::int64_t> bytes_in_cache_{0};
  std::atomic<std::int64_t> bytes_to_deliver_{0};
  std::atomic<TCachePriority> priority_{TCachePriority::Lower};
  std::mutex wake_mutex_;
  std::condition_variable woken_;
  std::uint64_t changes_ = 0;  // under wake_mutex_
  mutable std::mutex text_mutex_;
  std::string status_;
  std::string current_file_;
  std::thread thread_;
};

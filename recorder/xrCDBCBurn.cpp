// Burning: the compilation or an image file goes to the disc through the
// read-ahead cache and the write thread, which prepares the drive, sends
// the blocks with WRITE(10), closes the track or session as the disc type
// wants and puts the drive back.
//
// On overwritable media (DVD+RW, restricted-overwrite DVD-RW, DVD-RAM) the
// volume descriptors at sectors 16 and up describe the whole disc. They are
// replaced only after the new session's data is on the disc and flushed,
// so a burn that fails or is aborted leaves the previous volume readable.

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/core/Dispatcher.h"
#include "recorder/xrCDBC.h"
#include "recorder/xrSPTI.h"

namespace {

constexpr int kBusyRetries = 10000;
constexpr int kBusySleepMs = 600;
constexpr int kCloseRetries = 1000;
// Longest a drive may take to finish a format or to drain its buffer
// after the last block before the burn is called failed.
constexpr std::uint64_t kLongWaitMs = 2 * 60 * 60 * 1000;

bool IsCd(TDiscType t) { return t == dtCDR || t == dtCDRW; }
bool IsDvdWrite(TDiscType t) {
  return t == dtDVDR || t == dtDVDRWRestricted || t == dtDVDRWSequential || t == dtDVDPlusRW || t == dtDVDPlusR ||
         t == dtDVDPlusRDL;
}
bool IsOverwritable(TDiscType t) { return t == dtDVDPlusRW || t == dtDVDRWRestricted || t == dtDVDRAM; }

std::string Thousands(unsigned value) {
  std::string digits = std::to_string(value);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
  return digits;
}

// The write thread asks to run ahead of everything else; an ordinary user
// may not, and then it runs as well as it can at the best nice value left.
void RaisePriority() {
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_FIFO);
  if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) return;
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  for (int nice = -20; nice < 0; nice += 5) {
    if (::setpriority(PRIO_PROCESS, tid, nice) == 0) return;
  }
}

}  // namespace

bool TQCDBurner::DriveBusy() const {
  if (TargetBusy) return true;
  // Without sense data the command never reached the drive: that is no
  // busy drive to wait for but a failure.
  const std::uint8_t response = LastSense[0] & 0x7F;
  if (response != 0x70 && response != 0x71) return false;
  const std::uint8_t key = LastSense[2] & 0x0F;
  const std::uint8_t asc = LastSense[12];
  return asc == 0x04 || (asc == 0x00 && key == 0x02);
}

bool TQCDBurner::ReadyOrWait(int budget_ms, int step_ms) {
  // The drive's wait starts with a sleep; a drive that is ready already
  // (nearly always) is not kept waiting for it.
  if (TestUnitReady(5000)) return true;
  return WaitForReady(budget_ms, step_ms);
}

bool TQCDBurner::WaitWhileNotReady(std::uint32_t step_ms) {
  const std::uint64_t start = TheClock().TickMs();
  do {
    TheClock().SleepMs(step_ms);
    if (ReadDiscInfoBlock() || LastSense[12] != 0x04) return true;
  } while (TheClock().TickMs() - start < kLongWaitMs);
  return false;
}

TCacheThread::Params TQCDBurner::BurnCacheParams(int block_size) {
  TCacheThread::Params params;
  params.CacheSize = cache_size_;
  params.PadShortTrack = write_post_gap_;
  params.BlockSize = block_size;
  return params;
}

bool TQCDBurner::PrimeAndStart(TCacheThread::Params params) {
  {
    std::lock_guard guard(device_lock_);
    cache_ = std::make_unique<TCacheThread>(std::move(params), device_lock_);
  }
  for (;;) {
    if (cache_->Primed()) return StartWriteThread(false);
    const std::string status = cache_->Status();
    if (!status.empty()) {
      cache_->WaitFor();
      {
        std::lock_guard guard(device_lock_);
        cache_.reset();
      }
      last_write_result_ = status;
      if (OnWriteDone) OnWriteDone(this, status);
      return false;
    }
    TheClock().SleepMs(100);
  }
}

bool TQCDBurner::BurnCompilation() {
  JoinWriteThread();
  const TDiscType loaded = GetDiscType();
  const int block_size = IsCd(loaded) ? 55296 : 65536;
  const std::string boot_file = Bootable ? BootImage : std::string();

  // A sequential DVD-RW is formatted (which empties it) only while blank;
  // with sessions on it the new one is appended as on any sequential disc.
  const TDiscType current = static_cast<TDiscType>(DrvLib().CurrentDiscType.load());
  const bool blank_sequential = current == dtDVDRWSequential && ReadDiscInfoBlock() && (DiscInfoBlock[2] & 0x03) == 0;
  // A test write changes nothing on the disc, its format included.
  if (!TestWrite() && (current == dtDVDRWRestricted || blank_sequential)) {
    const auto& list = current == dtDVDRWSequential ? kFormatDVDRWQuickDCRT : kFormatDVDRWQuickGrow;
    if (!FormatUnit(0x11, list.data(), static_cast<std::uint16_t>(list.size()))) {
      FormatUnit(0x11, kFormatDVDRWQuick.data(), static_cast<std::uint16_t>(kFormatDVDRWQuick.size()));
    }
    if (!WaitWhileNotReady(5000)) {
      const std::string text = "WRITER ERROR [" + LastError + "]";
      last_write_result_ = text;
      if (OnWriteDone) OnWriteDone(this, text);
      return false;
    }
  }

  burn_layout_ = true;
  PrepareLayout(false, nullptr);
  BuildFileSystemHeader();
  burn_layout_ = false;
  // Imported files lie where the disc already holds data: without the
  // disc's next writable address the new session would overwrite them.
  const auto& files = Compilation().Files();
  if (layout_.SessionStart == 0 &&
      std::any_of(files.begin(), files.end(), [](const auto& e) { return e->Imported; })) {
    const std::string text = "ERROR GETTING NEXT WRITABLE ADDRESS";
    last_write_result_ = text;
    if (OnWriteDone) OnWriteDone(this, text);
    return false;
  }

  TCacheThread::Params params = BurnCacheParams(block_size);
  params.Header = std::move(header_);
  header_.clear();
  params.TrackBytes = layout_.TrackSectors * kSectorSize;
  if (!boot_file.empty()) {
    params.BootFile = boot_file;
    params.BootImageBytes = layout_options_.BootImageBytes;
  }
  params.Files = CacheItems();
  image_burn_ = false;
  return PrimeAndStart(std::move(params));
}

bool TQCDBurner::BurnImageFile(const std::string& FileName) {
  JoinWriteThread();
  const TDiscType loaded = GetDiscType();
  const int block_size = IsCd(loaded) ? 55296 : 65536;
  struct stat st;
  const int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    const std::string text = "CAN'T OPEN FILE \"" + FileName + "\" OR FILE IS IN USES BY OTHER SOFTWARE";
    last_write_result_ = text;
    if (OnWriteDone) OnWriteDone(this, text);
    return false;
  }
  ::close(fd);
  // The image says where everything lies: it goes to the disc from sector 0.
  layout_ = TLayoutFigures{};
  layout_.SessionStart = 0;
  layout_.TrackSectors = iso::Sectors(st.st_size);
  layout_.VolumeEnd = layout_.TrackSectors;
  descriptor_copy_.clear();
  TCacheThread::Params params = BurnCacheParams(block_size);
  params.TrackBytes = layout_.TrackSectors * kSectorSize;
  params.ImageFileName = FileName;
  params.PadShortTrack = false;
  image_burn_ = true;
  return PrimeAndStart(std::move(params));
}

bool TQCDBurner::StartWriteThread(bool ImageMode) {
  if (ImageMode) {
    StartImageWriteThread();
    return true;
  }
  JoinWriteThread();
  abort_requested_ = false;
  writing_ = true;
  write_thread_ = std::thread([this] { WriteBurnThread(); });
  return true;
}

void TQCDBurner::PostNotice(bool finalizing, const std::string& text) {
  std::weak_ptr<TQCDBurner*> token = alive_;
  TheDispatcher().Post([token, finalizing, text] {
    if (auto self = token.lock()) {
      TQCDBurner* r = *self;
      if (finalizing) {
        if (r->OnFinalizingTrack) r->OnFinalizingTrack(r);
      } else {
        r->last_write_result_ = text;
        if (r->OnWriteDone) r->OnWriteDone(r, text);
      }
    }
  });
}

void TQCDBurner::WriteBurnThread() {
  RaisePriority();
  bytes_written_ = 0;
  TCacheThread* cache;
  {
    std::lock_guard guard(device_lock_);
    cache = cache_.get();
  }
  const auto fail = [&](const std::string& text) {
    std::lock_guard guard(device_lock_);
    if (cache->Status().empty()) cache->SetStatus(text);
    cache->Abort();
  };
  const auto failed = [&] { return !cache->Status().empty(); };

  // Drive set-up.
  std::uint32_t buffer_length = 0, blank_length = 0;
  bool buffer_readings = ReadBufferCapacity(buffer_length, blank_length);
  const TDiscType type = GetDiscType();
  DrvLib().CurrentDiscType = type;
  StartStopUnit(false);
  if (type != dtDVDPlusRW) RezeroUnit();
  SetCDSpeed(ReadSpeed(), WriteSpeed());
  ReadyOrWait(10000, 1000);
  const std::uint16_t speed = GetCurrentWriteSpeed();
  const bool finalize = FinalizeDisc();
  SetFinalizeDisc(true);
  SetWriteParameters(TestWrite(), UnderrunProtection(), true, type);
  SetFinalizeDisc(finalize);

  const std::int64_t start = image_burn_ ? 0 : layout_.SessionStart;
  const std::int64_t track_sectors = GetTrackSectors();
  if (IsDvdWrite(type)) {
    SetStreamingPerformance(static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(start + track_sectors),
                            static_cast<std::uint32_t>(ReadSpeed() / 1385.0 * 1440.25),
                            static_cast<std::uint32_t>(WriteSpeed() / 1385.0 * 1440.25), 1000, 1000);
  }
  const int sessions = std::max<int>(GetSessionCount(), 0);
  if (type == dtDVDR) {
    SetStreaming(kStreamingDVDR.data(), static_cast<std::uint16_t>(kStreamingDVDR.size()));
    SendDVDTimeStamp(std::chrono::system_clock::to_time_t(TheClock().Now()));
    ReserveTrack(static_cast<std::uint32_t>((track_sectors + 31) / 32 * 32));
    ReadyOrWait(10000, 1000);
  }
  if (PerformOPC() && type != dtDVDRAM && !TestWrite()) SendOPCInformation();
  {
    char line[160];
    const unsigned kbs = speed;
    if (type >= dtDVDR && type <= dtDVDPlusR) {
      std::snprintf(line, sizeof line, "%.1f", kbs / 1385.0);
    } else {
      std::snprintf(line, sizeof line, "%.0f", kbs / 176.4);
    }
    Debug(">>> STARTING WRITE PROCESS ON " + DiscTypeName(type) + " AT " + line + "X (" + Thousands(kbs) + " KB/s)",
          1);
    if (TestWrite()) Debug(">>> TEST/DUMMY WRITE", 1);
  }

  // Data.
  const int block_size = cache->BlockSize();
  auto buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(block_size));
  const std::int64_t limit = track_sectors * kSectorSize;
  const bool whole_blocks = !image_burn_ && !IsCd(type);
  // Drives simulate a write only on sequential media; on overwritable ones
  // a test write would be a real one, so the blocks are counted, not sent.
  const bool count_only = TestWrite() && IsOverwritable(type);
  std::int64_t sectors = 0;
  int blocks = 0;
  bool formatted_once = false;
  int n;
  {
    std::lock_guard guard(device_lock_);
    n = cache->GetBlock(buffer.get());
  }
  while (n != 0 && !failed()) {
    if (n > 0) {
      int count = n;
      if (whole_blocks && count < block_size) {
        // The last block goes out whole, filled with zeros, not stale data.
        std::memset(buffer.get() + count, 0, static_cast<std::size_t>(block_size - count));
        count = block_size;
      }
      bytes_written_ = std::min<std::int64_t>(bytes_written_ + n, limit);
      if (++blocks % 5 == 1 && blocks > 1 && buffer_readings) {
        buffer_readings = ReadBufferCapacity(buffer_length, blank_length);
      }
      int busy = 0;
      for (;;) {
        if (abort_requested_) {
          fail("OPERATION ABORTED BY USER");
          break;
        }
        const auto lba = static_cast<std::uint32_t>(start + sectors);
        if (count_only) break;
        if (Write10(lba, static_cast<std::uint16_t>(count / kSectorSize), buffer.get(),
                    static_cast<std::uint32_t>(count))) {
          break;
        }
        if (type == dtDVDPlusRW && LastSense[12] == 0x30 && !formatted_once) {
          // A DVD+RW that was never formatted refuses to be written.
          formatted_once = true;
          if (FormatUnit(0x11, kFormatDVDPlusRW.data(), static_cast<std::uint16_t>(kFormatDVDPlusRW.size())) &&
              !WaitWhileNotReady(2000)) {
            fail("WRITER ERROR [" + LastError + "]");
            break;
          }
          continue;
        }
        if (DriveBusy()) {
          if (++busy >= kBusyRetries) {
            fail("WRITER BUSY/BUFFER FULL");
            break;
          }
          TheClock().SleepMs(kBusySleepMs);
          continue;
        }
        fail("WRITER ERROR [" + LastError + "]");
        break;
      }
      if (failed()) break;
      sectors += count / kSectorSize;
    }
    if (abort_requested_) {
      fail("OPERATION ABORTED BY USER");
      break;
    }
    for (;;) {
      {
        std::lock_guard guard(device_lock_);
        n = cache->GetBlock(buffer.get());
      }
      if (failed()) {
        n = 0;
        break;
      }
      if (n != -1) break;
      TheClock().SleepMs(1);
    }
  }
  if (!failed() && cache->BytesToDeliver() != 0) fail("INTERNAL ERROR 0005");

  // Flush.
  if (type != dtDVDRAM) ReadBufferCapacity(buffer_length, blank_length);
  PostNotice(true, std::string());
  if (type == dtDVDR || type == dtDVDRWRestricted || type == dtDVDRWSequential) {
    SynchronizeCache(1800000, true);
    SetDeviceFreeBufferSize(DeviceBufferSize());
    const std::uint64_t begin = TheClock().TickMs();
    while (!ReadDiscInfoBlock()) {
      if (TheClock().TickMs() - begin >= kLongWaitMs) {
        fail("WRITER ERROR [THE DRIVE DID NOT FINISH WRITING: " + LastError + "]");
        break;
      }
      const std::uint32_t step = DeviceBufferSize() / 960;
      SetDeviceFreeBufferSize(DeviceFreeBufferSize() > step ? DeviceFreeBufferSize() - step : 0);
      TheClock().SleepMs(1000);
    }
  } else if (!SynchronizeCache(120000, false) && !SynchronizeCache(120000, true) && !failed()) {
    fail("WRITER ERROR [" + LastError + "]");
  }
  SetDeviceBufferSize(0);
  SetDeviceFreeBufferSize(0);

  // The new volume becomes the disc's: its descriptors go to sector 16.
  if (!failed() && !TestWrite() && !image_burn_ && IsOverwritable(type) && start > 0) WriteDescriptors();

  // Close.
  if (!failed() && !TestWrite() && type != dtDVDRAM && FinalizeTrack()) {
    if (type != dtDVDR) SetWriteParameters(TestWrite(), UnderrunProtection(), FinalizeDisc(), type);
    const auto next = static_cast<std::uint8_t>(sessions + 1);
    switch (type) {
      case dtDVDPlusR:
        CloseTrackSessionEx(false, 1, 0, 0, next);
        CloseTrackSessionEx(false, 2, 0, 0, 0xFF);
        break;
      case dtDVDPlusRDL:
        CloseTrackSessionEx(false, 1, 0, 0, next);
        CloseTrackSessionEx(false, FinalizeDisc() ? 6 : 2, 0, 0, 0);
        break;
      case dtDVDR:
        CloseTrackSessionEx(true, 1, 0, 0, next);
        CloseTrackSessionEx(true, 1, 0, 0, static_cast<std::uint8_t>(sessions + 2));
        CloseTrackSessionEx(true, 2, 0, 0, static_cast<std::uint8_t>(sessions + 3));
        break;
      case dtDVDRWRestricted:
      case dtDVDRWSequential:
        CloseTrackSessionEx(true, 2, 0, 0, 0);
        break;
      case dtDVDPlusRW:
        CloseTrackSessionEx(false, 3, 0, 0, 0xFF);
        break;
      default: {
        bool retried = false;
        for (int i = 0; i < kCloseRetries; ++i) {
          if (CloseTrackSession(false, DrvLib().CloseSessionImmediate, false)) break;
          if (TargetBusy || LastSense[12] == 0x04) {
            TheClock().SleepMs(1000);
          } else if (!retried) {
            retried = true;
          } else {
            break;
          }
        }
        break;
      }
    }
  }

  // Put the drive back, after a failure too, so it is usable at once.
  ReadyOrWait(240000, 5000);
  if (type != dtDVDRAM) ReadBufferCapacity(buffer_length, blank_length);
  // Test write off: a drive left simulating would fake the next program's burn.
  SetWriteParameters(false, UnderrunProtection(), false, dtCDROM);
  SetCDSpeed(GetMaxReadSpeed(), 2);
  RezeroUnit();
  PreventAllowMediumRemoval(true);
  StartStopUnit(false);
  RezeroUnit();
  TestUnitReady(5000);

  std::string text;
  {
    std::lock_guard guard(device_lock_);
    text = cache->Status();
  }
  writing_ = false;
  // The drive commands above leave the device open; other programs want it.
  SetCloseDeviceAfterCommand(true);
  cache->WaitFor();
  {
    std::lock_guard guard(device_lock_);
    if (text.empty()) text = cache->Status();
    cache_.reset();
  }
  PostNotice(false, text);
}

void TQCDBurner::WriteDescriptors() {
  // The system area and every descriptor up to the set terminator.
  std::size_t count = 0;
  for (std::size_t s = 16; (s + 1) * kSectorSize <= descriptor_copy_.size(); ++s) {
    const std::uint8_t* d = descriptor_copy_.data() + s * kSectorSize;
    if (std::memcmp(d + 1, "CD001", 5) != 0) break;
    if (d[0] == 255) {
      count = s + 1;
      break;
    }
  }
  if (count == 0) return;
  // Whole 16-sector blocks (restricted overwrite takes no less); what
  // follows the descriptors in the last block is kept as the disc has it.
  const std::size_t whole = (count + 15) / 16 * 16;
  std::vector<std::uint8_t> data(whole * kSectorSize);
  std::memcpy(data.data(), descriptor_copy_.data(), count * kSectorSize);
  if (whole > count && !Read10(static_cast<std::uint32_t>(count), static_cast<std::uint16_t>(whole - count),
                               data.data() + count * kSectorSize,
                               static_cast<std::uint32_t>((whole - count) * kSectorSize))) {
    std::lock_guard guard(device_lock_);
    if (cache_) cache_->SetStatus("WRITER ERROR [" + LastError + "]");
    return;
  }
  ErrorLogged = true;
  int busy = 0;
  while (!Write10(0, static_cast<std::uint16_t>(whole), data.data(), static_cast<std::uint32_t>(whole * kSectorSize))) {
    if (!DriveBusy() || ++busy >= kBusyRetries) {
      std::lock_guard guard(device_lock_);
      if (cache_) {
        cache_->SetStatus(busy ? "WRITER BUSY/BUFFER FULL" : "WRITER ERROR [" + LastError + "]");
      }
      return;
    }
    TheClock().SleepMs(kBusySleepMs);
  }
  if (!SynchronizeCache(1800000, false)) {
    std::lock_guard guard(device_lock_);
    if (cache_) cache_->SetStatus("WRITER ERROR [" + LastError + "]");
  }
}

// Erase of rewritable media: the erase command and the thread that watches
// the drive until it is ready again.

#include <cmath>
#include <cstdio>
#include <thread>

#include "platform/core/Clock.h"
#include "platform/core/Dispatcher.h"
#include "recorder/xrConst.h"
#include "recorder/xrDrvLib.h"

namespace {

std::uint16_t EraseDuration(TDiscType type, std::uint8_t mode) {
  const bool cd = type < dtDVDROM;
  if (mode == 1) return cd ? 150 : 600;
  return cd ? 4500 : 4440;
}

std::string Thousands(unsigned value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<std::size_t>(at), ",");
  return digits;
}

}  // namespace

std::string EraseSpeedText(TDiscType type, std::uint16_t speed) {
  char factor[32];
  if (type >= dtDVDRAM && type <= dtDVDPlusRW) {
    std::snprintf(factor, sizeof factor, "%.1fX", speed / 1385.0);
  } else {
    std::snprintf(factor, sizeof factor, "%.0fX", speed / 176.4);
  }
  return std::string(factor) + "(" + Thousands(speed) + " KB/s)";
}

TSCSIDevice::~TSCSIDevice() {
  *alive_ = false;
  if (EraseThreadInstance) EraseThreadInstance->Terminate();
}

int TSCSIDevice::GetEraseProgress() const {
  return Erasing_ && EraseThreadInstance ? EraseThreadInstance->Progress.load() : 0;
}

bool TSCSIDevice::Erase(std::uint8_t Mode) {
  // Made here, on the caller's (main) thread, so the thread reports there.
  MainThreadDispatcher& dispatcher = TheDispatcher();
  if (EraseThreadInstance) {
    EraseThreadInstance->Terminate();
    EraseThreadInstance.reset();
  }
  const bool ready_at_start = TestUnitReady(5000);
  StartStopUnit(false);
  const TDiscType type = GetDiscType();
  DrvLib().CurrentDiscType = type;
  EraseMode = Mode;
  if (!ready_at_start && !WaitForReady(30000, 5000)) return false;
  if (type != dtDVDRAM) {
    SetCDSpeed(ReadSpeed_, WriteSpeed_);
    SetWriteParameters(false, false, false, type);
  }
  const std::uint16_t speed = GetCurrentWriteSpeed();
  if (!TestUnitReady(5000) && !WaitForReady(30000, 5000)) return false;

  char line[160];
  std::snprintf(line, sizeof line, kTextStartingErase, DiscTypeName(type).c_str(),
                EraseSpeedText(type, speed).c_str());
  DebugMessage(std::string(">>> ") + line, 1);

  bool accepted = false;
  if (type == dtDVDPlusRW) {
    accepted = FormatUnit(0x11, kFormatDVDPlusRW.data(), 12);
    if (!accepted) {
      RezeroUnit();
      TheClock().SleepMs(1000);
      accepted = FormatUnit(0x11, kFormatDVDPlusRW.data(), 12);
    }
  } else if (type == dtDVDRAM && Mode == 1) {
    std::fill(DriveDataBuffer.begin(), DriveDataBuffer.end(), 0);
    accepted = true;
    for (std::uint32_t lba = 0; lba <= 320 && accepted; lba += 32) {
      accepted = Write10(lba, 32, DriveDataBuffer.data(), 65536);
    }
    if (accepted) accepted = SynchronizeCache(30000, false);
  } else if (type == dtDVDRAM) {
    accepted = FormatUnit(0x11, kFormatDVDRAMFull.data(), 12);
  } else {
    TSRB srb;
    PrepareSRB(srb, 0, 12, nullptr, 0);
    srb.CDBByte[0] = 0xA1;
    srb.CDBByte[1] = static_cast<std::uint8_t>(Mode | 0x10);
    // Only a completed BLANK was taken by the drive.
    accepted = Run(srb, 4800 * 1000);
  }

  if (!accepted) {
    Erasing_ = false;
    if (OnEraseDone) OnEraseDone(this, true);
    return false;
  }
  EraseThreadInstance =
      std::make_unique<TEraseThread>(*this, type, EraseDuration(type, Mode), dispatcher, alive_);
  Erasing_ = true;
  EraseThreadInstance->Start();
  return true;
}

// ---------------------------------------------------------------- thread

TEraseThread::TEraseThread(TSCSIDevice& device, TDiscType disc_type, std::uint16_t duration,
                           MainThreadDispatcher& dispatcher, std::shared_ptr<std::atomic<bool>> device_alive)
    : DiscType(disc_type),
      Device(&device),
      Duration(duration),
      dispatcher_(dispatcher),
      device_alive_(std::move(device_alive)) {}

TEraseThread::~TEraseThread() { Terminate(); }

void TEraseThread::Start() {
  thread_ = std::make_unique<std::thread>([this] { Execute(); });
}

void TEraseThread::Terminate() {
  terminated_ = true;
  if (thread_ && thread_->joinable()) {
    if (thread_->get_id() == std::this_thread::get_id()) {
      thread_->detach();
    } else {
      thread_->join();
    }
  }
}

void TEraseThread::Update() { Progress = static_cast<int>(std::lround(t_ / Duration * 100.0)); }

void TEraseThread::Sleep(std::uint32_t ms) {
  if (!terminated_) TheClock().SleepMs(ms);
}

bool TEraseThread::WriteZeros(std::uint32_t commands) {
  auto& data = Device->DriveDataBuffer;
  std::fill(data.begin(), data.end(), 0);
  for (std::uint32_t i = 0; i < commands && !terminated_; ++i) {
    if (!Device->Write10(i * 32, 32, data.data(), 65536)) return false;
  }
  return !terminated_;
}

void TEraseThread::Execute() {
  TSCSIDevice& d = *Device;
  const auto not_ready = [&d] { return d.NotReady(); };
  bool failed = false;
  bool skip_to_end = false;

  switch (DrvLib().CurrentDiscType) {
    case dtDVDRWRestricted:
    case dtDVDRWSequential:
      do {
        Update();
        t_ += 1;
        if (!d.TestUnitReady(5000)) Sleep(2000);
        Update();
      } while (not_ready() && TimeRemains());
      Sleep(5000);
      do {
        Update();
        t_ += 1;
        if (!d.TestUnitReady(5000)) Sleep(2000);
      } while (not_ready() && TimeRemains());
      break;
    case dtDVDPlusRW: {
      // The format runs in the background; wait for it within the expected
      // time like every other kind of disc.
      do {
        Sleep(2000);
        t_ += 2;
        d.ReadDiscInfoBlock();
        Update();
      } while (not_ready() && TimeRemains());
      if (!WriteZeros(d.EraseMode == 1 ? 65 : 71001)) {
        failed = true;
        skip_to_end = true;
        break;
      }
      Sleep(300);
      Update();
      t_ += 1;
      if (!d.SynchronizeCache(30000, false)) failed = true;
      if (!d.CloseTrackSessionEx(false, 3, 0, 0, 0)) failed = true;
      break;
    }
    case dtDVDRAM:
      if (d.EraseMode == 1) {
        if (!WriteZeros(65)) failed = true;
        if (!d.SynchronizeCache(30000, false)) failed = true;
      }
      break;
    default:
      break;
  }

  bool ready = false;
  if (!skip_to_end) {
    if (DrvLib().WaitNotReadyDrive) {
      do {
        Update();
        t_ += 2;
        if (!d.TestUnitReady(5000)) Sleep(2000);
      } while (not_ready() && TimeRemains());
      d.ReadDiscInfoBlock();
      Sleep(5000);
    }
    if (d.TestUnitReady(5000) && d.ReadDiscInfoBlock()) {
      ready = true;
    } else {
      if (DiscType != dtDVDRAM) {
        do {
          Update();
          d.ReadDiscInfoBlock();
          t_ += 5;
          if (not_ready()) Sleep(5000);
        } while (not_ready() && TimeRemains());
      }
      do {
        Update();
        t_ += 2;
        if (!d.TestUnitReady(5000)) Sleep(2000);
      } while (not_ready() && TimeRemains());
      alignas(8) std::array<std::uint8_t, 40> sense{};
      while (TimeRemains()) {
        Update();
        sense.fill(0);
        d.RequestSense(sense.data(), static_cast<std::uint8_t>(sense.size()));
        t_ += 2;
        if (sense[0] == 0xF0) sense[12] = 0x04;
        Sleep(2000);
        if (sense[12] == 0) break;
      }
      ready = d.TestUnitReady(5000);
    }
  }
  // A drive that never came back, or writes that failed, end in an error.
  if (!ready) failed = true;
  WithError = failed;

  if (ActiveLayerName() == kLayerEmulation) ReinitASPI();
  Progress = 100;

  d.SetWriteParameters(false, false, false, 1);
  d.SetCDSpeed(d.GetMaxReadSpeed(), 2);
  d.RezeroUnit();
  d.PreventAllowMediumRemoval(true);
  d.StartStopUnit(false);
  d.RezeroUnit();
  d.TestUnitReady(5000);

  d.Erasing_ = false;
  const bool with_error = WithError;
  TSCSIDevice* device = Device;
  std::weak_ptr<std::atomic<bool>> alive = device_alive_;
  dispatcher_.Post([device, alive, with_error] {
    const auto token = alive.lock();
    if (!token || !*token) return;
    device->Erasing_ = false;
    if (device->OnEraseDone) device->OnEraseDone(device, with_error);
  });
}

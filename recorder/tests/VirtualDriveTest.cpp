// The drive layer end to end on the virtual recorder: transport start, scan,
// selection, queries for every medium, and erase.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/core/Dispatcher.h"
#include "platform/devices/VirtualMedia.h"
#include "platform/devices/VirtualRecorder.h"
#include "recorder/tests/DriveMachine.h"
#include "recorder/xrASPI.h"
#include "recorder/xrDrvLib.h"

namespace {

// Sits between the transport and the recorder: notes the erase progress at
// every command and can absorb zero writes past a block, so a full-disc
// zero fill does not have to land in the image file.
class Probe final : public ScsiTarget {
 public:
  explicit Probe(std::unique_ptr<VirtualRecorder> recorder) : recorder_(std::move(recorder)) {}
  ScsiResult Execute(const ScsiCommand& command) override {
    if (drive) {
      std::lock_guard<std::mutex> lock(mutex);
      progress.push_back(drive->GetEraseProgress());
    }
    if (command.opcode() == 0x2A) {
      ++writes;
      const std::uint32_t lba =
          (command.cdb[2] << 24) | (command.cdb[3] << 16) | (command.cdb[4] << 8) | command.cdb[5];
      if (lba >= absorb_from) {
        ScsiResult ok;
        ok.transferred = command.data_length;
        return ok;
      }
    }
    return recorder_->Execute(command);
  }
  std::optional<ScsiAddress> Address() const override { return recorder_->Address(); }
  std::string Describe() const override { return recorder_->Describe(); }
  VirtualRecorder& Recorder() { return *recorder_; }

  TSCSIDevice* drive = nullptr;
  std::mutex mutex;
  std::vector<int> progress;
  std::atomic<std::uint32_t> writes{0};
  std::uint32_t absorb_from = 0xFFFFFFFFu;

 private:
  std::unique_ptr<VirtualRecorder> recorder_;
};

// An image of `blocks` blocks with a primary volume descriptor that names
// its size, so pressed discs can be made from it.
std::string MakeIso(const TempDir& dir, std::uint32_t blocks, char fill = 'D') {
  std::string image(std::size_t{blocks} * 2048, fill);
  std::string pvd(2048, '\0');
  pvd[0] = 1;
  pvd.replace(1, 5, "CD001");
  pvd[6] = 1;
  for (int i = 0; i < 4; ++i) pvd[80 + i] = static_cast<char>((blocks >> (8 * i)) & 0xFF);
  image.replace(16 * 2048, 2048, pvd);
  image.replace(17 * 2048, 2048, std::string(2048, '\0'));
  image[17 * 2048] = static_cast<char>(0xFF);  // set terminator
  image.replace(17 * 2048 + 1, 5, "CD001");
  dir.Write("data.iso", image);
  return dir / "data.iso";
}

struct VirtualDrive {
  FakeClock clock;
  ScopedClock scoped_clock{clock};
  QueueDispatcher dispatcher;
  ScopedDispatcher scoped_dispatcher{dispatcher};
  DriveMachine machine;
  Probe* probe = nullptr;
  std::unique_ptr<TSCSIDevice> drive;

  explicit VirtualDrive(VirtualMedium medium) {
    machine.factory = [this, medium](const DriveMapEntry& entry) {
      VirtualRecorderConfig config;
      config.image_path = entry.image;
      const bool pressed = SpecOf(medium).recording == RecordingKind::ReadOnly;
      config.initial_medium = pressed ? VirtualMedium::CdR : medium;
      config.persist = false;
      auto recorder = VirtualRecorder::Open(config);
      if (pressed) recorder->ImportIso(MakeIso(machine.files, 40), medium, true);
      auto p = std::make_unique<Probe>(std::move(recorder));
      probe = p.get();
      return p;
    };
    machine.Start("[E]\nImage=e.img\nMedium=" + MediumKey(medium) + "\n");
    drive = std::make_unique<TSCSIDevice>();
  }
  bool Select() {
    if (!drive->InitializeASPI(true, "") || drive->Devices.size() != 1) return false;
    drive->SetDeviceID(drive->Devices[0]);
    return drive->HaId == 0;
  }
  VirtualRecorder& Recorder() { return probe->Recorder(); }
};

TEST(VirtualDrive, ScanListsTheRecorderAndSelectsIt) {
  VirtualDrive v(VirtualMedium::DvdPlusRw);
  std::vector<std::string> lines;
  v.drive->SetDoDebug(true);
  v.drive->OnDebugMessage = [&](TSCSIDevice*, const std::string& text, std::uint8_t type) {
    lines.push_back(std::to_string(type) + " " + text);
  };
  ASSERT_TRUE(v.drive->InitializeASPI(true, ""));
  EXPECT_EQ(v.drive->Devices, (std::vector<std::string>{"0:0:0,E: BURNER  VIRTUAL DVD-RW  1.00"}));
  EXPECT_EQ(lines, (std::vector<std::string>{"1 >>> KVASPI32", "1 >>> KVASPI32 SPTI    (SPTI 0)"}));
  // Without DoDebug the scan is quiet.
  lines.clear();
  v.drive->SetDoDebug(false);
  v.drive->ScanDevices();
  EXPECT_TRUE(lines.empty());
  v.drive->SetDoDebug(true);
  v.drive->ScanDevices();
  EXPECT_EQ(lines, (std::vector<std::string>{"1 >>> KVASPI32", "1 >>> KVASPI32 SPTI    (SPTI 0)"}));
  lines.clear();
  v.drive->SetDeviceID(v.drive->Devices[0]);
  EXPECT_EQ(v.drive->DeviceName, "BURNER   VIRTUAL DVD-RW   1.00");
  EXPECT_EQ(v.drive->SelectedDeviceId, v.drive->Devices[0]);
  EXPECT_EQ(v.drive->WriteTypes & 0x06, 0x06);  // session and track at once
  EXPECT_TRUE(lines.empty());
  // Bad ids select nothing and say so once.
  v.drive->SetDeviceID("0:x:0,E: junk");
  EXPECT_EQ(v.drive->HaId, 254);
  EXPECT_EQ(v.drive->DeviceType, 127);
  EXPECT_EQ(lines, (std::vector<std::string>{"0 INVALID DEVICE ID / NOT A CD OR DVD DRIVE"}));
  v.drive->SetDeviceID("");
  v.drive->SetDeviceID("1:0");
  EXPECT_EQ(lines.size(), 2u);
  v.drive->SetDeviceID("0:5:0,E: nothing there");
  EXPECT_EQ(v.drive->HaId, 254);
  EXPECT_EQ(lines.size(), 3u);
}

struct MediumCase {
  VirtualMedium medium;
  TDiscType type;
  const char* profile_name;
};

const MediumCase kMedia[] = {
    {VirtualMedium::CdRom, dtCDROM, "CD-ROM"},
    {VirtualMedium::CdR, dtCDR, "CD-R"},
    {VirtualMedium::CdRw, dtCDRW, "CD-RW"},
    {VirtualMedium::DvdRom, dtDVDROM, "DVD-ROM"},
    {VirtualMedium::DvdR, dtDVDR, "DVD-R"},
    {VirtualMedium::DvdRwSequential, dtDVDRWSequential, "DVD-RW Sequential Recording"},
    {VirtualMedium::DvdRwRestricted, dtDVDRWRestricted, "DVD-RW Restricted Overwrite"},
    {VirtualMedium::DvdPlusR, dtDVDPlusR, "DVD+R"},
    {VirtualMedium::DvdPlusRDl, dtDVDPlusRDL, "???????"},
    {VirtualMedium::DvdPlusRw, dtDVDPlusRW, "DVD+RW"},
    {VirtualMedium::DvdRam, dtDVDRAM, "DVD-RAM"},
};

// One blank (or pressed, empty) disc of every kind the recorder holds.
TEST(VirtualDrive, QueriesForEveryMedium) {
  ASSERT_EQ(std::size(kMedia), AllMediumSpecs().size());
  for (const auto& c : kMedia) {
    SCOPED_TRACE(MediumKey(c.medium));
    const MediumSpec& medium_spec = SpecOf(c.medium);
    VirtualDrive v(c.medium);
    ASSERT_TRUE(v.Select()) << ::testing::PrintToString(v.drive->Devices) << " " << int(v.drive->HaId) << " "
                            << v.drive->DeviceName;
    TSCSIDevice& d = *v.drive;

    ASSERT_TRUE(d.GetCapabilities());
    for (auto bit : {capReadCDR, capReadCDRW, capReadDVD, capReadDVDR, capReadDVDRAM, capWriteCDR,
                     capWriteCDRW, capWriteTest, capWriteDVDR, capWriteDVDRAM, capUnderrunProtection}) {
      EXPECT_TRUE(d.Capabilities & bit) << bit;
    }
    const std::uint32_t max_write = medium_spec.write_speeds.empty() ? 0 : medium_spec.write_speeds.front();
    if (max_write != 0) EXPECT_EQ(d.DeviceMaxWriteSpeed(), max_write);
    EXPECT_EQ(d.DeviceMaxReadSpeed(), medium_spec.read_speed);
    EXPECT_EQ(d.GetMaxReadSpeed(), medium_spec.read_speed);

    const TDiscType type = d.GetDiscType();
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(DiscTypeOfProfile(medium_spec.profile), c.type);
    DrvLib().CurrentDiscType = type;

    TDisc disc;
    d.GetDiscInfo(disc);
    EXPECT_TRUE(disc.Present);
    EXPECT_EQ(disc.Profile, medium_spec.profile);
    EXPECT_EQ(disc.ProfileName, c.profile_name);
    EXPECT_EQ(disc.Erasable, medium_spec.erasable);
    EXPECT_EQ(d.IsDiscErasable(), medium_spec.erasable);
    if (medium_spec.recording == RecordingKind::ReadOnly) {
      EXPECT_EQ(d.GetSessionCount(), 1);
      EXPECT_EQ(disc.DiscStatus, 2);
      EXPECT_EQ(d.GetISOVolumeSize(), 40u);
      continue;
    }
    // Formatted overwrite media hold their one session from the start.
    const bool formatted = c.medium == VirtualMedium::DvdRwRestricted || c.medium == VirtualMedium::DvdRam;
    EXPECT_EQ(d.GetSessionCount(), formatted ? 1 : 0);
    EXPECT_EQ(disc.BlockSize, 2048u);
    EXPECT_EQ(d.GetDiscCapacity(), medium_spec.capacity);
    EXPECT_EQ(d.GetFreeBlocks(), medium_spec.capacity);
    EXPECT_EQ(d.GetNextWritableAddress(), 0u);
    EXPECT_EQ(d.GetISOVolumeSize(), 0u);

    // One appendable session of 64 blocks: where the next one goes and what
    // is left, as the recorder itself counts them.
    v.Recorder().ImportIso(MakeIso(v.machine.files, 64), c.medium, false);
    const auto summary = v.Recorder().Summary();
    // A DVD-RW is formatted afresh before every burn, so it offers its whole
    // space from block 0 whatever it holds.
    const bool dvd_rw =
        c.medium == VirtualMedium::DvdRwSequential || c.medium == VirtualMedium::DvdRwRestricted;
    if (medium_spec.recording == RecordingKind::Sequential) {
      EXPECT_EQ(d.GetSessionCount(), 1);
      EXPECT_EQ(d.GetNextWritableAddress(), dvd_rw ? 0u : summary.next_writable);
      EXPECT_EQ(d.GetFreeBlocks(), summary.free_blocks);
    } else {
      EXPECT_EQ(d.GetISOVolumeSize(), 64u);
      EXPECT_EQ(d.GetNextWritableAddress(), dvd_rw ? 0u : 64u);
      EXPECT_EQ(d.GetFreeBlocks(), dvd_rw ? summary.capacity : summary.capacity - 64);
    }
    EXPECT_EQ(d.GetDiscCapacity(), medium_spec.capacity);

    // The recorder takes the write parameters we make for its medium.
    v.Recorder().ClearCommandLog();
    ASSERT_TRUE(d.SetWriteParameters(false, true, true, type)) << d.LastError;
    std::vector<std::uint8_t> sent;
    for (const auto& record : v.Recorder().CommandLog()) {
      if (record.opcode() == 0x55) sent = record.data_out;
    }
    if (type == dtDVDRAM) {
      EXPECT_TRUE(sent.empty());
      continue;
    }
    ASSERT_EQ(sent.size(), 60u);
    const std::uint8_t write_type = sent[8 + 2] & 0x0F;
    const std::uint8_t expected_type =
        type < dtDVDROM || type == dtDVDROM                                          ? 1
        : (type == dtDVDR || type == dtDVDRWRestricted || type == dtDVDRWSequential) ? 0
                                                                                     : 2;
    EXPECT_EQ(write_type, expected_type);
    EXPECT_TRUE(sent[8 + 2] & 0x40);  // underrun protection on
  }
}

TEST(VirtualDrive, NoMediumGivesAnEmptyRecordAfterOnePause) {
  VirtualDrive v(VirtualMedium::CdR);
  ASSERT_TRUE(v.Select());
  v.Recorder().RemoveMedium();
  const auto slept = v.clock.SleptMs();
  TDisc disc;
  disc.Capacity = 99;
  v.drive->GetDiscInfo(disc);
  EXPECT_FALSE(disc.Present);
  EXPECT_EQ(disc.Capacity, 0u);
  EXPECT_EQ(v.clock.SleptMs() - slept, 5000u);
  EXPECT_EQ(v.drive->GetDiscType(), dtUnknown);
  EXPECT_FALSE(v.drive->TestUnitReady());
  EXPECT_EQ(v.drive->LastError.rfind("NOT READY (MEDIUM NOT PRESENT", 0), 0u) << v.drive->LastError;
}

// A new disc is reported once as a unit attention on the next command; the
// drive object sends that command again and the caller never sees it.
TEST(VirtualDrive, UnitAttentionAfterAMediumChangeIsAnsweredBySendingAgain) {
  VirtualDrive v(VirtualMedium::CdR);
  ASSERT_TRUE(v.Select());
  v.Recorder().InsertBlank(VirtualMedium::DvdPlusR);
  v.Recorder().ClearCommandLog();
  EXPECT_TRUE(v.drive->TestUnitReady()) << v.drive->LastError;
  const auto log = v.Recorder().CommandLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].opcode(), 0x00);
  EXPECT_EQ(log[0].result.sense_key(), 0x06);
  EXPECT_EQ(log[0].result.asc(), 0x28);
  EXPECT_EQ(log[1].opcode(), 0x00);
  EXPECT_TRUE(log[1].result.ok());
  EXPECT_EQ(v.drive->GetDiscType(), dtDVDPlusR);
}

// ------------------------------------------------------------------ erase

struct EraseOutcome {
  bool started = false;
  int events = 0;
  bool with_error = false;
  bool on_main_thread = false;
  std::vector<int> progress;
};

EraseOutcome RunErase(VirtualDrive& v, std::uint8_t mode) {
  EraseOutcome out;
  TSCSIDevice& d = *v.drive;
  const auto main_id = std::this_thread::get_id();
  d.OnEraseDone = [&](TSCSIDevice* sender, bool with_error) {
    EXPECT_EQ(sender, &d);
    ++out.events;
    out.with_error = with_error;
    out.on_main_thread = std::this_thread::get_id() == main_id;
    EXPECT_FALSE(d.Erasing());
  };
  v.probe->drive = &d;
  out.started = d.Erase(mode);
  if (out.started) {
    // Erasing() is not checked here: under the fake clock the thread may
    // already have finished and cleared it before Erase returns.
    EXPECT_TRUE(v.dispatcher.RunUntil([&] { return out.events > 0; }, std::chrono::seconds(60)));
  }
  v.dispatcher.RunPending();
  {
    std::lock_guard<std::mutex> lock(v.probe->mutex);
    out.progress = v.probe->progress;
  }
  EXPECT_FALSE(d.Erasing());
  EXPECT_EQ(d.GetEraseProgress(), 0);
  v.probe->drive = nullptr;
  return out;
}

// The figure may pass 100 just before the end, where it is set to exactly
// 100; read as a bar it never goes back.
bool Rising(const std::vector<int>& values) {
  for (std::size_t i = 1; i < values.size(); ++i) {
    if (std::min(values[i], 100) < std::min(values[i - 1], 100)) return false;
  }
  return true;
}

TEST(VirtualDrive, EraseEveryRewritableMedium) {
  struct Case {
    VirtualMedium medium;
    std::uint8_t mode;
  };
  const Case cases[] = {
      {VirtualMedium::CdRw, 1},
      {VirtualMedium::CdRw, 0},
      {VirtualMedium::DvdRwSequential, 1},
      {VirtualMedium::DvdRwSequential, 0},
      {VirtualMedium::DvdRwRestricted, 1},
      {VirtualMedium::DvdRwRestricted, 0},
      {VirtualMedium::DvdPlusRw, 1},
      {VirtualMedium::DvdPlusRw, 0},
      {VirtualMedium::DvdRam, 1},
      {VirtualMedium::DvdRam, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(MediumKey(c.medium) + (c.mode ? " quick" : " full"));
    VirtualDrive v(c.medium);
    ASSERT_TRUE(v.Select());
    // Something to erase: one recorded session.
    v.Recorder().ImportIso(MakeIso(v.machine.files, 64), c.medium, false);
    // A full DVD+RW erase writes zeros over the whole disc: the probe takes
    // them past the first megabytes instead of the image file.
    v.probe->absorb_from = 4096;
    const EraseOutcome out = RunErase(v, c.mode);
    ASSERT_TRUE(out.started) << v.drive->LastError;
    EXPECT_EQ(out.events, 1);
    EXPECT_FALSE(out.with_error);
    EXPECT_TRUE(out.on_main_thread);
    EXPECT_TRUE(Rising(out.progress));
    ASSERT_FALSE(out.progress.empty());
    EXPECT_EQ(out.progress.back(), 100);
    if (c.medium == VirtualMedium::DvdPlusRw) EXPECT_EQ(v.probe->writes, c.mode ? 65u : 71001u);
    // The data is gone: a blank disc, or zeros where it was.
    const auto summary = v.Recorder().Summary();
    if (c.medium == VirtualMedium::DvdPlusRw || c.medium == VirtualMedium::DvdRam) {
      if (c.medium == VirtualMedium::DvdPlusRw || c.mode == 1) {
        std::vector<std::uint8_t> block(2048, 0xEE);
        ASSERT_TRUE(v.drive->Read10(0, 1, block.data(), 2048)) << v.drive->LastError;
        EXPECT_EQ(block, std::vector<std::uint8_t>(2048, 0));
      }
      EXPECT_TRUE(summary.formatted);
    } else {
      EXPECT_EQ(summary.status, "blank");
      EXPECT_EQ(summary.used, 0u);
    }
  }
}

TEST(VirtualDrive, EraseFailures) {
  {
    SCOPED_TRACE("blank refused");
    VirtualDrive v(VirtualMedium::CdRw);
    ASSERT_TRUE(v.Select());
    VirtualFault fault;
    fault.kind = VirtualFault::Kind::Sense;
    fault.opcode = 0xA1;
    fault.key = 0x05;
    fault.asc = 0x24;
    v.Recorder().AddFault(fault);
    const EraseOutcome out = RunErase(v, 1);
    EXPECT_FALSE(out.started);
    EXPECT_EQ(out.events, 1);
    EXPECT_TRUE(out.with_error);
    EXPECT_EQ(v.drive->LastError, "ILLEGAL REQUEST (INVALID FIELD IN CDB)");
  }
  {
    SCOPED_TRACE("DVD+RW format refused twice");
    VirtualDrive v(VirtualMedium::DvdPlusRw);
    ASSERT_TRUE(v.Select());
    VirtualFault fault;
    fault.kind = VirtualFault::Kind::Sense;
    fault.opcode = 0x04;
    fault.key = 0x03;
    fault.asc = 0x31;
    fault.ascq = 0x01;
    fault.count = 2;
    v.Recorder().AddFault(fault);
    const EraseOutcome out = RunErase(v, 0);
    EXPECT_FALSE(out.started);
    EXPECT_EQ(out.events, 1);
    EXPECT_TRUE(out.with_error);
  }
  {
    SCOPED_TRACE("DVD+RW format refused once");
    VirtualDrive v(VirtualMedium::DvdPlusRw);
    ASSERT_TRUE(v.Select());
    VirtualFault fault;
    fault.kind = VirtualFault::Kind::Sense;
    fault.opcode = 0x04;
    fault.key = 0x03;
    fault.asc = 0x31;
    fault.ascq = 0x01;
    v.Recorder().AddFault(fault);
    const EraseOutcome out = RunErase(v, 1);
    EXPECT_TRUE(out.started);
    EXPECT_EQ(out.events, 1);
    EXPECT_FALSE(out.with_error);
  }
  for (const auto medium : {VirtualMedium::DvdPlusRw, VirtualMedium::DvdRam}) {
    SCOPED_TRACE(MediumKey(medium) + " zero writes fail");
    VirtualDrive v(medium);
    ASSERT_TRUE(v.Select());
    VirtualFault fault;
    fault.kind = VirtualFault::Kind::WriteError;
    fault.lba = 640;
    fault.count = -1;
    v.Recorder().AddFault(fault);
    const EraseOutcome out = RunErase(v, 1);
    EXPECT_TRUE(out.started);
    EXPECT_EQ(out.events, 1);
    EXPECT_TRUE(out.with_error);
    EXPECT_TRUE(out.on_main_thread);
  }
  for (const auto medium : {VirtualMedium::CdRw, VirtualMedium::DvdPlusRw, VirtualMedium::DvdRwSequential}) {
    SCOPED_TRACE(MediumKey(medium) + " never ready again");
    VirtualDrive v(medium);
    ASSERT_TRUE(v.Select());
    VirtualFault fault;
    fault.kind = VirtualFault::Kind::NotReady;
    fault.count = -1;
    fault.after = 1;
    // Arms once the erase command is in.
    v.drive->OnDebugMessage = [&](TSCSIDevice*, const std::string& text, std::uint8_t) {
      if (text.find("STARTING ERASE") != std::string::npos) v.Recorder().AddFault(fault);
    };
    const EraseOutcome out = RunErase(v, 1);
    EXPECT_TRUE(out.started);
    EXPECT_EQ(out.events, 1);
    EXPECT_TRUE(out.with_error);
    EXPECT_TRUE(Rising(out.progress));
  }
  {
    SCOPED_TRACE("no medium");
    VirtualDrive v(VirtualMedium::CdRw);
    ASSERT_TRUE(v.Select());
    v.Recorder().RemoveMedium();
    const EraseOutcome out = RunErase(v, 1);
    EXPECT_FALSE(out.started);
    EXPECT_EQ(out.events, 0);  // nothing was sent to erase: the caller sees False
  }
}

TEST(VirtualDrive, EraseStartLine) {
  VirtualDrive v(VirtualMedium::CdRw);
  ASSERT_TRUE(v.Select());
  std::string line;
  v.drive->OnDebugMessage = [&](TSCSIDevice*, const std::string& text, std::uint8_t type) {
    if (type == 1) line = text;
  };
  RunErase(v, 1);
  const auto speed = static_cast<std::uint16_t>(SpecOf(VirtualMedium::CdRw).write_speeds.front());
  EXPECT_EQ(line, ">>> STARTING ERASE PROCESS ON CD-RW AT " + EraseSpeedText(dtCDRW, speed));
  EXPECT_EQ(EraseSpeedText(dtCDRW, 1764), "10X(1,764 KB/s)");
  EXPECT_EQ(EraseSpeedText(dtDVDPlusRW, 5540), "4.0X(5,540 KB/s)");
  EXPECT_EQ(EraseSpeedText(dtDVDRAM, 692), "0.5X(692 KB/s)");
}

}  // namespace

#include "platform/devices/AspiManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/devices/DriveMap.h"
#include "platform/devices/WinHost.h"
#include "platform/devices/tests/DeviceFixtures.h"

namespace {

// Two real drives (kernel hosts 4 and 2) and the stand-in recorder.
struct AspiFixture {
  MachineTree machine;
  TempDir files;
  FakeSgKernel kernel;
  FakeTarget* recorder = nullptr;
  std::unique_ptr<AspiManager> manager;

  explicit AspiFixture(bool with_drives = true) {
    if (with_drives) {
      machine.AddDrive(0, "4:0:0:0", false);
      machine.AddDrive(1, "2:0:3:0", false);
    }
    kernel.answer = [](sg_io_hdr_t& hdr) {
      if (hdr.cmdp[0] == 0x12) {
        std::memset(hdr.dxferp, 0, hdr.dxfer_len);
        static_cast<std::uint8_t*>(hdr.dxferp)[0] = 0x05;
        hdr.resid = static_cast<int>(hdr.dxfer_len) - 36;
        return 0;
      }
      const std::uint8_t sense[] = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x01, 0, 0, 0, 0};
      std::memcpy(hdr.sbp, sense, sizeof sense);
      hdr.sb_len_wr = sizeof sense;
      hdr.status = 0x02;
      return 0;
    };
    DriveMapOptions options;
    options.root = machine.dir.path();
    options.data_dir = files / "data";
    manager = std::make_unique<AspiManager>(
        std::make_unique<DriveMap>(options, kernel, [this](const DriveMapEntry&) {
          auto target = std::make_unique<FakeTarget>();
          recorder = target.get();
          return target;
        }));
  }
};

SRB_ExecSCSICmd Exec(BYTE ha, BYTE target, BYTE opcode, BYTE flags, BYTE* buffer, DWORD length) {
  SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = ha;
  srb.SRB_Target = target;
  srb.SRB_Flags = flags;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = buffer;
  srb.SRB_SenseLen = 24;
  srb.SRB_CDBLen = opcode >= 0x20 ? 10 : 6;
  srb.CDBByte[0] = opcode;
  srb.CDBByte[4] = opcode == 0x12 ? static_cast<BYTE>(length) : 0;
  return srb;
}

}  // namespace

TEST(AspiManager, AdaptersAndDevices) {
  AspiFixture f;
  // Kernel host 2 -> adapter 0 (sr1, target 3), host 4 -> adapter 1 (sr0),
  // the recorder on adapter 2.
  EXPECT_EQ(f.manager->GetSupportInfo(), (DWORD{SS_COMP} << 8) | 3);
  EXPECT_TRUE(f.manager->Problems().empty());

  SRB_HAInquiry inquiry{};
  inquiry.SRB_Cmd = SC_HA_INQUIRY;
  inquiry.SRB_HaId = 2;
  EXPECT_EQ(f.manager->SendCommand(&inquiry), SS_COMP);
  EXPECT_EQ(inquiry.SRB_Status, SS_COMP);
  EXPECT_EQ(inquiry.HA_Count, 3);
  EXPECT_EQ(inquiry.HA_SCSI_ID, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_ManagerId), 16), "ASPI FOR LINUX  ");
  EXPECT_STREQ(reinterpret_cast<char*>(inquiry.HA_Identifier), "VIRTUAL 2");
  EXPECT_EQ(inquiry.HA_Unique[3], 8);
  inquiry.SRB_HaId = 3;
  EXPECT_EQ(f.manager->SendCommand(&inquiry), SS_INVALID_HA);
  EXPECT_EQ(inquiry.HA_Count, 3) << "the count is told even for an adapter that does not exist";

  struct Case {
    BYTE ha, target, lun;
    BYTE status, type;
    char letter;
  };
  const Case cases[] = {
      {0, 3, 0, SS_COMP, DTYPE_CDROM, 'E'},      {1, 0, 0, SS_COMP, DTYPE_CDROM, 'D'},
      {2, 0, 0, SS_COMP, DTYPE_CDROM, 'F'},      {0, 0, 0, SS_NO_DEVICE, DTYPE_UNKNOWN, 0},
      {1, 0, 1, SS_NO_DEVICE, DTYPE_UNKNOWN, 0}, {7, 0, 0, SS_INVALID_HA, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.ha) << ":" << int(c.target) << ":" << int(c.lun));
    SRB_GDEVBlock device{};
    device.SRB_Cmd = SC_GET_DEV_TYPE;
    device.SRB_HaId = c.ha;
    device.SRB_Target = c.target;
    device.SRB_Lun = c.lun;
    EXPECT_EQ(f.manager->SendCommand(&device), c.status);
    if (c.status != SS_INVALID_HA) {
      EXPECT_EQ(device.SRB_DeviceType, c.type);
    }

    SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
    disk.SRB_HaId = c.ha;
    disk.SRB_Target = c.target;
    disk.SRB_Lun = c.lun;
    EXPECT_EQ(f.manager->SendCommand(&disk), c.status);
    if (c.status == SS_COMP) {
      EXPECT_EQ(disk.SRB_Int13HDriveInfo, c.letter - 'A');
    }
  }
}

TEST(AspiManager, ExecutesCommandsAndSignalsCompletion) {
  AspiFixture f;
  WinHost host(std::make_unique<DriveMap>(DriveMapOptions{f.machine.dir.path(), "", f.files / "x", false},
                                          f.kernel, nullptr),
               "");
  HANDLE event = host.CreateEvent(nullptr, TRUE, FALSE, nullptr);

  BYTE data[96];
  SRB_ExecSCSICmd inquiry = Exec(0, 3, 0x12, SRB_DIR_IN | SRB_EVENT_NOTIFY, data, sizeof data);
  inquiry.SRB_PostProc = event;
  EXPECT_EQ(f.manager->SendCommand(&inquiry), SS_COMP);
  EXPECT_EQ(inquiry.SRB_Status, SS_COMP);
  EXPECT_EQ(data[0], 0x05);
  EXPECT_EQ(host.WaitForSingleObject(event, 0), WAIT_OBJECT_0) << "the event is set on completion";
  EXPECT_EQ(f.kernel.commands.back().timeout, AspiManager::kCommandTimeoutMs);

  // A failed command: target status and the sense the caller asked for.
  ResetEvent(event);
  SRB_ExecSCSICmd tur = Exec(0, 3, 0x00, SRB_EVENT_NOTIFY, nullptr, 0);
  tur.SRB_PostProc = event;
  std::memset(tur.SenseArea, 0xEE, sizeof tur.SenseArea);
  EXPECT_EQ(f.manager->SendCommand(&tur), SS_ERR);
  EXPECT_EQ(tur.SRB_HaStat, HASTAT_OK);
  EXPECT_EQ(tur.SRB_TargStat, 0x02);
  EXPECT_EQ(tur.SenseArea[2], 0x02);
  EXPECT_EQ(tur.SenseArea[12], 0x3A);
  EXPECT_EQ(tur.SenseArea[13], 0x01);
  EXPECT_EQ(tur.SenseArea[23], 0) << "the rest of the asked-for sense is cleared";
  EXPECT_EQ(tur.SenseArea[24], 0xEE) << "nothing past SRB_SenseLen is written";
  EXPECT_EQ(host.WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  host.CloseHandle(event);

  // The recorder: a command that is not delivered reports a host time-out.
  SRB_ExecSCSICmd read = Exec(2, 0, 0x25, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, data, 8);
  EXPECT_EQ(f.manager->SendCommand(&read), SS_ERR);
  EXPECT_EQ(read.SRB_TargStat, 0x02);
  ASSERT_NE(f.recorder, nullptr);
  f.recorder->deliver = false;
  EXPECT_EQ(f.manager->SendCommand(&read), SS_ERR);
  EXPECT_EQ(read.SRB_HaStat, HASTAT_COMMAND_TIMEOUT);

  // The residual count, when asked for.
  SRB_ExecSCSICmd counted = Exec(1, 0, 0x12, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, data, 96);
  EXPECT_EQ(f.manager->SendCommand(&counted), SS_COMP);
  EXPECT_EQ(counted.SRB_BufLen, 96u - 36u);
}

TEST(AspiManager, PostingRoutineIsCalledWithTheBlock) {
  AspiFixture f;
  static void* posted = nullptr;
  static BYTE status_seen = 0;
  BYTE data[36];
  SRB_ExecSCSICmd srb = Exec(1, 0, 0x12, SRB_DIR_IN | SRB_POSTING, data, sizeof data);
  srb.SRB_PostProc = reinterpret_cast<void*>(+[](void* block) {
    posted = block;
    status_seen = static_cast<SRB_ExecSCSICmd*>(block)->SRB_Status;
  });
  EXPECT_EQ(f.manager->SendCommand(&srb), SS_COMP);
  EXPECT_EQ(posted, &srb);
  EXPECT_EQ(status_seen, SS_COMP) << "the status is final before the routine runs";
}

TEST(AspiManager, BadBlocksAreRefused) {
  AspiFixture f;
  BYTE data[8];
  struct Case {
    const char* name;
    std::function<void(SRB_ExecSCSICmd&)> spoil;
    BYTE status;
  };
  const Case cases[] = {
      {"no such adapter", [](SRB_ExecSCSICmd& s) { s.SRB_HaId = 9; }, SS_INVALID_HA},
      {"no such target", [](SRB_ExecSCSICmd& s) { s.SRB_Target = 6; }, SS_NO_DEVICE},
      {"both directions", [](SRB_ExecSCSICmd& s) { s.SRB_Flags |= SRB_DIR_OUT; }, SS_INVALID_SRB},
      {"data without direction", [](SRB_ExecSCSICmd& s) { s.SRB_Flags = 0; }, SS_INVALID_SRB},
      {"no buffer", [](SRB_ExecSCSICmd& s) { s.SRB_BufPointer = nullptr; }, SS_INVALID_SRB},
      {"CDB too long", [](SRB_ExecSCSICmd& s) { s.SRB_CDBLen = 17; }, SS_INVALID_SRB},
      {"no CDB", [](SRB_ExecSCSICmd& s) { s.SRB_CDBLen = 0; }, SS_INVALID_SRB},
      {"event and posting", [](SRB_ExecSCSICmd& s) { s.SRB_Flags |= SRB_POSTING | SRB_EVENT_NOTIFY; },
       SS_INVALID_SRB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SRB_ExecSCSICmd srb = Exec(1, 0, 0x25, SRB_DIR_IN, data, sizeof data);
    c.spoil(srb);
    EXPECT_EQ(f.manager->SendCommand(&srb), c.status);
    EXPECT_EQ(srb.SRB_Status, c.status);
  }
  EXPECT_TRUE(f.kernel.commands.empty()) << "nothing reached a drive";

  SRB_Header unknown{};
  unknown.SRB_Cmd = SC_RESET_DEV;
  EXPECT_EQ(f.manager->SendCommand(&unknown), SS_INVALID_CMD);
  EXPECT_EQ(f.manager->SendCommand(nullptr), SS_INVALID_SRB);

  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  EXPECT_EQ(f.manager->SendCommand(&abort), SS_INVALID_SRB);
  SRB_ExecSCSICmd done = Exec(1, 0, 0x12, SRB_DIR_IN, data, sizeof data);
  abort.SRB_ToAbort = &done;
  EXPECT_EQ(f.manager->SendCommand(&abort), SS_COMP) << "a block that is not running has nothing to abort";
  abort.SRB_HaId = 5;
  EXPECT_EQ(f.manager->SendCommand(&abort), SS_INVALID_HA);
}

TEST(AspiManager, AbortOfARunningCommandFails) {
  AspiFixture f;
  std::mutex gate;
  std::unique_lock hold(gate);
  std::atomic<bool> started{false};
  f.kernel.answer = [&](sg_io_hdr_t&) {
    started = true;
    std::lock_guard wait(gate);
    return 0;
  };
  BYTE data[8];
  SRB_ExecSCSICmd srb = Exec(1, 0, 0x25, SRB_DIR_IN, data, sizeof data);
  std::thread runner([&] { f.manager->SendCommand(&srb); });
  while (!started) std::this_thread::yield();
  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_HaId = 1;
  abort.SRB_ToAbort = &srb;
  EXPECT_EQ(f.manager->SendCommand(&abort), SS_ABORT_FAIL);
  hold.unlock();
  runner.join();
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
}

TEST(AspiManager, NoDrivesNoAdapters) {
  MachineTree machine;
  TempDir files;
  FakeSgKernel kernel;
  DriveMapOptions options{machine.dir.path(), "", files / "data", false};
  AspiManager manager(std::make_unique<DriveMap>(options, kernel, nullptr));
  EXPECT_EQ(manager.GetSupportInfo(), DWORD{SS_NO_ADAPTERS} << 8);
  SRB_HAInquiry inquiry{};
  EXPECT_EQ(manager.SendCommand(&inquiry), SS_INVALID_HA);
  EXPECT_EQ(inquiry.HA_Count, 0);
}

TEST(AspiManager, DrivesWithoutAddressShareAnExtraAdapter) {
  MachineTree machine;
  TempDir files;
  FakeSgKernel kernel;
  machine.dir.Write("dev/sr0", "");  // no sysfs: no kernel address
  machine.dir.Write("dev/sr1", "");
  DriveMapOptions options{machine.dir.path(), "", files / "data", false};
  AspiManager manager(std::make_unique<DriveMap>(options, kernel, nullptr));
  EXPECT_EQ(manager.GetSupportInfo() & 0xFF, 1u);
  for (BYTE target : {0, 1}) {
    SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
    disk.SRB_Target = target;
    EXPECT_EQ(manager.SendCommand(&disk), SS_COMP);
    EXPECT_EQ(disk.SRB_Int13HDriveInfo, 'D' - 'A' + target);
  }
}

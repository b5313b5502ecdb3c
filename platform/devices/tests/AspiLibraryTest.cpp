// The ASPI manager library as the transport meets it: loaded at run time
// under the name it tries, over a drive map that names one virtual recorder.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/devices/Aspi.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/WinHost.h"
#include "platform/devices/tests/DeviceFixtures.h"

namespace {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

TEST(AspiLibrary, LoadsUnderItsNameAndAnswersTheFiveRequests) {
  TempDir dir;
  dir.Write("DriveMap.ini", "[E]\nImage=discs/e.img\nMedium=dvd+rw\n");
  ScopedEnv map_file("BURNER_DRIVE_MAP", dir / "DriveMap.ini");
  ScopedEnv data_home("XDG_DATA_HOME", dir / "data");

  MachineTree machine;
  FakeSgKernel kernel;
  WinHost host(
      std::make_unique<DriveMap>(DriveMapOptions{machine.dir.path(), "", dir / "x", false}, kernel, nullptr),
      std::string(BURNER_BINARY_DIR) + "/bin");
  HMODULE library = host.LoadLibrary("WNASPI32.DLL");
  ASSERT_NE(library, nullptr) << GetLastErrorText();
  auto support = reinterpret_cast<GetASPI32SupportInfoProc>(GetProcAddress(library, "GetASPI32SupportInfo"));
  auto send = reinterpret_cast<SendASPI32CommandProc>(GetProcAddress(library, "SendASPI32Command"));
  ASSERT_TRUE(support && send);
  EXPECT_EQ(GetProcAddress(library, "SptiInitialize"), nullptr) << "only the two entry points are exported";

  const DWORD info = support();
  ASSERT_EQ(info >> 8, SS_COMP);
  const BYTE adapters = info & 0xFF;
  ASSERT_GE(adapters, 1);

  // SC_HA_INQUIRY
  SRB_HAInquiry inquiry{};
  inquiry.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(send(&inquiry), SS_COMP);
  EXPECT_EQ(inquiry.HA_Count, adapters);

  // SC_GET_DEV_TYPE and SC_GET_DISK_INFO find the recorder at E:, on the
  // last adapter (real drives of this machine, if any, come first).
  BYTE ha = 0, target = 0;
  bool found = false;
  for (BYTE a = 0; a < adapters && !found; ++a) {
    for (BYTE t = 0; t < 8 && !found; ++t) {
      SRB_GDEVBlock device{};
      device.SRB_Cmd = SC_GET_DEV_TYPE;
      device.SRB_HaId = a;
      device.SRB_Target = t;
      if (send(&device) != SS_COMP) {
        EXPECT_EQ(device.SRB_DeviceType, DTYPE_UNKNOWN);
        continue;
      }
      EXPECT_EQ(device.SRB_DeviceType, DTYPE_CDROM);
      SRB_GetDiskInfo disk{};
      disk.SRB_Cmd = SC_GET_DISK_INFO;
      disk.SRB_HaId = a;
      disk.SRB_Target = t;
      ASSERT_EQ(send(&disk), SS_COMP);
      if (disk.SRB_Int13HDriveInfo == 'E' - 'A') {
        ha = a;
        target = t;
        found = true;
      }
    }
  }
  ASSERT_TRUE(found);
  EXPECT_EQ(ha, adapters - 1);

  // SC_EXEC_SCSI_CMD: INQUIRY, with the completion event.
  HANDLE event = host.CreateEvent(nullptr, TRUE, FALSE, nullptr);
  BYTE data[96] = {};
  SRB_ExecSCSICmd exec{};
  exec.SRB_Cmd = SC_EXEC_SCSI_CMD;
  exec.SRB_HaId = ha;
  exec.SRB_Target = target;
  exec.SRB_Flags = SRB_DIR_IN | SRB_EVENT_NOTIFY;
  exec.SRB_BufLen = sizeof data;
  exec.SRB_BufPointer = data;
  exec.SRB_SenseLen = 24;
  exec.SRB_CDBLen = 6;
  exec.SRB_PostProc = event;
  exec.CDBByte[0] = 0x12;
  exec.CDBByte[4] = sizeof data;
  EXPECT_EQ(send(&exec), SS_COMP);
  EXPECT_EQ(exec.SRB_Status, SS_COMP);
  EXPECT_EQ(data[0] & 0x1F, 0x05);
  EXPECT_EQ(host.WaitForSingleObject(event, 0), WAIT_OBJECT_0);

  // GET CONFIGURATION: the blank DVD+RW the drive map asked for.
  ResetEvent(event);
  BYTE config[8] = {};
  exec.SRB_BufLen = sizeof config;
  exec.SRB_BufPointer = config;
  exec.SRB_CDBLen = 10;
  std::memset(exec.CDBByte, 0, sizeof exec.CDBByte);
  exec.CDBByte[0] = 0x46;
  exec.CDBByte[8] = sizeof config;
  EXPECT_EQ(send(&exec), SS_COMP);
  EXPECT_EQ((config[6] << 8) | config[7], 0x1A);

  // A command the drive does not know: ILLEGAL REQUEST in the sense area.
  std::memset(exec.CDBByte, 0, sizeof exec.CDBByte);
  exec.CDBByte[0] = 0xFE;
  exec.SRB_Flags = SRB_EVENT_NOTIFY;
  exec.SRB_BufLen = 0;
  exec.SRB_BufPointer = nullptr;
  exec.SRB_CDBLen = 12;
  EXPECT_EQ(send(&exec), SS_ERR);
  EXPECT_EQ(exec.SRB_TargStat, kScsiCheckCondition);
  EXPECT_EQ(exec.SenseArea[2] & 0x0F, 0x05);
  EXPECT_EQ(exec.SenseArea[12], 0x20);
  host.CloseHandle(event);

  // SC_ABORT_SRB: the block has ended, nothing is left to abort.
  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_HaId = ha;
  abort.SRB_ToAbort = &exec;
  EXPECT_EQ(send(&abort), SS_COMP);

  // Unloading frees the manager, and with it the recorder, which keeps its
  // state for the next load.
  EXPECT_TRUE(FreeLibrary(library));
  EXPECT_TRUE(std::filesystem::exists(dir / "discs/e.img.state"));
}

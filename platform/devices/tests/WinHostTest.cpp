#include "platform/devices/WinHost.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/core/Clock.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/tests/DeviceFixtures.h"

namespace {

// The request block the transport sends: the header, then its sense area
// placed after the header as this build lays it out.
struct PassThrough {
  SCSI_PASS_THROUGH_DIRECT spt{};
  std::uint8_t sense[32]{};
};

PassThrough Request(std::uint8_t opcode, UCHAR direction, void* buffer, ULONG length) {
  PassThrough request{};
  request.spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  request.spt.CdbLength = opcode >= 0x20 ? 10 : 6;
  request.spt.SenseInfoLength = 24;
  request.spt.DataIn = direction;
  request.spt.DataTransferLength = length;
  request.spt.TimeOutValue = 120;
  request.spt.DataBuffer = buffer;
  request.spt.SenseInfoOffset = offsetof(PassThrough, sense);
  request.spt.Cdb[0] = opcode;
  return request;
}

struct HostFixture {
  MachineTree machine;
  TempDir files;
  FakeSgKernel kernel;
  FakeTarget* recorder = nullptr;
  std::unique_ptr<WinHost> host;

  HostFixture() {
    machine.AddDrive(0, "6:0:1:0", false);
    DriveMapOptions options;
    options.root = machine.dir.path();
    options.data_dir = files / "data";
    auto map = std::make_unique<DriveMap>(options, kernel, [this](const DriveMapEntry&) {
      auto target = std::make_unique<FakeTarget>();
      recorder = target.get();
      return target;
    });
    host = std::make_unique<WinHost>(std::move(map), "/opt/burner");
  }
  HANDLE Open(const char* name, DWORD access = GENERIC_READ | GENERIC_WRITE) {
    return host->CreateFile(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  BOOL Send(HANDLE handle, PassThrough& request, DWORD* returned = nullptr) {
    DWORD ignored = 0;
    return host->DeviceIoControl(handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                                 sizeof request, returned ? returned : &ignored, nullptr);
  }
};

}  // namespace

TEST(WinHost, DriveTypesOfRoots) {
  HostFixture f;  // D: is sr0, E: the stand-in recorder
  const std::pair<const char*, UINT> cases[] = {
      {"D:\\", DRIVE_CDROM},   {"e:\\", DRIVE_CDROM},        {"E:", DRIVE_CDROM},
      {"E:/", DRIVE_CDROM},    {"F:\\", DRIVE_NO_ROOT_DIR},  {"C:\\", DRIVE_NO_ROOT_DIR},
      {"", DRIVE_NO_ROOT_DIR}, {"E:\\x", DRIVE_NO_ROOT_DIR}, {"1:\\", DRIVE_NO_ROOT_DIR},
  };
  for (const auto& [root, type] : cases) EXPECT_EQ(f.host->GetDriveType(root), type) << root;
  EXPECT_EQ(f.host->GetDriveType(nullptr), DRIVE_NO_ROOT_DIR);
}

TEST(WinHost, OpensReadWriteThenReadOnlyAndCloses) {
  HostFixture f;
  f.kernel.open_errors[O_RDWR] = EACCES;
  EXPECT_EQ(f.Open("\\\\.\\D:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  HANDLE handle = f.Open("\\\\.\\d:", GENERIC_READ);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(f.kernel.opens.back().second & O_ACCMODE, O_RDONLY);
  EXPECT_EQ(f.host->OpenHandleCount(), 1u);

  for (const char* bad : {"\\\\.\\F:", "D:", "\\\\.\\D:\\", "/dev/sr0", "\\\\.\\1:"}) {
    EXPECT_EQ(f.Open(bad), INVALID_HANDLE_VALUE) << bad;
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << bad;
  }
  EXPECT_EQ(f.host->CreateFile("\\\\.\\E:", GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);

  EXPECT_TRUE(f.host->CloseHandle(handle));
  EXPECT_EQ(f.kernel.closed.size(), 1u);
  EXPECT_FALSE(f.host->CloseHandle(handle));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(f.host->CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_EQ(f.host->OpenHandleCount(), 0u);
}

TEST(WinHost, PassThroughOnARealDriveUsesSgIo) {
  HostFixture f;
  f.kernel.answer = [](sg_io_hdr_t& hdr) {
    if (hdr.cmdp[0] == 0x12) {
      static_cast<std::uint8_t*>(hdr.dxferp)[0] = 0x05;
      hdr.resid = static_cast<int>(hdr.dxfer_len) - 36;
      return 0;
    }
    // Anything else: NOT READY, medium not present, in descriptor format.
    const std::uint8_t sense[] = {0x72, 0x02, 0x3A, 0x02, 0, 0, 0, 0};
    std::memcpy(hdr.sbp, sense, sizeof sense);
    hdr.sb_len_wr = sizeof sense;
    hdr.status = 0x02;
    hdr.driver_status = 0x08;
    return 0;
  };
  HANDLE handle = f.Open("\\\\.\\D:");
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);

  std::uint8_t inquiry[96] = {};
  PassThrough request = Request(0x12, SCSI_IOCTL_DATA_IN, inquiry, sizeof inquiry);
  request.spt.Cdb[4] = 96;
  DWORD returned = 0;
  ASSERT_TRUE(f.Send(handle, request, &returned));
  EXPECT_EQ(request.spt.ScsiStatus, 0);
  EXPECT_EQ(request.spt.DataTransferLength, 36u);
  EXPECT_EQ(request.spt.SenseInfoLength, 0);
  EXPECT_EQ(inquiry[0], 0x05);
  EXPECT_EQ(returned, sizeof(SCSI_PASS_THROUGH_DIRECT));
  ASSERT_EQ(f.kernel.commands.size(), 1u);
  EXPECT_EQ(f.kernel.commands[0].timeout, 120000u);
  EXPECT_EQ(f.kernel.commands[0].cdb, std::vector<std::uint8_t>({0x12, 0, 0, 0, 96, 0}));

  PassThrough tur = Request(0x00, SCSI_IOCTL_DATA_UNSPECIFIED, nullptr, 0);
  ASSERT_TRUE(f.Send(handle, tur, &returned));
  EXPECT_EQ(tur.spt.ScsiStatus, 0x02);
  EXPECT_EQ(tur.spt.SenseInfoLength, 18);
  EXPECT_EQ(tur.sense[0], 0x70);
  EXPECT_EQ(tur.sense[2], 0x02);
  EXPECT_EQ(tur.sense[12], 0x3A);
  EXPECT_EQ(tur.sense[13], 0x02);
  EXPECT_EQ(returned, offsetof(PassThrough, sense) + 18);
  EXPECT_EQ(f.kernel.commands[1].direction, SG_DXFER_NONE);

  // A host error fails the request itself.
  f.kernel.answer = [](sg_io_hdr_t& hdr) {
    hdr.host_status = 0x01;
    return 0;
  };
  EXPECT_FALSE(f.Send(handle, tur));
  EXPECT_EQ(GetLastError(), ERROR_IO_DEVICE);
  EXPECT_NE(GetLastErrorText().find("DID_NO_CONNECT"), std::string::npos);
  f.host->CloseHandle(handle);
}

TEST(WinHost, PassThroughOnTheVirtualRecorder) {
  HostFixture f;
  HANDLE handle = f.Open("\\\\.\\E:");
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  std::uint8_t buffer[8];
  PassThrough read = Request(0x25, SCSI_IOCTL_DATA_IN, buffer, sizeof buffer);
  ASSERT_TRUE(f.Send(handle, read));
  ASSERT_NE(f.recorder, nullptr);
  EXPECT_EQ(read.spt.ScsiStatus, 0x02);
  EXPECT_EQ(read.sense[2], 0x05);
  EXPECT_EQ(read.sense[12], 0x20);
  ASSERT_EQ(f.recorder->seen.size(), 1u);
  EXPECT_EQ(f.recorder->seen[0].direction, ScsiDirection::In);
  EXPECT_EQ(f.recorder->seen[0].data_length, 8u);

  f.recorder->deliver = false;
  EXPECT_FALSE(f.Send(handle, read));
  EXPECT_EQ(GetLastError(), ERROR_SEM_TIMEOUT);
}

TEST(WinHost, PassThroughRequestsAreChecked) {
  HostFixture f;
  HANDLE handle = f.Open("\\\\.\\E:");
  std::uint8_t buffer[8];
  struct Case {
    const char* name;
    std::function<void(PassThrough&)> spoil;
  };
  const Case cases[] = {
      {"32-bit header length on this build",
       [](PassThrough& r) { r.spt.Length = sizeof(void*) == 8 ? 44 : 56; }},
      {"sense area inside the header", [](PassThrough& r) { r.spt.SenseInfoOffset = sizeof(r.spt) - 8; }},
      {"sense area past the buffer", [](PassThrough& r) { r.spt.SenseInfoOffset = sizeof(PassThrough) - 8; }},
      {"no CDB", [](PassThrough& r) { r.spt.CdbLength = 0; }},
      {"CDB too long", [](PassThrough& r) { r.spt.CdbLength = 17; }},
      {"bad direction", [](PassThrough& r) { r.spt.DataIn = 3; }},
      {"data without direction", [](PassThrough& r) { r.spt.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED; }},
      {"no buffer", [](PassThrough& r) { r.spt.DataBuffer = nullptr; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PassThrough request = Request(0x25, SCSI_IOCTL_DATA_IN, buffer, sizeof buffer);
    c.spoil(request);
    EXPECT_FALSE(f.Send(handle, request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(f.recorder, nullptr) << "nothing reached the drive";

  PassThrough request = Request(0x25, SCSI_IOCTL_DATA_IN, buffer, sizeof buffer);
  DWORD returned;
  EXPECT_FALSE(f.host->DeviceIoControl(handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, 20, &request,
                                       sizeof request, &returned, nullptr));
  EXPECT_FALSE(f.host->DeviceIoControl(handle, 0x2D4800, &request, sizeof request, &request, sizeof request,
                                       &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  EXPECT_FALSE(f.Send(reinterpret_cast<HANDLE>(0x40001234), request));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(WinHost, AddressQuery) {
  HostFixture f;
  f.kernel.idlun = std::make_pair(std::uint32_t{(6u << 24) | (0u << 16) | 1u}, std::uint32_t{0});
  HANDLE real = f.Open("\\\\.\\D:");
  HANDLE recorder = f.Open("\\\\.\\E:");
  SCSI_ADDRESS address{};
  DWORD returned = 0;
  ASSERT_TRUE(f.host->DeviceIoControl(real, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                                      &returned, nullptr));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(address.Length, 8u);
  EXPECT_EQ(address.PortNumber, 0);  // kernel host 6 is the first host
  EXPECT_EQ(address.TargetId, 1);
  EXPECT_EQ(address.Lun, 0);
  ASSERT_TRUE(f.host->DeviceIoControl(recorder, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                                      &returned, nullptr));
  EXPECT_EQ(address.PortNumber, 1);
  EXPECT_EQ(address.TargetId, 0);
  EXPECT_FALSE(
      f.host->DeviceIoControl(recorder, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, 4, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  // No answer to GET_IDLUN: sysfs still names the drive's address.
  f.kernel.idlun.reset();
  address = SCSI_ADDRESS{};
  ASSERT_TRUE(f.host->DeviceIoControl(real, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                                      &returned, nullptr));
  EXPECT_EQ(address.PortNumber, 0);
  EXPECT_EQ(address.TargetId, 1);
}

TEST(WinHost, LibrariesAndErrorMode) {
  HostFixture f;
  EXPECT_EQ(f.host->LibraryPath("WNASPI32.DLL"), "/opt/burner/wnaspi32.so");
  EXPECT_EQ(f.host->LibraryPath(".\\wnaspi32.dll"), "/opt/burner/wnaspi32.so");
  EXPECT_EQ(f.host->LibraryPath("/usr/lib/x.so"), "/usr/lib/x.so");
  EXPECT_EQ(f.host->LoadLibrary("WNASPI32.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(f.host->LoadLibrary("libc.so.6"), nullptr) << "bare names do not search the system";
  EXPECT_EQ(f.host->LoadLibrary(nullptr), nullptr);

  EXPECT_EQ(f.host->SetErrorMode(SEM_FAILCRITICALERRORS), 0u);
  EXPECT_EQ(f.host->SetErrorMode(0), SEM_FAILCRITICALERRORS);
}

TEST(WinHost, EventsSignalAcrossThreadsAndTimeOut) {
  HostFixture f;
  HANDLE manual = f.host->CreateEvent(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(manual, nullptr);
  {
    FakeClock clock;
    ScopedClock use(clock);
    EXPECT_EQ(f.host->WaitForSingleObject(manual, 10000), WAIT_TIMEOUT);
    EXPECT_GE(clock.TickMs(), 10000u);
  }
  std::thread signaller([manual] { EXPECT_TRUE(SetEvent(manual)); });
  EXPECT_EQ(f.host->WaitForSingleObject(manual, INFINITE), WAIT_OBJECT_0);
  signaller.join();
  EXPECT_EQ(f.host->WaitForSingleObject(manual, 0), WAIT_OBJECT_0) << "manual reset stays signalled";
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(f.host->WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

  HANDLE automatic = f.host->CreateEvent(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(f.host->WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  EXPECT_EQ(f.host->WaitForSingleObject(automatic, 0), WAIT_TIMEOUT) << "auto reset consumed it";

  EXPECT_TRUE(f.host->CloseHandle(manual));
  EXPECT_TRUE(f.host->CloseHandle(automatic));
  EXPECT_FALSE(SetEvent(manual));
  // A number that is some other descriptor is never written to.
  EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(std::intptr_t{1})));
  EXPECT_FALSE(SetEvent(nullptr));
  EXPECT_EQ(f.host->WaitForSingleObject(reinterpret_cast<HANDLE>(std::intptr_t{2}), 0), WAIT_FAILED);
}

TEST(WinHost, FreeFunctionsUseTheInstalledHost) {
  HostFixture f;
  ScopedHost use(*f.host);
  EXPECT_EQ(GetDriveType("E:\\"), DRIVE_CDROM);
  HANDLE handle = CreateFile("\\\\.\\E:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(f.host->OpenHandleCount(), 1u);
  EXPECT_TRUE(CloseHandle(handle));
}

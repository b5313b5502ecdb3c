#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "recorder/tests/DriveMachine.h"
#include "recorder/tests/FakeAspi.h"
#include "recorder/xrASPI.h"
#include "recorder/xrDrvLib.h"
#include "recorder/xrSPTI.h"

namespace {

std::string Ident(const std::string& vendor, const std::string& product, const std::string& revision) {
  std::string out = vendor;
  out.resize(8, ' ');
  std::string p = product;
  p.resize(16, ' ');
  std::string r = revision;
  r.resize(4, ' ');
  return out + p + r;
}

const char kTwoRecorders[] =
    "[E]\nImage=e.img\nMedium=cd-rw\n"
    "[G]\nImage=g.img\nMedium=dvd+rw\n";

TEST(Transport, EmulationListsTheDriveMapByDeviceIdString) {
  DriveMachine m;
  std::map<char, std::string> idents = {{'E', Ident("ORVANE", "VIRTUAL CD-RW", "1.0")},
                                        {'G', Ident("ORVANE", "VIRTUAL DVD+RW", "2.01")}};
  m.factory = [&](const DriveMapEntry& entry) {
    return std::make_unique<IdentifiedTarget>(idents[entry.letter]);
  };
  m.Start(kTwoRecorders);

  TSCSIDevice drive;
  ASSERT_TRUE(drive.InitializeASPI(true, ""));
  EXPECT_EQ(ActiveLayerName(), "KVASPI32");
  EXPECT_EQ(drive.AdapterCount, 1);
  EXPECT_EQ(drive.Devices, (std::vector<std::string>{"0:0:0,E: " + idents['E'], "0:1:0,G: " + idents['G']}));

  drive.SetDeviceID(drive.Devices[1]);
  EXPECT_EQ(drive.HaId, 0);
  EXPECT_EQ(drive.Target, 1);
  EXPECT_EQ(drive.DeviceName, "ORVANE   VIRTUAL DVD+RW   2.01");
  EXPECT_EQ(drive.GetDriveLetter(), 'G');
  EXPECT_EQ(drive.DeviceType, 5);
}

// A real drive on SCSI host 12 still gets a one-digit adapter number, and
// the virtual recorders sit on the adapter after the real ones.
TEST(Transport, RealDrivesOnHighHostNumbersKeepOneDigitAdapters) {
  DriveMachine m;
  m.machine.AddDrive(0, "12:0:3:0", true);
  m.kernel.idlun = std::make_pair(std::uint32_t{(12u << 24) | 3u}, std::uint32_t{0});
  const std::string real = Ident("REAL", "SG DRIVE", "9.99");
  m.kernel.answer = [&](sg_io_hdr_t& hdr) {
    const auto* cdb = hdr.cmdp;
    hdr.status = 0;
    hdr.masked_status = 0;
    hdr.host_status = 0;
    hdr.driver_status = 0;
    hdr.sb_len_wr = 0;
    hdr.resid = 0;
    if (cdb[0] == 0x12) {
      std::uint8_t inquiry[36] = {0x05, 0x80, 0x05, 0x32, 31};
      std::memcpy(inquiry + 8, real.data(), 28);
      std::memcpy(hdr.dxferp, inquiry, std::min<unsigned>(hdr.dxfer_len, sizeof inquiry));
      hdr.resid = hdr.dxfer_len > sizeof inquiry ? static_cast<int>(hdr.dxfer_len - sizeof inquiry) : 0;
    }
    return 0;
  };
  m.factory = [](const DriveMapEntry&) { return std::make_unique<IdentifiedTarget>(Ident("V", "P", "R")); };
  m.Start("[E]\nImage=e.img\n");
  TSCSIDevice drive;
  ASSERT_TRUE(drive.InitializeASPI(true, ""));
  EXPECT_EQ(drive.Devices,
            (std::vector<std::string>{"0:3:0,D: " + real, "1:0:0,E: " + Ident("V", "P", "R")}));
  for (const auto& id : drive.Devices) {
    drive.SetDeviceID(id);
    EXPECT_NE(drive.HaId, 254) << id;
  }
}

TEST(Transport, EmulationHostAdapterAndDeviceTypeRequests) {
  DriveMachine m;
  m.factory = [](const DriveMapEntry&) { return std::make_unique<IdentifiedTarget>(Ident("V", "P", "R")); };
  m.Start(kTwoRecorders);
  ASSERT_EQ(SptiInitialize(), 2);
  EXPECT_EQ(SptiGetASPI32SupportInfo(), (std::uint32_t{SS_COMP} << 8) | 1);

  SRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(SptiSendASPI32Command(&ha), SS_COMP);
  EXPECT_EQ(ha.HA_Count, 1);
  EXPECT_EQ(ha.HA_SCSI_ID, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ha.HA_Identifier)), "SPTI 0");
  EXPECT_EQ(ha.HA_Unique[3], 8);
  EXPECT_EQ(ha.HA_Unique[6], 0xFF);
  ha.SRB_HaId = 1;
  EXPECT_EQ(SptiSendASPI32Command(&ha), SS_INVALID_HA);

  SRB_GDEVBlock dev{};
  dev.SRB_Cmd = SC_GET_DEV_TYPE;
  dev.SRB_Target = 1;
  EXPECT_EQ(SptiSendASPI32Command(&dev), SS_COMP);
  EXPECT_EQ(dev.SRB_DeviceType, 5);
  dev.SRB_Target = 5;
  EXPECT_EQ(SptiSendASPI32Command(&dev), SS_NO_DEVICE);
  EXPECT_EQ(dev.SRB_DeviceType, 0x1F);

  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  EXPECT_EQ(SptiSendASPI32Command(&abort), SS_ERR);
  EXPECT_EQ(SptiSendASPI32Command(nullptr), SS_ERR);
  EXPECT_EQ(SptiGetDriveLetter(0, 0, 0), 'E');
  EXPECT_EQ(SptiGetDriveLetter(0, 7, 0), 127);
  // The table is built once.
  EXPECT_EQ(SptiInitialize(), 0);
  EXPECT_TRUE(SptiFinalize());
  EXPECT_FALSE(SptiFinalize());
}

TEST(Transport, EmulationInquiryComesFromTheTableAndRespectsTheBuffer) {
  DriveMachine m;
  IdentifiedTarget* target = nullptr;
  m.factory = [&](const DriveMapEntry&) {
    auto t = std::make_unique<IdentifiedTarget>(Ident("VENDOR", "PRODUCT", "REV"));
    target = t.get();
    return t;
  };
  m.Start("[E]\nImage=e.img\n");
  ASSERT_EQ(SptiInitialize(), 1);
  const int probed = target->commands;
  std::uint8_t small[20];
  std::memset(small, 0xEE, sizeof small);
  std::vector<std::uint8_t> guard(64, 0xEE);
  TSRB srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = SRB_DIR_IN;
  srb.SRB_CDBLen = 6;
  srb.CDBByte[0] = 0x12;
  srb.CDBByte[4] = 16;
  srb.SRB_BufLen = 16;
  srb.SRB_BufPointer = small;
  EXPECT_EQ(SptiSendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(target->commands, probed);  // the drive was not asked again
  EXPECT_EQ(std::string(reinterpret_cast<char*>(small + 8), 6), "VENDOR");
  EXPECT_EQ(small[16], 0xEE);  // nothing past the 16 bytes given
}

TEST(Transport, EmulationReportsDriveFailuresWithSense) {
  DriveMachine m;
  m.factory = [](const DriveMapEntry&) { return std::make_unique<IdentifiedTarget>(Ident("V", "P", "R")); };
  m.Start("[E]\nImage=e.img\n");
  TSCSIDevice drive;
  ASSERT_TRUE(drive.InitializeASPI(true, ""));
  drive.SetDeviceID(drive.Devices.at(0));
  std::uint32_t last = 0, length = 0;
  EXPECT_FALSE(drive.ReadCapacity(last, length));
  EXPECT_EQ(drive.LastError, "ILLEGAL REQUEST (INVALID COMMAND OPERATION CODE)");
  EXPECT_TRUE(drive.TestUnitReady());
  // Handles are closed after each command unless a caller keeps them open.
  EXPECT_EQ(m.host->OpenHandleCount(), 0u);
  SetCloseDeviceAfterCommand(false);
  EXPECT_TRUE(drive.TestUnitReady());
  EXPECT_EQ(m.host->OpenHandleCount(), 1u);
  SetCloseDeviceAfterCommand(true);
  EXPECT_TRUE(drive.TestUnitReady());
  EXPECT_EQ(m.host->OpenHandleCount(), 0u);
}

TEST(Transport, ModelQuirksFollowTheSelectedDrive) {
  struct Case {
    std::string vendor, product;
    bool force_underrun, link_size, wait_drive, close_immediate, wait_not_ready;
  };
  const std::vector<Case> cases = {
      {"PLAIN", "DVD RECORDER", false, false, false, true, false},
      {"RICOH", "CD-W512EB", true, false, false, true, false},
      {"CANON", "CRX175E", false, true, false, true, false},
      {"SONY", "CD-RW  CRX800E", false, true, false, true, false},
      {"MATSHITA", "UJDA740", false, false, true, true, false},
      {"TDK", "VELOCD", false, false, true, true, false},
      {"TD", "UJD", false, false, false, true, false},  // short names match nothing
      {"ACME", "CDRW321040X", false, false, false, false, false},
      {"PIONEER", "DVD-RW  DVR-104", false, false, false, true, true},
  };
  for (const auto& c : cases) {
    DriveMachine m;
    m.factory = [&](const DriveMapEntry&) {
      return std::make_unique<IdentifiedTarget>(Ident(c.vendor, c.product, "1"));
    };
    m.Start("[E]\nImage=e.img\n");
    TSCSIDevice drive;
    int changes = 0;
    drive.OnDeviceChange = [&](TSCSIDevice* sender) {
      EXPECT_EQ(sender, &drive);
      ++changes;
    };
    ASSERT_TRUE(drive.InitializeASPI(true, ""));
    drive.SetDeviceID(drive.Devices.at(0));
    EXPECT_EQ(changes, 1) << c.product;
    EXPECT_EQ(drive.ForceUnderrunProtection, c.force_underrun) << c.product;
    EXPECT_EQ(drive.SetLinkSizeValid, c.link_size) << c.product;
    EXPECT_EQ(DrvLib().WaitNotReadyDrive.load(), c.wait_drive) << c.product;
    EXPECT_EQ(DrvLib().CloseSessionImmediate.load(), c.close_immediate) << c.product;
    EXPECT_EQ(drive.WaitNotReady, c.wait_not_ready) << c.product;
  }
  DrvLib().WaitNotReadyDrive = false;
  DrvLib().CloseSessionImmediate = true;
}

TEST(Transport, WriteOnceDevicesAreListedAsNotSupported) {
  DriveMachine m;
  m.factory = [](const DriveMapEntry& entry) {
    return std::make_unique<IdentifiedTarget>(Ident("V", "WORM", "1"), entry.letter == 'E' ? 4 : 0);
  };
  m.Start("[E]\nImage=e.img\n[F]\nImage=f.img\n");
  TSCSIDevice drive;
  ASSERT_TRUE(drive.InitializeASPI(true, ""));
  // F: answers as a disk (type 0): not listed.
  EXPECT_EQ(drive.Devices,
            (std::vector<std::string>{"0:0:0,E: " + Ident("V", "WORM", "1") + " (not supported)"}));
}

// The order in which the layer is chosen, watched through the library loader.
struct LoaderWatch {
  std::vector<std::string> tried;
  std::map<std::string, std::vector<std::string>> libraries;  // path -> exported names
  std::vector<void*> closed;

  static std::uint32_t Info() { return std::uint32_t{SS_COMP} << 8 | 1; }
  static std::uint32_t Send(void*) { return SS_COMP; }

  AspiLibraryLoader Loader() {
    AspiLibraryLoader loader;
    loader.open = [this](const std::string& path) -> void* {
      tried.push_back(path);
      auto it = libraries.find(path);
      return it == libraries.end() ? nullptr : &it->second;
    };
    loader.symbol = [](void* library, const char* name) -> void* {
      auto& names = *static_cast<std::vector<std::string>*>(library);
      if (std::find(names.begin(), names.end(), name) == names.end()) return nullptr;
      return std::string(name) == "SendASPI32Command" ? reinterpret_cast<void*>(&Send)
                                                      : reinterpret_cast<void*>(&Info);
    };
    loader.close = [this](void* library) {
      closed.push_back(library);
      return true;
    };
    return loader;
  }
};

TEST(Transport, InitAspiFallbackOrder) {
  const std::vector<std::string> both = {"GetASPI32SupportInfo", "SendASPI32Command"};
  struct Case {
    const char* name;
    bool use_spti;
    bool drives;
    std::string dll_path;
    std::map<std::string, std::vector<std::string>> libraries;
    std::vector<std::string> tried;
    const char* layer;  // "" when none starts
  };
  const std::vector<Case> cases = {
      {"emulation first when asked", true, true, "", {{"WNASPI32.DLL", both}}, {}, "KVASPI32"},
      {"library when no drive letters",
       true,
       false,
       "",
       {{".\\WNASPI32.DLL", both}},
       {".\\WNASPI32.DLL"},
       "WNASPI32.DLL"},
      {"caller's path first",
       false,
       true,
       "/opt/aspi.so",
       {{"/opt/aspi.so", both}, {"WNASPI32.DLL", both}},
       {"/opt/aspi.so"},
       "WNASPI32.DLL"},
      {"then the folder, then the search path",
       false,
       true,
       "/opt/aspi.so",
       {{"WNASPI32.DLL", both}},
       {"/opt/aspi.so", ".\\WNASPI32.DLL", "WNASPI32.DLL"},
       "WNASPI32.DLL"},
      {"emulation when no library", false, true, "", {}, {".\\WNASPI32.DLL", "WNASPI32.DLL"}, "KVASPI32"},
      // A library without both entry points is not used.
      {"incomplete library is skipped",
       false,
       true,
       "",
       {{".\\WNASPI32.DLL", {"SendASPI32Command"}}, {"WNASPI32.DLL", both}},
       {".\\WNASPI32.DLL", "WNASPI32.DLL"},
       "WNASPI32.DLL"},
      {"nothing at all",
       true,
       false,
       "",
       {{"WNASPI32.DLL", {"GetASPI32SupportInfo"}}},
       {".\\WNASPI32.DLL", "WNASPI32.DLL"},
       ""},
  };
  for (const auto& c : cases) {
    DriveMachine m;
    m.factory = [](const DriveMapEntry&) { return std::make_unique<IdentifiedTarget>(Ident("V", "P", "R")); };
    m.Start(c.drives ? "[E]\nImage=e.img\n" : "");
    LoaderWatch watch;
    watch.libraries = c.libraries;
    AspiLayer().loader = watch.Loader();
    const bool up = InitASPI(c.use_spti, c.dll_path);
    EXPECT_EQ(up, std::string(c.layer) != "") << c.name;
    EXPECT_EQ(ASPIInitialized(), up) << c.name;
    EXPECT_EQ(watch.tried, c.tried) << c.name;
    if (up) EXPECT_EQ(ActiveLayerName(), c.layer) << c.name;
    if (!up) {
      // No command can go through a missing entry point.
      SRB_HAInquiry ha{};
      ha.SRB_Cmd = SC_HA_INQUIRY;
      EXPECT_EQ(SendASPI32Command(&ha), SS_NO_ADAPTERS) << c.name;
      EXPECT_EQ(ha.SRB_Status, 0) << c.name;
    }
    for (const auto& [path, names] : c.libraries) {
      if (names.size() < 2 && std::find(c.tried.begin(), c.tried.end(), path) != c.tried.end()) {
        EXPECT_EQ(watch.closed.size(), 1u) << c.name;
      }
    }
    EXPECT_EQ(AspiLayer().UseSPTIChoice, c.use_spti);
    ShutdownASPI();
    AspiLayer().loader = HostLibraryLoader();
  }
}

TEST(Transport, ReinitLooksForTheLibraryOnlyUnderItsOwnNames) {
  DriveMachine m;
  m.factory = [](const DriveMapEntry&) { return std::make_unique<IdentifiedTarget>(Ident("V", "P", "R")); };
  m.Start("");
  LoaderWatch watch;
  watch.libraries = {{"/opt/aspi.so", {"GetASPI32SupportInfo", "SendASPI32Command"}}};
  AspiLayer().loader = watch.Loader();
  ASSERT_TRUE(InitASPI(false, "/opt/aspi.so"));
  watch.tried.clear();
  EXPECT_TRUE(ReinitASPI());
  EXPECT_EQ(watch.tried, (std::vector<std::string>{".\\WNASPI32.DLL", "WNASPI32.DLL"}));
  EXPECT_FALSE(ASPIInitialized());
  EXPECT_TRUE(UnloadASPI());  // nothing left to free
  AspiLayer().loader = HostLibraryLoader();
}

}  // namespace

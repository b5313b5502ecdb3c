#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "recorder/tests/FakeAspi.h"
#include "recorder/xrDrvLib.h"

namespace {

struct Selected : TSCSIDevice {
  Selected() {
    HaId = 0;
    Target = 1;
    Lun = 0;
  }
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

TEST(CommandSet, CdbLayouts) {
  struct Case {
    const char* name;
    std::function<void(TSCSIDevice&, std::uint8_t*)> call;
    std::vector<std::uint8_t> cdb;
    std::uint8_t flags;
    std::uint32_t length;
  };
  const std::vector<Case> cases = {
      {"test unit ready", [](TSCSIDevice& d, std::uint8_t*) { d.TestUnitReady(); }, Bytes({0, 0, 0, 0, 0, 0}), 0x40,
       0},
      {"rezero", [](TSCSIDevice& d, std::uint8_t*) { d.RezeroUnit(); }, Bytes({1, 0, 0, 0, 0, 0}), 0x40, 0},
      {"request sense", [](TSCSIDevice& d, std::uint8_t* b) { d.RequestSense(b, 40); }, Bytes({3, 0, 0, 0, 40, 0}),
       0x48, 40},
      {"format unit",
       [](TSCSIDevice& d, std::uint8_t*) { d.FormatUnit(0x11, kFormatDVDPlusRW.data(), 12); },
       Bytes({4, 0x11, 0, 0, 0, 0}), 0x50, 12},
      {"inquiry", [](TSCSIDevice& d, std::uint8_t*) { d.Inquiry(); }, Bytes({0x12, 0, 0, 0, 0x80, 0}), 0x48, 128},
      {"eject", [](TSCSIDevice& d, std::uint8_t*) { d.StartStopUnit(true); }, Bytes({0x1B, 0, 0, 0, 2, 0}), 0x40, 0},
      {"load", [](TSCSIDevice& d, std::uint8_t*) { d.StartStopUnit(false); }, Bytes({0x1B, 0, 0, 0, 3, 0}), 0x40, 0},
      {"prevent", [](TSCSIDevice& d, std::uint8_t*) { d.PreventAllowMediumRemoval(false); },
       Bytes({0x1E, 0, 0, 0, 1, 0}), 0x40, 0},
      {"allow", [](TSCSIDevice& d, std::uint8_t*) { d.PreventAllowMediumRemoval(true); },
       Bytes({0x1E, 0, 0, 0, 0, 0}), 0x40, 0},
      {"read format capacities",
       [](TSCSIDevice& d, std::uint8_t*) {
         std::uint32_t a, b;
         d.ReadFormatCapacities(a, b);
       },
       Bytes({0x23, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0}), 0x48, 248},
      {"read capacity",
       [](TSCSIDevice& d, std::uint8_t*) {
         std::uint32_t a, b;
         d.ReadCapacity(a, b);
       },
       Bytes({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 0x48, 8},
      {"read 10", [](TSCSIDevice& d, std::uint8_t* b) { d.Read10(0x01020304, 0x0506, b, 2048); },
       Bytes({0x28, 0, 1, 2, 3, 4, 0, 5, 6, 0}), 0x48, 2048},
      {"write 10", [](TSCSIDevice& d, std::uint8_t* b) { d.Write10(0x10, 32, b, 65536); },
       Bytes({0x2A, 0, 0, 0, 0, 0x10, 0, 0, 32, 0}), 0x50, 65536},
      {"synchronize immed", [](TSCSIDevice& d, std::uint8_t*) { d.SynchronizeCache(30000, true); },
       Bytes({0x35, 2, 0, 0, 0, 0, 0, 0, 0, 0}), 0x40, 0},
      // Allocation lengths keep both bytes.
      {"read toc", [](TSCSIDevice& d, std::uint8_t* b) { d.ReadTOC(4, b, 300, 1, true, 0x40); },
       Bytes({0x43, 2, 4, 0, 0, 0, 1, 0x01, 0x2C, 0x40}), 0x48, 300},
      {"get configuration", [](TSCSIDevice& d, std::uint8_t* b) { d.GetConfiguration(2, 0x012A, b, 0x0172); },
       Bytes({0x46, 2, 0x01, 0x2A, 0, 0, 0, 0x01, 0x72, 0}), 0x48, 0x172},
      {"read disc information", [](TSCSIDevice& d, std::uint8_t* b) { d.ReadDiscInformation(b, 56); },
       Bytes({0x51, 0, 0, 0, 0, 0, 0, 0, 56, 0}), 0x48, 56},
      {"read track information", [](TSCSIDevice& d, std::uint8_t*) { d.ReadTrackInformation(0xFF); },
       Bytes({0x52, 1, 0, 0, 0, 0xFF, 0, 0, 0x28, 0}), 0x48, 40},
      {"reserve track", [](TSCSIDevice& d, std::uint8_t*) { d.ReserveTrack(0x00123456); },
       Bytes({0x53, 0, 0, 0, 0, 0x00, 0x12, 0x34, 0x56, 0, 0, 0}), 0x40, 0},
      {"send opc", [](TSCSIDevice& d, std::uint8_t*) { d.SendOPCInformation(); },
       Bytes({0x54, 1, 0, 0, 0, 0, 0, 0, 0, 0}), 0x40, 0},
      {"mode select", [](TSCSIDevice& d, std::uint8_t* b) { d.ModeSelect10(b, 300); },
       Bytes({0x55, 0x10, 0, 0, 0, 0, 0, 0x01, 0x2C, 0}), 0x50, 300},
      {"mode sense default", [](TSCSIDevice& d, std::uint8_t* b) { d.ModeSense10(0x2A, b, 255, 255, true); },
       Bytes({0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 0xFF, 0}), 0x48, 255},
      {"close track", [](TSCSIDevice& d, std::uint8_t*) { d.CloseTrackSession(true, true, false); },
       Bytes({0x5B, 1, 1, 0, 0, 0xFF, 0, 0, 0, 0}), 0x40, 0},
      {"close session", [](TSCSIDevice& d, std::uint8_t*) { d.CloseTrackSession(false, false, false); },
       Bytes({0x5B, 0, 2, 0, 0, 0, 0, 0, 0, 0}), 0x40, 0},
      {"finalize wins over track", [](TSCSIDevice& d, std::uint8_t*) { d.CloseTrackSession(true, false, true); },
       Bytes({0x5B, 0, 5, 0, 0, 0xFF, 0, 0, 0, 0}), 0x40, 0},
      {"close ex", [](TSCSIDevice& d, std::uint8_t*) { d.CloseTrackSessionEx(false, 3, 7, 8, 9); },
       Bytes({0x5B, 0, 3, 7, 8, 9, 0, 0, 0, 0}), 0x40, 0},
      {"buffer capacity",
       [](TSCSIDevice& d, std::uint8_t*) {
         std::uint32_t a, b;
         d.ReadBufferCapacity(a, b);
       },
       Bytes({0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}), 0x48, 32},
      {"cue sheet", [](TSCSIDevice& d, std::uint8_t* b) { d.SendCueSheet(b, 0x0123); },
       Bytes({0x5D, 0, 0, 0, 0, 0, 0, 0x01, 0x23, 0}), 0x50, 0x123},
      {"set streaming", [](TSCSIDevice& d, std::uint8_t*) { d.SetStreaming(kStreamingDVDR.data(), 28); },
       Bytes({0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}), 0x50, 28},
      {"speed maximum", [](TSCSIDevice& d, std::uint8_t*) { d.SetCDSpeed(0, 0); },
       Bytes({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}), 0x40, 0},
      {"speed", [](TSCSIDevice& d, std::uint8_t*) { d.SetCDSpeed(1764, 5540); },
       Bytes({0xBB, 0, 0x06, 0xE4, 0x15, 0xA4, 0, 0, 0, 0, 0, 0}), 0x40, 0},
      {"send dvd structure", [](TSCSIDevice& d, std::uint8_t* b) { d.SendDVDStructure(0x0F, b, 22); },
       Bytes({0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}), 0x50, 22},
  };
  std::vector<std::uint8_t> buffer(65536);
  for (const auto& c : cases) {
    FakeAspi aspi;
    Selected drive;
    aspi.sent.clear();
    c.call(drive, buffer.data());
    ASSERT_EQ(aspi.sent.size(), 1u) << c.name;
    EXPECT_EQ(aspi.sent[0].cdb, c.cdb) << c.name;
    EXPECT_EQ(aspi.sent[0].flags, c.flags) << c.name;
    EXPECT_EQ(aspi.sent[0].length, c.length) << c.name;
  }
}

TEST(CommandSet, ParameterListsAndSettings) {
  FakeAspi aspi;
  Selected drive;
  aspi.sent.clear();
  drive.FormatUnit(0x11, kFormatDVDRAMFull.data(), 12);
  EXPECT_EQ(aspi.sent.back().data_out, Bytes({0, 0x82, 0, 8, 0, 0x22, 0x21, 0x20, 0, 0, 8, 0}));
  drive.SetStreamingPerformance(99, 0x0023127F, 43965, 1418, 1000, 1000);
  EXPECT_EQ(aspi.sent.back().data_out,
            std::vector<std::uint8_t>(kStreamingDVDR.begin(), kStreamingDVDR.end()));
  std::tm when{};
  when.tm_year = 2024 - 1900;
  when.tm_mon = 1;
  when.tm_mday = 29;
  when.tm_hour = 13;
  when.tm_min = 5;
  when.tm_sec = 9;
  when.tm_isdst = -1;
  drive.SendDVDTimeStamp(std::mktime(&when));
  const auto& stamp = aspi.sent.back().data_out;
  ASSERT_EQ(stamp.size(), 22u);
  EXPECT_EQ(stamp[1], 0x14);
  EXPECT_EQ(std::string(stamp.begin() + 8, stamp.end()), "20240229130509");

  // Eject and removal commands leave device handles open afterwards.
  drive.StartStopUnit(true);
  EXPECT_TRUE(aspi.sent.back().close_after);
  EXPECT_FALSE(Spti().CloseDeviceAfterCommand);
  drive.PreventAllowMediumRemoval(true);
  EXPECT_TRUE(aspi.sent.back().close_after);
  drive.PreventAllowMediumRemoval(false);
  EXPECT_FALSE(aspi.sent.back().close_after);
  SetCloseDeviceAfterCommand(true);

  // The write speed is kept even when the drive refuses it.
  aspi.exec = [](TSRB& s) { FailWithSense(s, 5, 0x24, 0); };
  drive.SetReadSpeed(1000);
  drive.SetWriteSpeed(2822);
  EXPECT_EQ(drive.WriteSpeed(), 2822);
  EXPECT_EQ(aspi.sent.back().cdb, Bytes({0xBB, 0, 0x03, 0xE8, 0x0B, 0x06, 0, 0, 0, 0, 0, 0}));
}

TEST(CommandSet, BufferCapacity) {
  FakeAspi aspi;
  Selected drive;
  std::uint32_t blank_reported = 0xFFFFFFFFu;
  aspi.exec = [&](TSRB& s) {
    std::uint8_t* d = s.SRB_BufPointer;
    d[4] = 0x00, d[5] = 0x20, d[6] = 0x00, d[7] = 0x00;  // 2 MB
    d[8] = blank_reported >> 24, d[9] = blank_reported >> 16, d[10] = blank_reported >> 8,
    d[11] = blank_reported;
    s.SRB_Status = SS_COMP;
  };
  std::uint32_t length = 0, blank = 0;
  ASSERT_TRUE(drive.ReadBufferCapacity(length, blank));
  EXPECT_EQ(length, 0x200000u);
  EXPECT_EQ(blank, 0xFFFFFFFFu);
  EXPECT_EQ(drive.DeviceBufferSize(), 0x200000u);
  EXPECT_EQ(drive.DeviceFreeBufferSize(), 0x200000u);
  blank_reported = 0x1000;
  ASSERT_TRUE(drive.ReadBufferCapacity(length, blank));
  EXPECT_EQ(drive.DeviceFreeBufferSize(), 0x1000u);
  aspi.exec = [](TSRB& s) { FailWithSense(s, 2, 0x3A, 0); };
  EXPECT_FALSE(drive.ReadBufferCapacity(length, blank));
  EXPECT_EQ(drive.DeviceFreeBufferSize(), 0u);
}

TEST(CommandSet, FormatCapacitiesPreference) {
  using List = std::vector<std::uint8_t>;
  struct Case {
    const char* name;
    List answer;
    std::uint32_t blocks;
  };
  const List current2048 = {0, 0, 0,    24, 0, 0, 0x10, 0, 0, 0, 8, 0,  // current: 4096 blocks of 2048
                            0, 0, 0x20, 0,  0, 0, 8,    0,              // first: 8192, type 00h
                            0, 0, 0x30, 0,  0, 0, 8,    0};             // second: 12288
  List unformatted = current2048;
  unformatted[8] = 0x02;  // descriptor type: unformatted media
  List type26 = unformatted;
  type26[16] = 0x98, type26[17] = 0, type26[18] = 0, type26[19] = 0;
  List second_only = unformatted;
  second_only[18] = 0x04;
  List none = second_only;
  none[26] = 0x04;
  const std::vector<Case> cases = {
      {"current", current2048, 0x1000},      {"first formattable", unformatted, 0x2000},
      {"format type 26h", type26, 0x2000},   {"second formattable", second_only, 0x3000},
      {"fallback to current", none, 0x1000},
  };
  for (const auto& c : cases) {
    FakeAspi aspi;
    Selected drive;
    aspi.exec = [&](TSRB& s) {
      std::memcpy(s.SRB_BufPointer, c.answer.data(), std::min<std::size_t>(c.answer.size(), s.SRB_BufLen));
      s.SRB_Status = SS_COMP;
    };
    std::uint32_t blocks = 0, size = 0;
    ASSERT_TRUE(drive.ReadFormatCapacities(blocks, size)) << c.name;
    EXPECT_EQ(blocks, c.blocks) << c.name;
    EXPECT_EQ(size, 2048u) << c.name;
  }
  // A list too short to hold a descriptor is refused with a text.
  FakeAspi aspi;
  Selected drive;
  aspi.exec = [](TSRB& s) {
    s.SRB_BufPointer[3] = 4;
    s.SRB_Status = SS_COMP;
  };
  std::uint32_t blocks = 0, size = 0;
  EXPECT_FALSE(drive.ReadFormatCapacities(blocks, size));
  EXPECT_EQ(drive.LastError, "INVALID DRIVE ANSWER (FORMAT CAPACITIES)");
}

}  // namespace

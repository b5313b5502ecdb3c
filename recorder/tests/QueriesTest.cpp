// Query parsers against canned drive answers.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "platform/core/Clock.h"
#include "recorder/tests/FakeAspi.h"
#include "recorder/xrDrvLib.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Answers by opcode; a missing opcode fails with ILLEGAL REQUEST 20/00.
struct CannedDrive {
  FakeAspi aspi;
  std::map<std::uint8_t, std::function<void(TSRB&)>> answers;
  std::vector<Bytes> mode_selects;

  CannedDrive() {
    aspi.exec = [this](TSRB& s) {
      if (s.CDBByte[0] == 0x55) mode_selects.emplace_back(s.SRB_BufPointer, s.SRB_BufPointer + s.SRB_BufLen);
      auto it = answers.find(s.CDBByte[0]);
      if (it == answers.end()) return FailWithSense(s, 5, 0x20, 0);
      it->second(s);
    };
    answers[0x55] = Ok();
    answers[0x00] = Ok();
  }
  static std::function<void(TSRB&)> Ok() {
    return [](TSRB& s) { s.SRB_Status = SS_COMP; };
  }
  static std::function<void(TSRB&)> Data(Bytes data) {
    return [data](TSRB& s) {
      std::memcpy(s.SRB_BufPointer, data.data(), std::min<std::size_t>(data.size(), s.SRB_BufLen));
      s.SRB_Status = SS_COMP;
    };
  }
};

struct Selected : TSCSIDevice {
  Selected() { HaId = Target = Lun = 0; }
};

// MODE SENSE(10) answer: 8-byte header, then the page at offset 8.
Bytes ModeAnswer(Bytes page) {
  Bytes out(8, 0);
  const std::size_t length = 6 + page.size();
  out[0] = static_cast<std::uint8_t>(length >> 8);
  out[1] = static_cast<std::uint8_t>(length);
  out.insert(out.end(), page.begin(), page.end());
  return out;
}

Bytes CapabilitiesPage(std::uint8_t read, std::uint8_t write, std::uint8_t byte4, std::uint16_t max_read,
                       std::uint16_t max_write, std::uint16_t current_write) {
  Bytes page(28, 0);
  page[0] = 0x2A;
  page[1] = 26;
  page[2] = read;
  page[3] = write;
  page[4] = byte4;
  page[8] = max_read >> 8, page[9] = max_read & 0xFF;
  page[12] = 0x08, page[13] = 0x00;  // 2 MB buffer
  page[18] = max_write >> 8, page[19] = max_write & 0xFF;
  page[20] = current_write >> 8, page[21] = current_write & 0xFF;
  return page;
}

Bytes Feature(std::uint16_t code, bool current_write) {
  Bytes out(16, 0);
  out[3] = 12;  // data length: header rest + one descriptor
  out[8] = code >> 8, out[9] = code & 0xFF;
  out[11] = 4;
  out[12] = current_write ? 1 : 0;
  return out;
}

TEST(Queries, CapabilitiesFromPageAndFeatures) {
  CannedDrive canned;
  Selected drive;
  const Bytes page = ModeAnswer(CapabilitiesPage(0x3F, 0x37, 0x80, 8467, 5540, 0));
  canned.answers[0x5A] = [page](TSRB& s) {
    const std::uint8_t code = s.CDBByte[2] & 0x3F;
    if (code != 0x2A) return FailWithSense(s, 5, 0x24, 0);
    CannedDrive::Data(page)(s);
  };
  canned.answers[0x46] = [](TSRB& s) {
    const std::uint16_t feature = (s.CDBByte[2] << 8) | s.CDBByte[3];
    if (feature == 0x2A) return CannedDrive::Data(Feature(0x2A, true))(s);
    if (feature == 0x3B) return CannedDrive::Data(Feature(0x3B, false))(s);
    CannedDrive::Data(Feature(0x2D, true))(s);  // 2Fh not there: the drive answers the next one
  };
  ASSERT_TRUE(drive.GetCapabilities());
  const std::uint32_t expected =
      capReadCDR | capReadCDRW | capReadMethod2 | capReadDVD | capReadDVDR | capReadDVDRW | capReadDVDRAM |
      capWriteCDR | capWriteCDRW | capWriteTest | capWriteDVDR | capWriteDVDRW | capWriteDVDRAM |
      capUnderrunProtection | capReadDVDPR | capReadDVDPRW | capWriteDVDPR | capWriteDVDPRW | capReadDVDPRDL;
  EXPECT_EQ(drive.Capabilities, expected);
  EXPECT_EQ(drive.CapabilitiesPage.MaxReadSpeed, 8467);
  EXPECT_EQ(drive.CapabilitiesPage.MaxWriteSpeed, 5540);
  EXPECT_EQ(drive.CapabilitiesPage.CurrentWriteSpeed, 1385);  // 0 reads as DVD single speed
  EXPECT_EQ(drive.CapabilitiesPage.BufferSize, 2048);
  EXPECT_EQ(drive.DeviceMaxWriteSpeed(), 5540);
  EXPECT_EQ(drive.DeviceMaxReadSpeed(), 8467);
  EXPECT_EQ(drive.CapabilitiesPage.raw[0], 0x2A);
  EXPECT_EQ(drive.GetMaxWriteSpeed(), 5540);
  EXPECT_EQ(drive.GetCurrentWriteSpeed(), 1385);
}

TEST(Queries, DvdRamWriterWithoutSpeedsAndPageAtOffsetSixteen) {
  CannedDrive canned;
  Selected drive;
  drive.ForceUnderrunProtection = true;
  canned.answers[0x5A] = [](TSRB& s) {
    const bool defaults = s.CDBByte[2] & 0x80;
    Bytes page = CapabilitiesPage(0x20, 0x20, 0x00, 0, defaults ? 0 : 0, 0);
    Bytes answer = ModeAnswer(page);
    // A block descriptor ahead of the page.
    answer.insert(answer.begin() + 8, 8, 0);
    answer[1] += 8;
    answer[7] = 8;
    CannedDrive::Data(answer)(s);
  };
  ASSERT_TRUE(drive.GetCapabilities());
  EXPECT_TRUE(drive.Capabilities & capWriteDVDRAM);
  EXPECT_TRUE(drive.Capabilities & capUnderrunProtection);
  EXPECT_EQ(drive.CapabilitiesPage.MaxWriteSpeed, 1385);
  EXPECT_EQ(drive.DeviceMaxWriteSpeed(), 1385);
  EXPECT_EQ(drive.DeviceMaxReadSpeed(), 1);
}

TEST(Queries, GarbageOrShortModePagesFailWithAText) {
  struct Case {
    const char* name;
    Bytes answer;
  };
  Bytes wrong_code = ModeAnswer(CapabilitiesPage(1, 1, 0, 1, 1, 1));
  wrong_code[8] = 0x07;
  Bytes overlong = ModeAnswer(CapabilitiesPage(1, 1, 0, 1, 1, 1));
  overlong[9] = 250;  // page claims more than the mode data holds
  Bytes short_data = ModeAnswer(CapabilitiesPage(1, 1, 0, 1, 1, 1));
  short_data[0] = 0, short_data[1] = 6;  // header only
  const std::vector<Case> cases = {{"wrong page", wrong_code},
                                   {"overlong page", overlong},
                                   {"short", short_data},
                                   {"all zero", Bytes(255, 0)},
                                   {"all ones", Bytes(255, 0xFF)}};
  for (const auto& c : cases) {
    CannedDrive canned;
    Selected drive;
    canned.answers[0x5A] = CannedDrive::Data(c.answer);
    EXPECT_FALSE(drive.GetCapabilities()) << c.name;
    EXPECT_EQ(drive.LastError, "INVALID DRIVE ANSWER (MODE PAGE 2AH)") << c.name;
    EXPECT_EQ(drive.GetMaxWriteSpeed(), 0) << c.name;
    EXPECT_FALSE(drive.SetWriteParameters(false, false, false, dtCDR)) << c.name;
    EXPECT_EQ(drive.LastError, "INVALID DRIVE ANSWER (MODE PAGE 05H)") << c.name;
    EXPECT_TRUE(canned.mode_selects.empty()) << c.name;
  }
}

// The write parameters page each disc type gets from a drive that can test
// write and protect against underrun.
TEST(Queries, WriteParametersByDiscType) {
  struct Case {
    TDiscType type;
    bool test, underrun, finalize, dl_multi;
    std::uint8_t byte2, byte3, link;
    std::uint32_t packet;
  };
  const std::vector<Case> cases = {
      {dtCDR, false, false, false, false, 0x01, 0xC4, 0, 0},
      {dtCDR, true, false, false, false, 0x11, 0x04, 0, 0},
      {dtCDR, false, true, false, false, 0x41, 0xC4, 0, 0},
      {dtCDRW, false, false, true, false, 0x01, 0x04, 0, 0},
      {dtUnknown, true, true, true, false, 0x51, 0x04, 0, 0},
      {dtDVDROM, false, false, false, false, 0x01, 0xC4, 0, 0},
      {dtDDCDRW, false, false, false, false, 0x01, 0xC4, 0, 0},
      {dtDVDR, false, false, false, false, 0x20, 0xE5, 16, 16},
      {dtDVDR, true, true, false, false, 0x70, 0xE5, 16, 16},
      {dtDVDRWRestricted, true, false, false, false, 0x30, 0xC5, 16, 0},  // test write kept
      {dtDVDRWSequential, true, true, true, false, 0x70, 0xC5, 16, 0},
      {dtDVDPlusRW, false, false, false, false, 0x22, 0x04, 16, 0},
      {dtDVDPlusRW, true, true, false, false, 0x72, 0x04, 16, 0},
      {dtDVDPlusR, false, false, false, false, 0x22, 0xC4, 0, 16},
      {dtDVDPlusR, true, true, true, false, 0x72, 0xC4, 0, 16},
      {dtDVDPlusRDL, false, false, false, true, 0x22, 0xC4, 0, 0},
      {dtDVDPlusRDL, true, true, false, false, 0x72, 0x04, 0, 0},
  };
  for (const auto& c : cases) {
    CannedDrive canned;
    Selected drive;
    Bytes page05(52, 0);
    page05[0] = 0x85;  // the drive reports the page savable; a page sent back must not say so
    page05[1] = 0x32;
    page05[3] = 0x3F;  // junk the drive had in the field
    canned.answers[0x5A] = CannedDrive::Data(ModeAnswer(page05));
    drive.Capabilities = capWriteTest | capUnderrunProtection;
    drive.CapabilitiesPage.raw[4] = 0x80;
    drive.SetFinalizeDisc(c.finalize);
    ASSERT_TRUE(drive.SetWriteParameters(c.test, c.underrun, c.dl_multi, c.type)) << int(c.type);
    ASSERT_EQ(canned.mode_selects.size(), 1u);
    const Bytes& list = canned.mode_selects[0];
    ASSERT_EQ(list.size(), 60u);
    const std::uint8_t* p = &list[8];
    EXPECT_EQ(p[0], 0x05);
    EXPECT_EQ(p[1], 0x32);
    EXPECT_EQ(p[2], c.byte2) << int(c.type) << " T" << c.test << " U" << c.underrun;
    EXPECT_EQ(p[3], c.byte3) << int(c.type) << " T" << c.test << " F" << c.finalize;
    EXPECT_EQ(p[4], 0x08);
    EXPECT_EQ(p[5], c.link) << int(c.type);
    EXPECT_EQ((std::uint32_t{p[10]} << 24) | (p[11] << 16) | (p[12] << 8) | p[13], c.packet) << int(c.type);
    EXPECT_EQ((p[14] << 8) | p[15], 150);
  }
  // DVD-RAM needs no write parameters.
  CannedDrive canned;
  Selected drive;
  canned.aspi.sent.clear();
  EXPECT_TRUE(drive.SetWriteParameters(false, false, false, dtDVDRAM));
  EXPECT_TRUE(canned.aspi.sent.empty());
}

TEST(Queries, WriteTypeProbe) {
  CannedDrive canned;
  Selected drive;
  Bytes page05(60, 0);  // the drive's page is longer than ours: the copy stops at our end
  page05[0] = 0x85;
  page05[1] = 58;
  canned.answers[0x5A] = CannedDrive::Data(ModeAnswer(page05));
  ASSERT_TRUE(drive.ProbeWriteTypes());
  EXPECT_EQ(drive.WriteTypes, 7);
  ASSERT_EQ(canned.mode_selects.size(), 3u);
  const Bytes& last = canned.mode_selects.back();
  EXPECT_EQ(last.size(), 8u + 54u);
  EXPECT_EQ(last[8], 0x05);    // parameters-savable bit cleared
  EXPECT_EQ(last[8 + 1], 52);  // the page length we send matches what we send
  EXPECT_EQ(last[8 + 2], 1);   // track at once is the last accepted
  EXPECT_EQ(canned.mode_selects[0][8 + 2], 3);
  EXPECT_EQ(canned.mode_selects[0][8 + 4], 1);
  EXPECT_EQ(canned.mode_selects[1][8 + 2], 2);
  // A drive that accepts only session at once.
  canned.answers[0x55] = [](TSRB& s) {
    if (s.SRB_BufPointer[8 + 2] == 2) return CannedDrive::Ok()(s);
    FailWithSense(s, 5, 0x26, 0);
  };
  drive.ProbeWriteTypes();
  EXPECT_EQ(drive.WriteTypes, 2);
}

TEST(Queries, DiscTypeFallbacksWithoutProfile) {
  struct Case {
    const char* name;
    int atip6;       // -1: no ATIP
    int disc_info2;  // -1: no disc information
    bool ready;
    TDiscType type;
  };
  const std::vector<Case> cases = {
      {"atip rw", 0xC0, -1, true, dtCDRW},       {"atip r", 0x80, -1, true, dtCDR},
      {"atip pressed", 0x00, -1, true, dtCDROM}, {"erasable disc info", -1, 0x10, true, dtCDRW},
      {"disc info", -1, 0x00, true, dtCDR},      {"only ready", -1, -1, true, dtCDROM},
      {"nothing", -1, -1, false, dtUnknown},
  };
  for (const auto& c : cases) {
    CannedDrive canned;
    Selected drive;
    canned.answers[0x46] = CannedDrive::Data(Bytes(8, 0));  // no current profile
    canned.answers[0x46] = [](TSRB& s) {
      Bytes header(8, 0);
      header[3] = 4;
      CannedDrive::Data(header)(s);
    };
    if (c.atip6 >= 0) {
      Bytes atip(26, 0);
      atip[1] = 22;
      atip[6] = static_cast<std::uint8_t>(c.atip6);
      canned.answers[0x43] = CannedDrive::Data(atip);
    }
    if (c.disc_info2 >= 0) {
      Bytes info(34, 0);
      info[1] = 32;
      info[2] = static_cast<std::uint8_t>(c.disc_info2);
      canned.answers[0x51] = CannedDrive::Data(info);
    }
    if (!c.ready) canned.answers.erase(0x00);
    EXPECT_EQ(drive.GetDiscType(), c.type) << c.name;
  }
}

TEST(Queries, SessionCountAndShortDiscInformation) {
  struct Case {
    std::uint8_t byte2, sessions;
    std::int16_t count;
  };
  // status in bits 1-0, last session state in bits 3-2
  const std::vector<Case> cases = {{0x00, 1, 0}, {0x0E, 2, 2}, {0x01, 3, 2}, {0x0D, 3, 3}, {0x01, 0, 0}};
  for (const auto& c : cases) {
    CannedDrive canned;
    Selected drive;
    Bytes info(34, 0);
    info[1] = 32;
    info[2] = c.byte2;
    info[4] = c.sessions;
    canned.answers[0x51] = CannedDrive::Data(info);
    EXPECT_EQ(drive.GetSessionCount(), c.count) << int(c.byte2) << " " << int(c.sessions);
  }
  CannedDrive canned;
  Selected drive;
  Bytes info(34, 0);
  info[1] = 2;  // too short to hold the disc status
  info[2] = 0x0E;
  info[4] = 5;
  canned.answers[0x51] = CannedDrive::Data(info);
  EXPECT_EQ(drive.GetSessionCount(), 0);
  EXPECT_EQ(drive.LastError, "INVALID DRIVE ANSWER (DISC INFORMATION)");
  EXPECT_EQ(drive.GetDiscStatus(), -1);
}

TEST(Queries, IsoVolumeSizeReadsBlocksSixteenToThirtyTwo) {
  CannedDrive canned;
  Selected drive;
  std::vector<std::uint32_t> read;
  canned.answers[0x28] = [&](TSRB& s) {
    const std::uint32_t lba =
        (s.CDBByte[2] << 24) | (s.CDBByte[3] << 16) | (s.CDBByte[4] << 8) | s.CDBByte[5];
    read.push_back(lba);
    std::memset(s.SRB_BufPointer, 0, s.SRB_BufLen);
    if (lba == 17) {
      s.SRB_BufPointer[0] = 2;
      std::memcpy(s.SRB_BufPointer + 1, "CD001", 5);
      s.SRB_BufPointer[80] = 0x34, s.SRB_BufPointer[81] = 0x12;
    }
    s.SRB_Status = SS_COMP;
  };
  EXPECT_EQ(drive.GetISOVolumeSize(), 0x1234u);
  EXPECT_EQ(read, (std::vector<std::uint32_t>{16, 17}));
  read.clear();
  canned.answers[0x28] = [&](TSRB& s) {
    read.push_back(s.CDBByte[5]);
    std::memset(s.SRB_BufPointer, 0, s.SRB_BufLen);
    s.SRB_Status = SS_COMP;
  };
  EXPECT_EQ(drive.GetISOVolumeSize(), 0u);
  EXPECT_EQ(read.size(), 17u);
}

}  // namespace

namespace {

// A drive whose every answer is noise: each query must end, stay inside its
// buffers (the sanitizer builds check that) and explain a refusal.
TEST(Queries, NoiseAnswersNeverCrashOrHang) {
  FakeClock clock;
  ScopedClock scoped(clock);
  for (std::uint32_t seed = 1; seed <= 150; ++seed) {
    SeededRandom random(seed);
    CannedDrive canned;
    Selected drive;
    canned.aspi.exec = [&](TSRB& s) {
      if ((s.SRB_Flags & SRB_DIR_IN) && s.SRB_BufPointer) {
        for (std::uint32_t i = 0; i < s.SRB_BufLen; ++i)
          s.SRB_BufPointer[i] = static_cast<std::uint8_t>(random.Next(256));
      }
      switch (random.Next(8)) {
        case 0:
          FailWithSense(s, static_cast<std::uint8_t>(random.Next(16)),
                        static_cast<std::uint8_t>(random.Next(256)),
                        static_cast<std::uint8_t>(random.Next(256)));
          break;
        case 1:
          s.SRB_Status = static_cast<std::uint8_t>(random.Next(256));
          s.SRB_HaStat = static_cast<std::uint8_t>(random.Next(256));
          s.SRB_TargStat = static_cast<std::uint8_t>(random.Next(256));
          for (auto& b : s.SenseArea) b = static_cast<std::uint8_t>(random.Next(256));
          break;
        default:
          s.SRB_Status = SS_COMP;
      }
    };
    if (!drive.GetCapabilities()) EXPECT_FALSE(drive.LastError.empty()) << seed;
    drive.ProbeWriteTypes();
    const TDiscType type = drive.GetDiscType();
    EXPECT_LE(type, dtDDCDRW);
    DrvLib().CurrentDiscType = type;
    TDisc disc;
    drive.GetDiscInfo(disc);
    drive.GetSessionCount();
    drive.GetNextWritableAddress();
    drive.GetFreeBlocks();
    drive.GetDiscCapacity();
    drive.IsDiscErasable();
    drive.GetISOVolumeSize();
    drive.WaitForReady(10000, 500);
    for (TDiscType t = 0; t <= dtDDCDRW; ++t) {
      if (!drive.SetWriteParameters(true, true, true, t)) EXPECT_FALSE(drive.LastError.empty()) << seed;
    }
    std::uint32_t a = 0, b = 0;
    drive.ReadFormatCapacities(a, b);
    drive.ReadBufferCapacity(a, b);
    drive.RefreshDevice();
  }
  DrvLib().CurrentDiscType = 0;
}

}  // namespace

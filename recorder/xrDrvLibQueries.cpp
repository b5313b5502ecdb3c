// Drive and disc queries of TSCSIDevice, and the write parameters page.

#include <algorithm>
#include <cstring>

#include "platform/core/Clock.h"
#include "recorder/xrConst.h"
#include "recorder/xrDrvLib.h"

namespace {

std::uint16_t Get16(const std::uint8_t* at) { return static_cast<std::uint16_t>((at[0] << 8) | at[1]); }

std::uint32_t Get32(const std::uint8_t* at) {
  return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

void Put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
}

bool IsCDFamily(TDiscType type) { return type < dtDVDROM; }

// The ATIP answer names the last possible start of the lead-out as an MSF
// position, which counts the 2-second pre-gap: 150 frames more than the
// block address, and the block address is also the number of usable blocks.
std::uint32_t AtipLeadOutBlocks(const std::array<std::uint8_t, 26>& atip) {
  const std::uint32_t frames = MSFToFrames(0, atip[12], atip[13], atip[14]);
  return frames >= 150 ? frames - 150 : 0;
}

bool AtipValid(const std::array<std::uint8_t, 26>& atip) {
  // The data length counts the bytes after itself; the lead-out start ends
  // at byte 14.
  return Get16(atip.data()) >= 13;
}

}  // namespace

// ------------------------------------------------------------- capabilities

bool TSCSIDevice::GetCapabilities() {
  Capabilities = 0;
  DeviceMaxWriteSpeed_ = 0;
  DeviceMaxReadSpeed_ = 0;
  CapabilitiesPage = TCapabilitiesPage{};

  const auto keep_page = [this](std::size_t offset) {
    const std::size_t length =
        std::min<std::size_t>(std::size_t{ModePageBuffer[offset + 1]} + 2, ModePageBuffer.size() - offset);
    CapabilitiesPage.raw.fill(0);
    std::copy_n(ModePageBuffer.begin() + static_cast<std::ptrdiff_t>(offset), length,
                CapabilitiesPage.raw.begin());
  };

  std::size_t offset = 0;
  bool have_default = false;
  if (ModeSense10(0x2A, ModePageBuffer.data(), 255, 255, true) &&
      FindModePage(ModePageBuffer.data(), 255, 0x2A, offset)) {
    have_default = true;
    keep_page(offset);
  }
  if (have_default) {
    const auto& page = CapabilitiesPage.raw;
    const std::uint8_t read = page[2], write = page[3];
    if (read & 0x01) Capabilities |= capReadCDR;
    if (read & 0x02) Capabilities |= capReadCDRW;
    if (read & 0x04) Capabilities |= capReadMethod2;
    if (read & 0x08) Capabilities |= capReadDVD;
    if (read & 0x10) Capabilities |= capReadDVDR | capReadDVDRW;
    if (read & 0x20) Capabilities |= capReadDVDRAM;
    if (write & 0x01) Capabilities |= capWriteCDR;
    if (write & 0x02) Capabilities |= capWriteCDRW;
    if (write & 0x04) Capabilities |= capWriteTest;
    if (write & 0x10) Capabilities |= capWriteDVDR | capWriteDVDRW;
    if (write & 0x20) Capabilities |= capWriteDVDRAM;
    if (page[4] & 0x80) Capabilities |= capUnderrunProtection;
    const bool dvdram_writer = (write & 0x20) != 0;
    const std::uint16_t max_write = Get16(&page[18]);
    const std::uint16_t max_read = Get16(&page[8]);
    DeviceMaxWriteSpeed_ = max_write != 0 ? max_write : (dvdram_writer ? 1 : 0);
    DeviceMaxReadSpeed_ = max_read != 0 ? max_read : (dvdram_writer ? 1 : 0);
    if (HasPage30() || ForceUnderrunProtection) Capabilities |= capUnderrunProtection;

    struct Feature {
      std::uint16_t code;
      std::uint32_t read_bits, write_bits;
    };
    static constexpr Feature kFeatures[] = {
        {0x002A, capReadDVDPR | capReadDVDPRW, capWriteDVDPR | capWriteDVDPRW},
        {0x003B, capReadDVDPRDL, capWriteDVDPRDL},
        {0x002F, capReadDVDR | capReadDVDRW, capWriteDVDR | capWriteDVDRW},
    };
    for (const auto& feature : kFeatures) {
      FeatureBuffer.fill(0);
      if (!GetConfiguration(2, feature.code, FeatureBuffer.data(),
                            static_cast<std::uint16_t>(FeatureBuffer.size())))
        continue;
      // A feature descriptor is there only when the data length covers it.
      if (Get32(&FeatureBuffer[0]) < 4 + 8 || Get16(&FeatureBuffer[8]) != feature.code) continue;
      Capabilities |= feature.read_bits;
      if (FeatureBuffer[12] == 0x01) Capabilities |= feature.write_bits;
    }
  }

  if (!ModeSense10(0x2A, ModePageBuffer.data(), 255, 128, false)) return false;
  if (!FindModePage(ModePageBuffer.data(), 128, 0x2A, offset)) return false;
  keep_page(offset);
  auto& page = CapabilitiesPage;
  page.MaxReadSpeed = Get16(&page.raw[8]);
  page.BufferSize = Get16(&page.raw[12]);
  page.CurrentReadSpeed = Get16(&page.raw[14]);
  page.MaxWriteSpeed = Get16(&page.raw[18]);
  page.CurrentWriteSpeed = Get16(&page.raw[20]);
  // A drive that reports no write speed gets DVD single speed.
  if (page.CurrentWriteSpeed == 0) page.CurrentWriteSpeed = 1385;
  if (page.MaxWriteSpeed == 0) page.MaxWriteSpeed = 1385;
  DeviceMaxWriteSpeed_ = std::max(DeviceMaxWriteSpeed_, page.MaxWriteSpeed);
  DeviceMaxReadSpeed_ = std::max(DeviceMaxReadSpeed_, page.MaxReadSpeed);
  return true;
}

// ------------------------------------------------------------- write parameters

bool TSCSIDevice::SetWriteParameters(bool TestWriteOn, bool Underrun, bool DLMultiSession,
                                     std::uint16_t DiscType) {
  if (DiscType == dtDVDRAM) return true;
  alignas(8) std::array<std::uint8_t, 512> mode{};
  if (!ModeSense10(0x05, mode.data(), mode.size() - 1, static_cast<std::uint16_t>(mode.size()), false))
    return false;
  std::size_t offset = 0;
  if (!FindModePage(mode.data(), mode.size(), 0x05, offset)) return false;
  auto& p = WriteParametersPage;
  p.fill(0);
  const std::size_t length =
      std::min<std::size_t>({std::size_t{mode[offset + 1]} + 2, p.size(), mode.size() - offset});
  std::copy_n(mode.begin() + static_cast<std::ptrdiff_t>(offset), length, p.begin());

  const auto set_packet = [&p](std::uint32_t blocks) { Put32(&p[10], blocks); };
  p[1] = 0x32;
  if (DiscType == dtDVDR) {
    p[2] = 0x60;
    p[3] = 0xE5;
    p[5] = 16;
    set_packet(16);
  } else {
    p[2] = 0x01;
    p[3] = 0x04;
    p[5] = 0;
    set_packet(0);
  }
  p[4] = 0x08;
  if (DiscType == dtDVDPlusR || DiscType == dtDVDPlusRW) {
    p[2] = 0x22;
    p[3] |= 0xC0;
  }
  if (SetLinkSizeValid) p[2] |= 0x20;
  switch (DiscType) {
    case dtDVDR:
    case dtDVDRW:
    case dtDVDRWRestricted:
    case dtDVDRWSequential:
    case dtDVDPlusR:
      p[3] |= 0xE0;
      break;
    default:
      if (!TestWriteOn && !FinalizeDisc_) {
        p[3] |= 0xC0;
      } else if ((p[3] & 0xC0) == 0xC0) {
        p[3] &= 0x3F;
      }
  }
  const auto set_bit = [&p](std::uint8_t mask, bool on) {
    p[2] = on ? static_cast<std::uint8_t>(p[2] | mask) : static_cast<std::uint8_t>(p[2] & ~mask);
  };
  set_bit(0x40, (Capabilities & capUnderrunProtection) && Underrun);
  set_bit(0x10, (Capabilities & capWriteTest) && TestWriteOn);
  p[6] = p[7] = p[8] = p[9] = 0;
  if (DiscType == dtDVDPlusR) {
    p[6] = 0x10;
    set_packet(16);
  }
  if (DiscType == dtDVDRWRestricted || DiscType == dtDVDRWSequential) {
    // The test-write bit survives: without it a test write is a real one.
    p[2] = static_cast<std::uint8_t>(0x20 | (p[2] & 0x10));
    p[3] = 0xC5;
    p[5] = 16;
  }
  if (DiscType == dtDVDPlusR) {
    p[3] = 0xC4;
    p[6] = 0;
  }
  if (DiscType == dtDVDPlusRDL) {
    p[2] = static_cast<std::uint8_t>((p[2] & 0xF0) | 0x02 | 0x20);
    p[3] = static_cast<std::uint8_t>((p[3] & 0x10) | 0x04 | (DLMultiSession ? 0xC0 : 0x00));
    p[5] = p[6] = 0;
    set_packet(0);
  } else if (Underrun && (CapabilitiesPage.raw[4] & 0x80)) {
    p[2] |= 0x40;
  }
  if (DiscType == dtDVDPlusRW) {
    p[3] = 0x04;
    p[5] = 16;
  }
  Put16(&p[14], 150);

  alignas(8) std::array<std::uint8_t, 8 + 52> list{};
  std::copy_n(p.begin(), 52, list.begin() + 8);
  return ModeSelect10(list.data(), static_cast<std::uint16_t>(list.size()));
}

// ------------------------------------------------------------- disc type and information

TDiscType TSCSIDevice::GetDiscType() {
  TDiscType code = dtUnknown;
  FeatureBuffer.fill(0);
  if (GetConfiguration(2, 0, FeatureBuffer.data(), static_cast<std::uint16_t>(FeatureBuffer.size())) &&
      Get32(&FeatureBuffer[0]) >= 4) {
    code = DiscTypeOfProfile(Get16(&FeatureBuffer[6]));
  }
  if (code != dtUnknown) return code;
  AtipData.fill(0);
  if (ReadTOC(4, AtipData.data(), static_cast<std::uint16_t>(AtipData.size()), 0, true) &&
      AtipValid(AtipData)) {
    if (AtipData[6] & 0x80) {
      code = (AtipData[6] & 0x40) ? dtCDRW : dtCDR;
    } else {
      code = dtCDROM;
    }
  }
  if (ReadDiscInfoBlock() && code == dtUnknown) code = (DiscInfoBlock[2] & 0x10) ? dtCDRW : dtCDR;
  if (code == dtUnknown && TestUnitReady(5000)) code = dtCDROM;
  return code;
}

void TSCSIDevice::GetDiscInfo(TDisc& Disc) {
  DiscInfo = TDisc{};
  DiscInfo.Present = TestUnitReady(5000);
  if (!DiscInfo.Present) {
    WaitForReady(3000, 5000);
    DiscInfo.Present = TestUnitReady(5000);
    if (!DiscInfo.Present) {
      Disc = DiscInfo;
      return;
    }
  }
  alignas(8) std::array<std::uint8_t, 114> toc{};
  if (ReadTOC(0, toc.data(), static_cast<std::uint16_t>(toc.size()), 0, false)) {
    alignas(8) std::array<std::uint8_t, 4> sessions{};
    if (ReadTOC(1, sessions.data(), 4, 0, false)) {
      DiscInfo.FirstSession = sessions[2];
      DiscInfo.LastSession = sessions[3];
    }
    AtipData.fill(0);
    DiscInfo.Capacity = ReadTOC(4, AtipData.data(), static_cast<std::uint16_t>(AtipData.size()), 0, true) &&
                                AtipValid(AtipData)
                            ? AtipLeadOutBlocks(AtipData)
                            : 0;
    DiscInfo.ProfileName = "CD-ROM";
  }
  FeatureBuffer.fill(0);
  if (GetConfiguration(2, 0, FeatureBuffer.data(), static_cast<std::uint16_t>(FeatureBuffer.size())) &&
      Get32(&FeatureBuffer[0]) >= 4) {
    const std::uint16_t profile = Get16(&FeatureBuffer[6]);
    DiscInfo.Profile = profile;
    DiscInfo.ProfileName = ProfileName(profile);
    DiscInfo.Erasable = profile == 0x03 || profile == 0x0A || profile == 0x13 || profile == 0x14 ||
                        profile == 0x1A || profile == 0x22;
    const TDiscType type = GetDiscType();
    if (ReadTrackInformation(IsCDFamily(type) ? 0xFF : 1)) {
      DiscInfo.Start = TrackInfo.NextWritable;
      DiscInfo.Capacity = TrackInfo.NextWritable + TrackInfo.FreeBlocks;
      DiscInfo.BlockSize = 2048;
    } else if (ReadFormatCapacities(DiscInfo.Start, DiscInfo.BlockSize)) {
      DiscInfo.Capacity = std::max(DiscInfo.Capacity, DiscInfo.Start);
    }
  }
  if (ReadDiscInfoBlock()) {
    DiscInfo.LastSessionState = (DiscInfoBlock[2] >> 2) & 0x03;
    DiscInfo.DiscStatus = DiscInfoBlock[2] & 0x03;
    DiscInfo.Erasable = (DiscInfoBlock[2] & 0x10) != 0;
  } else {
    ReadCapacity(DiscInfo.Start, DiscInfo.BlockSize);
    if (ReadTrackInformation(0)) DiscInfo.ProfileName = "CD-ROM";
  }
  DiscInfo.Capacity = std::max(DiscInfo.Capacity, DiscInfo.Start);
  Disc = DiscInfo;
}

std::int16_t TSCSIDevice::GetSessionCount() {
  if (!ReadDiscInfoBlock()) return 0;
  const std::uint8_t status = DiscInfoBlock[2] & 0x03;
  const std::uint8_t last_state = (DiscInfoBlock[2] >> 2) & 0x03;
  DiscInfoBlock[2] = last_state;
  if (status == 0) return 0;
  std::int16_t count = DiscInfoBlock[4];
  if (last_state == 0 && count > 0) --count;
  return count;
}

std::uint32_t TSCSIDevice::GetISOVolumeSize() {
  alignas(8) std::array<std::uint8_t, 2048> block;
  for (std::uint32_t lba = 16; lba <= 32; ++lba) {
    block.fill(0);
    if (!Read10(lba, 1, block.data(), static_cast<std::uint32_t>(block.size()))) continue;
    if (std::memcmp(&block[1], "CD001", 5) == 0 && (block[0] == 1 || block[0] == 2)) {
      return std::uint32_t{block[80]} | (std::uint32_t{block[81]} << 8) | (std::uint32_t{block[82]} << 16) |
             (std::uint32_t{block[83]} << 24);
    }
  }
  return 0;
}

void TSCSIDevice::PrepareCapacityQuery() {
  const bool finalize = FinalizeDisc_;
  FinalizeDisc_ = true;
  SetWriteParameters(false, UnderrunProtection_, true, DrvLib().CurrentDiscType);
  FinalizeDisc_ = finalize;
  DiscInfoBlock[6] = 0;
  ReadDiscInfoBlock();
}

std::uint32_t TSCSIDevice::GetNextWritableAddress() {
  const TDiscType type = GetDiscType();
  PrepareCapacityQuery();
  if (IsCDFamily(type)) {
    const std::uint32_t track = static_cast<std::uint32_t>(GetSessionCount()) + 1;
    if (ReadTrackInformation(track)) {
      const std::uint32_t value =
          TrackInfo.NextWritable == 0xFFFFFFFFu ? TrackInfo.TrackSize : TrackInfo.NextWritable;
      if (type == dtCDROM || value != 0) return value;
    }
    std::uint32_t last = 0, block_length = 0;
    if (!ReadCapacity(last, block_length)) return ReadTrackInformation(track) ? TrackInfo.FreeBlocks : 0;
    if (last > 0x7F000000u) {
      std::uint32_t blocks = 0, size = 0;
      return ReadFormatCapacities(blocks, size) ? blocks : 0;
    }
    return last;
  }
  if (!ReadTrackInformation(DiscInfoBlock[6]) || TrackInfo.TrackSize == 0xFFFFFFFFu) return 0;
  if (type == dtDVDRWRestricted || type == dtDVDRWSequential) {
    const TTrackInfo track = TrackInfo;
    std::uint32_t blocks = 0, size = 0;
    if (ReadFormatCapacities(blocks, size)) return track.TrackSize == track.FreeBlocks ? 0 : track.TrackSize;
    return track.NextWritable;
  }
  if (type == dtDVDRAM || type == dtDVDPlusRW) return GetISOVolumeSize();
  return TrackInfo.NextWritable;
}

std::uint32_t TSCSIDevice::GetFreeBlocks() {
  const TDiscType type = GetDiscType();
  PrepareCapacityQuery();
  if (IsCDFamily(type)) {
    SetWriteParameters(false, UnderrunProtection_, true, DrvLib().CurrentDiscType);
    if ((DiscInfoBlock[2] & 0x03) == 2) return 0;
    const std::uint8_t last_track = DiscInfoBlock[6];
    if (ReadTrackInformation(last_track) || ReadTrackInformation(last_track)) {
      return std::max(TrackInfo.FreeBlocks, TrackInfo.TrackSize);
    }
    return 0;
  }
  if (!ReadTrackInformation(DiscInfoBlock[6])) return 0;
  const TTrackInfo track = TrackInfo;
  if (type == dtDVDRWRestricted) {
    if (track.NextWritable != 0) return track.FreeBlocks;
    std::uint32_t blocks = 0, size = 0;
    if (ReadFormatCapacities(blocks, size)) {
      if (track.FreeBlocks == track.TrackSize) return track.FreeBlocks;
      return blocks > track.TrackSize ? blocks - track.TrackSize : 0;
    }
  } else if (type == dtDVDRAM || type == dtDVDPlusRW) {
    const std::uint32_t used = GetISOVolumeSize();
    return track.TrackSize > used ? track.TrackSize - used : 0;
  }
  if (track.TrackSize == 0xFFFFFFFFu) return 0;
  if (track.LastRecorded == 0) return track.TrackSize;
  return track.FreeBlocks;
}

std::uint32_t TSCSIDevice::GetDiscCapacity() {
  const TDiscType type = GetDiscType();
  PrepareCapacityQuery();
  if (IsCDFamily(type)) {
    const std::uint32_t n = static_cast<std::uint32_t>(GetSessionCount());
    std::uint32_t answer = 0;
    AtipData.fill(0);
    if (ReadTOC(4, AtipData.data(), static_cast<std::uint16_t>(AtipData.size()), 0, true) &&
        AtipValid(AtipData)) {
      answer = AtipLeadOutBlocks(AtipData);
      std::uint32_t last = 0, block_length = 0;
      if (answer < 20000 && ReadCapacity(last, block_length) && last > answer) answer = last;
    } else {
      std::uint32_t blocks = 0, size = 0;
      if (ReadFormatCapacities(blocks, size)) {
        if (blocks == 0xFFFD0001u) {
          answer = (ReadTrackInformation(n + 1) || ReadTrackInformation(n))
                       ? TrackInfo.FreeBlocks + TrackInfo.TrackStart
                       : 0;
        } else {
          answer = blocks;
        }
      } else if (ReadTrackInformation(n)) {
        answer = TrackInfo.FreeBlocks + TrackInfo.TrackStart;
      } else if (ReadFormatCapacities(blocks, size)) {
        answer = blocks;
      }
    }
    if (answer == 0xFFFFFFFFu) answer = GetNextWritableAddress();
    return answer;
  }
  if (!ReadTrackInformation(DiscInfoBlock[6])) return 0;
  const TTrackInfo track = TrackInfo;
  if (type == dtDVDRAM || type == dtDVDRWRestricted || type == dtDVDPlusRW) {
    std::uint32_t blocks = 0, size = 0;
    if (ReadFormatCapacities(blocks, size)) return blocks;
  }
  return track.FreeBlocks + track.NextWritable;
}

bool TSCSIDevice::IsDiscErasable() {
  if (ReadDiscInfoBlock()) return (DiscInfoBlock[2] & 0x10) != 0;
  const TDiscType type = GetDiscType();
  DrvLib().CurrentDiscType = type;
  return type == dtDVDRAM || type == dtDVDRWRestricted || type == dtDVDRWSequential || type == dtDVDPlusRW;
}

// ------------------------------------------------------------- ready wait

bool TSCSIDevice::WaitForReady(int BudgetMs, int StepMs) {
  long long budget = BudgetMs;
  alignas(8) std::array<std::uint8_t, 40> sense{};
  if (WaitNotReady || DrvLib().WaitNotReadyDrive) {
    do {
      TheClock().SleepMs(1500);
      budget -= 1500;
      if (budget < 0) break;
      TestUnitReady(5000);
    } while (NotReady());
  }
  if (DrvLib().CurrentDiscType == dtDVDRAM) {
    sense[12] = 0x04;
  } else {
    do {
      TheClock().SleepMs(static_cast<std::uint32_t>(StepMs));
      ReadDiscInfoBlock();
      budget -= StepMs;
      if (budget < 0) return false;
    } while (NotReady());
  }
  if (TestUnitReady(5000) && sense[12] == 0) return true;
  do {
    TheClock().SleepMs(static_cast<std::uint32_t>(StepMs));
    budget -= StepMs;
    if (budget < 0) return false;
    TestUnitReady(5000);
  } while (NotReady());
  do {
    sense.fill(0);
    RequestSense(sense.data(), static_cast<std::uint8_t>(sense.size()));
    budget -= StepMs;
    if (budget < 0) return false;
    if (sense[0] == 0xF0) sense[12] = 0x04;
    if (sense[12] == 0x04) TheClock().SleepMs(static_cast<std::uint32_t>(StepMs));
  } while (sense[12] != 0);
  return true;
}

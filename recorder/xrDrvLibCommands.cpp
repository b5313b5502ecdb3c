// The MMC command set of TSCSIDevice: one wrapper per command.

#include <algorithm>
#include <cstring>

#include "recorder/xrConst.h"
#include "recorder/xrDrvLib.h"
#include "recorder/xrSPTI.h"

namespace {

void Put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

std::uint32_t Get16(const std::uint8_t* at) { return (std::uint32_t{at[0]} << 8) | at[1]; }

void Put32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t Get32(const std::uint8_t* at) {
  return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

}  // namespace

void TSCSIDevice::PrepareSRB(TSRB& srb, std::uint8_t flags, std::uint8_t cdb_length, std::uint8_t* buffer,
                             std::uint32_t length) {
  srb = TSRB{};
  srb.SRB_Flags = static_cast<std::uint8_t>(SRB_EVENT_NOTIFY | flags);
  srb.SRB_CDBLen = cdb_length;
  srb.SRB_SenseLen = 24;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = buffer;
}

bool TSCSIDevice::Run(TSRB& srb, int timeout_ms) {
  ExecSCSICommand(srb, timeout_ms);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::Fail(const std::string& text) {
  LastError = text;
  return false;
}

bool TSCSIDevice::TestUnitReady(int TimeoutMs) {
  TSRB srb;
  PrepareSRB(srb, 0, 6, nullptr, 0);
  return Run(srb, TimeoutMs);
}

bool TSCSIDevice::RezeroUnit() {
  TSRB srb;
  PrepareSRB(srb, 0, 6, nullptr, 0);
  srb.CDBByte[0] = 0x01;
  return Run(srb, 10000);
}

bool TSCSIDevice::RequestSense(std::uint8_t* Buffer, std::uint8_t Length) {
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 6, Buffer, Length);
  srb.CDBByte[0] = 0x03;
  srb.CDBByte[4] = Length;
  return Run(srb, 10000);
}

bool TSCSIDevice::FormatUnit(std::uint8_t CDB1, const std::uint8_t* ParamList, std::uint16_t ParamLen) {
  ParamLen = std::min<std::uint16_t>(ParamLen, static_cast<std::uint16_t>(ParamListBuffer.size()));
  std::copy_n(ParamList, ParamLen, ParamListBuffer.begin());
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_OUT, 6, ParamListBuffer.data(), ParamLen);
  srb.CDBByte[0] = 0x04;
  srb.CDBByte[1] = CDB1;
  return Run(srb, 10000);
}

bool TSCSIDevice::Inquiry() {
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 6, InquiryData.data(), 128);
  srb.CDBByte[0] = 0x12;
  srb.CDBByte[4] = 0x80;
  return Run(srb, 10000);
}

bool TSCSIDevice::StartStopUnit(bool Eject) {
  SetCloseDeviceAfterCommand(true);
  TSRB srb;
  PrepareSRB(srb, 0, 6, nullptr, 0);
  srb.CDBByte[0] = 0x1B;
  srb.CDBByte[4] = Eject ? 0x02 : 0x03;
  const bool ok = Run(srb, 20000);
  SetCloseDeviceAfterCommand(false);
  return ok;
}

bool TSCSIDevice::PreventAllowMediumRemoval(bool Allow) {
  if (Allow) SetCloseDeviceAfterCommand(true);
  TSRB srb;
  PrepareSRB(srb, 0, 6, nullptr, 0);
  srb.CDBByte[0] = 0x1E;
  srb.CDBByte[4] = Allow ? 0x00 : 0x01;
  const bool ok = Run(srb, 10000);
  SetCloseDeviceAfterCommand(false);
  return ok;
}

bool TSCSIDevice::ReadFormatCapacitiesRaw(std::array<std::uint8_t, 248>& answer) {
  answer.fill(0);
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, answer.data(), static_cast<std::uint32_t>(answer.size()));
  srb.CDBByte[0] = 0x23;
  Put16(&srb.CDBByte[7], static_cast<std::uint32_t>(answer.size()));
  if (!Run(srb, 10000)) return false;
  // The capacity list must hold at least the current/maximum descriptor.
  const std::size_t list_length = answer[3];
  if (list_length < 8 || list_length % 8 != 0)
    return Fail(std::string(kTextBadDriveAnswer) + " (FORMAT CAPACITIES)");
  return true;
}

bool TSCSIDevice::ReadFormatCapacities(std::uint32_t& Blocks, std::uint32_t& BlockSize) {
  alignas(8) std::array<std::uint8_t, 248> answer;
  BlockSize = 2048;
  if (!ReadFormatCapacitiesRaw(answer)) return false;
  const std::size_t list_end = 4 + std::size_t{answer[3]};
  static constexpr std::uint8_t k2048[4] = {0x00, 0x00, 0x08, 0x00};
  static constexpr std::uint8_t kType26[4] = {0x98, 0x00, 0x00, 0x00};
  const auto has = [&](std::size_t descriptor) { return descriptor + 8 <= list_end; };
  const auto matches = [&](std::size_t at, const std::uint8_t* pattern) {
    return std::memcmp(&answer[at], pattern, 4) == 0;
  };
  if (matches(8, k2048)) {
    Blocks = Get32(&answer[4]);
  } else if (has(12) && (matches(16, k2048) || matches(16, kType26))) {
    Blocks = Get32(&answer[12]);
  } else if (has(20) && matches(24, k2048)) {
    Blocks = Get32(&answer[20]);
  } else {
    Blocks = Get32(&answer[4]);
  }
  return true;
}

bool TSCSIDevice::ReadCapacity(std::uint32_t& LastLBA, std::uint32_t& BlockLength) {
  std::fill_n(ParamListBuffer.begin(), 8, 0);
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, ParamListBuffer.data(), 8);
  srb.CDBByte[0] = 0x25;
  if (!Run(srb, 10000)) return false;
  LastLBA = Get32(&ParamListBuffer[0]);
  BlockLength = Get32(&ParamListBuffer[4]);
  return true;
}

bool TSCSIDevice::Read10(std::uint32_t LBA, std::uint16_t Count, std::uint8_t* Buffer, std::uint32_t BufLen) {
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, Buffer, BufLen);
  srb.CDBByte[0] = 0x28;
  Put32(&srb.CDBByte[2], LBA);
  Put16(&srb.CDBByte[7], Count);
  return Run(srb, 10000);
}

bool TSCSIDevice::Write10(std::uint32_t LBA, std::uint16_t Count, const std::uint8_t* Buffer,
                          std::uint32_t BufLen, std::uint8_t Flags) {
  TSRB srb;
  PrepareSRB(srb, 0, 10, const_cast<std::uint8_t*>(Buffer), BufLen);
  srb.SRB_Flags = Flags;
  srb.CDBByte[0] = 0x2A;
  Put32(&srb.CDBByte[2], LBA);
  Put16(&srb.CDBByte[7], Count);
  // Only a completed command wrote anything; a block still pending never
  // reached the drive.
  return Run(srb, 120000);
}

bool TSCSIDevice::SynchronizeCache(int TimeoutMs, bool Immed) {
  TSRB srb;
  PrepareSRB(srb, 0, 10, nullptr, 0);
  srb.CDBByte[0] = 0x35;
  srb.CDBByte[1] = Immed ? 0x02 : 0x00;
  return Run(srb, TimeoutMs);
}

bool TSCSIDevice::ReadTOC(std::uint8_t Format, std::uint8_t* Buffer, std::uint16_t AllocLen,
                          std::uint8_t Track, bool MSF, std::uint8_t Control) {
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, Buffer, AllocLen);
  srb.CDBByte[0] = 0x43;
  srb.CDBByte[1] = MSF ? 0x02 : 0x00;
  srb.CDBByte[2] = Format;
  srb.CDBByte[6] = Track;
  Put16(&srb.CDBByte[7], AllocLen);
  srb.CDBByte[9] = Control;
  return Run(srb, 10000);
}

bool TSCSIDevice::GetConfiguration(std::uint8_t RT, std::uint16_t StartFeature, std::uint8_t* Buffer,
                                   std::uint16_t AllocLen) {
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, Buffer, AllocLen);
  srb.CDBByte[0] = 0x46;
  srb.CDBByte[1] = RT;
  Put16(&srb.CDBByte[2], StartFeature);
  Put16(&srb.CDBByte[7], AllocLen);
  return Run(srb, 30000);
}

bool TSCSIDevice::ReadDiscInformation(std::uint8_t* Buffer, std::uint16_t Length) {
  DiscInfoBlock.fill(0);
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, Buffer, Length);
  srb.CDBByte[0] = 0x51;
  Put16(&srb.CDBByte[7], Length);
  return Run(srb, 10000);
}

bool TSCSIDevice::ReadDiscInfoBlock() {
  alignas(8) std::array<std::uint8_t, 56> answer{};
  if (!ReadDiscInformation(answer.data(), static_cast<std::uint16_t>(answer.size()))) return false;
  const std::uint16_t length = static_cast<std::uint16_t>((answer[0] << 8) | answer[1]);
  // The standard part of the answer is 34 bytes: length word plus 32.
  if (length < 32) return Fail(std::string(kTextBadDriveAnswer) + " (DISC INFORMATION)");
  DiscInfoBlock = answer;
  DiscInfoBlock[0] = static_cast<std::uint8_t>(length);
  DiscInfoBlock[1] = static_cast<std::uint8_t>(length >> 8);
  return true;
}

int TSCSIDevice::GetDiscStatus() {
  if (!ReadDiscInfoBlock()) return -1;
  return DiscInfoBlock[2] & 0x03;
}

bool TSCSIDevice::ReadTrackInformation(std::uint32_t Track) {
  alignas(8) std::array<std::uint8_t, 40> answer{};
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, answer.data(), static_cast<std::uint32_t>(answer.size()));
  srb.CDBByte[0] = 0x52;
  srb.CDBByte[1] = 0x01;
  Put32(&srb.CDBByte[2], Track);
  Put16(&srb.CDBByte[7], 0x28);
  if (!Run(srb, 60000)) return false;
  const std::uint16_t length = static_cast<std::uint16_t>((answer[0] << 8) | answer[1]);
  // Up to the last recorded address field: bytes 2-27 after the length word.
  if (length < 26) return Fail(std::string(kTextBadDriveAnswer) + " (TRACK INFORMATION)");
  TrackInfo.raw = answer;
  TrackInfo.DataLength = length;
  TrackInfo.TrackStart = Get32(&answer[8]);
  TrackInfo.NextWritable = Get32(&answer[12]);
  TrackInfo.FreeBlocks = Get32(&answer[16]);
  TrackInfo.FixedPacketSize = Get32(&answer[20]);
  TrackInfo.TrackSize = Get32(&answer[24]);
  TrackInfo.LastRecorded = length >= 30 ? Get32(&answer[28]) : 0;
  return true;
}

bool TSCSIDevice::ReserveTrack(std::uint32_t Size) {
  TSRB srb;
  PrepareSRB(srb, 0, 12, nullptr, 0);
  srb.CDBByte[0] = 0x53;
  Put32(&srb.CDBByte[5], Size);
  return Run(srb, 10000);
}

bool TSCSIDevice::SendOPCInformation() {
  TSRB srb;
  PrepareSRB(srb, 0, 10, nullptr, 0);
  srb.CDBByte[0] = 0x54;
  srb.CDBByte[1] = 0x01;
  return Run(srb, 150000);
}

bool TSCSIDevice::ModeSelect10(const std::uint8_t* Buffer, std::uint16_t Length) {
  Length = static_cast<std::uint16_t>(std::min<std::size_t>(Length, DriveDataBuffer.size()));
  std::copy_n(Buffer, Length, DriveDataBuffer.begin());
  // Pages come from MODE SENSE with the parameters-savable bit set by the
  // drive; sent back with it, a drive refuses the page.
  for (std::size_t pos = 8 + Get16(&DriveDataBuffer[6]); pos + 2 <= Length;
       pos += 2 + DriveDataBuffer[pos + 1]) {
    DriveDataBuffer[pos] &= 0x7F;
  }
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_OUT, 10, DriveDataBuffer.data(), Length);
  srb.CDBByte[0] = 0x55;
  srb.CDBByte[1] = 0x10;
  Put16(&srb.CDBByte[7], Length);
  return Run(srb, 10000);
}

bool TSCSIDevice::ModeSense10(std::uint8_t PageCode, std::uint8_t* Buffer, std::uint32_t LastIndex,
                              std::uint16_t AllocLen, bool Default) {
  std::fill_n(Buffer, LastIndex + 1, 0);
  // Never ask for more than the caller can take.
  AllocLen = static_cast<std::uint16_t>(std::min<std::uint32_t>(AllocLen, LastIndex + 1));
  std::fill_n(DriveDataBuffer.begin(), AllocLen, 0);
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, DriveDataBuffer.data(), AllocLen);
  srb.CDBByte[0] = 0x5A;
  srb.CDBByte[2] = static_cast<std::uint8_t>(PageCode | (Default ? 0x80 : 0x00));
  Put16(&srb.CDBByte[7], AllocLen);
  if (!Run(srb, 20000)) return false;
  std::copy_n(DriveDataBuffer.begin(), AllocLen, Buffer);
  return true;
}

bool TSCSIDevice::FindModePage(const std::uint8_t* answer, std::size_t size, std::uint8_t page,
                               std::size_t& offset) {
  // The mode data length says how much of the answer is real; a page must
  // lie wholly inside it.
  const std::size_t data_end = std::min<std::size_t>(size, std::size_t{2} + ((answer[0] << 8) | answer[1]));
  for (const std::size_t at : {std::size_t{16}, std::size_t{8}, std::size_t{7}}) {
    if (at + 2 <= data_end && (answer[at] & 0x3F) == page) {
      if (at + 2 + answer[at + 1] > data_end) break;
      offset = at;
      return true;
    }
  }
  char code[8];
  std::snprintf(code, sizeof code, "%02XH", page);
  return Fail(std::string(kTextBadDriveAnswer) + " (MODE PAGE " + code + ")");
}

bool TSCSIDevice::CloseTrackSession(bool Track, bool Immed, bool Finalize, int /*Unused*/) {
  TSRB srb;
  PrepareSRB(srb, 0, 10, nullptr, 0);
  srb.CDBByte[0] = 0x5B;
  srb.CDBByte[1] = Immed ? 0x01 : 0x00;
  srb.CDBByte[2] = Finalize ? 0x05 : (Track ? 0x01 : 0x02);
  if (Track) srb.CDBByte[5] = 0xFF;
  return Run(srb, 180000);
}

bool TSCSIDevice::CloseTrackSessionEx(bool Immed, std::uint8_t Function, std::uint8_t Byte3,
                                      std::uint8_t Byte4, std::uint8_t Byte5) {
  TSRB srb;
  PrepareSRB(srb, 0, 10, nullptr, 0);
  srb.CDBByte[0] = 0x5B;
  srb.CDBByte[1] = Immed ? 0x01 : 0x00;
  srb.CDBByte[2] = Function;
  srb.CDBByte[3] = Byte3;
  srb.CDBByte[4] = Byte4;
  srb.CDBByte[5] = Byte5;
  return Run(srb, 180000);
}

bool TSCSIDevice::ReadBufferCapacity(std::uint32_t& BufferLength, std::uint32_t& BlankLength) {
  std::fill_n(ParamListBuffer.begin(), 32, 0);
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_IN, 10, ParamListBuffer.data(), 32);
  srb.CDBByte[0] = 0x5C;
  Put16(&srb.CDBByte[7], 0x20);
  if (!Run(srb, 10000)) {
    DeviceFreeBufferSize_ = 0;
    return false;
  }
  BufferLength = Get32(&ParamListBuffer[4]);
  BlankLength = Get32(&ParamListBuffer[8]);
  DeviceBufferSize_ = BufferLength;
  DeviceFreeBufferSize_ = BlankLength == 0xFFFFFFFFu ? BufferLength : BlankLength;
  return true;
}

bool TSCSIDevice::SendCueSheet(const std::uint8_t* Buffer, std::uint32_t Length) {
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_OUT, 10, const_cast<std::uint8_t*>(Buffer), Length);
  srb.CDBByte[0] = 0x5D;
  srb.CDBByte[6] = static_cast<std::uint8_t>(Length >> 16);
  Put16(&srb.CDBByte[7], Length & 0xFFFF);
  return Run(srb, 30000);
}

bool TSCSIDevice::SetStreaming(const std::uint8_t* Buffer, std::uint16_t Length) {
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_OUT, 12, const_cast<std::uint8_t*>(Buffer), Length);
  srb.CDBByte[0] = 0xB6;
  Put16(&srb.CDBByte[9], Length);
  return Run(srb, 10000);
}

bool TSCSIDevice::SetStreamingPerformance(std::uint32_t /*StartLBA*/, std::uint32_t EndLBA,
                                          std::uint32_t ReadSize, std::uint32_t WriteSize,
                                          std::uint32_t ReadTime, std::uint32_t WriteTime) {
  alignas(8) std::array<std::uint8_t, 28> descriptor{};
  Put32(&descriptor[8], EndLBA);
  Put32(&descriptor[12], ReadSize);
  Put32(&descriptor[16], ReadTime);
  Put32(&descriptor[20], WriteSize);
  Put32(&descriptor[24], WriteTime);
  return SetStreaming(descriptor.data(), static_cast<std::uint16_t>(descriptor.size()));
}

bool TSCSIDevice::SetCDSpeed(std::uint16_t ReadSpeedKBs, std::uint16_t WriteSpeedKBs) {
  TSRB srb;
  PrepareSRB(srb, 0, 12, nullptr, 0);
  srb.CDBByte[0] = 0xBB;
  Put16(&srb.CDBByte[2], ReadSpeedKBs == 0 ? 0xFFFF : ReadSpeedKBs);
  Put16(&srb.CDBByte[4], WriteSpeedKBs == 0 ? 0xFFFF : WriteSpeedKBs);
  return Run(srb, 10000);
}

bool TSCSIDevice::SendDVDStructure(std::uint8_t Format, const std::uint8_t* Buffer, std::uint16_t Length) {
  TSRB srb;
  PrepareSRB(srb, SRB_DIR_OUT, 12, const_cast<std::uint8_t*>(Buffer), Length);
  srb.CDBByte[0] = 0xBF;
  srb.CDBByte[7] = Format;
  Put16(&srb.CDBByte[8], Length);
  return Run(srb, 10000);
}

bool TSCSIDevice::SendDVDTimeStamp(std::time_t Time) {
  std::tm parts{};
  localtime_r(&Time, &parts);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &parts);
  std::fill_n(ParamListBuffer.begin(), 22, 0);
  ParamListBuffer[1] = 0x14;
  std::memcpy(&ParamListBuffer[8], stamp, 14);
  return SendDVDStructure(0x0F, ParamListBuffer.data(), 22);
}

bool TSCSIDevice::HasPage30() {
  ModePageBuffer.fill(0);
  if (!ModeSense10(0x30, ModePageBuffer.data(), 127, 128, false)) return false;
  return ModePageBuffer[16] == 0x30 || ModePageBuffer[8] == 0x30 || ModePageBuffer[7] == 0x30;
}

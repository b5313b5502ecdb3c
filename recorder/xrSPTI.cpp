#include "recorder/xrSPTI.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/devices/WinHost.h"
#include "recorder/xrASPI.h"

namespace {

// The pass-through request followed by its sense area. The header's size
// depends on the pointer width, so the sense offset is taken from the layout
// rather than written as a number.
struct PassThroughRequest {
  SCSI_PASS_THROUGH_DIRECT header;
  std::uint8_t sense[32];
};
constexpr ULONG kSenseOffset = offsetof(PassThroughRequest, sense);

constexpr char kManagerId[] = "KVASPI32 SPTI   ";  // 16 characters

std::string DevicePath(std::uint8_t letter) { return std::string("\\\\.\\") + char('A' + letter) + ":"; }

HANDLE SptiOpenDevice(std::uint8_t letter) {
  const std::string path = DevicePath(letter);
  HANDLE handle = CreateFile(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    handle = CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  return handle;
}

bool GetAddress(HANDLE handle, SCSI_ADDRESS& address) {
  address = SCSI_ADDRESS{};
  address.Length = sizeof(SCSI_ADDRESS);
  DWORD returned = 0;
  return DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address, &returned,
                         nullptr) != FALSE;
}

void SptiProbeDrive(std::uint8_t letter) {
  auto& state = Spti();
  auto& record = state.drives[letter];
  HANDLE handle = SptiOpenDevice(letter);
  if (handle == INVALID_HANDLE_VALUE) return;
  state.probeBuffer.fill(0);
  PassThroughRequest request{};
  request.header.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  request.header.CdbLength = 6;
  request.header.SenseInfoLength = 24;
  request.header.DataIn = SCSI_IOCTL_DATA_IN;
  request.header.DataTransferLength = static_cast<ULONG>(state.probeBuffer.size());
  request.header.TimeOutValue = 120;
  request.header.DataBuffer = state.probeBuffer.data();
  request.header.SenseInfoOffset = kSenseOffset;
  request.header.Cdb[0] = 0x12;
  request.header.Cdb[4] = 0x60;
  DWORD returned = 0;
  if (!DeviceIoControl(handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request, &request,
                       sizeof request, &returned, nullptr) ||
      request.header.ScsiStatus != 0) {
    CloseHandle(handle);
    return;
  }
  std::copy_n(state.probeBuffer.begin(), record.inquiry.size(), record.inquiry.begin());
  SCSI_ADDRESS address;
  if (GetAddress(handle, address)) {
    record.adapter = address.PortNumber;
    record.target = address.TargetId;
    record.lun = address.Lun;
  } else {
    record.adapter = 0;
    record.target = state.noAddressCounter++;
    record.lun = 250;
  }
  record.present = true;
  record.letter = letter;
  record.handle = INVALID_HANDLE_VALUE;
  CloseHandle(handle);
}

SptiDriveRecord* SptiFindDrive(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun) {
  auto& state = Spti();
  for (int letter = 2; letter <= 25; ++letter) {
    auto& record = state.drives[letter];
    if (record.present && record.adapter == adapter && record.target == target && record.lun == lun)
      return &record;
  }
  return nullptr;
}

std::uint8_t SptiExecute(SRB_ExecSCSICmd& srb) {
  auto& state = Spti();
  SptiDriveRecord* record = SptiFindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
  if (!record) return SS_NO_DEVICE;
  if (srb.CDBByte[0] == 0x12) {
    if (srb.SRB_HaId >= state.adapterCount) return SS_INVALID_HA;
    // The cached answer, as far as the caller's buffer reaches.
    const std::size_t length = std::min<std::size_t>(36, srb.SRB_BufLen);
    if (srb.SRB_BufPointer) std::copy_n(record->inquiry.begin(), length, srb.SRB_BufPointer);
    return SS_COMP;
  }
  if (record->handle == INVALID_HANDLE_VALUE || record->handle == nullptr) {
    record->handle = SptiOpenDevice(record->letter);
  }
  PassThroughRequest request{};
  request.header.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  request.header.CdbLength = std::min<std::uint8_t>(srb.SRB_CDBLen, 16);
  request.header.SenseInfoLength = std::min<std::uint8_t>(srb.SRB_SenseLen, sizeof request.sense);
  if (srb.SRB_Flags & SRB_DIR_IN) {
    request.header.DataIn = SCSI_IOCTL_DATA_IN;
  } else if (srb.SRB_Flags & SRB_DIR_OUT) {
    request.header.DataIn = SCSI_IOCTL_DATA_OUT;
  } else {
    request.header.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
  }
  request.header.DataTransferLength = srb.SRB_BufLen;
  request.header.TimeOutValue = 120;
  request.header.DataBuffer = srb.SRB_BufPointer;
  request.header.SenseInfoOffset = kSenseOffset;
  std::memcpy(request.header.Cdb, srb.CDBByte, request.header.CdbLength);
  DWORD returned = 0;
  const BOOL sent = record->handle != INVALID_HANDLE_VALUE &&
                    DeviceIoControl(record->handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request,
                                    &request, sizeof request, &returned, nullptr);
  std::uint8_t status = SS_COMP;
  if (!sent || request.header.ScsiStatus != 0) {
    status = SS_ERR;
    const std::size_t length = std::min<std::size_t>(request.header.SenseInfoLength, sizeof srb.SenseArea);
    std::memcpy(srb.SenseArea, request.sense, length);
    srb.SRB_TargStat = request.header.ScsiStatus;
  }
  if (state.CloseDeviceAfterCommand && record->handle != INVALID_HANDLE_VALUE) {
    if (CloseHandle(record->handle)) record->handle = INVALID_HANDLE_VALUE;
  }
  return status;
}

}  // namespace

SptiState& Spti() {
  static SptiState state;
  return state;
}

std::uint8_t SptiAdapterCount() {
  const auto& state = Spti();
  int highest = 0;
  for (const auto& record : state.drives) {
    if (record.present) highest = std::max<int>(highest, record.adapter);
  }
  return static_cast<std::uint8_t>(highest + 1);
}

int SptiInitialize() {
  auto& state = Spti();
  if (state.built) return 0;
  state.noAddressCounter = 0;
  state.adapterCount = 0;
  for (auto& record : state.drives) {
    record = SptiDriveRecord{};
    record.handle = INVALID_HANDLE_VALUE;
  }
  int found = 0;
  for (std::uint8_t letter = 2; letter <= 25; ++letter) {
    const std::string root = std::string(1, char('A' + letter)) + ":\\";
    if (GetDriveType(root.c_str()) != DRIVE_CDROM) continue;
    SptiProbeDrive(letter);
    if (state.drives[letter].present) ++found;
  }
  state.adapterCount = SptiAdapterCount();
  if (state.noAddressCounter != 0) {
    const std::uint8_t extra = state.adapterCount;
    for (auto& record : state.drives) {
      if (record.present && record.lun == 250) {
        record.lun = 0;
        record.adapter = extra;
      }
    }
    state.adapterCount = SptiAdapterCount();
  }
  state.built = true;
  return found;
}

bool SptiFinalize() {
  auto& state = Spti();
  if (!state.built) return false;
  for (int letter = 2; letter <= 25; ++letter) {
    auto& record = state.drives[letter];
    if (record.present && record.handle != INVALID_HANDLE_VALUE && record.handle != nullptr) {
      CloseHandle(record.handle);
    }
  }
  for (auto& record : state.drives) {
    record = SptiDriveRecord{};
    record.handle = INVALID_HANDLE_VALUE;
  }
  state.adapterCount = 0;
  state.built = false;
  return true;
}

char SptiGetDriveLetter(std::uint8_t Adapter, std::uint8_t Target, std::uint8_t Lun) {
  const SptiDriveRecord* record = SptiFindDrive(Adapter, Target, Lun);
  return record ? static_cast<char>('A' + record->letter) : static_cast<char>(127);
}

void SetCloseDeviceAfterCommand(bool Value) { Spti().CloseDeviceAfterCommand = Value; }

std::uint32_t SptiGetASPI32SupportInfo() {
  const std::uint8_t count = Spti().adapterCount;
  if (count != 0) return (std::uint32_t{SS_COMP} << 8) | count;
  return std::uint32_t{SS_NO_ADAPTERS} << 8;
}

std::uint32_t SptiSendASPI32Command(void* block) {
  if (!block) return SS_ERR;
  auto& state = Spti();
  auto* header = static_cast<std::uint8_t*>(block);  // SRB_Cmd, SRB_Status, SRB_HaId, ...
  switch (header[0]) {
    case SC_HA_INQUIRY: {
      auto& srb = *static_cast<SRB_HAInquiry*>(block);
      srb.HA_Count = state.adapterCount;
      if (srb.SRB_HaId >= state.adapterCount) {
        srb.SRB_Status = SS_INVALID_HA;
        break;
      }
      srb.HA_SCSI_ID = 7;
      std::memcpy(srb.HA_ManagerId, kManagerId, 16);
      std::memset(srb.HA_Identifier, 0, sizeof srb.HA_Identifier);
      std::memcpy(srb.HA_Identifier, "SPTI ", 5);
      srb.HA_Identifier[5] = static_cast<std::uint8_t>('0' + srb.SRB_HaId % 10);
      std::memset(srb.HA_Unique, 0, 13);
      srb.HA_Unique[0] = 7;
      srb.HA_Unique[3] = 8;
      srb.HA_Unique[4] = 0x00;
      srb.HA_Unique[5] = 0x00;
      srb.HA_Unique[6] = 0xFF;
      srb.HA_Unique[7] = 0x00;
      srb.SRB_Status = SS_COMP;
      break;
    }
    case SC_GET_DEV_TYPE: {
      auto& srb = *static_cast<SRB_GDEVBlock*>(block);
      if (SptiFindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) {
        srb.SRB_DeviceType = 5;
        srb.SRB_Status = SS_COMP;
      } else {
        srb.SRB_DeviceType = 0x1F;
        srb.SRB_Status = SS_NO_DEVICE;
      }
      break;
    }
    case SC_EXEC_SCSI_CMD: {
      auto& srb = *static_cast<SRB_ExecSCSICmd*>(block);
      srb.SRB_Status = SptiExecute(srb);
      break;
    }
    default:
      header[1] = SS_ERR;
      break;
  }
  return header[1];
}

char HostDriveLetterOfAddress(std::uint8_t Adapter, std::uint8_t Target) {
  for (char letter = 'B'; letter <= 'Z'; ++letter) {
    HANDLE handle = SptiOpenDevice(static_cast<std::uint8_t>(letter - 'A'));
    if (handle == INVALID_HANDLE_VALUE) continue;
    SCSI_ADDRESS address;
    const bool known = GetAddress(handle, address);
    CloseHandle(handle);
    if (known && address.PortNumber == Adapter && address.TargetId == Target) return letter;
  }
  return 0;
}

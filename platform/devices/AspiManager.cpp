#include "platform/devices/AspiManager.h"

#include <algorithm>
#include <cstring>

#include "platform/devices/DriveMap.h"
#include "platform/devices/WinHost.h"

namespace {

constexpr char kManagerId[] = "ASPI FOR LINUX  ";
constexpr DWORD kMaxTransfer = 0x10000;

void CopyText(BYTE (&field)[16], const std::string& text) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
}

}  // namespace

AspiManager::AspiManager(std::unique_ptr<DriveMap> map) : map_(std::move(map)) {
  std::vector<Drive> without_address;
  for (const DriveMapEntry& entry : map_->Entries()) {
    int error = 0;
    std::string message;
    Drive drive;
    drive.letter = entry.letter;
    drive.target = map_->Open(entry.letter, true, &error, &message);
    if (!drive.target) drive.target = map_->Open(entry.letter, false, &error, &message);
    if (!drive.target) {
      problems_.push_back(message);
      continue;
    }
    const auto address = map_->AddressOf(entry.letter, drive.target.get());
    if (address) {
      drive.address = *address;
      drives_.push_back(std::move(drive));
    } else {
      without_address.push_back(std::move(drive));
    }
  }
  int highest = -1;
  for (const Drive& drive : drives_) highest = std::max<int>(highest, drive.address.host);
  BYTE target = 0;
  for (Drive& drive : without_address) {
    drive.address = ScsiAddress{};
    drive.address.host = static_cast<std::uint8_t>(highest + 1);
    drive.address.target = target++;
    drives_.push_back(std::move(drive));
  }
  for (const Drive& drive : drives_) {
    adapter_count_ = std::max<BYTE>(adapter_count_, static_cast<BYTE>(drive.address.host + 1));
  }
}

AspiManager::~AspiManager() {
  // Handles before the map they point into.
  drives_.clear();
}

DWORD AspiManager::GetSupportInfo() const {
  if (adapter_count_ == 0) return DWORD{SS_NO_ADAPTERS} << 8;
  return (DWORD{SS_COMP} << 8) | adapter_count_;
}

AspiManager::Drive* AspiManager::FindDrive(BYTE adapter, BYTE target, BYTE lun) {
  for (Drive& drive : drives_) {
    if (drive.address.host == adapter && drive.address.target == target && drive.address.lun == lun) {
      return &drive;
    }
  }
  return nullptr;
}

DWORD AspiManager::SendCommand(void* srb) {
  if (srb == nullptr) return SS_INVALID_SRB;
  auto* header = static_cast<SRB_Header*>(srb);
  switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY:
      return HaInquiry(*static_cast<SRB_HAInquiry*>(srb));
    case SC_GET_DEV_TYPE:
      return GetDeviceType(*static_cast<SRB_GDEVBlock*>(srb));
    case SC_EXEC_SCSI_CMD:
      return Execute(*static_cast<SRB_ExecSCSICmd*>(srb));
    case SC_ABORT_SRB:
      return Abort(*static_cast<SRB_Abort*>(srb));
    case SC_GET_DISK_INFO:
      return GetDiskInfo(*static_cast<SRB_GetDiskInfo*>(srb));
    default:
      header->SRB_Status = SS_INVALID_CMD;
      return SS_INVALID_CMD;
  }
}

DWORD AspiManager::HaInquiry(SRB_HAInquiry& srb) const {
  srb.HA_Count = adapter_count_;
  if (srb.SRB_HaId >= adapter_count_) {
    srb.SRB_Status = SS_INVALID_HA;
    return srb.SRB_Status;
  }
  bool is_virtual = false;
  for (const Drive& drive : drives_) {
    const DriveMapEntry* entry = map_->Find(drive.letter);
    if (drive.address.host == srb.SRB_HaId && entry && entry->kind == DriveKind::Virtual) is_virtual = true;
  }
  srb.HA_SCSI_ID = 7;
  std::memcpy(srb.HA_ManagerId, kManagerId, sizeof srb.HA_ManagerId);
  CopyText(srb.HA_Identifier, (is_virtual ? "VIRTUAL " : "SG_IO ") + std::to_string(srb.SRB_HaId));
  std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
  srb.HA_Unique[2] = 0x02;  // residual byte counts are reported
  srb.HA_Unique[3] = 8;     // targets per adapter
  srb.HA_Unique[4] = kMaxTransfer & 0xFF;
  srb.HA_Unique[5] = (kMaxTransfer >> 8) & 0xFF;
  srb.HA_Unique[6] = (kMaxTransfer >> 16) & 0xFF;
  srb.HA_Unique[7] = (kMaxTransfer >> 24) & 0xFF;
  srb.SRB_Status = SS_COMP;
  return srb.SRB_Status;
}

DWORD AspiManager::GetDeviceType(SRB_GDEVBlock& srb) {
  if (srb.SRB_HaId >= adapter_count_) {
    srb.SRB_Status = SS_INVALID_HA;
  } else if (FindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun)) {
    srb.SRB_DeviceType = DTYPE_CDROM;
    srb.SRB_Status = SS_COMP;
  } else {
    srb.SRB_DeviceType = DTYPE_UNKNOWN;
    srb.SRB_Status = SS_NO_DEVICE;
  }
  return srb.SRB_Status;
}

DWORD AspiManager::Execute(SRB_ExecSCSICmd& srb) {
  srb.SRB_HaStat = HASTAT_OK;
  srb.SRB_TargStat = 0;
  const BYTE flags = srb.SRB_Flags;
  const bool in = flags & SRB_DIR_IN, out = flags & SRB_DIR_OUT;
  Drive* drive = nullptr;
  if (srb.SRB_HaId >= adapter_count_) {
    srb.SRB_Status = SS_INVALID_HA;
  } else if (!(drive = FindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun))) {
    srb.SRB_Status = SS_NO_DEVICE;
  } else if ((flags & SRB_POSTING) && (flags & SRB_EVENT_NOTIFY)) {
    srb.SRB_Status = SS_INVALID_SRB;  // one way of telling completion, not two
  } else if ((in && out) || (!in && !out && srb.SRB_BufLen > 0)) {
    // Linux cannot let the device choose the direction of a transfer.
    srb.SRB_Status = SS_INVALID_SRB;
  } else if (srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > 16 || (srb.SRB_BufLen > 0 && !srb.SRB_BufPointer)) {
    srb.SRB_Status = SS_INVALID_SRB;
  } else {
    ScsiCommand command;
    std::memcpy(command.cdb.data(), srb.CDBByte, srb.SRB_CDBLen);
    command.cdb_length = srb.SRB_CDBLen;
    command.direction = srb.SRB_BufLen == 0 ? ScsiDirection::None
                        : in                ? ScsiDirection::In
                                            : ScsiDirection::Out;
    command.data = srb.SRB_BufPointer;
    command.data_length = srb.SRB_BufLen;
    command.timeout_ms = kCommandTimeoutMs;
    {
      std::lock_guard lock(in_flight_mutex_);
      in_flight_.insert(&srb);
    }
    const ScsiResult result = drive->target->Execute(command);
    {
      std::lock_guard lock(in_flight_mutex_);
      in_flight_.erase(in_flight_.find(&srb));
    }
    if (srb.SRB_SenseLen > 0) {
      std::memset(srb.SenseArea, 0, srb.SRB_SenseLen);
      std::memcpy(srb.SenseArea, result.sense.data(), std::min(srb.SRB_SenseLen, result.sense_length));
    }
    if (!result.delivered) {
      srb.SRB_HaStat = result.timed_out ? HASTAT_COMMAND_TIMEOUT : HASTAT_SEL_TO;
      srb.SRB_Status = SS_ERR;
    } else {
      srb.SRB_TargStat = result.status;
      srb.SRB_Status = result.status == kScsiGood ? SS_COMP : SS_ERR;
      if (flags & SRB_ENABLE_RESIDUAL_COUNT) {
        srb.SRB_BufLen -= std::min(result.transferred, srb.SRB_BufLen);
      }
    }
  }
  // The status is final before anyone waiting on the block is told.
  const BYTE status = srb.SRB_Status;
  if ((flags & SRB_EVENT_NOTIFY) && srb.SRB_PostProc && !(flags & SRB_POSTING)) {
    SetEvent(srb.SRB_PostProc);
  } else if ((flags & SRB_POSTING) && srb.SRB_PostProc && !(flags & SRB_EVENT_NOTIFY)) {
    reinterpret_cast<AspiPostProc>(srb.SRB_PostProc)(&srb);
  }
  return status;
}

DWORD AspiManager::Abort(SRB_Abort& srb) {
  if (srb.SRB_HaId >= adapter_count_) {
    srb.SRB_Status = SS_INVALID_HA;
  } else if (srb.SRB_ToAbort == nullptr) {
    srb.SRB_Status = SS_INVALID_SRB;
  } else {
    // A command runs inside SendASPI32Command and cannot be stopped halfway;
    // a block that is not running has nothing left to abort.
    std::lock_guard lock(in_flight_mutex_);
    srb.SRB_Status = in_flight_.count(srb.SRB_ToAbort) ? SS_ABORT_FAIL : SS_COMP;
  }
  return srb.SRB_Status;
}

DWORD AspiManager::GetDiskInfo(SRB_GetDiskInfo& srb) {
  const Drive* drive = nullptr;
  if (srb.SRB_HaId >= adapter_count_) {
    srb.SRB_Status = SS_INVALID_HA;
  } else if (!(drive = FindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun))) {
    srb.SRB_Status = SS_NO_DEVICE;
  } else {
    // Optical drives are no BIOS disks; the drive field carries the drive
    // letter (A = 0), which is what callers read it for.
    srb.SRB_DriveFlags = DISK_NOT_INT13;
    srb.SRB_Int13HDriveInfo = static_cast<BYTE>(drive->letter - 'A');
    srb.SRB_Heads = 0;
    srb.SRB_Sectors = 0;
    srb.SRB_Status = SS_COMP;
  }
  return srb.SRB_Status;
}

#pragma once
// An ASPI for Win32 manager over the drive map: the logic behind the two
// entry points of the manager library (aspi/). Every drive of the map sits
// at the address the map gives it (the one IOCTL_SCSI_GET_ADDRESS reports);
// a drive without one sits on an extra adapter after the highest, targets
// 0, 1, ... in letter order.
//
// Requests are carried out synchronously (see Aspi.h); SendCommand may be
// called from several threads, each drive's target serialising its commands.

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/devices/Aspi.h"
#include "platform/devices/ScsiTarget.h"

class DriveMap;

class AspiManager {
 public:
  explicit AspiManager(std::unique_ptr<DriveMap> map);
  ~AspiManager();
  AspiManager(const AspiManager&) = delete;
  AspiManager& operator=(const AspiManager&) = delete;

  // Bits 8-15 status (SS_COMP, or SS_NO_ADAPTERS), bits 0-7 the adapter count.
  DWORD GetSupportInfo() const;
  // Answers one request block; returns the status it leaves in SRB_Status.
  DWORD SendCommand(void* srb);

  // Drives that could not be opened, and why (for logs and tests).
  const std::vector<std::string>& Problems() const { return problems_; }

  // The time-out of every command: request blocks carry none.
  static constexpr std::uint32_t kCommandTimeoutMs = 120000;

 private:
  struct Drive {
    ScsiAddress address;
    char letter = 0;
    std::unique_ptr<ScsiTarget> target;
  };
  Drive* FindDrive(BYTE adapter, BYTE target, BYTE lun);
  DWORD HaInquiry(SRB_HAInquiry& srb) const;
  DWORD GetDeviceType(SRB_GDEVBlock& srb);
  DWORD Execute(SRB_ExecSCSICmd& srb);
  DWORD Abort(SRB_Abort& srb);
  DWORD GetDiskInfo(SRB_GetDiskInfo& srb);

  std::unique_ptr<DriveMap> map_;
  std::vector<Drive> drives_;
  std::vector<std::string> problems_;
  BYTE adapter_count_ = 0;

  std::mutex in_flight_mutex_;
  std::multiset<const void*> in_flight_;
};

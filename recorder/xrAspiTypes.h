#pragma once
// Stand-in for the host's ASPI request blocks until the device layer's
// header is on main; the names are the published interface's.

#include <cstdint>

inline constexpr std::uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr std::uint8_t SC_GET_DEV_TYPE = 0x01;
inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr std::uint8_t SC_ABORT_SRB = 0x03;
inline constexpr std::uint8_t SC_GET_DISK_INFO = 0x06;

inline constexpr std::uint8_t SS_PENDING = 0x00;
inline constexpr std::uint8_t SS_COMP = 0x01;
inline constexpr std::uint8_t SS_ABORTED = 0x02;
inline constexpr std::uint8_t SS_ERR = 0x04;
inline constexpr std::uint8_t SS_INVALID_HA = 0x81;
inline constexpr std::uint8_t SS_NO_DEVICE = 0x82;
inline constexpr std::uint8_t SS_NO_ADAPTERS = 0xE8;

inline constexpr std::uint8_t SRB_DIR_IN = 0x08;
inline constexpr std::uint8_t SRB_DIR_OUT = 0x10;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;

inline constexpr std::uint8_t SENSE_LEN = 14;

struct SRB_HAInquiry {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t HA_Count;
  std::uint8_t HA_SCSI_ID;
  std::uint8_t HA_ManagerId[16];
  std::uint8_t HA_Identifier[16];
  std::uint8_t HA_Unique[16];
  std::uint16_t HA_Rsvd1;
};

struct SRB_GDEVBlock {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t SRB_Target;
  std::uint8_t SRB_Lun;
  std::uint8_t SRB_DeviceType;
  std::uint8_t SRB_Rsvd1;
};

struct SRB_ExecSCSICmd {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t SRB_Target;
  std::uint8_t SRB_Lun;
  std::uint16_t SRB_Rsvd1;
  std::uint32_t SRB_BufLen;
  std::uint8_t* SRB_BufPointer;
  std::uint8_t SRB_SenseLen;
  std::uint8_t SRB_CDBLen;
  std::uint8_t SRB_HaStat;
  std::uint8_t SRB_TargStat;
  void* SRB_PostProc;
  std::uint8_t SRB_Rsvd2[20];
  std::uint8_t CDBByte[16];
  // This program asks for 24 sense bytes; the area leaves room to spare.
  std::uint8_t SenseArea[33];
};

struct SRB_Abort {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  void* SRB_ToAbort;
};

struct SRB_GetDiskInfo {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t SRB_Target;
  std::uint8_t SRB_Lun;
  std::uint8_t SRB_DriveFlags;
  std::uint8_t SRB_Int13HDriveInfo;
  std::uint8_t SRB_Heads;
  std::uint8_t SRB_Sectors;
  std::uint8_t SRB_Rsvd1[10];
};

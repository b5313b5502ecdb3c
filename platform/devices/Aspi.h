#pragma once
// The ASPI for Win32 interface: request blocks, codes and the two entry
// points of an ASPI manager library, as published, for the callers of our
// manager (aspi/, loaded as "WNASPI32.DLL" through LoadLibrary) and for the
// manager itself.
//
// Layouts are byte-packed like the published header. Pointers are native,
// so in a 64-bit build SRB_ExecSCSICmd is 8 bytes longer up to CDBByte than
// in a 32-bit one (72 bytes instead of 64), and SRB_Abort is 16 bytes.
//
// Completion: the manager carries every command out before
// SendASPI32Command returns, so SRB_Status is final on return and never
// SS_PENDING. With SRB_EVENT_NOTIFY, SRB_PostProc holds an event handle from
// CreateEvent (WinHost.h: an eventfd descriptor), which the manager signals
// after setting the final status. With SRB_POSTING, SRB_PostProc is an
// AspiPostProc called with the block.

#include <cstddef>

#include "platform/devices/WinHostTypes.h"

// Commands (SRB_Cmd).
inline constexpr BYTE SC_HA_INQUIRY = 0x00;
inline constexpr BYTE SC_GET_DEV_TYPE = 0x01;
inline constexpr BYTE SC_EXEC_SCSI_CMD = 0x02;
inline constexpr BYTE SC_ABORT_SRB = 0x03;
inline constexpr BYTE SC_RESET_DEV = 0x04;
inline constexpr BYTE SC_SET_HA_PARMS = 0x05;
inline constexpr BYTE SC_GET_DISK_INFO = 0x06;
inline constexpr BYTE SC_RESCAN_SCSI_BUS = 0x07;
inline constexpr BYTE SC_GETSET_TIMEOUTS = 0x08;

// Status (SRB_Status, and the result of SendASPI32Command).
inline constexpr BYTE SS_PENDING = 0x00;
inline constexpr BYTE SS_COMP = 0x01;
inline constexpr BYTE SS_ABORTED = 0x02;
inline constexpr BYTE SS_ABORT_FAIL = 0x03;
inline constexpr BYTE SS_ERR = 0x04;
inline constexpr BYTE SS_INVALID_CMD = 0x80;
inline constexpr BYTE SS_INVALID_HA = 0x81;
inline constexpr BYTE SS_NO_DEVICE = 0x82;
inline constexpr BYTE SS_INVALID_SRB = 0xE0;
inline constexpr BYTE SS_OLD_MANAGER = 0xE1;
inline constexpr BYTE SS_BUFFER_ALIGN = 0xE1;
inline constexpr BYTE SS_ILLEGAL_MODE = 0xE2;
inline constexpr BYTE SS_NO_ASPI = 0xE3;
inline constexpr BYTE SS_FAILED_INIT = 0xE4;
inline constexpr BYTE SS_ASPI_IS_BUSY = 0xE5;
inline constexpr BYTE SS_BUFFER_TO_BIG = 0xE6;
inline constexpr BYTE SS_MISMATCHED_COMPONENTS = 0xE7;
inline constexpr BYTE SS_NO_ADAPTERS = 0xE8;
inline constexpr BYTE SS_INSUFFICIENT_RESOURCES = 0xE9;
inline constexpr BYTE SS_ASPI_IS_SHUTDOWN = 0xEA;
inline constexpr BYTE SS_BAD_INSTALL = 0xEB;

// Request flags (SRB_Flags).
inline constexpr BYTE SRB_DIR_SCSI = 0x00;
inline constexpr BYTE SRB_POSTING = 0x01;
inline constexpr BYTE SRB_ENABLE_RESIDUAL_COUNT = 0x04;
inline constexpr BYTE SRB_DIR_IN = 0x08;
inline constexpr BYTE SRB_DIR_OUT = 0x10;
inline constexpr BYTE SRB_EVENT_NOTIFY = 0x40;

// Host adapter status (SRB_HaStat).
inline constexpr BYTE HASTAT_OK = 0x00;
inline constexpr BYTE HASTAT_TIMEOUT = 0x09;
inline constexpr BYTE HASTAT_COMMAND_TIMEOUT = 0x0B;
inline constexpr BYTE HASTAT_MESSAGE_REJECT = 0x0D;
inline constexpr BYTE HASTAT_BUS_RESET = 0x0E;
inline constexpr BYTE HASTAT_PARITY_ERROR = 0x0F;
inline constexpr BYTE HASTAT_REQUEST_SENSE_FAILED = 0x10;
inline constexpr BYTE HASTAT_SEL_TO = 0x11;
inline constexpr BYTE HASTAT_DO_DU = 0x12;
inline constexpr BYTE HASTAT_BUS_FREE = 0x13;
inline constexpr BYTE HASTAT_PHASE_ERR = 0x14;

// SRB_GetDiskInfo.SRB_DriveFlags.
inline constexpr BYTE DISK_NOT_INT13 = 0x00;
inline constexpr BYTE DISK_INT13_AND_DOS = 0x01;
inline constexpr BYTE DISK_INT13 = 0x02;

// Peripheral device types (SRB_DeviceType).
inline constexpr BYTE DTYPE_WORM = 0x04;
inline constexpr BYTE DTYPE_CDROM = 0x05;
inline constexpr BYTE DTYPE_UNKNOWN = 0x1F;

// The published sense area holds SENSE_LEN + 2 bytes; callers that ask for
// more sense (SRB_SenseLen) lay out a longer area, and the manager writes
// exactly SRB_SenseLen bytes.
inline constexpr BYTE SENSE_LEN = 14;
// The sense area this program's blocks carry (it asks for 24 bytes).
inline constexpr std::size_t kAspiSenseAreaSize = 33;

#pragma pack(push, 1)

struct SRB_Header {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
};

struct SRB_HAInquiry {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE HA_Count;
  BYTE HA_SCSI_ID;
  BYTE HA_ManagerId[16];
  BYTE HA_Identifier[16];
  BYTE HA_Unique[16];
  WORD HA_Rsvd1;
};

struct SRB_GDEVBlock {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_DeviceType;
  BYTE SRB_Rsvd1;
};

struct SRB_ExecSCSICmd {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  WORD SRB_Rsvd1;
  DWORD SRB_BufLen;
  BYTE* SRB_BufPointer;
  BYTE SRB_SenseLen;
  BYTE SRB_CDBLen;
  BYTE SRB_HaStat;
  BYTE SRB_TargStat;
  void* SRB_PostProc;
  BYTE SRB_Rsvd2[20];
  BYTE CDBByte[16];
  BYTE SenseArea[kAspiSenseAreaSize];
};

struct SRB_Abort {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  void* SRB_ToAbort;
};

struct SRB_GetDiskInfo {
  BYTE SRB_Cmd;
  BYTE SRB_Status;
  BYTE SRB_HaId;
  BYTE SRB_Flags;
  DWORD SRB_Hdr_Rsvd;
  BYTE SRB_Target;
  BYTE SRB_Lun;
  BYTE SRB_DriveFlags;
  BYTE SRB_Int13HDriveInfo;
  BYTE SRB_Heads;
  BYTE SRB_Sectors;
  BYTE SRB_Rsvd1[10];
};

#pragma pack(pop)

static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(sizeof(SRB_GDEVBlock) == 12);
static_assert(sizeof(SRB_GetDiskInfo) == 24);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 56 + 2 * sizeof(void*));

// The entry points, as exported by the manager library (C names, the
// platform's calling convention).
using GetASPI32SupportInfoProc = DWORD (*)();
using SendASPI32CommandProc = DWORD (*)(void* srb);
using AspiPostProc = void (*)(void* srb);

inline constexpr const char* kGetASPI32SupportInfoName = "GetASPI32SupportInfo";
inline constexpr const char* kSendASPI32CommandName = "SendASPI32Command";

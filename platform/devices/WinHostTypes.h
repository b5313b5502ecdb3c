#pragma once
// The handful of host types, constants and request layouts that the drive
// transport was written against, with the host's own names and native sizes.
// Kept apart from WinHost.h so that Aspi.h (shared with the ASPI manager
// library) can use them without the host calls.

#include <cstdint>

using BYTE = std::uint8_t;
using UCHAR = std::uint8_t;
using WORD = std::uint16_t;
using USHORT = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using BOOL = int;
using HANDLE = void*;
using HMODULE = void*;
using FARPROC = void*;

// Some C headers define these as macros; ours are the same values.
#ifndef TRUE
inline constexpr BOOL TRUE = 1;
#endif
#ifndef FALSE
inline constexpr BOOL FALSE = 0;
#endif

// Not a constant expression (a pointer made from an integer), hence inline const.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// Drive types of GetDriveType.
inline constexpr UINT DRIVE_UNKNOWN = 0;
inline constexpr UINT DRIVE_NO_ROOT_DIR = 1;
inline constexpr UINT DRIVE_REMOVABLE = 2;
inline constexpr UINT DRIVE_FIXED = 3;
inline constexpr UINT DRIVE_REMOTE = 4;
inline constexpr UINT DRIVE_CDROM = 5;
inline constexpr UINT DRIVE_RAMDISK = 6;

// CreateFile.
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x00000001u;
inline constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;
inline constexpr DWORD FILE_SHARE_DELETE = 0x00000004u;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;

// SetErrorMode.
inline constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
inline constexpr UINT SEM_NOGPFAULTERRORBOX = 0x0002;
inline constexpr UINT SEM_NOALIGNMENTFAULTEXCEPT = 0x0004;
inline constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

// Events and waits.
inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
inline constexpr DWORD WAIT_OBJECT_0 = 0x00000000u;
inline constexpr DWORD WAIT_TIMEOUT = 0x00000102u;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

// GetLastError values the host calls leave.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_NOT_READY = 21;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_SEM_TIMEOUT = 121;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
inline constexpr DWORD ERROR_FILE_CORRUPT = 1392;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;

// Device requests. The codes are the host's: CTL_CODE(IOCTL_SCSI_BASE, 0x405,
// METHOD_BUFFERED, read|write) and CTL_CODE(IOCTL_SCSI_BASE, 0x406, ...).
inline constexpr DWORD IOCTL_SCSI_PASS_THROUGH_DIRECT = 0x0004D014u;
inline constexpr DWORD IOCTL_SCSI_GET_ADDRESS = 0x00041018u;

// SCSI_PASS_THROUGH_DIRECT.DataIn.
inline constexpr UCHAR SCSI_IOCTL_DATA_OUT = 0;
inline constexpr UCHAR SCSI_IOCTL_DATA_IN = 1;
inline constexpr UCHAR SCSI_IOCTL_DATA_UNSPECIFIED = 2;

// The pass-through request with the host's field names, in the natural
// (unpacked) layout. DataBuffer is a native pointer, so the header is 44
// bytes in a 32-bit build and 56 bytes in a 64-bit one: a caller must put
// the sense area at or after sizeof(SCSI_PASS_THROUGH_DIRECT), never at a
// fixed 48, and must set Length to sizeof(SCSI_PASS_THROUGH_DIRECT).
struct SCSI_PASS_THROUGH_DIRECT {
  USHORT Length;
  UCHAR ScsiStatus;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
  UCHAR CdbLength;
  UCHAR SenseInfoLength;
  UCHAR DataIn;
  ULONG DataTransferLength;
  ULONG TimeOutValue;  // seconds
  void* DataBuffer;
  ULONG SenseInfoOffset;  // from the start of this structure
  UCHAR Cdb[16];
};
static_assert(sizeof(void*) != 4 || sizeof(SCSI_PASS_THROUGH_DIRECT) == 44);
static_assert(sizeof(void*) != 8 || sizeof(SCSI_PASS_THROUGH_DIRECT) == 56);

struct SCSI_ADDRESS {
  ULONG Length;
  UCHAR PortNumber;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
};
static_assert(sizeof(SCSI_ADDRESS) == 8);

#pragma once
// The host calls the drive transport makes, shaped as it expects them and
// carried out over the drive map:
//
//   GetDriveType("E:\")          DRIVE_CDROM for a mapped drive, else DRIVE_NO_ROOT_DIR
//   CreateFile("\\.\E:", ...)    a device handle (read-write, or read-only)
//   DeviceIoControl(handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, ...)
//                                one SCSI command: SG_IO on a real drive, the
//                                virtual recorder otherwise
//   DeviceIoControl(handle, IOCTL_SCSI_GET_ADDRESS, ...)
//                                adapter/target/LUN as the drive map numbers them
//   CloseHandle, SetErrorMode, GetLastError
//   LoadLibrary/GetProcAddress/FreeLibrary
//                                dlopen/dlsym/dlclose; "WNASPI32.DLL" and
//                                ".\WNASPI32.DLL" name our ASPI manager library,
//                                wnaspi32.so beside the executable
//   CreateEvent/SetEvent/ResetEvent/WaitForSingleObject
//                                the completion events of ASPI requests (Aspi.h)
//
// Handles: device handles are values from 0x40000000 up, kept in the host's
// table; event handles are eventfd descriptors, so that the ASPI manager
// library (another copy of this code, with its own host) can signal them.

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/devices/WinHostTypes.h"

class DriveMap;
class ScsiTarget;

class WinHost {
 public:
  // `library_dir` is where LoadLibrary looks for the ASPI manager library.
  WinHost(std::unique_ptr<DriveMap> map, std::string library_dir);
  ~WinHost();
  WinHost(const WinHost&) = delete;
  WinHost& operator=(const WinHost&) = delete;

  DriveMap& Map() { return *map_; }

  UINT GetDriveType(const char* root_path);
  HANDLE CreateFile(const char* file_name, DWORD desired_access, DWORD share_mode, void* security,
                    DWORD creation_disposition, DWORD flags_and_attributes, HANDLE template_file);
  BOOL CloseHandle(HANDLE handle);
  BOOL DeviceIoControl(HANDLE device, DWORD io_control_code, void* in_buffer, DWORD in_buffer_size,
                       void* out_buffer, DWORD out_buffer_size, DWORD* bytes_returned, void* overlapped);
  // The previous mode. Linux shows no message box for a drive without a
  // medium, so the mode is only kept for the caller to restore.
  UINT SetErrorMode(UINT mode);

  HMODULE LoadLibrary(const char* file_name);
  // The file LoadLibrary opens for a name.
  std::string LibraryPath(const char* file_name) const;

  HANDLE CreateEvent(void* attributes, BOOL manual_reset, BOOL initial_state, const char* name);
  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

  // Open device handles, for tests and diagnostics.
  std::size_t OpenHandleCount() const;

 private:
  struct Device;
  std::shared_ptr<Device> FindDevice(HANDLE handle) const;
  BOOL PassThrough(Device& device, void* in_buffer, DWORD in_buffer_size, void* out_buffer,
                   DWORD out_buffer_size, DWORD* bytes_returned);
  BOOL GetAddress(Device& device, void* out_buffer, DWORD out_buffer_size, DWORD* bytes_returned);

  std::unique_ptr<DriveMap> map_;
  std::string library_dir_;
  mutable std::mutex mutex_;
  // shared_ptr: a command may still run on a handle another thread closes.
  std::map<std::uintptr_t, std::shared_ptr<Device>> devices_;
  std::uintptr_t next_device_ = 0;
  std::map<int, bool> events_;  // eventfd -> manual reset
  UINT error_mode_ = 0;
};

// The program's host, made on first use over DefaultDriveMapOptions().
WinHost& TheHost();

// Installs a host for the lifetime of the object (tests).
class ScopedHost {
 public:
  explicit ScopedHost(WinHost& host);
  ~ScopedHost();
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  WinHost* previous_;
};

// The host calls with their usual names, on TheHost().
UINT GetDriveType(const char* root_path);
HANDLE CreateFile(const char* file_name, DWORD desired_access, DWORD share_mode, void* security,
                  DWORD creation_disposition, DWORD flags_and_attributes, HANDLE template_file);
BOOL CloseHandle(HANDLE handle);
BOOL DeviceIoControl(HANDLE device, DWORD io_control_code, void* in_buffer, DWORD in_buffer_size,
                     void* out_buffer, DWORD out_buffer_size, DWORD* bytes_returned, void* overlapped);
UINT SetErrorMode(UINT mode);
HMODULE LoadLibrary(const char* file_name);
FARPROC GetProcAddress(HMODULE module, const char* proc_name);
BOOL FreeLibrary(HMODULE module);
HANDLE CreateEvent(void* attributes, BOOL manual_reset, BOOL initial_state, const char* name);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// These two need no host: any copy of this code may signal any event.
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// The calling thread's last error, as the calls above leave it.
DWORD GetLastError();
void SetLastError(DWORD error);
// A sentence on the calling thread's last failure ("E: state file ... line 4:
// ..."), for the log; empty after a success.
std::string GetLastErrorText();

#include "platform/devices/WinHost.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/core/Clock.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/ScsiTarget.h"
#include "platform/devices/SgTarget.h"

namespace {

constexpr std::uintptr_t kFirstDeviceHandle = 0x40000000u;  // above any descriptor the kernel hands out
constexpr ULONG kDefaultTimeoutSeconds = 120;
constexpr const char* kAspiLibraryFile = "wnaspi32.so";

thread_local DWORD t_last_error = ERROR_SUCCESS;
thread_local std::string t_last_error_text;

void Fail(DWORD error, std::string text = {}) {
  t_last_error = error;
  t_last_error_text = std::move(text);
}

void Succeed() { Fail(ERROR_SUCCESS); }

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return ERROR_FILE_NOT_FOUND;
    case EBUSY:
      return ERROR_SHARING_VIOLATION;
    case ENOMEDIUM:
      return ERROR_NOT_READY;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ETIMEDOUT:
      return ERROR_SEM_TIMEOUT;
    default:
      return ERROR_IO_DEVICE;
  }
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// "X:", "X:\" or "X:/" -> 'X'; anything else -> 0.
char RootLetter(const char* root) {
  if (root == nullptr || !std::isalpha(static_cast<unsigned char>(root[0])) || root[1] != ':') return 0;
  if (root[2] != '\0' && !((root[2] == '\\' || root[2] == '/') && root[3] == '\0')) return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
}

int EventDescriptor(HANDLE handle) {
  const auto value = reinterpret_cast<std::intptr_t>(handle);
  if (value <= 0 || value >= static_cast<std::intptr_t>(kFirstDeviceHandle)) return -1;
  return static_cast<int>(value);
}

// Whether `fd` is an eventfd of this process. A stray number must never make
// us write into some unrelated file.
bool IsEventFd(int fd) {
  if (fd < 0) return false;
  char link[64];
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(proc.c_str(), link, sizeof link - 1);
  if (n <= 0) return false;
  link[n] = '\0';
  return std::strcmp(link, "anon_inode:[eventfd]") == 0;
}

bool EventSignalled(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

std::mutex g_current_mutex;
WinHost* g_current = nullptr;

}  // namespace

struct WinHost::Device {
  char letter = 0;
  std::unique_ptr<ScsiTarget> target;
};

WinHost::WinHost(std::unique_ptr<DriveMap> map, std::string library_dir)
    : map_(std::move(map)), library_dir_(std::move(library_dir)) {}

WinHost::~WinHost() {
  for (const auto& [fd, manual] : events_) ::close(fd);
}

UINT WinHost::GetDriveType(const char* root_path) {
  const char letter = RootLetter(root_path);
  Succeed();
  if (letter == 0 || map_->Find(letter) == nullptr) return DRIVE_NO_ROOT_DIR;
  return DRIVE_CDROM;
}

HANDLE WinHost::CreateFile(const char* file_name, DWORD desired_access, DWORD, void*,
                           DWORD creation_disposition, DWORD, HANDLE) {
  const std::string name = file_name ? file_name : "";
  // Only drive devices exist here: "\\.\X:".
  if (name.size() != 6 || name.compare(0, 4, "\\\\.\\") != 0 || name[5] != ':' ||
      !std::isalpha(static_cast<unsigned char>(name[4]))) {
    Fail(ERROR_FILE_NOT_FOUND, name + ": not a drive device");
    return INVALID_HANDLE_VALUE;
  }
  if (creation_disposition != OPEN_EXISTING) {
    Fail(ERROR_INVALID_PARAMETER, name + ": a device can only be opened as an existing file");
    return INVALID_HANDLE_VALUE;
  }
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[4])));
  int error = 0;
  std::string message;
  auto target = map_->Open(letter, (desired_access & GENERIC_WRITE) != 0, &error, &message);
  if (!target) {
    Fail(ErrorFromErrno(error), message);
    return INVALID_HANDLE_VALUE;
  }
  auto device = std::make_shared<Device>();
  device->letter = letter;
  device->target = std::move(target);
  std::lock_guard lock(mutex_);
  const std::uintptr_t handle = kFirstDeviceHandle + next_device_++;
  devices_.emplace(handle, std::move(device));
  Succeed();
  return reinterpret_cast<HANDLE>(handle);
}

std::shared_ptr<WinHost::Device> WinHost::FindDevice(HANDLE handle) const {
  std::lock_guard lock(mutex_);
  const auto it = devices_.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == devices_.end() ? nullptr : it->second;
}

BOOL WinHost::CloseHandle(HANDLE handle) {
  {
    std::lock_guard lock(mutex_);
    if (devices_.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0) {
      Succeed();
      return TRUE;
    }
    const int fd = EventDescriptor(handle);
    if (events_.erase(fd) > 0) {
      ::close(fd);
      Succeed();
      return TRUE;
    }
  }
  Fail(ERROR_INVALID_HANDLE);
  return FALSE;
}

std::size_t WinHost::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return devices_.size();
}

BOOL WinHost::DeviceIoControl(HANDLE handle, DWORD code, void* in_buffer, DWORD in_buffer_size,
                              void* out_buffer, DWORD out_buffer_size, DWORD* bytes_returned,
                              void* overlapped) {
  if (bytes_returned) *bytes_returned = 0;
  const auto device = FindDevice(handle);
  if (!device) {
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (overlapped != nullptr) {
    Fail(ERROR_NOT_SUPPORTED, "overlapped device requests are not supported");
    return FALSE;
  }
  switch (code) {
    case IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return PassThrough(*device, in_buffer, in_buffer_size, out_buffer, out_buffer_size, bytes_returned);
    case IOCTL_SCSI_GET_ADDRESS:
      return GetAddress(*device, out_buffer, out_buffer_size, bytes_returned);
    default:
      Fail(ERROR_INVALID_FUNCTION);
      return FALSE;
  }
}

BOOL WinHost::PassThrough(Device& device, void* in_buffer, DWORD in_buffer_size, void* out_buffer,
                          DWORD out_buffer_size, DWORD* bytes_returned) {
  constexpr DWORD kHeader = sizeof(SCSI_PASS_THROUGH_DIRECT);
  if (in_buffer == nullptr || in_buffer_size < kHeader || out_buffer == nullptr ||
      out_buffer_size < kHeader) {
    Fail(ERROR_INVALID_PARAMETER, "pass-through request shorter than its header");
    return FALSE;
  }
  SCSI_PASS_THROUGH_DIRECT request;
  std::memcpy(&request, in_buffer, kHeader);
  // The checks the host makes: a header of this build's size, a CDB that
  // fits, a sense area after the header and inside the output buffer.
  if (request.Length != kHeader) {
    Fail(ERROR_INVALID_PARAMETER,
         "pass-through Length " + std::to_string(request.Length) + " is not " + std::to_string(kHeader));
    return FALSE;
  }
  if (request.CdbLength == 0 || request.CdbLength > 16) {
    Fail(ERROR_INVALID_PARAMETER, "pass-through CDB length " + std::to_string(request.CdbLength));
    return FALSE;
  }
  if (request.SenseInfoLength > 0 &&
      (request.SenseInfoOffset < kHeader ||
       std::uint64_t{request.SenseInfoOffset} + request.SenseInfoLength > out_buffer_size)) {
    Fail(ERROR_INVALID_PARAMETER, "pass-through sense area at offset " +
                                      std::to_string(request.SenseInfoOffset) +
                                      " overlaps the header or leaves the buffer");
    return FALSE;
  }
  ScsiCommand command;
  std::memcpy(command.cdb.data(), request.Cdb, request.CdbLength);
  command.cdb_length = request.CdbLength;
  switch (request.DataIn) {
    case SCSI_IOCTL_DATA_IN:
      command.direction = ScsiDirection::In;
      break;
    case SCSI_IOCTL_DATA_OUT:
      command.direction = ScsiDirection::Out;
      break;
    case SCSI_IOCTL_DATA_UNSPECIFIED:
      // Linux has no "let the device decide": only a command without data.
      if (request.DataTransferLength != 0) {
        Fail(ERROR_INVALID_PARAMETER, "pass-through data of unspecified direction");
        return FALSE;
      }
      command.direction = ScsiDirection::None;
      break;
    default:
      Fail(ERROR_INVALID_PARAMETER, "pass-through direction " + std::to_string(request.DataIn));
      return FALSE;
  }
  if (request.DataTransferLength > 0 && request.DataBuffer == nullptr) {
    Fail(ERROR_INVALID_PARAMETER, "pass-through data buffer missing");
    return FALSE;
  }
  command.data = static_cast<std::uint8_t*>(request.DataBuffer);
  command.data_length = request.DataTransferLength;
  command.timeout_ms = (request.TimeOutValue ? request.TimeOutValue : kDefaultTimeoutSeconds) * 1000u;

  const ScsiResult result = device.target->Execute(command);
  if (!result.delivered) {
    Fail(result.timed_out ? ERROR_SEM_TIMEOUT : ERROR_IO_DEVICE,
         std::string(1, device.letter) + ": " + result.host_error);
    return FALSE;
  }

  auto* out = static_cast<std::uint8_t*>(out_buffer);
  const std::uint8_t sense_bytes = std::min(request.SenseInfoLength, result.sense_length);
  request.ScsiStatus = result.status;
  request.DataTransferLength = std::min(result.transferred, request.DataTransferLength);
  if (request.SenseInfoLength > 0) {
    std::memset(out + request.SenseInfoOffset, 0, request.SenseInfoLength);
    std::memcpy(out + request.SenseInfoOffset, result.sense.data(), sense_bytes);
  }
  request.SenseInfoLength = sense_bytes;
  std::memcpy(out, &request, kHeader);
  if (bytes_returned) {
    *bytes_returned = sense_bytes ? request.SenseInfoOffset + sense_bytes : kHeader;
  }
  Succeed();
  return TRUE;
}

BOOL WinHost::GetAddress(Device& device, void* out_buffer, DWORD out_buffer_size, DWORD* bytes_returned) {
  if (out_buffer == nullptr || out_buffer_size < sizeof(SCSI_ADDRESS)) {
    Fail(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const auto address = map_->AddressOf(device.letter, device.target.get());
  if (!address) {
    Fail(ERROR_NOT_SUPPORTED, std::string(1, device.letter) + ": the drive's address is unknown");
    return FALSE;
  }
  SCSI_ADDRESS answer{};
  answer.Length = sizeof(SCSI_ADDRESS);
  answer.PortNumber = address->host;
  answer.PathId = address->channel;
  answer.TargetId = address->target;
  answer.Lun = address->lun;
  std::memcpy(out_buffer, &answer, sizeof answer);
  if (bytes_returned) *bytes_returned = sizeof answer;
  Succeed();
  return TRUE;
}

UINT WinHost::SetErrorMode(UINT mode) {
  std::lock_guard lock(mutex_);
  return std::exchange(error_mode_, mode);
}

std::string WinHost::LibraryPath(const char* file_name) const {
  const std::string name = file_name ? file_name : "";
  if (EqualsNoCase(name, "WNASPI32.DLL") || EqualsNoCase(name, ".\\WNASPI32.DLL")) {
    return (std::filesystem::path(library_dir_) / kAspiLibraryFile).string();
  }
  return name;
}

HMODULE WinHost::LoadLibrary(const char* file_name) {
  const std::string path = LibraryPath(file_name);
  if (path.empty()) {
    Fail(ERROR_MOD_NOT_FOUND, "no library name");
    return nullptr;
  }
  // A bare name would send dlopen through the system's search path; only
  // files we can name load.
  if (path.find('/') == std::string::npos) {
    Fail(ERROR_MOD_NOT_FOUND, path + ": no such library");
    return nullptr;
  }
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = ::dlerror();
    Fail(ERROR_MOD_NOT_FOUND, why ? why : path);
    return nullptr;
  }
  Succeed();
  return module;
}

HANDLE WinHost::CreateEvent(void*, BOOL manual_reset, BOOL initial_state, const char*) {
  int fd = ::eventfd(initial_state ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd == 0) {
    // 0 would read as a null handle.
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    fd = moved;
  }
  if (fd < 0 || fd >= static_cast<int>(kFirstDeviceHandle)) {
    if (fd >= 0) ::close(fd);
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard lock(mutex_);
  events_[fd] = manual_reset != FALSE;
  Succeed();
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
}

DWORD WinHost::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  const int fd = EventDescriptor(handle);
  bool manual = true;
  {
    std::lock_guard lock(mutex_);
    const auto it = events_.find(fd);
    if (it != events_.end()) {
      manual = it->second;
    } else if (!IsEventFd(fd)) {
      Fail(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
  }
  // Polled in short sleeps on TheClock(), so tests with a fake clock never wait.
  const std::uint64_t start = TheClock().TickMs();
  for (;;) {
    if (manual ? EventSignalled(fd) : [fd] {
          eventfd_t value;
          return ::eventfd_read(fd, &value) == 0;
        }()) {
      Succeed();
      return WAIT_OBJECT_0;
    }
    const std::uint64_t waited = TheClock().TickMs() - start;
    if (milliseconds != INFINITE && waited >= milliseconds) {
      Succeed();
      return WAIT_TIMEOUT;
    }
    const std::uint64_t left = milliseconds == INFINITE ? 2 : milliseconds - waited;
    TheClock().SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(left, 2)));
  }
}

WinHost& TheHost() {
  std::lock_guard lock(g_current_mutex);
  if (!g_current) {
    // The program's own host lives until the process ends.
    static WinHost host(std::make_unique<DriveMap>(DefaultDriveMapOptions(), SystemSgKernel(),
                                                   DefaultVirtualRecorderFactory()),
                        ExecutableDir());
    g_current = &host;
  }
  return *g_current;
}

ScopedHost::ScopedHost(WinHost& host) {
  std::lock_guard lock(g_current_mutex);
  previous_ = g_current;
  g_current = &host;
}

ScopedHost::~ScopedHost() {
  std::lock_guard lock(g_current_mutex);
  g_current = previous_;
}

UINT GetDriveType(const char* root_path) { return TheHost().GetDriveType(root_path); }

HANDLE CreateFile(const char* file_name, DWORD desired_access, DWORD share_mode, void* security,
                  DWORD creation_disposition, DWORD flags_and_attributes, HANDLE template_file) {
  return TheHost().CreateFile(file_name, desired_access, share_mode, security, creation_disposition,
                              flags_and_attributes, template_file);
}

BOOL CloseHandle(HANDLE handle) { return TheHost().CloseHandle(handle); }

BOOL DeviceIoControl(HANDLE device, DWORD io_control_code, void* in_buffer, DWORD in_buffer_size,
                     void* out_buffer, DWORD out_buffer_size, DWORD* bytes_returned, void* overlapped) {
  return TheHost().DeviceIoControl(device, io_control_code, in_buffer, in_buffer_size, out_buffer,
                                   out_buffer_size, bytes_returned, overlapped);
}

UINT SetErrorMode(UINT mode) { return TheHost().SetErrorMode(mode); }

HMODULE LoadLibrary(const char* file_name) { return TheHost().LoadLibrary(file_name); }

FARPROC GetProcAddress(HMODULE module, const char* proc_name) {
  if (!module || !proc_name) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* proc = ::dlsym(module, proc_name);
  if (!proc) {
    Fail(ERROR_PROC_NOT_FOUND, std::string(proc_name) + ": no such entry point");
    return nullptr;
  }
  Succeed();
  return proc;
}

BOOL FreeLibrary(HMODULE module) {
  if (!module || ::dlclose(module) != 0) {
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Succeed();
  return TRUE;
}

HANDLE CreateEvent(void* attributes, BOOL manual_reset, BOOL initial_state, const char* name) {
  return TheHost().CreateEvent(attributes, manual_reset, initial_state, name);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return TheHost().WaitForSingleObject(handle, milliseconds);
}

BOOL SetEvent(HANDLE event) {
  const int fd = EventDescriptor(event);
  if (!IsEventFd(fd) || ::eventfd_write(fd, 1) != 0) {
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Succeed();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  const int fd = EventDescriptor(event);
  if (!IsEventFd(fd)) {
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  eventfd_t value;
  ::eventfd_read(fd, &value);  // EAGAIN when already reset
  Succeed();
  return TRUE;
}

DWORD GetLastError() { return t_last_error; }
void SetLastError(DWORD error) { Fail(error); }
std::string GetLastErrorText() { return t_last_error_text; }

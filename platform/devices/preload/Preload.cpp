// A preload library that shows the virtual recorders of a drive map to
// standard MMC programs (sg3-utils, xorriso) as Linux optical drives, so that
// those programs can check the recorder against what they expect of a real
// drive:
//
//   BURNER_DRIVE_MAP=/path/DriveMap.ini LD_PRELOAD=build/bin/burner-preload.so sg_inq /dev/sr0
//
// Each virtual recorder of the map, in letter order, appears as a block
// device /dev/srN (major 11) for the first N not taken by a real drive, or
// at the paths BURNER_PRELOAD_DEVICES names ("/dev/sr5=E,/dev/sr6=F").
// Opening one gives a descriptor on a small memory file named for the drive
// ("burner-drive-E") that stands for it: ioctl(SG_IO) runs the command on the
// recorder, the other ioctls these programs ask of an optical drive are
// answered as the sr driver does, plain reads and seeks read the disc's
// 2048-byte blocks, dup'ed descriptors stand for the same drive, and a
// descriptor that survives exec is recognised by its name in the new
// program.

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <linux/fs.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/SgTarget.h"
#include "platform/devices/VirtualRecorder.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr unsigned kScsiCdromMajor = 11;
constexpr int kSgVersion = 30527;

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// The libc functions we stand in front of.
struct Libc {
  int (*open)(const char*, int, ...) = Next<int (*)(const char*, int, ...)>("open");
  int (*open64)(const char*, int, ...) = Next<int (*)(const char*, int, ...)>("open64");
  int (*openat)(int, const char*, int, ...) = Next<int (*)(int, const char*, int, ...)>("openat");
  int (*close)(int) = Next<int (*)(int)>("close");
  int (*ioctl)(int, unsigned long, ...) = Next<int (*)(int, unsigned long, ...)>("ioctl");
  int (*stat)(const char*, struct stat*) = Next<int (*)(const char*, struct stat*)>("stat");
  int (*lstat)(const char*, struct stat*) = Next<int (*)(const char*, struct stat*)>("lstat");
  int (*fstat)(int, struct stat*) = Next<int (*)(int, struct stat*)>("fstat");
  int (*fstatat)(int, const char*, struct stat*,
                 int) = Next<int (*)(int, const char*, struct stat*, int)>("fstatat");
  int (*xstat)(int, const char*, struct stat*) = Next<int (*)(int, const char*, struct stat*)>("__xstat");
  int (*lxstat)(int, const char*, struct stat*) = Next<int (*)(int, const char*, struct stat*)>("__lxstat");
  int (*fxstat)(int, int, struct stat*) = Next<int (*)(int, int, struct stat*)>("__fxstat");
  int (*access)(const char*, int) = Next<int (*)(const char*, int)>("access");
  int (*dup)(int) = Next<int (*)(int)>("dup");
  int (*dup2)(int, int) = Next<int (*)(int, int)>("dup2");
  int (*dup3)(int, int, int) = Next<int (*)(int, int, int)>("dup3");
  int (*fcntl)(int, int, ...) = Next<int (*)(int, int, ...)>("fcntl");
  ssize_t (*read)(int, void*, size_t) = Next<ssize_t (*)(int, void*, size_t)>("read");
  ssize_t (*pread)(int, void*, size_t, off_t) = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  ssize_t (*pread64)(int, void*, size_t, off64_t) = Next<ssize_t (*)(int, void*, size_t, off64_t)>("pread64");
  off_t (*lseek)(int, off_t, int) = Next<off_t (*)(int, off_t, int)>("lseek");
  off64_t (*lseek64)(int, off64_t, int) = Next<off64_t (*)(int, off64_t, int)>("lseek64");
  char* (*realpath)(const char*, char*) = Next<char* (*)(const char*, char*)>("realpath");
};

const Libc& Real() {
  static const Libc libc;
  return libc;
}

struct Device {
  std::string path;
  char letter = 0;
  unsigned minor = 0;
};

// One open drive; descriptors dup'ed from one share it, position included,
// as they share one open file on a real drive.
struct OpenDrive {
  const Device* device = nullptr;
  std::unique_ptr<ScsiTarget> target;
  std::mutex mutex;
  std::uint64_t position = 0;
  // The disc as last saved, for plain reads while another program (the one
  // that handed this descriptor on) holds the recorder.
  std::unique_ptr<ScsiTarget> saved_disc;
};

constexpr char kMemfdPrefix[] = "burner-drive-";

// Set while this thread builds the drive map, whose own file reads must go
// straight to libc.
thread_local bool t_inside = false;

// Set once the preload's state is gone at exit; later calls go to libc.
std::atomic<bool> g_gone{false};

class Preload {
 public:
  // Null once the process is past the preload's end.
  static Preload* Get() {
    if (g_gone.load()) return nullptr;
    static Preload preload;
    return g_gone.load() ? nullptr : &preload;
  }
  // The recorders save their state as the map goes.
  ~Preload() { g_gone.store(true); }

  // The device at `path`, or null (also while the map is being built).
  const Device* Find(const char* path) {
    if (path == nullptr || t_inside || !Ready()) return nullptr;
    for (const Device& device : devices_) {
      if (device.path == path) return &device;
    }
    return nullptr;
  }

  std::shared_ptr<OpenDrive> Drive(int fd) {
    // Built on first use here too: a program may only ever use a drive
    // descriptor it inherited through exec.
    if (fd < 0 || t_inside || !Ready()) return nullptr;
    std::lock_guard lock(mutex_);
    const auto it = open_.find(fd);
    return it == open_.end() ? nullptr : it->second;
  }

  int Open(const Device& device, int flags) {
    int error = 0;
    std::string message;
    auto target = map_->Open(device.letter, (flags & O_ACCMODE) != O_RDONLY, &error, &message);
    if (!target) {
      errno = error ? error : ENODEV;
      return -1;
    }
    const std::string name = kMemfdPrefix + std::string(1, device.letter);
    const int fd = ::memfd_create(name.c_str(), (flags & O_CLOEXEC) ? MFD_CLOEXEC : 0);
    if (fd < 0) return -1;
    auto drive = std::make_shared<OpenDrive>();
    drive->device = &device;
    drive->target = std::move(target);
    std::lock_guard lock(mutex_);
    open_[fd] = std::move(drive);
    return fd;
  }

  // `copy` now stands for the same drive as `fd` (dup, dup2, F_DUPFD).
  void Share(int fd, int copy) {
    if (copy < 0 || fd == copy || t_inside || !Ready()) return;
    std::lock_guard lock(mutex_);
    const auto it = open_.find(fd);
    if (it == open_.end()) {
      open_.erase(copy);  // dup2 over a drive descriptor closes it
    } else {
      open_[copy] = it->second;
    }
  }

  void Forget(int fd) {
    if (fd < 0 || !ready_.load()) return;
    std::lock_guard lock(mutex_);
    open_.erase(fd);
  }

  std::optional<ScsiAddress> Address(char letter) { return map_->AddressOf(letter); }

  // A recorder that only looks at the drive's files; null when they cannot be read.
  std::unique_ptr<ScsiTarget> LookOnly(char letter) {
    const DriveMapEntry* entry = map_->Find(letter);
    if (entry == nullptr || entry->kind != DriveKind::Virtual) return nullptr;
    VirtualRecorderConfig config;
    config.image_path = entry->image;
    config.state_path = entry->state;
    config.look_only = true;
    try {
      return VirtualRecorder::Open(config);
    } catch (const Exception&) {
      return nullptr;
    }
  }

 private:
  bool Ready() {
    if (ready_.load()) return true;
    std::lock_guard lock(init_mutex_);
    if (!ready_.load()) {
      // A call that succeeds must leave errno as it was: some programs read
      // it after successful calls.
      const int saved_errno = errno;
      t_inside = true;
      Build();
      AdoptInheritedDrives();
      t_inside = false;
      ready_.store(true);
      errno = saved_errno;
    }
    return true;
  }

  // Drive descriptors that came through exec: the memory files named for a
  // drive among this process's descriptors.
  void AdoptInheritedDrives() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ignored)) {
      const std::string link = std::filesystem::read_symlink(entry.path(), ignored).string();
      const std::string marker = std::string("/memfd:") + kMemfdPrefix;
      if (link.rfind(marker, 0) != 0 || link.size() <= marker.size()) continue;
      const char letter = link[marker.size()];
      const int fd = std::atoi(entry.path().filename().c_str());
      for (const Device& device : devices_) {
        if (device.letter != letter) continue;
        int error = 0;
        std::string message;
        auto target = map_->Open(letter, true, &error, &message);
        if (!target) break;
        auto drive = std::make_shared<OpenDrive>();
        drive->device = &device;
        drive->target = std::move(target);
        open_[fd] = std::move(drive);
      }
    }
  }

  void Build() {
    map_ = std::make_unique<DriveMap>(DefaultDriveMapOptions(), SystemSgKernel(),
                                      DefaultVirtualRecorderFactory());
    for (const std::string& problem : map_->Problems()) {
      std::fprintf(stderr, "burner-preload: %s\n", problem.c_str());
    }
    std::map<char, std::string> named;
    if (const char* list = std::getenv("BURNER_PRELOAD_DEVICES")) {
      std::string text = list;
      std::size_t at = 0;
      while (at <= text.size()) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, end - at);
        const auto equals = item.rfind('=');
        if (equals != std::string::npos && equals + 2 == item.size()) {
          named[static_cast<char>(std::toupper(static_cast<unsigned char>(item.back())))] =
              item.substr(0, equals);
        } else if (!item.empty()) {
          std::fprintf(stderr, "burner-preload: BURNER_PRELOAD_DEVICES: \"%s\" is not path=Letter\n",
                       item.c_str());
        }
        at = end + 1;
      }
    }
    unsigned next = 0;
    for (const DriveMapEntry& entry : map_->Entries()) {
      if (entry.kind != DriveKind::Virtual) continue;
      Device device;
      device.letter = entry.letter;
      if (!named.empty()) {
        const auto it = named.find(entry.letter);
        if (it == named.end()) continue;
        device.path = it->second;
        device.minor = 200 + static_cast<unsigned>(devices_.size());
      } else {
        struct stat st;
        while (Real().stat(("/dev/sr" + std::to_string(next)).c_str(), &st) == 0) ++next;
        device.minor = next;
        device.path = "/dev/sr" + std::to_string(next++);
      }
      devices_.push_back(device);
    }
  }

  std::mutex init_mutex_;
  std::atomic<bool> ready_{false};
  std::unique_ptr<DriveMap> map_;
  std::vector<Device> devices_;
  std::mutex mutex_;
  std::map<int, std::shared_ptr<OpenDrive>> open_;
};

const Device* FindDevice(const char* path) {
  Preload* preload = Preload::Get();
  return preload ? preload->Find(path) : nullptr;
}

std::shared_ptr<OpenDrive> FindDrive(int fd) {
  Preload* preload = Preload::Get();
  return preload ? preload->Drive(fd) : nullptr;
}

int OpenDevice(const Device& device, int flags) {
  Preload* preload = Preload::Get();
  if (!preload) {
    errno = ENODEV;
    return -1;
  }
  return preload->Open(device, flags);
}

void FakeStat(const Device& device, struct stat* st) {
  std::memset(st, 0, sizeof *st);
  st->st_mode = S_IFBLK | 0660;
  st->st_rdev = makedev(kScsiCdromMajor, device.minor);
  st->st_dev = makedev(0, 5);
  st->st_ino = 0x7F000000u + device.minor;
  st->st_nlink = 1;
  st->st_blksize = 2048;
}

ScsiResult Run(OpenDrive& drive, std::uint8_t opcode, std::uint8_t byte4 = 0, std::uint8_t byte1 = 0) {
  ScsiCommand command;
  command.cdb[0] = opcode;
  command.cdb[1] = byte1;
  command.cdb[4] = byte4;
  command.cdb_length = 6;
  return drive.target->Execute(command);
}

// BURNER_PRELOAD_TRACE=1 prints every command and its outcome on stderr.
bool Tracing() {
  static const bool tracing = [] {
    const char* value = std::getenv("BURNER_PRELOAD_TRACE");
    return value && *value && std::strcmp(value, "0") != 0;
  }();
  return tracing;
}

int SgIo(OpenDrive& drive, sg_io_hdr_t* hdr) {
  if (hdr == nullptr || hdr->interface_id != 'S' || hdr->cmdp == nullptr || hdr->cmd_len == 0 ||
      hdr->cmd_len > 16 || hdr->iovec_count != 0 || (hdr->dxfer_len > 0 && hdr->dxferp == nullptr)) {
    errno = EINVAL;
    return -1;
  }
  ScsiCommand command;
  std::memcpy(command.cdb.data(), hdr->cmdp, hdr->cmd_len);
  command.cdb_length = hdr->cmd_len;
  // The block layer looks at the direction only when there is data to
  // move: with none, any value is taken as no transfer at all.
  if (hdr->dxfer_len > 0) {
    switch (hdr->dxfer_direction) {
      case SG_DXFER_TO_DEV:
        command.direction = ScsiDirection::Out;
        break;
      case SG_DXFER_FROM_DEV:
      case SG_DXFER_TO_FROM_DEV:
        command.direction = ScsiDirection::In;
        break;
      default:
        errno = EINVAL;
        return -1;
    }
    command.data = static_cast<std::uint8_t*>(hdr->dxferp);
    command.data_length = hdr->dxfer_len;
  }
  command.timeout_ms = hdr->timeout;

  const ScsiResult result = drive.target->Execute(command);
  if (Tracing()) {
    std::string line = "burner-preload: " + drive.device->path + " cdb";
    char hex[8];
    for (std::size_t i = 0; i < command.cdb_length; ++i) {
      std::snprintf(hex, sizeof hex, " %02x", command.cdb[i]);
      line += hex;
    }
    std::snprintf(hex, sizeof hex, " -> %02x", result.status);
    line += result.delivered ? hex : " -> not delivered: " + result.host_error;
    if (result.sense_length > 13) {
      std::snprintf(hex, sizeof hex, " %x/", result.sense_key());
      line += hex;
      std::snprintf(hex, sizeof hex, "%02x/", result.asc());
      line += hex;
      std::snprintf(hex, sizeof hex, "%02x", result.ascq());
      line += hex;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  hdr->status = 0;
  hdr->masked_status = 0;
  hdr->msg_status = 0;
  hdr->sb_len_wr = 0;
  hdr->host_status = 0;
  hdr->driver_status = 0;
  hdr->resid = 0;
  hdr->duration = 0;
  hdr->info = SG_INFO_OK;
  if (!result.delivered) {
    hdr->host_status = result.timed_out ? 0x03 : 0x07;  // DID_TIME_OUT, DID_ERROR
    hdr->info = SG_INFO_CHECK;
    hdr->resid = static_cast<int>(hdr->dxfer_len);
    return 0;
  }
  hdr->status = result.status;
  hdr->masked_status = (result.status >> 1) & 0x7F;
  if (result.sense_length > 0 && hdr->sbp && hdr->mx_sb_len > 0) {
    hdr->sb_len_wr = std::min<unsigned>(hdr->mx_sb_len, result.sense_length);
    std::memcpy(hdr->sbp, result.sense.data(), hdr->sb_len_wr);
    hdr->driver_status = 0x08;  // DRIVER_SENSE
  }
  if (command.direction != ScsiDirection::None) {
    hdr->resid = static_cast<int>(hdr->dxfer_len - std::min(result.transferred, hdr->dxfer_len));
  }
  if (result.status != kScsiGood) hdr->info = SG_INFO_CHECK;
  return 0;
}

// A command of the plain reads. A program may hand its open drive to a
// program it starts (growisofs gives mkisofs "-M /dev/fd/3") and keep the
// recorder meanwhile: the started program then reads the disc as the
// recorder last saved it.
ScsiResult ReadCommand(OpenDrive& drive, const ScsiCommand& command) {
  if (drive.saved_disc) return drive.saved_disc->Execute(command);
  ScsiResult result = drive.target->Execute(command);
  if (result.delivered || result.host_error.find("in use by another program") == std::string::npos)
    return result;
  Preload* preload = Preload::Get();
  drive.saved_disc = preload ? preload->LookOnly(drive.device->letter) : nullptr;
  return drive.saved_disc ? drive.saved_disc->Execute(command) : result;
}

// The disc's size in 2048-byte blocks (READ CAPACITY); 0 without a disc.
std::uint64_t CapacityBlocks(OpenDrive& drive) {
  std::uint8_t answer[8] = {};
  ScsiCommand command;
  command.cdb[0] = 0x25;
  command.cdb_length = 10;
  command.direction = ScsiDirection::In;
  command.data = answer;
  command.data_length = sizeof answer;
  const ScsiResult result = ReadCommand(drive, command);
  if (!result.ok()) return 0;
  const std::uint32_t last = (std::uint32_t{answer[0]} << 24) | (answer[1] << 16) | (answer[2] << 8) | answer[3];
  return std::uint64_t{last} + 1;
}

// Reads bytes of the disc as the block device does: whole blocks by
// READ(10), the asked part copied out. Short at the end of the disc.
ssize_t ReadAt(OpenDrive& drive, void* buffer, std::size_t count, std::uint64_t offset) {
  const std::uint64_t size = CapacityBlocks(drive) * 2048;
  if (offset >= size || count == 0) return 0;
  count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset));
  constexpr std::uint32_t kChunk = 32;
  std::vector<std::uint8_t> blocks(kChunk * 2048);
  std::size_t done = 0;
  while (done < count) {
    const std::uint64_t at = offset + done;
    const auto first = static_cast<std::uint32_t>(at / 2048);
    const std::size_t skip = static_cast<std::size_t>(at % 2048);
    const std::uint32_t n =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunk, (skip + (count - done) + 2047) / 2048));
    ScsiCommand command;
    command.cdb[0] = 0x28;
    command.cdb[2] = static_cast<std::uint8_t>(first >> 24);
    command.cdb[3] = static_cast<std::uint8_t>(first >> 16);
    command.cdb[4] = static_cast<std::uint8_t>(first >> 8);
    command.cdb[5] = static_cast<std::uint8_t>(first);
    command.cdb[8] = static_cast<std::uint8_t>(n);
    command.cdb_length = 10;
    command.direction = ScsiDirection::In;
    command.data = blocks.data();
    command.data_length = n * 2048;
    if (!ReadCommand(drive, command).ok()) {
      if (done > 0) break;
      errno = EIO;
      return -1;
    }
    const std::size_t take = std::min<std::size_t>(n * 2048 - skip, count - done);
    std::memcpy(static_cast<std::uint8_t*>(buffer) + done, blocks.data() + skip, take);
    done += take;
  }
  return static_cast<ssize_t>(done);
}

// CDROMMULTISESSION: the start of the last session (READ TOC format 1).
int LastSession(OpenDrive& drive, cdrom_multisession* info) {
  std::uint8_t answer[12] = {};
  ScsiCommand command;
  command.cdb[0] = 0x43;
  command.cdb[2] = 0x01;
  command.cdb[8] = sizeof answer;
  command.cdb_length = 10;
  command.direction = ScsiDirection::In;
  command.data = answer;
  command.data_length = sizeof answer;
  if (!drive.target->Execute(command).ok()) {
    errno = EIO;
    return -1;
  }
  const std::uint32_t start = (std::uint32_t{answer[8]} << 24) | (answer[9] << 16) | (answer[10] << 8) | answer[11];
  if (info->addr_format == CDROM_MSF) {
    const std::uint32_t frames = start + 150;
    info->addr.msf.minute = static_cast<std::uint8_t>(frames / (60 * 75));
    info->addr.msf.second = static_cast<std::uint8_t>(frames / 75 % 60);
    info->addr.msf.frame = static_cast<std::uint8_t>(frames % 75);
  } else {
    info->addr_format = CDROM_LBA;
    info->addr.lba = static_cast<int>(start);
  }
  info->xa_flag = start != 0;
  return 0;
}

int DriveStatus(OpenDrive& drive) {
  const ScsiResult ready = Run(drive, 0x00);
  if (!ready.delivered) return CDS_DRIVE_NOT_READY;
  if (ready.ok()) return CDS_DISC_OK;
  if (ready.sense_key() == 0x02 && ready.asc() == 0x3A)
    return ready.ascq() == 0x02 ? CDS_TRAY_OPEN : CDS_NO_DISC;
  return CDS_DRIVE_NOT_READY;
}

int Ioctl(OpenDrive& drive, unsigned long request, void* arg) {
  switch (request) {
    case SG_IO:
      return SgIo(drive, static_cast<sg_io_hdr_t*>(arg));
    case SG_GET_VERSION_NUM:
      *static_cast<int*>(arg) = kSgVersion;
      return 0;
    case SG_GET_TIMEOUT:
      return 60 * 100;
    case SG_SET_TIMEOUT:
    case SG_EMULATED_HOST:
      if (request == SG_EMULATED_HOST) *static_cast<int*>(arg) = 0;
      return 0;
    case SG_GET_RESERVED_SIZE:
      *static_cast<int*>(arg) = 64 * 1024;
      return 0;
    case SG_SET_RESERVED_SIZE:
      return 0;
    case CDROMMULTISESSION:
      return LastSession(drive, static_cast<cdrom_multisession*>(arg));
    case BLKGETSIZE64:
      *static_cast<std::uint64_t*>(arg) = CapacityBlocks(drive) * 2048;
      return 0;
    case BLKGETSIZE:
      *static_cast<unsigned long*>(arg) = static_cast<unsigned long>(CapacityBlocks(drive) * 4);
      return 0;
    case BLKSSZGET:
      *static_cast<int*>(arg) = 2048;
      return 0;
    case SCSI_IOCTL_GET_IDLUN:
    case SCSI_IOCTL_GET_BUS_NUMBER: {
      Preload* preload = Preload::Get();
      const auto address = preload ? preload->Address(drive.device->letter) : std::nullopt;
      const ScsiAddress a = address.value_or(ScsiAddress{});
      if (request == SCSI_IOCTL_GET_BUS_NUMBER) {
        *static_cast<int*>(arg) = a.host;
      } else {
        auto* idlun = static_cast<std::uint32_t*>(arg);
        idlun[0] = a.target | (a.lun << 8) | (a.channel << 16) | (static_cast<std::uint32_t>(a.host) << 24);
        idlun[1] = a.host;
      }
      return 0;
    }
    case CDROM_GET_CAPABILITY:
      return CDC_CLOSE_TRAY | CDC_OPEN_TRAY | CDC_LOCK | CDC_SELECT_SPEED | CDC_MULTI_SESSION | CDC_MCN |
             CDC_MEDIA_CHANGED | CDC_DRIVE_STATUS | CDC_GENERIC_PACKET | CDC_CD_R | CDC_CD_RW | CDC_DVD |
             CDC_DVD_R | CDC_DVD_RAM | CDC_RAM;
    case CDROM_DRIVE_STATUS:
      return DriveStatus(drive);
    case CDROM_MEDIA_CHANGED:
      return 0;
    case CDROM_LOCKDOOR: {
      const ScsiResult result = Run(drive, 0x1E, arg ? 1 : 0);
      if (result.ok()) return 0;
      errno = EIO;
      return -1;
    }
    case CDROMEJECT:
    case CDROMCLOSETRAY: {
      const ScsiResult result = Run(drive, 0x1B, request == CDROMEJECT ? 0x02 : 0x03);
      if (result.ok()) return 0;
      errno = EIO;
      return -1;
    }
    default:
      if (Tracing()) {
        std::fprintf(stderr, "burner-preload: %s ioctl %#lx -> ENOTTY\n", drive.device->path.c_str(), request);
      }
      errno = ENOTTY;
      return -1;
  }
}

mode_t ModeArg(int flags, va_list args) {
  return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

// The descriptor that "/dev/fd/N" or "/proc/self/fd/N" names, when it is a
// drive's: growisofs hands its open drive to mkisofs as "-M /dev/fd/3".
int DriveDescriptorNamed(const char* path) {
  if (path == nullptr) return -1;
  for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    const std::size_t length = std::strlen(prefix);
    if (std::strncmp(path, prefix, length) != 0) continue;
    char* end = nullptr;
    const long fd = std::strtol(path + length, &end, 10);
    if (end == path + length || *end != '\0' || fd < 0 || fd > INT_MAX) return -1;
    return FindDrive(static_cast<int>(fd)) ? static_cast<int>(fd) : -1;
  }
  return -1;
}

// `copy` stands for the same drive as `drive_fd`: a dup of it, or the drive
// opened again by its /dev/fd name.
int Reopened(int drive_fd, int copy) {
  if (copy >= 0) {
    if (Preload* preload = Preload::Get()) preload->Share(drive_fd, copy);
  }
  return copy;
}

int OpenHook(const char* path, int flags, mode_t mode, bool large) {
  if (const Device* device = FindDevice(path)) return OpenDevice(*device, flags);
  const int drive_fd = DriveDescriptorNamed(path);
  const int fd = large ? Real().open64(path, flags, mode) : Real().open(path, flags, mode);
  return drive_fd >= 0 ? Reopened(drive_fd, fd) : fd;
}

}  // namespace

EXPORT int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  return OpenHook(path, flags, mode, false);
}

EXPORT int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  return OpenHook(path, flags, mode, true);
}

EXPORT int __open_2(const char* path, int flags) { return OpenHook(path, flags, 0, false); }
EXPORT int __open64_2(const char* path, int flags) { return OpenHook(path, flags, 0, true); }

EXPORT int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  if (const Device* device = FindDevice(path)) return OpenDevice(*device, flags);
  const int drive_fd = DriveDescriptorNamed(path);
  const int fd = Real().openat(dirfd, path, flags, mode);
  return drive_fd >= 0 ? Reopened(drive_fd, fd) : fd;
}

EXPORT int openat64(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  if (const Device* device = FindDevice(path)) return OpenDevice(*device, flags);
  const int drive_fd = DriveDescriptorNamed(path);
  const int fd = Real().openat(dirfd, path, flags, mode);
  return drive_fd >= 0 ? Reopened(drive_fd, fd) : fd;
}

EXPORT int close(int fd) {
  if (Preload* preload = Preload::Get()) preload->Forget(fd);
  return Real().close(fd);
}

EXPORT int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  if (const auto drive = FindDrive(fd)) return Ioctl(*drive, request, arg);
  return Real().ioctl(fd, request, arg);
}

EXPORT int stat(const char* path, struct stat* st) {
  if (const Device* device = FindDevice(path)) {
    FakeStat(*device, st);
    return 0;
  }
  return Real().stat(path, st);
}

EXPORT int stat64(const char* path, struct stat64* st) {
  return stat(path, reinterpret_cast<struct stat*>(st));
}

EXPORT int lstat(const char* path, struct stat* st) {
  if (const Device* device = FindDevice(path)) {
    FakeStat(*device, st);
    return 0;
  }
  return Real().lstat(path, st);
}

EXPORT int lstat64(const char* path, struct stat64* st) {
  return lstat(path, reinterpret_cast<struct stat*>(st));
}

EXPORT int fstat(int fd, struct stat* st) {
  if (const auto drive = FindDrive(fd)) {
    FakeStat(*drive->device, st);
    return 0;
  }
  return Real().fstat(fd, st);
}

EXPORT int fstat64(int fd, struct stat64* st) { return fstat(fd, reinterpret_cast<struct stat*>(st)); }

EXPORT int fstatat(int dirfd, const char* path, struct stat* st, int flags) {
  if (const Device* device = FindDevice(path)) {
    FakeStat(*device, st);
    return 0;
  }
  return Real().fstatat(dirfd, path, st, flags);
}

EXPORT int fstatat64(int dirfd, const char* path, struct stat64* st, int flags) {
  return fstatat(dirfd, path, reinterpret_cast<struct stat*>(st), flags);
}

// The stat entry points of programs built against older C libraries.
EXPORT int __xstat(int version, const char* path, struct stat* st) {
  if (const Device* device = FindDevice(path)) {
    FakeStat(*device, st);
    return 0;
  }
  return Real().xstat(version, path, st);
}

EXPORT int __xstat64(int version, const char* path, struct stat64* st) {
  return __xstat(version, path, reinterpret_cast<struct stat*>(st));
}

EXPORT int __lxstat(int version, const char* path, struct stat* st) {
  if (const Device* device = FindDevice(path)) {
    FakeStat(*device, st);
    return 0;
  }
  return Real().lxstat(version, path, st);
}

EXPORT int __lxstat64(int version, const char* path, struct stat64* st) {
  return __lxstat(version, path, reinterpret_cast<struct stat*>(st));
}

EXPORT int __fxstat(int version, int fd, struct stat* st) {
  if (const auto drive = FindDrive(fd)) {
    FakeStat(*drive->device, st);
    return 0;
  }
  return Real().fxstat(version, fd, st);
}

EXPORT int __fxstat64(int version, int fd, struct stat64* st) {
  return __fxstat(version, fd, reinterpret_cast<struct stat*>(st));
}

EXPORT int access(const char* path, int mode) {
  if (FindDevice(path)) return 0;
  return Real().access(path, mode);
}

// Copies of a drive descriptor stand for the same drive.
EXPORT int dup(int fd) { return Reopened(fd, Real().dup(fd)); }
EXPORT int dup2(int fd, int target) { return Reopened(fd, Real().dup2(fd, target)); }
EXPORT int dup3(int fd, int target, int flags) { return Reopened(fd, Real().dup3(fd, target, flags)); }

EXPORT int fcntl(int fd, int command, ...) {
  va_list args;
  va_start(args, command);
  void* arg = va_arg(args, void*);
  va_end(args);
  const int result = Real().fcntl(fd, command, arg);
  if (command == F_DUPFD || command == F_DUPFD_CLOEXEC) return Reopened(fd, result);
  return result;
}
EXPORT int fcntl64(int fd, int command, ...) {
  va_list args;
  va_start(args, command);
  void* arg = va_arg(args, void*);
  va_end(args);
  return fcntl(fd, command, arg);
}

// Plain reads of the drive read the disc, as the block device does.
EXPORT ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
  if (const auto drive = FindDrive(fd)) {
    if (offset < 0) {
      errno = EINVAL;
      return -1;
    }
    return ReadAt(*drive, buffer, count, static_cast<std::uint64_t>(offset));
  }
  return Real().pread64(fd, buffer, count, offset);
}

EXPORT ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
  if (FindDrive(fd)) return pread64(fd, buffer, count, offset);
  return Real().pread(fd, buffer, count, offset);
}

EXPORT ssize_t read(int fd, void* buffer, size_t count) {
  if (const auto drive = FindDrive(fd)) {
    std::lock_guard lock(drive->mutex);
    const ssize_t got = ReadAt(*drive, buffer, count, drive->position);
    if (got > 0) drive->position += static_cast<std::uint64_t>(got);
    return got;
  }
  return Real().read(fd, buffer, count);
}

EXPORT off64_t lseek64(int fd, off64_t offset, int whence) {
  if (const auto drive = FindDrive(fd)) {
    std::lock_guard lock(drive->mutex);
    const auto size = static_cast<off64_t>(CapacityBlocks(*drive) * 2048);
    const off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<off64_t>(drive->position)
                                                 : whence == SEEK_END ? size
                                                                      : -1;
    if (base < 0 || base + offset < 0) {
      errno = EINVAL;
      return -1;
    }
    drive->position = static_cast<std::uint64_t>(base + offset);
    return base + offset;
  }
  return Real().lseek64(fd, offset, whence);
}

EXPORT off_t lseek(int fd, off_t offset, int whence) {
  if (FindDrive(fd)) return lseek64(fd, offset, whence);
  return Real().lseek(fd, offset, whence);
}

// The drive paths exist only here: their real path is themselves.
EXPORT char* realpath(const char* path, char* resolved) {
  if (const Device* device = FindDevice(path)) {
    if (resolved == nullptr) return ::strdup(device->path.c_str());
    std::snprintf(resolved, PATH_MAX, "%s", device->path.c_str());
    return resolved;
  }
  return Real().realpath(path, resolved);
}

EXPORT char* __realpath_chk(const char* path, char* resolved, size_t) { return realpath(path, resolved); }

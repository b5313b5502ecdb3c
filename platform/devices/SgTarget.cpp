#include "platform/devices/SgTarget.h"

#include <fcntl.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/core/Exceptions.h"

namespace {

class SystemKernel final : public SgKernel {
 public:
  int Open(const std::string& path, int flags) override {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
  }
  int Close(int fd) override { return ::close(fd) == 0 ? 0 : -errno; }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    int rc;
    do {
      rc = ::ioctl(fd, request, arg);
    } while (rc < 0 && errno == EINTR);
    return rc >= 0 ? rc : -errno;
  }
};

// Linux host byte (sg_io_hdr.host_status) values that matter here.
constexpr std::uint16_t kDidOk = 0x00;
constexpr std::uint16_t kDidTimeOut = 0x03;
// Low nibble of sg_io_hdr.driver_status.
constexpr std::uint16_t kDriverOk = 0x00;
constexpr std::uint16_t kDriverTimeout = 0x06;
constexpr std::uint16_t kDriverSense = 0x08;

const char* HostStatusName(std::uint16_t status) {
  static const char* const kNames[] = {"DID_OK",
                                       "DID_NO_CONNECT",
                                       "DID_BUS_BUSY",
                                       "DID_TIME_OUT",
                                       "DID_BAD_TARGET",
                                       "DID_ABORT",
                                       "DID_PARITY",
                                       "DID_ERROR",
                                       "DID_RESET",
                                       "DID_BAD_INTR",
                                       "DID_PASSTHROUGH",
                                       "DID_SOFT_ERROR",
                                       "DID_IMM_RETRY",
                                       "DID_REQUEUE",
                                       "DID_TRANSPORT_DISRUPTED",
                                       "DID_TRANSPORT_FAILFAST",
                                       "DID_TARGET_FAILURE",
                                       "DID_NEXUS_FAILURE",
                                       "DID_ALLOC_FAILURE",
                                       "DID_MEDIUM_ERROR"};
  return status < std::size(kNames) ? kNames[status] : "unknown host status";
}

const char* DriverStatusName(std::uint16_t status) {
  static const char* const kNames[] = {"DRIVER_OK",      "DRIVER_BUSY",  "DRIVER_SOFT",
                                       "DRIVER_MEDIA",   "DRIVER_ERROR", "DRIVER_INVALID",
                                       "DRIVER_TIMEOUT", "DRIVER_HARD",  "DRIVER_SENSE"};
  return status < std::size(kNames) ? kNames[status] : "unknown driver status";
}

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02Xh", value & 0xFFu);
  return text;
}

ScsiResult HostFailure(std::string text, bool timed_out) {
  ScsiResult result;
  result.delivered = false;
  result.timed_out = timed_out;
  result.host_error = std::move(text);
  return result;
}

}  // namespace

SgKernel& SystemSgKernel() {
  static SystemKernel kernel;
  return kernel;
}

std::size_t SenseToFixedFormat(const std::uint8_t* in, std::size_t in_length, std::uint8_t* out,
                               std::size_t out_capacity) {
  constexpr std::size_t kFixedLength = 18;
  if (in == nullptr || in_length < 1 || out_capacity == 0) return 0;
  const std::uint8_t code = in[0] & 0x7F;
  std::memset(out, 0, out_capacity);

  if (code == 0x70 || code == 0x71) {
    // Already fixed: keep what the device said, as far as it said it.
    std::size_t length = in_length;
    if (in_length >= 8) length = std::min<std::size_t>(in_length, 8u + in[7]);
    length = std::min(length, out_capacity);
    std::memcpy(out, in, length);
    return length;
  }
  if ((code != 0x72 && code != 0x73) || in_length < 4 || out_capacity < kFixedLength) return 0;

  std::uint8_t fixed[kFixedLength] = {};
  fixed[0] = code == 0x72 ? 0x70 : 0x71;
  fixed[2] = in[1] & 0x0F;
  fixed[7] = kFixedLength - 8;
  fixed[12] = in[2];
  fixed[13] = in[3];

  const std::size_t end = in_length >= 8 ? std::min<std::size_t>(in_length, 8u + in[7]) : in_length;
  std::size_t at = 8;
  while (at + 2 <= end) {
    const std::uint8_t type = in[at];
    const std::size_t length = 2u + in[at + 1];
    if (at + length > end) break;  // a descriptor cut short is not trusted
    const std::uint8_t* d = in + at;
    switch (type) {
      case 0x00:  // information
        if (length >= 12) {
          const bool fits = d[4] == 0 && d[5] == 0 && d[6] == 0 && d[7] == 0;
          if (fits) {
            if (d[2] & 0x80) fixed[0] |= 0x80;
            std::memcpy(fixed + 3, d + 8, 4);
          }
        }
        break;
      case 0x01:  // command-specific information
        if (length >= 12) std::memcpy(fixed + 8, d + 8, 4);
        break;
      case 0x02:  // sense-key specific
        if (length >= 7) std::memcpy(fixed + 15, d + 4, 3);
        break;
      case 0x03:  // field replaceable unit
        if (length >= 4) fixed[14] = d[3];
        break;
      case 0x04:  // stream commands: filemark, EOM, ILI
        if (length >= 4) fixed[2] |= d[3] & 0xE0;
        break;
      case 0x05:  // block commands: ILI
        if (length >= 4) fixed[2] |= d[3] & 0x20;
        break;
      default:
        break;
    }
    at += length;
  }
  std::memcpy(out, fixed, kFixedLength);
  return kFixedLength;
}

std::unique_ptr<SgTarget> SgTarget::Open(SgKernel& kernel, const std::string& path, bool writable,
                                         int* error) {
  const int fd = kernel.Open(path, (writable ? O_RDWR : O_RDONLY) | O_NONBLOCK);
  if (fd < 0) {
    if (error) *error = -fd;
    return nullptr;
  }
  if (error) *error = 0;
  return std::make_unique<SgTarget>(kernel, fd, path);
}

SgTarget::SgTarget(SgKernel& kernel, int fd, std::string path)
    : kernel_(kernel), fd_(fd), path_(std::move(path)) {}

SgTarget::~SgTarget() {
  if (fd_ >= 0) kernel_.Close(fd_);
}

ScsiResult SgTarget::Execute(const ScsiCommand& command) {
  if (command.cdb_length < 6 || command.cdb_length > 16) {
    // The kernel refuses such CDBs with EINVAL; say why instead.
    return HostFailure("invalid CDB length " + std::to_string(command.cdb_length), false);
  }
  if (command.direction != ScsiDirection::None && command.data_length > 0 && command.data == nullptr) {
    return HostFailure("no data buffer for a data transfer", false);
  }

  std::uint8_t cdb[16];
  std::memcpy(cdb, command.cdb.data(), command.cdb_length);
  // Not SG_MAX_SENSE: that is 16, too short even for fixed-format sense.
  std::uint8_t sense[252] = {};

  sg_io_hdr_t hdr{};
  hdr.interface_id = 'S';
  switch (command.direction) {
    case ScsiDirection::None:
      hdr.dxfer_direction = SG_DXFER_NONE;
      break;
    case ScsiDirection::In:
      hdr.dxfer_direction = SG_DXFER_FROM_DEV;
      break;
    case ScsiDirection::Out:
      hdr.dxfer_direction = SG_DXFER_TO_DEV;
      break;
  }
  if (command.direction == ScsiDirection::None || command.data_length == 0) {
    hdr.dxfer_direction = SG_DXFER_NONE;
  } else {
    hdr.dxfer_len = command.data_length;
    hdr.dxferp = command.data;
  }
  hdr.cmd_len = command.cdb_length;
  hdr.cmdp = cdb;
  hdr.mx_sb_len = sizeof sense;
  hdr.sbp = sense;
  hdr.timeout = command.timeout_ms;

  int rc;
  {
    std::lock_guard lock(mutex_);
    rc = kernel_.Ioctl(fd_, SG_IO, &hdr);
  }
  if (rc < 0) {
    return HostFailure("SG_IO on " + path_ + " failed: " + SysErrorMessage(-rc), -rc == ETIMEDOUT);
  }

  const std::uint16_t driver = hdr.driver_status & 0x0F;
  if (hdr.host_status != kDidOk) {
    return HostFailure(
        path_ + ": host status " + Hex2(hdr.host_status) + " (" + HostStatusName(hdr.host_status) + ")",
        hdr.host_status == kDidTimeOut);
  }
  if (driver != kDriverOk && driver != kDriverSense) {
    return HostFailure(path_ + ": driver status " + Hex2(driver) + " (" + DriverStatusName(driver) + ")",
                       driver == kDriverTimeout);
  }

  ScsiResult result;
  result.status = hdr.status;
  if (hdr.sb_len_wr > 0) {
    result.sense_length = static_cast<std::uint8_t>(SenseToFixedFormat(
        sense, std::min<std::size_t>(hdr.sb_len_wr, sizeof sense), result.sense.data(), result.sense.size()));
  }
  if (hdr.dxfer_direction != SG_DXFER_NONE) {
    const int resid = std::clamp(hdr.resid, 0, static_cast<int>(hdr.dxfer_len));
    result.transferred = hdr.dxfer_len - static_cast<std::uint32_t>(resid);
  }
  return result;
}

std::optional<ScsiAddress> SgTarget::Address() const {
  // SCSI_IOCTL_GET_IDLUN: dev_id packs target, LUN, channel and host, a byte each.
  struct {
    std::uint32_t dev_id;
    std::uint32_t host_unique_id;
  } idlun{};
  if (kernel_.Ioctl(fd_, SCSI_IOCTL_GET_IDLUN, &idlun) < 0) return std::nullopt;
  ScsiAddress address;
  address.target = idlun.dev_id & 0xFF;
  address.lun = (idlun.dev_id >> 8) & 0xFF;
  address.channel = (idlun.dev_id >> 16) & 0xFF;
  address.host = (idlun.dev_id >> 24) & 0xFF;
  return address;
}

std::string SgTarget::Describe() const { return path_; }

#pragma once
// A real optical drive (/dev/srN) driven with the SG_IO ioctl.
//
// The kernel calls go through SgKernel so that tests can stand in for a
// drive: they see the exact sg_io_hdr the target builds and answer it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/devices/ScsiTarget.h"

// open/close/ioctl as the sg driver sees them. Each returns a value >= 0 on
// success and -errno on failure (no errno global to race on).
class SgKernel {
 public:
  virtual ~SgKernel() = default;
  virtual int Open(const std::string& path, int flags) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
};

// The running kernel.
SgKernel& SystemSgKernel();

// Converts sense data of either format to fixed format (70h/71h), the only
// one the layers above read. Descriptor sense (72h/73h) carries key, ASC and
// ASCQ in its header and the information, command-specific, sense-key
// specific and ILI/EOM/filemark fields in descriptors; each is moved to its
// fixed-format place. Returns the length written to `out` (0 when `in` holds
// no usable sense data).
std::size_t SenseToFixedFormat(const std::uint8_t* in, std::size_t in_length, std::uint8_t* out,
                               std::size_t out_capacity);

class SgTarget final : public ScsiTarget {
 public:
  // Opens `path` (O_NONBLOCK, so a drive without a medium opens, and the
  // door is not locked). On failure returns null and sets *error to errno.
  static std::unique_ptr<SgTarget> Open(SgKernel& kernel, const std::string& path, bool writable, int* error);
  SgTarget(SgKernel& kernel, int fd, std::string path);
  ~SgTarget() override;
  SgTarget(const SgTarget&) = delete;
  SgTarget& operator=(const SgTarget&) = delete;

  ScsiResult Execute(const ScsiCommand& command) override;
  // The kernel's host/channel/target/LUN (SCSI_IOCTL_GET_IDLUN); the host
  // number is the kernel's own, not yet renumbered.
  std::optional<ScsiAddress> Address() const override;
  std::string Describe() const override;

 private:
  SgKernel& kernel_;
  int fd_;
  std::string path_;
  std::mutex mutex_;
};

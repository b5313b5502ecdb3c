#pragma once
// One SCSI command and its outcome, as every drive in this program answers
// it: a real optical drive through SG_IO, or the virtual recorder. The host
// calls (pass-through request, ASPI manager) and the peer-check preload
// library are built on this boundary and nothing else.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

enum class ScsiDirection : std::uint8_t { None, In, Out };

// SCSI status bytes a target returns.
inline constexpr std::uint8_t kScsiGood = 0x00;
inline constexpr std::uint8_t kScsiCheckCondition = 0x02;
inline constexpr std::uint8_t kScsiBusy = 0x08;

struct ScsiCommand {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdb_length = 0;
  ScsiDirection direction = ScsiDirection::None;
  std::uint8_t* data = nullptr;  // In: filled by the target; Out: read by it
  std::uint32_t data_length = 0;
  std::uint32_t timeout_ms = 120000;

  std::uint8_t opcode() const { return cdb[0]; }
};

struct ScsiResult {
  // The command reached the target and the target answered with `status`.
  // When false, the transport or host failed (no device, time-out, host or
  // driver error) and `host_error` says how; status and sense mean nothing.
  bool delivered = true;
  std::string host_error;
  bool timed_out = false;

  std::uint8_t status = kScsiGood;
  // Sense data, always in fixed format (70h/71h); sense_length 0 when none.
  std::array<std::uint8_t, 32> sense{};
  std::uint8_t sense_length = 0;
  // Bytes moved in the data phase.
  std::uint32_t transferred = 0;

  bool ok() const { return delivered && status == kScsiGood; }
  std::uint8_t sense_key() const { return sense_length > 2 ? sense[2] & 0x0F : 0; }
  std::uint8_t asc() const { return sense_length > 12 ? sense[12] : 0; }
  std::uint8_t ascq() const { return sense_length > 13 ? sense[13] : 0; }
};

// Fixed-format sense data with the given key and additional sense code.
ScsiResult CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);

struct ScsiAddress {
  std::uint8_t host = 0;  // renumbered 0-9 by the drive map
  std::uint8_t channel = 0;
  std::uint8_t target = 0;
  std::uint8_t lun = 0;
};

// A device that executes SCSI commands. Execute is synchronous: it returns
// when the command has ended. Implementations serialise their own commands.
class ScsiTarget {
 public:
  virtual ~ScsiTarget() = default;
  virtual ScsiResult Execute(const ScsiCommand& command) = 0;
  // The device's SCSI address, when the host can tell it.
  virtual std::optional<ScsiAddress> Address() const = 0;
  // A short description for logs and `vdrive list`.
  virtual std::string Describe() const = 0;
};

#pragma once
// The virtual recorder's MMC command handlers, one per opcode, and the rules
// every CDB is checked against before a handler runs. Private to the
// recorder: VirtualRecorder.cpp dispatches to them.

#include <cstdint>
#include <vector>

#include "platform/devices/ScsiTarget.h"
#include "platform/devices/VirtualDisc.h"

namespace vrec {

// What a command needs before its handler may run.
struct CommandRule {
  std::uint8_t opcode;
  std::uint8_t cdb_length;  // 6, 10 or 12
  ScsiDirection direction;  // of a non-empty data phase
  bool needs_medium;        // answers NOT READY without a ready medium
  bool during_operation;    // may run while a format or blank is under way
  const char* name;
};

// The rule of an opcode, or null for one the drive does not know.
const CommandRule* FindRule(std::uint8_t opcode);

// Set by a handler when the disc's layout changed and the state file should
// be written at once.
struct CommandEffects {
  bool structural = false;
  bool wrote = false;
  bool new_medium = false;
};

// Runs a command whose CDB passed its rule. The caller has already answered
// NOT READY where the rule asks for a medium.
ScsiResult RunCommand(VirtualDisc& disc, const ScsiCommand& command, CommandEffects& effects);

// The sense a not-ready drive answers with, with progress during a format or blank.
ScsiResult NotReadyResult(VirtualDisc& disc);
// Fixed-format sense with the sense-key-specific progress field.
void PutProgress(ScsiResult& result, std::uint16_t progress);

// Big-endian helpers for answers and CDBs.
inline void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
inline void Put24(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 16);
  Put16(p + 1, v);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}
inline std::uint32_t Get16(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 8) | p[1]; }
inline std::uint32_t Get24(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 16) | Get16(p + 1); }
inline std::uint32_t Get32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Sends `answer` to the host, cut to the allocation length and the buffer.
ScsiResult DataIn(const ScsiCommand& command, const std::vector<std::uint8_t>& answer,
                  std::uint32_t allocation);
ScsiResult Sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
ScsiResult Sense(const SenseError& error);

// Absolute CD time (M, S, F) of a logical block address.
void PutMsf(std::uint8_t* p, std::int64_t lba);

// The information commands (VirtualInfoCommands.cpp).
ScsiResult Inquiry(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult GetConfiguration(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ReadDiscInformation(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ReadTrackInformation(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ReadToc(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ReadFormatCapacities(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ReadCapacity(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ModeSense10(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ModeSelect10(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ModeSense6(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ModeSelect6(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult GetPerformance(VirtualDisc& disc, const ScsiCommand& command);
ScsiResult ReadDvdStructure(VirtualDisc& disc, const ScsiCommand& command);

}  // namespace vrec

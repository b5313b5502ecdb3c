#pragma once
// The faults a virtual recorder has been told to play back, and the
// decision, command by command, of which one fires.

#include <optional>
#include <string>
#include <vector>

#include "platform/devices/ScsiTarget.h"
#include "platform/devices/VirtualRecorder.h"

class VirtualDisc;

class VirtualFaults {
 public:
  std::vector<VirtualFault> list;

  // Before the drive looks at a command: a medium removal coming due (done
  // on `disc` at once), then a time-out, BUSY or injected sense for it.
  // Returns the answer that replaces the command's own.
  std::optional<ScsiResult> BeforeCommand(const ScsiCommand& command, VirtualDisc& disc, bool& changed);
  // For commands that need a ready medium: NOT READY while polls remain.
  std::optional<ScsiResult> NotReady(bool& changed);
  // For WRITE(10) of `count` blocks at `lba`.
  std::optional<ScsiResult> WriteError(std::uint32_t lba, std::uint32_t count, bool& changed);

 private:
  // Counts down `after` and `count`; true when the fault fires now.
  bool Fire(std::size_t index, bool& changed);
};

// A fault as one state-file value ("sense opcode=2A key=3 asc=0C ascq=00 count=2")
// and back; Parse returns an error text on failure.
std::string FormatFault(const VirtualFault& fault);
std::optional<std::string> ParseFault(const std::string& text, VirtualFault& fault);

#pragma once
// The virtual recorder's state file: a versioned text file of "key = value"
// lines beside the disc image. Every value is checked when it is read; a
// file that is damaged, truncated or from a newer version is refused with a
// message that names the file and the line.
//
//   # burner virtual recorder state
//   version = 1
//   image = disc.img
//   medium = cd-r
//   tray = closed
//   capacity = 359849
//   closed_sessions = 1
//   finalized = 0
//   formatted = 0
//   written_extent = 0
//   timing = 100
//   operation = none                      (or: format|blank <start ms> <end ms>)
//   track = 1 1 0 0 1200 closed runout 2  (number session start reserved recorded open|closed,
//                                          then [audio|pregap BLOCKS] [runout BLOCKS])
//   fault = sense opcode=2A key=3 asc=0C ascq=00 count=1

#include <string>

#include "platform/devices/VirtualDisc.h"
#include "platform/devices/VirtualFaults.h"

inline constexpr int kVirtualStateVersion = 1;

// Reads the state into `disc` and `faults`; `image` receives the image path
// the file names (resolved against the file's folder). Raises EFOpenError
// when the file cannot be opened and EConvertError when it is invalid.
void LoadVirtualState(const std::string& path, VirtualDisc& disc, VirtualFaults& faults, std::string& image);
// Writes the state through a temporary file renamed over the old one.
// Raises EFCreateError / EWriteError.
void SaveVirtualState(const std::string& path, const VirtualDisc& disc, const VirtualFaults& faults);
// True when the file starts like a state file (for `vdrive list`).
bool LooksLikeVirtualState(const std::string& path);

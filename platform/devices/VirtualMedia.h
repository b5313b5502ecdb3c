#pragma once
// The media a virtual recorder can hold: one row per kind of disc with the
// figures a real drive reports for it (profile, capacity, speeds, whether it
// can be erased) and how it is written.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class VirtualMedium : std::uint8_t {
  None,
  CdRom,
  CdR,
  CdRw,
  DvdRom,
  DvdR,
  DvdRwSequential,
  DvdRwRestricted,
  DvdPlusR,
  DvdPlusRDl,
  DvdPlusRw,
  DvdRam,
};

// How the drive lets the host put data on the medium.
enum class RecordingKind : std::uint8_t {
  ReadOnly,    // pressed disc
  Sequential,  // tracks and sessions written at the next writable address
  Overwrite,   // random writes inside the formatted area
};

// Mode page 2Ah, GET PERFORMANCE and SET CD SPEED speak kB/s of 1000 bytes.
inline constexpr std::uint32_t kCdSpeed1x = 176;  // 176.4 kB/s, as drives round it
inline constexpr std::uint32_t kDvdSpeed1x = 1385;

struct MediumSpec {
  VirtualMedium medium;
  const char* key;           // name in state files and on the vdrive command line
  const char* display_name;  // "DVD+R DL"
  std::uint16_t profile;     // current profile reported by GET CONFIGURATION
  std::uint32_t capacity;    // user data blocks of 2048 bytes of a blank or formatted disc
  bool cd;                   // CD family (TOC, ATIP, MSF addresses, lead-in gaps)
  bool erasable;             // the erasable bit of READ DISC INFORMATION
  RecordingKind recording;
  bool needs_format;  // blank disc must be formatted before writing (DVD+RW)
  // Gap between the end of a closed session and the start of the next one:
  // lead-out, next lead-in and pre-gap (CD), or border/closure zones (DVD).
  std::uint32_t first_session_gap;
  std::uint32_t later_session_gap;
  std::uint32_t read_speed;                 // kB/s
  std::vector<std::uint32_t> write_speeds;  // kB/s, fastest first; empty for pressed media
};

// The table in a fixed order (None excluded).
const std::vector<MediumSpec>& AllMediumSpecs();
// The row of a medium; None has a row of its own with profile 0.
const MediumSpec& SpecOf(VirtualMedium medium);
// Looks a medium up by its key or display name, case-insensitively
// ("dvd+rw", "DVD+RW", "dvd-rw-ro", "none").
std::optional<VirtualMedium> ParseMedium(const std::string& name);
std::string MediumKey(VirtualMedium medium);

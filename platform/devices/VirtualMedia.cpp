#include "platform/devices/VirtualMedia.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(const std::string& text) {
  std::string out = text;
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// Write speeds in kB/s: CD at 176.4 kB/s per 1x, DVD at 1385 kB/s per 1x.
const std::vector<std::uint32_t> kCdRSpeeds = {8467, 7056, 5645, 4234, 2822, 1411, 706};
const std::vector<std::uint32_t> kCdRwSpeeds = {4234, 2822, 1764, 706};
const std::vector<std::uint32_t> kDvdRSpeeds = {22160, 11080, 5540};
const std::vector<std::uint32_t> kDvdRwSpeeds = {8310, 5540, 2770};
const std::vector<std::uint32_t> kDvdPlusRSpeeds = {22160, 11080, 5540};
const std::vector<std::uint32_t> kDvdPlusRDlSpeeds = {11080, 5540, 3324};
const std::vector<std::uint32_t> kDvdPlusRwSpeeds = {11080, 5540};
const std::vector<std::uint32_t> kDvdRamSpeeds = {6925, 4155, 2770};

// CD: an 80-minute disc's last possible lead-out starts at 79:59:74, which is
// block 359849. Multi-session CDs lose 1:30 of lead-out plus 1:00 of lead-in
// plus the 2-second pre-gap after the first session (11400 blocks), and 0:30
// of lead-out plus the same after later ones (6900 blocks). DVD-R closes a
// session with a border zone; DVD+R with a session closure; our drive uses
// fixed sizes for both.
std::vector<MediumSpec> BuildTable() {
  using R = RecordingKind;
  return {
      {VirtualMedium::CdRom, "cd-rom", "CD-ROM", 0x08, 0, true, false, R::ReadOnly, false, 0, 0, 8467, {}},
      {VirtualMedium::CdR, "cd-r", "CD-R", 0x09, 359849, true, false, R::Sequential, false, 11400, 6900, 8467,
       kCdRSpeeds},
      {VirtualMedium::CdRw, "cd-rw", "CD-RW", 0x0A, 359849, true, true, R::Sequential, false, 11400, 6900,
       8467, kCdRwSpeeds},
      {VirtualMedium::DvdRom,
       "dvd-rom",
       "DVD-ROM",
       0x10,
       0,
       false,
       false,
       R::ReadOnly,
       false,
       0,
       0,
       22160,
       {}},
      {VirtualMedium::DvdR, "dvd-r", "DVD-R", 0x11, 2298496, false, false, R::Sequential, false, 16384, 6144,
       22160, kDvdRSpeeds},
      {VirtualMedium::DvdRwSequential, "dvd-rw", "DVD-RW", 0x14, 2297888, false, true, R::Sequential, false,
       16384, 6144, 22160, kDvdRwSpeeds},
      {VirtualMedium::DvdRwRestricted, "dvd-rw-ro", "DVD-RW Restricted Overwrite", 0x13, 2297888, false, true,
       R::Overwrite, false, 0, 0, 22160, kDvdRwSpeeds},
      {VirtualMedium::DvdPlusR, "dvd+r", "DVD+R", 0x1B, 2295104, false, false, R::Sequential, false, 2048,
       2048, 22160, kDvdPlusRSpeeds},
      {VirtualMedium::DvdPlusRDl, "dvd+r-dl", "DVD+R DL", 0x2B, 4173824, false, false, R::Sequential, false,
       2048, 2048, 22160, kDvdPlusRDlSpeeds},
      {VirtualMedium::DvdPlusRw, "dvd+rw", "DVD+RW", 0x1A, 2295104, false, true, R::Overwrite, true, 0, 0,
       22160, kDvdPlusRwSpeeds},
      {VirtualMedium::DvdRam, "dvd-ram", "DVD-RAM", 0x12, 2236704, false, true, R::Overwrite, false, 0, 0,
       6925, kDvdRamSpeeds},
  };
}

const MediumSpec kNoMedium{VirtualMedium::None,     "none", "No medium", 0, 0, false, false,
                           RecordingKind::ReadOnly, false,  0,           0, 0, {}};

}  // namespace

const std::vector<MediumSpec>& AllMediumSpecs() {
  // Never destroyed: a recorder owned by another static object reads it
  // while it saves its state at exit.
  static const std::vector<MediumSpec>& table = *new std::vector<MediumSpec>(BuildTable());
  return table;
}

const MediumSpec& SpecOf(VirtualMedium medium) {
  for (const MediumSpec& medium_spec : AllMediumSpecs()) {
    if (medium_spec.medium == medium) return medium_spec;
  }
  return kNoMedium;
}

std::optional<VirtualMedium> ParseMedium(const std::string& name) {
  const std::string wanted = Lower(name);
  if (wanted == "none") return VirtualMedium::None;
  for (const MediumSpec& medium_spec : AllMediumSpecs()) {
    if (wanted == medium_spec.key || wanted == Lower(medium_spec.display_name)) return medium_spec.medium;
  }
  if (wanted == "dvd-rw-seq" || wanted == "dvd-rw sequential recording")
    return VirtualMedium::DvdRwSequential;
  if (wanted == "dvd+r dl") return VirtualMedium::DvdPlusRDl;
  return std::nullopt;
}

std::string MediumKey(VirtualMedium medium) { return SpecOf(medium).key; }

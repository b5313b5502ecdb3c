// vdrive: the medium of a virtual recorder, handled by hand. It lists the
// virtual drives, puts a blank disc in or takes it out, shows what a disc
// holds, and moves ISO images onto and off discs.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/SgTarget.h"
#include "platform/devices/VirtualRecorder.h"
#include "platform/devices/VirtualStateFile.h"

namespace {

constexpr int kUsageError = 2;

const char* const kUsage =
    "usage: vdrive COMMAND ...\n"
    "\n"
    "  list [FILE...]                 virtual drives of drive-map files or state files\n"
    "                                 (default: the drives the program uses, the\n"
    "                                 stand-in recorder included)\n"
    "  media                          the media a virtual recorder can hold\n"
    "  insert DRIVE MEDIUM            put a blank MEDIUM in (creates the drive's files)\n"
    "  eject DRIVE                    take the medium out\n"
    "  show DRIVE                     sessions, tracks and free space of the disc\n"
    "  export DRIVE FILE.iso          write the disc's recorded data to an image file\n"
    "  import DRIVE FILE.iso MEDIUM [--appendable]\n"
    "                                 put an image on a new disc: pressed for cd-rom and\n"
    "                                 dvd-rom, else recorded as one closed session\n"
    "\n"
    "DRIVE is a disc image file (its state is IMAGE.state), a state file, or a\n"
    "drive letter (E:) of a virtual drive the program uses (vdrive list).\n";

struct UsageError {
  std::string message;
};

std::string Mib(std::uint64_t blocks) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(blocks) * 2048 / (1024.0 * 1024.0));
  return text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFOpenError("Cannot open \"" + path + "\"");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The drives the program itself would see: the drive-map file's virtual
// recorders and the machine's drives, or the stand-in recorder when there
// is neither a writer nor a map.
DriveMap ProgramDrives() {
  return DriveMap(DefaultDriveMapOptions(), SystemSgKernel(), DefaultVirtualRecorderFactory());
}

// A drive named on the command line, as the files of a recorder.
VirtualRecorderConfig ConfigFor(const std::string& drive, VirtualMedium initial = VirtualMedium::None) {
  VirtualRecorderConfig config;
  config.initial_medium = initial;
  const bool letter = (drive.size() == 1 || (drive.size() == 2 && drive[1] == ':')) && std::isalpha(drive[0]);
  if (letter) {
    const char wanted = static_cast<char>(std::toupper(drive[0]));
    const DriveMap map = ProgramDrives();
    for (const DriveMapEntry& entry : map.Entries()) {
      if (entry.letter != wanted || entry.kind != DriveKind::Virtual) continue;
      config.image_path = entry.image;
      config.state_path = entry.state;
      // The stand-in recorder lives in the program's data folder, which the
      // program makes at its first burn; vdrive may come first.
      if (entry.fallback) std::filesystem::create_directories(std::filesystem::path(entry.image).parent_path());
      if (initial == VirtualMedium::None) {
        if (auto medium = ParseMedium(entry.medium)) config.initial_medium = *medium;
      }
      return config;
    }
    throw Exception("The program has no virtual drive " + std::string(1, wanted) + ": (vdrive list shows its drives)");
  }
  if (std::filesystem::exists(drive) && LooksLikeVirtualState(drive)) {
    config.state_path = drive;
  } else {
    config.image_path = drive;
  }
  return config;
}

std::unique_ptr<VirtualRecorder> OpenDrive(const std::string& drive,
                                           VirtualMedium initial = VirtualMedium::None) {
  return VirtualRecorder::Open(ConfigFor(drive, initial));
}

// A drive only looked at: it may be in use by the program meanwhile.
std::unique_ptr<VirtualRecorder> LookAtDrive(const std::string& drive) {
  VirtualRecorderConfig config = ConfigFor(drive);
  config.look_only = true;
  return VirtualRecorder::Open(config);
}

VirtualMedium MediumArgument(const std::string& name) {
  auto medium = ParseMedium(name);
  if (!medium || *medium == VirtualMedium::None) {
    throw UsageError{"unknown medium \"" + name + "\" (see vdrive media)"};
  }
  return *medium;
}

std::string OneLine(const VirtualRecorder& recorder) {
  const VirtualDiscSummary summary = recorder.Summary();
  std::string text;
  if (summary.medium == VirtualMedium::None) {
    text = "no medium";
  } else {
    text = std::string(SpecOf(summary.medium).display_name) + ", " + summary.status;
    if (summary.tray_open) text += ", tray open";
  }
  return text;
}

// One virtual recorder's line: its medium and status, without making its
// files when it was never used.
void ListRecorder(const DriveMapEntry& entry, int& status) {
  std::cout << entry.letter << ":  ";
  try {
    VirtualRecorderConfig config;
    config.image_path = entry.image;
    config.state_path = entry.state;
    const std::string state = entry.state.empty() ? entry.image + ".state" : entry.state;
    const char* stand_in = entry.fallback ? "  (stand-in recorder: the machine has no writer)" : "";
    if (!std::filesystem::exists(state)) {
      std::cout << "not created yet (" << entry.medium << ")  " << entry.image << stand_in << "\n";
      return;
    }
    config.look_only = true;
    auto recorder = VirtualRecorder::Open(config);
    std::cout << OneLine(*recorder) << "  " << entry.image << stand_in << "\n";
  } catch (const Exception& error) {
    std::cout << "unusable  " << entry.image << "\n";
    std::cerr << "vdrive: " << error.Message() << "\n";
    status = 1;
  }
}

void ListStateFile(const std::string& path) {
  VirtualRecorderConfig config;
  config.state_path = path;
  config.look_only = true;
  auto recorder = VirtualRecorder::Open(config);
  std::cout << path << "  " << OneLine(*recorder) << "  " << recorder->ImagePath() << "\n";
}

int List(const std::vector<std::string>& files) {
  int status = 0;
  if (files.empty()) {
    const DriveMap map = ProgramDrives();
    for (const std::string& problem : map.Problems()) std::cerr << "vdrive: " << problem << "\n";
    if (map.Entries().empty()) std::cout << "no drives\n";
    for (const DriveMapEntry& entry : map.Entries()) {
      if (entry.kind == DriveKind::Virtual) {
        ListRecorder(entry, status);
      } else {
        std::cout << entry.letter << ":  " << (entry.writer ? "writer" : "reader") << "  " << entry.device << "\n";
      }
    }
    return status;
  }
  for (const std::string& file : files) {
    try {
      if (LooksLikeVirtualState(file)) {
        ListStateFile(file);
        continue;
      }
      const DriveMapFile map =
          ParseDriveMapFile(ReadFile(file), std::filesystem::path(file).parent_path().string(), file);
      for (const std::string& problem : map.problems) std::cerr << "vdrive: " << problem << "\n";
      if (map.recorders.empty()) std::cout << file << ": no virtual drives\n";
      for (const DriveMapEntry& entry : map.recorders) ListRecorder(entry, status);
    } catch (const Exception& error) {
      std::cerr << "vdrive: " << error.Message() << "\n";
      status = 1;
    }
  }
  return status;
}

int Show(const std::string& drive) {
  auto recorder = LookAtDrive(drive);
  const VirtualDiscSummary s = recorder->Summary();
  std::cout << "Image:      " << recorder->ImagePath() << "\n";
  std::cout << "State:      " << recorder->StatePath() << "\n";
  std::cout << "Tray:       " << (s.tray_open ? "open" : "closed") << "\n";
  if (s.medium == VirtualMedium::None) {
    std::cout << "Medium:     none\n";
    return 0;
  }
  const MediumSpec& medium_spec = SpecOf(s.medium);
  char profile[16];
  std::snprintf(profile, sizeof profile, "%04Xh", medium_spec.profile);
  std::cout << "Medium:     " << medium_spec.display_name << " (profile " << profile << ")\n";
  std::cout << "Status:     " << s.status << "\n";
  std::cout << "Capacity:   " << s.capacity << " blocks (" << Mib(s.capacity) << ")\n";
  std::cout << "Used:       " << s.used << " blocks (" << Mib(s.used) << ")\n";
  std::cout << "Free:       " << s.free_blocks << " blocks (" << Mib(s.free_blocks) << ")\n";
  if (medium_spec.recording == RecordingKind::Sequential && s.status != "complete") {
    std::cout << "Next write: " << s.next_writable << "\n";
  }
  std::cout << "Sessions:   " << s.sessions << "\n";
  if (!s.tracks.empty()) {
    std::cout << "Track  Session       Start        Size  State\n";
    for (const VirtualTrackSummary& t : s.tracks) {
      char line[96];
      std::snprintf(line, sizeof line, "%5u  %7u  %10u  %10u  %s%s\n", t.number, t.session, t.start, t.size,
                    t.state.c_str(), t.audio ? ", audio" : "");
      std::cout << line;
    }
  }
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError{"no command"};
  const std::string& command = args[0];
  auto need = [&](std::size_t least, std::size_t most) {
    if (args.size() - 1 < least || args.size() - 1 > most) throw UsageError{"wrong arguments for " + command};
  };
  if (command == "list") return List({args.begin() + 1, args.end()});
  if (command == "media") {
    need(0, 0);
    for (const MediumSpec& medium_spec : AllMediumSpecs()) {
      char line[96];
      std::snprintf(line, sizeof line, "%-10s %-28s profile %04Xh  %8u blocks%s\n", medium_spec.key,
                    medium_spec.display_name, medium_spec.profile, medium_spec.capacity, medium_spec.erasable ? "  erasable" : "");
      std::cout << line;
    }
    return 0;
  }
  if (command == "insert") {
    need(2, 2);
    const VirtualMedium medium = MediumArgument(args[2]);
    auto recorder = OpenDrive(args[1], medium);
    recorder->InsertBlank(medium);
    std::cout << "Inserted a blank " << SpecOf(medium).display_name << " into " << recorder->ImagePath()
              << "\n";
    return 0;
  }
  if (command == "eject") {
    need(1, 1);
    auto recorder = OpenDrive(args[1]);
    recorder->RemoveMedium();
    std::cout << "Ejected the medium of " << recorder->ImagePath() << "\n";
    return 0;
  }
  if (command == "show") {
    need(1, 1);
    return Show(args[1]);
  }
  if (command == "export") {
    need(2, 2);
    auto recorder = LookAtDrive(args[1]);
    recorder->ExportIso(args[2]);
    std::cout << "Exported " << recorder->Summary().used << " blocks to " << args[2] << "\n";
    return 0;
  }
  if (command == "import") {
    need(3, 4);
    const VirtualMedium medium = MediumArgument(args[3]);
    bool appendable = false;
    if (args.size() == 5) {
      if (args[4] != "--appendable") throw UsageError{"unknown option " + args[4]};
      appendable = true;
    }
    auto recorder = OpenDrive(args[1], medium);
    recorder->ImportIso(args[2], medium, !appendable);
    std::cout << "Imported " << args[2] << " as a " << SpecOf(medium).display_name << " ("
              << recorder->Summary().status << ")\n";
    return 0;
  }
  throw UsageError{"unknown command \"" + command + "\""};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "-h" || args[0] == "--help" || args[0] == "help")) {
    std::cout << kUsage;
    return 0;
  }
  try {
    return Run(args);
  } catch (const UsageError& error) {
    std::cerr << "vdrive: " << error.message << "\n\n" << kUsage;
    return kUsageError;
  } catch (const Exception& error) {
    std::cerr << "vdrive: " << error.Message() << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "vdrive: " << error.what() << "\n";
    return 1;
  }
}

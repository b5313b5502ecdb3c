#include "platform/devices/VirtualStateFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/core/Exceptions.h"

namespace {

class StateReader {
 public:
  explicit StateReader(std::string path) : path_(std::move(path)) {}

  [[noreturn]] void Fail(const std::string& message) const {
    throw EConvertError("Invalid virtual recorder state \"" + path_ + "\"" +
                        (line_ > 0 ? ", line " + std::to_string(line_) : std::string()) + ": " + message);
  }

  std::uint64_t Number(const std::string& text, const char* what, std::uint64_t max) const {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
      Fail(std::string(what) + " \"" + text + "\" is not a number");
    if (value > max) Fail(std::string(what) + " " + text + " is out of range");
    return value;
  }

  bool Flag(const std::string& text, const char* what) const {
    if (text == "0") return false;
    if (text == "1") return true;
    Fail(std::string(what) + " must be 0 or 1, not \"" + text + "\"");
  }

  void SetLine(int line) { line_ = line; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int line_ = 0;
};

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

constexpr std::uint64_t kMaxBlocks = 0x7FFFFFFF;

void ValidateLayout(StateReader& reader, const VirtualDisc& disc) {
  reader.SetLine(0);
  const MediumSpec& medium_spec = disc.Spec();
  if (disc.medium != VirtualMedium::None && medium_spec.recording != RecordingKind::ReadOnly &&
      disc.capacity != medium_spec.capacity) {
    reader.Fail("capacity " + std::to_string(disc.capacity) + " does not match a " + medium_spec.display_name +
                " disc (" + std::to_string(medium_spec.capacity) + ")");
  }
  if (disc.medium == VirtualMedium::None && (disc.capacity != 0 || !disc.tracks.empty())) {
    reader.Fail("a drive without a medium holds no capacity or tracks");
  }
  if (medium_spec.recording != RecordingKind::Sequential && (!disc.tracks.empty() || disc.closed_sessions != 0)) {
    reader.Fail(std::string("tracks and sessions belong to write-once and sequential media, not ") +
                medium_spec.display_name);
  }
  if (disc.written_extent > disc.capacity) reader.Fail("written_extent lies beyond the capacity");
  std::uint32_t expected = 1;
  std::uint32_t previous_end = 0;
  std::uint32_t previous_session = 1;
  int open_tracks = 0;
  for (const VirtualTrack& track : disc.tracks) {
    const std::string name = "track " + std::to_string(track.number);
    if (track.number != expected++) reader.Fail("tracks must be numbered 1, 2, 3... in order");
    if (track.session < previous_session || track.session > disc.closed_sessions + 1) {
      reader.Fail(name + " has session " + std::to_string(track.session) + " out of order");
    }
    if (track.pregap > track.start || track.Begin() < previous_end)
      reader.Fail(name + " overlaps the track before it");
    if (track.audio && !medium_spec.cd) reader.Fail(name + " is an audio track on a medium that is not a CD");
    if (track.reserved != 0 && track.recorded > track.reserved)
      reader.Fail(name + " holds more than it reserved");
    if (std::uint64_t{track.start} + std::max(track.reserved, track.recorded + track.runout) >
        disc.capacity) {
      reader.Fail(name + " ends beyond the capacity");
    }
    if (!track.closed && track.session <= disc.closed_sessions)
      reader.Fail(name + " is open in a closed session");
    if (!track.closed && track.reserved == 0 && ++open_tracks > 1)
      reader.Fail("more than one incomplete track");
    if (track.closed && track.Size() == 0) reader.Fail(name + " is closed but empty");
    if (!track.closed && track.reserved == 0 && track.recorded == 0) reader.Fail(name + " is open but empty");
    if (track.runout != 0 && (!track.closed || track.reserved != 0 || track.audio || !medium_spec.cd))
      reader.Fail(name + " has run-out blocks, which only closed CD data tracks written track at once have");
    previous_end = std::max(track.start + track.reserved, track.start + track.recorded + track.runout);
    previous_session = track.session;
  }
  if (disc.closed_sessions > 0 &&
      std::none_of(disc.tracks.begin(), disc.tracks.end(),
                   [&](const VirtualTrack& t) { return t.session == disc.closed_sessions; })) {
    reader.Fail("closed_sessions counts a session without tracks");
  }
  if (disc.finalized && disc.closed_sessions == 0) reader.Fail("a finalized disc needs a closed session");
  if (disc.finalized && !disc.tracks.empty() && disc.tracks.back().session > disc.closed_sessions) {
    reader.Fail("a finalized disc has no open session");
  }
}

}  // namespace

bool LooksLikeVirtualState(const std::string& path) {
  // Only the head of the file is looked at: the question is also asked of
  // disc images many gigabytes long.
  std::ifstream in(path, std::ios::binary);
  std::string head(4096, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  std::istringstream lines(head);
  std::string line;
  while (std::getline(lines, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    return line.rfind("version", 0) == 0;
  }
  return false;
}

void LoadVirtualState(const std::string& path, VirtualDisc& disc, VirtualFaults& faults, std::string& image) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int error = errno;
    throw EFOpenError("Cannot open the virtual recorder state \"" + path + "\": " + SysErrorMessage(error));
  }
  StateReader reader(path);
  std::map<std::string, int> seen;
  std::string line;
  int number = 0;
  bool have_version = false;
  bool have_medium = false;
  std::uint64_t total = 0;
  disc.tracks.clear();
  faults.list.clear();
  while (std::getline(in, line)) {
    ++number;
    total += line.size() + 1;
    reader.SetLine(number);
    if (total > 4 * 1024 * 1024) reader.Fail("the file is too large to be a state file");
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) reader.Fail("expected \"key = value\"");
    const std::string key = Trim(line.substr(0, eq));
    const std::string value = Trim(line.substr(eq + 1));
    if (!have_version && key != "version") reader.Fail("the file must start with its version");
    const bool repeatable = key == "track" || key == "fault";
    if (!repeatable && seen[key]++ > 0) reader.Fail("\"" + key + "\" appears twice");

    if (key == "version") {
      const std::uint64_t version = reader.Number(value, "version", 1000000);
      if (version != kVirtualStateVersion) {
        reader.Fail("version " + value + " is not supported (this program reads version " +
                    std::to_string(kVirtualStateVersion) + ")");
      }
      have_version = true;
    } else if (key == "image") {
      if (value.empty()) reader.Fail("image is empty");
      std::filesystem::path image_path(value);
      if (image_path.is_relative()) image_path = std::filesystem::path(path).parent_path() / image_path;
      image = image_path.lexically_normal().string();
    } else if (key == "medium") {
      auto medium = ParseMedium(value);
      if (!medium) reader.Fail("unknown medium \"" + value + "\"");
      disc.medium = *medium;
      have_medium = true;
    } else if (key == "tray") {
      if (value != "open" && value != "closed") reader.Fail("tray must be open or closed");
      disc.tray_open = value == "open";
    } else if (key == "capacity") {
      disc.capacity = static_cast<std::uint32_t>(reader.Number(value, "capacity", kMaxBlocks));
    } else if (key == "closed_sessions") {
      disc.closed_sessions = static_cast<std::uint32_t>(reader.Number(value, "closed_sessions", 99));
    } else if (key == "finalized") {
      disc.finalized = reader.Flag(value, "finalized");
    } else if (key == "formatted") {
      disc.formatted = reader.Flag(value, "formatted");
    } else if (key == "written_extent") {
      disc.written_extent = static_cast<std::uint32_t>(reader.Number(value, "written_extent", kMaxBlocks));
    } else if (key == "timing") {
      disc.timing_percent = static_cast<std::uint32_t>(reader.Number(value, "timing", 10000));
    } else if (key == "operation") {
      std::istringstream words(value);
      std::string kind, start, end, extra;
      words >> kind >> start >> end >> extra;
      if (kind == "none" && start.empty()) {
        disc.operation = VirtualOperation::None;
      } else if ((kind == "format" || kind == "blank") && !end.empty() && extra.empty()) {
        disc.operation = kind == "format" ? VirtualOperation::Format : VirtualOperation::Blank;
        disc.operation_start_ms =
            static_cast<std::int64_t>(reader.Number(start, "operation start", INT64_MAX));
        disc.operation_end_ms = static_cast<std::int64_t>(reader.Number(end, "operation end", INT64_MAX));
        if (disc.operation_end_ms < disc.operation_start_ms)
          reader.Fail("the operation ends before it starts");
      } else {
        reader.Fail("operation must be \"none\" or \"format|blank <start> <end>\"");
      }
    } else if (key == "vendor" || key == "product" || key == "revision") {
      const std::size_t width = key == "vendor" ? 8 : key == "product" ? 16 : 4;
      if (value.size() > width) reader.Fail(key + " is longer than " + std::to_string(width) + " characters");
      for (char c : value) {
        if (c < 0x20 || c > 0x7E) reader.Fail(key + " holds a character that is not printable ASCII");
      }
      std::string padded = value + std::string(width - value.size(), ' ');
      (key == "vendor" ? disc.vendor : key == "product" ? disc.product : disc.revision) = padded;
    } else if (key == "track") {
      if (disc.tracks.size() >= 99) reader.Fail("more than 99 tracks");
      std::istringstream words(value);
      std::string fields[11];
      int count = 0;
      while (count < 11 && words >> fields[count]) ++count;
      const char* const kTrackFormat =
          "track needs: number session start reserved recorded open|closed "
          "[audio|pregap BLOCKS] [runout BLOCKS]";
      if (count < 6 || count % 2 != 0) reader.Fail(kTrackFormat);
      VirtualTrack track;
      track.number = static_cast<std::uint32_t>(reader.Number(fields[0], "track number", 99));
      track.session = static_cast<std::uint32_t>(reader.Number(fields[1], "track session", 99));
      track.start = static_cast<std::uint32_t>(reader.Number(fields[2], "track start", kMaxBlocks));
      track.reserved =
          static_cast<std::uint32_t>(reader.Number(fields[3], "track reserved size", kMaxBlocks));
      track.recorded =
          static_cast<std::uint32_t>(reader.Number(fields[4], "track recorded size", kMaxBlocks));
      if (fields[5] != "open" && fields[5] != "closed") reader.Fail("track state must be open or closed");
      track.closed = fields[5] == "closed";
      // Then what only some tracks have, each a word and a number: an audio
      // track its kind and pre-gap ("audio 150"), a data track its pre-gap
      // ("pregap 150") and its run-out ("runout 2").
      for (int at = 6; at < count; at += 2) {
        const std::string& what = fields[at];
        const bool gap = what == "audio" || what == "pregap";
        if (gap && at == 6) {
          track.audio = what == "audio";
          track.pregap =
              static_cast<std::uint32_t>(reader.Number(fields[at + 1], "track pre-gap", kAudioPregap));
        } else if (what == "runout" && at == count - 2) {
          track.runout =
              static_cast<std::uint32_t>(reader.Number(fields[at + 1], "track run-out", kRunOutBlocks));
        } else {
          reader.Fail(kTrackFormat);
        }
      }
      if (track.number == 0 || track.session == 0) reader.Fail("track and session numbers start at 1");
      disc.tracks.push_back(track);
    } else if (key == "fault") {
      if (faults.list.size() >= 1000) reader.Fail("more than 1000 faults");
      VirtualFault fault;
      if (auto error = ParseFault(value, fault)) reader.Fail(*error);
      faults.list.push_back(fault);
    } else {
      reader.Fail("unknown key \"" + key + "\"");
    }
  }
  reader.SetLine(0);
  if (!have_version) reader.Fail("the file is empty or has no version line");
  if (!have_medium) reader.Fail("the file names no medium (truncated?)");
  if (disc.medium != VirtualMedium::None && seen.count("capacity") == 0) {
    reader.Fail("the file gives no capacity (truncated?)");
  }
  ValidateLayout(reader, disc);
}

void SaveVirtualState(const std::string& path, const VirtualDisc& disc, const VirtualFaults& faults) {
  std::ostringstream out;
  out << "# burner virtual recorder state\n";
  out << "version = " << kVirtualStateVersion << "\n";
  // The image is named relative to the state file when they share a folder,
  // so the pair can be moved together; otherwise by its absolute path.
  std::error_code ignored;
  std::filesystem::path image = std::filesystem::absolute(disc.ImagePath(), ignored).lexically_normal();
  const std::filesystem::path folder =
      std::filesystem::absolute(path, ignored).lexically_normal().parent_path();
  if (image.parent_path() == folder) image = image.filename();
  out << "image = " << image.string() << "\n";
  out << "medium = " << MediumKey(disc.medium) << "\n";
  out << "tray = " << (disc.tray_open ? "open" : "closed") << "\n";
  out << "capacity = " << disc.capacity << "\n";
  out << "closed_sessions = " << disc.closed_sessions << "\n";
  out << "finalized = " << (disc.finalized ? 1 : 0) << "\n";
  out << "formatted = " << (disc.formatted ? 1 : 0) << "\n";
  out << "written_extent = " << disc.written_extent << "\n";
  out << "timing = " << disc.timing_percent << "\n";
  auto trimmed = [](const std::string& text) { return text.substr(0, text.find_last_not_of(' ') + 1); };
  out << "vendor = " << trimmed(disc.vendor) << "\n";
  out << "product = " << trimmed(disc.product) << "\n";
  out << "revision = " << trimmed(disc.revision) << "\n";
  if (disc.operation == VirtualOperation::None) {
    out << "operation = none\n";
  } else {
    out << "operation = " << (disc.operation == VirtualOperation::Format ? "format " : "blank ")
        << disc.operation_start_ms << " " << disc.operation_end_ms << "\n";
  }
  for (const VirtualTrack& track : disc.tracks) {
    out << "track = " << track.number << " " << track.session << " " << track.start << " " << track.reserved
        << " " << track.recorded << " " << (track.closed ? "closed" : "open");
    if (track.audio) {
      out << " audio " << track.pregap;
    } else if (track.pregap != 0) {
      out << " pregap " << track.pregap;
    }
    if (track.runout != 0) out << " runout " << track.runout;
    out << "\n";
  }
  for (const VirtualFault& fault : faults.list) out << "fault = " << FormatFault(fault) << "\n";

  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) {
      const int error = errno;
      throw EFCreateError("Cannot create \"" + temporary + "\": " + SysErrorMessage(error));
    }
    file << out.str();
    file.flush();
    if (!file) {
      std::remove(temporary.c_str());
      throw EWriteError("Cannot write the virtual recorder state \"" + temporary + "\"");
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    throw EWriteError("Cannot replace \"" + path + "\": " + SysErrorMessage(error));
  }
}

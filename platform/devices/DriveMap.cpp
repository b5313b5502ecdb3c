#include "platform/devices/DriveMap.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/core/Exceptions.h"
#include "platform/devices/SgTarget.h"
#include "platform/devices/VirtualMedia.h"

namespace fs = std::filesystem;

namespace {

constexpr char kFirstLetter = 'D';
constexpr char kLastLetter = 'Z';
constexpr std::uintmax_t kMaxMapFileSize = 1 << 20;
constexpr const char* kFallbackMedium = "DVD+RW";
constexpr const char* kFallbackName = "VirtualRecorder";

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Resolve(const std::string& base_dir, const std::string& path) {
  if (path.empty() || path[0] == '/' || base_dir.empty()) return path;
  return (fs::path(base_dir) / path).lexically_normal().string();
}

// "srN" -> N, else -1.
int KernelIndex(const std::string& name) {
  if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return -1;
  int value = 0;
  for (std::size_t i = 2; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i])) || value > 100000) return -1;
    value = value * 10 + (name[i] - '0');
  }
  return value;
}

// "H:C:T:L" as the kernel names a SCSI device.
std::optional<ScsiAddress> ParseHctl(const std::string& text) {
  unsigned values[4];
  std::size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    std::size_t end = at;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end == at || end - at > 6) return std::nullopt;
    values[i] = static_cast<unsigned>(std::stoul(text.substr(at, end - at)));
    if (i < 3) {
      if (end >= text.size() || text[end] != ':') return std::nullopt;
      at = end + 1;
    } else if (end != text.size()) {
      return std::nullopt;
    }
  }
  if (values[0] > 255 || values[1] > 255 || values[2] > 255 || values[3] > 255) return std::nullopt;
  ScsiAddress address;
  address.host = static_cast<std::uint8_t>(values[0]);
  address.channel = static_cast<std::uint8_t>(values[1]);
  address.target = static_cast<std::uint8_t>(values[2]);
  address.lun = static_cast<std::uint8_t>(values[3]);
  return address;
}

std::string ReadSmallFile(const std::string& path, std::string* error) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) {
    *error = ec.message();
    return {};
  }
  if (size > kMaxMapFileSize) {
    *error = "the file is larger than 1 MB";
    return {};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = SysErrorMessage(errno);
    return {};
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The kernel's table of CD-ROM capabilities: one column per drive, drives
// named in the "drive name:" row.
std::set<std::string> WritersFromCdromInfo(const std::string& text) {
  std::vector<std::string> names;
  std::vector<bool> writes;
  std::istringstream lines(text);
  std::string line;
  auto columns = [](const std::string& rest) {
    std::vector<std::string> out;
    std::istringstream words(rest);
    std::string word;
    while (words >> word) out.push_back(word);
    return out;
  };
  while (std::getline(lines, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, colon));
    const auto values = columns(line.substr(colon + 1));
    if (key == "drive name") {
      names = values;
      writes.assign(names.size(), false);
    } else if (key == "Can write CD-R" || key == "Can write DVD-R" || key == "Can write DVD-RAM") {
      for (std::size_t i = 0; i < values.size() && i < writes.size(); ++i) {
        if (values[i] == "1") writes[i] = true;
      }
    }
  }
  std::set<std::string> writers;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (writes[i]) writers.insert(names[i]);
  }
  return writers;
}

std::vector<DriveMapEntry> FindRealDrives(const std::string& root) {
  const fs::path base(root.empty() ? "/" : root);
  std::error_code ec;
  std::vector<std::pair<int, std::string>> found;
  const fs::path sys_block = base / "sys/class/block";
  const bool have_sysfs = fs::is_directory(sys_block, ec);
  const fs::path scan = have_sysfs ? sys_block : base / "dev";
  for (fs::directory_iterator it(scan, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const int index = KernelIndex(name);
    if (index >= 0) found.emplace_back(index, name);
  }
  std::sort(found.begin(), found.end());

  std::string info_error;
  const std::string info = ReadSmallFile((base / "proc/sys/dev/cdrom/info").string(), &info_error);
  const std::set<std::string> writers = WritersFromCdromInfo(info);

  std::vector<DriveMapEntry> drives;
  for (const auto& [index, name] : found) {
    DriveMapEntry entry;
    entry.kind = DriveKind::Real;
    entry.kernel_index = index;
    entry.device = (base / "dev" / name).string();
    // A drive the kernel does not describe counts as a reader: better an
    // extra virtual recorder than no drive to burn to.
    entry.writer = writers.count(name) > 0;
    if (have_sysfs) {
      std::error_code link_ec;
      const fs::path target = fs::read_symlink(sys_block / name / "device", link_ec);
      if (!link_ec) entry.kernel_address = ParseHctl(target.filename().string());
    }
    drives.push_back(std::move(entry));
  }
  return drives;
}

}  // namespace

DriveMapFile ParseDriveMapFile(const std::string& text, const std::string& base_dir,
                               const std::string& name) {
  DriveMapFile file;
  struct Section {
    DriveMapEntry entry;
    int line = 0;
    bool valid = true;
  };
  std::vector<Section> sections;
  std::set<char> letters;
  bool skipping = false;  // inside a section that is already rejected

  auto problem = [&](int line, const std::string& what) {
    file.problems.push_back(name + ", line " + std::to_string(line) + ": " + what);
  };

  std::istringstream lines(text);
  std::string raw;
  int number = 0;
  while (std::getline(lines, raw)) {
    ++number;
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        problem(number, "section header without \"]\"");
        skipping = true;
        continue;
      }
      const std::string header = Upper(Trim(line.substr(1, line.size() - 2)));
      std::string letter = header;
      if (letter.size() == 2 && letter[1] == ':') letter.pop_back();
      if (letter.size() != 1 || letter[0] < kFirstLetter || letter[0] > kLastLetter) {
        problem(number, "[" + header + "] is not a drive letter from D to Z");
        skipping = true;
        continue;
      }
      if (!letters.insert(letter[0]).second) {
        problem(number, "drive " + letter + ": is named twice; this section is left out");
        skipping = true;
        continue;
      }
      Section section;
      section.entry.kind = DriveKind::Virtual;
      section.entry.letter = letter[0];
      section.entry.medium = kFallbackMedium;
      section.line = number;
      sections.push_back(std::move(section));
      skipping = false;
      continue;
    }
    if (skipping) continue;
    const auto equals = line.find('=');
    if (equals == std::string::npos) {
      problem(number, "expected Key=Value or [Letter]");
      continue;
    }
    if (sections.empty()) {
      problem(number, "a value before the first [Letter] section");
      continue;
    }
    const std::string key = Upper(Trim(line.substr(0, equals)));
    const std::string value = Trim(line.substr(equals + 1));
    Section& section = sections.back();
    if (key == "IMAGE") {
      section.entry.image = Resolve(base_dir, value);
    } else if (key == "STATE") {
      section.entry.state = Resolve(base_dir, value);
    } else if (key == "MEDIUM") {
      section.entry.medium = value;
      if (!ParseMedium(value)) {
        problem(number, "unknown medium \"" + value + "\"; it is left out");
        section.valid = false;
      }
    } else {
      problem(number, "unknown key \"" + Trim(line.substr(0, equals)) + "\"");
    }
  }

  for (Section& section : sections) {
    if (!section.valid) continue;
    DriveMapEntry& entry = section.entry;
    const std::string drive = std::string(1, entry.letter) + ":";
    if (entry.image.empty()) {
      problem(section.line, "drive " + drive + " has no Image; it is left out");
      continue;
    }
    if (entry.state.empty()) entry.state = entry.image + ".state";
    if (entry.state == entry.image) {
      problem(section.line, "drive " + drive + " uses one file as image and state; it is left out");
      continue;
    }
    file.recorders.push_back(std::move(entry));
  }
  return file;
}

std::string ExecutableDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec).string();
  return exe.parent_path().string();
}

DriveMapOptions DefaultDriveMapOptions() {
  DriveMapOptions options;
  const std::string exe_dir = ExecutableDir();
  const char* map = std::getenv("BURNER_DRIVE_MAP");
  options.map_file = map && *map ? map : (fs::path(exe_dir) / "DriveMap.ini").string();
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (xdg && xdg[0] == '/') {
    options.data_dir = (fs::path(xdg) / "burner").string();
  } else if (home && home[0] == '/') {
    options.data_dir = (fs::path(home) / ".local/share/burner").string();
  } else {
    options.data_dir = exe_dir;
  }
  return options;
}

DriveMap::DriveMap(const DriveMapOptions& options, SgKernel& kernel, VirtualRecorderFactory factory)
    : kernel_(kernel), factory_(std::move(factory)) {
  std::vector<DriveMapEntry> recorders;
  if (!options.map_file.empty()) {
    std::error_code ec;
    if (fs::exists(options.map_file, ec)) {
      std::string error;
      const std::string text = ReadSmallFile(options.map_file, &error);
      if (!error.empty()) {
        problems_.push_back(options.map_file + ": " + error);
      } else {
        DriveMapFile file =
            ParseDriveMapFile(text, fs::path(options.map_file).parent_path().string(), options.map_file);
        recorders = std::move(file.recorders);
        problems_.insert(problems_.end(), file.problems.begin(), file.problems.end());
      }
    }
  }

  std::set<char> taken;
  for (const auto& recorder : recorders) taken.insert(recorder.letter);
  auto next_free = [&taken]() -> char {
    for (char letter = kFirstLetter; letter <= kLastLetter; ++letter) {
      if (!taken.count(letter)) return letter;
    }
    return 0;
  };

  std::vector<DriveMapEntry> real = FindRealDrives(options.root);
  bool have_writer = false;
  for (auto& drive : real) {
    const char letter = next_free();
    if (letter == 0) {
      problems_.push_back(drive.device + " gets no drive letter: D to Z are all taken");
      continue;
    }
    taken.insert(letter);
    drive.letter = letter;
    have_writer = have_writer || drive.writer;
    entries_.push_back(std::move(drive));
  }

  if (recorders.empty() && !have_writer && options.fallback_recorder) {
    const char letter = next_free();
    if (letter != 0) {
      DriveMapEntry fallback;
      fallback.kind = DriveKind::Virtual;
      fallback.letter = letter;
      fallback.fallback = true;
      fallback.image = (fs::path(options.data_dir) / (std::string(kFallbackName) + ".img")).string();
      fallback.state = fallback.image + ".state";
      fallback.medium = kFallbackMedium;
      recorders.push_back(std::move(fallback));
    } else {
      problems_.push_back("no drive letter is left for the virtual recorder");
    }
  }
  for (auto& recorder : recorders) entries_.push_back(std::move(recorder));
  std::sort(entries_.begin(), entries_.end(),
            [](const DriveMapEntry& a, const DriveMapEntry& b) { return a.letter < b.letter; });

  // Adapter numbers: the kernel's hosts in ascending order, then one adapter
  // for the virtual recorders. Hosts first seen later are added after it.
  std::set<int> hosts;
  bool have_virtual = false;
  for (const auto& entry : entries_) {
    if (entry.kind == DriveKind::Real && entry.kernel_address) hosts.insert(entry.kernel_address->host);
    if (entry.kind == DriveKind::Virtual) have_virtual = true;
  }
  adapters_.assign(hosts.begin(), hosts.end());
  if (have_virtual) adapters_.push_back(-1);
}

DriveMap::~DriveMap() = default;

const DriveMapEntry* DriveMap::Find(char letter) const {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const auto& entry : entries_) {
    if (entry.letter == letter) return &entry;
  }
  return nullptr;
}

std::optional<std::uint8_t> DriveMap::HostNumber(std::uint8_t kernel_host) {
  std::lock_guard lock(mutex_);
  auto it = std::find(adapters_.begin(), adapters_.end(), static_cast<int>(kernel_host));
  if (it == adapters_.end()) it = adapters_.insert(adapters_.end(), kernel_host);
  const auto number = static_cast<std::size_t>(it - adapters_.begin());
  // The transport reads adapter numbers as one digit.
  if (number > 9) return std::nullopt;
  return static_cast<std::uint8_t>(number);
}

std::optional<ScsiAddress> DriveMap::AddressOf(char letter, const ScsiTarget* opened) {
  const DriveMapEntry* entry = Find(letter);
  if (!entry) return std::nullopt;
  if (entry->kind == DriveKind::Virtual) {
    std::uint8_t adapter = 0;
    {
      std::lock_guard lock(mutex_);
      const auto it = std::find(adapters_.begin(), adapters_.end(), -1);
      adapter = static_cast<std::uint8_t>(it - adapters_.begin());
    }
    if (adapter > 9) return std::nullopt;
    std::uint8_t target = 0;
    for (const auto& other : entries_) {
      if (&other == entry) break;
      if (other.kind == DriveKind::Virtual) ++target;
    }
    ScsiAddress address;
    address.host = adapter;
    address.target = target;
    return address;
  }
  std::optional<ScsiAddress> address = opened ? opened->Address() : std::nullopt;
  if (!address) address = entry->kernel_address;
  if (!address) return std::nullopt;
  const auto host = HostNumber(address->host);
  if (!host) return std::nullopt;
  address->host = *host;
  return address;
}

namespace {

// A handle on a virtual recorder. Every opener shares the map's one recorder
// object, as every handle on a real drive reaches the one drive; the object
// is made at the first command, so a handle that only asks for the address
// never loads the recorder's files.
class VirtualHandle final : public ScsiTarget {
 public:
  VirtualHandle(DriveMap& map, char letter) : map_(map), letter_(letter) {}
  ScsiResult Execute(const ScsiCommand& command) override {
    std::string message;
    const auto recorder = map_.Recorder(letter_, &message);
    if (!recorder) {
      ScsiResult result;
      result.delivered = false;
      result.host_error = message;
      return result;
    }
    return recorder->Execute(command);
  }
  std::optional<ScsiAddress> Address() const override { return map_.AddressOf(letter_); }
  std::string Describe() const override {
    const DriveMapEntry* entry = map_.Find(letter_);
    return entry ? "virtual recorder " + entry->image : "virtual recorder";
  }

 private:
  DriveMap& map_;
  char letter_;
};

}  // namespace

std::shared_ptr<ScsiTarget> DriveMap::Recorder(char letter, std::string* message) {
  std::string ignored;
  if (!message) message = &ignored;
  const DriveMapEntry* entry = Find(letter);
  if (!entry || entry->kind != DriveKind::Virtual) {
    *message = std::string(1, letter) + ": no virtual recorder";
    return nullptr;
  }
  std::lock_guard lock(mutex_);
  auto& slot = recorders_[entry->letter];
  if (slot) return slot;
  const std::string drive = std::string(1, entry->letter) + ": ";
  if (!factory_) {
    *message = drive + "virtual recorders are not available in this program";
    return nullptr;
  }
  try {
    for (const std::string& file : {entry->image, entry->state}) {
      const fs::path parent = fs::path(file).parent_path();
      if (!parent.empty()) fs::create_directories(parent);
    }
    slot = factory_(*entry);
  } catch (const std::exception& e) {
    *message = drive + e.what();
    return nullptr;
  }
  if (!slot) *message = drive + "the virtual recorder could not be made";
  return slot;
}

std::unique_ptr<ScsiTarget> DriveMap::Open(char letter, bool writable, int* error, std::string* message) {
  int ignored_error = 0;
  std::string ignored_message;
  if (!error) error = &ignored_error;
  if (!message) message = &ignored_message;
  const DriveMapEntry* entry = Find(letter);
  if (!entry) {
    *error = ENOENT;
    *message = std::string(1, letter) + ": no such drive";
    return nullptr;
  }
  if (entry->kind == DriveKind::Virtual) {
    *error = 0;
    return std::make_unique<VirtualHandle>(*this, entry->letter);
  }
  auto target = SgTarget::Open(kernel_, entry->device, writable, error);
  if (!target) *message = entry->device + ": " + SysErrorMessage(*error);
  return target;
}

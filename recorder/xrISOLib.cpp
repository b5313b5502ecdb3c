#include "recorder/xrISOLib.h"

#include "platform/core/Utf8.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <unordered_set>

// ---------------------------------------------------------------------------
// Text

namespace {

// An invalid byte decodes as a raw byte with `valid` false, so callers can
// keep or replace it.
char32_t DecodeUtf8(std::string_view s, std::size_t& i, bool& valid) {
  const char32_t c = ::DecodeUtf8(s, i);
  valid = !IsRawByte(c);
  return c;
}

bool IsDChar(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// Upper-cased d-characters of `s`, every other character one "_".
std::string DChars(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    bool valid = false;
    const char32_t c = UpperCodePoint(DecodeUtf8(s, i, valid));
    out += IsDChar(c) ? static_cast<char>(c) : '_';
  }
  return out;
}

std::size_t Utf16Length(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size();) {
    bool valid = false;
    const char32_t c = DecodeUtf8(s, i, valid);
    n += (valid && c > 0xFFFF) ? 2 : 1;
  }
  return n;
}

constexpr std::size_t kIsoFileChars = 30;  // name and extension together
constexpr std::size_t kIsoDirChars = 31;

void SplitFileName(const std::string& name, std::string& base, std::string& ext) {
  const auto dot = name.find('.');
  base = name.substr(0, dot);
  ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace

namespace iso {

std::string UpperCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t start = i;
    bool valid = false;
    const char32_t c = DecodeUtf8(utf8, i, valid);
    if (!valid) {
      out.append(utf8.substr(start, i - start));
      continue;
    }
    EncodeUtf8(UpperCodePoint(c), out);
  }
  return out;
}

std::u16string ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    bool valid = false;
    char32_t c = DecodeUtf8(utf8, i, valid);
    if (!valid) c = 0xFFFD;
    if (c > 0xFFFF) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string IsoFileName(std::string_view long_name) {
  const std::string name(long_name);
  const auto dot = name.rfind('.');
  std::string base = DChars(std::string_view(name).substr(0, dot));
  std::string ext = dot == std::string::npos ? std::string() : DChars(std::string_view(name).substr(dot + 1));
  if (base.size() + ext.size() > kIsoFileChars) {
    if (ext.size() > 8) ext.resize(8);
    base.resize(std::min(base.size(), kIsoFileChars - ext.size()));
  }
  if (base.empty() && ext.empty()) base = "_";
  return base + "." + ext;
}

std::string IsoDirName(std::string_view long_name) {
  std::string name = DChars(long_name);
  if (name.size() > kIsoDirChars) name.resize(kIsoDirChars);
  if (name.empty()) name = "_";
  return name;
}

bool JolietNameFits(std::string_view long_name, bool is_file) {
  const std::size_t units = Utf16Length(long_name) + (is_file ? 2 : 0);
  return 34 + 2 * units <= static_cast<std::size_t>(kMaxDirectoryRecord);
}

std::string JolietIdentifier(std::string_view long_name, bool is_file) {
  std::u16string units = ToUtf16(long_name);
  for (auto& u : units) {
    // Joliet reserves these; a control character would not survive a reader.
    if (u < 0x20 || u == '*' || u == '/' || u == ':' || u == ';' || u == '?' || u == '\\') u = '_';
  }
  if (is_file) units += u";1";
  std::string out;
  out.reserve(units.size() * 2);
  for (const char16_t u : units) {
    out += static_cast<char>(u >> 8);
    out += static_cast<char>(u & 0xFF);
  }
  return out;
}

namespace {
bool LocalTime(Clock::TimePoint when, std::tm& tm) {
  const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(when));
  return localtime_r(&t, &tm) != nullptr;
}
}  // namespace

std::array<std::uint8_t, 7> RecordDate(Clock::TimePoint when) {
  std::array<std::uint8_t, 7> d{};
  std::tm tm{};
  if (!LocalTime(when, tm) || tm.tm_year < 0 || tm.tm_year > 255) return d;
  d[0] = static_cast<std::uint8_t>(tm.tm_year);
  d[1] = static_cast<std::uint8_t>(tm.tm_mon + 1);
  d[2] = static_cast<std::uint8_t>(tm.tm_mday);
  d[3] = static_cast<std::uint8_t>(tm.tm_hour);
  d[4] = static_cast<std::uint8_t>(tm.tm_min);
  d[5] = static_cast<std::uint8_t>(tm.tm_sec);
  d[6] = static_cast<std::uint8_t>(static_cast<std::int8_t>(tm.tm_gmtoff / 900));
  return d;
}

std::array<std::uint8_t, 17> VolumeDate(Clock::TimePoint when) {
  std::array<std::uint8_t, 17> d{};
  std::tm tm{};
  // The epoch itself stands for "no date": ECMA-119 writes it as zero digits.
  if (when == Clock::TimePoint{} || !LocalTime(when, tm) || tm.tm_year + 1900 < 1 ||
      tm.tm_year + 1900 > 9999) {
    std::memset(d.data(), '0', 16);
    return d;
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
  const int hundredths = static_cast<int>(((ms % 1000) + 1000) % 1000) / 10;
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, hundredths);
  std::memcpy(d.data(), text, 16);
  d[16] = static_cast<std::uint8_t>(static_cast<std::int8_t>(tm.tm_gmtoff / 900));
  return d;
}

}  // namespace iso

// ---------------------------------------------------------------------------
// Tables

TCompilation::TCompilation() { Init(65535, 8191); }
TCompilation::~TCompilation() = default;

void TCompilation::Init(int max_files, int max_dirs) {
  files_.clear();
  dirs_.clear();
  iso_order_.clear();
  joliet_order_.clear();
  paths_.clear();
  upper_paths_.clear();
  max_files_ = std::max(0, max_files);
  max_dirs_ = std::max(1, max_dirs);
  files_.reserve(std::min(max_files_, 1 << 20));
  dirs_.reserve(std::min(max_dirs_, 1 << 16));
  file_count_ = 0;
  holes_ = false;
  auto root = std::make_unique<TDEntry>();
  root->Path = "\\";
  root->ShortName = "CD_ROOT";
  root->LongName = "CD Root Directory";
  root->Level = 1;
  root->Parent = root.get();
  root_ = root.get();
  dirs_.push_back(std::move(root));
  dir_count_ = 1;
  iso_order_.push_back(root_);
  joliet_order_.push_back(root_);
}

TFEntry* TCompilation::AddFileRecord(TDEntry* dir) {
  if (FilesFull()) return nullptr;
  auto entry = std::make_unique<TFEntry>();
  TFEntry* e = entry.get();
  e->slot_ = files_.size();
  files_.push_back(std::move(entry));
  ++file_count_;
  e->prev_ = dir->last_child_;
  if (dir->last_child_) {
    dir->last_child_->Next = e;
  } else {
    dir->FirstChild = e;
  }
  dir->last_child_ = e;
  return e;
}

namespace {
std::size_t NameHash(std::string_view name) { return std::hash<std::string_view>{}(name); }

void Unindex(TDEntry::NameIndex& names, const std::string& long_name, const TFEntry* entry) {
  auto [first, last] = names.equal_range(NameHash(long_name));
  for (auto it = first; it != last; ++it) {
    if (it->second == entry) {
      names.erase(it);
      return;
    }
  }
}
}  // namespace

void TCompilation::Rename(TDEntry* dir, TFEntry* entry, const std::string& new_long_name) {
  if (!entry->LongName.empty()) Unindex(dir->names_, entry->LongName, entry);
  entry->LongName = new_long_name;
  dir->names_.emplace(NameHash(new_long_name), entry);
}

TDEntry* TCompilation::AddDirRecord(TDEntry* parent, const std::string& long_name,
                                    const std::string& short_name) {
  if (DirsFull() || FilesFull()) return nullptr;
  TFEntry* entry = AddFileRecord(parent);
  auto dir = std::make_unique<TDEntry>();
  TDEntry* d = dir.get();
  d->slot_ = dirs_.size();
  dirs_.push_back(std::move(dir));
  ++dir_count_;
  iso_order_.push_back(d);
  joliet_order_.push_back(d);
  d->LongName = long_name;
  d->ShortName = short_name;
  d->Parent = parent;
  d->Level = parent->Level + 1;
  d->Path = (parent == root_ ? std::string() : parent->Path) + "\\" + long_name;
  d->entry_ = entry;
  entry->Dir = d;
  entry->ShortName = short_name;
  entry->Attr = kAttrDirectory;
  Rename(parent, entry, long_name);
  paths_[d->Path] = d;
  upper_paths_.emplace(iso::UpperCase(d->Path), d);
  return d;
}

TFEntry* TCompilation::FindChild(const TDEntry* dir, std::string_view long_name) const {
  auto [first, last] = dir->names_.equal_range(NameHash(long_name));
  for (auto it = first; it != last; ++it) {
    if (it->second->LongName == long_name) return it->second;
  }
  return nullptr;
}

TDEntry* TCompilation::FindDir(std::string_view path) const {
  const std::string key(path);
  if (auto it = paths_.find(key); it != paths_.end()) return it->second;
  auto [first, last] = upper_paths_.equal_range(iso::UpperCase(key));
  TDEntry* earliest = nullptr;
  for (auto it = first; it != last; ++it) {
    if (!earliest || it->second->slot_ < earliest->slot_) earliest = it->second;
  }
  return earliest;
}

void TCompilation::RemoveEntry(TDEntry* dir, TFEntry* entry) {
  if (entry->Dir) {
    TDEntry* sub = entry->Dir;
    while (sub->FirstChild) RemoveEntry(sub, sub->FirstChild);
    FreeDirRecord(sub);
    entry->Dir = nullptr;
  }
  if (entry->prev_) {
    entry->prev_->Next = entry->Next;
  } else {
    dir->FirstChild = entry->Next;
  }
  if (entry->Next) {
    entry->Next->prev_ = entry->prev_;
  } else {
    dir->last_child_ = entry->prev_;
  }
  Unindex(dir->names_, entry->LongName, entry);
  FreeFileRecord(entry);
}

void TCompilation::FreeDirRecord(TDEntry* dir) {
  auto it = paths_.find(dir->Path);
  if (it != paths_.end() && it->second == dir) paths_.erase(it);
  auto [first, last] = upper_paths_.equal_range(iso::UpperCase(dir->Path));
  for (auto u = first; u != last; ++u) {
    if (u->second == dir) {
      upper_paths_.erase(u);
      break;
    }
  }
  const std::size_t slot = dir->slot_;
  dirs_[slot].reset();
  --dir_count_;
  holes_ = true;
}

void TCompilation::FreeFileRecord(TFEntry* entry) {
  files_[entry->slot_].reset();
  --file_count_;
  holes_ = true;
}

void TCompilation::Compact() {
  if (!holes_) return;
  std::erase_if(files_, [](const auto& p) { return !p; });
  std::erase_if(dirs_, [](const auto& p) { return !p; });
  for (std::size_t i = 0; i < files_.size(); ++i) files_[i]->slot_ = i;
  for (std::size_t i = 0; i < dirs_.size(); ++i) dirs_[i]->slot_ = i;
  // The path-table orders held the removed folders too; until the next
  // layout sorts them they follow creation order.
  iso_order_.clear();
  for (const auto& d : dirs_) iso_order_.push_back(d.get());
  joliet_order_ = iso_order_;
  holes_ = false;
}

const std::vector<std::unique_ptr<TFEntry>>& TCompilation::Files() {
  Compact();
  return files_;
}

const std::vector<std::unique_ptr<TDEntry>>& TCompilation::Dirs() {
  Compact();
  return dirs_;
}

// ---------------------------------------------------------------------------
// Layout

namespace {

using Bytes = std::vector<std::uint8_t>;

std::size_t IsoIdentLength(const TFEntry& e) { return e.ShortName.size() + (e.IsDirectory() ? 0 : 2); }
std::size_t JolietIdentLength(const TFEntry& e) {
  return 2 * (Utf16Length(e.LongName) + (e.IsDirectory() ? 0 : 2));
}
std::size_t RecordLength(std::size_t ident) { return 33 + ident + (ident % 2 == 0 ? 1 : 0); }

// Bytes of a directory extent with records placed as the writer places them;
// `extra` is the identifier length of one more file record at the end.
std::int64_t ExtentBytes(const TDEntry& dir, bool joliet, std::size_t extra = 0) {
  std::int64_t pos = 68;
  for (const TFEntry* c = dir.FirstChild; c; c = c->Next) {
    const auto len =
        static_cast<std::int64_t>(RecordLength(joliet ? JolietIdentLength(*c) : IsoIdentLength(*c)));
    const std::int64_t records = c->IsDirectory() ? 1 : iso::ExtentCount(joliet ? c->JolietSize : c->IsoSize);
    for (std::int64_t k = 0; k < records; ++k) {
      if (pos % kSectorSize + len > kSectorSize) pos += kSectorSize - pos % kSectorSize;
      pos += len;
    }
  }
  if (extra) {
    const auto len = static_cast<std::int64_t>(RecordLength(extra));
    if (pos % kSectorSize + len > kSectorSize) pos += kSectorSize - pos % kSectorSize;
    pos += len;
  }
  return iso::Sectors(pos) * kSectorSize;
}

// Renames, within one folder, entries whose ISO name an earlier sibling
// already uses: names cut to 30 or 31 characters meet often.
void MakeIsoNamesUnique(TDEntry& dir) {
  // Views of the entries' own names: they stay put while the set lives.
  std::unordered_set<std::string_view> used;
  std::unordered_map<std::string, int> next_number;
  for (TFEntry* c = dir.FirstChild; c; c = c->Next) {
    if (used.insert(std::string_view(c->ShortName)).second) continue;
    std::string base, ext;
    if (c->IsDirectory()) {
      base = c->ShortName;
    } else {
      SplitFileName(c->ShortName, base, ext);
    }
    int& n = next_number[c->ShortName];
    for (;;) {
      const std::string suffix = "_" + std::to_string(++n);
      const std::size_t room = c->IsDirectory() ? kIsoDirChars : kIsoFileChars - ext.size();
      std::string candidate = base.substr(0, room > suffix.size() ? room - suffix.size() : 0) + suffix;
      if (!c->IsDirectory()) candidate += "." + ext;
      if (!used.count(candidate)) {
        c->ShortName = candidate;
        if (c->Dir) c->Dir->ShortName = candidate;
        used.insert(std::string_view(c->ShortName));
        break;
      }
    }
  }
}

// Path-table order: level by level, by parent number, then by identifier.
// Walking the tree breadth first with each folder's subfolders sorted gives
// that order directly, whatever the number of folders.
template <typename Key>
void OrderPathTable(std::vector<TDEntry*>& order, TDEntry* root, bool joliet, Key key) {
  order.clear();
  order.push_back(root);
  (joliet ? root->JolietNumber : root->Number) = 1;
  std::vector<std::pair<decltype(key(*root)), TDEntry*>> children;
  for (std::size_t i = 0; i < order.size(); ++i) {
    children.clear();
    for (TFEntry* c = order[i]->FirstChild; c; c = c->Next) {
      if (c->Dir) children.emplace_back(key(*c->Dir), c->Dir);
    }
    std::sort(children.begin(), children.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [k, d] : children) {
      order.push_back(d);
      (joliet ? d->JolietNumber : d->Number) = static_cast<int>(order.size());
    }
  }
}

}  // namespace

namespace iso {

TLayoutFigures Layout(TCompilation& tables, const TLayoutOptions& options) {
  TLayoutFigures f;
  const auto& dirs = tables.Dirs();
  const auto& files = tables.Files();
  for (const auto& d : dirs) MakeIsoNamesUnique(*d);

  OrderPathTable(tables.IsoOrder(), tables.Root(), false, [](const TDEntry& d) { return d.ShortName; });
  if (options.Joliet) {
    OrderPathTable(tables.JolietOrder(), tables.Root(), true,
                   [](const TDEntry& d) { return JolietIdentifier(d.LongName, false); });
  }

  if (options.Bootable) {
    TDEntry& root = *tables.Root();
    std::unordered_set<std::string> iso_used, joliet_used;
    for (const TFEntry* c = root.FirstChild; c; c = c->Next) {
      iso_used.insert(c->ShortName);
      joliet_used.insert(UpperCase(c->LongName));
    }
    std::string base, ext;
    SplitFileName(IsoFileName(options.BootName), base, ext);
    f.BootIsoName = base + "." + ext;
    for (int n = 1; iso_used.count(f.BootIsoName); ++n) {
      const std::string suffix = "_" + std::to_string(n);
      f.BootIsoName = base.substr(0, std::min(base.size(), kIsoFileChars - ext.size() - suffix.size())) +
                      suffix + "." + ext;
    }
    f.BootJolietName = options.BootName;
    for (int n = 2; joliet_used.count(UpperCase(f.BootJolietName)); ++n) {
      f.BootJolietName = std::to_string(n) + "_" + options.BootName;
    }
    if (!JolietNameFits(f.BootJolietName, true)) f.BootJolietName = "boot.img";
  }

  f.IsoPathTableSize = 10;
  f.JolietPathTableSize = 10;
  for (std::size_t i = 1; i < dirs.size(); ++i) {
    const TDEntry& d = *dirs[i];
    const std::size_t n = d.ShortName.size();
    f.IsoPathTableSize += static_cast<std::int64_t>(8 + n + (n % 2));
    if (options.Joliet) f.JolietPathTableSize += static_cast<std::int64_t>(8 + 2 * Utf16Length(d.LongName));
  }
  if (!options.Joliet) f.JolietPathTableSize = 0;

  std::int64_t iso_offset = 0, joliet_offset = 0;
  for (const auto& d : dirs) {
    const bool root = d.get() == tables.Root() && options.Bootable;
    d->IsoExtentSize = ExtentBytes(*d, false, root ? f.BootIsoName.size() + 2 : 0);
    d->IsoExtentOffset = iso_offset;
    iso_offset += d->IsoExtentSize / kSectorSize;
    if (options.Joliet) {
      d->JolietExtentSize = ExtentBytes(*d, true, root ? 2 * (Utf16Length(f.BootJolietName) + 2) : 0);
      d->JolietExtentOffset = joliet_offset;
      joliet_offset += d->JolietExtentSize / kSectorSize;
    } else {
      d->JolietExtentSize = 0;
      d->JolietExtentOffset = 0;
    }
  }
  f.IsoDirBytes = iso_offset * kSectorSize;
  f.JolietDirBytes = joliet_offset * kSectorSize;

  f.SessionStart = options.SessionStart;
  f.PvdSector = f.SessionStart + 16;
  std::int64_t next = f.PvdSector + 1;
  if (options.Bootable) ++next;  // boot record
  if (options.Joliet) ++next;    // supplementary descriptor
  ++next;                        // terminator
  f.IsoPathTableL = next;
  next += Sectors(f.IsoPathTableSize);
  f.IsoPathTableM = next;
  next += Sectors(f.IsoPathTableSize);
  if (options.Joliet) {
    f.JolietPathTableL = next;
    next += Sectors(f.JolietPathTableSize);
    f.JolietPathTableM = next;
    next += Sectors(f.JolietPathTableSize);
  }
  f.IsoDirArea = next;
  next += iso_offset;
  if (options.Joliet) {
    f.JolietDirArea = next;
    next += joliet_offset;
  }
  if (options.Bootable) {
    f.BootCatalogSector = next++;
    f.BootImageSectors = Sectors(options.BootImageBytes);
  }
  const std::int64_t after = next + f.BootImageSectors;
  f.PadSectors = 150 - after;
  f.FirstFileSector = after < 150 ? 150 : after;
  if (options.Bootable) f.BootImageSector = f.FirstFileSector - f.BootImageSectors;

  std::int64_t total = 0;
  for (const auto& e : files) {
    if (e->Imported) continue;
    if (e->Dir) {
      e->IsoAddress = e->Dir->IsoExtentOffset;
      e->JolietAddress = e->Dir->JolietExtentOffset;
      e->IsoSize = e->Dir->IsoExtentSize;
      e->JolietSize = e->Dir->JolietExtentSize;
    } else if (e->IsoSize > 0) {
      e->JolietSize = e->IsoSize;
      e->IsoAddress = e->JolietAddress = total;
      total += Sectors(e->IsoSize);
    } else {
      e->IsoAddress = e->JolietAddress = 0;
      e->JolietSize = 0;
    }
  }
  // A folder's size depends on its subfolders' records only through their
  // count, so the sizes set above are final; the entries of folders were
  // sized before their records were counted, which ExtentBytes does not use.
  f.TotalFileSectors = total;
  f.VolumeEnd = f.FirstFileSector + f.TotalFileSectors;
  f.TrackSectors = f.VolumeEnd - f.SessionStart;
  return f;
}

}  // namespace iso

// ---------------------------------------------------------------------------
// Header

namespace {

class Writer {
 public:
  explicit Writer(Bytes& out) : out_(out) {}
  std::size_t Size() const { return out_.size(); }
  void Byte(std::uint8_t b) { out_.push_back(b); }
  void Zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
  void Raw(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void Le16(std::uint32_t v) {
    Byte(v & 0xFF);
    Byte((v >> 8) & 0xFF);
  }
  void Be16(std::uint32_t v) {
    Byte((v >> 8) & 0xFF);
    Byte(v & 0xFF);
  }
  void Le32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) Byte((v >> (8 * i)) & 0xFF);
  }
  void Be32(std::uint32_t v) {
    for (int i = 3; i >= 0; --i) Byte((v >> (8 * i)) & 0xFF);
  }
  void Both16(std::uint32_t v) {
    Le16(v);
    Be16(v);
  }
  void Both32(std::uint32_t v) {
    Le32(v);
    Be32(v);
  }
  void PadToSector() {
    const std::size_t rest = Size() % kSectorSize;
    if (rest) Zeros(kSectorSize - rest);
  }

 private:
  Bytes& out_;
};

void PutRecord(Writer& w, std::int64_t extent, std::int64_t length, const std::array<std::uint8_t, 7>& date,
               std::uint8_t flags, const void* ident, std::size_t n) {
  const std::size_t len = RecordLength(n);
  w.Byte(static_cast<std::uint8_t>(len));
  w.Byte(0);
  w.Both32(static_cast<std::uint32_t>(extent));
  w.Both32(static_cast<std::uint32_t>(length));
  w.Raw(date.data(), date.size());
  w.Byte(flags);
  w.Byte(0);
  w.Byte(0);
  w.Both16(1);
  w.Byte(static_cast<std::uint8_t>(n));
  w.Raw(ident, n);
  if (n % 2 == 0) w.Byte(0);
}

// A descriptor text field: upper-cased, cut to its place, blank-padded.
void PutText(std::uint8_t* field, std::size_t size, const std::string& text) {
  const std::string upper = iso::UpperCase(text);
  std::memset(field, ' ', size);
  std::memcpy(field, upper.data(), std::min(size, upper.size()));
}

// The same as UCS-2 big-endian, case kept.
void PutUcs2(std::uint8_t* field, std::size_t chars, const std::string& text) {
  std::u16string units = iso::ToUtf16(text);
  units.resize(std::min(units.size(), chars));
  units.resize(chars, u' ');
  for (std::size_t i = 0; i < chars; ++i) {
    field[2 * i] = static_cast<std::uint8_t>(units[i] >> 8);
    field[2 * i + 1] = static_cast<std::uint8_t>(units[i] & 0xFF);
  }
}

void Le32At(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF;
}
void Be32At(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[3 - i] = (v >> (8 * i)) & 0xFF;
}
void Both32At(std::uint8_t* p, std::uint32_t v) {
  Le32At(p, v);
  Be32At(p + 4, v);
}
void Both16At(std::uint8_t* p, std::uint16_t v) {
  p[0] = v & 0xFF;
  p[1] = v >> 8;
  p[2] = v >> 8;
  p[3] = v & 0xFF;
}

void PutVolumeDescriptor(Writer& w, bool joliet, const TLayoutFigures& f, const TCompilation& tables,
                         const TVolumeIds& ids, Clock::TimePoint now) {
  std::array<std::uint8_t, 2048> s{};
  s[0] = joliet ? 2 : 1;
  std::memcpy(&s[1], "CD001", 5);
  s[6] = 1;
  if (joliet) {
    PutUcs2(&s[8], 16, ids.System);
    PutUcs2(&s[40], 16, ids.Volume);
    s[88] = 0x25;
    s[89] = 0x2F;
    s[90] = 0x40;
  } else {
    PutText(&s[8], 32, ids.System);
    PutText(&s[40], 32, ids.Volume);
  }
  Both32At(&s[80], static_cast<std::uint32_t>(f.VolumeEnd));
  Both16At(&s[120], 1);
  Both16At(&s[124], 1);
  Both16At(&s[128], 2048);
  const TDEntry* root = tables.Root();
  Both32At(&s[132], static_cast<std::uint32_t>(joliet ? f.JolietPathTableSize : f.IsoPathTableSize));
  Le32At(&s[140], static_cast<std::uint32_t>(joliet ? f.JolietPathTableL : f.IsoPathTableL));
  Be32At(&s[148], static_cast<std::uint32_t>(joliet ? f.JolietPathTableM : f.IsoPathTableM));
  // Root record: no recording date of its own (readers take the "." record's).
  std::uint8_t* r = &s[156];
  r[0] = 34;
  Both32At(&r[2], static_cast<std::uint32_t>(joliet ? f.JolietDirArea : f.IsoDirArea));
  Both32At(&r[10], static_cast<std::uint32_t>(joliet ? root->JolietExtentSize : root->IsoExtentSize));
  r[25] = 2;
  Both16At(&r[28], 1);
  r[32] = 1;
  if (joliet) {
    PutUcs2(&s[190], 64, ids.VolumeSet);
    PutUcs2(&s[318], 64, ids.Publisher);
    PutUcs2(&s[446], 64, ids.Preparer);
    PutUcs2(&s[574], 64, ids.Application);
    PutUcs2(&s[702], 18, ids.Copyright);
    PutUcs2(&s[739], 18, ids.Abstract);
    PutUcs2(&s[776], 18, ids.Bibliographic);
    const auto created = iso::VolumeDate(ids.JolietCreation);
    const auto modified = iso::VolumeDate(ids.JolietModification);
    std::memcpy(&s[813], created.data(), 17);
    std::memcpy(&s[830], modified.data(), 17);
  } else {
    PutText(&s[190], 128, ids.VolumeSet);
    PutText(&s[318], 128, ids.Publisher);
    PutText(&s[446], 128, ids.Preparer);
    PutText(&s[574], 128, ids.Application);
    PutText(&s[702], 37, ids.Copyright);
    PutText(&s[739], 37, ids.Abstract);
    PutText(&s[776], 37, ids.Bibliographic);
    const auto date = iso::VolumeDate(now);
    std::memcpy(&s[813], date.data(), 17);
    std::memcpy(&s[830], date.data(), 17);
  }
  std::memset(&s[847], '0', 16);
  std::memset(&s[864], '0', 16);
  s[881] = 1;
  std::memset(&s[1024], ' ', 8);
  w.Raw(s.data(), s.size());
}

void PutPathTable(Writer& w, const std::vector<TDEntry*>& order, bool joliet, bool big_endian,
                  std::int64_t area) {
  for (const TDEntry* d : order) {
    std::string ident;
    if (d == order.front()) {
      ident.assign(1, '\0');
    } else {
      ident = joliet ? iso::JolietIdentifier(d->LongName, false) : d->ShortName;
    }
    const std::size_t n = ident.size();
    w.Byte(static_cast<std::uint8_t>(n));
    w.Byte(0);
    const auto extent =
        static_cast<std::uint32_t>(area + (joliet ? d->JolietExtentOffset : d->IsoExtentOffset));
    const auto parent = static_cast<std::uint32_t>(joliet ? d->Parent->JolietNumber : d->Parent->Number);
    if (big_endian) {
      w.Be32(extent);
      w.Be16(parent);
    } else {
      w.Le32(extent);
      w.Le16(parent);
    }
    w.Raw(ident.data(), n);
    if (n % 2) w.Byte(0);
  }
  w.PadToSector();
}

void PutDirectory(Writer& w, const TDEntry& dir, bool joliet, const TLayoutFigures& f,
                  const std::array<std::uint8_t, 7>& now, std::int64_t boot_bytes) {
  const std::size_t start = w.Size();
  const std::int64_t area = joliet ? f.JolietDirArea : f.IsoDirArea;
  const auto offset = [&](const TDEntry& d) {
    return area + (joliet ? d.JolietExtentOffset : d.IsoExtentOffset);
  };
  const auto size = [&](const TDEntry& d) { return joliet ? d.JolietExtentSize : d.IsoExtentSize; };
  const std::uint8_t self = 0, parent = 1;
  PutRecord(w, offset(dir), size(dir), now, 2, &self, 1);
  PutRecord(w, offset(*dir.Parent), size(*dir.Parent), now, 2, &parent, 1);
  std::string ident;
  for (const TFEntry* c = dir.FirstChild; c; c = c->Next) {
    if (joliet) {
      ident = iso::JolietIdentifier(c->LongName, !c->IsDirectory());
    } else {
      ident = c->ShortName;
      if (!c->IsDirectory()) ident += ";1";
    }
    const auto date = iso::RecordDate(c->DateTime);
    std::uint8_t flags = (c->Attr & kAttrHidden) ? 1 : 0;
    const std::int64_t address = joliet ? c->JolietAddress : c->IsoAddress;
    const std::int64_t length = joliet ? c->JolietSize : c->IsoSize;
    std::int64_t extent;
    if (c->IsDirectory()) {
      flags |= 2;
      extent = area + address;
    } else if (length == 0) {
      extent = 0;
    } else if (c->Imported) {
      extent = address;
    } else {
      extent = f.FirstFileSector + address;
    }
    const std::size_t len = RecordLength(ident.size());
    const std::int64_t records = c->IsDirectory() ? 1 : iso::ExtentCount(length);
    std::int64_t left = length;
    for (std::int64_t k = 0; k < records; ++k) {
      const std::size_t used = (w.Size() - start) % kSectorSize;
      if (used + len > static_cast<std::size_t>(kSectorSize)) w.Zeros(kSectorSize - used);
      const std::int64_t part = std::min(left, kMaxExtentBytes);
      const std::uint8_t more = k + 1 < records ? 0x80 : 0;
      PutRecord(w, extent + (extent ? k * (kMaxExtentBytes / kSectorSize) : 0), part, date,
                static_cast<std::uint8_t>(flags | more), ident.data(), ident.size());
      left -= part;
    }
  }
  if (boot_bytes > 0) {
    ident = joliet ? iso::JolietIdentifier(f.BootJolietName, true) : f.BootIsoName + ";1";
    const std::size_t used = (w.Size() - start) % kSectorSize;
    if (used + RecordLength(ident.size()) > static_cast<std::size_t>(kSectorSize))
      w.Zeros(kSectorSize - used);
    PutRecord(w, f.BootImageSector, boot_bytes, now, 0, ident.data(), ident.size());
  }
  w.PadToSector();
}

void PutBootCatalog(Writer& w, const TLayoutFigures& f) {
  std::array<std::uint8_t, 2048> s{};
  s[0] = 1;
  s[1] = 0;
  static constexpr char kId[] = "CD DVD BURNER";
  std::memcpy(&s[4], kId, sizeof kId - 1);
  s[30] = 0x55;
  s[31] = 0xAA;
  std::uint32_t sum = 0;
  for (int i = 0; i < 32; i += 2) sum += s[i] | (s[i + 1] << 8);
  const std::uint16_t check = static_cast<std::uint16_t>(0x10000 - (sum & 0xFFFF));
  s[28] = check & 0xFF;
  s[29] = check >> 8;
  s[32] = 0x88;
  switch (f.BootImageSectors) {
    case 600:
      s[33] = 1;
      break;
    case 720:
      s[33] = 2;
      break;
    case 1440:
      s[33] = 3;
      break;
    default:
      s[33] = 4;
      break;
  }
  s[38] = 1;
  Le32At(&s[40], static_cast<std::uint32_t>(f.BootImageSector));
  w.Raw(s.data(), s.size());
}

}  // namespace

namespace iso {

void BuildHeader(TCompilation& tables, const TLayoutFigures& f, const TLayoutOptions& options,
                 const TVolumeIds& ids, Clock::TimePoint now, std::vector<std::uint8_t>& out,
                 std::vector<std::uint8_t>& descriptor_copy) {
  const auto& dirs = tables.Dirs();
  out.clear();
  const std::int64_t structures = (f.FirstFileSector - f.BootImageSectors) - f.SessionStart;
  out.reserve(static_cast<std::size_t>(structures * kSectorSize));
  Writer w(out);
  w.Zeros(16 * kSectorSize);
  PutVolumeDescriptor(w, false, f, tables, ids, now);
  if (options.Bootable) {
    std::array<std::uint8_t, 2048> s{};
    std::memcpy(&s[1], "CD001", 5);
    s[6] = 1;
    std::memcpy(&s[7], "EL TORITO SPECIFICATION", 23);
    Le32At(&s[71], static_cast<std::uint32_t>(f.BootCatalogSector));
    w.Raw(s.data(), s.size());
  }
  if (options.Joliet) PutVolumeDescriptor(w, true, f, tables, ids, now);
  {
    std::array<std::uint8_t, 2048> s{};
    s[0] = 255;
    std::memcpy(&s[1], "CD001", 5);
    s[6] = 1;
    w.Raw(s.data(), s.size());
  }
  descriptor_copy.assign(65537, 0xFF);
  std::memcpy(descriptor_copy.data(), out.data(), std::min(out.size(), descriptor_copy.size()));

  PutPathTable(w, tables.IsoOrder(), false, false, f.IsoDirArea);
  PutPathTable(w, tables.IsoOrder(), false, true, f.IsoDirArea);
  if (options.Joliet) {
    PutPathTable(w, tables.JolietOrder(), true, false, f.JolietDirArea);
    PutPathTable(w, tables.JolietOrder(), true, true, f.JolietDirArea);
  }
  const auto date = RecordDate(now);
  const auto boot_bytes = [&](const TDEntry& d) {
    return options.Bootable && &d == tables.Root() ? options.BootImageBytes : 0;
  };
  for (const auto& d : dirs) PutDirectory(w, *d, false, f, date, boot_bytes(*d));
  if (options.Joliet) {
    for (const auto& d : dirs) PutDirectory(w, *d, true, f, date, boot_bytes(*d));
  }
  if (options.Bootable) PutBootCatalog(w, f);
  if (f.PadSectors > 0) w.Zeros(static_cast<std::size_t>(f.PadSectors * kSectorSize));
}

}  // namespace iso

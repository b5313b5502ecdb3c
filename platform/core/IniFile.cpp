#include "platform/core/IniFile.h"

#include <sys/stat.h>

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Formats.h"
#include "platform/core/StringList.h"

namespace {

struct Line {
  enum Kind { kOther, kSection, kKey };
  std::string text;  // as in the file, without its line break
  Kind kind = kOther;
  std::string name;   // section or key name, trimmed
  std::string value;  // trimmed value of a key line
};

Line Parse(std::string text) {
  Line line;
  const std::string trimmed = Trim(text);
  if (!trimmed.empty() && trimmed.front() == '[') {
    line.kind = Line::kSection;
    const auto close = trimmed.find(']');
    line.name =
        Trim(std::string_view(trimmed).substr(1, close == std::string::npos ? std::string::npos : close - 1));
  } else if (const auto eq = trimmed.find('='); eq != std::string::npos) {
    line.name = Trim(std::string_view(trimmed).substr(0, eq));
    if (!line.name.empty()) {
      line.kind = Line::kKey;
      line.value = Trim(std::string_view(trimmed).substr(eq + 1));
    }
  }
  line.text = std::move(text);
  return line;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// What identifies one version of the file on the disk. An atomic replace
// always brings a new inode, so a change by another writer of this kind is
// never missed.
struct Signature {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long mtime_ns = 0;
  long long ctime_ns = 0;
  bool operator==(const Signature&) const = default;
};

Signature SignatureOf(const struct stat& info) {
  Signature s;
  s.exists = true;
  s.device = info.st_dev;
  s.inode = info.st_ino;
  s.size = info.st_size;
  s.mtime_ns = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
  s.ctime_ns = info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec;
  return s;
}

}  // namespace

struct TIniFile::Impl {
  std::string file_name;
  std::vector<Line> lines;
  bool bom = false;
  bool loaded = false;
  bool unreadable = false;  // exists but could not be read: never overwrite it
  std::string read_error;
  Signature signature;

  void Refresh() {
    struct stat info;
    Signature now;
    if (stat(file_name.c_str(), &info) == 0) now = SignatureOf(info);
    if (loaded && now == signature) return;
    lines.clear();
    bom = false;
    unreadable = false;
    signature = now;
    loaded = true;
    if (!now.exists) return;
    std::string data;
    try {
      data = ReadWholeFile(file_name);
    } catch (const Exception& e) {
      read_error = e.what();
      unreadable = true;
      return;
    }
    Load(data);
  }

  void Load(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
      bom = true;
      text.remove_prefix(3);
    }
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string_view::npos) end = text.size();
      lines.push_back(Parse(std::string(text.substr(start, end - start))));
      if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
      start = end + 1;
    }
  }

  std::string Serialize() const {
    std::string out = bom ? "\xEF\xBB\xBF" : "";
    for (const Line& line : lines) {
      out += line.text;
      out += "\r\n";
    }
    return out;
  }

  // Writes the lines out; on failure the lines are taken back from the disk
  // so that memory never claims what the file does not hold.
  void Save() {
    try {
      WriteFileAtomically(file_name, Serialize());
    } catch (...) {
      loaded = false;
      throw;
    }
    struct stat info;
    signature = stat(file_name.c_str(), &info) == 0 ? SignatureOf(info) : Signature{};
  }

  void PrepareWrite() {
    Refresh();
    if (unreadable)
      throw EWriteError("Unable to write to " + file_name +
                        ". The file exists but cannot be read: " + read_error);
  }

  // Calls visit(index) for each key line of every occurrence of the section.
  template <typename Visit>
  void ForEachKey(std::string_view section, Visit visit) const {
    const std::string wanted = Trim(section);
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const Line& line = lines[i];
      if (line.kind == Line::kSection)
        inside = AnsiSameText(line.name, wanted);
      else if (inside && line.kind == Line::kKey && !visit(i))
        return;
    }
  }

  // Index of the first key line for ident, or -1.
  long FindKey(std::string_view section, std::string_view ident) const {
    const std::string wanted = Trim(ident);
    long found = -1;
    ForEachKey(section, [&](std::size_t i) {
      if (!AnsiSameText(lines[i].name, wanted)) return true;
      found = static_cast<long>(i);
      return false;
    });
    return found;
  }

  const std::string* Value(std::string_view section, std::string_view ident) {
    Refresh();
    const long index = FindKey(section, ident);
    return index < 0 ? nullptr : &lines[index].value;
  }
};

TIniFile::TIniFile(std::string fileName) : impl_(std::make_unique<Impl>()) {
  impl_->file_name = std::move(fileName);
}

TIniFile::~TIniFile() = default;

const std::string& TIniFile::FileName() const { return impl_->file_name; }

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 const std::string& defaultValue) const {
  const std::string* value = impl_->Value(section, ident);
  return value ? *value : defaultValue;
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
  const std::string sectionName = Trim(section);
  const std::string key = Trim(ident);
  const auto refuse = [&](const char* why) {
    throw EWriteError("Unable to write to " + impl_->file_name + ". [" + std::string(section) + "] " +
                      std::string(ident) + ": " + why);
  };
  if (sectionName.empty() || key.empty()) refuse("a section and a key need a name");
  if (HasLineBreak(section) || HasLineBreak(ident) || HasLineBreak(value))
    refuse("a line break cannot be stored");
  if (sectionName.find(']') != std::string::npos) refuse("a section name cannot hold \"]\"");
  if (key.find('=') != std::string::npos || key.front() == '[')
    refuse("a key cannot hold \"=\" or start with \"[\"");

  Impl& d = *impl_;
  d.PrepareWrite();
  const long existing = d.FindKey(sectionName, key);
  if (existing >= 0) {
    Line& line = d.lines[existing];
    // The key keeps the spelling the file gave it.
    std::string text = line.name + "=" + std::string(value);
    if (text == line.text) return;
    line = Parse(std::move(text));
  } else {
    // After the last key of the section's first occurrence; else a new
    // section at the end, set off by a blank line.
    long header = -1, last = -1;
    for (std::size_t i = 0; i < d.lines.size(); ++i) {
      const Line& line = d.lines[i];
      if (line.kind == Line::kSection) {
        if (header >= 0) break;
        if (AnsiSameText(line.name, sectionName)) header = last = static_cast<long>(i);
      } else if (header >= 0 && line.kind == Line::kKey) {
        last = static_cast<long>(i);
      }
    }
    Line line = Parse(key + "=" + std::string(value));
    if (header >= 0) {
      d.lines.insert(d.lines.begin() + last + 1, std::move(line));
    } else {
      if (!d.lines.empty() && !Trim(d.lines.back().text).empty()) d.lines.push_back(Parse(""));
      d.lines.push_back(Parse("[" + sectionName + "]"));
      d.lines.push_back(std::move(line));
    }
  }
  d.Save();
}

int TIniFile::ReadInteger(std::string_view section, std::string_view ident, int defaultValue) const {
  const std::string* value = impl_->Value(section, ident);
  return value ? StrToIntDef(*value, defaultValue) : defaultValue;
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TIniFile::ReadFloat(std::string_view section, std::string_view ident, double defaultValue) const {
  const std::string* value = impl_->Value(section, ident);
  return value ? StrToFloatDef(*value, defaultValue) : defaultValue;
}

void TIniFile::WriteFloat(std::string_view section, std::string_view ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

TDateTime TIniFile::ReadDate(std::string_view section, std::string_view ident, TDateTime defaultValue) const {
  const std::string* text = impl_->Value(section, ident);
  TDateTime value;
  return text && TryStrToDate(*text, value) ? value : defaultValue;
}

void TIniFile::WriteDate(std::string_view section, std::string_view ident, TDateTime value) {
  WriteString(section, ident, DateToStr(value));
}

TDateTime TIniFile::ReadTime(std::string_view section, std::string_view ident, TDateTime defaultValue) const {
  const std::string* text = impl_->Value(section, ident);
  TDateTime value;
  return text && TryStrToTime(*text, value) ? value : defaultValue;
}

void TIniFile::WriteTime(std::string_view section, std::string_view ident, TDateTime value) {
  WriteString(section, ident, TimeToStr(value));
}

TDateTime TIniFile::ReadDateTime(std::string_view section, std::string_view ident,
                                 TDateTime defaultValue) const {
  const std::string* text = impl_->Value(section, ident);
  TDateTime value;
  return text && TryStrToDateTime(*text, value) ? value : defaultValue;
}

void TIniFile::WriteDateTime(std::string_view section, std::string_view ident, TDateTime value) {
  WriteString(section, ident, DateTimeToStr(value));
}

void TIniFile::ReadSection(std::string_view section, TStringList& strings) const {
  impl_->Refresh();
  strings.BeginUpdate();
  strings.Clear();
  std::unordered_set<std::string> seen;
  impl_->ForEachKey(section, [&](std::size_t i) {
    const std::string& name = impl_->lines[i].name;
    if (seen.insert(AnsiLowerCase(name)).second) strings.Add(name);
    return true;
  });
  strings.EndUpdate();
}

void TIniFile::ReadSections(TStringList& strings) const {
  impl_->Refresh();
  strings.BeginUpdate();
  strings.Clear();
  std::unordered_set<std::string> seen;
  for (const Line& line : impl_->lines)
    if (line.kind == Line::kSection && seen.insert(AnsiLowerCase(line.name)).second) strings.Add(line.name);
  strings.EndUpdate();
}

void TIniFile::ReadSectionValues(std::string_view section, TStringList& strings) const {
  impl_->Refresh();
  strings.BeginUpdate();
  strings.Clear();
  std::unordered_set<std::string> seen;
  impl_->ForEachKey(section, [&](std::size_t i) {
    const Line& line = impl_->lines[i];
    if (seen.insert(AnsiLowerCase(line.name)).second) strings.Add(line.name + "=" + line.value);
    return true;
  });
  strings.EndUpdate();
}

bool TIniFile::SectionExists(std::string_view section) const {
  impl_->Refresh();
  bool any = false;
  impl_->ForEachKey(section, [&](std::size_t) {
    any = true;
    return false;
  });
  return any;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const {
  return impl_->Value(section, ident) != nullptr;
}

void TIniFile::EraseSection(std::string_view section) {
  Impl& d = *impl_;
  d.PrepareWrite();
  const std::string wanted = Trim(section);
  std::vector<Line> kept;
  kept.reserve(d.lines.size());
  bool inside = false, erased = false;
  for (Line& line : d.lines) {
    if (line.kind == Line::kSection) inside = AnsiSameText(line.name, wanted);
    if (inside)
      erased = true;
    else
      kept.push_back(std::move(line));
  }
  if (!erased) {
    d.lines = std::move(kept);
    return;
  }
  while (!kept.empty() && Trim(kept.back().text).empty()) kept.pop_back();
  d.lines = std::move(kept);
  d.Save();
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  Impl& d = *impl_;
  d.PrepareWrite();
  const std::string wanted = Trim(ident);
  std::vector<std::size_t> doomed;
  d.ForEachKey(section, [&](std::size_t i) {
    if (AnsiSameText(d.lines[i].name, wanted)) doomed.push_back(i);
    return true;
  });
  if (doomed.empty()) return;
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) d.lines.erase(d.lines.begin() + *it);
  d.Save();
}

void TIniFile::UpdateFile() {}

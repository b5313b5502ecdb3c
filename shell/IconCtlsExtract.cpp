#include "shell/IconCtlsExtract.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

namespace {

constexpr std::uint32_t kRtIcon = 3;
constexpr std::uint32_t kRtGroupIcon = 14;
// More entries than any real program has; a damaged count stops here.
constexpr std::uint32_t kMaxEntries = 4096;
// Groups may name the same images again and again; what they make together
// stays within this.
constexpr qsizetype kMaxOutput = 64 << 20;

// Little-endian reads that fail instead of reading past the end.
class Reader {
 public:
  explicit Reader(const QByteArray& data) : data_(data) {}
  std::optional<std::uint32_t> U16(std::uint64_t at) const { return Read(at, 2); }
  std::optional<std::uint32_t> U32(std::uint64_t at) const { return Read(at, 4); }
  bool Has(std::uint64_t at, std::uint64_t count) const {
    return at <= static_cast<std::uint64_t>(data_.size()) &&
           count <= static_cast<std::uint64_t>(data_.size()) - at;
  }
  QByteArray Bytes(std::uint64_t at, std::uint64_t count) const {
    if (!Has(at, count)) return {};
    return data_.mid(static_cast<qsizetype>(at), static_cast<qsizetype>(count));
  }

 private:
  std::optional<std::uint32_t> Read(std::uint64_t at, int size) const {
    if (!Has(at, static_cast<std::uint64_t>(size))) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
      v = (v << 8) | static_cast<std::uint8_t>(data_[static_cast<qsizetype>(at) + i]);
    return v;
  }
  const QByteArray& data_;
};

struct Section {
  std::uint32_t virtual_address;
  std::uint32_t virtual_size;
  std::uint32_t raw_size;
  std::uint32_t raw_offset;
};

class PeResources {
 public:
  explicit PeResources(const QByteArray& data) : in_(data) {}

  bool Open() {
    if (!in_.Has(0, 64) || in_.Bytes(0, 2) != "MZ") return false;
    const auto pe = in_.U32(0x3C);
    if (!pe || in_.Bytes(*pe, 4) != QByteArray("PE\0\0", 4)) return false;
    const auto sections = in_.U16(*pe + 6);
    const auto optional_size = in_.U16(*pe + 20);
    const auto magic = in_.U16(*pe + 24);
    if (!sections || !optional_size || !magic) return false;
    const std::uint64_t optional = *pe + 24;
    std::uint64_t dirs = 0;
    std::optional<std::uint32_t> dir_count;
    if (*magic == 0x10B) {
      dir_count = in_.U32(optional + 92);
      dirs = optional + 96;
    } else if (*magic == 0x20B) {
      dir_count = in_.U32(optional + 108);
      dirs = optional + 112;
    } else {
      return false;
    }
    if (!dir_count || *dir_count < 3 || dirs + 24 > optional + *optional_size) return false;
    const auto resource_rva = in_.U32(dirs + 16);
    if (!resource_rva || *resource_rva == 0) return false;
    const std::uint64_t table = optional + *optional_size;
    for (std::uint32_t i = 0; i < *sections; ++i) {
      const std::uint64_t s = table + 40ull * i;
      const auto va = in_.U32(s + 12);
      const auto vsize = in_.U32(s + 8);
      const auto raw_size = in_.U32(s + 16);
      const auto raw_offset = in_.U32(s + 20);
      if (!va || !vsize || !raw_size || !raw_offset) return false;
      sections_.push_back({*va, *vsize, *raw_size, *raw_offset});
    }
    const auto base = Offset(*resource_rva);
    if (!base) return false;
    base_ = *base;
    return true;
  }

  // The (first-language) data of every resource of a type, by id or by
  // position for named ones, in directory order.
  std::vector<std::pair<std::uint32_t, QByteArray>> Resources(std::uint32_t type) const {
    std::vector<std::pair<std::uint32_t, QByteArray>> out;
    const auto type_dir = Child(base_, type);
    if (!type_dir) return out;
    for (const auto& [name, offset, is_dir] : Entries(*type_dir)) {
      if (!is_dir) continue;
      const auto languages = Entries(base_ + offset);
      if (languages.empty()) continue;
      const auto& [lang, data_offset, lang_is_dir] = languages.front();
      (void)lang;
      if (lang_is_dir) continue;
      const std::uint64_t entry = base_ + data_offset;
      const auto rva = in_.U32(entry);
      const auto size = in_.U32(entry + 4);
      if (!rva || !size) continue;
      const auto at = Offset(*rva);
      if (!at || !in_.Has(*at, *size)) continue;
      out.emplace_back(name, in_.Bytes(*at, *size));
    }
    return out;
  }

 private:
  struct Entry {
    std::uint32_t name;
    std::uint32_t offset;
    bool is_dir;
  };

  std::optional<std::uint64_t> Offset(std::uint32_t rva) const {
    for (const Section& s : sections_) {
      const std::uint64_t span = std::max(s.virtual_size, s.raw_size);
      if (rva >= s.virtual_address && rva - s.virtual_address < span) {
        const std::uint64_t delta = rva - s.virtual_address;
        if (delta >= s.raw_size) return std::nullopt;
        return static_cast<std::uint64_t>(s.raw_offset) + delta;
      }
    }
    return std::nullopt;
  }

  std::vector<Entry> Entries(std::uint64_t dir) const {
    std::vector<Entry> out;
    const auto named = in_.U16(dir + 12);
    const auto ids = in_.U16(dir + 14);
    if (!named || !ids) return out;
    const std::uint32_t count = std::min<std::uint32_t>(*named + *ids, kMaxEntries);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t e = dir + 16 + 8ull * i;
      const auto name = in_.U32(e);
      const auto offset = in_.U32(e + 4);
      if (!name || !offset) break;
      out.push_back({(*name & 0x80000000u) ? 0x80000000u + i : *name, *offset & 0x7FFFFFFFu,
                     (*offset & 0x80000000u) != 0});
    }
    return out;
  }

  std::optional<std::uint64_t> Child(std::uint64_t dir, std::uint32_t id) const {
    for (const Entry& e : Entries(dir)) {
      if (e.name == id && e.is_dir) return base_ + e.offset;
    }
    return std::nullopt;
  }

  Reader in_;
  std::vector<Section> sections_;
  std::uint64_t base_ = 0;
};

void PutU16(QByteArray& out, std::uint32_t v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}

void PutU32(QByteArray& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// An .ico file from an icon group and the icon images it names.
QByteArray IcoFromGroup(const QByteArray& group, const std::map<std::uint32_t, QByteArray>& images) {
  const Reader in(group);
  const auto type = in.U16(2);
  const auto count = in.U16(4);
  if (!type || *type != 1 || !count || *count == 0) return {};
  struct Image {
    QByteArray head;  // width, height, colours, reserved, planes, bits
    const QByteArray* data;
  };
  std::vector<Image> chosen;
  std::vector<std::uint32_t> taken;
  for (std::uint32_t i = 0; i < *count; ++i) {
    const std::uint64_t e = 6 + 14ull * i;
    const auto id = in.U16(e + 12);
    if (!id) break;
    auto found = images.find(*id);
    if (found == images.end() || found->second.isEmpty()) continue;
    if (std::find(taken.begin(), taken.end(), *id) != taken.end()) continue;
    taken.push_back(*id);
    chosen.push_back({in.Bytes(e, 8), &found->second});
  }
  if (chosen.empty()) return {};
  QByteArray out;
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, static_cast<std::uint32_t>(chosen.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(chosen.size());
  for (const Image& image : chosen) {
    out.append(image.head);
    PutU32(out, static_cast<std::uint32_t>(image.data->size()));
    PutU32(out, offset);
    offset += static_cast<std::uint32_t>(image.data->size());
  }
  for (const Image& image : chosen) out.append(*image.data);
  return out;
}

bool LooksLikeIco(const QByteArray& data) {
  const Reader in(data);
  const auto reserved = in.U16(0);
  const auto type = in.U16(2);
  const auto count = in.U16(4);
  return reserved && *reserved == 0 && type && *type == 1 && count && *count > 0 && in.Has(6, 16ull * *count);
}

}  // namespace

std::vector<QByteArray> ExtractIconFiles(const QByteArray& data) {
  if (LooksLikeIco(data)) return {data};
  PeResources pe(data);
  if (!pe.Open()) return {};
  std::map<std::uint32_t, QByteArray> images;
  for (auto& [id, bytes] : pe.Resources(kRtIcon)) images.emplace(id, std::move(bytes));
  std::vector<QByteArray> icons;
  qsizetype total = 0;
  for (const auto& [id, group] : pe.Resources(kRtGroupIcon)) {
    (void)id;
    QByteArray ico = IcoFromGroup(group, images);
    if (ico.isEmpty()) continue;
    total += ico.size();
    if (total > kMaxOutput) break;
    icons.push_back(std::move(ico));
  }
  return icons;
}

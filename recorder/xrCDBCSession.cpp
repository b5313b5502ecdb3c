// Session import, the session start of a burn and file extraction: the
// recorder reads back what earlier sessions put on the disc.
//
// Everything here reads a disc that may be damaged or made by anyone, so
// every length is checked against its record and its sector, directories
// are read once each (a loop of extents cannot recurse), and whatever is
// passed over is said in ImportSkipped() and on the debug line.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/core/Exceptions.h"
#include "recorder/xrCDBC.h"

namespace {

constexpr int kDirSector = 2048;
// Deeper than any file system a person makes; a crafted disc stops here.
constexpr int kMaxImportDepth = 64;
// Sectors one READ(10) of an extraction takes.
constexpr int kExtractSectors = 31;

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UCS-2 / UTF-16 big-endian to UTF-8; a lone surrogate becomes U+FFFD.
std::string FromUtf16Be(const std::uint8_t* p, std::size_t bytes) {
  std::string out;
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    std::uint32_t c = (static_cast<std::uint32_t>(p[i]) << 8) | p[i + 1];
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes) {
      const std::uint32_t low = (static_cast<std::uint32_t>(p[i + 2]) << 8) | p[i + 3];
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

// A file identifier without its version (";1"); a folder's is left alone.
std::string WithoutVersion(std::string name) {
  const auto semi = name.rfind(';');
  if (semi != std::string::npos &&
      std::all_of(name.begin() + static_cast<std::ptrdiff_t>(semi) + 1, name.end(),
                  [](char c) { return c >= '0' && c <= '9'; })) {
    name.erase(semi);
  }
  return name;
}

// The seven-byte recording date, with its offset from GMT in quarter hours.
bool RecordTime(const std::uint8_t* d, Clock::TimePoint& out) {
  std::tm tm{};
  tm.tm_year = d[0];
  tm.tm_mon = d[1] - 1;
  tm.tm_mday = d[2];
  tm.tm_hour = d[3];
  tm.tm_min = d[4];
  tm.tm_sec = d[5];
  if (d[1] < 1 || d[1] > 12 || d[2] < 1 || d[2] > 31 || d[3] > 23 || d[4] > 59 || d[5] > 59) return false;
  const int offset = static_cast<std::int8_t>(d[6]);
  if (offset < -48 || offset > 52) return false;
  const std::time_t t = ::timegm(&tm) - static_cast<std::time_t>(offset) * 15 * 60;
  out = Clock::TimePoint(std::chrono::seconds(t));
  return true;
}

}  // namespace

void TQCDBurner::ImportSkip(const std::string& what) {
  import_skipped_.push_back(what);
  Debug(">>> IMPORT SKIPPED " + what, 4);
}

bool TQCDBurner::ReadDiscSector(std::uint32_t lba, std::uint8_t* buffer) {
  return Read10(lba, 1, buffer, kDirSector);
}

bool TQCDBurner::ImportSession(int SessionNo, TDEntry* TargetDir) {
  if (!TargetDir) TargetDir = RootDir();
  import_skipped_.clear();
  import_visited_.clear();
  const int count = GetSessionCount();
  if (count <= 0) return false;
  if (SessionNo < 0 || SessionNo > count) SessionNo = count;
  if (SessionNo == 0) return false;
  Debug(">>> IMPORTING SESSION # " + std::to_string(SessionNo), 1);
  if (!ReadTrackInformation(static_cast<std::uint32_t>(SessionNo))) {
    Debug(">>> ERROR IMPORTING SESSION # " + std::to_string(SessionNo), 4);
    return false;
  }
  const std::uint32_t start = TrackInfo.TrackStart;
  std::vector<std::uint8_t> sector(kDirSector);
  // Joliet first, the plain ISO tree when the disc has no Joliet.
  for (const bool joliet : {true, false}) {
    for (std::uint32_t lba = start + 16; lba <= start + 36; ++lba) {
      if (!ReadDiscSector(lba, sector.data())) continue;
      if (std::memcmp(sector.data() + 1, "CD001", 5) != 0) continue;
      const std::uint8_t type = sector[0];
      if (type == 255) break;
      const bool is_joliet = type == 2 && sector[88] == '%' && sector[89] == '/' &&
                             (sector[90] == '@' || sector[90] == 'C' || sector[90] == 'E');
      if ((joliet && is_joliet) || (!joliet && type == 1)) {
        const std::uint8_t* root = sector.data() + 156;
        ImportDirectory(Le32(root + 2), Le32(root + 10), TargetDir, joliet, 0);
        return true;
      }
    }
  }
  Debug(">>> ERROR IMPORTING SESSION " + std::to_string(SessionNo) + " (ISO IMAGE NOT FOUND)", 4);
  return false;
}

bool TQCDBurner::ImportJolietDirectory(std::int64_t Extent, std::int64_t Size, TDEntry* Target) {
  return ImportDirectory(Extent, Size, Target ? Target : RootDir(), true, 0);
}

bool TQCDBurner::ImportIsoDirectory(std::int64_t Extent, std::int64_t Size, TDEntry* Target) {
  return ImportDirectory(Extent, Size, Target ? Target : RootDir(), false, 0);
}

bool TQCDBurner::ImportDirectory(std::int64_t extent, std::int64_t size, TDEntry* target, bool joliet,
                                 int depth) {
  const std::string where = target->Path;
  if (extent <= 0 || size <= 0) {
    ImportSkip("EMPTY DIRECTORY EXTENT IN " + where);
    return false;
  }
  if (!import_visited_.insert(extent).second) {
    ImportSkip("DIRECTORY EXTENT " + std::to_string(extent) + " REACHED TWICE IN " + where);
    return false;
  }
  if (depth > kMaxImportDepth) {
    ImportSkip("FOLDERS NESTED TOO DEEP IN " + where);
    return false;
  }

  // A file of several extents: the records follow each other, all but the
  // last with the multi-extent flag; joined when they lie back to back.
  struct Pending {
    std::string name;
    std::int64_t start = 0, size = 0, next = 0;
    Clock::TimePoint time{};
    int attr = 0;
    bool broken = false;
  } pending;
  bool open = false;
  bool handled = false;

  const auto finish_file = [&] {
    if (!open) return;
    open = false;
    if (pending.broken) {
      ImportSkip("FILE IN PIECES NOT BACK TO BACK " + where + "\\" + pending.name);
      return;
    }
    if (pending.size > 0 && pending.start <= 0) {
      ImportSkip("FILE WITHOUT DATA ADDRESS " + where + "\\" + pending.name);
      return;
    }
    TFileInfo info;
    info.Name = pending.name;
    info.Size = pending.size;
    info.Attr = pending.attr;
    info.Time = pending.time;
    // Empty files keep address 0: they take no space and need no data.
    const std::int64_t address = pending.size > 0 ? pending.start : 0;
    const TFEntry* before = Compilation().FindChild(target, pending.name);
    if (!AddFileEntry(target, info, std::string(), address, false) && !before) {
      ImportSkip("FILE NOT ADDED " + where + "\\" + pending.name);
    }
    handled = true;
  };

  std::vector<std::uint8_t> sector(kDirSector);
  const std::int64_t sectors = iso::Sectors(size);
  for (std::int64_t s = 0; s < sectors; ++s) {
    if (!ReadDiscSector(static_cast<std::uint32_t>(extent + s), sector.data())) {
      ImportSkip("UNREADABLE DIRECTORY SECTOR " + std::to_string(extent + s) + " IN " + where);
      break;
    }
    const std::int64_t limit = std::min<std::int64_t>(kDirSector, size - s * kDirSector);
    std::int64_t pos = 0;
    while (pos + 33 < limit) {
      const std::uint8_t* r = sector.data() + pos;
      const int len = r[0];
      // Records never cross a sector: a zero length means the rest is padding.
      if (len == 0) break;
      const int id_len = r[32];
      if (len < 34 || pos + len > limit || 33 + id_len > len) {
        ImportSkip("DAMAGED DIRECTORY RECORD IN " + where);
        break;
      }
      pos += len;  // system-use data after the identifier is passed over with it
      if (id_len == 1 && (r[33] == 0 || r[33] == 1)) continue;  // "." and ".."
      const std::uint8_t flags = r[25];
      std::string name;
      if (joliet) {
        name = FromUtf16Be(r + 33, static_cast<std::size_t>(id_len & ~1));
      } else {
        name.assign(reinterpret_cast<const char*>(r + 33), static_cast<std::size_t>(id_len));
      }
      const bool is_dir = (flags & 0x02) != 0;
      if (!is_dir) {
        name = WithoutVersion(name);
        // ISO 9660 wants the dot even when a name has no extension.
        if (!joliet && name.size() > 1 && name.back() == '.') name.pop_back();
      }
      if (name.empty() || name == "." || name == ".." || name.find_first_of("\\/") != std::string::npos ||
          std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        ImportSkip("INVALID NAME IN " + where);
        continue;
      }
      Clock::TimePoint time{};
      if (!RecordTime(r + 18, time)) ImportSkip("INVALID DATE OF " + where + "\\" + name + " (TAKEN AS 1970)");
      const std::int64_t rec_extent = Le32(r + 2);
      const std::int64_t rec_size = Le32(r + 10);

      if (is_dir) {
        finish_file();
        TDEntry* dir = AddDirEntry(target, name, iso::IsoDirName(name), (flags & 0x01) ? kAttrHidden : 0, time);
        if (!dir) {
          ImportSkip("FOLDER NOT ADDED " + where + "\\" + name);
          continue;
        }
        handled = true;
        ImportDirectory(rec_extent, rec_size, dir, joliet, depth + 1);
        continue;
      }
      if (open && pending.name == name) {
        if (rec_extent != pending.next) pending.broken = true;
        pending.size += rec_size;
        pending.next = rec_extent + iso::Sectors(rec_size);
      } else {
        finish_file();
        pending = Pending{};
        pending.name = name;
        pending.start = rec_extent;
        pending.size = rec_size;
        pending.next = rec_extent + iso::Sectors(rec_size);
        pending.time = time;
        pending.attr = (flags & 0x01) ? kAttrHidden : 0;
        open = true;
      }
      if (!(flags & 0x80)) finish_file();
    }
  }
  finish_file();
  return handled;
}

std::uint32_t TQCDBurner::FindLastVolumeDescriptor() {
  std::vector<std::uint8_t> sector(kDirSector);
  for (std::uint32_t lba = 32; lba >= 16; --lba) {
    if (!ReadDiscSector(lba, sector.data())) continue;
    if (std::memcmp(sector.data() + 1, "CD001", 5) != 0) continue;
    if (sector[0] != 1 && sector[0] != 2) continue;
    return Le32(sector.data() + 80);
  }
  return 0;
}

bool TQCDBurner::GetSessionStart() {
  layout_options_.SessionStart = 0;
  ReadyOrWait(10000, 500);
  const TDiscType type = GetDiscType();
  DrvLib().CurrentDiscType = type;
  const bool finalize = FinalizeDisc();
  SetFinalizeDisc(true);
  SetWriteParameters(TestWrite(), UnderrunProtection(), true, type);
  SetFinalizeDisc(finalize);
  ReadyOrWait(10000, 500);
  // Overwritable media have one growing volume: the next session starts
  // where the last volume descriptor says the volume ends.
  if (type == dtDVDRAM || type == dtDVDPlusRW || type == dtDVDRWRestricted) {
    // On a whole 32-sector block: restricted overwrite takes nothing else,
    // and the blocks after it go out whole.
    layout_options_.SessionStart = (std::int64_t{FindLastVolumeDescriptor()} + 31) / 32 * 32;
    return true;
  }
  // A sequential DVD-RW still sequential here holds sessions (a blank one
  // is formatted to restricted overwrite first): it is appended to at the
  // next track like any write-once disc.
  ReadDiscInfoBlock();
  const int sessions = GetSessionCount();
  if (!ReadTrackInformation(static_cast<std::uint32_t>(std::max(sessions, 0) + 1))) return false;
  layout_options_.SessionStart = TrackInfo.NextWritable;
  return true;
}

std::string SafeFileName(const std::string& name) {
  std::string out;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    out += (u < 0x20 || u == 0x7F || c == '/' || c == '\\') ? '_' : c;
  }
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  return out;
}

bool TQCDBurner::ExtractFile(TFEntry* Entry, const std::string& FileName, bool Overwrite) {
  if (!Entry || Entry->IsDirectory()) return false;
  std::string target = FileName;
  struct stat st;
  if (!target.empty() && (target.back() == '/' || (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))) {
    if (target.back() != '/') target += '/';
    target += SafeFileName(Entry->LongName);
  }
  Debug(">>> EXTRACTING FILE " + Entry->LongName + " TO " + target, 1);
  if (!Overwrite && ::lstat(target.c_str(), &st) == 0) {
    Debug(">>> FILE EXISTS: " + target, 4);
    return false;
  }
  const std::string temp = target + ".part";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    Debug(">>> CAN'T CREATE FILE \"" + target + "\" [" + SysErrorMessage(errno) + "]", 4);
    return false;
  }
  std::vector<std::uint8_t> buffer(65536);
  std::int64_t left = Entry->IsoSize;
  std::int64_t lba = Entry->IsoAddress;
  std::string error;
  while (left > 0 && error.empty()) {
    const std::int64_t bytes = std::min<std::int64_t>(left, kExtractSectors * kSectorSize);
    const auto count = static_cast<std::uint16_t>(iso::Sectors(bytes));
    if (!Read10(static_cast<std::uint32_t>(lba), count, buffer.data(), count * static_cast<std::uint32_t>(kSectorSize))) {
      error = "CAN'T READ SECTOR " + std::to_string(lba) + " [" + LastError + "]";
      break;
    }
    const std::uint8_t* p = buffer.data();
    std::size_t n = static_cast<std::size_t>(bytes);
    while (n > 0) {
      const ssize_t w = ::write(fd, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        error = "CAN'T WRITE FILE \"" + target + "\" [" + SysErrorMessage(w < 0 ? errno : ENOSPC) + "]";
        break;
      }
      p += w;
      n -= static_cast<std::size_t>(w);
    }
    left -= bytes;
    lba += count;
  }
  if (error.empty()) {
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(Entry->DateTime.time_since_epoch()).count();
    const struct timespec times[2] = {{secs, 0}, {secs, 0}};
    ::futimens(fd, times);
  }
  if (::close(fd) != 0 && error.empty()) error = "CAN'T WRITE FILE \"" + target + "\" [" + SysErrorMessage(errno) + "]";
  if (error.empty()) {
    // Without Overwrite the name is taken only if it is still free.
    const int r = Overwrite ? ::rename(temp.c_str(), target.c_str()) : ::link(temp.c_str(), target.c_str());
    if (r != 0) error = "CAN'T CREATE FILE \"" + target + "\" [" + SysErrorMessage(errno) + "]";
  }
  ::unlink(temp.c_str());
  if (!error.empty()) {
    Debug(">>> " + error, 4);
    return false;
  }
  return true;
}

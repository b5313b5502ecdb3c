#include "recorder/xrCDBC.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>

#include "platform/core/DirEnum.h"
#include "platform/core/Dispatcher.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FileUtils.h"

namespace {

Clock::TimePoint FileTime(const struct stat& st) {
  return Clock::TimePoint(std::chrono::duration_cast<Clock::TimePoint::duration>(
      std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool StatInfo(const std::string& path, TFileInfo& info, struct stat& st) {
  if (::stat(path.c_str(), &st) != 0) return false;
  info.Name = BaseName(path);
  info.Size = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
  info.Attr = AttributesOf(path, info.Name, st);
  info.Time = FileTime(st);
  return true;
}

// The names in a host folder, sorted so that a compilation comes out the
// same whatever order the file system lists them in. False when the folder
// cannot be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& names, int& error) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) {
    error = errno;
    return false;
  }
  errno = 0;
  while (const dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  error = errno;
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return error == 0;
}

std::string ToCompilationPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// A file written through a small ring of buffers by a thread of its own, so
// that reading the sources and writing the image overlap; the buffers are
// small enough to stay in the processor's cache between the two copies.
// The first error sticks.
class ImageOut {
 public:
  explicit ImageOut(int fd) : fd_(fd) {
    for (auto& b : buffers_) b = std::make_unique<std::uint8_t[]>(kSize);
    writer_ = std::thread([this] { WriteLoop(); });
  }
  ~ImageOut() {
    {
      std::lock_guard guard(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    writer_.join();
  }
  std::int64_t Position() const { return position_; }
  int Error() const { return error_; }
  // Room in the current buffer; at least one byte.
  std::uint8_t* Room(std::size_t& room) {
    if (fill_ == kSize) Handoff();
    room = kSize - fill_;
    return buffers_[current_].get() + fill_;
  }
  void Commit(std::size_t n) {
    fill_ += n;
    position_ += static_cast<std::int64_t>(n);
  }
  void Append(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
      std::size_t room;
      std::uint8_t* to = Room(room);
      const std::size_t piece = std::min(room, n);
      std::memcpy(to, p, piece);
      Commit(piece);
      p += piece;
      n -= piece;
    }
  }
  void Zeros(std::size_t n) {
    while (n > 0) {
      std::size_t room;
      std::uint8_t* to = Room(room);
      const std::size_t piece = std::min(room, n);
      std::memset(to, 0, piece);
      Commit(piece);
      n -= piece;
    }
  }
  // Writes out everything and waits for it; false on an error.
  bool Flush() {
    if (fill_ > 0) Handoff();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return pending_.empty() && !busy_; });
    return error_ == 0;
  }

 private:
  static constexpr std::size_t kSize = 256 << 10;
  static constexpr std::size_t kCount = 4;

  void Handoff() {
    std::unique_lock lock(mutex_);
    pending_.push_back({current_, fill_});
    changed_.notify_all();
    current_ = (current_ + 1) % kCount;
    // The next buffer is free once the writer has left it.
    changed_.wait(lock, [&] {
      if (busy_ && writing_ == current_) return false;
      for (const auto& item : pending_) {
        if (item.first == current_) return false;
      }
      return true;
    });
    fill_ = 0;
  }

  void WriteLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stop_ || !pending_.empty(); });
      if (pending_.empty()) return;
      const auto [index, count] = pending_.front();
      pending_.pop_front();
      busy_ = true;
      writing_ = index;
      lock.unlock();
      WriteAll(buffers_[index].get(), count);
      lock.lock();
      busy_ = false;
      changed_.notify_all();
    }
  }

  void WriteAll(const std::uint8_t* p, std::size_t n) {
    if (error_) return;
    while (n > 0) {
      const ssize_t w = ::write(fd_, p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        error_ = errno;
        return;
      }
      if (w == 0) {
        error_ = ENOSPC;
        return;
      }
      p += w;
      n -= static_cast<std::size_t>(w);
    }
  }

  int fd_;
  std::array<std::unique_ptr<std::uint8_t[]>, kCount> buffers_;
  std::size_t current_ = 0;
  std::size_t fill_ = 0;
  std::int64_t position_ = 0;
  std::atomic<int> error_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::size_t, std::size_t>> pending_;
  bool busy_ = false;
  std::size_t writing_ = 0;
  bool stop_ = false;
  std::thread writer_;
};

// A new file beside `target`, made with the usual permissions; renamed over
// the target only once the image is complete.
int CreateTemporary(const std::string& target, std::string& temp) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = target + ".part" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

std::string WriteErrorText(const std::string& file, int error) {
  return "CAN'T WRITE FILE " + Quoted(file) + " [" + SysErrorMessage(error) + "]";
}

}  // namespace

void PadLeftNumber(int Width, const std::string& Fill, std::string& Result, std::int64_t Value) {
  const std::string digits = std::to_string(Value);
  Result.clear();
  for (int i = static_cast<int>(digits.size()); i < Width; ++i) Result += Fill;
  Result += digits;
}

TQCDBurner::TQCDBurner() : alive_(std::make_shared<TQCDBurner*>(this)) { InitCompilation(65535, 8191); }

TQCDBurner::~TQCDBurner() {
  alive_.reset();
  abort_requested_ = true;
  JoinWriteThread();
  std::lock_guard guard(device_lock_);
  cache_.reset();
}

void TQCDBurner::Debug(const std::string& text, int level) {
  DebugMessage(text, static_cast<std::uint8_t>(level));
}

void TQCDBurner::SetCacheSize(int v) {
  if (v < 2097152) v = 2097152;
  cache_size_ = v / 2048 * 2048;
}

bool TQCDBurner::InitCompilation(int MaxFiles, int MaxDirs) {
  std::vector<std::uint8_t>().swap(header_);
  tables_.Init(MaxFiles, MaxDirs);
  layout_ = TLayoutFigures{};
  return true;
}

TDEntry* TQCDBurner::FindDirByPath(const std::string& Path) const {
  if (Path.empty() || Path == "\\") return tables_.Root();
  std::string path = Path;
  if (path.back() == '\\') path.pop_back();
  return tables_.FindDir(path);
}

TDEntry* TQCDBurner::AddDirEntry(TDEntry* parent, const std::string& name, const std::string& short_name,
                                 int attr, Clock::TimePoint time) {
  if (TFEntry* existing = tables_.FindChild(parent, name); existing && existing->IsDirectory()) {
    return existing->Dir;
  }
  const std::string path = (parent == tables_.Root() ? std::string() : parent->Path) + "\\" + name;
  if (const TFEntry* clash = tables_.FindChild(parent, name); clash && !clash->IsDirectory()) {
    Debug("A FILE OF THE SAME NAME EXISTS: " + path, 3);
    return nullptr;
  }
  if (tables_.DirsFull()) {
    Debug(">>> MAXIMUM DIRECTORIES CAN BE " + std::to_string(tables_.MaxDirs()), 3);
    return nullptr;
  }
  if (tables_.FilesFull()) {
    Debug("MAXIMUM FILES CAN BE " + std::to_string(tables_.MaxFiles()), 3);
    return nullptr;
  }
  TDEntry* dir = tables_.AddDirRecord(parent, name, short_name);
  dir->Entry()->Attr = attr | kAttrDirectory;
  dir->Entry()->DateTime = time;
  return dir;
}

TDEntry* TQCDBurner::CreateDir(const std::string& DestPath, const std::string& Name) {
  TDEntry* parent = FindDirByPath(DestPath);
  if (!parent) {
    Debug("INVALID DESTINATION PATH", 4);
    return nullptr;
  }
  std::string name = Name;
  if (!name.empty() && name.front() == '\\') name.erase(0, 1);
  if (!name.empty() && name.back() == '\\') name.pop_back();
  if (name.empty() || name.find('\\') != std::string::npos) {
    Debug("INVALID FOLDER NAME: " + Quoted(Name), 3);
    return nullptr;
  }
  if (!iso::JolietNameFits(name, false)) {
    Debug("NAME TOO LONG: " + Quoted(name), 3);
    return nullptr;
  }
  return AddDirEntry(parent, name, iso::IsoDirName(name), kAttrDirectory, TheClock().Now());
}

TDEntry* TQCDBurner::ForcePath(const std::string& path) {
  if (TDEntry* d = FindDirByPath(path)) return d;
  std::string p = path;
  if (!p.empty() && p.back() == '\\') p.pop_back();
  const auto cut = p.find_last_of('\\');
  const std::string head = cut == std::string::npos ? std::string() : p.substr(0, cut);
  const std::string last = cut == std::string::npos ? p : p.substr(cut + 1);
  TDEntry* parent = head.empty() ? tables_.Root() : ForcePath(head);
  if (!parent || last.empty()) return parent;
  if (!iso::JolietNameFits(last, false)) {
    Debug("NAME TOO LONG: " + Quoted(last), 3);
    return nullptr;
  }
  return AddDirEntry(parent, last, iso::IsoDirName(last), kAttrDirectory, TheClock().Now());
}

int TQCDBurner::AddFileEntry(TDEntry* Dir, const TFileInfo& Info, const std::string& FullPath,
                             std::int64_t Address, bool ArchiveOnly) {
  std::string long_name = Info.Name;
  std::string short_name = iso::IsoFileName(long_name);
  Clock::TimePoint time = Info.Time;
  const TFEntry* existing = tables_.FindChild(Dir, long_name);
  std::string reason;
  if (!iso::JolietNameFits(long_name, true)) {
    reason = "NAME TOO LONG";
  } else if (existing && existing->IsDirectory()) {
    reason = "A FOLDER OF THE SAME NAME EXISTS";
  }
  bool skip = !reason.empty();
  if (OnAddFile) OnAddFile(this, FullPath, long_name, short_name, time, Info.Attr, Info.Size, skip, reason);
  if (skip) {
    if (!reason.empty()) Debug(reason + ": " + Quoted(FullPath), 3);
    return 0;
  }
  // The handler may have renamed the entry: check again what it chose.
  if (long_name.empty() || long_name.find('\\') != std::string::npos) {
    Debug("INVALID FILE NAME: " + Quoted(FullPath), 3);
    return 0;
  }
  if (!iso::JolietNameFits(long_name, true)) {
    Debug("NAME TOO LONG: " + Quoted(FullPath), 3);
    return 0;
  }
  TFEntry* entry = tables_.FindChild(Dir, long_name);
  if (entry && entry->IsDirectory()) {
    // A file replaces a file, never a folder with all it holds.
    Debug("A FOLDER OF THE SAME NAME EXISTS: " + Quoted(FullPath), 3);
    return 0;
  }
  if (entry && !replace_file_) return 0;
  if (!entry) {
    if (tables_.FilesFull()) {
      Debug("MAXIMUM FILES CAN BE " + std::to_string(tables_.MaxFiles()), 3);
      return 0;
    }
    entry = tables_.AddFileRecord(Dir);
  }
  tables_.Rename(Dir, entry, long_name);
  entry->ShortName = iso::IsoFileName(short_name);
  entry->IsoSize = entry->JolietSize = Info.Size;
  entry->Attr = Info.Attr;
  entry->DateTime = time;
  entry->SourcePath = FullPath;
  entry->ArchiveOnly = ArchiveOnly;
  entry->Imported = Address != 0;
  if (entry->Imported) entry->IsoAddress = entry->JolietAddress = Address;
  return 1;
}

int TQCDBurner::AddFile(const std::string& DestPath, const std::string& FileName, bool SavePath) {
  TDEntry* dest;
  if (SavePath) {
    const auto slash = FileName.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : FileName.substr(0, slash + 1);
    const std::string path = ToCompilationPath(folder);
    ForcePath(path);
    dest = FindDirByPath(path);
  } else {
    dest = FindDirByPath(DestPath);
  }
  if (!dest) {
    Debug("INVALID DESTINATION PATH", 4);
    return 0;
  }
  TFileInfo info;
  struct stat st;
  if (!StatInfo(FileName, info, st)) return -1;
  if (!S_ISREG(st.st_mode)) {
    Debug("NOT A REGULAR FILE, LEFT OUT: " + Quoted(FileName), 3);
    return 1;
  }
  AddFileEntry(dest, info, FileName, 0, false);
  return 1;
}

int TQCDBurner::AddDir(const std::string& DestPath, const std::string& SourceDir, const std::string& Mask,
                       int Attr, bool Recursive, bool SavePath, bool ArchiveOnly) {
  TDEntry* dest = FindDirByPath(DestPath);
  if (!dest) {
    Debug("INVALID DESTINATION PATH", 4);
    return 0;
  }
  std::string source = SourceDir;
  if (SavePath) {
    std::string path = ToCompilationPath(source);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    if (dest != tables_.Root()) path = dest->Path + path;
    ForcePath(path);
    dest = FindDirByPath(path);
    if (!dest) {
      Debug("INVALID DESTINATION PATH", 4);
      return 0;
    }
  }
  if (source.empty() || source.back() != '/') source += '/';
  std::vector<std::pair<dev_t, ino_t>> ancestors;
  struct stat st;
  if (::stat(source.c_str(), &st) == 0) ancestors.emplace_back(st.st_dev, st.st_ino);
  return AddDirContents(dest, source, Mask.empty() ? "*.*" : Mask, Attr, Recursive, ArchiveOnly, ancestors);
}

int TQCDBurner::AddDirContents(TDEntry* dest, const std::string& source, const std::string& mask, int attr,
                               bool recursive, bool archive_only,
                               std::vector<std::pair<dev_t, ino_t>>& ancestors) {
  std::vector<std::string> names;
  int error = 0;
  if (!ListFolder(source, names, error)) {
    Debug("CAN'T READ FOLDER " + Quoted(source) + " [" + SysErrorMessage(error) + "]", 4);
    return 0;
  }
  struct Item {
    std::string path;
    TFileInfo info;
    bool folder;
    bool regular;
    dev_t dev;
    ino_t ino;
  };
  std::vector<Item> items;
  items.reserve(names.size());
  for (const std::string& name : names) {
    Item item;
    item.path = source + name;
    struct stat st;
    if (!StatInfo(item.path, item.info, st)) {
      Debug("CAN'T READ " + Quoted(item.path) + " [" + SysErrorMessage(errno) + "]", 3);
      continue;
    }
    item.folder = S_ISDIR(st.st_mode);
    item.regular = S_ISREG(st.st_mode);
    item.dev = st.st_dev;
    item.ino = st.st_ino;
    items.push_back(std::move(item));
  }
  const FileMask file_mask(mask);
  int result = 0;
  if (recursive) {
    for (Item& item : items) {
      if (!item.folder) continue;
      result = 1;
      if (std::find(ancestors.begin(), ancestors.end(), std::make_pair(item.dev, item.ino)) !=
          ancestors.end()) {
        Debug("FOLDER LOOP LEFT OUT: " + Quoted(item.path), 3);
        continue;
      }
      std::string long_name = item.info.Name;
      std::string short_name = iso::IsoDirName(long_name);
      const std::string reason = iso::JolietNameFits(long_name, false) ? "" : "NAME TOO LONG";
      bool skip = !reason.empty();
      if (OnAddDir) OnAddDir(this, long_name, short_name, skip, reason);
      if (skip) {
        if (!reason.empty()) Debug(reason + ": " + Quoted(item.path), 3);
        continue;
      }
      if (long_name.empty() || long_name.find('\\') != std::string::npos ||
          !iso::JolietNameFits(long_name, false)) {
        Debug("NAME TOO LONG: " + Quoted(item.path), 3);
        continue;
      }
      TDEntry* dir =
          AddDirEntry(dest, long_name, iso::IsoDirName(short_name), item.info.Attr, item.info.Time);
      if (!dir) return 0;
      ancestors.emplace_back(item.dev, item.ino);
      result = AddDirContents(dir, item.path + "/", mask, attr, recursive, archive_only, ancestors);
      ancestors.pop_back();
      if (!dir->FirstChild) RemoveDir(dir);
    }
  }
  for (Item& item : items) {
    if (item.folder || !file_mask.Matches(item.info.Name)) continue;
    if (!item.regular) {
      Debug("NOT A REGULAR FILE, LEFT OUT: " + Quoted(item.path), 3);
      continue;
    }
    if (archive_only && !(item.info.Attr & kAttrArchive)) continue;
    result = AddFileEntry(dest, item.info, item.path, 0, archive_only);
  }
  return result;
}

void TQCDBurner::RemoveEntry(TDEntry*& Dir, TFEntry*& Entry) {
  if (!Dir || !Entry) return;
  tables_.RemoveEntry(Dir, Entry);
  Entry = nullptr;
}

bool TQCDBurner::RemoveDir(TDEntry*& Dir) {
  if (!Dir || Dir == tables_.Root()) return false;
  tables_.RemoveEntry(Dir->Parent, Dir->Entry());
  Dir = nullptr;
  return true;
}

std::int64_t TQCDBurner::GetTrackSectors() const {
  return write_post_gap_ ? std::max<std::int64_t>(300, layout_.TrackSectors) : layout_.TrackSectors;
}

int TQCDBurner::GetCacheFillPercent() const {
  std::lock_guard guard(device_lock_);
  if (!writing_ || !cache_) return 0;
  return static_cast<int>(std::nearbyint(static_cast<double>(cache_->BytesInCache()) * 100.0 / cache_size_));
}

std::int64_t TQCDBurner::GetFolderSize(const std::string& Path) const {
  struct stat st;
  if (Path.empty() || Path.back() != '/') {
    return ::stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
  }
  std::int64_t total = 0;
  std::vector<std::string> names;
  int error = 0;
  ListFolder(Path, names, error);
  for (const std::string& name : names) {
    const std::string path = Path + name;
    if (::lstat(path.c_str(), &st) != 0) continue;
    // Linked folders are not followed: a link can lead back up the tree.
    if (S_ISDIR(st.st_mode)) {
      total += GetFolderSize(path + "/");
    } else if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      total += st.st_size;
    }
  }
  return total;
}

bool TQCDBurner::ClearArchiveBits() {
  bool all = true;
  for (const auto& e : tables_.Files()) {
    if (e->IsDirectory() || !(e->Attr & kAttrArchive) || !e->ArchiveOnly || e->SourcePath.empty()) continue;
    if (FileSetAttr(e->SourcePath, e->Attr & ~kAttrArchive) != 0) {
      Debug("CAN'T CLEAR THE ARCHIVE BIT OF " + Quoted(e->SourcePath), 3);
      all = false;
    }
  }
  return all;
}

bool TQCDBurner::Prepare(bool ImageOnly, TDEntry* ImportTarget) {
  return PrepareLayout(ImageOnly, ImportTarget);
}

bool TQCDBurner::PrepareLayout(bool ImageOnly, TDEntry* ImportTarget) {
  layout_options_ = TLayoutOptions{};
  if (!ImageOnly) {
    DrvLib().CurrentDiscType = GetDiscType();
    if (burn_layout_) {
      if (!GetSessionStart()) Debug(">>> ERROR GETTING NEXT WRITABLE ADDRESS", 0);
      if (layout_options_.SessionStart > 0xFF000000LL) layout_options_.SessionStart = 0;
    }
    if (SessionToImport != 0) ImportSession(SessionToImport, ImportTarget);
  }
  const std::int64_t session_start = layout_options_.SessionStart;
  if (Bootable) {
    struct stat st;
    if (BootImage.empty() || ::stat(BootImage.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
      Bootable = false;
    } else {
      layout_options_.BootImageBytes = st.st_size;
      layout_options_.BootName = ExtractFileName(BootImage);
    }
  }
  SetDoDebug(false);
  layout_options_.Bootable = Bootable;
  layout_options_.Joliet = joliet_;
  layout_options_.SessionStart = session_start;
  layout_ = iso::Layout(tables_, layout_options_);
  return true;
}

void TQCDBurner::BuildFileSystemHeader() {
  iso::BuildHeader(tables_, layout_, layout_options_, ids_, TheClock().Now(), header_, descriptor_copy_);
  layout_.TrackSectors = layout_.VolumeEnd - layout_.SessionStart;
  SetDoDebug(true);
}

std::vector<TCacheItem> TQCDBurner::CacheItems() {
  std::vector<TCacheItem> items;
  for (const auto& e : tables_.Files()) {
    if (e->IsDirectory() || e->SourcePath.empty() || e->Imported) continue;
    items.push_back({e->SourcePath, e->IsoSize});
  }
  return items;
}

std::string TQCDBurner::WriteImageDirect(const std::string& file_name) {
  std::string temp;
  const int fd = CreateTemporary(file_name, temp);
  if (fd < 0) return "CAN'T CREATE FILE " + Quoted(file_name) + " [" + SysErrorMessage(errno) + "]";
  ImageOut out(fd);
  std::string error;

  // Copies exactly `size` bytes and zeros up to the sector end; a source
  // that is shorter or longer now than when it was added fails the build.
  const auto copy = [&](const std::string& path, std::int64_t size) -> std::string {
    TSourceFile source(path, size);
    std::string failure = source.OpenFailure();
    std::int64_t left = size;
    while (left > 0 && failure.empty()) {
      std::size_t room;
      std::uint8_t* to = out.Room(room);
      const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(room, left));
      failure = source.ReadExactly(to, static_cast<std::int64_t>(piece));
      if (failure.empty()) out.Commit(piece);
      left -= static_cast<std::int64_t>(piece);
    }
    if (failure.empty()) failure = source.CheckEnd();
    if (failure.empty()) out.Zeros(static_cast<std::size_t>(iso::Sectors(size) * kSectorSize - size));
    return failure;
  };

  out.Append(header_.data(), header_.size());
  if (layout_options_.Bootable) error = copy(BootImage, layout_options_.BootImageBytes);
  for (const auto& e : tables_.Files()) {
    if (!error.empty() || out.Error()) break;
    if (e->IsDirectory() || e->SourcePath.empty() || e->Imported) continue;
    if (e->IsoSize > 0) {
      const std::int64_t expected = layout_.FirstFileSector + e->IsoAddress;
      const std::int64_t actual = out.Position() / kSectorSize;
      if (expected != actual) {
        Debug(">>> INTERNAL ERROR 0004 " + e->SourcePath + " " + std::to_string(expected) + "<>" +
                  std::to_string(actual),
              4);
      }
    }
    error = copy(e->SourcePath, e->IsoSize);
  }
  // The writer must be done with the descriptor before it is closed.
  if (!out.Flush() && error.empty()) error = WriteErrorText(file_name, out.Error());
  if (::close(fd) != 0 && error.empty()) error = WriteErrorText(file_name, errno);
  if (error.empty() && ::rename(temp.c_str(), file_name.c_str()) != 0) {
    error = "CAN'T CREATE FILE " + Quoted(file_name) + " [" + SysErrorMessage(errno) + "]";
  }
  if (!error.empty()) ::unlink(temp.c_str());
  return error;
}

int TQCDBurner::CreateImageFile(const std::string& FileName, bool Direct) {
  JoinWriteThread();
  PrepareLayout(true, nullptr);
  BuildFileSystemHeader();
  if (Direct) {
    const std::string error = WriteImageDirect(FileName);
    if (OnWriteDone) OnWriteDone(this, error);
    return error.empty() ? 1 : 0;
  }
  iso_file_name_ = FileName;
  TCacheThread::Params params;
  params.CacheSize = cache_size_;
  params.Header = std::move(header_);
  header_.clear();
  params.TrackBytes = layout_.TrackSectors * kSectorSize;
  if (layout_options_.Bootable) {
    params.BootFile = BootImage;
    params.BootImageBytes = layout_options_.BootImageBytes;
  }
  params.PadShortTrack = write_post_gap_;
  params.BlockSize = 65536;
  params.Files = CacheItems();
  {
    std::lock_guard guard(device_lock_);
    cache_ = std::make_unique<TCacheThread>(std::move(params), device_lock_);
  }
  for (;;) {
    const std::uint64_t seen = cache_->Changes();
    if (cache_->Primed()) {
      StartImageWriteThread();
      return -1;
    }
    const std::string status = cache_->Status();
    if (!status.empty()) {
      cache_->WaitFor();
      {
        std::lock_guard guard(device_lock_);
        cache_.reset();
      }
      if (OnWriteDone) OnWriteDone(this, status);
      return -1;
    }
    cache_->WaitForChange(seen, 100);
  }
}

void TQCDBurner::StartImageWriteThread() {
  JoinWriteThread();
  // An abort asked for before the writer runs has no effect; clearing it
  // here rather than in the thread keeps a later abort (or the destructor's)
  // from being lost to a thread that starts late.
  abort_requested_ = false;
  writing_ = true;
  write_thread_ = std::thread([this] { WriteImageThread(); });
}

void TQCDBurner::JoinWriteThread() {
  if (write_thread_.joinable()) write_thread_.join();
}

void TQCDBurner::WriteImageThread() {
  bytes_written_ = 0;
  TCacheThread* cache;
  {
    std::lock_guard guard(device_lock_);
    cache = cache_.get();
  }
  const std::string target = iso_file_name_;
  const std::int64_t limit = GetTrackSectors() * kSectorSize;
  std::string temp;
  const int fd = CreateTemporary(target, temp);
  if (fd < 0) {
    cache->SetStatus("CAN'T CREATE FILE " + Quoted(target));
    cache->Abort();
  } else {
    // Blocks are taken straight into a larger buffer, which goes to the file
    // when the next block might not fit: fewer, larger writes, no extra copy.
    // It stays small enough to be in the processor's cache when the kernel
    // copies it out: a 1 MB buffer made the write thread's copies several
    // times slower and the whole build half as fast again.
    constexpr std::size_t kStage = 256 << 10;
    auto buffer = std::make_unique<std::uint8_t[]>(kStage);
    std::size_t fill = 0;
    const auto flush = [&]() -> bool {
      const std::uint8_t* p = buffer.get();
      std::size_t left = fill;
      while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
          cache->SetStatus(WriteErrorText(target, w < 0 ? errno : ENOSPC));
          cache->Abort();
          return false;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
      }
      fill = 0;
      return true;
    };
    int n;
    {
      std::lock_guard guard(device_lock_);
      n = cache->GetBlock(buffer.get());
    }
    while (n != 0) {
      if (n > 0) {
        bytes_written_ = std::min(bytes_written_ + n, limit);
        fill += static_cast<std::size_t>(n);
        if (kStage - fill < static_cast<std::size_t>(cache->BlockSize()) && !flush()) break;
      }
      if (abort_requested_) {
        cache->SetStatus("OPERATION ABORTED BY USER");
        cache->Abort();
        break;
      }
      for (;;) {
        const std::uint64_t seen = cache->Changes();
        {
          std::lock_guard guard(device_lock_);
          n = cache->GetBlock(buffer.get() + fill);
        }
        if (!cache->Status().empty()) {
          n = 0;
          break;
        }
        if (n != -1) break;
        cache->WaitForChange(seen, 10);
      }
    }
    if (cache->Status().empty()) flush();
    if (::close(fd) != 0) cache->SetStatus(WriteErrorText(target, errno));
  }
  std::string text;
  {
    std::lock_guard guard(device_lock_);
    text = cache->Status();
    if (text.empty() && cache->BytesToDeliver() != 0) text = "INTERNAL ERROR 0005";
  }
  writing_ = false;
  cache->WaitFor();
  {
    std::lock_guard guard(device_lock_);
    text = cache->Status().empty() ? text : cache->Status();
    cache_.reset();
  }
  if (fd >= 0) {
    if (text.empty() && ::rename(temp.c_str(), target.c_str()) != 0) {
      text = "CAN'T CREATE FILE " + Quoted(target) + " [" + SysErrorMessage(errno) + "]";
    }
    if (!text.empty()) ::unlink(temp.c_str());
  }
  FireWriteDone(text);
}

void TQCDBurner::FireWriteDone(const std::string& error) {
  std::weak_ptr<TQCDBurner*> token = alive_;
  TheDispatcher().Post([token, error] {
    if (auto self = token.lock()) {
      if ((*self)->OnWriteDone) (*self)->OnWriteDone(*self, error);
    }
  });
}

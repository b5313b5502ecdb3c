#include "platform/core/DirEnum.h"

#include "platform/core/Utf8.h"

#include <dirent.h>
#include <sys/stat.h>
#include <algorithm>
#include <cerrno>

namespace {

std::vector<char32_t> Folded(const std::string& text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) out.push_back(LowerCodePoint(DecodeUtf8(text, i)));
  return out;
}

// "*" and "?" matching without backtracking blow-up: on a mismatch only the
// last star is retried, one character further on.
bool Glob(const std::vector<char32_t>& mask, const std::vector<char32_t>& name) {
  size_t m = 0, n = 0, star = SIZE_MAX, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || (mask[m] != U'*' && mask[m] == name[n]))) {
      ++m, ++n;
    } else if (m < mask.size() && mask[m] == U'*') {
      star = m++;
      resume = n;
    } else if (star != SIZE_MAX) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsDots(const std::string& name) { return name == "." || name == ".."; }

constexpr int kSpecialAttributes = faHidden | faSysFile | faVolumeID | faDirectory;

// Names sort the way the host's file system lists them: "." and ".." first,
// then ignoring case, with byte order settling names that differ only in case.
void SortListed(std::vector<std::string>& names) {
  struct Key {
    int dots;
    std::vector<char32_t> folded;
    std::string* name;
  };
  std::vector<Key> keys;
  keys.reserve(names.size());
  for (std::string& name : names)
    keys.push_back({name == "." ? 0 : name == ".." ? 1 : 2, Folded(name), &name});
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (a.dots != b.dots) return a.dots < b.dots;
    if (a.folded != b.folded) return a.folded < b.folded;
    return *a.name < *b.name;
  });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (Key& key : keys) sorted.push_back(std::move(*key.name));
  names = std::move(sorted);
}

}  // namespace

struct FindState {
  std::string dir;  // with a trailing "/", or empty for the current folder
  std::vector<std::string> names;
  size_t next = 0;
  int excluded = 0;
  FindOptions options;
};

namespace {

void Skip(const FindState& state, const std::string& path, SkipReason reason) {
  if (state.options.onSkip) state.options.onSkip(path, reason);
}

// Fills rec from the next name that passes the filters; false when none is left.
bool Advance(FindState& state, TSearchRec& rec) {
  while (state.next < state.names.size()) {
    const std::string& name = state.names[state.next++];
    const std::string path = (state.dir.empty() ? std::string("./") : state.dir) + name;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
      struct stat link {};
      const bool dangling = errno == ENOENT && lstat(path.c_str(), &link) == 0;
      // An entry that vanished since the folder was read is simply gone.
      if (dangling)
        Skip(state, path, SkipReason::DanglingLink);
      else if (errno != ENOENT)
        Skip(state, path, SkipReason::Unreadable);
      continue;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
      Skip(state, path, SkipReason::SpecialFile);
      continue;
    }
    int attr = AttributesOf(path, name, st);
    if (IsDots(name)) attr &= ~faHidden;
    if (attr & state.excluded) continue;
    rec.Name = name;
    rec.Attr = attr;
    rec.Size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
    rec.Time =
        std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
    rec.Device = st.st_dev;
    rec.Inode = st.st_ino;
    return true;
  }
  return false;
}

}  // namespace

FileMask::FileMask(const std::string& maskList) {
  size_t start = 0;
  while (start <= maskList.size()) {
    size_t end = maskList.find(';', start);
    if (end == std::string::npos) end = maskList.size();
    const std::string mask = Trimmed(maskList.substr(start, end - start));
    start = end + 1;
    if (mask.empty()) continue;
    Pattern pattern;
    pattern.glob = Folded(mask);
    if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0) {
      pattern.withoutDot = Folded(mask.substr(0, mask.size() - 2));
      if (pattern.withoutDot.empty()) pattern.withoutDot = {U'*'};
    } else if (mask.back() == '.') {
      pattern.extensionless = true;
      pattern.withoutDot = Folded(mask.substr(0, mask.find_last_not_of('.') + 1));
    }
    patterns_.push_back(std::move(pattern));
  }
  if (patterns_.empty()) patterns_.push_back({{U'*'}, {}, false});
}

bool FileMask::Matches(const std::string& name) const {
  const auto folded = Folded(name);
  const bool hasDot = name.find('.') != std::string::npos;
  for (const Pattern& p : patterns_) {
    if (Glob(p.glob, folded)) return true;
    if (!hasDot && !p.withoutDot.empty() && Glob(p.withoutDot, folded)) return true;
  }
  return false;
}

bool MatchesMask(const std::string& name, const std::string& maskList) {
  return FileMask(maskList).Matches(name);
}

int FindFirst(const std::string& path, int attr, TSearchRec& rec, const FindOptions& options) {
  FindClose(rec);
  if (path.empty()) return ENOENT;
  auto state = std::make_shared<FindState>();
  state->options = options;
  state->excluded = ~attr & kSpecialAttributes;
  const auto slash = path.rfind('/');
  state->dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string last = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::string dirPath = state->dir.empty() ? "." : state->dir;

  struct stat st {};
  if (!last.empty() && !HasWildcard(last) && lstat(path.c_str(), &st) == 0) {
    state->names.push_back(last);
  } else {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(dirPath.c_str()), closedir);
    if (!dir) return errno;
    const FileMask mask(last);
    const bool atRoot = state->dir == "/";
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
      const std::string name = entry->d_name;
      if (IsDots(name) && (atRoot || options.skipDots)) continue;
      if (mask.Matches(name)) state->names.push_back(name);
    }
    if (errno != 0) return errno;
    SortListed(state->names);
  }
  if (!Advance(*state, rec)) return ENOENT;
  rec.FindHandle = std::move(state);
  return 0;
}

int FindNext(TSearchRec& rec) {
  if (!rec.FindHandle) return ENOENT;
  return Advance(*rec.FindHandle, rec) ? 0 : ENOENT;
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }

DirectoryListing::DirectoryListing(const std::string& dir, const std::string& masks, int attr,
                                   FindOptions options) {
  result_ =
      FindFirst(IncludeTrailingPathDelimiter(dir) + (masks.empty() ? "*.*" : masks), attr, rec_, options);
  error_ = result_;
}

DirectoryListing::iterator& DirectoryListing::iterator::operator++() {
  if (listing_ && FindNext(listing_->rec_) != 0) {
    FindClose(listing_->rec_);
    listing_ = nullptr;
  }
  return *this;
}

bool FolderPathGuard::Enter(std::uint64_t device, std::uint64_t inode) {
  const std::pair<std::uint64_t, std::uint64_t> folder(device, inode);
  if (std::find(path_.begin(), path_.end(), folder) != path_.end()) return false;
  path_.push_back(folder);
  return true;
}

void FolderPathGuard::Leave(std::uint64_t device, std::uint64_t inode) {
  const std::pair<std::uint64_t, std::uint64_t> folder(device, inode);
  const auto at = std::find(path_.rbegin(), path_.rend(), folder);
  if (at != path_.rend()) path_.erase(std::next(at).base());
}

namespace {

struct Walker {
  const WalkOptions& options;
  const std::function<WalkAction(const std::string&, const TSearchRec&)>& visit;
  FileMask mask;
  FolderPathGuard guard;
  int rootError = 0;

  // False when the walk was stopped.
  bool Walk(const std::string& dir, bool isRoot) {
    const FindOptions find{true, options.onSkip};
    const int attr = faDirectory | (options.attr & faHidden);
    TSearchRec rec;
    int r = FindFirst(dir + "*", attr, rec, find);
    if (r != 0 && r != ENOENT) {
      if (isRoot)
        rootError = r;
      else if (options.onSkip)
        options.onSkip(ExcludeTrailingPathDelimiter(dir), SkipReason::Unreadable);
    }
    for (; r == 0; r = FindNext(rec)) {
      const std::string path = dir + rec.Name;
      if (!(rec.Attr & faDirectory)) {
        if (!mask.Matches(rec.Name)) continue;
        if (visit(path, rec) == WalkAction::Stop) return false;
        continue;
      }
      if (!guard.Enter(rec.Device, rec.Inode)) {
        if (options.onSkip) options.onSkip(path, SkipReason::Loop);
        continue;
      }
      const WalkAction action = (options.attr & faDirectory) ? visit(path, rec) : WalkAction::Continue;
      bool go = action != WalkAction::Stop;
      if (action == WalkAction::Continue) go = Walk(path + "/", false);
      guard.Leave(rec.Device, rec.Inode);
      if (!go) return false;
    }
    return true;
  }
};

}  // namespace

int WalkDirectory(const std::string& root, const WalkOptions& options,
                  const std::function<WalkAction(const std::string& path, const TSearchRec& rec)>& visit) {
  struct stat st {};
  if (root.empty()) return ENOENT;
  if (stat(root.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  Walker walker{options, visit, FileMask(options.masks), {}};
  walker.guard.Enter(st.st_dev, st.st_ino);
  walker.Walk(IncludeTrailingPathDelimiter(root), true);
  return walker.rootError;
}

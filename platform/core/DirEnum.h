#pragma once
// Directory enumeration with the host's rules, on POSIX directories.
//
// Masks: "*" matches any run of characters, "?" exactly one; a mask ending
// in ".*" also matches names without a dot (so "*.*" matches every name and
// "readme.*" matches "readme"); a mask ending in "." matches names without
// an extension ("*." matches "Makefile" but not "a.txt"). Several masks may
// be given separated by ";" (blanks around each are ignored); an empty list
// means "*.*". Comparison ignores case for ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters; other characters compare exactly.
// The short 8.3 names of the host do not exist here and are never matched.
//
// Listing: entries come sorted by name ignoring case (then byte order), "."
// and ".." first, as the host's file system lists them; "." and ".." are
// reported for every folder but "/" unless skipDots is set. Symbolic links
// are followed: an entry describes what its link points at. Devices, FIFOs,
// sockets, dangling links and entries that vanish or cannot be examined are
// passed over and reported through onSkip when it is set.
//
// The attribute filter is the host's: normal files always match, hidden
// entries and folders only when the attribute word asks for them (faHidden,
// faDirectory). Attributes are those of FileUtils.h.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/FileUtils.h"

enum class SkipReason { SpecialFile, DanglingLink, Unreadable, Loop };

struct FindOptions {
  bool skipDots = false;
  // Full path of an entry passed over, and why.
  std::function<void(const std::string& path, SkipReason reason)> onSkip;
};

struct FindState;

struct TSearchRec {
  std::string Name;
  std::int64_t Size = 0;  // 0 for a folder
  int Attr = 0;
  std::chrono::system_clock::time_point Time;  // last modification, to the nanosecond
  // What the entry is on disk (after links), for spotting a folder seen before.
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  // The open search; copies share it, the last one closes it.
  std::shared_ptr<FindState> FindHandle;
};

// Starts a search for path, a folder followed by "/" and a mask list
// ("/home/me/*.mp3;*.wav"). A last part without "*" or "?" that names an
// existing entry finds exactly that entry. Returns 0 and fills rec with the
// first match, or the errno of the failure: ENOENT when nothing matches.
int FindFirst(const std::string& path, int attr, TSearchRec& rec, const FindOptions& options = {});
// The next match: 0, or ENOENT when there is none left.
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

// Whether name matches one mask of a ";"-separated list, by the rules above.
bool MatchesMask(const std::string& name, const std::string& maskList);

// A compiled mask list, for matching many names.
class FileMask {
 public:
  explicit FileMask(const std::string& maskList);
  bool Matches(const std::string& name) const;

 private:
  struct Pattern {
    std::vector<char32_t> glob;
    // Also matches a name without a dot against this, when not empty (".*" ending).
    std::vector<char32_t> withoutDot;
    bool extensionless = false;  // the "." ending: only names without a dot
  };
  std::vector<Pattern> patterns_;
};

// The entries of one folder as a range:
//   for (const TSearchRec& f : DirectoryListing(dir, "*.mp3")) ...
class DirectoryListing {
 public:
  DirectoryListing(const std::string& dir, const std::string& masks = "*.*", int attr = faAnyFile,
                   FindOptions options = {true, {}});
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  class iterator {
   public:
    using value_type = TSearchRec;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    const TSearchRec& operator*() const { return listing_->rec_; }
    const TSearchRec* operator->() const { return &listing_->rec_; }
    iterator& operator++();
    void operator++(int) { ++*this; }
    bool operator==(const iterator& other) const { return listing_ == other.listing_; }

   private:
    friend class DirectoryListing;
    explicit iterator(DirectoryListing* listing) : listing_(listing) {}
    DirectoryListing* listing_ = nullptr;
  };

  iterator begin() { return iterator(result_ == 0 ? this : nullptr); }
  iterator end() { return iterator(); }
  // 0 when the search found something, else its errno (ENOENT: nothing matched).
  int Error() const { return error_; }

 private:
  TSearchRec rec_;
  int result_;
  int error_;
};

// The folders on the way from a walk's root to where it stands, by device
// and inode, so that a link back up the tree is noticed instead of followed.
class FolderPathGuard {
 public:
  // False when the folder is already on the path (entering it would loop).
  bool Enter(std::uint64_t device, std::uint64_t inode);
  void Leave(std::uint64_t device, std::uint64_t inode);

 private:
  std::vector<std::pair<std::uint64_t, std::uint64_t>> path_;
};

enum class WalkAction { Continue, SkipFolder, Stop };

struct WalkOptions {
  std::string masks = "*.*";  // for files; every folder is walked
  int attr = faAnyFile;       // faHidden leaves out hidden files and folders when absent
  std::function<void(const std::string& path, SkipReason reason)> onSkip;
};

// Visits every folder (before its contents) and every matching file under
// root, with its full path. A folder for which visit answers SkipFolder is
// not entered; Stop ends the walk. Returns 0, or the errno when root cannot
// be listed. A folder that would repeat one on its own path is skipped as a
// Loop; the same folder reached along two different paths is walked twice,
// like two copies.
int WalkDirectory(const std::string& root, const WalkOptions& options,
                  const std::function<WalkAction(const std::string& path, const TSearchRec& rec)>& visit);

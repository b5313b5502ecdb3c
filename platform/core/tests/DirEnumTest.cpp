#include "platform/core/DirEnum.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

TEST(FileMask, HostRules) {
  const struct {
    const char* name;
    const char* mask;
    bool matches;
  } cases[] = {
      {"a.txt", "*.*", true},
      {"README", "*.*", true},  // no dot, still every name
      {".profile", "*.*", true},
      {"README", "*", true},
      {"a.txt", "*.TXT", true},
      {"A.TXT", "a.txt", true},
      {"a.txt", "*.tx", false},
      {"a.txt", "?.txt", true},
      {"ab.txt", "?.txt", false},
      {".txt", "?.txt", false},
      {"readme", "readme.*", true},
      {"readme.md", "README.*", true},
      {"readmes", "readme.*", false},
      {"Makefile", "*.", true},
      {"a.txt", "*.", false},
      {"a.tar.gz", "*.gz", true},
      {"a.tar.gz", "*.tar", false},
      {"a.tar.gz", "a*z", true},
      {"song.mp3", "*.wav; *.MP3", true},
      {"song.ogg", "*.wav;*.mp3", false},
      {"song.mp3", ";;*.mp3;", true},
      {"anything", "", true},
      {"anything", " ; ", true},
      {"ÄRGER.txt", "ärger.*", true},
      {"Œuvre.TXT", "œuvre.txt", true},
      {"ПРИВЕТ.txt", "привет.TXT", true},
      {"ΣΟΦΙΑ", "σοφια", true},
      {"日本.txt", "??.txt", true},  // "?" is one character, not one byte
      {"\xff.txt", "?.txt", true},
      {"\xff.txt", "\xfe.txt", false},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*c", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " ~ " << c.mask;
}

// A folder with every kind of entry the enumerator must handle:
//   a.txt B.TXT README Makefile song.MP3 .hidden    plain and hidden files
//   sub/deep.txt sub/loop -> .. sub/self -> .       links back up the path
//   .hiddendir/x.txt                                a hidden folder
//   linkdir -> sub   link.txt -> a.txt              links that are followed
//   fifo   devlink -> /dev/null   dangling -> nowhere   passed over
class DirEnumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "direnum-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern + "/";
    for (const char* name : {"a.txt", "B.TXT", "README", "Makefile", "song.MP3", ".hidden", "sub/deep.txt",
                             ".hiddendir/x.txt"}) {
      fs::create_directories(fs::path(root_ + name).parent_path());
      std::ofstream(root_ + name) << "abc";
    }
    fs::create_directory_symlink("..", root_ + "sub/loop");
    fs::create_directory_symlink(".", root_ + "sub/self");
    fs::create_directory_symlink("sub", root_ + "linkdir");
    fs::create_symlink("a.txt", root_ + "link.txt");
    fs::create_symlink("/dev/null", root_ + "devlink");
    fs::create_symlink("nowhere", root_ + "dangling");
    ASSERT_EQ(mkfifo((root_ + "fifo").c_str(), 0600), 0);
  }
  void TearDown() override { fs::remove_all(root_); }

  struct Found {
    std::vector<std::string> names;
    std::map<std::string, TSearchRec> recs;
    std::map<std::string, SkipReason> skipped;
    int first = -1;
  };
  Found Find(const std::string& pattern, int attr, bool skipDots = false) {
    Found found;
    FindOptions options{skipDots, [&](const std::string& path, SkipReason why) {
                          found.skipped[path.substr(root_.size())] = why;
                        }};
    TSearchRec rec;
    found.first = FindFirst(root_ + pattern, attr, rec, options);
    for (int r = found.first; r == 0; r = FindNext(rec)) {
      found.names.push_back(rec.Name);
      found.recs[rec.Name] = rec;
    }
    FindClose(rec);
    return found;
  }

  std::string root_;
};

using Names = std::vector<std::string>;

TEST_F(DirEnumTest, ListsSortedWithAttributesAndPassesOverSpecialFiles) {
  const Found all = Find("*.*", faAnyFile);
  ASSERT_EQ(all.first, 0);
  EXPECT_EQ(all.names, (Names{".", "..", ".hidden", ".hiddendir", "a.txt", "B.TXT", "link.txt", "linkdir",
                              "Makefile", "README", "song.MP3", "sub"}));
  EXPECT_EQ(all.skipped, (std::map<std::string, SkipReason>{{"dangling", SkipReason::DanglingLink},
                                                            {"devlink", SkipReason::SpecialFile},
                                                            {"fifo", SkipReason::SpecialFile}}));
  const std::map<std::string, int> attrs = {{".", faDirectory},
                                            {"..", faDirectory},
                                            {".hidden", faHidden | faArchive},
                                            {".hiddendir", faDirectory | faHidden},
                                            {"a.txt", faArchive},
                                            {"link.txt", faArchive},
                                            {"linkdir", faDirectory},
                                            {"sub", faDirectory}};
  for (const auto& [name, attr] : attrs) EXPECT_EQ(all.recs.at(name).Attr, attr) << name;
  EXPECT_EQ(all.recs.at("link.txt").Size, 3);
  EXPECT_EQ(all.recs.at("linkdir").Inode, all.recs.at("sub").Inode);
}

TEST_F(DirEnumTest, AttributeWordAndMasksFilter) {
  const struct {
    const char* pattern;
    int attr;
    bool skipDots;
    Names expected;
  } cases[] = {
      {"*.*", 0, false, {"a.txt", "B.TXT", "link.txt", "Makefile", "README", "song.MP3"}},
      {"*",
       faDirectory,
       true,
       {"a.txt", "B.TXT", "link.txt", "linkdir", "Makefile", "README", "song.MP3", "sub"}},
      {"*.*", faHidden, false, {".hidden", "a.txt", "B.TXT", "link.txt", "Makefile", "README", "song.MP3"}},
      {"*.txt;*.mp3", 0, false, {"a.txt", "B.TXT", "link.txt", "song.MP3"}},
      {"*.", faAnyFile, true, {"linkdir", "Makefile", "README", "sub"}},
      {"?.txt", faAnyFile, false, {"a.txt", "B.TXT"}},
      {"a.txt", faAnyFile, false, {"a.txt"}},    // an exact name finds that entry
      {"readme", faAnyFile, false, {"README"}},  // else the name ignoring case
      {"sub", 0, false, {}},                     // a folder needs faDirectory
      {"sub", faDirectory, false, {"sub"}},
      {"*.doc", faAnyFile, false, {}},
  };
  for (const auto& c : cases) {
    const Found found = Find(c.pattern, c.attr, c.skipDots);
    EXPECT_EQ(found.names, c.expected) << c.pattern << " attr " << c.attr;
    EXPECT_EQ(found.first, c.expected.empty() ? ENOENT : 0) << c.pattern;
  }
}

TEST_F(DirEnumTest, FailuresComeBackAsErrors) {
  TSearchRec rec;
  EXPECT_EQ(FindFirst(root_ + "missing/*.*", faAnyFile, rec), ENOENT);
  EXPECT_EQ(FindFirst(root_ + "a.txt/*.*", faAnyFile, rec), ENOTDIR);
  EXPECT_EQ(FindFirst("", faAnyFile, rec), ENOENT);
  EXPECT_EQ(FindNext(rec), ENOENT) << "a failed search has nothing next";
}

TEST_F(DirEnumTest, RootFolderHasNoDots) {
  TSearchRec rec;
  for (int r = FindFirst("/*", faAnyFile, rec); r == 0; r = FindNext(rec)) {
    EXPECT_NE(rec.Name, ".");
    EXPECT_NE(rec.Name, "..");
  }
}

TEST_F(DirEnumTest, SizesAndTimesAre64Bit) {
  const std::string big = root_ + "big.iso";
  const std::int64_t size = 5LL << 30;
  {
    const int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, size), 0);
    // 2100-01-01, past the 32-bit time limit, with nanoseconds.
    const timespec times[2] = {{4102444800, 123456789}, {4102444800, 123456789}};
    ASSERT_EQ(futimens(fd, times), 0);
    close(fd);
  }
  const Found found = Find("big.iso", faAnyFile);
  ASSERT_EQ(found.names, Names{"big.iso"});
  const TSearchRec& rec = found.recs.at("big.iso");
  EXPECT_EQ(rec.Size, size);
  EXPECT_EQ(rec.Time.time_since_epoch(),
            std::chrono::seconds(4102444800) + std::chrono::nanoseconds(123456789));
}

TEST_F(DirEnumTest, ListingRange) {
  Names names;
  for (const TSearchRec& rec : DirectoryListing(root_ + "sub", "*.*", faAnyFile)) names.push_back(rec.Name);
  EXPECT_EQ(names, (Names{"deep.txt", "loop", "self"}));

  DirectoryListing missing(root_ + "nothing-here");
  EXPECT_EQ(missing.Error(), ENOENT);
  EXPECT_EQ(missing.begin(), missing.end());
}

TEST_F(DirEnumTest, WalkFollowsLinksButNeverLoops) {
  std::map<std::string, SkipReason> skipped;
  Names visited;
  WalkOptions options;
  options.onSkip = [&](const std::string& path, SkipReason why) { skipped[path.substr(root_.size())] = why; };
  ASSERT_EQ(WalkDirectory(root_, options,
                          [&](const std::string& path, const TSearchRec&) {
                            visited.push_back(path.substr(root_.size()));
                            return WalkAction::Continue;
                          }),
            0);
  EXPECT_EQ(visited,
            (Names{".hidden", ".hiddendir", ".hiddendir/x.txt", "a.txt", "B.TXT", "link.txt", "linkdir",
                   "linkdir/deep.txt", "Makefile", "README", "song.MP3", "sub", "sub/deep.txt"}));
  EXPECT_EQ(skipped, (std::map<std::string, SkipReason>{{"dangling", SkipReason::DanglingLink},
                                                        {"devlink", SkipReason::SpecialFile},
                                                        {"fifo", SkipReason::SpecialFile},
                                                        {"linkdir/loop", SkipReason::Loop},
                                                        {"linkdir/self", SkipReason::Loop},
                                                        {"sub/loop", SkipReason::Loop},
                                                        {"sub/self", SkipReason::Loop}}));
}

TEST_F(DirEnumTest, WalkMasksHiddenSkipAndStop) {
  WalkOptions options;
  options.masks = "*.txt";
  options.attr = faAnyFile & ~faHidden;
  Names visited;
  WalkDirectory(root_, options, [&](const std::string& path, const TSearchRec&) {
    visited.push_back(path.substr(root_.size()));
    return path.ends_with("linkdir") ? WalkAction::SkipFolder : WalkAction::Continue;
  });
  EXPECT_EQ(visited, (Names{"a.txt", "B.TXT", "link.txt", "linkdir", "sub", "sub/deep.txt"}));

  int seen = 0;
  WalkDirectory(root_, {}, [&](const std::string&, const TSearchRec&) {
    return ++seen == 2 ? WalkAction::Stop : WalkAction::Continue;
  });
  EXPECT_EQ(seen, 2);

  EXPECT_EQ(WalkDirectory(root_ + "missing", {}, [](auto&, auto&) { return WalkAction::Continue; }), ENOENT);
  EXPECT_EQ(WalkDirectory(root_ + "a.txt", {}, [](auto&, auto&) { return WalkAction::Continue; }), ENOTDIR);
}

TEST_F(DirEnumTest, FolderThatCannotBeListedIsReported) {
  if (geteuid() == 0) GTEST_SKIP() << "root lists every folder";
  ASSERT_EQ(chmod((root_ + "sub").c_str(), 0), 0);
  std::map<std::string, SkipReason> skipped;
  WalkOptions options;
  options.masks = "*.txt";
  options.onSkip = [&](const std::string& path, SkipReason why) { skipped[path.substr(root_.size())] = why; };
  EXPECT_EQ(WalkDirectory(root_, options, [](auto&, auto&) { return WalkAction::Continue; }), 0);
  chmod((root_ + "sub").c_str(), 0755);
  EXPECT_EQ(skipped["sub"], SkipReason::Unreadable);
  EXPECT_EQ(skipped["linkdir"], SkipReason::Unreadable);
}

TEST(FolderPathGuard, RefusesAFolderAlreadyOnThePath) {
  FolderPathGuard guard;
  EXPECT_TRUE(guard.Enter(1, 10));
  EXPECT_TRUE(guard.Enter(1, 11));
  EXPECT_FALSE(guard.Enter(1, 10));
  EXPECT_TRUE(guard.Enter(2, 10)) << "same inode on another device is another folder";
  guard.Leave(2, 10);
  guard.Leave(1, 11);
  EXPECT_TRUE(guard.Enter(1, 11)) << "a folder left may be entered again";
}

}  // namespace

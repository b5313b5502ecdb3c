#include "platform/core/FileUtils.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FileUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fileutils-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Make(const std::string& name, const std::string& text = "abc") {
    std::ofstream(dir_ + name) << text;
    return dir_ + name;
  }

  std::string dir_;
};

TEST(PathParts, Table) {
  const struct {
    std::string name, path, file, ext, changed;
  } cases[] = {
      {"/home/me/disc.iso", "/home/me/", "disc.iso", ".iso", "/home/me/disc.tsk"},
      {"/home/me/archive.tar.gz", "/home/me/", "archive.tar.gz", ".gz", "/home/me/archive.tar.tsk"},
      {"/home/my.folder/README", "/home/my.folder/", "README", "", "/home/my.folder/README.tsk"},
      {"/home/me/", "/home/me/", "", "", "/home/me/.tsk"},
      {"name.", "", "name.", ".", "name.tsk"},
      {".profile", "", ".profile", ".profile", ".tsk"},
      {"", "", "", "", ".tsk"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
    EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
    EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
    EXPECT_EQ(ChangeFileExt(c.name, ".tsk"), c.changed) << c.name;
  }
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a//"), "/a");
}

TEST_F(FileUtilsTest, ExistenceFoldersDeleteAndRename) {
  const std::string file = Make("f.txt");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_TRUE(DirectoryExists(dir_));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_FALSE(FileExists(dir_ + "none"));
  EXPECT_FALSE(FileExists(""));

  EXPECT_TRUE(ForceDirectories(dir_ + "a/b/c/"));
  EXPECT_TRUE(DirectoryExists(dir_ + "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir_ + "a/b"));
  EXPECT_FALSE(ForceDirectories(file + "/sub")) << "a file is in the way";

  EXPECT_FALSE(DeleteFile(dir_ + "a")) << "never a folder";
  EXPECT_TRUE(DirectoryExists(dir_ + "a"));

  const std::string other = Make("g.txt", "other");
  EXPECT_FALSE(RenameFile(file, other)) << "a rename never replaces";
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(fs::file_size(other), 5u);
  EXPECT_TRUE(RenameFile(file, dir_ + "h.txt"));
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(DeleteFile(dir_ + "h.txt"));
  EXPECT_FALSE(DeleteFile(dir_ + "h.txt"));
}

TEST_F(FileUtilsTest, DiskFreeSpace) {
  DiskSpace space;
  ASSERT_TRUE(GetDiskFreeSpace(dir_, space));
  EXPECT_GT(space.totalBytes, 0u);
  EXPECT_LE(space.freeBytes, space.totalBytes);
  EXPECT_FALSE(GetDiskFreeSpace(dir_ + "missing", space));
}

TEST_F(FileUtilsTest, ReadOnlyAndHiddenBits) {
  const std::string file = Make("plain");
  const std::string hidden = Make(".dotfile");
  EXPECT_EQ(FileGetAttr(file), faArchive);
  EXPECT_EQ(FileGetAttr(hidden), faHidden | faArchive);
  EXPECT_EQ(FileGetAttr(dir_), faDirectory);
  EXPECT_EQ(FileGetAttr(dir_ + "missing"), -1);

  ASSERT_EQ(FileSetAttr(file, faReadOnly | faArchive), 0);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(FileGetAttr(file), faReadOnly | faArchive);
  ASSERT_EQ(FileSetAttr(file, faArchive), 0);
  EXPECT_EQ(FileGetAttr(file), faArchive);
  EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(FileUtilsTest, ArchiveBitFollowsChangesSinceBackup) {
  const std::string file = Make("data.bin", "first");
  EXPECT_TRUE(FileGetAttr(file) & faArchive) << "a new file is not backed up yet";

  ASSERT_EQ(FileSetAttr(file, FileGetAttr(file) & ~faArchive), 0);
  EXPECT_FALSE(FileGetAttr(file) & faArchive);

  // Appending changes the size; touching changes the time; each sets the bit again.
  std::ofstream(file, std::ios::app) << "more";
  EXPECT_TRUE(FileGetAttr(file) & faArchive);
  ASSERT_EQ(FileSetAttr(file, 0), 0);
  EXPECT_FALSE(FileGetAttr(file) & faArchive);
  const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 5}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  EXPECT_TRUE(FileGetAttr(file) & faArchive);

  // A copy is a new file to back up, and setting the bit forgets the backup.
  ASSERT_EQ(FileSetAttr(file, 0), 0);
  fs::copy_file(file, dir_ + "copy.bin");
  EXPECT_TRUE(FileGetAttr(dir_ + "copy.bin") & faArchive);
  ASSERT_EQ(FileSetAttr(file, faArchive), 0);
  EXPECT_TRUE(FileGetAttr(file) & faArchive);
  char buffer[8];
  EXPECT_LT(getxattr(file.c_str(), kArchiveAttributeName, buffer, sizeof buffer), 0);

  // Clearing works on a read-only file as it does on the host.
  ASSERT_EQ(FileSetAttr(file, faReadOnly), 0);
  EXPECT_EQ(FileGetAttr(file), faReadOnly);
}

TEST(FileAttributes, FileSystemWithoutUserAttributesKeepsTheBitSet) {
  // procfs files are regular files that refuse extended attributes.
  const std::string file = "/proc/self/comm";
  if (setxattr(file.c_str(), kArchiveAttributeName, "x", 1, 0) == 0)
    GTEST_SKIP() << "attributes accepted here";
  ASSERT_NE(FileGetAttr(file), -1);
  EXPECT_TRUE(FileGetAttr(file) & faArchive);
  EXPECT_NE(FileSetAttr(file, FileGetAttr(file) & ~faArchive), 0) << "clearing must report the failure";
  EXPECT_TRUE(FileGetAttr(file) & faArchive);
}

}  // namespace

#include "platform/core/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/core/Exceptions.h"

namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/burner-atomic-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Names in the folder other than the given one: leftovers of a write.
  int OtherEntries(const std::string& except) const {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().filename() != except) ++n;
    return n;
  }

  std::string dir_;
};

const std::string kOld = "old contents\r\nsecond line\r\n";
const std::string kNew(100000, 'n');

TEST_F(AtomicFileTest, WritesReplacesAndKeepsPermissions) {
  const std::string path = Path("a.ini");
  WriteFileAtomically(path, kOld);
  EXPECT_EQ(ReadWholeFile(path), kOld);
  chmod(path.c_str(), 0640);
  WriteFileAtomically(path, kNew);
  EXPECT_EQ(ReadWholeFile(path), kNew);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  WriteFileAtomically(path, "");
  EXPECT_EQ(ReadWholeFile(path), "");
  EXPECT_EQ(OtherEntries("a.ini"), 0);

  // A new file gets what the umask allows, like any created file.
  const mode_t mask = umask(027);
  WriteFileAtomically(Path("new.ini"), "x");
  umask(mask);
  ASSERT_EQ(stat(Path("new.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(AtomicFileTest, ReplacesTheTargetOfALinkAndKeepsTheLink) {
  const std::string target = Path("real.ini"), link = Path("link.ini");
  WriteFileAtomically(target, kOld);
  fs::create_symlink(target, link);
  WriteFileAtomically(link, "through the link");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadWholeFile(target), "through the link");
}

// A failure at any stage (as a full disk would cause) leaves the old file
// and no temporary file.
TEST_F(AtomicFileTest, FailureAtEveryStageLeavesTheOldFile) {
  const std::string path = Path("a.ini");
  WriteFileAtomically(path, kOld);
  for (auto stage : {AtomicWriteStage::TemporaryCreated, AtomicWriteStage::HalfWritten,
                     AtomicWriteStage::Written, AtomicWriteStage::Flushed}) {
    ScopedAtomicWriteFault fault([stage](AtomicWriteStage now, const std::string&) {
      if (now == stage) throw EWriteError("disk full");
    });
    EXPECT_THROW(WriteFileAtomically(path, kNew), EWriteError);
    EXPECT_EQ(ReadWholeFile(path), kOld);
    EXPECT_EQ(OtherEntries("a.ini"), 0) << static_cast<int>(stage);
  }
}

// The process dies in the middle of writing the new contents: the file still
// holds the old ones, whole.
TEST_F(AtomicFileTest, KillDuringWriteLeavesTheOldFileWhole) {
  const std::string path = Path("a.ini");
  WriteFileAtomically(path, kOld);
  for (auto stage : {AtomicWriteStage::HalfWritten, AtomicWriteStage::Flushed}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ScopedAtomicWriteFault fault([stage](AtomicWriteStage now, const std::string& temporary) {
        // Prove the temporary file really holds part of the new data.
        if (now == stage && fs::file_size(temporary) > 0) kill(getpid(), SIGKILL);
      });
      try {
        WriteFileAtomically(path, kNew);
      } catch (...) {
      }
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(ReadWholeFile(path), kOld);
  }
  // The dead writer's temporary files stay behind, and the next write still works.
  EXPECT_EQ(OtherEntries("a.ini"), 2);
  WriteFileAtomically(path, kNew);
  EXPECT_EQ(ReadWholeFile(path), kNew);
}

TEST_F(AtomicFileTest, ErrorsNameTheFileAndTheReason) {
  try {
    WriteFileAtomically(Path("missing/a.ini"), "x");
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find("missing/a.ini"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
  }
  EXPECT_THROW(ReadWholeFile(Path("none")), EFOpenError);
  EXPECT_THROW(ReadWholeFile(dir_), EReadError);
}

}  // namespace

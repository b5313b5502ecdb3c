#include "recorder/xrStreamEx.h"

#include "platform/core/Exceptions.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t k4G = 4294967296LL;
constexpr std::int64_t k5G = 5LL * 1024 * 1024 * 1024;

class StreamExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "streamex-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(StreamExTest, SparseFileOverFourGigabytes) {
  const std::string name = Path("big.iso");
  {
    TFileStreamEx out(name, 0xFFFF);
    EXPECT_EQ(out.GetSize(), 0);
    out.SetSize(k5G);
    EXPECT_EQ(out.Seek(0, 1), k5G);  // SetSize leaves the position at the new end
    // A record that straddles the 4 GB line, and one at the very end.
    EXPECT_EQ(out.Seek(k4G - 3, 0), k4G - 3);
    EXPECT_EQ(out.Write("straddle", 8), 8);
    EXPECT_EQ(out.Seek(-4, 2), k5G - 4);
    EXPECT_EQ(out.Write("TAIL", 4), 4);
    EXPECT_EQ(out.GetSize(), k5G);
  }
  struct stat st {};
  ASSERT_EQ(stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, k5G);
  EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the hole should stay a hole";

  TFileStreamEx in(name, 0x40);
  EXPECT_EQ(in.Seek(4294967296LL, 0), 4294967296LL);
  EXPECT_EQ(in.Seek(0, 1), 4294967296LL);
  EXPECT_EQ(in.GetSize(), k5G);
  EXPECT_EQ(in.Seek(0, 1), 4294967296LL) << "GetSize must leave the position alone";

  char buffer[16] = {};
  EXPECT_EQ(in.Seek(k4G - 3, 0), k4G - 3);
  ASSERT_EQ(in.Read(buffer, 8), 8);
  EXPECT_EQ(std::string(buffer, 8), "straddle");
  EXPECT_EQ(in.Seek(0, 1), k4G + 5);

  // Inside the hole the file reads as zeros.
  EXPECT_EQ(in.Seek(k4G + 100, 0), k4G + 100);
  ASSERT_EQ(in.Read(buffer, 4), 4);
  EXPECT_EQ(std::memcmp(buffer, "\0\0\0\0", 4), 0);

  // A read that runs past the end gives what is there, then nothing.
  EXPECT_EQ(in.Seek(-4, 2), k5G - 4);
  EXPECT_EQ(in.Read(buffer, 16), 4);
  EXPECT_EQ(std::string(buffer, 4), "TAIL");
  EXPECT_EQ(in.Read(buffer, 16), 0);
  EXPECT_EQ(in.Seek(10, 2), k5G + 10);
  EXPECT_EQ(in.Read(buffer, 16), 0);
}

TEST_F(StreamExTest, SeekOrigins) {
  TFileStreamEx s(Path("seek"), 0xFFFF);
  ASSERT_EQ(s.Write("0123456789", 10), 10);
  struct Case {
    std::int64_t offset;
    std::uint16_t origin;
    std::int64_t expected;  // -1: refused, position unchanged
  } cases[] = {
      {3, 0, 3},          {2, 1, 5},   {-1, 1, 4},
      {0, 2, 10},         {-10, 2, 0}, {-1, 0, -1},
      {-11, 2, -1},       {0, 3, -1},  {k4G * 2, 0, k4G * 2},
      {INT64_MAX, 1, -1},
  };
  std::int64_t position = s.Seek(0, 1);
  for (const Case& c : cases) {
    const std::int64_t got = s.Seek(c.offset, c.origin);
    EXPECT_EQ(got, c.expected) << c.offset << " from " << c.origin;
    if (got >= 0) position = got;
    EXPECT_EQ(s.Seek(0, 1), position);
  }
  EXPECT_EQ(s.GetSize(), 10) << "seeking past the end does not grow the file";
}

TEST_F(StreamExTest, CreateAndOpenModes) {
  const std::string missing = Path("missing");
  try {
    TFileStreamEx s(missing, 0x40);
    FAIL() << "opening a missing file must raise";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(missing), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("No such file or directory"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(fs::exists(missing));

  {
    TFileStreamEx created(missing, 0xFFFF);
    EXPECT_EQ(created.GetSize(), 0);
    EXPECT_EQ(created.Write("abc", 3), 3);
  }
  EXPECT_EQ(fs::file_size(missing), 3u);
  {
    TFileStreamEx replaced(missing, 0xFFFF);
    EXPECT_EQ(replaced.GetSize(), 0) << "create empties an existing file";
  }

  EXPECT_THROW(TFileStreamEx(Path("no/such/folder/x.iso"), 0xFFFF), EFCreateError);
  EXPECT_THROW(TFileStreamEx(dir_.string(), 0x40), EFOpenError) << "a folder is not a file";
  EXPECT_THROW(TFileStreamEx(missing, 0x03), EFOpenError) << "access 3 does not exist";
  EXPECT_THROW(TFileStreamEx(missing, 0x50), EFOpenError) << "sharing above 4 does not exist";
}

TEST_F(StreamExTest, AccessOfTheModeHolds) {
  const std::string name = Path("data");
  { TFileStreamEx(name, 0xFFFF).Write("hello", 5); }
  char buffer[8] = {};
  {
    TFileStreamEx readOnly(name, 0x40);
    EXPECT_EQ(readOnly.Write("x", 1), 0);
    EXPECT_EQ(readOnly.Read(buffer, 8), 5);
    EXPECT_THROW(readOnly.SetSize(2), EOSError);
  }
  {
    TFileStreamEx writeOnly(name, 0x11);
    EXPECT_EQ(writeOnly.Read(buffer, 8), 0);
    EXPECT_EQ(writeOnly.Write("J", 1), 1);
  }
  TFileStreamEx readWrite(name, 0x42);
  readWrite.SetSize(3);
  EXPECT_EQ(readWrite.GetSize(), 3);
  EXPECT_EQ(readWrite.Seek(0, 0), 0);
  EXPECT_EQ(readWrite.Read(buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "Jel");
}

TEST_F(StreamExTest, OpeningAFifoFailsWithoutWaiting) {
  const std::string fifo = Path("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // With no writer a blocking open would never return; the test would hang.
  EXPECT_THROW(TFileStreamEx(fifo, 0x40), EFOpenError);
}

TEST_F(StreamExTest, HandleStreamDoesNotCloseForeignHandle) {
  const std::string name = Path("foreign");
  const int fd = open(name.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  {
    THandleStreamEx s(fd);
    EXPECT_EQ(s.Write("abcd", 4), 4);
    EXPECT_EQ(s.GetSize(), 4);
  }
  EXPECT_EQ(fcntl(fd, F_GETFD), 0) << "the owner's handle must stay open";
  close(fd);
}

}  // namespace

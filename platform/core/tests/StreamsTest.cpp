#include "platform/core/Streams.h"

#include "platform/core/Exceptions.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

class StreamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "streams-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

std::string Contents(TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

TEST(MemoryStream, WritesGrowAndGapsReadAsZeros) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  EXPECT_EQ(s.Position(), 3);
  EXPECT_EQ(s.Seek(5, soCurrent), 8);
  EXPECT_EQ(s.Size(), 3) << "a seek alone does not grow the stream";
  s.WriteBuffer("Z", 1);
  EXPECT_EQ(Contents(s), std::string("abc\0\0\0\0\0Z", 9));

  // Reads stop at the end, and past it give nothing.
  char buffer[16];
  s.SetPosition(7);
  EXPECT_EQ(s.Read(buffer, 16), 2);
  EXPECT_EQ(s.Read(buffer, 16), 0);
  EXPECT_EQ(s.Seek(-1, soBeginning), -1);
  EXPECT_EQ(s.Position(), 9);

  // Shrinking pulls the position back; growing again zero-fills what was cut.
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 2);
  s.SetSize(4);
  EXPECT_EQ(Contents(s), std::string("ab\0\0", 4));

  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
}

TEST(MemoryStream, CapacityReservesWithoutChangingSize) {
  TMemoryStream header;
  header.SetCapacity(64 << 20);
  EXPECT_EQ(header.Capacity(), 64 << 20);
  EXPECT_EQ(header.Size(), 0);
  const std::uint8_t* memory = header.Memory();
  std::vector<std::uint8_t> sector(2048, 0xCD);
  for (int i = 0; i < 1000; ++i) header.WriteBuffer(sector.data(), 2048);
  EXPECT_EQ(header.Memory(), memory) << "writes within the capacity do not move the memory";
  EXPECT_EQ(header.Size(), 2048000);
  header.SetCapacity(1);
  EXPECT_EQ(header.Capacity(), 2048000) << "capacity never drops below the size";
}

TEST(Stream, ReadBufferAndWriteBufferRaiseWhenShort) {
  TMemoryStream s;
  s.WriteBuffer("abcd", 4);
  s.SetPosition(1);
  char buffer[8];
  EXPECT_THROW(s.ReadBuffer(buffer, 4), EReadError);
  s.SetPosition(0);
  s.ReadBuffer(buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), "abcd");
  EXPECT_THROW(s.ReadBuffer(buffer, -1), EReadError);
  EXPECT_THROW(s.WriteBuffer(buffer, -1), EWriteError);
}

TEST(Stream, CopyFromWholeSourceOrFromItsPosition) {
  TMemoryStream source;
  std::string text(3 << 20, '\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7);
  source.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));

  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(source, 0), static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(Contents(all), text);

  TMemoryStream part;
  source.SetPosition(10);
  EXPECT_EQ(part.CopyFrom(source, 5), 5);
  EXPECT_EQ(Contents(part), text.substr(10, 5));

  TMemoryStream tooMuch;
  source.SetPosition(source.Size() - 2);
  EXPECT_THROW(tooMuch.CopyFrom(source, 5), EReadError);
}

TEST_F(StreamsTest, MemoryStreamFileRoundTrip) {
  TMemoryStream out;
  const std::string text("line\r\n\0binary", 13);
  out.WriteBuffer(text.data(), 13);
  out.SaveToFile(Path("saved.bin"));
  EXPECT_EQ(fs::file_size(Path("saved.bin")), 13u);

  TMemoryStream in;
  in.WriteBuffer("old contents that are longer", 28);
  in.LoadFromFile(Path("saved.bin"));
  EXPECT_EQ(Contents(in), text);
  EXPECT_EQ(in.Position(), 0);

  EXPECT_THROW(in.LoadFromFile(Path("absent.bin")), EFOpenError);
  EXPECT_EQ(Contents(in), text) << "a failed load keeps the contents";
  EXPECT_THROW(out.SaveToFile(Path("absent/dir/x.bin")), EFCreateError);
}

TEST_F(StreamsTest, FileStreamHas64BitPositions) {
  const std::int64_t beyond = 4294967296LL + 17;
  {
    TFileStream f(Path("big"), fmCreate);
    EXPECT_EQ(f.Seek(beyond, soBeginning), beyond);
    f.WriteBuffer("end", 3);
    EXPECT_EQ(f.Size(), beyond + 3);
    EXPECT_EQ(f.Position(), beyond + 3);
  }
  TFileStream f(Path("big"), fmOpenRead | fmShareDenyNone);
  EXPECT_EQ(f.Size(), beyond + 3);
  EXPECT_EQ(f.Seek(-3, soEnd), beyond);
  char buffer[3];
  f.ReadBuffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "end");
  EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError) << "opened for reading only";
  EXPECT_THROW(f.SetSize(0), EOSError);
  EXPECT_EQ(f.Size(), beyond + 3);
}

TEST_F(StreamsTest, FileStreamOpenErrorsNameTheFileAndTheCause) {
  const struct {
    std::string name;
    std::uint16_t mode;
    std::string cause;
  } cases[] = {
      {Path("missing"), fmOpenRead, "No such file or directory"},
      {Path("missing"), fmOpenReadWrite | fmShareExclusive, "No such file or directory"},
      {dir_.string(), fmOpenRead, "Is a directory"},
      {dir_.string(), fmCreate, "Is a directory"},
      {Path("x/y"), fmCreate, "No such file or directory"},
  };
  for (const auto& c : cases) {
    try {
      TFileStream f(c.name, c.mode);
      ADD_FAILURE() << c.name << " opened with mode " << c.mode;
    } catch (const Exception& e) {
      const bool isCreate = dynamic_cast<const EFCreateError*>(&e) != nullptr;
      EXPECT_EQ(isCreate, c.mode == fmCreate) << e.Message();
      EXPECT_NE(e.Message().find("\"" + c.name + "\""), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(c.cause), std::string::npos) << e.Message();
    }
  }
}

}  // namespace

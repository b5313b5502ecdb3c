// Reading earlier sessions back: the import of a disc's directory tree into
// the compilation and the extraction of single files, on discs made by
// peers, by this program and by hand (damaged and hostile ones included).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "recorder/tests/BurnFixture.h"

namespace {

using burntest::BurnRig;
using isotest::Pattern;
using isotest::Q;
using isotest::ReadAll;
using isotest::Shell;
using isotest::WriteFile;

class SessionImport : public isotest::ImageTest {};

TFEntry* Child(TQCDBurner& rec, const std::string& dir_path, const std::string& name) {
  TDEntry* dir = rec.FindDirByPath(dir_path);
  return dir ? rec.Compilation().FindChild(dir, name) : nullptr;
}

// A directory record.
std::string Record(const std::string& id, std::uint32_t extent, std::uint32_t size, std::uint8_t flags,
                   std::size_t system_use = 0) {
  std::string r(33 + id.size() + ((id.size() % 2 == 0) ? 1 : 0) + system_use, '\0');
  r[0] = static_cast<char>(r.size());
  for (int i = 0; i < 4; ++i) {
    r[2 + i] = static_cast<char>(extent >> (8 * i));
    r[10 + i] = static_cast<char>(size >> (8 * i));
  }
  const std::uint8_t date[7] = {120, 5, 17, 10, 30, 0, 0};
  std::memcpy(&r[18], date, 7);
  r[25] = static_cast<char>(flags);
  r[32] = static_cast<char>(id.size());
  std::memcpy(&r[33], id.data(), id.size());
  return r;
}

// A small ISO-only image laid out by hand: root at 20, two folders, a file
// in two extents and the traps a hostile disc sets.
std::string HandMadeImage() {
  std::string image(40 * 2048, '\0');
  auto sector = [&](int n) { return &image[static_cast<std::size_t>(n) * 2048]; };
  char* pvd = sector(16);
  pvd[0] = 1;
  std::memcpy(pvd + 1, "CD001", 5);
  pvd[6] = 1;
  for (int i = 0; i < 4; ++i) pvd[80 + i] = static_cast<char>(40 >> (8 * i));
  const std::string root = Record(std::string(1, '\0'), 20, 2048, 2);
  std::memcpy(pvd + 156, root.data(), 34);
  char* term = sector(17);
  term[0] = static_cast<char>(0xFF);
  std::memcpy(term + 1, "CD001", 5);

  std::string dir = Record(std::string(1, '\0'), 20, 2048, 2) + Record(std::string(1, '\1'), 20, 2048, 2);
  dir += Record("BIG.DAT;1", 30, 2048, 0x80) + Record("BIG.DAT;1", 31, 100, 0);
  dir += Record("RR.TXT;1", 33, 5, 0, 40);  // system-use bytes after the name
  dir += Record("SUB", 22, 2048, 2);
  dir += Record("LOOP", 20, 2048, 2);  // leads back to the root
  dir += Record("NOEXT.;1", 34, 3, 0);
  std::memcpy(sector(20), dir.data(), dir.size());
  std::string sub = Record(std::string(1, '\0'), 22, 2048, 2) + Record(std::string(1, '\1'), 20, 2048, 2);
  sub += Record("OK.TXT;1", 35, 4, 0);
  std::string bad = Record("BAD.TXT;1", 36, 4, 0);
  bad[32] = static_cast<char>(200);  // identifier longer than its record
  sub += bad + Record("LOST.TXT;1", 37, 4, 0);
  std::memcpy(sector(22), sub.data(), sub.size());
  std::memset(sector(30), 'A', 2048);
  std::memset(sector(31), 'B', 100);
  std::memcpy(sector(33), "rock!", 5);
  std::memcpy(sector(34), "abc", 3);
  std::memcpy(sector(35), "fine", 4);
  return image;
}

TEST_F(SessionImport, HandMadeDiscWithTrapsImportsWhatIsSound) {
  WriteFile(Path("hand.iso"), HandMadeImage());
  BurnRig rig(VirtualMedium::CdR);
  rig.vrec->ImportIso(Path("hand.iso"), VirtualMedium::CdR, false);
  ASSERT_TRUE(rig.rec->ImportSession(-1, nullptr));

  const TFEntry* big = Child(*rig.rec, "\\", "BIG.DAT");
  ASSERT_NE(big, nullptr);
  EXPECT_TRUE(big->Imported);
  EXPECT_EQ(big->IsoAddress, 30);
  EXPECT_EQ(big->IsoSize, 2148);
  ASSERT_NE(Child(*rig.rec, "\\", "RR.TXT"), nullptr);
  EXPECT_EQ(Child(*rig.rec, "\\", "RR.TXT")->IsoSize, 5);
  EXPECT_NE(Child(*rig.rec, "\\", "NOEXT"), nullptr);
  EXPECT_NE(Child(*rig.rec, "\\SUB", "OK.TXT"), nullptr);
  EXPECT_EQ(Child(*rig.rec, "\\SUB", "BAD.TXT"), nullptr);
  // A damaged record ends its sector: what follows it cannot be trusted.
  EXPECT_EQ(Child(*rig.rec, "\\SUB", "LOST.TXT"), nullptr);
  // The loop is a folder that is read once: it stays empty.
  ASSERT_NE(rig.rec->FindDirByPath("\\LOOP"), nullptr);
  EXPECT_EQ(rig.rec->FindDirByPath("\\LOOP")->FirstChild, nullptr);
  const auto& skipped = rig.rec->ImportSkipped();
  auto mentions = [&](const std::string& text) {
    return std::any_of(skipped.begin(), skipped.end(), [&](const std::string& s) { return s.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(mentions("REACHED TWICE")) << ::testing::PrintToString(skipped);
  EXPECT_TRUE(mentions("DAMAGED DIRECTORY RECORD IN \\SUB")) << ::testing::PrintToString(skipped);

  // Extraction: the two extents back to back give the file.
  std::filesystem::create_directories(Path("out"));
  EXPECT_TRUE(rig.rec->ExtractFile(Child(*rig.rec, "\\", "BIG.DAT"), Path("out/")))
      << ::testing::PrintToString(rig.debug);
  EXPECT_TRUE(ReadAll(Path("out/BIG.DAT")) == std::string(2048, 'A') + std::string(100, 'B'));
}

TEST_F(SessionImport, PeerDiscsWithAndWithoutJoliet) {
  WriteFile(Path("src/Read Me.txt"), "hello");
  WriteFile(Path("src/Deep/Down/data.bin"), Pattern(5000, 1));
  WriteFile(Path("src/a"), "x");
  struct Case {
    const char* options;
    const char* readme;
    const char* single;
    const char* deep;
  } cases[] = {
      {"-J -R", "Read Me.txt", "a", "\\DEEP\\DOWN"},
      {"-R", "READ_ME.TXT", "A", "\\DEEP\\DOWN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    std::string out;
    ASSERT_EQ(Shell("xorriso -as mkisofs " + std::string(c.options) + " -o " + Q(Path("peer.iso")) + " " +
                        Q(Path("src")),
                    &out),
              0)
        << out;
    BurnRig rig(VirtualMedium::DvdPlusR);
    rig.vrec->ImportIso(Path("peer.iso"), VirtualMedium::DvdPlusR, false);
    ASSERT_TRUE(rig.rec->ImportSession(5, nullptr));  // beyond the last: the last
    EXPECT_NE(std::find(rig.debug.begin(), rig.debug.end(), "1 >>> IMPORTING SESSION # 1"), rig.debug.end());
    TFEntry* readme = Child(*rig.rec, "\\", c.readme);
    ASSERT_NE(readme, nullptr) << ::testing::PrintToString(rig.rec->ImportSkipped());
    EXPECT_EQ(readme->IsoSize, 5);
    // A one-letter name loses its version like any other.
    EXPECT_NE(Child(*rig.rec, "\\", c.single), nullptr);
    ASSERT_NE(rig.rec->FindDirByPath(c.deep), nullptr);
    TFEntry* data = rig.rec->FindDirByPath(c.deep)->FirstChild;
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(rig.rec->ImportSkipped().empty()) << ::testing::PrintToString(rig.rec->ImportSkipped());

    // Importing again merges: nothing is added twice.
    const int files = rig.rec->GetFileCount();
    ASSERT_TRUE(rig.rec->ImportSession(1, nullptr));
    EXPECT_EQ(rig.rec->GetFileCount(), files);

    rig.vrec->ClearCommandLog();
    std::filesystem::remove_all(Path("x"));
    std::filesystem::create_directories(Path("x"));
    ASSERT_TRUE(rig.rec->ExtractFile(data, Path("x/")));
    EXPECT_TRUE(ReadAll(Path("x/") + data->LongName) == Pattern(5000, 1));
  }
}

TEST_F(SessionImport, OwnLongNamesSurviveAndExtractionIsCareful) {
  // Names as long as one Joliet record holds, and a file of 100000 bytes.
  const std::string long_name = std::string(104, 'n') + ".txt";
  WriteFile(Path("src/" + long_name), "long");
  WriteFile(Path("src/big.bin"), Pattern(100000, 7));
  auto maker = std::make_unique<TQCDBurner>();
  ASSERT_GT(maker->AddDir("\\", Path("src"), "*.*", 0xFF, true, false, false), 0);
  ASSERT_EQ(Build(*maker, Path("own.iso"), true), "");

  BurnRig rig(VirtualMedium::CdR);
  rig.vrec->ImportIso(Path("own.iso"), VirtualMedium::CdR, false);
  ASSERT_TRUE(rig.rec->ImportSession(-1, nullptr));
  EXPECT_NE(Child(*rig.rec, "\\", long_name), nullptr) << ::testing::PrintToString(rig.rec->ImportSkipped());
  TFEntry* big = Child(*rig.rec, "\\", "big.bin");
  ASSERT_NE(big, nullptr);

  rig.vrec->ClearCommandLog();
  // A folder that does not exist is not made.
  EXPECT_FALSE(rig.rec->ExtractFile(big, Path("x/big.bin")));
  std::filesystem::create_directories(Path("x"));
  ASSERT_TRUE(rig.rec->ExtractFile(big, Path("x/big.bin")));
  EXPECT_TRUE(ReadAll(Path("x/big.bin")) == Pattern(100000, 7));
  std::vector<std::uint16_t> counts;
  for (const auto& c : rig.vrec->CommandLog()) {
    if (c.opcode() == 0x28) counts.push_back(static_cast<std::uint16_t>((c.cdb[7] << 8) | c.cdb[8]));
  }
  EXPECT_EQ(counts, (std::vector<std::uint16_t>{31, 18}));

  // An existing file stays unless overwriting was asked for.
  WriteFile(Path("x/big.bin"), "mine");
  EXPECT_FALSE(rig.rec->ExtractFile(big, Path("x/big.bin")));
  EXPECT_EQ(ReadAll(Path("x/big.bin")), "mine");
  EXPECT_TRUE(rig.rec->ExtractFile(big, Path("x/big.bin"), true));
  EXPECT_TRUE(ReadAll(Path("x/big.bin")) == Pattern(100000, 7));

  // A read failure is reported and leaves no file behind.
  VirtualFault fault;
  fault.kind = VirtualFault::Kind::Sense;
  fault.opcode = 0x28;
  fault.key = 0x03;
  fault.asc = 0x11;
  fault.count = 1;
  fault.after = 1;
  rig.vrec->AddFault(fault);
  EXPECT_FALSE(rig.rec->ExtractFile(big, Path("x/again.bin")));
  struct stat st;
  EXPECT_NE(::lstat(Path("x/again.bin").c_str(), &st), 0);
  EXPECT_NE(::lstat(Path("x/again.bin.part").c_str(), &st), 0);
  EXPECT_TRUE(std::any_of(rig.debug.begin(), rig.debug.end(),
                          [](const std::string& l) { return l.find("CAN'T READ SECTOR") != std::string::npos; }));

  // Names from the disc are made safe before they reach the host.
  big->LongName = "../evil\x01name";
  ASSERT_TRUE(rig.rec->ExtractFile(big, Path("x/")));
  EXPECT_TRUE(ReadAll(Path("x/.._evil_name")) == Pattern(100000, 7));
  EXPECT_EQ(SafeFileName(".."), "_..");
  EXPECT_EQ(SafeFileName("a/b\\c"), "a_b_c");
}

TEST_F(SessionImport, NoSessionNoTrackNoDescriptor) {
  {
    // One drive machine at a time: the transport is the program's one.
    BurnRig blank(VirtualMedium::CdR);
    EXPECT_FALSE(blank.rec->ImportSession(-1, nullptr));
    EXPECT_FALSE(blank.rec->ImportSession(0, nullptr));
  }

  WriteFile(Path("zeros.iso"), std::string(64 * 2048, '\0'));
  BurnRig rig(VirtualMedium::DvdPlusR);
  rig.vrec->ImportIso(Path("zeros.iso"), VirtualMedium::DvdPlusR, false);
  EXPECT_FALSE(rig.rec->ImportSession(1, nullptr));
  EXPECT_NE(std::find(rig.debug.begin(), rig.debug.end(), "4 >>> ERROR IMPORTING SESSION 1 (ISO IMAGE NOT FOUND)"),
            rig.debug.end());
  EXPECT_EQ(rig.rec->GetFileCount(), 0);
}

}  // namespace

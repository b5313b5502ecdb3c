// Image files built from a compilation, read back by the peer programs.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>

#include "recorder/tests/IsoTestSupport.h"

namespace {

using namespace isotest;

// A tree with what readers stumble over: names without extension, several
// dots, blanks and non-ASCII letters, names at the length limits, names that
// cut to the same ISO name, empty files, files of one byte past a sector,
// hidden files, files and folders whose names differ only in case, and deep
// nesting. Every time stamp is fixed.
void MakeNestedTree(const std::string& root) {
  WriteFile(root + "/docs/readme", "no extension\n");
  WriteFile(root + "/docs/Report 2024.final.txt", Pattern(5000, 1));
  WriteFile(root +
                "/docs/\xC3\xBCn\xC3\xAF"
                "c\xC3\xB8"
                "d\xC3\xA9 \xC3\xB1"
                "ame.txt",
            Pattern(100, 2));
  WriteFile(root + "/docs/empty.txt", "");
  WriteFile(root + "/docs/sector.bin", Pattern(2048, 3));
  WriteFile(root + "/docs/spill.bin", Pattern(2049, 4));
  WriteFile(root + "/.hidden", "dot file\n");
  WriteFile(root + "/docs/Notes.TXT", "upper\n");
  WriteFile(root + "/docs/notes.txt", "lower\n");
  WriteFile(root + "/Case/in upper.txt", Pattern(20, 10));
  WriteFile(root + "/CASE/in lower.txt", Pattern(21, 11));
  WriteFile(root + "/a very long file name that is cut for iso one.txt", Pattern(10, 5));
  WriteFile(root + "/a very long file name that is cut for iso two.txt", Pattern(11, 6));
  WriteFile(root + "/" + std::string(104, 'f') + ".txt", Pattern(12, 7));  // 108 characters
  WriteFile(root + "/" + std::string(110, 'D') + "/inside.txt", Pattern(13, 8));
  std::string deep = root + "/deep";
  for (int i = 0; i < 40; ++i) deep += "/level" + std::to_string(i);
  WriteFile(deep + "/bottom.txt", Pattern(300, 9));
  WriteFile(root + "/empty folder kept/empty.dat", "");
  const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    ::utimensat(AT_FDCWD, it->path().c_str(), times, 0);
  }
}

std::unique_ptr<TQCDBurner> RecorderFor(const std::string& source) {
  auto rec = std::make_unique<TQCDBurner>();
  rec->InitCompilation(600000, 20000);
  rec->SetIdVolume("Test Volume");
  rec->SetIdApplication("Burner tests");
  if (!source.empty()) EXPECT_EQ(rec->AddDir("\\", source, "*.*", 63, true, false, false), 1);
  return rec;
}

struct GoldenCase {
  const char* name;
  bool tree;
  bool joliet;
  std::int64_t boot_bytes;  // 0: not bootable
  bool mbr;                 // give the hard-disk image a partition table
};

class GoldenImage : public ImageTest, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenImage, SameBytesEveryRunDirectOrThreadedAndPeersReadIt) {
  const GoldenCase& c = GetParam();
  const std::string source = Path("src");
  fs::create_directories(source);
  if (c.tree) MakeNestedTree(source);
  std::string boot;
  if (c.boot_bytes) {
    std::string data = Pattern(static_cast<std::size_t>(c.boot_bytes), 42);
    if (c.mbr) {
      // One active partition from sector 1 to the end, so that readers
      // checking a hard-disk emulation image find what they look for.
      std::fill(data.begin() + 446, data.begin() + 510, '\0');
      data[446] = '\x80';
      data[450] = '\x01';
      const std::uint32_t start = 1, count = static_cast<std::uint32_t>(c.boot_bytes / 512) - 1;
      for (int i = 0; i < 4; ++i) {
        data[454 + i] = static_cast<char>(start >> (8 * i));
        data[458 + i] = static_cast<char>(count >> (8 * i));
      }
      data[510] = '\x55';
      data[511] = '\xAA';
    }
    boot = Path("boot.img");
    WriteFile(boot, data);
  }
  const auto make = [&] {
    auto rec = RecorderFor(c.tree ? source : "");
    rec->SetJolietFileSystem(c.joliet);
    rec->SetWritePostGap(false);
    rec->Bootable = c.boot_bytes != 0;
    rec->BootImage = boot;
    return rec;
  };
  const Clock::TimePoint start = clock_.Now();
  auto first = make();
  ASSERT_EQ(Build(*first, Path("one.iso"), true), "");
  clock_.Set(start);
  auto second = make();
  ASSERT_EQ(Build(*second, Path("two.iso"), true), "");
  clock_.Set(start);
  auto threaded = make();
  ASSERT_EQ(Build(*threaded, Path("three.iso"), false), "");

  const std::string one = ReadAll(Path("one.iso"));
  EXPECT_EQ(one.size() % 2048, 0u);
  EXPECT_EQ(static_cast<std::int64_t>(one.size()), first->Layout().VolumeEnd * 2048);
  EXPECT_TRUE(one == ReadAll(Path("two.iso"))) << "two direct builds differ";
  EXPECT_TRUE(one == ReadAll(Path("three.iso"))) << "direct and threaded builds differ";

  if (c.boot_bytes) {
    const auto& f = first->Layout();
    const std::uint8_t media = static_cast<std::uint8_t>(one[f.BootCatalogSector * 2048 + 33]);
    const std::int64_t sectors = (c.boot_bytes + 2047) / 2048;
    EXPECT_EQ(media, sectors == 600 ? 1 : sectors == 720 ? 2 : sectors == 1440 ? 3 : 4);
    EXPECT_EQ(one.substr(f.BootImageSector * 2048, static_cast<std::size_t>(c.boot_bytes)), ReadAll(boot));
    std::string out;
    Shell("xorriso -indev " + Q(Path("one.iso")) + " -report_el_torito plain", &out);
    EXPECT_NE(out.find("El Torito boot img"), std::string::npos) << out;
  }
  // The boot image is a file of the root as well.
  std::string expected = c.tree && c.joliet ? source : "";
  if (!expected.empty() && c.boot_bytes) {
    expected = Path("expected");
    fs::copy(source, expected, fs::copy_options::recursive);
    fs::copy_file(boot, expected + "/boot.img");
  }
  CheckWithPeers(Path("one.iso"), expected, c.joliet);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenImage,
                         ::testing::Values(GoldenCase{"Empty", false, true, 0, false},
                                           GoldenCase{"NestedTree", true, true, 0, false},
                                           GoldenCase{"JolietOff", true, false, 0, false},
                                           GoldenCase{"Floppy12", true, true, 600 * 2048, false},
                                           GoldenCase{"Floppy144", false, true, 720 * 2048, false},
                                           GoldenCase{"Floppy288", false, true, 1440 * 2048, false},
                                           GoldenCase{"HardDisk", true, true, 8192, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImageTest, ThreadedBuildPadsShortTrackToThreeHundredSectors) {
  WriteFile(Path("src/one.txt"), Pattern(100, 1));
  auto direct = RecorderFor(Path("src"));
  ASSERT_EQ(Build(*direct, Path("direct.iso"), true), "");
  const Clock::TimePoint start = clock_.Now();
  clock_.Set(start);
  auto threaded = RecorderFor(Path("src"));
  clock_.Set(start);
  ASSERT_EQ(Build(*threaded, Path("threaded.iso"), false), "");
  const std::string a = ReadAll(Path("direct.iso"));
  const std::string b = ReadAll(Path("threaded.iso"));
  EXPECT_EQ(a.size(), 151u * 2048);
  ASSERT_EQ(b.size(), 614400u);
  EXPECT_EQ(b.substr(0, 150 * 2048), a.substr(0, 150 * 2048)) << "headers differ";
  EXPECT_EQ(b.substr(150 * 2048, 2048), a.substr(150 * 2048));
  EXPECT_EQ(b.find_first_not_of('\0', 151 * 2048), std::string::npos);
  CheckWithPeers(Path("threaded.iso"));
}

// Folders enough for five-digit path-table numbers: the table must still
// be in (level, parent, name) order for every reader.
TEST_F(ImageTest, TenThousandAndOneFolders) {
  auto rec = RecorderFor("");
  for (int i = 0; i < 100; ++i) {
    TDEntry* top = rec->CreateDir("\\", "top" + std::to_string(99 - i));
    ASSERT_NE(top, nullptr);
    for (int k = 0; k < 100; ++k) ASSERT_NE(rec->CreateDir(top->Path, "sub" + std::to_string(k)), nullptr);
  }
  ASSERT_NE(rec->CreateDir("\\TOP5\\SUB7", "last"), nullptr);
  WriteFile(Path("f.txt"), "x");
  ASSERT_EQ(rec->AddFile("\\TOP5\\SUB7\\LAST", Path("f.txt"), false), 1);
  EXPECT_EQ(rec->GetDirCount(), 10101);
  ASSERT_EQ(Build(*rec, Path("many.iso"), true), "");

  // Walk the L path table: parents come before children and never go back.
  const std::string img = ReadAll(Path("many.iso"));
  const auto& f = rec->Layout();
  std::size_t pos = f.IsoPathTableL * 2048;
  const std::size_t end = pos + f.IsoPathTableSize;
  int number = 0, last_parent = 1;
  while (pos < end) {
    const auto len = static_cast<std::uint8_t>(img[pos]);
    const int parent =
        static_cast<std::uint8_t>(img[pos + 6]) | (static_cast<std::uint8_t>(img[pos + 7]) << 8);
    ++number;
    ASSERT_GE(parent, last_parent);
    ASSERT_LE(parent, number);
    last_parent = parent;
    pos += 8 + len + (len % 2);
  }
  EXPECT_EQ(number, 10102);
  std::string out;
  EXPECT_EQ(Shell("isoinfo -p -i " + Q(Path("many.iso")) + " | tail -n 3", &out), 0);
  EXPECT_EQ(Shell("isoinfo -J -f -i " + Q(Path("many.iso")) + " | grep -c /", &out), 0);
  EXPECT_EQ(std::stoi(out), 10102);
  CheckWithPeers(Path("many.iso"));
}

// 123 folders of 8-character names and 7 of 2 make an ISO path table of
// exactly one sector: it must be written without a padding sector.
TEST_F(ImageTest, PathTableOfExactlyOneSector) {
  auto rec = RecorderFor("");
  for (int i = 0; i < 123; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "DIR%05d", i);
    ASSERT_NE(rec->CreateDir("\\", name), nullptr);
  }
  for (int i = 0; i < 7; ++i) ASSERT_NE(rec->CreateDir("\\", "Z" + std::to_string(i)), nullptr);
  ASSERT_EQ(Build(*rec, Path("pt.iso"), true), "");
  const auto& f = rec->Layout();
  EXPECT_EQ(f.IsoPathTableSize, 2048);
  EXPECT_EQ(f.IsoPathTableM, f.IsoPathTableL + 1);
  CheckWithPeers(Path("pt.iso"));
}

// A sparse file over 4 GiB is described by two extents in both trees and
// comes back whole.
TEST_F(ImageTest, FiveGigabyteFileAsMultiExtent) {
  const std::string big = Path("src/big.bin");
  fs::create_directories(Path("src"));
  {
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 5LL << 30), 0);
    ASSERT_EQ(::pwrite(fd, "head", 4, 0), 4);
    ASSERT_EQ(::pwrite(fd, "tail", 4, (5LL << 30) - 4), 4);
    ::close(fd);
  }
  WriteFile(Path("src/after.txt"), "after the big one");
  auto rec = RecorderFor(Path("src"));
  ASSERT_EQ(Build(*rec, Path("big.iso"), true), "");
  std::string out;
  ASSERT_EQ(Shell("xorriso -indev " + Q(Path("big.iso")) + " -find / -exec lsdl", &out), 0);
  EXPECT_NE(out.find("5368709120"), std::string::npos) << out;
  for (const char* bad : {"WARNING", "SORRY", "FAILURE"}) EXPECT_EQ(out.find(bad), std::string::npos) << out;
  ASSERT_EQ(Shell("isoinfo -J -l -i " + Q(Path("big.iso")), &out), 0);
  EXPECT_NE(out.find("4294965248"), std::string::npos) << out;  // first extent
  ASSERT_EQ(Shell("7z l " + Q(Path("big.iso")), &out), 0);
  EXPECT_NE(out.find("5368709120"), std::string::npos) << out;
  // Both ends of the big file and the small file after it come back intact
  // (the 5 GB in between are zeros; extracting them would only fill the disk).
  ASSERT_EQ(Shell("xorriso -osirrox on -indev " + Q(Path("big.iso")) + " -extract /after.txt " +
                      Q(Path("after.txt")) + " -extract_cut /big.bin 0 4 " + Q(Path("head.out")) +
                      " -extract_cut /big.bin 5368709116 4 " + Q(Path("tail.out")),
                  &out),
            0)
      << out;
  EXPECT_EQ(ReadAll(Path("after.txt")), "after the big one");
  EXPECT_EQ(ReadAll(Path("head.out")), "head");
  EXPECT_EQ(ReadAll(Path("tail.out")), "tail");
}

// ---------------------------------------------------------------------------
// Bad input: every failure ends in OnWriteDone with its reason and leaves no
// image behind, neither under the target name nor as a temporary file.

struct BadCase {
  const char* name;
  void (*spoil)(const std::string& src);
  const char* expect;
};

class BadInput : public ImageTest, public ::testing::WithParamInterface<std::tuple<BadCase, bool>> {};

TEST_P(BadInput, EndsWithClearErrorAndNoImage) {
  const auto& [c, direct] = GetParam();
  WriteFile(Path("src/keep.txt"), Pattern(70000, 1));
  WriteFile(Path("src/victim.bin"), Pattern(200000, 2));
  WriteFile(Path("src/sub/inner.txt"), Pattern(10, 3));
  WriteFile(Path("src/zlast.txt"), Pattern(10, 4));
  auto rec = RecorderFor(Path("src"));
  ASSERT_EQ(rec->GetFileCount(), 5);
  c.spoil(Path("src"));
  fs::create_directories(Path("out"));
  const std::string error = Build(*rec, Path("out/image.iso"), direct);
  EXPECT_NE(error.find(c.expect), std::string::npos) << error;
  EXPECT_TRUE(fs::is_empty(Path("out"))) << "something was left in the target folder";
}

const BadCase kBadCases[] = {
    {"Vanished", [](const std::string& s) { fs::remove(s + "/victim.bin"); }, "CAN'T OPEN FILE"},
    {"Shrank", [](const std::string& s) { fs::resize_file(s + "/victim.bin", 1000); }, "CHANGED SIZE"},
    {"Grew", [](const std::string& s) { fs::resize_file(s + "/victim.bin", 200001); }, "CHANGED SIZE"},
    {"Unreadable",
     [](const std::string& s) {
       if (::geteuid() != 0) {
         fs::permissions(s + "/victim.bin", fs::perms::none);
       } else {
         // Root reads any file: a folder in the file's place cannot be read
         // by anyone.
         fs::remove(s + "/victim.bin");
         fs::create_directories(s + "/victim.bin");
       }
     },
     "FILE \""},
    {"FolderVanished", [](const std::string& s) { fs::remove_all(s + "/sub"); }, "CAN'T OPEN FILE"},
    // Nobody writes into the pipe: opening or reading it must not wait.
    {"BecameFifo",
     [](const std::string& s) {
       fs::remove(s + "/victim.bin");
       ASSERT_EQ(::mkfifo((s + "/victim.bin").c_str(), 0600), 0);
     },
     "CHANGED SIZE"},
};

INSTANTIATE_TEST_SUITE_P(Cases, BadInput,
                         ::testing::Combine(::testing::ValuesIn(kBadCases), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "Direct" : "Threaded");
                         });

// A full disk, made with a file-size limit on this process.
class FullDisk : public ImageTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FullDisk, EndsWithWriteErrorAndNoImage) {
  WriteFile(Path("src/big.bin"), Pattern(3 << 20, 1));
  auto rec = RecorderFor(Path("src"));
  fs::create_directories(Path("out"));
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old;
  limit.rlim_cur = 1 << 20;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  const std::string error = Build(*rec, Path("out/image.iso"), GetParam());
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_NE(error.find("CAN'T WRITE FILE"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_empty(Path("out")));
}

INSTANTIATE_TEST_SUITE_P(Modes, FullDisk, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Direct" : "Threaded"); });

TEST_F(ImageTest, TargetFolderMissingIsReported) {
  auto rec = RecorderFor("");
  for (bool direct : {true, false}) {
    const std::string error = Build(*rec, Path("nowhere/image.iso"), direct);
    EXPECT_NE(error.find("CAN'T CREATE FILE"), std::string::npos) << error;
  }
}

}  // namespace

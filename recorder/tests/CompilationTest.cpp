// The compilation model: adding, finding, replacing and removing entries,
// the name rules and the layout figures.

#include "platform/core/FileUtils.h"
#include "recorder/tests/IsoTestSupport.h"

namespace {

using namespace isotest;

class Compilation : public ImageTest {
 protected:
  void SetUp() override {
    ImageTest::SetUp();
    rec_.OnDebugMessage = [this](TSCSIDevice*, const std::string& m, std::uint8_t level) {
      messages_.push_back(std::to_string(level) + ":" + m);
    };
  }
  bool Said(const std::string& part) const {
    for (const auto& m : messages_) {
      if (m.find(part) != std::string::npos) return true;
    }
    return false;
  }
  TQCDBurner rec_;
  std::vector<std::string> messages_;
};

TEST_F(Compilation, PropertiesKeepTheirRules) {
  const std::pair<int, int> cases[] = {
      {0, 2097152}, {2097151, 2097152}, {4194304, 4194304}, {4196351, 4194304}};
  for (const auto& [set, read] : cases) {
    rec_.SetCacheSize(set);
    EXPECT_EQ(rec_.CacheSize(), read) << set;
  }
  rec_.SetVersion("1.21");
  EXPECT_EQ(rec_.Version(), "1.23");
  std::string s;
  PadLeftNumber(8, "0", s, 16);
  EXPECT_EQ(s, "00000016");
  PadLeftNumber(2, "0", s, 12345);
  EXPECT_EQ(s, "12345");
}

TEST_F(Compilation, FileWithoutExtensionKeepsItsNameAndGetsAnIsoDot) {
  WriteFile(Path("readme"), "x");
  ASSERT_EQ(rec_.AddFile("\\", Path("readme"), false), 1);
  const TFEntry* e = rec_.RootDir()->FirstChild;
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->LongName, "readme");  // extracted as "readme", not "readme."
  EXPECT_EQ(e->ShortName, "README.");
  EXPECT_EQ(rec_.AddFile("\\", Path("missing"), false), -1);
  EXPECT_EQ(rec_.AddFile("\\nowhere", Path("readme"), false), 0);
  EXPECT_TRUE(Said("4:INVALID DESTINATION PATH"));
}

// A Joliet record is at most 255 bytes: 108 characters for a file (with
// ";1"), 110 for a folder. Longer names are offered with Skip set and a
// reason, and are refused unless the handler shortens them.
TEST_F(Compilation, NamesAtTheJolietLimit) {
  WriteFile(Path("src/" + std::string(104, 'a') + ".txt"), "ok");
  WriteFile(Path("src/" + std::string(105, 'b') + ".txt"), "too long");
  WriteFile(Path("src/" + std::string(110, 'C') + "/in.txt"), "ok");
  WriteFile(Path("src/" + std::string(111, 'E') + "/in.txt"), "too long");
  std::vector<std::string> reasons;
  rec_.OnAddFile = [&](TQCDBurner*, const std::string&, std::string&, std::string&, Clock::TimePoint&, int,
                       std::int64_t, bool& skip, const std::string& reason) {
    if (skip) reasons.push_back(reason);
  };
  rec_.OnAddDir = [&](TQCDBurner*, std::string&, std::string&, bool& skip, const std::string& reason) {
    if (skip) reasons.push_back(reason);
  };
  rec_.AddDir("\\", Path("src"), "*.*", 63, true, false, false);
  EXPECT_EQ(reasons, std::vector<std::string>({"NAME TOO LONG", "NAME TOO LONG"}));
  EXPECT_EQ(rec_.GetFileCount(), 3);  // one file, one folder and its file
  EXPECT_TRUE(Said("NAME TOO LONG"));
  EXPECT_EQ(rec_.CreateDir("\\", std::string(110, 'x')) != nullptr, true);
  EXPECT_EQ(rec_.CreateDir("\\", std::string(111, 'y')), nullptr);

  // A handler that shortens the name gets the file in.
  rec_.OnAddFile = [](TQCDBurner*, const std::string&, std::string& long_name, std::string&,
                      Clock::TimePoint&, int, std::int64_t, bool& skip, const std::string&) {
    long_name = "short.txt";
    skip = false;
  };
  EXPECT_EQ(rec_.AddFile("\\", Path("src/" + std::string(105, 'b') + ".txt"), false), 1);
  EXPECT_NE(rec_.Compilation().FindChild(rec_.RootDir(), "short.txt"), nullptr);
  ASSERT_TRUE(rec_.PrepareLayout(true, nullptr));
  rec_.BuildFileSystemHeader();
  // Every record of the header stays within its length byte: the writer
  // would otherwise have produced a shorter extent than the layout sized.
  EXPECT_EQ(static_cast<std::int64_t>(rec_.HeaderStream().size()), 150 * 2048);
}

TEST_F(Compilation, SameNameIsRefusedOrReplacedButNeverAFolder) {
  WriteFile(Path("one/a.txt"), "first");
  WriteFile(Path("two/a.txt"), "second, longer");
  ASSERT_EQ(rec_.AddFile("\\", Path("one/a.txt"), false), 1);
  EXPECT_EQ(rec_.AddFile("\\", Path("two/a.txt"), false), 1);
  EXPECT_EQ(rec_.GetFileCount(), 1);
  EXPECT_EQ(rec_.RootDir()->FirstChild->SourcePath, Path("one/a.txt"));
  rec_.SetReplaceFile(true);
  EXPECT_EQ(rec_.AddFile("\\", Path("two/a.txt"), false), 1);
  EXPECT_EQ(rec_.GetFileCount(), 1);
  EXPECT_EQ(rec_.RootDir()->FirstChild->SourcePath, Path("two/a.txt"));
  EXPECT_EQ(rec_.RootDir()->FirstChild->IsoSize, 14);

  // Names that differ only in case are two files, as they are on the source
  // disk; the layout gives them distinct ISO names.
  WriteFile(Path("two/A.TXT"), "upper");
  EXPECT_EQ(rec_.AddFile("\\", Path("two/A.TXT"), false), 1);
  EXPECT_EQ(rec_.GetFileCount(), 2);
  ASSERT_NE(rec_.Compilation().FindChild(rec_.RootDir(), "A.TXT"), nullptr);
  EXPECT_EQ(rec_.Compilation().FindChild(rec_.RootDir(), "A.TXT")->SourcePath, Path("two/A.TXT"));
  EXPECT_EQ(rec_.Compilation().FindChild(rec_.RootDir(), "a.txt")->SourcePath, Path("two/a.txt"));
  TDEntry* root = rec_.RootDir();
  TFEntry* upper = rec_.Compilation().FindChild(root, "A.TXT");
  rec_.RemoveEntry(root, upper);
  EXPECT_EQ(rec_.GetFileCount(), 1);

  // A folder called like the file is not swallowed by ReplaceFile.
  TDEntry* folder = rec_.CreateDir("\\", "data");
  ASSERT_NE(folder, nullptr);
  ASSERT_EQ(rec_.AddFile("\\DATA", Path("one/a.txt"), false), 1);
  WriteFile(Path("three/data"), "a file named like the folder");
  EXPECT_EQ(rec_.AddFile("\\", Path("three/data"), false), 1);
  EXPECT_EQ(rec_.FindDirByPath("\\DATA"), folder);
  EXPECT_EQ(rec_.GetFileCount(), 3);
  EXPECT_TRUE(Said("A FOLDER OF THE SAME NAME EXISTS"));
}

TEST_F(Compilation, FindRemoveAndCreate) {
  TDEntry* data = rec_.CreateDir("\\", "data");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(rec_.FindDirByPath("\\data\\"), data);
  EXPECT_EQ(rec_.FindDirByPath("data"), nullptr);
  EXPECT_EQ(rec_.CreateDir("\\", "My Folder")->ShortName, "MY_FOLDER");
  EXPECT_EQ(rec_.CreateDir("\\",
                           "Gr\xC3\xB6\xC3\x9F"
                           "e {1}")
                ->ShortName,
            "GR__E__1_");
  EXPECT_EQ(rec_.CreateDir("\\", "data"), data);  // exists: the same record
  EXPECT_EQ(rec_.CreateDir("\\missing", "x"), nullptr);

  TDEntry* root = rec_.RootDir();
  const int files = rec_.GetFileCount();
  EXPECT_FALSE(rec_.RemoveDir(root));
  EXPECT_EQ(rec_.GetFileCount(), files);

  ASSERT_NE(rec_.CreateDir("\\DATA", "inner"), nullptr);
  WriteFile(Path("f.txt"), "f");
  ASSERT_EQ(rec_.AddFile("\\DATA\\INNER", Path("f.txt"), false), 1);
  EXPECT_EQ(rec_.GetDirCount(), 4);
  ASSERT_TRUE(rec_.RemoveDir(data));
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(rec_.GetDirCount(), 2);
  EXPECT_EQ(rec_.FindDirByPath("\\DATA\\INNER"), nullptr);
  EXPECT_EQ(rec_.Compilation().Files().size(), 2u);
  // The name is free again.
  EXPECT_NE(rec_.CreateDir("\\", "DATA"), nullptr);
}

TEST_F(Compilation, RecursiveAddLeavesNoEmptyFoldersAndReportsUnreadableOnes) {
  WriteFile(Path("src/a/only.txt"), "t");
  WriteFile(Path("src/b/c/pic.jpg"), "j");
  WriteFile(Path("src/top.jpg"), "j");
  EXPECT_EQ(rec_.AddDir("\\", Path("src"), "*.jpg", 63, true, false, false), 1);
  EXPECT_NE(rec_.FindDirByPath("\\B\\C"), nullptr);
  EXPECT_EQ(rec_.FindDirByPath("\\A"), nullptr);
  EXPECT_EQ(rec_.GetFileCount(), 4);
  EXPECT_EQ(rec_.AddDir("\\", Path("gone"), "*.*", 63, true, false, false), 0);
  EXPECT_TRUE(Said("CAN'T READ FOLDER"));
}

TEST_F(Compilation, FullTablesSayWhy) {
  rec_.InitCompilation(3, 2);
  WriteFile(Path("a"), "");
  WriteFile(Path("b"), "");
  ASSERT_NE(rec_.CreateDir("\\", "d"), nullptr);
  EXPECT_EQ(rec_.CreateDir("\\", "e"), nullptr);
  EXPECT_TRUE(Said("3:>>> MAXIMUM DIRECTORIES CAN BE 2"));
  ASSERT_EQ(rec_.AddFile("\\", Path("a"), false), 1);
  ASSERT_EQ(rec_.AddFile("\\", Path("b"), false), 1);
  EXPECT_EQ(rec_.GetFileCount(), 3);
  WriteFile(Path("c"), "");
  EXPECT_EQ(rec_.AddFileEntry(rec_.RootDir(), {"c", 0, kAttrArchive, {}}, Path("c"), 0, false), 0);
  EXPECT_TRUE(Said("3:MAXIMUM FILES CAN BE 3"));
}

// Names that cut to the same ISO name in one folder are told apart.
TEST_F(Compilation, CutIsoNamesAreMadeUnique) {
  for (int i = 0; i < 12; ++i) {
    rec_.AddFileEntry(rec_.RootDir(),
                      {"a rather long name for a file number " + std::to_string(i) + ".txt", 1, 32, {}}, "/x",
                      0, false);
  }
  rec_.CreateDir("\\", "a folder name well beyond thirty-one characters, one");
  rec_.CreateDir("\\", "a folder name well beyond thirty-one characters, two");
  rec_.PrepareLayout(true, nullptr);
  std::set<std::string> names;
  for (const TFEntry* e = rec_.RootDir()->FirstChild; e; e = e->Next) {
    EXPECT_TRUE(names.insert(e->ShortName).second) << e->ShortName;
    EXPECT_LE(e->ShortName.size(), e->IsDirectory() ? 31u : 31u) << e->ShortName;
  }
  EXPECT_EQ(names.size(), 14u);
}

TEST_F(Compilation, LayoutFiguresOfEmptyCompilation) {
  struct Case {
    bool joliet;
    std::int64_t pt_l, dir_area, pad;
  };
  for (const Case& c : {Case{true, 19, 23, 125}, Case{false, 18, 20, 129}}) {
    rec_.SetJolietFileSystem(c.joliet);
    rec_.PrepareLayout(true, nullptr);
    const auto& f = rec_.Layout();
    EXPECT_EQ(f.PvdSector, 16);
    EXPECT_EQ(f.IsoPathTableL, c.pt_l);
    EXPECT_EQ(f.IsoPathTableM, c.pt_l + 1);
    EXPECT_EQ(f.IsoDirArea, c.dir_area);
    if (c.joliet) {
      EXPECT_EQ(f.JolietPathTableL, 21);
      EXPECT_EQ(f.JolietPathTableM, 22);
      EXPECT_EQ(f.JolietDirArea, 24);
    }
    EXPECT_EQ(f.PadSectors, c.pad);
    EXPECT_EQ(f.FirstFileSector, 150);
    EXPECT_EQ(f.VolumeEnd, 150);
  }
}

TEST_F(Compilation, BootImageFigures) {
  WriteFile(Path("boot.img"), std::string(8192, 'b'));
  rec_.Bootable = true;
  rec_.BootImage = Path("boot.img");
  rec_.PrepareLayout(true, nullptr);
  const auto& f = rec_.Layout();
  EXPECT_EQ(f.BootCatalogSector, 26);
  EXPECT_EQ(f.PadSectors, 119);
  EXPECT_EQ(f.BootImageSector, 146);
  EXPECT_EQ(f.FirstFileSector, 150);
  rec_.BootImage = Path("none.img");
  rec_.PrepareLayout(true, nullptr);
  EXPECT_FALSE(rec_.Bootable);
}

TEST_F(Compilation, SixtyFilesOfTwelveCharactersNeedTwoSectors) {
  for (int i = 0; i < 60; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "FILE%04d.TXT", i);
    rec_.AddFileEntry(rec_.RootDir(), {name, 1, 32, {}}, "/x", 0, false);
  }
  rec_.PrepareLayout(true, nullptr);
  EXPECT_EQ(rec_.RootDir()->IsoExtentSize, 4096);
}

TEST_F(Compilation, JolietPathTableOrderIsByCharacterCode) {
  rec_.CreateDir("\\", "abc");
  rec_.CreateDir("\\", "ABD");
  rec_.PrepareLayout(true, nullptr);
  auto& order = rec_.Compilation().JolietOrder();
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[1]->LongName, "ABD");
  EXPECT_EQ(order[2]->LongName, "abc");
}

TEST_F(Compilation, TrackSectorsWithPostGap) {
  for (int i = 0; i < 4; ++i) rec_.CreateDir("\\", "d" + std::to_string(i));
  rec_.PrepareLayout(true, nullptr);
  EXPECT_EQ(rec_.GetTrackSectors(), 300);
  rec_.SetWritePostGap(false);
  EXPECT_EQ(rec_.GetTrackSectors(), 150);
}

// Record dates carry the offset in force at that moment: summer and winter
// differ by an hour in a zone with daylight saving time.
TEST_F(Compilation, RecordDatesCarryTheOffsetOfTheirMoment) {
  const auto summer = iso::RecordDate(Clock::TimePoint(std::chrono::seconds(1782901230)));  // July 2026
  const auto winter = iso::RecordDate(Clock::TimePoint(std::chrono::seconds(1767225600)));  // January 2026
  EXPECT_EQ(summer[6], 8);
  EXPECT_EQ(winter[6], 4);
  EXPECT_EQ(summer[3], 12);  // 10:20 UTC is 12:20 in Berlin in July
  const auto pvd = iso::VolumeDate(Clock::TimePoint(std::chrono::seconds(1782901230)));
  EXPECT_EQ(std::string(pvd.begin(), pvd.begin() + 16), "2026070112203000");
  EXPECT_EQ(pvd[16], 8);
}

}  // namespace

namespace {

using namespace isotest;

TEST_F(ImageTest, FolderSizeCountsEveryFileBelow) {
  WriteFile(Path("src/a.bin"), std::string(1000, 'a'));
  WriteFile(Path("src/sub/b.bin"), std::string(2000, 'b'));
  WriteFile(Path("src/sub/deeper/c.bin"), std::string(30, 'c'));
  TQCDBurner rec;
  EXPECT_EQ(rec.GetFolderSize(Path("src/")), 3030);
  EXPECT_EQ(rec.GetFolderSize(Path("src/sub/b.bin")), 2000);
  EXPECT_EQ(rec.GetFolderSize(Path("missing/")), 0);
}

// An archive-only add takes the files changed since their last backup;
// after the burn their archive bits are cleared, so the next such add
// leaves them out.
TEST_F(ImageTest, ArchiveOnlyAddAndClearArchiveBits) {
  WriteFile(Path("src/new.txt"), "new");
  WriteFile(Path("src/other.txt"), "other");
  if (FileSetAttr(Path("src/other.txt"), 0) != 0) GTEST_SKIP() << "no user extended attributes here";
  TQCDBurner rec;
  rec.AddDir("\\", Path("src"), "*.*", 63, true, false, true);
  ASSERT_EQ(rec.GetFileCount(), 1);
  EXPECT_EQ(rec.RootDir()->FirstChild->LongName, "new.txt");
  EXPECT_TRUE(rec.ClearArchiveBits());
  EXPECT_EQ(FileGetAttr(Path("src/new.txt")) & faArchive, 0);
  rec.InitCompilation(600000, 20000);
  rec.AddDir("\\", Path("src"), "*.*", 63, true, false, true);
  EXPECT_EQ(rec.GetFileCount(), 0);
}

}  // namespace

namespace {

// ISO names come from the long names: upper case, d-characters, one dot,
// cut to the level 2 lengths. Joliet keeps the name but not the characters
// Joliet reserves.
TEST(NameRules, IsoAndJolietIdentifiers) {
  const std::pair<const char*, const char*> files[] = {
      {"readme", "README."},
      {"Report 2024.final.txt", "REPORT_2024_FINAL.TXT"},
      {"\xC3\xBC"
       "ber.txt",
       "_BER.TXT"},
      {".hidden", ".HIDDEN"},
      {"a name far longer than thirty characters.document", "A_NAME_FAR_LONGER_THAN.DOCUMENT"},
  };
  for (const auto& [name, expected] : files) EXPECT_EQ(iso::IsoFileName(name), expected) << name;
  EXPECT_EQ(iso::IsoDirName("My.Folder 2"), "MY_FOLDER_2");
  EXPECT_EQ(iso::IsoDirName(std::string(40, 'x')), std::string(31, 'X'));
  EXPECT_EQ(iso::JolietIdentifier("a:b?", true), std::string("\0a\0_\0b\0_\0;\0"
                                                             "1",
                                                             12));
  EXPECT_TRUE(iso::JolietNameFits(std::string(108, 'a'), true));
  EXPECT_FALSE(iso::JolietNameFits(std::string(109, 'a'), true));
  EXPECT_TRUE(iso::JolietNameFits(std::string(110, 'a'), false));
  EXPECT_FALSE(iso::JolietNameFits(std::string(111, 'a'), false));
  // A character outside the basic plane takes two UTF-16 units.
  EXPECT_FALSE(iso::JolietNameFits(std::string(107, 'a') + "\xF0\x9F\x98\x80", true));
}

}  // namespace

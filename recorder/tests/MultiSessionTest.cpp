// Continuing a disc: burn a session, import it, add files, burn a second
// one; peers read the exported disc and see both sessions' files in the
// second, byte for byte, and the first session as it was.

#include <gtest/gtest.h>

#include <filesystem>

#include "recorder/tests/BurnFixture.h"

namespace {

using burntest::BurnRig;
using isotest::Pattern;
using isotest::Q;
using isotest::ReadAll;
using isotest::Shell;
using isotest::WriteFile;

class MultiSession : public isotest::ImageTest {
 protected:
  // xorriso's view of the session at `sector`, extracted into `out`.
  void ExtractSession(const std::string& disc, std::uint32_t sector, const std::string& out) {
    std::filesystem::remove_all(out);
    std::string text;
    ASSERT_EQ(Shell("xorriso -abort_on FAILURE -indev " + Q(disc) + " -load sbsector " + std::to_string(sector) +
                        " -osirrox on -extract / " + Q(out),
                    &text),
              0)
        << text;
    std::filesystem::permissions(out, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    for (auto& e : std::filesystem::recursive_directory_iterator(out)) {
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    }
  }
};

TEST_F(MultiSession, SecondSessionHoldsBothAndPeersReadEach) {
  WriteFile(Path("one/readme.txt"), "first\n");
  WriteFile(Path("one/Folder/first.bin"), Pattern(700000, 1));
  WriteFile(Path("two/second.bin"), Pattern(500000, 2));
  WriteFile(Path("two/Folder/more.txt"), "added later\n");
  // Both sessions' trees together, as session 2 must show them.
  WriteFile(Path("both/readme.txt"), "first\n");
  WriteFile(Path("both/Folder/first.bin"), Pattern(700000, 1));
  WriteFile(Path("both/second.bin"), Pattern(500000, 2));
  WriteFile(Path("both/Folder/more.txt"), "added later\n");

  for (const auto medium : {VirtualMedium::CdR, VirtualMedium::DvdPlusR, VirtualMedium::DvdPlusRw,
                            VirtualMedium::DvdRwRestricted, VirtualMedium::DvdRam}) {
    SCOPED_TRACE(MediumKey(medium));
    const bool overwrite = SpecOf(medium).recording == RecordingKind::Overwrite;
    BurnRig rig(medium, true);
    rig.Add(Path("one"));
    DrvLib().CurrentDiscType = rig.rec->GetDiscType();
    ASSERT_EQ(rig.BurnCompilation(), "");

    rig.rec->InitCompilation(600000, 20000);
    ASSERT_TRUE(rig.rec->ImportSession(-1, nullptr));
    rig.Add(Path("two"));
    ASSERT_EQ(rig.BurnCompilation(), "");
    const std::uint32_t start = static_cast<std::uint32_t>(rig.rec->Layout().SessionStart);
    EXPECT_GT(start, 0u);
    const auto summary = rig.vrec->Summary();
    if (!overwrite) EXPECT_EQ(summary.sessions, 2u);

    const std::string disc = Path("disc.iso");
    rig.vrec->Save();
    std::string out;
    const std::string vdrive = std::string(BURNER_BINARY_DIR) + "/bin/vdrive";
    if (std::filesystem::exists(vdrive)) {
      ASSERT_EQ(Shell(Q(vdrive) + " export " + Q(rig.vrec->ImagePath()) + " " + Q(disc), &out), 0) << out;
    } else {
      rig.vrec->ExportIso(disc);
    }
    // The second session: plain ISO, Joliet and the volume descriptor.
    const std::string offset = overwrite ? "" : " -T " + std::to_string(start);
    ASSERT_EQ(Shell("isoinfo -d -i " + Q(disc) + offset, &out), 0) << out;
    EXPECT_NE(out.find("Joliet"), std::string::npos) << out;
    ASSERT_EQ(Shell("isoinfo -J -l -i " + Q(disc) + offset, &out), 0) << out;
    EXPECT_NE(out.find("first.bin"), std::string::npos) << out;
    EXPECT_NE(out.find("second.bin"), std::string::npos) << out;
    ASSERT_EQ(Shell("xorriso -indev " + Q(disc) + " -toc -load sbsector " + std::to_string(start) + " -find /", &out),
              0)
        << out;
    EXPECT_NE(out.find("'/Folder/more.txt'"), std::string::npos) << out;
    EXPECT_NE(out.find("'/Folder/first.bin'"), std::string::npos) << out;

    ExtractSession(disc, start, Path("got2"));
    ExpectSameTree(Path("both"), Path("got2"));
    if (!overwrite) {
      // Sequential media keep the first session as it was.
      ExtractSession(disc, 0, Path("got1"));
      ExpectSameTree(Path("one"), Path("got1"));
    }

    // Our own import of the second session sees everything too.
    TQCDBurner reader;
    reader.InitializeASPI(true, "");
    reader.SetDeviceID(reader.Devices.at(0));
    ASSERT_TRUE(reader.ImportSession(-1, nullptr));
    EXPECT_NE(reader.Compilation().FindChild(reader.RootDir(), "second.bin"), nullptr);
    ASSERT_NE(reader.FindDirByPath("\\FOLDER"), nullptr);
    EXPECT_NE(reader.Compilation().FindChild(reader.FindDirByPath("\\FOLDER"), "first.bin"), nullptr);
  }
}

TEST_F(MultiSession, SequentialDvdRwWithASessionIsAppendedNotFormatted) {
  WriteFile(Path("one/old.txt"), "made elsewhere\n");
  WriteFile(Path("two/new.bin"), Pattern(100000, 3));
  std::string out;
  ASSERT_EQ(Shell("xorriso -as mkisofs -quiet -J -o " + Q(Path("one.iso")) + " " + Q(Path("one")), &out), 0) << out;
  BurnRig rig(VirtualMedium::DvdRwSequential);
  rig.vrec->ImportIso(Path("one.iso"), VirtualMedium::DvdRwSequential, false);
  ASSERT_TRUE(rig.rec->ImportSession(-1, nullptr));
  rig.Add(Path("two"));
  ASSERT_EQ(rig.BurnCompilation(), "");
  const auto ops = rig.Opcodes();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), 0x04), 0) << "the disc was formatted";
  EXPECT_GT(rig.rec->Layout().SessionStart, 0);
  EXPECT_EQ(rig.vrec->Summary().sessions, 2u);
  TQCDBurner reader;
  reader.InitializeASPI(true, "");
  reader.SetDeviceID(reader.Devices.at(0));
  ASSERT_TRUE(reader.ImportSession(-1, nullptr));
  TFEntry* old_file = reader.Compilation().FindChild(reader.RootDir(), "old.txt");
  ASSERT_NE(old_file, nullptr);
  std::filesystem::create_directories(Path("x"));
  ASSERT_TRUE(reader.ExtractFile(old_file, Path("x/")));
  EXPECT_EQ(ReadAll(Path("x/old.txt")), "made elsewhere\n");
  EXPECT_NE(reader.Compilation().FindChild(reader.RootDir(), "new.bin"), nullptr);
}

}  // namespace

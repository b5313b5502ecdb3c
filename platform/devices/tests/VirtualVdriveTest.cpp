// The vdrive tool, run as a user runs it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "platform/devices/tests/MmcTestUtil.h"
#include "platform/devices/tests/VirtualRecorderTestFixture.h"

namespace {

struct Outcome {
  int status = -1;
  std::string output;  // stdout and stderr together
};

class VdriveTest : public VirtualRecorderTestBase {
 protected:
  // `environment` goes before the command, as `env` takes it.
  Outcome Vdrive(const std::string& arguments, const std::string& environment = "") {
    const std::string tool = std::string(BURNER_BINARY_DIR) + "/bin/vdrive";
    const std::string command =
        "cd '" + dir_.string() + "' && env " + environment + " '" + tool + "' " + arguments + " 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, got);
    const int raw = pclose(pipe);
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return outcome;
  }

  void SetUp() override {
    VirtualRecorderTestBase::SetUp();
    ASSERT_TRUE(std::filesystem::exists(std::string(BURNER_BINARY_DIR) + "/bin/vdrive"))
        << "vdrive is not built";
  }
};

TEST_F(VdriveTest, InsertShowImportExportEject) {
  Outcome insert = Vdrive("insert e.img cd-rw");
  ASSERT_EQ(insert.status, 0) << insert.output;
  Outcome show = Vdrive("show e.img");
  ASSERT_EQ(show.status, 0) << show.output;
  EXPECT_NE(show.output.find("CD-RW (profile 000Ah)"), std::string::npos) << show.output;
  EXPECT_NE(show.output.find("Status:     blank"), std::string::npos) << show.output;
  EXPECT_NE(show.output.find("Free:       359849 blocks"), std::string::npos) << show.output;

  // An image of 40 blocks with a recognisable last block.
  {
    std::ofstream iso(Path("in.iso"), std::ios::binary);
    std::string data(40 * 2048, 'x');
    data.back() = 'z';
    iso << data;
  }
  Outcome import = Vdrive("import e.img in.iso dvd+r --appendable");
  ASSERT_EQ(import.status, 0) << import.output;
  show = Vdrive("show e.img.state");  // a state file names the drive as well as its image
  EXPECT_NE(show.output.find("Status:     appendable"), std::string::npos) << show.output;
  EXPECT_NE(show.output.find("    1        1           0          40  complete"), std::string::npos)
      << show.output;
  EXPECT_NE(show.output.find("Next write: 2088"), std::string::npos) << show.output;

  // What vdrive put on the disc is what a drive reads back.
  {
    VirtualRecorderConfig config;
    config.image_path = Path("e.img");
    auto drive = VirtualRecorder::Open(config);
    mmc::Reply last = mmc::Read10(*drive, 39, 1);
    ASSERT_TRUE(last.ok());
    EXPECT_EQ(last.data[2047], 'z');
  }
  Outcome exported = Vdrive("export e.img out.iso");
  ASSERT_EQ(exported.status, 0) << exported.output;
  EXPECT_EQ(std::filesystem::file_size(Path("out.iso")), 40u * 2048);

  Outcome eject = Vdrive("eject e.img");
  ASSERT_EQ(eject.status, 0) << eject.output;
  EXPECT_NE(Vdrive("show e.img").output.find("Medium:     none"), std::string::npos);
  Outcome empty_export = Vdrive("export e.img out2.iso");
  EXPECT_EQ(empty_export.status, 1);
  EXPECT_NE(empty_export.output.find("no disc"), std::string::npos) << empty_export.output;
}

TEST_F(VdriveTest, ListsDriveMapsAndStateFiles) {
  ASSERT_EQ(Vdrive("insert f.img dvd-r").status, 0);
  {
    std::ofstream map(Path("DriveMap.ini"));
    map << "[F]\nImage=f.img\nMedium=dvd-r\n[G:]\nImage=g.img\nMedium=dvd+rw\n";
  }
  Outcome list = Vdrive("list DriveMap.ini f.img.state");
  ASSERT_EQ(list.status, 0) << list.output;
  EXPECT_NE(list.output.find("F:  DVD-R, blank"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("G:  not created yet (dvd+rw)"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("f.img.state  DVD-R, blank"), std::string::npos) << list.output;
}

// Without a drive-map file the program uses its stand-in recorder (on a
// machine without a writer); vdrive shows and handles that same drive.
TEST_F(VdriveTest, ShowsAndFillsTheStandInRecorderWithoutADriveMap) {
  for (int i = 0; i < 16; ++i) {
    if (std::filesystem::exists("/dev/sr" + std::to_string(i))) GTEST_SKIP() << "this machine has an optical drive";
  }
  const std::string env = "-u BURNER_DRIVE_MAP -u XDG_DATA_HOME HOME='" + dir_.string() + "'";
  const std::string image = dir_.string() + "/.local/share/burner/VirtualRecorder.img";
  const Outcome before = Vdrive("list", env);
  ASSERT_EQ(before.status, 0) << before.output;
  EXPECT_NE(before.output.find("D:  not created yet (DVD+RW)  " + image + "  (stand-in recorder"), std::string::npos)
      << before.output;
  const Outcome insert = Vdrive("insert D: cd-r", env);
  ASSERT_EQ(insert.status, 0) << insert.output;
  const Outcome after = Vdrive("list", env);
  EXPECT_NE(after.output.find("D:  CD-R, blank  " + image), std::string::npos) << after.output;
}

TEST_F(VdriveTest, BadInputGivesAClearErrorAndAnExitCode) {
  Outcome unknown = Vdrive("insert h.img floppy");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.output.find("unknown medium \"floppy\""), std::string::npos) << unknown.output;
  EXPECT_EQ(Vdrive("frobnicate").status, 2);
  EXPECT_EQ(Vdrive("show").status, 2);
  {
    std::ofstream state(Path("bad.img.state"));
    state << "version = 1\nmedium = cd-r\ncapacity = 12\n";
  }
  Outcome bad = Vdrive("show bad.img");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.output.find("does not match"), std::string::npos) << bad.output;
  Outcome pressed = Vdrive("insert p.img dvd-rom");
  EXPECT_EQ(pressed.status, 1);
  EXPECT_NE(pressed.output.find("import an image"), std::string::npos) << pressed.output;
  Outcome missing = Vdrive("import p.img nothing.iso dvd-rom");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("Cannot open \"nothing.iso\""), std::string::npos) << missing.output;
  {
    std::ofstream iso(Path("small.iso"), std::ios::binary);
    iso << std::string(2048 * 3, 'r');
  }
  Outcome pressed_import = Vdrive("import p.img small.iso dvd-rom");
  EXPECT_EQ(pressed_import.status, 0) << pressed_import.output;
  EXPECT_NE(Vdrive("show p.img").output.find("DVD-ROM (profile 0010h)"), std::string::npos);
}

}  // namespace

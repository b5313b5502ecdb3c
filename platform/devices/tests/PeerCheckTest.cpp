// Standard MMC programs from Debian (sg3-utils, xorriso) against the virtual
// recorder, through the preload library that shows it to them as /dev/srN.
// Where they and the recorder disagree, the recorder is wrong.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "platform/devices/VirtualRecorder.h"
#include "platform/devices/tests/DeviceFixtures.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

struct Outcome {
  int status = -1;
  std::string output;
};

bool Installed(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// The first /dev/srN that does not exist, and the one after it.
std::pair<std::string, std::string> FreeDevicePaths() {
  std::vector<std::string> paths;
  for (int n = 0; paths.size() < 2; ++n) {
    const std::string path = "/dev/sr" + std::to_string(n);
    if (!std::filesystem::exists(path)) paths.push_back(path);
  }
  return {paths[0], paths[1]};
}

class PeerCheck : public testing::Test {
 protected:
  void SetUp() override {
    if (kSanitized) GTEST_SKIP() << "sanitizer build: its runtime cannot be preloaded into other programs";
    for (const char* program : {"sg_inq", "sg_get_config", "sg_modes", "sg_readcap", "sg_raw"}) {
      if (!Installed(program)) GTEST_SKIP() << program << " is not installed (Debian package sg3-utils)";
    }
    if (!Installed("xorriso")) GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
    preload_ = std::string(BURNER_BINARY_DIR) + "/bin/burner-preload.so";
    ASSERT_TRUE(std::filesystem::exists(preload_)) << preload_;

    std::tie(dvd_, cd_) = FreeDevicePaths();
    dir_.Write("DriveMap.ini", "[E]\nImage=e.img\nMedium=dvd+rw\n\n[F]\nImage=f.img\nMedium=cd-rw\n");
    // Formatting and blanking at once: the tests check results, not the
    // drive's pace.
    for (const auto& [image, medium] :
         {std::pair{"e.img", VirtualMedium::DvdPlusRw}, {"f.img", VirtualMedium::CdRw}}) {
      VirtualRecorderConfig config;
      config.image_path = dir_ / image;
      config.initial_medium = medium;
      VirtualRecorder::Open(config)->SetTimingPercent(0);
    }
    // A small file tree and its image, made without any drive.
    dir_.Write("src/readme.txt", "burned by the peer check\n");
    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 7919) >> 3);
    dir_.Write("src/data/block.bin", block);
    const Outcome mkisofs =
        Shell("xorriso -as mkisofs -quiet -R -J -o " + (dir_ / "test.iso") + " " + (dir_ / "src"));
    ASSERT_EQ(mkisofs.status, 0) << mkisofs.output;
  }

  Outcome Shell(const std::string& command) {
    Outcome run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> chunk;
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.output.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  // A program with the recorders shown as drives.
  Outcome Client(const std::string& command) {
    return Shell("cd " + dir_.path() + " && BURNER_DRIVE_MAP=" + (dir_ / "DriveMap.ini") +
                 " BURNER_PRELOAD_DEVICES=" + dvd_ + "=E," + cd_ + "=F XDG_DATA_HOME=" + (dir_ / "data") +
                 " LD_PRELOAD=" + preload_ + " timeout 300 " + command);
  }

  void ExpectSameTree(const std::string& extracted) {
    for (const char* file : {"readme.txt", "data/block.bin"}) {
      std::ifstream a(dir_ / ("src/" + std::string(file)), std::ios::binary);
      std::ifstream b(extracted + "/" + file, std::ios::binary);
      const std::string left((std::istreambuf_iterator<char>(a)), {});
      const std::string right((std::istreambuf_iterator<char>(b)), {});
      EXPECT_FALSE(left.empty());
      EXPECT_EQ(left, right) << file << " read back from the disc differs";
    }
  }

  TempDir dir_;
  std::string preload_, dvd_, cd_;
};

#define EXPECT_OUTPUT(run, text)                                                                             \
  do {                                                                                                       \
    const Outcome& r_ = (run);                                                                               \
    EXPECT_EQ(r_.status, 0) << r_.output;                                                                    \
    EXPECT_NE(r_.output.find(text), std::string::npos) << "expected \"" << (text) << "\" in\n" << r_.output; \
  } while (0)

}  // namespace

TEST_F(PeerCheck, Sg3UtilsSeeAnOpticalDrive) {
  EXPECT_OUTPUT(Client("sg_inq " + dvd_), "Peripheral device type: cd/dvd");
  EXPECT_OUTPUT(Client("sg_get_config " + dvd_), "Current profile: DVD+RW");
  EXPECT_OUTPUT(Client("sg_get_config " + cd_), "Current profile: CD-RW");
  EXPECT_OUTPUT(Client("sg_get_config --rt=2 --starting=0x2a " + dvd_), "DVD+RW feature");
  EXPECT_OUTPUT(Client("sg_modes -p 0x2a " + dvd_), "MM capabilities and mechanical status");
  EXPECT_OUTPUT(Client("sg_modes -p 0x05 " + cd_), "Write parameters");
  EXPECT_OUTPUT(Client("sg_readcap " + cd_), "Logical block length=2048 bytes");
  // An opcode the drive does not have: the answer a drive gives.
  const Outcome raw = Client("sg_raw " + dvd_ + " ff 00 00 00 00 00");
  EXPECT_NE(raw.output.find("Illegal Request"), std::string::npos) << raw.output;
}

// Each xorriso run costs about two seconds of its own waits after START
// STOP UNIT, so every run does as much as it can.
TEST_F(PeerCheck, XorrisoWritesAndReadsBackADvdPlusRw) {
  const Outcome blank = Client("xorriso -outdev " + dvd_ + " -toc");
  EXPECT_OUTPUT(blank, "Media current: DVD+RW");
  EXPECT_OUTPUT(blank, "Media status : is blank");

  const Outcome burn = Client("xorriso -as cdrecord -v dev=" + dvd_ + " test.iso");
  EXPECT_OUTPUT(burn, "completed successfully");
  EXPECT_OUTPUT(burn, "Media summary: 1 session");

  const Outcome read = Client("xorriso -osirrox on -indev " + dvd_ + " -toc -extract / out");
  EXPECT_OUTPUT(read, "ISO session  :   1 ,         0 ,");
  EXPECT_OUTPUT(read, "Extracted from ISO image");
  ExpectSameTree(dir_ / "out");

  const Outcome erased = Client("xorriso -outdev " + dvd_ + " -blank as_needed -toc");
  EXPECT_OUTPUT(erased, "Media status : is blank");
  EXPECT_OUTPUT(erased, "0 sessions");
}

TEST_F(PeerCheck, XorrisoWritesBlanksAndRewritesACdRw) {
  // Track at once: the recorder refuses session-at-once writes (the write
  // type at MODE SELECT, and the cue sheet), which cdrecord would choose for
  // one track on a blank CD.
  const Outcome closed = Client("xorriso -as cdrecord -v -tao dev=" + cd_ + " test.iso");
  EXPECT_OUTPUT(closed, "completed successfully");
  EXPECT_OUTPUT(closed, "is closed");
  EXPECT_OUTPUT(Client("xorriso -osirrox on -indev " + cd_ + " -extract / cd1"), "Extracted from ISO image");
  ExpectSameTree(dir_ / "cd1");

  const Outcome blank = Client("xorriso -outdev " + cd_ + " -blank fast -toc");
  EXPECT_OUTPUT(blank, "Media status : is blank");
  EXPECT_OUTPUT(blank, "0 sessions");

  const Outcome appendable = Client("xorriso -as cdrecord -v -tao -multi dev=" + cd_ + " test.iso");
  EXPECT_OUTPUT(appendable, "completed successfully");
  EXPECT_OUTPUT(appendable, "is appendable");
  EXPECT_OUTPUT(Client("xorriso -osirrox on -indev " + cd_ + " -extract / cd2"), "Extracted from ISO image");
  ExpectSameTree(dir_ / "cd2");
}

// Programs that treat the drive as a file: block reads and seeks, its size,
// its real path, and a descriptor handed on through dup and exec.
TEST_F(PeerCheck, DriveReadsLikeABlockDevice) {
  if (!Installed("blockdev") || !Installed("dd")) GTEST_SKIP() << "util-linux or coreutils missing";
  {
    VirtualRecorderConfig config;
    config.image_path = dir_ / "e.img";
    VirtualRecorder::Open(config)->ImportIso(dir_ / "test.iso", VirtualMedium::DvdPlusR, false);
  }
  const std::string pvd = " bs=2048 skip=16 count=1 status=none";
  const std::string id = " | head -c 6 | tail -c 5";
  EXPECT_OUTPUT(Client("dd if=" + dvd_ + pvd + id), "CD001");
  EXPECT_OUTPUT(Client("realpath " + dvd_), dvd_);
  const Outcome size = Client("blockdev --getsize64 " + dvd_);
  ASSERT_EQ(size.status, 0) << size.output;
  EXPECT_GE(std::stoull(size.output), std::filesystem::file_size(dir_ / "test.iso"));
  // bash opens the drive, hands it to dd as its input (dup2) and runs dd
  // (exec): dd reads the disc through a descriptor it never opened.
  EXPECT_OUTPUT(Client("bash -c 'exec 3<" + dvd_ + "; dd" + pvd + " <&3" + id + "'"), "CD001");

  // A next session's image made against the disc: mkisofs reads the old
  // tree through the drive file.
  const Outcome msinfo = Client("xorriso -as cdrecord -msinfo dev=" + dvd_ + " | tail -n 1");
  ASSERT_EQ(msinfo.status, 0) << msinfo.output;
  const std::string ms = msinfo.output.substr(0, msinfo.output.find('\n'));
  ASSERT_NE(ms.find(','), std::string::npos) << msinfo.output;
  EXPECT_OUTPUT(Client("xorriso -as mkisofs -M " + dvd_ + " -C " + ms + " -J -R -o next.iso src"),
                "completed successfully");
}

// cdrecord's successor and growisofs on write-once media: wodim simulates a
// CD-R written at once, writes it track at once and reads its TOC back;
// growisofs writes a DVD-R disc at once, which the drive closes when the
// last block is flushed.
TEST_F(PeerCheck, WodimAndGrowisofsBurnWriteOnceMedia) {
  if (!Installed("wodim") || !Installed("growisofs") || !Installed("dvd+rw-mediainfo"))
    GTEST_SKIP() << "wodim, growisofs or dvd+rw-mediainfo missing (Debian packages wodim, growisofs, dvd+rw-tools)";
  dir_.Write("DriveMap.ini", "[E]\nImage=r.img\nMedium=dvd-r\n\n[F]\nImage=c.img\nMedium=cd-r\n");
  for (const auto& [image, medium] : {std::pair{"r.img", VirtualMedium::DvdR}, {"c.img", VirtualMedium::CdR}}) {
    VirtualRecorderConfig config;
    config.image_path = dir_ / image;
    config.initial_medium = medium;
    VirtualRecorder::Open(config)->SetTimingPercent(0);
  }

  // A simulated session at once moves the laser and records nothing.
  EXPECT_OUTPUT(Client("wodim -v -sao -dummy gracetime=0 dev=" + cd_ + " test.iso"), "Sending CUE sheet...");
  EXPECT_OUTPUT(Client("xorriso -outdev " + cd_ + " -toc"), "Media status : is blank");
  const Outcome tao = Client("wodim -v -tao gracetime=0 dev=" + cd_ + " test.iso");
  EXPECT_OUTPUT(tao, "Fixating...");
  const Outcome toc = Client("wodim -toc dev=" + cd_);
  EXPECT_OUTPUT(toc, "first: 1 last 1");
  EXPECT_OUTPUT(toc, "track:   1 lba:         0");
  // The lead-out follows the track's two run-out blocks.
  char lead_out[64];
  std::snprintf(lead_out, sizeof lead_out, "track:lout lba: %9ju",
                std::uintmax_t{std::filesystem::file_size(dir_ / "test.iso") / 2048 + 2});
  EXPECT_OUTPUT(toc, lead_out);
  EXPECT_OUTPUT(Client("xorriso -osirrox on -indev " + cd_ + " -extract / cd"), "Extracted from ISO image");
  ExpectSameTree(dir_ / "cd");

  const Outcome dao = Client("growisofs -use-the-force-luke=dao -Z " + dvd_ + "=test.iso");
  EXPECT_OUTPUT(dao, "engaging DVD-R DAO");
  const Outcome info = Client("dvd+rw-mediainfo " + dvd_);
  EXPECT_OUTPUT(info, "Disc status:           complete");
  EXPECT_OUTPUT(info, "State of Last Session: complete");
  EXPECT_OUTPUT(info, "Media Book Type:       25h, DVD-R book");
  EXPECT_OUTPUT(info, "Media ID:              BURNERVR-R01");  // pressed into the lead-in, kept when written
  EXPECT_OUTPUT(Client("xorriso -osirrox on -indev " + dvd_ + " -extract / dvd"), "Extracted from ISO image");
  ExpectSameTree(dir_ / "dvd");
}

// dvd+rw-mediainfo on each kind of DVD: the profile, the maker's media ID
// (ADIP of +R/+RW, pre-recorded lead-in of -R/-RW), the end of the data area
// from the physical format information, and the book type. The tool prints
// the book type of the first structure it reads from its buffer before the
// read, so only its second read (format 00h after 10h, on -R/-RW) shows our
// book; the others are checked byte by byte in the recorder's own tests.
// cdrskin reads the -R/-RW media ID on its own.
TEST_F(PeerCheck, MediainfoNamesEachDvdMedium) {
  if (!Installed("dvd+rw-mediainfo")) GTEST_SKIP() << "dvd+rw-mediainfo missing (Debian package dvd+rw-tools)";
  const std::uintmax_t iso_blocks = std::filesystem::file_size(dir_ / "test.iso") / 2048;
  struct Row {
    VirtualMedium medium;
    std::string mounted, media_id, book;  // empty: no such line
    std::uintmax_t lead_out;
  } const rows[] = {
      {VirtualMedium::DvdRom, "10h, DVD-ROM", "", "", iso_blocks},
      {VirtualMedium::DvdR, "11h, DVD-R Sequential", "BURNERVR-R01", "25h, DVD-R book [revision 5]", 2298496},
      {VirtualMedium::DvdRwSequential, "14h, DVD-RW Sequential", "BURNERVR-W01", "32h, DVD-RW book [revision 2]",
       2297888},
      {VirtualMedium::DvdRwRestricted, "13h, DVD-RW Restricted Overwrite", "BURNERVR-W01",
       "32h, DVD-RW book [revision 2]", 2297888},
      {VirtualMedium::DvdRam, "12h, DVD-RAM", "", "", 2236704},
      {VirtualMedium::DvdPlusRw, "1Ah, DVD+RW", "BURNERVR/W01", "", 0},  // not formatted yet: no data area
      {VirtualMedium::DvdPlusR, "1Bh, DVD+R", "BURNERVR/R01", "", 2295104},
      {VirtualMedium::DvdPlusRDl, "2Bh, DVD+R Double Layer", "BURNERVR/R01", "", 2086912},  // the first layer's end
  };
  const bool cdrskin = Installed("cdrskin");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mounted);
    const std::string image = MediumKey(row.medium) + ".img";
    dir_.Write("DriveMap.ini", "[E]\nImage=" + image + "\nMedium=" + MediumKey(row.medium) + "\n");
    {
      VirtualRecorderConfig config;
      config.image_path = dir_ / image;
      config.initial_medium = row.medium == VirtualMedium::DvdRom ? VirtualMedium::DvdR : row.medium;
      auto drive = VirtualRecorder::Open(config);
      if (row.medium == VirtualMedium::DvdRom) drive->ImportIso(dir_ / "test.iso", VirtualMedium::DvdRom);
    }
    const Outcome info = Client("dvd+rw-mediainfo " + dvd_);
    EXPECT_OUTPUT(info, " Mounted Media:         " + row.mounted + "\n");
    if (row.media_id.empty()) {
      EXPECT_EQ(info.output.find("Media ID:"), std::string::npos) << info.output;
    } else {
      EXPECT_OUTPUT(info, " Media ID:              " + row.media_id + "\n");
    }
    if (!row.book.empty()) EXPECT_OUTPUT(info, "READ DVD STRUCTURE[#0h]:\n Media Book Type:       " + row.book);
    EXPECT_OUTPUT(info, " Legacy lead-out at:    " + std::to_string(row.lead_out) + "*2KB");
    if (row.medium == VirtualMedium::DvdRom) EXPECT_OUTPUT(info, "DVD-ROM media detected");
    if (row.medium == VirtualMedium::DvdPlusRDl) EXPECT_OUTPUT(info, "L0 Data Zone Capacity: 2086912*2KB");
    if (cdrskin && row.media_id.find('-') != std::string::npos) {
      EXPECT_OUTPUT(Client("cdrskin -minfo dev=" + dvd_), "Product Id:    " + row.media_id + "\n");
    }
  }
}

// cdrdao sends its no-data commands (REZERO UNIT, TEST UNIT READY) with no
// transfer direction, which the kernel takes; it reads the TOC and session
// layout of a two-session CD-R that wodim wrote and reports what the drive's
// own summary holds.
TEST_F(PeerCheck, CdrdaoReadsTheSessionsOfAMultiSessionCd) {
  if (!Installed("wodim") || !Installed("cdrdao"))
    GTEST_SKIP() << "wodim or cdrdao missing (Debian packages wodim, cdrdao)";
  dir_.Write("DriveMap.ini", "[E]\nImage=r.img\nMedium=dvd-r\n\n[F]\nImage=c.img\nMedium=cd-r\n");
  for (int session = 0; session < 2; ++session) {
    EXPECT_OUTPUT(Client("wodim -v -tao -multi gracetime=0 dev=" + cd_ + " test.iso"), "Fixating...");
  }
  VirtualDiscSummary disc;
  {
    VirtualRecorderConfig config;
    config.image_path = dir_ / "c.img";
    config.look_only = true;
    disc = VirtualRecorder::Open(config)->Summary();
  }
  ASSERT_EQ(disc.tracks.size(), 2u);
  const VirtualTrackSummary& second = disc.tracks[1];

  const Outcome info = Client("cdrdao disk-info --device " + cd_);
  EXPECT_OUTPUT(info, "Sessions             : 2");
  EXPECT_OUTPUT(info, "Last Track           : 2");
  EXPECT_OUTPUT(info, "Appendable           : yes");
  EXPECT_OUTPUT(info, "Start of last session: " + std::to_string(second.start) + " (");
  EXPECT_OUTPUT(info, "Start of new session : " + std::to_string(disc.next_writable) + " (");

  const Outcome toc = Client("cdrdao read-toc --session 2 --device " + cd_ + " --datafile s2.bin s2.toc");
  EXPECT_OUTPUT(toc, "Reading of toc data finished successfully.");
  // cdrdao tells the data mode from the raw sector READ CD returns, and
  // only guesses it when the sector lacks its EDC/ECC.
  EXPECT_OUTPUT(toc, "Analyzing track 01 (MODE1)");
  EXPECT_EQ(toc.output.find("Cannot determine mode"), std::string::npos) << toc.output;
  std::ifstream file(dir_ / "s2.toc");
  const std::string text((std::istreambuf_iterator<char>(file)), {});
  EXPECT_NE(text.find("TRACK MODE1"), std::string::npos) << text;
  EXPECT_NE(text.find("length in bytes: " + std::to_string(std::uint64_t{second.size} * 2048)), std::string::npos)
      << text;
}

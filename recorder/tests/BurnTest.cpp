// Burning on the virtual recorder: every medium, image files, test writes,
// faults and aborts. The disc afterwards is compared byte for byte with the
// image the same compilation makes, and the command log with what each
// disc type needs.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "recorder/tests/BurnFixture.h"

namespace {

using burntest::BurnRig;
using isotest::Pattern;
using isotest::Q;
using isotest::ReadAll;
using isotest::Shell;
using isotest::WriteFile;

class Burn : public isotest::ImageTest {
 protected:
  void MakeSource(const std::string& dir, unsigned seed) {
    WriteFile(Path(dir + "/readme.txt"), "session " + std::to_string(seed) + "\n");
    WriteFile(Path(dir + "/data/block" + std::to_string(seed) + ".bin"), Pattern(300000 + seed * 4097, seed));
    WriteFile(Path(dir + "/data/empty" + std::to_string(seed)), "");
  }
  // The creation time of the volume whose descriptor is at `pvd`.
  static Clock::TimePoint VolumeTime(const std::string& disc, std::size_t pvd) {
    const char* d = disc.data() + pvd * 2048 + 813;
    auto num = [&](int at, int n) { return std::stoi(std::string(d + at, static_cast<std::size_t>(n))); };
    std::tm tm{};
    tm.tm_year = num(0, 4) - 1900;
    tm.tm_mon = num(4, 2) - 1;
    tm.tm_mday = num(6, 2);
    tm.tm_hour = num(8, 2);
    tm.tm_min = num(10, 2);
    tm.tm_sec = num(12, 2);
    const int offset = static_cast<std::int8_t>(d[16]);
    return Clock::TimePoint(std::chrono::seconds(::timegm(&tm) - offset * 15 * 60) +
                            std::chrono::milliseconds(num(14, 2) * 10));
  }
  // The image the compilation makes when built at the disc's time.
  std::string Reference(BurnRig& rig, const std::string& disc) {
    rig.clock.Set(VolumeTime(disc, 16));
    EXPECT_EQ(rig.rec->CreateImageFile(Path("reference.iso"), true), 1);
    return ReadAll(Path("reference.iso"));
  }
};

struct Closing {
  std::uint8_t function;
  std::uint8_t track;
  bool immed;
  bool operator==(const Closing&) const = default;
};

std::vector<Closing> Closings(const BurnRig& rig) {
  std::vector<Closing> out;
  for (const auto& c : rig.vrec->CommandLog()) {
    if (c.opcode() == 0x5B) out.push_back({static_cast<std::uint8_t>(c.cdb[2] & 7), c.cdb[5], (c.cdb[1] & 1) != 0});
  }
  return out;
}

bool Sent(const BurnRig& rig, std::uint8_t opcode) {
  const auto ops = rig.Opcodes();
  return std::find(ops.begin(), ops.end(), opcode) != ops.end();
}

// The drive is put back the same way after every burn, failed ones too.
void ExpectRestored(const BurnRig& rig) {
  const auto ops = rig.Opcodes();
  // SET CD SPEED, REZERO, ALLOW REMOVAL, START STOP (load), REZERO, TEST UNIT READY.
  const std::vector<std::uint8_t> tail = {0xBB, 0x01, 0x1E, 0x1B, 0x01, 0x00};
  ASSERT_GE(ops.size(), tail.size());
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), ops.end() - static_cast<std::ptrdiff_t>(tail.size())))
      << "drive not put back";
  const auto log = rig.vrec->CommandLog();
  for (auto it = log.rbegin(); it != log.rend(); ++it) {
    if (it->opcode() != 0x55) continue;
    // Write parameters page: test write off.
    ASSERT_GT(it->data_out.size(), 10u);
    EXPECT_EQ(it->data_out[8 + 2] & 0x10, 0);
    break;
  }
}

struct MediumCase {
  const char* name;
  VirtualMedium medium;
  bool finalize_disc;
  std::vector<Closing> closings;
  bool reserve;  // RESERVE TRACK, time stamp, streaming of DVD-R
  bool format;   // FORMAT UNIT before the data
  const char* status;
};

const MediumCase kMedia[] = {
    {"CD-R", VirtualMedium::CdR, false, {{2, 0, true}}, false, false, "appendable"},
    {"CD-RW", VirtualMedium::CdRw, false, {{2, 0, true}}, false, false, "appendable"},
    {"DVD-R", VirtualMedium::DvdR, false, {{1, 1, true}, {1, 2, true}, {2, 3, true}}, true, false, "appendable"},
    {"DVD-RW seq", VirtualMedium::DvdRwSequential, false, {{2, 0, true}}, false, true, "complete"},
    {"DVD-RW ro", VirtualMedium::DvdRwRestricted, false, {{2, 0, true}}, false, true, "complete"},
    {"DVD+R", VirtualMedium::DvdPlusR, false, {{1, 1, false}, {2, 0xFF, false}}, false, false, "appendable"},
    {"DVD+R DL", VirtualMedium::DvdPlusRDl, false, {{1, 1, false}, {2, 0, false}}, false, false, "appendable"},
    {"DVD+R DL final", VirtualMedium::DvdPlusRDl, true, {{1, 1, false}, {6, 0, false}}, false, false, "complete"},
    {"DVD+RW", VirtualMedium::DvdPlusRw, false, {{3, 0xFF, false}}, false, true, "complete"},
    {"DVD-RAM", VirtualMedium::DvdRam, false, {}, false, false, "complete"},
};

TEST_F(Burn, EveryMediumHoldsTheImageAndIsClosedAsAsked) {
  MakeSource("src", 1);
  for (const auto& c : kMedia) {
    SCOPED_TRACE(c.name);
    BurnRig rig(c.medium);
    rig.rec->SetFinalizeDisc(c.finalize_disc);
    rig.rec->SetPerformOPC(true);
    rig.Add(Path("src"));
    DrvLib().CurrentDiscType = rig.rec->GetDiscType();
    ASSERT_EQ(rig.BurnCompilation(), "");
    EXPECT_EQ(rig.finalizing_calls, 1);
    EXPECT_EQ(rig.rec->BytesWritten(), rig.rec->GetTrackSectors() * 2048);

    EXPECT_EQ(Closings(rig), c.closings);
    EXPECT_EQ(Sent(rig, 0x53), c.reserve);
    EXPECT_EQ(Sent(rig, 0xBF), c.reserve);
    EXPECT_EQ(Sent(rig, 0x04), c.format);
    EXPECT_EQ(Sent(rig, 0x54), c.medium != VirtualMedium::DvdRam);  // power calibration
    ExpectRestored(rig);
    // The writes: whole 32-sector blocks on DVD, 27 sectors at most on CD,
    // one after the other from sector 0.
    std::uint32_t next = 0;
    for (const auto& cmd : rig.vrec->CommandLog()) {
      if (cmd.opcode() != 0x2A || !cmd.result.ok()) continue;
      const std::uint32_t lba = (cmd.cdb[2] << 24) | (cmd.cdb[3] << 16) | (cmd.cdb[4] << 8) | cmd.cdb[5];
      const std::uint32_t count = (cmd.cdb[7] << 8) | cmd.cdb[8];
      EXPECT_EQ(lba, next);
      if (SpecOf(c.medium).cd) {
        EXPECT_LE(count, 27u);
      } else {
        EXPECT_EQ(count, 32u);
      }
      next = lba + count;
    }

    const auto summary = rig.vrec->Summary();
    EXPECT_EQ(summary.status, c.status);
    const std::string disc = rig.Disc(dir_);
    const std::string image = Reference(rig, disc);
    ASSERT_GE(disc.size(), image.size());
    EXPECT_TRUE(disc.compare(0, image.size(), image) == 0) << "the disc differs from the image";
    EXPECT_EQ(disc.find_first_not_of('\0', image.size()), std::string::npos) << "padding is not zeros";
  }
}

TEST_F(Burn, TestWriteStoresNothingAndSucceeds) {
  MakeSource("src", 2);
  for (const auto& c : kMedia) {
    SCOPED_TRACE(c.name);
    BurnRig rig(c.medium);
    rig.rec->SetTestWrite(true);
    rig.Add(Path("src"));
    const auto before = rig.vrec->Summary();
    ASSERT_EQ(rig.BurnCompilation(), "");
    EXPECT_TRUE(Closings(rig).empty());
    // Only sequential media can simulate; elsewhere nothing is sent.
    const bool overwritable = SpecOf(c.medium).recording == RecordingKind::Overwrite;
    EXPECT_EQ(Sent(rig, 0x2A), !overwritable);
    EXPECT_FALSE(Sent(rig, 0x04));
    EXPECT_FALSE(Sent(rig, 0x54));  // no power calibration for a test
    ExpectRestored(rig);
    const auto after = rig.vrec->Summary();
    EXPECT_EQ(after.used, before.used);
    EXPECT_EQ(after.sessions, before.sessions);
  }
}

TEST_F(Burn, ImageFileFromAPeerGoesOnTheDiscAsItIs) {
  MakeSource("src", 3);
  std::string out;
  ASSERT_EQ(Shell("xorriso -as mkisofs -quiet -R -J -o " + Q(Path("peer.iso")) + " " + Q(Path("src")), &out), 0)
      << out;
  const std::string image = ReadAll(Path("peer.iso"));
  for (const auto medium : {VirtualMedium::CdR, VirtualMedium::DvdPlusR, VirtualMedium::DvdPlusRw}) {
    SCOPED_TRACE(MediumKey(medium));
    BurnRig rig(medium);
    DrvLib().CurrentDiscType = rig.rec->GetDiscType();
    ASSERT_EQ(rig.Run([&] { return rig.rec->BurnImageFile(Path("peer.iso")); }), "");
    const std::string disc = rig.Disc(dir_);
    ASSERT_GE(disc.size(), image.size());
    EXPECT_TRUE(disc.compare(0, image.size(), image) == 0);
    EXPECT_EQ(rig.rec->BytesWritten(), static_cast<std::int64_t>(image.size()));
  }
  BurnRig rig(VirtualMedium::DvdPlusR);
  EXPECT_EQ(rig.Run([&] { return rig.rec->BurnImageFile(Path("missing.iso")); }),
            "CAN'T OPEN FILE \"" + Path("missing.iso") + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
  EXPECT_FALSE(Sent(rig, 0x2A));
}

}  // namespace

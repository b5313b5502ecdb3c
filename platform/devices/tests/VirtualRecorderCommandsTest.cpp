// The drive's commands one by one: formatting and blanking with their
// progress, the tray, CDB checks, mode pages, features, the CD's TOC, PMA
// and ATIP, the drive buffer.

#include <gtest/gtest.h>

#include "platform/devices/tests/MmcTestUtil.h"
#include "platform/devices/tests/VirtualRecorderTestFixture.h"

namespace {

using mmc::Be16;
using mmc::Be32;
using std::chrono::seconds;

class VirtualRecorderCommandsTest : public VirtualRecorderTestBase {};

// The DVD+RW format list the recorder sends: FOV and Immed, 2295104 blocks, type 26h.
const std::vector<std::uint8_t> kPlusRwFormat = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23,
                                                 0x05, 0x40, 0x98, 0x00, 0x00, 0x00};

std::uint16_t Progress(const mmc::Reply& reply) {
  EXPECT_EQ(reply.result.sense[15] & 0x80, 0x80);
  return static_cast<std::uint16_t>(Be16(&reply.result.sense[16]));
}

TEST_F(VirtualRecorderCommandsTest, DvdPlusRwMustBeFormattedAndReportsProgressWhileFormatting) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdPlusRw);
  EXPECT_EQ(mmc::Write10(drive, 0, 16).sense(), mmc::Sense(5, 0x30, 0x10));

  ASSERT_TRUE(mmc::FormatUnit(drive, kPlusRwFormat).ok());
  mmc::Reply busy = mmc::TestUnitReady(drive);
  EXPECT_EQ(busy.sense(), mmc::Sense(2, 0x04, 0x04));
  EXPECT_LT(Progress(busy), 1000);
  clock_.Advance(seconds(10));
  busy = mmc::TestUnitReady(drive);
  EXPECT_NEAR(Progress(busy), 32768, 1000);
  EXPECT_EQ(mmc::ReadDiscInformation(drive).sense(), mmc::Sense(2, 0x04, 0x04));
  // REQUEST SENSE answers with the progress and a good status.
  mmc::Reply sense = mmc::RequestSense(drive);
  ASSERT_TRUE(sense.ok());
  EXPECT_EQ(sense.data[2] & 0x0F, 2);
  EXPECT_EQ(sense.data[12], 0x04);
  EXPECT_EQ(sense.data[15] & 0x80, 0x80);
  EXPECT_TRUE(mmc::Inquiry(drive).ok());

  clock_.Advance(seconds(11));
  ASSERT_TRUE(mmc::TestUnitReady(drive).ok());
  EXPECT_EQ(mmc::RequestSense(drive).data[2] & 0x0F, 0);
  mmc::Reply disc = mmc::ReadDiscInformation(drive);
  EXPECT_EQ(disc.data[2] & 0x03, 2);
  EXPECT_EQ(disc.data[7] & 0x03, 3);  // background format complete
  EXPECT_EQ(Be32(&mmc::ReadCapacity(drive).data[0]), 2295103u);

  // Random access: anywhere, in any order, again and again; not past the end.
  ASSERT_TRUE(mmc::Write10(drive, 1000, 3, 0x33).ok());
  ASSERT_TRUE(mmc::Write10(drive, 16, 1, 0x44).ok());
  ASSERT_TRUE(mmc::Write10(drive, 1001, 1, 0x55).ok());
  EXPECT_EQ(mmc::Read10(drive, 1000, 3).data[2048], 0x55);
  EXPECT_EQ(mmc::Read10(drive, 2, 1).data, std::vector<std::uint8_t>(2048, 0));
  EXPECT_EQ(mmc::Write10(drive, 2295103, 2).sense(), mmc::Sense(5, 0x21, 0x00));
  mmc::Reply toc = mmc::ReadToc(drive, 0);
  ASSERT_TRUE(toc.ok());
  EXPECT_EQ(Be32(&toc.data[16]), 2295104u);
}

TEST_F(VirtualRecorderCommandsTest, DvdRwFormatsToRestrictedOverwriteAndBlanksBack) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdRwSequential);
  // The recorder's quick format with DCRT: type 15h, 1000 blocks.
  ASSERT_TRUE(
      mmc::FormatUnit(drive, {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00, 0x03, 0xE8, 0x54, 0x00, 0x00, 0x10}).ok());
  EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(2, 0x04, 0x04));
  clock_.Advance(seconds(61));
  ASSERT_TRUE(mmc::TestUnitReady(drive).ok());
  EXPECT_EQ(Be16(&mmc::GetConfiguration(drive, 2, 0).data[6]), 0x13u);
  // Restricted overwrite takes whole ECC blocks of 16 sectors only.
  EXPECT_EQ(mmc::Write10(drive, 8, 16).sense(), mmc::Sense(5, 0x21, 0x02));
  EXPECT_EQ(mmc::Write10(drive, 16, 8).sense(), mmc::Sense(5, 0x24, 0x00));
  ASSERT_TRUE(mmc::Write10(drive, 32, 16).ok());
  mmc::Reply track = mmc::ReadTrackInformation(drive, 1);
  EXPECT_EQ(Be32(&track.data[24]), Be32(&track.data[16]));  // formatted whole: size equals free blocks
  EXPECT_EQ(Be32(&track.data[20]), 16u);

  // Quick grow keeps the data; blanking returns the disc to sequential recording.
  ASSERT_TRUE(mmc::FormatUnit(drive, mmc::FormatList(0, 0x13, 16, false)).ok());
  EXPECT_EQ(mmc::Read10(drive, 32, 1).data[0], 0x5A);
  ASSERT_TRUE(mmc::Blank(drive, 1, true).ok());
  mmc::Reply blanking = mmc::TestUnitReady(drive);
  EXPECT_EQ(blanking.sense(), mmc::Sense(2, 0x04, 0x07));
  Progress(blanking);
  clock_.Advance(seconds(121));
  ASSERT_TRUE(mmc::TestUnitReady(drive).ok());
  EXPECT_EQ(Be16(&mmc::GetConfiguration(drive, 2, 0).data[6]), 0x14u);
  EXPECT_EQ(mmc::ReadDiscInformation(drive).data[2] & 0x03, 0);
}

TEST_F(VirtualRecorderCommandsTest, BlankWithoutImmedTakesItsTimeOrTimesOut) {
  VirtualRecorder& drive = Open(VirtualMedium::CdRw);
  ASSERT_TRUE(mmc::SetWriteParameters(drive, 1, 3).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 10).ok());
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 2).ok());

  const std::uint64_t slept = clock_.SleptMs();
  mmc::Reply blank_reply = mmc::Blank(drive, 0, false);
  ASSERT_TRUE(blank_reply.ok()) << std::hex << blank_reply.sense() << " " << blank_reply.result.delivered;
  EXPECT_EQ(clock_.SleptMs() - slept, 1200u * 1000);
  EXPECT_TRUE(mmc::TestUnitReady(drive).ok());
  EXPECT_EQ(mmc::ReadDiscInformation(drive).data[2] & 0x03, 0);
  EXPECT_FALSE(mmc::Read10(drive, 0, 1).ok());

  // A command time-out shorter than the blank: the host gives up, the drive goes on.
  ScsiCommand blank = mmc::Cdb({0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  blank.timeout_ms = 10000;
  const ScsiResult result = drive.Execute(blank);
  EXPECT_FALSE(result.delivered);
  EXPECT_TRUE(result.timed_out);
  EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(2, 0x04, 0x07));
}

TEST_F(VirtualRecorderCommandsTest, WriteOnceAndPressedMediaRefuseErasing) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  EXPECT_EQ(mmc::Blank(drive, 1, true).sense(), mmc::Sense(5, 0x30, 0x00));
  EXPECT_EQ(mmc::FormatUnit(drive, kPlusRwFormat).sense(), mmc::Sense(5, 0x30, 0x06));
  VirtualRecorder& plus = Open(VirtualMedium::DvdPlusRw, "plus.img");
  EXPECT_EQ(mmc::FormatUnit(plus, mmc::FormatList(0, 0x15, 16, true)).sense(), mmc::Sense(5, 0x26, 0x00));
  EXPECT_EQ(mmc::FormatUnit(plus, kPlusRwFormat, 0x12).sense(), mmc::Sense(5, 0x24, 0x00));  // format code 2
}

TEST_F(VirtualRecorderCommandsTest, ChecksOpcodesCdbLengthsAndDirections) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdPlusRw);
  EXPECT_EQ(mmc::Run(drive, mmc::Cdb({0xFF, 0, 0, 0, 0, 0})).sense(), mmc::Sense(5, 0x20, 0));
  EXPECT_EQ(mmc::Run(drive, mmc::Cdb({0xA8, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0})).sense(),
            mmc::Sense(5, 0x20, 0));
  EXPECT_EQ(mmc::RunIn(drive, mmc::Cdb({0x25, 0, 0, 0, 0, 0}), 8).sense(), mmc::Sense(5, 0x24, 0));
  EXPECT_EQ(mmc::Run(drive, mmc::Cdb({0x00, 0, 0})).sense(), mmc::Sense(5, 0x24, 0));
  // ATAPI pads short CDBs to twelve bytes.
  EXPECT_TRUE(mmc::Run(drive, mmc::Cdb({0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})).ok());
  EXPECT_EQ(mmc::Run(drive, mmc::Cdb({0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})).sense(),
            mmc::Sense(5, 0x24, 0));
  EXPECT_EQ(mmc::RunOut(drive, mmc::Cdb({0x12, 0, 0, 0, 36, 0}), std::vector<std::uint8_t>(36)).sense(),
            mmc::Sense(5, 0x24, 0));
  EXPECT_EQ(mmc::RunIn(drive, mmc::Rw10(0x2A, 0, 1), 2048).sense(), mmc::Sense(5, 0x24, 0));
  EXPECT_EQ(mmc::RunIn(drive, mmc::Cdb({0x00, 0, 0, 0, 0, 0}), 4).sense(), mmc::Sense(5, 0x24, 0));
  // A data buffer shorter than the transfer is refused, not overrun.
  EXPECT_EQ(mmc::RunIn(drive, mmc::Rw10(0x28, 0, 2), 2048).sense(), mmc::Sense(5, 0x24, 0));
  const auto log = drive.CommandLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front().opcode(), 0xFF);
  EXPECT_EQ(log.back().data_length, 2048u);
  EXPECT_EQ(log.back().result.asc(), 0x24);
}

TEST_F(VirtualRecorderCommandsTest, TrayAndMediumStates) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  ASSERT_TRUE(mmc::TestUnitReady(drive).ok());
  ASSERT_TRUE(mmc::PreventRemoval(drive, true).ok());
  EXPECT_EQ(mmc::StartStop(drive, true).sense(), mmc::Sense(5, 0x53, 0x02));
  ASSERT_TRUE(mmc::PreventRemoval(drive, false).ok());
  ASSERT_TRUE(mmc::StartStop(drive, true).ok());
  EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(2, 0x3A, 0x02));
  EXPECT_EQ(mmc::ReadDiscInformation(drive).sense(), mmc::Sense(2, 0x3A, 0x02));
  EXPECT_EQ(Be16(&mmc::GetConfiguration(drive, 0, 0).data[6]), 0u);
  ASSERT_TRUE(mmc::StartStop(drive, false).ok());
  // The loaded disc is reported once, as drives do, before commands run again.
  EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(6, 0x28, 0x00));
  EXPECT_TRUE(mmc::TestUnitReady(drive).ok());

  drive.RemoveMedium();
  EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(2, 0x3A, 0x01));
  EXPECT_EQ(mmc::RequestSense(drive).data[12], 0x3A);
  EXPECT_TRUE(mmc::Inquiry(drive).ok());
  EXPECT_TRUE(mmc::ModeSense10(drive, 0x2A).ok());
  drive.InsertBlank(VirtualMedium::DvdR);
  EXPECT_EQ(Be16(&mmc::GetConfiguration(drive, 0, 0).data[6]), 0x11u);
  EXPECT_THROW(drive.InsertBlank(VirtualMedium::CdRom), Exception);
}

TEST_F(VirtualRecorderCommandsTest, InquiryNamesAnMmcDevice) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdPlusRw);
  mmc::Reply inquiry = mmc::Inquiry(drive, 36);
  ASSERT_TRUE(inquiry.ok());
  ASSERT_EQ(inquiry.data.size(), 36u);
  EXPECT_EQ(inquiry.data[0], 0x05);
  EXPECT_EQ(inquiry.data[1], 0x80);
  EXPECT_EQ(std::string(inquiry.data.begin() + 8, inquiry.data.begin() + 36), "BURNER  VIRTUAL DVD-RW  1.00");
  mmc::Reply serial = mmc::RunIn(drive, mmc::Cdb({0x12, 1, 0x80, 0, 64, 0}), 64);
  ASSERT_TRUE(serial.ok());
  EXPECT_EQ(serial.data[1], 0x80);
  EXPECT_EQ(mmc::RunIn(drive, mmc::Cdb({0x12, 1, 0x83, 0, 64, 0}), 64).sense(), mmc::Sense(5, 0x24, 0));
}

TEST_F(VirtualRecorderCommandsTest, FeaturesFollowTheMedium) {
  struct Case {
    VirtualMedium medium;
    std::uint16_t feature;
  };
  for (const Case& c : {Case{VirtualMedium::DvdPlusRw, 0x002A}, Case{VirtualMedium::DvdPlusR, 0x002B},
                        Case{VirtualMedium::DvdPlusRDl, 0x003B}, Case{VirtualMedium::DvdR, 0x002F},
                        Case{VirtualMedium::CdRw, 0x002D}}) {
    SCOPED_TRACE(MediumKey(c.medium));
    VirtualRecorder& drive = Open(c.medium, MediumKey(c.medium) + ".img");
    mmc::Reply one = mmc::GetConfiguration(drive, 2, c.feature, 114);
    ASSERT_TRUE(one.ok());
    ASSERT_GE(one.data.size(), 16u);
    EXPECT_EQ(Be32(&one.data[0]), one.data.size() - 4);
    EXPECT_EQ(Be16(&one.data[8]), c.feature);
    EXPECT_EQ(one.data[10] & 0x01, 0x01);  // current
    if (c.feature == 0x002A || c.feature == 0x002B || c.feature == 0x003B) {
      EXPECT_EQ(one.data[12], 0x01);  // the drive writes this medium
    }
    // RT 1 lists current features only, in ascending order.
    mmc::Reply current = mmc::GetConfiguration(drive, 1, 0);
    std::uint32_t previous = 0;
    bool found = false;
    for (std::size_t at = 8; at + 4 <= current.data.size(); at += 4 + current.data[at + 3]) {
      EXPECT_EQ(current.data[at + 2] & 0x01, 0x01);
      EXPECT_GE(Be16(&current.data[at]), previous);
      previous = Be16(&current.data[at]);
      found = found || previous == c.feature;
    }
    EXPECT_TRUE(found);
  }
  // A feature of another medium is listed but not current.
  VirtualRecorder& drive = Open(VirtualMedium::CdR, "other.img");
  mmc::Reply plus = mmc::GetConfiguration(drive, 2, 0x002A);
  EXPECT_EQ(plus.data[10] & 0x01, 0);
  EXPECT_EQ(mmc::GetConfiguration(drive, 3, 0).sense(), mmc::Sense(5, 0x24, 0));
}

TEST_F(VirtualRecorderCommandsTest, ModePagesAndWriteParameters) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdR);
  mmc::Reply caps = mmc::ModeSense10(drive, 0x2A);
  ASSERT_TRUE(caps.ok());
  EXPECT_EQ(Be16(&caps.data[0]) + 2u, caps.data.size());
  EXPECT_EQ(caps.data[8], 0x2A);
  EXPECT_EQ(caps.data[8 + 3] & 0x15, 0x15);     // writes CD-R, test write, DVD-R
  EXPECT_EQ(caps.data[8 + 4] & 0x80, 0x80);     // underrun protection
  EXPECT_EQ(Be16(&caps.data[8 + 18]), 22160u);  // DVD-R 16x
  EXPECT_EQ(Be16(&caps.data[8 + 30]), 3u);      // three write speeds
  ASSERT_TRUE(mmc::SetCdSpeed(drive, 0xFFFF, 12000).ok());
  EXPECT_EQ(Be16(&mmc::ModeSense10(drive, 0x2A).data[8 + 28]), 11080u);  // the next speed down

  EXPECT_EQ(mmc::ModeSense10(drive, 0x30).sense(), mmc::Sense(5, 0x24, 0));
  EXPECT_EQ(mmc::ModeSense10(drive, 0x05, 255, 3).sense(), mmc::Sense(5, 0x39, 0));
  ASSERT_TRUE(mmc::SetWriteParameters(drive, 0, 3, true).ok());
  mmc::Reply page = mmc::ModeSense10(drive, 0x05);
  EXPECT_EQ(page.data[8], 0x05);
  EXPECT_EQ(page.data[9], 0x32);
  EXPECT_EQ(page.data[10], 0x10);
  EXPECT_EQ(page.data[11], 0xC4);
  // A bad page is refused whole.
  std::vector<std::uint8_t> bad = mmc::WriteParametersPage(9, 0);
  EXPECT_EQ(mmc::ModeSelectPage(drive, bad).sense(), mmc::Sense(5, 0x26, 0));
  EXPECT_EQ(mmc::ModeSense10(drive, 0x05).data[10], 0x10);
  bad = mmc::WriteParametersPage(1, 0);
  bad[1] = 0x10;
  EXPECT_EQ(mmc::ModeSelectPage(drive, bad).sense(), mmc::Sense(5, 0x26, 0));
  bad = mmc::WriteParametersPage(1, 0);
  bad[0] |= 0x80;  // parameters savable: the drive's to say, refused as real drives do
  EXPECT_EQ(mmc::ModeSelectPage(drive, bad).sense(), mmc::Sense(5, 0x26, 0));
  mmc::Reply all = mmc::ModeSense10(drive, 0x3F, 1024);
  ASSERT_TRUE(all.ok());
  EXPECT_EQ(Be16(&all.data[0]) + 2u, all.data.size());
}

TEST_F(VirtualRecorderCommandsTest, CdTocPmaAndAtip) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  mmc::Reply atip = mmc::ReadToc(drive, 4, 0, true, 28);
  ASSERT_TRUE(atip.ok());
  EXPECT_EQ(atip.data[6] & 0xC0, 0x80);  // CD-R
  EXPECT_EQ(atip.data[12], 79);
  EXPECT_EQ(atip.data[13], 59);
  EXPECT_EQ(atip.data[14], 74);

  ASSERT_TRUE(mmc::SetWriteParameters(drive, 1, 3).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 300).ok());
  // Before the session is closed its track is in the PMA, not the TOC.
  EXPECT_EQ(mmc::ReadToc(drive, 0).sense(), mmc::Sense(5, 0x24, 0));
  mmc::Reply pma = mmc::ReadToc(drive, 3);
  ASSERT_TRUE(pma.ok());
  ASSERT_EQ(pma.data.size(), 4u + 11u);
  EXPECT_EQ(pma.data[4 + 3], 1);
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 2).ok());

  mmc::Reply toc = mmc::ReadToc(drive, 0, 0, true);
  ASSERT_TRUE(toc.ok());
  EXPECT_EQ(toc.data[8 + 1], 0);  // track 1 at 00:02:00
  EXPECT_EQ(toc.data[8 + 2], 2);
  EXPECT_EQ(toc.data[8 + 3], 0);
  // Lead-out at block 302, after the track's two run-out blocks: 00:06:02.
  EXPECT_EQ(toc.data[16 + 2], 6);
  EXPECT_EQ(toc.data[16 + 3], 2);
  mmc::Reply full = mmc::ReadToc(drive, 2);
  ASSERT_TRUE(full.ok());
  // A0, A1, A2, track 1, B0, C0 of session 1.
  ASSERT_EQ(full.data.size(), 4u + 6 * 11);
  EXPECT_EQ(full.data[4 + 3], 0xA0);
  EXPECT_EQ(full.data[4 + 22 + 3], 0xA2);
  EXPECT_EQ(full.data[4 + 22 + 9], 6);
  EXPECT_EQ(full.data[4 + 22 + 10], 2);
  EXPECT_EQ(full.data[4 + 33 + 3], 1);
  const std::uint8_t* b0 = &full.data[4 + 44];
  EXPECT_EQ(b0[1], 0x54);
  EXPECT_EQ(b0[3], 0xB0);
  // The next program area starts 11400 blocks after the lead-out: block 11702, 02:38:02.
  EXPECT_EQ(b0[4], 2);
  EXPECT_EQ(b0[5], 38);
  EXPECT_EQ(b0[6], 2);
  EXPECT_EQ(b0[8], 79);
  mmc::Reply disc = mmc::ReadDiscInformation(drive);
  EXPECT_EQ(disc.data[21], 79);  // last possible lead-out
  EXPECT_EQ(mmc::ReadToc(drive, 5).sense(), mmc::Sense(5, 0x24, 0));
}

// Data tracks written track at once on CD: each closed track ends in two
// run-out blocks, and the next track of the session starts after its
// 150-block pre-gap, 152 blocks after the last data of the one before.
TEST_F(VirtualRecorderCommandsTest, CdDataTracksAtOnceEndInRunOutBlocks) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  ASSERT_TRUE(mmc::SetWriteParameters(drive, 1, 3).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 300, 0x11).ok());
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 1, 1).ok());
  const mmc::Reply invisible = mmc::ReadTrackInformation(drive, 0xFF);
  ASSERT_TRUE(invisible.ok());
  EXPECT_EQ(Be32(&invisible.data[8]), 452u);
  EXPECT_EQ(Be32(&invisible.data[12]), 452u);
  EXPECT_EQ(mmc::Write10(drive, 302, 1).sense(), mmc::Sense(5, 0x21, 2)) << "inside the pre-gap";
  ASSERT_TRUE(mmc::Write10(drive, 452, 300, 0x22).ok());
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 2).ok());

  auto check = [](VirtualRecorder& d) {
    const mmc::Reply toc = mmc::ReadToc(d, 0);
    ASSERT_TRUE(toc.ok());
    ASSERT_EQ(toc.data.size(), 4u + 3 * 8);
    EXPECT_EQ(Be32(&toc.data[4 + 4]), 0u);
    EXPECT_EQ(Be32(&toc.data[12 + 4]), 452u);
    EXPECT_EQ(Be32(&toc.data[20 + 4]), 754u) << "lead-out after the second run-out";
    EXPECT_EQ(Be32(&mmc::ReadTrackInformation(d, 1).data[24]), 302u);
    EXPECT_EQ(Be32(&mmc::ReadTrackInformation(d, 2).data[24]), 302u);
    EXPECT_EQ(mmc::Read10(d, 300, 1).sense(), mmc::Sense(5, 0x64, 0));
    EXPECT_EQ(mmc::Read10(d, 298, 4).sense(), mmc::Sense(5, 0x64, 0)) << "a read that runs into the run-out";
    EXPECT_TRUE(mmc::Read10(d, 451, 2).ok()) << "the pre-gap and the first block";
    EXPECT_EQ(mmc::Read10(d, 752, 1).sense(), mmc::Sense(5, 0x64, 0));
    EXPECT_EQ(d.Summary().used, 752u) << "the export ends with the last data";
  };
  check(drive);
  // The layout, pre-gap and run-outs with it, outlives the process.
  check(Reopen());
}

TEST_F(VirtualRecorderCommandsTest, CdTakesOnlyTwoKilobyteBlocks) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  std::vector<std::uint8_t> raw = mmc::WriteParametersPage(1, 0);
  raw[4] = 0x00;  // raw 2352-byte blocks
  ASSERT_TRUE(mmc::ModeSelectPage(drive, raw).ok());
  EXPECT_EQ(mmc::Write10(drive, 0, 1).sense(), mmc::Sense(5, 0x64, 0));
}

TEST_F(VirtualRecorderCommandsTest, DriveBufferFillsAndDrains) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdR);
  mmc::Reply empty = mmc::ReadBufferCapacity(drive);
  ASSERT_TRUE(empty.ok());
  const std::uint32_t size = Be32(&empty.data[4]);
  EXPECT_EQ(size, 2u * 1024 * 1024);
  EXPECT_EQ(Be32(&empty.data[8]), size);
  ASSERT_TRUE(mmc::Write10(drive, 0, 32).ok());
  EXPECT_EQ(Be32(&mmc::ReadBufferCapacity(drive).data[8]), size - 65536);
  clock_.Advance(std::chrono::milliseconds(2));  // 22160 kB/s drains 44320 bytes
  EXPECT_EQ(Be32(&mmc::ReadBufferCapacity(drive).data[8]), size - 65536 + 44320);
  ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
  EXPECT_EQ(Be32(&mmc::ReadBufferCapacity(drive).data[8]), size);
}

TEST_F(VirtualRecorderCommandsTest, ImportedDiscsAndExport) {
  std::vector<std::uint8_t> iso(5000 * 2048 + 100);
  for (std::size_t i = 0; i < iso.size(); ++i) iso[i] = static_cast<std::uint8_t>(i * 7);
  const std::string iso_path = Path("in.iso");
  {
    std::ofstream out(iso_path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(iso.data()), static_cast<std::streamsize>(iso.size()));
  }
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  drive.ImportIso(iso_path, VirtualMedium::CdRom);
  EXPECT_EQ(Be16(&mmc::GetConfiguration(drive, 2, 0).data[6]), 0x08u);  // status commands pass a unit attention
  EXPECT_EQ(mmc::ReadCapacity(drive).sense(), mmc::Sense(6, 0x28, 0x00));
  EXPECT_EQ(Be32(&mmc::ReadCapacity(drive).data[0]), 5000u);
  mmc::Reply block = mmc::Read10(drive, 5000, 1);
  ASSERT_TRUE(block.ok());
  EXPECT_EQ(block.data[99], iso[5000 * 2048 + 99]);
  EXPECT_EQ(block.data[100], 0);
  EXPECT_EQ(mmc::Write10(drive, 0, 1).sense(), mmc::Sense(5, 0x30, 0x05));
  EXPECT_EQ(mmc::ReadDiscInformation(drive).data[2] & 0x03, 2);
  EXPECT_EQ(mmc::ReadToc(drive, 4).sense(), mmc::Sense(5, 0x24, 0));  // a pressed disc has no ATIP

  // A recorded DVD-R left open for another session.
  drive.ImportIso(iso_path, VirtualMedium::DvdR, /*finalize=*/false);
  EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(6, 0x28, 0x00));
  mmc::Reply disc = mmc::ReadDiscInformation(drive);
  EXPECT_EQ(disc.data[2] & 0x03, 1);
  EXPECT_EQ(Be32(&mmc::ReadTrackInformation(drive, 2).data[12]), 5001u + 16384);
  const std::string out_path = Path("out.iso");
  drive.ExportIso(out_path);
  std::ifstream in(out_path, std::ios::binary);
  std::vector<std::uint8_t> exported((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(exported.size(), 5001u * 2048);
  EXPECT_TRUE(std::equal(iso.begin(), iso.end(), exported.begin()));

  EXPECT_THROW(drive.ImportIso(Path("missing.iso"), VirtualMedium::DvdR), EFOpenError);
  drive.InsertBlank(VirtualMedium::DvdPlusR);
  EXPECT_THROW(drive.ExportIso(out_path), Exception);
}

}  // namespace

// CDs are written track at once, packet or session at once here: raw is
// refused when chosen, so programs fall back instead of failing at the
// first write; a DVD-R takes write type 2 (disc at once). A cue sheet
// without session at once chosen is out of sequence.
TEST_F(VirtualRecorderCommandsTest, WriteTypesTheDriveCannotDoAreRefusedWhenChosen) {
  struct Case {
    VirtualMedium medium;
    std::uint8_t write_type;
    bool accepted;
  } cases[] = {
      {VirtualMedium::CdR, 0, true},  {VirtualMedium::CdR, 1, true},   {VirtualMedium::CdR, 2, true},
      {VirtualMedium::CdR, 3, false}, {VirtualMedium::CdRw, 3, false}, {VirtualMedium::DvdR, 2, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    VirtualRecorder& drive = Open(c.medium, "disc" + std::to_string(n++) + ".img");
    const mmc::Reply reply = mmc::ModeSelectPage(drive, mmc::WriteParametersPage(c.write_type, 0));
    EXPECT_EQ(reply.ok(), c.accepted) << SpecOf(c.medium).display_name << " type " << int(c.write_type) << " sense " << int(reply.key()) << "/" << int(reply.asc());
    if (!c.accepted) EXPECT_EQ(reply.sense(), mmc::Sense(5, 0x26, 0));
  }
  VirtualRecorder& cd = Open(VirtualMedium::CdR, "cd.img");
  EXPECT_EQ(mmc::RunOut(cd, mmc::Cdb({0x5D, 0, 0, 0, 0, 0, 0, 0, 16, 0}), std::vector<std::uint8_t>(16, 0)).sense(),
            mmc::Sense(5, 0x2C, 0));
  // The drive says what it writes: session at once with test write, no raw.
  const mmc::Reply mastering = mmc::GetConfiguration(cd, 2, 0x002E);
  ASSERT_TRUE(mastering.ok());
  ASSERT_GE(mastering.data.size(), 16u);
  EXPECT_EQ(mastering.data[10] & 0x01, 1) << "current";
  EXPECT_EQ(mastering.data[12], 0x66);
}

namespace {

// A cue sheet entry: control/ADR, track, index, data form, then the address.
void CueEntry(std::vector<std::uint8_t>& sheet, std::uint8_t control, std::uint8_t track, std::uint8_t index,
              std::uint8_t form, std::int64_t lba) {
  const std::int64_t frames = lba + 150;
  sheet.insert(sheet.end(),
               {control, track, index, form, 0, static_cast<std::uint8_t>(frames / 4500),
                static_cast<std::uint8_t>(frames / 75 % 60), static_cast<std::uint8_t>(frames % 75)});
}

// One mode 1 track after its 150-block pre-gap, and the lead-out: what
// wodim and cdrskin send for an image.
std::vector<std::uint8_t> DataCueSheet(std::uint32_t blocks, std::uint8_t control = 0x41,
                                       std::uint8_t form = 0x10) {
  std::vector<std::uint8_t> sheet;
  CueEntry(sheet, 0x41, 0, 0, 0x14, -150);
  CueEntry(sheet, control, 1, 0, form, -150);
  CueEntry(sheet, control, 1, 1, form, 0);
  CueEntry(sheet, 0x41, 0xAA, 1, 0x14, blocks);
  return sheet;
}

mmc::Reply SendCueSheet(ScsiTarget& drive, const std::vector<std::uint8_t>& sheet) {
  const auto length = static_cast<std::uint8_t>(sheet.size());
  return mmc::RunOut(drive, mmc::Cdb({0x5D, 0, 0, 0, 0, 0, 0, 0, length, 0}), sheet);
}

}  // namespace

// Session at once on CD: the cue sheet lays out the session, the host
// writes every block from LBA -150 (the first pre-gap, not kept) to the
// lead-out in order, and the flush after the last block closes the session;
// the disc stays open when page 05h asks for a next session. Cue sheets the
// drive cannot write are refused before any block is sent.
TEST_F(VirtualRecorderCommandsTest, SessionAtOnceOnCdWritesFromTheFirstPregap) {
  constexpr std::uint32_t kBlocks = 40;
  const std::uint32_t pregap = static_cast<std::uint32_t>(-150);
  struct Case {
    const char* name;
    std::uint8_t multi_session;
    bool test_write;
    const char* status;  // afterwards
  } const cases[] = {
      {"closed disc", 0, false, "complete"},
      {"next session allowed", 3, false, "appendable"},
      {"test write", 0, true, "blank"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualRecorder& drive = Open(VirtualMedium::CdR, "sao" + std::to_string(n++) + ".img");
    ASSERT_TRUE(mmc::SetWriteParameters(drive, 2, c.multi_session, c.test_write).ok());
    ASSERT_TRUE(SendCueSheet(drive, DataCueSheet(kBlocks)).ok());
    // The invisible track's next writable address is the first pre-gap.
    EXPECT_EQ(Be32(&mmc::ReadTrackInformation(drive, 0xFF).data[12]), pregap);
    EXPECT_EQ(mmc::Write10(drive, 0, 1).sense(), mmc::Sense(5, 0x21, 2)) << "the pre-gap comes first";
    ASSERT_TRUE(mmc::Write10(drive, pregap, 150, 0).ok());
    ASSERT_TRUE(mmc::Write10(drive, 0, 30, 0x11).ok());
    // A flush in the middle of the session closes nothing.
    ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
    EXPECT_EQ(drive.Summary().status, "blank");
    ASSERT_TRUE(mmc::Write10(drive, 30, kBlocks - 30, 0x22).ok());
    EXPECT_EQ(mmc::Write10(drive, kBlocks, 1).sense(), mmc::Sense(5, 0x21, 0)) << "past the lead-out";
    ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
    const VirtualDiscSummary disc = drive.Summary();
    EXPECT_EQ(disc.status, c.status);
    if (c.test_write) {
      EXPECT_TRUE(disc.tracks.empty());
      continue;
    }
    ASSERT_EQ(disc.tracks.size(), 1u);
    EXPECT_EQ(disc.tracks[0].start, 0u);
    EXPECT_EQ(disc.tracks[0].size, kBlocks);
    EXPECT_EQ(disc.tracks[0].state, "complete");
    const mmc::Reply data = mmc::Read10(drive, 29, 2);
    ASSERT_TRUE(data.ok());
    EXPECT_EQ(data.data[0], 0x11);
    EXPECT_EQ(data.data[2048], 0x22);
    EXPECT_EQ(Be32(&mmc::ReadToc(drive, 0, 0xAA).data[8]), kBlocks) << "lead-out";
  }

  struct Refused {
    const char* name;
    std::vector<std::uint8_t> sheet;
    std::uint32_t sense;
  } const refused[] = {
      {"audio track", DataCueSheet(kBlocks, 0x01), mmc::Sense(5, 0x26, 0)},
      {"raw sectors", DataCueSheet(kBlocks, 0x41, 0x11), mmc::Sense(5, 0x26, 0)},
      {"no lead-out",
       [&] {
         auto sheet = DataCueSheet(kBlocks);
         sheet.resize(sheet.size() - 8);
         return sheet;
       }(),
       mmc::Sense(5, 0x26, 0)},
      {"past the disc's end", DataCueSheet(SpecOf(VirtualMedium::CdR).capacity + 1), mmc::Sense(5, 0x21, 0)},
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.name);
    VirtualRecorder& drive = Open(VirtualMedium::CdR, "refused" + std::to_string(n++) + ".img");
    ASSERT_TRUE(mmc::SetWriteParameters(drive, 2, 0).ok());
    EXPECT_EQ(SendCueSheet(drive, r.sheet).sense(), r.sense);
    EXPECT_FALSE(mmc::Write10(drive, pregap, 1).ok()) << "no session was laid out";
  }
}

// A later session written at once: its cue sheet numbers its track after
// the disc's last one and places it after the first session's run-out and
// the 11400-block gap; a sheet that lays a track over the recorded session
// (track 1 at 00:02:00 again) is refused before any block is sent.
TEST_F(VirtualRecorderCommandsTest, LaterSessionAtOnceFollowsTheGap) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  ASSERT_TRUE(mmc::SetWriteParameters(drive, 1, 3).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 300, 0x11).ok());
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 2).ok());
  constexpr std::uint32_t kStart = 302 + 11400;
  constexpr std::uint32_t kBlocks = 40;

  ASSERT_TRUE(mmc::SetWriteParameters(drive, 2, 3).ok());
  EXPECT_EQ(SendCueSheet(drive, DataCueSheet(kBlocks)).sense(), mmc::Sense(5, 0x26, 0));
  std::vector<std::uint8_t> sheet;
  CueEntry(sheet, 0x41, 0, 0, 0x14, -150);
  CueEntry(sheet, 0x41, 2, 0, 0x10, kStart - 150);
  CueEntry(sheet, 0x41, 2, 1, 0x10, kStart);
  CueEntry(sheet, 0x41, 0xAA, 1, 0x14, kStart + kBlocks);
  ASSERT_TRUE(SendCueSheet(drive, sheet).ok());
  EXPECT_EQ(Be32(&mmc::ReadTrackInformation(drive, 0xFF).data[12]), kStart - 150);
  ASSERT_TRUE(mmc::Write10(drive, kStart - 150, 150, 0).ok());
  ASSERT_TRUE(mmc::Write10(drive, kStart, kBlocks, 0x22).ok());
  ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());

  const VirtualDiscSummary disc = drive.Summary();
  EXPECT_EQ(disc.status, "appendable");
  ASSERT_EQ(disc.tracks.size(), 2u);
  EXPECT_EQ(disc.tracks[1].start, kStart);
  EXPECT_EQ(disc.tracks[1].size, kBlocks) << "a track written at once has no run-out";
  EXPECT_EQ(Be32(&mmc::ReadToc(drive, 0, 0xAA).data[8]), kStart + kBlocks) << "lead-out";
  const mmc::Reply last = mmc::Read10(drive, kStart + kBlocks - 1, 1);
  ASSERT_TRUE(last.ok());
  EXPECT_EQ(last.data[0], 0x22);
  EXPECT_TRUE(mmc::Read10(drive, 299, 1).ok()) << "the first session is untouched";
}

// READ DVD STRUCTURE: the physical format information names each medium's
// book, layers and densities and where its data area lies, and is repeated
// as a recordable disc's control data zone holds it; +R and +RW discs give
// their ADIP with the maker's media ID, DVD-R and DVD-RW discs their
// pre-recorded lead-in information with theirs, and format FFh lists what
// the medium has.
TEST_F(VirtualRecorderCommandsTest, DvdStructuresFollowTheMedium) {
  struct Case {
    VirtualMedium medium;
    std::uint8_t book, structure, density;
    std::uint32_t first, last, layer0_last;  // physical sectors of the data area
    std::vector<std::uint8_t> formats;       // as format FFh lists them
    std::string media_id;                    // from the pre-pits or the ADIP
  } const cases[] = {
      {VirtualMedium::DvdRom, 0x01, 0x01, 0x00, 0x030000, 0x031387, 0, {0x00, 0xFF}, ""},
      {VirtualMedium::DvdR, 0x25, 0x02, 0x00, 0x030000, 0x26127F, 0, {0x00, 0x0E, 0x10, 0xFF}, "BURNERVR-R01"},
      {VirtualMedium::DvdRwSequential, 0x32, 0x04, 0x00, 0x030000, 0x26101F, 0, {0x00, 0x0E, 0x10, 0xFF},
       "BURNERVR-W01"},
      {VirtualMedium::DvdRwRestricted, 0x32, 0x04, 0x00, 0x030000, 0x26101F, 0, {0x00, 0x0E, 0x10, 0xFF},
       "BURNERVR-W01"},
      {VirtualMedium::DvdRam, 0x11, 0x04, 0x42, 0x031000, 0x25311F, 0, {0x00, 0x10, 0xFF}, ""},
      // Blank and not yet formatted: no data area yet.
      {VirtualMedium::DvdPlusRw, 0x92, 0x04, 0x00, 0x030000, 0x030000, 0, {0x00, 0x10, 0x11, 0xFF}, "BURNERVRW01"},
      {VirtualMedium::DvdPlusR, 0xA1, 0x02, 0x00, 0x030000, 0x26053F, 0, {0x00, 0x10, 0x11, 0xFF}, "BURNERVRR01"},
      // Opposite track path: the second layer ends mirrored to where the first began.
      {VirtualMedium::DvdPlusRDl, 0xE1, 0x32, 0x10, 0x030000, 0xFCFFFF, 0x22D7FF, {0x00, 0x10, 0x11, 0x20, 0xFF},
       "BURNERVRR01"},
  };
  const std::string iso = Path("rom.iso");
  std::ofstream(iso, std::ios::binary) << std::string(5000 * 2048, 'x');
  auto read = [](VirtualRecorder& d, std::uint8_t format, std::uint16_t length) {
    return mmc::RunIn(
        d, mmc::Cdb({0xAD, 0, 0, 0, 0, 0, 0, format, std::uint8_t(length >> 8), std::uint8_t(length), 0, 0}),
        length);
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(MediumKey(c.medium));
    const bool pressed = c.medium == VirtualMedium::DvdRom;
    VirtualRecorder& drive = Open(pressed ? VirtualMedium::DvdR : c.medium, "s" + std::to_string(n++) + ".img");
    if (pressed) {
      drive.ImportIso(iso, VirtualMedium::DvdRom);
      EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(6, 0x28, 0x00));
    }
    const auto has = [&](std::uint8_t format) { return std::count(c.formats.begin(), c.formats.end(), format) != 0; };

    const mmc::Reply physical = read(drive, 0x00, 2052);
    ASSERT_TRUE(physical.ok());
    EXPECT_EQ(physical.data[4], c.book);
    EXPECT_EQ(physical.data[5], 0x02) << "120 mm, 10.08 Mbit/s";
    EXPECT_EQ(physical.data[6], c.structure);
    EXPECT_EQ(physical.data[7], c.density);
    EXPECT_EQ(Be32(&physical.data[8]), c.first);
    EXPECT_EQ(Be32(&physical.data[12]), c.last);
    EXPECT_EQ(Be32(&physical.data[16]), c.layer0_last);
    const mmc::Reply zone = read(drive, 0x10, 2052);
    if (has(0x10)) {
      ASSERT_TRUE(zone.ok());
      EXPECT_EQ(zone.data, physical.data);
    } else {
      EXPECT_EQ(zone.sense(), mmc::Sense(5, 0x24, 0));
    }

    const mmc::Reply adip = read(drive, 0x11, 260);
    if (has(0x11)) {
      ASSERT_TRUE(adip.ok());
      EXPECT_EQ(adip.data[4], c.book);
      EXPECT_EQ(adip.data[6], c.structure);
      EXPECT_EQ(std::string(adip.data.begin() + 4 + 19, adip.data.begin() + 4 + 30), c.media_id);
    } else {
      EXPECT_EQ(adip.sense(), mmc::Sense(5, 0x24, 0));
    }
    const mmc::Reply prepits = read(drive, 0x0E, 68);
    if (has(0x0E)) {
      ASSERT_TRUE(prepits.ok());
      ASSERT_EQ(prepits.data.size(), 68u);
      EXPECT_EQ(Be16(&prepits.data[0]), 66u);
      for (int field = 1; field <= 5; ++field) EXPECT_EQ(prepits.data[4 + 8 * (field - 1)], field);
      EXPECT_EQ((prepits.data[6] & 0x02) != 0, c.medium != VirtualMedium::DvdR) << "the rewritable bit";
      EXPECT_EQ(Be32(&prepits.data[6]) & 0xFFFFFF, c.last) << "the last sector the disc can record";
      EXPECT_EQ(std::string(prepits.data.begin() + 21, prepits.data.begin() + 27) +
                    std::string(prepits.data.begin() + 29, prepits.data.begin() + 35),
                c.media_id);
    } else {
      EXPECT_EQ(prepits.sense(), mmc::Sense(5, 0x24, 0));
    }

    const mmc::Reply list = read(drive, 0xFF, 64);
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list.data.size(), 4 + 4 * c.formats.size());
    EXPECT_EQ(Be16(&list.data[0]), list.data.size() - 2);
    for (std::size_t i = 0; i < c.formats.size(); ++i) {
      EXPECT_EQ(list.data[4 + 4 * i], c.formats[i]);
      EXPECT_EQ(list.data[4 + 4 * i + 1], 0x40) << "readable";
      const std::uint16_t length = Be16(&list.data[4 + 4 * i + 2]);
      if (c.formats[i] != 0xFF) {
        const mmc::Reply whole = read(drive, c.formats[i], 4 + length);
        ASSERT_TRUE(whole.ok());
        EXPECT_EQ(Be16(&whole.data[0]), length + 2u) << "format " << int(c.formats[i]);
      }
    }
    EXPECT_EQ(read(drive, 0x05, 8).sense(), mmc::Sense(5, 0x24, 0));
  }
  VirtualRecorder& cd = Open(VirtualMedium::CdR, "cd.img");
  EXPECT_EQ(read(cd, 0x00, 2052).sense(), mmc::Sense(5, 0x30, 0x02));
}

// A DVD-R or sequential DVD-RW disc is written in bordered areas: its
// physical format information names where the last closed area's
// border-out starts and where the next area's border-in will (the last 80
// blocks before the next area's first address), and a finalized disc's
// data area ends with its data. Addresses are physical sectors (LBA plus
// 30000h).
TEST_F(VirtualRecorderCommandsTest, DvdMinusPhysicalFormatFollowsTheBorders) {
  enum class Close { Track, Border, Final };  // leave the area open, close it, close the disc
  struct Area {
    std::uint16_t blocks;
    Close close;
  };
  struct Case {
    const char* state;
    std::vector<Area> areas;
    std::uint32_t data_end, border_out, next_border_in;
  } const cases[] = {
      {"blank", {}, 0x26127F, 0, 0},
      {"first area being written", {{160, Close::Track}}, 0x26127F, 0, 0},
      // The first border zone takes 16384 blocks.
      {"one border closed", {{160, Close::Border}}, 0x26127F, 0x0300A0, 0x0340A0 - 80},
      // The area after it starts at 16544; later border zones take 6144 blocks.
      {"two borders closed", {{160, Close::Border}, {96, Close::Border}}, 0x26127F, 0x034100, 0x035900 - 80},
      {"finalized at once", {{160, Close::Final}}, 0x03009F, 0x0300A0, 0},
      {"finalized after a border", {{160, Close::Border}, {96, Close::Final}}, 0x0340FF, 0x034100, 0},
  };
  auto physical = [](VirtualRecorder& d, std::uint8_t format) {
    return mmc::RunIn(d, mmc::Cdb({0xAD, 0, 0, 0, 0, 0, 0, format, 0x08, 0x04, 0, 0}), 2052);
  };
  int n = 0;
  for (VirtualMedium medium : {VirtualMedium::DvdR, VirtualMedium::DvdRwSequential}) {
    // The DVD-RW's data area ends 608 blocks before the DVD-R's.
    const std::uint32_t shorter = medium == VirtualMedium::DvdR ? 0 : 608;
    for (const Case& c : cases) {
      SCOPED_TRACE(MediumKey(medium) + ", " + c.state);
      VirtualRecorder& drive = Open(medium, "b" + std::to_string(n++) + ".img");
      for (const Area& area : c.areas) {
        ASSERT_TRUE(mmc::SetWriteParameters(drive, 0, area.close == Close::Final ? 0 : 3).ok());
        const mmc::Reply next = mmc::ReadTrackInformation(drive, 0xFF);
        ASSERT_TRUE(next.ok());
        ASSERT_TRUE(mmc::Write10(drive, Be32(&next.data[12]), area.blocks).ok());
        ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
        if (area.close == Close::Track) continue;
        ASSERT_TRUE(mmc::CloseTrackSession(drive, 1, next.data[2]).ok());
        ASSERT_TRUE(mmc::CloseTrackSession(drive, 2).ok());
      }
      const mmc::Reply info = physical(drive, 0x00);
      ASSERT_TRUE(info.ok());
      EXPECT_EQ(Be32(&info.data[8]), 0x030000u) << "start of the data area";
      const bool written_to_end = c.data_end == 0x26127F;
      EXPECT_EQ(Be32(&info.data[12]), written_to_end ? c.data_end - shorter : c.data_end)
          << "end of the data area";
      EXPECT_EQ(Be32(&info.data[16]), 0u) << "one layer";
      EXPECT_EQ(info.data[20], 0x00) << "no burst cutting area";
      EXPECT_EQ(Be32(&info.data[36]), c.border_out) << "start of the last border-out";
      EXPECT_EQ(Be32(&info.data[40]), c.next_border_in) << "start of the next border-in";
      if (c.next_border_in != 0) {
        const mmc::Reply next = mmc::ReadTrackInformation(drive, 0xFF);
        EXPECT_EQ(Be32(&next.data[12]) + 0x030000, c.next_border_in + 80) << "the next area's first address";
      }
      EXPECT_EQ(physical(drive, 0x10).data, info.data) << "the control data zone holds the same";
    }
  }
}

// GET PERFORMANCE lists one write speed descriptor for each speed the drive
// writes the present medium at, the fastest first, agreeing with the
// capabilities page; a pressed disc takes no writing, so it has none (the
// reply is the header alone) and no write performance either.
TEST_F(VirtualRecorderCommandsTest, WriteSpeedsFollowTheMedium) {
  struct Case {
    VirtualMedium medium;  // CD-ROM and DVD-ROM are pressed from an image
    std::vector<std::uint32_t> speeds;
  } const cases[] = {
      {VirtualMedium::DvdRom, {}},
      {VirtualMedium::CdRom, {}},
      {VirtualMedium::DvdR, {22160, 11080, 5540}},
      {VirtualMedium::DvdPlusRw, {11080, 5540}},
      {VirtualMedium::CdRw, {4234, 2822, 1764, 706}},
  };
  const std::string iso = Path("rom.iso");
  std::ofstream(iso, std::ios::binary) << std::string(300 * 2048, 'x');
  auto performance = [](VirtualRecorder& d, std::uint8_t type, std::uint16_t descriptors,
                        bool write = false) {
    ScsiCommand c = mmc::Cdb({0xAC, static_cast<std::uint8_t>(write ? 0x04 : 0), 0, 0, 0, 0, 0, 0,
                              static_cast<std::uint8_t>(descriptors >> 8),
                              static_cast<std::uint8_t>(descriptors), type, 0});
    return mmc::RunIn(d, c, 8 + 16u * descriptors);
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(MediumKey(c.medium));
    const bool pressed = c.medium == VirtualMedium::DvdRom || c.medium == VirtualMedium::CdRom;
    VirtualRecorder& drive =
        Open(pressed ? VirtualMedium::CdR : c.medium, "p" + std::to_string(n++) + ".img");
    if (pressed) {
      drive.ImportIso(iso, c.medium);
      EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(6, 0x28, 0x00));
    }
    const std::uint32_t end = (pressed ? 300 : SpecOf(c.medium).capacity) - 1;

    const mmc::Reply speeds = performance(drive, 0x03, 8);
    ASSERT_TRUE(speeds.ok());
    ASSERT_EQ(speeds.data.size(), 8 + 16 * c.speeds.size());
    EXPECT_EQ(Be32(&speeds.data[0]), speeds.data.size() - 4) << "the length counts what follows it";
    for (std::size_t i = 0; i < c.speeds.size(); ++i) {
      const std::uint8_t* d = &speeds.data[8 + 16 * i];
      EXPECT_EQ(Be32(d + 4), end) << "end address, descriptor " << i;
      EXPECT_EQ(Be32(d + 8), SpecOf(c.medium).read_speed) << "read speed, descriptor " << i;
      EXPECT_EQ(Be32(d + 12), c.speeds[i]) << "write speed, descriptor " << i;
    }
    EXPECT_EQ(performance(drive, 0x03, 1).data.size(), c.speeds.empty() ? 8u : 24u) << "as many as asked";

    const mmc::Reply caps = mmc::ModeSense10(drive, 0x2A);
    ASSERT_TRUE(caps.ok());
    EXPECT_EQ(Be16(&caps.data[8 + 18]), c.speeds.empty() ? 0 : c.speeds.front()) << "maximum write speed";
    EXPECT_EQ(Be16(&caps.data[8 + 28]), c.speeds.empty() ? 0 : c.speeds.front()) << "current write speed";
    ASSERT_EQ(Be16(&caps.data[8 + 30]), c.speeds.size()) << "write speed descriptors";
    for (std::size_t i = 0; i < c.speeds.size(); ++i)
      EXPECT_EQ(Be16(&caps.data[8 + 32 + 4 * i + 2]), c.speeds[i]);

    const mmc::Reply read = performance(drive, 0x00, 1);
    ASSERT_TRUE(read.ok());
    ASSERT_EQ(read.data.size(), 24u);
    EXPECT_EQ(Be32(&read.data[8 + 4]), SpecOf(c.medium).read_speed);
    const mmc::Reply write = performance(drive, 0x00, 1, true);
    ASSERT_TRUE(write.ok());
    EXPECT_EQ(write.data[4] & 0x02, 0x02) << "the write bit";
    ASSERT_EQ(write.data.size(), c.speeds.empty() ? 8u : 24u);
    if (!c.speeds.empty()) {
      EXPECT_EQ(Be32(&write.data[8 + 4]), c.speeds.front());
    }
  }
}

// The six-byte mode commands carry the same pages as the ten-byte ones, and
// a parameter list sent is reported taken in full.
TEST_F(VirtualRecorderCommandsTest, SixByteModeCommandsAndParameterListsTakenWhole) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  const mmc::Reply ten = mmc::ModeSense10(drive, 0x2A);
  const mmc::Reply six = mmc::RunIn(drive, mmc::Cdb({0x1A, 0, 0x2A, 0, 255, 0}), 255);
  ASSERT_TRUE(six.ok());
  ASSERT_EQ(six.data.size(), 4 + ten.data.size() - 8);
  EXPECT_EQ(six.data[0], six.data.size() - 1);
  EXPECT_TRUE(std::equal(six.data.begin() + 4, six.data.end(), ten.data.begin() + 8));

  std::vector<std::uint8_t> list(4, 0);
  const std::vector<std::uint8_t> page = mmc::WriteParametersPage(0, 0, true);  // packet, test write
  list.insert(list.end(), page.begin(), page.end());
  const mmc::Reply select = mmc::RunOut(
      drive, mmc::Cdb({0x15, 0x10, 0, 0, static_cast<std::uint8_t>(list.size()), 0}), list);
  ASSERT_TRUE(select.ok());
  EXPECT_EQ(select.result.transferred, list.size());
  EXPECT_EQ(mmc::ModeSense10(drive, 0x05).data[10], 0x10);  // the page took
}

// READ CD of a data track: the user data READ(10) gives, behind the sync
// pattern and header when asked; what the drive does not keep is refused.
// (CdSectorTest checks the rest of the raw sector.)
TEST_F(VirtualRecorderCommandsTest, ReadCdOfDataSectors) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  ASSERT_TRUE(mmc::SetWriteParameters(drive, 1, 0).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 2, 0x5A).ok());
  const mmc::Reply plain = mmc::Read10(drive, 0, 2);
  auto read_cd = [&](std::uint8_t type, std::uint8_t flags, std::uint32_t size) {
    return mmc::RunIn(drive, mmc::Cdb({0xBE, std::uint8_t(type << 2), 0, 0, 0, 0, 0, 0, 2, flags, 0, 0}), size);
  };
  const mmc::Reply user = read_cd(0, 0x10, 2 * 2048);
  ASSERT_TRUE(user.ok()) << std::hex << user.sense();
  EXPECT_EQ(user.data, plain.data);
  const mmc::Reply framed = read_cd(2, 0xB0, 2 * 2064);
  ASSERT_TRUE(framed.ok());
  ASSERT_EQ(framed.data.size(), 2u * 2064);
  EXPECT_EQ(framed.data[1], 0xFF);
  EXPECT_EQ(framed.data[2064 + 12 + 2], 0x01);  // second sector: 00:02:01 (frame 151)
  EXPECT_EQ(framed.data[2064 + 12 + 3], 0x01);  // mode 1
  EXPECT_TRUE(std::equal(plain.data.begin() + 2048, plain.data.end(), framed.data.begin() + 2064 + 16));
  EXPECT_EQ(read_cd(1, 0x10, 2 * 2352).sense(), mmc::Sense(5, 0x64, 0));  // audio from a data track
  EXPECT_EQ(read_cd(0, 0xFA, 2 * 2646).sense(), mmc::Sense(5, 0x24, 0));  // C2 error flags are not kept
  VirtualRecorder& dvd = Open(VirtualMedium::DvdR, "dvd.img");
  EXPECT_EQ(mmc::RunIn(dvd, mmc::Cdb({0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x10, 0, 0}), 2048).sense(),
            mmc::Sense(5, 0x30, 0x02));
}

// READ HEADER: mode 1 and the sector's address, as LBA or as MSF; nothing
// for unwritten blocks or other media.
TEST_F(VirtualRecorderCommandsTest, ReadHeaderOfDataSectors) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  ASSERT_TRUE(mmc::SetWriteParameters(drive, 1, 0).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 200).ok());
  auto header = [](ScsiTarget& t, std::uint32_t lba, bool msf) {
    ScsiCommand c = mmc::Cdb({0x44, std::uint8_t(msf ? 2 : 0), 0, 0, 0, 0, 0, 0, 8, 0});
    mmc::PutBe32(&c.cdb[2], lba);
    return mmc::RunIn(t, c, 8);
  };
  const mmc::Reply lba = header(drive, 151, false);
  ASSERT_TRUE(lba.ok()) << std::hex << lba.sense();
  EXPECT_EQ(lba.data, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 151}));
  const mmc::Reply msf = header(drive, 151, true);
  ASSERT_TRUE(msf.ok());
  EXPECT_EQ(msf.data, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 4, 1}));  // 00:04:01
  EXPECT_EQ(header(drive, 200, false).sense(), mmc::Sense(5, 0x21, 0));
  VirtualRecorder& dvd = Open(VirtualMedium::DvdR, "dvd.img");
  EXPECT_EQ(header(dvd, 0, false).sense(), mmc::Sense(5, 0x30, 0x02));
}

// A DVD-R written disc at once: the flush after the reserved track's last
// block closes the track, the session and the disc; a flush before it, or
// in incremental mode, leaves the disc open.
TEST_F(VirtualRecorderCommandsTest, DiscAtOnceOnDvdRClosesWithTheLastFlush) {
  for (const std::uint8_t write_type : {2, 0}) {
    VirtualRecorder& drive = Open(VirtualMedium::DvdR, "dao" + std::to_string(write_type) + ".img");
    ASSERT_TRUE(mmc::SetWriteParameters(drive, write_type, 0).ok());
    ASSERT_TRUE(mmc::ReserveTrack(drive, 26).ok());  // 32 blocks, two ECC blocks
    ASSERT_TRUE(mmc::Write10(drive, 0, 16).ok());
    ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
    EXPECT_EQ(mmc::ReadDiscInformation(drive).data[2] & 0x03, 1) << "half written: still incomplete";
    ASSERT_TRUE(mmc::Write10(drive, 16, 10).ok());  // the drive pads the last ECC block
    ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
    const mmc::Reply info = mmc::ReadDiscInformation(drive);
    const mmc::Reply track = mmc::ReadTrackInformation(drive, 1);
    if (write_type == 2) {
      EXPECT_EQ(info.data[2] & 0x03, 2) << "disc at once leaves a complete disc";
      EXPECT_EQ(track.data[7] & 0x01, 0) << "the next writable address is no longer valid";
    } else {
      EXPECT_EQ(info.data[2] & 0x03, 1) << "incremental recording stays appendable";
    }
  }
}

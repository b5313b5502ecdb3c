// Each medium as a blank disc and after one and two sessions: what the drive
// reports (profile, capacity, disc/track information, TOC) and which writes
// it refuses.

#include <gtest/gtest.h>

#include "platform/devices/tests/MmcTestUtil.h"
#include "platform/devices/tests/VirtualRecorderTestFixture.h"

namespace {

using mmc::Be16;
using mmc::Be32;

struct MediumCase {
  VirtualMedium medium;
  std::uint16_t profile;
  std::uint32_t capacity;
  bool erasable;
  std::uint8_t blank_status;  // READ DISC INFORMATION disc status of a new disc
};

void PrintTo(const MediumCase& c, std::ostream* os) { *os << MediumKey(c.medium); }

const MediumCase kMedia[] = {
    {VirtualMedium::CdR, 0x09, 359849, false, 0},
    {VirtualMedium::CdRw, 0x0A, 359849, true, 0},
    {VirtualMedium::DvdR, 0x11, 2298496, false, 0},
    {VirtualMedium::DvdRwSequential, 0x14, 2297888, true, 0},
    {VirtualMedium::DvdRwRestricted, 0x13, 2297888, true, 2},
    {VirtualMedium::DvdPlusR, 0x1B, 2295104, false, 0},
    {VirtualMedium::DvdPlusRDl, 0x2B, 4173824, false, 0},
    {VirtualMedium::DvdPlusRw, 0x1A, 2295104, true, 0},
    {VirtualMedium::DvdRam, 0x12, 2236704, true, 3},
};

class BlankMediumTest : public VirtualRecorderTestBase, public ::testing::WithParamInterface<MediumCase> {};

TEST_P(BlankMediumTest, ReportsProfileCapacityAndBlankState) {
  const MediumCase& c = GetParam();
  VirtualRecorder& drive = Open(c.medium);

  mmc::Reply config = mmc::GetConfiguration(drive, 2, 0x0000);
  ASSERT_TRUE(config.ok());
  EXPECT_EQ(Be16(&config.data[6]), c.profile);
  // The profile list marks the current profile.
  bool listed_current = false;
  for (std::size_t i = 12; i + 4 <= 12u + config.data[11]; i += 4) {
    if (Be16(&config.data[i]) == c.profile) listed_current = (config.data[i + 2] & 1) != 0;
  }
  EXPECT_TRUE(listed_current);

  mmc::Reply disc = mmc::ReadDiscInformation(drive);
  ASSERT_TRUE(disc.ok());
  EXPECT_EQ(Be16(&disc.data[0]), 32);
  EXPECT_EQ((disc.data[2] & 0x10) != 0, c.erasable);
  EXPECT_EQ(disc.data[2] & 0x03, c.blank_status);
  EXPECT_EQ(disc.data[4], 1);  // one (empty or complete) session
  EXPECT_EQ(disc.data[5], 1);
  EXPECT_EQ(disc.data[6], 1);

  mmc::Reply track = mmc::ReadTrackInformation(drive, 1);
  ASSERT_TRUE(track.ok());
  EXPECT_EQ(Be32(&track.data[8]), 0u);           // start
  EXPECT_EQ(Be32(&track.data[24]), c.capacity);  // size
  if (c.blank_status == 0) {
    EXPECT_EQ(track.data[6] & 0x40, 0x40);  // blank
    EXPECT_EQ(track.data[7] & 0x01, 0x01);  // next writable address valid
    EXPECT_EQ(Be32(&track.data[12]), 0u);
    EXPECT_EQ(Be32(&track.data[16]), c.capacity);  // free blocks
  }

  mmc::Reply capacity = mmc::ReadCapacity(drive);
  ASSERT_TRUE(capacity.ok());
  EXPECT_EQ(Be32(&capacity.data[0]), c.blank_status == 0 ? 0u : c.capacity - 1);
  EXPECT_EQ(Be32(&capacity.data[4]), 2048u);

  mmc::Reply formats = mmc::ReadFormatCapacities(drive);
  ASSERT_TRUE(formats.ok());
  EXPECT_EQ(Be32(&formats.data[4]), c.capacity);
  EXPECT_EQ(formats.data[8] & 0x03, c.blank_status == 0 ? 1 : 2);  // unformatted or blank / formatted

  // A blank sequential disc has no TOC; a formatted one has a single track.
  mmc::Reply toc = mmc::ReadToc(drive, 0);
  if (c.blank_status == 0) {
    EXPECT_EQ(toc.sense(), mmc::Sense(5, 0x24, 0));
  } else {
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(Be32(&toc.data[4 + 8 + 4]), c.capacity);  // lead-out
  }
}

INSTANTIATE_TEST_SUITE_P(Media, BlankMediumTest, ::testing::ValuesIn(kMedia), [](const auto& info) {
  std::string name = MediumKey(info.param.medium);
  for (char& ch : name) {
    if (ch == '+') ch = 'P';
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
});

}  // namespace

namespace {

// Writable sequential media and what a closed session costs on them.
struct SequentialCase {
  VirtualMedium medium;
  std::uint32_t first_gap;
  std::uint32_t later_gap;
  bool cd;
  bool plus;  // DVD+R family: a session close never finalizes
  std::uint32_t runout;  // blocks a closed track carries after its data
};

void PrintTo(const SequentialCase& c, std::ostream* os) { *os << MediumKey(c.medium); }

const SequentialCase kSequential[] = {
    {VirtualMedium::CdR, 11400, 6900, true, false, 2},
    {VirtualMedium::CdRw, 11400, 6900, true, false, 2},
    {VirtualMedium::DvdR, 16384, 6144, false, false, 0},
    {VirtualMedium::DvdRwSequential, 16384, 6144, false, false, 0},
    {VirtualMedium::DvdPlusR, 2048, 2048, false, true, 0},
    {VirtualMedium::DvdPlusRDl, 2048, 2048, false, true, 0},
};

class SequentialMediumTest : public VirtualRecorderTestBase,
                             public ::testing::WithParamInterface<SequentialCase> {
 protected:
  // The next writable address of the invisible track, as a burner asks it.
  std::uint32_t NextWritable(VirtualRecorder& drive) {
    mmc::Reply disc = mmc::ReadDiscInformation(drive);
    EXPECT_TRUE(disc.ok());
    mmc::Reply track = mmc::ReadTrackInformation(drive, disc.data[6]);
    EXPECT_TRUE(track.ok());
    EXPECT_EQ(track.data[7] & 0x01, 0x01);
    return Be32(&track.data[12]);
  }

  // One track in one session, closed so that the disc stays appendable.
  void WriteSession(VirtualRecorder& drive, std::uint32_t lba, std::uint16_t blocks, std::uint8_t fill) {
    const SequentialCase& c = GetParam();
    ASSERT_TRUE(mmc::SetWriteParameters(drive, c.cd ? 1 : 0, 3).ok());
    for (std::uint16_t done = 0; done < blocks; done += 100) {
      const std::uint16_t count = static_cast<std::uint16_t>(std::min<int>(100, blocks - done));
      mmc::Reply write = mmc::Write10(drive, lba + done, count, fill);
      ASSERT_TRUE(write.ok()) << std::hex << write.sense();
    }
    ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
    mmc::Reply disc = mmc::ReadDiscInformation(drive);
    if (!c.cd) {
      ASSERT_TRUE(mmc::CloseTrackSession(drive, 1, disc.data[6]).ok());
    }
    ASSERT_TRUE(mmc::CloseTrackSession(drive, 2).ok());
  }
};

TEST_P(SequentialMediumTest, OneAndTwoSessionsShowInDiscTrackAndTocAnswers) {
  const SequentialCase& c = GetParam();
  VirtualRecorder& drive = Open(c.medium);
  const std::uint32_t capacity = SpecOf(c.medium).capacity;

  ASSERT_EQ(NextWritable(drive), 0u);
  WriteSession(drive, 0, 1000, 0x11);

  mmc::Reply disc = mmc::ReadDiscInformation(drive);
  EXPECT_EQ(disc.data[2] & 0x03, 1);         // appendable
  EXPECT_EQ((disc.data[2] >> 2) & 0x03, 0);  // the last session is the empty next one
  EXPECT_EQ(disc.data[4], 2);
  EXPECT_EQ(disc.data[5], 2);
  EXPECT_EQ(disc.data[6], 2);
  mmc::Reply track1 = mmc::ReadTrackInformation(drive, 1);
  EXPECT_EQ(Be32(&track1.data[8]), 0u);
  EXPECT_EQ(Be32(&track1.data[24]), 1000u + c.runout);
  EXPECT_EQ(Be32(&track1.data[28]), 999u);  // the last block of data
  EXPECT_EQ(track1.data[7] & 0x01, 0);  // closed: no next writable address
  // The next session's gap counts from the lead-out, after the run-out.
  const std::uint32_t second = 1000 + c.runout + c.first_gap;
  EXPECT_EQ(NextWritable(drive), second);
  mmc::Reply track2 = mmc::ReadTrackInformation(drive, 2);
  EXPECT_EQ(Be32(&track2.data[16]), capacity - second);
  EXPECT_EQ(Be32(&mmc::ReadCapacity(drive).data[0]), 999u);

  mmc::Reply toc = mmc::ReadToc(drive, 0);
  ASSERT_TRUE(toc.ok());
  EXPECT_EQ(toc.data[2], 1);
  EXPECT_EQ(toc.data[3], 1);
  EXPECT_EQ(Be32(&toc.data[8]), 0u);
  EXPECT_EQ(toc.data[14], 0xAA);
  EXPECT_EQ(Be32(&toc.data[16]), 1000u + c.runout);

  WriteSession(drive, second, 500, 0x22);

  toc = mmc::ReadToc(drive, 0);
  ASSERT_TRUE(toc.ok());
  EXPECT_EQ(toc.data[3], 2);
  EXPECT_EQ(toc.data[4 + 8 + 2], 2);
  EXPECT_EQ(Be32(&toc.data[4 + 8 + 4]), second);
  EXPECT_EQ(toc.data[4 + 16 + 2], 0xAA);
  EXPECT_EQ(Be32(&toc.data[4 + 16 + 4]), second + 500 + c.runout);
  mmc::Reply sessions = mmc::ReadToc(drive, 1);
  ASSERT_TRUE(sessions.ok());
  EXPECT_EQ(sessions.data[3], 2);  // last complete session
  EXPECT_EQ(sessions.data[6], 2);  // its first track
  EXPECT_EQ(Be32(&sessions.data[8]), second);
  EXPECT_EQ(NextWritable(drive), second + 500 + c.runout + c.later_gap);
  disc = mmc::ReadDiscInformation(drive);
  EXPECT_EQ(disc.data[4], 3);

  // Both sessions read back; the gap between them does not.
  mmc::Reply first_data = mmc::Read10(drive, 999, 1);
  ASSERT_TRUE(first_data.ok());
  EXPECT_EQ(first_data.data[0], 0x11);
  mmc::Reply second_data = mmc::Read10(drive, second + 499, 1);
  ASSERT_TRUE(second_data.ok());
  EXPECT_EQ(second_data.data[2047], 0x22);
  // Run-out blocks are on the disc but hold no data.
  EXPECT_EQ(mmc::Read10(drive, 1000, 1).sense(),
            c.runout != 0 ? mmc::Sense(5, 0x64, 0) : mmc::Sense(5, 0x21, 0));
  EXPECT_EQ(mmc::Read10(drive, 1000 + c.runout, 1).sense(), mmc::Sense(5, 0x21, 0));

  // The layout outlives the process.
  VirtualRecorder& again = Reopen();
  EXPECT_EQ(NextWritable(again), second + 500 + c.runout + c.later_gap);
  EXPECT_EQ(mmc::ReadToc(again, 0).data, toc.data);
}

TEST_P(SequentialMediumTest, RejectsWritesARealDriveRejects) {
  const SequentialCase& c = GetParam();
  VirtualRecorder& drive = Open(c.medium);
  const std::uint32_t capacity = SpecOf(c.medium).capacity;
  ASSERT_TRUE(mmc::SetWriteParameters(drive, c.cd ? 1 : 0, 3).ok());

  EXPECT_EQ(mmc::Write10(drive, 16, 1).sense(), mmc::Sense(5, 0x21, 0x02));  // not the next writable address
  EXPECT_EQ(mmc::Write10(drive, capacity, 1).sense(), mmc::Sense(5, 0x21, 0x00));
  ASSERT_TRUE(mmc::Write10(drive, 0, 10).ok());
  EXPECT_EQ(mmc::Write10(drive, 0, 10).sense(), mmc::Sense(5, 0x21, 0x02));  // write-once: no rewriting
  EXPECT_EQ(mmc::Write10(drive, 11, 1).sense(), mmc::Sense(5, 0x21, 0x02));
  ASSERT_TRUE(mmc::Write10(drive, 10, 1).ok());
  EXPECT_EQ(mmc::ReserveTrack(drive, capacity).sense(), mmc::Sense(5, 0x2C, 0x00));  // a track is open

  // Finalized: nothing more goes on the disc.
  ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 5).ok());
  mmc::Reply disc = mmc::ReadDiscInformation(drive);
  EXPECT_EQ(disc.data[2] & 0x03, 2);  // complete
  EXPECT_EQ(disc.data[4], 1);
  EXPECT_EQ(mmc::Write10(drive, 11, 1).sense(), mmc::Sense(5, 0x21, 0x02));
  EXPECT_EQ(mmc::Write10(drive, 11 + c.first_gap, 1).sense(), mmc::Sense(5, 0x21, 0x02));
  EXPECT_FALSE(mmc::ReadTrackInformation(drive, 2).ok());
  EXPECT_FALSE(mmc::CloseTrackSession(drive, 2).ok());
}

TEST_P(SequentialMediumTest, ReservedTrackTakesWritesUpToItsSize) {
  const SequentialCase& c = GetParam();
  VirtualRecorder& drive = Open(c.medium);
  ASSERT_TRUE(mmc::ReserveTrack(drive, 100).ok());
  const std::uint32_t size = c.cd ? 100 : 112;  // DVD rounds up to whole ECC blocks
  mmc::Reply reserved = mmc::ReadTrackInformation(drive, 1);
  EXPECT_EQ(reserved.data[6] & 0xC0, 0xC0);  // reserved and blank
  EXPECT_EQ(Be32(&reserved.data[24]), size);
  mmc::Reply invisible = mmc::ReadTrackInformation(drive, 2);
  // On CD the next track written track at once starts after its pre-gap.
  EXPECT_EQ(Be32(&invisible.data[8]), size + (c.cd ? 150 : 0));

  ASSERT_TRUE(mmc::Write10(drive, 0, 50).ok());
  EXPECT_EQ(mmc::Write10(drive, 50, static_cast<std::uint16_t>(size)).sense(), mmc::Sense(5, 0x21, 0x02));
  EXPECT_EQ(Be32(&mmc::ReadTrackInformation(drive, 1).data[12]), 50u);
  // Closing pads the track to its reserved size.
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 1, 1).ok());
  mmc::Reply closed = mmc::ReadTrackInformation(drive, 1);
  EXPECT_EQ(Be32(&closed.data[24]), size);
  EXPECT_EQ(closed.data[7] & 0x01, 0);
  // Closed, it is a complete track: not blank, and reserved on DVD+R only
  // (where neither bit names the incomplete track still being written).
  EXPECT_EQ(closed.data[6] & 0xC0, c.plus ? 0x80 : 0x00);
  EXPECT_TRUE(mmc::Read10(drive, size - 1, 1).ok());
}

TEST_P(SequentialMediumTest, TestWriteStoresNothing) {
  const SequentialCase& c = GetParam();
  VirtualRecorder& drive = Open(c.medium);
  ASSERT_TRUE(mmc::SetWriteParameters(drive, c.cd ? 1 : 0, 3, /*test_write=*/true).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 32).ok());
  ASSERT_TRUE(mmc::Write10(drive, 32, 32).ok());  // the simulated address moves on
  ASSERT_TRUE(mmc::SynchronizeCache(drive).ok());
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 2).ok());
  mmc::Reply disc = mmc::ReadDiscInformation(drive);
  EXPECT_EQ(disc.data[2] & 0x03, 0);  // still blank
  EXPECT_EQ(Be32(&mmc::ReadTrackInformation(drive, 1).data[12]), 0u);
  EXPECT_FALSE(mmc::Read10(drive, 0, 1).ok());
}

INSTANTIATE_TEST_SUITE_P(Media, SequentialMediumTest, ::testing::ValuesIn(kSequential), [](const auto& info) {
  std::string name = MediumKey(info.param.medium);
  for (char& ch : name) {
    if (ch == '+') ch = 'P';
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
});

}  // namespace

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

// Audio tracks on the virtual recorder: track-at-once CD-DA with raw
// 2352-byte blocks, their pre-gaps, and how the TOC, the track information
// and READ CD show them afterwards.

#include <gtest/gtest.h>

#include "platform/devices/tests/MmcTestUtil.h"
#include "platform/devices/tests/VirtualRecorderTestFixture.h"

namespace {

constexpr std::uint32_t kSector = 2352;

// Write parameters for audio: track at once, audio track mode, raw blocks.
std::vector<std::uint8_t> AudioPage(std::uint8_t track_mode = 0, std::uint8_t block_type = 0) {
  std::vector<std::uint8_t> page = mmc::WriteParametersPage(1, 0, false, track_mode);
  page[4] = block_type;
  return page;
}

std::vector<std::uint8_t> Samples(std::uint32_t blocks, std::uint8_t seed) {
  std::vector<std::uint8_t> data(std::size_t{blocks} * kSector);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + seed + i / 251);
  return data;
}

mmc::Reply WriteAudio(ScsiTarget& t, std::uint32_t lba, const std::vector<std::uint8_t>& data) {
  return mmc::RunOut(t, mmc::Rw10(0x2A, lba, static_cast<std::uint16_t>(data.size() / kSector)), data);
}

// READ CD of `count` blocks: expected sector type, byte 9 flags, sub-channel selection.
mmc::Reply ReadCd(ScsiTarget& t, std::uint32_t lba, std::uint32_t count, std::uint8_t type = 1,
                  std::uint8_t flags = 0x10, std::uint8_t sub = 0, std::uint32_t per = kSector) {
  ScsiCommand c = mmc::Cdb({0xBE, static_cast<std::uint8_t>(type << 2), 0, 0, 0, 0, 0, 0, 0, flags, sub, 0});
  mmc::PutBe32(&c.cdb[2], lba);
  c.cdb[6] = static_cast<std::uint8_t>(count >> 16);
  mmc::PutBe16(&c.cdb[7], count & 0xFFFF);
  return mmc::RunIn(t, c, count * per);
}

std::uint32_t NextWritable(ScsiTarget& t) {
  const mmc::Reply info = mmc::ReadTrackInformation(t, 0xFF);
  EXPECT_TRUE(info.ok());
  return info.ok() ? mmc::Be32(&info.data[12]) : 0;
}

class VirtualAudio : public VirtualRecorderTestBase {};

TEST_F(VirtualAudio, TwoTracksWithPregapReadBackAfterReopen) {
  for (const VirtualMedium medium : {VirtualMedium::CdR, VirtualMedium::CdRw}) {
    SCOPED_TRACE(MediumKey(medium));
    const std::string name = MediumKey(medium) + ".img";
    VirtualRecorder* drive = &Open(medium, name);
    ASSERT_TRUE(mmc::ModeSelectPage(*drive, AudioPage()).ok());
    const auto first = Samples(10, 1);
    const auto second = Samples(5, 2);
    ASSERT_EQ(NextWritable(*drive), 0u);
    ASSERT_TRUE(WriteAudio(*drive, 0, first).ok());
    ASSERT_TRUE(mmc::CloseTrackSession(*drive, 1, 1).ok());
    // The second track starts after two seconds of silence, and only there.
    ASSERT_EQ(NextWritable(*drive), 160u);
    EXPECT_EQ(WriteAudio(*drive, 10, second).sense(), mmc::Sense(5, 0x21, 0x02));
    ASSERT_TRUE(WriteAudio(*drive, 160, second).ok());
    ASSERT_TRUE(mmc::CloseTrackSession(*drive, 1, 2).ok());
    ASSERT_TRUE(mmc::CloseTrackSession(*drive, 2).ok());

    drive = &Reopen(name);
    const mmc::Reply toc = mmc::ReadToc(*drive, 0);
    ASSERT_TRUE(toc.ok());
    ASSERT_EQ(toc.data.size(), 4u + 3 * 8);
    EXPECT_EQ(toc.data[2], 1);
    EXPECT_EQ(toc.data[3], 2);
    const std::uint8_t* e = &toc.data[4];
    EXPECT_EQ(e[1], 0x10);  // audio, ADR 1
    EXPECT_EQ(mmc::Be32(e + 4), 0u);
    EXPECT_EQ(e[8 + 1], 0x10);
    EXPECT_EQ(mmc::Be32(e + 8 + 4), 160u);
    EXPECT_EQ(e[16 + 2], 0xAA);
    EXPECT_EQ(mmc::Be32(e + 16 + 4), 165u);

    const mmc::Reply full = mmc::ReadToc(*drive, 2);
    ASSERT_TRUE(full.ok());
    ASSERT_GE(full.data.size(), 4u + 5 * 11);
    // A0: first track, disc type CD-DA; A2: the lead-out at 00:04:15 (165 + 150 frames).
    EXPECT_EQ(full.data[4 + 3], 0xA0);
    EXPECT_EQ(full.data[4 + 1], 0x10);
    EXPECT_EQ(full.data[4 + 8], 1);
    EXPECT_EQ(full.data[4 + 9], 0x00);
    EXPECT_EQ(full.data[4 + 22 + 3], 0xA2);
    EXPECT_EQ(full.data[4 + 22 + 9], 4);
    EXPECT_EQ(full.data[4 + 22 + 10], 15);

    const mmc::Reply track2 = mmc::ReadTrackInformation(*drive, 2);
    ASSERT_TRUE(track2.ok());
    EXPECT_EQ(track2.data[5] & 0x0F, 0x00);  // audio track mode
    EXPECT_EQ(mmc::Be32(&track2.data[8]), 160u);
    EXPECT_EQ(mmc::Be32(&track2.data[24]), 5u);

    // Every written sample comes back; the pre-gap reads as silence.
    mmc::Reply read = ReadCd(*drive, 0, 10);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.data, first);
    read = ReadCd(*drive, 160, 5, 0, 0xF8);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.data, second);
    read = ReadCd(*drive, 9, 152);
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(std::equal(read.data.begin(), read.data.begin() + kSector, first.end() - kSector));
    EXPECT_TRUE(std::all_of(read.data.begin() + kSector, read.data.begin() + 151 * kSector,
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(read.data.begin() + 151 * kSector, read.data.end(), second.begin()));
  }
}

TEST_F(VirtualAudio, AudioAndDataDoNotMix) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  // Raw blocks of a data track, 2048-byte blocks of an audio track.
  ASSERT_TRUE(mmc::ModeSelectPage(drive, AudioPage(4, 0)).ok());
  EXPECT_EQ(WriteAudio(drive, 0, Samples(1, 0)).sense(), mmc::Sense(5, 0x64, 0));
  ASSERT_TRUE(mmc::ModeSelectPage(drive, AudioPage(0, 8)).ok());
  EXPECT_EQ(mmc::Write10(drive, 0, 1).sense(), mmc::Sense(5, 0x64, 0));

  // A data track first: the audio track after it has its pre-gap, and each
  // kind of read refuses the other kind of track.
  ASSERT_TRUE(mmc::SetWriteParameters(drive, 1, 3).ok());
  ASSERT_TRUE(mmc::Write10(drive, 0, 20).ok());
  ASSERT_TRUE(mmc::ModeSelectPage(drive, AudioPage()).ok());
  EXPECT_EQ(WriteAudio(drive, 20, Samples(1, 0)).sense(), mmc::Sense(5, 0x64, 0));  // the open data track
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 1, 1).ok());
  // After the data track's two run-out blocks and the audio track's pre-gap.
  ASSERT_EQ(NextWritable(drive), 172u);
  const auto audio = Samples(3, 9);
  ASSERT_TRUE(WriteAudio(drive, 172, audio).ok());
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 1, 2).ok());
  ASSERT_TRUE(mmc::CloseTrackSession(drive, 2).ok());

  const mmc::Reply toc = mmc::ReadToc(drive, 0);
  ASSERT_TRUE(toc.ok());
  EXPECT_EQ(toc.data[4 + 1], 0x14);
  EXPECT_EQ(toc.data[12 + 1], 0x10);
  EXPECT_EQ(mmc::Read10(drive, 172, 1).sense(), mmc::Sense(5, 0x64, 0));
  EXPECT_EQ(mmc::Read10(drive, 19, 2).sense(), mmc::Sense(5, 0x64, 0));  // runs into the run-out
  EXPECT_EQ(mmc::Read10(drive, 22, 1).sense(), mmc::Sense(5, 0x64, 0));  // the audio pre-gap
  EXPECT_EQ(ReadCd(drive, 172, 1, 2).sense(), mmc::Sense(5, 0x64, 0));
  EXPECT_EQ(ReadCd(drive, 0, 1, 1).sense(), mmc::Sense(5, 0x64, 0));
  EXPECT_TRUE(mmc::Read10(drive, 0, 20).ok());
  const mmc::Reply data = ReadCd(drive, 0, 1, 2, 0x10, 0, 2048);
  ASSERT_TRUE(data.ok());
  EXPECT_EQ(data.data, std::vector<std::uint8_t>(2048, 0x5A));

  // With the Q sub-channel: track 2, index 0 counting down in the pre-gap, then index 1.
  const mmc::Reply q = ReadCd(drive, 171, 2, 1, 0x10, 2, kSector + 16);
  ASSERT_TRUE(q.ok());
  const std::uint8_t* q0 = &q.data[kSector];
  const std::uint8_t* q1 = &q.data[2 * kSector + 16];
  EXPECT_EQ(q0[1], 2);
  EXPECT_EQ(q0[2], 0);
  EXPECT_EQ(q0[5], 1);
  EXPECT_EQ(q1[2], 1);
  EXPECT_TRUE(std::equal(q.data.begin() + kSector + 16, q.data.begin() + 2 * kSector + 16, audio.begin()));

  // The current position (READ SUB-CHANNEL, Q data, format 1) names the
  // first track, a data track here.
  const mmc::Reply position = mmc::RunIn(drive, mmc::Cdb({0x42, 0, 0x40, 1, 0, 0, 0, 0, 16, 0}), 16);
  ASSERT_TRUE(position.ok());
  EXPECT_EQ(position.data[1], 0x15);
  EXPECT_EQ(mmc::Be16(&position.data[2]), 12u);
  EXPECT_EQ(position.data[5], 0x14);
  EXPECT_EQ(position.data[6], 1);

  // Blanking a CD-RW drops the audio sectors with the rest.
  VirtualRecorder& rw = Open(VirtualMedium::CdRw, "rw.img");
  rw.SetTimingPercent(0);
  ASSERT_TRUE(mmc::ModeSelectPage(rw, AudioPage()).ok());
  ASSERT_TRUE(WriteAudio(rw, 0, Samples(2, 3)).ok());
  EXPECT_TRUE(std::filesystem::exists(Path("rw.img.audio")));
  ASSERT_TRUE(mmc::Run(rw, mmc::Cdb({0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})).ok());
  EXPECT_FALSE(std::filesystem::exists(Path("rw.img.audio")));
  EXPECT_EQ(ReadCd(rw, 0, 1).sense(), mmc::Sense(5, 0x21, 0));
}

}  // namespace

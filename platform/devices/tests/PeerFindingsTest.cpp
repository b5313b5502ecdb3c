// What the peer checks found in the virtual recorder, pinned down without
// the peers.

#include <gtest/gtest.h>

#include "platform/devices/VirtualRecorder.h"
#include "platform/devices/tests/DeviceFixtures.h"

// libburn asks for the invisible track as track FFh on every write-once
// medium; a drive that refuses it there leaves the disc with no free space.
TEST(PeerFindings, InvisibleTrackByNumberFFOnEverySequentialMedium) {
  for (const VirtualMedium medium : {VirtualMedium::CdR, VirtualMedium::DvdR, VirtualMedium::DvdRwSequential,
                                     VirtualMedium::DvdPlusR, VirtualMedium::DvdPlusRDl}) {
    SCOPED_TRACE(MediumKey(medium));
    TempDir dir;
    VirtualRecorderConfig config;
    config.image_path = dir / "disc.img";
    config.initial_medium = medium;
    config.persist = false;
    auto recorder = VirtualRecorder::Open(config);
    std::uint8_t answer[48] = {};
    ScsiCommand command;
    command.cdb = {0x52, 0x01, 0, 0, 0, 0xFF, 0, 0, sizeof answer, 0};
    command.cdb_length = 10;
    command.direction = ScsiDirection::In;
    command.data = answer;
    command.data_length = sizeof answer;
    const ScsiResult result = recorder->Execute(command);
    ASSERT_TRUE(result.ok()) << "sense " << int(result.sense_key()) << "/" << int(result.asc());
    EXPECT_EQ(answer[2], 1) << "the first track is the invisible one on a blank disc";
    EXPECT_EQ(answer[7] & 0x01, 0x01) << "next writable address valid";
    const std::uint32_t free_blocks =
        (answer[16] << 24) | (answer[17] << 16) | (answer[18] << 8) | answer[19];
    EXPECT_EQ(free_blocks, SpecOf(medium).capacity);
  }
}

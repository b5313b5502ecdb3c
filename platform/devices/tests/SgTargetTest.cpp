#include "platform/devices/SgTarget.h"

#include <gtest/gtest.h>

#include "platform/devices/tests/DeviceFixtures.h"

namespace {

std::unique_ptr<SgTarget> OpenFake(FakeSgKernel& kernel) {
  int error = -1;
  auto target = SgTarget::Open(kernel, "/dev/sr0", true, &error);
  EXPECT_TRUE(target);
  EXPECT_EQ(error, 0);
  return target;
}

ScsiCommand ReadCapacity(std::uint8_t* buffer) {
  ScsiCommand command;
  command.cdb[0] = 0x25;
  command.cdb_length = 10;
  command.direction = ScsiDirection::In;
  command.data = buffer;
  command.data_length = 8;
  command.timeout_ms = 30000;
  return command;
}

}  // namespace

TEST(SgTarget, SendsTheCommandAndReportsTheDataMoved) {
  FakeSgKernel kernel;
  kernel.answer = [](sg_io_hdr_t& hdr) {
    EXPECT_EQ(hdr.interface_id, 'S');
    EXPECT_GE(hdr.mx_sb_len, 18);
    static_cast<std::uint8_t*>(hdr.dxferp)[3] = 0x42;
    hdr.resid = 2;
    return 0;
  };
  auto target = OpenFake(kernel);
  ASSERT_EQ(kernel.opens.size(), 1u);
  EXPECT_EQ(kernel.opens[0].second & O_ACCMODE, O_RDWR);
  EXPECT_TRUE(kernel.opens[0].second & O_NONBLOCK) << "a drive without a medium must open";

  std::uint8_t buffer[8] = {};
  const ScsiResult result = target->Execute(ReadCapacity(buffer));
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.transferred, 6u);
  EXPECT_EQ(buffer[3], 0x42);
  ASSERT_EQ(kernel.commands.size(), 1u);
  EXPECT_EQ(kernel.commands[0].cdb.size(), 10u);
  EXPECT_EQ(kernel.commands[0].direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(kernel.commands[0].length, 8u);
  EXPECT_EQ(kernel.commands[0].timeout, 30000u);

  std::uint8_t page[4] = {1, 2, 3, 4};
  ScsiCommand write;
  write.cdb[0] = 0x55;
  write.cdb_length = 10;
  write.direction = ScsiDirection::Out;
  write.data = page;
  write.data_length = 4;
  EXPECT_TRUE(target->Execute(write).ok());
  EXPECT_EQ(kernel.commands[1].direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(kernel.commands[1].data_out, std::vector<std::uint8_t>({1, 2, 3, 4}));

  target.reset();
  EXPECT_EQ(kernel.closed, std::vector<int>{100});
}

TEST(SgTarget, DescriptorSenseArrivesInFixedFormat) {
  FakeSgKernel kernel;
  kernel.answer = [](sg_io_hdr_t& hdr) {
    // NOT READY, 04/04 (format in progress), progress 0x4000 in a sense-key
    // specific descriptor, information 0x1234 in an information descriptor.
    const std::uint8_t sense[] = {0x72, 0x02, 0x04, 0x04, 0,    0, 0, 20, 0x02, 0x06, 0, 0, 0x80, 0x40,
                                  0x00, 0,    0x00, 0x0A, 0x80, 0, 0, 0,  0,    0,    0, 0, 0x12, 0x34};
    std::memcpy(hdr.sbp, sense, sizeof sense);
    hdr.sb_len_wr = sizeof sense;
    hdr.status = 0x02;
    hdr.masked_status = 0x01;
    hdr.driver_status = 0x08;  // DRIVER_SENSE: sense came back, not a failure
    return 0;
  };
  auto target = OpenFake(kernel);
  std::uint8_t buffer[8];
  const ScsiResult result = target->Execute(ReadCapacity(buffer));
  ASSERT_TRUE(result.delivered);
  EXPECT_EQ(result.status, kScsiCheckCondition);
  ASSERT_EQ(result.sense_length, 18);
  EXPECT_EQ(result.sense[0], 0xF0) << "fixed current sense with VALID";
  EXPECT_EQ(result.sense_key(), 0x02);
  EXPECT_EQ(result.asc(), 0x04);
  EXPECT_EQ(result.ascq(), 0x04);
  EXPECT_EQ(result.sense[7], 10);
  EXPECT_EQ(result.sense[5], 0x12);
  EXPECT_EQ(result.sense[6], 0x34);
  EXPECT_EQ(result.sense[15], 0x80);
  EXPECT_EQ(result.sense[16], 0x40);
}

TEST(SgTarget, HostAndDriverErrorsFailTheRequest) {
  struct Case {
    const char* name;
    int rc;
    std::uint16_t host, driver;
    bool timed_out;
    const char* text;
  };
  const Case cases[] = {
      {"ioctl fails", -EIO, 0, 0, false, "SG_IO"},
      {"host error", 0, 0x07, 0, false, "DID_ERROR"},
      {"no connect", 0, 0x01, 0, false, "DID_NO_CONNECT"},
      {"host time-out", 0, 0x03, 0, true, "DID_TIME_OUT"},
      {"driver time-out", 0, 0x00, 0x06, true, "DRIVER_TIMEOUT"},
      {"driver error", 0, 0x00, 0x04, false, "DRIVER_ERROR"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSgKernel kernel;
    kernel.answer = [&c](sg_io_hdr_t& hdr) {
      hdr.host_status = c.host;
      hdr.driver_status = c.driver;
      return c.rc;
    };
    auto target = OpenFake(kernel);
    std::uint8_t buffer[8];
    const ScsiResult result = target->Execute(ReadCapacity(buffer));
    EXPECT_FALSE(result.delivered);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.timed_out, c.timed_out);
    EXPECT_NE(result.host_error.find(c.text), std::string::npos) << result.host_error;
  }
}

TEST(SgTarget, OpenFailureAndAddress) {
  FakeSgKernel kernel;
  kernel.open_errors[O_RDWR] = EACCES;
  int error = 0;
  EXPECT_FALSE(SgTarget::Open(kernel, "/dev/sr0", true, &error));
  EXPECT_EQ(error, EACCES);
  auto target = SgTarget::Open(kernel, "/dev/sr0", false, &error);
  ASSERT_TRUE(target);
  EXPECT_FALSE(target->Address()) << "no answer to GET_IDLUN";
  kernel.idlun = std::make_pair(std::uint32_t{0x0C010302}, std::uint32_t{0});
  const auto address = target->Address();
  ASSERT_TRUE(address);
  EXPECT_EQ(address->host, 12);
  EXPECT_EQ(address->channel, 1);
  EXPECT_EQ(address->lun, 3);
  EXPECT_EQ(address->target, 2);
}

TEST(SenseToFixedFormat, EdgeCases) {
  std::uint8_t out[32];
  // Fixed sense is kept, cut to what its additional length says.
  const std::uint8_t fixed[20] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x00};
  EXPECT_EQ(SenseToFixedFormat(fixed, sizeof fixed, out, sizeof out), 18u);
  EXPECT_EQ(out[12], 0x24);
  // Deferred descriptor sense becomes deferred fixed sense.
  const std::uint8_t deferred[8] = {0x73, 0x03, 0x0C, 0x00, 0, 0, 0, 0};
  EXPECT_EQ(SenseToFixedFormat(deferred, sizeof deferred, out, sizeof out), 18u);
  EXPECT_EQ(out[0], 0x71);
  EXPECT_EQ(out[2], 0x03);
  EXPECT_EQ(out[12], 0x0C);
  // An information field beyond 32 bits cannot be told in fixed format: not valid.
  const std::uint8_t wide[20] = {0x72, 0x03, 0x11, 0x00, 0, 0, 0, 12, 0x00, 0x0A,
                                 0x80, 0,    0,    0,    0, 1, 0, 0,  0,    5};
  EXPECT_EQ(SenseToFixedFormat(wide, sizeof wide, out, sizeof out), 18u);
  EXPECT_EQ(out[0], 0x70);
  EXPECT_EQ(out[6], 0);
  // A descriptor that claims more bytes than came back is ignored, the header kept.
  const std::uint8_t cut[12] = {0x72, 0x05, 0x21, 0x00, 0, 0, 0, 40, 0x02, 0x06, 0x80, 0x01};
  EXPECT_EQ(SenseToFixedFormat(cut, sizeof cut, out, sizeof out), 18u);
  EXPECT_EQ(out[12], 0x21);
  EXPECT_EQ(out[15], 0);
  // Block-command ILI.
  const std::uint8_t ili[12] = {0x72, 0x05, 0x24, 0x00, 0, 0, 0, 4, 0x05, 0x02, 0, 0x20};
  EXPECT_EQ(SenseToFixedFormat(ili, sizeof ili, out, sizeof out), 18u);
  EXPECT_EQ(out[2], 0x25);
  // Nothing usable.
  const std::uint8_t junk[4] = {0x00, 0x05, 0x24, 0x00};
  EXPECT_EQ(SenseToFixedFormat(junk, sizeof junk, out, sizeof out), 0u);
  EXPECT_EQ(SenseToFixedFormat(ili, 3, out, sizeof out), 0u);
}

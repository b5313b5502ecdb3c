// Injected faults reach the caller as the drive would deliver them, whether
// injected through the API or written in the state file; and a state file
// that is damaged is refused with a clear message, never a crash.

#include <gtest/gtest.h>

#include <fstream>

#include "platform/devices/VirtualStateFile.h"
#include "platform/devices/tests/MmcTestUtil.h"
#include "platform/devices/tests/VirtualRecorderTestFixture.h"

namespace {

class VirtualRecorderFaultTest : public VirtualRecorderTestBase {
 protected:
  void WriteState(const std::string& text) {
    std::ofstream out(Path("disc.img.state"), std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::string ReadState() {
    std::ifstream in(Path("disc.img.state"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

VirtualFault SenseFault(int opcode, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq, int count) {
  VirtualFault fault;
  fault.kind = VirtualFault::Kind::Sense;
  fault.opcode = opcode;
  fault.key = key;
  fault.asc = asc;
  fault.ascq = ascq;
  fault.count = count;
  return fault;
}

TEST_F(VirtualRecorderFaultTest, SenseFiresForItsCommandAsManyTimesAsAsked) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdR);
  drive.AddFault(SenseFault(0x2A, 0x03, 0x0C, 0x00, 2));
  EXPECT_TRUE(mmc::TestUnitReady(drive).ok());  // other commands pass
  EXPECT_EQ(mmc::Write10(drive, 0, 16).sense(), mmc::Sense(3, 0x0C, 0));
  EXPECT_EQ(mmc::Write10(drive, 0, 16).sense(), mmc::Sense(3, 0x0C, 0));
  EXPECT_TRUE(mmc::Write10(drive, 0, 16).ok());
  EXPECT_TRUE(drive.Faults().empty());

  drive.AddFault(SenseFault(-1, 0x06, 0x28, 0x00, 1));  // any command: medium may have changed
  EXPECT_EQ(mmc::Inquiry(drive).sense(), mmc::Sense(6, 0x28, 0));
  EXPECT_TRUE(mmc::Inquiry(drive).ok());
}

TEST_F(VirtualRecorderFaultTest, BusyNotReadyTimeoutAndRemoval) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdPlusRw);
  VirtualFault busy;
  busy.kind = VirtualFault::Kind::Busy;
  busy.opcode = 0x00;
  drive.AddFault(busy);
  mmc::Reply reply = mmc::TestUnitReady(drive);
  EXPECT_TRUE(reply.result.delivered);
  EXPECT_EQ(reply.result.status, kScsiBusy);
  EXPECT_EQ(reply.result.sense_length, 0);

  VirtualFault not_ready;
  not_ready.kind = VirtualFault::Kind::NotReady;
  not_ready.count = 3;
  drive.AddFault(not_ready);
  EXPECT_TRUE(mmc::Inquiry(drive).ok());  // needs no medium: not counted
  for (int i = 0; i < 3; ++i) EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(2, 0x04, 0x01));
  EXPECT_TRUE(mmc::TestUnitReady(drive).ok());

  VirtualFault timeout;
  timeout.kind = VirtualFault::Kind::Timeout;
  timeout.opcode = 0x35;
  drive.AddFault(timeout);
  reply = mmc::SynchronizeCache(drive);
  EXPECT_FALSE(reply.result.delivered);
  EXPECT_TRUE(reply.result.timed_out);
  EXPECT_FALSE(reply.result.host_error.empty());

  VirtualFault removed;
  removed.kind = VirtualFault::Kind::MediumRemoved;
  removed.after = 2;
  drive.AddFault(removed);
  EXPECT_TRUE(mmc::TestUnitReady(drive).ok());
  EXPECT_TRUE(mmc::TestUnitReady(drive).ok());
  EXPECT_EQ(mmc::TestUnitReady(drive).sense(), mmc::Sense(2, 0x3A, 0x01));
  EXPECT_EQ(drive.Medium(), VirtualMedium::None);
}

TEST_F(VirtualRecorderFaultTest, WriteErrorAtAnAddress) {
  VirtualRecorder& drive = Open(VirtualMedium::CdR);
  VirtualFault fault;
  fault.kind = VirtualFault::Kind::WriteError;
  fault.lba = 40;
  drive.AddFault(fault);
  ASSERT_TRUE(mmc::Write10(drive, 0, 27).ok());
  EXPECT_EQ(mmc::Write10(drive, 27, 27).sense(), mmc::Sense(3, 0x0C, 0x00));
  // The failed write stored nothing: the next writable address stayed.
  EXPECT_EQ(mmc::Be32(&mmc::ReadTrackInformation(drive, 1).data[12]), 27u);
  EXPECT_TRUE(mmc::Write10(drive, 27, 27).ok());

  fault.key = 0x05;
  fault.asc = 0x21;
  fault.ascq = 0x02;
  fault.lba = 60;
  drive.AddFault(fault);
  EXPECT_EQ(mmc::Write10(drive, 54, 27).sense(), mmc::Sense(5, 0x21, 0x02));
}

TEST_F(VirtualRecorderFaultTest, FaultsInTheStateFileFireAndAreUsedUp) {
  Open(VirtualMedium::DvdPlusRw);
  recorder_.reset();
  std::string state = ReadState();
  state += "fault = busy opcode=00 count=1\n";
  state += "fault = sense opcode=28 key=3 asc=11 ascq=00 count=always\n";
  WriteState(state);

  VirtualRecorder& drive = Reopen();
  EXPECT_EQ(mmc::TestUnitReady(drive).result.status, kScsiBusy);
  EXPECT_TRUE(mmc::TestUnitReady(drive).ok());
  EXPECT_EQ(mmc::Read10(drive, 0, 1).sense(), mmc::Sense(3, 0x11, 0));
  EXPECT_EQ(mmc::Read10(drive, 0, 1).sense(), mmc::Sense(3, 0x11, 0));
  VirtualRecorder& again = Reopen();
  ASSERT_EQ(again.Faults().size(), 1u);  // the busy one was used up and stays gone
  EXPECT_EQ(again.Faults()[0].count, -1);
}

TEST_F(VirtualRecorderFaultTest, CommandLogRecordsEveryCommand) {
  VirtualRecorder& drive = Open(VirtualMedium::DvdR);
  drive.ClearCommandLog();
  mmc::TestUnitReady(drive);
  mmc::SetWriteParameters(drive, 0, 3);
  mmc::Write10(drive, 5, 1);
  const auto log = drive.CommandLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].opcode(), 0x00);
  EXPECT_EQ(log[0].cdb_length, 6);
  EXPECT_TRUE(log[0].result.ok());
  EXPECT_EQ(log[1].opcode(), 0x55);
  EXPECT_EQ(log[1].data_out.size(), 60u);
  EXPECT_EQ(log[1].data_out[8], 0x05);
  EXPECT_EQ(log[2].opcode(), 0x2A);
  EXPECT_EQ(log[2].data_length, 2048u);
  EXPECT_TRUE(log[2].data_out.empty());  // bulk data is not kept
  EXPECT_EQ(log[2].result.asc(), 0x21);
}

// ---------------------------------------------------------------- state files

const char kGood[] =
    "version = 1\nimage = disc.img\nmedium = cd-r\ntray = closed\ncapacity = 359849\nclosed_sessions = 1\n"
    "finalized = 0\nformatted = 0\nwritten_extent = 0\ntiming = 100\noperation = none\n"
    "track = 1 1 0 0 300 closed runout 2\ntrack = 2 2 11702 0 50 open\n";

TEST_F(VirtualRecorderFaultTest, GoodStateFileLoads) {
  std::ofstream(Path("disc.img")).put('\0');
  WriteState(kGood);
  VirtualRecorder& drive = Reopen();
  const VirtualDiscSummary summary = drive.Summary();
  EXPECT_EQ(summary.medium, VirtualMedium::CdR);
  EXPECT_EQ(summary.status, "appendable");
  ASSERT_EQ(summary.tracks.size(), 2u);
  EXPECT_EQ(summary.next_writable, 11752u);
  EXPECT_TRUE(mmc::Write10(drive, 11752, 1).ok());
}

TEST_F(VirtualRecorderFaultTest, BadStateFilesAreRefusedWithAClearMessage) {
  struct Case {
    std::string text;
    std::string message;
  };
  const std::string base(kGood);
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string text = base;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const Case cases[] = {
      {"", "no version"},
      {"version = 2\n", "version 2 is not supported"},
      {"medium = cd-r\n", "must start with its version"},
      {"version = 1\nimage = disc.img\n", "names no medium"},
      {"version = 1\nmedium = cd-r\n", "no capacity"},
      {replace("cd-r", "floppy"), "unknown medium \"floppy\""},
      {replace("359849", "35x"), "capacity \"35x\" is not a number"},
      {replace("359849", "2298496"), "does not match"},
      {replace("tray = closed", "tray = ajar"), "tray must be open or closed"},
      {replace("finalized = 0", "finalized = yes"), "finalized must be 0 or 1"},
      {replace("11702 0 50 open", "200 0 50 open"), "overlaps"},
      {replace("11702 0 50 open", "359800 0 50 open"), "beyond the capacity"},
      {replace("track = 2 2", "track = 3 2"), "numbered"},
      {replace("track = 1 1 0 0 300 closed runout 2", "track = 1 1 0 0 300 open"),
       "open in a closed session"},
      {"version = 1\nmedium = cd-r\ncapacity = 359849\nclosed_sessions = 2\ntrack = 1 1 0 0 300 closed\n",
       "session without tracks"},
      {replace("operation = none", "operation = format 10"), "operation must be"},
      {replace("timing = 100", "timing = 100\ntiming = 5"), "appears twice"},
      {replace("timing = 100", "speed = 4"), "unknown key \"speed\""},
      {replace("timing = 100", "timing 100"), "expected \"key = value\""},
      {base + "fault = sense opcode=2A key=13\n", "key \"13\""},
      {base + "fault = explode\n", "unknown fault kind"},
      {base + "track = 3 2 20000 0 1 open\n", "more than one incomplete track"},
      {replace("medium = cd-r", "medium = dvd+rw"), "does not match"},
      {replace("50 open", "50 open runout 2"), "run-out blocks"},
      {replace("closed runout 2", "closed runout 3"), "track run-out"},
      {replace("closed runout 2", "closed runout 2 pregap 150"), "track needs"},
      {replace("closed runout 2", "closed runout"), "track needs"},
      {replace("11702 0 50 open", "301 0 50 open"), "overlaps"},  // track 1's run-out ends at 302
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WriteState(c.text);
    try {
      Reopen();
      ADD_FAILURE() << "loaded";
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find(c.message), std::string::npos) << error.Message();
      EXPECT_NE(error.Message().find("disc.img.state"), std::string::npos) << error.Message();
    }
  }
}

TEST_F(VirtualRecorderFaultTest, TruncatedAtAnyByteLoadsOrFailsCleanly) {
  const std::string good = std::string(kGood) + "fault = write-error key=03 asc=0C ascq=00 lba=5 count=2\n";
  int refused = 0;
  for (std::size_t length = 0; length <= good.size(); ++length) {
    WriteState(good.substr(0, length));
    try {
      Reopen();
    } catch (const Exception&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
  WriteState(good);
  EXPECT_NO_THROW(Reopen());
}

TEST_F(VirtualRecorderFaultTest, MissingImageOfARecordedDiscIsAnError) {
  WriteState(kGood);
  EXPECT_THROW(Reopen(), EFOpenError);
}

}  // namespace

// One owner at a time: a second program on the same drive would write its
// state over the first one's. Looking (list, show, export) needs no lock.
TEST_F(VirtualRecorderFaultTest, StateFileHasOneOwnerAtATime) {
  VirtualRecorder& owner = Open(VirtualMedium::DvdPlusR);
  VirtualRecorderConfig config;
  config.image_path = Path("disc.img");
  try {
    VirtualRecorder::Open(config);
    ADD_FAILURE() << "a second owner was let in";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("is in use by another program"), std::string::npos) << error.Message();
  }
  config.look_only = true;
  auto looker = VirtualRecorder::Open(config);
  EXPECT_EQ(looker->Summary().medium, VirtualMedium::DvdPlusR);
  looker.reset();
  EXPECT_EQ(owner.Summary().medium, VirtualMedium::DvdPlusR);  // the looker wrote nothing

  owner.InsertBlank(VirtualMedium::CdR);
  EXPECT_EQ(Reopen().Summary().medium, VirtualMedium::CdR);  // free again once the owner is gone
}

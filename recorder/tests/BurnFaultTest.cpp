// Burns that go wrong: drive faults and user aborts on a disc that already
// holds a session. Each ends once with its text, leaves the drive usable
// and the earlier session readable.

#include <gtest/gtest.h>

#include <atomic>

#include "recorder/tests/BurnFixture.h"

namespace {

using burntest::BurnRig;
using isotest::Pattern;
using isotest::WriteFile;

class BurnFault : public isotest::ImageTest {};

struct FaultCase {
  const char* name;
  VirtualFault fault;
  int abort_at_write;  // abort before this WRITE(10) of session 2 (0: none)
  const char* text;    // start of the OnWriteDone text; "" for success
};

VirtualFault Fault(VirtualFault::Kind kind, int opcode, int count, std::uint32_t after = 0, std::uint32_t lba = 0) {
  VirtualFault f;
  f.kind = kind;
  f.opcode = opcode;
  f.count = count;
  f.after = after;
  f.lba = lba;
  return f;
}

const VirtualFault kNone = Fault(VirtualFault::Kind::Sense, 0xFE, 0);

TEST_F(BurnFault, EachFaultEndsOnceAndSparesTheFirstSession) {
  WriteFile(Path("one/first.txt"), "first session");
  WriteFile(Path("one/first.bin"), Pattern(200000, 1));
  WriteFile(Path("two/second.bin"), Pattern(3000000, 2));

  const FaultCase cases[] = {
      {"write error", Fault(VirtualFault::Kind::WriteError, 0x2A, 1, 0, 0), 0, "WRITER ERROR ["},
      {"medium removed", Fault(VirtualFault::Kind::MediumRemoved, -1, 1, 40), 0, "WRITER ERROR ["},
      {"busy a while", Fault(VirtualFault::Kind::Busy, 0x2A, 5, 3), 0, ""},
      {"not ready a while", Fault(VirtualFault::Kind::NotReady, -1, 4, 0), 0, ""},
      {"no sense data", Fault(VirtualFault::Kind::Timeout, 0x2A, 1, 2), 0, "WRITER ERROR ["},
      {"abort at the first block", kNone, 1, "OPERATION ABORTED BY USER"},
      {"abort mid-way", kNone, 10, "OPERATION ABORTED BY USER"},
  };
  for (const auto medium : {VirtualMedium::DvdPlusRw, VirtualMedium::CdR, VirtualMedium::DvdPlusR}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(MediumKey(medium) + ": " + c.name);
      BurnRig rig(medium);
      rig.Add(Path("one"));
      DrvLib().CurrentDiscType = rig.rec->GetDiscType();
      ASSERT_EQ(rig.BurnCompilation(), "");
      const std::string before = rig.Disc(dir_);

      // Session 2: the first one imported, new files added.
      rig.rec->InitCompilation(65535, 8191);
      ASSERT_TRUE(rig.rec->ImportSession(-1, nullptr));
      rig.Add(Path("two"));
      rig.rec->Prepare(false, nullptr);
      rig.vrec->ClearCommandLog();
      VirtualFault fault = c.fault;
      if (fault.kind == VirtualFault::Kind::WriteError) {
        // Somewhere in the middle of the new session's data.
        const auto summary = rig.vrec->Summary();
        fault.lba = (summary.next_writable ? summary.next_writable : summary.used) + 400;
      }
      if (fault.count > 0) rig.vrec->AddFault(fault);
      std::atomic<int> writes{0};
      if (c.abort_at_write > 0) {
        rig.hook->before = [&](const ScsiCommand& cmd) {
          if (cmd.opcode() == 0x2A && ++writes == c.abort_at_write) rig.rec->Abort();
        };
      }
      const std::string text = rig.Run([&] { return rig.rec->BurnCompilation(); });
      rig.hook->before = nullptr;
      rig.vrec->ClearFaults();
      EXPECT_EQ(text.substr(0, std::string(c.text).size()), c.text) << text;
      if (std::string(c.text).empty()) EXPECT_EQ(text, "");
      // The drive is put back after a failure as after success.
      const auto ops = rig.Opcodes();
      ASSERT_GE(ops.size(), 2u);
      EXPECT_EQ(ops.back(), 0x00);
      EXPECT_EQ(ops.end()[-4], 0x1E);
      if (!std::string(c.text).empty()) {
        // Nothing is closed after a failure.
        EXPECT_EQ(std::count(ops.begin(), ops.end(), 0x5B), 0);
      }
      if (c.fault.kind == VirtualFault::Kind::Timeout && c.fault.count > 0) {
        // A command that never reached the drive is not a busy drive.
        EXPECT_LE(std::count(ops.begin(), ops.end(), 0x2A), 4);
      }

      // Whatever happened, the first session reads as before.
      if (rig.vrec->Medium() == VirtualMedium::None) rig.vrec->InsertBlank(medium);  // removed: nothing to read
      else {
        TQCDBurner reader;
        reader.InitializeASPI(true, "");
        reader.SetDeviceID(reader.Devices.at(0));
        ASSERT_TRUE(reader.ImportSession(1, nullptr));
        TFEntry* first = reader.Compilation().FindChild(reader.RootDir(), "first.bin");
        ASSERT_NE(first, nullptr);
        std::filesystem::remove_all(Path("x"));
        std::filesystem::create_directories(Path("x"));
        ASSERT_TRUE(reader.ExtractFile(first, Path("x/")));
        EXPECT_TRUE(isotest::ReadAll(Path("x/first.bin")) == Pattern(200000, 1));
        if (!text.empty() && medium == VirtualMedium::DvdPlusRw) {
          // The failed session never became the disc's volume.
          const std::string after = rig.Disc(dir_);
          EXPECT_TRUE(after.compare(0, 32 * 2048, before, 0, 32 * 2048) == 0);
        }
      }
    }
  }
}

}  // namespace

namespace {

TEST_F(BurnFault, ADriveThatNeverFinishesWritingEndsTheBurnWithAText) {
  WriteFile(Path("one/first.bin"), Pattern(200000, 1));
  BurnRig rig(VirtualMedium::DvdR);
  rig.Add(Path("one"));
  // From the flush on, the drive answers NOT READY to READ DISC INFORMATION.
  rig.hook->before = [&](const ScsiCommand& cmd) {
    if (cmd.opcode() != 0x35) return;
    VirtualFault f;
    f.kind = VirtualFault::Kind::Sense;
    f.opcode = 0x51;
    f.key = 0x02;
    f.asc = 0x04;
    f.ascq = 0x08;
    f.count = -1;
    rig.vrec->AddFault(f);
  };
  const std::string text = rig.BurnCompilation();
  rig.hook->before = nullptr;
  EXPECT_EQ(text.rfind("WRITER ERROR [THE DRIVE DID NOT FINISH WRITING", 0), 0u) << text;
  const auto ops = rig.Opcodes();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), 0x5B), 0);
  EXPECT_EQ(ops.back(), 0x00);
}

TEST_F(BurnFault, AnAbortBeforeTheWriteThreadStartsIsForgotten) {
  WriteFile(Path("one/first.bin"), Pattern(200000, 1));
  BurnRig rig(VirtualMedium::DvdPlusR);
  rig.Add(Path("one"));
  rig.rec->Abort();
  EXPECT_EQ(rig.BurnCompilation(), "");
  EXPECT_EQ(rig.vrec->Summary().sessions, 1u);
}

}  // namespace

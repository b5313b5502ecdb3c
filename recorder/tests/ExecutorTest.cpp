#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "recorder/tests/FakeAspi.h"
#include "recorder/xrDrvLib.h"

namespace {

struct Selected : TSCSIDevice {
  Selected() {
    HaId = 1;
    Target = 2;
    Lun = 3;
    ErrorLogged = false;
  }
};

TEST(Executor, CompletesTheBlockAndJudgesByStatus) {
  FakeAspi aspi;
  Selected drive;
  TSRB seen{};
  aspi.exec = [&](TSRB& srb) {
    seen = srb;
    srb.SRB_Status = SS_COMP;
  };
  TSRB srb{};
  srb.CDBByte[0] = 0x00;
  srb.CDBByte[1] = 0xFF;
  srb.SRB_Flags = SRB_EVENT_NOTIFY;
  EXPECT_EQ(drive.ExecSCSICommand(srb, 1000), 1);
  EXPECT_EQ(seen.SRB_Cmd, SC_EXEC_SCSI_CMD);
  EXPECT_EQ(seen.SRB_HaId, 1);
  EXPECT_EQ(seen.SRB_Target, 2);
  EXPECT_EQ(seen.SRB_Lun, 3);
  EXPECT_EQ(seen.SRB_SenseLen, 24);
  EXPECT_EQ(seen.CDBByte[1], 0x7F);  // LUN 3 in bits 7-5, bits 4-0 kept
  EXPECT_TRUE(drive.LastError.empty());
}

TEST(Executor, ErrorTextsFromInjectedSense) {
  struct Case {
    const char* name;
    std::function<void(TSRB&)> answer;
    const char* text;
    bool busy;
  };
  const std::vector<Case> cases = {
      {"tray open", [](TSRB& s) { FailWithSense(s, 0x02, 0x3A, 0x02); },
       "NOT READY (MEDIUM NOT PRESENT - TRAY OPEN)", false},
      {"unlisted pair", [](TSRB& s) { FailWithSense(s, 0x05, 0x64, 0x02); }, "ILLEGAL REQUEST (100,2)",
       false},
      {"no additional length", [](TSRB& s) { FailWithSense(s, 0x03, 0x11, 0x00, 0); }, "MEDIUM ERROR", false},
      {"deferred error code",
       [](TSRB& s) {
         FailWithSense(s, 0x06, 0x28, 0x00);
         s.SenseArea[0] = 0x71;
       },
       "UNIT ATTENTION (NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED)", false},
      {"valid bit set",
       [](TSRB& s) {
         FailWithSense(s, 0x04, 0x09, 0x01);
         s.SenseArea[0] = 0xF0;
       },
       "HARDWARE ERROR (TRACKING SERVO FAILURE)", false},
      {"descriptor format",
       [](TSRB& s) {
         FailWithSense(s, 0x05, 0x24, 0x00);
         s.SenseArea[0] = 0x72;
       },
       "UNKNOWN (INVALID FIELD IN CDB)", false},
      {"key 9 keeps the status text", [](TSRB& s) { FailWithSense(s, 0x09, 0x00, 0x00); },
       "CHECK CONDITION (NO ADDITIONAL SENSE INFORMATION)", false},
      {"filemark", [](TSRB& s) { FailWithSense(s, 0x80, 0x00, 0x00, 0); }, "FILEMARK", false},
      {"busy",
       [](TSRB& s) {
         s.SRB_Status = SS_ERR;
         s.SRB_TargStat = 0x08;
       },
       "TARGET BUSY", true},
      {"no device", [](TSRB& s) { s.SRB_Status = SS_NO_DEVICE; }, "NO DEVICE", false},
      {"selection timeout",
       [](TSRB& s) {
         s.SRB_Status = SS_ERR;
         s.SRB_HaStat = 0x11;
       },
       "SELECTION TIMEOUT", false},
      // A failure without sense data still says what happened.
      {"empty sense",
       [](TSRB& s) {
         s.SRB_Status = SS_ERR;
         s.SRB_TargStat = 0x02;
       },
       "COMMAND FAILED (STATUS 04H, HOST 00H, TARGET 02H)", false},
      {"host failure without status", [](TSRB& s) { s.SRB_Status = SS_ERR; },
       "COMMAND FAILED (STATUS 04H, HOST 00H, TARGET 00H)", false},
  };
  for (const auto& c : cases) {
    FakeAspi aspi;
    Selected drive;
    aspi.exec = c.answer;
    EXPECT_FALSE(drive.TestUnitReady()) << c.name;
    EXPECT_EQ(drive.LastError, c.text) << c.name;
    EXPECT_EQ(drive.TargetBusy, c.busy) << c.name;
    // The next command starts clean.
    aspi.exec = [](TSRB& s) { s.SRB_Status = SS_COMP; };
    EXPECT_TRUE(drive.TestUnitReady()) << c.name;
    EXPECT_TRUE(drive.LastError.empty()) << c.name;
    EXPECT_FALSE(drive.TargetBusy) << c.name;
    EXPECT_EQ(drive.LastSense, (std::array<std::uint8_t, kSenseAreaSize>{})) << c.name;
  }
}

TEST(Executor, KeepsTheSenseOfTheLastFailure) {
  FakeAspi aspi;
  Selected drive;
  aspi.exec = [](TSRB& s) { FailWithSense(s, 0x02, 0x04, 0x04); };
  EXPECT_FALSE(drive.TestUnitReady());
  EXPECT_EQ(drive.LastSense[2], 0x02);
  EXPECT_EQ(drive.LastSense[12], 0x04);
  EXPECT_EQ(drive.LastSense[13], 0x04);
  EXPECT_EQ(drive.LastError, "NOT READY (LOGICAL UNIT NOT READY, FORMAT IN PROGRESS)");
}

TEST(Executor, AbortsACommandThatDoesNotEndAndWaitsAtLeastTenSeconds) {
  FakeClock clock;
  ScopedClock scoped(clock);
  FakeAspi aspi;
  Selected drive;
  aspi.exec = [](TSRB&) {};  // never completes
  TSRB srb{};
  srb.CDBByte[0] = 0x00;
  const auto start = clock.TickMs();
  EXPECT_EQ(drive.ExecSCSICommand(srb, 1000), 1);
  EXPECT_EQ(clock.TickMs() - start, 10000u);
  EXPECT_EQ(srb.SRB_Status, SS_ERR);
  EXPECT_EQ(srb.SRB_HaStat, 0x09);
  ASSERT_EQ(aspi.aborts.size(), 1u);
  EXPECT_EQ(aspi.aborts[0].SRB_Cmd, SC_ABORT_SRB);
  EXPECT_EQ(aspi.aborts[0].SRB_HaId, 1);
  EXPECT_EQ(aspi.aborts[0].SRB_ToAbort, &srb);
  EXPECT_EQ(drive.LastError, "COMMAND TIMEOUT");

  srb = TSRB{};
  const auto second = clock.TickMs();
  drive.ExecSCSICommand(srb, 30000);
  EXPECT_EQ(clock.TickMs() - second, 30000u);
}

TEST(Executor, NothingIsSentWithoutTransportOrDrive) {
  TSCSIDevice drive;
  TSRB srb{};
  {
    FakeAspi aspi;
    EXPECT_EQ(drive.ExecSCSICommand(srb, 0), 0xE2);  // no drive selected
    EXPECT_EQ(srb.SRB_Status, SS_PENDING);
    EXPECT_EQ(drive.LastError, "NO DRIVE SELECTED");
    // A pending block is no success: the write was never made.
    EXPECT_FALSE(drive.Write10(0, 1, drive.DriveDataBuffer.data(), 2048));
    EXPECT_TRUE(aspi.sent.empty());
  }
  drive.HaId = drive.Target = drive.Lun = 0;
  AspiLayerState saved = AspiLayer();
  AspiLayer().ASPIInitialized = false;
  EXPECT_EQ(drive.ExecSCSICommand(srb, 0), 0xE2);
  EXPECT_EQ(drive.LastError, "SCSI LAYER NOT INITIALIZED");
  AspiLayer() = saved;
}

TEST(Executor, Write10OnlyCountsACompletedCommand) {
  FakeClock clock;
  ScopedClock scoped(clock);
  FakeAspi aspi;
  Selected drive;
  std::vector<std::uint8_t> data(2048);
  aspi.exec = [](TSRB& s) { s.SRB_Status = SS_COMP; };
  EXPECT_TRUE(drive.Write10(0, 1, data.data(), 2048));
  aspi.exec = [](TSRB& s) { s.SRB_Status = SS_PENDING; };
  EXPECT_FALSE(drive.Write10(0, 1, data.data(), 2048));
  EXPECT_EQ(aspi.sent.back().flags, 0x50);
}

TEST(Executor, OneDebugLineForAFailedFirstCommand) {
  FakeAspi aspi;
  Selected drive;
  std::vector<std::pair<std::string, int>> lines;
  drive.OnDebugMessage = [&](TSCSIDevice* sender, const std::string& text, std::uint8_t type) {
    EXPECT_EQ(sender, &drive);
    lines.emplace_back(text, type);
  };
  aspi.exec = [](TSRB& s) {
    FailWithSense(s, 0x05, 0x21, 0x00);
    if (s.SRB_BufPointer) s.SRB_BufPointer[0] = 0xAB;
  };
  alignas(4) std::uint8_t buffer[4] = {};
  drive.Read10(0x10, 2, buffer, 3);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].second, 0);
  EXPECT_EQ(lines[0].first,
            "<<< READ (10)              (28) {48|0A} - 1:2:3 <04> [00003] "
            "60 00 00 00 10 00 00 02 00 00 00 00 00 00 00  |AB 00 00 = 00 02 70 05 ASC:21,ASQ:00 "
            "ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)");
  // The latch is set by the first command, so later failures stay quiet.
  drive.Read10(0x10, 2, buffer, 3);
  EXPECT_EQ(lines.size(), 1u);
}

TEST(Executor, NoDebugLineForQuietCommandsOrLongWrite) {
  for (int variant = 0; variant < 2; ++variant) {
    FakeAspi aspi;
    Selected drive;
    int lines = 0;
    drive.OnDebugMessage = [&](TSCSIDevice*, const std::string&, std::uint8_t) { ++lines; };
    if (variant == 0) {
      aspi.exec = [](TSRB& s) { FailWithSense(s, 0x02, 0x3A, 0x00); };
      drive.TestUnitReady();  // opcode 00h is one of the quiet ones
    } else {
      aspi.exec = [](TSRB& s) { FailWithSense(s, 0x02, 0x04, 0x08); };
      std::uint8_t data[4] = {};
      drive.Write10(0, 1, data, 4);
    }
    EXPECT_TRUE(drive.ErrorLogged);
    aspi.exec = [](TSRB& s) { FailWithSense(s, 0x05, 0x21, 0x00); };
    std::uint8_t buffer[4] = {};
    drive.Read10(0, 1, buffer, 4);
    EXPECT_EQ(lines, 0) << variant;
  }
}

TEST(Executor, UnalignedBufferLine) {
  FakeAspi aspi;
  Selected drive;
  drive.ErrorLogged = true;
  std::vector<std::string> lines;
  drive.OnDebugMessage = [&](TSCSIDevice*, const std::string& text, std::uint8_t) { lines.push_back(text); };
  alignas(8) std::uint8_t buffer[16] = {};
  drive.Read10(0, 1, buffer + 1, 8);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "aaaa" + std::to_string(reinterpret_cast<std::uintptr_t>(buffer + 1)));
}

TEST(Executor, CommandNamesAndByteOrder) {
  EXPECT_EQ(ScsiCommandName(0x00), "TEST UNIT READY       ");
  EXPECT_EQ(ScsiCommandName(0x23), "READ FORMAT CAPACITIES");
  EXPECT_EQ(ScsiCommandName(0xBF), "SEND DVD STRUCTURE    ");
  EXPECT_EQ(ScsiCommandName(0x02), "02");
  EXPECT_EQ(ScsiCommandName(0xFE), "FE");
  int named = 0;
  for (int op = 0; op < 256; ++op) named += ScsiCommandName(static_cast<std::uint8_t>(op)).size() == 22;
  EXPECT_EQ(named, 51);
  EXPECT_EQ(SwapWord(0x1234), 0x3412);
  EXPECT_EQ(SwapDWord(0x12345678u), 0x78563412u);
  const std::uint8_t from[3] = {1, 2, 3};
  std::uint8_t to[3] = {};
  ReverseBytes(from, to, 3);
  EXPECT_EQ(to[0], 3);
  EXPECT_EQ(to[2], 1);
  EXPECT_EQ(MSFToFrames(0, 79, 59, 74), 79u * 4500 + 59 * 75 + 74);
  EXPECT_EQ(MSFToFrames(1, 0, 0, 0), 270000u);
}

}  // namespace

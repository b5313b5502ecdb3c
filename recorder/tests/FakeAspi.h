#pragma once
// A transport for tests of the layers above it: installs itself as the
// active ASPI layer and answers every execute block through `exec`.

#include <cstring>
#include <functional>
#include <vector>

#include "platform/devices/ScsiTarget.h"
#include "recorder/xrASPI.h"
#include "recorder/xrDrvLib.h"
#include "recorder/xrSPTI.h"

struct SentCommand {
  std::vector<std::uint8_t> cdb;
  std::uint8_t flags = 0;
  std::uint32_t length = 0;
  std::vector<std::uint8_t> data_out;  // what an out command carried
  bool close_after = true;             // the emulation's flag while it ran
};

class FakeAspi {
 public:
  // Answers one execute block; the default completes it.
  std::function<void(TSRB&)> exec = [](TSRB& srb) { srb.SRB_Status = SS_COMP; };
  std::vector<SentCommand> sent;
  std::vector<SRB_Abort> aborts;
  std::uint8_t adapters = 1;

  FakeAspi() {
    current_ = this;
    auto& layer = AspiLayer();
    saved_ = layer;
    layer.ASPIInitialized = true;
    layer.SendASPI32Command = &Send;
    layer.GetASPI32SupportInfo = &Info;
    layer.ActiveLayerName = "FAKE";
  }
  ~FakeAspi() {
    AspiLayer() = saved_;
    current_ = nullptr;
  }
  FakeAspi(const FakeAspi&) = delete;
  FakeAspi& operator=(const FakeAspi&) = delete;

  // Carries every execute block out on `target`, as a manager would.
  void RouteTo(ScsiTarget& target) {
    exec = [&target](TSRB& srb) {
      ScsiCommand command;
      std::memcpy(command.cdb.data(), srb.CDBByte, 16);
      command.cdb_length = srb.SRB_CDBLen;
      command.direction = (srb.SRB_Flags & SRB_DIR_IN)    ? ScsiDirection::In
                          : (srb.SRB_Flags & SRB_DIR_OUT) ? ScsiDirection::Out
                                                          : ScsiDirection::None;
      if (srb.SRB_BufLen == 0) command.direction = ScsiDirection::None;
      command.data = srb.SRB_BufPointer;
      command.data_length = srb.SRB_BufLen;
      const ScsiResult result = target.Execute(command);
      if (result.ok()) {
        srb.SRB_Status = SS_COMP;
        return;
      }
      srb.SRB_Status = SS_ERR;
      if (!result.delivered) {
        srb.SRB_HaStat = result.timed_out ? 0x09 : 0x11;
        return;
      }
      srb.SRB_TargStat = result.status;
      std::memcpy(srb.SenseArea, result.sense.data(),
                  std::min<std::size_t>(srb.SRB_SenseLen, result.sense.size()));
    };
  }

  std::vector<std::uint8_t> Opcodes() const {
    std::vector<std::uint8_t> out;
    for (const auto& c : sent) out.push_back(c.cdb.empty() ? 0xFF : c.cdb[0]);
    return out;
  }

 private:
  static std::uint32_t Info() { return (std::uint32_t{SS_COMP} << 8) | current_->adapters; }
  static std::uint32_t Send(void* block) {
    auto* header = static_cast<std::uint8_t*>(block);
    switch (header[0]) {
      case SC_HA_INQUIRY: {
        auto& srb = *static_cast<SRB_HAInquiry*>(block);
        srb.HA_Count = current_->adapters;
        std::memcpy(srb.HA_ManagerId, "FAKE MANAGER    ", 16);
        std::memcpy(srb.HA_Identifier, "FAKE 0", 6);
        srb.SRB_Status = SS_COMP;
        break;
      }
      case SC_EXEC_SCSI_CMD: {
        auto& srb = *static_cast<TSRB*>(block);
        SentCommand command;
        command.cdb.assign(srb.CDBByte, srb.CDBByte + srb.SRB_CDBLen);
        command.flags = srb.SRB_Flags;
        command.length = srb.SRB_BufLen;
        if ((srb.SRB_Flags & SRB_DIR_OUT) && srb.SRB_BufPointer) {
          command.data_out.assign(srb.SRB_BufPointer, srb.SRB_BufPointer + srb.SRB_BufLen);
        }
        command.close_after = Spti().CloseDeviceAfterCommand;
        current_->sent.push_back(command);
        current_->exec(srb);
        break;
      }
      case SC_ABORT_SRB:
        current_->aborts.push_back(*static_cast<SRB_Abort*>(block));
        header[1] = SS_COMP;
        break;
      default:
        header[1] = SS_ERR;
    }
    return header[1];
  }

  static inline FakeAspi* current_ = nullptr;
  AspiLayerState saved_;
};

// Fills a block as a drive that failed with CHECK CONDITION and this sense.
inline void FailWithSense(TSRB& srb, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                          std::uint8_t additional = 10) {
  srb.SRB_Status = SS_ERR;
  srb.SRB_TargStat = 0x02;
  std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
  srb.SenseArea[0] = 0x70;
  srb.SenseArea[2] = key;
  srb.SenseArea[7] = additional;
  srb.SenseArea[12] = asc;
  srb.SenseArea[13] = ascq;
}

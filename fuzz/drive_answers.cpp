// Drive answers are outside input: a drive (or something that claims to be
// one) can return any bytes. Every query runs against answers taken from the
// fuzz input and must stay inside its buffers and end.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/core/Clock.h"
#include "recorder/xrASPI.h"
#include "recorder/xrDrvLib.h"

namespace {

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
};

Input* current = nullptr;

std::uint32_t Info() { return (std::uint32_t{SS_COMP} << 8) | 1; }

std::uint32_t Send(void* block) {
  auto* header = static_cast<std::uint8_t*>(block);
  if (header[0] == SC_HA_INQUIRY) {
    static_cast<SRB_HAInquiry*>(block)->HA_Count = 1;
    header[1] = SS_COMP;
    return SS_COMP;
  }
  if (header[0] != SC_EXEC_SCSI_CMD) {
    header[1] = SS_ERR;
    return SS_ERR;
  }
  auto& srb = *static_cast<SRB_ExecSCSICmd*>(block);
  Input& in = *current;
  const std::uint8_t outcome = in.Byte();
  if ((srb.SRB_Flags & SRB_DIR_IN) && srb.SRB_BufPointer) {
    // A short answer leaves the rest of the buffer as the caller cleared it.
    const std::size_t wanted = std::size_t{in.Byte()} * 4;
    const std::size_t n = std::min<std::size_t>({srb.SRB_BufLen, in.size, wanted});
    std::memcpy(srb.SRB_BufPointer, in.data, n);
    in.data += n;
    in.size -= n;
  }
  if (outcome & 1) {
    srb.SRB_Status = SS_ERR;
    srb.SRB_HaStat = in.Byte() & 0x1F;
    srb.SRB_TargStat = in.Byte();
    for (std::size_t i = 0; i < 18; ++i) srb.SenseArea[i] = in.Byte();
  } else {
    srb.SRB_Status = SS_COMP;
  }
  return srb.SRB_Status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FakeClock clock;
  static ScopedClock scoped(clock);
  Input input{data, size};
  current = &input;
  auto& layer = AspiLayer();
  layer.ASPIInitialized = true;
  layer.SendASPI32Command = &Send;
  layer.GetASPI32SupportInfo = &Info;
  layer.ActiveLayerName = "FUZZ";

  TSCSIDevice drive;
  drive.HaId = drive.Target = drive.Lun = 0;
  drive.GetCapabilities();
  drive.ProbeWriteTypes();
  DrvLib().CurrentDiscType = drive.GetDiscType();
  TDisc disc;
  drive.GetDiscInfo(disc);
  drive.GetSessionCount();
  drive.GetNextWritableAddress();
  drive.GetFreeBlocks();
  drive.GetDiscCapacity();
  drive.IsDiscErasable();
  drive.SetWriteParameters(true, true, true, DrvLib().CurrentDiscType);
  std::uint32_t a = 0, b = 0;
  drive.ReadFormatCapacities(a, b);
  drive.ReadBufferCapacity(a, b);
  drive.RefreshDevice();
  current = nullptr;
  return 0;
}

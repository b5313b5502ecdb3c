#include "recorder/xrDrvLib.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/core/Clock.h"
#include "platform/devices/WinHost.h"
#include "recorder/xrConst.h"
#include "recorder/xrSPTI.h"

// ---------------------------------------------------------------- tables

namespace {

struct NamedOpcode {
  std::uint8_t opcode;
  const char* name;
};

constexpr NamedOpcode kCommandNames[] = {
    {0x00, "TEST UNIT READY"},
    {0x01, "REWIND UNIT"},
    {0x03, "REQUEST SENSE"},
    {0x04, "FORMAT UNIT"},
    {0x12, "INQUIRY"},
    {0x1B, "START STOP UNIT"},
    {0x1E, "PREVENT/ALLOW REMOVAL"},
    {0x23, "READ FORMAT CAPACITIES"},
    {0x25, "READ CAPACITY"},
    {0x28, "READ (10)"},
    {0x2A, "WRITE (10)"},
    {0x2B, "SEEK (10)"},
    {0x2E, "WRITE AND VERIFY (10)"},
    {0x2F, "VERIFY (10)"},
    {0x35, "SYNCHRONIZE CACHE"},
    {0x42, "READ SUB-CHANNEL"},
    {0x43, "READ TOC/PMA/ATIP"},
    {0x45, "PLAY AUDIO (10)"},
    {0x46, "GET CONFIGURATION"},
    {0x47, "PLAY AUDIO MSF"},
    {0x4A, "GET EVENT/STATUS NOTIF"},
    {0x4B, "PAUSE/RESUME"},
    {0x4E, "STOP PLAY/SCAN"},
    {0x51, "READ DISC INFORMATION"},
    {0x52, "READ TRACK INFORMATION"},
    {0x53, "RESERVE TRACK"},
    {0x54, "SEND OPC INFORMATION"},
    {0x55, "MODE SELECT (10)"},
    {0x58, "REPAIR TRACK"},
    {0x5A, "MODE SENSE (10)"},
    {0x5B, "CLOSE TRACK/SESSION"},
    {0x5C, "READ BUFFER CAPACITY"},
    {0x5D, "SEND CUE SHEET"},
    {0xA1, "BLANK"},
    {0xA2, "SEND EVENT"},
    {0xA3, "SEND KEY"},
    {0xA4, "REPORT KEY"},
    {0xA5, "PLAY AUDIO (12)"},
    {0xA6, "LOAD/UNLOAD CD/DVD"},
    {0xA7, "SET READ AHEAD"},
    {0xA8, "READ (12)"},
    {0xAA, "WRITE (12)"},
    {0xAC, "GET PERFORMANCE"},
    {0xAD, "READ DVD STRUCTURE"},
    {0xB6, "SET STREAMING"},
    {0xB9, "READ CD MSF"},
    {0xBA, "SCAN"},
    {0xBB, "SET CD SPEED"},
    {0xBD, "MECHANISM STATUS"},
    {0xBE, "READ CD"},
    {0xBF, "SEND DVD STRUCTURE"},
};

const std::array<std::string, 256>& CommandNameTable() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> names;
    for (int i = 0; i < 256; ++i) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", i);
      names[i] = hex;
    }
    for (const auto& entry : kCommandNames) {
      std::string name = entry.name;
      name.resize(std::max<std::size_t>(name.size(), 22), ' ');
      names[entry.opcode] = name;
    }
    return names;
  }();
  return table;
}

const std::array<std::string, 16> kDiscTypeNames = {
    "UNKNOWN", "CD-ROM", "CD-R",   "CD-RW", "DVD-ROM",  "DVD-R",    "DVD-RAM", "DVD-RW",
    "DVD-RW",  "DVD-RW", "DVD+RW", "DVD+R", "DVD+R DL", "DDCD-ROM", "DDCD-R",  "DDCD-RW"};

}  // namespace

const std::string& ScsiCommandName(std::uint8_t opcode) { return CommandNameTable()[opcode]; }

const std::string& DiscTypeName(TDiscType code) { return kDiscTypeNames[code < 16 ? code : 0]; }

TDiscType DiscTypeOfProfile(std::uint16_t profile) {
  switch (profile) {
    case 0x08:
      return dtCDROM;
    case 0x09:
      return dtCDR;
    case 0x0A:
      return dtCDRW;
    case 0x10:
      return dtDVDROM;
    case 0x11:
      return dtDVDR;
    case 0x12:
      return dtDVDRAM;
    case 0x13:
      return dtDVDRWRestricted;
    case 0x14:
      return dtDVDRWSequential;
    case 0x1A:
      return dtDVDPlusRW;
    case 0x1B:
      return dtDVDPlusR;
    case 0x2B:
      return dtDVDPlusRDL;
    case 0x20:
      return dtDDCDROM;
    case 0x21:
      return dtDDCDR;
    case 0x22:
      return dtDDCDRW;
    default:
      return dtUnknown;
  }
}

std::string ProfileName(std::uint16_t profile) {
  switch (profile) {
    case 0x01:
      return "Non-removable disk";
    case 0x02:
      return "Removable disk";
    case 0x03:
      return "MO Eraseable";
    case 0x04:
      return "MO Write Once";
    case 0x05:
      return "AS-MO";
    case 0x08:
      return "CD-ROM";
    case 0x09:
      return "CD-R";
    case 0x0A:
      return "CD-RW";
    case 0x10:
      return "DVD-ROM";
    case 0x11:
      return "DVD-R";
    case 0x12:
      return "DVD-RAM";
    case 0x13:
      return "DVD-RW Restricted Overwrite";
    case 0x14:
      return "DVD-RW Sequential Recording";
    case 0x1A:
      return "DVD+RW";
    case 0x1B:
      return "DVD+R";
    case 0x20:
      return "DDCD-ROM";
    case 0x21:
      return "DDCD-R";
    case 0x22:
      return "DDCD-RW";
    default:
      return "???????";
  }
}

DrvLibState& DrvLib() {
  static DrvLibState state;
  return state;
}

alignas(8) const std::array<std::uint8_t, 28> kStreamingDVDR = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x23, 0x12, 0x7F, 0x00, 0x00,
    0xAB, 0xBD, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x05, 0x8A, 0x00, 0x00, 0x03, 0xE8};

// ---------------------------------------------------------------- byte order

std::uint16_t SwapWord(std::uint16_t value) {
  return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

std::uint32_t SwapDWord(std::uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

void ReverseBytes(const void* source, void* destination, std::size_t count) {
  const auto* from = static_cast<const std::uint8_t*>(source);
  auto* to = static_cast<std::uint8_t*>(destination);
  for (std::size_t i = 0; i < count; ++i) to[i] = from[count - 1 - i];
}

std::uint32_t MSFToFrames(std::uint8_t hours, std::uint8_t minutes, std::uint8_t seconds,
                          std::uint8_t frames) {
  return (std::uint32_t{hours} * 60 + minutes) * 4500 + std::uint32_t{seconds} * 75 + frames;
}

// ---------------------------------------------------------------- executor

namespace {

std::string Hex(unsigned value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", width, value);
  return text;
}

std::uint8_t StatusOf(TSRB& srb) { return std::atomic_ref<std::uint8_t>(srb.SRB_Status).load(); }

bool IsQuietOpcode(std::uint8_t opcode) {
  static constexpr std::uint8_t quiet[] = {0x00, 0x01, 0x04, 0x12, 0x1B, 0x1E, 0x23, 0x35, 0x43,
                                           0x46, 0x51, 0x52, 0x55, 0x5A, 0x5C, 0xB6, 0xBB};
  return std::find(std::begin(quiet), std::end(quiet), opcode) != std::end(quiet);
}

}  // namespace

int TSCSIDevice::ExecSCSICommand(TSRB& SRB, int TimeoutMs) {
  LastError.clear();
  TargetBusy = false;
  LastSense.fill(0);
  if (!ASPIInitialized() || HaId == 254) {
    // The block stays pending, which every caller reads as failure; the text
    // says why instead of leaving an empty error.
    LastError = ASPIInitialized() ? kTextNoDriveSelected : kTextNoScsiLayer;
    return 0xE2;
  }
  // The manager library signals completion on an event of ours; the
  // emulation finishes every command before it returns and needs none.
  HANDLE event = nullptr;
  if ((SRB.SRB_Flags & SRB_EVENT_NOTIFY) && ActiveLayerName() == kLayerManagerLibrary) {
    event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  }
  SRB.SRB_PostProc = event;
  SRB.SRB_Cmd = SC_EXEC_SCSI_CMD;
  SRB.SRB_HaId = HaId;
  SRB.SRB_Target = Target;
  SRB.SRB_Lun = Lun;
  SRB.SRB_SenseLen = 24;
  SRB.CDBByte[1] = static_cast<std::uint8_t>(((Lun & 0x07) << 5) | (SRB.CDBByte[1] & 0x1F));
  if (TimeoutMs <= 10000) TimeoutMs = 10000;

  auto send_and_wait = [&] {
    SendASPI32Command(&SRB);
    if (StatusOf(SRB) == SS_PENDING) {
      // Waits in steps of the program's clock, so tests of time-outs need no
      // real time; the event, when there is one, says the command has ended.
      const std::uint64_t deadline = TheClock().TickMs() + static_cast<std::uint64_t>(TimeoutMs);
      while (StatusOf(SRB) == SS_PENDING && TheClock().TickMs() < deadline) {
        if (event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0) break;
        TheClock().SleepMs(1);
      }
    }
  };
  send_and_wait();
  // A drive reports a medium change or a reset once, as a unit attention
  // on whatever command comes next; that command itself was not run, so it
  // is sent again.
  if (StatusOf(SRB) == SS_ERR && SRB.SRB_TargStat == 0x02 && (SRB.SenseArea[2] & 0x0F) == 0x06) {
    if (event) ResetEvent(event);
    send_and_wait();
  }
  if (event) {
    CloseHandle(event);
    SRB.SRB_PostProc = nullptr;
  }
  const std::uint8_t status = StatusOf(SRB);
  if (status != SS_PENDING && status != SS_COMP) BuildErrorText(SRB);
  LogFirstCommand(SRB);
  if (status == SS_PENDING) {
    AbortSRB(SRB);
    std::atomic_ref<std::uint8_t>(SRB.SRB_Status).store(SS_ERR);
    SRB.SRB_HaStat = 0x09;
    LastError = kTextCommandTimeout;
  }
  if (reinterpret_cast<std::uintptr_t>(SRB.SRB_BufPointer) % 4 != 0) {
    DebugMessage("aaaa" + std::to_string(reinterpret_cast<std::uintptr_t>(SRB.SRB_BufPointer)), 0);
  }
  return 1;
}

bool TSCSIDevice::AbortSRB(TSRB& SRB) {
  AbortBlock = SRB_Abort{};
  AbortBlock.SRB_Cmd = SC_ABORT_SRB;
  AbortBlock.SRB_HaId = HaId;
  AbortBlock.SRB_ToAbort = &SRB;
  SendASPI32Command(&AbortBlock);
  return AbortBlock.SRB_Status == SS_COMP;
}

void TSCSIDevice::LogFirstCommand(const TSRB& srb) {
  if (ErrorLogged) return;
  ErrorLogged = true;
  const std::uint8_t opcode = srb.CDBByte[0];
  if (srb.SRB_Status == SS_PENDING || srb.SRB_Status == SS_COMP || IsQuietOpcode(opcode)) return;
  if (srb.SenseArea[12] == 0x04 && srb.SenseArea[13] == 0x08) return;
  std::string line = "<<< " + ScsiCommandName(opcode) + " (" + Hex(opcode, 2) + ") {" +
                     Hex(srb.SRB_Flags, 2) + "|" + Hex(srb.SRB_CDBLen, 2) + "} - ";
  line += std::to_string(srb.SRB_HaId) + ":" + Hex(srb.SRB_Target, 1) + ":" + std::to_string(srb.SRB_Lun) +
          " <" + Hex(srb.SRB_Status, 2) + ">" + " [" + Hex(srb.SRB_BufLen, 5) + "] ";
  for (int i = 1; i < 16; ++i) line += Hex(srb.CDBByte[i], 2) + " ";
  line += " |";
  if (srb.SRB_BufLen != 0 && srb.SRB_BufPointer) {
    const std::uint32_t shown = std::min<std::uint32_t>(257, srb.SRB_BufLen);
    for (std::uint32_t i = 0; i < shown; ++i) line += Hex(srb.SRB_BufPointer[i], 2) + " ";
  }
  line += "= " + Hex(srb.SRB_HaStat, 2) + " " + Hex(srb.SRB_TargStat, 2) + " " + Hex(srb.SenseArea[0], 2) +
          " " + Hex(srb.SenseArea[2], 2) + " " + "ASC:" + Hex(srb.SenseArea[12], 2) +
          ",ASQ:" + Hex(srb.SenseArea[13], 2) + " " + LastError;
  DebugMessage(line, 0);
}

void TSCSIDevice::AspiStatusText(std::uint8_t Status, std::uint8_t HostStatus, std::uint8_t TargetStatus,
                                 std::string& Text) {
  TargetBusy = false;
  Text = SrbStatusText(Status, HostStatus, TargetStatus);
  if (Status == SS_ERR && HostStatus == 0 && TargetStatus == 0x08) TargetBusy = true;
}

void TSCSIDevice::SenseCodeText(const TSRB& SRB) {
  std::copy(std::begin(SRB.SenseArea), std::end(SRB.SenseArea), LastSense.begin());
  const std::uint8_t asc = SRB.SenseArea[12];
  const std::uint8_t ascq = SRB.SenseArea[13];
  std::string code;
  if (const char* text = FindAscAscqText(asc, ascq)) {
    code = text;
  } else {
    code = std::to_string(asc) + "," + std::to_string(ascq);
  }
  if (SRB.SenseArea[7] != 0) LastError += " (" + code + ")";
}

void TSCSIDevice::BuildErrorText(const TSRB& SRB) {
  std::string text;
  AspiStatusText(SRB.SRB_Status, SRB.SRB_HaStat, SRB.SRB_TargStat, text);
  if (text == kTextCheckCondition) {
    const std::uint8_t response = SRB.SenseArea[0];
    if (response == 0) {
      text.clear();
    } else if ((response & 0x7E) != 0x70) {
      text = kTextUnknown;
    } else {
      text = SenseKeyText(SRB.SenseArea[2]);
    }
  }
  LastError = text;
  SenseCodeText(SRB);
  if (LastError.empty()) {
    // A failure without sense data still needs words: say what the status
    // bytes were rather than show an empty error.
    LastError = "COMMAND FAILED (STATUS " + Hex(SRB.SRB_Status, 2) + "H, HOST " + Hex(SRB.SRB_HaStat, 2) +
                "H, TARGET " + Hex(SRB.SRB_TargStat, 2) + "H)";
  }
}

void TSCSIDevice::DebugMessage(const std::string& Message, std::uint8_t mType) {
  if (OnDebugMessage) OnDebugMessage(this, Message, mType);
}

// ---------------------------------------------------------------- object

TSCSIDevice::TSCSIDevice() {
  if (ASPIInitialized()) {
    HAInquiry(0);
    ScanDevices();
  }
}

bool TSCSIDevice::InitializeASPI(bool UseSPTI, const std::string& DllPath) {
  bool up = false;
  try {
    up = InitASPI(UseSPTI, DllPath);
  } catch (...) {
    up = false;
  }
  if (up) {
    HAInquiry(0);
    ScanDevices();
  }
  return up;
}

void TSCSIDevice::HAInquiry(std::uint8_t Adapter) {
  HAInquiryBlock = SRB_HAInquiry{};
  HAInquiryBlock.SRB_Cmd = SC_HA_INQUIRY;
  HAInquiryBlock.SRB_HaId = Adapter;
  SendASPI32Command(&HAInquiryBlock);
  if (HAInquiryBlock.SRB_Status == SS_COMP) {
    AdapterCount = static_cast<std::int8_t>(HAInquiryBlock.HA_Count);
  } else {
    AdapterCount = static_cast<std::int8_t>(255);
  }
  if (AdapterCount == 0) AdapterCount = 7;
}

void TSCSIDevice::ScanDevices() {
  Devices.clear();
  const std::uint8_t ha = HaId, target = Target, lun = Lun;
  if (DoDebug_) DebugMessage(">>> " + ActiveLayerName(), 1);
  const int adapters = AdapterCount;
  for (int adapter = 0; adapter < adapters; ++adapter) {
    HAInquiry(static_cast<std::uint8_t>(adapter));
    if (DoDebug_) {
      std::string manager(reinterpret_cast<const char*>(HAInquiryBlock.HA_ManagerId), 16);
      std::string identifier(reinterpret_cast<const char*>(HAInquiryBlock.HA_Identifier), 16);
      identifier = identifier.substr(0, identifier.find('\0'));
      const auto first = identifier.find_first_not_of(' ');
      const auto last = identifier.find_last_not_of(' ');
      identifier = first == std::string::npos ? std::string() : identifier.substr(first, last - first + 1);
      DebugMessage(">>> " + manager + " (" + identifier + ")", 1);
    }
    for (int t = 0; t < 8; ++t) {
      for (int l = 0; l < 8; ++l) {
        HaId = static_cast<std::uint8_t>(adapter);
        Target = static_cast<std::uint8_t>(t);
        Lun = static_cast<std::uint8_t>(l);
        InquiryData.fill(0);
        if (!Inquiry()) continue;
        const std::uint8_t type = InquiryData[0];
        if (type != 5 && type != 4) continue;
        const char letter = GetDriveLetter();
        std::string id = std::to_string(adapter) + ":" + std::to_string(t) + ":" + std::to_string(l) + ",";
        id += (letter >= 'A' && letter <= 'Z') ? std::string(1, letter) + ":" : std::string("?:");
        id += " ";
        id.append(reinterpret_cast<const char*>(&InquiryData[8]), 28);
        if (type == 4) id += " (not supported)";
        Devices.push_back(id);
      }
    }
  }
  HaId = ha;
  Target = target;
  Lun = lun;
  LastError.clear();
}

char TSCSIDevice::GetDriveLetter() {
  if (ActiveLayerName() == kLayerEmulation) return SptiGetDriveLetter(HaId, Target, Lun);
  if (const char letter = HostDriveLetterOfAddress(HaId, Target)) return letter;
  const std::uint8_t bios = GetDiskInfo(HaId, Target, Lun);
  if (bios != 128) return static_cast<char>('A' + bios);
  return 0;
}

std::uint8_t TSCSIDevice::GetDiskInfo(std::uint8_t Adapter, std::uint8_t Target_, std::uint8_t Lun_) {
  SRB_GetDiskInfo block{};
  block.SRB_Cmd = SC_GET_DISK_INFO;
  block.SRB_HaId = Adapter;
  block.SRB_Target = Target_;
  block.SRB_Lun = Lun_;
  SendASPI32Command(&block);
  return block.SRB_Status == SS_COMP ? block.SRB_Int13HDriveInfo : 128;
}

void TSCSIDevice::RefreshDevice() {
  GetCapabilities();
  InquiryData.fill(0);
  if (Inquiry()) {
    DeviceType = InquiryData[0];
    for (int i = 8; i <= 55; ++i) {
      if (InquiryData[i] < 32) InquiryData[i] = ' ';
    }
    const char* data = reinterpret_cast<const char*>(InquiryData.data());
    DeviceName =
        std::string(data + 8, 8) + " " + std::string(data + 16, 16) + " " + std::string(data + 32, 4);
  } else {
    DeviceName = LastError;
  }
}

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool Digit(char c, std::uint8_t& value) {
  if (c < '0' || c > '9') return false;
  value = static_cast<std::uint8_t>(c - '0');
  return true;
}

}  // namespace

void TSCSIDevice::SetDeviceID(const std::string& ID) {
  const auto deselect = [this] {
    HaId = Target = Lun = 254;
    SelectedDeviceId.clear();
    DeviceName.clear();
    DeviceType = 127;
  };
  if (ID.size() < 5) {
    if (!ID.empty()) DebugMessage(kTextInvalidDeviceId, 0);
    deselect();
    return;
  }
  bool selected = false;
  try {
    std::uint8_t ha, target, lun;
    if (Digit(ID[0], ha) && Digit(ID[2], target) && Digit(ID[4], lun)) {
      HaId = ha;
      Target = target;
      Lun = lun;
      SelectedDeviceId = ID;
      RefreshDevice();
      if (DeviceType == 5 || DeviceType == 4) {
        const std::string product16(reinterpret_cast<const char*>(&InquiryData[16]), 16);
        const std::string product = Trim(product16);
        std::string vendor = Trim(std::string(reinterpret_cast<const char*>(&InquiryData[8]), 8));
        if (vendor.size() < 3) vendor = "     ";
        ForceUnderrunProtection = product == "CD-W512EB";
        SetLinkSizeValid = product == "CRX175E" || product == "CD-RW  CRX800E";
        DrvLib().WaitNotReadyDrive =
            (product.size() >= 4 && product.compare(0, 4, "UJDA") == 0) || vendor.compare(0, 3, "TDK") == 0;
        DrvLib().CloseSessionImmediate = product != "CDRW321040X";
        WaitNotReady = product16 == "DVD-RW  DVR-103 " || product16 == "DVD-RW  DVR-104 ";
        if (WaitNotReady) DrvLib().CloseSessionImmediate = true;
        if (OnDeviceChange) OnDeviceChange(this);
        ProbeWriteTypes();
        selected = true;
      }
    }
  } catch (...) {
    selected = false;
  }
  if (!selected) {
    DebugMessage(kTextInvalidDeviceId, 0);
    deselect();
  }
}

bool TSCSIDevice::ProbeWriteTypes() {
  WriteTypes = 0;
  for (int kind = 0; kind < 3; ++kind) {
    if (TryWriteType(kind)) WriteTypes |= static_cast<std::uint8_t>(1 << kind);
  }
  return true;
}

bool TSCSIDevice::TryWriteType(int Kind) {
  alignas(8) std::array<std::uint8_t, 512> mode{};
  if (!ModeSense10(0x05, mode.data(), mode.size() - 1, static_cast<std::uint16_t>(mode.size()), false))
    return false;
  std::size_t offset = 0;
  if (!FindModePage(mode.data(), mode.size(), 0x05, offset)) return false;
  // The page is copied only as far as both the answer and our page reach.
  const std::size_t page_length = std::min<std::size_t>(
      {std::size_t{mode[offset + 1]} + 2, WriteParametersPage.size(), mode.size() - offset});
  WriteParametersPage.fill(0);
  std::copy_n(mode.begin() + static_cast<std::ptrdiff_t>(offset), page_length, WriteParametersPage.begin());
  WriteParametersPage[1] = static_cast<std::uint8_t>(page_length - 2);
  auto& p = WriteParametersPage;
  p[4] = 0;
  switch (Kind) {
    case 2:
      p[2] = 1;
      break;
    case 1:
      p[2] = 2;
      break;
    default:
      p[2] = 3;
      p[4] = 1;
      break;
  }
  p[3] = 0;
  p[8] = p[9] = 0;
  p[14] = 0;
  p[15] = 150;
  alignas(8) std::array<std::uint8_t, 8 + 54> list{};
  std::copy_n(p.begin(), page_length, list.begin() + 8);
  return ModeSelect10(list.data(), static_cast<std::uint16_t>(page_length + 8));
}

std::uint16_t TSCSIDevice::GetMaxWriteSpeed() {
  return GetCapabilities() ? CapabilitiesPage.MaxWriteSpeed : 0;
}
std::uint16_t TSCSIDevice::GetMaxReadSpeed() { return GetCapabilities() ? CapabilitiesPage.MaxReadSpeed : 0; }
std::uint16_t TSCSIDevice::GetCurrentWriteSpeed() {
  return GetCapabilities() ? CapabilitiesPage.CurrentWriteSpeed : 0;
}

void TSCSIDevice::SetWriteSpeed(std::uint16_t Value) {
  SetCDSpeed(ReadSpeed_, Value);
  WriteSpeed_ = Value;
}

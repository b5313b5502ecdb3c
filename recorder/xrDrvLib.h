#pragma once
// The drive class of the recording library. TSCSIDevice starts the SCSI
// transport, lists the machine's CD/DVD drives as device id strings, selects
// one, and carries every drive command for it: the executor that turns a
// failed command into the drive message text, the MMC command set, the
// drive and disc queries, the write parameters page and the erase.
//
// Drive errors are never raised: each command reports success and leaves
// its text in LastError. The recorder component derives from this class.

#include <array>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "recorder/xrASPI.h"

class TSCSIDevice;
class TEraseThread;

using TOnDebugMsg = std::function<void(TSCSIDevice* Sender, const std::string& Message, std::uint8_t mType)>;
using TDeviceChangedEvent = std::function<void(TSCSIDevice* Sender)>;
using TEraseDoneEvent = std::function<void(TSCSIDevice* Sender, bool WithError)>;

// Disc type codes, from the drive's current profile.
using TDiscType = std::uint8_t;
inline constexpr TDiscType dtUnknown = 0;
inline constexpr TDiscType dtCDROM = 1;
inline constexpr TDiscType dtCDR = 2;
inline constexpr TDiscType dtCDRW = 3;
inline constexpr TDiscType dtDVDROM = 4;
inline constexpr TDiscType dtDVDR = 5;
inline constexpr TDiscType dtDVDRAM = 6;
inline constexpr TDiscType dtDVDRW = 7;
inline constexpr TDiscType dtDVDRWRestricted = 8;
inline constexpr TDiscType dtDVDRWSequential = 9;
inline constexpr TDiscType dtDVDPlusRW = 10;
inline constexpr TDiscType dtDVDPlusR = 11;
inline constexpr TDiscType dtDVDPlusRDL = 12;
inline constexpr TDiscType dtDDCDROM = 13;
inline constexpr TDiscType dtDDCDR = 14;
inline constexpr TDiscType dtDDCDRW = 15;

// Display name of a disc type code; "UNKNOWN" outside 0-15.
const std::string& DiscTypeName(TDiscType code);
// Disc type code of an MMC current profile.
TDiscType DiscTypeOfProfile(std::uint16_t profile);
// The TDisc profile name of an MMC profile ("???????" when unnamed).
std::string ProfileName(std::uint16_t profile);
// Opcode name padded to 22 characters, or the opcode in two hex digits.
const std::string& ScsiCommandName(std::uint8_t opcode);

// Capability set bits.
enum TCapability : std::uint32_t {
  capReadCDR = 1u << 0,
  capReadCDRW = 1u << 1,
  capReadMethod2 = 1u << 2,
  capReadDVD = 1u << 3,
  capReadDVDR = 1u << 4,
  capReadDVDRW = 1u << 5,
  capReadDVDRAM = 1u << 6,
  capReadDVDPR = 1u << 7,
  capReadDVDPRDL = 1u << 8,
  capReadDVDPRW = 1u << 9,
  capWriteCDR = 1u << 10,
  capWriteCDRW = 1u << 11,
  capWriteTest = 1u << 12,
  capWriteDVDR = 1u << 13,
  capWriteDVDRW = 1u << 14,
  capWriteDVDRAM = 1u << 15,
  capWriteDVDPR = 1u << 16,
  capWriteDVDPRDL = 1u << 17,
  capWriteDVDPRW = 1u << 18,
  capUnderrunProtection = 1u << 20,
};

// The disc-information record.
struct TDisc {
  bool Present = false;
  std::uint32_t Capacity = 0;
  std::uint32_t Start = 0;
  std::uint32_t BlockSize = 0;
  std::uint8_t FirstSession = 0;
  std::uint8_t LastSession = 0;
  std::uint8_t LastSessionState = 0;
  std::uint8_t DiscStatus = 0;
  std::uint16_t Profile = 0;
  std::string ProfileName;
  bool Erasable = false;
};

// READ TRACK INFORMATION, the fields this program reads, in host order.
struct TTrackInfo {
  std::uint16_t DataLength = 0;
  std::uint32_t TrackStart = 0;
  std::uint32_t NextWritable = 0;
  std::uint32_t FreeBlocks = 0;
  std::uint32_t FixedPacketSize = 0;
  std::uint32_t TrackSize = 0;
  std::uint32_t LastRecorded = 0;
  std::array<std::uint8_t, 40> raw{};
};

// MODE SENSE page 2Ah, page code first, with its speed and buffer fields in
// host order.
struct TCapabilitiesPage {
  std::array<std::uint8_t, 256> raw{};
  std::uint16_t MaxReadSpeed = 0;
  std::uint16_t BufferSize = 0;
  std::uint16_t CurrentReadSpeed = 0;
  std::uint16_t MaxWriteSpeed = 0;
  std::uint16_t CurrentWriteSpeed = 0;
};

// The request block of this program: the ASPI execute block whose sense area
// holds the fixed-format sense data of a failed command.
using TSRB = SRB_ExecSCSICmd;
inline constexpr std::size_t kSenseAreaSize = sizeof(TSRB::SenseArea);

// Module-wide state of the drive library (one copy for the program).
struct DrvLibState {
  std::atomic<std::uint16_t> CurrentDiscType{0};
  std::atomic<bool> WaitNotReadyDrive{false};
  std::atomic<bool> CloseSessionImmediate{true};
};
DrvLibState& DrvLib();

// The speed part of the erase start line: "10X(1,764 KB/s)".
std::string EraseSpeedText(TDiscType type, std::uint16_t speed);

// Byte order helpers for big-endian CDB and answer fields.
std::uint16_t SwapWord(std::uint16_t value);
std::uint32_t SwapDWord(std::uint32_t value);
void ReverseBytes(const void* source, void* destination, std::size_t count);
std::uint32_t MSFToFrames(std::uint8_t hours, std::uint8_t minutes, std::uint8_t seconds,
                          std::uint8_t frames);

// FORMAT UNIT parameter lists (format list header and one descriptor).
using TFormatTemplate = std::array<std::uint8_t, 12>;
inline constexpr TFormatTemplate kFormatDVDPlusRW = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23,
                                                     0x05, 0x40, 0x98, 0x00, 0x00, 0x00};
inline constexpr TFormatTemplate kFormatDVDRAMFull = {0x00, 0x82, 0x00, 0x08, 0x00, 0x22,
                                                      0x21, 0x20, 0x00, 0x00, 0x08, 0x00};
inline constexpr TFormatTemplate kFormatDVDRWQuickDCRT = {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00,
                                                          0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};
inline constexpr TFormatTemplate kFormatDVDRWQuickGrow = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00,
                                                          0x00, 0x00, 0x4C, 0x00, 0x00, 0x10};
inline constexpr TFormatTemplate kFormatDVDRWQuick = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00,
                                                      0x00, 0x00, 0x54, 0x00, 0x00, 0x10};
// SET STREAMING performance descriptor for DVD-R writing.
extern const std::array<std::uint8_t, 28> kStreamingDVDR;

class TSCSIDevice {
 public:
  TSCSIDevice();
  virtual ~TSCSIDevice();
  TSCSIDevice(const TSCSIDevice&) = delete;
  TSCSIDevice& operator=(const TSCSIDevice&) = delete;

  // ---- transport, scan, selection
  bool InitializeASPI(bool UseSPTI, const std::string& DllPath);
  void HAInquiry(std::uint8_t Adapter);
  void ScanDevices();
  void SetDeviceID(const std::string& ID);
  void RefreshDevice();
  char GetDriveLetter();
  std::uint8_t GetDiskInfo(std::uint8_t Adapter, std::uint8_t Target, std::uint8_t Lun);
  bool ProbeWriteTypes();
  bool TryWriteType(int Kind);
  std::uint16_t GetMaxWriteSpeed();
  std::uint16_t GetMaxReadSpeed();
  std::uint16_t GetCurrentWriteSpeed();
  void Lock() { lock_.lock(); }
  void Unlock() { lock_.unlock(); }

  // ---- executor and texts
  int ExecSCSICommand(TSRB& SRB, int TimeoutMs);
  bool AbortSRB(TSRB& SRB);
  void BuildErrorText(const TSRB& SRB);
  void DebugMessage(const std::string& Message, std::uint8_t mType);

  // ---- command set
  bool TestUnitReady(int TimeoutMs = 5000);
  bool RezeroUnit();
  bool RequestSense(std::uint8_t* Buffer, std::uint8_t Length);
  bool FormatUnit(std::uint8_t CDB1, const std::uint8_t* ParamList, std::uint16_t ParamLen);
  bool Inquiry();
  bool StartStopUnit(bool Eject);
  bool PreventAllowMediumRemoval(bool Allow);
  bool ReadFormatCapacities(std::uint32_t& Blocks, std::uint32_t& BlockSize);
  bool ReadCapacity(std::uint32_t& LastLBA, std::uint32_t& BlockLength);
  bool Read10(std::uint32_t LBA, std::uint16_t Count, std::uint8_t* Buffer, std::uint32_t BufLen);
  bool Write10(std::uint32_t LBA, std::uint16_t Count, const std::uint8_t* Buffer, std::uint32_t BufLen,
               std::uint8_t Flags = 0x50);
  bool SynchronizeCache(int TimeoutMs, bool Immed);
  bool ReadTOC(std::uint8_t Format, std::uint8_t* Buffer, std::uint16_t AllocLen, std::uint8_t Track,
               bool MSF, std::uint8_t Control = 0);
  bool GetConfiguration(std::uint8_t RT, std::uint16_t StartFeature, std::uint8_t* Buffer,
                        std::uint16_t AllocLen);
  bool ReadDiscInformation(std::uint8_t* Buffer, std::uint16_t Length);
  bool ReadDiscInfoBlock();
  int GetDiscStatus();
  bool ReadTrackInformation(std::uint32_t Track);
  bool ReserveTrack(std::uint32_t Size);
  bool SendOPCInformation();
  bool ModeSelect10(const std::uint8_t* Buffer, std::uint16_t Length);
  bool ModeSense10(std::uint8_t PageCode, std::uint8_t* Buffer, std::uint32_t LastIndex,
                   std::uint16_t AllocLen, bool Default);
  bool CloseTrackSession(bool Track, bool Immed, bool Finalize, int Unused = 0);
  bool CloseTrackSessionEx(bool Immed, std::uint8_t Function, std::uint8_t Byte3, std::uint8_t Byte4,
                           std::uint8_t Byte5);
  bool ReadBufferCapacity(std::uint32_t& BufferLength, std::uint32_t& BlankLength);
  bool SendCueSheet(const std::uint8_t* Buffer, std::uint32_t Length);
  bool SetStreaming(const std::uint8_t* Buffer, std::uint16_t Length);
  bool SetStreamingPerformance(std::uint32_t StartLBA, std::uint32_t EndLBA, std::uint32_t ReadSize,
                               std::uint32_t WriteSize, std::uint32_t ReadTime, std::uint32_t WriteTime);
  bool SetCDSpeed(std::uint16_t ReadSpeedKBs, std::uint16_t WriteSpeedKBs);
  bool SendDVDStructure(std::uint8_t Format, const std::uint8_t* Buffer, std::uint16_t Length);
  bool SendDVDTimeStamp(std::time_t Time);
  bool HasPage30();

  // ---- queries and write parameters
  bool WaitForReady(int BudgetMs, int StepMs);
  bool GetCapabilities();
  bool SetWriteParameters(bool TestWriteOn, bool Underrun, bool DLMultiSession, std::uint16_t DiscType);
  TDiscType GetDiscType();
  void GetDiscInfo(TDisc& Disc);
  std::int16_t GetSessionCount();
  std::uint32_t GetISOVolumeSize();
  std::uint32_t GetNextWritableAddress();
  std::uint32_t GetFreeBlocks();
  std::uint32_t GetDiscCapacity();
  bool IsDiscErasable();

  // ---- erase
  bool Erase(std::uint8_t Mode);
  int GetEraseProgress() const;

  // ---- properties
  std::uint16_t WriteSpeed() const { return WriteSpeed_; }
  void SetWriteSpeed(std::uint16_t Value);
  std::uint16_t ReadSpeed() const { return ReadSpeed_; }
  void SetReadSpeed(std::uint16_t Value) { ReadSpeed_ = Value; }
  bool Erasing() const { return Erasing_; }
  bool UnderrunProtection() const { return UnderrunProtection_; }
  void SetUnderrunProtection(bool Value) { UnderrunProtection_ = Value; }
  bool TestWrite() const { return TestWrite_; }
  void SetTestWrite(bool Value) { TestWrite_ = Value; }
  bool DoDebug() const { return DoDebug_; }
  void SetDoDebug(bool Value) { DoDebug_ = Value; }
  bool FinalizeDisc() const { return FinalizeDisc_; }
  void SetFinalizeDisc(bool Value) { FinalizeDisc_ = Value; }
  std::uint32_t DeviceBufferSize() const { return DeviceBufferSize_; }
  void SetDeviceBufferSize(std::uint32_t Value) { DeviceBufferSize_ = Value; }
  std::uint32_t DeviceFreeBufferSize() const { return DeviceFreeBufferSize_; }
  void SetDeviceFreeBufferSize(std::uint32_t Value) { DeviceFreeBufferSize_ = Value; }
  std::uint16_t DeviceMaxWriteSpeed() const { return DeviceMaxWriteSpeed_; }
  std::uint16_t DeviceMaxReadSpeed() const { return DeviceMaxReadSpeed_; }

  // ---- fields (the recorder and the application read them)
  std::uint8_t HaId = 254;
  std::uint8_t Target = 254;
  std::uint8_t Lun = 254;
  std::uint8_t EraseMode = 0;
  std::int8_t AdapterCount = 0;
  TCapabilitiesPage CapabilitiesPage;
  alignas(8) std::array<std::uint8_t, 54> WriteParametersPage{};
  std::string LastError;
  std::string SelectedDeviceId;
  std::uint8_t DeviceType = 127;
  std::string DeviceName;
  alignas(8) std::array<std::uint8_t, 131> InquiryData{};
  std::uint32_t Capabilities = 0;
  std::vector<std::string> Devices;
  bool TargetBusy = false;
  TDeviceChangedEvent OnDeviceChange;
  SRB_HAInquiry HAInquiryBlock{};
  SRB_Abort AbortBlock{};
  TEraseDoneEvent OnEraseDone;
  TDisc DiscInfo;
  TTrackInfo TrackInfo;
  alignas(8) std::array<std::uint8_t, 26> AtipData{};
  alignas(8) std::array<std::uint8_t, kSenseAreaSize> LastSense{};
  TOnDebugMsg OnDebugMessage;
  std::uint8_t WriteTypes = 0;
  bool WaitNotReady = false;
  bool ForceUnderrunProtection = false;
  bool SetLinkSizeValid = false;
  bool ErrorLogged = false;
  // The READ DISC INFORMATION answer of the last ReadDiscInfoBlock, the
  // first word (information length) in host order.
  alignas(8) std::array<std::uint8_t, 56> DiscInfoBlock{};
  // MODE SENSE / MODE SELECT data pass through it; the erase writes zero
  // blocks from it.
  std::vector<std::uint8_t> DriveDataBuffer = std::vector<std::uint8_t>(65536);

 private:
  friend class TEraseThread;
  // Fills a cleared block's common fields for a wrapper.
  static void PrepareSRB(TSRB& srb, std::uint8_t flags, std::uint8_t cdb_length, std::uint8_t* buffer,
                         std::uint32_t length);
  bool Run(TSRB& srb, int timeout_ms);
  bool Fail(const std::string& text);
  void AspiStatusText(std::uint8_t Status, std::uint8_t HostStatus, std::uint8_t TargetStatus,
                      std::string& Text);
  void SenseCodeText(const TSRB& SRB);
  void LogFirstCommand(const TSRB& srb);
  bool FindModePage(const std::uint8_t* answer, std::size_t size, std::uint8_t page, std::size_t& offset);
  bool NotReady() const { return LastSense[12] == 0x04; }
  void PrepareCapacityQuery();
  bool ReadFormatCapacitiesRaw(std::array<std::uint8_t, 248>& answer);

  std::recursive_mutex lock_;
  std::uint16_t ReadSpeed_ = 0;
  // Written by the burn thread, read by the progress display.
  std::atomic<std::uint32_t> DeviceFreeBufferSize_{0};
  std::atomic<std::uint32_t> DeviceBufferSize_{0};
  bool FinalizeDisc_ = false;
  bool DoDebug_ = false;
  bool TestWrite_ = false;
  bool UnderrunProtection_ = true;
  std::uint16_t WriteSpeed_ = 0;
  std::atomic<bool> Erasing_{false};
  std::uint16_t DeviceMaxWriteSpeed_ = 0;
  std::uint16_t DeviceMaxReadSpeed_ = 0;
  alignas(8) std::array<std::uint8_t, 4081> ParamListBuffer{};
  alignas(8) std::array<std::uint8_t, 256> ModePageBuffer{};
  alignas(8) std::array<std::uint8_t, 114> FeatureBuffer{};
  std::unique_ptr<TEraseThread> EraseThreadInstance;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

class MainThreadDispatcher;

// Watches a running erase: polls the drive until it is ready again, keeps a
// progress figure and reports the end on the main thread.
class TEraseThread {
 public:
  TEraseThread(TSCSIDevice& device, TDiscType disc_type, std::uint16_t duration,
               MainThreadDispatcher& dispatcher, std::shared_ptr<std::atomic<bool>> device_alive);
  ~TEraseThread();
  void Start();
  // Asks the thread to stop waiting and waits for it to end.
  void Terminate();

  std::atomic<int> Progress{0};
  TDiscType DiscType;
  TSCSIDevice* Device;
  std::uint16_t Duration;
  std::atomic<bool> WithError{false};

 private:
  void Execute();
  void Update();
  bool TimeRemains() const { return !terminated_ && Duration >= t_; }
  void Sleep(std::uint32_t ms);
  bool WriteZeros(std::uint32_t commands);

  double t_ = 0;
  std::atomic<bool> terminated_{false};
  MainThreadDispatcher& dispatcher_;
  std::shared_ptr<std::atomic<bool>> device_alive_;
  std::unique_ptr<std::thread> thread_;
};

#pragma once
// The recording library's string table: the texts of ASPI and host-adapter
// status, target status, sense keys and additional sense codes that every
// drive error the user sees is made of, and the library's own messages.

#include <cstdint>
#include <span>
#include <string>

struct AscAscqEntry {
  std::uint8_t asc;
  std::uint8_t ascq;
  const char* text;
};

// The 256 additional-sense pairs the library knows, in ASC/ASCQ order.
std::span<const AscAscqEntry> AscAscqTable();
// The text of one pair, or nullptr when the pair is not in the table.
const char* FindAscAscqText(std::uint8_t asc, std::uint8_t ascq);

// Text for a request block's SRB_Status, SRB_HaStat and SRB_TargStat.
// "CHECK CONDITION" means the sense data must be read for the real text.
std::string SrbStatusText(std::uint8_t status, std::uint8_t ha_status, std::uint8_t target_status);
// Text of the sense key in fixed-format sense byte 2 (filemark, EOM and ILI
// bits decide the text of key 0).
std::string SenseKeyText(std::uint8_t sense_byte2);

// Messages of the drive layer and the recorder.
inline constexpr char kTextCheckCondition[] = "CHECK CONDITION";
inline constexpr char kTextUnknown[] = "UNKNOWN";
inline constexpr char kTextOperationAborted[] = "OPERATION ABORTED BY USER";
inline constexpr char kTextWriterError[] = "WRITER ERROR";
inline constexpr char kTextInvalidDeviceId[] = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";
inline constexpr char kTextStartingErase[] = "STARTING ERASE PROCESS ON %s AT %s";
inline constexpr char kTextNoScsiLayer[] = "SCSI LAYER NOT INITIALIZED";
inline constexpr char kTextNoDriveSelected[] = "NO DRIVE SELECTED";
inline constexpr char kTextCommandTimeout[] = "COMMAND TIMEOUT";
inline constexpr char kTextBadDriveAnswer[] = "INVALID DRIVE ANSWER";

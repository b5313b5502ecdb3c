#pragma once
// The pass-through emulation: a small ASPI manager of the program's own. It
// finds the CD/DVD drives by drive letter, gives each an adapter/target/LUN
// address and carries each command out with the host's pass-through request
// on the drive's device handle.

#include <array>
#include <cstdint>

struct SptiDriveRecord {
  std::uint8_t adapter = 0;
  std::uint8_t target = 0;
  std::uint8_t lun = 0;
  std::uint8_t letter = 0;  // A = 0
  bool present = false;
  void* handle = nullptr;  // the host's invalid handle value when closed
  std::array<std::uint8_t, 40> inquiry{};
};

// The module-wide state of the emulation.
struct SptiState {
  std::uint8_t adapterCount = 0;
  std::array<SptiDriveRecord, 27> drives{};
  bool built = false;
  std::uint8_t noAddressCounter = 0;
  bool CloseDeviceAfterCommand = true;
  std::array<std::uint8_t, 96> probeBuffer{};
};
SptiState& Spti();

int SptiInitialize();
bool SptiFinalize();
std::uint8_t SptiAdapterCount();
char SptiGetDriveLetter(std::uint8_t Adapter, std::uint8_t Target, std::uint8_t Lun);
void SetCloseDeviceAfterCommand(bool Value);

std::uint32_t SptiGetASPI32SupportInfo();
std::uint32_t SptiSendASPI32Command(void* srb);

// The drive letter whose device reports this adapter and target through the
// host's address query (letters B to Z), 0 when none. Used when the manager
// library is the active layer.
char HostDriveLetterOfAddress(std::uint8_t Adapter, std::uint8_t Target);
